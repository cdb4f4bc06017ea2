#include "editor/Config.h"
#include "editor/Globals.h"

#include "platform/files/Files.h"
#include "platform/ini/Ini.h"
#include "platform/runtime/Program.h"
#include "platform/runtime/Runtime.h"
#include "platform/testing/Driver.h"
#include "platform/testing/TempFiles.h"
#include "platform/text/Text.h"
#include "platform/ui/Startup.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace editor;
using namespace platform;
namespace drv = platform::testing;

namespace {

class ConfigTest : public ::testing::Test {
protected:
    drv::TempFolder temp;
    std::string app = temp / "app";
    std::string jobs = temp / "jobs";

    void SetUp() override {
        ResetGlobals();
        std::filesystem::create_directories(app);
        std::filesystem::create_directories(jobs + "/A1");
        AppPath = app;
    }
    void TearDown() override {
        drv::ExpectNoMessage();
        EndAllThreads();
    }
    // The command line notes is started with.
    static void SetArguments(std::vector<std::string> args) {
        args.insert(args.begin(), "notes");
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        SetCommandArguments(static_cast<int>(argv.size()), argv.data());
    }
    // Derives the names from a command line, on a thread as the frame does.
    int Derive(std::vector<std::string> args) {
        SetArguments(std::move(args));
        int result = -1;
        Start([&](const std::string&) { result = DeriveNames(); });
        drv::Settle();
        return result;
    }
};

} // namespace

TEST_F(ConfigTest, NamesFromTheCommandLine) {
    struct Case {
        std::string arg1, arg2;
        std::string folder, csv, bak, projectIni;
    };
    const Case cases[] = {
        {"", "", app, "constnot.csv", "constnot.bak", app + "/qvr.ini"},
        {jobs + "/A1/constnot.csv", "", jobs + "/A1", "constnot.csv", "constnot.bak",
         jobs + "/A1/qvr.ini"},
        {jobs + "/A1/plan.rev.csv", "", jobs + "/A1", "plan.rev.csv", "plan.bak",
         jobs + "/A1/qvr.ini"},
        {jobs + "/A1/plan.csv", temp / "other.ini", jobs + "/A1", "plan.csv", "plan.bak",
         temp / "other.ini"},
        {"/constnot.csv", "", "", "constnot.csv", "constnot.bak", "/qvr.ini"},
    };
    for (const Case& c : cases) {
        ResetGlobals();
        AppPath = app;
        ASSERT_EQ(Derive({c.arg1, c.arg2}), 0) << c.arg1;
        EXPECT_EQ(ProjectFolder, c.folder) << c.arg1;
        EXPECT_EQ(CsvName, c.csv);
        EXPECT_EQ(BakName, c.bak);
        EXPECT_EQ(ProjectIni, c.projectIni);
        EXPECT_EQ(CsvPath, c.folder + "/" + c.csv);
        EXPECT_EQ(AppIni, app + "/qvr.ini");
        EXPECT_EQ(LayerArguments,
                  (std::vector<std::string>{app + "/Layers.dat", c.folder + "/qvr.ini"}));
        EXPECT_EQ(LayerProgram, "dravolet"); // its own folder first, then PATH
    }
    EXPECT_EQ(Param1, "/constnot.csv");
    ResetGlobals();
    AppPath = app;
    Derive({""});
    EXPECT_EQ(Param1, "(BLANK)");
}

TEST_F(ConfigTest, ArgumentsWithoutAFileNameEndTheProgram) {
    for (std::string arg : {std::string("constnot.csv"), jobs + "/A1/", jobs + "/A1/notes"}) {
        SetCommandArguments(0, nullptr);
        std::vector<char*> argv;
        std::string program = "notes";
        argv = {program.data(), arg.data()};
        SetCommandArguments(2, argv.data());
        SetExitCode(0);
        int result = -1;
        Start([&](const std::string&) { result = DeriveNames(); });
        drv::Answer("You should pass the Path+Filename as the first parameter!",
                    "File name not specified!", ICON_Hand, BUTTON_OK, BUTTON_OK);
        EXPECT_EQ(result, 3) << arg;
        EXPECT_EQ(ExitCode(), 1) << arg; // the process ends on a failure
    }
    SetExitCode(0);
}

