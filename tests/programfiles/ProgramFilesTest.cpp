#include "programfiles/ProgramFiles.h"

#include "platform/files/Path.h"
#include "platform/ini/Ini.h"
#include "platform/testing/TempFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace platform;
using platform::testing::TempFolder;
using programfiles::ProgramFolderToUse;

namespace {

void Write(const std::string& path, const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// An installed copy: <prefix>/bin for the program, <prefix>/share/<program> for its starter
// files, and the user's data home.
class ProgramFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetProgramName("notes");
        Write(starters + "/Layers.dat", "starter table\r\n");
        Write(starters + "/qvr.ini", "[QVREditDEFAULT]\r\n");
        setenv("XDG_DATA_HOME", data.c_str(), 1);
    }
    void TearDown() override { unsetenv("XDG_DATA_HOME"); }

    TempFolder temp;
    const std::string prefix = temp.Path() + "/prefix";
    const std::string bin = prefix + "/bin";
    const std::string starters = prefix + "/share/notes";
    const std::string data = temp.Path() + "/data";
};

} // namespace

// Only a build folder, or a copy of one, keeps the files beside the program; an installed copy
// keeps them in the user's folder even where the user can write its bin/ (~/.local/bin, or
// /usr/bin for root).
TEST_F(ProgramFolderTest, OnlyAWritableFolderThatIsNoInstallIsTheProgramFolder) {
    struct Case {
        std::string folder; // where the program is, writable
        bool installed;
    } cases[] = {
        {bin, true},                         // <prefix>/bin beside <prefix>/share/notes
        {temp.Path() + "/build/bin", false}, // a build folder: no share/notes beside
        {prefix + "/programs", false},       // not a bin/, whatever is beside it
    };
    for (const Case& c : cases) {
        std::filesystem::create_directories(c.folder);
        EXPECT_EQ(programfiles::InstalledCopy(c.folder), c.installed) << c.folder;
        EXPECT_EQ(ProgramFolderToUse(c.folder), c.installed ? data + "/notes" : c.folder)
            << c.folder;
        EXPECT_EQ(std::filesystem::exists(data), c.installed) << c.folder; // made only then
        EXPECT_TRUE(std::filesystem::is_empty(c.folder)) << c.folder;
        std::filesystem::remove_all(data);
    }
}

// One Layers.ini for both programs: a build folder's, or, where the programs keep their files in
// the user's folders, the layer editor's, which only it reads. notes finds it there, seeded as the
// layer editor seeds its folder, and creates it there when it is missing.
TEST_F(ProgramFolderTest, BothProgramsNameOneLayersIni) {
    std::filesystem::create_directories(temp.Path() + "/build/bin");
    EXPECT_EQ(programfiles::LayersIniOf(temp.Path() + "/build/bin"),
              temp.Path() + "/build/bin/Layers.ini");

    const std::string notesFolder = ProgramFolderToUse(bin);
    ASSERT_EQ(notesFolder, data + "/notes");
    const std::string layersIni = programfiles::LayersIniOf(notesFolder);
    EXPECT_EQ(layersIni, data + "/dravolet/Layers.ini");
    programfiles::EnsureLayersIni(layersIni);
    EXPECT_EQ(ReadIni("LAYERS", "Color1", "missing", layersIni), "");
    EXPECT_FALSE(std::filesystem::exists(notesFolder + "/Layers.ini"));

    SetProgramName("dravolet");
    EXPECT_EQ(programfiles::LayersIniOf(ProgramFolderToUse(bin)), layersIni);
}

// notes looks for dravolet in its program folder; the user's folder holds no programs, so an
// installed copy looks beside itself.
TEST_F(ProgramFolderTest, TheLayerEditorIsLookedForWhereTheProgramsAre) {
    EXPECT_EQ(programfiles::ProgramsFolderOf(temp.Path() + "/build/bin"),
              temp.Path() + "/build/bin");
    EXPECT_EQ(programfiles::ProgramsFolderOf(ProgramFolderToUse(bin)), *ProgramFolder());
}

// The folder beside the program cannot be written here (it is not there at all: a test may run
// as a user who can write anywhere): the user's own folder is made and seeded once.
TEST_F(ProgramFolderTest, OtherwiseTheUsersOwnFolderIsMadeAndSeededOnTheFirstStartOnly) {
    const std::string own = data + "/notes";
    EXPECT_EQ(ProgramFolderToUse(bin), own);
    EXPECT_EQ(Read(own + "/Layers.dat"), "starter table\r\n");
    EXPECT_EQ(Read(own + "/qvr.ini"), "[QVREditDEFAULT]\r\n");

    // What the user changed or removed is theirs: a later start copies nothing again.
    Write(own + "/Layers.dat", "my table\r\n");
    std::filesystem::remove(own + "/qvr.ini");
    Write(starters + "/Layers.dat", "newer starter\r\n");
    EXPECT_EQ(ProgramFolderToUse(bin), own);
    EXPECT_EQ(Read(own + "/Layers.dat"), "my table\r\n");
    EXPECT_FALSE(std::filesystem::exists(own + "/qvr.ini"));
}

TEST_F(ProgramFolderTest, TheUsersFolderIsUnderTheHomeWithoutAnAbsoluteDataHome) {
    const char* home = std::getenv("HOME");
    const std::string savedHome = home ? home : "";
    setenv("HOME", (temp.Path() + "/home").c_str(), 1);
    for (const char* dataHome : {"", "relative/data"}) {
        setenv("XDG_DATA_HOME", dataHome, 1);
        EXPECT_EQ(ProgramFolderToUse(bin), temp.Path() + "/home/.local/share/notes") << dataHome;
    }
    EXPECT_EQ(Read(temp.Path() + "/home/.local/share/notes/Layers.dat"), "starter table\r\n");
    setenv("HOME", savedHome.c_str(), 1);
}
