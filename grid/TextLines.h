// The text functions of the keynote grid: cutting a text into lines for drawing and printing,
// and rewrapping a description as it is typed so that no line is longer than the wrap width.
// Plain functions of text: no grid state, no window.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace grid {

// A list of text lines; a line stored in it keeps at most 1000 characters.
using TextLineQueue = std::vector<std::string>;
inline constexpr std::size_t kTextLineWidth = 1000;

// Cuts a text into lines at every CR LF and, when the text is longer than `width`, every
// `width` characters of a line. The result always has at least one line.
void SplitLines(std::string_view text, std::int32_t width, TextLineQueue& lines);

// The number of lines SplitLines cuts a text into, without cutting it.
std::size_t CountLines(std::string_view text, std::int32_t width);

// The position (from 1) of the last blank at or before `limit`, or `fallback` when there is
// none.
std::int32_t FindBreakBlank(std::string_view line, std::int32_t fallback, std::int32_t limit);

// Splits a line longer than `width` at its last blank within the width (or after `width`
// characters): `first` without trailing blanks, `rest` as it stands; a caret (relative to the
// line's start) behind the break moves into the rest's line.
void BreakAtBlank(std::string_view line, std::int32_t width, std::string& first, std::string& rest,
                  std::int32_t& caret);

// Rewraps a description to lines of at most `width` characters, carrying what overflows into the
// next line, and keeps the caret (the number of characters before it) with the text. Returns 1
// and writes text and caret back when a line was longer than the width, else 0. The result is
// cut to `capacity` - 1 characters. A width below 1 changes nothing.
std::int16_t WrapDescription(std::string& text, std::int32_t capacity, std::int32_t width,
                             std::int32_t& caret);

} // namespace grid
