#include "grid/GridShared.h"
#include "grid/PelkGridClass.h"
#include "grid/TextLines.h"
#include "platform/text/Text.h"

#include <limits>

namespace grid {

using namespace platform::win32;

namespace {
// The description editor's font goes by its width.
constexpr int kWideEditor = 450;
constexpr int kComboHeight = 19;
} // namespace

void PelkGridClass::StartEdit() {
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
        CURCTRL = EDITCTRL;
        entry.SetSelStart(static_cast<int>(entry.Text().size()) + 1);
        break;
    }
    case 3: {
        platform::Control& text = Ctrl(TEXTCTRL);
        text.SetPosition(col.X1, row.Y1, col.X2 - col.X1, row.Y2 - row.Y1);
        text.SetText(row.V3);
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
        CURCTRL = TEXTCTRL;
        editText_ = text.Text();
        editCaret_ = static_cast<std::int32_t>(editText_.size());
        text.SetSelStart(editCaret_ + 1);
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
    if (CURROW >= 1 && CURROW <= Records()) {
        RowRecord& row = (*QDATA)[static_cast<std::size_t>(CURROW - 1)];
        switch (CURCOL) {
        case 1:
            row.V1 = platform::Equal(row.V1, "0") ? "1" : "0";
            break;
        case 2:
            window_->Update(EDITCTRL);
            row.V2 = platform::Cut(EDITVALUE, kCellWidth);
            break;
        case 3: {
            // Text that reached the editor other than by typing (pasted) is held to the
            // same capacity and rule as typed text.
            std::int32_t caret = editCaret_;
            row.V3 = TakenDescription(
                platform::Cut(Ctrl(TEXTCTRL).Text(), static_cast<std::size_t>(DESCCAPACITY)), caret,
                false);
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
    EIPON = 0;
    Draw();
    ValidateRgn(HCLIENTWND, HDRAWRGN);
}

void PelkGridClass::RewrapText() {
    if (CURCOL != 3)
        return;
    platform::Control& editor = Ctrl(TEXTCTRL);
    const std::string shown = editor.Text();
    std::int32_t caret = editor.SelStart() - 1;
    std::string text = TakenDescription(platform::Cut(shown, kDescWidth), caret, true);
    if (text != shown) {
        editor.SetText(text);
        editor.SetSelStart(caret + 1);
    }
    editText_ = std::move(text);
    editCaret_ = caret;
    FitTextEditor(0);
}

// Whether a character typed at the caret would make the rewrapped description longer than the
// editor may hold; such a character is refused, so that nothing behind the caret is lost.
bool PelkGridClass::WouldOverflow(WPARAM character) {
    platform::Control& editor = Ctrl(TEXTCTRL);
    std::string text = editor.Text();
    std::size_t caret = static_cast<std::size_t>(std::max(0, editor.SelStart() - 1));
    caret = std::min(caret, text.size());
    if (character == '\b')
        return false;
    if (character == '\r' || character == '\n')
        text.insert(caret, "\r\n");
    else if ((character >= 32 && character < 256) || character == '\t')
        text.insert(caret, 1, static_cast<char>(character));
    else
        return false;
    std::int32_t at = static_cast<std::int32_t>(caret);
    WrapDescription(text, std::numeric_limits<std::int32_t>::max(), WRAPSIZE, at);
    return text.size() > static_cast<std::size_t>(DESCCAPACITY) ||
           (DescriptionFits && !DescriptionFits(text, editor.Text()));
}

// What the description editor's text comes to after a change since it was last taken (rewrapped
// when asked), with its caret: the whole text when the owner's rule takes it; otherwise what the
// change inserted is cut where it would break the rule (a line break is never cut in half), and
// when the change breaks it by what it removed, the text as last taken comes back.
std::string PelkGridClass::TakenDescription(const std::string& text, std::int32_t& caret,
                                            bool rewrap) const {
    auto wrapped = [&](std::string t, std::int32_t& at) {
        if (rewrap)
            WrapDescription(t, static_cast<std::int32_t>(kDescWidth) + 1, WRAPSIZE, at);
        return t;
    };
    auto keeps = [&](const std::string& t) {
        return !DescriptionFits || DescriptionFits(t, editText_);
    };
    std::int32_t at = caret;
    std::string whole = wrapped(text, at);
    if (text == editText_ || keeps(whole)) {
        caret = at;
        return whole;
    }
    // The change replaced what lies between the text's common start and end with the text as
    // last taken.
    const std::string& before = editText_;
    std::size_t start = 0;
    while (start < text.size() && start < before.size() && text[start] == before[start])
        ++start;
    std::size_t end = 0;
    while (end < text.size() - start && end < before.size() - start &&
           text[text.size() - 1 - end] == before[before.size() - 1 - end])
        ++end;
    const std::string_view inserted(text.data() + start, text.size() - start - end);
    auto candidate = [&](std::size_t kept, std::int32_t& where) {
        where = static_cast<std::int32_t>(start + kept);
        return wrapped(text.substr(0, start + kept) + text.substr(text.size() - end), where);
    };
    std::string taken = candidate(0, at);
    if (!keeps(taken)) {
        caret = editCaret_;
        return before;
    }
    std::size_t low = 0, high = inserted.size(); // `low` characters keep the rule, `high` not
    while (high - low > 1) {
        const std::size_t mid = low + (high - low) / 2;
        std::int32_t where = 0;
        if (keeps(candidate(mid, where)))
            low = mid;
        else
            high = mid;
    }
    if (low > 0 && inserted[low - 1] == '\r' && low < inserted.size() && inserted[low] == '\n')
        --low;
    taken = candidate(low, at);
    caret = at;
    return taken;
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
