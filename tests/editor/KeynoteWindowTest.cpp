#include "KeynoteFixture.h"

#include "platform/files/LineFile.h"
#include "platform/testing/WriteLimit.h"
#include "platform/ui/Keys.h"

#include <QApplication>
#include <QEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScrollBar>

#include <chrono>
#include <fcntl.h>
#include <functional>
#include <thread>
#include <unistd.h>

using namespace keynotetest;

namespace {

const char* const kUnsaved = "You have not saved this file. Exit without saving?";

} // namespace

TEST_F(KeynoteTest, OpensTheProjectsNotesAndSavesThemBackByteForByte) {
    const std::string example = Fixture("example.csv");
    OpenOn(example);
    EXPECT_EQ(Rows(1), (std::vector<std::string>{"0|1|Footing|EA|COUNT", "1|2|See A, B|LF|LINE1"}));
    EXPECT_EQ(Rows(2), std::vector<std::string>{"0|1|Slab edge\r\nTyp.|SF|COUNT"});
    EXPECT_EQ(W()[GLO_CIRTITLEDESC].Text(), "Foundation notes");
    EXPECT_EQ(W()[LOC_TXTHT].Text(), "0.1");
    EXPECT_EQ(KeynoteThread, W().Thread());
    EXPECT_TRUE(FrameGot(EventEditorReady));
    const FileTime stamp = CsvStampTime;
    EXPECT_EQ(stamp, LastWriteTime(csv).value());

    drv::WriteBytes(bak, "older");
    drv::Click(W(), SAVETOASCII);
    EXPECT_EQ(drv::ReadBytes(csv), example);
    EXPECT_EQ(drv::ReadBytes(bak), example); // the previous file, backed up first
    EXPECT_EQ(CsvStampTime, stamp);          // not renewed by a save
    EXPECT_FALSE(FrameGot(EVENT_CloseDown));
    EXPECT_EQ(ReadIni("QVR", "Style", "", ini), "Paragraph");
    // The window holds the file again: nobody else may write it.
    LineFile other(4096);
    other.SetName(csv);
    EXPECT_FALSE(other.Open(OpenMode::ReadWriteDenyWrite));
}

namespace {

// What the fixture of every line kind holds that a save will not write back as it was read, as
// the window tells it once the file is read.
std::string EveryLineKindNotice(const std::string& csv, const std::string& bak) {
    return csv +
           " holds what a save will not write back as it was read:"
           "|Line 9: a line that is no note|Line 10: a line that is no note"
           "|Line 11: a line that is no note|Line 12: a line that is no note"
           "|Line 15: a value longer than its field|and 3 more"
           "||A save writes the notes as they are shown; the file as it is now is kept as the "
           "backup " +
           bak + ".";
}

} // namespace

TEST_F(KeynoteTest, EveryLineKindIsReadByItsRulesAndSavedWithoutLosingANote) {
    OpenOn(Fixture("every-line-kind.csv"));
    drv::Answer(EveryLineKindNotice(csv, bak), "", ICON_Exclamation, BUTTON_OK, BUTTON_OK);
    EXPECT_EQ(Order(1), "TITLE 5 6 7");
    EXPECT_EQ(W()[GLO_CIRTITLEDESC].Text(), "Walls");
    drv::Click(W(), SAVETOASCII);
    EXPECT_EQ(drv::ReadBytes(csv), Fixture("every-line-kind.saved.csv"));

    // What was saved reads back as the same notes and saves as the same bytes.
    CloseWindow();
    OpenWindow();
    EXPECT_EQ(Order(1), "TITLE 5 6 7");
    EXPECT_EQ(Rows(3)[0], "0|    1|tab   inside|EA|COUNT");
    drv::Click(W(), SAVETOASCII);
    EXPECT_EQ(drv::ReadBytes(csv), Fixture("every-line-kind.saved.csv"));
}

