// The two token readers behind ReadDocument, private to this folder: one for the text
// encoding, one for the binary token stream. Both hand the parser the same token kinds,
// so the grammar (objects, references, values) is written once. Defined here, inline, so
// the per-token calls of the hot text path disappear into the parser.
#pragma once

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/xfile/XFile.h"

namespace platform::xfile::detail {

enum class TokenKind : std::uint8_t {
  End,
  Name,
  String,
  Integer,
  Float,
  IntegerList,  ///< binary only: `count` little-endian 32-bit words at `list`
  FloatList,    ///< binary only: `count` floats (4 or 8 bytes each) at `list`
  Guid,
  OpenBrace,
  CloseBrace,
  Separator,
  Template,
  Other,  ///< punctuation and type keywords that only appear in templates
  Error,
};

struct Token {
  TokenKind kind = TokenKind::End;
  std::string_view text;  ///< Name, String, Guid; the word of a text number
  double number = 0.0;
  const std::uint8_t* list = nullptr;
  std::uint32_t count = 0;
};

class TextLexer {
 public:
  TextLexer(const char* begin, const char* end) : mPos(begin), mEnd(end), mBegin(begin) {}
  /// The next token; Error with `error` set when the text cannot be a token.
  Token Next(std::string& error);
  /// Appends the numbers that come next, passing separators, and stops before anything
  /// else. Most of a big file is such runs; reading them here skips the token round trip.
  void ReadNumberRun(std::vector<Value>& out);
  std::size_t Offset() const { return static_cast<std::size_t>(mPos - mBegin); }

 private:
  const char* mPos;
  const char* mEnd;
  const char* mBegin;
};

class BinaryLexer {
 public:
  BinaryLexer(const std::uint8_t* begin, const std::uint8_t* end, bool doubleFloats)
      : mPos(begin), mEnd(end), mBegin(begin), mDoubleFloats(doubleFloats) {}
  Token Next(std::string& error);
  void ReadNumberRun(std::vector<Value>&) {}  // binary lists are bulk tokens already
  std::size_t Offset() const { return static_cast<std::size_t>(mPos - mBegin); }
  bool DoubleFloats() const { return mDoubleFloats; }

