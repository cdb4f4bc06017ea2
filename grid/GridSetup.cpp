#include "grid/GridShared.h"
#include "grid/PelkGridClass.h"
#include "platform/runtime/Runtime.h"
#include "platform/text/Text.h"
#include "platform/ui/Keys.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace grid {

using namespace platform::win32;
using platform::ControlDef;
using platform::ControlKind;

namespace detail {
SharedObjects& Shared() {
    static SharedObjects shared;
    return shared;
}
} // namespace detail

std::string ChoiceQueue::Cell(int row, int column) const {
    if (column != 1 || row < 1 || row > Count())
        return std::string();
    return items[static_cast<std::size_t>(row - 1)];
}

void ChoiceQueue::Insert(const std::string& text) {
    std::string choice = platform::Cut(text, kCellWidth);
    // After every equal choice, as a sorted add keeps the order of arrival among equals.
    auto at = std::upper_bound(
        items.begin(), items.end(), choice,
        [](const std::string& a, const std::string& b) { return platform::Compare(a, b) < 0; });
    items.insert(at, choice);
}

void PelkGridClass::SetPixels(std::uint8_t on) {
    window_->SetPixels(on != 0);
}

std::int32_t PelkGridClass::NewControl(const ControlDef& def) {
    int highest = 0;
    for (platform::Control* c : window_->Controls())
        highest = std::max(highest, c->Number());
    ControlDef d = def;
    d.number = highest + 1;
    window_->Create(d);
    return d.number;
}

void PelkGridClass::Setup(std::int32_t host, std::int32_t wrapSize, std::int32_t descSize) {
    window_ = platform::Window::Top(platform::ThisThread());
    if (!window_ || !window_->Find(host))
        throw std::logic_error("the grid's host control is not in a window of this thread");
    OLECTRL = host;
    HEADERHEIGHT = 25;
    FIRSTPOINTER = 1;
    QCOL = std::make_unique<std::vector<ColumnRecord>>();
    QDATA = std::make_unique<std::vector<RowRecord>>();
    QUNIT = std::make_unique<ChoiceQueue>();
    QTYPE = std::make_unique<ChoiceQueue>();
    HGRIDSCROLL = nullptr;
    WRAPSIZE = wrapSize;
    DESCSIZE = descSize;
    CalcLayout();
    CreateEditors();
    HWND = ControlHandle(Ctrl(OLECTRL));
    HCLIENTWND = ClientHandle(*window_);
    SetPropA(HWND, detail::kObjectProperty, this);
    SCROLLWNDPROCADDRESS = SetWindowLongA(HWND, GWL_WNDPROC, GridWindowProc);
    CreateScrollBar();

    detail::SharedObjects& shared = detail::Shared();
    if (!shared.GridFont) {
        COLORREF window = GetSysColor(COLOR_WINDOW);
        shared.GridWindowPen = CreatePen(PS_SOLID, 1, window);
        shared.GridBlackPen = CreatePen(PS_SOLID, 1, detail::kBlack);
        shared.GridRedPen = CreatePen(PS_SOLID, 1, detail::kRed);
        shared.GridWindowBrush = CreateSolidBrush(window);
        LOGFONTA font;
        font.lfHeight = 15;
        font.lfWeight = 400;
        std::strcpy(font.lfFaceName, "Arial");
        shared.GridFont = CreateFontIndirectA(&font);
    }
    ++shared.grids;
    setUp_ = true;

    platform::Control& hostControl = Ctrl(OLECTRL);
    hostControl.SetTabStop();
    for (int key : {platform::KEY_Up, platform::KEY_Down, platform::KEY_Left, platform::KEY_Right,
                    platform::KEY_Enter, platform::KEY_Apps, platform::KEY_ShiftF10})
        hostControl.AddAlert(key);

    // The columns in the order GridColumn numbers them.
    AddColumn("Not used", 60);
    AddColumn("Note #", 60);
    AddColumn("Description (" + platform::DecimalText(WRAPSIZE) + " characters per line)", -300);
    AddColumn("Unit", 60);
    AddColumn("Tally", 70);
    ExposeTable();
}

void PelkGridClass::CalcLayout() {
    SetPixels(1);
    SCROLLWIDTH = 15;
    platform::Control& host = Ctrl(OLECTRL);
    CONTROLX = host.X();
    CONTROLY = host.Y();
    CONTROLW = host.Width();
    CONTROLH = host.Height();
    GRIDX = CONTROLX + 1;
    GRIDY = CONTROLY + 1 + HEADERHEIGHT;
    GRIDW = CONTROLX + CONTROLW - GRIDX - SCROLLWIDTH;
    GRIDH = CONTROLY + CONTROLH - GRIDY - 1;
    if (HDRAWRGN)
        DeleteObject(HDRAWRGN);
    HDRAWRGN = CreateRectRgn(GRIDX, GRIDY, GRIDX + GRIDW, GRIDY + GRIDH);
    if (HGRIDSCROLL)
        SetWindowPos(HGRIDSCROLL, HWND_TOP, CONTROLW - SCROLLWIDTH, 0, SCROLLWIDTH, CONTROLH, 0);
    SetPixels(0);
}