// A note numbered "TITLE" stays a note when its shape's title is cleared: the save writes a
// blank title line before it, which reads back as the blank title.
TEST_F(KeynoteTest, ANoteNumberedTitleStaysANoteWhenTheTitleIsCleared) {
    OpenOn(Fixture("every-line-kind.csv"));
    drv::Answer(EveryLineKindNotice(csv, bak), "", ICON_Exclamation, BUTTON_OK, BUTTON_OK);
    drv::Type(W(), GLO_CIRTITLEDESC, "");
    drv::Click(W(), SAVETOASCII);
    EXPECT_NE(drv::ReadBytes(csv).find("CIR,TITLE," + std::string(55, ' ') + ",,\r\n" +
                                       "CIR,TITLE,Second title,,\r\n"),
              std::string::npos);
    CloseWindow();
    OpenWindow();
    EXPECT_EQ(Order(1), "TITLE 5 6 7");
    EXPECT_EQ(W()[GLO_CIRTITLEDESC].Text(), "");
}

TEST_F(KeynoteTest, AMissingFileIsCreatedAndTheFirstRunMakesTheBackupAndSaysHowToStart) {
    Derive();
    OpenWindow(false);
    drv::Answer("To create new construction notes, first select the|desired \"shape tab\" above, "
                "then click|the \"Insert\" button.",
                "How to start", ICON_Asterisk, BUTTON_OK, BUTTON_OK);
    EXPECT_TRUE(FileExists(csv));
    EXPECT_TRUE(FileExists(bak)); // in the project folder, whatever the current folder
    EXPECT_EQ(keynote->settings().LOC_TXTHT, "Auto");
    EXPECT_EQ(W()[LOC_TXTHT_PROMPT_2].Text(), "(Auto)");
    EXPECT_EQ(W()[LOC_TBLWID_PROMPT_2].Text(), "(default = 65)");
    CloseWindow();
    OpenWindow(false); // the backup is there now: no notice
    EXPECT_NE(keynote, nullptr);
}

TEST_F(KeynoteTest, TabsFollowTheTabListAndTheRememberedTab) {
    WriteIni("QVREditCONFIG", "HexName", "Hexagons", ini);
    WriteIni("QVREditCONFIG", "HexOrder", "1", ini);
    WriteIni("QVREditCONFIG", "CircleName", "Circle", ini);
    WriteIni("QVREditCONFIG", "CircleOrder", "2", ini);
    WriteIni("QVREditCONFIG", "BoxName", "Box", ini);
    WriteIni("QVREditCONFIG", "BoxOrder", "3", ini);
    WriteIni("QVREditCONFIG", "BoxOff", "1", ini);
    struct Case {
        const char* remembered;          // "" missing
        std::vector<const char*> hidden; // shapes hidden besides Box
        int selected;                    // the sheet's selection
        int drawing;                     // the shape whose grid draws, 0 none
    };
    const Case cases[] = {
        {"", {}, 1, 2},   {"2", {}, 2, 1}, {"3", {}, 4, 4},
        {"10", {}, 1, 2}, {"0", {}, 1, 0}, {"5", {"Ellipse", "Dia", "Rec", "Oct", "Tri"}, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.remembered);
        for (const char* shape : {"Ellipse", "Dia", "Rec", "Oct", "Tri"})
            WriteIni("QVREditCONFIG", std::string(shape) + "Off", "0", ini);
        for (const char* shape : c.hidden)
            WriteIni("QVREditCONFIG", std::string(shape) + "Off", "1", ini);
        WriteIni("QVREditLASTRUN", "TabSelected", c.remembered, ini);
        if (!*c.remembered)
            WriteIni("QVREditLASTRUN", "TabSelected", "1", ini);
        OpenOn("CIR,1,round,,\r\nHEX,1,six,,\r\nBOX,1,square,,\r\n");
        EXPECT_EQ(W()[TAB1].Text(), "Hexagons");
        EXPECT_EQ(W()[TAB2].Text(), "Circle");
        EXPECT_TRUE(W()[TAB3].Hidden());
        EXPECT_TRUE(W()[OLE3].Hidden());
        EXPECT_EQ(Grid(2).OLECTRL, OLE1); // the Hex grid stands at position 1
        EXPECT_EQ(Grid(1).OLECTRL, OLE2);
        EXPECT_EQ(Grid(3).OLECTRL, OLE3); // hidden, but there and filled
        EXPECT_EQ(Order(3), "1");
        EXPECT_EQ(W()[CURRENTTAB].Selected(), c.selected);
        for (int shape = 1; shape <= 9; ++shape)
            EXPECT_EQ(Grid(shape).REDRAW, shape == c.drawing ? 1 : 0) << shape;
        CloseWindow();
        EXPECT_EQ(ReadIni("QVREditLASTRUN", "TabSelected", "", ini), std::to_string(c.selected));
    }

    // Each tab's title entry edits the title of the shape whose notes it shows; the shapes are
    // saved in tab order, hidden ones included.
    WriteIni("QVREditLASTRUN", "TabSelected", "1", ini);
    OpenOn("CIR,TITLE,Round ones,,\r\nCIR,1,round,,\r\nHEX,1,six,,\r\nBOX,1,square,,\r\n");
    EXPECT_EQ(W()[TitleOf(1)].Text(), "");
    EXPECT_EQ(W()[TitleOf(2)].Text(), "Round ones");
    drv::Type(W(), TitleOf(1), "Six sides");
    drv::Click(W(), SAVETOASCII);
    EXPECT_EQ(drv::ReadBytes(csv), "SET,TXTHT,Auto\r\nHEX,TITLE,Six sides" + std::string(46, ' ') +
                                       ",,\r\nHEX,1,six,,\r\nCIR,TITLE,Round ones" +
                                       std::string(45, ' ') +
                                       ",,\r\nCIR,1,round,,\r\nBOX,1,square,,\r\n");
}

