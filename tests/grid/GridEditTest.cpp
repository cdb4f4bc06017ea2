#include "GridFixture.h"

#include <QWidget>

#include <algorithm>

using namespace gridtest;
using namespace platform::win32;

namespace {

class GridEditTest : public GridTest {
protected:
    void Edit(int row, int col) {
        OnThread([&] {
            g.SelectCell(row, col);
            g.StartEdit();
        });
    }
    QRect Geometry(int control) { return w[control].Widget()->geometry(); }
    // Opens a cell's editor as a user does: a click on the cell, then Enter.
    void Open(int row, int col) {
        ClickAt(MidX(col), MidY(row));
        OnThread([&] { g.LASTMOUSEUPCLK -= 500; }); // the next click is no double click
        drv::Key(w, HOST, KEY_Enter);
    }
    // Keys pressed one after the other in the focused control.
    void Keys(const std::vector<int>& keys) {
        for (int key : keys)
            drv::Key(w, 0, key);
    }
    void Repeat(int key, int times) {
        Keys(std::vector<int>(static_cast<std::size_t>(times), key));
    }
    std::string EditorText() { return w[g.TEXTCTRL].Text(); }
    int EditorHeight() { return Geometry(g.TEXTCTRL).height(); }
    void FillNotes(int rows) {
        OnThread([&] {
            for (int i = 1; i <= rows; ++i)
                g.AddRow("0", std::to_string(i), "note " + std::to_string(i), "ea",
                         "T" + std::to_string(i));
            for (const char* unit : {" ", "ea", "m", "sf"})
                g.AddUnit(unit);
            for (const char* type : {" ", "T1", "T2"})
                g.AddType(type);
            g.SetRedraw(1);
            g.Draw();
        });
    }
};

TEST_F(GridEditTest, EachColumnsEditorCoversItsCellAndShowsItsValue) {
    FillNotes(3);
    Edit(2, 2);
    EXPECT_EQ(g.EIPON, 1);
    EXPECT_EQ(g.CURCTRL, g.EDITCTRL);
    EXPECT_FALSE(w[g.EDITCTRL].Hidden());
    EXPECT_EQ(Geometry(g.EDITCTRL), QRect(61, 45, 60, 19)); // inside the host
    EXPECT_EQ(w[g.EDITCTRL].Text(), "2");
    EXPECT_EQ(w[g.EDITCTRL].SelStart(), 2);
    EXPECT_TRUE(w[g.EDITCTRL].HasFocus());
    drv::Key(w, 0, KEY_Esc);
    EXPECT_TRUE(w[g.EDITCTRL].Hidden());
    EXPECT_TRUE(w[HOST].HasFocus());

    Edit(2, 3);
    EXPECT_EQ(g.CURCTRL, g.TEXTCTRL);
    EXPECT_EQ(Geometry(g.TEXTCTRL), QRect(131, 55, 334, 19)); // in window pixels
    EXPECT_EQ(w[g.TEXTCTRL].Text(), "note 2");
    EXPECT_EQ(w[g.TEXTCTRL].FontName(), "Arial");
    EXPECT_EQ(w[g.TEXTCTRL].FontSize(), 7);
    EXPECT_EQ(drv::Capture(w), ControlHandle(w[g.TEXTCTRL]));
    drv::Key(w, 0, KEY_Esc);
    EXPECT_EQ(drv::Capture(w), nullptr);

    Edit(2, 4);
    EXPECT_EQ(g.CURCTRL, g.UNITCTRL);
    EXPECT_EQ(Geometry(g.UNITCTRL), QRect(455, 45, 60, 19));
    EXPECT_EQ(w[g.UNITCTRL].Text(), "ea");
    const std::vector<std::string> units = drv::Items(w, g.UNITCTRL);
    ASSERT_EQ(units.size(), 4u);
    EXPECT_EQ(units[0], "");
    EXPECT_EQ(drv::ItemHeight(w, g.UNITCTRL, 2), 16);
    drv::Key(w, 0, KEY_Esc);

    Edit(3, 5);
    EXPECT_EQ(g.CURCTRL, g.TYPECTRL);
    EXPECT_EQ(Geometry(g.TYPECTRL), QRect(515, 64, 70, 19));
    EXPECT_EQ(w[g.TYPECTRL].Text(), "T3");
    drv::Key(w, 0, KEY_Esc);
    EXPECT_EQ(g.EIPON, 0);
    EXPECT_EQ(g.GetCellValue(3, 5), "T3");
}

TEST_F(GridEditTest, DescriptionEditorFontGoesByItsWidth) {
    struct Case {
        int columnWidth;
        std::string font;
        int size;
    };
    Fill(1);
    for (const Case& c : {Case{449, "Arial", 7}, Case{450, "MS Sans Serif", 8}}) {
        OnThread([&] {
            w.SetPixels(true);
            w[HOST].SetPosition(kHostX, kHostY, c.columnWidth + 266, kHostH);
            w.SetPixels(false);
            g.Resize();
            g.SelectCell(1, 3);
            g.StartEdit();
        });
        EXPECT_EQ(Geometry(g.TEXTCTRL).width(), c.columnWidth);
        EXPECT_EQ(w[g.TEXTCTRL].FontName(), c.font);
        EXPECT_EQ(w[g.TEXTCTRL].FontSize(), c.size);
        drv::Key(w, 0, KEY_Esc);
    }
}

TEST_F(GridEditTest, TabAcceptsAndGoesOnToTheNextCellThenTheNextRowsNumber) {
    FillNotes(5);
    Edit(4, 2);
    drv::Type(w, g.EDITCTRL, "41", false);
    drv::Key(w, 0, KEY_Tab);
    EXPECT_EQ(g.GetCellValue(4, 2), "41");
    EXPECT_EQ(g.CURCTRL, g.TEXTCTRL);
    drv::Type(w, g.TEXTCTRL, "fresh", false);
    drv::Key(w, 0, KEY_Tab);
    EXPECT_EQ(g.GetCellValue(4, 3), "fresh");
    EXPECT_EQ(g.CURCTRL, g.UNITCTRL);
    drv::Type(w, g.UNITCTRL, "m", false);
    drv::Key(w, 0, KEY_Tab);
    EXPECT_EQ(g.GetCellValue(4, 4), "m");
    EXPECT_EQ(g.CURCTRL, g.TYPECTRL);
    // Only the open editor shows.
    for (int editor : {g.EDITCTRL, g.TEXTCTRL, g.UNITCTRL})
        EXPECT_FALSE(w[editor].Widget()->isVisible()) << editor;
    EXPECT_TRUE(w[g.TYPECTRL].Widget()->isVisible());
    EXPECT_EQ(g.CURROW, 4);
    drv::Key(w, 0, KEY_Tab); // row 4 is not the last: on to row 5's number
    EXPECT_EQ(g.CURROW, 5);
    EXPECT_EQ(g.CURCOL, 2);
    EXPECT_EQ(g.CURCTRL, g.EDITCTRL);
    EXPECT_EQ(g.EIPON, 1);
    drv::Key(w, 0, KEY_Esc);

    Edit(5, 5);
    drv::Key(w, 0, KEY_Tab); // the last row: the edit only ends
    EXPECT_EQ(g.EIPON, 0);
    EXPECT_EQ(g.CURROW, 5);
    EXPECT_EQ(g.CURCOL, 5);
}

TEST_F(GridEditTest, CtrlEnterStoresAndEscLeavesTheRowAsItWas) {
    FillNotes(2);
    struct Case {
        int col;
        std::string typed;
        int key;
        std::string stored;
    };
    const std::vector<Case> cases = {
        {2, "77", KEY_CtrlEnter, "77"},        {2, "88", KEY_Esc, "77"},
        {2, "123456", KEY_CtrlEnter, "12345"}, // the entry holds five characters
        {3, "new", KEY_CtrlEnter, "new"},      {3, "old", KEY_Esc, "new"},
        {4, "sf", KEY_CtrlEnter, "sf"},        {4, "xx", KEY_Esc, "sf"},
        {5, "T2", KEY_CtrlEnter, "T2"},
    };
    for (const Case& c : cases) {
        Edit(1, c.col);
        ASSERT_EQ(g.EIPON, 1);
        drv::Type(w, g.CURCTRL, c.typed, false);
        drv::Key(w, 0, c.key);
        EXPECT_EQ(g.EIPON, 0);
        EXPECT_EQ(g.GetCellValue(1, c.col), c.stored) << c.col << " " << c.typed;
        EXPECT_EQ(g.CURROW, 1);
        EXPECT_EQ(g.CURCOL, c.col);
    }
    // A stored number longer than the entry holds is stored as the entry shows it.
    OnThread([&] { (*g.QDATA)[1].SetField(grid::ColNumber, "ABCDEFGH"); });
    Edit(2, 2);
    drv::Key(w, 0, KEY_CtrlEnter);
    EXPECT_EQ(g.GetCellValue(2, 2), "ABCDE");
}

TEST_F(GridEditTest, EnterOnAMarkTogglesItWithoutAnEditor) {
    OnThread([&] {
        g.AddRow("0", "1", "", "", "");
        g.AddRow("", "2", "", "", "");
        g.SetRedraw(1);
        g.Draw();
    });
    ClickAt(MidX(1), MidY(1));
    std::vector<std::string> marks;
    for (int i = 0; i < 2; ++i) {
        drv::Key(w, HOST, KEY_Enter);
        marks.push_back(g.GetCellValue(1, 1));
        EXPECT_EQ(g.EIPON, 0);
    }
    ClickAt(MidX(1), MidY(2));
    for (int i = 0; i < 2; ++i) {
        drv::Key(w, HOST, KEY_Enter);
        marks.push_back(g.GetCellValue(2, 1));
    }
    EXPECT_EQ(marks, (std::vector<std::string>{"1", "0", "0", "1"}));
}

TEST_F(GridEditTest, TypingRewrapsTheDescriptionAndTheEditorGrowsWithIt) {
    FillNotes(3);
    Edit(1, 3);
    const std::string words = "aaaa bbbb cccc dddd eeee ffff gggg hhhh iiii jjjj kkkk llll mmmm";
    drv::Type(w, g.TEXTCTRL, words, false);
    const std::string wrapped =
        "aaaa bbbb cccc dddd eeee ffff gggg hhhh iiii jjjj kkkk llll\r\nmmmm";
    EXPECT_EQ(w[g.TEXTCTRL].Text(), wrapped);
    EXPECT_EQ(w[g.TEXTCTRL].SelStart(), static_cast<int>(wrapped.size()) + 1);
    EXPECT_EQ(EditorHeight(), 35);
    EXPECT_EQ(g.LASTKEY, 'm');

    // Enter grows the editor by a line before the break is in the text.
    drv::Key(w, g.TEXTCTRL, KEY_Enter);
    EXPECT_EQ(EditorHeight(), 51);
    EXPECT_EQ(w[g.TEXTCTRL].Text(), wrapped + "\r\n");

    // Deleting lines never makes it lower.
    w[g.TEXTCTRL].SetSelStart(1);
    for (int i = 0; i < 3; ++i)
        drv::Key(w, g.TEXTCTRL, KEY_Delete);
    EXPECT_EQ(g.LASTKEY, 46);
    EXPECT_EQ(EditorHeight(), 51);
    drv::Key(w, 0, KEY_CtrlEnter);
    EXPECT_EQ(g.GetCellValue(1, 3), wrapped.substr(3) + "\r\n");

    // The next edit starts at the row's drawn height again.
    Edit(2, 3);
    EXPECT_EQ(EditorHeight(), 19);
    drv::Key(w, g.TEXTCTRL, KEY_Enter);
    EXPECT_EQ(EditorHeight(), 35);
    drv::Key(w, 0, KEY_Esc);
}

TEST_F(GridEditTest, DescriptionEditorGrowingPastTheHostMovesUpAndStopsAtTheDataArea) {
    Fill(14); // 14 rows of 19 fill the area down to 302
    Edit(14, 3);
    ASSERT_EQ(Geometry(g.TEXTCTRL), QRect(131, 283, 334, 19));
    drv::Key(w, g.TEXTCTRL, KEY_Enter); // 35 high would end at 318, below 310
    EXPECT_EQ(Geometry(g.TEXTCTRL), QRect(131, 275, 334, 35));
    for (int i = 0; i < 20; ++i)
        drv::Key(w, g.TEXTCTRL, KEY_Enter);
    QRect r = Geometry(g.TEXTCTRL);
    EXPECT_EQ(r.top(), kGridY);
    EXPECT_EQ(r.top() + r.height(), kHostY + kHostH);
    drv::Key(w, 0, KEY_Esc);
}

TEST_F(GridEditTest, ADescriptionNeverGrowsPastItsCapacity) {
    Fill(1);
    OnThread([&] { g.SetDescCapacity(64); });
    Edit(1, 3);
    const std::string word(10, 'w');
    std::string typed;
    for (int i = 0; i < 7; ++i)
        typed += word + " ";
    drv::Type(w, g.TEXTCTRL, typed, false);
    const std::string text = w[g.TEXTCTRL].Text();
    EXPECT_LE(text.size(), 64u);
    EXPECT_GE(text.size(), 60u);
    // What was refused is refused whole: nothing behind the caret was cut.
    EXPECT_EQ(w[g.TEXTCTRL].SelStart(), static_cast<int>(text.size()) + 1);
    drv::Key(w, g.TEXTCTRL, KEY_Enter);
    EXPECT_LE(w[g.TEXTCTRL].Text().size(), 64u);
    drv::Key(w, 0, KEY_CtrlEnter);
    EXPECT_EQ(g.GetCellValue(1, 3).substr(0, 10), word);

    // Text put there other than by typing is held to the capacity when it is stored.
    Edit(1, 3);
    w[g.TEXTCTRL].SetText(std::string(100, 'p'));
    drv::Key(w, 0, KEY_CtrlEnter);
    EXPECT_EQ(g.GetCellValue(1, 3), std::string(64, 'p'));
}

TEST_F(GridEditTest, TheOwnersRuleForADescriptionIsKeptLikeItsCapacity) {
    Fill(1);
    // The owner counts a comma as two characters.
    auto fits = [](const std::string& d, const std::string&) {
        return d.size() + static_cast<std::size_t>(std::count(d.begin(), d.end(), ',')) <= 12;
    };
    OnThread([&] { g.DescriptionFits = fits; });
    Edit(1, 3);
    drv::Type(w, g.TEXTCTRL, "ab,cd,efghijk", false);
    EXPECT_EQ(w[g.TEXTCTRL].Text(), "ab,cd,efgh");
    drv::Key(w, g.TEXTCTRL, KEY_Enter); // a line break would break the rule too
    EXPECT_EQ(w[g.TEXTCTRL].Text(), "ab,cd,efgh");
    drv::Key(w, 0, KEY_CtrlEnter);
    EXPECT_EQ(g.GetCellValue(1, 3), "ab,cd,efgh");

    // Pasted text is cut to the longest start the rule keeps, never inside a line break.
    Edit(1, 3);
    w[g.TEXTCTRL].SetText(",,,,,,,,");
    drv::Key(w, 0, KEY_CtrlEnter);
    EXPECT_EQ(g.GetCellValue(1, 3), ",,,,,,");
    Edit(1, 3);
    w[g.TEXTCTRL].SetText("abcdefghijk\r\nxy");
    drv::Key(w, 0, KEY_CtrlEnter);
    EXPECT_EQ(g.GetCellValue(1, 3), "abcdefghijk");
}

TEST_F(GridEditTest, OnlyWhatAChangeBringsIsHeldToTheOwnersRule) {
    // The owner counts digits and a leading comma as faults: a change may not add any, while
    // a description that has some (read from a file, say) keeps them and can still be edited.
    auto faults = [](const std::string& d) {
        return std::count_if(d.begin(), d.end(), [](char c) { return c >= '0' && c <= '9'; }) +
               (!d.empty() && d[0] == ',' ? 1 : 0);
    };
    OnThread([&] {
        g.DescriptionFits = [faults](const std::string& d, const std::string& before) {
            return faults(d) <= faults(before);
        };
    });
    Fill({"a,b 7"});
    Edit(1, 3);
    // A paste inside the text is cut where it breaks the rule; the text behind it stays.
    for (int i = 0; i < 3; ++i)
        drv::Key(w, 0, KEY_Left);
    drv::Paste(w, 0, "xy1z");
    EXPECT_EQ(w[g.TEXTCTRL].Text(), "a,xyb 7");
    drv::Key(w, 0, KEY_End);
    drv::Key(w, 0, KeyOf('8'));
    drv::Key(w, 0, KeyOf('x'));
    EXPECT_EQ(w[g.TEXTCTRL].Text(), "a,xyb 7x");
    // A deletion that breaks it is undone.
    drv::Key(w, 0, KEY_Home);
    drv::Key(w, 0, KEY_Delete);
    EXPECT_EQ(w[g.TEXTCTRL].Text(), "a,xyb 7x");
    drv::Key(w, 0, KEY_CtrlEnter);
    EXPECT_EQ(g.GetCellValue(1, 3), "a,xyb 7x");
}

TEST_F(GridEditTest, AChoiceInAComboKeepsItOpenUntilTheEditIsAccepted) {
    FillNotes(2);
    Edit(2, 4);
    drv::Choose(w, g.UNITCTRL, 3); // "m"
    EXPECT_EQ(g.EIPON, 1);
    EXPECT_FALSE(w[g.UNITCTRL].Hidden());
    EXPECT_EQ(g.GetCellValue(2, 4), "ea");
    drv::Key(w, 0, KEY_Tab);
    EXPECT_EQ(g.GetCellValue(2, 4), "m");
    EXPECT_EQ(g.CURCTRL, g.TYPECTRL);
    drv::Choose(w, g.TYPECTRL, 2); // "T1"
    drv::Key(w, 0, KEY_CtrlEnter);
    EXPECT_EQ(g.GetCellValue(2, 5), "T1");
}

TEST_F(GridEditTest, ClickOutsideTheDescriptionEditorOnlyEndsTheEdit) {
    FillNotes(3);
    Edit(1, 3);
    drv::Type(w, g.TEXTCTRL, "typed", false);
    // A button of the window: the editor holds the capture, so the click only ends the edit.
    drv::Click(w, OK);
    EXPECT_EQ(g.EIPON, 0);
    EXPECT_EQ(g.GetCellValue(1, 3), "typed");
    EXPECT_TRUE(host.accepted.empty());
    drv::Click(w, OK);
    EXPECT_EQ(host.accepted, std::vector<std::string>{std::to_string(OK)});

    // A cell of the grid: the edit ends and the click selects it.
    Edit(1, 3);
    ClickAt(MidX(2), MidY(3));
    EXPECT_EQ(g.EIPON, 0);
    EXPECT_EQ(g.CURROW, 3);
    EXPECT_EQ(g.CURCOL, 2);
    // A click inside the editor stays with it.
    Edit(1, 3);
    QRect r = Geometry(g.TEXTCTRL);
    ClickAt(r.x() + 5, r.y() + 5);
    EXPECT_EQ(g.EIPON, 1);
    drv::Key(w, 0, KEY_Esc);
}

TEST_F(GridEditTest, FocusOnAnotherControlAcceptsTheEdit) {
    FillNotes(2);
    Edit(2, 2);
    drv::Type(w, g.EDITCTRL, "9", false);
    drv::Type(w, OTHER, "x", false);
    EXPECT_EQ(g.EIPON, 0);
    EXPECT_EQ(g.GetCellValue(2, 2), "9");
}

TEST_F(GridEditTest, StartEditOnARowThatDoesNotExistDoesNothing) {
    Fill(2);
    OnThread([&] {
        g.CURROW = 7;
        g.CURCOL = 2;
        g.StartEdit();
    });
    EXPECT_EQ(g.EIPON, 0);
    EXPECT_EQ(g.FIRSTPOINTER, 1);
    EXPECT_TRUE(w[g.EDITCTRL].Hidden());
}

TEST_F(GridEditTest, AnOpenEditStoresIntoItsOwnRowWhateverMovesMeanwhile) {
    FillNotes(20);
    // The wheel over another row moves nothing while the description is open.
    Open(1, 3);
    ASSERT_EQ(g.CURCTRL, g.TEXTCTRL);
    drv::Type(w, g.TEXTCTRL, "typed", false);
    drv::Wheel(w, MidX(3), MidY(4), -120);
    drv::Wheel(w, MidX(3), MidY(4), -120);
    EXPECT_EQ(g.CURROW, 1);
    drv::Key(w, 0, KEY_CtrlEnter);
    EXPECT_EQ(g.GetCellValue(1, 3), "typed");
    EXPECT_EQ(g.GetCellValue(2, 3), "note 2");
    EXPECT_EQ(g.GetCellValue(3, 3), "note 3");

    // The same over the unit combo.
    Open(2, 4);
    ASSERT_EQ(g.CURCTRL, g.UNITCTRL);
    drv::Type(w, g.UNITCTRL, "sf", false);
    drv::Wheel(w, MidX(3), MidY(5), 120);
    drv::Key(w, 0, KEY_CtrlEnter);
    EXPECT_EQ(g.GetCellValue(2, 4), "sf");
    EXPECT_EQ(g.GetCellValue(1, 4), "ea");

    // The number entry holds no capture: the scroll bar can take its row out of view, and the
    // accept still stores into it and selects it again.
    Open(1, 2);
    ASSERT_EQ(g.CURCTRL, g.EDITCTRL);
    drv::Type(w, g.EDITCTRL, "99", false);
    for (int i = 0; i < 3; ++i) {
        QPoint page = At(QStyle::SC_ScrollBarAddPage);
        ClickAt(page.x(), page.y());
    }
    ASSERT_GT(g.FIRSTPOINTER, 1);
    drv::Key(w, g.EDITCTRL, KEY_CtrlEnter);
    EXPECT_EQ(g.GetCellValue(1, 2), "99");
    EXPECT_EQ(Order(), "99 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20");

    // Rows that move while an edit is still open (a drag begun over it): the edit is stored
    // into its own row first, and that row moves with it.
    OnThread([&] { g.EnsureVisible(1); });
    Open(3, 2);
    drv::Type(w, g.EDITCTRL, "33", false);
    OnThread([&] { g.MoveRow(3, 1); });
    EXPECT_EQ(g.EIPON, 0);
    EXPECT_EQ(Order(), "33 99 2 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20");
}

TEST_F(GridEditTest, AtCapacityTypingOverASelectionAndDeletingThatFitsAreTaken) {
    Fill(1);
    OnThread([&] { g.SetDescCapacity(30); });
    Open(1, 3);
    drv::Type(w, g.TEXTCTRL, "abcdefghij klmnopqrst uvwxyz12", false);
    ASSERT_EQ(EditorText().size(), 30u);
    drv::Key(w, 0, 'Q'); // one more would not fit
    EXPECT_EQ(EditorText(), "abcdefghij klmnopqrst uvwxyz12");
    // Typed over three selected characters the text grows shorter: taken.
    Repeat(KEY_Shift + KEY_Left, 3);
    drv::Key(w, 0, 'Q');
    EXPECT_EQ(EditorText(), "abcdefghij klmnopqrst uvwxyq");
    EXPECT_EQ(w[g.TEXTCTRL].SelStart(), 29);
    drv::Key(w, 0, KEY_CtrlEnter);
    EXPECT_EQ(g.GetCellValue(1, 3), "abcdefghij klmnopqrst uvwxyq");
}

TEST_F(GridEditTest, ADeletionWhoseRewrapWouldPassTheCapacityIsRefused) {
    // Joining the two full lines carries "b" x 60 and the blank of the join into the last line:
    // 126 characters, one more than the 125 the description may hold.
    const std::string text = std::string(60, 'a') + "\r\n" + std::string(60, 'b') + "\r\nc";
    OnThread([&] {
        g.AddRow("0", "1", text, "", "");
        g.SetRedraw(1);
        g.Draw();
        g.SetDescCapacity(125);
    });
    Open(1, 3);
    drv::Key(w, 0, KEY_Ctrl + KEY_Home);
    Repeat(KEY_Right, 60);
    drv::Key(w, 0, KEY_Delete); // at the end of line 1
    EXPECT_EQ(EditorText(), text);
    drv::Key(w, 0, KEY_Right);
    drv::Key(w, 0, KEY_Backspace); // at the start of line 2
    EXPECT_EQ(EditorText(), text);
    drv::Key(w, 0, KEY_CtrlEnter);
    EXPECT_EQ(g.GetCellValue(1, 3), text); // the "c" included

    // A deletion that fits is taken.
    Open(1, 3);
    drv::Key(w, 0, KEY_Ctrl + KEY_Home);
    drv::Key(w, 0, KEY_Delete);
    drv::Key(w, 0, KEY_CtrlEnter);
    EXPECT_EQ(g.GetCellValue(1, 3), text.substr(1));
}

TEST_F(GridEditTest, APasteKeepsWhatFitsAndNothingRefusedTakesTheSelectionAway) {
    // At the capacity a paste keeps as much of itself as fits; the text behind it stays.
    Fill({"head tail"});
    OnThread([&] { g.SetDescCapacity(20); });
    Open(1, 3);
    drv::Key(w, 0, KEY_Home);
    Repeat(KEY_Right, 5);
    drv::Paste(w, 0, "0123456789ABCDEF");
    EXPECT_EQ(EditorText(), "head 0123456789Atail");
    EXPECT_EQ(w[g.TEXTCTRL].SelStart(), 17);
    drv::Key(w, 0, KEY_CtrlEnter);
    EXPECT_EQ(g.GetCellValue(1, 3), "head 0123456789Atail");

    // The owner's rule lets no digit be added. Over a selection a typed digit is refused whole,
    // and so is a paste of which nothing can be taken: the selected text stays. A paste that
    // can be cut replaces the selection with what it keeps.
    OnThread([&] {
        g.DescriptionFits = [](const std::string& d, const std::string& before) {
            auto digits = [](const std::string& t) {
                return std::count_if(t.begin(), t.end(),
                                     [](char c) { return c >= '0' && c <= '9'; });
            };
            return digits(d) <= digits(before);
        };
    });
    Open(1, 3);
    Repeat(KEY_Shift + KEY_Left, 4);
    drv::Key(w, 0, KeyOf('7'));
    EXPECT_EQ(EditorText(), "head 0123456789Atail");
    EXPECT_EQ(w[g.TEXTCTRL].SelStart(), 17);
    Repeat(KEY_Shift + KEY_Right, 4);
    drv::Paste(w, 0, "12");
    EXPECT_EQ(EditorText(), "head 0123456789Atail");
    Repeat(KEY_Shift + KEY_Left, 4);
    drv::Paste(w, 0, "ab3");
    EXPECT_EQ(EditorText(), "head 0123456789Aab");
    drv::Key(w, 0, KEY_CtrlEnter);
    EXPECT_EQ(g.GetCellValue(1, 3), "head 0123456789Aab");
}

TEST_F(GridEditTest, OpeningAndAcceptingADescriptionNeverChangesIt) {
    const std::vector<std::string> descriptions = {
        "lone\rCR",
        "lone\nLF",
        "one\r\ntwo\rthree\nfour\r\n",
        std::string(70, 'w'),
    };
    Fill(descriptions);
    for (int row = 1; row <= 4; ++row) {
        Open(row, 3);
        ASSERT_EQ(g.CURCTRL, g.TEXTCTRL);
        drv::Key(w, 0, KEY_CtrlEnter);
        EXPECT_EQ(g.GetCellValue(row, 3), descriptions[static_cast<std::size_t>(row) - 1]) << row;
        // A click elsewhere accepts it as well.
        Open(row, 3);
        ClickAt(MidX(2), MidY(row));
        EXPECT_EQ(g.EIPON, 0);
        EXPECT_EQ(g.GetCellValue(row, 3), descriptions[static_cast<std::size_t>(row) - 1]) << row;
    }
    // What the user types is stored as the editor holds it.
    Open(1, 3);
    drv::Key(w, 0, 'Z');
    drv::Key(w, 0, KEY_CtrlEnter);
    EXPECT_EQ(g.GetCellValue(1, 3), "lone\r\nCRz");
}

TEST_F(GridEditTest, ADescriptionWithLoneBreaksIsStoredAsShownAndNeverCut) {
    // 100 lines of 49 letters, each ended by a lone CR or LF: 5000 characters, which the editor
    // shows as 5100, each break as CR LF.
    std::string held, shown;
    for (int i = 0; i < 100; ++i) {
        const std::string line(49, static_cast<char>('a' + i % 26));
        held += line + (i % 2 ? "\n" : "\r");
        shown += line + "\r\n";
    }
    Fill({held});
    Open(1, 3);
    ASSERT_EQ(EditorText(), shown);
    // A change that stored as shown would pass the capacity is refused; accepted unchanged, the
    // description stays as the row held it.
    drv::Key(w, 0, KEY_Backspace);
    drv::Key(w, 0, KeyOf('q'));
    drv::Paste(w, 0, "pasted");
    EXPECT_EQ(EditorText(), shown);
    drv::Key(w, 0, KEY_CtrlEnter);
    EXPECT_EQ(g.GetCellValue(1, 3), held);

    // A paste over a block that leaves room is taken; then the text is at its capacity as
    // stored, and is stored as shown, to its end.
    Open(1, 3);
    drv::Key(w, 0, KEY_Ctrl + KEY_Home);
    Repeat(KEY_Shift + KEY_Right, 100); // two lines and their breaks
    drv::Paste(w, 0, "XY");
    const std::string pasted = "XY" + shown.substr(102);
    EXPECT_EQ(EditorText(), pasted);
    drv::Key(w, 0, KEY_Ctrl + KEY_End);
    drv::Key(w, 0, KeyOf('q'));
    EXPECT_EQ(EditorText(), pasted);
    drv::Key(w, 0, KEY_Backspace); // the last line break
    drv::Key(w, 0, KeyOf('q'));
    drv::Key(w, 0, KEY_CtrlEnter);
    EXPECT_EQ(g.GetCellValue(1, 3), pasted.substr(0, 4998) + "q");
}

TEST_F(GridEditTest, TypedLettersLandAtTheCaretAfterTheJoinOfAnEarlierLine) {
    // The first line is longer than the wrap width (as a file may hold it): the first key
    // rewraps it and joins its rest to the line being typed in.
    OnThread([&] {
        g.WRAPSIZE = 10;
        g.AddRow("0", "1", "aaaa bbbb cccc\r\nxy", "", "");
        g.SetRedraw(1);
        g.Draw();
    });
    Open(1, 3);
    drv::Key(w, 0, KEY_Left); // between x and y
    drv::Key(w, 0, 'Q');
    drv::Key(w, 0, 'R');
    EXPECT_EQ(EditorText(), "aaaa bbbb\r\ncccc xqry");
    drv::Key(w, 0, KEY_CtrlEnter);
    EXPECT_EQ(g.GetCellValue(1, 3), "aaaa bbbb\r\ncccc xqry");
}

} // namespace
