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

// A description rewrapped to the wrap width with nothing cut: what it may hold is judged apart.
std::string Rewrapped(std::string text, std::int32_t width, std::int32_t& caret) {
    WrapDescription(text, std::numeric_limits<std::int32_t>::max(), width, caret);
    return text;
}
} // namespace

void PelkGridClass::StartEdit() {
    beforeKeys_.reset();
    EnsureVisible(CURROW);
    if (CURROW < 1 || CURROW > Records() || CURCOL < ColMark ||
        CURCOL > static_cast<std::int32_t>(QCOL->size()))
        return;
    const RowRecord& row = (*QDATA)[static_cast<std::size_t>(CURROW - 1)];
    const ColumnRecord& col = (*QCOL)[static_cast<std::size_t>(CURCOL - 1)];
    SetPixels(1);
    switch (CURCOL) {
    case ColMark:
        AcceptEdit();
        break;
    case ColNumber: {
        platform::Control& entry = Ctrl(EDITCTRL);
        entry.SetPosition(col.X1 - CONTROLX, row.Y1 - CONTROLY, col.X2 - col.X1, row.Y2 - row.Y1);
        EDITVALUE = row.Field(ColNumber);
        // Filled while hidden, then shown and focused at once: a screen reader hears the
        // editor come as the focus, before anything of its text or caret.
        window_->Display(EDITCTRL);
        entry.Unhide();
        entry.Focus();
        EIPON = 1;
        editRow_ = CURROW;
        CURCTRL = EDITCTRL;
        entry.SetSelStart(static_cast<int>(entry.Text().size()) + 1);
        break;
    }
    case ColDescription: {
        platform::Control& text = Ctrl(TEXTCTRL);
        text.SetPosition(col.X1, row.Y1, col.X2 - col.X1, row.Y2 - row.Y1);
        heldText_ = row.Field(ColDescription);
        text.SetText(heldText_);
        shownText_ = text.Text();
        if (col.X2 - col.X1 < kWideEditor)
            text.SetFont("Arial", 7);
        else
            text.SetFont("MS Sans Serif", 8);
        grid::HWND editor = ControlHandle(text);
        DEFAULTCAPTUREHWND = SetCapture(editor);
        SetPropA(editor, detail::kObjectProperty, this);
        TEXTWNDPROCADDRESS = SetWindowLongA(editor, GWL_WNDPROC, EditorWindowProc);
        window_->Display(TEXTCTRL);
        text.Unhide();
        text.Focus();
        EIPON = 1;
        editRow_ = CURROW;
        CURCTRL = TEXTCTRL;
        editText_ = shownText_;
        editCaret_ = static_cast<std::int32_t>(editText_.size());
        text.SetSelStart(editCaret_ + 1);
        break;
    }
    case ColUnit:
    case ColType: {
        const bool unit = CURCOL == ColUnit;
        const std::int32_t number = unit ? UNITCTRL : TYPECTRL;
        platform::Control& combo = Ctrl(number);
        combo.SetPosition(col.X1 - CONTROLX, row.Y1 - CONTROLY, col.X2 - col.X1, kComboHeight);
        std::string& value = unit ? UNITVALUE : TYPEVALUE;
        value = row.Field(CURCOL);
        grid::HWND editor = ControlHandle(combo);
        SetPropA(editor, detail::kObjectProperty, this);
        TEXTWNDPROCADDRESS = SetWindowLongA(editor, GWL_WNDPROC, EditorWindowProc);
        window_->Display(number);
        combo.Unhide();
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
        case ColMark:
            row.SetField(ColMark, platform::Equal(row.Field(ColMark), "0") ? "1" : "0");
            break;
        case ColNumber:
            window_->Update(EDITCTRL);
            row.SetField(ColNumber, platform::Cut(EDITVALUE, kCellWidth));
            break;
        case ColDescription: {
            // The editor shows every line break as one, also a lone CR or LF of the row's
            // text: unchanged, the row keeps its own text. Changed, it takes the editor's text
            // whole, each break as CR LF; text that reached the editor other than by typing
            // (pasted from the menu) is held to the same capacity and rule as typed text first.
            const std::string text = Ctrl(TEXTCTRL).Text();
            std::int32_t caret = editCaret_;
            const std::string taken =
                text == shownText_ ? text : TakenDescription(text, caret, false);
            row.SetField(ColDescription, taken == shownText_ ? heldText_ : taken);
            break;
        }
        case ColUnit:
            window_->Update(UNITCTRL);
            row.SetField(ColUnit, platform::Cut(UNITVALUE, kCellWidth));
            break;
        case ColType:
            window_->Update(TYPECTRL);
            row.SetField(ColType, platform::Cut(TYPEVALUE, kCellWidth));
            break;
        default:
            break;
        }
        Announce(platform::TableChange::CellText, target, CURCOL);
    }
    EndEdit();
}

void PelkGridClass::CancelEdit() {
    EndEdit();
}

