#include "platform/text/CodePage.h"

namespace platform {

namespace {

// Code points of the bytes 80h to 9Fh; the unassigned ones keep their own value.
constexpr char32_t kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

} // namespace

char32_t CodePointOf(unsigned char byte) {
    if (byte >= 0x80 && byte < 0xA0)
        return kHigh[byte - 0x80];
    return byte;
}

std::optional<unsigned char> ByteOf(char32_t codePoint) {
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF))
        return static_cast<unsigned char>(codePoint);
    for (unsigned i = 0; i < 32; ++i)
        if (kHigh[i] == codePoint)
            return static_cast<unsigned char>(0x80 + i);
    return std::nullopt;
}

std::string ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (char c : bytes)
        AppendUtf8(out, CodePointOf(static_cast<unsigned char>(c)));
    return out;
}

namespace {

// Decodes UTF-8 into byte text. Without a replacement the first character that cannot be held
// (or invalid UTF-8) gives nothing; with one, it stands in for each.
std::optional<std::string> Decode(std::string_view utf8, std::optional<char> replacement) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        auto lead = static_cast<unsigned char>(utf8[i]);
        char32_t cp = 0;
        std::size_t extra = 0;
        bool valid = true;
        if (lead < 0x80) {
            cp = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            cp = lead & 0x1F;
            extra = 1;
        } else if ((lead & 0xF0) == 0xE0) {
            cp = lead & 0x0F;
            extra = 2;
        } else if ((lead & 0xF8) == 0xF0) {
            cp = lead & 0x07;
            extra = 3;
        } else {
            valid = false;
        }
        if (valid && i + extra >= utf8.size())
            valid = false;
        for (std::size_t k = 1; valid && k <= extra; ++k) {
            auto b = static_cast<unsigned char>(utf8[i + k]);
            if ((b & 0xC0) != 0x80)
                valid = false;
            cp = (cp << 6) | (b & 0x3F);
        }
        std::optional<unsigned char> byte = valid ? ByteOf(cp) : std::nullopt;
        if (!byte && !replacement)
            return std::nullopt;
        out += byte ? static_cast<char>(*byte) : *replacement;
        i += valid ? extra + 1 : 1;
    }
    return out;
}

} // namespace

std::optional<std::string> FromUtf8(std::string_view utf8) {
    return Decode(utf8, std::nullopt);
}

std::string FromUtf8Replacing(std::string_view utf8, char replacement) {
    return *Decode(utf8, replacement);
}

} // namespace platform
