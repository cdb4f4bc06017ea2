#include "EditorFixture.h"

#include "editor/Library.h"
#include "editor/MainFrame.h"
#include "grid/PelkGridClass.h"
#include "platform/files/LineFile.h"
#include "platform/testing/FailOnce.h"
#include "platform/text/Text.h"
#include "platform/ui/Accessible.h"
#include "platform/ui/Keys.h"
#include "platform/ui/ListBox.h"
#include "platform/ui/Qt.h"

#include <QAccessible>
#include <QComboBox>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

using namespace editor;
using namespace platform;
namespace drv = platform::testing;
namespace fs = std::filesystem;

namespace {

using Names = std::vector<std::string>;

const std::string kLibrary = std::string(TEST_DATA_DIR) + "/library";
const std::string kLongName = "Standard notes for concrete foundations, slabs, and site work 2024";
const std::string kWarning = "WARNING:| |Importing construction notes will overwrite your|existing "
                             "construction notes in this project!||Proceed with import? | ";
// The notice of an import, naming the backup the previous notes went to.
std::string ImportedTo(const std::string& backup) {
    return "Bubble notes were imported!|| Any previous notes have been saved to the " + backup +
           " file!";
}
const std::string kImported = ImportedTo("constnot.bak");
const std::string kSaved = "The current bubble notes have been saved in the library!";
const std::string kProjectNotes = "SET,TXTHT,0.25\r\nCIR,7,Project footing,EA,COUNT\r\n";

class LibraryTest : public editor::testing::EditorWindowTest {
protected:
    std::string lib = temp / "lib";
    std::string job = temp / "job";

    void SetUp() override {
        EditorWindowTest::SetUp();
        fs::copy(kLibrary, lib, fs::copy_options::recursive);
        fs::create_directories(job);
        LibPath = lib;
        ProjectFolder = job;
        CsvName = "constnot.csv";
        BakName = "constnot.bak";
        CsvPath = job + "/constnot.csv";
    }

    Window& OpenImport() { return StartWindow(ImportNotes, "Import Key Notes from the Library"); }
    Window& OpenExport() {
        return StartWindow([] { SelectCatalog(""); }, "Export the Current Key Note Set");
    }

    static Names Listed(Window& w) {
        Names out;
        ListBox& list = *ListBox::Of(w[import_notes::LIST]);
        for (int row = 1; row <= list.Count(); ++row)
            out.push_back(list.CellText(row, 1));
        return out;
    }
    static Names Offered(Window& w) {
        Names out;
        auto* combo = qobject_cast<QComboBox*>(w[select_catalog::LOC_CATALOGNAME].Widget());
        for (int i = 0; combo && i < combo->count(); ++i)
            out.push_back(combo->itemText(i).toStdString());
        return out;
    }
    // Every file of a folder with its bytes.
    static std::map<std::string, std::string> Files(const std::string& folder) {
        std::map<std::string, std::string> out;
        for (const auto& entry : fs::directory_iterator(folder))
            out[entry.path().filename().string()] =
                entry.is_regular_file() ? drv::ReadBytes(entry.path().string()) : "<folder>";
        return out;
    }
    std::string Set(const std::string& file) const { return drv::ReadBytes(lib + "/" + file); }

    // Chooses a set and imports it, answering the warning with Yes.
    void Import(Window& w, int row) {
        drv::ClickList(w, import_notes::LIST, row);
        drv::Click(w, import_notes::IMPORT);
        drv::Answer(kWarning, "", ICON_Question, BUTTON_YES | BUTTON_NO, BUTTON_YES);
    }
};

// A thread that counts the events it gets; a keynote window among them reads the keynote file
// again when the notes were imported.
struct Listener {
    int imported = 0;
    std::string reread;
};

void Listen(Listener& log, bool keynoteWindow) {
    for (;;) {
        Event e = Accept();
        if (e.code == EventNotesImported) {
            ++log.imported;
            if (keynoteWindow)
                log.reread = drv::ReadBytes(CsvPath);
        }
        if (e.code == EVENT_CloseDown)
            return;
    }
}

} // namespace

