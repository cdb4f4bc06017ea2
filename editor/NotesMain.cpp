#include "editor/NotesMain.h"

#include "about/About.h"
#include "editor/ConfigVars.h"
#include "editor/Constnot.h"
#include "editor/Globals.h"
#include "editor/KeynoteWindow.h"
#include "editor/Library.h"
#include "editor/Lookup.h"
#include "editor/MainFrame.h"
#include "platform/files/Path.h"
#include "platform/ini/Ini.h"
#include "platform/runtime/Desktop.h"
#include "platform/ui/Help.h"
#include "platform/ui/IniManager.h"
#include "platform/ui/MessageBox.h"
#include "programfiles/ProgramFiles.h"

namespace editor {

using namespace platform;

void NotesMain() {
    SetProgramName("notes");
    SetDefaultCaption("QVR Editor");
    about::SetAboutTexts({"Vantorel - Pro", kTitle, kVersion});
    GlobalIniManager.Init("notes.INI");
    SetupTableManagers();
    const std::string besideProgram = ProgramFolder().value_or(std::string());
    AppPath = programfiles::ProgramFolderToUse(besideProgram);
    // The help file comes with the program.
    HelpFile = besideProgram + kPathSeparator + "QVR.HLP";
    SetHelpFile(HelpFile);
    const bool dragWasOn = DragFullWindows();
    if (dragWasOn)
        SetDragFullWindows(false, SPIF_UPDATEINIFILE | SPIF_SENDCHANGE);

    Windows.BrowseLookup = BrowseLookup;
    Windows.ConfigVars = ConfigVars;
    Windows.BrowseNextNotes = BrowseNextNotes;
    Windows.ImportNotes = ImportNotes;
    Windows.SelectCatalog = SelectCatalog;
    Main();

    if (dragWasOn)
        SetDragFullWindows(true, SPIF_UPDATEINIFILE | SPIF_SENDCHANGE);
    GlobalIniManager.Kill();
    ShutdownTableManagers();
}

} // namespace editor
