#include "grid/GridShared.h"
#include "grid/PelkGridClass.h"
#include "platform/runtime/Runtime.h"
#include "platform/ui/Cursor.h"
#include "platform/ui/Keys.h"
#include "platform/ui/Popup.h"

namespace grid {

using namespace platform::win32;

namespace {
// Two left-button releases at most this far apart (hundredths of a second) at the same place
// make a double click.
constexpr std::int64_t kDoubleClickTime = 70;
// Dragging below this distance from the host's bottom scrolls down.
constexpr int kAutoscrollZone = 10;
constexpr int kLineStep = 1;
constexpr int kPageStep = 5;

std::int16_t Low(LPARAM l) {
    return static_cast<std::int16_t>(static_cast<std::uint32_t>(l) & 0xFFFF);
}
std::int16_t High(LPARAM l) {
    return static_cast<std::int16_t>((static_cast<std::uint32_t>(l) >> 16) & 0xFFFF);
}

PelkGridClass* GridOf(grid::HWND hwnd) {
    return static_cast<PelkGridClass*>(GetPropA(hwnd, detail::kObjectProperty));
}
} // namespace

void PelkGridClass::TakeMousePosition(LPARAM lParam) {
    MOUSEX = static_cast<std::int16_t>(Low(lParam) + CONTROLX);
    MOUSEY = static_cast<std::int16_t>(High(lParam) + CONTROLY);
}

LRESULT PelkGridClass::GridWindowProc(grid::HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    PelkGridClass* grid = GridOf(hwnd);
    if (!grid)
        return 0;
    WNDPROC previous = grid->SCROLLWNDPROCADDRESS;
    if (message == WM_DESTROY) {
        RemovePropA(hwnd, detail::kObjectProperty);
        SetWindowLongA(hwnd, GWL_WNDPROC, previous);
    } else if (grid->QDATA) {
        // A grid that has been shut down only passes its host's messages on, until the host
        // goes.
        grid->HostMessage(message, wParam, lParam);
    }
    return CallWindowProcA(previous, hwnd, message, wParam, lParam);
}

void PelkGridClass::HostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_VSCROLL:
        ScrollBarMoved(static_cast<int>(wParam & 0xFFFF));
        break;
    case WM_PAINT:
        PaintAsked();
        break;
    case WM_LBUTTONDOWN:
        TakeMousePosition(lParam);
        platform::SetKeyCode(platform::MOUSE_Left);
        platform::Post(platform::EVENT_AlertKey, OLECTRL);
        break;
    case WM_RBUTTONUP:
        platform::SetKeyCode(platform::MOUSE_RightUp);
        platform::Post(platform::EVENT_AlertKey, OLECTRL);
        break;
    case WM_LBUTTONUP:
        if (DRAGROW != 0)
            DropRow(lParam);
        else
            LeftButtonReleased(lParam);
        break;
    case WM_MOUSEMOVE:
        if ((wParam & MK_LBUTTON) && DRAGROW == 0) {
            StartDragOnLeave(lParam);
        } else if (wParam & MK_LBUTTON) {
            TakeMousePosition(lParam);
            ScrollWhileDragging();
        } else if (DRAGROW != 0) {
            DRAGROW = 0;
            platform::SetCursor("");
        }
        break;
    case WM_MOUSEWHEEL:
        // While an editor is open the selection stays on its cell: the wheel moves nothing.
        if (EIPON == 0) {
            if (High(static_cast<LPARAM>(wParam)) > 0)
                SelectPrevRow();
            else
                SelectNextRow();
        }
        break;
    default:
        break;
    }
}

// The scroll bar's code: a line or a page either way, the thumb's place when it was dragged.
void PelkGridClass::ScrollBarMoved(int code) {
    std::int32_t track = 0, pos = 0, max = 0;
    GetScrollPos(track, max, 1);
    GetScrollPos(pos, max, 0);
    switch (code) {
    case SB_LINEDOWN:
        pos += kLineStep;
        break;
    case SB_LINEUP:
        pos -= kLineStep;
        break;
    case SB_PAGEDOWN:
        pos += kPageStep;
        break;
    case SB_PAGEUP:
        pos -= kPageStep;
        break;
    case SB_ENDSCROLL:
        break;
    default:
        pos = track;
        break;
    }
    SetScroll(pos, Records());
    VSCROLLPOS = pos;
    ScrollToPos();
}

// The rows are drawn when the update region meets the data area.
void PelkGridClass::PaintAsked() {
    // The update region comes in the host's own coordinates: the data area is taken into them
    // before the two are compared.
    HRGN update = CreateRectRgn(0, 0, 0, 0);
    HRGN both = CreateRectRgn(0, 0, 0, 0);
    HRGN area = CreateRectRgn(GRIDX - CONTROLX, GRIDY - CONTROLY, GRIDX - CONTROLX + GRIDW,
                              GRIDY - CONTROLY + GRIDH);
    if (GetUpdateRgn(HWND, update, FALSE) != ERROR &&
        CombineRgn(both, update, area, RGN_AND) != NULLREGION) {
        Draw();
        ValidateRgn(HCLIENTWND, HDRAWRGN);
    }
    DeleteObject(update);
    DeleteObject(both);
    DeleteObject(area);
}

