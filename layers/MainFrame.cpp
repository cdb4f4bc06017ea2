#include "layers/MainFrame.h"

#include "about/About.h"
#include "layers/Globals.h"
#include "layers/LayersMain.h"
#include "layers/LayersWindow.h"
#include "platform/files/Path.h"
#include "platform/ini/Ini.h"
#include "platform/runtime/ErrorManager.h"
#include "platform/runtime/Program.h"
#include "platform/runtime/Runtime.h"
#include "platform/text/Text.h"
#include "platform/ui/Frame.h"
#include "platform/ui/IniManager.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Startup.h"
#include "platform/ui/WindowManager.h"
#include "programfiles/ProgramFiles.h"

#include <cstdint>

namespace layers {

using namespace platform;

namespace {

enum : int { HELPITEM21 = -12 };

constexpr std::size_t kAboutStack = 25000;

std::vector<MenuDef> FrameMenu() {
    return {
        {"&File",
         "",
         MenuAction::None,
         false,
         false,
         {{"E&xit", "Exit this application", MenuAction::Exit}}},
        {"&Edit",
         "",
         MenuAction::None,
         false,
         false,
         {{"Cu&t", "Remove item to Windows Clipboard", MenuAction::Cut},
          {"&Copy", "Copy item to Windows Clipboard", MenuAction::Copy},
          {"&Paste", "Paste contents of Windows Clipboard", MenuAction::Paste}}},
        {"&Help",
         "Windows Help",
         MenuAction::None,
         false,
         false,
         {{"&Contents", "View the contents of the help file", MenuAction::HelpContents},
          {"&Search for Help On...", "Search for help on a subject", MenuAction::HelpSearch},
          {"&How to Use Help", "How to use Windows Help", MenuAction::HelpOnHelp},
          {"&About"}}},
    };
}

WindowDef FrameWindow() {
    WindowDef def;
    def.caption = "QVR Editor";
    def.icon = "NOTE.ICO";
    def.width = 400;
    def.height = 287;
    def.attributes = WIN_Resizable;
    return def;
}

class MainManager : public WindowManager {
public:
    int Setup() override {
        if (int result = DeriveNames(); result != RESULT_GoOn)
            return result;
        GlobalErrorManager.SetProcedureName("Main");
        if (int result = WindowManager::Setup(); result != RESULT_GoOn)
            return result;
        Open(window_);
        window_.SetMinimumSize(400, 287);
        RestorePosition();
        SetAlerts();
        return RESULT_GoOn;
    }

    int OnWindowEvent() override {
        int result = WindowManager::OnWindowEvent();
        if (CurrentEvent() == EVENT_OpenWindow)
            Start(Layers);
        return result;
    }

    int OnAccepted() override {
        if (EventControl() == HELPITEM21)
            Start(about::About, kAboutStack);
        return WindowManager::OnAccepted();
    }

    int Shutdown() override {
        if (int result = WindowManager::Shutdown(); result != RESULT_GoOn)
            return result;
        GlobalErrorManager.RemoveProcedureName();
        return RESULT_GoOn;
    }

private:
    // The frame takes the position notes stores for its own frame; it never writes one.
    void RestorePosition() {
        auto read = [](const char* key) {
            return ToShort(ReadIni("QVREditLASTRUN", key, "0", LayerFolderIni));
        };
        std::int16_t x = read("FrameX"), y = read("FrameY"), w = read("FrameW"), h = read("FrameH");
        if (w == 0 || h == 0)
            return;
        if (window_.X() != x || window_.Y() != y || window_.Width() != w || window_.Height() != h) {
            window_.SetMaximized(false);
            window_.SetPosition(x, y, w, h);
        }
    }

    Window window_{FrameWindow()};
    Frame frame_{window_, FrameMenu()};
};

} // namespace

int DeriveNames() {
    // A bad argument ends the program on a failure.
    if (RefuseUnusablePath(2)) {
        SetExitCode(1);
        return RESULT_Stop;
    }
    if (!programfiles::ReadFileArguments(
            AppPath, {Param1, Param2, LayerFolder, LayerFileName, LayerBakName})) {
        Message(programfiles::kNoFileNameMessage, programfiles::kNoFileNameCaption, ICON_Hand,
                BUTTON_OK);
        SetExitCode(1);
        return RESULT_Stop;
    }
    std::string folder = Clip(LayerFolder);
    LayerFolderIni = !folder.empty() && folder.back() == kPathSeparator
                         ? LayerFolder + "qvr.ini"
                         : LayerFolder + kPathSeparator + "qvr.ini";
    LayersIni = programfiles::LayersIniOf(AppPath);
    programfiles::EnsureLayersIni(LayersIni);
    return RESULT_GoOn;
}

void Main() {
    about::SetAboutTexts({"Vantorel", "", kVersion});
    MainManager manager;
    manager.Run();
}

} // namespace layers
