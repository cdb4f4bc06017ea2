#include "GridFixture.h"

#include "grid/GridShared.h"

#include <QScrollBar>

using namespace gridtest;
using namespace platform::win32;

namespace {

std::vector<std::string> Titles(grid::PelkGridClass& g) {
    std::vector<std::string> out;
    for (const grid::ColumnRecord& c : *g.QCOL)
        out.push_back(c.NAME);
    return out;
}

TEST_F(GridTest, SetupBindsTheHostAndLaysOutTheDataAreaWithoutDrawing) {
    EXPECT_EQ(g.OLECTRL, HOST);
    EXPECT_EQ(g.CONTROLX, kHostX);
    EXPECT_EQ(g.CONTROLY, kHostY);
    EXPECT_EQ(g.CONTROLW, kHostW);
    EXPECT_EQ(g.CONTROLH, kHostH);
    EXPECT_EQ(g.GRIDX, kGridX);
    EXPECT_EQ(g.GRIDY, kGridY);
    EXPECT_EQ(g.GRIDW, kGridW);
    EXPECT_EQ(g.GRIDH, kGridH);
    EXPECT_EQ(g.FIRSTPOINTER, 1);
    EXPECT_EQ(g.REDRAW, 0);
    EXPECT_EQ(g.EIPON, 0);
    EXPECT_EQ(g.WRAPSIZE, 60);
    EXPECT_EQ(g.DESCSIZE, 62);
    EXPECT_EQ(Titles(g),
              (std::vector<std::string>{"Not used", "Note #",
                                        "Description (60 characters per line)", "Unit", "Tally"}));
    // A grid set up and not yet drawn has no header buttons and has no selection; its bar
    // shows 1 to 100 at 1. (The first grid has drawn already: its host was painted.)
    std::vector<int> headers;
    SCROLLINFO before;
    std::vector<int> state;
    OnThread([&] {
        host.second.Setup(HOST2, 60, 62);
        host.withSecond = true;
        for (const grid::ColumnRecord& c : *host.second.QCOL)
            headers.push_back(c.HEADERCTRL);
        before.fMask = SIF_ALL;
        GetScrollInfo(host.second.HGRIDSCROLL, SB_CTL, &before);
        state = {host.second.CURROW, host.second.CURCOL, host.second.LASTPOINTER};
    });
    EXPECT_EQ(headers, std::vector<int>(5, 0));
    EXPECT_EQ(before.nMin, 1);
    EXPECT_EQ(before.nMax, 100);
    EXPECT_EQ(before.nPos, 1);
    EXPECT_EQ(state, (std::vector<int>{0, 0, 0}));

    // The host carries the grid and its procedure. The editors come when they are first
    // needed, hidden, the entry and the combos inside the host window; made once.
    HWND hostWindow = ControlHandle(w[HOST]);
    EXPECT_EQ(GetPropA(hostWindow, grid::detail::kObjectProperty), &g);
    EXPECT_NE(g.SCROLLWNDPROCADDRESS, nullptr);
    EXPECT_EQ(g.EDITCTRL, 0);
    std::vector<int> made;
    OnThread([&] {
        g.CreateEditors();
        made = {g.EDITCTRL, g.TEXTCTRL, g.UNITCTRL, g.TYPECTRL};
        g.CreateEditors();
    });
    EXPECT_EQ(made, (std::vector<int>{g.EDITCTRL, g.TEXTCTRL, g.UNITCTRL, g.TYPECTRL}));
    for (int editor : {g.EDITCTRL, g.TEXTCTRL, g.UNITCTRL, g.TYPECTRL}) {
        ASSERT_NE(w.Find(editor), nullptr);
        EXPECT_TRUE(w[editor].Hidden());
        for (int key : {KEY_Tab, KEY_CtrlEnter, KEY_Esc})
            EXPECT_TRUE(w[editor].Alerted(key));
    }
    EXPECT_EQ(w[g.EDITCTRL].Widget()->parentWidget(), w[HOST].Widget());
    EXPECT_EQ(w[g.UNITCTRL].Widget()->parentWidget(), w[HOST].Widget());
    EXPECT_NE(w[g.TEXTCTRL].Widget()->parentWidget(), w[HOST].Widget());
    EXPECT_EQ(w[g.EDITCTRL].FillColor(), 0xA9FFFF);
    EXPECT_EQ(w[g.TEXTCTRL].FillColor(), 0xA9FFFF);
    for (int key : {KEY_Up, KEY_Down, KEY_Left, KEY_Right, KEY_Enter})
        EXPECT_TRUE(w[HOST].Alerted(key));

    // The scroll bar runs down the host's right side.
    auto* bar = w[HOST].Widget()->findChild<QScrollBar*>();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->geometry(), QRect(kHostW - 15, 0, 15, kHostH));
}

