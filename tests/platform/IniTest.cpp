#include "platform/ini/Ini.h"
#include "platform/testing/NoLocks.h"
#include "platform/testing/WriteLimit.h"
#include "platform/text/Text.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include <dirent.h>
#include <functional>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace platform;
namespace fs = std::filesystem;

namespace {

// A literal that may hold NUL bytes, taken whole.
template <std::size_t N>
std::string Bytes(const char (&text)[N]) {
    return std::string(text, N - 1);
}

std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Spill(const fs::path& path, std::string_view text) {
    std::ofstream out(path, std::ios::binary);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

std::set<std::string> Listing(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

// Every test works in a folder of its own, which is also the user's settings home.
class Ini : public ::testing::Test {
protected:
    void SetUp() override {
        static std::atomic<int> counter = 0;
        auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        dir_ =
            fs::temp_directory_path() / ("ini-test-" + std::to_string(::getpid()) + "-" +
                                         std::to_string(stamp) + "-" + std::to_string(++counter));
        fs::create_directories(dir_);
        config_ = dir_ / "config";
        ::setenv("XDG_CONFIG_HOME", config_.c_str(), 1);
        SetProgramName("notes");
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    std::string At(const std::string& name) const { return (dir_ / name).string(); }

    fs::path dir_;
    fs::path config_;
};

TEST_F(Ini, ReadsKeysByTheOldRules) {
    const std::string file = TEST_DATA_DIR "/ini/read.ini";
    struct Case {
        const char* section;
        const char* key;
        const char* expected;
    };
    const Case cases[] = {
        {"QVR", "TextHeight", "0.125"},
        {"qvr", "TEXTHEIGHT", "0.125"},        // names ignore case
        {"  QVR ", " TextHeight  ", "0.125"},  // and blanks around them
        {"QVR", "Spaced Key", "padded value"}, // blanks around key and value dropped
        {"QVR", "Tabbed", "tab value"},        // tabs are blanks too
        {"QVR", "Quoted", "  kept blanks  "},  // one pair of outer quotes goes
        {"QVR", "Single", "single"},           //
        {"QVR", "Mismatch", "\"open"},         // an unmatched quote stays
        {"QVR", "Inner", "say \"hi\" now"},    // inner quotes stay
        {"QVR", "Twice", "\"x\""},             // only one pair goes
        {"QVR", "Equals", "a=b"},              // the first "=" ends the key
        {"QVR", "Empty", ""},                  // present but empty: not the default
        {"QVR", "Dup", "first"},               // the first of duplicate keys wins
        {"QVR", "NoEquals", "#DEF#"},          // a line without "=" is no key
        {"QVR", "", "#DEF#"},                  // nor is one without a name
        {"QVR", "Missing", "#DEF#"},           //
        {"Missing", "TextHeight", "#DEF#"},    //
        {"QVR", "Later", "#DEF#"},             // only the first section of a name is searched
        {"QVR", "Orphan", "#DEF#"},            // lines before any section belong to none
        {"Other", "Orphan", "in Other"},       //
        {"spaced section", "key", "in spaced section"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReadIni(c.section, c.key, "#DEF#", file), c.expected)
            << "[" << c.section << "] " << c.key;
}

// A numbered list read in one pass gives what reading its keys one by one gives.
TEST_F(Ini, ASeriesReadsAsItsKeysReadOneByOne) {
    const std::string file = TEST_DATA_DIR "/ini/series.ini";
    struct Case {
        const char* section;
        const char* prefix;
        int lastKey;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"QVREditUnits", "Unit", 999999, {"EA", "LF", "SF", "CY", "TON", "GAL"}},
        {"qvreditunits", "UNIT", 4, {"EA", "LF", "SF", "CY"}}, // at most the last key
        {"QVREditTypes", "Type", 9999, {"COUNT"}},             // up to a gap
        {"QVREditUnits", "Uni", 9999, {}},                     // "Unit1" is no key of "Uni"
        {"Missing", "Unit", 9999, {}},
        {"QVREditUnits", "Unit", 0, {}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> oneByOne;
        for (int n = 1; n <= c.lastKey; ++n) {
            std::string value = ReadIni(c.section, c.prefix + std::to_string(n), "", file);
            if (value.empty())
                break;
            oneByOne.push_back(value);
        }
        EXPECT_EQ(oneByOne, c.expected) << c.section << " " << c.prefix;
        EXPECT_EQ(ReadIniSeries(c.section, c.prefix, c.lastKey, file), c.expected)
            << c.section << " " << c.prefix;
    }
    EXPECT_TRUE(ReadIniSeries("QVREditUnits", "Unit", 9999, At("missing.ini")).empty());
}

TEST_F(Ini, MissingOrUnreadableFileGivesTheDefault) {
    EXPECT_EQ(ReadIni("QVR", "Key", "#NOT_DEFINED#", At("none.ini")), "#NOT_DEFINED#");
    EXPECT_EQ(ReadIni("QVR", "Key", "d", At("no/such/folder.ini")), "d");
    fs::create_directory(dir_ / "folder.ini"); // a folder where the file should be
    EXPECT_EQ(ReadIni("QVR", "Key", "d", At("folder.ini")), "d");
    Spill(dir_ / "file", "x");
    EXPECT_EQ(ReadIni("QVR", "Key", "d", At("file/below.ini")), "d");
}

TEST_F(Ini, AnyLineEndReadsAndJunkIsHarmless) {
    struct Case {
        const char* name;
        std::string text;
    };
    const Case cases[] = {
        {"crlf", "[S]\r\na=1\r\nb=2\r\n"},
        {"lf", "[S]\na=1\nb=2\n"},
        {"cr", "[S]\ra=1\rb=2\r"},
        {"no final end", "[S]\r\na=1\r\nb=2"},
        {"junk", Bytes("\x00\xff\x1a\x80garbage[\x01]\r\n[S]\r\na=1\x00x\r\n\xfe\xfe\r\nb=2")},
        // Behind another section: only a line that begins with "[" (after blanks) is a header.
        {"after another", "[T]\r\nx=[S]\r\n;[S]\r\na=9\r\n  \t[S]  \r\na=1\r\nb=2\r\n"},
        {"after another, lf", "[T]\nx=[S\n[S\n[S]\na=1\nb=2"},
        {"after another, cr", "[T]\rx=1[\r[U]\r\r[S]\ra=1\rb=2\r"},
        {"after another, mixed", "[T]\r\n\n\ra=9\r[S]\r\n\ra=1\nb=2"},
    };
    for (const Case& c : cases) {
        Spill(dir_ / "t.ini", c.text);
        EXPECT_EQ(ReadIni("S", "b", "?", At("t.ini")), "2") << c.name;
        EXPECT_EQ(ReadIni("S", "a", "?", At("t.ini")).substr(0, 1), "1") << c.name;
    }
    // NUL and high bytes inside a value are the value's own characters.
    Spill(dir_ / "t.ini", Bytes("[S]\r\nv=a\x00\xe9z\r\n"));
    EXPECT_EQ(ReadIni("S", "v", "?", At("t.ini")), Bytes("a\x00\xe9z"));
}

TEST_F(Ini, ValueAndDefaultAreCutTo1023Characters) {
    const std::string longText(1500, 'x');
    ASSERT_TRUE(WriteIni("S", "Long", longText, At("t.ini")));
    EXPECT_NE(Slurp(dir_ / "t.ini").find(longText), std::string::npos); // written whole
    EXPECT_EQ(ReadIni("S", "Long", "", At("t.ini")), std::string(1023, 'x'));
    EXPECT_EQ(ReadIni("S", "Missing", longText, At("t.ini")), std::string(1023, 'x'));
    EXPECT_EQ(ReadIni("S", "Long", "", At("t.ini")).size(), IniValueLimit);
}

TEST_F(Ini, WriteEditsTheFileInPlace) {
    struct Case {
        const char* name;
        std::string before;
        const char* section;
        const char* key;
        const char* value;
        std::string after;
    };
    const Case cases[] = {
        {"new file", "", "QVR", "Key", "Value", "[QVR]\r\nKey=Value\r\n"},
        {"replace keeps the key's spelling and every other line",
         "; note\r\n[Qvr]\r\n  textHEIGHT = 1 \r\nother = x\r\n", "QVR", "TextHeight", "2",
         "; note\r\n[Qvr]\r\ntextHEIGHT=2\r\nother = x\r\n"},
        {"added after the last key, before trailing blank lines and the next section",
         "[A]\r\nx=1\r\n\r\n; about B\r\n[B]\r\ny=2\r\n", "a", "z", "3",
         "[A]\r\nx=1\r\nz=3\r\n\r\n; about B\r\n[B]\r\ny=2\r\n"},
        {"added at the end of the last section", "[A]\r\nx=1\r\n", "A", "y", "2",
         "[A]\r\nx=1\r\ny=2\r\n"},
        {"added below a header without keys", "[A]\r\n\r\n[B]\r\n", "A", "k", "v",
         "[A]\r\nk=v\r\n\r\n[B]\r\n"},
        {"new section at the end", "[A]\r\nx=1", "B", "k", "v", "[A]\r\nx=1\r\n\r\n[B]\r\nk=v\r\n"},
        {"new section after a blank line", "[A]\r\nx=1\r\n\r\n", "B", "k", "v",
         "[A]\r\nx=1\r\n\r\n[B]\r\nk=v\r\n"},
        {"empty value", "[A]\r\nk=old\r\n", "A", "k", "", "[A]\r\nk=\r\n"},
        {"trailing blanks dropped", "", "Sec  ", "Key  ", "Val  ", "[Sec]\r\nKey=Val\r\n"},
        {"leading value blanks kept", "", "S", "k", "  v", "[S]\r\nk=  v\r\n"},
        {"first of duplicate sections and keys", "[A]\r\nk=1\r\nk=2\r\n[a]\r\nk=3\r\nj=4\r\n", "A",
         "k", "9", "[A]\r\nk=9\r\nk=2\r\n[a]\r\nk=3\r\nj=4\r\n"},
        {"a key of a later duplicate section is added to the first", "[A]\r\nk=1\r\n[a]\r\nj=4\r\n",
         "A", "j", "5", "[A]\r\nk=1\r\nj=5\r\n[a]\r\nj=4\r\n"},
        {"odd lines kept, line ends become CR LF", "top=1\nNoEquals\r=x\n[A]\rk=1\n\n;c\nj", "A",
         "k", "2", "top=1\r\nNoEquals\r\n=x\r\n[A]\r\nk=2\r\n\r\n;c\r\nj\r\n"},
        {"junk kept byte for byte", Bytes("\x00\xff[\x01\r\n[A]\r\n\xfe\x1a\r\n"), "A", "k", "\xe9",
         Bytes("\x00\xff[\x01\r\n[A]\r\nk=\xe9\r\n\xfe\x1a\r\n")},
    };
    for (const Case& c : cases) {
        const fs::path path = dir_ / "t.ini";
        fs::remove(path);
        if (!c.before.empty())
            Spill(path, c.before);
        ASSERT_TRUE(WriteIni(c.section, c.key, c.value, path.string())) << c.name;
        EXPECT_EQ(Slurp(path), c.after) << c.name;
        EXPECT_EQ(ReadIni(c.section, c.key, "?", path.string()), Trim(c.value)) << c.name;
    }
}

TEST_F(Ini, WriteRefusesWhatWouldNotReadBack) {
    Spill(dir_ / "t.ini", "[A]\r\nk=1\r\n");
    struct Case {
        const char* section;
        const char* key;
        const char* value;
    };
    const Case cases[] = {
        {"A", "", "v"},     {"  ", "k", "v"},  {"A", "k", "line\r\nbreak"},
        {"A", "k", "lf\n"}, {"A", "k=j", "v"}, {"A", "[k]", "v"},
        {"A]", "k", "v"},   {"A\r", "k", "v"}, {"A", "k\nj", "v"},
    };
    for (const Case& c : cases)
        EXPECT_FALSE(WriteIni(c.section, c.key, c.value, At("t.ini")))
            << "[" << c.section << "] " << c.key;
    EXPECT_EQ(Slurp(dir_ / "t.ini"), "[A]\r\nk=1\r\n");
}

TEST_F(Ini, UnwritableFileReportsFailureAndChangesNothing) {
    EXPECT_FALSE(WriteIni("A", "k", "v", At("no/such/folder.ini")));
    EXPECT_FALSE(fs::exists(dir_ / "no"));

    fs::create_directory(dir_ / "folder.ini");
    EXPECT_FALSE(WriteIni("A", "k", "v", At("folder.ini")));
    EXPECT_TRUE(fs::is_directory(dir_ / "folder.ini"));

    Spill(dir_ / "file", "x");
    EXPECT_FALSE(WriteIni("A", "k", "v", At("file/below.ini")));
    EXPECT_EQ(Slurp(dir_ / "file"), "x");
    EXPECT_EQ(Listing(dir_), (std::set<std::string>{"file", "folder.ini"}));
}

TEST_F(Ini, WriteReplacesTheFileWholeAndKeepsItsModeAndLinks) {
    const fs::path real = dir_ / "real.ini";
    Spill(real, "[A]\r\nk=1\r\n");
    fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink(real, dir_ / "link.ini");

    ASSERT_TRUE(WriteIni("A", "k", "2", At("link.ini")));
    EXPECT_TRUE(fs::is_symlink(dir_ / "link.ini"));
    EXPECT_EQ(Slurp(real), "[A]\r\nk=2\r\n");
    EXPECT_EQ(fs::status(real).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(Listing(dir_), (std::set<std::string>{"link.ini", "real.ini"}));
}

TEST_F(Ini, ALinkToAFileNotYetThereStaysALinkAndItsFileIsCreated) {
    fs::create_symlink("later.ini", dir_ / "link.ini");
    ASSERT_TRUE(WriteIni("A", "k", "1", At("link.ini")));
    EXPECT_TRUE(fs::is_symlink(dir_ / "link.ini"));
    EXPECT_EQ(Slurp(dir_ / "later.ini"), "[A]\r\nk=1\r\n");
    EXPECT_EQ(ReadIni("A", "k", "?", At("link.ini")), "1");
    EXPECT_EQ(Listing(dir_), (std::set<std::string>{"link.ini", "later.ini"}));
}

TEST_F(Ini, AFileThatMayNotBeWrittenIsNotReplaced) {
    // Marked read-only: refused, also for the superuser, who could replace it.
    const fs::path file = dir_ / "read-only.ini";
    Spill(file, "[A]\r\nk=1\r\n");
    fs::permissions(file, fs::perms::owner_read | fs::perms::group_read);
    EXPECT_FALSE(WriteIni("A", "k", "2", file.string()));
    EXPECT_EQ(Slurp(file), "[A]\r\nk=1\r\n");
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::group_read);
    EXPECT_EQ(Listing(dir_), (std::set<std::string>{"read-only.ini"}));

    // Another user's file that this one may write keeps its owner.
    if (::geteuid() != 0)
        GTEST_SKIP() << "only the superuser can give a file to another user";
    const fs::path theirs = dir_ / "theirs.ini";
    Spill(theirs, "[A]\r\nk=1\r\n");
    ASSERT_EQ(::chown(theirs.c_str(), 65534, 65534), 0);
    ASSERT_TRUE(WriteIni("A", "k", "2", theirs.string()));
    struct stat st {};
    ASSERT_EQ(::stat(theirs.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 65534u);
    EXPECT_EQ(st.st_gid, 65534u);
}

// Runs `work` in a process of its own and gives whether it ended, successfully, within seconds:
// a call that hangs shows as a failure instead of hanging the tests.
bool EndsSoon(const std::function<bool()>& work) {
    pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(work() ? 0 : 1);
    for (int i = 0; i < 500; ++i) {
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    return false;
}

TEST_F(Ini, AFifoOrAFolderOfTheNameIsRefusedAtOnce) {
    ASSERT_EQ(::mkfifo((dir_ / "fifo.ini").c_str(), 0666), 0);
    EXPECT_TRUE(
        EndsSoon([&] { return ReadIni("A", "k", "default", At("fifo.ini")) == "default"; }));
    EXPECT_TRUE(EndsSoon([&] { return !WriteIni("A", "k", "v", At("fifo.ini")); }));
    EXPECT_TRUE(fs::is_fifo(dir_ / "fifo.ini"));
    EXPECT_EQ(Listing(dir_), (std::set<std::string>{"fifo.ini"}));
}

// Starts `writers` processes that each write `keys` keys of their own into `ini` (after
// `prepare`, whose failure fails the process), waits for all of them, and gives how many of all
// the keys the file then holds.
int KeysKeptByWriters(const std::string& ini, int writers, int keys,
                      const std::function<bool()>& prepare) {
    for (int w = 0; w < writers; ++w) {
        pid_t pid = ::fork();
        if (pid < 0)
            return -1;
        if (pid == 0) {
            bool ok = prepare();
            for (int k = 0; k < keys; ++k)
                ok = WriteIni("S", "W" + std::to_string(w) + "K" + std::to_string(k), "v", ini) &&
                     ok;
            ::_exit(ok ? 0 : 1);
        }
    }
    bool allOk = true;
    for (int w = 0; w < writers; ++w) {
        int status = 0;
        ::wait(&status);
        allOk = allOk && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    int found = 0;
    for (int w = 0; w < writers; ++w)
        for (int k = 0; k < keys; ++k)
            found += ReadIni("S", "W" + std::to_string(w) + "K" + std::to_string(k), "missing",
                             ini) == "v";
    return allOk ? found : -1;
}

TEST_F(Ini, WritersOfSeveralProcessesLoseNothing) {
    EXPECT_EQ(KeysKeptByWriters(At("shared.ini"), 4, 40, [] { return true; }), 160);
    EXPECT_EQ(Listing(dir_), (std::set<std::string>{"shared.ini"}));
}

// In a folder that can be written but not read (a drop folder) the writers still take turns.
TEST_F(Ini, WritersOfSeveralProcessesLoseNothingInAFolderThatCannotBeRead) {
    const fs::path folder = dir_ / "drop";
    fs::create_directory(folder);
    // The superuser reads every folder: its writers become an ordinary user for this.
    const bool root = ::geteuid() == 0;
    fs::permissions(folder, root ? fs::perms(0733) : fs::perms(0333));
    const int kept = KeysKeptByWriters((folder / "shared.ini").string(), 2, 150, [&] {
        if (root && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            return false;
        return ::opendir(folder.c_str()) == nullptr; // it cannot be read indeed
    });
    fs::permissions(folder, fs::perms(0755));
    EXPECT_EQ(kept, 300);
    EXPECT_EQ(Listing(folder), (std::set<std::string>{"shared.ini"}));
}

TEST_F(Ini, WriteRereadsWhatOthersWrote) {
    ASSERT_TRUE(WriteIni("A", "mine", "1", At("t.ini")));
    Spill(dir_ / "t.ini", Slurp(dir_ / "t.ini") + "theirs=2\r\n");
    ASSERT_TRUE(WriteIni("A", "mine2", "3", At("t.ini")));
    EXPECT_EQ(Slurp(dir_ / "t.ini"), "[A]\r\nmine=1\r\ntheirs=2\r\nmine2=3\r\n");
}

TEST_F(Ini, NamesWithoutFolderLiveInTheSettingsFolder) {
    EXPECT_EQ(SettingsFolder(), (config_ / "notes").string());
    EXPECT_EQ(IniFilePath(""), (config_ / "notes" / "win.ini").string());
    EXPECT_EQ(IniFilePath("   "), (config_ / "notes" / "win.ini").string());
    EXPECT_EQ(IniFilePath("notes.INI"), (config_ / "notes" / "notes.INI").string());

    ASSERT_TRUE(WriteIni("QVR", "ImportLayerSettings", "Yes"));
    EXPECT_EQ(Slurp(config_ / "notes" / "win.ini"), "[QVR]\r\nImportLayerSettings=Yes\r\n");
    EXPECT_EQ(ReadIni("QVR", "ImportLayerSettings", "#NOT_DEFINED#"), "Yes");

    ASSERT_TRUE(WriteIni("About", "XPos", "10", "notes.INI  "));
    EXPECT_TRUE(fs::exists(config_ / "notes" / "notes.INI"));
    EXPECT_EQ(ReadIni("about", "xpos", "0", "notes.INI"), "10");

    SetProgramName("dravolet");
    EXPECT_EQ(IniFilePath("dravolet.INI"), (config_ / "dravolet" / "dravolet.INI").string());
    EXPECT_EQ(ReadIni("QVR", "ImportLayerSettings", "none"), "none");

    ::unsetenv("XDG_CONFIG_HOME");
    ::setenv("HOME", dir_.c_str(), 1);
    EXPECT_EQ(SettingsFolder(), (dir_ / ".config" / "dravolet").string());
    ::setenv("XDG_CONFIG_HOME", "relative/path", 1); // not absolute: ignored
    EXPECT_EQ(SettingsFolder(), (dir_ / ".config" / "dravolet").string());
}

TEST_F(Ini, ExistingFilesAreFoundIgnoringCase) {
    fs::create_directories(dir_ / "Project");
    Spill(dir_ / "Project" / "qvr.ini", "[QVR]\r\nk=lower\r\n");

    EXPECT_EQ(IniFilePath(At("project/QVR.ini")), At("Project/qvr.ini"));
    EXPECT_EQ(ReadIni("QVR", "k", "?", At("PROJECT/QVR.INI")), "lower");
    ASSERT_TRUE(WriteIni("QVR", "j", "1", At("Project/QVR.ini")));
    EXPECT_EQ(Listing(dir_ / "Project"), (std::set<std::string>{"qvr.ini"}));
    EXPECT_EQ(Slurp(dir_ / "Project" / "qvr.ini"), "[QVR]\r\nk=lower\r\nj=1\r\n");

    // The exact name wins; two others that differ only by case are no match; a new file keeps
    // the spelling it was given.
    Spill(dir_ / "Project" / "QVR.ini", "[QVR]\r\nk=upper\r\n");
    EXPECT_EQ(ReadIni("QVR", "k", "?", At("Project/QVR.ini")), "upper");
    EXPECT_EQ(ReadIni("QVR", "k", "?", At("Project/qvr.ini")), "lower");
    EXPECT_EQ(ReadIni("QVR", "k", "none", At("Project/Qvr.ini")), "none");
    ASSERT_TRUE(WriteIni("QVR", "k", "new", At("Project/Layers.ini")));
    EXPECT_TRUE(fs::exists(dir_ / "Project" / "Layers.ini"));

    fs::create_directories(config_ / "notes");
    Spill(config_ / "notes" / "WIN.INI", "[QVR]\r\nk=settings\r\n");
    EXPECT_EQ(ReadIni("QVR", "k", "?"), "settings");
}

TEST_F(Ini, SeveralKeysWrittenTogetherLeaveTheFileAsWritingThemInTurnDoes) {
    const std::vector<IniEntry> entries = {
        {"QVR", "NoteTypes", "1"}, {"qvr", "tablewidth", "4.5 "}, // an existing key's case
        {"QVR", "New", ""},        {"Lists", "Unit1", "SF"},      // a new section
        {"Lists", "Unit2", "LF"},  {" QVR ", "Style", "Grid"},    // back to the first
        {"QVR", "NoteTypes", "2"},                                // one key twice
    };
    const std::string files[] = {
        "",
        "[QVR]\r\nTableWidth=3\r\n\r\n[Other]\r\nx=1\r\n",
        "; comment\r\n[qvr]\r\nStyle=Paragraph\r\n[QVR]\r\nNoteTypes=9\r\n", // two of a name
        "[Lists]\nUnit1=EA\n[QVR]\rNoteTypes=0",                             // other line ends
        "loose line\r\n\r\n",
    };
    for (const std::string& original : files) {
        Spill(At("turn.ini"), original);
        Spill(At("together.ini"), original);
        for (const IniEntry& e : entries)
            ASSERT_TRUE(WriteIni(e.section, e.key, e.value, At("turn.ini")));
        ASSERT_TRUE(WriteIniEntries(entries, At("together.ini")));
        EXPECT_EQ(Slurp(At("together.ini")), Slurp(At("turn.ini"))) << original;
    }

    // An entry that would not read back is left out and the call says so; the rest are written.
    Spill(At("refused.ini"), "");
    EXPECT_FALSE(WriteIniEntries({{"QVR", "a", "1"}, {"QVR", "b=c", "2"}, {"QVR", "d", "3"}},
                                 At("refused.ini")));
    EXPECT_EQ(Slurp(At("refused.ini")), "[QVR]\r\na=1\r\nd=3\r\n");
    // With nothing to write the file is not touched, not even created.
    EXPECT_FALSE(WriteIniEntries({{"QVR", "", "1"}}, At("untouched.ini")));
    EXPECT_FALSE(fs::exists(At("untouched.ini")));
}

} // namespace

// Where the file system keeps no locks, writers cannot take turns but still write: no INI is
// left empty, and a first write creates the file with its key.
TEST_F(Ini, WithoutLocksEveryWriteStillLandsWhole) {
    platform::testing::NoLocks noLocks;
    EXPECT_TRUE(WriteIni("QVR", "TXTHT", "0.1", At("qvr.ini")));
    EXPECT_TRUE(WriteIni("QVR", "Style", "Grid", At("qvr.ini")));
    EXPECT_EQ(Slurp(dir_ / "qvr.ini"), "[QVR]\r\nTXTHT=0.1\r\nStyle=Grid\r\n");
    EXPECT_EQ(Listing(dir_), (std::set<std::string>{"qvr.ini"}));
}

// A write that fails leaves no empty file behind where there was none.
TEST_F(Ini, AFailedFirstWriteLeavesNoEmptyFile) {
    {
        platform::testing::WriteLimit full(4);
        EXPECT_FALSE(WriteIni("QVR", "TXTHT", "0.1", At("qvr.ini")));
    }
    EXPECT_EQ(Listing(dir_), (std::set<std::string>{}));
}
