#include "editor/MainFrame.h"
#include "editor/Config.h"
#include "editor/ConfigVars.h"
#include "editor/Globals.h"
#include "editor/KeynoteWindow.h"
#include "editor/KeynoteWindowDef.h"
#include "editor/Library.h"
#include "editor/Lookup.h"
#include "editor/NotesMain.h"
#include "platform/report/Preview.h"

#include "platform/files/Files.h"
#include "platform/ini/Ini.h"
#include "platform/runtime/Desktop.h"
#include "platform/runtime/Program.h"
#include "platform/runtime/Runtime.h"
#include "platform/testing/Driver.h"
#include "platform/testing/TempFiles.h"
#include "platform/text/Text.h"
#include "platform/ui/Frame.h"
#include "platform/ui/Keys.h"
#include "platform/ui/ListBox.h"
#include "platform/ui/WindowManager.h"
#include "platform/win32/Win32.h"

#include "grid/GridShared.h"
#include "grid/PelkGridClass.h"

#include <QWidget>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

using namespace editor;
using namespace platform;
namespace drv = platform::testing;

namespace {

// What the stand-in keynote window saw.
struct StandInLog {
    int opened = 0;
    int printed = 0;
    int open = 0;
    std::string shown; // the notes it showed last: restored from the stash, or read from the file
};
StandInLog g_log;

// Stands in for the keynote window: it answers the frame's requests as the keynote window does.
void StandIn(const std::string&) {
    KeynoteThread = ToShort(std::int64_t{ThisThread()});
    WindowDef def;
    def.caption = "Construction Notes";
    def.width = 200;
    def.height = 100;
    def.attributes = WIN_MdiChild | WIN_Resizable;
    Window window(def);
    window.Open();
    if (NotesStashed == 1) {
        g_log.shown = "stash: " + NotesQueue.at(0).description;
        NotesStashed = 0;
        NotesQueue.clear();
    } else {
        g_log.shown = drv::ReadBytes(CsvPath);
    }
    ++g_log.opened;
    ++g_log.open;
    for (int t = 1; t <= 64; ++t)
        Post(EventEditorReady, 0, t);
    for (;;) {
        Event e = Accept();
        if (e.code == EventCloseForOptions || e.code == EventCloseForImport) {
            NotesQueue.push_back(NoteRow{"0", "1", "Unsaved", "EA", "COUNT", 1});
            NotesStashed = 1;
            KeynoteThread = 0;
            Post(e.code == EventCloseForOptions ? EventRunOptions : EventRunImport, 0, 1);
            break;
        }
        if (e.code == EventPrintNotes)
            ++g_log.printed;
        if (e.code == EventExitRequested && MayEndProgram())
            Post(EVENT_CloseDown, 0, 1);
        if (e.code == EVENT_CloseDown || e.code == EVENT_CloseWindow) {
            KeynoteThread = 0;
            break;
        }
    }
    --g_log.open;
}

class MainFrameTest : public ::testing::Test {
protected:
    drv::TempFolder temp;
    std::string app = temp / "app";
    std::string project = temp / "job 1";
    std::vector<std::string> dialogs; // the dialogs the frame ran on its own thread
    bool frameReturned = false;

