#include "KeynoteFixture.h"
#include "platform/runtime/Program.h"

#include "platform/testing/FailOnce.h"
#include "platform/testing/NoLocks.h"
#include "platform/testing/Spawn.h"
#include "platform/testing/WriteLimit.h"

#include <chrono>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

using namespace keynotetest;

namespace {

// Whether some process holds the file open denying writing.
bool Held(const std::string& path) {
    return HeldByAnother(path);
}

// A second notes on the project, until it is ended.
class OtherNotes {
public:
    OtherNotes(const std::string& csv, const std::string& config) {
        std::vector<std::string> env = {"QT_QPA_PLATFORM=offscreen", "XDG_CONFIG_HOME=" + config};
        for (char** e = environ; *e; ++e)
            if (std::string_view(*e).substr(0, 16) != "QT_QPA_PLATFORM=" &&
                std::string_view(*e).substr(0, 16) != "XDG_CONFIG_HOME=")
                env.push_back(*e);
        std::vector<char*> envp;
        for (std::string& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        pid_ = platform::testing::StartAsFromAShell(NOTES_PROGRAM, {csv}, envp.data());
    }
    ~OtherNotes() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    bool Started() const { return pid_ > 0; }
    // Whether the program has ended, and then how.
    bool Ended(int& status) const { return pid_ > 0 && ::waitpid(pid_, &status, WNOHANG) == pid_; }

private:
    pid_t pid_ = 0;
};

const char* const kOffer = " is already opened by another user!|Would you like to open this "
                           "file in Read-Only mode?";

} // namespace

// A second notes on one project finds the file held by the first and is offered read-only mode.
TEST_F(KeynoteTest, AFileHeldByAnotherProcessIsOfferedReadOnly) {
    drv::WriteBytes(csv, Fixture("example.csv"));
    Derive();
    OtherNotes other(csv, temp / "other-config");
    ASSERT_TRUE(other.Started());
    for (int i = 0; i < 500 && !Held(csv); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(Held(csv));

    OpenWindow();
    drv::Answer("File " + csv + kOffer, "", ICON_Exclamation, BUTTON_YES | BUTTON_NO, BUTTON_NO,
                BUTTON_NO);
    EXPECT_EQ(keynote, nullptr); // the window does not run, and the program is to end
    EXPECT_TRUE(FrameGot(EVENT_CloseDown));
    EXPECT_EQ(NotesOpenMode, 0x22);

    OpenWindow();
    drv::Answer("File " + csv + kOffer, "", ICON_Exclamation, BUTTON_YES | BUTTON_NO, BUTTON_YES,
                BUTTON_NO);
    ASSERT_NE(keynote, nullptr);
    EXPECT_EQ(NotesOpenMode, 0);
    EXPECT_EQ(Order(1), "1 2");
    EXPECT_TRUE(W()[SAVETOASCII].Disabled());
    EXPECT_TRUE(W()[SAVETOASCIIANDCLOSE].Disabled());
}

// Read-only mode is offered where reading can work, for its true reason; a folder or a FIFO in
// the file's place gets the open's failure, and the program ends.
TEST_F(KeynoteTest, ReadOnlyModeIsOfferedOnlyWhereReadingCanWorkAndForItsTrueReason) {
    drv::WriteBytes(csv, Fixture("example.csv"));
    std::filesystem::permissions(csv, std::filesystem::perms(0444));
    Derive();
    OpenWindow();
    drv::Answer("File " + csv +
                    " cannot be written (Access Denied)!|Would you like to open this file in "
                    "Read-Only mode?",
                "", ICON_Exclamation, BUTTON_YES | BUTTON_NO, BUTTON_YES, BUTTON_NO);
    ASSERT_NE(keynote, nullptr);
    EXPECT_EQ(NotesOpenMode, 0);
    EXPECT_EQ(Order(1), "1 2");
    EXPECT_TRUE(W()[SAVETOASCII].Disabled());
    CloseWindow();

    const std::string folder = project + "/sub/constnot.csv";
    const std::string fifo = project + "/fifo.csv";
    std::filesystem::create_directories(folder);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0666), 0);
    for (const std::string& name : {folder, fifo}) {
        SCOPED_TRACE(name);
        NotesOpenMode = 0x22;
        frameEvents.clear();
        Derive(name);
        SetExitCode(0);
        OpenWindow();
        drv::Answer("Unable to open " + name + "!|Error: Access Denied", "Error code: 5", ICON_Hand,
                    BUTTON_OK, BUTTON_OK);
        EXPECT_EQ(keynote, nullptr);
        EXPECT_TRUE(FrameGot(EVENT_CloseDown));
        EXPECT_EQ(ExitCode(), 1); // the process ends on a failure
    }

