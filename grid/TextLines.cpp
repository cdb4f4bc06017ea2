#include "grid/TextLines.h"

namespace grid {

namespace {

bool CrLfAt(std::string_view text, std::size_t i) {
    return i + 1 < text.size() && text[i] == '\r' && text[i + 1] == '\n';
}

// A line of a text as SplitLines cuts it, kept whole (a view into the text), with the number of
// characters of the text that separated it from the next line: 2 for a CR LF, 0 where a width cut
// fell between two characters (and for the last line).
struct Piece {
    std::string_view text;
    std::int32_t separator = 0;
};

std::vector<Piece> Pieces(std::string_view text, std::int32_t width) {
    std::vector<Piece> pieces;
    const std::size_t n = text.size();
    const bool cutByWidth = width > 0 && n > static_cast<std::size_t>(width);
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < n) {
        if (CrLfAt(text, i)) {
            pieces.push_back({text.substr(start, i - start), 2});
            start = i + 2;
            i += 2;
            continue;
        }
        if (cutByWidth && i - start + 1 == static_cast<std::size_t>(width)) {
            Piece piece{text.substr(start, i - start + 1), 0};
            if (CrLfAt(text, i + 1)) {
                piece.separator = 2;
                start = i + 3;
                i += 3;
            } else {
                start = i + 1;
                i += 1;
            }
            pieces.push_back(piece);
            continue;
        }
        ++i;
    }
    pieces.push_back({text.substr(std::min(start, n)), 0});
    return pieces;
}

std::string WithoutTrailingBlanks(std::string_view s) {
    std::size_t end = s.find_last_not_of(' ');
    return end == std::string_view::npos ? std::string() : std::string(s.substr(0, end + 1));
}

} // namespace

void SplitLines(std::string_view text, std::int32_t width, TextLineQueue& lines) {
    lines.clear();
    for (const Piece& piece : Pieces(text, width))
        lines.emplace_back(piece.text.substr(0, kTextLineWidth));
}

std::size_t CountLines(std::string_view text, std::int32_t width) {
    const std::size_t n = text.size();
    const bool cutByWidth = width > 0 && n > static_cast<std::size_t>(width);
    // From line end to line end, not character by character: the next CR LF, or the width's
    // last character, whichever comes first.
    auto nextCrLf = [&text, n](std::size_t from) {
        for (std::size_t at = text.find('\r', from); at != std::string_view::npos;
             at = text.find('\r', at + 1))
            if (CrLfAt(text, at))
                return at;
        return n;
    };
    std::size_t count = 1;
    std::size_t start = 0;
    std::size_t crlf = nextCrLf(0);
    while (start < n) {
        const std::size_t last = cutByWidth ? start + static_cast<std::size_t>(width) - 1 : n;
        if (crlf < n && crlf <= last) {
            ++count;
            start = crlf + 2;
            crlf = nextCrLf(start);
        } else if (last < n) {
            ++count;
            start = last + (CrLfAt(text, last + 1) ? 3 : 1);
            if (crlf < start)
                crlf = nextCrLf(start);
        } else {
            break;
        }
    }
    return count;
}

std::int32_t FindBreakBlank(std::string_view line, std::int32_t fallback, std::int32_t limit) {
    if (limit < 1)
        return fallback;
    for (std::size_t i = std::min(line.size(), static_cast<std::size_t>(limit)); i > 0; --i)
        if (line[i - 1] == ' ')
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
    // The text's lines are taken in turn; what overflows one is carried, with a joining blank,
    // to the front of the next (or becomes a line of its own after the last). The line being
    // worked on is the end of `working`, from `from`: carrying appends the next line there and
    // moves `from` past what was taken, so no text is copied twice however far it is carried.
    // The caret counts characters of the working text: the result so far, then the lines still
    // to come with what separates them.
    const std::vector<Piece> pieces = Pieces(text, 255);
    std::string result;
    result.reserve(text.size() + text.size() / static_cast<std::size_t>(width) * 2 + 2);
    std::string working(pieces[0].text);
    std::size_t from = 0;
    std::size_t lines = pieces.size();
    bool changed = false;
    std::int32_t newCaret = caret;
    for (std::size_t i = 0; i < lines; ++i) {
        const std::string_view line = std::string_view(working).substr(from);
        const std::int32_t separator = i < pieces.size() ? pieces[i].separator : 0;
        const std::int32_t length = static_cast<std::int32_t>(line.size());
        std::int32_t rel = newCaret - static_cast<std::int32_t>(result.size());
        const bool last = i + 1 == lines;
        if (line.size() > static_cast<std::size_t>(width)) {
            changed = true;
            const std::int32_t before = rel;
            // The break: after the last blank within the width, else after the width; the
            // first part without its trailing blanks. A caret behind the break moves into the
            // rest's line.
            const std::int32_t p = FindBreakBlank(line, width, width);
            const std::size_t cut = static_cast<std::size_t>(p);
            std::string_view first = line.substr(0, cut);
            const std::size_t kept = first.find_last_not_of(' ');
            first = kept == std::string_view::npos ? std::string_view() : first.substr(0, kept + 1);
            if (rel >= p)
                rel = rel - p + 2 + static_cast<std::int32_t>(first.size());
            // A caret in a later line also moves by what the join does to the separator: the
            // blank that joins the rest to the next line stands where a CR LF (or nothing, at a
            // width cut) stood. A caret between the CR and the LF goes behind the rest.
            if (before > length && !last) {
                const std::int32_t into = before - length;
                rel += into > separator ? 1 - separator : -into;
            }
            newCaret += rel - before;
            result += first;
            result += "\r\n";
            from += cut;
            if (last)
                ++lines; // the rest becomes a line of its own
            else {
                working += ' ';
                working += pieces[i + 1].text;
            }
            continue;
        }
        if (!last && rel > length) {
            // The result separates every line by CR LF, also where a width cut stood.
            newCaret += 2 - separator;
        }
        result += line;
        if (!last) {
            result += "\r\n";
            working.assign(pieces[i + 1].text);
            from = 0;
        }
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
