#include "platform/runtime/Program.h"
#include "platform/files/Path.h"
#include "platform/ini/Ini.h"
#include "platform/runtime/Desktop.h"
#include "platform/testing/TempFiles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace platform;
using platform::testing::TempFolder;
namespace fs = std::filesystem;

namespace {

bool WaitForFile(const fs::path& file) {
    for (int i = 0; i < 200 && !fs::exists(file); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return fs::exists(file);
}

} // namespace

TEST(Program, StartsAnotherProgramWithArgumentsThatHoldBlanks) {
    TempFolder temp;
    fs::path out = fs::path(temp.Path()) / "folder with blanks" / "out.txt";
    fs::create_directories(out.parent_path());
    ASSERT_TRUE(StartProgram(
        "sh", {"-c", "printf '%s|%s' \"$0\" \"$1\" > \"$1\"", "first arg", out.string()}));
    ASSERT_TRUE(WaitForFile(out));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::ifstream in(out);
    std::string text((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(text, "first arg|" + out.string());
    EXPECT_FALSE(StartProgram(fs::path(temp.Path()) / "missing-program", {}));
}

// Program texts are Windows-1252: "\xE9" is an e with an acute accent, which the system spells
// in UTF-8.
TEST(Program, StartsAProgramThroughTheSystemsNamesOfItsPathAndArguments) {
    TempFolder temp;
    const std::string folder = temp.Path() + "/b\xE9 1";
    fs::create_directories(OsPath(folder));
    const std::string script = folder + "/echo-first";
    {
        std::ofstream out(OsPath(script));
        out << "#!/bin/sh\nprintf '%s' \"$1\" > \"$2\"\n";
    }
    fs::permissions(OsPath(script), fs::perms::owner_all);
    const std::string out = folder + "/p\xE9 2.txt";
    ASSERT_TRUE(StartProgram(script, {"p\xE9 2", out}));
    ASSERT_TRUE(WaitForFile(OsPath(out)));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(platform::testing::ReadBytes(OsPath(out)), "p\xC3\xA9 2");

    // A program that the running program's folder lacks is found along PATH.
    const std::string saved = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", (OsPath(folder) + ":" + saved).c_str(), 1);
    const std::string second = temp.Path() + "/second.txt";
    const bool started = StartProgram("echo-first", {"found", second});
    setenv("PATH", saved.c_str(), 1);
    ASSERT_TRUE(started);
    ASSERT_TRUE(WaitForFile(second));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(platform::testing::ReadBytes(second), "found");
    EXPECT_FALSE(StartProgram("keynotes-no-such-program", {}));
}

// A program in a folder named in Cyrillic, or given such a path, is told which path it cannot
// use ("?" for each character the code page cannot hold).
TEST(Program, TellsWhichPathTheCodePageCannotHold) {
    TempFolder temp;
    const std::string cyrillic = "\xD0\xBF\xD1\x80"; // two letters, in UTF-8
    struct Case {
        std::string programFolder, argument, says;
    };
    const std::vector<Case> cases = {
        {temp.Path() + "/ok", "/a b/constnot.csv", ""},
        {temp.Path() + "/ok", "/jobs/" + cyrillic + "/constnot.csv",
         "unusable: /jobs/?\?/constnot.csv\n"},
        {temp.Path() + "/" + cyrillic, "/a/constnot.csv",
         "unusable: " + temp.Path() + "/?\?/tiny_program\n"},
    };
    for (const Case& c : cases) {
        fs::create_directories(c.programFolder);
        const fs::path program = fs::path(c.programFolder) / "tiny_program";
        fs::copy_file(TINY_PROGRAM, program, fs::copy_options::overwrite_existing);
        const fs::path out = fs::path(temp.Path()) / "out.txt";
        std::string command = "QT_QPA_PLATFORM=offscreen timeout 20 '" + program.string() + "' '" +
                              c.argument + "' > '" + out.string() + "' 2>/dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0) << c.argument;
        std::string text = platform::testing::ReadBytes(out.string());
        EXPECT_EQ(text.substr(0, text.find("argument 1:")), c.says) << c.argument;
    }
}

TEST(Program, ProgramFileAndArguments) {
    EXPECT_EQ(fs::path(ProgramFile()).filename(), "platform_tests");
    char a0[] = "notes", a1[] = "/jobs/p 1/constnot.csv";
    char* argv[] = {a0, a1};
    SetCommandArguments(2, argv);
    EXPECT_EQ(CommandArgument(1), "/jobs/p 1/constnot.csv");
    EXPECT_EQ(CommandArgument(2), "");
}

TEST(Desktop, DragSettingIsKeptInTheUsersProfile) {
    TempFolder temp;
    setenv("XDG_CONFIG_HOME", temp.Path().c_str(), 1);
    EXPECT_TRUE(DragFullWindows()); // nothing stored: on
    SetDragFullWindows(false, SPIF_UPDATEINIFILE | SPIF_SENDCHANGE);
    EXPECT_FALSE(DragFullWindows());
    // In the program's own settings folder, beside its INI files.
    EXPECT_EQ(DesktopSettingsFile(),
              std::string(temp.Path()) + "/" + ProgramName() + "/desktop-drag-full-windows");
    std::ifstream in(DesktopSettingsFile());
    std::string stored;
    in >> stored;
    EXPECT_EQ(stored, "0");
    SetDragFullWindows(true, 0); // for this run only
    EXPECT_TRUE(DragFullWindows());
    SetDragFullWindows(true, SPIF_UPDATEINIFILE);
    unsetenv("XDG_CONFIG_HOME");
}

TEST(Program, EndsWithExitCodeZeroWhenItsFirstThreadReturns) {
    TempFolder temp;
    fs::path out = fs::path(temp.Path()) / "out.txt";
    std::string command = std::string("QT_QPA_PLATFORM=offscreen timeout 20 '") + TINY_PROGRAM +
                          "' '/a b/constnot.csv' > '" + out.string() + "' 2>/dev/null";
    int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    std::ifstream in(out);
    std::string text((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(text, "argument 1: /a b/constnot.csv\nmain returns\n");
}
