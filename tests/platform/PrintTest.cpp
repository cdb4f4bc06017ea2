#include "platform/report/Printing.h"
#include "platform/report/Report.h"
#include "platform/runtime/Runtime.h"
#include "platform/testing/Driver.h"
#include "platform/testing/Pdf.h"
#include "platform/testing/TempFiles.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Frame.h"
#include "platform/ui/WindowManager.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace platform;
namespace drv = platform::testing;

namespace {

enum { ROW = 1 };

// A report whose pages hold three rows each, each row a text and a frame of lines.
struct Rows {
    std::string value;
    ReportDef def;
    Rows() {
        def.body = {0, 1000, 1000, 6500, 900};
        ReportItem text;
        text.x = 100;
        text.y = 40;
        text.width = 6000;
        text.value = &value;
        ReportItem line;
        line.kind = ReportItemKind::Line;
        line.width = 6500;
        ReportItem grey;
        grey.kind = ReportItemKind::Box;
        grey.width = 6500;
        grey.height = 300;
        grey.fill = 0xC0C0C0;
        def.bands = {{ROW, 0, 0, 0, 300, {grey, line, text}}};
        ReportItem number;
        number.x = 5500;
        number.width = 900;
        number.text = "Page <<<#";
        number.pageNumber = true;
        def.footer = {0, 1000, 10300, 6500, 200, {number}};
    }
};

class PrintTest : public ::testing::Test {
protected:
    drv::TempFolder folder;
    drv::PrintGuard printing{folder / "notes.pdf"}; // reset after the threads ended
    void SetUp() override {
        if (!PrintsToFile())
            GTEST_SKIP() << "the system has a printer: these tests print to files only";
    }
    void TearDown() override {
        drv::ExpectNoMessage();
        EndAllThreads();
        drv::Settle();
    }
    // Makes a report of `rows` rows named "Row 1", "Row 2", ...
    void Produce(Report& report, Rows& rows, int count) {
        ASSERT_TRUE(report.Open());
        for (int i = 1; i <= count; ++i) {
            rows.value = "Row " + std::to_string(i);
            report.Print(ROW);
        }
        report.EndPage();
    }
};

} // namespace

TEST_F(PrintTest, WithoutAPrinterThePagesBecomeAPdfOfTheDefaultFile) {
    Rows rows;
    PageList pages;
    Report report(rows.def, pages);
    Produce(report, rows, 7);
    ASSERT_EQ(pages.size(), 3u);
    pages.erase(pages.begin() + 1); // the preview kept pages 1 and 3
    EXPECT_EQ(PrintTarget(), folder / "notes.pdf");
    PrintOutcome outcome = PrintPages(pages);
    EXPECT_TRUE(outcome.ok) << outcome.error;
    EXPECT_TRUE(outcome.toFile);
    EXPECT_EQ(outcome.target, folder / "notes.pdf");
    EXPECT_EQ(drv::PdfPages(folder / "notes.pdf"), 2);
    std::string text = drv::PdfText(folder / "notes.pdf");
    for (const char* shown : {"Row 1", "Row 2", "Row 3", "Page 1", "Row 7", "Page 3"})
        EXPECT_NE(text.find(shown), std::string::npos) << shown;
    for (const char* left : {"Row 4", "Page 2"})
        EXPECT_EQ(text.find(left), std::string::npos) << left;
    // Rows come out in page order, each page on its own.
    EXPECT_LT(text.find("Row 3"), text.find("\f"));
    EXPECT_GT(text.find("Row 7"), text.find("\f"));
}

TEST_F(PrintTest, TheFileChosenInPrintSetupWinsOverTheDefault) {
    Start([](const std::string&) { PrinterSetup(); });
    drv::AnswerDialog(DIALOG_Printer, "Print Setup", folder / "chosen.pdf");
    EXPECT_EQ(PrintTarget(), folder / "chosen.pdf");
    Rows rows;
    PageList pages;
    Report report(rows.def, pages);
    Produce(report, rows, 2);
    EXPECT_TRUE(PrintPages(pages).ok);
    EXPECT_EQ(drv::PdfPages(folder / "chosen.pdf"), 1);
    EXPECT_FALSE(std::filesystem::exists(folder / "notes.pdf"));
    // The printer keeps its file and its paper for the next print.
    EXPECT_EQ(PrintTarget(), folder / "chosen.pdf");
}

