// Effects on the GL device: one GLSL 3.30 source whose first line names the technique and
// its pass count, compiled once per pass with PASS, VERTEX and FRAGMENT defined. The
// source is kept, so a rebuilt GL context gets the programs back; parameter values are
// kept too and sent to a pass's program at BeginPass and CommitChanges, as D3DX does.
#pragma once

#include <epoxy/gl.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/gfx/Device.h"

namespace platform {

class GlDevice;
class GlTexture;

class GlEffect final : public Effect {
 public:
  /// Reads the technique and sampler lines of `source`; compiles nothing yet. False with
  /// `errors` when the first line is not the technique line.
  GlEffect(GlDevice& device, std::string path, std::string source);
  ~GlEffect() override;
  /// True when the header lines were understood; `errors` says why not.
  bool Parse(std::string& errors);

  EffectHandle GetTechniqueByName(const char* name) override;
  EffectHandle GetParameterByName(const char* name) override;
  bool SetTechnique(EffectHandle technique) override;
  void SetMatrix(EffectHandle parameter, const D3DMATRIX& value) override;
  void SetVector(EffectHandle parameter, const float (&value)[4]) override;
  void SetFloat(EffectHandle parameter, float value) override;
  void SetBool(EffectHandle parameter, bool value) override;
  void SetTexture(EffectHandle parameter, Texture* texture) override;
  bool GetMatrix(EffectHandle parameter, D3DMATRIX& value) const override;
  bool GetVector(EffectHandle parameter, float (&value)[4]) const override;
  bool GetFloat(EffectHandle parameter, float& value) const override;
  bool GetBool(EffectHandle parameter, bool& value) const override;
  Texture* GetTexture(EffectHandle parameter) const override;
  void Begin(unsigned* passes, DWORD flags) override;
  void BeginPass(unsigned pass) override;
  void CommitChanges() override;
  void EndPass() override;
  void End() override;
  void OnLostDevice() override {}
  void OnResetDevice() override {}
  int CurrentPass() const override { return mPass; }

  /// Compiles and links every pass in the current context; false with the compiler's
  /// messages in `errors`.
  bool CreateGlObjects(std::string& errors);
  /// Deletes the programs and samplers (`contextAlive` false: the context is gone).
  void DropGlObjects(bool contextAlive);
  /// The device is going away: no more calls into it.
  void Detach() { mDevice = nullptr; }

 private:
  struct Parameter {
    std::string name;
    bool sampler = false;
    float numbers[16] = {};
    std::weak_ptr<GlTexture> texture;
    unsigned version = 0;  ///< grows with each Set; 0: never set
    bool clamp = false;    ///< samplers: addressing and filter from the sampler line
    bool linear = true;
    GLint unit = 0;
    GLuint samplerObject = 0;
  };
  struct Uniform {
    size_t parameter;
    GLint location;
    GLenum type;
  };
  struct Pass {
    GLuint program = 0;
    GLint pixelOffset = -1;
    std::vector<Uniform> uniforms;
    std::vector<unsigned> uploaded;  ///< per parameter, the version last sent
  };

  Parameter* Find(EffectHandle handle);
  const Parameter* Find(EffectHandle handle) const;
  size_t AddParameter(const std::string& name);
  GLuint LinkPass(unsigned pass, std::string& errors);
  void ReadUniforms(Pass& pass);
  /// Sends the values changed since this pass last got them, and binds the textures.
  void Upload(Pass& pass);

  GlDevice* mDevice;
  std::string mPath;
  std::string mSource;
  std::string mTechnique;
  unsigned mPassCount = 0;
  std::vector<Parameter> mParameters;
  std::vector<Pass> mPasses;
  int mPass = -1;
  bool mBegun = false;
};

}  // namespace platform
