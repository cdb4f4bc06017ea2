// What the keynote file cannot carry is refused where the user types or pastes it, so that no
// note is lost or changed by a save and a reload.
#include "KeynoteFixture.h"

#include "platform/ui/Keys.h"

using namespace keynotetest;

namespace {

class KeynoteEntryTest : public KeynoteTest {
protected:
    // Opens the in-place editor of a cell, as a user does: a click, then Enter.
    void Edit(int shape, int row, int column) {
        ClickCell(shape, row, column);
        drv::Key(W(), 0, KEY_Enter);
        ASSERT_EQ(Grid(shape).EIPON, 1);
    }
    // Saves, then opens the file again in a new window, as the next session does.
    void SaveAndReopen() {
        drv::Click(W(), SAVETOASCII);
        CloseWindow();
        OpenWindow();
    }
};

} // namespace

TEST_F(KeynoteEntryTest, NumbersUnitsTypesTitlesAndTheTextHeightRefuseWhatTheFileCannotCarry) {
    OpenOn("CIR,1,Footing,EA,COUNT\r\n");
    grid::PelkGridClass& g = Grid(1);
    // A comma would split the line's fields, the character 255 reads back as a double quote,
    // a Ctrl-Z ends the file and a tab reads back as blanks: typed they do nothing, pasted the
    // paste is refused.
    drv::Type(W(), GLO_CIRTITLEDESC, "Walls, doors\xff", false);
    drv::Paste(W(), GLO_CIRTITLEDESC, " and\tfloors");
    drv::Paste(W(), GLO_CIRTITLEDESC, " and\x1a");
    drv::Paste(W(), GLO_CIRTITLEDESC, " and floors");
    EXPECT_EQ(W()[GLO_CIRTITLEDESC].Text(), "Walls doors and floors");

    Edit(1, 1, 2);
    drv::Type(W(), g.EDITCTRL, "1,2\xff", false);
    drv::Paste(W(), g.EDITCTRL, "3,");
    drv::Paste(W(), g.EDITCTRL, "3");
    EXPECT_EQ(W()[g.EDITCTRL].Text(), "123");
    drv::Key(W(), 0, KEY_Tab); // on to the description
    drv::Key(W(), 0, KEY_Tab); // on to the unit
    ASSERT_EQ(g.CURCTRL, g.UNITCTRL);
    drv::Type(W(), g.UNITCTRL, "S,F", false);
    drv::Paste(W(), g.UNITCTRL, "\x1a");
    EXPECT_EQ(W()[g.UNITCTRL].Text(), "SF");
    drv::Key(W(), 0, KEY_Tab);
    ASSERT_EQ(g.CURCTRL, g.TYPECTRL);
    drv::Type(W(), g.TYPECTRL,
              "A,\xff"
              "B",
              false);
    drv::Paste(W(), g.TYPECTRL, "\tC");
    EXPECT_EQ(W()[g.TYPECTRL].Text(), "AB");
    drv::Key(W(), 0, KEY_CtrlEnter);

    drv::Choose(W(), CURRENTTAB, 10);
    drv::Focus(W(), LOC_TXTHT);
    drv::Paste(W(), LOC_TXTHT, "\x1a");
    drv::Type(W(), LOC_TXTHT, "0.2");
    EXPECT_EQ(keynote->settings().LOC_TXTHT, "0.2");

    SaveAndReopen();
    EXPECT_EQ(drv::ReadBytes(csv), "SET,TXTHT,0.2\r\nCIR,TITLE,Walls doors and floors" +
                                       std::string(33, ' ') + ",,\r\nCIR,123,Footing,SF,AB\r\n");
    EXPECT_EQ(Rows(1), std::vector<std::string>{"0|123|Footing|SF|AB"});
    EXPECT_EQ(W()[GLO_CIRTITLEDESC].Text(), "Walls doors and floors");
}

// Two adjacent double quotes read back as one character (255), a backslash before an n in a title
// as a line break, and a title's leading quote opens a quoted field: the entries take no edit
// that adds one, and what they take reads back as typed.
TEST_F(KeynoteEntryTest, AdjacentQuotesAndATitlesBackslashNOrLeadingQuoteAreRefused) {
    OpenOn("CIR,1,Footing,EA,COUNT\r\n");
    grid::PelkGridClass& g = Grid(1);
    drv::Type(W(), GLO_CIRTITLEDESC, "\"Say \"\"x\" S:\\Notes\\2024", false);
    drv::Paste(W(), GLO_CIRTITLEDESC, "\\n");
    drv::Paste(W(), GLO_CIRTITLEDESC, " \\x\"");
    EXPECT_EQ(W()[GLO_CIRTITLEDESC].Text(), "Say \"x\" S:\\otes\\2024 \\x\"");

    Edit(1, 1, 2);
    drv::Type(W(), g.EDITCTRL, "1\"\"", false);
    EXPECT_EQ(W()[g.EDITCTRL].Text(), "1\"");
    drv::Key(W(), 0, KEY_Tab); // on to the description
    drv::Key(W(), 0, KEY_Tab); // on to the unit
    ASSERT_EQ(g.CURCTRL, g.UNITCTRL);
    drv::Type(W(), g.UNITCTRL, "EA\"\"", false);
    drv::Paste(W(), g.UNITCTRL, "\"");
    EXPECT_EQ(W()[g.UNITCTRL].Text(), "EA\"");
    drv::Key(W(), 0, KEY_Tab);
    ASSERT_EQ(g.CURCTRL, g.TYPECTRL);
    drv::Type(W(), g.TYPECTRL, "\"\"CNT", false);
    EXPECT_EQ(W()[g.TYPECTRL].Text(), "\"CNT");
    drv::Key(W(), 0, KEY_CtrlEnter);

    SaveAndReopen();
    EXPECT_EQ(Rows(1), std::vector<std::string>{"0|1\"|Footing|EA\"|\"CNT"});
    EXPECT_EQ(W()[GLO_CIRTITLEDESC].Text(), "Say \"x\" S:\\otes\\2024 \\x\"");
}

