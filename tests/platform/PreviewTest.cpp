#include "platform/report/Preview.h"
#include "platform/files/FileBundle.h"
#include "platform/runtime/Runtime.h"
#include "platform/testing/Driver.h"
#include "platform/testing/TempFiles.h"
#include "platform/ui/ImageBox.h"
#include "platform/ui/Keys.h"
#include "platform/ui/StatusBar.h"

#include <QWidget>

#include <gtest/gtest.h>

#include <QLineEdit>

#include <filesystem>

using namespace platform;
using namespace platform::preview;
namespace drv = platform::testing;

namespace {

const std::vector<std::string> kZoomItems = {"-No Zoom", "-Page Width", "-50%", "-75%",
                                             "-100%",    "-200%",       "-300%"};

// The zoom menu's items with the check mark on item n (from 1).
std::vector<std::string> ZoomItems(int checked) {
    std::vector<std::string> items = kZoomItems;
    items[static_cast<std::size_t>(checked - 1)][0] = '+';
    return items;
}

std::string LetterPage(const std::string& text) {
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"816\" height=\"1056\" "
           "viewBox=\"0 0 8500 11000\"><rect width=\"8500\" height=\"11000\" fill=\"#ffffff\"/>"
           "<text x=\"1000\" y=\"1000\" font-size=\"140\">" +
           text + "</text></svg>\n";
}

class PreviewTest : public ::testing::Test {
protected:
    drv::TempFolder folder;
    PageList pages;
    std::vector<std::string> files; // every page made, in order
    int result = 0;
    bool returned = false;

    void TearDown() override {
        drv::ExpectNoMessage();
        EndAllThreads();
        drv::Settle();
    }

    void MakePages(int count) {
        for (int i = 1; i <= count; ++i) {
            std::string file = folder / ("page" + std::to_string(i) + ".svg");
            drv::WriteBytes(file, LetterPage("Page " + std::to_string(i)));
            pages.push_back(file);
            files.push_back(file);
        }
    }

    // Calls the preview on a thread of its own, as a report's window does.
    Window& Open(const std::string& caption = "Preview") {
        Start([this, caption](const std::string&) {
            result = PrintPreview(pages, caption);
            returned = true;
        });
        drv::Settle();
        Window* w = drv::FindWindow(caption);
        EXPECT_NE(w, nullptr);
        return *w;
    }

    Window& Dialog(const std::string& caption) {
        Window* d = drv::FindWindow(caption);
        EXPECT_NE(d, nullptr) << caption;
        return *d;
    }

    static std::string Zone(Window& w, int zone) { return StatusText(w, zone); }

    // The pages the thumbnail cells show, "-" for a hidden cell.
    std::vector<std::string> Cells(Window& w, int count) {
        std::vector<std::string> out;
        for (int k = 0; k < count; ++k) {
            Control* image = w.Find(FIRSTCELLIMAGE + k);
            if (!image) {
                out.push_back("none");
                continue;
            }
            std::string name = image->Hidden() ? "-" : image->Text();
            for (std::size_t i = 0; i < files.size(); ++i)
                if (name == files[i])
                    name = std::to_string(i + 1);
            out.push_back(name);
        }
        return out;
    }

    void SetGrid(Window& w, int across, int down) {
        drv::Type(w, PAGESACROSS, std::to_string(across));
        drv::Type(w, PAGESDOWN, std::to_string(down));
    }

    void Zoom(Window& w, int current, int choice) {
        drv::Click(w, ZOOMBUTTON);
        drv::PickPopup(ZoomItems(current), choice);
    }
};

} // namespace