 private:
  const std::uint8_t* mPos;
  const std::uint8_t* mEnd;
  const std::uint8_t* mBegin;
  bool mDoubleFloats;
  std::string mGuidText;
};

enum CharClass : std::uint8_t { kWord = 0, kSpace = 1, kDelimiter = 2 };

struct ClassTable {
  std::uint8_t classOf[256];
  constexpr ClassTable() : classOf() {
    for (int c = 0; c < 256; ++c) classOf[c] = kWord;
    for (char c : {' ', '\t', '\r', '\n', '\v', '\f'})
      classOf[static_cast<unsigned char>(c)] = kSpace;
    classOf[0] = kSpace;  // stray NUL bytes some writers leave at the end
    for (char c : {'{', '}', ';', ',', '<', '>', '"', '[', ']', '(', ')'})
      classOf[static_cast<unsigned char>(c)] = kDelimiter;
  }
};
constexpr ClassTable kClasses;

constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

/// The common case in one pass: a short plain decimal ending at a space or delimiter.
/// Returns its end, or null for anything else (the caller then takes the general path).
inline const char* ParsePlainNumber(const char* p, const char* end, double& value,
                                    bool& isInteger) {
  bool negative = false;
  if (p < end && *p == '-') {
    negative = true;
    ++p;
  }
  std::uint64_t mantissa = 0;
  int digits = 0;
  int scale = 0;
  const char* first = p;
  while (p < end && static_cast<unsigned>(*p - '0') <= 9) {
    mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
    ++p;
  }
  digits = static_cast<int>(p - first);
  isInteger = true;
  if (p < end && *p == '.') {
    isInteger = false;
    const char* fraction = ++p;
    while (p < end && static_cast<unsigned>(*p - '0') <= 9) {
      mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
      ++p;
    }
    scale = -static_cast<int>(p - fraction);
    digits += static_cast<int>(p - fraction);
  }
  // Up to 15 digits the mantissa is exact; at most 22 decimals keep the divisor exact.
  if (digits == 0 || digits > 15 || scale < -22) return nullptr;
  if (p < end && kClasses.classOf[static_cast<unsigned char>(*p)] == kWord) return nullptr;
  const double magnitude = static_cast<double>(mantissa) / kPowersOfTen[-scale];
  value = negative ? -magnitude : magnitude;
  return p;
}

/// Parses a whole word as a number; false when the word is not one.
inline bool ParseNumber(const char* begin, const char* end, double& value, bool& isInteger) {
  const char* p = begin;
  bool negative = false;
  if (p < end && (*p == '-' || *p == '+')) {
    negative = *p == '-';
    ++p;
  }
  std::uint64_t mantissa = 0;
  int digits = 0;
  int scale = 0;
  bool any = false;
  while (p < end && *p >= '0' && *p <= '9') {
    if (digits < 19) {
      mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
      if (mantissa) ++digits;
    } else {
      ++scale;
    }
    any = true;
    ++p;
  }
  isInteger = true;
  if (p < end && *p == '.') {
    isInteger = false;
    ++p;
    while (p < end && *p >= '0' && *p <= '9') {
      if (digits < 19) {
        mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
        if (mantissa) ++digits;
        --scale;
      }
      any = true;
      ++p;
    }
  }
  if (!any) return false;
  int exponent = 0;
  if (p < end && (*p == 'e' || *p == 'E')) {
    isInteger = false;
    ++p;
    bool negativeExponent = false;
    if (p < end && (*p == '-' || *p == '+')) {
      negativeExponent = *p == '-';
      ++p;
    }
    if (p == end || *p < '0' || *p > '9') return false;
    while (p < end && *p >= '0' && *p <= '9') {
      if (exponent < 100000) exponent = exponent * 10 + (*p - '0');
      ++p;
    }
    if (negativeExponent) exponent = -exponent;
  }
  if (p != end) {
    // Windows printf's spellings of non-numbers ("-1.#IND00", "1.#QNAN0", "1.#INF00"):
    // some exporters write them for broken vertices; they read as zero.
    if (*p == '#') {
      value = 0.0;
      isInteger = false;
      return true;
    }
    return false;
  }
  const int totalScale = scale + exponent;
  if (mantissa < (std::uint64_t{1} << 53) && totalScale >= -22 && totalScale <= 22) {
    // Both operands are exact doubles, so one rounding gives the correctly rounded value.
    double result = static_cast<double>(mantissa);
    result =
        totalScale < 0 ? result / kPowersOfTen[-totalScale] : result * kPowersOfTen[totalScale];
    value = negative ? -result : result;
    return true;
  }
  const char* start = begin;
  if (*start == '+') ++start;
  const auto parsed = std::from_chars(start, end, value);
  if (parsed.ec == std::errc::result_out_of_range) {
    value = 0.0;  // far outside float range: nothing sensible to keep
    return true;
  }
  return parsed.ec == std::errc() && parsed.ptr == end;
}

inline void TextLexer::ReadNumberRun(std::vector<Value>& out) {
  for (;;) {
    while (mPos < mEnd) {
      const unsigned char c = static_cast<unsigned char>(*mPos);
      if (kClasses.classOf[c] != kSpace && c != ';' && c != ',') break;
      ++mPos;
    }
    if (mPos == mEnd) return;
    const char c = *mPos;
    if (!((c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.')) return;
    double value;
    bool isInteger;
    if (const char* plainEnd = ParsePlainNumber(mPos, mEnd, value, isInteger)) {
      mPos = plainEnd;
      out.push_back(isInteger ? Value::Number(value, true)
                              : Value::Float(static_cast<float>(value)));
      continue;
    }
    const char* end = mPos;
    while (end < mEnd && kClasses.classOf[static_cast<unsigned char>(*end)] == kWord) {
      if (*end == '/' && end + 1 < mEnd && end[1] == '/') break;
      ++end;
    }
    if (!ParseNumber(mPos, end, value, isInteger)) return;  // a name: the parser decides
    mPos = end;
    out.push_back(isInteger ? Value::Number(value, true) : Value::Float(static_cast<float>(value)));
  }
}

inline Token TextLexer::Next(std::string& error) {
  Token token;
  for (;;) {
    while (mPos < mEnd && kClasses.classOf[static_cast<unsigned char>(*mPos)] == kSpace) ++mPos;
    if (mPos == mEnd) return token;  // End
    const char c = *mPos;
    if (c == '#' || (c == '/' && mPos + 1 < mEnd && mPos[1] == '/')) {
      const void* lineEnd = std::memchr(mPos, '\n', static_cast<std::size_t>(mEnd - mPos));
      mPos = lineEnd ? static_cast<const char*>(lineEnd) + 1 : mEnd;
      continue;
    }
    break;
  }
  const char c = *mPos;
  switch (c) {
    case '{':
      ++mPos;
      token.kind = TokenKind::OpenBrace;
      return token;
    case '}':
      ++mPos;
      token.kind = TokenKind::CloseBrace;
      return token;
    case ';':
    case ',':
      ++mPos;
      token.kind = TokenKind::Separator;
      return token;
    case '"': {
      const char* start = mPos + 1;
      const void* close = std::memchr(start, '"', static_cast<std::size_t>(mEnd - start));
      if (!close) {
        error = "string without its closing quote";
        token.kind = TokenKind::Error;
        return token;
      }
      mPos = static_cast<const char*>(close) + 1;
      token.kind = TokenKind::String;
      token.text = std::string_view(start, static_cast<std::size_t>(mPos - 1 - start));
      return token;
    }
    case '<': {
      const char* start = mPos + 1;
      const void* close = std::memchr(start, '>', static_cast<std::size_t>(mEnd - start));
      if (!close) {
        error = "GUID without its closing '>'";
        token.kind = TokenKind::Error;
        return token;
      }
      mPos = static_cast<const char*>(close) + 1;
      std::string_view text(start, static_cast<std::size_t>(mPos - 1 - start));
      while (!text.empty() && kClasses.classOf[static_cast<unsigned char>(text.front())] == kSpace)
        text.remove_prefix(1);
      while (!text.empty() && kClasses.classOf[static_cast<unsigned char>(text.back())] == kSpace)
        text.remove_suffix(1);
      token.kind = TokenKind::Guid;
      token.text = text;
      return token;
    }
    default:
      break;
  }
  if (kClasses.classOf[static_cast<unsigned char>(c)] == kDelimiter) {
    ++mPos;
    token.kind = TokenKind::Other;
    return token;
  }
  const char* start = mPos;
  while (mPos < mEnd && kClasses.classOf[static_cast<unsigned char>(*mPos)] == kWord) {
    // A comment may follow a word without a space.
    if (*mPos == '/' && mPos + 1 < mEnd && mPos[1] == '/') break;
    ++mPos;
  }
  token.text = std::string_view(start, static_cast<std::size_t>(mPos - start));
  if ((c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.') {
    bool isInteger = false;
    if (ParseNumber(start, mPos, token.number, isInteger)) {
      token.kind = isInteger ? TokenKind::Integer : TokenKind::Float;
      return token;
    }
  }
  token.kind = token.text == "template" ? TokenKind::Template : TokenKind::Name;
  return token;
}

inline std::uint16_t Load16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t Load32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// Binary token numbers of the .x format.
enum : std::uint16_t {
  kTokenName = 1,
  kTokenString = 2,
  kTokenInteger = 3,
  kTokenGuid = 5,
  kTokenIntegerList = 6,
  kTokenFloatList = 7,
  kTokenOpenBrace = 10,
  kTokenCloseBrace = 11,
  kTokenComma = 19,
  kTokenSemicolon = 20,
  kTokenTemplate = 31,
};

inline Token BinaryLexer::Next(std::string& error) {
  Token token;
  if (mPos == mEnd) return token;
  auto fail = [&](const char* what) {
    char offset[32];
    std::snprintf(offset, sizeof offset, " at byte %zu", Offset());
    error = std::string(what) + offset;
    token.kind = TokenKind::Error;
    return token;
  };
  // Some writers pad the end of a binary file with a single zero byte.
  if (mEnd - mPos < 2) return *mPos == 0 ? (mPos = mEnd, token) : fail("binary token cut off");
  const std::uint16_t id = Load16(mPos);
  const std::size_t remaining = static_cast<std::size_t>(mEnd - mPos) - 2;
  const std::uint8_t* body = mPos + 2;
  switch (id) {
    case kTokenName:
    case kTokenString: {
      if (remaining < 4) return fail("name or string cut off");
      const std::uint32_t length = Load32(body);
      if (length > remaining - 4) return fail("name or string longer than the file");
      token.kind = id == kTokenName ? TokenKind::Name : TokenKind::String;
      token.text = std::string_view(reinterpret_cast<const char*>(body + 4), length);
      mPos = body + 4 + length;
      return token;
    }
    case kTokenInteger:
      if (remaining < 4) return fail("integer cut off");
      token.kind = TokenKind::Integer;
      token.number = Load32(body);
      mPos = body + 4;
      return token;
    case kTokenGuid: {
      if (remaining < 16) return fail("GUID cut off");
      char text[40];
      std::snprintf(text, sizeof text, "%08x-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x",
                    Load32(body), Load16(body + 4), Load16(body + 6), body[8], body[9], body[10],
                    body[11], body[12], body[13], body[14], body[15]);
      mGuidText = text;
      token.kind = TokenKind::Guid;
      token.text = mGuidText;
      mPos = body + 16;
      return token;
    }
    case kTokenIntegerList:
    case kTokenFloatList: {
      if (remaining < 4) return fail("list cut off");
      const std::uint64_t count = Load32(body);
      const std::uint64_t width = id == kTokenIntegerList ? 4 : (mDoubleFloats ? 8 : 4);
      if (count * width > remaining - 4) return fail("list longer than the file");
      token.kind = id == kTokenIntegerList ? TokenKind::IntegerList : TokenKind::FloatList;
      token.count = static_cast<std::uint32_t>(count);
      token.list = body + 4;
      mPos = body + 4 + count * width;
      return token;
    }
    case kTokenOpenBrace:
      token.kind = TokenKind::OpenBrace;
      break;
    case kTokenCloseBrace:
      token.kind = TokenKind::CloseBrace;
      break;
    case kTokenComma:
    case kTokenSemicolon:
      token.kind = TokenKind::Separator;
      break;
    case kTokenTemplate:
      token.kind = TokenKind::Template;
      break;
    default:
      // Remaining punctuation (12..18) and the type keywords of templates (40..52).
      if ((id >= 12 && id <= 18) || (id >= 40 && id <= 52)) {
        token.kind = TokenKind::Other;
        break;
      }
      return fail(("unknown binary token " + std::to_string(id)).c_str());
  }
  mPos = body;
  return token;
}

}  // namespace platform::xfile::detail
