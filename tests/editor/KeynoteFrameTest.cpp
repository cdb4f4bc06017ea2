// The keynote window inside the real frame, followed from one window into the next as a user
// acts: the print preview and its dialogs, Print Setup, Exit and the close boxes, and commands
// given while an in-place edit is still open.
#include "FrameFixture.h"

#include "editor/Globals.h"
#include "editor/KeynoteWindow.h"
#include "editor/KeynoteWindowDef.h"
#include "editor/MainFrame.h"
#include "platform/report/PageImage.h"
#include "platform/report/Preview.h"

#include "grid/GridShared.h"
#include "grid/PelkGridClass.h"
#include "platform/files/Files.h"
#include "platform/ini/Ini.h"
#include "platform/runtime/Program.h"
#include "platform/runtime/Runtime.h"
#include "platform/testing/Driver.h"
#include "platform/testing/Pdf.h"
#include "platform/testing/TempFiles.h"
#include "platform/testing/WriteLimit.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Frame.h"
#include "platform/ui/ImageBox.h"
#include "platform/ui/Keys.h"
#include "platform/win32/Win32.h"

#include <QPrinter>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

using namespace editor;
using namespace platform;
namespace drv = platform::testing;

namespace {

const std::string kQuestion = "You have not saved this file. Exit without saving?";

// Names the print server to the print system's client library (none: its default again). The
// test never loads that library itself, just as the program does not: Qt's print support loads
// it and then reads CUPS_SERVER; once it is loaded, the server is set through it.
void NamePrintServer(const char* socket) {
    if (socket)
        setenv("CUPS_SERVER", socket, 1);
    else
        unsetenv("CUPS_SERVER");
    if (void* library = dlopen("libcups.so.2", RTLD_LAZY | RTLD_NOLOAD)) {
        if (auto set = reinterpret_cast<void (*)(const char*)>(dlsym(library, "cupsSetServer")))
            set(socket);
        dlclose(library);
    }
}

// A print server of the test's own (the system's print daemon on a socket in a temporary
// folder) with one printer, "refuse", whose queue rejects every job; while it lives it is the
// program's printer.
class RefusingPrinter {
public:
    RefusingPrinter() {
        if (!std::filesystem::exists("/usr/sbin/cupsd"))
            return;
        for (const char* sub : {"spool", "logs", "cache", "state", "run"})
            std::filesystem::create_directories(root_ / sub);
        socket_ = root_ / "run/cups.sock";
        drv::WriteBytes(root_ / "cupsd.conf", "Listen " + socket_ +
                                                  "\nLogLevel warn\n<Location />\nOrder "
                                                  "allow,deny\nAllow all\n</Location>\n");
        drv::WriteBytes(root_ / "cups-files.conf",
                        "ServerRoot " + root_.Path() + "\nRequestRoot " + root_ / "spool" +
                            "\nCacheDir " + root_ / "cache" + "\nStateDir " + root_ / "state" +
                            "\nErrorLog " + root_ / "logs/error_log" + "\nAccessLog " +
                            root_ / "logs/access_log" + "\nPageLog " + root_ / "logs/page_log" +
                            "\n");
        // The daemon, when it runs as root, hands its work to an unprivileged user.
        std::filesystem::permissions(root_.Path(), std::filesystem::perms::all,
                                     std::filesystem::perm_options::add);
        for (const char* sub : {"spool", "logs", "cache", "state", "run"})
            std::filesystem::permissions(root_ / sub, std::filesystem::perms::all,
                                         std::filesystem::perm_options::add);
        pid_ = fork();
        if (pid_ == 0) {
            execl("/usr/sbin/cupsd", "cupsd", "-f", "-c", (root_ / "cupsd.conf").c_str(), "-s",
                  (root_ / "cups-files.conf").c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        NamePrintServer(socket_.c_str());
        const std::string env = "CUPS_SERVER='" + socket_ + "' ";
        // A busy machine (a parallel test run) can take many seconds to bring the daemon up.
        for (int i = 0; i < 600 && std::system((env + "lpstat -r >/dev/null 2>&1").c_str()) != 0;
             ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        const std::string add = env +
                                "lpadmin -p refuse -E -v file:///dev/null >/dev/null 2>&1 && " +
                                env + "cupsreject refuse >/dev/null 2>&1";
        for (int i = 0; i < 100 && !ready_; ++i) {
            ready_ = std::system(add.c_str()) == 0;
            if (!ready_)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        if (ready_) {
            ProgramPrinter().setPrinterName("refuse");
            ready_ = ProgramPrinter().printerName() == "refuse";
        }
    }
    ~RefusingPrinter() {
        // Back to no printer: prints go to files again.
        ProgramPrinter().setPrinterName(QString());
        ProgramPrinter().setOutputFormat(QPrinter::PdfFormat);
        NamePrintServer(nullptr);
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    RefusingPrinter(const RefusingPrinter&) = delete;
    RefusingPrinter& operator=(const RefusingPrinter&) = delete;
    // Whether the printer is there to print on.
    bool Ready() const { return ready_; }
    // The print server goes down; the program's printer stays chosen.
    void StopServer() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        pid_ = -1;
    }

private:
    drv::TempFolder root_;
    std::string socket_;
    pid_t pid_ = -1;
    bool ready_ = false;
};

class KeynoteFrameTest : public editor::testing::FrameTest {
protected:
    std::vector<std::string> dialogs; // Editor Options and imports the frame ran

    KeynoteFrameTest() : FrameTest("job 1") {}
    void SetUp() override {
        FrameTest::SetUp();
        Windows.ConfigVars = [this] { dialogs.push_back("options"); };
        Windows.ImportNotes = [this] { dialogs.push_back("import"); };
        drv::WriteBytes(project + "/constnot.bak", "");
    }

    // The grid on the host of the first tab position (the Circle grid unless tabs were moved).
    grid::PelkGridClass& FirstGrid() { return GridAt(1); }
    std::vector<std::string> Rows() {
        grid::PelkGridClass& g = FirstGrid();
        std::vector<std::string> out;
        for (int r = 1; r <= g.Records(); ++r)
            out.push_back(g.GetCellValue(r, 1) + "|" + g.GetCellValue(r, 2) + "|" +
                          g.GetCellValue(r, 3));
        return out;
    }
    void ClickCell(int row, int column) { FrameTest::ClickCell(FirstGrid(), row, column); }
    void TypeIntoCell(int row, int column, const std::string& text) {
        FrameTest::TypeIntoCell(FirstGrid(), row, column, text);
    }
    Window* Preview() { return drv::FindWindow("Preview"); }
    // File > Print Construction Notes, then the preview's Print button: the print options.
    Window* OpenPrintOptions() {
        drv::ChooseMenu(PRINTNOTES);
        Window* preview = Preview();
        if (!preview) {
            ADD_FAILURE() << "no preview";
            return nullptr;
        }
        drv::Click(*preview, preview::PRINTBUTTON);
        Window* options = drv::FindWindow("Print Options");
        EXPECT_NE(options, nullptr);
        return options;
    }
    std::string StatusText() {
        Frame* frame = Frame::Current();
        return frame ? frame->StatusText() : std::string("(no frame)");
    }
};

// A keynote file of `count` one-line Circle notes (enough for a few report pages).
std::string CircleNotes(int count) {
    std::string notes;
    for (int n = 1; n <= count; ++n)
        notes += "CIR," + std::to_string(n) + ",a note,,\r\n";
    return notes;
}

} // namespace

// However the preview is left, the keynote window goes on with the print command it was given:
// no button of its own is pressed (the selected mark is not toggled, no editor opens), no other
// window opens, and the comma export is not written.
TEST_F(KeynoteFrameTest, LeavingThePreviewAnyWayLeavesTheNotesAsTheyWere) {
    drv::PrintGuard guard;
    const std::string pdf = project + "/constnot.pdf";
    struct Case {
        const char* name;
        int column; // the cell selected before printing
        std::function<void(Window&)> leave;
        bool printed;
    };
    const std::vector<Case> cases = {
        {"Exit Without Printing Report", 1, [](Window& p) { drv::Click(p, preview::EXITBUTTON); },
         false},
        {"the close box", 3, [](Window& p) { drv::CloseBox(p); }, false},
        {"Print, then Cancel", 1,
         [](Window& p) {
             drv::Click(p, preview::PRINTBUTTON);
             Window* options = drv::FindWindow("Print Options");
             ASSERT_NE(options, nullptr);
             drv::Click(*options, preview::PRINTCANCEL);
             EXPECT_NE(drv::FindWindow("Preview"), nullptr);
             drv::Click(p, preview::EXITBUTTON);
         },
         false},
        {"Print, then OK", 3,
         [](Window& p) {
             drv::Click(p, preview::PRINTBUTTON);
             Window* options = drv::FindWindow("Print Options");
             ASSERT_NE(options, nullptr);
             drv::Click(*options, preview::PRINTOK);
         },
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(pdf);
        StartOn("SET,TXTHT,Auto\r\nCIR,1,first,,\r\nCIR,2,second,,\r\n");
        if (c.column != 1)
            ClickCell(1, c.column);
        drv::ChooseMenu(PRINTNOTES);
        Window* preview = Preview();
        ASSERT_NE(preview, nullptr);
        c.leave(*preview);
        EXPECT_EQ(Preview(), nullptr);
        EXPECT_TRUE(OpenDialogs().empty()); // no save dialog of the comma export
        EXPECT_FALSE(FileExists(project + "/constnot_comma.txt"));
        EXPECT_EQ(FirstGrid().EIPON, 0);
        EXPECT_EQ(Rows(), (std::vector<std::string>{"0|1|first", "0|2|second"}));
        EXPECT_EQ(FileExists(pdf), c.printed);
        EXPECT_EQ(StatusText(), c.printed ? "Printed to " + pdf : "");

        drv::Click(Notes(), keynote::SAVETOASCII);
        EXPECT_EQ(drv::ReadBytes(csv), "SET,TXTHT,Auto\r\nCIR,1,first,,\r\nCIR,2,second,,\r\n");
        drv::ChooseMenu(EXIT);
        EXPECT_TRUE(frameReturned);
        drv::Settle();
    }
}

// A print of nothing (a range from above its end) clears what the last print said.
TEST_F(KeynoteFrameTest, APrintOfNothingClearsTheLastPrintsStatus) {
    drv::PrintGuard guard;
    const std::string pdf = project + "/constnot.pdf";
    StartOn(CircleNotes(120));
    auto print = [&](bool nothing) {
        Window* options = OpenPrintOptions();
        ASSERT_NE(options, nullptr);
        if (nothing) {
            // From beyond To: the range holds no page.
            drv::Click(*options, preview::OPTIONPRINT_RANGE);
            drv::Type(*options, preview::PAGEFROM, "2");
            drv::Type(*options, preview::PAGETO, "1");
        }
        drv::Click(*options, preview::PRINTOK);
        drv::ExpectNoMessage();
    };
    print(false);
    EXPECT_EQ(StatusText(), "Printed to " + pdf);
    std::filesystem::remove(pdf);
    print(true);
    EXPECT_FALSE(FileExists(pdf));
    EXPECT_EQ(StatusText(), "");
}

// While the pages print, Qt goes on handling events (the windows paint) and the status bar says
// which page is printing; afterwards it says where the print went.
TEST_F(KeynoteFrameTest, WhileItPrintsTheWindowsPaintAndTheStatusBarSaysWhichPage) {
    drv::PrintGuard guard;
    const std::string pdf = project + "/constnot.pdf";
    StartOn(CircleNotes(120));
    Window* options = OpenPrintOptions();
    ASSERT_NE(options, nullptr);
    std::vector<std::string> seen;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        const std::string text = StatusText();
        if (seen.empty() || seen.back() != text)
            seen.push_back(text);
    });
    watch.start(0);
    drv::Click(*options, preview::PRINTOK);
    watch.stop();
    EXPECT_EQ(StatusText(), "Printed to " + pdf);
    EXPECT_NE(std::find(seen.begin(), seen.end(), "Printing page 1 of 3"), seen.end())
        << ::testing::PrintToString(seen);
    EXPECT_EQ(drv::PdfPages(pdf), 3);
}

// OK in Print Setup without a choice keeps prints where they went: the project's PDF, not a
// file the dialog made up; a file the user chose is kept.
TEST_F(KeynoteFrameTest, PrintSetupChangesThePrintFileOnlyWhenOneIsChosen) {
    drv::PrintGuard guard;
    const std::string pdf = project + "/constnot.pdf";
    StartOn("CIR,1,first,,\r\n");
    drv::ChooseMenu(PRINTSETUP);
    drv::AcceptDialog(DIALOG_Printer, "Print Setup");
    EXPECT_EQ(ProgramPrinter().outputFileName(), QString());
    auto print = [&] {
        Window* options = OpenPrintOptions();
        ASSERT_NE(options, nullptr);
        drv::Click(*options, preview::PRINTOK);
    };
    print();
    EXPECT_TRUE(FileExists(pdf));
    EXPECT_EQ(StatusText(), "Printed to " + pdf);

    const std::string chosen = temp / "chosen.pdf";
    drv::ChooseMenu(PRINTSETUP);
    drv::AnswerDialog(DIALOG_Printer, "Print Setup", chosen);
    print();
    EXPECT_TRUE(FileExists(chosen));
    EXPECT_EQ(StatusText(), "Printed to " + chosen);
}

// Exit asks whenever the window holds a change the file does not have, also after a save; No
// keeps the window and the change, which a later save writes; after that save Exit just ends.
TEST_F(KeynoteFrameTest, ExitAsksAfterASaveWhenANoteChangedSince) {
    StartOn("CIR,1,first,,\r\n");
    drv::Click(Notes(), keynote::SAVETOASCII);
    drv::Click(Notes(), keynote::INSERT); // a new row, its number editor open
    drv::Type(Notes(), FirstGrid().EDITCTRL, "3", false);
    drv::Click(Notes(), keynote::EXIT);
    drv::Answer(kQuestion, "QVR", ICON_Question, BUTTON_YES | BUTTON_NO, BUTTON_NO, BUTTON_NO);
    EXPECT_FALSE(frameReturned);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"0|1|first", "|3|"}));
    drv::Click(Notes(), keynote::SAVETOASCII);
    EXPECT_EQ(drv::ReadBytes(csv), "SET,TXTHT,Auto\r\nCIR,1,first,,\r\nCIR,3,,,\r\n");
    drv::Click(Notes(), keynote::EXIT);
    EXPECT_TRUE(frameReturned);

