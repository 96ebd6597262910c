// The fixed-function stand-in shader. Lighting follows Direct3D 9's per-vertex model
// (camera space, ambient + diffuse + specular + emissive, range, attenuation and the spot
// cone); fog is the per-vertex factor mixed toward the fog colour.
#include "platform/gfx/gl/FixedFunctionProgram.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <vector>

namespace platform {
namespace {

// The choices as the general program reads them from the block; a specialised program
// defines each as a constant instead.
constexpr const char* kGeneralChoices = R"(
#define LIGHTING (uVertex.x != 0)
#define HAS_NORMAL (uVertex.y != 0)
#define HAS_DIFFUSE (uVertex.z != 0)
#define PRETRANSFORMED (uVertex.w != 0)
#define FOG_MODE uFog.x
#define SPECULAR_ON (uFog.y != 0)
#define LOCAL_VIEWER (uFog.z != 0)
#define NORMALIZE_NORMALS (uFog.w != 0)
#define DIFFUSE_FROM_VERTEX (uMaterialSource.x != 0)
#define AMBIENT_FROM_VERTEX (uMaterialSource.y != 0)
#define SPECULAR_FROM_VERTEX (uMaterialSource.z != 0)
#define EMISSIVE_FROM_VERTEX (uMaterialSource.w != 0)
#define COLOR_OP uColorStage.x
#define COLOR_ARG1 uColorStage.y
#define COLOR_ARG2 uColorStage.z
#define TEXTURE_BOUND (uColorStage.w != 0)
#define ALPHA_OP uAlphaStage.x
#define ALPHA_ARG1 uAlphaStage.y
#define ALPHA_ARG2 uAlphaStage.z
#define ALPHA_TEST uAlphaStage.w
#define LIGHT_COUNT uLights.x
#define LIGHT_TYPE(i) int(uLight[i].position.w)
#define MAP_DEPTH (uPixelOffset.z != 0.0)
)";

constexpr const char* kBlock = R"(
struct Light {
  vec4 diffuse;
  vec4 specular;
  vec4 ambient;
  vec4 position;
  vec4 direction;
  vec4 attenuation;
  vec4 spot;
};
layout(std140) uniform FixedFunction {
  mat4 uWorldViewProjection;
  mat4 uWorldView;
  mat4 uNormalMatrix;
  vec4 uViewport;
  vec4 uPixelOffset;
  vec4 uMaterialDiffuse;
  vec4 uMaterialAmbient;
  vec4 uMaterialSpecular;
  vec4 uMaterialEmissive;
  vec4 uGlobalAmbient;
  vec4 uFogColor;
  vec4 uFogParameters;
  vec4 uTextureFactor;
  vec4 uAlphaReference;
  ivec4 uVertex;
  ivec4 uFog;
  ivec4 uMaterialSource;
  ivec4 uColorStage;
  ivec4 uAlphaStage;
  ivec4 uLights;
  Light uLight[8];
};
)";

constexpr const char* kVertexMain = R"(
layout(location = 0) in vec4 aPosition;
layout(location = 1) in vec3 aNormal;
layout(location = 2) in vec4 aDiffuse;
layout(location = 3) in vec2 aTexCoord;
out vec4 vDiffuse;
out vec3 vSpecular;
out vec2 vTexCoord;
out float vFog;

