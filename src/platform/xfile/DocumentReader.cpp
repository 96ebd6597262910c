// Reads the data objects of a .x file into a tree. Templates are skipped (the mesh loader
// knows the layouts it needs); separators are not required, since exporters drop or double
// them; references are resolved by name (or GUID) after the whole file is read.
#include <cstring>
#include <string_view>
#include <unordered_map>

#include "platform/xfile/Lexers.h"
#include "platform/xfile/XFile.h"

namespace platform::xfile {

namespace {

using detail::Token;
using detail::TokenKind;

// Deeper nesting than any real hierarchy; stops a crafted file from exhausting the stack.
constexpr int kMaxDepth = 200;

template <typename Lexer>
class Parser {
 public:
  Parser(Lexer& lexer, Document& document, std::string& error, bool binary)
      : mLexer(lexer), mDocument(document), mError(error), mBinary(binary) {}

  bool ParseFile() {
    for (;;) {
      Token token = Next();
      switch (token.kind) {
        case TokenKind::End:
          return true;
        case TokenKind::Error:
          return false;
        case TokenKind::Template:
          if (!SkipTemplate()) return false;
          break;
        case TokenKind::Name: {
          DataObject* object = ParseObject(token.text, 0);
          if (!object) return false;
          mDocument.topLevel.push_back(object);
          break;
        }
        case TokenKind::Separator:
          break;  // stray separators between objects are harmless
        default:
          return Fail("expected a data object or a template");
      }
    }
  }

 private:
  Token Next() { return mLexer.Next(mError); }

  bool Fail(const std::string& what) {
    mError = what + " at byte " + std::to_string(mLexer.Offset());
    return false;
  }

  bool SkipTemplate() {
    Token token = Next();
    if (token.kind != TokenKind::Name)
      return token.kind != TokenKind::Error && Fail("template without a name");
    token = Next();
    if (token.kind != TokenKind::OpenBrace)
      return token.kind != TokenKind::Error && Fail("template without '{'");
    int depth = 1;
    while (depth > 0) {
      token = Next();
      if (token.kind == TokenKind::Error) return false;
      if (token.kind == TokenKind::End) return Fail("file ends inside a template");
      if (token.kind == TokenKind::OpenBrace) ++depth;
      if (token.kind == TokenKind::CloseBrace) --depth;
    }
    return true;
  }

  DataObject* ParseObject(std::string_view type, int depth) {
    if (depth > kMaxDepth) {
      Fail("data objects nested too deeply");
      return nullptr;
    }
    mDocument.objects.push_back(std::make_unique<DataObject>());
    DataObject* object = mDocument.objects.back().get();
    object->type.assign(type.data(), type.size());
    Token token = Next();
    // Optional object name. Text exporters sometimes write names that look like numbers.
    if (token.kind == TokenKind::Name ||
        (!mBinary && (token.kind == TokenKind::Integer || token.kind == TokenKind::Float))) {
      object->name.assign(token.text.data(), token.text.size());
      token = Next();
    }
    if (token.kind == TokenKind::Guid) {  // tolerated before the brace
      object->guid.assign(token.text.data(), token.text.size());
      token = Next();
    }
    if (token.kind != TokenKind::OpenBrace) {
      if (token.kind != TokenKind::Error) Fail("expected '{' after '" + object->type + "'");
      return nullptr;
    }
    for (;;) {
      mLexer.ReadNumberRun(object->values);
      token = Next();
      switch (token.kind) {
        case TokenKind::CloseBrace:
          return object;
        case TokenKind::Separator:
          break;
        case TokenKind::Integer:
          object->values.push_back(Value::Number(token.number, true));
          break;
        case TokenKind::Float:
          object->values.push_back(Value::Float(static_cast<float>(token.number)));
          break;
        case TokenKind::IntegerList:
          AppendIntegers(*object, token);
          break;
        case TokenKind::FloatList:
          AppendFloats(*object, token);
          break;
        case TokenKind::String:
          object->values.push_back(
              Value::String(static_cast<std::uint32_t>(object->strings.size())));
          object->strings.emplace_back(token.text);
          break;
        case TokenKind::Guid:
          if (object->guid.empty() && object->values.empty() && object->children.empty()) {
            object->guid.assign(token.text.data(), token.text.size());
          } else {
            object->values.push_back(
                Value::String(static_cast<std::uint32_t>(object->strings.size())));
            object->strings.emplace_back(token.text);
          }
          break;
        case TokenKind::Name: {
          DataObject* child = ParseObject(token.text, depth + 1);
          if (!child) return nullptr;
          object->children.push_back({child, false, {}});
          break;
        }
        case TokenKind::OpenBrace:
          if (!ParseReference(*object)) return nullptr;
          break;
        case TokenKind::Error:
          return nullptr;
        case TokenKind::End:
          Fail("file ends inside '" + object->type + "'");
          return nullptr;
        default:
          Fail("unexpected token inside '" + object->type + "'");
          return nullptr;
      }
    }
  }

