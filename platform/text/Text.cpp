#include "platform/text/Text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>

namespace platform {

std::string Cut(std::string_view value, std::size_t width) {
    return std::string(value.substr(0, width));
}

std::string Fixed(std::string_view value, std::size_t width) {
    std::string out = Cut(value, width);
    out.resize(width, ' ');
    return out;
}

std::string_view ClipView(std::string_view value) {
    std::size_t end = value.find_last_not_of(' ');
    return end == std::string_view::npos ? std::string_view() : value.substr(0, end + 1);
}

std::string Clip(std::string_view value) {
    return std::string(ClipView(value));
}

std::string TrimLeft(std::string_view value) {
    std::size_t start = value.find_first_not_of(' ');
    return start == std::string_view::npos ? std::string() : std::string(value.substr(start));
}

std::string Trim(std::string_view value) {
    return Clip(TrimLeft(value));
}

std::string LeftJustify(std::string_view value) {
    std::string out = TrimLeft(value);
    out.resize(value.size(), ' ');
    return out;
}

char UpperChar(char c) {
    auto u = static_cast<unsigned char>(c);
    if (u >= 'a' && u <= 'z')
        return static_cast<char>(u - 32);
    if (u >= 0xE0 && u <= 0xFE && u != 0xF7)
        return static_cast<char>(u - 32);
    switch (u) {
    case 0x9A:
        return static_cast<char>(0x8A); // s caron
    case 0x9C:
        return static_cast<char>(0x8C); // oe
    case 0x9E:
        return static_cast<char>(0x8E); // z caron
    case 0xFF:
        return static_cast<char>(0x9F); // y diaeresis
    default:
        return c;
    }
}

char LowerChar(char c) {
    auto u = static_cast<unsigned char>(c);
    if (u >= 'A' && u <= 'Z')
        return static_cast<char>(u + 32);
    if (u >= 0xC0 && u <= 0xDE && u != 0xD7)
        return static_cast<char>(u + 32);
    switch (u) {
    case 0x8A:
        return static_cast<char>(0x9A);
    case 0x8C:
        return static_cast<char>(0x9C);
    case 0x8E:
        return static_cast<char>(0x9E);
    case 0x9F:
        return static_cast<char>(0xFF);
    default:
        return c;
    }
}

std::string Upper(std::string_view value) {
    std::string out(value);
    for (char& c : out)
        c = UpperChar(c);
    return out;
}

std::string Lower(std::string_view value) {
    std::string out(value);
    for (char& c : out)
        c = LowerChar(c);
    return out;
}

namespace {

std::string_view TrimView(std::string_view value) {
    value = ClipView(value);
    std::size_t start = value.find_first_not_of(' ');
    return start == std::string_view::npos ? std::string_view() : value.substr(start);
}

} // namespace

int Compare(std::string_view a, std::string_view b) {
    // The shorter text is padded with blanks, so a byte below the blank sorts before its end.
    const std::size_t n = std::max(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        auto ca = static_cast<unsigned char>(i < a.size() ? a[i] : ' ');
        auto cb = static_cast<unsigned char>(i < b.size() ? b[i] : ' ');
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    return 0;
}

bool Equal(std::string_view a, std::string_view b) {
    return ClipView(a) == ClipView(b);
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    a = ClipView(a);
    b = ClipView(b);
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (UpperChar(a[i]) != UpperChar(b[i]))
            return false;
    return true;
}

bool IsNumeric(std::string_view value) {
    std::string_view t = TrimView(value);
    std::size_t i = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-'))
        ++i;
    bool digit = false;
    bool point = false;
    for (; i < t.size(); ++i) {
        if (t[i] >= '0' && t[i] <= '9') {
            digit = true;
        } else if (t[i] == '.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    return digit;
}

double ToNumber(std::string_view value) {
    if (!IsNumeric(value))
        return 0.0;
    std::string_view t = TrimView(value);
    bool negative = false;
    if (t.front() == '+' || t.front() == '-') {
        negative = t.front() == '-';
        t.remove_prefix(1);
    }
    double result = 0.0;
    auto [ptr, ec] = std::from_chars(t.data(), t.data() + t.size(), result);
    if (ec != std::errc() || ptr != t.data() + t.size())
        return 0.0;
    return negative ? -result : result;
}

std::int32_t ToLong(std::string_view value) {
    double d = std::trunc(ToNumber(value));
    if (!std::isfinite(d) || std::fabs(d) >= 9.2e18)
        return 0;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::int64_t>(d)));
}

std::uint8_t ToByte(std::int64_t value) {
    return static_cast<std::uint8_t>(static_cast<std::uint64_t>(value) & 0xFFu);
}

std::int16_t ToShort(std::int64_t value) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(static_cast<std::uint64_t>(value)));
}

std::uint8_t ToByte(std::string_view value) {
    return ToByte(ToLong(value));
}

std::int16_t ToShort(std::string_view value) {
    return ToShort(ToLong(value));
}

std::string DecimalText(std::int64_t value) {
    return std::to_string(value);
}

TextChange ChangeBetween(std::string_view before, std::string_view after) {
    TextChange change;
    while (change.start < after.size() && change.start < before.size() &&
           after[change.start] == before[change.start])
        ++change.start;
    const std::size_t most = std::min(after.size(), before.size()) - change.start;
    while (change.end < most &&
           after[after.size() - 1 - change.end] == before[before.size() - 1 - change.end])
        ++change.end;
    return change;
}

std::size_t FindNoCase(std::string_view text, std::string_view what, std::size_t from) {
    if (what.empty())
        return from <= text.size() ? from : std::string_view::npos;
    if (what.size() > text.size())
        return std::string_view::npos;
    // A first character that no other character matches ignoring case (a digit, a sign, a
    // control character) is looked for at memory speed, and only its places are compared.
    static const std::array<bool, 256> caseless = [] {
        std::array<int, 256> sharing{};
        for (int c = 0; c < 256; ++c)
            ++sharing[static_cast<unsigned char>(UpperChar(static_cast<char>(c)))];
        std::array<bool, 256> alone{};
        for (int c = 0; c < 256; ++c)
            alone[static_cast<std::size_t>(c)] =
                sharing[static_cast<unsigned char>(UpperChar(static_cast<char>(c)))] == 1;
        return alone;
    }();
    const char first = what.front();
    if (caseless[static_cast<unsigned char>(first)]) {
        const std::size_t last = text.size() - what.size(); // the last place it can start
        for (std::size_t i = from; i <= last;) {
            const void* at = std::memchr(text.data() + i, first, last - i + 1);
            if (!at)
                break;
            i = static_cast<std::size_t>(static_cast<const char*>(at) - text.data());
            std::size_t k = 1;
            while (k < what.size() && UpperChar(text[i + k]) == UpperChar(what[k]))
                ++k;
            if (k == what.size())
                return i;
            ++i;
        }
        return std::string_view::npos;
    }
    for (std::size_t i = from; i + what.size() <= text.size(); ++i) {
        std::size_t k = 0;
        while (k < what.size() && UpperChar(text[i + k]) == UpperChar(what[k]))
            ++k;
        if (k == what.size())
            return i;
    }
    return std::string_view::npos;
}

} // namespace platform
