// The layer table file: one layer a line, "(" and four quoted values (key name, layer name,
// colour, line type), ")", ";" and the description. The reader needs only the punctuation; the
// writer puts every value in its fixed column.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace layers {

// Field widths of a row, as the layer list holds them (fixed texts padded with blanks).
inline constexpr std::size_t kKeyNameWidth = 20;
inline constexpr std::size_t kLayerNameWidth = 255;
inline constexpr std::size_t kColorWidth = 20;
inline constexpr std::size_t kLineTypeWidth = 20;
inline constexpr std::size_t kDescriptionWidth = 100;
// The record of the file as it is read.
inline constexpr std::size_t kLayerRecordSize = 2048;

struct LayerRow {
    std::string KEYNAME = std::string(kKeyNameWidth, ' ');
    std::string LAYERNAME = std::string(kLayerNameWidth, ' ');
    std::string COLOR = std::string(kColorWidth, ' ');
    std::string LINETYPE = std::string(kLineTypeWidth, ' ');
    std::string DESCRIPTION = std::string(kDescriptionWidth, ' ');
    bool operator==(const LayerRow&) const = default;
};

// The choices of the colour and line-type editors, each a fixed text of 20 characters.
using ChoiceList = std::vector<std::string>;

// Parses one line of the file (not blank) into a row. A colour or line type that the row uses
// and that no choice equals is appended to its choice list. Every row it gives is one that
// FormatLayerLine writes so that it parses back the same.
LayerRow ParseLayerLine(std::string_view line, ChoiceList& colors, ChoiceList& lineTypes);

// The line the writer puts in the file for a row, without its line end and trailing blanks.
std::string FormatLayerLine(const LayerRow& row);

} // namespace layers
