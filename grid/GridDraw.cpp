#include "grid/GridShared.h"
#include "grid/PelkGridClass.h"
#include "grid/TextLines.h"
#include "platform/text/Text.h"

#include <algorithm>

namespace grid {

using namespace platform::win32;

namespace {
// Row geometry: a text line is 16 pixels, the first 2 below the row's top, its text 1 right of
// the column's edge; a mark box is 12 square, 4 below the top, and its cell counts 18.
constexpr int kLineHeight = 16;
constexpr int kTextTop = 2;
constexpr int kTextLeft = 1;
constexpr int kMarkSize = 12;
constexpr int kMarkTop = 4;
constexpr int kMarkCell = 18;
constexpr std::int32_t kDrawLineWidth = 255;
} // namespace

void PelkGridClass::Draw() {
    LayoutColumns();
    detail::SharedObjects& shared = detail::Shared();
    HDC dc = GetDC(HCLIENTWND);
    SelectClipRgn(dc, HDRAWRGN);
    DrawRect(dc, GRIDX, GRIDY, GRIDX + GRIDW, GRIDY + GRIDH, shared.GridWindowBrush,
             shared.GridWindowPen);
    std::int32_t x = GRIDX;
    for (const ColumnRecord& c : *QCOL) {
        DrawLine(dc, x + c.W - 1, GRIDY, x + c.W - 1, GRIDY + GRIDH, shared.GridBlackPen);
        x += c.W;
    }

    const std::int32_t areaBottom = GRIDY + GRIDH;
    std::int32_t top = GRIDY;
    const std::int32_t rows = Records();
    for (std::int32_t r = FIRSTPOINTER; r >= 1 && r <= rows; ++r) {
        RowRecord& row = (*QDATA)[static_cast<std::size_t>(r - 1)];
        std::int32_t bottom = 0;
        std::int32_t c = ColMark;
        for (const ColumnRecord& column : *QCOL) {
            std::int32_t cellBottom = areaBottom;
            DrawCellText(dc, column.X1, top, c == ColMark ? 1 : 0, 0, row.Field(c), cellBottom,
                         column.X2);
            SelectClipRgn(dc, HDRAWRGN);
            bottom = std::max(bottom, cellBottom);
            ++c;
        }
        row.Y1 = top;
        if (bottom < areaBottom) {
            row.Y2 = bottom;
            row.INCOMPLETESHOW = 0;
        } else {
            row.Y2 = areaBottom;
            row.INCOMPLETESHOW = 1;
        }
        DrawLine(dc, GRIDX, bottom, GRIDX + GRIDW, bottom, shared.GridBlackPen);
        top = bottom;
        LASTPOINTER = r;
        if (bottom >= areaBottom)
            break;
    }
    ReleaseDC(HCLIENTWND, dc);

    // CURROW goes to 0 first so that the selection does not repaint a cell that is off the
    // screen. A grid without rows has no row to select: CURROW stays 0 however often it draws.
    if (Records() == 0) {
        CURROW = 0;
        SelectCell(0, -1);
    } else if (CURROW > LASTPOINTER) {
        CURROW = 0;
        SelectCell(LASTPOINTER, -1);
    } else if (CURROW < FIRSTPOINTER) {
        CURROW = 0;
        SelectCell(FIRSTPOINTER, -1);
    } else {
        SelectCell(CURROW, -1);
    }
}

std::int32_t PelkGridClass::RowHeight(const RowRecord& row) const {
    // As DrawCellText places a cell's bottom: the mark box's cell, or the text's lines.
    std::int32_t height = 0;
    const std::int32_t columns = static_cast<std::int32_t>(QCOL->size());
    for (std::int32_t c = ColMark; c <= columns; ++c) {
        const std::int32_t cell =
            c == ColMark
                ? kMarkCell
                : 3 + kLineHeight *
                          static_cast<std::int32_t>(CountLines(row.Field(c), kDrawLineWidth));
        height = std::max(height, cell);
    }
    return height;
}

std::int32_t PelkGridClass::LastRowShownFrom(std::int32_t first) const {
    // As Draw walks the rows: each starts at the bottom of the one before, and the first whose
    // bottom reaches the area's is the last drawn.
    std::int32_t last = LASTPOINTER;
    std::int32_t top = GRIDY;
    const std::int32_t areaBottom = GRIDY + GRIDH;
    const std::int32_t rows = Records();
    for (std::int32_t r = first; r >= 1 && r <= rows; ++r) {
        const std::int32_t bottom =
            QCOL->empty() ? 0 : top + RowHeight((*QDATA)[static_cast<std::size_t>(r - 1)]);
        last = r;
        if (bottom >= areaBottom)
            break;
        top = bottom;
    }
    return last;
}

void PelkGridClass::DrawCellText(HDC dc, std::int32_t x1, std::int32_t top, std::uint8_t isMark,
                                 std::int32_t textColour, std::string_view text,
                                 std::int32_t& bottom, std::int32_t x2) {
    detail::SharedObjects& shared = detail::Shared();
    TextLineQueue lines;
    if (isMark == 0)
        SplitLines(text, kDrawLineWidth, lines);
    HRGN clip = CreateRectRgn(x1, top, x2, bottom);
    SelectClipRgn(dc, clip);
    if (isMark == 1) {
        // The exact middle less half the box, cut toward zero: a whole-number division of the
        // sum alone would cut before the subtraction and land a pixel off for small sums.
        const int L = (x1 + x2 - kMarkSize) / 2;
        const int T = top + kMarkTop;
        const int R = L + kMarkSize;
        const int B = T + kMarkSize;
        DrawRect(dc, L, T, R, B, shared.GridWindowBrush, shared.GridBlackPen);
        const std::string mark = platform::Clip(text);
        if (!mark.empty() && mark != "0") {
            HPEN red = shared.GridRedPen;
            DrawLine(dc, L + 2, T + 2, R - 2, B - 2, red);
            DrawLine(dc, L + 3, T + 2, R - 2, B - 3, red);
            DrawLine(dc, L + 2, T + 3, R - 3, B - 2, red);
            DrawLine(dc, R - 3, T + 2, L + 1, B - 2, red);
            DrawLine(dc, R - 4, T + 2, L + 1, B - 3, red);
            DrawLine(dc, R - 3, T + 3, L + 2, B - 2, red);
        }
        bottom = top + kMarkCell;
    } else {
        SetBkMode(dc, TRANSPARENT);
        SelectObject(dc, shared.GridFont);
        if (textColour != 0)
            SetTextColor(dc, static_cast<COLORREF>(textColour));
        int k = 0;
        for (const std::string& line : lines) {
            std::string shown = platform::Clip(line);
            if (!shown.empty())
                TextOutA(dc, x1 + kTextLeft, top + kTextTop + kLineHeight * k, shown.c_str(),
                         static_cast<int>(shown.size()));
            ++k;
        }
        bottom = top + 3 + kLineHeight * static_cast<std::int32_t>(lines.size());
    }
    DeleteObject(clip);
}

void PelkGridClass::DrawCell(std::int32_t row, std::int32_t col, std::int32_t textColour,
                             std::int32_t background) {
    if (row < 1 || row > Records() || col < ColMark ||
        col > static_cast<std::int32_t>(QCOL->size()))
        return;
    const RowRecord& r = (*QDATA)[static_cast<std::size_t>(row - 1)];
    const ColumnRecord& c = (*QCOL)[static_cast<std::size_t>(col - 1)];
    const std::string value(r.Field(col));
    HDC dc = GetDC(HCLIENTWND);
    COLORREF colour = background == 0 ? GetSysColor(COLOR_WINDOW) : background;
    HPEN pen = MakePen(static_cast<std::int32_t>(colour));
    HBRUSH brush = MakeBrush(static_cast<std::int32_t>(colour));
    std::int32_t top = r.Y1 == GRIDY ? r.Y1 : r.Y1 + 1;
    DrawRect(dc, c.X1, top, c.X2 - 1, r.Y2, brush, pen);
    std::int32_t bottom = r.Y2;
    DrawCellText(dc, c.X1, r.Y1, col == ColMark ? 1 : 0, textColour, value, bottom, c.X2);
    ReleaseDC(HCLIENTWND, dc);
    DeleteObject(pen);
    DeleteObject(brush);
}

void PelkGridClass::MeasureText(const std::string& text, std::int32_t& width,
                                std::int32_t& height) {
    height =
        kLineHeight * static_cast<std::int32_t>(std::count(text.begin(), text.end(), '\r') + 1);
    width = 0;
}

void PelkGridClass::DrawLine(HDC dc, int x1, int y1, int x2, int y2, HPEN pen) {
    SelectObject(dc, pen);
    MoveToEx(dc, x1, y1, nullptr);
    LineTo(dc, x2, y2);
}

void PelkGridClass::DrawRect(HDC dc, int left, int top, int right, int bottom, HBRUSH brush,
                             HPEN pen) {
    SelectObject(dc, brush);
    SelectObject(dc, pen);
    Rectangle(dc, left, top, right, bottom);
}

HBRUSH PelkGridClass::MakeBrush(std::int32_t colour) {
    return CreateSolidBrush(static_cast<COLORREF>(colour));
}

HPEN PelkGridClass::MakePen(std::int32_t colour) {
    return CreatePen(PS_SOLID, 1, static_cast<COLORREF>(colour));
}

} // namespace grid
