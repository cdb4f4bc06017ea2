#include "GridFixture.h"

#include "grid/GridShared.h"
#include "platform/win32/Win32.h"

#include <QImage>

using namespace gridtest;
using namespace platform::win32;

namespace {

const COLORREF kWindow = GetSysColor(COLOR_WINDOW);

struct Place {
    int y1, y2, cut;
    bool operator==(const Place&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Place& p) {
    return os << p.y1 << ".." << p.y2 << (p.cut ? " cut" : "");
}
Place PlaceOf(grid::PelkGridClass& g, int row) {
    const grid::RowRecord& r = (*g.QDATA)[static_cast<std::size_t>(row - 1)];
    return {r.Y1, r.Y2, r.INCOMPLETESHOW};
}

TEST_F(GridTest, RowsAreAsHighAsTheirTallestCellAndShareTheirBoundaryLines) {
    Fill({"", "a\r\nb\r\nc", "x\r\n", "one"});
    EXPECT_EQ(PlaceOf(g, 1), (Place{36, 55, 0}));
    EXPECT_EQ(PlaceOf(g, 2), (Place{55, 106, 0}));  // three lines: 51
    EXPECT_EQ(PlaceOf(g, 3), (Place{106, 141, 0})); // a last, empty line after CR LF
    EXPECT_EQ(PlaceOf(g, 4), (Place{141, 160, 0}));
    EXPECT_EQ(g.LASTPOINTER, 4);

    // Each row's bottom line is black across the data area; the pixel above it is not.
    for (int y : {55, 106, 141, 160}) {
        EXPECT_EQ(Pixel(kGridX, y), 0x000000u) << y;
        EXPECT_EQ(Pixel(300, y), 0x000000u) << y;
        EXPECT_EQ(Pixel(kGridX + kGridW - 1, y), 0x000000u) << y;
        EXPECT_EQ(Pixel(300, y - 1), kWindow) << y;
    }
    // Each column's right-hand pixel column is its line, down to the area's bottom.
    for (int x : {70, 130, 464, 524, 594}) {
        EXPECT_EQ(Pixel(x, kGridY), 0x000000u) << x;
        EXPECT_EQ(Pixel(x, kGridY + kGridH - 1), 0x000000u) << x;
        EXPECT_EQ(Pixel(x + 1, 200), kWindow) << x;
    }
    // Nothing below the area is painted by the grid.
    EXPECT_NE(Pixel(70, kGridY + kGridH), 0x000000u);
}

TEST_F(GridTest, RowThatReachesTheBottomIsCutAndEndsTheDrawing) {
    struct Case {
        const char* name;
        std::vector<std::string> descriptions;
        int last;
        Place lastPlace;
    };
    // 14 rows of 19 fit in the 273 pixels; the 15th runs over. A 5-line first row and ten
    // more end exactly on the bottom edge.
    std::vector<std::string> over(20, "");
    std::vector<std::string> exact(12, "");
    exact[0] = "1\r\n2\r\n3\r\n4\r\n5";
    std::string tall;
    for (int i = 0; i < 30; ++i)
        tall += "line\r\n";
    const std::vector<Case> cases = {
        {"over", over, 15, {302, 309, 1}},
        {"exact", exact, 11, {290, 309, 1}},
        {"tall", {tall, ""}, 1, {36, 309, 1}},
    };
    for (const Case& c : cases) {
        OnThread([&] { g.FreeRows(); });
        Fill(c.descriptions);
        EXPECT_EQ(g.LASTPOINTER, c.last) << c.name;
        EXPECT_EQ(PlaceOf(g, c.last), c.lastPlace) << c.name;
        if (c.last > 1) {
            EXPECT_EQ(PlaceOf(g, c.last - 1).cut, 0) << c.name;
        }
    }
}

TEST_F(GridTest, MarkBoxStandsInTheMiddleOfItsCellWithACrossWhenMarked) {
    struct Case {
        std::string mark;
        bool cross;
    };
    const std::vector<Case> cases = {
        {"1", true}, {"x", true}, {"0", false}, {"0 ", false}, {"", false}};
    OnThread([&] {
        for (const Case& c : cases)
            g.AddRow(c.mark, "n", "", "", "");
        g.AddRow("1", "n", "", "", "");
        g.SetRedraw(1);
        g.Draw();
        g.SelectCell(6, 3); // away from the marks, which the selection would colour around
    });
    // The box of a 60-pixel column starting at 11 stands 24 in: 35 to 46 across.
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const int top = PlaceOf(g, static_cast<int>(i) + 1).y1;
        const int L = 35, T = top + 4;
        for (auto [x, y] : {std::pair{L, T}, {L + 11, T}, {L, T + 11}, {L + 11, T + 11}})
            EXPECT_EQ(Pixel(x, y), 0x000000u) << cases[i].mark << " " << x << "," << y;
        EXPECT_EQ(Pixel(L - 1, T + 5), kWindow);
        EXPECT_EQ(Pixel(L + 12, T + 5), kWindow);
        const COLORREF inside = cases[i].cross ? 0x0000FFu : kWindow;
        for (auto [x, y] :
             {std::pair{L + 2, T + 2}, {L + 6, T + 6}, {L + 9, T + 2}, {L + 2, T + 9}})
            EXPECT_EQ(Pixel(x, y), inside) << "'" << cases[i].mark << "' " << x << "," << y;
        EXPECT_EQ(Pixel(L + 1, T + 1), kWindow) << cases[i].mark;
    }

