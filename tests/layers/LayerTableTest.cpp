#include "LayerRows.h"

#include <gtest/gtest.h>

#include <random>

using namespace layers;
using namespace layers::testing;
using platform::Clip;
using platform::Fixed;

namespace {

LayerRow Parse(const std::string& line) {
    ChoiceList colors, lineTypes;
    return ParseLayerLine(line, colors, lineTypes);
}

} // namespace

TEST(LayerTable, WritesEveryValueInItsColumn) {
    EXPECT_EQ(FormatLayerLine(Row("AB", "EF", "7", "X", "")),
              "(\"AB\"" + Blanks(16) + "\"EF\"" + Blanks(251) + "\"7\"" + Blanks(17) + "\"X\")" +
                  Blanks(16) + ";");
    EXPECT_EQ(FormatLayerLine(LayerRow{}), "(\"\"" + Blanks(18) + "\"\"" + Blanks(253) + "\"\"" +
                                               Blanks(18) + "\"\")" + Blanks(17) + ";");
    std::string line = FormatLayerLine(Row(" K", "L", "1", "DASHED", " note; (x) \"y\""));
    EXPECT_EQ(line.size(), 317u + 14u);
    EXPECT_EQ(line.substr(316), "; note; (x) \"y\"");
    EXPECT_EQ(line.substr(1, 5), "\" K\" ");
}

TEST(LayerTable, ReadsByThePunctuationAlone) {
    struct Case {
        std::string line;
        LayerRow row;
    };
    const Case cases[] = {
        {"(\"K1\" \"Layer 1\" \"7\" \"CONTINUOUS\");Walls",
         Row("K1", "Layer 1", "7", "CONTINUOUS", "Walls")},
        {"Heading without parentheses", LayerRow{}},
        {"(\"K\") (\"L\")", Row("K", "L", "", "", "")},
        {"(\"a\" \"b\" \"c\" \"d\" \"e\");x", Row("a", "b", "c", "d", "x")},
        {"(\"a\");desc; with \"quotes\" (and) parens",
         Row("a", "", "", "", "desc; with \"quotes\" (and) parens")},
        {"\"x\" (\"A\")", Row("A", "", "", "", "")},
        {"; before (\"A\");after", Row("A", "", "", "", "after")},
        {"(\"A)B\" \"C\");d", Row("", "", "", "", "d")},
        {"(\"A(B;\" \"C\");  lead", Row("A(B;", "C", "", "", "  lead")},
        {"(\"" + std::string(300, 'L') + "\")", Row(std::string(300, 'L'), "", "", "", "")},
        {"(\"K\" \"" + std::string(200, 'n') + "\")", Row("K", std::string(200, 'n'), "", "", "")},
        {"(\"K\");" + std::string(150, 'd'), Row("K", "", "", "", std::string(100, 'd'))},
        // A ")" ends a value, also one whose quotes a later "(" takes up again.
        {"(\"K\" \"L\" \") 12345678901234567890(\" \"T\");D", Row("K", "L", "", "T", "D")},
        {"(\"K)x\" (\"L\");D", Row("K", "", "", "", "D")},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Parse(c.line), c.row) << c.line;
}

TEST(LayerTable, WrittenRowsReadBackTheSame) {
    const LayerRow rows[] = {
        Row("AB", "EF", "7", "X", ""),
        Row("", "", "", "", ""),
        Row(std::string(20, 'k'), std::string(255, 'n'), std::string(20, 'c'), std::string(20, 't'),
            std::string(100, 'd')),
        Row(std::string(19, 'k'), std::string(254, 'n'), std::string(19, 'c'), std::string(18, 't'),
            "  leading blanks; and (all) \"sorts\""),
        Row(" K (", "L;", "1 ", " DOT", ";"),
    };
    for (const LayerRow& row : rows) {
        std::string line = FormatLayerLine(row);
        EXPECT_EQ(Clip(line), line);
        EXPECT_EQ(Parse(line), row) << line;
    }
}

// Whatever a line holds, the row read from it is written so that it reads back the same: lines
// of the punctuation that matters, letters and blanks, in every order.
TEST(LayerTable, EveryRowReadIsWrittenSoThatItReadsBackTheSame) {
    const std::string alphabet = "()\";  ab(\"\"";
    std::mt19937 random(19);
    for (int round = 0; round < 20000; ++round) {
        std::string line;
        const std::size_t length = 1 + random() % (round % 50 == 0 ? 400 : 40);
        while (line.size() < length)
            line += alphabet[random() % alphabet.size()];
        if (Clip(line).empty())
            continue;
        const LayerRow row = Parse(line);
        const std::string written = FormatLayerLine(row);
        ASSERT_EQ(Parse(written), row) << line << "\nwritten as\n" << written;
    }
}

TEST(LayerTable, ColoursAndLineTypesOfTheFileBecomeChoicesOnce) {
    ChoiceList colors = {Fixed("1", 20)};
    ChoiceList lineTypes;
    ParseLayerLine("(\"a\" \"b\" \"1\" \"DASHED\")", colors, lineTypes);
    ParseLayerLine("(\"a\" \"b\" \"5\" \"DASHED\")", colors, lineTypes);
    ParseLayerLine("(\"a\" \"b\" \"\" \"\")", colors, lineTypes);
    EXPECT_EQ(colors, (ChoiceList{Fixed("1", 20), Fixed("5", 20)}));
    EXPECT_EQ(lineTypes, ChoiceList{Fixed("DASHED", 20)});
}
