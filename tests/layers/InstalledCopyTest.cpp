#include "../programfiles/InstalledCopy.h"
#include "LayersFixture.h"

#include "platform/ui/Keys.h"

using namespace platform;
using namespace layers;
using namespace layers::testing;

using InstalledCopyTest = LayersTest;

// An installed copy as notes hands the layer table to dravolet: notes' first start seeds the
// user's folder with the starter table, dravolet (its own program folder the user's too) opens
// that table and saves it there, and nothing is written beside the programs.
TEST_F(InstalledCopyTest, AnInstalledCopyOpensAndSavesTheTableOfTheUsersFolder) {
    const std::string starter = ReadBytes(STARTER_LAYERS);
    const programfiles::testing::InstalledCopy copy(temp / "installed", starter);
    SetProgramName("notes");
    const std::string notesFolder = copy.ProgramFolder();
    SetProgramName("dravolet");
    AppPath = copy.ProgramFolder();
    ASSERT_EQ(AppPath, copy.data + "/dravolet");
    const std::string userTable = notesFolder + "/Layers.dat";
    ASSERT_EQ(ReadBytes(userTable), starter);

    StartFrame({userTable, notesFolder + "/qvr.ini"});
    Window* w = LayerWindow();
    ASSERT_NE(w, nullptr);
    const std::string first = Shown(*w)[0];
    drv::ClickList(*w, LIST, 1, 3);
    drv::Key(*w, LIST, KEY_Enter);
    drv::Type(*w, EDITCOLOR, "5", false);
    drv::Click(*w, SAVEBUTTON);

    // The list shows the saved table read again: the first row's colour only has changed.
    std::string expected = first;
    const std::size_t colour = first.find('|', first.find('|') + 1) + 1;
    expected.replace(colour, first.find('|', colour) - colour, "5");
    EXPECT_EQ(Shown(*w)[0], expected);
    const std::string saved = ReadBytes(userTable);
    EXPECT_NE(saved, starter);
    EXPECT_EQ(saved.substr(saved.find(kCrLf)), starter.substr(starter.find(kCrLf)));
    EXPECT_EQ(ReadIni("QVR", "ImportLayerSettings", "", notesFolder + "/qvr.ini"), "Yes");
    EXPECT_TRUE(std::filesystem::exists(AppPath + "/Layers.ini"));
    EXPECT_EQ(copy.BesideThePrograms(), copy.ThePrograms());
}