void ApplyLighting(vec3 viewPosition, vec4 vertexColor) {
  vec4 materialDiffuse = DIFFUSE_FROM_VERTEX ? vertexColor : uMaterialDiffuse;
  vec4 materialAmbient = AMBIENT_FROM_VERTEX ? vertexColor : uMaterialAmbient;
  vec4 materialSpecular = SPECULAR_FROM_VERTEX ? vertexColor : uMaterialSpecular;
  vec4 materialEmissive = EMISSIVE_FROM_VERTEX ? vertexColor : uMaterialEmissive;
  bool hasNormal = HAS_NORMAL;
  vec3 normal = vec3(0.0);
  if (hasNormal) {
    normal = (uNormalMatrix * vec4(aNormal, 0.0)).xyz;
    if (NORMALIZE_NORMALS && dot(normal, normal) > 0.0) normal = normalize(normal);
  }
  vec3 ambient = uGlobalAmbient.rgb;
  vec3 diffuse = vec3(0.0);
  vec3 specular = vec3(0.0);
  for (int i = 0; i < LIGHT_COUNT; ++i) {
    int type = LIGHT_TYPE(i);
    vec3 toLight;
    float strength = 1.0;
    if (type == 3) {
      toLight = -uLight[i].direction.xyz;
    } else {
      vec3 offset = uLight[i].position.xyz - viewPosition;
      float lightDistance = length(offset);
      if (lightDistance > uLight[i].direction.w) continue;
      toLight = lightDistance > 0.0 ? offset / lightDistance : vec3(0.0, 0.0, -1.0);
      vec3 a = uLight[i].attenuation.xyz;
      float denominator = a.x + a.y * lightDistance + a.z * lightDistance * lightDistance;
      strength = denominator > 0.0 ? 1.0 / denominator : 1.0;
      if (type == 2) {
        float rho = dot(-uLight[i].direction.xyz, toLight);
        float cosHalfTheta = uLight[i].spot.x;
        float cosHalfPhi = uLight[i].spot.y;
        if (rho <= cosHalfPhi) {
          strength = 0.0;
        } else if (rho <= cosHalfTheta) {
          float t = (rho - cosHalfPhi) / max(cosHalfTheta - cosHalfPhi, 1e-6);
          strength *= uLight[i].attenuation.w == 1.0 ? t : pow(t, uLight[i].attenuation.w);
        }
      }
    }
    ambient += strength * uLight[i].ambient.rgb;
    if (!hasNormal) continue;
    float lambert = max(dot(normal, toLight), 0.0);
    diffuse += strength * lambert * uLight[i].diffuse.rgb;
    if (SPECULAR_ON && lambert > 0.0) {
      vec3 viewer = LOCAL_VIEWER ? normalize(-viewPosition) : vec3(0.0, 0.0, 1.0);
      vec3 halfway = normalize(viewer + toLight);
      float power = uAlphaReference.y;
      float highlight = max(dot(normal, halfway), 0.0);
      specular += strength * (power > 0.0 ? pow(highlight, power) : 1.0) * uLight[i].specular.rgb;
    }
  }
  vDiffuse.rgb = clamp(materialEmissive.rgb + materialAmbient.rgb * ambient +
                       materialDiffuse.rgb * diffuse, 0.0, 1.0);
  vDiffuse.a = clamp(materialDiffuse.a, 0.0, 1.0);
  vSpecular = clamp(materialSpecular.rgb * specular, 0.0, 1.0);
}

void main() {
  vec4 clip;
  bool pretransformed = PRETRANSFORMED;
  if (pretransformed) {
    float w = aPosition.w != 0.0 ? 1.0 / aPosition.w : 1.0;
    vec2 ndc = vec2((aPosition.x - uViewport.x) * 2.0 / uViewport.z - 1.0,
                    1.0 - (aPosition.y - uViewport.y) * 2.0 / uViewport.w);
    clip = vec4(ndc * w, aPosition.z * w, w);
  } else {
    clip = uWorldViewProjection * vec4(aPosition.xyz, 1.0);
  }
  clip.xy += uPixelOffset.xy * clip.w;
  if (MAP_DEPTH) {
    clip.y *= uPixelOffset.w;
    clip.z = 2.0 * clip.z - clip.w;
  }
  gl_Position = clip;
  vTexCoord = aTexCoord;

  vec4 vertexColor = HAS_DIFFUSE ? aDiffuse : vec4(1.0);
  vec3 viewPosition = (uWorldView * vec4(aPosition.xyz, 1.0)).xyz;
  if (LIGHTING && !pretransformed) {
    ApplyLighting(viewPosition, vertexColor);
  } else {
    vDiffuse = vertexColor;
    vSpecular = vec3(0.0);
  }
  vFog = 1.0;
  if (FOG_MODE != 0 && !pretransformed) {
    float depth = viewPosition.z;
    if (FOG_MODE == 3) {
      vFog = (uFogParameters.y - depth) * uFogParameters.w;
    } else if (FOG_MODE == 1) {
      vFog = exp(-depth * uFogParameters.z);
    } else {
      float d = depth * uFogParameters.z;
      vFog = exp(-d * d);
    }
    vFog = clamp(vFog, 0.0, 1.0);
  }
}
)";