TEST_F(GridTest, FirstDrawingMakesAndPlacesTheHeaderButtons) {
    Fill(3);
    const int x1[] = {11, 71, 131, 465, 525};
    const int width[] = {60, 60, 334, 60, 70};
    for (int c = 0; c < 5; ++c) {
        const grid::ColumnRecord& col = (*g.QCOL)[static_cast<std::size_t>(c)];
        ASSERT_NE(col.HEADERCTRL, 0);
        Control& header = w[col.HEADERCTRL];
        EXPECT_EQ(header.Text(), col.NAME);
        EXPECT_TRUE(header.Skip());
        EXPECT_FALSE(header.Hidden());
        w.SetPixels(true);
        EXPECT_EQ(header.X(), x1[c]) << c;
        EXPECT_EQ(header.Y(), kHostY + 1);
        EXPECT_EQ(header.Width(), width[c]) << c;
        EXPECT_EQ(header.Height(), 25);
        w.SetPixels(false);
        EXPECT_EQ(col.X1, x1[c]);
        EXPECT_EQ(col.X2, x1[c] + width[c]);
    }
    // A click on a header changes nothing.
    int before = g.CURCOL;
    drv::Click(w, (*g.QCOL)[3].HEADERCTRL);
    EXPECT_EQ(g.CURCOL, before);
}

TEST_F(GridTest, NarrowHostLeavesTheDescriptionNoWidthAndResizeMovesTheBarAtOnce) {
    Fill(2);
    OnThread([&] {
        w.SetPixels(true);
        w[HOST].SetPosition(kHostX, kHostY, 250, kHostH);
        w.SetPixels(false);
        g.Resize();
    });
    auto* bar = w[HOST].Widget()->findChild<QScrollBar*>();
    EXPECT_EQ(bar->geometry(), QRect(250 - 15, 0, 15, kHostH));
    EXPECT_EQ((*g.QCOL)[2].W, 0);
    EXPECT_EQ((*g.QCOL)[3].X1, (*g.QCOL)[1].X2); // unit follows the number at once
    w.SetPixels(true);
    EXPECT_EQ(w[(*g.QCOL)[2].HEADERCTRL].Width(), 0);
    w.SetPixels(false);
}

TEST_F(GridTest, WrapWidthNamesTheDescriptionColumn) {
    OnThread([&] {
        host.second.Setup(HOST2, 45, 62);
        host.withSecond = true;
    });
    EXPECT_EQ((*host.second.QCOL)[2].NAME, "Description (45 characters per line)");
    EXPECT_EQ((*host.second.QCOL)[2].RESIZABLE, 1);
}

TEST_F(GridTest, AllGridsShareOneSetOfDrawingObjectsUntilTheLastShutsDown) {
    grid::detail::SharedObjects& shared = grid::detail::Shared();
    auto font = shared.GridFont;
    ASSERT_NE(font, nullptr);
    OnThread([&] {
        host.second.Setup(HOST2, 60, 62);
        host.withSecond = true;
    });
    EXPECT_EQ(shared.GridFont, font);
    EXPECT_EQ(shared.grids, 2);
    OnThread([&] { g.Shutdown(); });
    EXPECT_EQ(g.QDATA, nullptr);
    EXPECT_EQ(shared.GridFont, font);
    // The one left still draws with them.
    OnThread([&] {
        host.second.AddRow("1", "7", "text", "", "");
        host.second.Draw();
    });
    EXPECT_EQ(Pixel(kGridX + 59, 330 + 26 + 10), 0x000000u); // a column line
    OnThread([&] { host.second.Shutdown(); });
    EXPECT_EQ(shared.GridFont, nullptr);
    EXPECT_EQ(shared.grids, 0);
    EXPECT_FALSE(DeleteObject(font)); // already released
    // Painting a grid that is shut down does nothing until its host goes.
    w[HOST].Widget()->update();
    drv::Settle();
}

} // namespace
