// The string rules every program of the project shares: fixed-width fields, blank-padded
// comparison, the number conversions of the old runtime and upper case in the 8-bit code page.
// All texts are byte strings in Windows-1252 (see CodePage.h for the Unicode boundary).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// A value put into a field of `width` characters: longer values are cut without a message.
std::string Cut(std::string_view value, std::size_t width);

// A fixed text of exactly `width` characters: cut, or padded with blanks.
std::string Fixed(std::string_view value, std::size_t width);

// The text without its trailing blanks.
std::string Clip(std::string_view value);
// The same, as a view into the text.
std::string_view ClipView(std::string_view value);

// The text without its leading blanks.
std::string TrimLeft(std::string_view value);

// The text without blanks at either end.
std::string Trim(std::string_view value);

// Leading blanks moved to the end: the length stays, the text starts at its first non-blank.
std::string LeftJustify(std::string_view value);

// Upper and lower case in Windows-1252 (accented letters included).
char UpperChar(char c);
char LowerChar(char c);
std::string Upper(std::string_view value);
std::string Lower(std::string_view value);

// Comparison of two texts as blank-padded fields: trailing blanks never count.
bool Equal(std::string_view a, std::string_view b);
int Compare(std::string_view a, std::string_view b);
// The same, ignoring case.
bool EqualNoCase(std::string_view a, std::string_view b);

// Whether the text, blanks at either end ignored, is a number: an optional sign, digits with at
// most one decimal point, at least one digit. The empty text is no number.
bool IsNumeric(std::string_view value);

// The value of a text read as a number; text that is no number reads as 0.
double ToNumber(std::string_view value);
// The same, truncated towards zero to a whole number (a LONG keeps the low 32 bits).
std::int32_t ToLong(std::string_view value);

// Narrowing as the old fields did it: a BYTE keeps the low 8 bits, a 16-bit number wraps
// (70000 becomes 4464).
std::uint8_t ToByte(std::int64_t value);
std::int16_t ToShort(std::int64_t value);
std::uint8_t ToByte(std::string_view value);
std::int16_t ToShort(std::string_view value);

// A whole number as decimal text, without blanks ("-12").
std::string DecimalText(std::int64_t value);

// Where an edit changed a text: `after` is `before` with what lies between their common start
// and their common end replaced. The common start is taken first, then the common end of what
// remains, so the two never overlap.
struct TextChange {
    std::size_t start = 0; // characters both begin with
    std::size_t end = 0;   // characters both end with, after those
};
TextChange ChangeBetween(std::string_view before, std::string_view after);

// Finds `what` in `text` at or after `from` (0-based), ignoring case; npos when absent.
std::size_t FindNoCase(std::string_view text, std::string_view what, std::size_t from = 0);

} // namespace platform