TEST_F(KeynoteEntryTest, AFieldReadWithWhatTheFileCannotCarryKeepsItAndTakesNoMoreOfIt) {
    // Binary junk read into a number, a unit and a type.
    OpenOn("SET,TXTHT,Auto\r\nCIR,1\x01,Footing,e\xff,T\x02\r\n");
    grid::PelkGridClass& g = Grid(1);
    ASSERT_EQ(Rows(1), std::vector<std::string>{"0|1\x01|Footing|e\xff|T\x02"});
    Edit(1, 1, 2);
    drv::Key(W(), 0, KeyOf('5'));
    drv::Paste(W(), 0, ",");
    EXPECT_EQ(W()[g.EDITCTRL].Text(), "1\x01"
                                      "5");
    drv::Key(W(), 0, KEY_Tab);
    drv::Key(W(), 0, KEY_Tab);
    ASSERT_EQ(g.CURCTRL, g.UNITCTRL);
    drv::Key(W(), 0, KEY_End);
    drv::Key(W(), 0, KeyOf('x'));
    drv::Paste(W(), 0, "z,");
    drv::Paste(W(), 0, "\xff");
    EXPECT_EQ(W()[g.UNITCTRL].Text(), "e\xffx");
    drv::Key(W(), 0, KEY_Tab);
    ASSERT_EQ(g.CURCTRL, g.TYPECTRL);
    // What the value held may be deleted, and then it is refused as anywhere else.
    drv::Key(W(), 0, KEY_End);
    drv::Key(W(), 0, KEY_Backspace);
    drv::Key(W(), 0, KeyOf('2'));
    drv::Paste(W(), 0, "\x02");
    EXPECT_EQ(W()[g.TYPECTRL].Text(), "T2");
    drv::Key(W(), 0, KEY_CtrlEnter);
    EXPECT_EQ(Rows(1), std::vector<std::string>{"0|1\x01"
                                                "5|Footing|e\xffx|T2"});

    SaveAndReopen();
    EXPECT_EQ(drv::ReadBytes(csv), "SET,TXTHT,Auto\r\nCIR,1\x01"
                                   "5,Footing,e\xffx,T2\r\n");
}

TEST_F(KeynoteEntryTest, ADescriptionTakesWhatReadsBackAsTypedAndAPasteIsCutWhereItWouldNot) {
    OpenOn("CIR,1,Footing,EA,COUNT\r\n");
    grid::PelkGridClass& g = Grid(1);
    Edit(1, 1, 3); // the editor is made as the first edit opens
    Control& editor = W()[g.TEXTCTRL];
    // A leading double quote, a backslash before n or N (it reads back as a line break) and the
    // character 255 are refused; a double quote further on and a line break are taken.
    drv::Type(W(), g.TEXTCTRL, "\"C:\\new \\N\xff say \"hi\"", false);
    EXPECT_EQ(editor.Text(), "C:\\ew \\ say \"hi\"");
    drv::Key(W(), 0, KEY_Enter);
    drv::Paste(W(), 0, "one\ttwo");
    drv::Paste(W(), 0,
               " three\x1a"
               "four");
    drv::Paste(W(), 0, " \\nope");
    EXPECT_EQ(editor.Text(), "C:\\ew \\ say \"hi\"\r\none three \\");
    drv::Key(W(), 0, KEY_CtrlEnter);
    EXPECT_EQ(g.GetCellValue(1, 3), "C:\\ew \\ say \"hi\"\r\none three \\");

    // A deletion that would bring a double quote to the front, or join a backslash and an n, is
    // undone.
    Edit(1, 1, 3);
    drv::Type(W(), g.TEXTCTRL, "a\"b \\xn", false);
    drv::Key(W(), 0, KEY_Left);
    drv::Key(W(), 0, KEY_Backspace);
    EXPECT_EQ(editor.Text(), "a\"b \\xn");
    drv::Key(W(), 0, KEY_Home);
    drv::Key(W(), 0, KEY_Delete);
    EXPECT_EQ(editor.Text(), "a\"b \\xn");
    drv::Key(W(), 0, KEY_End);
    drv::Key(W(), 0, KEY_Backspace);
    EXPECT_EQ(editor.Text(), "a\"b \\x");
    drv::Key(W(), 0, KEY_CtrlEnter);

    SaveAndReopen();
    EXPECT_EQ(drv::ReadBytes(csv), "SET,TXTHT,Auto\r\nCIR,1,\"a\"\"b \\x\",EA,COUNT\r\n");
    EXPECT_EQ(Rows(1), std::vector<std::string>{"0|1|a\"b \\x|EA|COUNT"});
}