// A page that cannot be read ends the job there, with the page named, wherever it stands in
// the run; the next print prints whole again.
TEST_F(PrintTest, AnUnreadablePageEndsTheJobAndSaysWhich) {
    Rows rows;
    PageList pages;
    Report report(rows.def, pages);
    Produce(report, rows, 30);
    ASSERT_EQ(pages.size(), 10u);
    for (std::size_t gone : {std::size_t{0}, std::size_t{6}, std::size_t{9}}) {
        SCOPED_TRACE("page " + std::to_string(gone + 1));
        PageList run = pages;
        run[gone] = folder / "missing.svg";
        const PrintOutcome outcome = PrintPages(run);
        EXPECT_FALSE(outcome.ok);
        EXPECT_EQ(outcome.error, "Unable to read the page image " + (folder / "missing.svg"));
    }
    std::size_t told = 0;
    const PrintOutcome outcome = PrintPages(pages, [&told](std::size_t page, std::size_t count) {
        EXPECT_GE(page, std::max<std::size_t>(told, 1));
        EXPECT_EQ(count, 10u);
        told = page;
    });
    EXPECT_TRUE(outcome.ok) << outcome.error;
    EXPECT_EQ(drv::PdfPages(folder / "notes.pdf"), 10);
    EXPECT_NE(drv::PdfText(folder / "notes.pdf").find("Row 30"), std::string::npos);
}

TEST_F(PrintTest, NoPagesPrintNothing) {
    PrintOutcome outcome = PrintPages({});
    EXPECT_TRUE(outcome.ok);
    EXPECT_FALSE(std::filesystem::exists(folder / "notes.pdf"));
}

// Closing a report set to print prints the pages its list still names; the frame's status bar
// then names the file, and a failure is reported naming it.
TEST_F(PrintTest, ClosingAReportSetToPrintPrintsAndSaysWhere) {
    WindowDef def;
    def.caption = "Frame";
    Window window{def};
    Frame frame{window, {{"&File"}}};
    struct Main : WindowManager {
        Window* w = nullptr;
        std::function<void()> work;
        int Setup() override {
            Open(*w);
            return RESULT_GoOn;
        }
        int OnEvent() override {
            if (CurrentEvent() == EVENT_User && work)
                std::exchange(work, nullptr)();
            return WindowManager::OnEvent();
        }
    } main;
    main.w = &window;
    Start([&](const std::string&) { main.Run(); });
    drv::Settle();
    auto onFrame = [&](std::function<void()> f) {
        main.work = std::move(f);
        PostInput(window.Thread(), Event{EVENT_User, 0, 0});
        drv::Settle();
    };

    Rows rows;
    PageList pages;
    bool printed = false;
    onFrame([&] {
        Report report(rows.def, pages);
        Produce(report, rows, 4);
        report.SetFlushPreview(true);
        printed = report.Close();
    });
    EXPECT_TRUE(printed);
    EXPECT_EQ(drv::PdfPages(folder / "notes.pdf"), 2);
    EXPECT_EQ(frame.StatusText(), "Printed to " + folder / "notes.pdf");

    // A report not set to print prints nothing.
    std::filesystem::remove(folder / "notes.pdf");
    onFrame([&] {
        Report report(rows.def, pages);
        Produce(report, rows, 4);
        printed = report.Close();
    });
    EXPECT_TRUE(printed);
    EXPECT_FALSE(std::filesystem::exists(folder / "notes.pdf"));

    // A file that cannot be written.
    const std::string bad = folder / "missing/notes.pdf";
    SetDefaultPrintFile(bad);
    onFrame([&] {
        Report report(rows.def, pages);
        Produce(report, rows, 1);
        report.SetFlushPreview(true);
        printed = report.Close();
    });
    drv::Answer("Unable to print to " + bad + "!|Error: No such file or directory", "Print",
                ICON_Hand, BUTTON_OK, BUTTON_OK);
    EXPECT_FALSE(printed);
    EXPECT_FALSE(std::filesystem::exists(bad));
}
