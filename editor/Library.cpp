#include "editor/Library.h"

#include "editor/Globals.h"
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

// A file of a set in the library folder: the set's name as it stands, with the ending in any
// case (as given when a file has it, as the listing takes "Retail.CSV"). Sets may differ only by
// case ("Office" and "office"): a file of one is never found for the other.
FileName SetFile(const std::string& name, const std::string& ending) {
    const std::string given = name + ending;
    std::string file = given;
    int others = 0;
    for (const FolderEntry& entry :
         ListFolder(JoinPath(LibPath, "*" + ending)).value_or(std::vector<FolderEntry>{})) {
        if (entry.name == given)
            return ExactName(JoinPath(LibPath, given));
        if (entry.name.size() == given.size() && entry.name.starts_with(name)) {
            file = entry.name;
            ++others;
        }
    }
    return ExactName(JoinPath(LibPath, others == 1 ? file : given));
}

// The message of a failed file operation: the error text and the file it was about.
std::string FailureText(const std::string& file) {
    return Clip(FileErrorText()) + "!|" + file;
}

// ---------------------------------------------------------------------------------------------
// The import.

// A file that the import moves or copies onto another, with what the two are, for its message.
struct Step {
    std::string from; // empty for the set's copy, made beforehand under a name of its own
    std::string to;
    const char* source;
    const char* target;
    const char* onItself = nullptr; // why the step cannot be done when both name one file
};

std::string Capitalized(std::string text) {
    if (!text.empty())
        text[0] = UpperChar(text[0]);
    return text;
}

