#include "../programfiles/InstalledCopy.h"
#include "EditorFixture.h"

#include "editor/Config.h"
#include "editor/Library.h"
#include "platform/runtime/Program.h"
#include "platform/ui/WindowManager.h"

using namespace editor;
using namespace platform;
namespace drv = platform::testing;

using InstalledCopyTest = editor::testing::EditorWindowTest;

// notes installed where its user cannot write, started without an argument: its keynote file
// and its library are the user's own folder's, the export writes the set there, and nothing is
// written beside the program.
TEST_F(InstalledCopyTest, AnInstalledCopyExportsTheSetIntoTheUsersFolder) {
    const programfiles::testing::InstalledCopy copy(temp / "installed", "starter table\r\n");
    AppPath = copy.ProgramFolder();
    const std::string own = copy.data + "/notes";
    ASSERT_EQ(AppPath, own);

    static char program[] = "notes";
    char* argv[] = {program};
    SetCommandArguments(1, argv);
    int result = -1;
    Start([&](const std::string&) { result = DeriveNames(); });
    drv::Settle();
    ASSERT_EQ(result, RESULT_GoOn);
    EXPECT_EQ(CsvPath, own + "/constnot.csv");
    EXPECT_EQ(LibPath, own + "/Library");

    const std::string notes = "SET,TXTHT,0.25\r\nCIR,7,Footing,EA,COUNT\r\n";
    drv::WriteBytes(CsvPath, notes);
    Window& w = StartWindow([] { SelectCatalog(""); }, "Export the Current Key Note Set");
    drv::Type(w, select_catalog::LOC_CATALOGNAME, "Site work");
    drv::Click(w, select_catalog::OK);
    drv::Answer("The current bubble notes have been saved in the library!", "Bubble Notes Editor",
                ICON_Asterisk, BUTTON_OK, BUTTON_OK);
    EXPECT_TRUE(returned);
    EXPECT_EQ(drv::ReadBytes(own + "/Library/Site work.csv"), notes);
    EXPECT_EQ(drv::ReadBytes(own + "/Library/Site work.ini"), drv::ReadBytes(own + "/qvr.ini"));
    EXPECT_EQ(copy.BesideThePrograms(), copy.ThePrograms());
}
