#include "editor/Library.h"

#include "editor/Globals.h"
#include "editor/LibrarySets.h"
#include "editor/MainFrame.h"
#include "editor/TextListSource.h"
#include "platform/files/FileError.h"
#include "platform/files/Files.h"
#include "platform/files/Path.h"
#include "platform/runtime/Runtime.h"
#include "platform/text/Text.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/WindowManager.h"

#include <optional>

namespace editor {

using namespace platform;

namespace {

constexpr int kRowHeight = 11;
constexpr int kLastThread = 64;
const char* const kExportCaption = "Bubble Notes Editor";

// Says what an import or export came to when a step failed: the error and the file it was about.
void ReportFailure(const LibraryOutcome& outcome, const char* caption) {
    if (!outcome)
        Message(Clip(outcome.error) + "!|" + outcome.file, caption, ICON_Exclamation, BUTTON_OK);
}

// ---------------------------------------------------------------------------------------------
// The import.

WindowDef ImportDefinition() {
    using namespace import_notes;
    WindowDef def;
    def.caption = "Import Key Notes from the Library";
    def.width = 272;
    def.height = 176;
    def.attributes = WIN_Modal;
    ControlDef list{ControlKind::List, LIST, "", 6, 18, 260, 132};
    list.columns = {{"Descriptive Name", 252, 1, static_cast<int>(kCatalogNameWidth), 0, 2}};
    def.controls = {
        {ControlKind::String, STRING1,
         "Select a set of key notes to import from the list below:", 6, 5, 260, 10},
        list,
        {ControlKind::Button, DELETE, "&Delete", 6, 156, 50, 14},
        {ControlKind::Button, IMPORT, "Import", 162, 156, 50, 14},
        {ControlKind::Button, CLOSE, "Close", 216, 156, 50, 14, 0, ATTR_StdClose},
    };
    return def;
}

class ImportManager : public WindowManager {
public:
    ImportManager() : WindowManager("ImportNotes", Place::NotKept) {}

    int Setup() override {
        using namespace import_notes;
        if (int result = WindowManager::Setup(); result != RESULT_GoOn)
            return result;
        Open(window_);
        SetAlerts();
        window_[LIST].SetLineHeight(kRowHeight);
        window_[LIST].SetListSource(&source_);
        FillCatalogList();
        return RESULT_GoOn;
    }

    int OnAccepted() override {
        using namespace import_notes;
        switch (EventControl()) {
        case DELETE:
            DeleteSet();
            break;
        case IMPORT:
            ImportSet();
            break;
        default:
            break;
        }
        return WindowManager::OnAccepted();
    }

    int Shutdown() override {
        int result = WindowManager::Shutdown();
        if (NotesImported == 1)
            for (int thread = 1; thread <= kLastThread; ++thread)
                Post(EventNotesImported, 0, thread);
        return result;
    }

private:
    void FillCatalogList() {
        sets_ = ListLibrary(LibPath);
        CatalogQueue.clear();
        for (const LibrarySet& set : sets_)
            CatalogQueue.push_back(set.name);
        window_.Display(import_notes::LIST);
    }

    // The set at the chosen row, as it was listed; "Catalog not selected!" when no row is chosen.
    std::optional<LibrarySet> ChosenSet() {
        int row = window_[import_notes::LIST].Selected();
        if (row < 1 || row > static_cast<int>(sets_.size())) {
            Message("Catalog not selected!");
            return std::nullopt;
        }
        return sets_[static_cast<std::size_t>(row - 1)];
    }

    void DeleteSet() {
        const std::optional<LibrarySet> chosen = ChosenSet();
        if (!chosen)
            return;
        if (Message("Are you sure want to emove the selected catalog?", "Confirmation",
                    ICON_Question, BUTTON_YES | BUTTON_NO) == BUTTON_NO)
            return;
        editor::DeleteSet(LibPath, *chosen);
        FillCatalogList();
    }