    void SetUp() override {
        ResetGlobals();
        g_log = {};
        std::filesystem::create_directories(app);
        std::filesystem::create_directories(project);
        setenv("XDG_CONFIG_HOME", (temp / "config").c_str(), 1);
        AppPath = app;
        Windows = {};
        Windows.BrowseNextNotes = StandIn;
        Windows.ConfigVars = [this] { dialogs.push_back("options"); };
        Windows.ImportNotes = [this] { dialogs.push_back("import"); };
    }
    void TearDown() override {
        drv::ExpectNoMessage();
        EndAllThreads();
        drv::Settle();
        Windows = {};
        unsetenv("XDG_CONFIG_HOME");
    }
    void StartFrame(std::string arg1) {
        static std::string program = "notes";
        static std::string arg;
        arg = std::move(arg1);
        char* argv[] = {program.data(), arg.data()};
        SetCommandArguments(2, argv);
        Start([this](const std::string&) {
            Main();
            frameReturned = true;
        });
        drv::Settle();
    }
    Window& FrameWindow() {
        Window* w = drv::FindWindow("Vantorel - QVR Editor");
        EXPECT_NE(w, nullptr);
        return *w;
    }
    std::string Csv() const { return project + "/constnot.csv"; }
    // In the tab list of Editor Options: Tri to the front, Circle renamed "Round", Hex hidden.
    static void RearrangeTabs(Window& w) {
        using namespace config_vars;
        drv::ClickList(w, TABLIST, 9);
        for (int i = 0; i < 8; ++i)
            drv::Click(w, MOVEUP);
        drv::ClickList(w, TABLIST, 2);
        drv::Key(w, TABLIST, KEY_Enter);
        drv::Type(w, EDITENTRY, "Round", false);
        drv::Key(w, EDITENTRY, KEY_Enter);
        drv::ClickList(w, TABLIST, 3);
        drv::Key(w, TABLIST, KEY_Space);
    }
};

} // namespace

TEST_F(MainFrameTest, OpensWithItsMenuAndTheKeynoteWindow) {
    StartFrame(Csv());
    ASSERT_NE(Frame::Current(), nullptr);
    Frame& frame = *Frame::Current();
    struct Item {
        int number;
        const char* text;
    };
    const Item items[] = {{FILEMENU, "&File"},
                          {PRINTSETUP, "&Print Setup ..."},
                          {PRINTNOTES, "Print Construction Notes"},
                          {FILEIMPORTNOTESFROMLIBRARY, "Import"},
                          {FILESAVENOTESTOLIBRARY, "Save As"},
                          {FILECHANGELIBRARYPATH, "Change Library Path"},
                          {EXIT, "E&xit"},
                          {EDITMENU, "&Edit"},
                          {CUT, "Cu&t"},
                          {COPY, "&Copy"},
                          {PASTE, "&Paste"},
                          {SETUP, "&Setup"},
                          {SETUPITEM22, "&Change Layer Colors"},
                          {LOOKUPSUNITS, "&Edit Units"},
                          {LOOKUPSTYPES, "&Types"},
                          {SETUPOPTIONS, "Editor &Options..."},
                          {BROWSE, "&Window"},
                          {BROWSENEXTMAINBUBBLE, "Construction Notes Editor"},
                          {HELPMENU, "&Help"},
                          {HELPINDEX, "&Contents"},
                          {HELPSEARCH, "&Search for Help On..."},
                          {HELPONHELP, "&How to Use Help"},
                          {HELPITEM21, "&About"}};
    for (const Item& item : items)
        EXPECT_EQ(frame.ItemText(item.number), item.text) << item.number;
    EXPECT_FALSE(frame.HasItem(-25));
    EXPECT_EQ(frame.ItemHint(PRINTSETUP), "Setup printer");
    EXPECT_EQ(frame.ItemHint(HELPMENU), "Windows Help");
    EXPECT_TRUE(frame.ItemHidden(LOOKUPSTYPES));
    EXPECT_EQ(g_log.opened, 1);
    EXPECT_NE(KeynoteThread, 0);
    EXPECT_EQ(FrameWidth, FrameWindow().Width());

    drv::ChooseMenu(BROWSENEXTMAINBUBBLE);
    drv::Answer("This window is already started!", "QVR Editor", ICON_Asterisk, BUTTON_OK,
                BUTTON_OK);
    EXPECT_EQ(g_log.opened, 1);

    // Ctrl+T shows the Types item, and says so every time.
    drv::Key(FrameWindow(), 0, KEY_CtrlT);
    drv::Answer("Types unhided!", "", ICON_Asterisk, BUTTON_OK, BUTTON_OK);
    EXPECT_FALSE(frame.ItemHidden(LOOKUPSTYPES));
    drv::Key(FrameWindow(), 0, KEY_CtrlT);
    drv::Answer("Types unhided!", "", ICON_Asterisk, BUTTON_OK, BUTTON_OK);
}