    // A column 61 pixels wide: the half is cut, and the box stands 24 in as well.
    OnThread([&] {
        HDC dc = GetDC(g.HCLIENTWND);
        std::int32_t bottom = 400;
        g.DrawCellText(dc, 100, 350, 1, 0, "1", bottom, 161);
        ReleaseDC(g.HCLIENTWND, dc);
        EXPECT_EQ(bottom, 368);
    });
    EXPECT_EQ(Pixel(124, 354), 0x000000u);
    EXPECT_EQ(Pixel(123, 354), kWindow);
    EXPECT_EQ(Pixel(135, 354), 0x000000u);

    // A cell from 0 to 11: the exact left edge -0.5 is cut toward zero to 0, not to -1.
    OnThread([&] {
        HDC dc = GetDC(g.HCLIENTWND);
        std::int32_t bottom = 400;
        g.DrawCellText(dc, 0, 350, 1, 0, "0", bottom, 11);
        ReleaseDC(g.HCLIENTWND, dc);
    });
    EXPECT_EQ(Pixel(0, 360), 0x000000u);
    EXPECT_EQ(Pixel(1, 360), kWindow);
}

TEST_F(GridTest, SelectedCellIsWhiteOnNavyWhileActiveAndOnTheHighlightWhenNot) {
    Fill({"first", "second"});
    // The first drawing selects row 1 in column 1; the grid is not active yet.
    EXPECT_EQ(g.CURROW, 1);
    EXPECT_EQ(g.CURCOL, 1);
    EXPECT_EQ(g.ACTIVE, 0);
    const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
    EXPECT_EQ(Pixel(14, 40), highlight);
    EXPECT_EQ(Pixel(36, 41), kWindow); // the mark box keeps its colours

    // A click on a cell activates the grid and selects it; the old cell is plain again.
    ClickAt(MidX(3), MidY(2));
    EXPECT_EQ(g.ACTIVE, 1);
    EXPECT_EQ(g.CURROW, 2);
    EXPECT_EQ(g.CURCOL, 3);
    EXPECT_EQ(Pixel(14, 40), kWindow);
    const int y1 = PlaceOf(g, 2).y1, y2 = PlaceOf(g, 2).y2;
    EXPECT_EQ(Pixel(kColX1[3], y1 + 1), grid::detail::kNavy);
    EXPECT_EQ(Pixel(kColX2[3] - 2, y2 - 1), grid::detail::kNavy);
    EXPECT_EQ(Pixel(kColX2[3] - 1, y1 + 5), 0x000000u); // the column line stays
    EXPECT_EQ(Pixel(kColX1[3] + 5, y1), 0x000000u);     // so does the line above
    EXPECT_EQ(Pixel(kColX1[3] + 5, y2), 0x000000u);     // and the one under it
    bool white = false;
    for (int x = kColX1[3]; x < kColX1[3] + 40; ++x)
        for (int y = y1 + 2; y < y2; ++y)
            white = white || Pixel(x, y) == 0xFFFFFFu;
    EXPECT_TRUE(white) << "the text is white";

    // The focus moving to another control makes the selection inactive.
    drv::Click(w, OK);
    EXPECT_EQ(g.ACTIVE, 0);
    EXPECT_EQ(Pixel(kColX1[3], y1 + 1), highlight);
}

TEST_F(GridTest, AnEmptyGridSelectsNoRowAndAGridScrolledPastItsRowsPaintsNothing) {
    // However often an empty grid draws, no row is selected.
    std::vector<int> rows;
    OnThread([&] {
        grid::PelkGridClass& fresh = host.second;
        fresh.Setup(HOST2, 60, 62);
        host.withSecond = true;
        fresh.SetRedraw(1);
        for (int i = 0; i < 3; ++i) {
            fresh.Draw();
            rows.push_back(fresh.CURROW);
        }
        rows.push_back(fresh.LASTPOINTER);
        // Rows emptied away leave none selected either.
        g.AddRow("0", "1", "", "", "");
        g.SetRedraw(1);
        g.Draw();
        rows.push_back(g.CURROW);
        g.FreeRows();
        rows.push_back(g.CURROW);
    });
    EXPECT_EQ(rows, (std::vector<int>{0, 0, 0, 0, 1, 0}));

    Fill(3);
    EXPECT_EQ(g.LASTPOINTER, 3);
    OnThread([&] {
        g.FIRSTPOINTER = 9;
        g.Draw();
    });
    EXPECT_EQ(g.LASTPOINTER, 3);
    EXPECT_EQ(Pixel(300, kGridY + 19), kWindow);
    EXPECT_EQ(Pixel(70, kGridY + 10), 0x000000u); // the column lines still stand
}

TEST_F(GridTest, TextIsClippedAtItsColumnAndTheAreaBottom) {
    OnThread([&] {
        g.AddRow("0", std::string(20, 'W'), "", "", "");
        g.SetRedraw(1);
        g.Draw();
        g.SelectCell(1, 5);
    });
    int ink = 0;
    for (int x = 71; x < 131; ++x)
        for (int y = 38; y < 54; ++y)
            ink += Pixel(x, y) != kWindow;
    EXPECT_GT(ink, 0);
    for (int x = 131; x < 200; ++x)
        for (int y = 37; y < 55; ++y)
            ASSERT_EQ(Pixel(x, y), kWindow) << x << "," << y;
}

TEST_F(GridTest, MeasureTextCountsOneLineAndOneMorePerCarriageReturn) {
    struct Case {
        std::string text;
        int height;
    };
    for (const Case& c :
         std::vector<Case>{{"", 16}, {"abc", 16}, {"a\r\nb", 32}, {"a\r\n", 32}, {"\r\r\r", 64}}) {
        std::int32_t width = -1, height = 0;
        grid::PelkGridClass::MeasureText(c.text, width, height);
        EXPECT_EQ(height, c.height) << c.text;
        EXPECT_EQ(width, 0);
    }
}

} // namespace