    void ImportSet() {
        const std::optional<LibrarySet> chosen = ChosenSet();
        if (!chosen)
            return;
        if (Message("WARNING:| |Importing construction notes will overwrite your|existing "
                    "construction notes in this project!||Proceed with import? | ",
                    "", ICON_Question, BUTTON_YES | BUTTON_NO) == BUTTON_NO)
            return;
        const ImportOutcome outcome = editor::ImportSet(
            LibPath, *chosen, {ProjectFolder, CsvPath, JoinPath(ProjectFolder, BakName)});
        ReportFailure(outcome.notes, "Error");
        if (!outcome.notes)
            return;
        // The next reading of the keynote file takes the shape titles from its title lines.
        TitleRead.fill(Fixed("No", 5));
        ReportFailure(outcome.ini, "Error");
        Message("Bubble notes were imported!|| Any previous notes have been saved to the " +
                    BakName + " file!",
                "", ICON_Asterisk, BUTTON_OK);
        // The reopened keynote window reads the new file instead of the rows it stashed.
        DiscardStash();
        Post(EVENT_CloseWindow);
        NotesImported = 1;
    }

    std::vector<LibrarySet> sets_;
    std::vector<std::string> CatalogQueue;
    std::uint8_t NotesImported = 0;
    TextListSource source_{CatalogQueue};
    Window window_{ImportDefinition()};
};

// ---------------------------------------------------------------------------------------------
// The export.

WindowDef ExportDefinition() {
    using namespace select_catalog;
    WindowDef def;
    def.caption = "Export the Current Key Note Set";
    def.width = 330;
    def.height = 152;
    def.attributes = WIN_MdiChild;
    ControlDef name{ControlKind::DropCombo, LOC_CATALOGNAME, "", 70, 38, 254, 12};
    name.pictureWidth = static_cast<int>(kCatalogNameWidth);
    def.controls = {
        {ControlKind::String, STRING5_2,
         "Give a descriptive name to the current set of key notes.  They will be stored in the ", 6,
         6, 318, 10},
        {ControlKind::String, STRING5,
         "library in the specified folder.  Retrieve any set using the import feature.", 6, 16, 318,
         10},
        {ControlKind::Prompt, LIB_CATALOGNAME_PROMPT, "Descriptive Name:", 6, 40, 62, 10},
        name,
        {ControlKind::Prompt, LIB_CATALOGPATH_PROMPT, "Library path:", 6, 58, 62, 10},
        {ControlKind::Entry, LOC_CATALOGTXTFILE, "", 70, 56, 254, 12, 0, ATTR_ReadOnly | ATTR_Skip},
        {ControlKind::Prompt, PROMPT3, "INI File:", 6, 74, 62, 10},
        {ControlKind::Entry, LOC_CATALOGINIFILE, "", 70, 72, 254, 12, 0, ATTR_ReadOnly | ATTR_Skip},
        {ControlKind::String, STRING2, "Press 'OK' to save the current key notes", 6, 94, 220, 10},
        {ControlKind::String, STRING2_2, "to the library name or 'Cancel' to exit", 6, 104, 220,
         10},
        {ControlKind::String, STRING2_3, "without saving a copy to the library.", 6, 114, 220, 10},
        {ControlKind::Button, OK, "OK", 220, 132, 50, 14, 0, ATTR_Default},
        {ControlKind::Button, CANCEL, "Cancel", 274, 132, 50, 14, 0, ATTR_StdClose},
    };
    return def;
}

// Why a name would put a set's files outside the library folder, or cannot be carried by a file
// name; empty when it can be a set's name.
std::string NameRefused(const std::string& name) {
    if (name == "." || name == "..")
        return "The descriptive name cannot be \".\" or \"..\": it names a folder!";
    for (unsigned char c : name)
        if (c == kPathSeparator)
            return "The descriptive name cannot hold a folder separator!";
    for (unsigned char c : name)
        if (c < 0x20 || c == 0x7F)
            return "The descriptive name cannot hold a control character!";
    return std::string();
}

class ExportManager : public WindowManager {
public:
    ExportManager() : WindowManager("SelectCatalog", Place::NotKept) {}

