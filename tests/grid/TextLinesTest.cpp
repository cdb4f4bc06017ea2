#include "grid/TextLines.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using namespace grid;

namespace {

std::vector<std::size_t> Lengths(const std::string& text) {
    std::vector<std::size_t> out;
    std::size_t start = 0;
    for (;;) {
        std::size_t crlf = text.find("\r\n", start);
        out.push_back((crlf == std::string::npos ? text.size() : crlf) - start);
        if (crlf == std::string::npos)
            return out;
        start = crlf + 2;
    }
}

// The rewrap as it was first written, kept as the reference the faster one must match: the
// working lines are held as strings, and what overflows one is copied onto the front of the next.
namespace reference {

struct Piece {
    std::string text;
    std::int32_t separator = 0;
};

bool CrLfAt(std::string_view text, std::size_t i) {
    return i + 1 < text.size() && text[i] == '\r' && text[i + 1] == '\n';
}

std::vector<Piece> Pieces(std::string_view text, std::int32_t width) {
    std::vector<Piece> pieces;
    const std::size_t n = text.size();
    const bool cutByWidth = width > 0 && n > static_cast<std::size_t>(width);
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < n) {
        if (CrLfAt(text, i)) {
            pieces.push_back({std::string(text.substr(start, i - start)), 2});
            start = i + 2;
            i += 2;
            continue;
        }
        if (cutByWidth && i - start + 1 == static_cast<std::size_t>(width)) {
            Piece piece{std::string(text.substr(start, i - start + 1)), 0};
            if (CrLfAt(text, i + 1)) {
                piece.separator = 2;
                start = i + 3;
                i += 3;
            } else {
                start = i + 1;
                i += 1;
            }
            pieces.push_back(std::move(piece));
            continue;
        }
        ++i;
    }
    pieces.push_back({std::string(text.substr(std::min(start, n))), 0});
    return pieces;
}

void BreakAtBlank(std::string_view line, std::int32_t width, std::string& first, std::string& rest,
                  std::int32_t& caret) {
    std::int32_t p = width;
    for (std::size_t i = line.size(); i > 0; --i)
        if (line[i - 1] == ' ' && static_cast<std::int32_t>(i) <= width) {
            p = static_cast<std::int32_t>(i);
            break;
        }
    std::size_t cut = std::min(static_cast<std::size_t>(p), line.size());
    std::string_view head = line.substr(0, cut);
    std::size_t end = head.find_last_not_of(' ');
    first = end == std::string_view::npos ? std::string() : std::string(head.substr(0, end + 1));
    rest = std::string(line.substr(cut));
    if (caret >= p)
        caret = caret - p + 2 + static_cast<std::int32_t>(first.size());
}

std::int16_t WrapDescription(std::string& text, std::int32_t capacity, std::int32_t width,
                             std::int32_t& caret) {
    if (width < 1)
        return 0;
    std::vector<Piece> lines = Pieces(text, 255);
    std::string result;
    bool changed = false;
    std::int32_t newCaret = caret;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        Piece& line = lines[i];
        const std::int32_t length = static_cast<std::int32_t>(line.text.size());
        std::int32_t rel = newCaret - static_cast<std::int32_t>(result.size());
        if (line.text.size() > static_cast<std::size_t>(width)) {
            changed = true;
            const std::int32_t before = rel;
            std::string first, rest;
            BreakAtBlank(line.text, width, first, rest, rel);
            if (before > length && i + 1 < lines.size()) {
                const std::int32_t into = before - length;
                rel += into > line.separator ? 1 - line.separator : -into;
            }
            newCaret += rel - before;
            line.text = std::move(first);
            if (i + 1 < lines.size())
                lines[i + 1].text = rest + " " + lines[i + 1].text;
            else
                lines.push_back({std::move(rest), 0});
            lines[i].separator = 2;
        } else if (i + 1 < lines.size() && rel > length) {
            newCaret += 2 - line.separator;
        }
        result += lines[i].text;
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

} // namespace reference

TEST(WrapDescription, GivesWhatTheCopyingRewrapGaveForAnyTextWidthCapacityAndCaret) {
    // Texts of words, runs of blanks, CR LFs, lone CRs and LFs and long unbroken runs, from empty
    // to past several 255-character pieces; widths about the line lengths and the piece width.
    std::mt19937 random(20261210);
    const std::string parts[] = {"a",
                                 "bc",
                                 "word",
                                 " ",
                                 "  ",
                                 "\r\n",
                                 "\r",
                                 "\n",
                                 std::string(40, 'x'),
                                 std::string(300, 'y'),
                                 "     "};
    const std::int32_t widths[] = {1, 2, 3, 5, 10, 60, 62, 254, 255, 256, 400};
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        const std::size_t size = std::uniform_int_distribution<std::size_t>(0, 1400)(random);
        while (text.size() < size)
            text += parts[random() % std::size(parts)];
        const std::int32_t width =
            round % 5 == 0 ? std::uniform_int_distribution<std::int32_t>(-1, 300)(random)
                           : widths[random() % std::size(widths)];
        const std::int32_t capacity =
            round % 3 == 0 ? std::uniform_int_distribution<std::int32_t>(-1, 1500)(random) : 5001;
        const std::int32_t caret = std::uniform_int_distribution<std::int32_t>(
            -2, static_cast<std::int32_t>(text.size()) + 3)(random);

        std::string expected = text, seen = text;
        std::int32_t expectedCaret = caret, seenCaret = caret;
        const std::int16_t expectedResult =
            reference::WrapDescription(expected, capacity, width, expectedCaret);
        const std::int16_t result = WrapDescription(seen, capacity, width, seenCaret);
        ASSERT_EQ(result, expectedResult) << "round " << round;
        ASSERT_EQ(seen, expected) << "round " << round;
        ASSERT_EQ(seenCaret, expectedCaret) << "round " << round;
    }
}