// On a screen with two device pixels to a window pixel (CTest runs the grid's tests once more at
// scale factor 2) the grid draws at the screen's resolution: the surface has every device pixel,
// lines stand where they stand at ratio 1, whole window pixels wide, and text has detail finer
// than a window pixel, which the same text drawn at ratio 1 and doubled cannot have.
TEST_F(GridTest, DrawsTextAtTheScreensResolutionWithTheSameGeometry) {
    const qreal ratio = w.ClientWidget()->devicePixelRatioF();
    if (ratio < 2)
        GTEST_SKIP() << "needs a screen of device pixel ratio 2 (QT_SCALE_FACTOR=2)";
    Fill({"Footing with dowels, see detail 4"});
    const QImage surface = win32::SurfaceCopy(w);
    EXPECT_EQ(surface.devicePixelRatio(), ratio);
    EXPECT_EQ(surface.size(), w.ClientWidget()->size() * ratio);

    // The row's bottom line and a column's line, each two device pixels wide and only those.
    const grid::RowRecord& row = g.QDATA->at(0);
    const QColor black(Qt::black);
    for (int d = 0; d < 2; ++d) {
        EXPECT_EQ(QColor(surface.pixel(2 * 300, 2 * row.Y2 + d)), black);
        EXPECT_EQ(QColor(surface.pixel(2 * 130 + d, 2 * 200)), black);
    }
    EXPECT_NE(QColor(surface.pixel(2 * 300, 2 * row.Y2 - 1)), black);
    EXPECT_NE(QColor(surface.pixel(2 * 131, 2 * 200)), black);

    // The description's text: some 2 by 2 blocks of device pixels are not one colour.
    int finer = 0;
    for (int y = row.Y1 + 1; y < row.Y2 - 1; ++y)
        for (int x = kColX1[3] + 2; x < kColX2[3] - 2; ++x) {
            const QRgb a = surface.pixel(2 * x, 2 * y);
            if (surface.pixel(2 * x + 1, 2 * y) != a || surface.pixel(2 * x, 2 * y + 1) != a ||
                surface.pixel(2 * x + 1, 2 * y + 1) != a)
                ++finer;
        }
    EXPECT_GT(finer, 20);
}