TEST_F(ConfigTest, APathTheCodePageCannotHoldEndsTheProgramBeforeAnythingIsWritten) {
    // A project folder named in Cyrillic (as the system spells it): its INI could not be written.
    const std::string folder = jobs + "/\xD0\xBF\xD1\x80";
    std::filesystem::create_directories(folder);
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{folder + "/constnot.csv"}, jobs + "/?\?/constnot.csv"},
        {{jobs + "/A1/constnot.csv", folder + "/qvr.ini"}, jobs + "/?\?/qvr.ini"},
    };
    for (const auto& [arguments, shown] : cases) {
        SetArguments(arguments);
        SetExitCode(0);
        int result = -1;
        Start([&](const std::string&) { result = DeriveNames(); });
        drv::Answer(UnusablePathMessage(shown), kUnusablePathCaption, ICON_Hand, BUTTON_OK,
                    BUTTON_OK);
        EXPECT_EQ(result, 3) << shown;
        EXPECT_EQ(ExitCode(), 1) << shown;
    }
    SetExitCode(0);
    EXPECT_TRUE(std::filesystem::is_empty(folder));
    EXPECT_FALSE(std::filesystem::exists(app + "/Layers.ini"));
}

TEST_F(ConfigTest, AFreshProjectGetsItsTabKeysWrapSizeAndDefaultLists) {
    ASSERT_EQ(Derive({jobs + "/A1/constnot.csv"}), 0);
    WriteDefaultLists();
    std::string ini = drv::ReadBytes(jobs + "/A1/qvr.ini");
    std::string expected = "[QVREditCONFIG]\r\n";
    for (std::size_t i = 0; i < kShapes.size(); ++i) {
        std::string s = kShapes[i].name;
        expected +=
            s + "Name=" + s + "\r\n" + s + "Order=" + DecimalText(i + 1) + "\r\n" + s + "Off=0\r\n";
    }
    expected += "WrapSize=60\r\n\r\n[QVREditUnits]\r\nUnit1=SF\r\nUnit2=LF\r\nUnit3=SY\r\n"
                "Unit4=CY\r\nUnit5=EA\r\nUnit6=NPI\r\n\r\n[QVREditTypes]\r\nType1=COUNT\r\n"
                "Type2=LINE1\r\nType3=LINE2\r\nType4=LINE3\r\nType5=LINE4\r\nType6=LINE5\r\n"
                "Type7=LINE6\r\n";
    EXPECT_EQ(ini, expected);
    EXPECT_EQ(Uppercase, 1);
    EXPECT_EQ(EIPByEnter, 0);
    EXPECT_EQ(WrapSize, 60);
    EXPECT_EQ(LibPath, app + "/Library");
    EXPECT_TRUE(FolderExists(app + "/Library"));
    ASSERT_EQ(TabQueue.size(), 9u);
    for (std::size_t i = 0; i < 9; ++i) {
        EXPECT_EQ(TabQueue[i].SRCNAME, kShapes[i].name);
        EXPECT_EQ(TabQueue[i].NEWNUM, i + 1);
        EXPECT_EQ(TabQueue[i].ICON, 1);
    }
    // Layers.ini is made with empty entries, once.
    EXPECT_EQ(drv::ReadBytes(app + "/Layers.ini"),
              "[LAYERS]\r\nColor1=\r\nColor2=\r\nColor3=\r\nLineType1=\r\nLineType2=\r\n"
              "LineType3=\r\n");
    // Lists that exist are left alone.
    WriteIni("QVREditUnits", "Unit1", "MM", ProjectIni);
    WriteDefaultLists();
    EXPECT_EQ(ReadIni("QVREditUnits", "Unit2", "", ProjectIni), "LF");
    EXPECT_EQ(ReadIni("QVREditUnits", "Unit1", "", ProjectIni), "MM");
}