TEST(CountLines, CountsTheLinesSplitLinesCuts) {
    std::mt19937 random(7);
    const std::string parts[] = {"a", "word ", "\r\n", "\r", "\n", std::string(250, 'z')};
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        const std::size_t size = std::uniform_int_distribution<std::size_t>(0, 1200)(random);
        while (text.size() < size)
            text += parts[random() % std::size(parts)];
        for (std::int32_t width : {0, 1, 7, 255}) {
            TextLineQueue lines;
            SplitLines(text, width, lines);
            ASSERT_EQ(CountLines(text, width), lines.size()) << "round " << round;
        }
    }
}

} // namespace

TEST(SplitLines, CutsAtCrLfAndAtTheWidthOfLongTexts) {
    struct Case {
        std::string text;
        std::vector<std::string> lines;
    };
    const std::string a255(255, 'a');
    const Case cases[] = {
        {"abc\r\ndef", {"abc", "def"}},
        {"abc\r\n", {"abc", ""}},
        {"", {""}},
        {std::string(300, 'x'), {std::string(255, 'x'), std::string(45, 'x')}},
        {std::string(510, 'x'), {std::string(255, 'x'), std::string(255, 'x'), ""}},
        {a255, {a255}},
        {a255 + "\r\nb", {a255, "b"}}, // no empty line after a full piece
        {"a\rb\nc", {"a\rb\nc"}},      // a lone CR or LF is an ordinary character
        {"a\r\n\r\nb", {"a", "", "b"}},
    };
    for (const Case& c : cases) {
        TextLineQueue lines;
        SplitLines(c.text, 255, lines);
        EXPECT_EQ(lines, c.lines) << c.text.size();
    }
    TextLineQueue lines{"old"};
    SplitLines(std::string(1500, 'p'), 2000, lines); // a stored line keeps 1000 characters
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].size(), 1000u);
}

TEST(WrapDescription, BreaksAtBlanksAndCarriesTheRest) {
    struct Case {
        std::string text;
        std::int32_t width;
        std::int32_t caret;
        std::string result;
        std::int32_t newCaret;
    };
    const Case cases[] = {
        {"aaaa bbbb cccc", 10, 14, "aaaa bbbb\r\ncccc", 15},
        {"abcdefgh", 5, 8, "abcde\r\nfgh", 10},
        {"aaaa bbbb     ", 10, 14, "aaaa bbbb\r\n    ", 15},
        {"aaaa bbbbb\r\ncc", 8, 0, "aaaa\r\nbbbbb cc", 0},  // a paragraph break is merged
        {"aaaa bbbb cccc", 10, 3, "aaaa bbbb\r\ncccc", 3},  // a caret before the break stays
        {"aaaa bbbb cccc", 10, 10, "aaaa bbbb\r\ncccc", 9}, // moved back to the line's end
        // A caret on a later line moves by the join too: its CR LF became one blank.
        {"aaaa bbbb cccc\r\nxy", 10, 18, "aaaa bbbb\r\ncccc xy", 18},
        {"aaaa bbbb cccc\r\nxy", 10, 17, "aaaa bbbb\r\ncccc xy", 17},
        {"aaaa bbbb cccc\r\nxy", 10, 15, "aaaa bbbb\r\ncccc xy", 15}, // between CR and LF
        {"aaaa bbbb cccc\r\nxy\r\nz", 10, 21, "aaaa bbbb\r\ncccc xy\r\nz", 21},
    };
    for (const Case& c : cases) {
        std::string text = c.text;
        std::int32_t caret = c.caret;
        EXPECT_EQ(WrapDescription(text, 5001, c.width, caret), 1) << c.text;
        EXPECT_EQ(text, c.result) << c.text;
        EXPECT_EQ(caret, c.newCaret) << c.text;
    }
}