TEST_F(PreviewTest, StartsWithTheFirstPageFittedInOneCellAndNamedButtons) {
    MakePages(3);
    Window& w = Open("Report of notes");
    EXPECT_EQ(w.Caption(), "Report of notes");
    EXPECT_EQ(Cells(w, 2), (std::vector<std::string>{"1", "none"}));
    EXPECT_EQ(Zone(w, 2), "No Zoom");
    EXPECT_EQ(Zone(w, 4), "");
    EXPECT_EQ(Zone(w, 5), "Page 1 of 3");
    EXPECT_TRUE(w[PREVIOUS].Disabled());
    EXPECT_FALSE(w[NEXT].Disabled());
    // The whole page shows, in the page's proportions.
    Control& cell = w[FIRSTCELLIMAGE];
    EXPECT_NEAR(static_cast<double>(cell.Height()) / cell.Width(),
                ImageBox::Of(cell)->NaturalHeight() / double(ImageBox::Of(cell)->NaturalWidth()),
                0.05);
    EXPECT_LE(cell.Y() + cell.Height(), w.Height());
    EXPECT_EQ(w[PRINTBUTTON].Widget()->accessibleName(), "Print The Report");
    EXPECT_EQ(w[PREVIEWMARK].Widget()->accessibleName(), "Mark Page For Printing");
    EXPECT_EQ(StatusMessage(w[ZOOMBUTTON]), "Zoom in on a page ");
    // The spin boxes show the highest value of their range whole beside their arrows.
    for (int spin : {PAGESACROSS, PAGESDOWN}) {
        auto* edit = w[spin].Widget()->findChild<QLineEdit*>();
        ASSERT_NE(edit, nullptr);
        EXPECT_GE(edit->contentsRect().width() - 4, edit->fontMetrics().horizontalAdvance("10"));
    }
    // The prompts' access keys reach their spin boxes.
    drv::Key(w, 0, KEY_Alt + KeyOf('D'));
    EXPECT_TRUE(w[PAGESDOWN].HasFocus());
    drv::Key(w, 0, KEY_Alt + KeyOf('A'));
    EXPECT_TRUE(w[PAGESACROSS].HasFocus());
    drv::Click(w, EXITBUTTON);
    EXPECT_TRUE(returned);
    EXPECT_EQ(result, 2);
    EXPECT_EQ(pages.size(), 3u);
}

// The grid of 2 by 2 with 5 pages: pages 1 to 4, then page 5 alone in the first cell.
TEST_F(PreviewTest, ThumbnailsPageByTheirCountAndReuseTheirCells) {
    MakePages(5);
    Window& w = Open();
    SetGrid(w, 2, 2);
    EXPECT_EQ(Cells(w, 4), (std::vector<std::string>{"1", "2", "3", "4"}));
    EXPECT_EQ(Zone(w, 5), "Pages 1-4 of 5");
    QWidget* first = w[FIRSTCELLIMAGE].Widget();
    drv::Click(w, NEXT);
    EXPECT_EQ(Cells(w, 4), (std::vector<std::string>{"5", "-", "-", "-"}));
    EXPECT_EQ(Zone(w, 5), "Page 5 of 5");
    EXPECT_TRUE(w[NEXT].Disabled());
    EXPECT_FALSE(w[PREVIOUS].Disabled());
    EXPECT_EQ(w[FIRSTCELLIMAGE].Widget(), first); // the same cell, another page
    drv::Click(w, PREVIOUS);
    EXPECT_EQ(Cells(w, 4), (std::vector<std::string>{"1", "2", "3", "4"}));
    drv::Key(w, 0, KEY_PgDn);
    EXPECT_EQ(Zone(w, 5), "Page 5 of 5");
    drv::Key(w, 0, KEY_PgUp);
    EXPECT_EQ(Zone(w, 5), "Pages 1-4 of 5");

    // Last page, first page.
    drv::Click(w, PREVIEWBOTTOM);
    EXPECT_EQ(Cells(w, 4), (std::vector<std::string>{"5", "-", "-", "-"}));
    drv::Click(w, PREVIEWTOP);
    EXPECT_EQ(Cells(w, 4), (std::vector<std::string>{"1", "2", "3", "4"}));

    // Another grid shape builds other cells; a value above the range is pulled to its end.
    SetGrid(w, 3, 1);
    EXPECT_EQ(Cells(w, 4), (std::vector<std::string>{"1", "2", "3", "none"}));
    EXPECT_EQ(Zone(w, 5), "Pages 1-3 of 5");
    drv::Type(w, PAGESDOWN, "12");
    EXPECT_EQ(w[PAGESDOWN].Value(), "10");
    EXPECT_EQ(Cells(w, 6), (std::vector<std::string>{"1", "2", "3", "4", "5", "-"}));
}

