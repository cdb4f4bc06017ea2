#include "platform/report/Report.h"
#include "platform/files/FileBundle.h"
#include "platform/report/PageImage.h"
#include "platform/testing/TempFiles.h"

#include <QBuffer>
#include <QImageReader>

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

using namespace platform;

namespace {

enum { TALL = 1, ROW, RULE };

// A report with a body of 1000 between y 1000 and 2000, a header and a footer on every page, a
// row band of 300 printing a variable, a rule band of 0 and a band taller than the body.
struct Layout {
    std::string value;
    ReportDef def;
    Layout() {
        def.body = {0, 1000, 1000, 6000, 1000};
        ReportItem head;
        head.x = 10;
        head.y = 20;
        head.width = 3000;
        head.text = "Head";
        head.bold = true;
        def.header = {0, 1000, 500, 6000, 400, {head}};
        ReportItem number;
        number.x = 5000;
        number.y = 30;
        number.width = 900;
        number.text = "Page <<<#";
        number.pageNumber = true;
        number.fontSize = 8;
        def.footer = {0, 1000, 10000, 6000, 200, {number}};
        ReportItem text;
        text.x = 50;
        text.y = 40;
        text.width = 5000;
        text.value = &value;
        ReportItem line;
        line.kind = ReportItemKind::Line;
        line.x = 1;
        line.height = 300;
        ReportItem rule = line;
        rule.height = 0;
        rule.width = 6000;
        def.bands = {{ROW, 0, 0, 0, 300, {text, line}},
                     {RULE, 0, 0, 0, 0, {rule}},
                     {TALL, 0, 0, 0, 1500, {line}}};
    }
};

std::vector<PageElement> Of(const PageContents& page, PageElement::Kind kind) {
    std::vector<PageElement> out;
    for (const PageElement& e : page.elements)
        if (e.kind == kind)
            out.push_back(e);
    return out;
}

std::vector<std::string> Texts(const PageContents& page) {
    std::vector<std::string> out;
    for (const PageElement& e : Of(page, PageElement::Kind::Text))
        out.push_back(e.text);
    return out;
}

PageContents Read(const std::string& file) {
    PageContents page;
    EXPECT_TRUE(ReadPageImage(file, page)) << file;
    return page;
}

} // namespace

// Bands flow down the body and start a new page, header first, where they no longer fit; every
// page ends with its footer.
TEST(ReportTest, BandsFlowDownTheBodyAndBreakToNewPages) {
    struct Case {
        std::vector<int> bands;
        std::vector<std::vector<int>> rowsOnPages; // the band tops (page units) of each page
    };
    const std::vector<Case> cases = {
        {{}, {}},                                             // nothing printed: no page
        {{ROW}, {{1000}}},                                    // one band
        {{ROW, ROW, ROW}, {{1000, 1300, 1600}}},              // 900 of 1000 used
        {{ROW, ROW, ROW, ROW}, {{1000, 1300, 1600}, {1000}}}, // the fourth does not fit
        {{ROW, ROW, ROW, RULE}, {{1000, 1300, 1600, 1900}}},  // a band of 0 fits at 1900
        {{ROW, TALL, ROW}, {{1000}, {1000}, {1000}}},         // taller than the body: alone
        {{TALL}, {{1000}}},                                   // also on the first page
    };
    for (std::size_t c = 0; c < cases.size(); ++c) {
        SCOPED_TRACE("case " + std::to_string(c));
        Layout layout;
        PageList pages;
        Report report(layout.def, pages);
        ASSERT_TRUE(report.Open());
        for (int band : cases[c].bands) {
            layout.value = "band " + std::to_string(band);
            report.Print(band);
        }
        report.EndPage();
        report.EndPage(); // nothing printed since: no page
        ASSERT_EQ(pages.size(), cases[c].rowsOnPages.size());
        for (std::size_t p = 0; p < pages.size(); ++p) {
            PageContents page = Read(pages[p]);
            EXPECT_EQ(page.width, 8500);
            EXPECT_EQ(page.height, 11000);
            std::vector<int> tops;
            for (const PageElement& line : Of(page, PageElement::Kind::Line)) {
                EXPECT_EQ(line.x, 1001); // the body's x and the item's
                tops.push_back(static_cast<int>(line.y));
            }
            EXPECT_EQ(tops, cases[c].rowsOnPages[p]);
            std::vector<std::string> texts = Texts(page);
            ASSERT_GE(texts.size(), 2u);
            EXPECT_EQ(texts.front(), "Head");
            EXPECT_EQ(texts.back(), "Page " + std::to_string(p + 1));
        }
    }
}