TEST_F(MainFrameTest, DialogsRunAfterTheKeynoteWindowSteppedAsideAndReopenIt) {
    // What the dialog changed in the project INI takes effect when it closes.
    Windows.ConfigVars = [this] {
        dialogs.push_back("options");
        WriteIni("QVREditCONFIG", "WrapSize", "30", ProjectIni);
        WriteIni("QVREditCONFIG", "CircleOff", "1", ProjectIni);
    };
    StartFrame(Csv());
    drv::ChooseMenu(SETUPOPTIONS);
    EXPECT_EQ(dialogs, std::vector<std::string>{"options"});
    EXPECT_EQ(WrapSize, 30);
    ASSERT_EQ(TabQueue.size(), 9u);
    EXPECT_EQ(TabQueue[0].ICON, 2);
    EXPECT_EQ(g_log.opened, 2); // closed for the dialog, opened again after it
    EXPECT_EQ(g_log.open, 1);
    drv::ChooseMenu(FILEIMPORTNOTESFROMLIBRARY);
    EXPECT_EQ(dialogs, (std::vector<std::string>{"options", "import"}));
    EXPECT_EQ(g_log.opened, 3);

    // Without a keynote window the dialog runs at once and none opens afterwards.
    Post(EVENT_CloseDown, 0, KeynoteThread);
    drv::Settle();
    ASSERT_EQ(KeynoteThread, 0);
    drv::ChooseMenu(SETUPOPTIONS);
    EXPECT_EQ(dialogs.size(), 3u);
    EXPECT_EQ(g_log.opened, 3);
    EXPECT_EQ(g_log.open, 0);
}

TEST_F(MainFrameTest, EditorOptionsTakeEffectWhenTheyCloseAndTheKeynoteWindowOpensAgain) {
    using namespace config_vars;
    Windows.ConfigVars = ConfigVars;
    StartFrame(Csv());
    drv::ChooseMenu(SETUPOPTIONS);
    EXPECT_EQ(g_log.open, 0); // the keynote window stepped aside
    Window* w = drv::FindWindow("Editor Options");
    ASSERT_NE(w, nullptr);
    // Tri to the front, Circle renamed, Hex hidden, upper case off.
    RearrangeTabs(*w);
    drv::Choose(*w, SHEET1, 2);
    drv::Click(*w, GLO_UPPERCASE);
    drv::Click(*w, OKBUTTON);
    EXPECT_EQ(drv::FindWindow("Editor Options"), nullptr);

    auto tabs = [] {
        std::vector<std::string> out;
        for (const TabRecord& t : TabQueue)
            out.push_back(t.SRCNAME + "|" + t.NEWNAME + "|" + std::to_string(t.NEWNUM) +
                          (t.ICON == 2 ? " (hidden)" : ""));
        return out;
    };
    const std::vector<std::string> stored = {"Tri|Tri|1", "Circle|Round|2", "Hex|Hex|3 (hidden)",
                                             "Box|Box|4", "Pen|Pen|5",      "Ellipse|Ellipse|6",
                                             "Dia|Dia|7", "Rec|Rec|8",      "Oct|Oct|9"};
    EXPECT_EQ(tabs(), stored);
    EXPECT_EQ(Uppercase, 0);
    EXPECT_EQ(g_log.opened, 2);
    EXPECT_EQ(g_log.open, 1);

    // Cancelled, the options leave the configuration as stored, also what the dialog's controls
    // changed in memory.
    drv::ChooseMenu(SETUPOPTIONS);
    w = drv::FindWindow("Editor Options");
    ASSERT_NE(w, nullptr);
    drv::Click(*w, RESTORETABS);
    drv::Choose(*w, SHEET1, 2);
    drv::Click(*w, GLO_UPPERCASE);
    EXPECT_EQ(Uppercase, 1);
    drv::Click(*w, CANCELBUTTON);
    EXPECT_EQ(Uppercase, 0);
    EXPECT_EQ(tabs(), stored);
    EXPECT_EQ(g_log.opened, 3);
}

