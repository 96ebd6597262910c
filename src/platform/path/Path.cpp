// Maps Windows file names from scripts onto a case-sensitive Linux file system:
// CP932 to UTF-8, '\' to '/', and each component matched ignoring case when needed.
#include "platform/path/Path.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cstdint>
#include <vector>

#include "platform/text/Text.h"

namespace platform::path {
namespace {

bool Exists(const std::string& path) {
    struct stat info;
    return lstat(path.c_str(), &info) == 0;
}

// Decodes one code point from the front of `s` and advances past it. A malformed byte
// is returned as a value outside Unicode so it only ever equals the same byte.
std::uint32_t NextCodePoint(std::string_view& s) {
    auto byte = [&](std::size_t i) { return static_cast<std::uint32_t>(static_cast<unsigned char>(s[i])); };
    std::uint32_t lead = byte(0);
    std::size_t length = lead < 0x80 ? 1 : lead < 0xC2 ? 0 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : lead < 0xF5 ? 4 : 0;
    std::uint32_t cp = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
    if (length > s.size()) length = 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) {
            length = 0;
            break;
        }
        cp = (cp << 6) | (byte(i) & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not characters.
    if ((length == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
        (length == 4 && (cp < 0x10000 || cp > 0x10FFFF)))
        length = 0;
    if (length == 0) {
        s.remove_prefix(1);
        return 0x80000000u | lead;
    }
    s.remove_prefix(length);
    return cp;
}

// The simple upper-to-lower fold for the scripts game file names actually use; it does
// not depend on the process locale, so the same name resolves the same way everywhere.
std::uint32_t FoldCase(std::uint32_t c) {
    if (c >= 'A' && c <= 'Z') return c + 0x20;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;          // Latin-1
    if (c >= 0xFF21 && c <= 0xFF3A) return c + 0x20;                   // full-width Latin
    if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return c + 0x20;       // Greek
    if (c >= 0x410 && c <= 0x42F) return c + 0x20;                     // Cyrillic
    if (c >= 0x400 && c <= 0x40F) return c + 0x50;                     // Cyrillic Ѐ-Џ
    return c;
}

// The entry of `directory` equal to `name` ignoring case, first in directory order;
// `found` is left alone when there is none.
bool FindIgnoringCase(const std::string& directory, const std::string& name, std::string& found) {
    DIR* dir = opendir(directory.c_str());
    if (!dir) return false;
    bool matched = false;
    while (const dirent* entry = readdir(dir)) {
        std::string_view candidate = entry->d_name;
        if (candidate == "." || candidate == "..") continue;
        if (SameNameIgnoringCase(candidate, name)) {
            found = candidate;
            matched = true;
            break;
        }
    }
    closedir(dir);
    return matched;
}

}  // namespace

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
    while (!a.empty() && !b.empty())
        if (FoldCase(NextCodePoint(a)) != FoldCase(NextCodePoint(b))) return false;
    return a.empty() && b.empty();
}

std::string Resolve(std::string_view windowsName) {
    std::string path = text::Cp932ToUtf8(windowsName);
    for (char& c : path)
        if (c == '\\') c = '/';
    if (path.empty() || Exists(path)) return path;

    std::vector<std::string> components;
    for (std::size_t start = 0; start <= path.size();) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        if (end > start) components.push_back(path.substr(start, end - start));
        start = end + 1;
    }

    const bool absolute = path.front() == '/';
    // `walked` is what we hand to the file system; `result` is what the caller gets back,
    // in the same relative or absolute form the script used.
    std::string walked = absolute ? "" : ".";
    std::string result = absolute ? "/" : "";
    bool matching = true;
    for (const std::string& component : components) {
        std::string name = component;
        if (matching && component != "." && component != ".." && !Exists(walked + "/" + component)) {
            matching = FindIgnoringCase(walked.empty() ? "/" : walked, component, name);
        }
        walked += "/" + name;
        if (!result.empty() && result.back() != '/') result += '/';
        result += name;
    }
    if (path.back() == '/' && result.back() != '/') result += '/';
    return result;
}

}  // namespace platform::path
