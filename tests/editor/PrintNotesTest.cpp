#include "editor/PrintNotes.h"

#include "editor/Globals.h"
#include "grid/PelkGridClass.h"
#include "platform/files/FileBundle.h"
#include "platform/report/PageImage.h"
#include "platform/report/Preview.h"
#include "platform/report/Printing.h"
#include "platform/runtime/Runtime.h"
#include "platform/testing/Driver.h"
#include "platform/testing/Pdf.h"
#include "platform/testing/TempFiles.h"
#include "platform/ui/WindowManager.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <map>

using namespace platform;
using namespace editor;
namespace drv = platform::testing;

namespace {

struct Note {
    std::string mark, number, description, unit, type;
};

// A window that owns nine grids as the keynote window does, one on each host control, and runs
// the work a test gives it on its own thread.
struct NotesWindow : WindowManager {
    Window window{[] {
        WindowDef def;
        def.caption = "Keynotes";
        def.width = 400;
        def.height = 250;
        for (int i = 1; i <= 9; ++i)
            def.controls.push_back({ControlKind::Region, i, "", 5, 5, 380, 200});
        return def;
    }()};
    std::array<grid::PelkGridClass, 9> grids;
    std::function<void()> work;

    int Setup() override {
        Open(window);
        for (std::size_t i = 0; i < grids.size(); ++i)
            grids[i].Setup(static_cast<int>(i) + 1, WrapSize, DescPrintWidth);
        return RESULT_GoOn;
    }
    // The tabs as the keynote window hands them over: in tab order, hidden ones too.
    std::vector<ReportTab> Tabs() {
        std::stable_sort(
            TabQueue.begin(), TabQueue.end(),
            [](const TabRecord& a, const TabRecord& b) { return a.NEWNUM < b.NEWNUM; });
        std::vector<ReportTab> tabs;
        for (const TabRecord& tab : TabQueue) {
            const grid::PelkGridClass& g = grids[tab.SRCNUM - 1u];
            ReportTab t{tab.NEWNAME, g.DESCSIZE, {}};
            for (std::int32_t r = 1; r <= g.Records(); ++r)
                t.rows.push_back({g.GetCellValue(r, 1), g.GetCellValue(r, 2), g.GetCellValue(r, 3),
                                  g.GetCellValue(r, 4), g.GetCellValue(r, 5)});
            tabs.push_back(std::move(t));
        }
        return tabs;
    }
    int OnEvent() override {
        if (CurrentEvent() == EVENT_User && work)
            std::exchange(work, nullptr)();
        return WindowManager::OnEvent();
    }
    int Shutdown() override {
        for (auto& g : grids)
            if (g.QDATA)
                g.Shutdown();
        return WindowManager::Shutdown();
    }
};

// The report's bands on a page, read back from its image: "G caption" for a group band,
// "D number|description|unit|type" for a detail line, "R" for a rule; the page's own texts
// (title, headings, page number) apart.
struct PageListing {
    std::vector<std::string> bands;
    std::vector<std::string> own;
};

PageListing List(const std::string& file) {
    PageContents page;
    EXPECT_TRUE(ReadPageImage(file, page)) << file;
    // By top; a rule before the band that starts where it stands.
    std::map<std::pair<int, int>, std::string> bands;
    std::vector<int> detailTops, groupTops;
    std::vector<int> rules;
    for (const PageElement& e : page.elements) {
        if (e.kind != PageElement::Kind::Line)
            continue;
        const int x = static_cast<int>(e.x), y = static_cast<int>(e.y);
        if (e.width == 0 && x == 800 + 635 && e.height == 220)
            detailTops.push_back(y); // only the detail band has the line after the number
        else if (e.width == 0 && x == 800 + 7000 && e.height == 220)
            groupTops.push_back(y - 1); // a group band's lines start 1 below its top
        else if (e.height == 0 && x == 800 && e.width == 7000)
            rules.push_back(y);
    }
    // The detail band has a line at the right edge too, from its top.
    for (int top : detailTops)
        groupTops.erase(std::remove(groupTops.begin(), groupTops.end(), top - 1), groupTops.end());
    std::vector<PageElement> texts;
    PageListing listing;
    for (const PageElement& e : page.elements)
        if (e.kind == PageElement::Kind::Text)
            texts.push_back(e);
    for (int top : groupTops) {
        std::string caption;
        for (const PageElement& t : texts)
            if (t.bold && t.y > top && t.y < top + 219)
                caption = t.text;
        bands[{top, 1}] = "G " + caption;
        rules.erase(std::remove(rules.begin(), rules.end(), top + 219), rules.end());
    }
    for (int top : detailTops) {
        std::map<int, std::string> columns = {{852, ""}, {1498, ""}, {6685, ""}, {7248, ""}};
        for (const PageElement& t : texts)
            if (std::fabs(t.size - 111.11) < 0.01 && t.y > top && t.y < top + 198)
                columns[static_cast<int>(t.x)] = t.text;
        bands[{top, 1}] =
            "D " + columns[852] + "|" + columns[1498] + "|" + columns[6685] + "|" + columns[7248];
    }
    for (int y : rules)
        bands[{y - 1, 0}] = "R"; // the rule band's line is 1 below its top
    for (auto& [top, band] : bands)
        listing.bands.push_back(band);
    for (const PageElement& t : texts)
        if (t.y < 1635 || t.y > 10239) // above and below the body
            listing.own.push_back(t.text);
    return listing;
}

class PrintNotesTest : public ::testing::Test {
protected:
    drv::TempFolder folder;
    drv::PrintGuard printing; // reset after the threads ended
    NotesWindow notes;
    bool returned = false;

