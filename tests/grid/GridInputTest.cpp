#include "GridFixture.h"

#include "platform/ui/Cursor.h"

#include <QPoint>
#include <QWidget>

using namespace gridtest;
using namespace platform::win32;

namespace {

LPARAM Packed(int x, int y) {
    return static_cast<LPARAM>((static_cast<std::uint32_t>(y & 0xFFFF) << 16) |
                               static_cast<std::uint32_t>(x & 0xFFFF));
}

class GridInputTest : public GridTest {
protected:
    // A left-button release at a point of the host, with the previous release `ago` hundredths
    // of a second before at `previous`.
    void ReleaseAfter(std::int64_t ago, QPoint previous, QPoint at) {
        OnThread([&] {
            g.LASTMOUSEUPCLK = static_cast<std::uint32_t>(platform::Clock() - ago);
            g.LASTMOUSEUPLP =
                static_cast<std::uint32_t>(Packed(previous.x() - kHostX, previous.y() - kHostY));
        });
        drv::MouseDown(w, at.x(), at.y());
        drv::MouseUp(w, at.x(), at.y());
    }
    void Send(UINT message, WPARAM wParam, int x, int y) {
        OnThread([&] {
            CallWindowProcA(grid::PelkGridClass::GridWindowProc, g.HWND, message, wParam,
                            Packed(x - kHostX, y - kHostY));
        });
    }
};

TEST_F(GridInputTest, SecondReleaseSoonAtTheSamePlaceIsADoubleClick) {
    Fill(3);
    const QPoint cell(MidX(2), MidY(2));
    struct Case {
        const char* what;
        std::int64_t ago;
        QPoint previous;
        bool opens;
    };
    const std::vector<Case> cases = {
        {"soon, same place", 50, cell, true},
        {"too late", 80, cell, false},
        {"a pixel apart", 50, cell + QPoint(1, 0), false},
        {"more than half the clock's cycle ago", 0x80000000LL + 50, cell, false},
    };
    for (const Case& c : cases) {
        ReleaseAfter(c.ago, c.previous, cell);
        EXPECT_EQ(g.EIPON == 1, c.opens) << c.what;
        EXPECT_EQ(g.CURROW, 2) << c.what;
        if (g.EIPON == 1)
            drv::Key(w, 0, KEY_Esc);
    }
    // Two real clicks in a row at one place.
    ClickAt(MidX(3), MidY(3));
    ClickAt(MidX(3), MidY(3));
    EXPECT_EQ(g.EIPON, 1);
    EXPECT_EQ(g.CURCTRL, g.TEXTCTRL);
    drv::Key(w, 0, KEY_Esc);

    // A double click on a mark toggles it.
    ClickAt(MidX(1), MidY(1));
    ClickAt(MidX(1), MidY(1));
    EXPECT_EQ(g.GetCellValue(1, 1), "1");
    EXPECT_EQ(g.EIPON, 0);
}

TEST_F(GridInputTest, SecondClickOnTheSelectedCellOfTheActiveGridChangesNothing) {
    Fill(3);
    ClickAt(MidX(4), MidY(2));
    EXPECT_EQ(g.ACTIVE, 1);
    EXPECT_TRUE(w[HOST].HasFocus());
    OnThread([&] { g.LASTMOUSEUPCLK -= 500; }); // no double click
    ClickAt(MidX(4), MidY(2));
    EXPECT_EQ(g.CURROW, 2);
    EXPECT_EQ(g.CURCOL, 4);
    EXPECT_EQ(g.EIPON, 0);
}

TEST_F(GridInputTest, DraggingARowDropsItWhereTheButtonIsReleased) {
    Fill(8);
    drv::MouseDown(w, MidX(2), MidY(3));
    EXPECT_EQ(g.CURROW, 3);
    drv::MouseMove(w, MidX(2), MidY(3) + 2); // still on the row: no drag
    EXPECT_EQ(g.DRAGROW, 0);
    drv::MouseMove(w, MidX(2), MidY(5));
    EXPECT_EQ(g.DRAGROW, 3);
    EXPECT_EQ(platform::CurrentCursor(), platform::CURSOR_Drag);
    drv::MouseMove(w, MidX(2), MidY(7));
    drv::MouseUp(w, MidX(2), MidY(7));
    EXPECT_EQ(Order(), "1 2 4 5 6 7 3 8");
    EXPECT_EQ(g.CURROW, 7);
    EXPECT_EQ(g.CURCOL, 2);
    EXPECT_EQ(g.DRAGROW, 0);
    EXPECT_EQ(platform::CurrentCursor(), "");

    // Released over the header, or below the last row, nothing moves.
    for (int y : {kHostY + 12, kGridY + 200}) {
        drv::MouseDown(w, MidX(2), MidY(2));
        drv::MouseMove(w, MidX(2), MidY(4));
        drv::MouseMove(w, MidX(2), y);
        drv::MouseUp(w, MidX(2), y);
        EXPECT_EQ(Order(), "1 2 4 5 6 7 3 8") << y;
        EXPECT_EQ(g.DRAGROW, 0);
    }

    // A move without the button (released outside the host) abandons the drag.
    drv::MouseDown(w, MidX(2), MidY(2));
    drv::MouseMove(w, MidX(2), MidY(5));
    ASSERT_EQ(g.DRAGROW, 2);
    Send(WM_MOUSEMOVE, 0, MidX(2), MidY(5));
    EXPECT_EQ(g.DRAGROW, 0);
    EXPECT_EQ(platform::CurrentCursor(), "");
    drv::MouseUp(w, MidX(2), MidY(5)); // a release without a drag drops nothing
    EXPECT_EQ(Order(), "1 2 4 5 6 7 3 8");
}

TEST_F(GridInputTest, AQuickDragMovesTheRowItStartedOn) {
    // The press selects its row before the moves that follow at once are looked at: with row 2
    // selected, a drag from row 5 moves row 5.
    Fill(8);
    ClickAt(MidX(2), MidY(2));
    ASSERT_EQ(g.CURROW, 2);
    OnThread([&] { g.LASTMOUSEUPCLK -= 500; }); // no double click
    drv::Drag(w, QPoint(MidX(2), MidY(5)), QPoint(MidX(2), MidY(7)));
    EXPECT_EQ(Order(), "1 2 3 4 6 7 5 8");
    EXPECT_EQ(g.CURROW, 7);
    EXPECT_EQ(g.DRAGROW, 0);
}

TEST_F(GridInputTest, DragNearTheEdgesScrollsOneRowPerMove) {
    Fill(20);
    drv::MouseDown(w, MidX(2), MidY(2));
    drv::MouseMove(w, MidX(2), MidY(4));
    ASSERT_EQ(g.DRAGROW, 2);
    const int zone = kHostY + kHostH - 5; // in the bottom 9 pixels
    std::vector<int> firsts;
    for (int i = 0; i < 3; ++i) {
        Send(WM_MOUSEMOVE, MK_LBUTTON, MidX(2), zone);
        firsts.push_back(g.FIRSTPOINTER);
    }
    EXPECT_EQ(firsts, (std::vector<int>{2, 3, 4}));
    // Above the zone nothing scrolls.
    Send(WM_MOUSEMOVE, MK_LBUTTON, MidX(2), kHostY + kHostH - 10);
    EXPECT_EQ(g.FIRSTPOINTER, 4);
    // Up in the header row it scrolls back.
    Send(WM_MOUSEMOVE, MK_LBUTTON, MidX(2), kGridY - 1);
    EXPECT_EQ(g.FIRSTPOINTER, 3);
    // It stops when the scroll position reaches the number of rows.
    for (int i = 0; i < 30; ++i)
        Send(WM_MOUSEMOVE, MK_LBUTTON, MidX(2), zone);
    EXPECT_EQ(g.FIRSTPOINTER, 20);
    // Dropped on the row now at the top.
    Send(WM_LBUTTONUP, 0, MidX(2), kGridY + 5);
    EXPECT_EQ(g.GetCellValue(20, 2), "2");
    drv::MouseUp(w, MidX(2), kGridY + 5);
}

TEST_F(GridInputTest, PaintOfTheDataAreaRedrawsTheGrid) {
    Fill(3);
    // Something else paints over the data area; a repaint of the host that touches the data
    // area brings the grid back. The host's repaint comes in its own coordinates.
    struct Case {
        const char* what;
        QRect update; // in the host
        bool redraws;
    };
    const std::vector<Case> cases = {
        {"inside the data area", QRect(90, 30, 10, 10), true},
        {"its first pixel rows", QRect(90, 26, 10, 3), true},
        {"the header row only", QRect(90, 2, 10, 10), false},
        {"the frame under the data area", QRect(90, 299, 10, 1), false},
    };
    for (const Case& c : cases) {
        OnThread([&] { PaintOver(g, 200, 100); });
        ASSERT_EQ(Pixel(100, kGridY + 19), 0x00FF00u);
        w[HOST].Widget()->update(c.update);
        drv::Settle();
        if (c.redraws) {
            EXPECT_EQ(Pixel(100, kGridY + 19), 0x000000u) << c.what;
            EXPECT_EQ(Pixel(100, kGridY + 10), GetSysColor(COLOR_WINDOW)) << c.what;
        } else {
            EXPECT_EQ(Pixel(100, kGridY + 19), 0x00FF00u) << c.what;
        }
    }
}

} // namespace