TEST_F(KeynoteTest, HidingTheFirstTabAtSetUpChoosesNoOtherTab) {
    // Circle stands at position 1 and is hidden; no tab is remembered.
    WriteIni("QVREditCONFIG", "CircleName", "Circle", ini);
    WriteIni("QVREditCONFIG", "CircleOrder", "1", ini);
    WriteIni("QVREditCONFIG", "CircleOff", "1", ini);
    WriteIni("QVREditLASTRUN", "TabSelected", "0", ini);
    OpenOn("CIR,1,round,,\r\nHEX,1,six,,\r\n");
    ASSERT_TRUE(W()[TAB1].Hidden());
    EXPECT_EQ(W()[CURRENTTAB].Selected(), 0);
    for (int shape = 1; shape <= 9; ++shape)
        EXPECT_EQ(Grid(shape).REDRAW, 0) << shape;
    // The tab the user picks, even the one Qt shows, is chosen and its grid draws.
    drv::Choose(W(), CURRENTTAB, 2);
    EXPECT_EQ(W()[CURRENTTAB].Selected(), 2);
    for (int shape = 1; shape <= 9; ++shape)
        EXPECT_EQ(Grid(shape).REDRAW, Grid(shape).OLECTRL == OLE2 ? 1 : 0) << shape;
}

TEST_F(KeynoteTest, TheConfigTabHidesTheRowButtonsAndLetsNoGridDraw) {
    OpenOn("CIR,1,a,,\r\nCIR,2,b,,\r\n");
    const int rowButtons[] = {INSERT, CHANGE, DELETE, MOVEUP, MOVEDOWN, MOVEFIRST, MOVELAST};
    drv::Choose(W(), CURRENTTAB, 10);
    for (int b : rowButtons)
        EXPECT_FALSE(W()[b].Visible()) << b;
    for (int b : {SAVETOASCII, SAVETOASCIIANDCLOSE, HELP})
        EXPECT_TRUE(W()[b].Visible()) << b;
    EXPECT_FALSE(W()[EXPORT].Visible());
    for (int shape = 1; shape <= 9; ++shape)
        EXPECT_EQ(Grid(shape).REDRAW, 0);
    // The information text shows its four lines whole, without a box.
    auto* info = qobject_cast<QPlainTextEdit*>(W()[INFOTEXT].Widget());
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->frameShape(), QFrame::NoFrame);
    EXPECT_EQ(info->blockCount(), 4);
    EXPECT_EQ(info->verticalScrollBar()->maximum(), 0);
    // The accelerators of the hidden row buttons do nothing here.
    drv::Focus(W(), LOC_TXTHT);
    drv::AccessKey(W(), 'd');
    drv::AccessKey(W(), 'i');
    EXPECT_EQ(Order(1), "1 2");

    drv::Choose(W(), CURRENTTAB, 2);
    for (int b : rowButtons)
        EXPECT_TRUE(W()[b].Visible()) << b;
    EXPECT_EQ(Grid(2).REDRAW, 1);
    EXPECT_EQ(Grid(1).REDRAW, 0);
    EXPECT_FALSE(W()[EXPORT].Visible());
}