    SetExitCode(0);
    NotesOpenMode = 0x22;
    Derive(project + "/gone/constnot.csv");
    OpenWindow();
    drv::Answer("Unable to open " + project + "/gone/constnot.csv!|Error: Path Not Found",
                "Error code: 3", ICON_Hand, BUTTON_OK, BUTTON_OK);
    EXPECT_EQ(keynote, nullptr);
    EXPECT_EQ(ExitCode(), 1);
    SetExitCode(0);
}

// Where the file system keeps no locks the project opens all the same, after one notice; saves
// work and the project INI gets its settings.
TEST_F(KeynoteTest, WithoutLocksTheProjectOpensAfterOneNoticeAndSaves) {
    drv::NoLocks noLocks;
    drv::WriteBytes(csv, Fixture("example.csv"));
    Derive();
    OpenWindow();
    const std::string notice = "The file system of " + csv +
                               " keeps no file locks.|Other users are not kept out of this file "
                               "while you edit it: make sure nobody else changes it.";
    drv::Answer(notice, "", ICON_Exclamation, BUTTON_OK, BUTTON_OK);
    ASSERT_NE(keynote, nullptr);
    EXPECT_FALSE(W()[SAVETOASCII].Disabled());
    ClickCell(1, 1, 2);
    drv::Click(W(), MOVEDOWN);
    drv::Click(W(), SAVETOASCII); // no second notice
    EXPECT_NE(drv::ReadBytes(csv), Fixture("example.csv"));
    EXPECT_EQ(drv::ReadBytes(bak), Fixture("example.csv"));
    EXPECT_NE(ReadIni("QVR", "Style", "none", ini), "none");
    CloseWindow();
    OpenWindow(); // a window opened again in the same run says nothing more
    ASSERT_NE(keynote, nullptr);
    EXPECT_EQ(Order(1), "2 1");
}

// While one notes saves, again and again, another program trying to take the project for writing
// never gets it: the new file is locked before it takes the old one's place.
TEST_F(KeynoteTest, NoOtherProgramTakesTheProjectForWritingDuringASave) {
    OpenOn(Fixture("example.csv"));
    int report[2];
    ASSERT_EQ(::pipe(report), 0);
    const pid_t prober = ::fork();
    ASSERT_GE(prober, 0);
    if (prober == 0) {
        // Another program shares none of this one's open files (a forked child would share the
        // keynote file's open description, and its lock with it).
        for (int fd = 3; fd < 1024; ++fd)
            if (fd != report[1])
                ::close(fd);
        // Opens the file for writing as another notes would, as often as it can.
        for (;;) {
            LineFile other(4096);
            other.SetName(csv);
            if (other.Open(OpenMode::ReadWriteDenyWrite) && ::write(report[1], "!", 1) < 0)
                ::_exit(1);
        }
    }
    ::close(report[1]);
    for (int save = 0; save < 20; ++save) {
        ClickCell(1, 1, 2);
        drv::Click(W(), MOVEDOWN);
        drv::Click(W(), SAVETOASCII);
    }
    ::kill(prober, SIGKILL);
    ::waitpid(prober, nullptr, 0);
    char got = 0;
    const ssize_t taken = ::read(report[0], &got, 1);
    ::close(report[0]);
    EXPECT_EQ(taken, 0) << "another program took the keynote file for writing";
    EXPECT_TRUE(Held(csv));
}