// Why the import's steps cannot all be done without a file taking the place of another that an
// earlier step has just made (the project's notes' backup, say), the names compared as the
// lookup and the file system resolve them: its message, or nothing when they can.
std::optional<std::string> Clash(const std::vector<Step>& steps) {
    for (std::size_t j = 0; j < steps.size(); ++j) {
        const Step& step = steps[j];
        if (step.onItself && MayBeOneFile(step.from, step.to))
            return std::string(step.onItself) + "!|" + step.from;
        for (std::size_t i = 0; i < j; ++i)
            if (!step.from.empty() && MayBeOneFile(step.from, steps[i].to))
                return Capitalized(step.source) + " is " + steps[i].target + "!|" + step.from;
        for (std::size_t i = 0; i < j; ++i)
            if (MayBeOneFile(step.to, steps[i].to))
                return Capitalized(step.target) + " would take the place of " + steps[i].target +
                       "!|" + step.to;
    }
    return std::nullopt;
}

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
        CatalogQueue = CatalogNames();
        window_.Display(import_notes::LIST);
    }

    // The name at the chosen row; "Catalog not selected!" when no row is chosen.
    const std::string* ChosenName() {
        int row = window_[import_notes::LIST].Selected();
        if (row < 1 || row > static_cast<int>(CatalogQueue.size())) {
            Message("Catalog not selected!");
            return nullptr;
        }
        return &CatalogQueue[static_cast<std::size_t>(row - 1)];
    }

    void DeleteSet() {
        const std::string* chosen = ChosenName();
        if (!chosen)
            return;
        const std::string name = *chosen;
        if (Message("Are you sure want to emove the selected catalog?", "Confirmation",
                    ICON_Question, BUTTON_YES | BUTTON_NO) == BUTTON_NO)
            return;
        // A file of the set that is missing is no error; nothing is reported.
        for (const char* ending : {".csv", ".ini", ".bak"})
            DeleteFile(SetFile(name, ending));
        FillCatalogList();
    }

    void ImportSet() {
        const std::string* chosen = ChosenName();
        if (!chosen)
            return;
        const std::string name = *chosen;
        if (Message("WARNING:| |Importing construction notes will overwrite your|existing "
                    "construction notes in this project!||Proceed with import? | ",
                    "", ICON_Question, BUTTON_YES | BUTTON_NO) == BUTTON_NO)
            return;
        const FileName setCsv = SetFile(name, ".csv");
        const FileName setIni = SetFile(name, ".ini");
        const std::string backup = JoinPath(ProjectFolder, BakName);
        const std::string notesIni = JoinPath(ProjectFolder, "Notes.ini");
        const std::string notesBak = JoinPath(ProjectFolder, "Notes.bak");
        // The previous Notes.ini is kept as Notes.bak, unless that is the keynote file's backup
        // too (a keynote file notes.csv): the project's notes come first, and the old Notes.ini,
        // which nothing reads, is then replaced by the set's.
        const bool keepNotesIni = FileExists(notesIni) && (MayBeOneFile(notesIni, CsvPath) ||
                                                           !MayBeOneFile(notesBak, backup));
        // The files the import moves and copies, in its order, as far as they exist.
        std::vector<Step> steps;
        if (FileExists(CsvPath))
            steps.push_back({CsvPath, backup, "the keynote file", "the keynote file's backup",
                             "The keynote file cannot be its own backup"});
        steps.push_back({"", CsvPath, "the set's copy", "the keynote file"});
        if (keepNotesIni)
            steps.push_back({notesIni, notesBak, "Notes.ini", "the backup of Notes.ini"});
        if (FileExists(setIni))
            steps.push_back({setIni.Path(), notesIni, "the set's INI file", "Notes.ini"});
        if (std::optional<std::string> clash = Clash(steps)) {
            Message(*clash, "Error", ICON_Exclamation, BUTTON_OK);
            return;
        }
        if (!ReplaceKeynoteFile(setCsv, backup))
            return;
        // The set's INI comes beside the keynote file as Notes.ini, the previous one kept.
        if (keepNotesIni)
            MoveFile(notesIni, notesBak);
        // The next reading of the keynote file takes the shape titles from its title lines.
        TitleRead.fill(Fixed("No", 5));
        if (!CopyFile(setIni, notesIni))
            Message(FailureText(setIni.Path()), "Error", ICON_Exclamation, BUTTON_OK);
        Message("Bubble notes were imported!|| Any previous notes have been saved to the "
                "constnot.bak file!",
                "", ICON_Asterisk, BUTTON_OK);
        // The reopened keynote window reads the new file instead of the rows it stashed.
        DiscardStash();
        Post(EVENT_CloseWindow);
        NotesImported = 1;
    }

    // The set's keynote file in place of the project's, which becomes the backup. The set is
    // copied beside the keynote file first, so that the project keeps its notes when the set
    // cannot be read; a keynote file that cannot be moved aside is left as it is.
    bool ReplaceKeynoteFile(const FileName& setCsv, const std::string& backup) {
        const std::string copy = TemporaryNameBeside(CsvPath);
        if (!CopyFile(setCsv, copy)) {
            Message(FailureText(setCsv.Path()), "Error", ICON_Exclamation, BUTTON_OK);
            return false;
        }
        const bool existed = FileExists(CsvPath);
        if (existed && !MoveFile(CsvPath, backup)) {
            std::string text = FailureText(CsvPath);
            DeleteFile(copy);
            Message(text, "Error", ICON_Exclamation, BUTTON_OK);
            return false;
        }
        if (!ReplaceFile(copy, CsvPath)) {
            std::string text = FailureText(CsvPath);
            if (existed)
                MoveFile(backup, CsvPath);
            DeleteFile(copy);
            Message(text, "Error", ICON_Exclamation, BUTTON_OK);
            return false;
        }
        return true;
    }

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