TEST_F(KeynoteTest, TheRowButtonsWorkOnTheSelectedTabsGrid) {
    OpenOn("CIR,1,a,,\r\nCIR,2,b,,\r\nCIR,3,c,,\r\nHEX,1,h,,\r\n");
    grid::PelkGridClass& g = Grid(1);
    ClickCell(1, 1, 2);
    EXPECT_EQ(g.CURROW, 1);
    drv::Click(W(), MOVEDOWN);
    EXPECT_EQ(Order(1), "2 1 3");
    drv::Click(W(), MOVELAST);
    EXPECT_EQ(Order(1), "2 3 1");
    drv::Click(W(), MOVEFIRST);
    EXPECT_EQ(Order(1), "1 2 3");
    drv::Click(W(), MOVEUP); // the first row stays
    EXPECT_EQ(Order(1), "1 2 3");

    drv::Click(W(), INSERT);
    EXPECT_EQ(g.EIPON, 1);
    drv::Type(W(), g.EDITCTRL, "9", false);
    drv::Key(W(), 0, KEY_CtrlEnter);
    EXPECT_EQ(Order(1), "1 9 2 3");
    drv::Click(W(), DELETE);
    drv::Answer("Are you sure you want to delete the selected row?", "", ICON_Question,
                BUTTON_YES | BUTTON_NO, BUTTON_YES);
    EXPECT_EQ(Order(1), "1 2 3");
    EXPECT_EQ(Order(2), "1"); // another tab's grid is not touched

    drv::Choose(W(), CURRENTTAB, 2);
    ClickCell(2, 1, 2);
    drv::Click(W(), MOVEDOWN);
    EXPECT_EQ(Order(2), "1");
    drv::Click(W(), INSERT);
    drv::Key(W(), 0, KEY_Esc);
    EXPECT_EQ(Order(2), "1 "); // the inserted row stays, with an empty number
}

TEST_F(KeynoteTest, ExitAsksOnlyWhileTheFileIsUnsaved) {
    OpenOn(Fixture("example.csv"));
    drv::Click(W(), keynote::EXIT);
    drv::Answer(kUnsaved, "QVR", ICON_Question, BUTTON_YES | BUTTON_NO, BUTTON_NO, BUTTON_NO);
    EXPECT_FALSE(FrameGot(EVENT_CloseDown));
    EXPECT_NE(keynote, nullptr);
    drv::Click(W(), keynote::EXIT);
    drv::Answer(kUnsaved, "QVR", ICON_Question, BUTTON_YES | BUTTON_NO, BUTTON_YES, BUTTON_NO);
    EXPECT_TRUE(FrameGot(EVENT_CloseDown));
    EXPECT_EQ(drv::ReadBytes(csv), Fixture("example.csv"));

    frameEvents.clear();
    drv::Click(W(), SAVETOASCII);
    drv::Click(W(), keynote::EXIT); // saved: no question
    EXPECT_TRUE(FrameGot(EVENT_CloseDown));
}

// The digest that tells unsaved notes from saved ones reads every field of every note, titled
// shapes and not, empty and long fields (a mark as set or not, whatever its text), and the save
// makes the same digest as it writes the notes as the load made of them.
TEST_F(KeynoteTest, TheNotesDigestOfKnownNotesStaysTheSame) {
    OpenOn(
        "SET,TXTHT,0.125\r\nCIR,TITLE,Footings,,\r\nCIR,1,Spread footing\\nsee detail,EA,COUNT\r\n"
        "CIR,2,,,\r\n;CIR,3,Marked note,LF,LINE1\r\nHEX,10,\"Comma, quoted\",SF,COUNT\r\n"
        "TRI,A1," +
        std::string(200, 'w') + ",,\r\n");
    std::string hex;
    for (unsigned char c : LoadedNotesDigest)
        hex += "0123456789abcdef"[c >> 4], hex += "0123456789abcdef"[c & 15];
    EXPECT_EQ(hex, "5858d5837e4ed2029b92824ab30fe7207447c87dc9996a9e3a02ea0be6596f18");
    const std::string loaded = LoadedNotesDigest;
    drv::Click(W(), SAVETOASCII);
    EXPECT_EQ(LoadedNotesDigest, loaded);
}