// A file-size limit (ulimit -f) makes a write fail instead of ending the program: notes started
// under a limit that its first INI write exceeds goes on and opens the project.
TEST_F(KeynoteTest, AFileSizeLimitDoesNotEndTheProgram) {
    drv::WriteBytes(csv, Fixture("example.csv"));
    std::unique_ptr<OtherNotes> other;
    {
        drv::WriteLimit limit(8);
        other = std::make_unique<OtherNotes>(csv, temp / "other-config");
    }
    ASSERT_TRUE(other->Started());
    int status = 0;
    bool ended = false;
    for (int i = 0; i < 500 && !Held(csv) && !(ended = other->Ended(status)); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_FALSE(ended && WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ);
    EXPECT_TRUE(Held(csv));
}

// The project's holder takes away the temporaries that saves and imports stopped half-way left
// beside its files, once nobody has written them for a minute; nothing else of the folder.
TEST_F(KeynoteTest, LeftoverTemporariesOfTheProjectsFilesAreRemovedAtTheStart) {
    drv::WriteBytes(csv, Fixture("example.csv"));
    const std::vector<std::string> leftovers = {
        ".constnot.csv.4242.0.tmp", ".constnot.bak.4242.1.tmp",
        "..constnot.csv.4242.2.tmp.4242.3.tmp", ".qvr.ini.77.0.tmp"};
    const std::vector<std::string> kept = {".constnot.csv.tmp", "constnot.csv.4242.0.tmp",
                                           ".other.csv.4242.0.tmp", ".constnot.csv.42x.0.tmp",
                                           ".constnot.csv.4242.0.tmp.bak"};
    const auto old = std::filesystem::file_time_type::clock::now() - std::chrono::hours(2);
    for (const auto* names : {&leftovers, &kept})
        for (const std::string& name : *names) {
            drv::WriteBytes(project + "/" + name, "partial");
            std::filesystem::last_write_time(project + "/" + name, old);
        }
    const std::string fresh = project + "/.constnot.csv.4242.9.tmp"; // a save may be writing it
    drv::WriteBytes(fresh, "partial");
    Derive();
    OpenWindow();
    ASSERT_NE(keynote, nullptr);
    for (const std::string& name : leftovers)
        EXPECT_FALSE(std::filesystem::exists(project + "/" + name)) << name;
    for (const std::string& name : kept)
        EXPECT_TRUE(std::filesystem::exists(project + "/" + name)) << name;
    EXPECT_TRUE(std::filesystem::exists(fresh));
}

// Without locks nothing says that no other program is saving the project: only leftovers ten
// minutes old go, younger ones stay. Notes.ini's and Notes.bak's go like the keynote file's.
TEST_F(KeynoteTest, WithoutLocksOnlyLeftoversTenMinutesOldAreRemoved) {
    drv::WriteBytes(csv, Fixture("example.csv"));
    const auto now = std::filesystem::file_time_type::clock::now();
    struct Leftover {
        std::string name;
        std::chrono::minutes age;
        bool removed;
    };
    const Leftover leftovers[] = {
        {".constnot.csv.4242.0.tmp", std::chrono::minutes(11), true},
        {".Notes.ini.4242.1.tmp", std::chrono::minutes(11), true},
        {".Notes.bak.4242.2.tmp", std::chrono::minutes(11), true},
        {".constnot.bak.4242.3.tmp", std::chrono::minutes(5), false},
        {".Notes.ini.4242.4.tmp", std::chrono::minutes(2), false},
    };
    for (const Leftover& l : leftovers) {
        drv::WriteBytes(project + "/" + l.name, "partial");
        std::filesystem::last_write_time(project + "/" + l.name, now - l.age);
    }
    drv::NoLocks noLocks;
    Derive();
    OpenWindow();
    drv::Answer("The file system of " + csv +
                    " keeps no file locks.|Other users are not kept out of this file while you "
                    "edit it: make sure nobody else changes it.",
                "", ICON_Exclamation, BUTTON_OK, BUTTON_OK);
    ASSERT_NE(keynote, nullptr);
    for (const Leftover& l : leftovers)
        EXPECT_EQ(std::filesystem::exists(project + "/" + l.name), !l.removed) << l.name;
}

// An import stopped after it made the keynote file the backup and before the set took its
// place leaves the older backup under a second name: the holder of the project puts it back and
// says so. One left by an import that got further, or a copy of the backup, only goes.
TEST_F(KeynoteTest, TheBackupAStoppedImportKeptIsPutBack) {
    const std::string notes = Fixture("example.csv");
    const std::string older = "SET,TXTHT,0.1\r\nCIR,1,older,,\r\n";
    const std::string old = std::to_string(std::time(nullptr) - 3600);
    const std::string kept = project + "/.constnot.bak.4242.7." + old + ".kept";
    const std::string fresh =
        project + "/.constnot.bak.4242.8." + std::to_string(std::time(nullptr)) + ".kept";
    struct Case {
        const char* state;
        std::string backup;
        std::string keptFile;
        std::string backupAfter;
        bool told;
    };
    const Case cases[] = {
        {"stopped before the set took the keynote file's place", notes, older, older, true},
        {"stopped after the set took it", "SET,TXTHT,0.1\r\nCIR,1,imported,,\r\n", older,
         "SET,TXTHT,0.1\r\nCIR,1,imported,,\r\n", false},
        {"stopped before the backup was made", older, older, older, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.state);
        drv::WriteBytes(csv, notes);
        drv::WriteBytes(bak, c.backup);
        drv::WriteBytes(kept, c.keptFile);
        drv::WriteBytes(fresh, "an import under way");
        Derive();
        OpenWindow();
        if (c.told)
            drv::Answer("An import into " + project +
                            " was stopped before it was complete.|The project's files are as "
                            "they were before it: " +
                            bak + " holds the previous backup again.",
                        "", ICON_Asterisk, BUTTON_OK, BUTTON_OK);
        ASSERT_NE(keynote, nullptr);
        EXPECT_EQ(drv::ReadBytes(bak), c.backupAfter);
        EXPECT_EQ(drv::ReadBytes(csv), notes);
        EXPECT_FALSE(std::filesystem::exists(kept));
        EXPECT_TRUE(std::filesystem::exists(fresh)); // an import may be making it now
        CloseWindow();
        std::filesystem::remove(fresh);
    }
    // An older version's import set the backup aside as a temporary and was stopped: with the
    // backup missing, that temporary is not removed with the leftovers but kept where it shows.
    std::filesystem::remove(bak);
    const std::string setAside = project + "/.constnot.bak.4242.9.tmp";
    drv::WriteBytes(setAside, older);
    std::filesystem::last_write_time(setAside, std::filesystem::file_time_type::clock::now() -
                                                   std::chrono::hours(2));
    OpenWindow(false);
    drv::Answer("The backup " + bak + " is missing.|What a stopped save or import left of it is " +
                    "kept as " + bak + ".recovered.",
                "", ICON_Exclamation, BUTTON_OK, BUTTON_OK);
    drv::Answer("To create new construction notes, first select the|desired \"shape tab\" above, "
                "then click|the \"Insert\" button.",
                "How to start", ICON_Asterisk, BUTTON_OK, BUTTON_OK); // a first backup is made
    ASSERT_NE(keynote, nullptr);
    EXPECT_EQ(drv::ReadBytes(bak + ".recovered"), older);
    EXPECT_FALSE(std::filesystem::exists(setAside));
}

// A keynote file gone missing while its backup holds notes: the program says so when it creates
// the file empty, and no save puts that empty file in the backup's place; once the user has
// saved notes of their own, saves keep backups again.
TEST_F(KeynoteTest, AMissingKeynoteFileNeverEmptiesABackupThatHoldsNotes) {
    const std::string backup = Fixture("example.csv"); // 3 notes and a title
    drv::WriteBytes(bak, backup);
    Derive();
    OpenWindow();
    drv::Answer("File " + csv + " was not found and has been created empty.|Its backup " + bak +
                    " holds 3 notes: no save replaces that backup until you have saved notes of "
                    "your own.",
                "", ICON_Exclamation, BUTTON_OK, BUTTON_OK);
    ASSERT_NE(keynote, nullptr);
    drv::Click(W(), SAVETOASCII);
    drv::Click(W(), SAVETOASCII);
    EXPECT_EQ(drv::ReadBytes(bak), backup);
    EXPECT_EQ(drv::ReadBytes(csv), "SET,TXTHT,Auto\r\n");
    // The next start finds the empty file and keeps the backup all the same.
    CloseWindow();
    OpenWindow();
    ASSERT_NE(keynote, nullptr);
    Grid(1).AddRow("0", "1", "mine", "EA", "COUNT");
    drv::Click(W(), SAVETOASCII);
    EXPECT_EQ(drv::ReadBytes(bak), backup);
    drv::Click(W(), SAVETOASCII); // the user's own notes become the backup
    EXPECT_EQ(drv::ReadBytes(bak), "SET,TXTHT,Auto\r\nCIR,1,mine,EA,COUNT\r\n");
}

// A backup that cannot be made (a FIFO or a folder where the backup belongs) is told; the save
// goes on and writes the notes.
TEST_F(KeynoteTest, ABackupThatCannotBeMadeIsTold) {
    for (const char* kind : {"fifo", "folder"}) {
        SCOPED_TRACE(kind);
        std::filesystem::remove_all(bak);
        if (std::string(kind) == "fifo")
            ASSERT_EQ(::mkfifo(bak.c_str(), 0644), 0);
        else
            std::filesystem::create_directory(bak);
        OpenOn(Fixture("example.csv"));
        drv::Click(W(), MOVEDOWN);
        drv::Click(W(), SAVETOASCII);
        drv::Answer("Unable to back up " + csv + " to " + bak +
                        "!|Error: Access Denied|The notes are saved without a backup of the file.",
                    "Error", ICON_Exclamation, BUTTON_OK, BUTTON_OK);
        EXPECT_NE(drv::ReadBytes(csv), Fixture("example.csv"));
        EXPECT_EQ(std::filesystem::is_fifo(bak), std::string(kind) == "fifo");
        CloseWindow();
    }
}

// A new keynote file that cannot be flushed to the disk is not put in place: the save fails with
// its message, and the old file stays whole and held.
TEST_F(KeynoteTest, AFailedFlushFailsTheSaveAndKeepsTheOldFile) {
    OpenOn(Fixture("example.csv"));
    drv::Click(W(), MOVEDOWN);
    {
        drv::FailOnce failing(drv::FailOnce::Flush, csv);
        drv::Click(W(), SAVETOASCII);
        drv::Answer("Unable to remove " + csv + "!|Error: Input/output error", "Error", ICON_Hand,
                    BUTTON_OK, BUTTON_OK);
        EXPECT_TRUE(failing.Happened());
    }
    EXPECT_EQ(drv::ReadBytes(csv), Fixture("example.csv"));
    EXPECT_EQ(drv::TempFolder::Entries(project), 3u); // the file, its backup and the project INI
    EXPECT_TRUE(Held(csv));
}

// Another program replaces the keynote file by a rename while the window holds it: the save
// notices that the name now names another file and asks before writing over it, and holds that
// file from then on, so that a second notes is offered read-only mode. When another user holds
// the new file already, the save says so and writes nothing.
TEST_F(KeynoteTest, AKeynoteFileReplacedByAnotherProgramIsNotWrittenOverUnasked) {
    const std::string theirs = "SET,TXTHT,0.5\r\nCIR,1,theirs,,\r\n";
    const std::string replaced = "File " + csv + " was replaced by another program while you " +
                                 "edited it.|Save the notes shown here in its place? The file " +
                                 "it holds now is kept as the backup " + bak + ".";
    OpenOn(Fixture("example.csv"));
    drv::WriteBytes(project + "/new.csv", theirs);
    std::filesystem::rename(project + "/new.csv", csv);
    EXPECT_FALSE(Held(csv));
    drv::Click(W(), SAVETOASCII);
    drv::Answer(replaced, "", ICON_Question, BUTTON_YES | BUTTON_NO, BUTTON_NO, BUTTON_NO);
    EXPECT_EQ(drv::ReadBytes(csv), theirs);
    EXPECT_TRUE(Held(csv));
    drv::Click(W(), SAVETOASCII); // asked once: the window holds the file now
    EXPECT_EQ(drv::ReadBytes(bak), theirs);
    EXPECT_EQ(Rows(1).size(), 2u);
    EXPECT_NE(drv::ReadBytes(csv).find("CIR,1,Footing"), std::string::npos);

    drv::WriteBytes(project + "/new.csv", theirs);
    std::filesystem::rename(project + "/new.csv", csv);
    LineFile other(4096);
    other.SetName(csv);
    ASSERT_TRUE(other.Open(OpenMode::ReadWriteDenyWrite));
    drv::Click(W(), SAVETOASCII);
    drv::Answer("File " + csv +
                    " was replaced by another program while you edited it, and it is now opened "
                    "by another user!|Your notes were not saved.",
                "Error", ICON_Hand, BUTTON_OK, BUTTON_OK);
    EXPECT_EQ(drv::ReadBytes(csv), theirs);
}