constexpr const char* kFragmentMain = R"(
uniform sampler2D uTexture;
in vec4 vDiffuse;
in vec3 vSpecular;
in vec2 vTexCoord;
in float vFog;
out vec4 oColor;

vec4 Argument(int argument, vec4 texel) {
  int source = argument & 7;
  vec4 value = vDiffuse;
  if (source == 2) value = texel;
  else if (source == 3) value = uTextureFactor;
  else if (source == 4) value = vec4(vSpecular, 1.0);
  if ((argument & 0x20) != 0) value = vec4(value.a);
  if ((argument & 0x10) != 0) value = vec4(1.0) - value;
  return value;
}

vec4 Combine(int op, vec4 a, vec4 b) {
  if (op == 1) return vDiffuse;
  if (op == 2) return a;
  if (op == 3) return b;
  if (op == 5) return 2.0 * a * b;
  if (op == 6) return 4.0 * a * b;
  if (op == 7) return a + b;
  if (op == 8) return a + b - 0.5;
  if (op == 9) return 2.0 * (a + b - 0.5);
  if (op == 10) return a - b;
  return a * b;
}

bool Passes(int function, float alpha, float reference) {
  if (function == 1) return false;
  if (function == 2) return alpha < reference;
  if (function == 3) return alpha == reference;
  if (function == 4) return alpha <= reference;
  if (function == 5) return alpha > reference;
  if (function == 6) return alpha != reference;
  if (function == 7) return alpha >= reference;
  return true;
}

void main() {
  vec4 texel = TEXTURE_BOUND ? texture(uTexture, vTexCoord) : vec4(1.0);
  vec4 color;
  if (COLOR_OP == 1) {
    color = vDiffuse;
  } else {
    color.rgb = Combine(COLOR_OP, Argument(COLOR_ARG1, texel), Argument(COLOR_ARG2, texel)).rgb;
    color.a = Combine(ALPHA_OP, Argument(ALPHA_ARG1, texel), Argument(ALPHA_ARG2, texel)).a;
  }
  color = clamp(color, 0.0, 1.0);
  if (ALPHA_TEST != 0 && !Passes(ALPHA_TEST, floor(color.a * 255.0 + 0.5), uAlphaReference.x)) {
    discard;
  }
  if (SPECULAR_ON) color.rgb = min(color.rgb + vSpecular, vec3(1.0));
  // Without fog the factor is 1, which leaves the colour as it is; a program made for no
  // fog then needs no fog factor from its vertices.
  if (FOG_MODE != 0) color.rgb = mix(uFogColor.rgb, color.rgb, vFog);
  oColor = color;
}
)";

constexpr const char* kSpriteVertex = R"(
layout(location = 0) in vec4 aPosition;
layout(location = 2) in vec4 aDiffuse;
layout(location = 3) in vec2 aTexCoord;
uniform mat4 uTransform;
#ifdef FLIP_Y
uniform float uYFlip;
#endif
out vec4 vDiffuse;
out vec2 vTexCoord;

void main() {
  vec4 clip = uTransform * vec4(aPosition.xyz, 1.0);
#ifdef FLIP_Y
  clip.y *= uYFlip;
  clip.z = 2.0 * clip.z - clip.w;
#endif
  gl_Position = clip;
  vDiffuse = aDiffuse;
  vTexCoord = aTexCoord;
}
)";

// Texels whose alpha, in 0..255, is not above the reference are not drawn; a reference
// below zero lets every texel through.
constexpr const char* kSpriteFragment = R"(
uniform sampler2D uTexture;
uniform float uAlphaReference;
in vec4 vDiffuse;
in vec2 vTexCoord;
out vec4 oColor;

