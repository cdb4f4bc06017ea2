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
    // A grid that has been shut down only passes its host's messages on, until the host goes.
    const bool live = grid->QDATA != nullptr;
    switch (message) {
    case WM_VSCROLL:
        if (live) {
            std::int32_t track = 0, pos = 0, max = 0;
            grid->GetScrollPos(track, max, 1);
            grid->GetScrollPos(pos, max, 0);
            switch (static_cast<int>(wParam & 0xFFFF)) {
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
            grid->SetScroll(pos, grid->Records());
            grid->VSCROLLPOS = pos;
            grid->ScrollToPos();
        }
        break;
    case WM_DESTROY:
        RemovePropA(hwnd, detail::kObjectProperty);
        SetWindowLongA(hwnd, GWL_WNDPROC, previous);
        break;
    case WM_PAINT:
        if (live) {
            // The update region comes in the host's own coordinates: the data area is taken
            // into them before the two are compared.
            HRGN update = CreateRectRgn(0, 0, 0, 0);
            HRGN both = CreateRectRgn(0, 0, 0, 0);
            HRGN area = CreateRectRgn(grid->GRIDX - grid->CONTROLX, grid->GRIDY - grid->CONTROLY,
                                      grid->GRIDX - grid->CONTROLX + grid->GRIDW,
                                      grid->GRIDY - grid->CONTROLY + grid->GRIDH);
            if (GetUpdateRgn(grid->HWND, update, FALSE) != ERROR &&
                CombineRgn(both, update, area, RGN_AND) != NULLREGION) {
                grid->Draw();
                ValidateRgn(grid->HCLIENTWND, grid->HDRAWRGN);
            }
            DeleteObject(update);
            DeleteObject(both);
            DeleteObject(area);
        }
        break;
    case WM_LBUTTONDOWN:
        if (live) {
            grid->TakeMousePosition(lParam);
            platform::SetKeyCode(platform::MOUSE_Left);
            platform::Post(platform::EVENT_AlertKey, grid->OLECTRL);
        }
        break;
    case WM_RBUTTONUP:
        if (live) {
            platform::SetKeyCode(platform::MOUSE_RightUp);
            platform::Post(platform::EVENT_AlertKey, grid->OLECTRL);
        }
        break;
    case WM_LBUTTONUP:
        if (!live)
            break;
        if (grid->DRAGROW != 0) {
            grid->TakeMousePosition(lParam);
            std::int32_t row = 0, col = 0;
            grid->HitTest(grid->MOUSEX, grid->MOUSEY, row, col);
            std::int32_t from = grid->DRAGROW;
            grid->DRAGROW = 0;
            platform::SetCursor("");
            grid->MoveRow(from, row);
        } else {
            // The clock never runs back, so the difference is always the time between the two;
            // taken without a sign, a release long ago never counts as a recent one.
            const std::uint32_t now = static_cast<std::uint32_t>(platform::Clock());
            const std::uint32_t since = now - grid->LASTMOUSEUPCLK;
            if (since <= kDoubleClickTime &&
                static_cast<std::uint32_t>(lParam) == grid->LASTMOUSEUPLP) {
                platform::SetKeyCode(platform::MOUSE_Left2);
                platform::Post(platform::EVENT_AlertKey, grid->OLECTRL);
            }
            grid->LASTMOUSEUPCLK = now;
            grid->LASTMOUSEUPLP = static_cast<std::uint32_t>(lParam);
        }
        break;
    case WM_MOUSEMOVE:
        if (!live)
            break;
        if ((wParam & MK_LBUTTON) && grid->DRAGROW == 0) {
            grid->TakeMousePosition(lParam);
            std::int32_t row = 0, col = 0;
            grid->HitTest(grid->MOUSEX, grid->MOUSEY, row, col);
            if (row != grid->CURROW) {
                grid->DRAGROW = grid->CURROW;
                platform::SetCursor(platform::CURSOR_Drag);
            }
        } else if (wParam & MK_LBUTTON) {
            grid->TakeMousePosition(lParam);
            std::int32_t pos = 0, max = 0;
            if (grid->MOUSEY > grid->CONTROLY + grid->CONTROLH - kAutoscrollZone) {
                grid->GetScrollPos(pos, max, 0);
                if (pos < grid->Records()) {
                    grid->SetScroll(pos + 1, grid->Records());
                    grid->ScrollToPos();
                }
            } else if (grid->MOUSEY < grid->GRIDY) {
                grid->GetScrollPos(pos, max, 0);
                if (pos > 1) {
                    grid->SetScroll(pos - 1, grid->Records());
                    grid->ScrollToPos();
                }
            }
        } else if (grid->DRAGROW != 0) {
            grid->DRAGROW = 0;
            platform::SetCursor("");
        }
        break;
    case WM_MOUSEWHEEL:
        // While an editor is open the selection stays on its cell: the wheel moves nothing.
        if (live && grid->EIPON == 0) {
            if (High(static_cast<LPARAM>(wParam)) > 0)
                grid->SelectPrevRow();
            else
                grid->SelectNextRow();
        }
        break;
    default:
        break;
    }
    return CallWindowProcA(previous, hwnd, message, wParam, lParam);
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
        if (wParam == VK_RETURN && grid->EIPON == 1 && grid->CURCOL == 3 &&
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
    if (event == platform::EVENT_Selected) {
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
        return;
    }
    if (event == platform::EVENT_AlertKey && control == OLECTRL) {
        switch (platform::KeyCode()) {
        case platform::KEY_Enter:
        case platform::MOUSE_Left2:
            if (CURROW != 0 && CURCOL != 0 && EIPON == 0)
                StartEdit();
            break;
        case platform::MOUSE_Left: {
            if (EIPON == 1)
                AcceptEdit();
            std::int32_t row = 0, col = 0;
            HitTest(MOUSEX, MOUSEY, row, col);
            if (row == 0)
                break;
            if (row == CURROW && col == CURCOL && ACTIVE == 1)
                break;
            if (ACTIVE == 0)
                Ctrl(OLECTRL).Focus();
            ACTIVE = 1;
            SelectCell(row, col);
            break;
        }
        case platform::KEY_Up:
            SelectPrevRow();
            break;
        case platform::KEY_Down:
            SelectNextRow();
            break;
        case platform::KEY_Left:
            if (CURCOL > 1)
                SelectCell(CURROW, CURCOL - 1);
            break;
        case platform::KEY_Right:
            if (CURCOL < static_cast<std::int32_t>(QCOL->size()))
                SelectCell(CURROW, CURCOL + 1);
            break;
        case platform::MOUSE_RightUp:
        case platform::KEY_Apps:
        case platform::KEY_ShiftF10:
            switch (RowMenu(platform::KeyCode() != platform::MOUSE_RightUp)) {
            case 1:
                RowCommand(1);
                break;
            case 2:
                RowCommand(2);
                break;
            case 3:
                RowCommand(3);
                break;
            default:
                break;
            }
            break;
        default:
            break;
        }
        return;
    }
    if (event == platform::EVENT_AlertKey && editor && EIPON == 1) {
        switch (platform::KeyCode()) {
        case platform::KEY_Tab:
            AcceptEdit();
            if (CURCOL < 5) {
                SelectCell(CURROW, CURCOL + 1);
                StartEdit();
            } else if (CURCOL == 5 && CURROW < Records()) {
                SelectCell(CURROW + 1, 2);
                StartEdit();
            }
            break;
        case platform::KEY_ShiftTab:
            // Back as Tab goes on: the previous cell's editor, the row before's last one, and
            // from the first cell out of the grid, to the control before it.
            AcceptEdit();
            if (CURCOL > 2) {
                SelectCell(CURROW, CURCOL - 1);
                StartEdit();
            } else if (CURROW > 1) {
                SelectCell(CURROW - 1, 5);
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
        return;
    }
    if (event == EventEditKey) {
        if (EIPON == 1)
            RewrapText();
        return;
    }
    if (event == platform::EVENT_NewSelection && (control == UNITCTRL || control == TYPECTRL) &&
        EIPON == 1 && CURCTRL == control) {
        // Hiding a control hands its focus on; the combo takes it back, as the edit goes on. A
        // choice that reaches the grid after its edit ended (the combo commits what was typed
        // as it hides) leaves the closed editor hidden.
        platform::Control& combo = Ctrl(control);
        const bool focused = combo.HasFocus();
        combo.Hide();
        combo.Unhide();
        if (focused)
            combo.Focus();
    }
}

} // namespace grid
