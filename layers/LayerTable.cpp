#include "layers/LayerTable.h"

#include "platform/text/Text.h"

#include <algorithm>

namespace layers {

using platform::Clip;
using platform::Equal;
using platform::Fixed;

namespace {

void AddChoice(ChoiceList& choices, const std::string& value) {
    if (Clip(value).empty())
        return;
    for (const std::string& c : choices)
        if (c == value)
            return;
    choices.push_back(value);
}

// A quoted value in its column: padded to the column's width, or, when it is longer than the
// column, written whole so that it reads back the same (the reader does not need the columns).
void PutColumn(std::string& line, const std::string& quoted, std::size_t width) {
    line += quoted;
    if (quoted.size() < width)
        line.append(width - quoted.size(), ' ');
}

} // namespace

LayerRow ParseLayerLine(std::string_view text, ChoiceList& colors, ChoiceList& lineTypes) {
    LayerRow row;
    std::string line = Clip(text);
    std::size_t open = 0, quote = 0, closed = 0; // positions from 1; 0 none
    int fields = 0;
    for (std::size_t i = 1; i <= line.size(); ++i) {
        char c = line[i - 1];
        if (c == '(') {
            if (open == 0)
                open = i;
        } else if (c == ')') {
            if (open != 0) {
                open = 0;
                closed = i;
            }
        } else if (c == '"') {
            if (open == 0)
                continue;
            if (quote == 0) {
                quote = i;
                continue;
            }
            ++fields;
            // Each value keeps what its field holds: a layer name up to 255 characters. A value
            // ends at a ")", as the parentheses do: when a later "(" reopens them, the text
            // between is no part of it. The format has no way to write a ")" inside a value, so
            // every row read is one that a save writes back as the same row.
            std::string value = line.substr(quote, i - quote - 1);
            value.resize(std::min(value.size(), value.find(')')));
            switch (fields) {
            case 1:
                row.KEYNAME = Fixed(value, kKeyNameWidth);
                break;
            case 2:
                row.LAYERNAME = Fixed(value, kLayerNameWidth);
                break;
            case 3:
                row.COLOR = Fixed(value, kColorWidth);
                AddChoice(colors, row.COLOR);
                break;
            case 4:
                row.LINETYPE = Fixed(value, kLineTypeWidth);
                AddChoice(lineTypes, row.LINETYPE);
                break;
            default:
                break;
            }
            quote = 0;
        } else if (c == ';') {
            if (closed != 0) {
                row.DESCRIPTION = Fixed(line.substr(i), kDescriptionWidth);
                break;
            }
        }
    }
    return row;
}

std::string FormatLayerLine(const LayerRow& row) {
    std::string line = "(";
    PutColumn(line, '"' + Clip(row.KEYNAME) + '"', kKeyNameWidth);
    PutColumn(line, '"' + Clip(row.LAYERNAME) + '"', kLayerNameWidth);
    PutColumn(line, '"' + Clip(row.COLOR) + '"', kColorWidth);
    PutColumn(line, '"' + Clip(row.LINETYPE) + "\")", kLineTypeWidth);
    line += ';';
    line += Clip(row.DESCRIPTION);
    return line;
}

} // namespace layers
