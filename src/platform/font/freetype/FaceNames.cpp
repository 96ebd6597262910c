// Maps Windows face names to installed families. Names are compared after folding
// full-width ASCII to ASCII, dropping spaces and ignoring letter case, because games spell
// the same face as "MS ゴシック", "ＭＳ ゴシック" and "ms gothic".
#include "platform/font/freetype/FaceNames.h"

#include <cctype>
#include <cstddef>

namespace platform::font {
namespace {

// Families by kind, as the IPA, Noto, VL and Takao packages name them; the first that is
// installed wins, so the list may name fonts this machine lacks.
const std::vector<std::string> kFixedGothic = {"IPAGothic", "IPAゴシック", "Noto Sans Mono CJK JP",
                                               "VL Gothic", "TakaoGothic"};
const std::vector<std::string> kProportionalGothic = {
    "IPAPGothic", "IPAPゴシック", "IPAexGothic", "Noto Sans CJK JP", "VL PGothic", "TakaoPGothic"};
const std::vector<std::string> kFixedMincho = {"IPAMincho", "IPA明朝", "Noto Serif CJK JP",
                                               "TakaoMincho"};
const std::vector<std::string> kProportionalMincho = {"IPAPMincho", "IPAP明朝", "IPAexMincho",
                                                      "Noto Serif CJK JP", "TakaoPMincho"};

struct KnownFace {
  const char* folded;  // the name after FoldName
  const std::vector<std::string>* families;
  const std::vector<std::string>* second;  // tried after `families`, may be null
};

const KnownFace kKnownFaces[] = {
    {"msgothic", &kFixedGothic, nullptr},
    {"msゴシック", &kFixedGothic, nullptr},
    {"mspgothic", &kProportionalGothic, &kFixedGothic},
    {"msPゴシック", &kProportionalGothic, &kFixedGothic},
    {"msuigothic", &kProportionalGothic, &kFixedGothic},
    {"msmincho", &kFixedMincho, &kFixedGothic},
    {"ms明朝", &kFixedMincho, &kFixedGothic},
    {"mspmincho", &kProportionalMincho, &kFixedMincho},
    {"msP明朝", &kProportionalMincho, &kFixedMincho},
    {"meiryo", &kProportionalGothic, &kFixedGothic},
    {"メイリオ", &kProportionalGothic, &kFixedGothic},
    {"meiryoui", &kProportionalGothic, &kFixedGothic},
    {"yugothic", &kProportionalGothic, &kFixedGothic},
    {"游ゴシック", &kProportionalGothic, &kFixedGothic},
    {"yumincho", &kProportionalMincho, &kFixedMincho},
    {"游明朝", &kProportionalMincho, &kFixedMincho},
};

// Full-width ASCII (U+FF01..U+FF5E, three UTF-8 bytes EF BC 81 .. EF BD 9E) becomes ASCII,
// the ideographic space U+3000 and ASCII spaces vanish, ASCII letters become lower case
// except the "P" that distinguishes the proportional Japanese names ("MS Pゴシック"),
// which is kept upper case only when a non-ASCII byte follows it.
std::string FoldName(const std::string& name) {
  std::string ascii;
  for (std::size_t i = 0; i < name.size();) {
    unsigned char c = static_cast<unsigned char>(name[i]);
    if (c == 0xEF && i + 2 < name.size()) {
      unsigned b1 = static_cast<unsigned char>(name[i + 1]);
      unsigned b2 = static_cast<unsigned char>(name[i + 2]);
      unsigned codePoint = ((c & 0x0F) << 12) | ((b1 & 0x3F) << 6) | (b2 & 0x3F);
      if (codePoint >= 0xFF01 && codePoint <= 0xFF5E) {
        ascii += static_cast<char>(codePoint - 0xFF01 + 0x21);
        i += 3;
        continue;
      }
    }
    if (c == 0xE3 && name.compare(i, 3, "\xE3\x80\x80") == 0) {  // U+3000
      i += 3;
      continue;
    }
    if (c != ' ') ascii += static_cast<char>(c);
    ++i;
  }
  std::string folded;
  for (std::size_t i = 0; i < ascii.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(ascii[i]);
    bool keepP = (c == 'P' || c == 'p') && i + 1 < ascii.size() &&
                 static_cast<unsigned char>(ascii[i + 1]) >= 0x80;
    if (keepP)
      folded += 'P';
    else
      folded += static_cast<char>(c < 0x80 ? std::tolower(c) : c);
  }
  return folded;
}

void Append(std::vector<std::string>& to, const std::vector<std::string>& from) {
  to.insert(to.end(), from.begin(), from.end());
}

}  // namespace

std::vector<std::string> FamiliesForFaceName(const std::string& faceUtf8) {
  std::vector<std::string> families;
  if (!faceUtf8.empty()) families.push_back(faceUtf8);
  const std::string folded = FoldName(faceUtf8);
  for (const KnownFace& known : kKnownFaces) {
    if (folded != known.folded) continue;
    Append(families, *known.families);
    if (known.second) Append(families, *known.second);
    break;
  }
  Append(families, DefaultJapaneseFamilies());
  return families;
}

std::vector<std::string> DefaultJapaneseFamilies() { return kFixedGothic; }

}  // namespace platform::font
