// GL effects: the header lines, the per-pass programs, and parameter values sent to them.
#include "platform/gfx/gl/GlEffect.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <sstream>

#include "platform/gfx/EffectSource.h"
#include "platform/gfx/gl/GlDevice.h"

namespace platform {
namespace {

// Put before every effect source, after the version and the PASS and stage defines.
constexpr const char* kPreamble = R"(// Hinoki effect preamble.
// Vertex attributes come at these locations, fed from the current FVF (declare those used):
//   layout(location = 0) in vec3 aPosition;  // D3DFVF_XYZ (a vec4 reads XYZRHW's rhw as w)
//   layout(location = 1) in vec3 aNormal;    // D3DFVF_NORMAL; 0 when the vertex has none
//   layout(location = 2) in vec4 aDiffuse;   // D3DFVF_DIFFUSE as r, g, b, a in 0..1; white when none
//   layout(location = 3) in vec2 aTexCoord;  // the first texture coordinate set; 0 when none
// A uniform mat4 holds a D3DMATRIX as stored, so M * v here is Direct3D's v * M.
// HinokiClip turns a Direct3D clip-space position (y up, z from 0 to w) into this device's,
// with Direct3D 9's pixel centres: write gl_Position = HinokiClip(position).
#ifdef VERTEX
uniform vec3 hinokiPixelOffset;  // z: the y sign of the framebuffer drawn into
vec4 HinokiClip(vec4 d3dClipPosition) {
  vec4 p = d3dClipPosition;
  p.xy += hinokiPixelOffset.xy * p.w;
#ifdef HINOKI_FLIP_Y
  p.y *= hinokiPixelOffset.z;
  p.z = 2.0 * p.z - p.w;
#endif
  return p;
}
#endif
)";

constexpr const char* kPixelOffsetName = "hinokiPixelOffset";
// Texture unit 0 belongs to the device's fixed-function stage 0 and the sprite batch.
constexpr GLint kFirstUnit = 1;

std::string InfoLog(GLuint object, bool program) {
  GLint length = 0;
  if (program) glGetProgramiv(object, GL_INFO_LOG_LENGTH, &length);
  else glGetShaderiv(object, GL_INFO_LOG_LENGTH, &length);
  std::vector<char> log(static_cast<size_t>(std::max(length, 1)), '\0');
  if (program) glGetProgramInfoLog(object, static_cast<GLsizei>(log.size()), nullptr, log.data());
  else glGetShaderInfoLog(object, static_cast<GLsizei>(log.size()), nullptr, log.data());
  return log.data();
}

}  // namespace

GlEffect::GlEffect(GlDevice& device, std::string path, std::string source)
    : mDevice(&device), mPath(std::move(path)), mSource(std::move(source)) {}

GlEffect::~GlEffect() {
  if (mDevice) mDevice->OnEffectDestroyed(this);
}

bool GlEffect::Parse(std::string& errors) {
  EffectLayout layout;
  if (!ReadEffectLayout(mPath, mSource, layout, errors)) return false;
  mTechnique = layout.technique;
  mPassCount = layout.passes;
  mParameters.clear();
  mParameters.reserve(layout.parameters.size());
  GLint unit = kFirstUnit;
  for (const EffectParameterLayout& declared : layout.parameters) {
    mParameters.emplace_back();
    Parameter& parameter = mParameters.back();
    parameter.name = declared.name;
    parameter.sampler = declared.sampler;
    parameter.clamp = declared.clamp;
    parameter.linear = declared.linear;
    if (parameter.sampler) parameter.unit = unit++;
  }
  return true;
}

size_t GlEffect::AddParameter(const std::string& name) {
  for (size_t i = 0; i < mParameters.size(); ++i) {
    if (mParameters[i].name == name) return i;
  }
  mParameters.emplace_back();
  mParameters.back().name = name;
  return mParameters.size() - 1;
}

bool GlEffect::CreateGlObjects(std::string& errors) {
  if (!mDevice) return false;
  GLint units = 16;
  glGetIntegerv(GL_MAX_TEXTURE_IMAGE_UNITS, &units);
  for (const Parameter& parameter : mParameters) {
    if (parameter.sampler && parameter.unit >= units) {
      errors = mPath + ": error: more textures than the device's " + std::to_string(units - 1) +
               " effect texture units";
      return false;
    }
  }
  mPasses.assign(mPassCount, Pass{});
  for (unsigned n = 0; n < mPassCount; ++n) {
    mPasses[n].program = LinkPass(n, errors);
    if (!mPasses[n].program) {
      DropGlObjects(true);
      return false;
    }
    ReadUniforms(mPasses[n]);
  }
  for (Parameter& parameter : mParameters) {
    if (!parameter.sampler) continue;
    glGenSamplers(1, &parameter.samplerObject);
    const GLint wrap = parameter.clamp ? GL_CLAMP_TO_EDGE : GL_REPEAT;
    const GLint filter = parameter.linear ? GL_LINEAR : GL_NEAREST;
    glSamplerParameteri(parameter.samplerObject, GL_TEXTURE_WRAP_S, wrap);
    glSamplerParameteri(parameter.samplerObject, GL_TEXTURE_WRAP_T, wrap);
    glSamplerParameteri(parameter.samplerObject, GL_TEXTURE_MIN_FILTER, filter);
    glSamplerParameteri(parameter.samplerObject, GL_TEXTURE_MAG_FILTER, filter);
  }
  return true;
}