TEST_F(KeynoteTest, AFailedSaveKeepsTheOldFileAndTheNotesAndSaveAndExitStaysOpen) {
    const std::string example = Fixture("example.csv");
    OpenOn(example);
    ClickCell(1, 1, 2);
    drv::Click(W(), MOVEDOWN);
    {
        drv::WriteLimit full(64); // the disk is full
        drv::Click(W(), SAVETOASCIIANDCLOSE);
    }
    drv::Answer("Unable to create " + csv + "!|Error: File too large", "Error", ICON_Hand,
                BUTTON_OK, BUTTON_OK);
    EXPECT_FALSE(FrameGot(EVENT_CloseDown));
    EXPECT_EQ(drv::ReadBytes(csv), example);
    EXPECT_EQ(Order(1), "2 1");
    EXPECT_EQ(drv::TempFolder::Entries(project), 3u);        // the file, its backup and the INI
    EXPECT_EQ(ReadIni("QVR", "Style", "none", ini), "none"); // settings written only with the file
    LineFile other(4096);
    other.SetName(csv);
    EXPECT_FALSE(other.Open(OpenMode::ReadWriteDenyWrite)); // locked again

    // A keynote file made read-only meanwhile is not replaced; the window goes on holding it.
    std::filesystem::permissions(csv, std::filesystem::perms(0444));
    drv::Click(W(), SAVETOASCII);
    drv::Answer("Unable to remove " + csv + "!|Error: Access Denied", "Error", ICON_Hand, BUTTON_OK,
                BUTTON_OK);
    EXPECT_EQ(drv::ReadBytes(csv), example);
    EXPECT_FALSE(other.Open(OpenMode::ReadWriteDenyWrite));
    EXPECT_FALSE(W()[SAVETOASCII].Disabled());

    std::filesystem::permissions(csv, std::filesystem::perms(0644));
    drv::Click(W(), SAVETOASCIIANDCLOSE);
    EXPECT_TRUE(FrameGot(EVENT_CloseDown));
    EXPECT_NE(drv::ReadBytes(csv), example);
    EXPECT_EQ(ReadIni("QVR", "Style", "none", ini), "Paragraph");
}

TEST_F(KeynoteTest, AFailedReadIsReportedAndWhatWasReadIsNeverSavedTillAReloadReadsItWhole) {
    // Reading the process's own memory from its start fails at once.
    std::filesystem::create_symlink("/proc/self/mem", csv);
    Derive();
    OpenWindow();
    drv::Answer("Unable to read " + csv + "!|Error: Input/output error", "Error", ICON_Hand,
                BUTTON_OK, BUTTON_OK);
    ASSERT_NE(keynote, nullptr);
    EXPECT_TRUE(W()[SAVETOASCII].Disabled());
    EXPECT_TRUE(W()[SAVETOASCIIANDCLOSE].Disabled());

    // The file the window holds open reads whole again (as a disk or a share that failed once
    // does): a reload takes all of it, and then it may be saved.
    const std::string whole = project + "/whole.csv";
    drv::WriteBytes(whole, "CIR,1,read again,,\r\n");
    const std::string mem = "/proc/" + std::to_string(::getpid()) + "/mem";
    int held = -1;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        if (std::filesystem::read_symlink(entry.path(), error) == mem)
            held = std::stoi(entry.path().filename().string());
    }
    ASSERT_GE(held, 0);
    const int good = ::open(whole.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(good, 0);
    ASSERT_EQ(::dup2(good, held), held);
    ::close(good);
    Post(EventNotesImported, 0, KeynoteThread);
    drv::Settle();
    EXPECT_EQ(Rows(1), std::vector<std::string>{"0|1|read again||"});
    EXPECT_FALSE(W()[SAVETOASCII].Disabled());
    EXPECT_FALSE(W()[SAVETOASCIIANDCLOSE].Disabled());
}

