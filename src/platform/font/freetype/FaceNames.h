// Windows face names that Japanese games ask for, translated into families that Linux
// systems install. A game written for "MS ゴシック" should get a Japanese gothic here,
// not whatever fontconfig's generic fallback happens to be.
#pragma once

#include <string>
#include <vector>

namespace platform::font {

/// The families to try, best first, for a face name given as UTF-8: the name itself,
/// then the installed equivalents of a known Windows face, then the Japanese defaults.
std::vector<std::string> FamiliesForFaceName(const std::string& faceUtf8);

/// The families to try when the requested name cannot be honoured (its font lacks
/// Japanese): the fixed-pitch Japanese gothic a fixed-pitch Shift-JIS request falls to.
std::vector<std::string> DefaultJapaneseFamilies();

}  // namespace platform::font