TEST_F(MainFrameTest, TheListsOpenInsideTheFrame) {
    Windows.BrowseLookup = BrowseLookup;
    StartFrame(Csv());
    // Ctrl+T is the frame's key: pressed while the frame has the keyboard, before the lists
    // open and take it.
    drv::Key(FrameWindow(), 0, KEY_CtrlT);
    drv::Answer("Types unhided!", "", ICON_Asterisk, BUTTON_OK, BUTTON_OK);
    drv::ChooseMenu(LOOKUPSUNITS);
    Window* units = drv::FindWindow("Units");
    ASSERT_NE(units, nullptr);
    EXPECT_TRUE(Frame::Current()->DocumentArea()->isAncestorOf(units->Widget()));
    // The frame wrote the default units at start-up.
    EXPECT_EQ(ListBox::Of((*units)[lookup_list::LIST])->Count(), 6);
    drv::Click(*units, lookup_list::ADD);
    Window* form = drv::FindWindow("New Unit");
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(Frame::Current()->DocumentArea()->isAncestorOf(form->Widget()));
    drv::Click(*form, lookup_form::CANCEL);
    // The list the form was opened from has the keyboard again.
    EXPECT_EQ(units->FocusControl(), lookup_list::ADD);

    drv::ChooseMenu(LOOKUPSTYPES);
    Window* types = drv::FindWindow("Types");
    ASSERT_NE(types, nullptr);
    EXPECT_EQ(ListBox::Of((*types)[lookup_list::LIST])->Count(), 7);
    EXPECT_NE(drv::FindWindow("Units"), nullptr); // both stay open, each on its own thread
}

TEST_F(MainFrameTest, ImportReplacesTheStashAndTheReopenedWindowShowsTheSet) {
    Windows.ImportNotes = ImportNotes;
    Windows.SelectCatalog = SelectCatalog;
    const std::string set = "SET,TXTHT,0.1\r\nCIR,1,Footing,EA,COUNT\r\n";
    std::filesystem::create_directories(app + "/Library");
    drv::WriteBytes(app + "/Library/Office.csv", set);
    drv::WriteBytes(Csv(), "SET,TXTHT,0.2\r\n");
    StartFrame(Csv());
    EXPECT_EQ(g_log.shown, "SET,TXTHT,0.2\r\n");

    // Cancelled, the import leaves the stash to the reopened window.
    drv::ChooseMenu(FILEIMPORTNOTESFROMLIBRARY);
    Window* w = drv::FindWindow("Import Key Notes from the Library");
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(Frame::Current()->DocumentArea()->isAncestorOf(w->Widget())); // of its own
    EXPECT_EQ(g_log.open, 0);
    drv::Click(*w, import_notes::CLOSE);
    EXPECT_EQ(g_log.opened, 2);
    EXPECT_EQ(g_log.shown, "stash: Unsaved");

    drv::ChooseMenu(FILEIMPORTNOTESFROMLIBRARY);
    w = drv::FindWindow("Import Key Notes from the Library");
    ASSERT_NE(w, nullptr);
    drv::ClickList(*w, import_notes::LIST, 1);
    drv::Click(*w, import_notes::IMPORT);
    drv::Answer("WARNING:| |Importing construction notes will overwrite your|existing "
                "construction notes in this project!||Proceed with import? | ",
                "", ICON_Question, BUTTON_YES | BUTTON_NO, BUTTON_YES);
    drv::Answer("File Not Found!|" + app + "/Library/Office.ini", "Error", ICON_Exclamation,
                BUTTON_OK, BUTTON_OK);
    drv::Answer("Bubble notes were imported!|| Any previous notes have been saved to the "
                "constnot.bak file!",
                "", ICON_Asterisk, BUTTON_OK, BUTTON_OK);
    EXPECT_EQ(g_log.opened, 3);
    EXPECT_EQ(g_log.open, 1);
    EXPECT_EQ(g_log.shown, set);
    EXPECT_EQ(drv::ReadBytes(project + "/constnot.bak"), "SET,TXTHT,0.2\r\n");

    // Save As opens the export inside the frame, beside the keynote window.
    drv::ChooseMenu(FILESAVENOTESTOLIBRARY);
    Window* e = drv::FindWindow("Export the Current Key Note Set");
    ASSERT_NE(e, nullptr);
    EXPECT_TRUE(Frame::Current()->DocumentArea()->isAncestorOf(e->Widget()));
    drv::Click(*e, select_catalog::CANCEL);
    EXPECT_EQ(drv::FindWindow("Export the Current Key Note Set"), nullptr);
}

