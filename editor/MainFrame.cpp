#include "editor/MainFrame.h"

#include "about/About.h"
#include "editor/Config.h"
#include "editor/Globals.h"
#include "editor/PrintNotes.h"
#include "platform/files/Files.h"
#include "platform/ini/Ini.h"
#include "platform/runtime/ErrorManager.h"
#include "platform/runtime/Program.h"
#include "platform/text/Text.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Frame.h"
#include "platform/ui/Keys.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/WindowManager.h"
#include "programfiles/ProgramFiles.h"

namespace editor {

using namespace platform;

FrameWindows Windows;

namespace {

const char* const kLastRun = "QVREditLASTRUN";

std::vector<MenuDef> MenuBar() {
    MenuDef file{"&File"};
    file.items = {{"&Print Setup ...", "Setup printer", MenuAction::PrintSetup},
                  {"Print Construction Notes"},
                  MenuSeparator(),
                  {"Import"},
                  {"Save As"},
                  {"Change Library Path"},
                  MenuSeparator(),
                  {"E&xit", "Exit this application", MenuAction::Exit}};
    MenuDef edit{"&Edit"};
    edit.items = {{"Cu&t", "Remove item to Windows Clipboard", MenuAction::Cut},
                  {"&Copy", "Copy item to Windows Clipboard", MenuAction::Copy},
                  {"&Paste", "Paste contents of Windows Clipboard", MenuAction::Paste}};
    MenuDef setup{"&Setup"};
    MenuDef types{"&Types"};
    types.hidden = true;
    setup.items = {
        {"&Change Layer Colors"}, {"&Edit Units"}, types, MenuSeparator(), {"Editor &Options..."}};
    MenuDef browse{"&Window"};
    browse.items = {{"Construction Notes Editor"}};
    MenuDef help{"&Help", "Windows Help"};
    help.items = {
        {"&Contents", "View the contents of the help file", MenuAction::HelpContents},
        {"&Search for Help On...", "Search for help on a subject", MenuAction::HelpSearch},
        {"&How to Use Help", "How to use Windows Help", MenuAction::HelpOnHelp},
        {"&About"}};
    return {file, edit, setup, browse, help};
}

WindowDef FrameDefinition() {
    WindowDef def;
    def.caption = "Vantorel - QVR Editor";
    def.icon = "NOTE.ICO";
    def.fontName = "MS Sans Serif";
    def.fontSize = 8;
    def.width = 500;
    def.height = 320;
    def.attributes = WIN_Resizable;
    return def;
}

class MainManager : public WindowManager {
public:
    MainManager() : frame_(window_, MenuBar()) {}

    int Setup() override {
        if (DeriveNames() != RESULT_GoOn)
            return RESULT_Stop;
        ReopenEditor = 0;
        // Print Setup offers where a print goes until the user chooses another file.
        SetDefaultPrintFile(DefaultPdf());
        GlobalErrorManager.SetProcedureName("Main");
        int result = WindowManager::Setup();
        if (result != RESULT_GoOn)
            return result;
        WriteDefaultLists();
        Open(window_);
        window_.SetMinimumSize(420, 287);
        RestorePosition();
        window_.AddAlert(KEY_CtrlT);
        FrameWidth = ToShort(std::int64_t{window_.Width()});
        FrameHeight = ToShort(std::int64_t{window_.Height()});
        Post(EVENT_Accepted, BROWSENEXTMAINBUBBLE);
        return RESULT_GoOn;
    }

    int OnAccepted() override {
        switch (EventControl()) {
        case PRINTNOTES:
            PrintRequest();
            break;
        case FILEIMPORTNOTESFROMLIBRARY:
            Handshake(EventCloseForImport, Windows.ImportNotes);
            break;
        case SETUPOPTIONS:
            Handshake(EventCloseForOptions, Windows.ConfigVars);
            break;
        case FILESAVENOTESTOLIBRARY:
            if (Windows.SelectCatalog)
                Start(Windows.SelectCatalog, 30000);
            break;
        case FILECHANGELIBRARYPATH:
            ChangeLibraryPath();
            break;
        case SETUPITEM22:
            StartLayerEditor();
            break;
        case LOOKUPSUNITS:
            if (Windows.BrowseLookup)
                Start(Windows.BrowseLookup, 25000, "1");
            break;
        case LOOKUPSTYPES:
            if (Windows.BrowseLookup)
                Start(Windows.BrowseLookup, 25000, "2");
            break;
        case BROWSENEXTMAINBUBBLE:
            OpenKeynoteWindow();
            break;
        case HELPITEM21:
            Start(about::About, 25000);
            break;
        default:
            break;
        }
        return WindowManager::OnAccepted();
    }

    int OnEvent() override {
        int result = WindowManager::OnEvent();
        switch (CurrentEvent()) {
        case EventRunOptions:
            Post(EVENT_Accepted, SETUPOPTIONS);
            break;
        case EventRunImport:
            Post(EVENT_Accepted, FILEIMPORTNOTESFROMLIBRARY);
            break;
        case EventEditorReady:
            if (KeynoteThread != 0 && PrintPending == 1)
                Post(EventPrintNotes, 0, KeynoteThread);
            PrintPending = 0;
            break;
        default:
            break;
        }
        return result;
    }