TEST_F(KeynoteEntryTest, ADescriptionReadFromTheFileKeepsWhatItHeldAndTakesNoMoreOfIt) {
    // Read by the reader's rules: a leading double quote (the line's quoting reads so), a bell
    // character.
    const std::string file = "SET,TXTHT,Auto\r\nCIR,1,\"\"\"Quoted\"\" text\",EA,COUNT\r\n"
                             "CIR,2,Bell\x07 rings,EA,COUNT\r\n";
    OpenOn(file);
    grid::PelkGridClass& g = Grid(1);
    const std::vector<std::string> read = {"0|1|\"\"Quoted\" text\"|EA|COUNT",
                                           "0|2|Bell\x07 rings|EA|COUNT"};
    ASSERT_EQ(Rows(1), read);
    // Opened and left unchanged, both stay as they were read.
    for (int row = 1; row <= 2; ++row) {
        Edit(1, row, 3);
        drv::Key(W(), 0, KEY_CtrlEnter);
    }
    EXPECT_EQ(Rows(1), read);
    Control& editor = W()[g.TEXTCTRL];

    // Typing goes on as in any description; a paste that adds what the file cannot carry is cut
    // there, and a deletion of what it held is taken.
    Edit(1, 1, 3);
    drv::Key(W(), 0, KEY_End);
    drv::Paste(W(), 0, " here\tand there");
    drv::Key(W(), 0, KEY_CtrlEnter);
    Edit(1, 2, 3);
    drv::Key(W(), 0, KEY_End);
    drv::Paste(W(), 0, " twice\x07");
    drv::Key(W(), 0, KEY_Home);
    for (int i = 0; i < 6; ++i)
        drv::Key(W(), 0, KEY_Delete);
    EXPECT_EQ(editor.Text(), "rings twice");
    drv::Key(W(), 0, KEY_CtrlEnter);
    EXPECT_EQ(Rows(1), (std::vector<std::string>{"0|1|\"\"Quoted\" text\" here|EA|COUNT",
                                                 "0|2|rings twice|EA|COUNT"}));
}

TEST_F(KeynoteEntryTest, ADescriptionWithLoneBreaksIsNeverCutByTheFilesLine) {
    // 99 lines of 40 letters, each ended by a lone CR, and 16 letters: as long as a note's line
    // leaves room for. The editor shows each break as one, stored as CR LF when the description
    // changes: 99 characters more than the line can carry.
    std::string held, shown;
    for (int i = 0; i < 99; ++i) {
        const std::string line(40, static_cast<char>('a' + i % 26));
        held += line + "\r";
        shown += line + "\r\n";
    }
    held += std::string(16, 'z');
    shown += std::string(16, 'z');
    OpenOn("SET,TXTHT,Auto\r\nCIR,1," + held + ",EA,COUNT\r\n");
    ASSERT_EQ(Rows(1), std::vector<std::string>{"0|1|" + held + "|EA|COUNT"});
    grid::PelkGridClass& g = Grid(1);
    // A change that would leave the line too long is refused; unchanged, the row keeps its own.
    Edit(1, 1, 3);
    Control& editor = W()[g.TEXTCTRL];
    ASSERT_EQ(editor.Text(), shown);
    drv::Key(W(), 0, KEY_Backspace);
    EXPECT_EQ(editor.Text(), shown);
    drv::Key(W(), 0, KEY_CtrlEnter);
    EXPECT_EQ(Rows(1), std::vector<std::string>{"0|1|" + held + "|EA|COUNT"});

    // Three lines deleted leave room: the rest is stored as shown and written whole.
    Edit(1, 1, 3);
    drv::Key(W(), 0, KEY_Ctrl + KEY_Home);
    for (int i = 0; i < 3 * 41; ++i)
        drv::Key(W(), 0, KEY_Shift + KEY_Right);
    drv::Key(W(), 0, KEY_Delete);
    drv::Key(W(), 0, KEY_Ctrl + KEY_End);
    drv::Key(W(), 0, KeyOf('q'));
    const std::string kept = shown.substr(3 * 42) + "q";
    EXPECT_EQ(editor.Text(), kept);
    drv::Key(W(), 0, KEY_CtrlEnter);
    SaveAndReopen();
    EXPECT_EQ(Rows(1), std::vector<std::string>{"0|1|" + kept + "|EA|COUNT"});
}
