#include "layers/LayersMain.h"

#include "layers/Globals.h"
#include "layers/MainFrame.h"
#include "platform/files/Path.h"
#include "platform/ini/Ini.h"
#include "platform/runtime/Desktop.h"
#include "platform/ui/Help.h"
#include "platform/ui/IniManager.h"
#include "programfiles/ProgramFiles.h"

namespace layers {

using namespace platform;

namespace {

constexpr unsigned kDragFlags = SPIF_UPDATEINIFILE | SPIF_SENDCHANGE;

} // namespace

void ProgramMain() {
    SetProgramName("dravolet");
    GlobalIniManager.Init("dravolet.INI");
    const std::string besideProgram = ProgramFolder().value_or(std::string());
    AppPath = programfiles::ProgramFolderToUse(besideProgram);
    // The help file comes with the program.
    HelpFile = besideProgram + kPathSeparator + "QVR.HLP";
    SetHelpFile(HelpFile);
    bool dragging = DragFullWindows();
    if (dragging)
        SetDragFullWindows(false, kDragFlags);
    Main();
    if (dragging)
        SetDragFullWindows(true, kDragFlags);
    GlobalIniManager.Kill();
}

} // namespace layers
