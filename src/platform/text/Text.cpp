// CP932 <-> UTF-8 through glibc iconv, used wherever engine text meets the outside world.
// Bad input never fails a conversion: it is replaced so the rest of the text survives.
#include "platform/text/Text.h"

#include <iconv.h>

#include <cerrno>
#include <cstddef>
#include <stdexcept>

namespace platform::text {
namespace {

// One descriptor per direction and thread: opening one costs far more than a short
// conversion, and iconv_t keeps shift state that must not be shared between threads.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
        if (cd_ == reinterpret_cast<iconv_t>(-1))
            throw std::runtime_error(std::string("iconv_open failed: ") + from + " -> " + to);
    }
    ~Converter() { iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts `in`, calling onBad(out, rest) when iconv stops at input it cannot handle;
    // onBad appends a replacement and returns how many input bytes to skip (at least 1).
    template <typename OnBad>
    std::string Run(std::string_view in, OnBad onBad) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // reset any leftover state
        std::string out;
        char buffer[1024];
        std::size_t pos = 0;
        while (pos < in.size()) {
            char* src = const_cast<char*>(in.data() + pos);
            std::size_t srcLeft = in.size() - pos;
            char* dst = buffer;
            std::size_t dstLeft = sizeof buffer;
            std::size_t rc = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
            int error = errno;
            out.append(buffer, dst - buffer);
            pos = in.size() - srcLeft;
            if (rc != static_cast<std::size_t>(-1) || error == E2BIG) continue;
            pos += onBad(out, in.substr(pos));  // EILSEQ or EINVAL (truncated at the end)
        }
        char* dst = buffer;
        std::size_t dstLeft = sizeof buffer;
        iconv(cd_, nullptr, nullptr, &dst, &dstLeft);
        out.append(buffer, dst - buffer);
        return out;
    }

private:
    iconv_t cd_;
};

// Length of the well-formed UTF-8 sequence starting `s`, or 0 when it is malformed
// (overlong forms, surrogates and values past U+10FFFF included).
std::size_t Utf8Length(std::string_view s) {
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    unsigned char lead = byte(0);
    std::size_t length;
    unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (s.size() < length || byte(1) < low || byte(1) > high) return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
    return length;
}

}  // namespace

std::string Cp932ToUtf8(std::string_view cp932) {
    thread_local Converter converter("UTF-8", "CP932");
    return converter.Run(cp932, [](std::string& out, std::string_view) {
        out += "\xEF\xBF\xBD";  // U+FFFD for the offending byte only, so the next one is read
        return std::size_t{1};
    });
}

std::string Utf8ToCp932(std::string_view utf8) {
    thread_local Converter converter("CP932", "UTF-8");
    return converter.Run(utf8, [](std::string& out, std::string_view rest) {
        out += '?';
        // A whole character CP932 lacks is one '?'; a malformed byte is one '?' each.
        std::size_t length = Utf8Length(rest);
        return length ? length : std::size_t{1};
    });
}

bool LooksLikeUtf8(std::string_view bytes) {
    bool multiByte = false;
    std::size_t i = 0;
    while (i < bytes.size()) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        // Lead byte: the sequence length and the range its first trail byte may take,
        // which rules out overlong forms, surrogates and code points past U+10FFFF.
        std::size_t length = 0;
        unsigned char low = 0x80, high = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) {
            length = 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
            if (c == 0xE0) low = 0xA0;
            if (c == 0xED) high = 0x9F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            if (c == 0xF0) low = 0x90;
            if (c == 0xF4) high = 0x8F;
        } else {
            return false;
        }
        if (i + length > bytes.size()) return false;
        for (std::size_t k = 1; k < length; ++k) {
            const unsigned char t = static_cast<unsigned char>(bytes[i + k]);
            const unsigned char lo = k == 1 ? low : 0x80;
            const unsigned char hi = k == 1 ? high : 0xBF;
            if (t < lo || t > hi) return false;
        }
        multiByte = true;
        i += length;
    }
    return multiByte;
}

}  // namespace platform::text