TEST_F(LibraryTest, BothWindowsListTheSetsByNameWhateverTheCaseOfTheirEnding) {
    struct Case {
        const char* what;
        std::function<void()> library;
        Names names;
    };
    const Case cases[] = {
        {"the fixture: folders and other endings left out, a long name cut to 63",
         [] {},
         {"A.B", "Office", "Retail", kLongName.substr(0, 63)}},
        {"an empty folder",
         [this] {
             fs::remove_all(lib);
             fs::create_directories(lib);
         },
         {}},
        {"a missing folder", [this] { fs::remove_all(lib); }, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.library();
        Window& import = OpenImport();
        EXPECT_EQ(Listed(import), c.names);
        if (c.names.empty()) {
            drv::Click(import, import_notes::DELETE);
            drv::Answer("Catalog not selected!", "", ICON_None, BUTTON_OK, BUTTON_OK);
            drv::Click(import, import_notes::IMPORT);
            drv::Answer("Catalog not selected!", "", ICON_None, BUTTON_OK, BUTTON_OK);
        }
        drv::Click(import, import_notes::CLOSE);
        EXPECT_TRUE(returned);

        Window& exporter = OpenExport();
        EXPECT_EQ(Offered(exporter), c.names);
        drv::Click(exporter, select_catalog::CANCEL);
        EXPECT_TRUE(returned);
    }
    EXPECT_FALSE(fs::exists(job + "/constnot.csv"));
}

TEST_F(LibraryTest, DeleteRemovesEveryFileOfTheSetAfterTheQuestion) {
    Window& w = OpenImport();
    const auto before = Files(lib);
    // No keeps the set.
    drv::ClickList(w, import_notes::LIST, 2);
    drv::Click(w, import_notes::DELETE);
    drv::Answer("Are you sure want to emove the selected catalog?", "Confirmation", ICON_Question,
                BUTTON_YES | BUTTON_NO, BUTTON_NO);
    EXPECT_EQ(Files(lib), before);

    struct Case {
        int row;
        const char* name;
        Names gone;
        Names listed;
    };
    const Case cases[] = {
        {2,
         "Office with its .ini and .bak",
         {"Office.csv", "Office.ini", "Office.bak"},
         {"A.B", "Retail", kLongName.substr(0, 63)}},
        {2, "Retail with only its .csv", {"Retail.CSV"}, {"A.B", kLongName.substr(0, 63)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        drv::ClickList(w, import_notes::LIST, c.row);
        drv::Click(w, import_notes::DELETE);
        drv::Answer("Are you sure want to emove the selected catalog?", "Confirmation",
                    ICON_Question, BUTTON_YES | BUTTON_NO, BUTTON_YES);
        for (const std::string& file : c.gone)
            EXPECT_FALSE(fs::exists(lib + "/" + file)) << file;
        EXPECT_EQ(Listed(w), c.listed);
    }
    EXPECT_TRUE(fs::exists(lib + "/notes.txt"));
    EXPECT_TRUE(fs::exists(lib + "/Folder.csv/readme.txt"));
    drv::Click(w, import_notes::CLOSE);
}

TEST_F(LibraryTest, ImportPutsTheSetInPlaceKeepsTheOldNotesAndForgetsTheStash) {
    // A project without keynote file: the set becomes it, no backup is made.
    TitleRead.fill("Yes  ");
    NotesStashed = 1;
    NotesQueue.push_back(NoteRow{"0", "1", "Stashed", "EA", "COUNT", 1});
    StashedRows[1].resize(2); // a grid's rows, handed over whole
    StashHalfRead = true;     // stashed by a window whose reading failed
    Window& w = OpenImport();
    Import(w, 2);
    drv::Answer(kImported, "", ICON_Asterisk, BUTTON_OK, BUTTON_OK);
    EXPECT_TRUE(returned);
    EXPECT_EQ(drv::ReadBytes(CsvPath), Set("Office.csv"));
    EXPECT_EQ(drv::ReadBytes(job + "/Notes.ini"), Set("Office.ini"));
    EXPECT_EQ((std::map<std::string, std::string>{{"constnot.csv", Set("Office.csv")},
                                                  {"Notes.ini", Set("Office.ini")}}),
              Files(job));
    for (const std::string& flag : TitleRead)
        EXPECT_EQ(Clip(flag), "No");
    EXPECT_EQ(NotesStashed, 0);
    EXPECT_TRUE(NotesQueue.empty());
    EXPECT_EQ(StashedRows[1].capacity(), 0u);
    EXPECT_FALSE(StashHalfRead);

    // The second import replaces the backup the first made. A set without .ini says so and
    // goes on; the earlier Notes.ini is kept as Notes.bak.
    Window& again = OpenImport();
    Import(again, 3);
    drv::Answer("File Not Found!|" + lib + "/Retail.ini", "Error", ICON_Exclamation, BUTTON_OK,
                BUTTON_OK);
    drv::Answer(kImported, "", ICON_Asterisk, BUTTON_OK, BUTTON_OK);
    EXPECT_TRUE(returned);
    EXPECT_EQ((std::map<std::string, std::string>{{"constnot.csv", Set("Retail.CSV")},
                                                  {"constnot.bak", Set("Office.csv")},
                                                  {"Notes.bak", Set("Office.ini")}}),
              Files(job));

    // With another keynote name the backup follows it, and the message names it.
    CsvName = "job12.kn.csv";
    BakName = "job12.bak";
    CsvPath = job + "/job12.kn.csv";
    drv::WriteBytes(CsvPath, kProjectNotes);
    Window& third = OpenImport();
    Import(third, 1);
    drv::Answer("File Not Found!|" + lib + "/A.B.ini", "Error", ICON_Exclamation, BUTTON_OK,
                BUTTON_OK);
    drv::Answer(ImportedTo("job12.bak"), "", ICON_Asterisk, BUTTON_OK, BUTTON_OK);
    EXPECT_EQ(drv::ReadBytes(CsvPath), Set("A.B.csv"));
    EXPECT_EQ(drv::ReadBytes(job + "/job12.bak"), kProjectNotes);
}

// Every step of an import failing in turn: the message names the file the step was about, and
// the project's files, the title flags and the stash are as they were; the window stays open.
TEST_F(LibraryTest, AFailedImportChangesNothing) {
    drv::WriteBytes(CsvPath, kProjectNotes);
    drv::WriteBytes(job + "/constnot.bak", "the older backup");
    drv::WriteBytes(job + "/Notes.ini", "[QVR]\r\nTBLWID=9\r\n");
    TitleRead.fill("Yes  ");
    NotesStashed = 1;
    NotesQueue.push_back(NoteRow{"0", "1", "Stashed", "EA", "COUNT", 1});
    const auto project = Files(job);
    const auto library = Files(lib);
    const std::string backup = job + "/constnot.bak";

    Window& w = OpenImport();
    // Answered No: nothing happens.
    drv::ClickList(w, import_notes::LIST, 2);
    drv::Click(w, import_notes::IMPORT);
    drv::Answer(kWarning, "", ICON_Question, BUTTON_YES | BUTTON_NO, BUTTON_NO);
    struct Case {
        const char* step;
        drv::FailOnce::Operation operation;
        std::string path;
        std::string message;
    };
    const Case cases[] = {
        {"the set cannot be read", drv::FailOnce::Copy, lib + "/Office.csv",
         "Input/output error!|" + lib + "/Office.csv"},
        {"the older backup cannot be kept", drv::FailOnce::Copy, backup,
         "Input/output error!|" + backup},
        {"the notes cannot be copied to the backup", drv::FailOnce::Copy, CsvPath,
         "Input/output error!|" + backup},
        {"the set's copy cannot take the keynote file's place", drv::FailOnce::Rename, CsvPath,
         "Input/output error!|" + CsvPath},
        {"the set's copy cannot be flushed to the disk", drv::FailOnce::Flush, CsvPath,
         "Input/output error!|" + CsvPath},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.step);
        // A step that fails to fail lets the import finish and close its window.
        ASSERT_FALSE(returned);
        drv::FailOnce failing(c.operation, c.path);
        Import(w, 2);
        drv::Answer(c.message, "Error", ICON_Exclamation, BUTTON_OK, BUTTON_OK);
        EXPECT_TRUE(failing.Happened());
        EXPECT_EQ(Files(job), project); // no copy of the set left behind either
    }
    // The keynote file is held by another program: it is not written over.
    {
        LineFile holder(4096);
        holder.SetName(CsvPath);
        ASSERT_TRUE(holder.Open(OpenMode::ReadWriteDenyWrite));
        Import(w, 2);
        drv::Answer("Access Denied!|" + CsvPath, "Error", ICON_Exclamation, BUTTON_OK, BUTTON_OK);
    }
    EXPECT_EQ(Files(job), project);
    EXPECT_EQ(Files(lib), library);
    for (const std::string& flag : TitleRead)
        EXPECT_EQ(flag, "Yes  ");
    EXPECT_EQ(NotesStashed, 1);
    EXPECT_EQ(NotesQueue.size(), 1u);
    EXPECT_FALSE(returned); // the window stays open

    Listener listener;
    Start([&](const std::string&) { Listen(listener, false); });
    drv::Click(w, import_notes::CLOSE);
    EXPECT_TRUE(returned);
    EXPECT_EQ(listener.imported, 0); // nothing was imported: nobody is told
}

// Notes.ini is kept as Notes.bak before the set's INI takes its place; where it cannot be kept
// (Notes.bak is a folder) the import says so and leaves it, and the notes are imported all the
// same. A failed copy of the set's INI is reported likewise.
TEST_F(LibraryTest, NotesIniIsNeverLostToTheSetsIni) {
    const std::string ini = "[QVR]\r\nTBLWID=9\r\n";
    drv::WriteBytes(CsvPath, kProjectNotes);
    drv::WriteBytes(job + "/Notes.ini", ini);
    fs::create_directory(job + "/Notes.bak");
    Window& w = OpenImport();
    Import(w, 2);
    drv::Answer("Access Denied!|" + job + "/Notes.bak", "Error", ICON_Exclamation, BUTTON_OK,
                BUTTON_OK);
    drv::Answer(kImported, "", ICON_Asterisk, BUTTON_OK, BUTTON_OK);
    EXPECT_EQ(drv::ReadBytes(CsvPath), Set("Office.csv"));
    EXPECT_EQ(drv::ReadBytes(job + "/Notes.ini"), ini);

    // The set's INI cannot be copied: Notes.ini is kept as Notes.bak and stays whole itself.
    fs::remove(job + "/Notes.bak");
    drv::FailOnce failing(drv::FailOnce::Copy, lib + "/Office.ini");
    Window& again = OpenImport();
    Import(again, 2);
    drv::Answer("Input/output error!|" + lib + "/Office.ini", "Error", ICON_Exclamation, BUTTON_OK,
                BUTTON_OK);
    drv::Answer(kImported, "", ICON_Asterisk, BUTTON_OK, BUTTON_OK);
    EXPECT_TRUE(failing.Happened());
    EXPECT_EQ(drv::ReadBytes(job + "/Notes.bak"), ini);
    EXPECT_EQ(drv::ReadBytes(job + "/Notes.ini"), ini);
}

// Each row acts on the files it was listed from: two sets whose names share their first 63
// characters show alike, and each imports and deletes its own files.
TEST_F(LibraryTest, ARowActsOnTheFilesItWasListedFrom) {
    const std::string other = kLongName.substr(0, 63) + " revised";
    drv::WriteBytes(lib + "/" + other + ".csv", "SET,TXTHT,0.75\r\n");
    drv::WriteBytes(lib + "/" + other + ".ini", "[QVR]\r\nTBLWID=2\r\n");
    Window& w = OpenImport();
    EXPECT_EQ(Listed(w),
              (Names{"A.B", "Office", "Retail", kLongName.substr(0, 63), kLongName.substr(0, 63)}));
    Import(w, 4); // a blank sorts before a digit
    drv::Answer(kImported, "", ICON_Asterisk, BUTTON_OK, BUTTON_OK);
    EXPECT_EQ(drv::ReadBytes(CsvPath), "SET,TXTHT,0.75\r\n");
    EXPECT_EQ(drv::ReadBytes(job + "/Notes.ini"), "[QVR]\r\nTBLWID=2\r\n");
    Window& again = OpenImport();
    Import(again, 5);
    drv::Answer("File Not Found!|" + lib + "/" + kLongName + ".ini", "Error", ICON_Exclamation,
                BUTTON_OK, BUTTON_OK);
    drv::Answer(kImported, "", ICON_Asterisk, BUTTON_OK, BUTTON_OK);
    EXPECT_EQ(drv::ReadBytes(CsvPath), Set(kLongName + ".csv"));

    Window& d = OpenImport();
    drv::ClickList(d, import_notes::LIST, 4);
    drv::Click(d, import_notes::DELETE);
    drv::Answer("Are you sure want to emove the selected catalog?", "Confirmation", ICON_Question,
                BUTTON_YES | BUTTON_NO, BUTTON_YES);
    EXPECT_FALSE(fs::exists(lib + "/" + other + ".csv"));
    EXPECT_FALSE(fs::exists(lib + "/" + other + ".ini"));
    EXPECT_TRUE(fs::exists(lib + "/" + kLongName + ".csv"));
    drv::Click(d, import_notes::CLOSE);
}

// The import never moves or copies a file onto one it has just made: where the keynote file is
// its own backup, or it is Notes.ini, it is refused before anything changes; where its backup
// is Notes.ini's backup too, the project's notes keep their backup and the old Notes.ini gives
// way to the set's.
TEST_F(LibraryTest, AnImportNeverPutsOneOfItsFilesInThePlaceOfAnother) {
    // A project folder anew, with this keynote file and other files beside it.
    auto NewProject = [this](const std::string& keynote, const Names& others) {
        fs::remove_all(job);
        fs::create_directories(job);
        const FileArgument names = SplitFileArgument(job + "/" + keynote);
        CsvName = names.name;
        BakName = names.backup;
        CsvPath = job + "/" + keynote;
        drv::WriteBytes(CsvPath, kProjectNotes);
        for (const std::string& other : others)
            drv::WriteBytes(job + "/" + other, "the project's " + other);
    };
    struct Case {
        std::string keynote;
        Names others; // in the project folder beside it
        std::string message;
    };
    const Case cases[] = {
        {"job.bak", {}, "The keynote file cannot be its own backup!|" + job + "/job.bak"},
        {"JOB.BAK",
         {"Notes.ini"},
         "The keynote file cannot be its own backup!|" + job + "/JOB.BAK"},
        {"Notes.ini", {}, "Notes.ini is the keynote file!|" + job + "/Notes.ini"},
        {"notes.ini", {"Notes.bak"}, "Notes.ini is the keynote file!|" + job + "/Notes.ini"},
    };
    const auto library = Files(lib);
    TitleRead.fill("Yes  ");
    Window& w = OpenImport();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keynote);
        NewProject(c.keynote, c.others);
        const auto project = Files(job);
        Import(w, 2);
        drv::Answer(c.message, "Error", ICON_Exclamation, BUTTON_OK, BUTTON_OK);
        EXPECT_EQ(Files(job), project);
    }
    EXPECT_EQ(Files(lib), library);
    for (const std::string& flag : TitleRead)
        EXPECT_EQ(flag, "Yes  ");
    EXPECT_FALSE(returned);

    // notes.csv's backup is Notes.ini's backup too: the notes keep it, Notes.ini is replaced.
    const struct {
        std::string keynote;
        Names others;
        std::string backup; // which the notice names
        std::map<std::string, std::string> after;
    } backups[] = {
        {"notes.csv",
         {"Notes.ini"},
         "notes.bak",
         {{"notes.csv", Set("Office.csv")},
          {"notes.bak", kProjectNotes},
          {"Notes.ini", Set("Office.ini")}}},
        {"Notes.csv",
         {"Notes.ini", "Notes.bak"},
         "Notes.bak",
         {{"Notes.csv", Set("Office.csv")},
          {"Notes.bak", kProjectNotes},
          {"Notes.ini", Set("Office.ini")}}},
        {"NOTES.csv",
         {"notes.ini"},
         "NOTES.bak",
         {{"NOTES.csv", Set("Office.csv")},
          {"NOTES.bak", kProjectNotes},
          {"notes.ini", Set("Office.ini")}}},
        {"notes.csv",
         {},
         "notes.bak",
         {{"notes.csv", Set("Office.csv")},
          {"notes.bak", kProjectNotes},
          {"Notes.ini", Set("Office.ini")}}},
    };
    Window* open = &w;
    for (const auto& c : backups) {
        SCOPED_TRACE(c.keynote + " beside " + std::to_string(c.others.size()));
        if (!open)
            open = &OpenImport();
        NewProject(c.keynote, c.others);
        Import(*open, 2);
        drv::Answer(ImportedTo(c.backup), "", ICON_Asterisk, BUTTON_OK, BUTTON_OK);
        EXPECT_EQ(c.after, Files(job));
        open = nullptr; // an import closes the window
    }
}