GLuint GlEffect::LinkPass(unsigned pass, std::string& errors) {
  const bool flipY = !mDevice->UsesClipControl();
  GLuint shaders[2] = {0, 0};
  const GLenum stages[2] = {GL_VERTEX_SHADER, GL_FRAGMENT_SHADER};
  const char* stageNames[2] = {"VERTEX", "FRAGMENT"};
  for (int s = 0; s < 2; ++s) {
    // The #line makes the compiler count the file's own lines.
    const std::string text = "#version 330 core\n#define PASS " + std::to_string(pass) +
                             "\n#define " + stageNames[s] + "\n" +
                             (flipY ? "#define HINOKI_FLIP_Y\n" : "") + kPreamble +
                             "#line 1\n" + mSource;
    const GLuint shader = glCreateShader(stages[s]);
    const char* source = text.c_str();
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok != GL_TRUE) {
      errors += mPath + ": pass " + std::to_string(pass) + ", " +
                (s == 0 ? "vertex" : "fragment") + " stage:\n" + InfoLog(shader, false);
      glDeleteShader(shader);
      if (shaders[0]) glDeleteShader(shaders[0]);
      return 0;
    }
    shaders[s] = shader;
  }
  const GLuint program = glCreateProgram();
  glAttachShader(program, shaders[0]);
  glAttachShader(program, shaders[1]);
  glLinkProgram(program);
  glDeleteShader(shaders[0]);
  glDeleteShader(shaders[1]);
  GLint ok = GL_FALSE;
  glGetProgramiv(program, GL_LINK_STATUS, &ok);
  if (ok != GL_TRUE) {
    errors += mPath + ": pass " + std::to_string(pass) + ", link:\n" + InfoLog(program, true);
    glDeleteProgram(program);
    return 0;
  }
  return program;
}

void GlEffect::ReadUniforms(Pass& pass) {
  GLint count = 0;
  glGetProgramiv(pass.program, GL_ACTIVE_UNIFORMS, &count);
  mDevice->UseProgramForUpdate(pass.program);
  for (GLint i = 0; i < count; ++i) {
    char name[256] = {};
    GLint size = 0;
    GLenum type = 0;
    glGetActiveUniform(pass.program, static_cast<GLuint>(i), sizeof name, nullptr, &size, &type,
                       name);
    // Arrays and block members are not parameters.
    if (std::strchr(name, '[') || std::strchr(name, '.') || name[0] == '\0') continue;
    const GLint location = glGetUniformLocation(pass.program, name);
    if (std::strcmp(name, kPixelOffsetName) == 0) {
      pass.pixelOffset = location;
      continue;
    }
    if (location < 0) continue;
    const size_t index = AddParameter(name);
    Parameter& parameter = mParameters[index];
    if (type == GL_SAMPLER_2D) {
      if (!parameter.sampler) {  // declared in a way the scan did not read
        parameter.sampler = true;
        GLint unit = kFirstUnit;
        for (const Parameter& other : mParameters) {
          if (&other != &parameter && other.sampler) unit = std::max(unit, other.unit + 1);
        }
        parameter.unit = unit;
      }
      glUniform1i(location, parameter.unit);
    }
    pass.uniforms.push_back(Uniform{index, location, type});
  }
  pass.uploaded.assign(mParameters.size(), 0u);
}

void GlEffect::DropGlObjects(bool contextAlive) {
  if (mPass >= 0 && mDevice) mDevice->EndEffectPass();
  mPass = -1;
  for (Pass& pass : mPasses) {
    if (!pass.program) continue;
    if (contextAlive) {
      if (mDevice) mDevice->ForgetProgram(pass.program);
      glDeleteProgram(pass.program);
    }
  }
  mPasses.clear();
  for (Parameter& parameter : mParameters) {
    if (parameter.samplerObject && contextAlive) glDeleteSamplers(1, &parameter.samplerObject);
    parameter.samplerObject = 0;
  }
}

// ---- Handles and values.

EffectHandle GlEffect::GetTechniqueByName(const char* name) {
  return name && mTechnique == name ? mParameters.size() + 1 : 0;
}

EffectHandle GlEffect::GetParameterByName(const char* name) {
  if (!name) return 0;
  for (size_t i = 0; i < mParameters.size(); ++i) {
    if (mParameters[i].name == name) return i + 1;
  }
  return 0;
}

bool GlEffect::SetTechnique(EffectHandle technique) {
  return technique != 0 && technique == mParameters.size() + 1;
}

GlEffect::Parameter* GlEffect::Find(EffectHandle handle) {
  return handle >= 1 && handle <= mParameters.size() ? &mParameters[handle - 1] : nullptr;
}

const GlEffect::Parameter* GlEffect::Find(EffectHandle handle) const {
  return handle >= 1 && handle <= mParameters.size() ? &mParameters[handle - 1] : nullptr;
}

