#include "LayerRows.h"

#include <gtest/gtest.h>

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

TEST(LayerTable, ColoursAndLineTypesOfTheFileBecomeChoicesOnce) {
    ChoiceList colors = {Fixed("1", 20)};
    ChoiceList lineTypes;
    ParseLayerLine("(\"a\" \"b\" \"1\" \"DASHED\")", colors, lineTypes);
    ParseLayerLine("(\"a\" \"b\" \"5\" \"DASHED\")", colors, lineTypes);
    ParseLayerLine("(\"a\" \"b\" \"\" \"\")", colors, lineTypes);
    EXPECT_EQ(colors, (ChoiceList{Fixed("1", 20), Fixed("5", 20)}));
    EXPECT_EQ(lineTypes, ChoiceList{Fixed("DASHED", 20)});
}
