// What an effect file declares, read without compiling it: the technique line, the sampler
// lines and the names of its uniforms. Effect files come with games, so everything here
// is bounded: a file asking for absurd numbers of passes or parameters is refused.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace platform {

/// Passes one technique may have; Direct3D 9 effects use a handful.
inline constexpr unsigned kMaxEffectPasses = 64;
/// Parameters one effect may declare.
inline constexpr std::size_t kMaxEffectParameters = 1024;

struct EffectParameterLayout {
  std::string name;
  bool sampler = false;  ///< a sampler2D: a texture parameter
  bool clamp = false;    ///< samplers: clamp to the edge instead of repeating
  bool linear = true;    ///< samplers: linear filtering instead of the nearest texel
};

struct EffectLayout {
  std::string technique;
  unsigned passes = 0;
  std::vector<EffectParameterLayout> parameters;  ///< in order of first mention
};

/// Reads the first line `//! technique NAME passes N`, the optional lines
/// `//! sampler NAME clamp|wrap point|linear`, and every uniform declared outside comments
/// (uniform blocks and names starting with "hinoki" are the device's own). False, with a
/// message naming `path` and the line, when the header is wrong or a limit is passed.
bool ReadEffectLayout(const std::string& path, const std::string& source, EffectLayout& layout,
                      std::string& errors);

}  // namespace platform