// A release that ends a drag puts the dragged row where the mouse is.
void PelkGridClass::DropRow(LPARAM lParam) {
    TakeMousePosition(lParam);
    std::int32_t row = 0, col = 0;
    HitTest(MOUSEX, MOUSEY, row, col);
    const std::int32_t from = DRAGROW;
    DRAGROW = 0;
    platform::SetCursor("");
    MoveRow(from, row);
}

// A release soon after the last one at the same place is a double click.
void PelkGridClass::LeftButtonReleased(LPARAM lParam) {
    // The clock never runs back, so the difference is always the time between the two; taken
    // without a sign, a release long ago never counts as a recent one.
    const std::uint32_t now = static_cast<std::uint32_t>(platform::Clock());
    const std::uint32_t since = now - LASTMOUSEUPCLK;
    if (since <= kDoubleClickTime && static_cast<std::uint32_t>(lParam) == LASTMOUSEUPLP) {
        platform::SetKeyCode(platform::MOUSE_Left2);
        platform::Post(platform::EVENT_AlertKey, OLECTRL);
    }
    LASTMOUSEUPCLK = now;
    LASTMOUSEUPLP = static_cast<std::uint32_t>(lParam);
}

// The left button held down over another row than the selected one drags the selected row.
void PelkGridClass::StartDragOnLeave(LPARAM lParam) {
    TakeMousePosition(lParam);
    std::int32_t row = 0, col = 0;
    HitTest(MOUSEX, MOUSEY, row, col);
    if (row != CURROW) {
        DRAGROW = CURROW;
        platform::SetCursor(platform::CURSOR_Drag);
    }
}

// A drag near the host's bottom scrolls down a row, one above the rows scrolls up a row.
void PelkGridClass::ScrollWhileDragging() {
    std::int32_t pos = 0, max = 0;
    if (MOUSEY > CONTROLY + CONTROLH - kAutoscrollZone) {
        GetScrollPos(pos, max, 0);
        if (pos < Records()) {
            SetScroll(pos + 1, Records());
            ScrollToPos();
        }
    } else if (MOUSEY < GRIDY) {
        GetScrollPos(pos, max, 0);
        if (pos > 1) {
            SetScroll(pos - 1, Records());
            ScrollToPos();
        }
    }
}

LRESULT PelkGridClass::EditorWindowProc(grid::HWND hwnd, UINT message, WPARAM wParam,
                                        LPARAM lParam) {
    PelkGridClass* grid = GridOf(hwnd);
    if (!grid)
        return 0;
    WNDPROC previous = grid->TEXTWNDPROCADDRESS;
    switch (message) {
    case WM_CHAR:
        // A typed character or Enter is taken or refused whole; a paste (Ctrl+V), a deletion
        // (Backspace, Ctrl+X) and the like are judged by what they insert and remove.
        grid->KeepBeforeKeys(wParam >= 32 || wParam == '\r' || wParam == '\n' || wParam == '\t');
        grid->LASTKEY = static_cast<std::int32_t>(wParam);
        platform::Post(EventEditKey, 0, 0, true);
        break;
    case WM_KEYUP:
        if (wParam == VK_DELETE) {
            grid->LASTKEY = static_cast<std::int32_t>(VK_DELETE);
            platform::Post(EventEditKey, 0, 0, true);
        }
        break;
    case WM_KEYDOWN:
        if (wParam == VK_DELETE)
            grid->KeepBeforeKeys(false);
        if (wParam == VK_RETURN && grid->EIPON == 1 && grid->CURCOL == ColDescription &&
            !grid->LineBreakWouldOverflow())
            grid->FitTextEditor(1);
        break;
    case WM_DESTROY:
        RemovePropA(hwnd, detail::kObjectProperty);
        SetWindowLongA(hwnd, GWL_WNDPROC, previous);
        break;
    case WM_CAPTURECHANGED:
        if (grid->EIPON == 1)
            SetCapture(ControlHandle(grid->Ctrl(grid->CURCTRL)));
        break;
    case WM_LBUTTONDOWN:
        if (grid->EIPON == 1) {
            grid->SetPixels(1);
            platform::Control& editor = grid->Ctrl(grid->CURCTRL);
            const int x = editor.X(), y = editor.Y();
            const int w = editor.Width(), h = editor.Height();
            grid->MOUSEX = static_cast<std::int16_t>(Low(lParam) + x);
            grid->MOUSEY = static_cast<std::int16_t>(High(lParam) + y);
            grid->SetPixels(0);
            if (grid->MOUSEX < x || grid->MOUSEX > x + w || grid->MOUSEY < y ||
                grid->MOUSEY > y + h) {
                platform::SetKeyCode(platform::MOUSE_Left);
                platform::Post(platform::EVENT_AlertKey, grid->OLECTRL);
            }
        } else {
            platform::SetKeyCode(platform::MOUSE_Left);
            platform::Post(platform::EVENT_AlertKey, grid->OLECTRL);
        }
        break;
    default:
        break;
    }
    return CallWindowProcA(previous, hwnd, message, wParam, lParam);
}