void GlEffect::SetMatrix(EffectHandle handle, const D3DMATRIX& value) {
  if (Parameter* parameter = Find(handle)) {
    std::memcpy(parameter->numbers, value.m, sizeof parameter->numbers);
    ++parameter->version;
  }
}

void GlEffect::SetVector(EffectHandle handle, const float (&value)[4]) {
  if (Parameter* parameter = Find(handle)) {
    std::copy(value, value + 4, parameter->numbers);
    ++parameter->version;
  }
}

void GlEffect::SetFloat(EffectHandle handle, float value) {
  if (Parameter* parameter = Find(handle)) {
    parameter->numbers[0] = value;
    ++parameter->version;
  }
}

void GlEffect::SetBool(EffectHandle handle, bool value) {
  if (Parameter* parameter = Find(handle)) {
    parameter->numbers[0] = value ? 1.0f : 0.0f;
    ++parameter->version;
  }
}

void GlEffect::SetTexture(EffectHandle handle, Texture* texture) {
  if (Parameter* parameter = Find(handle)) {
    // Held weakly: a texture released by its owner reads as none, never as a dangling one.
    auto* gl = static_cast<GlTexture*>(texture);
    parameter->texture = gl ? gl->weak_from_this() : std::weak_ptr<GlTexture>();
    ++parameter->version;
  }
}

bool GlEffect::GetMatrix(EffectHandle handle, D3DMATRIX& value) const {
  const Parameter* parameter = Find(handle);
  if (parameter) std::memcpy(value.m, parameter->numbers, sizeof parameter->numbers);
  return parameter != nullptr;
}

bool GlEffect::GetVector(EffectHandle handle, float (&value)[4]) const {
  const Parameter* parameter = Find(handle);
  if (parameter) std::copy(parameter->numbers, parameter->numbers + 4, value);
  return parameter != nullptr;
}

bool GlEffect::GetFloat(EffectHandle handle, float& value) const {
  const Parameter* parameter = Find(handle);
  if (parameter) value = parameter->numbers[0];
  return parameter != nullptr;
}

bool GlEffect::GetBool(EffectHandle handle, bool& value) const {
  const Parameter* parameter = Find(handle);
  if (parameter) value = parameter->numbers[0] != 0.0f;
  return parameter != nullptr;
}

Texture* GlEffect::GetTexture(EffectHandle handle) const {
  const Parameter* parameter = Find(handle);
  return parameter ? parameter->texture.lock().get() : nullptr;
}

// ---- Passes.

void GlEffect::Begin(unsigned* passes, DWORD /*flags*/) {
  mBegun = true;
  if (passes) *passes = mPassCount;
}

void GlEffect::BeginPass(unsigned pass) {
  if (!mDevice || pass >= mPasses.size() || !mPasses[pass].program) return;
  mPass = static_cast<int>(pass);
  Pass& current = mPasses[pass];
  mDevice->BeginEffectPass(current.program, current.pixelOffset);
  Upload(current);
}

void GlEffect::CommitChanges() {
  if (!mDevice || mPass < 0) return;
  Pass& current = mPasses[static_cast<size_t>(mPass)];
  mDevice->UseProgramForUpdate(current.program);
  Upload(current);
}

void GlEffect::EndPass() {
  if (mPass < 0) return;
  mPass = -1;
  if (mDevice) mDevice->EndEffectPass();
}

void GlEffect::End() {
  EndPass();
  mBegun = false;
}

void GlEffect::Upload(Pass& pass) {
  for (const Uniform& uniform : pass.uniforms) {
    Parameter& parameter = mParameters[uniform.parameter];
    if (uniform.type == GL_SAMPLER_2D) {
      // Units are shared with other effects: bind every time.
      const std::shared_ptr<GlTexture> texture = parameter.texture.lock();
      glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(parameter.unit));
      glBindTexture(GL_TEXTURE_2D, texture && !texture->IsDepthStencil() ? texture->Name() : 0);
      glBindSampler(static_cast<GLuint>(parameter.unit), parameter.samplerObject);
      continue;
    }
    if (parameter.version == 0 || pass.uploaded[uniform.parameter] == parameter.version) continue;
    pass.uploaded[uniform.parameter] = parameter.version;
    const float* v = parameter.numbers;
    switch (uniform.type) {
      case GL_FLOAT_MAT4: glUniformMatrix4fv(uniform.location, 1, GL_FALSE, v); break;
      case GL_FLOAT_VEC4: glUniform4fv(uniform.location, 1, v); break;
      case GL_FLOAT_VEC3: glUniform3fv(uniform.location, 1, v); break;
      case GL_FLOAT_VEC2: glUniform2fv(uniform.location, 1, v); break;
      case GL_FLOAT: glUniform1f(uniform.location, v[0]); break;
      case GL_BOOL:
      case GL_INT: glUniform1i(uniform.location, static_cast<GLint>(v[0])); break;
      default: break;  // types with no Set call of their own keep their defaults
    }
  }
  // The device's texture updates and stage 0 expect unit 0 to be the active one.
  glActiveTexture(GL_TEXTURE0);
}

}  // namespace platform
