#include "grid/GridShared.h"
#include "grid/PelkGridClass.h"
#include "grid/TextLines.h"
#include "platform/text/Text.h"

#include <limits>
#include <utility>

namespace grid {

using namespace platform::win32;

namespace {
// The description editor's font goes by its width.
constexpr int kWideEditor = 450;
constexpr int kComboHeight = 19;
} // namespace

void PelkGridClass::StartEdit() {
    beforeKeys_.reset();
    EnsureVisible(CURROW);
    if (CURROW < 1 || CURROW > Records() || CURCOL < 1 ||
        CURCOL > static_cast<std::int32_t>(QCOL->size()))
        return;
    const RowRecord& row = (*QDATA)[static_cast<std::size_t>(CURROW - 1)];
    const ColumnRecord& col = (*QCOL)[static_cast<std::size_t>(CURCOL - 1)];
    SetPixels(1);
    switch (CURCOL) {
    case 1:
        AcceptEdit();
        break;
    case 2: {
        platform::Control& entry = Ctrl(EDITCTRL);
        entry.SetPosition(col.X1 - CONTROLX, row.Y1 - CONTROLY, col.X2 - col.X1, row.Y2 - row.Y1);
        EDITVALUE = row.V2;
        entry.Unhide();
        window_->Display(EDITCTRL);
        entry.Focus();
        EIPON = 1;
        editRow_ = CURROW;
        CURCTRL = EDITCTRL;
        entry.SetSelStart(static_cast<int>(entry.Text().size()) + 1);
        break;
    }
    case 3: {
        platform::Control& text = Ctrl(TEXTCTRL);
        text.SetPosition(col.X1, row.Y1, col.X2 - col.X1, row.Y2 - row.Y1);
        text.SetText(row.V3);
        heldText_ = row.V3;
        shownText_ = text.Text();
        if (col.X2 - col.X1 < kWideEditor)
            text.SetFont("Arial", 7);
        else
            text.SetFont("MS Sans Serif", 8);
        grid::HWND editor = ControlHandle(text);
        DEFAULTCAPTUREHWND = SetCapture(editor);
        SetPropA(editor, detail::kObjectProperty, this);
        TEXTWNDPROCADDRESS = SetWindowLongA(editor, GWL_WNDPROC, EditorWindowProc);
        text.Unhide();
        window_->Display(TEXTCTRL);
        text.Focus();
        EIPON = 1;
        editRow_ = CURROW;
        CURCTRL = TEXTCTRL;
        text.SetSelStart(static_cast<int>(text.Text().size()) + 1);
        break;
    }
    case 4:
    case 5: {
        const bool unit = CURCOL == 4;
        const std::int32_t number = unit ? UNITCTRL : TYPECTRL;
        platform::Control& combo = Ctrl(number);
        combo.SetPosition(col.X1 - CONTROLX, row.Y1 - CONTROLY, col.X2 - col.X1, kComboHeight);
        const std::string& value = unit ? row.V4 : row.V5;
        (unit ? UNITVALUE : TYPEVALUE) = value;
        grid::HWND editor = ControlHandle(combo);
        SetPropA(editor, detail::kObjectProperty, this);
        TEXTWNDPROCADDRESS = SetWindowLongA(editor, GWL_WNDPROC, EditorWindowProc);
        combo.Unhide();
        window_->Display(number);
        combo.Focus();
        EIPON = 1;
        editRow_ = CURROW;
        CURCTRL = number;
        combo.SetSelStart(static_cast<int>(value.size()) + 1);
        break;
    }
    default:
        break;
    }
    SetPixels(0);
}

void PelkGridClass::AcceptEdit() {
    // An open editor stores into its own row; the toggle of a mark into the selected one.
    const std::int32_t target = EIPON == 1 ? editRow_ : CURROW;
    if (target >= 1 && target <= Records()) {
        RowRecord& row = (*QDATA)[static_cast<std::size_t>(target - 1)];
        switch (CURCOL) {
        case 1:
            row.V1 = platform::Equal(row.V1, "0") ? "1" : "0";
            break;
        case 2:
            window_->Update(EDITCTRL);
            row.V2 = platform::Cut(EDITVALUE, kCellWidth);
            break;
        case 3: {
            // The editor shows every line break as one, also a lone CR or LF of the row's
            // text: unchanged, the row keeps its own text. Text that reached the editor other
            // than by typing (pasted) is held to the same capacity as typed text.
            const std::string text = Ctrl(TEXTCTRL).Text();
            if (text != shownText_)
                row.V3 =
                    FittingDescription(platform::Cut(text, static_cast<std::size_t>(DESCCAPACITY)));
            else
                row.V3 = heldText_;
            break;
        }
        case 4:
            window_->Update(UNITCTRL);
            row.V4 = platform::Cut(UNITVALUE, kCellWidth);
            break;
        case 5:
            window_->Update(TYPECTRL);
            row.V5 = platform::Cut(TYPEVALUE, kCellWidth);
            break;
        default:
            break;
        }
    }
    EndEdit();
}

void PelkGridClass::CancelEdit() {
    EndEdit();
}

void PelkGridClass::EndEdit() {
    // The host takes the focus before the editor hides: a focused control that hides hands the
    // focus on to the next control, which would take it for a move of the user's.
    switch (CURCOL) {
    case 2:
        Ctrl(OLECTRL).Focus();
        Ctrl(EDITCTRL).Hide();
        break;
    case 3: {
        grid::HWND editor = ControlHandle(Ctrl(TEXTCTRL));
        if (GetPropA(editor, detail::kObjectProperty) == this) {
            RemovePropA(editor, detail::kObjectProperty);
            SetWindowLongA(editor, GWL_WNDPROC, TEXTWNDPROCADDRESS);
            ReleaseCapture();
        }
        Ctrl(OLECTRL).Focus();
        Ctrl(TEXTCTRL).Hide();
        break;
    }
    case 4:
    case 5: {
        const std::int32_t number = CURCOL == 4 ? UNITCTRL : TYPECTRL;
        grid::HWND editor = ControlHandle(Ctrl(number));
        if (GetPropA(editor, detail::kObjectProperty) == this) {
            RemovePropA(editor, detail::kObjectProperty);
            SetWindowLongA(editor, GWL_WNDPROC, TEXTWNDPROCADDRESS);
        }
        Ctrl(OLECTRL).Focus();
        Ctrl(number).Hide();
        break;
    }
    default:
        break;
    }
    DEFAULTCAPTUREHWND = nullptr;
    // The selection comes back to the edited cell, should anything have moved it meanwhile.
    if (EIPON == 1)
        CURROW = editRow_;
    EIPON = 0;
    beforeKeys_.reset();
    Draw();
    ValidateRgn(HCLIENTWND, HDRAWRGN);
}

void PelkGridClass::RewrapText() {
    if (CURCOL != 3)
        return;
    platform::Control& editor = Ctrl(TEXTCTRL);
    std::string text = editor.Text();
    std::int32_t caret = editor.SelStart() - 1;
    const bool changed =
        WrapDescription(text, std::numeric_limits<std::int32_t>::max(), WRAPSIZE, caret) != 0;
    const std::optional<EditorText> before = std::exchange(beforeKeys_, std::nullopt);
    if (before && text.size() > before->text.size() &&
        (text.size() > static_cast<std::size_t>(DESCCAPACITY) ||
         (DescriptionFits && !DescriptionFits(text)))) {
        // The keys would push the rewrapped description past what it may hold, or break the
        // owner's rule: they are refused whole (typed text, a deletion whose join adds a blank,
        // a paste), so that nothing behind the caret is ever cut off.
        editor.SetText(before->text);
        editor.SetSelStart(before->selStart);
    } else if (changed) {
        editor.SetText(text);
        editor.SetSelStart(caret + 1);
    }
    FitTextEditor(0);
}

// Keeps the description editor's text and caret before a key changes them, unless a rewrap is
// already due for earlier keys (it answers them all).
void PelkGridClass::KeepBeforeKeys() {
    if (EIPON != 1 || CURCOL != 3 || beforeKeys_)
        return;
    platform::Control& editor = Ctrl(TEXTCTRL);
    beforeKeys_ = EditorText{editor.Text(), editor.SelStart()};
}

// Whether a line break at the caret would make the rewrapped description longer than it may
// hold; the editor then does not grow ahead of a break that will be refused.
bool PelkGridClass::LineBreakWouldOverflow() {
    platform::Control& editor = Ctrl(TEXTCTRL);
    std::string text = editor.Text();
    std::size_t caret = static_cast<std::size_t>(std::max(0, editor.SelStart() - 1));
    caret = std::min(caret, text.size());
    text.insert(caret, "\r\n");
    std::int32_t at = static_cast<std::int32_t>(caret);
    WrapDescription(text, std::numeric_limits<std::int32_t>::max(), WRAPSIZE, at);
    return text.size() > static_cast<std::size_t>(DESCCAPACITY) ||
           (DescriptionFits && !DescriptionFits(text));
}

// The longest start of a description that the owner's rule keeps (a line break is never cut
// in half); the whole text when there is no rule.
std::string PelkGridClass::FittingDescription(std::string text) const {
    if (!DescriptionFits || DescriptionFits(text))
        return text;
    std::size_t low = 0, high = text.size(); // a start of `low` characters fits, `high` not
    while (high - low > 1) {
        std::size_t mid = low + (high - low) / 2;
        if (DescriptionFits(text.substr(0, mid)))
            low = mid;
        else
            high = mid;
    }
    if (low > 0 && text[low - 1] == '\r' && low < text.size() && text[low] == '\n')
        --low;
    text.resize(low);
    return text;
}

void PelkGridClass::FitTextEditor(std::uint8_t mode) {
    SetPixels(1);
    platform::Control& editor = Ctrl(TEXTCTRL);
    std::int32_t width = 0;
    std::int32_t h = 0;
    MeasureText(editor.Text(), width, h);
    if (editor.Height() <= h + 3) {
        std::int32_t newH = mode == 0 ? h + 3 : editor.Height() + 16;
        const std::int32_t bottom = CONTROLY + CONTROLH;
        std::int32_t y = editor.Y();
        if (y + newH > bottom) {
            const std::int32_t d = y + newH - bottom;
            y = y - d < GRIDY ? GRIDY : y - d;
            if (y + newH > bottom)
                newH = bottom - y;
        }
        editor.SetPosition(editor.X(), y, editor.Width(), newH);
    }
    SetPixels(0);
}

} // namespace grid