    // A title or a setting changed after the save counts as well; the frame's Exit asks too.
    StartOn("CIR,1,first,,\r\n");
    drv::Click(Notes(), keynote::SAVETOASCII);
    drv::Type(Notes(), keynote::GLO_CIRTITLEDESC, "Round ones");
    drv::ChooseMenu(EXIT);
    drv::Answer(kQuestion, "QVR", ICON_Question, BUTTON_YES | BUTTON_NO, BUTTON_YES, BUTTON_NO);
    EXPECT_TRUE(frameReturned);
    EXPECT_EQ(drv::ReadBytes(csv), "SET,TXTHT,Auto\r\nCIR,1,first,,\r\n");

    StartOn("CIR,1,first,,\r\n");
    drv::Click(Notes(), keynote::SAVETOASCII);
    drv::Choose(Notes(), keynote::CURRENTTAB, 10);
    drv::Type(Notes(), keynote::LOC_TBLWID, "80");
    drv::ChooseMenu(EXIT);
    drv::Answer(kQuestion, "QVR", ICON_Question, BUTTON_YES | BUTTON_NO, BUTTON_YES, BUTTON_NO);
    EXPECT_TRUE(frameReturned);
    EXPECT_EQ(ReadIni("QVR", "TableWidth", "", project + "/qvr.ini"), "65");
}