    int Setup() override {
        if (int result = WindowManager::Setup(); result != RESULT_GoOn)
            return result;
        window_[select_catalog::LOC_CATALOGNAME].Bind(LOC_CATALOGNAME, kCatalogNameWidth);
        window_[select_catalog::LOC_CATALOGNAME].SetListSource(&source_);
        // The file names are never cut: a cut path names another file.
        window_[select_catalog::LOC_CATALOGTXTFILE].Bind(LOC_CATALOGTXTFILE);
        window_[select_catalog::LOC_CATALOGINIFILE].Bind(LOC_CATALOGINIFILE);
        Open(window_);
        SetAlerts();
        window_[select_catalog::LOC_CATALOGNAME].SetLineHeight(kRowHeight);
        for (const LibrarySet& set : ListLibrary(LibPath))
            CatalogQueue.push_back(set.name);
        window_.Display();
        return RESULT_GoOn;
    }

    int OnNewSelection() override {
        if (EventControl() == select_catalog::LOC_CATALOGNAME)
            NameChanged();
        return WindowManager::OnNewSelection();
    }

    int OnAccepted() override {
        switch (EventControl()) {
        case select_catalog::LOC_CATALOGNAME: // the typed name, reported as the field is left
            NameChanged();
            break;
        case select_catalog::OK:
            SaveToLibrary();
            break;
        default:
            break;
        }
        return WindowManager::OnAccepted();
    }

private:
    void NameChanged() {
        window_.Update();
        SetCatalogFileNames();
    }

    void SetCatalogFileNames() {
        if (Clip(LOC_CATALOGNAME).empty()) {
            LOC_CATALOGTXTFILE.clear();
            LOC_CATALOGINIFILE.clear();
        } else {
            const std::string name = Trim(LOC_CATALOGNAME);
            LOC_CATALOGTXTFILE = SetFilePath(LibPath, name, ".csv");
            LOC_CATALOGINIFILE = SetFilePath(LibPath, name, ".ini");
        }
        window_.Display(select_catalog::LOC_CATALOGTXTFILE);
        window_.Display(select_catalog::LOC_CATALOGINIFILE);
    }

    void SaveToLibrary() {
        window_.Update();
        if (Clip(LOC_CATALOGNAME).empty()) {
            Message("Catalog Name is blank!", kExportCaption, ICON_Exclamation, BUTTON_OK);
            return;
        }
        if (const std::string refused = NameRefused(Trim(LOC_CATALOGNAME)); !refused.empty()) {
            Message(refused, kExportCaption, ICON_Exclamation, BUTTON_OK);
            return;
        }
        // The file names always follow the name, whatever the two fields show.
        SetCatalogFileNames();
        const LibraryOutcome outcome =
            ExportSet(LibPath, Trim(LOC_CATALOGNAME), CsvPath, ProjectFolder);
        ReportFailure(outcome, kExportCaption);
        if (!outcome)
            return;
        Message("The current bubble notes have been saved in the library!", kExportCaption,
                ICON_Asterisk, BUTTON_OK);
        Post(EVENT_CloseWindow);
    }

    std::string LOC_CATALOGNAME;
    std::string LOC_CATALOGTXTFILE;
    std::string LOC_CATALOGINIFILE;
    std::vector<std::string> CatalogQueue;
    TextListSource source_{CatalogQueue};
    Window window_{ExportDefinition()};
};

} // namespace

void ImportNotes() {
    ImportManager manager;
    manager.Run();
}

void SelectCatalog(const std::string&) {
    ExportManager manager;
    manager.Run();
}

} // namespace editor
