#include "platform/files/Path.h"
#include "platform/testing/TempFiles.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace platform;
using platform::testing::TempFolder;
using platform::testing::WriteBytes;

TEST(Path, FolderNameAndJoin) {
    struct Case {
        const char* path;
        const char* folder;
        const char* name;
    };
    const Case cases[] = {
        {"/jobs/a1/constnot.csv", "/jobs/a1", "constnot.csv"},
        {"/constnot.csv", "", "constnot.csv"},
        {"constnot.csv", "", "constnot.csv"},
        {"/jobs/a1/", "/jobs/a1", ""},
        {"/jobs/plan.rev.csv", "/jobs", "plan.rev.csv"},
        {"/folder with blanks/a b.csv", "/folder with blanks", "a b.csv"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(FolderPart(c.path), c.folder);
        EXPECT_EQ(NamePart(c.path), c.name);
    }
    EXPECT_EQ(JoinPath("/jobs/a1", "qvr.ini"), "/jobs/a1/qvr.ini");
    EXPECT_EQ(JoinPath("/jobs/a1/", "qvr.ini"), "/jobs/a1/qvr.ini");
    EXPECT_EQ(JoinPath("/jobs/a1", "/qvr.ini"), "/jobs/a1/qvr.ini");
    EXPECT_EQ(JoinPath("", "qvr.ini"), "/qvr.ini") << "the empty folder is the root";
    EXPECT_EQ(JoinPath("/", "Layers.ini"), "/Layers.ini");
    const std::string longFolder = "/" + std::string(400, 'f');
    EXPECT_EQ(JoinPath(longFolder, "x.csv").size(), 407u) << "paths are never cut";
}

TEST(Path, ExistingFilesAreFoundIgnoringCase) {
    TempFolder folder;
    const std::string root = folder.Path();
    std::filesystem::create_directories(folder / "Project/Sub");
    WriteBytes(folder / "Project/Sub/qvr.ini", "");
    WriteBytes(folder / "Layers.dat", "");
    WriteBytes(folder / "LAYERS.DAT", "");

    struct Case {
        std::string given;
        std::string found;
    };
    const Case cases[] = {
        {root + "/Project/Sub/QVR.ini", root + "/Project/Sub/qvr.ini"},
        {root + "/PROJECT/sub/Qvr.Ini", root + "/Project/Sub/qvr.ini"},
        {root + "/project/SUB", root + "/Project/Sub"},
        // exact names first; two that differ only by case leave a third spelling unfound
        {root + "/Layers.dat", root + "/Layers.dat"},
        {root + "/LAYERS.DAT", root + "/LAYERS.DAT"},
        {root + "/layers.dat", root + "/layers.dat"},
        // a new name keeps its spelling, under the folders as found
        {root + "/project/New.csv", root + "/Project/New.csv"},
        {root + "/project/NewDir/x.csv", root + "/Project/NewDir/x.csv"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.given);
        EXPECT_EQ(FindExisting(c.given), c.found);
    }
}

TEST(Path, ProgramFolderOfTheRunningProgram) {
    const std::filesystem::path self = std::filesystem::canonical("/proc/self/exe");
    EXPECT_EQ(ModuleFileName(), self.string());
    EXPECT_EQ(ProgramFolder(), self.parent_path().string());
    EXPECT_EQ(FolderPart("/notes"), "") << "a program in the root has the empty folder";
}

TEST(Path, NamesAreCodePageTextOnTheProgramSide) {
    EXPECT_EQ(OsPath("/caf\xe9/r\xe9sum\xe9.csv"), "/caf\xc3\xa9/r\xc3\xa9sum\xc3\xa9.csv");
    EXPECT_EQ(FromOsPath("/caf\xc3\xa9"), "/caf\xe9");
    EXPECT_EQ(FromOsPath("/\xe6\x97\xa5.csv"), std::nullopt) << "not in the code page";

    TempFolder folder;
    WriteBytes(folder / "R\xc3\x89SUM\xc3\x89.csv", "");
    EXPECT_EQ(FindExisting(folder.Path() + "/r\xe9sum\xe9.csv"),
              folder.Path() + "/R\xc9SUM\xc9.csv")
        << "accented letters match ignoring case too";
}

TEST(Path, FileArgumentsSplitIntoFolderNameAndBackupName) {
    struct Case {
        const char* argument;
        const char* folder;
        const char* name;
        const char* backup;
    };
    const Case cases[] = {
        {"/jobs/a1/constnot.csv", "/jobs/a1", "constnot.csv", "constnot.bak"},
        {"/jobs/a1/plan.rev.csv  ", "/jobs/a1", "plan.rev.csv", "plan.bak"},
        {"/constnot.csv", "", "constnot.csv", "constnot.bak"},
        {"constnot.csv", "", "", ""},                      // no folder: nothing
        {"/jobs/a1/", "/jobs/a1", "", ""},                 // ends in a separator
        {"/jobs/a1.d/layers", "/jobs/a1.d", "layers", ""}, // a dot only in the folder
    };
    for (const Case& c : cases) {
        FileArgument parts = SplitFileArgument(c.argument);
        EXPECT_EQ(parts.folder, c.folder) << c.argument;
        EXPECT_EQ(parts.name, c.name) << c.argument;
        EXPECT_EQ(parts.backup, c.backup) << c.argument;
    }
}
