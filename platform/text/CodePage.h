// Windows-1252, the 8-bit code page of the project's files and of the screen. The programs hold
// their texts as these bytes; conversion to and from Unicode happens only at the Qt boundary.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// The Unicode code point of one byte. Every byte has one (the five unassigned bytes map to the
// C1 control of the same value), so any byte string converts and converts back unchanged.
char32_t CodePointOf(unsigned char byte);

// The byte that holds a code point, or nothing when the code page cannot hold it.
std::optional<unsigned char> ByteOf(char32_t codePoint);

inline bool CanHold(char32_t codePoint) {
    return ByteOf(codePoint).has_value();
}

// Byte text to UTF-8.
std::string ToUtf8(std::string_view bytes);

// UTF-8 to byte text, or nothing when some character cannot be held (or the UTF-8 is invalid).
std::optional<std::string> FromUtf8(std::string_view utf8);

// UTF-8 to byte text for showing: each character that cannot be held (and each byte of invalid
// UTF-8) becomes `replacement`.
std::string FromUtf8Replacing(std::string_view utf8, char replacement);

} // namespace platform