  bool ParseReference(DataObject& object) {
    Token token = Next();
    Child child;
    child.isReference = true;
    if (token.kind == TokenKind::Name) {
      child.referenceName.assign(token.text.data(), token.text.size());
      token = Next();
    }
    if (token.kind == TokenKind::Guid) {
      // Kept as the name to look for when no name was written.
      if (child.referenceName.empty()) child.referenceName = "<" + std::string(token.text) + ">";
      token = Next();
    }
    if (token.kind != TokenKind::CloseBrace) {
      return token.kind != TokenKind::Error && Fail("reference without its closing '}'");
    }
    if (!child.referenceName.empty()) object.children.push_back(std::move(child));
    return true;
  }

  // Lists are written straight into place: they hold most of a big binary file.
  void AppendIntegers(DataObject& object, const Token& token) {
    const std::size_t start = object.values.size();
    object.values.resize(start + token.count, Value::Integer(0));
    Value* out = object.values.data() + start;
    const std::uint8_t* p = token.list;
    for (std::uint32_t i = 0; i < token.count; ++i, p += 4)
      out[i] = Value::Integer(detail::Load32(p));
  }

  void AppendFloats(DataObject& object, const Token& token) {
    const std::size_t start = object.values.size();
    object.values.resize(start + token.count, Value::Integer(0));
    Value* out = object.values.data() + start;
    const std::uint8_t* p = token.list;
    if (mLexer.DoubleFloats()) {
      for (std::uint32_t i = 0; i < token.count; ++i, p += 8) {
        double v;
        std::memcpy(&v, p, 8);  // the format is little-endian, like every host we build on
        out[i] = Value::Float(static_cast<float>(v));
      }
    } else {
      for (std::uint32_t i = 0; i < token.count; ++i, p += 4) {
        float v;
        std::memcpy(&v, p, 4);
        out[i] = Value::Float(v);
      }
    }
  }

  Lexer& mLexer;
  Document& mDocument;
  std::string& mError;
  bool mBinary;
};

// The text lexer has no float width; the parser only asks the binary one.
struct TextLexerAdapter : detail::TextLexer {
  using detail::TextLexer::TextLexer;
  bool DoubleFloats() const { return false; }
};

void ResolveReferences(Document& document) {
  std::unordered_map<std::string_view, const DataObject*> byName;
  byName.reserve(document.objects.size());
  for (const auto& object : document.objects) {
    // The first object of a name wins, as a reader going through the file finds it.
    if (!object->name.empty()) byName.emplace(object->name, object.get());
  }
  // A reference written as a GUID alone looks for an object with that GUID.
  std::unordered_map<std::string, const DataObject*> byGuid;
  for (const auto& object : document.objects)
    if (!object->guid.empty()) byGuid.emplace("<" + object->guid + ">", object.get());
  for (const auto& object : document.objects) {
    for (Child& child : object->children) {
      if (!child.isReference) continue;
      if (!child.referenceName.empty() && child.referenceName.front() == '<') {
        const auto found = byGuid.find(child.referenceName);
        child.object = found == byGuid.end() ? nullptr : found->second;
      } else {
        const auto found = byName.find(child.referenceName);
        child.object = found == byName.end() ? nullptr : found->second;
      }
    }
  }
}

}  // namespace

bool ReadDocument(const std::uint8_t* data, std::size_t size, Document& document,
                  std::string& error) {
  document = Document();
  error.clear();
  if (size < 16 || std::memcmp(data, "xof ", 4) != 0) {
    error = "not a .x file (no \"xof \" header)";
    return false;
  }
  const std::string_view format(reinterpret_cast<const char*>(data) + 8, 4);
  const std::string_view floatSize(reinterpret_cast<const char*>(data) + 12, 4);
  if (floatSize == "0064") {
    document.doubleFloats = true;
  } else if (floatSize != "0032") {
    error = "unknown float size \"" + std::string(floatSize) + "\" in the header";
    return false;
  }
  if (format == "txt " || format == "tzip") {
    document.binary = false;
  } else if (format == "bin " || format == "bzip") {
    document.binary = true;
  } else {
    error = "unknown encoding \"" + std::string(format) + "\" in the header";
    return false;
  }
  document.compressed = format == "tzip" || format == "bzip";
  std::vector<std::uint8_t> unpacked;
  const std::uint8_t* body = data + 16;
  std::size_t bodySize = size - 16;
  if (document.compressed) {
    if (!DecompressMszip(body, bodySize, unpacked, error)) return false;
    body = unpacked.data();
    bodySize = unpacked.size();
  }
  bool ok;
  if (document.binary) {
    detail::BinaryLexer lexer(body, body + bodySize, document.doubleFloats);
    ok = Parser<detail::BinaryLexer>(lexer, document, error, true).ParseFile();
  } else {
    const char* text = reinterpret_cast<const char*>(body);
    TextLexerAdapter lexer(text, text + bodySize);
    ok = Parser<TextLexerAdapter>(lexer, document, error, false).ParseFile();
  }
  if (!ok) {
    if (error.empty()) error = "unreadable data";
    document = Document();
    return false;
  }
  ResolveReferences(document);
  return true;
}

}  // namespace platform::xfile