// A keynote file named as its own backup (job.bak) can have no backup: a save still writes the
// whole file and loses nothing.
TEST_F(KeynoteTest, AKeynoteFileThatIsItsOwnBackupIsSavedWhole) {
    for (const char* name : {"job.bak", "JOB.BAK"}) {
        SCOPED_TRACE(name);
        const std::string file = project + "/" + name;
        drv::WriteBytes(file, "CIR,1,first,,\r\nCIR,2,second,,\r\n");
        Derive(file);
        OpenWindow(false);
        ASSERT_NE(keynote, nullptr);
        drv::Click(W(), MOVEDOWN);
        drv::Click(W(), SAVETOASCII);
        const std::string saved = drv::ReadBytes(file);
        EXPECT_NE(saved.find("CIR,2,second"), std::string::npos);
        EXPECT_LT(saved.find("CIR,2,second"), saved.find("CIR,1,first"));
        EXPECT_EQ(drv::TempFolder::Entries(project), 2u); // the file and the project INI
        CloseWindow();
        std::filesystem::remove(file);
    }
}

TEST_F(KeynoteTest, TheCloseRequestsStashUnsavedEditsForTheNextWindow) {
    const std::string longDescription(3000, 'x');
    OpenOn("SET,TXTHT,0.1\r\nCIR,1,a,,\r\nCIR,2," + longDescription + ",EA,COUNT\r\nTRI,1,t,,\r\n");
    drv::Click(W(), MOVEDOWN);
    drv::Choose(W(), CURRENTTAB, 10);
    drv::Type(W(), LOC_TXTHT, "0.2");
    drv::Type(W(), LOC_TBLWID, "99");
    Post(EventCloseForOptions, 0, KeynoteThread);
    drv::Settle();
    EXPECT_EQ(keynote, nullptr);
    EXPECT_EQ(KeynoteThread, 0);
    EXPECT_TRUE(FrameGot(EventRunOptions));
    EXPECT_EQ(NotesStashed, 1);

    OpenWindow();
    EXPECT_EQ(Order(1), "2 1");
    EXPECT_EQ(Rows(1)[0], "0|2|" + longDescription + "|EA|COUNT"); // kept whole
    EXPECT_EQ(Order(9), "1");
    EXPECT_EQ(keynote->settings().LOC_TXTHT, "0.2");
    EXPECT_EQ(keynote->settings().LOC_TBLWID, "65"); // read again from the project INI
    EXPECT_EQ(NotesStashed, 0);
    EXPECT_TRUE(NotesQueue.empty());
    EXPECT_EQ(drv::ReadBytes(csv).substr(0, 15), "SET,TXTHT,0.1\r\n");

    // In read-only mode nothing is stashed: the next window reads the file.
    NotesOpenMode = 0;
    Post(EventCloseForImport, 0, KeynoteThread);
    drv::Settle();
    EXPECT_TRUE(FrameGot(EventRunImport));
    EXPECT_EQ(NotesStashed, 0);
    OpenWindow();
    EXPECT_EQ(Order(1), "1 2");
    EXPECT_TRUE(W()[SAVETOASCII].Disabled());
}

// The grids' rows go to the stash as they are and come back into the next window's grids, kept
// as the stash keeps notes (a new row's missing mark as 0), and they behave as rows read from
// the file (drawn where they are clicked, moved, saved).
TEST_F(KeynoteTest, StashedRowsComeBackAsTheStashKeepsThemAndWorkInTheReopenedGrid) {
    OpenOn("SET,TXTHT,0.1\r\nCIR,1,a,EA,COUNT\r\nCIR,2,b,,\r\nHEX,1,h,,\r\n");
    ClickCell(1, 2, 2);
    drv::Click(W(), INSERT);
    drv::Type(W(), Grid(1).EDITCTRL, "12345", false);
    drv::Key(W(), 0, KEY_CtrlEnter);
    ASSERT_EQ(Rows(1).back(), "|12345|||"); // a new row has no mark yet
    Post(EventCloseForOptions, 0, KeynoteThread);
    drv::Settle();
    ASSERT_EQ(keynote, nullptr);
    EXPECT_EQ(NotesStashed, 1);

    OpenWindow();
    EXPECT_EQ(Rows(1), (std::vector<std::string>{"0|1|a|EA|COUNT", "0|2|b||", "0|12345|||"}));
    EXPECT_EQ(Rows(2), std::vector<std::string>{"0|1|h||"});
    for (const auto& rows : StashedRows)
        EXPECT_EQ(rows.capacity(), 0u); // the stash's memory is given back
    ClickCell(1, 3, 2);
    EXPECT_EQ(Grid(1).CURROW, 3);
    drv::Click(W(), MOVEFIRST);
    EXPECT_EQ(Order(1), "12345 1 2");
    drv::Click(W(), SAVETOASCII);
    EXPECT_EQ(drv::ReadBytes(csv), "SET,TXTHT,0.1\r\nCIR,12345,,,\r\nCIR,1,a,EA,COUNT\r\n"
                                   "CIR,2,b,,\r\nHEX,1,h,,\r\n");
}