// After a save, a mark set or taken away, or a description typed into a cell whose editor is
// still open, is a change Exit asks about, from the button, the File menu or the close box; Yes
// ends the program and leaves the file as it was saved.
TEST_F(KeynoteFrameTest, ExitAfterASaveAsksForAMarkAndForAnEditStillOpen) {
    struct Case {
        const char* name;
        const char* file;
        std::function<void()> change;
        std::function<void()> exit;
    };
    const auto mark = [&] {
        ClickCell(1, 1);
        drv::Key(Notes(), 0, KEY_Enter);
    };
    const auto describe = [&] { TypeIntoCell(1, 3, " and more"); };
    const auto button = [&] { drv::Click(Notes(), keynote::EXIT); };
    const auto menu = [&] { drv::ChooseMenu(EXIT); };
    const auto closeBox = [&] { drv::CloseBox(Notes()); };
    const Case cases[] = {
        {"a note marked, Exit", "CIR,1,first,,\r\n", mark, button},
        {"a mark taken away, the close box", ";CIR,1,first,,\r\n", mark, closeBox},
        {"a description still in its editor, the File menu", "CIR,1,first,,\r\n", describe, menu},
        {"a description still in its editor, the close box", "CIR,1,first,,\r\n", describe,
         closeBox},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StartOn(c.file);
        drv::Click(Notes(), keynote::SAVETOASCII);
        const std::string saved = drv::ReadBytes(csv);
        c.change();
        c.exit();
        drv::Answer(kQuestion, "QVR", ICON_Question, BUTTON_YES | BUTTON_NO, BUTTON_NO, BUTTON_NO);
        ASSERT_FALSE(frameReturned);
        c.exit();
        drv::Answer(kQuestion, "QVR", ICON_Question, BUTTON_YES | BUTTON_NO, BUTTON_YES, BUTTON_NO);
        EXPECT_TRUE(frameReturned);
        EXPECT_EQ(drv::ReadBytes(csv), saved);
        drv::Settle();
    }
}