TEST_F(LibraryTest, EveryThreadHearsOfTheImportAndTheKeynoteWindowReadsTheNewFile) {
    drv::WriteBytes(CsvPath, kProjectNotes);
    Listener keynote, lookup, about;
    Start([&](const std::string&) { Listen(keynote, true); });
    Start([&](const std::string&) { Listen(lookup, false); });
    Start([&](const std::string&) { Listen(about, false); });
    drv::Settle();
    Window& w = OpenImport();
    Import(w, 3);
    drv::Answer("File Not Found!|" + lib + "/Retail.ini", "Error", ICON_Exclamation, BUTTON_OK,
                BUTTON_OK);
    EXPECT_EQ(keynote.imported, 0); // not before the window has closed
    drv::Answer(kImported, "", ICON_Asterisk, BUTTON_OK, BUTTON_OK);
    EXPECT_TRUE(returned);
    EXPECT_EQ(keynote.imported, 1);
    EXPECT_EQ(lookup.imported, 1);
    EXPECT_EQ(about.imported, 1);
    EXPECT_EQ(keynote.reread, Set("Retail.CSV"));
}

TEST_F(LibraryTest, ExportSavesTheKeynoteFileAndTheProjectIniUnderTheTrimmedName) {
    drv::WriteBytes(CsvPath, kProjectNotes);
    drv::WriteBytes(job + "/qvr.ini", "[QVR]\r\nTBLWID=6\r\n"); // found as QVR.ini
    Window& w = OpenExport();
    EXPECT_EQ(w[select_catalog::LOC_CATALOGTXTFILE].Text(), "");
    drv::Type(w, select_catalog::LOC_CATALOGNAME, "  Site work  ");
    EXPECT_EQ(w[select_catalog::LOC_CATALOGTXTFILE].Text(), lib + "/Site work.csv");
    EXPECT_EQ(w[select_catalog::LOC_CATALOGINIFILE].Text(), lib + "/Site work.ini");
    drv::Click(w, select_catalog::OK);
    drv::Answer(kSaved, "Bubble Notes Editor", ICON_Asterisk, BUTTON_OK, BUTTON_OK);
    EXPECT_TRUE(returned);
    EXPECT_EQ(Set("Site work.csv"), kProjectNotes);
    EXPECT_EQ(Set("Site work.ini"), "[QVR]\r\nTBLWID=6\r\n");
    EXPECT_FALSE(fs::exists(lib + "/Site work.bak"));

    // An existing name, picked from the list: its .csv becomes its .bak (the older one goes),
    // its .ini is written over. The keynote file is read while the keynote window holds it.
    LineFile holder(4096);
    holder.SetName(CsvPath);
    ASSERT_TRUE(holder.Open(OpenMode::ReadWriteDenyWrite));
    const std::string office = Set("Office.csv");
    Window& again = OpenExport();
    drv::Choose(again, select_catalog::LOC_CATALOGNAME, 2);
    EXPECT_EQ(again[select_catalog::LOC_CATALOGTXTFILE].Text(), lib + "/Office.csv");
    EXPECT_EQ(again[select_catalog::LOC_CATALOGINIFILE].Text(), lib + "/Office.ini");
    drv::Key(again, select_catalog::LOC_CATALOGNAME, KEY_Enter); // presses OK
    drv::Answer(kSaved, "Bubble Notes Editor", ICON_Asterisk, BUTTON_OK, BUTTON_OK);
    EXPECT_TRUE(returned);
    EXPECT_EQ(Set("Office.csv"), kProjectNotes);
    EXPECT_EQ(Set("Office.bak"), office);
    EXPECT_EQ(Set("Office.ini"), "[QVR]\r\nTBLWID=6\r\n");

    // A project without QVR.ini is no failure: the set keeps the .ini it had.
    static_cast<void>(holder.Close());
    fs::remove(job + "/qvr.ini");
    drv::WriteBytes(lib + "/Office.ini", "[QVR]\r\nTBLWID=1\r\n");
    Window& third = OpenExport();
    drv::Type(third, select_catalog::LOC_CATALOGNAME, "Office");
    drv::Click(third, select_catalog::OK);
    drv::Answer(kSaved, "Bubble Notes Editor", ICON_Asterisk, BUTTON_OK, BUTTON_OK);
    EXPECT_EQ(Set("Office.ini"), "[QVR]\r\nTBLWID=1\r\n");
    EXPECT_EQ(Set("Office.bak"), kProjectNotes);
    EXPECT_EQ(drv::TempFolder::Entries(lib), 10u); // no copy left behind
}

