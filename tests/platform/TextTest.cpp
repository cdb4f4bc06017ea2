#include "platform/text/Text.h"
#include "platform/text/CodePage.h"

#include <gtest/gtest.h>

#include <random>

using namespace platform;

TEST(Text, FieldsCutPadClipAndJustify) {
    EXPECT_EQ(Cut("abcdef", 3), "abc");
    EXPECT_EQ(Cut("ab", 3), "ab");
    EXPECT_EQ(Fixed("ab", 4), "ab  ");
    EXPECT_EQ(Fixed("abcdef", 4), "abcd");
    EXPECT_EQ(Clip("  a b  "), "  a b");
    EXPECT_EQ(Clip("   "), "");
    EXPECT_EQ(TrimLeft("  a "), "a ");
    EXPECT_EQ(Trim("  a b "), "a b");
    EXPECT_EQ(LeftJustify("  0.1"), "0.1  ");
    EXPECT_EQ(LeftJustify("    "), "    ");
}

TEST(Text, ComparisonIgnoresTrailingBlanksOnly) {
    EXPECT_TRUE(Equal("Yes", "Yes   "));
    EXPECT_FALSE(Equal(" Yes", "Yes"));
    EXPECT_TRUE(Equal("", "   "));
    EXPECT_EQ(Compare("abc  ", "abc"), 0);
    EXPECT_LT(Compare("abc", "abd"), 0);
    EXPECT_GT(Compare("b", "abc"), 0);
    // As blank-padded fields, in the byte order of the code page.
    EXPECT_LT(Compare("a\t", "a"), 0);
    EXPECT_GT(Compare("a\xc9", "ab"), 0);
    EXPECT_LT(Compare("B", "a"), 0);
    EXPECT_TRUE(EqualNoCase("title ", "TITLE"));
    EXPECT_FALSE(EqualNoCase("titles", "TITLE"));
}

TEST(Text, UpperCaseInTheCodePage) {
    EXPECT_EQ(Upper("cir,5,abc"), "CIR,5,ABC");
    EXPECT_EQ(Upper("\xe9\xf7\xff\x9a"), "\xc9\xf7\x9f\x8a"); // e acute, division sign, y and s
    EXPECT_EQ(Lower("\xc9\xd7Z"), "\xe9\xd7z");
    EXPECT_EQ(FindNoCase("Line\\nNext\\N", "\\n"), 4u);
    EXPECT_EQ(FindNoCase("Line\\nNext\\N", "\\N", 5), 10u);
    EXPECT_EQ(FindNoCase("abc", "x"), std::string::npos);
}

TEST(Text, FindNoCaseFindsWhatAPlainComparisonAtEachPlaceFinds) {
    // First characters with and without a case (letters of both halves of the code page, a
    // backslash, CR, a quote), texts that hold them and near misses, every start.
    auto plainly = [](std::string_view text, std::string_view what, std::size_t from) {
        if (what.empty())
            return from <= text.size() ? from : std::string_view::npos;
        for (std::size_t i = from; i + what.size() <= text.size(); ++i)
            if (Upper(text.substr(i, what.size())) == Upper(what))
                return i;
        return std::string_view::npos;
    };
    std::mt19937 random(11);
    const char alphabet[] = {'\\', 'n', 'N', '\r', '\n', '"', 'a', '\xe9', '\xc9', '\x9a', ' '};
    const std::string whats[] = {"\\n",
                                 "\r\n",
                                 "\"",
                                 "\"\"",
                                 "N",
                                 "\xe9"
                                 "a",
                                 "\x8a",
                                 "n\\",
                                 ""};
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        const std::size_t size = random() % 24;
        for (std::size_t i = 0; i < size; ++i)
            text += alphabet[random() % std::size(alphabet)];
        const std::string& what = whats[random() % std::size(whats)];
        for (std::size_t from = 0; from <= text.size() + 1; ++from)
            ASSERT_EQ(FindNoCase(text, what, from), plainly(text, what, from))
                << round << " from " << from;
    }
}

TEST(Text, TextThatIsNoNumberReadsAsZero) {
    struct Case {
        const char* text;
        double value;
    };
    const Case cases[] = {{"12", 12}, {" 12 ", 12}, {"-3.5", -3.5}, {"+4", 4},       {".5", 0.5},
                          {"5.", 5},  {"", 0},      {"abc", 0},     {"12a", 0},      {"1.2.3", 0},
                          {"- 1", 0}, {".", 0},     {"Auto", 0},    {"0.125", 0.125}};
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(ToNumber(c.text), c.value) << '"' << c.text << '"';
        EXPECT_EQ(IsNumeric(c.text), c.value != 0 || std::string_view(c.text) == "0") << c.text;
    }
    EXPECT_EQ(ToLong("7.9"), 7);
    EXPECT_EQ(ToLong("-7.9"), -7);
    EXPECT_EQ(ToLong("x"), 0);
}

TEST(Text, NarrowingKeepsTheLowBits) {
    EXPECT_EQ(ToShort(std::int64_t{70000}), 4464);
    EXPECT_EQ(ToShort(std::int64_t{-32769}), 32767);
    EXPECT_EQ(ToByte(std::int64_t{256}), 0);
    EXPECT_EQ(ToByte(std::int64_t{257}), 1);
    EXPECT_EQ(ToByte(std::int64_t{-1}), 255);
    EXPECT_EQ(ToByte("300"), 44);
    EXPECT_EQ(ToByte("no"), 0);
    EXPECT_EQ(ToShort("70000"), 4464);
    EXPECT_EQ(DecimalText(-12), "-12");
}

TEST(Text, AChangeLiesBetweenTheCommonStartAndTheCommonEnd) {
    const struct {
        const char* before;
        const char* after;
        std::size_t start, end;
    } cases[] = {
        {"abc", "abc", 3, 0}, {"abc", "aXc", 1, 1},  {"abc", "abXc", 2, 1},
        {"aab", "ab", 1, 1},  {"ab", "aab", 1, 1},   {"", "x", 0, 0},
        {"abc", "", 0, 0},    {"x,y", "x,,y", 2, 1}, // the common start first
    };
    for (const auto& c : cases) {
        const TextChange change = ChangeBetween(c.before, c.after);
        EXPECT_EQ(change.start, c.start) << c.before << " > " << c.after;
        EXPECT_EQ(change.end, c.end) << c.before << " > " << c.after;
    }
}

TEST(CodePage, EveryByteRoundTripsThroughUnicode) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    auto back = FromUtf8(ToUtf8(all));
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(*back, all);
}

TEST(CodePage, CharactersOutsideTheCodePageCannotBeHeld) {
    EXPECT_EQ(ToUtf8("\x80"), "\xe2\x82\xac"); // euro sign
    EXPECT_EQ(FromUtf8("\xe2\x82\xac 5"), std::string("\x80 5"));
    EXPECT_TRUE(CanHold(U'\u00e9'));
    EXPECT_TRUE(CanHold(U'\u2122'));
    EXPECT_FALSE(CanHold(U'\u4e2d'));
    EXPECT_FALSE(CanHold(U'\U0001F600'));
    EXPECT_FALSE(FromUtf8("a\xe4\xb8\xad").has_value()); // a CJK character
    EXPECT_FALSE(FromUtf8("\xc3").has_value());          // cut-off sequence
    EXPECT_FALSE(FromUtf8("\xff").has_value());          // no UTF-8 at all
    // For showing, each such character (or stray byte) becomes the replacement.
    EXPECT_EQ(FromUtf8Replacing("a\xe4\xb8\xad\xc3\xa9\xff\xc3", '?'), "a?\xe9??");
}
