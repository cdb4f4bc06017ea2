// The keynote window reached without a mouse: the grid in the window's Tab chain and its keys
// once it has the keyboard.
#include "KeynoteFixture.h"

#include "platform/ui/Keys.h"

#include <QApplication>

using namespace keynotetest;

namespace {

// Tab from a control until the grid of a shape has the keyboard; how many Tabs it took.
int TabToGrid(Window& w, int from, int host) {
    drv::Focus(w, from);
    int tabs = 0;
    while (!w[host].HasFocus() && tabs < 40) {
        drv::Key(w, 0, KEY_Tab);
        ++tabs;
    }
    return tabs;
}

} // namespace

TEST_F(KeynoteTest, TabReachesTheGridWhoseKeysThenMoveEditMarkAndReorderNotes) {
    OpenOn(Fixture("example.csv"));
    grid::PelkGridClass& g = Grid(1);
    ASSERT_LT(TabToGrid(W(), GLO_CIRTITLEDESC, OLE1), 40) << "Tab never reaches the grid";
    EXPECT_EQ(g.ACTIVE, 1); // drawn as the grid in use
    EXPECT_NE(g.CURROW, 0);

    // The arrows move the selection as after a click.
    drv::Key(W(), OLE1, KEY_Up);
    drv::Key(W(), OLE1, KEY_Right);
    EXPECT_EQ(g.CURROW, 1);
    EXPECT_EQ(g.CURCOL, 2);
    drv::Key(W(), OLE1, KEY_Down);
    EXPECT_EQ(g.CURROW, 2);

    // Enter edits the note number; Ctrl+Enter stores it and gives the grid the keyboard back.
    drv::Key(W(), OLE1, KEY_Enter);
    ASSERT_EQ(g.EIPON, 1);
    drv::Type(W(), g.EDITCTRL, "7", false);
    drv::Key(W(), g.EDITCTRL, KEY_CtrlEnter);
    EXPECT_EQ(g.EIPON, 0);
    EXPECT_TRUE(W()[OLE1].HasFocus());
    EXPECT_EQ(Order(1), "1 7");

    // Enter on the mark cell marks or unmarks the note.
    drv::Key(W(), OLE1, KEY_Left);
    drv::Key(W(), OLE1, KEY_Enter);
    EXPECT_EQ(Rows(1)[1].substr(0, 2), "0|");
    drv::Key(W(), OLE1, KEY_Enter);
    EXPECT_EQ(Rows(1)[1].substr(0, 2), "1|");

    // Tab inside an open edit goes on to the next cell; Esc drops the edit.
    drv::Key(W(), OLE1, KEY_Up);
    drv::Key(W(), OLE1, KEY_Right);
    drv::Key(W(), OLE1, KEY_Enter);
    drv::Key(W(), g.EDITCTRL, KEY_Tab);
    EXPECT_EQ(g.CURCOL, 3);
    EXPECT_EQ(g.EIPON, 1);
    drv::Key(W(), g.TEXTCTRL, KEY_Esc);
    EXPECT_TRUE(W()[OLE1].HasFocus());

    // Tab out of the grid goes on to the next control, Shift+Tab comes back; the row buttons
    // reorder the selected note from the keyboard.
    drv::Key(W(), OLE1, KEY_Tab);
    EXPECT_FALSE(W()[OLE1].HasFocus());
    EXPECT_EQ(g.ACTIVE, 0);
    drv::Key(W(), 0, KEY_ShiftTab);
    EXPECT_TRUE(W()[OLE1].HasFocus());
    drv::Focus(W(), MOVEDOWN);
    drv::Key(W(), MOVEDOWN, KEY_Space);
    EXPECT_EQ(Order(1), "7 1");
}

// The grid of another tab is in the chain too; its column headers are no stops of their own.
TEST_F(KeynoteTest, EveryShownGridIsATabStopAndItsHeadersAreNot) {
    OpenOn(Fixture("example.csv"));
    drv::Choose(W(), CURRENTTAB, 2);
    ASSERT_LT(TabToGrid(W(), GLO_HEXTITLEDESC, OLE2), 40);
    EXPECT_EQ(Grid(2).ACTIVE, 1);
    for (const grid::ColumnRecord& c : *Grid(2).QCOL)
        EXPECT_FALSE(W()[c.HEADERCTRL].Widget()->focusPolicy() & Qt::TabFocus);
}