TEST_F(ConfigTest, TabOrderHiddenTabsAndWrapSize) {
    ProjectIni = temp / "qvr.ini";
    const char* orders[] = {"5", "5", "1", "2", "3", "4", "6", "7", ""};
    for (std::size_t i = 0; i < 9; ++i) {
        std::string s = kShapes[i].name;
        WriteIni("QVREditCONFIG", s + "Name", s + " notes", ProjectIni);
        WriteIni("QVREditCONFIG", s + "Order", orders[i], ProjectIni);
    }
    WriteIni("QVREditCONFIG", "CircleOff", "1", ProjectIni);
    WriteIni("QVREditCONFIG", "HexName", "  ", ProjectIni); // blank caption: defaults again
    WriteIni("QVREditCONFIG", "WrapSize", "4", ProjectIni);
    WriteIni("QVREditCONFIG", "LibPath", temp / "lib/sets", ProjectIni);
    LoadEditorConfig();
    std::vector<std::string> order;
    for (const TabRecord& r : TabQueue)
        order.push_back(r.SRCNAME);
    // Tri has no position (0) and comes first; Circle (5) before Hex (written back as 2).
    EXPECT_EQ(order, (std::vector<std::string>{"Tri", "Box", "Hex", "Pen", "Ellipse", "Dia",
                                               "Circle", "Rec", "Oct"}));
    for (std::size_t i = 0; i < 9; ++i)
        EXPECT_EQ(TabQueue[i].NEWNUM, i + 1);
    EXPECT_EQ(TabQueue[6].ICON, 2);
    EXPECT_EQ(TabQueue[6].NEWNAME, "Circle notes");
    EXPECT_EQ(TabQueue[2].NEWNAME, "Hex");
    EXPECT_EQ(ReadIni("QVREditCONFIG", "HexOrder", "", ProjectIni), "2");
    EXPECT_EQ(WrapSize, 60);
    EXPECT_EQ(ReadIni("QVREditCONFIG", "WrapSize", "", ProjectIni), "60");
    EXPECT_TRUE(FolderExists(temp / "lib/sets"));
    WriteIni("QVREditCONFIG", "WrapSize", "5", ProjectIni);
    LoadEditorConfig();
    EXPECT_EQ(WrapSize, 5);
}

TEST_F(ConfigTest, EnsureFolderCreatesEveryMissingLevel) {
    auto cwd = CurrentFolder();
    EXPECT_EQ(EnsureFolder(temp / "a/b/c"), 1);
    EXPECT_TRUE(FolderExists(temp / "a/b/c"));
    EXPECT_EQ(EnsureFolder(" " + (temp / "a/b/c") + "/ "), -2);
    EXPECT_EQ(CurrentFolder(), cwd);
    drv::WriteBytes(temp / "file", "x");
    int result = 99;
    Start([&](const std::string&) { result = EnsureFolder(temp / "file/sub"); });
    drv::Answer("Error during creating folder " + (temp / "file/sub"), "Error", ICON_Exclamation,
                BUTTON_OK, BUTTON_OK);
    EXPECT_EQ(result, 0);
}

TEST_F(ConfigTest, AProjectFolderThatDoesNotExistStillGivesEveryTabItsDefaults) {
    ASSERT_EQ(Derive({temp / "missing/folder/constnot.csv"}), 0);
    EXPECT_EQ(ProjectIni, temp / "missing/folder/qvr.ini");
    EXPECT_FALSE(FileExists(ProjectIni));
    ASSERT_EQ(TabQueue.size(), 9u);
    for (std::size_t i = 0; i < 9; ++i) {
        EXPECT_EQ(TabQueue[i].NEWNAME, kShapes[i].name);
        EXPECT_EQ(TabQueue[i].NEWNUM, i + 1);
        EXPECT_EQ(TabQueue[i].ICON, 1);
    }
    EXPECT_EQ(WrapSize, 60);
    WriteDefaultLists(); // silent when it cannot write
}