TEST_F(LibraryTest, ExportRefusesNamesAndReportsFailuresAndWritesNothingThen) {
    drv::WriteBytes(job + "/QVR.ini", "[QVR]\r\nTBLWID=6\r\n");
    const auto library = Files(lib);
    Window& w = OpenExport();
    struct Case {
        const char* name;
        const char* message;
    };
    const char* const kBlank = "Catalog Name is blank!";
    const char* const kSeparator = "The descriptive name cannot hold a folder separator!";
    // "." and ".." hold no separator: they are refused for what they name.
    const char* const kFolder =
        "The descriptive name cannot be \".\" or \"..\": it names a folder!";
    const Case refused[] = {
        {"", kBlank},        {"    ", kBlank},  {"../Office", kSeparator},
        {"a/b", kSeparator}, {" .. ", kFolder}, {".", kFolder},
    };
    for (const Case& c : refused) {
        SCOPED_TRACE(c.name);
        drv::Type(w, select_catalog::LOC_CATALOGNAME, c.name);
        drv::Click(w, select_catalog::OK);
        drv::Answer(c.message, "Bubble Notes Editor", ICON_Exclamation, BUTTON_OK, BUTTON_OK);
    }
    EXPECT_EQ(Files(lib), library);

    // The project has no keynote file yet: the copy fails, the set stays as it was.
    drv::Type(w, select_catalog::LOC_CATALOGNAME, "Office");
    drv::Click(w, select_catalog::OK);
    drv::Answer("File Not Found!|" + CsvPath, "Bubble Notes Editor", ICON_Exclamation, BUTTON_OK,
                BUTTON_OK);
    // The set's keynote file is held by another program: it is not moved to the .bak.
    drv::WriteBytes(CsvPath, kProjectNotes);
    {
        LineFile holder(4096);
        holder.SetName(lib + "/Office.csv");
        ASSERT_TRUE(holder.Open(OpenMode::ReadWriteDenyWrite));
        drv::Click(w, select_catalog::OK);
        drv::Answer("Access Denied!|" + lib + "/Office.csv", "Bubble Notes Editor",
                    ICON_Exclamation, BUTTON_OK, BUTTON_OK);
    }
    // The set's keynote file is a folder: it is not moved, nor written over.
    drv::Type(w, select_catalog::LOC_CATALOGNAME, "Folder");
    drv::Click(w, select_catalog::OK);
    drv::Answer("Access Denied!|" + lib + "/Folder.csv", "Bubble Notes Editor", ICON_Exclamation,
                BUTTON_OK, BUTTON_OK);
    EXPECT_EQ(Files(lib), library);
    EXPECT_EQ(Files(lib + "/Folder.csv"), Files(kLibrary + "/Folder.csv"));
    // The library folder has gone: the copy into it fails.
    drv::Type(w, select_catalog::LOC_CATALOGNAME, "Office");
    fs::rename(lib, temp / "moved");
    drv::Click(w, select_catalog::OK);
    drv::Answer("Path Not Found!|" + lib + "/Office.csv", "Bubble Notes Editor", ICON_Exclamation,
                BUTTON_OK, BUTTON_OK);
    fs::rename(temp / "moved", lib);
    EXPECT_EQ(Files(lib), library);
    EXPECT_FALSE(returned); // the window stays open for another try

    drv::Click(w, select_catalog::OK);
    drv::Answer(kSaved, "Bubble Notes Editor", ICON_Asterisk, BUTTON_OK, BUTTON_OK);
    EXPECT_TRUE(returned);
    EXPECT_EQ(Set("Office.bak"), library.at("Office.csv"));
}

