// Rows of the layer table as the tests write them: a row from its five values, blanks, and the
// line end of the file.
#pragma once

#include "layers/LayerTable.h"
#include "platform/text/Text.h"

#include <ostream>
#include <string>

namespace layers {

// How a failed expectation shows a row.
inline void PrintTo(const LayerRow& row, std::ostream* out) {
    using platform::Clip;
    *out << "[" << Clip(row.KEYNAME) << "|" << Clip(row.LAYERNAME) << "|" << Clip(row.COLOR) << "|"
         << Clip(row.LINETYPE) << "|" << Clip(row.DESCRIPTION) << "]";
}

namespace testing {

inline const std::string kCrLf = "\r\n";

inline std::string Blanks(std::size_t n) {
    return std::string(n, ' ');
}

inline LayerRow Row(const std::string& key, const std::string& layer, const std::string& color,
                    const std::string& lineType, const std::string& description) {
    using platform::Fixed;
    LayerRow row;
    row.KEYNAME = Fixed(key, kKeyNameWidth);
    row.LAYERNAME = Fixed(layer, kLayerNameWidth);
    row.COLOR = Fixed(color, kColorWidth);
    row.LINETYPE = Fixed(lineType, kLineTypeWidth);
    row.DESCRIPTION = Fixed(description, kDescriptionWidth);
    return row;
}

} // namespace testing

} // namespace layers
