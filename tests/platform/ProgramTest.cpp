#include "platform/runtime/Program.h"
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