// After a message box the keyboard is back in the name's entry, and what the user goes on typing
// there moves the file fields along.
TEST_F(LibraryTest, TheFileFieldsFollowTheNameTypedAfterARefusal) {
    using namespace select_catalog;
    Window& w = OpenExport();
    drv::Type(w, LOC_CATALOGNAME, "../x", false);
    drv::Key(w, LOC_CATALOGNAME, KEY_Enter); // presses OK
    drv::Answer("The descriptive name cannot hold a folder separator!", "Bubble Notes Editor",
                ICON_Exclamation, BUTTON_OK, BUTTON_OK);
    drv::Key(w, LOC_CATALOGNAME, KEY_Ctrl + KeyOf('a'));
    for (char c : std::string("short"))
        drv::Key(w, LOC_CATALOGNAME, KeyOf(c));
    drv::Key(w, LOC_CATALOGNAME, KEY_Tab);
    EXPECT_EQ(w[LOC_CATALOGNAME].Text(), "short");
    EXPECT_EQ(w[LOC_CATALOGTXTFILE].Text(), lib + "/short.csv");
    EXPECT_EQ(w[LOC_CATALOGINIFILE].Text(), lib + "/short.ini");
    drv::Click(w, CANCEL);
    EXPECT_TRUE(returned);
}