TEST_F(PreviewTest, OnePageLeavesNextAndPreviousAsTheyWere) {
    MakePages(1);
    Window& w = Open();
    EXPECT_FALSE(w[NEXT].Disabled());
    EXPECT_FALSE(w[PREVIOUS].Disabled());
    drv::Click(w, NEXT);
    drv::Click(w, PREVIOUS);
    EXPECT_EQ(Zone(w, 5), "Page 1 of 1");
    EXPECT_EQ(Cells(w, 1), (std::vector<std::string>{"1"}));
}

TEST_F(PreviewTest, TheZoomMenuSwitchesBetweenThumbnailsAndOnePage) {
    MakePages(3);
    Window& w = Open();
    Zoom(w, 1, 5); // 100%
    EXPECT_EQ(Zone(w, 2), "Zoom (100%)");
    EXPECT_EQ(w.Find(FIRSTCELLIMAGE), nullptr);
    ImageBox* page = ImageBox::Of(w[PAGEIMAGE]);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(w[PAGEIMAGE].Text(), files[0]);
    EXPECT_EQ(page->DrawnWidth(), page->NaturalWidth());
    EXPECT_EQ(page->DrawnHeight(), page->NaturalHeight());
    EXPECT_TRUE(page->HorizontalScrollBar());

    struct Case {
        int item;
        const char* zone;
        double factor; // drawn width over natural width
    };
    const std::vector<Case> cases = {
        {3, "Zoom (50%)", 0.5},  {4, "Zoom (75%)", 0.75}, {6, "Zoom (200%)", 2.0},
        {7, "Zoom (300%)", 3.0}, {5, "Zoom (100%)", 1.0},
    };
    int current = 5;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.zone);
        Zoom(w, current, c.item);
        current = c.item;
        EXPECT_EQ(Zone(w, 2), c.zone);
        EXPECT_NEAR(page->DrawnWidth(), page->NaturalWidth() * c.factor, 1.0);
    }
    Zoom(w, current, 2); // Page Width: the page fills the width, no horizontal scroll bar
    EXPECT_EQ(Zone(w, 2), "Page Width");
    EXPECT_FALSE(page->HorizontalScrollBar());
    EXPECT_LE(page->DrawnWidth(), w.Width());
    EXPECT_GT(page->DrawnWidth(), w.Width() - 20);

    // Paging one page at a time; the arrow keys scroll the page.
    drv::Click(w, NEXT);
    EXPECT_EQ(Zone(w, 5), "Page 2 of 3");
    EXPECT_EQ(w[PAGEIMAGE].Text(), files[1]);
    drv::Key(w, 0, KEY_Down);
    EXPECT_EQ(page->VScroll(), 51);
    drv::Click(w, NEXT);
    EXPECT_TRUE(w[NEXT].Disabled());
    EXPECT_EQ(page->VScroll(), 51); // kept from page to page
    drv::Key(w, 0, KEY_Up);
    EXPECT_EQ(page->VScroll(), 0);

    // Nothing chosen changes nothing; No Zoom and a click on the page go back to thumbnails.
    drv::Click(w, ZOOMBUTTON);
    drv::PickPopup(ZoomItems(2), 0);
    EXPECT_EQ(Zone(w, 2), "Page Width");
    drv::Click(w, PAGEIMAGE);
    EXPECT_EQ(Zone(w, 2), "No Zoom");
    EXPECT_EQ(w.Find(PAGEIMAGE), nullptr);
    EXPECT_EQ(Cells(w, 1), (std::vector<std::string>{"3"}));
    drv::Key(w, 0, KEY_Down); // nothing to scroll in the thumbnails
    EXPECT_EQ(Cells(w, 1), (std::vector<std::string>{"3"}));
}

TEST_F(PreviewTest, AClickOnAThumbnailShowsThatPageAtPageWidth) {
    MakePages(5);
    Window& w = Open();
    SetGrid(w, 2, 2);
    drv::Click(w, FIRSTCELLIMAGE + 2);
    EXPECT_EQ(Zone(w, 2), "Page Width");
    EXPECT_EQ(Zone(w, 5), "Page 3 of 5");
    EXPECT_EQ(w[PAGEIMAGE].Text(), files[2]);
    // Back to thumbnails from there: the cells are built again, starting at that page.
    Zoom(w, 2, 1);
    EXPECT_EQ(Cells(w, 4), (std::vector<std::string>{"3", "4", "5", "-"}));
}

