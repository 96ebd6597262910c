// The effect file's header lines and uniform declarations.
#include "platform/gfx/EffectSource.h"

#include <cctype>
#include <sstream>
#include <unordered_map>

namespace platform {
namespace {

bool IsWordCharacter(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

/// The source with comments blanked out, so declarations are read from code only.
std::string WithoutComments(const std::string& text) {
  std::string out = text;
  for (std::size_t i = 0; i + 1 < out.size(); ++i) {
    if (out[i] == '/' && out[i + 1] == '/') {
      while (i < out.size() && out[i] != '\n') out[i++] = ' ';
    } else if (out[i] == '/' && out[i + 1] == '*') {
      while (i + 1 < out.size() && !(out[i] == '*' && out[i + 1] == '/')) {
        if (out[i] != '\n') out[i] = ' ';
        ++i;
      }
      if (i + 1 < out.size()) out[i] = out[i + 1] = ' ';
    }
  }
  return out;
}

class Parameters {
 public:
  explicit Parameters(EffectLayout& layout) : mLayout(layout) {}
  /// The parameter of this name, added when new; null past the limit.
  EffectParameterLayout* Add(const std::string& name) {
    const auto found = mIndex.find(name);
    if (found != mIndex.end()) return &mLayout.parameters[found->second];
    if (mLayout.parameters.size() >= kMaxEffectParameters) return nullptr;
    mIndex.emplace(name, mLayout.parameters.size());
    mLayout.parameters.push_back({name});
    return &mLayout.parameters.back();
  }

 private:
  EffectLayout& mLayout;
  std::unordered_map<std::string, std::size_t> mIndex;
};

std::string TooMany(const std::string& path) {
  return path + ": error: more than " + std::to_string(kMaxEffectParameters) + " parameters";
}

}  // namespace

bool ReadEffectLayout(const std::string& path, const std::string& source, EffectLayout& layout,
                      std::string& errors) {
  layout = EffectLayout();
  Parameters parameters(layout);
  std::istringstream lines(source);
  std::string line;
  std::getline(lines, line);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  {
    std::istringstream words(line);
    std::string marker, keyword, passesWord;
    long passes = 0;
    words >> marker >> keyword >> layout.technique >> passesWord >> passes;
    if (marker != "//!" || keyword != "technique" || layout.technique.empty() ||
        passesWord != "passes" || passes < 1) {
      errors = path + "(1): error: the first line must be \"//! technique NAME passes N\"";
      return false;
    }
    if (passes > static_cast<long>(kMaxEffectPasses)) {
      errors = path + "(1): error: a technique has at most " + std::to_string(kMaxEffectPasses) +
               " passes";
      return false;
    }
    layout.passes = static_cast<unsigned>(passes);
  }
  for (int number = 2; std::getline(lines, line); ++number) {
    if (line.compare(0, 3, "//!") != 0) continue;
    std::istringstream words(line.substr(3));
    std::string keyword, name, address, filter;
    words >> keyword >> name >> address >> filter;
    if (keyword != "sampler") continue;
    if (name.empty() || (address != "clamp" && address != "wrap") ||
        (filter != "point" && filter != "linear")) {
      errors = path + "(" + std::to_string(number) +
               "): error: a sampler line is \"//! sampler NAME clamp|wrap point|linear\"";
      return false;
    }
    EffectParameterLayout* parameter = parameters.Add(name);
    if (!parameter) {
      errors = TooMany(path);
      return false;
    }
    parameter->sampler = true;
    parameter->clamp = address == "clamp";
    parameter->linear = filter == "linear";
  }

  // Every uniform the source declares is a parameter, even where the compiler drops it
  // from a pass that does not use it.
  const std::string code = WithoutComments(source);
  std::size_t at = 0;
  while ((at = code.find("uniform", at)) != std::string::npos) {
    const bool wordStart = at == 0 || !IsWordCharacter(code[at - 1]);
    at += 7;
    if (!wordStart || at >= code.size() || IsWordCharacter(code[at])) continue;
    const std::size_t end = code.find(';', at);
    if (end == std::string::npos) break;
    std::istringstream declaration(code.substr(at, end - at));
    std::string type;
    declaration >> type;
    while (type == "lowp" || type == "mediump" || type == "highp") declaration >> type;
    if (type.empty() || code.find('{', at) < end) {  // a uniform block
      at = end;
      continue;
    }
    std::string rest, names;
    while (declaration >> rest) names += rest;
    std::istringstream list(names);
    std::string name;
    while (std::getline(list, name, ',')) {
      name = name.substr(0, name.find_first_of("[="));
      if (name.empty() || name.compare(0, 6, "hinoki") == 0) continue;
      EffectParameterLayout* parameter = parameters.Add(name);
      if (!parameter) {
        errors = TooMany(path);
        return false;
      }
      if (type == "sampler2D") parameter->sampler = true;
    }
    at = end;
  }
  return true;
}

}  // namespace platform
