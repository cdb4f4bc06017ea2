#include "layers/LayersMain.h"

#include "layers/Globals.h"
#include "layers/MainFrame.h"
#include "platform/files/Path.h"
#include "platform/ini/Ini.h"
#include "platform/runtime/Desktop.h"
#include "platform/ui/Help.h"
#include "platform/ui/IniManager.h"

namespace layers {

using namespace platform;

namespace {

constexpr unsigned kDragFlags = SPIF_UPDATEINIFILE | SPIF_SENDCHANGE;

} // namespace

void ProgramMain() {
    SetProgramName("dravolet");
    GlobalIniManager.Init("dravolet.INI");
    AppPath = ProgramFolder().value_or(std::string());
    HelpFile = AppPath + kPathSeparator + "QVR.HLP";
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