void PelkGridClass::CreateScrollBar() {
    HGRIDSCROLL =
        CreateWindowExA(WS_EX_ACCEPTFILES, "SCROLLBAR", "", WS_CHILD | WS_CLIPCHILDREN | SBS_VERT,
                        CONTROLW - SCROLLWIDTH, 0, SCROLLWIDTH, CONTROLH, HWND, nullptr,
                        ApplicationInstance(), nullptr);
    ShowWindow(HGRIDSCROLL, SW_SHOWNORMAL);
    SetScroll(1, 100);
}

void PelkGridClass::CreateEditors() {
    SetPixels(1);
    const int parent = Ctrl(OLECTRL).Parent();
    auto alerts = [](platform::Control& c) {
        for (int key : {platform::KEY_Tab, platform::KEY_ShiftTab, platform::KEY_CtrlEnter,
                        platform::KEY_Esc})
            c.AddAlert(key);
    };

    ControlDef entry{ControlKind::Entry};
    entry.parent = parent;
    entry.pictureWidth = 5;
    entry.refused = RefusedCharacters;
    entry.misread = MisreadCount;
    EDITCTRL = NewControl(entry);
    Ctrl(EDITCTRL).Bind(EDITVALUE, kCellWidth);
    Ctrl(EDITCTRL).SetFillColor(detail::kEditorYellow);
    alerts(Ctrl(EDITCTRL));

    ControlDef text{ControlKind::Text};
    text.parent = parent;
    TEXTCTRL = NewControl(text);
    Ctrl(TEXTCTRL).SetFillColor(detail::kEditorYellow);
    alerts(Ctrl(TEXTCTRL));

    ControlDef combo{ControlKind::DropCombo};
    combo.parent = parent;
    combo.refused = RefusedCharacters;
    combo.misread = MisreadCount;
    UNITCTRL = NewControl(combo);
    Ctrl(UNITCTRL).SetListSource(QUNIT.get());
    Ctrl(UNITCTRL).Bind(UNITVALUE, kCellWidth);
    Ctrl(UNITCTRL).SetLineHeight(16);
    alerts(Ctrl(UNITCTRL));
    Ctrl(UNITCTRL).SetDropCount(20);

    TYPECTRL = NewControl(combo);
    Ctrl(TYPECTRL).SetListSource(QTYPE.get());
    Ctrl(TYPECTRL).Bind(TYPEVALUE, kCellWidth);
    Ctrl(TYPECTRL).SetLineHeight(16);
    alerts(Ctrl(TYPECTRL));
    Ctrl(TYPECTRL).SetDropCount(20);

    grid::HWND host = ControlHandle(Ctrl(OLECTRL));
    for (std::int32_t editor : {EDITCTRL, UNITCTRL, TYPECTRL})
        SetParent(ControlHandle(Ctrl(editor)), host);
    SetPixels(0);
}

void PelkGridClass::AddColumn(const std::string& title, std::int32_t width) {
    ColumnRecord column;
    column.NAME = platform::Cut(title, 127);
    column.W = std::abs(width);
    column.HEADERCTRL = 0;
    column.RESIZABLE = width < 0 ? 1 : 0;
    QCOL->push_back(column);
}

void PelkGridClass::LayoutColumns() {
    SetPixels(1);
    std::int32_t x = CONTROLX + 1;
    std::int32_t y = CONTROLY + 1;
    std::int32_t fixed = 0;
    for (const ColumnRecord& c : *QCOL)
        if (c.RESIZABLE == 0)
            fixed += c.W;
    for (ColumnRecord& c : *QCOL)
        if (c.RESIZABLE == 1) {
            c.W = CONTROLW - 1 - SCROLLWIDTH - fixed;
            break;
        }
    bool madeHeaders = false;
    for (ColumnRecord& c : *QCOL) {
        if (c.HEADERCTRL == 0) {
            ControlDef button{ControlKind::Button};
            button.parent = Ctrl(OLECTRL).Parent();
            c.HEADERCTRL = NewControl(button);
            madeHeaders = true;
        }
        platform::Control& header = Ctrl(c.HEADERCTRL);
        header.SetText(c.NAME);
        header.SetSkip(true);
        if (c.W < 0)
            c.W = 0;
        header.SetPosition(x, y, c.W, HEADERHEIGHT);
        header.Unhide();
        c.X1 = x;
        c.X2 = x + c.W;
        x += c.W;
    }
    SetPixels(0);
    if (madeHeaders)
        ExposeTable(); // the headers read as the table's
}

void PelkGridClass::Shutdown() {
    // The combos outlive the choice lists they show.
    if (window_ && window_->IsOpen())
        for (std::int32_t combo : {UNITCTRL, TYPECTRL})
            if (platform::Control* c = window_->Find(combo))
                c->SetListSource(nullptr);
    if (window_ && window_->IsOpen() && window_->Find(OLECTRL))
        platform::Unexpose(Ctrl(OLECTRL));
    QCOL.reset();
    QDATA.reset();
    QUNIT.reset();
    QTYPE.reset();
    detail::SharedObjects& shared = detail::Shared();
    if (setUp_) {
        setUp_ = false;
        if (--shared.grids == 0) {
            DeleteObject(shared.GridWindowPen);
            DeleteObject(shared.GridBlackPen);
            DeleteObject(shared.GridRedPen);
            DeleteObject(shared.GridWindowBrush);
            DeleteObject(shared.GridFont);
            shared = detail::SharedObjects{};
        }
    }
    if (HDRAWRGN) {
        DeleteObject(HDRAWRGN);
        HDRAWRGN = nullptr;
    }
}

} // namespace grid