    void SetUp() override {
        ResetGlobals();
        ProjectFolder = folder.Path();
        CsvName = "constnot.csv";
        for (std::uint8_t i = 1; i <= 9; ++i) {
            TabRecord tab;
            tab.SRCNAME = kShapes[i - 1u].name;
            tab.NEWNAME = kShapes[i - 1u].name;
            tab.SRCNUM = i;
            tab.NEWNUM = i;
            TabQueue.push_back(tab);
        }
        Start([this](const std::string&) { notes.Run(); });
        drv::Settle();
        ASSERT_TRUE(notes.window.IsOpen());
    }
    void TearDown() override {
        drv::ExpectNoMessage();
        EndAllThreads();
        drv::Settle();
        ResetGlobals();
    }

    // Fills a shape's grid (1 Circle .. 9 Tri) as the keynote window does when it loads.
    void Fill(int shape, const std::vector<Note>& rows) {
        notes.work = [&] {
            for (const Note& n : rows)
                notes.grids[static_cast<std::size_t>(shape - 1)].AddRow(
                    n.mark, n.number, n.description, n.unit, n.type);
        };
        PostInput(notes.window.Thread(), Event{EVENT_User, 0, 0});
        drv::Settle();
    }

    // Starts the print run on the window's thread; it waits in the preview.
    Window& Print() {
        returned = false;
        notes.work = [this] {
            PrintNotes(notes.Tabs());
            returned = true;
        };
        PostInput(notes.window.Thread(), Event{EVENT_User, 0, 0});
        drv::Settle();
        Window* preview = drv::FindWindow("Preview");
        EXPECT_NE(preview, nullptr);
        return *preview;
    }

    std::vector<std::string> AllBands() {
        std::vector<std::string> out;
        for (const std::string& page : PreviewPages())
            for (const std::string& band : List(page).bands)
                out.push_back(band);
        return out;
    }
};

} // namespace