TEST(ReportTest, TextsKeepTheirPlaceFontAndCharacters) {
    Layout layout;
    PageList pages;
    Report report(layout.def, pages);
    ASSERT_TRUE(report.Open());
    const std::vector<std::string> values = {
        "  two leading blanks kept, trailing dropped   ",
        "a < b & c > d",
        "caf\xE9 \x80 5\xB0",  // the code page's own characters
        "tab\there\rCR\x01",   // control characters show as blanks
        std::string(200, 'W'), // cut to what fits 5000
        "",                    // nothing to show
    };
    for (const std::string& v : values) {
        layout.value = v;
        report.Print(ROW);
    }
    report.EndPage();
    ASSERT_EQ(pages.size(), 2u);
    std::vector<PageElement> texts = Of(Read(pages[0]), PageElement::Kind::Text);
    std::vector<PageElement> more = Of(Read(pages[1]), PageElement::Kind::Text);
    texts.insert(texts.end() - 1, more.begin() + 1, more.end() - 1);
    ASSERT_EQ(texts.size(), 7u); // head, five rows, the footer
    EXPECT_EQ(texts[1].text, "  two leading blanks kept, trailing dropped");
    EXPECT_EQ(texts[2].text, "a < b & c > d");
    EXPECT_EQ(texts[3].text, "caf\xE9 \x80 5\xB0");
    EXPECT_EQ(texts[4].text, "tab here CR");
    // 10 points are 138.89 thousandths; a W of Liberation Sans is 0.944 of that: 38 fit 5000.
    EXPECT_EQ(texts[5].text, std::string(38, 'W'));
    for (int i = 1; i <= 5; ++i) {
        EXPECT_EQ(texts[static_cast<std::size_t>(i)].x, 1050);
        EXPECT_EQ(texts[static_cast<std::size_t>(i)].face, "Liberation Sans");
        EXPECT_NEAR(texts[static_cast<std::size_t>(i)].size, 138.89, 0.01);
        EXPECT_FALSE(texts[static_cast<std::size_t>(i)].bold);
    }
    // The base line: the band's top and the item's y, and the font's ascent below them.
    EXPECT_EQ(texts[1].y, 1000 + 40 + 126);
    EXPECT_TRUE(texts[0].bold);
    EXPECT_NEAR(texts[6].size, 111.11, 0.01);

    // The pages are images the preview can show, a Letter page at 96 pixels an inch.
    std::optional<std::string> svg = ReadBundled(pages[0]);
    ASSERT_TRUE(svg.has_value());
    QByteArray bytes = QByteArray::fromStdString(*svg);
    QBuffer buffer(&bytes);
    ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
    QImageReader reader(&buffer);
    ASSERT_TRUE(reader.canRead());
    EXPECT_EQ(reader.size(), QSize(816, 1056));
}

TEST(ReportTest, APictureCutsItsValueAndAPageNumberFillsItsPicture) {
    Layout layout;
    layout.def.bands[0].items[0].picture = 4;
    layout.def.footer.items[0].text = "No. ##### end";
    PageList pages;
    Report report(layout.def, pages);
    ASSERT_TRUE(report.Open());
    layout.value = "abcdefgh";
    report.Print(ROW);
    report.EndPage();
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(Texts(Read(pages[0])), (std::vector<std::string>{"Head", "abcd", "No. 1 end"}));
}

TEST(ReportTest, ReleaseRemovesTheFolderWithEveryPageAlsoThoseTheListDropped) {
    Layout layout;
    PageList pages;
    std::string folder;
    {
        Report report(layout.def, pages);
        ASSERT_TRUE(report.Open());
        folder = report.Folder();
        for (int i = 0; i < 8; ++i)
            report.Print(ROW);
        report.EndPage();
        ASSERT_EQ(pages.size(), 3u);
        const PageList all = pages;
        // Every page is kept in one file of the folder.
        EXPECT_EQ(platform::testing::TempFolder::Entries(folder), 1u);
        pages.erase(pages.begin()); // as the preview's Delete does
        report.Close();             // not set to print: prints nothing
        EXPECT_TRUE(std::filesystem::exists(folder));
        for (const std::string& page : all)
            EXPECT_TRUE(ReadBundled(page).has_value()) << page;
        report.Release();
        EXPECT_FALSE(std::filesystem::exists(folder));
        EXPECT_TRUE(pages.empty());
        for (const std::string& page : all) {
            EXPECT_FALSE(ReadBundled(page).has_value()) << page;
            PageContents gone;
            EXPECT_FALSE(ReadPageImage(page, gone)) << page;
        }
    }
    // A report released by going out of scope leaves nothing either.
    PageList kept;
    {
        Report report(layout.def, pages);
        ASSERT_TRUE(report.Open());
        folder = report.Folder();
        report.Print(ROW);
        report.EndPage();
        kept = pages;
    }
    EXPECT_FALSE(std::filesystem::exists(folder));
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_FALSE(ReadBundled(kept[0]).has_value());
}