// "Office" has only its .csv, "office" all three files: sets whose names differ only by case are
// sets of their own, and no file of one is ever taken for the other's. A set's ending goes in any
// case ("Retail.CSV" and "Retail.INI").
TEST_F(LibraryTest, NamesThatDifferOnlyByCaseAreSetsOfTheirOwn) {
    fs::remove_all(lib);
    fs::copy(kLibrary + "-case", lib);
    const auto fixture = Files(lib);
    const auto office = [&] {
        return Names{Set("office.csv"), Set("office.ini"), Set("office.bak")};
    };
    const Names officeBefore = office();
    drv::WriteBytes(CsvPath, kProjectNotes);

    // Imported, Office brings no INI: office's is not taken for it.
    Window& w = OpenImport();
    EXPECT_EQ(Listed(w), (Names{"Office", "office", "Retail"}));
    Import(w, 1);
    drv::Answer("File Not Found!|" + lib + "/Office.ini", "Error", ICON_Exclamation, BUTTON_OK,
                BUTTON_OK);
    drv::Answer(kImported, "", ICON_Asterisk, BUTTON_OK, BUTTON_OK);
    EXPECT_EQ((std::map<std::string, std::string>{{"constnot.csv", fixture.at("Office.csv")},
                                                  {"constnot.bak", kProjectNotes}}),
              Files(job));
    Window& retail = OpenImport();
    Import(retail, 3);
    drv::Answer(kImported, "", ICON_Asterisk, BUTTON_OK, BUTTON_OK);
    EXPECT_EQ(drv::ReadBytes(job + "/Notes.ini"), fixture.at("Retail.INI"));

    // Exported as Office, the set Office gets its .bak and .ini; office keeps its files.
    const std::string projectIni = "[QVR]\r\nTBLWID=6\r\n";
    drv::WriteBytes(CsvPath, kProjectNotes);
    drv::WriteBytes(job + "/QVR.ini", projectIni);
    auto exportAs = [&](const std::string& name, const std::string& csv, const std::string& ini) {
        SCOPED_TRACE(name);
        Window& e = OpenExport();
        drv::Type(e, select_catalog::LOC_CATALOGNAME, name);
        EXPECT_EQ(e[select_catalog::LOC_CATALOGTXTFILE].Text(), lib + "/" + csv);
        EXPECT_EQ(e[select_catalog::LOC_CATALOGINIFILE].Text(), lib + "/" + ini);
        drv::Click(e, select_catalog::OK);
        drv::Answer(kSaved, "Bubble Notes Editor", ICON_Asterisk, BUTTON_OK, BUTTON_OK);
        EXPECT_TRUE(returned);
        EXPECT_EQ(Set(csv), kProjectNotes);
        EXPECT_EQ(Set(ini), projectIni);
    };
    exportAs("Office", "Office.csv", "Office.ini");
    EXPECT_EQ(Set("Office.bak"), fixture.at("Office.csv"));
    EXPECT_EQ(office(), officeBefore);
    // RETAIL is a new set beside Retail, whose files are found whatever the case of their ending.
    exportAs("RETAIL", "RETAIL.csv", "RETAIL.ini");
    EXPECT_FALSE(fs::exists(lib + "/RETAIL.bak"));
    EXPECT_EQ(Set("Retail.CSV"), fixture.at("Retail.CSV"));
    EXPECT_EQ(Set("Retail.INI"), fixture.at("Retail.INI"));
    exportAs("Retail", "Retail.CSV", "Retail.INI");
    EXPECT_EQ(Set("Retail.bak"), fixture.at("Retail.CSV"));

    // Deleting Office and Retail leaves office and RETAIL whole.
    Window& d = OpenImport();
    EXPECT_EQ(Listed(d), (Names{"Office", "office", "RETAIL", "Retail"}));
    for (int row : {4, 1}) {
        drv::ClickList(d, import_notes::LIST, row);
        drv::Click(d, import_notes::DELETE);
        drv::Answer("Are you sure want to emove the selected catalog?", "Confirmation",
                    ICON_Question, BUTTON_YES | BUTTON_NO, BUTTON_YES);
    }
    EXPECT_EQ(Listed(d), (Names{"office", "RETAIL"}));
    EXPECT_EQ(office(), officeBefore);
    EXPECT_EQ((std::map<std::string, std::string>{{"office.csv", officeBefore[0]},
                                                  {"office.ini", officeBefore[1]},
                                                  {"office.bak", officeBefore[2]},
                                                  {"RETAIL.csv", kProjectNotes},
                                                  {"RETAIL.ini", projectIni}}),
              Files(lib));
    drv::Click(d, import_notes::CLOSE);
}