TEST_F(PrintNotesTest, EachTabPrintsItsCaptionAndItsPrintableNotesLineByLine) {
    struct Case {
        const char* name;
        std::vector<Note> circle;
        std::vector<std::string> bands;
    };
    const std::string line62(62, 'x');
    const std::vector<Case> cases = {
        {"one note",
         {{"0", "1", "Concrete slab", "SF", "A"}},
         {"G Circle", "D 1|Concrete slab|SF|A", "R"}},
        {"two lines: number, unit and type on the first only",
         {{"0", "2", "First line\r\nSecond line", "EA", "B"}},
         {"G Circle", "D 2|First line|EA|B", "D |Second line||", "R"}},
        {"marked and empty-numbered notes are left out, the caption stays",
         {{"1", "3", "Marked", "EA", "A"},
          {"0", "", "No number", "EA", "A"},
          {"0", "   ", "Blank number", "EA", "A"},
          {"0", "\r\n", "CR LF number", "EA", "A"},
          {"0", "\r", "CR number", "EA", "A"}},
         {"G Circle"}},
        {"leading blanks kept",
         {{"0", "4", "   indented\r\n  and so", "", ""}},
         {"G Circle", "D 4|   indented||", "D |  and so||", "R"}},
        {"cut every 62 characters",
         {{"", "5", line62 + line62 + "tail", "", ""}},
         {"G Circle", "D 5|" + line62 + "||", "D |" + line62 + "||", "D |tail||", "R"}},
        {"exactly 62: one line",
         {{"", "6", line62, "", ""}},
         {"G Circle", "D 6|" + line62 + "||", "R"}},
        {"an empty description: one line",
         {{"0", "7", "", "LF", "C"}},
         {"G Circle", "D 7||LF|C", "R"}},
        {"values cut to their fields",
         {{"0", "123456", "d", "abcd", "ABCDEFG"}},
         {"G Circle", "D 12345|d|abc|ABCDE", "R"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        notes.work = [&] { notes.grids[0].FreeRows(); };
        PostInput(notes.window.Thread(), Event{EVENT_User, 0, 0});
        drv::Settle();
        Fill(1, c.circle);
        Window& preview = Print();
        EXPECT_EQ(AllBands(), c.bands);
        drv::Click(preview, preview::EXITBUTTON);
        EXPECT_TRUE(returned);
    }
}

TEST_F(PrintNotesTest, TabsPrintInTabOrderHiddenOnesIncludedShapesWithoutRowsNot) {
    // Tab positions: Box first, then the hidden Circle under its own caption, then Tri.
    for (TabRecord& tab : TabQueue) {
        if (tab.SRCNUM == 3)
            tab.NEWNUM = 1;
        else if (tab.SRCNUM == 1) {
            tab.NEWNUM = 2;
            tab.ICON = 2;
            tab.NEWNAME = "Round ones";
        } else if (tab.SRCNUM == 9)
            tab.NEWNUM = 3;
        else
            tab.NEWNUM = static_cast<std::uint8_t>(tab.SRCNUM + 2);
    }
    Fill(1, {{"0", "C1", "circle note", "", ""}});
    Fill(3, {{"0", "B1", "box note", "", ""}});
    Fill(9, {{"0", "T1", "tri note", "", ""}});
    Fill(5, {{"1", "E1", "marked only", "", ""}});
    Window& preview = Print();
    EXPECT_EQ(AllBands(), (std::vector<std::string>{"G Box", "D B1|box note||", "R", "G Round ones",
                                                    "D C1|circle note||", "R", "G Tri",
                                                    "D T1|tri note||", "R", "G Ellipse"}));
    drv::Click(preview, preview::EXITBUTTON);
    EXPECT_TRUE(returned);
}

TEST_F(PrintNotesTest, PagesBreakAtTheBodysEndWithHeaderAndFooterOnEach) {
    std::vector<Note> rows;
    for (int i = 1; i <= 100; ++i)
        rows.push_back({"0", std::to_string(i), "note " + std::to_string(i), "EA", "A"});
    Fill(2, rows);
    Window& preview = Print();
    PageList pages = PreviewPages();
    ASSERT_EQ(pages.size(), 3u);
    // The group band and 42 notes, then 43, then the last 15.
    const std::vector<std::size_t> details = {42, 43, 15};
    int next = 1;
    for (std::size_t p = 0; p < pages.size(); ++p) {
        SCOPED_TRACE("page " + std::to_string(p + 1));
        PageListing listing = List(pages[p]);
        EXPECT_EQ(listing.own,
                  (std::vector<std::string>{"Key Notes", "Bubble #", "Description", "Unit", "Type",
                                            "Page " + std::to_string(p + 1)}));
        std::size_t count = 0;
        for (const std::string& band : listing.bands) {
            if (band[0] != 'D')
                continue;
            ++count;
            EXPECT_EQ(band,
                      "D " + std::to_string(next) + "|note " + std::to_string(next) + "|EA|A");
            ++next;
        }
        EXPECT_EQ(count, details[p]);
        EXPECT_EQ(listing.bands.front(), p == 0 ? "G Hex"
                                                : "D " + std::to_string(next - count) + "|note " +
                                                      std::to_string(next - count) + "|EA|A");
    }
    drv::Click(preview, preview::EXITBUTTON);
}

TEST_F(PrintNotesTest, NothingToPrintStillShowsThePreviewWithNoPage) {
    Fill(1, {{"1", "1", "only a marked note", "", ""}, {"0", "", "no number", "", ""}});
    notes.work = [&] { notes.grids[0].FreeRows(); };
    PostInput(notes.window.Thread(), Event{EVENT_User, 0, 0});
    drv::Settle();
    Window& preview = Print();
    EXPECT_TRUE(PreviewPages().empty());
    EXPECT_TRUE(preview[preview::PRINTBUTTON].Disabled());
    drv::Click(preview, preview::EXITBUTTON);
    EXPECT_TRUE(returned);
}

// Leaving the preview prints nothing and removes the pages; printing prints what the preview
// kept, as a PDF beside the keynote file when the system has no printer.
TEST_F(PrintNotesTest, OnlyThePagesThePreviewKeptArePrinted) {
    if (!PrintsToFile())
        GTEST_SKIP() << "the system has a printer";
    std::vector<Note> rows;
    for (int i = 1; i <= 100; ++i)
        rows.push_back({"0", std::to_string(i), "note " + std::to_string(i), "EA", "A"});
    Fill(1, rows);
    const std::string pdf = folder / "constnot.pdf";

    Window& first = Print();
    const std::string reportFolder = std::filesystem::path(PreviewPages().front()).parent_path();
    drv::Click(first, preview::EXITBUTTON);
    EXPECT_TRUE(returned);
    EXPECT_FALSE(std::filesystem::exists(pdf));
    EXPECT_FALSE(std::filesystem::exists(reportFolder));

    Window& second = Print();
    drv::Click(second, preview::PRINTBUTTON);
    Window* options = drv::FindWindow("Print Options");
    ASSERT_NE(options, nullptr);
    drv::Click(*options, preview::OPTIONPRINT_RANGE);
    drv::Type(*options, preview::PAGEFROM, "2");
    drv::Type(*options, preview::PAGETO, "3");
    drv::Click(*options, preview::PRINTOK);
    EXPECT_TRUE(returned);
    EXPECT_EQ(drv::PdfPages(pdf), 2);
    std::string text = drv::PdfText(pdf);
    for (const char* shown : {"Key Notes", "Bubble #", "note 43", "note 100", "Page 2", "Page 3"})
        EXPECT_NE(text.find(shown), std::string::npos) << shown;
    for (const char* left : {"note 42 ", "Page 1"})
        EXPECT_EQ(text.find(left), std::string::npos) << left;
}

// Pages made as the preview and the printer read them, in any order, have the bytes of the same
// report's pages made at once: breaks inside a note, at a tab's caption, after marked and
// unnumbered notes, tabs without rows between tabs with them.
TEST(PrintNotesPages, PagesMadeAsReadHaveTheBytesOfPagesMadeAtOnce) {
    std::vector<ReportTab> tabs(4);
    tabs[0].caption = "Empty";
    for (std::size_t t = 1; t < tabs.size(); ++t) {
        tabs[t].caption = "Tab " + std::to_string(t);
        tabs[t].descWidth = t == 2 ? 0 : 40;
        for (int i = 1; i <= 150; ++i) {
            std::string description = "note " + std::to_string(i);
            for (int line = 1; line < (i * 7 + static_cast<int>(t)) % 13; ++line)
                description += "\r\nline " + std::to_string(line) + " of a longer note, cut";
            tabs[t].rows.push_back({i % 17 == 0 ? "1" : "0", i % 23 == 0 ? "" : std::to_string(i),
                                    description, "EA", "COUNT"});
        }
    }
    PageList atOnce, asRead;
    NotesReport first(atOnce), second(asRead);
    ASSERT_TRUE(first.Produce(tabs, NotesReport::PageMaking::AllNow));
    ASSERT_TRUE(second.Produce(tabs));
    ASSERT_GT(atOnce.size(), 20u);
    ASSERT_EQ(asRead.size(), atOnce.size());
    std::vector<std::size_t> order;
    for (std::size_t i = asRead.size(); i-- > 0;)
        order.push_back((i * 7) % asRead.size());
    for (std::size_t i : order) {
        SCOPED_TRACE("page " + std::to_string(i + 1));
        const std::optional<std::string> made = ReadBundled(asRead[i]);
        ASSERT_TRUE(made.has_value());
        EXPECT_EQ(*made, ReadBundled(atOnce[i]).value_or(""));
    }
    first.Engine().Release();
    second.Engine().Release();
}

TEST(PrintNotesText, SplitDescToLinesAndFitPrintLine) {
    std::vector<std::string> lines;
    SplitDescToLines("abc\r\ndef", lines, 62);
    EXPECT_EQ(lines, (std::vector<std::string>{"abc", "def"}));
    SplitDescToLines("", lines, 62);
    EXPECT_EQ(lines, std::vector<std::string>{""});
    SplitDescToLines(std::string(124, 'a'), lines, 62);
    EXPECT_EQ(lines, (std::vector<std::string>{std::string(62, 'a'), std::string(62, 'a'), ""}));
    SplitDescToLines(std::string(1200, 'b'), lines, 5000); // one line, cut to 999
    EXPECT_EQ(lines, std::vector<std::string>{std::string(999, 'b')});

    EXPECT_EQ(FitPrintLine("  two", 8), "  two   ");
    EXPECT_EQ(FitPrintLine(" x", 1), " ");
    EXPECT_EQ(FitPrintLine("abcdef", 4), "abcd");
    EXPECT_EQ(FitPrintLine("", 3), "   ");
}

// Without a printer the report goes to the keynote file's name with its last ending replaced.
TEST(PrintNotesText, TheDefaultPdfTakesTheKeynoteFilesNameLessItsLastEnding) {
    const struct {
        const char* csv;
        const char* pdf;
    } cases[] = {
        {"constnot.csv", "/jobs/p1/constnot.pdf"},
        {"job.v2.csv", "/jobs/p1/job.v2.pdf"},
        {"notes", "/jobs/p1/notes.pdf"},
        {".csv", "/jobs/p1/.csv.pdf"},
    };
    ProjectFolder = "/jobs/p1";
    for (const auto& c : cases) {
        CsvName = c.csv;
        EXPECT_EQ(DefaultPdf(), c.pdf) << c.csv;
    }
    ProjectFolder.clear();
    CsvName.clear();
}
