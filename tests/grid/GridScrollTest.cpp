#include "GridFixture.h"

using namespace gridtest;
using namespace platform::win32;

namespace {

class GridScrollTest : public GridTest {
protected:
    void Press(QStyle::SubControl part) {
        QPoint p = At(part);
        ClickAt(p.x(), p.y());
    }
    int Position() {
        SCROLLINFO info;
        info.fMask = SIF_POS;
        GetScrollInfo(g.HGRIDSCROLL, SB_CTL, &info);
        return info.nPos;
    }
    void Select(int row, int col) {
        OnThread([&] { g.SelectCell(row, col); });
    }
};

TEST_F(GridScrollTest, HitTestGivesSharedLinesToTheLowerRowAndTheLeftColumn) {
    Fill(6);
    struct Case {
        int x, y, row, col;
    };
    const std::vector<Case> cases = {
        {MidX(2), kGridY, 1, 2},              // the top of row 1
        {MidX(2), kGridY + 57, 4, 2},         // the line between rows 3 and 4
        {MidX(2), kGridY + 56, 3, 2},         // just above it
        {131, MidY(2), 2, 2},                 // the right edge of column 2
        {132, MidY(2), 2, 3},                 // one further
        {11, MidY(5), 5, 1},                  // the left edge of column 1
        {10, MidY(5), 0, 0},                  // left of the grid
        {MidX(3), kGridY + 6 * 19, 6, 3},     // the last row's bottom line
        {MidX(3), kGridY + 6 * 19 + 1, 0, 0}, // below the last row
    };
    for (const Case& c : cases) {
        std::int32_t row = -1, col = -1;
        g.HitTest(c.x, c.y, row, col);
        EXPECT_EQ(row, c.row) << c.x << "," << c.y;
        EXPECT_EQ(col, c.col) << c.x << "," << c.y;
    }
    // A click below the last row leaves the selection as it was.
    ClickAt(MidX(2), MidY(3));
    ClickAt(MidX(4), kGridY + 200);
    EXPECT_EQ(g.CURROW, 3);
    EXPECT_EQ(g.CURCOL, 2);
}

TEST_F(GridScrollTest, ArrowKeysMoveTheSelectionAndStopAtTheEdges) {
    Fill(3);
    ClickAt(MidX(1), MidY(1));
    struct Step {
        int key, row, col;
    };
    const std::vector<Step> steps = {
        {KEY_Up, 1, 1},    {KEY_Left, 1, 1},  {KEY_Right, 1, 2}, {KEY_Down, 2, 2},
        {KEY_Down, 3, 2},  {KEY_Down, 3, 2},  {KEY_Right, 3, 3}, {KEY_Right, 3, 4},
        {KEY_Right, 3, 5}, {KEY_Right, 3, 5}, {KEY_Up, 2, 5},    {KEY_Left, 2, 4},
    };
    for (const Step& s : steps) {
        drv::Key(w, HOST, s.key);
        EXPECT_EQ(g.CURROW, s.row) << s.key;
        EXPECT_EQ(g.CURCOL, s.col) << s.key;
    }
}

TEST_F(GridScrollTest, SelectingACutRowScrollsItWhollyIntoView) {
    Fill(30);
    EXPECT_EQ(g.LASTPOINTER, 15);
    ClickAt(MidX(2), MidY(14));
    drv::Key(w, HOST, KEY_Down);
    EXPECT_EQ(g.CURROW, 15);
    EXPECT_EQ(g.FIRSTPOINTER, 2);
    EXPECT_EQ((*g.QDATA)[14].INCOMPLETESHOW, 0);
    EXPECT_EQ(Position(), 2);

    // Going back up past the top shows the row above at the top.
    Select(2, 2);
    drv::Key(w, HOST, KEY_Up);
    EXPECT_EQ(g.FIRSTPOINTER, 1);
    EXPECT_EQ(g.CURROW, 1);

    // A row taller than the area ends at the top, cut, as the only row shown.
    std::string tall;
    for (int i = 0; i < 30; ++i)
        tall += "line\r\n";
    OnThread([&] {
        (*g.QDATA)[19].SetField(grid::ColDescription, tall);
        g.CURROW = 20;
        g.EnsureVisible(20);
    });
    EXPECT_EQ(g.FIRSTPOINTER, 20);
    EXPECT_EQ(g.LASTPOINTER, 20);
    EXPECT_EQ((*g.QDATA)[19].INCOMPLETESHOW, 1);

    // A row that does not exist changes nothing.
    OnThread([&] { g.EnsureVisible(31); });
    EXPECT_EQ(g.FIRSTPOINTER, 20);
}

TEST_F(GridScrollTest, ScrollBarLinesAndPagesMoveTheFirstRowWithinTheRows) {
    Fill(12);
    EXPECT_EQ(Bar()->maximum(), 12);
    Press(QStyle::SC_ScrollBarAddPage);
    EXPECT_EQ(g.FIRSTPOINTER, 6);
    EXPECT_EQ(Position(), 6);
    EXPECT_EQ(g.CURROW, 6) << "the selection follows onto a drawn row";
    Press(QStyle::SC_ScrollBarSubLine);
    EXPECT_EQ(g.FIRSTPOINTER, 5);
    Press(QStyle::SC_ScrollBarSubPage);
    EXPECT_EQ(g.FIRSTPOINTER, 1); // page up from 5: row 1 at the top
    Press(QStyle::SC_ScrollBarSubPage);
    EXPECT_EQ(g.FIRSTPOINTER, 1);
    EXPECT_EQ(Position(), 1);
    for (int i = 0; i < 15; ++i)
        Press(QStyle::SC_ScrollBarAddLine);
    EXPECT_EQ(g.FIRSTPOINTER, 12); // the last row at the top
    EXPECT_EQ(Position(), 12);
    EXPECT_EQ(g.LASTPOINTER, 12);
}

TEST_F(GridScrollTest, DraggingTheThumbShowsItsRowAtTheTopWhileItMoves) {
    Fill(200);
    QPoint thumb = At(QStyle::SC_ScrollBarSlider);
    QPoint groove = At(QStyle::SC_ScrollBarGroove);
    drv::MouseDown(w, thumb.x(), thumb.y());
    drv::MouseMove(w, thumb.x(), groove.y());
    const int during = g.FIRSTPOINTER;
    EXPECT_GT(during, 60);
    EXPECT_LT(during, 140);
    EXPECT_EQ(Position(), during);
    drv::MouseUp(w, thumb.x(), groove.y());
    EXPECT_EQ(g.FIRSTPOINTER, during);
    EXPECT_EQ(Position(), during);
    EXPECT_GE(g.CURROW, during);
}

TEST_F(GridScrollTest, EachWheelMessageMovesTheSelectionOneRow) {
    Fill(5);
    Select(3, 2);
    drv::Wheel(w, MidX(3), MidY(3), -360); // three notches at once toward the user
    EXPECT_EQ(g.CURROW, 4);
    drv::Wheel(w, MidX(3), MidY(3), 120);
    drv::Wheel(w, MidX(3), MidY(3), 120);
    EXPECT_EQ(g.CURROW, 2);
    EXPECT_EQ(g.CURCOL, 2);
}

// Scrolling to a row as the grid once did: a row at a time, drawn at each step.
void ScrollRowByRow(grid::PelkGridClass& g, std::int32_t row) {
    if (row < 1 || row > g.Records())
        return;
    if (row < g.FIRSTPOINTER) {
        g.FIRSTPOINTER = row;
        g.Draw();
    }
    for (;;) {
        const grid::RowRecord& rec = (*g.QDATA)[static_cast<std::size_t>(row - 1)];
        if (rec.INCOMPLETESHOW == 0 && row <= g.LASTPOINTER)
            return;
        if (g.FIRSTPOINTER == row && g.FIRSTPOINTER == g.LASTPOINTER)
            return;
        if (g.FIRSTPOINTER >= g.Records())
            return;
        ++g.FIRSTPOINTER;
        g.Draw();
    }
}

TEST_F(GridScrollTest, ScrollingToARowEndsAsTheRowByRowScrollDid) {
    // Rows of one to four lines, two taller than the area, one with lines cut by width.
    std::vector<std::string> descriptions;
    for (int i = 1; i <= 120; ++i) {
        std::string d = "note " + std::to_string(i);
        for (int line = 1; line < 1 + (i * 7) % 4; ++line)
            d += "\r\nline " + std::to_string(line);
        descriptions.push_back(d);
    }
    std::string tall;
    for (int i = 0; i < 20; ++i)
        tall += "line\r\n";
    descriptions[59] = tall;
    descriptions[100] = tall;
    descriptions[30] = std::string(600, 'w');
    Fill(descriptions);

    struct Case {
        int first, current, row;
    };
    const std::vector<Case> cases = {
        {1, 1, 120},                  // Move Last's scroll from the top
        {1, 0, 120},                  // with nothing selected
        {1, 120, 120},                // the selection below the view
        {1, 5, 14},                   // a row just below the view
        {1, 11, 11},                  // the selected row, just below the view
        {1, 12, 12},     {1, 40, 12}, // the selection further down
        {1, 3, 60},                   // a row taller than the area
        {50, 55, 61},                 // the row after it
        {90, 2, 101},                 // the second tall row
        {1, 10, 31},                  // lines cut by width
        {40, 45, 20},                 // a row above the view
        {10, 12, 12},                 // a row already shown
        {118, 118, 120}, {1, 1, 2},
    };
    for (const Case& c : cases) {
        struct Seen {
            std::int32_t first, last, row, col;
            std::vector<grid::RowRecord> shown;
            QImage picture;
        };
        auto run = [&](bool stepwise) {
            OnThread([&] {
                g.FIRSTPOINTER = c.first;
                g.CURCOL = 2;
                g.Draw();
                g.CURROW = c.current; // where a move left it, perhaps off the view
                if (stepwise)
                    ScrollRowByRow(g, c.row);
                else
                    g.EnsureVisible(c.row);
            });
            Seen seen{g.FIRSTPOINTER, g.LASTPOINTER, g.CURROW, g.CURCOL, {}, {}};
            for (std::int32_t r = g.FIRSTPOINTER; r <= g.LASTPOINTER; ++r)
                seen.shown.push_back((*g.QDATA)[static_cast<std::size_t>(r - 1)]);
            seen.picture = w.ClientWidget()->grab().toImage();
            return seen;
        };
        const Seen expected = run(true);
        const Seen seen = run(false);
        const std::string what = std::to_string(c.first) + "/" + std::to_string(c.current) +
                                 " to row " + std::to_string(c.row);
        EXPECT_EQ(seen.first, expected.first) << what;
        EXPECT_EQ(seen.last, expected.last) << what;
        EXPECT_EQ(seen.row, expected.row) << what;
        EXPECT_EQ(seen.col, expected.col) << what;
        ASSERT_EQ(seen.shown.size(), expected.shown.size()) << what;
        for (std::size_t i = 0; i < seen.shown.size(); ++i) {
            EXPECT_EQ(seen.shown[i].Y1, expected.shown[i].Y1) << what;
            EXPECT_EQ(seen.shown[i].Y2, expected.shown[i].Y2) << what;
            EXPECT_EQ(seen.shown[i].INCOMPLETESHOW, expected.shown[i].INCOMPLETESHOW) << what;
        }
        EXPECT_TRUE(seen.picture == expected.picture) << what;
    }
}

} // namespace