// Every step of an export failing in turn: the message names the set's file the step was about,
// and the set is as it was (only its older .bak may be gone once its .csv had been moved there);
// no copy is left in the library.
TEST_F(LibraryTest, AFailedExportStepLeavesTheSetAsItWas) {
    drv::WriteBytes(CsvPath, kProjectNotes);
    drv::WriteBytes(job + "/QVR.ini", "[QVR]\r\nTBLWID=6\r\n");
    const auto library = Files(lib);
    struct Case {
        const char* step;
        drv::FailOnce::Operation operation;
        std::string path;
        std::string file; // named in the message
    };
    const Case cases[] = {
        {"the keynote file cannot be copied", drv::FailOnce::Copy, CsvPath, lib + "/Office.csv"},
        {"QVR.ini cannot be copied", drv::FailOnce::Copy, job + "/QVR.ini", lib + "/Office.ini"},
        {"the set's .csv cannot be kept for its .bak", drv::FailOnce::Copy, lib + "/Office.csv",
         lib + "/Office.csv"},
        {"the new .csv cannot be put in place", drv::FailOnce::Rename, lib + "/Office.csv",
         lib + "/Office.csv"},
        {"the new .csv cannot be flushed to the disk", drv::FailOnce::Flush, lib + "/Office.csv",
         lib + "/Office.csv"},
        {"the new .ini cannot be put in place", drv::FailOnce::Rename, lib + "/Office.ini",
         lib + "/Office.ini"},
        {"the set's .csv cannot become its .bak", drv::FailOnce::Move, lib + "/Office.bak",
         lib + "/Office.bak"},
    };
    Window& w = OpenExport();
    drv::Type(w, select_catalog::LOC_CATALOGNAME, "Office");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.step);
        // A step that fails to fail lets the export finish and close its window: the test fails
        // then, it does not click a window that is gone.
        ASSERT_FALSE(returned);
        drv::FailOnce failing(c.operation, c.path);
        drv::Click(w, select_catalog::OK);
        drv::Answer("Input/output error!|" + c.file, "Bubble Notes Editor", ICON_Exclamation,
                    BUTTON_OK, BUTTON_OK);
        EXPECT_TRUE(failing.Happened());
        EXPECT_EQ(Files(lib), library);
    }
    EXPECT_FALSE(returned);
    drv::Click(w, select_catalog::CANCEL);
}

// A set's files that are links to files outside the library are replaced, never written
// through: the files they point at stay as they were, and both files of the set go alike.
TEST_F(LibraryTest, AnExportNeverWritesThroughALinkInTheLibrary) {
    drv::WriteBytes(CsvPath, kProjectNotes);
    drv::WriteBytes(job + "/QVR.ini", "[QVR]\r\nTBLWID=6\r\n");
    const std::string elsewhere = temp / "elsewhere";
    fs::create_directories(elsewhere);
    drv::WriteBytes(elsewhere + "/office.csv", "someone else's notes");
    drv::WriteBytes(elsewhere + "/office.ini", "someone else's settings");
    fs::remove(lib + "/Office.csv");
    fs::remove(lib + "/Office.ini");
    fs::create_symlink(elsewhere + "/office.csv", lib + "/Office.csv");
    fs::create_symlink(elsewhere + "/office.ini", lib + "/Office.ini");
    // A new set whose .ini is a link to a file not there yet.
    fs::create_symlink(elsewhere + "/new.ini", lib + "/New.ini");

    for (const char* name : {"Office", "New"}) {
        SCOPED_TRACE(name);
        Window& w = OpenExport();
        drv::Type(w, select_catalog::LOC_CATALOGNAME, name);
        drv::Click(w, select_catalog::OK);
        drv::Answer(kSaved, "Bubble Notes Editor", ICON_Asterisk, BUTTON_OK, BUTTON_OK);
        EXPECT_TRUE(returned);
        for (const char* ending : {".csv", ".ini"}) {
            const std::string file = lib + "/" + name + ending;
            EXPECT_FALSE(fs::is_symlink(file)) << file;
        }
        EXPECT_EQ(Set(std::string(name) + ".csv"), kProjectNotes);
        EXPECT_EQ(Set(std::string(name) + ".ini"), "[QVR]\r\nTBLWID=6\r\n");
    }
    EXPECT_EQ(Files(elsewhere),
              (std::map<std::string, std::string>{{"office.csv", "someone else's notes"},
                                                  {"office.ini", "someone else's settings"}}));
}

// The export's name and file fields read under their labels (the name, a drop combo, is labelled
// by its label: its name is what it holds).
TEST_F(LibraryTest, TheExportsFieldsReadUnderTheirLabels) {
    Window& w = OpenExport();
    EXPECT_EQ(AccessibleName(w[select_catalog::LOC_CATALOGTXTFILE]), "Library path:");
    EXPECT_EQ(AccessibleName(w[select_catalog::LOC_CATALOGINIFILE]), "INI File:");
    QAccessibleInterface* name =
        QAccessible::queryAccessibleInterface(w[select_catalog::LOC_CATALOGNAME].Widget());
    ASSERT_NE(name, nullptr);
    const auto labels = name->relations(QAccessible::Label);
    ASSERT_FALSE(labels.isEmpty());
    EXPECT_EQ(FromQt(labels.first().first->text(QAccessible::Name)), "Descriptive Name:");
    drv::CloseBox(w);
}