void PelkGridClass::OnEvent() {
    if (!QDATA)
        return;
    const int event = platform::CurrentEvent();
    const int control = platform::EventControl();
    const bool editor =
        control == EDITCTRL || control == TEXTCTRL || control == UNITCTRL || control == TYPECTRL;
    if (event == platform::EVENT_Selected)
        FocusMoved(control, editor);
    else if (event == platform::EVENT_AlertKey && control == OLECTRL)
        GridKey(platform::KeyCode());
    else if (event == platform::EVENT_AlertKey && editor && EIPON == 1)
        EditorKey(platform::KeyCode());
    else if (event == EventEditKey && EIPON == 1)
        RewrapText();
    else if (event == platform::EVENT_NewSelection &&
             (control == UNITCTRL || control == TYPECTRL) && EIPON == 1 && CURCTRL == control)
        ChoiceTaken(control);
}

// The focus came to the grid or went to a control outside it: the selection is drawn active or
// not, and an edit open when the focus left is stored.
void PelkGridClass::FocusMoved(int control, bool editor) {
    if (control == OLECTRL) {
        if (ACTIVE == 0) {
            ACTIVE = 1;
            SelectCell(CURROW, CURCOL);
        }
    } else if (!editor) {
        if (EIPON == 1)
            AcceptEdit();
        if (REDRAW == 1 && ACTIVE == 1) {
            ACTIVE = 0;
            SelectCell(CURROW, CURCOL);
        }
    }
}

// A key or a click on the grid itself.
void PelkGridClass::GridKey(int key) {
    switch (key) {
    case platform::KEY_Enter:
    case platform::MOUSE_Left2:
        if (CURROW != 0 && CURCOL != 0 && EIPON == 0)
            StartEdit();
        break;
    case platform::MOUSE_Left:
        ClickCell();
        break;
    case platform::KEY_Up:
        SelectPrevRow();
        break;
    case platform::KEY_Down:
        SelectNextRow();
        break;
    case platform::KEY_Left:
        if (CURCOL > ColMark)
            SelectCell(CURROW, CURCOL - 1);
        break;
    case platform::KEY_Right:
        if (CURCOL < static_cast<std::int32_t>(QCOL->size()))
            SelectCell(CURROW, CURCOL + 1);
        break;
    case platform::MOUSE_RightUp:
    case platform::KEY_Apps:
    case platform::KEY_ShiftF10: {
        // The menu's items are the row commands, in their order.
        const int chosen = RowMenu(key != platform::MOUSE_RightUp);
        if (chosen >= RowInsert && chosen <= RowDelete)
            RowCommand(static_cast<std::uint8_t>(chosen));
        break;
    }
    default:
        break;
    }
}

// A left press on the grid stores an open edit and selects the cell under the mouse.
void PelkGridClass::ClickCell() {
    if (EIPON == 1)
        AcceptEdit();
    std::int32_t row = 0, col = 0;
    HitTest(MOUSEX, MOUSEY, row, col);
    if (row == 0)
        return;
    if (row == CURROW && col == CURCOL && ACTIVE == 1)
        return;
    if (ACTIVE == 0)
        Ctrl(OLECTRL).Focus();
    ACTIVE = 1;
    SelectCell(row, col);
}

// A key of an open editor: Tab and Shift+Tab go on to the next or the previous cell's editor,
// Ctrl+Enter stores the edit, Esc drops it.
void PelkGridClass::EditorKey(int key) {
    switch (key) {
    case platform::KEY_Tab:
        AcceptEdit();
        if (CURCOL < ColType) {
            SelectCell(CURROW, CURCOL + 1);
            StartEdit();
        } else if (CURCOL == ColType && CURROW < Records()) {
            SelectCell(CURROW + 1, ColNumber);
            StartEdit();
        }
        break;
    case platform::KEY_ShiftTab:
        // Back as Tab goes on: the previous cell's editor, the row before's last one, and from
        // the first cell out of the grid, to the control before it.
        AcceptEdit();
        if (CURCOL > ColNumber) {
            SelectCell(CURROW, CURCOL - 1);
            StartEdit();
        } else if (CURROW > 1) {
            SelectCell(CURROW - 1, ColType);
            StartEdit();
        } else {
            NextDlgCtl(ControlHandle(Ctrl(OLECTRL)), TRUE);
        }
        break;
    case platform::KEY_CtrlEnter:
        AcceptEdit();
        break;
    case platform::KEY_Esc:
        CancelEdit();
        break;
    default:
        break;
    }
}

// A choice taken in the open unit or type combo.
void PelkGridClass::ChoiceTaken(int control) {
    // Hiding a control hands its focus on; the combo takes it back, as the edit goes on. A
    // choice that reaches the grid after its edit ended (the combo commits what was typed as it
    // hides) leaves the closed editor hidden.
    platform::Control& combo = Ctrl(control);
    const bool focused = combo.HasFocus();
    combo.Hide();
    combo.Unhide();
    if (focused)
        combo.Focus();
}

} // namespace grid