TEST_F(MainFrameTest, PrintOpensTheKeynoteWindowWhenNoneRunsAndPrintsOnce) {
    StartFrame(Csv());
    drv::ChooseMenu(PRINTNOTES);
    EXPECT_EQ(g_log.printed, 1);
    Post(EVENT_CloseDown, 0, KeynoteThread);
    drv::Settle();
    drv::ChooseMenu(PRINTNOTES);
    EXPECT_EQ(g_log.opened, 2);
    EXPECT_EQ(g_log.printed, 2);
    Post(EVENT_CloseDown, 0, KeynoteThread);
    drv::Settle();
    drv::ChooseMenu(BROWSENEXTMAINBUBBLE); // a later window is not printed
    EXPECT_EQ(g_log.opened, 3);
    EXPECT_EQ(g_log.printed, 2);
}

TEST_F(MainFrameTest, ClosingAsksWhileTheKeynoteFileIsUnsaved) {
    drv::WriteBytes(Csv(), "SET,TXTHT,0.1\r\n");
    StartFrame(Csv());
    CsvStampTime = LastWriteTime(CsvPath).value(); // as the keynote window takes it
    drv::CloseBox(FrameWindow());
    drv::Answer("You have not saved this file. Exit without saving?", "QVR", ICON_Question,
                BUTTON_YES | BUTTON_NO, BUTTON_NO, BUTTON_NO);
    EXPECT_FALSE(frameReturned);
    EXPECT_EQ(g_log.open, 1);
    drv::CloseBox(FrameWindow());
    drv::Answer("You have not saved this file. Exit without saving?", "QVR", ICON_Question,
                BUTTON_YES | BUTTON_NO, BUTTON_YES, BUTTON_NO);
    EXPECT_TRUE(frameReturned);
    EXPECT_EQ(g_log.open, 0); // every window closed
}

TEST_F(MainFrameTest, NoQuestionAfterASaveAndThePositionIsKeptForTheNextStart) {
    drv::WriteBytes(Csv(), "");
    StartFrame(Csv());
    CsvStampTime = LastWriteTime(CsvPath).value();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    drv::WriteBytes(Csv(), "SET,TXTHT,0.2\r\n"); // the keynote window saved
    FrameWindow().SetPosition(20, 30, 480, 300);
    drv::Settle();
    drv::ChooseMenu(EXIT);
    EXPECT_TRUE(frameReturned);
    std::string ini = project + "/qvr.ini";
    EXPECT_EQ(ReadIni("QVREditLASTRUN", "FrameX", "", ini), "20");
    EXPECT_EQ(ReadIni("QVREditLASTRUN", "FrameY", "", ini), "30");
    EXPECT_EQ(ReadIni("QVREditLASTRUN", "FrameW", "", ini), "480");
    EXPECT_EQ(ReadIni("QVREditLASTRUN", "FrameH", "", ini), "300");

    frameReturned = false;
    Windows.BrowseNextNotes = nullptr;
    StartFrame(Csv());
    EXPECT_EQ(FrameWindow().X(), 20);
    EXPECT_EQ(FrameWindow().Width(), 480);
    drv::ChooseMenu(EXIT); // the file was written after the stamp: no question
    EXPECT_TRUE(frameReturned);
}