TEST_F(PreviewTest, JumpGoesToTheChosenPageAndCancelStays) {
    MakePages(5);
    Window& w = Open();
    drv::Click(w, JUMP);
    Window& jump = Dialog("Jump to a Report Page");
    EXPECT_EQ(jump[JUMPPAGE].Value(), "1");
    drv::Type(jump, JUMPPAGE, "3");
    drv::Click(jump, OKBUTTON);
    EXPECT_EQ(Zone(w, 5), "Page 3 of 5");

    drv::Click(w, JUMP);
    drv::Type(Dialog("Jump to a Report Page"), JUMPPAGE, "9"); // above the range: its end
    EXPECT_EQ(Dialog("Jump to a Report Page")[JUMPPAGE].Value(), "5");
    drv::Click(Dialog("Jump to a Report Page"), CANCELBUTTON);
    EXPECT_EQ(Zone(w, 5), "Page 3 of 5");

    drv::Click(w, JUMP);
    drv::Type(Dialog("Jump to a Report Page"), JUMPPAGE, "9");
    drv::Click(Dialog("Jump to a Report Page"), OKBUTTON);
    EXPECT_EQ(Zone(w, 5), "Page 5 of 5");
}

TEST_F(PreviewTest, TheDisplayDialogSetsTheGrid) {
    MakePages(5);
    Window& w = Open();
    drv::Click(w, CHANGEDISPLAY);
    Window& display = Dialog("Change the Report Display");
    drv::Type(display, INPUT_PAGESACROSS, "2");
    drv::Type(display, INPUT_PAGESDOWN, "2");
    drv::Click(display, OK);
    EXPECT_EQ(Cells(w, 4), (std::vector<std::string>{"1", "2", "3", "4"}));
    EXPECT_EQ(w[PAGESACROSS].Value(), "2");
    EXPECT_EQ(w[PAGESDOWN].Value(), "2");
}

TEST_F(PreviewTest, MarkAndDeleteActOnTheOnePageShownOnly) {
    MakePages(4);
    Window& w = Open();
    drv::Click(w, NEXT);
    drv::Click(w, PREVIEWMARK);
    EXPECT_EQ(Zone(w, 4), "Marked");
    EXPECT_EQ(w[PREVIEWMARK].Icon(), "~Mark.ico");
    EXPECT_EQ(StatusMessage(w[PREVIEWMARK]), "Unmark Page");
    drv::Click(w, PREVIOUS);
    EXPECT_EQ(Zone(w, 4), "");
    EXPECT_EQ(w[PREVIEWMARK].Icon(), "~Unmark.ico");
    EXPECT_EQ(StatusMessage(w[PREVIEWMARK]), "Mark Page");
    drv::Click(w, NEXT);
    EXPECT_EQ(Zone(w, 4), "Marked");
    drv::Click(w, PREVIEWMARK); // unmark again
    EXPECT_EQ(Zone(w, 4), "");

    // More than one thumbnail: neither marks nor deletes.
    SetGrid(w, 2, 1);
    drv::Click(w, PREVIEWMARK);
    drv::Click(w, PREVIEWDELETE);
    EXPECT_EQ(PreviewPages().size(), 4u);

    // One page at a zoom: delete takes the page out of the run, its file stays.
    SetGrid(w, 1, 1);
    Zoom(w, 1, 5);
    drv::Click(w, NEXT); // page 3
    drv::Click(w, PREVIEWDELETE);
    EXPECT_EQ(PreviewPages(), (PageList{files[0], files[1], files[3]}));
    EXPECT_EQ(Zone(w, 5), "Page 2 of 3");
    EXPECT_TRUE(std::filesystem::exists(files[2]));
    drv::Click(w, EXITBUTTON);
    EXPECT_EQ(result, 2);
    EXPECT_EQ(pages, (PageList{files[0], files[1], files[3]}));
}