TEST(WrapDescription, LongRunsFlowDownWithoutLosingALetter) {
    std::string text(200, 'x');
    std::int32_t caret = 200;
    ASSERT_EQ(WrapDescription(text, 5001, 60, caret), 1);
    EXPECT_EQ(Lengths(text), (std::vector<std::size_t>{60, 60, 60, 20}));

    text.assign(600, 'x');
    caret = 0;
    ASSERT_EQ(WrapDescription(text, 5001, 60, caret), 1);
    // The joins at SplitLines' cuts add blanks, which become breaks.
    EXPECT_EQ(Lengths(text),
              (std::vector<std::size_t>{60, 60, 60, 60, 15, 60, 60, 60, 60, 15, 60, 30}));
    EXPECT_EQ(std::count(text.begin(), text.end(), 'x'), 600);
    EXPECT_EQ(caret, 0);

    // The carried run grows far past the 1000 characters of a stored text line on its way down.
    text.assign(5000, 'x');
    caret = 0;
    ASSERT_EQ(WrapDescription(text, 1 << 20, 60, caret), 1);
    EXPECT_EQ(std::count(text.begin(), text.end(), 'x'), 5000);
    for (std::size_t length : Lengths(text))
        EXPECT_LE(length, 60u);

    // A text already within the width is left exactly as it was.
    text = "ab  \r\ncd";
    caret = 2;
    EXPECT_EQ(WrapDescription(text, 5001, 10, caret), 0);
    EXPECT_EQ(text, "ab  \r\ncd");
    EXPECT_EQ(caret, 2);
}

// Rewrapping only moves blanks and line breaks: a caret right after a letter stays right after
// that letter, however the lines were cut and joined (at CR LFs, and at the 255-character cuts
// where a join adds a blank).
TEST(WrapDescription, ACaretBehindALetterStaysBehindIt) {
    auto lettersBefore = [](const std::string& text, std::int32_t caret) {
        return std::count_if(text.begin(), text.begin() + caret,
                             [](char c) { return c != ' ' && c != '\r' && c != '\n'; });
    };
    std::mt19937 random(12);
    for (int round = 0; round < 3000; ++round) {
        const std::int32_t width = static_cast<std::int32_t>(2 + random() % 14);
        std::string text;
        const std::size_t length = round % 10 == 0 ? 300 + random() % 400 : random() % 60;
        while (text.size() < length) {
            const unsigned pick = random() % 10;
            if (pick < 6)
                text += static_cast<char>('a' + pick);
            else
                text += pick < 9 ? " " : "\r\n";
        }
        std::vector<std::int32_t> carets;
        for (std::size_t i = 1; i <= text.size(); ++i)
            if (text[i - 1] != ' ' && text[i - 1] != '\r' && text[i - 1] != '\n')
                carets.push_back(static_cast<std::int32_t>(i));
        if (carets.empty())
            continue;
        const std::int32_t caret = carets[random() % carets.size()];
        std::string wrapped = text;
        std::int32_t moved = caret;
        if (WrapDescription(wrapped, 1 << 20, width, moved) == 0)
            continue;
        ASSERT_GE(moved, 1) << text << " at " << caret << " width " << width;
        ASSERT_LE(moved, static_cast<std::int32_t>(wrapped.size()));
        ASSERT_EQ(lettersBefore(wrapped, moved), lettersBefore(text, caret))
            << text << " at " << caret << " width " << width;
        const char behind = wrapped[static_cast<std::size_t>(moved) - 1];
        ASSERT_TRUE(behind != ' ' && behind != '\r' && behind != '\n')
            << text << " at " << caret << " width " << width;
    }
}

TEST(WrapDescription, CapacityAndWidthLimits) {
    std::string text(30, 'y');
    std::int32_t caret = 30;
    ASSERT_EQ(WrapDescription(text, 31, 10, caret), 1); // the CR LFs push past 30 characters
    EXPECT_EQ(text.size(), 30u);
    text = "some words here";
    caret = 4;
    EXPECT_EQ(WrapDescription(text, 5001, 0, caret), 0);
    EXPECT_EQ(WrapDescription(text, 5001, -3, caret), 0);
    EXPECT_EQ(text, "some words here");
    EXPECT_EQ(caret, 4);
}

TEST(BreakAtBlank, FindsTheLastBlankWithinTheWidth) {
    EXPECT_EQ(FindBreakBlank("aa bb cc", 4, 6), 6);
    EXPECT_EQ(FindBreakBlank("aa bb cc", 4, 5), 3);
    EXPECT_EQ(FindBreakBlank("aabbcc", 4, 6), 4);
    std::string first, rest;
    std::int32_t caret = 8;
    BreakAtBlank("aa   bbbbbb", 6, first, rest, caret);
    EXPECT_EQ(first, "aa");
    EXPECT_EQ(rest, "bbbbbb");
    EXPECT_EQ(caret, 8 - 5 + 2 + 2);
}