TEST_F(KeynoteTest, AnImportedFileIsReadAgainWithItsTitles) {
    OpenOn("CIR,TITLE,Old,,\r\nCIR,1,a,,\r\n");
    drv::WriteBytes(bak, "");
    LineFile other(4096);
    // The import replaced the file while the window was closed; here the window is told so.
    CloseWindow();
    drv::WriteBytes(csv, "CIR,TITLE,New,,\r\nHEX,5,b,,\r\n");
    OpenWindow();
    for (int t = 1; t <= 64; ++t)
        Post(EventNotesImported, 0, t);
    drv::Settle();
    EXPECT_EQ(Order(1), "");
    EXPECT_EQ(Order(2), "5");
    EXPECT_EQ(W()[GLO_CIRTITLEDESC].Text(), "New");
}

// Every grid offers a blank choice and then the project's list up to its first empty key, as the
// list window reads it; keys behind a gap are not offered.
TEST_F(KeynoteTest, TheGridsOfferTheListsUpToTheirFirstEmptyKey) {
    drv::WriteBytes(csv, "CIR,1,Footing,EA,COUNT\r\n");
    Derive();
    drv::WriteBytes(ini, "[QVREditUnits]\r\nUnit1=SF\r\nUnit2=\r\nUnit3=LF\r\n"
                         "[QVREditTypes]\r\nType1=COUNT\r\nType2=AREA\r\nType4=LEN\r\n");
    OpenWindow();
    ASSERT_NE(keynote, nullptr);
    for (int shape = 1; shape <= 9; ++shape) {
        SCOPED_TRACE(shape);
        EXPECT_EQ(Grid(shape).QUNIT->items, (std::vector<std::string>{" ", "SF"}));
        EXPECT_EQ(Grid(shape).QTYPE->items, (std::vector<std::string>{" ", "AREA", "COUNT"}));
    }
    // Read again when the lists change: the gap closed, the later key comes too.
    WriteIni("QVREditUnits", "Unit2", "CY", ini);
    Post(EventReloadLookups, 0, W().Thread());
    drv::Settle();
    EXPECT_EQ(Grid(4).QUNIT->items, (std::vector<std::string>{" ", "CY", "LF", "SF"}));
}

// A first load that is over in a moment draws the window once, with its notes: no paint shows
// the window with its grids still empty.
TEST_F(KeynoteTest, AQuickFirstLoadDrawsTheWindowOnlyWithItsNotes) {
    struct EmptyPaints : QObject {
        KeynoteWindow* const* window = nullptr;
        int empty = 0, all = 0;
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() != QEvent::Paint || !*window)
                return false;
            ++all;
            if (grid::PelkGridClass* g = (*window)->Grid(1); g && g->Records() == 0)
                ++empty;
            return false;
        }
    } paints;
    paints.window = &keynote;
    qApp->installEventFilter(&paints);
    OpenOn("CIR,1,Footing,EA,COUNT\r\nCIR,2,Wall,LF,LINE1\r\nHEX,1,Door,EA,COUNT\r\n");
    qApp->removeEventFilter(&paints);
    EXPECT_EQ(Grid(1).Records(), 2);
    EXPECT_GT(paints.all, 0);
    EXPECT_EQ(paints.empty, 0);
}

