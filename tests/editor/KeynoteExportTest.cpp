#include "KeynoteFixture.h"

#include "platform/files/LineFile.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Keys.h"

using namespace keynotetest;

namespace {

class KeynoteExportTest : public KeynoteTest {
protected:
    std::string exported = project + "/constnot_comma.txt";

    // Presses the hidden export button the only way there is: its command, posted as the
    // window's own code posts it. Expects the save dialog on the export file of the project.
    void PressExport() {
        Post(EVENT_Accepted, EXPORT, W().Thread());
        drv::Settle();
        const std::vector<DialogInfo> open = OpenDialogs();
        ASSERT_EQ(open.size(), 1u);
        EXPECT_EQ(open[0].file, exported);
        EXPECT_EQ(open[0].filter, "Text|*.txt");
        EXPECT_TRUE(open[0].save);
    }
    void ExpectLocked() {
        LineFile other(4096);
        other.SetName(csv);
        EXPECT_FALSE(other.Open(OpenMode::ReadWriteDenyWrite));
    }
};

} // namespace

TEST_F(KeynoteExportTest, ExportsTheSettingsOfTheConfigTabAndEveryShapesNotesInTheFixedOrder) {
    // Hex before Circle, Box hidden: the export keeps its own order and takes hidden tabs too.
    for (const char* shape : {"Hex", "Circle", "Box"}) {
        const std::string name = shape;
        WriteIni("QVREditCONFIG", name + "Name", name, ini);
        WriteIni("QVREditCONFIG", name + "Order",
                 name == "Hex"      ? "1"
                 : name == "Circle" ? "2"
                                    : "3",
                 ini);
        WriteIni("QVREditCONFIG", name + "Off", name == "Box" ? "1" : "0", ini);
    }
    OpenOn(Fixture("export.csv"));
    ASSERT_EQ(W()[TAB1].Text(), "Hex");

    drv::Choose(W(), CURRENTTAB, 10);
    drv::Type(W(), LOC_TXTHT, "  0.125");
    drv::Type(W(), LOC_NDWID, "3");
    drv::Type(W(), LOC_TBLWID, "");
    drv::Type(W(), LOC_BUBBLELEADERCONNECTOSNAP, "end");
    drv::Choose(W(), LOC_INSERTTABLEPHASES, 4); // 3 phases
    drv::Choose(W(), LOC_DOCURRENTTABONLY, 2);  // Yes
    // An unsaved edit goes out as the window holds it.
    drv::Choose(W(), CURRENTTAB, 2);
    ClickCell(1, 1, 1);
    drv::Key(W(), 0, KEY_Enter); // marks the note
    PressExport();
    drv::AnswerDialog(DIALOG_File, "Save As", exported);

    EXPECT_EQ(drv::ReadBytes(exported), Fixture("export.comma.txt"));
    // The drop lists' values stay in their fields; the keynote file is untouched and held again.
    EXPECT_EQ(keynote->settings().LOC_INSERTTABLEPHASES, "3");
    EXPECT_EQ(keynote->settings().LOC_DOCURRENTTABONLY, "1");
    EXPECT_EQ(drv::ReadBytes(csv), Fixture("export.csv"));
    ExpectLocked();
    EXPECT_TRUE(W()[APROGRESS].Hidden());
    EXPECT_TRUE(W()[PMT_APROGRESS].Hidden());
    EXPECT_FALSE(W()[EXPORT].Visible());

    // Asked before an existing file is replaced: No goes back to the dialog.
    PressExport();
    drv::AnswerDialog(DIALOG_File, "Save As", exported);
    drv::Answer("constnot_comma.txt already exists.|Do you want to replace it?", "Save As",
                ICON_Exclamation, BUTTON_YES | BUTTON_NO, BUTTON_NO, BUTTON_NO);
    drv::AnswerDialog(DIALOG_File, "Save As", "");
    EXPECT_EQ(drv::ReadBytes(exported), Fixture("export.comma.txt"));
}

TEST_F(KeynoteExportTest, TheButtonIsReachedOnlyThroughItsCommandAndACancelWritesNothing) {
    OpenOn(Fixture("export.csv"));
    // Its access key does not reach the hidden button, while a shown button's does.
    drv::AccessKey(W(), 'p');
    EXPECT_TRUE(OpenDialogs().empty());
    drv::AccessKey(W(), 'x');
    drv::Answer("You have not saved this file. Exit without saving?", "QVR", ICON_Question,
                BUTTON_YES | BUTTON_NO, BUTTON_NO, BUTTON_NO);

    PressExport();
    drv::AnswerDialog(DIALOG_File, "Save As", "");
    EXPECT_FALSE(FileExists(exported));
    ExpectLocked();
    EXPECT_FALSE(W()[SAVETOASCII].Disabled());
}

TEST_F(KeynoteExportTest, AFailedExportSaysSoLeavesTheOlderExportWholeAndHoldsTheFileAgain) {
    OpenOn("CIR,1,Footing,EA,COUNT\r\n");
    const std::string older = "CIR NOTES\r\n";
    drv::WriteBytes(exported, older);
    {
        LineFile holder(4096); // another program holds the export file
        holder.SetName(exported);
        ASSERT_TRUE(holder.Open(OpenMode::ReadWriteDenyWrite));
        PressExport();
        drv::AnswerDialog(DIALOG_File, "Save As", exported);
        drv::Answer("constnot_comma.txt already exists.|Do you want to replace it?", "Save As",
                    ICON_Exclamation, BUTTON_YES | BUTTON_NO, BUTTON_YES, BUTTON_NO);
        drv::Answer("Unable to create " + exported + "!|Error: Access Denied", "Error", ICON_Hand,
                    BUTTON_OK, BUTTON_OK);
    }
    EXPECT_EQ(drv::ReadBytes(exported), older);
    EXPECT_EQ(drv::TempFolder::Entries(project), 4u); // nothing left beside it
    ExpectLocked();
    EXPECT_TRUE(W()[APROGRESS].Hidden());

    // A folder that is gone: nothing is begun.
    const std::string gone = project + "/gone/notes.txt";
    PressExport();
    drv::AnswerDialog(DIALOG_File, "Save As", gone);
    drv::Answer("Unable to create " + gone + "!|Error: Path Not Found", "Error", ICON_Hand,
                BUTTON_OK, BUTTON_OK);
    ExpectLocked();

    // The keynote file stays held through an export: one aimed at it cannot replace the notes.
    PressExport();
    drv::AnswerDialog(DIALOG_File, "Save As", csv);
    drv::Answer("constnot.csv already exists.|Do you want to replace it?", "Save As",
                ICON_Exclamation, BUTTON_YES | BUTTON_NO, BUTTON_YES, BUTTON_NO);
    drv::Answer("Unable to create " + csv + "!|Error: Access Denied", "Error", ICON_Hand, BUTTON_OK,
                BUTTON_OK);
    EXPECT_EQ(drv::ReadBytes(csv), "CIR,1,Footing,EA,COUNT\r\n");
    ExpectLocked();
}