    int OnWindowEvent() override {
        if (CurrentEvent() == EVENT_AlertKey && KeyCode() == KEY_CtrlT) {
            frame_.UnhideItem(LOOKUPSTYPES);
            Message("Types unhided!", "", ICON_Asterisk, BUTTON_OK);
        }
        int result = WindowManager::OnWindowEvent();
        if (CurrentEvent() == EVENT_CloseWindow) {
            // The keynote window knows what it holds: it ends the program as its Exit does.
            if (KeynoteThread != 0 && ThreadExists(KeynoteThread)) {
                Post(EventExitRequested, 0, KeynoteThread);
                return RESULT_Handled;
            }
            if (!MayEndProgram())
                return RESULT_Handled;
            Post(EVENT_CloseDown, 0, 1);
        }
        return result;
    }

    int Shutdown() override {
        if (Opened() && window_.IsOpen()) {
            WriteIni(kLastRun, "FrameX", DecimalText(window_.X()), ProjectIni);
            WriteIni(kLastRun, "FrameY", DecimalText(window_.Y()), ProjectIni);
            WriteIni(kLastRun, "FrameW", DecimalText(window_.Width()), ProjectIni);
            WriteIni(kLastRun, "FrameH", DecimalText(window_.Height()), ProjectIni);
        }
        int result = WindowManager::Shutdown();
        if (Opened())
            GlobalErrorManager.RemoveProcedureName();
        return result;
    }

private:
    void RestorePosition() {
        auto read = [](const char* key) {
            return ToShort(ReadIni(kLastRun, key, "0", ProjectIni));
        };
        std::int16_t x = read("FrameX"), y = read("FrameY"), w = read("FrameW"), h = read("FrameH");
        if (w != 0 && h != 0 &&
            (window_.X() != x || window_.Y() != y || window_.Width() != w ||
             window_.Height() != h)) {
            window_.SetMaximized(false);
            window_.SetPosition(x, y, w, h);
        }
    }

    void OpenKeynoteWindow() {
        if (KeynoteThread != 0) {
            Message("This window is already started!", "QVR Editor", ICON_Asterisk, BUTTON_OK);
            return;
        }
        // The frame is on the screen before the keynote window is set up in it.
        window_.DrawNow();
        FrameWidth = ToShort(std::int64_t{window_.Width()});
        FrameHeight = ToShort(std::int64_t{window_.Height()});
        if (Windows.BrowseNextNotes)
            KeynoteThread = ToShort(std::int64_t{Start(Windows.BrowseNextNotes, 50000)});
    }

    // Editor Options and the import run on the frame's thread while no keynote window runs:
    // the keynote window is asked to step aside first, and opened again afterwards.
    void Handshake(int closeRequest, const std::function<void()>& dialog) {
        if (KeynoteThread != 0) {
            Post(closeRequest, 0, KeynoteThread);
            ReopenEditor = 1;
            return;
        }
        if (dialog)
            dialog();
        LoadEditorConfig();
        if (ReopenEditor == 1) {
            FrameWidth = ToShort(std::int64_t{window_.Width()});
            FrameHeight = ToShort(std::int64_t{window_.Height()});
            Post(EVENT_Accepted, BROWSENEXTMAINBUBBLE);
        }
        ReopenEditor = 0;
    }

    void PrintRequest() {
        if (KeynoteThread == 0) {
            PrintPending = 1;
            Post(EVENT_Accepted, BROWSENEXTMAINBUBBLE);
        } else {
            Post(EventPrintNotes, 0, KeynoteThread);
        }
    }

    void ChangeLibraryPath() {
        std::string folder = LibPath;
        if (FolderDialog("Library Path", folder)) {
            LibPath = folder;
            WriteIni("QVREditCONFIG", "LibPath", LibPath, ProjectIni);
        }
    }

    void StartLayerEditor() {
        LayerCommandLine = Cut("dravolet " + LayerArgs, 300);
        LayerCommandLine.resize(300, ' ');
        // Started by its argument vector, so that folders with blanks reach it whole; found in
        // the program folder (for an installed copy, the folder notes itself is in), else along
        // PATH; a missing program shows nothing.
        StartProgram(LayerProgram, LayerArguments, programfiles::ProgramsFolderOf(AppPath));
    }

    Window window_{FrameDefinition()};
    Frame frame_;
    std::uint8_t PrintPending = 0;
    std::uint8_t ReopenEditor = 0;
};

} // namespace

bool MayEndProgram(bool unsaved) {
    // The keynote file still carries the time it had when the keynote window opened: it has
    // not been saved since.
    return (!unsaved && LastWriteTime(CsvPath).value_or(FileTime{}) != CsvStampTime) ||
           Message("You have not saved this file. Exit without saving?", "QVR", ICON_Question,
                   BUTTON_YES | BUTTON_NO, BUTTON_NO, MSGMODE_SYSMODAL) != BUTTON_NO;
}

void Main() {
    MainManager frame;
    frame.Run();
}

} // namespace editor
