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

// A page image reads alike in whatever form its XML takes: the writer's own, and what only a
// full XML reader reads as meant (a comment, a character reference, single quotes, a line end
// in a text); what is no page, or no well-formed XML, does not read.
TEST(ReportTest, APageImageReadsAsItsXmlSaysInEveryForm) {
    const std::string head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                             "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 8500 11000\" "
                             "xml:space=\"preserve\">\n";
    const std::string texts = "<g font-family=\"Liberation Sans\" font-size=\"111.11\">\n"
                              "<text x=\"10\" y=\"20\">a &lt; b &amp; c &gt; d</text>\n"
                              "<text x=\"30\" y=\"40\">caf\xC3\xA9 \xE2\x82\xAC</text>\n"
                              "</g>\n"
                              "<path stroke=\"#000000\" d=\"M1 2H30V40\"/>\n";
    struct Case {
        const char* what;
        std::string svg;
        bool reads;
        std::vector<std::string> texts;
    };
    const std::vector<std::string> written = {"a < b & c > d", "caf\xE9 \x80"};
    const std::vector<Case> cases = {
        {"as written", head + texts + "</svg>\n", true, written},
        {"without the declaration", head.substr(head.find('\n') + 1) + texts + "</svg>", true,
         written},
        {"with a comment", head + "<!-- made by hand -->\n" + texts + "</svg>\n", true, written},
        {"single quotes, a reference",
         head + "<g font-family='Liberation Sans' font-weight='bold'><text x='1' y='2'>&#65;"
                "&apos;B</text></g></svg>",
         true,
         {"A'B"}},
        {"a line end in a text",
         head + "<text x=\"1\" y=\"2\">a\r\nb</text></svg>",
         true,
         {"a\nb"}},
        {"an empty text", head + "<text x=\"1\" y=\"2\"/></svg>", true, {""}},
        {"an element left open", head + texts, false, {}},
        {"ends crossed", head + "<g><text x=\"1\" y=\"2\">a</text></svg></g>", false, {}},
        {"content after the page", head + texts + "</svg>\n<svg/>", false, {}},
        {"an unknown entity", head + "<text x=\"1\" y=\"2\">&nbsp;</text></svg>", false, {}},
        {"an undeclared prefix", head + "<text a:b=\"1\">x</text></svg>", false, {}},
        {"no page", "<html><text>x</text></html>", false, {}},
        {"no view box", "<svg><text>x</text></svg>", false, {}},
    };
    platform::testing::TempFolder folder;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string file = (folder / "page.svg");
        platform::testing::WriteBytes(file, c.svg);
        PageContents page;
        ASSERT_EQ(ReadPageImage(file, page), c.reads);
        if (!c.reads)
            continue;
        EXPECT_EQ(page.width, 8500);
        EXPECT_EQ(page.height, 11000);
        EXPECT_EQ(Texts(page), c.texts);
    }
    // The writer's own form, in full: groups hand their font down, a path is its segments.
    platform::testing::WriteBytes((folder / "page.svg"), cases[0].svg);
    PageContents page;
    ASSERT_TRUE(ReadPageImage((folder / "page.svg"), page));
    const std::vector<PageElement> text = Of(page, PageElement::Kind::Text);
    ASSERT_EQ(text.size(), 2u);
    EXPECT_EQ(text[1].x, 30);
    EXPECT_EQ(text[1].y, 40);
    EXPECT_EQ(text[1].face, "Liberation Sans");
    EXPECT_DOUBLE_EQ(text[1].size, 111.11);
    EXPECT_FALSE(text[1].bold);
    const std::vector<PageElement> lines = Of(page, PageElement::Kind::Line);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].x, 1);
    EXPECT_EQ(lines[0].y, 2);
    EXPECT_EQ(lines[0].width, 29);
    EXPECT_EQ(lines[1].height, 38);
}