void PelkGridClass::EndEdit() {
    // The host takes the focus before the editor hides: a focused control that hides hands the
    // focus on to the next control, which would take it for a move of the user's. A control of
    // the window the user has moved to meanwhile keeps it: a button taken from under a click
    // would drop the click.
    const std::int32_t focused = window_->FocusControl();
    auto takeFocus = [&](std::int32_t editor) {
        if (focused == 0 || focused == editor || focused == OLECTRL)
            Ctrl(OLECTRL).Focus();
    };
    switch (CURCOL) {
    case ColNumber:
        takeFocus(EDITCTRL);
        Ctrl(EDITCTRL).Hide();
        break;
    case ColDescription: {
        grid::HWND editor = ControlHandle(Ctrl(TEXTCTRL));
        if (GetPropA(editor, detail::kObjectProperty) == this) {
            RemovePropA(editor, detail::kObjectProperty);
            SetWindowLongA(editor, GWL_WNDPROC, TEXTWNDPROCADDRESS);
            ReleaseCapture();
        }
        takeFocus(TEXTCTRL);
        Ctrl(TEXTCTRL).Hide();
        break;
    }
    case ColUnit:
    case ColType: {
        const std::int32_t number = CURCOL == ColUnit ? UNITCTRL : TYPECTRL;
        grid::HWND editor = ControlHandle(Ctrl(number));
        if (GetPropA(editor, detail::kObjectProperty) == this) {
            RemovePropA(editor, detail::kObjectProperty);
            SetWindowLongA(editor, GWL_WNDPROC, TEXTWNDPROCADDRESS);
        }
        takeFocus(number);
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
    if (CURCOL != ColDescription)
        return;
    platform::Control& editor = Ctrl(TEXTCTRL);
    const std::string shown = editor.Text();
    std::int32_t caret = editor.SelStart() - 1;
    std::string text = TakenDescription(shown, caret, true);
    if (text != shown) {
        editor.SetText(text);
        editor.SetSelStart(caret + 1);
    }
    editText_ = std::move(text);
    editCaret_ = caret;
    beforeKeys_.reset();
    FitTextEditor(0);
}

// Keeps the description editor's text and caret before a key changes them, unless a rewrap is
// already due for earlier keys (it answers them all).
void PelkGridClass::KeepBeforeKeys(bool typed) {
    if (EIPON != 1 || CURCOL != ColDescription)
        return;
    if (!beforeKeys_) {
        platform::Control& editor = Ctrl(TEXTCTRL);
        beforeKeys_ = EditorKeys{editor.Text(), editor.SelStart(), false};
    }
    beforeKeys_->typed = beforeKeys_->typed || typed;
}

// Whether a line break at the caret would make the rewrapped description longer than it may
// hold or break the owner's rule; the editor then does not grow ahead of a break that will be
// refused.
bool PelkGridClass::LineBreakWouldOverflow() {
    platform::Control& editor = Ctrl(TEXTCTRL);
    std::string text = editor.Text();
    std::size_t caret = static_cast<std::size_t>(std::max(0, editor.SelStart() - 1));
    caret = std::min(caret, text.size());
    text.insert(caret, "\r\n");
    std::int32_t at = static_cast<std::int32_t>(caret);
    return !DescriptionKeeps(Rewrapped(std::move(text), WRAPSIZE, at));
}

// Whether the description may become `text`, which a change stores as it stands, each line
// break as CR LF: it fits the capacity, and the owner's rule takes it both from the text as last
// taken and from what the row holds. The editor's text can be longer than the row's own (a lone
// CR or LF shows as a line break, two characters when stored), so that judged only against the
// editor's text a change could keep that growth and be cut when stored.
bool PelkGridClass::DescriptionKeeps(const std::string& text) const {
    if (text.size() > static_cast<std::size_t>(DESCCAPACITY))
        return false;
    return !DescriptionFits ||
           (DescriptionFits(text, editText_) && DescriptionFits(text, heldText_));
}

// What the description editor's text comes to after a change since it was last taken (rewrapped
// when asked), with its caret, so that nothing behind the caret is ever cut off and nothing is
// lost beyond what must be refused:
// - the whole text when it keeps the capacity and the owner's rule; an unchanged text as it
//   stands (a description that already breaks them is kept as it was);
// - typed keys that break them are refused whole, as is a change that breaks them by what it
//   removed (a deletion whose join blank passes the capacity, one that exposes what the rule
//   refuses): the text as last taken comes back, the caret where it stood before the keys;
// - of what a change inserted otherwise (a paste) the longest start that keeps them is taken
//   (a line break is never cut in half); when none of it can be, the change is refused whole.
std::string PelkGridClass::TakenDescription(const std::string& text, std::int32_t& caret,
                                            bool rewrap) const {
    auto wrapped = [&](std::string t, std::int32_t& at) {
        return rewrap ? Rewrapped(std::move(t), WRAPSIZE, at) : t;
    };
    std::int32_t at = caret;
    std::string whole = wrapped(text, at);
    if (DescriptionKeeps(whole)) {
        caret = at;
        return whole;
    }
    if (text == editText_)
        return text;
    const std::string& before = editText_;
    auto refused = [&] {
        caret = beforeKeys_ && beforeKeys_->text == before ? beforeKeys_->selStart - 1 : editCaret_;
        return before;
    };
    if (beforeKeys_ && beforeKeys_->typed)
        return refused();
    // The change replaced what lies between the text's common start and end with the text as
    // last taken.
    const platform::TextChange change = platform::ChangeBetween(before, text);
    const std::size_t start = change.start, end = change.end;
    const std::string_view inserted(text.data() + start, text.size() - start - end);
    auto candidate = [&](std::size_t kept, std::int32_t& where) {
        where = static_cast<std::int32_t>(start + kept);
        return wrapped(text.substr(0, start + kept) + text.substr(text.size() - end), where);
    };
    std::string taken = candidate(0, at);
    if (!DescriptionKeeps(taken))
        return refused();
    std::size_t low = 0, high = inserted.size(); // `low` characters keep them, `high` not
    while (high - low > 1) {
        const std::size_t mid = low + (high - low) / 2;
        std::int32_t where = 0;
        if (DescriptionKeeps(candidate(mid, where)))
            low = mid;
        else
            high = mid;
    }
    if (low > 0 && inserted[low - 1] == '\r' && low < inserted.size() && inserted[low] == '\n')
        --low;
    // A paste of which nothing can be taken changes nothing: what it would have replaced stays.
    if (low == 0 && !inserted.empty())
        return refused();
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