void main() {
  vec4 color = clamp(texture(uTexture, vTexCoord) * vDiffuse, 0.0, 1.0);
  if (floor(color.a * 255.0 + 0.5) <= uAlphaReference) discard;
  oColor = color;
}
)";

GLuint Compile(GLenum type, const std::string& source, std::string& error) {
  const GLuint shader = glCreateShader(type);
  const char* text = source.c_str();
  glShaderSource(shader, 1, &text, nullptr);
  glCompileShader(shader);
  GLint ok = GL_FALSE;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (ok == GL_TRUE) return shader;
  GLint length = 0;
  glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
  std::vector<char> log(static_cast<size_t>(length > 0 ? length : 1), '\0');
  glGetShaderInfoLog(shader, static_cast<GLsizei>(log.size()), nullptr, log.data());
  error = log.data();
  glDeleteShader(shader);
  return 0;
}

/// Compiles and links the two stages; 0 with `error` filled when the driver refuses.
GLuint Link(const std::string& vertexSource, const std::string& fragmentSource,
            std::string& error) {
  const GLuint vertex = Compile(GL_VERTEX_SHADER, vertexSource, error);
  if (!vertex) return 0;
  const GLuint fragment = Compile(GL_FRAGMENT_SHADER, fragmentSource, error);
  if (!fragment) {
    glDeleteShader(vertex);
    return 0;
  }
  GLuint program = glCreateProgram();
  glAttachShader(program, vertex);
  glAttachShader(program, fragment);
  glBindFragDataLocation(program, 0, "oColor");
  glLinkProgram(program);
  glDeleteShader(vertex);
  glDeleteShader(fragment);
  GLint ok = GL_FALSE;
  glGetProgramiv(program, GL_LINK_STATUS, &ok);
  if (ok != GL_TRUE) {
    char log[2048] = {};
    glGetProgramInfoLog(program, sizeof log, nullptr, log);
    error = log;
    glDeleteProgram(program);
    return 0;
  }
  return program;
}

/// Links the fixed-function program with `choices` (the general ones or constants) and
/// binds its block and sampler; 0 with `error` filled when the driver refuses.
GLuint LinkFixedFunction(const std::string& choices, std::string& error) {
  const std::string header = "#version 330 core\n" + choices;
  const GLuint program =
      Link(header + kBlock + kVertexMain, header + kBlock + kFragmentMain, error);
  if (!program) return 0;
  glUniformBlockBinding(program, glGetUniformBlockIndex(program, "FixedFunction"),
                        FixedFunctionProgram::kBlockBinding);
  glUseProgram(program);
  glUniform1i(glGetUniformLocation(program, "uTexture"), 0);
  return program;
}

}  // namespace

bool FixedFunctionProgram::Create(std::string& error) {
  mProgram = LinkFixedFunction(kGeneralChoices, error);
  mLastProgram = mProgram;
  mLastChoices = Choices{};
  mLastChoices[0] = -1;  // matches no block
  // HINOKI_GL_GENERAL_PROGRAM=1 draws everything with the general program, to compare.
  const char* general = std::getenv("HINOKI_GL_GENERAL_PROGRAM");
  mVariantLimit = general && std::strtoul(general, nullptr, 10) != 0 ? 0 : kMaxVariants;
  return mProgram != 0;
}

void FixedFunctionProgram::Destroy() {
  for (const auto& [choices, program] : mVariants) {
    if (program) glDeleteProgram(program);
  }
  mVariants.clear();
  if (mProgram) glDeleteProgram(mProgram);
  mProgram = mLastProgram = 0;
}

FixedFunctionProgram::Choices FixedFunctionProgram::ChoicesOf(const FixedFunctionBlock& block) {
  Choices choices{};
  const int* groups[5] = {block.vertex, block.fog, block.materialSource, block.colorStage,
                          block.alphaStage};
  size_t at = 0;
  for (const int* group : groups) {
    for (int i = 0; i < 4; ++i) choices[at++] = group[i];
  }
  const int count = std::min(std::max(block.lights[0], 0), kMaxActiveLights);
  choices[at++] = count;
  for (int i = 0; i < kMaxActiveLights; ++i) {
    choices[at++] = i < count ? static_cast<int>(block.light[i].position[3]) : 0;
  }
  choices[at++] = block.pixelOffset[2] != 0.0f ? 1 : 0;
  return choices;
}

