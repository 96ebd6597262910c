// The GLSL programs that stand in for Direct3D 9's fixed-function pipeline: transform,
// per-vertex lighting, vertex fog, texture stage 0 and alpha test, all chosen by the values
// of one uniform block. The general program reads every choice from the block; programs
// specialised for the choices in use have them built in, which software rasterisers turn
// into much shorter per-vertex and per-pixel code.
#pragma once

#include <epoxy/gl.h>

#include <array>
#include <map>
#include <string>

namespace platform {

inline constexpr int kMaxActiveLights = 8;

/// One light in view space, laid out as the shader's std140 block expects.
struct FixedFunctionLight {
  float diffuse[4];
  float specular[4];
  float ambient[4];
  float position[4];     ///< xyz in view space; w: the D3DLIGHTTYPE
  float direction[4];    ///< xyz normalised in view space; w: range
  float attenuation[4];  ///< attenuation 0, 1, 2, falloff
  float spot[4];         ///< cos(theta / 2), cos(phi / 2)
};

/// Everything the shader reads, in std140 layout (every member a multiple of 16 bytes).
struct FixedFunctionBlock {
  float worldViewProjection[16];
  float worldView[16];
  float normalMatrix[16];
  float viewport[4];     ///< x, y, width, height: pretransformed vertices are in these pixels
  float pixelOffset[4];  ///< xy: clip-space shift to pixel centres; z: 1 maps depth, w: y sign
  float materialDiffuse[4];
  float materialAmbient[4];
  float materialSpecular[4];
  float materialEmissive[4];
  float globalAmbient[4];
  float fogColor[4];
  float fogParameters[4];  ///< start, end, density, 1 / (end - start)
  float textureFactor[4];
  float alphaReference[4];  ///< x: alpha reference 0..255; y: specular power of the material
  int vertex[4];            ///< lighting, has normal, has diffuse, pretransformed
  int fog[4];               ///< fog mode (D3DFOGMODE), specular on, local viewer, normalise
  int materialSource[4];    ///< diffuse, ambient, specular, emissive: 1 = vertex colour
  int colorStage[4];        ///< op, arg1, arg2, texture bound
  int alphaStage[4];        ///< op, arg1, arg2, alpha test function (D3DCMPFUNC, 0 = off)
  int lights[4];            ///< x: number of lights
  FixedFunctionLight light[kMaxActiveLights];
};
static_assert(sizeof(FixedFunctionBlock) % 16 == 0, "std140 blocks are whole vec4s");

class FixedFunctionProgram {
 public:
  /// Compiles and links the general program; false with `error` filled when the driver
  /// refuses.
  bool Create(std::string& error);
  void Destroy();
  /// The general program.
  GLuint Program() const { return mProgram; }
  /// The program for the choices `block` holds: a specialised one, compiled on first use,
  /// or the general one when too many have been made or the driver refuses one.
  GLuint ProgramFor(const FixedFunctionBlock& block);
  /// The binding point of the uniform block.
  static constexpr GLuint kBlockBinding = 0;
  /// Specialised programs kept at most; later choices draw with the general program.
  static constexpr size_t kMaxVariants = 64;

 private:
  using Choices = std::array<int, 30>;
  static Choices ChoicesOf(const FixedFunctionBlock& block);
  GLuint Compile(const Choices& choices);

  GLuint mProgram = 0;
  size_t mVariantLimit = kMaxVariants;
  std::map<Choices, GLuint> mVariants;  ///< 0: the driver refused it
  Choices mLastChoices{};
  GLuint mLastProgram = 0;
};

/// The sprite batch's own program, for the state the batch sets: positions through one
/// matrix, the texel times the vertex colour, and "alpha greater than the reference" as
/// the only alpha test. The general program costs much more per vertex and per pixel on
/// software rasterisers, and sprites come by the thousand.
class SpriteProgram {
 public:
  /// `flipY` when the device has no glClipControl: the shader then turns Direct3D's y
  /// direction and depth range into GL's itself.
  bool Create(bool flipY, std::string& error);
  void Destroy();
  GLuint Program() const { return mProgram; }
  GLint TransformLocation() const { return mTransform; }
  GLint AlphaReferenceLocation() const { return mAlphaReference; }
  /// The y sign of the framebuffer drawn into; -1 when `flipY` was not asked.
  GLint YFlipLocation() const { return mYFlip; }

 private:
  GLuint mProgram = 0;
  GLint mTransform = -1;
  GLint mAlphaReference = -1;
  GLint mYFlip = -1;
};

}  // namespace platform
