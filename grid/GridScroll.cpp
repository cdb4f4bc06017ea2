#include "grid/GridShared.h"
#include "grid/PelkGridClass.h"

namespace grid {

using namespace platform::win32;

void PelkGridClass::HitTest(std::int32_t x, std::int32_t y, std::int32_t& row, std::int32_t& col) {
    row = 0;
    col = 0;
    // Rows share their boundary line: the later row wins it. Columns share theirs: the earlier
    // column wins.
    for (std::int32_t r = FIRSTPOINTER; r <= LASTPOINTER; ++r) {
        if (r < 1 || r > Records())
            continue;
        const RowRecord& rec = (*QDATA)[static_cast<std::size_t>(r - 1)];
        if (rec.Y1 > y || rec.Y2 < y)
            continue;
        std::int32_t c = ColMark;
        for (const ColumnRecord& column : *QCOL) {
            if (column.X1 <= x && x <= column.X2) {
                row = r;
                col = c;
                break;
            }
            ++c;
        }
    }
}

void PelkGridClass::SelectCell(std::int32_t row, std::int32_t col) {
    if (CURROW != 0 && CURCOL != 0)
        DrawCell(CURROW, CURCOL, 0, 0);
    if (row == -1)
        row = 1;
    if (col == -1)
        col = CURCOL != 0 ? CURCOL : ColMark;
    if (row != 0 && col != 0) {
        CURROW = row;
        CURCOL = col;
        DrawCell(
            CURROW, CURCOL, static_cast<std::int32_t>(detail::kWhite),
            static_cast<std::int32_t>(ACTIVE == 1 ? detail::kNavy : GetSysColor(COLOR_HIGHLIGHT)));
    }
    SetScroll(FIRSTPOINTER, Records());
    Announce(platform::TableChange::Selection);
}

void PelkGridClass::EnsureVisible(std::int32_t row) {
    // A row that does not exist has no place to scroll to.
    if (row < 1 || row > Records())
        return;
    if (row < FIRSTPOINTER) {
        FIRSTPOINTER = row;
        Draw();
    }
    const RowRecord& rec = (*QDATA)[static_cast<std::size_t>(row - 1)];
    if (rec.INCOMPLETESHOW == 0 && row <= LASTPOINTER)
        return;
    if (FIRSTPOINTER == row && FIRSTPOINTER == LASTPOINTER)
        return;
    // Past the last row nothing more can come into view.
    if (FIRSTPOINTER >= Records())
        return;

    // The rows scroll up one at a time until the row is shown whole, or stands at the top. Only
    // where that ends is drawn: the first row is the lowest from which the row still fits whole
    // (its bottom above the area's), but one further than now at least and the row itself at
    // most.
    const std::int32_t next = FIRSTPOINTER + 1;
    std::int32_t first = row + 1;
    if (!QCOL->empty()) {
        std::int32_t height = 0;
        while (first > next) {
            const std::int32_t h = RowHeight((*QDATA)[static_cast<std::size_t>(first - 2)]);
            if (height + h >= GRIDH)
                break;
            height += h;
            --first;
        }
    } else if (GRIDY + GRIDH > 0) {
        first = next; // rows without cells take no room: the next drawing shows them all
    }
    first = std::min(first, row);

    // The selection goes with the scroll as each drawing on the way would have taken it: onto
    // the rows shown by the first step, then along with the top row.
    if (CURROW > LastRowShownFrom(next))
        CURROW = LastRowShownFrom(next);
    else if (CURROW < next)
        CURROW = next;
    FIRSTPOINTER = first;
    Draw();
}

void PelkGridClass::SelectPrevRow() {
    if (CURROW > 1) {
        std::int32_t r = CURROW - 1;
        EnsureVisible(r);
        SelectCell(r, -1);
    }
}

void PelkGridClass::SelectNextRow() {
    if (CURROW < Records()) {
        std::int32_t r = CURROW + 1;
        EnsureVisible(r);
        SelectCell(r, -1);
    }
}

void PelkGridClass::ScrollToPos() {
    if (Records() == 0)
        return;
    std::int32_t before = FIRSTPOINTER;
    if (VSCROLLPOS < 1)
        VSCROLLPOS = 1;
    FIRSTPOINTER = std::min(VSCROLLPOS, Records());
    if (FIRSTPOINTER != before)
        Draw();
}

void PelkGridClass::GetScrollPos(std::int32_t& pos, std::int32_t& max, std::uint8_t track) {
    SCROLLINFO info;
    info.fMask = SIF_ALL;
    GetScrollInfo(HGRIDSCROLL, SB_CTL, &info);
    pos = track == 1 ? info.nTrackPos : info.nPos;
    max = info.nMax;
    VSCROLLPOS = pos;
}

void PelkGridClass::SetScroll(std::int32_t pos, std::int32_t max) {
    SCROLLINFO info;
    info.fMask = SIF_RANGE | SIF_POS;
    info.nMin = 1;
    info.nMax = max;
    info.nPos = std::min(pos, max);
    SetScrollInfo(HGRIDSCROLL, SB_CTL, &info, TRUE);
    VSCROLLPOS = pos;
}

} // namespace grid