GLuint FixedFunctionProgram::ProgramFor(const FixedFunctionBlock& block) {
  const Choices choices = ChoicesOf(block);
  if (choices == mLastChoices) return mLastProgram;
  GLuint program = mProgram;
  const auto found = mVariants.find(choices);
  if (found != mVariants.end()) {
    if (found->second) program = found->second;
  } else if (mVariants.size() < mVariantLimit) {
    const GLuint made = Compile(choices);
    mVariants.emplace(choices, made);
    if (made) program = made;
  }
  mLastChoices = choices;
  mLastProgram = program;
  return program;
}

GLuint FixedFunctionProgram::Compile(const Choices& c) {
  static const char* const kNames[20] = {
      "LIGHTING",           "HAS_NORMAL",          "HAS_DIFFUSE",          "PRETRANSFORMED",
      "FOG_MODE",           "SPECULAR_ON",         "LOCAL_VIEWER",         "NORMALIZE_NORMALS",
      "DIFFUSE_FROM_VERTEX", "AMBIENT_FROM_VERTEX", "SPECULAR_FROM_VERTEX",
      "EMISSIVE_FROM_VERTEX", "COLOR_OP",          "COLOR_ARG1",           "COLOR_ARG2",
      "TEXTURE_BOUND",      "ALPHA_OP",            "ALPHA_ARG1",           "ALPHA_ARG2",
      "ALPHA_TEST"};
  // The flags are booleans in the shader, the rest numbers.
  static const bool kFlag[20] = {true,  true,  true,  true,  false, true,  true,
                                 true,  true,  true,  true,  true,  false, false,
                                 false, true,  false, false, false, false};
  std::ostringstream text;
  for (int i = 0; i < 20; ++i) {
    text << "#define " << kNames[i] << ' ';
    if (kFlag[i]) {
      text << (c[size_t(i)] != 0 ? "true" : "false");
    } else {
      text << c[size_t(i)];
    }
    text << '\n';
  }
  text << "#define LIGHT_COUNT " << c[20] << "\n#define LIGHT_TYPE(i) kLightType[i]\n"
       << "const int kLightType[" << kMaxActiveLights << "] = int[" << kMaxActiveLights << "](";
  for (int i = 0; i < kMaxActiveLights; ++i) text << (i ? ", " : "") << c[size_t(21 + i)];
  text << ");\n#define MAP_DEPTH " << (c[29] != 0 ? "true" : "false") << '\n';
  // Made in the middle of drawing: the program in use stays so.
  GLint current = 0;
  glGetIntegerv(GL_CURRENT_PROGRAM, &current);
  std::string error;
  const GLuint program = LinkFixedFunction(text.str(), error);
  glUseProgram(static_cast<GLuint>(current));
  return program;
}

bool SpriteProgram::Create(bool flipY, std::string& error) {
  const std::string header = flipY ? "#version 330 core\n#define FLIP_Y\n" : "#version 330 core\n";
  mProgram = Link(header + kSpriteVertex, header + kSpriteFragment, error);
  if (!mProgram) return false;
  mTransform = glGetUniformLocation(mProgram, "uTransform");
  mAlphaReference = glGetUniformLocation(mProgram, "uAlphaReference");
  mYFlip = flipY ? glGetUniformLocation(mProgram, "uYFlip") : -1;
  glUseProgram(mProgram);
  glUniform1i(glGetUniformLocation(mProgram, "uTexture"), 0);
  return true;
}

void SpriteProgram::Destroy() {
  if (mProgram) glDeleteProgram(mProgram);
  mProgram = 0;
  mTransform = mAlphaReference = mYFlip = -1;
}

}  // namespace platform
