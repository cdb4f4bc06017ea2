#include "grid/TextLines.h"

namespace grid {

namespace {

bool CrLfAt(std::string_view text, std::size_t i) {
    return i + 1 < text.size() && text[i] == '\r' && text[i + 1] == '\n';
}

// The lines of a text as SplitLines cuts them, each kept whole.
std::vector<std::string> Pieces(std::string_view text, std::int32_t width) {
    std::vector<std::string> pieces;
    const std::size_t n = text.size();
    const bool cutByWidth = width > 0 && n > static_cast<std::size_t>(width);
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < n) {
        if (CrLfAt(text, i)) {
            pieces.emplace_back(text.substr(start, i - start));
            start = i + 2;
            i += 2;
            continue;
        }
        if (cutByWidth && i - start + 1 == static_cast<std::size_t>(width)) {
            pieces.emplace_back(text.substr(start, i - start + 1));
            if (CrLfAt(text, i + 1)) {
                start = i + 3;
                i += 3;
            } else {
                start = i + 1;
                i += 1;
            }
            continue;
        }
        ++i;
    }
    pieces.emplace_back(text.substr(std::min(start, n)));
    return pieces;
}

std::string WithoutTrailingBlanks(std::string_view s) {
    std::size_t end = s.find_last_not_of(' ');
    return end == std::string_view::npos ? std::string() : std::string(s.substr(0, end + 1));
}

} // namespace

void SplitLines(std::string_view text, std::int32_t width, TextLineQueue& lines) {
    lines.clear();
    for (std::string& piece : Pieces(text, width)) {
        if (piece.size() > kTextLineWidth)
            piece.resize(kTextLineWidth);
        lines.push_back(std::move(piece));
    }
}

std::int32_t FindBreakBlank(std::string_view line, std::int32_t fallback, std::int32_t limit) {
    for (std::size_t i = line.size(); i > 0; --i)
        if (line[i - 1] == ' ' && static_cast<std::int32_t>(i) <= limit)
            return static_cast<std::int32_t>(i);
    return fallback;
}

void BreakAtBlank(std::string_view line, std::int32_t width, std::string& first, std::string& rest,
                  std::int32_t& caret) {
    std::int32_t p = FindBreakBlank(line, width, width);
    std::size_t cut = std::min(static_cast<std::size_t>(p), line.size());
    first = WithoutTrailingBlanks(line.substr(0, cut));
    rest = std::string(line.substr(cut));
    if (caret >= p)
        caret = caret - p + 2 + static_cast<std::int32_t>(first.size());
}

std::int16_t WrapDescription(std::string& text, std::int32_t capacity, std::int32_t width,
                             std::int32_t& caret) {
    if (width < 1)
        return 0;
    // The working lines are held whole: carried text may make one far longer than a line of
    // the text-line list, and nothing may be lost.
    std::vector<std::string> lines = Pieces(text, 255);
    std::string result;
    bool changed = false;
    std::int32_t newCaret = caret;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].size() > static_cast<std::size_t>(width)) {
            changed = true;
            std::int32_t rel = newCaret - static_cast<std::int32_t>(result.size());
            std::int32_t before = rel;
            std::string first, rest;
            BreakAtBlank(lines[i], width, first, rest, rel);
            newCaret += rel - before;
            lines[i] = std::move(first);
            if (i + 1 < lines.size())
                lines[i + 1] = rest + " " + lines[i + 1];
            else
                lines.push_back(std::move(rest));
        }
        result += lines[i];
        if (i + 1 < lines.size())
            result += "\r\n";
    }
    if (!changed)
        return 0;
    if (capacity > 0 && result.size() > static_cast<std::size_t>(capacity - 1))
        result.resize(static_cast<std::size_t>(capacity - 1));
    if (newCaret > 0 && static_cast<std::size_t>(newCaret) <= result.size()) {
        char before = result[static_cast<std::size_t>(newCaret) - 1];
        if (before == '\r')
            newCaret -= 1;
        else if (before == '\n')
            newCaret -= 2;
    }
    text = std::move(result);
    caret = newCaret;
    return 1;
}

} // namespace grid