TEST_F(PreviewTest, DeletingTheLastPageLeavesOnlyExit) {
    MakePages(2);
    Window& w = Open();
    drv::Click(w, PREVIEWDELETE);
    drv::Click(w, PREVIEWDELETE);
    EXPECT_TRUE(PreviewPages().empty());
    EXPECT_EQ(Zone(w, 5), "No pages");
    EXPECT_EQ(w.Find(FIRSTCELLIMAGE), nullptr);
    for (int c : {PRINTBUTTON, ZOOMBUTTON, JUMP, NEXT, PREVIOUS, PREVIEWTOP, PREVIEWBOTTOM,
                  PAGESACROSS, PAGESDOWN, CHANGEDISPLAY, PREVIEWDELETE, PREVIEWMARK})
        EXPECT_TRUE(w[c].Disabled()) << c;
    drv::Key(w, 0, KEY_PgDn);
    EXPECT_FALSE(returned);
    drv::Click(w, EXITBUTTON);
    EXPECT_TRUE(returned);
    EXPECT_EQ(result, 2);
}

TEST_F(PreviewTest, AnEmptyPageListShowsNothingAndTheCloseBoxEndsIt) {
    Window& w = Open();
    EXPECT_EQ(Zone(w, 5), "No pages");
    EXPECT_TRUE(w[PRINTBUTTON].Disabled());
    EXPECT_FALSE(w[EXITBUTTON].Disabled());
    drv::CloseBox(w);
    EXPECT_TRUE(returned);
    EXPECT_EQ(result, 2);
}