// Two spellings of one set's ending and no exact one (Retail.CSV, Retail.Csv): each row imports
// the file it was listed from; an export under the name writes the exact spelling, Retail.csv,
// and once that exists it is the set's file for the name, the other two staying as they were.
TEST_F(LibraryTest, OfTwoSpellingsOfASetsEndingEachRowTakesItsOwnAndTheExportTheExactOne) {
    const std::string other = "SET,TXTHT,0.9\r\nTRI,1,Other spelling,EA,COUNT\r\n";
    drv::WriteBytes(lib + "/Retail.Csv", other);
    drv::WriteBytes(CsvPath, kProjectNotes);
    const auto importRow = [&](int row, const std::string& expected, bool withIni) {
        Window& w = OpenImport();
        EXPECT_EQ(Listed(w)[static_cast<std::size_t>(row - 1)], "Retail");
        Import(w, row);
        if (!withIni)
            drv::Answer("File Not Found!|" + lib + "/Retail.ini", "Error", ICON_Exclamation,
                        BUTTON_OK, BUTTON_OK);
        drv::Answer(kImported, "", ICON_Asterisk, BUTTON_OK, BUTTON_OK);
        EXPECT_TRUE(returned);
        EXPECT_EQ(drv::ReadBytes(CsvPath), expected);
    };
    importRow(3, Set("Retail.CSV"), false);
    importRow(4, other, false);

    const std::string projectIni = "[QVR]\r\nTBLWID=6\r\n";
    drv::WriteBytes(job + "/QVR.ini", projectIni);
    for (const std::string& previous : {std::string(), other}) {
        SCOPED_TRACE(previous.empty() ? "a new file" : "the exact file again");
        Window& e = OpenExport();
        drv::Type(e, select_catalog::LOC_CATALOGNAME, "Retail");
        EXPECT_EQ(e[select_catalog::LOC_CATALOGTXTFILE].Text(), lib + "/Retail.csv");
        drv::Click(e, select_catalog::OK);
        drv::Answer(kSaved, "Bubble Notes Editor", ICON_Asterisk, BUTTON_OK, BUTTON_OK);
        EXPECT_EQ(Set("Retail.csv"), drv::ReadBytes(CsvPath));
        EXPECT_EQ(previous.empty(), !fs::exists(lib + "/Retail.bak"));
        EXPECT_EQ(Set("Retail.Csv"), other);
        EXPECT_EQ(Set("Retail.CSV"), drv::ReadBytes(kLibrary + "/Retail.CSV"));
        drv::WriteBytes(CsvPath, "SET,TXTHT,0.6\r\nCIR,1,Second export,EA,COUNT\r\n");
    }
    // Each of the three rows still imports its own file.
    importRow(3, Set("Retail.CSV"), true);
    importRow(4, other, true);
    importRow(5, Set("Retail.csv"), true);
}

// What exports stopped half-way left is dealt with when the library is listed, once a minute
// old: an export that had not yet put its new ".csv" in place goes whole, one that had is
// finished (its ".ini" and ".bak"), a copy's own temporary goes; a younger export is left to
// finish.
TEST_F(LibraryTest, TheListingFinishesOrUndoesWhatStoppedExportsLeft) {
    const auto old = fs::file_time_type::clock::now() - std::chrono::hours(1);
    const std::string hourAgo = std::to_string(std::time(nullptr) - 3600);
    const std::string shop = "SET,TXTHT,0.7\r\nCIR,1,Shop,EA,COUNT\r\n";
    const std::string shopBefore = "SET,TXTHT,0.7\r\nCIR,1,Shop before,EA,COUNT\r\n";
    drv::WriteBytes(lib + "/Shop.csv", shop); // the export's new file, in place
    drv::WriteBytes(lib + "/Shop.ini", "[QVR]\r\nTBLWID=1\r\n");
    drv::WriteBytes(lib + "/Shop.bak", "the older backup");
    const auto library = Files(lib);
    auto leave = [&](const std::string& name, const std::string& bytes, bool aged) {
        drv::WriteBytes(lib + "/" + name, bytes);
        if (aged)
            fs::last_write_time(lib + "/" + name, old);
    };
    // Office: stopped before its new .csv took the set's name.
    leave(".Office.csv.4242.1.tmp", "new notes", true);
    leave(".Office.ini.4242.1.tmp", "[QVR]\r\nnew=1\r\n", true);
    fs::create_hard_link(lib + "/Office.csv", lib + "/.Office.csv.4242.1." + hourAgo + ".kept");
    leave("..Office.csv.4242.1.tmp.4242.2.tmp", "part of a copy", true);
    // Shop: stopped after it.
    leave(".Shop.ini.4242.3.tmp", "[QVR]\r\nTBLWID=2\r\n", true);
    leave(".Shop.csv.4242.3." + hourAgo + ".kept", shopBefore, false);
    leave(".Shop.ini.4242.3." + hourAgo + ".kept", "[QVR]\r\nTBLWID=1\r\n", false);
    // A/B: under way in another window.
    leave(".A.B.csv.4242.4.tmp", "being copied", false);

    Window& w = OpenImport();
    EXPECT_EQ(Listed(w), (Names{"A.B", "Office", "Retail", "Shop", kLongName.substr(0, 63)}));
    auto expected = library;
    expected["Shop.ini"] = "[QVR]\r\nTBLWID=2\r\n";
    expected["Shop.bak"] = shopBefore;
    expected[".A.B.csv.4242.4.tmp"] = "being copied";
    EXPECT_EQ(Files(lib), expected);
    drv::Click(w, import_notes::CLOSE);
}