// A name that would put a set's files outside the library folder, or that no file can carry.
bool LeavesTheLibrary(const std::string& name) {
    if (name == "." || name == "..")
        return true;
    for (unsigned char c : name)
        if (c == kPathSeparator || c < 0x20 || c == 0x7F)
            return true;
    return false;
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
        CatalogQueue = CatalogNames();
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
            LOC_CATALOGTXTFILE = SetFile(name, ".csv").Path();
            LOC_CATALOGINIFILE = SetFile(name, ".ini").Path();
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
        if (LeavesTheLibrary(Trim(LOC_CATALOGNAME))) {
            Message("The descriptive name cannot hold a folder separator!", kExportCaption,
                    ICON_Exclamation, BUTTON_OK);
            return;
        }
        // The file names always follow the name, whatever the two fields show.
        SetCatalogFileNames();
        if (!WriteSet())
            return;
        Message("The current bubble notes have been saved in the library!", kExportCaption,
                ICON_Asterisk, BUTTON_OK);
        Post(EVENT_CloseWindow);
    }

    // The project's keynote file (as last saved) and its "QVR.ini" become the set's files, the
    // set's previous keynote file its ".bak". Both are copied into the library first and put in
    // place only when both copies are complete; a failure is reported and leaves the set as it
    // was (only its older ".bak" may be gone).
    bool WriteSet() {
        const FileName csv = ExactName(LOC_CATALOGTXTFILE);
        const FileName ini = ExactName(LOC_CATALOGINIFILE);
        const std::string projectIni = JoinPath(ProjectFolder, "QVR.ini");
        // A project without "QVR.ini" leaves the set's ".ini" as it is.
        const bool withIni = FileExists(projectIni);
        const std::string csvCopy = TemporaryNameBeside(csv.Path());
        if (!CopyInto(CsvPath, csvCopy, csv.Path()))
            return false;
        const std::string iniCopy = withIni ? TemporaryNameBeside(ini.Path()) : std::string();
        if (withIni && !CopyInto(projectIni, iniCopy, ini.Path())) {
            DeleteFile(csvCopy);
            return false;
        }
        auto giveUp = [&](const std::string& text) {
            DeleteFile(csvCopy);
            if (withIni)
                DeleteFile(iniCopy);
            Message(text, kExportCaption, ICON_Exclamation, BUTTON_OK);
            return false;
        };
        const FileName backup = SetFile(Trim(LOC_CATALOGNAME), ".bak");
        const bool existed = FileExists(csv);
        if (existed && !MoveFile(csv, backup))
            return giveUp(FailureText(csv.Path()));
        if (!ReplaceFile(csvCopy, csv)) {
            std::string text = FailureText(csv.Path());
            if (existed)
                MoveFile(backup, csv);
            return giveUp(text);
        }
        if (withIni && !ReplaceFile(iniCopy, ini)) {
            std::string text = FailureText(ini.Path());
            if (existed)
                MoveFile(backup, csv);
            else
                DeleteFile(csv);
            return giveUp(text);
        }
        return true;
    }

    // Copies a file to a temporary name that stands for `target`; a failure names the file it
    // lies with: the source when it cannot be read as a file, else the target.
    bool CopyInto(const std::string& source, const std::string& copy, const std::string& target) {
        if (CopyFile(source, copy))
            return true;
        std::string error = Clip(FileErrorText());
        const bool sourceFault = !FileExists(source) || FolderExists(source);
        DeleteFile(copy);
        Message(error + "!|" + (sourceFault ? source : target), kExportCaption, ICON_Exclamation,
                BUTTON_OK);
        return false;
    }

    std::string LOC_CATALOGNAME;
    std::string LOC_CATALOGTXTFILE;
    std::string LOC_CATALOGINIFILE;
    std::vector<std::string> CatalogQueue;
    TextListSource source_{CatalogQueue};
    Window window_{ExportDefinition()};
};

} // namespace

std::vector<std::string> CatalogNames() {
    std::vector<std::string> names;
    for (const FolderEntry& entry :
         ListFolder(JoinPath(LibPath, "*.csv")).value_or(std::vector<FolderEntry>{})) {
        // The name less its ending, ".csv" in whatever case.
        names.push_back(Cut(entry.name.substr(0, entry.name.size() - 4), kCatalogNameWidth));
    }
    return names;
}

void ImportNotes() {
    ImportManager manager;
    manager.Run();
}

void SelectCatalog(const std::string&) {
    ExportManager manager;
    manager.Run();
}

} // namespace editor