// What the print options leave in the page list; the pages they drop are deleted.
TEST_F(PreviewTest, PrintOptionsKeepThePagesChosen) {
    struct Case {
        const char* name;
        std::vector<int> marks; // pages marked first
        int radio;
        int from, to;
        std::vector<int> kept;
    };
    const std::vector<Case> cases = {
        {"all", {}, OPTIONPRINT_ALL, 0, 0, {1, 2, 3, 4, 5}},
        {"all, some marked", {2}, OPTIONPRINT_ALL, 0, 0, {1, 2, 3, 4, 5}},
        {"marked", {2, 4}, OPTIONPRINT_MARKED, 0, 0, {2, 4}},
        {"unmarked", {2, 4}, OPTIONPRINT_UNMARKED, 0, 0, {1, 3, 5}},
        {"range", {}, OPTIONPRINT_RANGE, 2, 4, {2, 3, 4}},
        {"range of one", {}, OPTIONPRINT_RANGE, 5, 5, {5}},
        {"from above to", {}, OPTIONPRINT_RANGE, 4, 2, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        pages.clear();
        files.clear();
        returned = false;
        MakePages(5);
        Window& w = Open();
        for (int page : c.marks) {
            drv::Click(w, JUMP);
            drv::Type(Dialog("Jump to a Report Page"), JUMPPAGE, std::to_string(page));
            drv::Click(Dialog("Jump to a Report Page"), OKBUTTON);
            drv::Click(w, PREVIEWMARK);
        }
        drv::Click(w, PRINTBUTTON);
        Window& options = Dialog("Print Options");
        EXPECT_EQ(options[OPTIONPRINT_MARKED].Disabled(), c.marks.empty());
        EXPECT_EQ(options[OPTIONPRINT_UNMARKED].Disabled(), c.marks.empty());
        EXPECT_TRUE(options[PAGEFROM].Disabled());
        drv::Click(options, c.radio);
        if (c.radio == OPTIONPRINT_RANGE) {
            EXPECT_FALSE(options[PAGEFROM].Disabled());
            drv::Type(options, PAGEFROM, std::to_string(c.from));
            drv::Type(options, PAGETO, std::to_string(c.to));
        }
        drv::Click(options, PRINTOK);
        ASSERT_TRUE(returned);
        EXPECT_EQ(result, 1);
        PageList kept;
        for (int page : c.kept)
            kept.push_back(files[static_cast<std::size_t>(page - 1)]);
        EXPECT_EQ(pages, kept);
        for (std::size_t i = 0; i < files.size(); ++i) {
            bool keptPage = std::find(kept.begin(), kept.end(), files[i]) != kept.end();
            EXPECT_EQ(std::filesystem::exists(files[i]), keptPage) << files[i];
        }
        drv::Settle();
    }
}

// A deleted page takes its mark with it: the print options offer the marked and unmarked pages
// only while a page still in the run is marked.
TEST_F(PreviewTest, ADeletedMarkedPageNoLongerCountsAsMarked) {
    MakePages(4);
    Window& w = Open();
    drv::Click(w, NEXT); // page 2
    drv::Click(w, PREVIEWMARK);
    drv::Click(w, NEXT); // page 3
    drv::Click(w, PREVIEWMARK);
    drv::Click(w, PREVIEWDELETE); // page 3 goes, page 2 is shown
    auto offered = [&] {
        drv::Click(w, PRINTBUTTON);
        Window& options = Dialog("Print Options");
        const bool marked = !options[OPTIONPRINT_MARKED].Disabled();
        EXPECT_EQ(options[OPTIONPRINT_UNMARKED].Disabled(), !marked);
        drv::Click(options, PRINTCANCEL);
        return marked;
    };
    EXPECT_TRUE(offered()); // page 2 is still marked
    EXPECT_EQ(Zone(w, 4), "Marked");
    drv::Click(w, PREVIEWDELETE); // page 2 goes too
    EXPECT_EQ(Zone(w, 4), "");
    EXPECT_FALSE(offered());
    drv::Click(w, EXITBUTTON);
    EXPECT_EQ(pages, (PageList{files[0], files[3]}));
}

TEST_F(PreviewTest, CancelledPrintOptionsStayInThePreviewAndKeepTheRange) {
    MakePages(3);
    Window& w = Open();
    drv::Click(w, PRINTBUTTON);
    Window& options = Dialog("Print Options");
    drv::Click(options, OPTIONPRINT_RANGE);
    drv::Type(options, PAGETO, "7"); // above the page count: the count
    EXPECT_EQ(options[PAGETO].Value(), "3");
    drv::Click(options, PRINTCANCEL);
    EXPECT_FALSE(returned);
    EXPECT_EQ(drv::FindWindow("Print Options"), nullptr);

    drv::Click(w, PRINTBUTTON);
    Window& again = Dialog("Print Options");
    EXPECT_EQ(again[OPTIONPRINT].Value(), "1"); // All Pages again
    EXPECT_EQ(again[PAGETO].Value(), "3");      // the range as it was left
    drv::CloseBox(again);
    EXPECT_FALSE(returned);
    drv::Click(w, EXITBUTTON);
    EXPECT_EQ(result, 2);
    EXPECT_EQ(pages.size(), 3u);
}

// User events that reach the caller's thread during the preview wait for the caller's window.
TEST_F(PreviewTest, EventsForTheCallersWindowWaitUntilThePreviewCloses) {
    MakePages(1);
    std::vector<int> later;
    Start([&](const std::string&) {
        result = PrintPreview(pages, "Preview");
        while (EventsWaiting())
            if (int code = Accept().code; code >= EVENT_User)
                later.push_back(code);
    });
    drv::Settle();
    Window* w = drv::FindWindow("Preview");
    ASSERT_NE(w, nullptr);
    PostInput(w->Thread(), Event{EVENT_User + 0xCD, 0, 0});
    drv::Settle();
    EXPECT_NE(drv::FindWindow("Preview"), nullptr);
    drv::Click(*w, EXITBUTTON);
    EXPECT_EQ(later, std::vector<int>{EVENT_User + 0xCD});
}

// The caller's own window is resized while the preview runs: it hears of it once the preview has
// closed, in order with the other events that came meanwhile.
TEST_F(PreviewTest, TheCallersWindowGetsItsEventsInOrderAfterThePreview) {
    MakePages(1);
    WindowDef def;
    def.caption = "Caller";
    def.width = 200;
    def.height = 100;
    def.attributes = WIN_Resizable;
    Window caller{def};
    std::vector<std::string> later;
    Start([&](const std::string&) {
        caller.Open();
        while (EventsWaiting())
            Accept(); // its opening
        result = PrintPreview(pages, "Preview");
        while (EventsWaiting()) {
            Event e = Accept();
            later.push_back(std::to_string(e.code) + (e.window == &caller ? " caller" : ""));
        }
    });
    drv::Settle();
    Window* w = drv::FindWindow("Preview");
    ASSERT_NE(w, nullptr);
    drv::Resize(caller, 400, 300);
    PostInput(w->Thread(), Event{EVENT_User + 1, 0, 0});
    drv::Settle();
    drv::Click(*w, EXITBUTTON);
    EXPECT_EQ(later, (std::vector<std::string>{std::to_string(EVENT_Sized) + " caller",
                                               std::to_string(EVENT_User + 1)}));
    EXPECT_EQ(caller.ClientWidget()->size(), QSize(400, 300));
}

// "Page xxxxx of xxxxx" is replaced in place, in its first place in each page only, wherever it
// stands (the page is read in overlapping records: about their ends above all).
TEST_F(PreviewTest, StampPageTotalsReplacesTheFirstPlaceholderOfEachPage) {
    const std::string placeholder = "Page xxxxx of xxxxx";
    struct Case {
        std::vector<std::size_t> at; // where placeholders stand
        std::size_t size;            // the file's size
    };
    const std::vector<Case> cases = {
        {{0}, 100},
        {{40, 120}, 300},
        {{237}, 600},
        {{238}, 600},
        {{240}, 600},
        {{244}, 600},
        {{245}, 600},
        {{250}, 600},
        {{475}, 600},
        {{490, 520}, 800},
        {{581}, 600}, // the last bytes of the file
        {{1000, 1300}, 2000},
        {{65500}, 70000},
        {{65517}, 70000},
        {{65518}, 70000},
        {{65530, 65600}, 70000},
        {{131034}, 140000},
        {{131100}, 140000},
    };
    const std::size_t count = cases.size();
    // Pages in files of their own, and a report's pages kept in its bundle: the same bytes.
    for (bool bundled : {false, true}) {
        SCOPED_TRACE(bundled ? "bundled" : "files");
        FileBundle bundle;
        std::string error;
        ASSERT_TRUE(bundle.Create(folder / "pages", error)) << error;
        PageList list;
        std::vector<std::string> before;
        for (std::size_t i = 0; i < count; ++i) {
            std::string bytes(cases[i].size, '.');
            for (std::size_t at : cases[i].at)
                bytes.replace(at, placeholder.size(), placeholder);
            std::string file = folder / ("stamp" + std::to_string(i) + ".svg");
            if (bundled)
                ASSERT_TRUE(bundle.Add(file, bytes, error)) << error;
            else
                drv::WriteBytes(file, bytes);
            list.push_back(file);
            before.push_back(bytes);
        }
        list.push_back(folder / "missing.svg"); // cannot be opened: left out
        StampPageTotals(list);
        for (std::size_t i = 0; i < count; ++i) {
            SCOPED_TRACE("case " + std::to_string(i));
            std::string expected = before[i];
            std::string total =
                "Page " + std::to_string(i + 1) + " of " + std::to_string(count + 1);
            std::size_t left = (19 - total.size()) / 2;
            std::string centred = std::string(left, ' ') + total;
            centred.resize(19, ' ');
            expected.replace(cases[i].at.front(), 19, centred);
            if (bundled) {
                EXPECT_EQ(ReadBundled(list[i]), expected);
                EXPECT_FALSE(std::filesystem::exists(list[i]));
            } else {
                EXPECT_EQ(drv::ReadBytes(list[i]), expected);
                std::filesystem::remove(list[i]);
            }
        }
        EXPECT_FALSE(std::filesystem::exists(list.back()));
    }
    // "Page 3 of 12" centred: three blanks before, four after.
    PageList twelve;
    for (int i = 1; i <= 12; ++i) {
        std::string file = folder / ("twelve" + std::to_string(i) + ".svg");
        drv::WriteBytes(file, "<" + placeholder + ">");
        twelve.push_back(file);
    }
    StampPageTotals(twelve);
    EXPECT_EQ(drv::ReadBytes(twelve[2]), "<   Page 3 of 12    >");
}

TEST_F(PreviewTest, ThePreviewStampsItsPagesWhenItStarts) {
    MakePages(2);
    drv::WriteBytes(files[1], LetterPage("Page xxxxx of xxxxx"));
    Window& w = Open();
    EXPECT_NE(drv::ReadBytes(files[1]).find(">    Page 2 of 2    <"), std::string::npos);
    drv::Click(w, EXITBUTTON);
}