// The keynote window's close box is its Exit: it asks first, and No keeps the window.
TEST_F(KeynoteFrameTest, TheKeynoteWindowsCloseBoxAsksAsExitDoes) {
    StartOn("CIR,1,first,,\r\n");
    ClickCell(1, 1);
    drv::Key(Notes(), 0, KEY_Enter); // marked
    drv::CloseBox(Notes());
    drv::Answer(kQuestion, "QVR", ICON_Question, BUTTON_YES | BUTTON_NO, BUTTON_NO, BUTTON_NO);
    ASSERT_NE(drv::FindWindow("Browse the Keynotes"), nullptr);
    EXPECT_EQ(Rows(), std::vector<std::string>{"1|1|first"});
    drv::CloseBox(Notes());
    drv::Answer(kQuestion, "QVR", ICON_Question, BUTTON_YES | BUTTON_NO, BUTTON_YES, BUTTON_NO);
    EXPECT_TRUE(frameReturned);
    EXPECT_EQ(drv::ReadBytes(csv), "CIR,1,first,,\r\n");
}

// Every command that saves, stashes, prints or ends first stores an in-place edit still open,
// as Ctrl+Enter does, whether it comes from a button or from the menu.
TEST_F(KeynoteFrameTest, CommandsKeepTheEditStillOpen) {
    const std::string saved = "SET,TXTHT,Auto\r\nCIR,7,first,,\r\n";
    struct Case {
        const char* name;
        int column;
        std::function<void()> command;
        std::function<void()> check;
    };
    const std::vector<Case> cases = {
        {"Save", 2, [&] { drv::Click(Notes(), keynote::SAVETOASCII); },
         [&] { EXPECT_EQ(drv::ReadBytes(csv), saved); }},
        {"Save & Exit", 2, [&] { drv::Click(Notes(), keynote::SAVETOASCIIANDCLOSE); },
         [&] {
             EXPECT_TRUE(frameReturned);
             EXPECT_EQ(drv::ReadBytes(csv), saved);
         }},
        {"Exit", 2,
         [&] {
             drv::Click(Notes(), keynote::EXIT);
             drv::Answer(kQuestion, "QVR", ICON_Question, BUTTON_YES | BUTTON_NO, BUTTON_NO,
                         BUTTON_NO);
         },
         [&] { EXPECT_EQ(Rows(), std::vector<std::string>{"0|7|first"}); }},
        {"Print from the menu", 3,
         [&] {
             drv::ChooseMenu(PRINTNOTES);
             ASSERT_NE(Preview(), nullptr);
             drv::Click(*Preview(), preview::EXITBUTTON);
         },
         [&] { EXPECT_EQ(Rows(), std::vector<std::string>{"0|1|7"}); }},
        {"Editor Options from the menu", 2, [&] { drv::ChooseMenu(SETUPOPTIONS); },
         [&] {
             EXPECT_EQ(dialogs.back(), "options");
             EXPECT_EQ(Rows(), std::vector<std::string>{"0|7|first"});
         }},
        {"Import from the menu", 3, [&] { drv::ChooseMenu(FILEIMPORTNOTESFROMLIBRARY); },
         [&] {
             EXPECT_EQ(dialogs.back(), "import");
             EXPECT_EQ(Rows(), std::vector<std::string>{"0|1|7"});
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StartOn("CIR,1,first,,\r\n");
        TypeIntoCell(1, c.column, "7");
        c.command();
        c.check();
        if (!frameReturned) {
            drv::ChooseMenu(EXIT);
            if (drv::ReadBytes(csv) != saved)
                drv::Answer(kQuestion, "QVR", ICON_Question, BUTTON_YES | BUTTON_NO, BUTTON_YES,
                            BUTTON_NO);
        }
        EXPECT_TRUE(frameReturned);
        drv::Settle();
    }
}

// On the Config tab no control covers another, at the size the window is designed for, at the
// size it opens with in the frame and in a large window.
TEST_F(KeynoteFrameTest, TheConfigTabsControlsNeverCrossAtAnySize) {
    StartOn("CIR,1,first,,\r\n");
    Window& w = Notes();
    drv::Choose(w, keynote::CURRENTTAB, 10);
    ASSERT_EQ(w[keynote::CURRENTTAB].Selected(), 10);
    // What a control covers of the window's client area, in pixels: a label as far as its text.
    auto area = [&w](const Control& c) {
        const QWidget* widget = c.Widget();
        QRect r(widget->mapTo(w.ClientWidget(), QPoint(0, 0)), widget->size());
        if (c.Definition().kind == ControlKind::Prompt)
            r.setWidth(std::min(r.width(), widget->fontMetrics().horizontalAdvance(
                                               QString::fromStdString(c.Text()))));
        return r;
    };
    auto check = [&](const char* size) {
        SCOPED_TRACE(size);
        std::vector<const Control*> shown;
        for (const ControlDef& d : w.Definition().controls) {
            const Control* c = w.Find(d.number);
            // Groups, option boxes and panels hold the others; the sheet and its tabs are
            // behind them.
            if (!c || d.number == 0 || d.kind == ControlKind::Group ||
                d.kind == ControlKind::Option || d.kind == ControlKind::Panel ||
                d.kind == ControlKind::Sheet || d.kind == ControlKind::Tab || !c->Visible() ||
                !c->Widget() || !c->Widget()->isVisible())
                continue;
            shown.push_back(c);
        }
        ASSERT_GT(shown.size(), 30u);
        for (std::size_t i = 0; i < shown.size(); ++i)
            for (std::size_t j = i + 1; j < shown.size(); ++j)
                EXPECT_FALSE(area(*shown[i]).intersects(area(*shown[j])))
                    << "control " << shown[i]->Number() << " \"" << shown[i]->Text()
                    << "\" crosses control " << shown[j]->Number() << " \"" << shown[j]->Text()
                    << "\"";
    };
    check("opening size");
    drv::Resize(w, w.ToPixelsX(w.Definition().width), w.ToPixelsY(w.Definition().height));
    check("designed size");
    drv::Resize(w, 1600, 1000);
    ASSERT_GE(w.ClientWidget()->width(), 1500);
    check("large");
}

// A print job the print system refuses is reported as other print failures are, naming the
// printer and the system's reason, and nothing says it was printed.
TEST_F(KeynoteFrameTest, APrintJobThePrintSystemRefusesIsReported) {
    drv::PrintGuard guard;
    RefusingPrinter printer;
    if (!printer.Ready())
        GTEST_SKIP() << "no print daemon to refuse the job (scripts/deps installs one)";
    StartOn("CIR,1,first,,\r\n");
    Window* options = OpenPrintOptions();
    ASSERT_NE(options, nullptr);
    drv::Click(*options, preview::PRINTOK);
    drv::Answer("Unable to print to refuse!|Error: Destination \"refuse\" is not accepting jobs.",
                "Print", ICON_Hand, BUTTON_OK, BUTTON_OK);
    EXPECT_EQ(StatusText(), "");
    EXPECT_EQ(Preview(), nullptr);
    EXPECT_EQ(Rows(), std::vector<std::string>{"0|1|first"});

    // A print server that is down is reported the same way.
    printer.StopServer();
    options = OpenPrintOptions();
    ASSERT_NE(options, nullptr);
    drv::Click(*options, preview::PRINTOK);
    drv::Answer("Unable to print to refuse!|Error: No such file or directory", "Print", ICON_Hand,
                BUTTON_OK, BUTTON_OK);
    EXPECT_EQ(StatusText(), "");
}

// A click on a button while the number, unit or type editor is open ends the edit, stores it and
// presses the button at once.
TEST_F(KeynoteFrameTest, AClickOnAButtonEndsTheEditAndPressesTheButton) {
    struct Case {
        int column;
        const char* typed;
        const char* saved;
    };
    const std::vector<Case> cases = {
        {2, "7", "SET,TXTHT,Auto\r\nCIR,7,first,,\r\n"},
        {4, "LF", "SET,TXTHT,Auto\r\nCIR,1,first,LF,\r\n"},
        {5, "AREA", "SET,TXTHT,Auto\r\nCIR,1,first,,AREA\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.column);
        StartOn("CIR,1,first,,\r\n");
        TypeIntoCell(1, c.column, c.typed);
        drv::Click(Notes(), keynote::SAVETOASCII);
        EXPECT_EQ(FirstGrid().EIPON, 0);
        EXPECT_EQ(drv::ReadBytes(csv), c.saved);
        drv::Click(Notes(), keynote::EXIT);
        EXPECT_TRUE(frameReturned);
        drv::Settle();
    }
}

// The report's pages go from the keynote window's print command through the preview to the
// printer. They are written into one file of a folder of the temporary folder, not a file each,
// and nothing of them is left once the preview has closed; a write that fails (a file-size limit
// below one page) is reported once, as before, and the preview then has no page.
TEST_F(KeynoteFrameTest, TheReportsPagesReachThePrinterAndLeaveNothingBehind) {
    drv::PrintGuard guard;
    drv::TempFolder tmp;
    const char* was = std::getenv("TMPDIR");
    struct Restore {
        std::optional<std::string> value;
        ~Restore() {
            if (value)
                setenv("TMPDIR", value->c_str(), 1);
            else
                unsetenv("TMPDIR");
        }
    } restore{was ? std::optional<std::string>(was) : std::nullopt};
    setenv("TMPDIR", tmp.Path().c_str(), 1);
    const std::string pdf = project + "/constnot.pdf";
    std::string notes;
    for (int n = 1; n <= 120; ++n)
        notes += "CIR," + std::to_string(n) + ",note " + std::to_string(n) + ",,\r\n";
    StartOn(notes);

    drv::ChooseMenu(PRINTNOTES);
    Window* preview = Preview();
    ASSERT_NE(preview, nullptr);
    const PageList pages = PreviewPages();
    ASSERT_EQ(pages.size(), 3u);
    const std::string reportFolder = std::filesystem::path(pages.front()).parent_path();
    EXPECT_EQ(std::filesystem::path(reportFolder).parent_path(), tmp.Path());
    EXPECT_EQ(drv::TempFolder::Entries(reportFolder), 1u);
    ImageBox* shown = ImageBox::Of((*preview)[preview::FIRSTCELLIMAGE]);
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(shown->Loaded());
    EXPECT_EQ(shown->File(), pages[0]);
    // Page 1 deleted, then the second of the two left printed: the report's third page.
    drv::Click(*preview, preview::PREVIEWDELETE);
    drv::Click(*preview, preview::PRINTBUTTON);
    Window* options = drv::FindWindow("Print Options");
    ASSERT_NE(options, nullptr);
    drv::Click(*options, preview::OPTIONPRINT_RANGE);
    drv::Type(*options, preview::PAGEFROM, "2");
    drv::Type(*options, preview::PAGETO, "2");
    drv::Click(*options, preview::PRINTOK);
    EXPECT_EQ(Preview(), nullptr);
    EXPECT_EQ(drv::PdfPages(pdf), 1);
    const std::string text = drv::PdfText(pdf);
    for (const char* printed : {"Key Notes", "note 86", "note 120", "Page 3"})
        EXPECT_NE(text.find(printed), std::string::npos) << printed;
    for (const char* left : {"note 85 ", "Page 2", "Page 1"})
        EXPECT_EQ(text.find(left), std::string::npos) << left;
    EXPECT_EQ(drv::TempFolder::Entries(tmp.Path()), 0u);
    for (const std::string& page : pages) {
        PageContents gone;
        EXPECT_FALSE(ReadPageImage(page, gone)) << page;
    }

    {
        drv::WriteLimit limit(2000);
        drv::ChooseMenu(PRINTNOTES);
        ASSERT_EQ(drv::TempFolder::Entries(tmp.Path()), 1u);
        const std::string folder = std::filesystem::directory_iterator(tmp.Path())->path().string();
        drv::Answer("Unable to write the report page " + folder +
                        "/page00001.svg!|Error: File too large",
                    "Report", ICON_Hand, BUTTON_OK, BUTTON_OK);
    }
    preview = Preview();
    ASSERT_NE(preview, nullptr);
    EXPECT_TRUE(PreviewPages().empty());
    drv::Click(*preview, preview::EXITBUTTON);
    EXPECT_EQ(Preview(), nullptr);
    EXPECT_EQ(drv::TempFolder::Entries(tmp.Path()), 0u);
    EXPECT_EQ(Rows().size(), 120u);
}