// The progress bar of a load and of a save moves in steps of at least 3 percent and ends at 100:
// a long file is not slowed down by a redraw per note, and the bar still shows the whole way.
TEST_F(KeynoteTest, TheProgressBarMovesInStepsOfThreePercentToTheEnd) {
    std::string notes;
    for (int i = 1; i <= 1000; ++i)
        notes += "CIR," + std::to_string(i) + ",Note " + std::to_string(i) + ",EA,COUNT\r\n";
    OpenOn(notes);
    auto* bar = qobject_cast<QProgressBar*>(W()[APROGRESS].Widget());
    ASSERT_NE(bar, nullptr);
    std::vector<int> shown;
    QObject::connect(bar, &QProgressBar::valueChanged, [&](int value) {
        if (bar->isVisible())
            shown.push_back(value);
    });
    const struct {
        const char* what;
        std::function<void()> act;
    } runs[] = {
        {"a reload", [&] { Post(EventNotesImported, 0, W().Thread()); }},
        {"a save", [&] { drv::Click(W(), SAVETOASCII); }},
    };
    for (const auto& run : runs) {
        SCOPED_TRACE(run.what);
        shown.clear();
        run.act();
        drv::Settle();
        ASSERT_FALSE(shown.empty());
        EXPECT_EQ(shown.back(), 100);
        EXPECT_GE(shown.front(), 3);
        for (std::size_t i = 1; i < shown.size(); ++i)
            EXPECT_TRUE(shown[i] - shown[i - 1] >= 3 ||
                        (shown[i] == 100 && shown[i] > shown[i - 1]))
                << shown[i - 1] << " to " << shown[i];
        EXPECT_GE(shown.size(), 30u); // it moves the whole way, not only at the end
        EXPECT_TRUE(bar->isHidden());
    }
}

// A file holding what a save will not write back as it was read is told once, after loading,
// line by line; the save then says which notes were too long for the file's line, and what it
// wrote reads back as shown, with nothing more to tell. The unit list's longer units are offered
// as the file keeps them.
TEST_F(KeynoteTest, WhatASaveWillNotWriteBackIsToldAfterLoadingAndTheSaveTellsWhatItCut) {
    std::string ab;
    for (int i = 0; i < 1339; ++i)
        ab += "ab\"";
    const std::string file = "SET,TXTHT,0.1\r\n"
                             "CIR,1,Footing,EACH,COUNT\r\n"
                             "CIR,2," +
                             ab +
                             ",EA,COUNT\r\n"
                             "CIR,3,\"\"Typ.\"\" see,EA,COUNT\r\n" // carried as it is
                             "CIR,4,Slab   ,EA ,COUNT\r\n"
                             "CIR,5," +
                             std::string(5000, 'x') +
                             ",EA,COUNT\r\n"
                             "HEX,TITLE,\"Walls\\nDoors\",,\r\n" // carried as it is
                             "CIR,6,last,EA,COUNT\r\n"
                             "\x1a"
                             "CIR,7,after the end mark,EA,COUNT\r\n";
    drv::WriteBytes(csv, file);
    Derive();
    WriteIni("QVREditUnits", "Unit1", "EACH", ini);
    OpenWindow();
    drv::Answer(csv +
                    " holds what a save will not write back as it was read:"
                    "|Line 2: a value longer than its field"
                    "|Line 3: a note too long for a line of the file"
                    "|Line 5: blanks at the end of a value"
                    "|Line 6: a line longer than 4096 characters"
                    "|Line 9: text after the end-of-file mark (Ctrl-Z)"
                    "||A save writes the notes as they are shown; the file as it is now is "
                    "kept as the backup " +
                    bak + ".",
                "", ICON_Exclamation, BUTTON_OK, BUTTON_OK);
    ASSERT_NE(keynote, nullptr);
    EXPECT_EQ(Order(1), "1 2 3 4 6");
    const std::vector<std::string>& units = Grid(1).QUNIT->items;
    EXPECT_NE(std::find(units.begin(), units.end(), "EAC"), units.end());
    EXPECT_EQ(std::find(units.begin(), units.end(), "EACH"), units.end());

    drv::Click(W(), SAVETOASCII);
    drv::Answer("These notes are too long for a line of " + csv +
                    ": the ends of their descriptions were not saved.|CIR 2",
                "", ICON_Exclamation, BUTTON_OK, BUTTON_OK);
    CloseWindow();
    OpenWindow(); // nothing more to tell
    ASSERT_NE(keynote, nullptr);
    const std::vector<std::string> rows = Rows(1);
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0], "0|1|Footing|EAC|COUNT");
    EXPECT_TRUE(rows[1] == "0|2|" + ab.substr(0, 3059) + "|EA|COUNT");
    EXPECT_EQ(rows[2], "0|3|\"Typ.\" see|EA|COUNT");
    EXPECT_EQ(rows[3], "0|4|Slab|EA|COUNT");
    EXPECT_EQ(W()[GLO_HEXTITLEDESC].Text(), "Walls\r\nDoors");
}