TEST_F(MainFrameTest, LibraryPathDialogAndTheLayerEditor) {
    // A stand-in for dravolet that writes down the arguments it got.
    std::string out = temp / "dravolet-args";
    drv::WriteBytes(app + "/dravolet", "#!/bin/sh\nprintf '%s\\n' \"$1\" \"$2\" > '" + out + "'\n");
    std::filesystem::permissions(app + "/dravolet", std::filesystem::perms(0755));
    StartFrame(Csv());
    drv::ChooseMenu(SETUPITEM22);
    for (int i = 0; i < 300 && !FileExists(out); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(drv::ReadBytes(out), app + "/Layers.dat\n" + project + "/qvr.ini\n");

    // Without one in the program folder, the one along PATH starts.
    const std::string onPath = temp / "on path";
    std::filesystem::create_directories(onPath);
    std::filesystem::rename(app + "/dravolet", onPath + "/dravolet");
    std::filesystem::remove(out);
    const std::string saved = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", (onPath + ":" + saved).c_str(), 1);
    drv::ChooseMenu(SETUPITEM22);
    setenv("PATH", saved.c_str(), 1);
    for (int i = 0; i < 300 && !FileExists(out); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(drv::ReadBytes(out), app + "/Layers.dat\n" + project + "/qvr.ini\n");

    drv::ChooseMenu(FILECHANGELIBRARYPATH);
    drv::AnswerDialog(DIALOG_Folder, "Library Path", temp / "sets");
    EXPECT_EQ(LibPath, temp / "sets");
    EXPECT_EQ(ReadIni("QVREditCONFIG", "LibPath", "", ProjectIni), temp / "sets");
    drv::ChooseMenu(FILECHANGELIBRARYPATH);
    drv::AnswerDialog(DIALOG_Folder, "Library Path", "");
    EXPECT_EQ(LibPath, temp / "sets");
}

TEST_F(MainFrameTest, DraggingIsOffWhileTheProgramRunsAndOnAgainAfterARefusedStart) {
    SetDragFullWindows(true, SPIF_UPDATEINIFILE);
    static std::string program = "notes", arg = "nodot";
    char* argv[] = {program.data(), arg.data()};
    SetCommandArguments(2, argv);
    bool returned = false;
    Start([&](const std::string&) {
        NotesMain();
        returned = true;
    });
    drv::Settle();
    EXPECT_FALSE(DragFullWindows());
    drv::Answer("You should pass the Path+Filename as the first parameter!",
                "File name not specified!", ICON_Hand, BUTTON_OK, BUTTON_OK);
    EXPECT_TRUE(returned);
    EXPECT_TRUE(DragFullWindows());

    SetDragFullWindows(false, SPIF_UPDATEINIFILE); // off before start: left alone
    returned = false;
    Start([&](const std::string&) {
        NotesMain();
        returned = true;
    });
    drv::Answer("You should pass the Path+Filename as the first parameter!",
                "File name not specified!", ICON_Hand, BUTTON_OK, BUTTON_OK);
    EXPECT_TRUE(returned);
    EXPECT_FALSE(DragFullWindows());
}

// The frame's items reach the real keynote window: it opens at start, steps aside for Editor
// Options and comes back with its rows, and the close question sees its file.
TEST_F(MainFrameTest, TheMenuReachesTheKeynoteWindow) {
    Windows.BrowseNextNotes = BrowseNextNotes;
    drv::WriteBytes(Csv(), "CIR,1,a,,\r\nCIR,2,b,,\r\n");
    drv::WriteBytes(project + "/constnot.bak", "");
    StartFrame(Csv());
    ASSERT_NE(KeynoteThread, 0);
    EXPECT_EQ(CsvStampTime, LastWriteTime(Csv()).value());
    drv::ChooseMenu(PRINTNOTES); // the report of the window's notes, in the preview
    Window* preview = drv::FindWindow("Preview");
    ASSERT_NE(preview, nullptr);
    ASSERT_EQ(PreviewPages().size(), 1u);
    drv::Click(*preview, preview::EXITBUTTON);
    EXPECT_EQ(drv::FindWindow("Preview"), nullptr);
    drv::ChooseMenu(BROWSENEXTMAINBUBBLE);
    drv::Answer("This window is already started!", "QVR Editor", ICON_Asterisk, BUTTON_OK,
                BUTTON_OK);

    drv::ChooseMenu(SETUPOPTIONS);
    EXPECT_EQ(dialogs, std::vector<std::string>{"options"});
    ASSERT_NE(KeynoteThread, 0);
    EXPECT_EQ(NotesStashed, 0); // taken by the reopened window
    EXPECT_TRUE(ThreadExists(KeynoteThread));

    drv::CloseBox(FrameWindow());
    drv::Answer("You have not saved this file. Exit without saving?", "QVR", ICON_Question,
                BUTTON_YES | BUTTON_NO, BUTTON_YES, BUTTON_NO);
    EXPECT_TRUE(frameReturned);
    EXPECT_EQ(KeynoteThread, 0);
    EXPECT_EQ(drv::ReadBytes(Csv()), "CIR,1,a,,\r\nCIR,2,b,,\r\n");
}

// A keynote file whose reading failed is never saved over, also by the window that reopens
// after Editor Options with the rows the first one stashed.
TEST_F(MainFrameTest, RowsOfAHalfReadFileAreNotSavedAfterEditorOptionsEither) {
    Windows.BrowseNextNotes = BrowseNextNotes;
    // Reading the process's own memory from its start fails at once.
    std::filesystem::create_symlink("/proc/self/mem", Csv());
    drv::WriteBytes(project + "/constnot.bak", "");
    StartFrame(Csv());
    drv::Answer("Unable to read " + Csv() + "!|Error: Input/output error", "Error", ICON_Hand,
                BUTTON_OK, BUTTON_OK);
    auto saveDisabled = [] {
        Window* w = drv::FindWindow("Browse the Keynotes");
        EXPECT_NE(w, nullptr);
        return w && (*w)[keynote::SAVETOASCII].Disabled() &&
               (*w)[keynote::SAVETOASCIIANDCLOSE].Disabled();
    };
    EXPECT_TRUE(saveDisabled());
    for (int round = 1; round <= 2; ++round) {
        SCOPED_TRACE(round);
        drv::ChooseMenu(SETUPOPTIONS);
        ASSERT_EQ(dialogs.size(), static_cast<std::size_t>(round));
        ASSERT_NE(KeynoteThread, 0);
        EXPECT_EQ(NotesStashed, 0); // taken by the reopened window, which did not read the file
        EXPECT_FALSE(StashHalfRead);
        EXPECT_TRUE(saveDisabled());
    }
}

// Editor Options reach the real keynote window: it steps aside with its unsaved rows and comes
// back with the tabs reordered, renamed and hidden, each grid on the host of its new position.
TEST_F(MainFrameTest, EditorOptionsRearrangeTheKeynoteWindowsTabsAndItsUnsavedRowsComeBack) {
    using namespace config_vars;
    Windows.BrowseNextNotes = BrowseNextNotes;
    Windows.ConfigVars = ConfigVars;
    const std::string file =
        "CIR,1,first,EA,COUNT\r\nCIR,2,second,,\r\nHEX,1,six,,\r\nTRI,1,three,,\r\n";
    drv::WriteBytes(Csv(), file);
    drv::WriteBytes(project + "/constnot.bak", "");
    StartFrame(Csv());
    // The grid a host of the keynote window carries, and its rows as "mark|number|description".
    auto gridOn = [](Window& w, int host) {
        return static_cast<grid::PelkGridClass*>(
            win32::GetPropA(win32::ControlHandle(w[host]), grid::detail::kObjectProperty));
    };
    auto rows = [](const grid::PelkGridClass* g) {
        std::vector<std::string> out;
        for (int r = 1; g && r <= g->Records(); ++r)
            out.push_back(g->GetCellValue(r, 1) + "|" + g->GetCellValue(r, 2) + "|" +
                          g->GetCellValue(r, 3));
        return out;
    };
    Window* notes = drv::FindWindow("Browse the Keynotes");
    ASSERT_NE(notes, nullptr);
    grid::PelkGridClass* circle = gridOn(*notes, keynote::OLE1);
    ASSERT_NE(circle, nullptr);
    ASSERT_EQ(rows(circle), (std::vector<std::string>{"0|1|first", "0|2|second"}));
    // Unsaved: the first Circle note moved down and marked, the Circle title typed.
    const grid::RowRecord& first = circle->QDATA->at(0);
    const grid::ColumnRecord& mark = circle->QCOL->at(0);
    drv::MouseDown(*notes, (mark.X1 + mark.X2) / 2, (first.Y1 + first.Y2) / 2);
    drv::MouseUp(*notes, (mark.X1 + mark.X2) / 2, (first.Y1 + first.Y2) / 2);
    drv::Key(*notes, 0, KEY_Enter);
    drv::Click(*notes, keynote::MOVEDOWN);
    drv::Type(*notes, keynote::GLO_CIRTITLEDESC, "Round ones");

    drv::ChooseMenu(SETUPOPTIONS);
    EXPECT_EQ(drv::FindWindow("Browse the Keynotes"), nullptr); // stepped aside
    Window* w = drv::FindWindow("Editor Options");
    ASSERT_NE(w, nullptr);
    RearrangeTabs(*w);
    drv::Click(*w, OKBUTTON);

    notes = drv::FindWindow("Browse the Keynotes");
    ASSERT_NE(notes, nullptr);
    EXPECT_EQ(drv::TabCaptions(*notes, keynote::CURRENTTAB),
              (std::vector<std::string>{"Tri", "Round", "Box", "Pen", "Ellipse", "Dia", "Rec",
                                        "Oct", "Config"}));
    EXPECT_TRUE((*notes)[keynote::TAB3].Hidden());
    EXPECT_TRUE((*notes)[keynote::OLE3].Hidden());
    EXPECT_EQ(rows(gridOn(*notes, keynote::OLE1)), std::vector<std::string>{"0|1|three"});
    EXPECT_EQ(rows(gridOn(*notes, keynote::OLE2)),
              (std::vector<std::string>{"0|2|second", "1|1|first"})); // from the stash
    EXPECT_EQ(rows(gridOn(*notes, keynote::OLE3)), std::vector<std::string>{"0|1|six"});
    EXPECT_EQ(NotesStashed, 0);
    EXPECT_EQ(drv::ReadBytes(Csv()), file); // not saved on the way
    // The Circle title, kept by the stash's reopening, is on the Circle's tab, now at position 2.
    EXPECT_EQ((*notes)[keynote::TitleOf(2)].Text(), "Round ones");
    EXPECT_EQ((*notes)[keynote::TitleOf(1)].Text(), "");
}

// The keynote window opens at the frame's size as far as the document area shows it whole, so
// its bottom buttons are there to click; it never gets smaller than it is designed.
TEST_F(MainFrameTest, TheKeynoteWindowShowsWholeInTheFrameAndItsSaveCanBeClicked) {
    Windows.BrowseNextNotes = BrowseNextNotes;
    drv::WriteBytes(Csv(), "CIR,1,a,,\r\n");
    drv::WriteBytes(project + "/constnot.bak", "");
    StartFrame(Csv());
    Window* notes = drv::FindWindow("Browse the Keynotes");
    ASSERT_NE(notes, nullptr);
    int roomWidth = 0, roomHeight = 0;
    ASSERT_TRUE(notes->RoomInFrame(roomWidth, roomHeight));
    EXPECT_LE(notes->Width(), std::max(roomWidth, 414));
    EXPECT_LE(notes->Height(), std::max(roomHeight, 285));
    EXPECT_GE(notes->Width(), 414);
    EXPECT_GE(notes->Height(), 285);
    EXPECT_LT(notes->Width(), FrameWidth); // the frame's size would not fit its document area

    drv::Click(*notes, keynote::SAVETOASCII);
    EXPECT_EQ(drv::ReadBytes(Csv()), "SET,TXTHT,Auto\r\nCIR,1,a,,\r\n");
}
