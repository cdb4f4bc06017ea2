// Controls of a window, addressed by their number: the definition a window's table gives each
// control (kind, number, text, position and size in dialog units, parent, attributes), the
// variable a control is bound to, and the properties a program reads and sets while the window
// is open. Positions are always in the window's client coordinates, whatever the control's
// parent, in dialog units unless the window's pixel switch is on.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

class QWidget;

namespace platform {

enum class ControlKind {
    Prompt, // static text before a field
    String, // static text
    Entry,  // one-line entry with a picture (text width, digits)
    Text,   // multi-line text
    Button,
    Check,     // check box, value 1 or 0
    Option,    // option group: its value is the value of the chosen radio
    Radio,     // one choice of an option group (its parent)
    Spin,      // spin box with range, step and digits
    DropList,  // drop-down list, no typing
    DropCombo, // drop-down list with an entry
    Sheet,     // a sheet of tabs; its value is the selected tab's position (from 1)
    Tab,       // a tab of a sheet (its parent); controls whose parent is a tab show on it
    Group,     // a framed group with a caption
    Panel,     // a plain framed panel
    Box,       // a plain rectangle
    Progress,  // progress bar with a range
    Region,    // an empty control the program draws on itself
    List,      // list box showing a list source in columns (see ListBox.h)
    Image,     // an image file (its text) drawn at a size, with scroll bars (see ImageBox.h)
};

// Attributes of a control.
enum : unsigned {
    ATTR_Hidden = 1u << 0,
    ATTR_Disabled = 1u << 1,
    ATTR_Default = 1u << 2, // the default button: Enter in the window presses it
    ATTR_Skip = 1u << 3,    // not in the tab order
    ATTR_ReadOnly = 1u << 4,
    ATTR_StdClose = 1u << 5, // the button closes its window (posts EVENT:CloseWindow)
    ATTR_Upper = 1u << 6,    // typed text in upper case
    ATTR_VScroll = 1u << 7,
    ATTR_Right = 1u << 8,  // text aligned right
    ATTR_Center = 1u << 9, // text centred
    ATTR_Password = 1u << 10,
    ATTR_StdHelp = 1u << 11, // the button opens the help file at the window's help keyword
    ATTR_Unboxed = 1u << 12, // multi-line texts: shown without their box frame and margin
    ATTR_Cancel = 1u << 13,  // the cancel button: Escape in the window presses it
};

// Why typed input was rejected (EVENT:Rejected).
enum : int {
    REJECT_RangeHigh = 1, // above the control's range
    REJECT_RangeLow = 2,  // below it
};

// A column of a list box: what it shows and how.
struct ListColumn {
    std::string heading;
    int width = 0;    // dialog units
    int field = 1;    // the list source's column it shows
    int maxChars = 0; // shows at most this many characters; 0 all
    int align = 0;    // 0 left, 1 right, 2 centred
    int indent = 0;   // dialog units before the text
    bool rightBorder = true;
    bool resizable = true;
    int iconField = 0; // the source column whose number picks the row's icon; 0 no icon
};

struct ControlDef {
    ControlKind kind = ControlKind::String;
    int number = 0; // the field equate; 0 for controls nobody addresses
    std::string text;
    int x = 0, y = 0, width = 0, height = 0; // dialog units, client coordinates
    int parent = 0;                          // the tab, group or option group it belongs to
    unsigned attributes = 0;
    int pictureWidth = 0;                 // entries: characters the field takes; 0 no limit
    int digits = 0;                       // spin boxes and numeric entries: decimals
    std::string value;                    // radios: the value the option group takes when chosen
    double low = 0, high = 100, step = 1; // spin boxes and progress bars
    std::string tip;
    std::string icon;
    std::vector<ListColumn> columns; // list boxes
    // Entries and drop combos: characters they do not take (typed or pasted), for values whose
    // file format has no escape for them.
    std::string refused;
    // Entries and drop combos: how many places of a text its file would not give back as typed
    // (pairs of characters, a character at the start); an edit that makes more is refused.
    std::function<std::size_t(std::string_view)> misread;
};

// An in-memory list that a drop list, drop combo or list box shows: rows of text columns.
class ListSource {
public:
    virtual ~ListSource() = default;
    virtual int Count() const = 0;
    virtual std::string Cell(int row, int column) const = 0; // rows and columns from 1
};

// A list of records as a control shows it: row n is the n-th record, and `cell` gives the text
// of one of its columns. The records stay the caller's.
template <typename Record>
class RecordListSource : public ListSource {
public:
    using CellText = std::string (*)(const Record& record, int column);
    RecordListSource(const std::vector<Record>& records, CellText cell)
        : records_(records), cell_(cell) {}
    int Count() const override { return static_cast<int>(records_.size()); }
    std::string Cell(int row, int column) const override {
        return cell_(records_.at(static_cast<std::size_t>(row - 1)), column);
    }

private:
    const std::vector<Record>& records_;
    CellText cell_;
};

// A variable a control is bound to. Texts bound with a width are cut to it when the control's
// contents are copied in.
struct Binding {
    std::variant<std::monostate, std::string*, std::int32_t*, std::int16_t*, std::uint8_t*, double*>
        target;
    std::size_t width = 0; // 0: no limit
};

// The key codes (and mouse codes) a control or a window alerts: each raises EVENT:AlertKey
// instead of its default action.
class AlertKeys {
public:
    void Add(int keyCode) {
        if (!Has(keyCode))
            keys_.push_back(keyCode);
    }
    bool Has(int keyCode) const {
        return std::find(keys_.begin(), keys_.end(), keyCode) != keys_.end();
    }

private:
    std::vector<int> keys_;
};

class Window;
class ControlWidget;

// A control of an open window, addressed by its number.
class Control {
public:
    Control(Window& window, const ControlDef& def);
    ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    int Number() const { return def_.number; }
    ControlKind Kind() const { return def_.kind; }
    const ControlDef& Definition() const { return def_; }
    Window& Owner() { return window_; }
    int Parent() const { return def_.parent; }
    unsigned Attributes() const { return def_.attributes; }

    std::string Text() const;
    void SetText(const std::string& text);

    bool Hidden() const { return hidden_; }
    void Hide();
    void Unhide();
    bool Disabled() const { return disabled_; }
    void Disable();
    void Enable();

    // Position and size in the window's current unit (dialog units, or pixels while the
    // window's pixel switch is on), in client coordinates.
    int X() const;
    int Y() const;
    int Width() const;
    int Height() const;
    void SetPosition(int x, int y, int width, int height);

    // The bound variable and its value shown in the control.
    void Bind(Binding binding);
    void Bind(std::string& text, std::size_t width = 0) { Bind(Binding{&text, width}); }
    void Bind(std::int32_t& n) { Bind(Binding{&n, 0}); }
    void Bind(std::int16_t& n) { Bind(Binding{&n, 0}); }
    void Bind(std::uint8_t& n) { Bind(Binding{&n, 0}); }
    void Bind(double& n) { Bind(Binding{&n, 0}); }
    const Binding& Bound() const { return binding_; }
    // The control's value as text: entry text, check "1"/"0", option's radio value, spin value,
    // drop-list choice, sheet's tab position.
    std::string Value() const;
    void SetValue(const std::string& value);

    // Drop lists, drop combos, sheets, option groups: the chosen item's position from 1 (0 none).
    int Selected() const;
    void Select(int item);

    void SetListSource(const ListSource* source);
    const ListSource* Source() const { return source_; }
    void SetDropCount(int lines);

    void SetFont(const std::string& name, int size);
    std::string FontName() const { return fontName_; }
    int FontSize() const { return fontSize_; }
    // Fill colour 0x00BBGGRR; -1 none.
    void SetFillColor(std::int32_t color);
    std::int32_t FillColor() const { return fill_; }
    void SetSelStart(int position); // caret position from 1
    int SelStart() const;
    void SetSkip(bool skip);
    bool Skip() const { return skip_; }
    // Makes a control that takes no keyboard of its own (an empty region the program draws on)
    // a stop of the window's Tab chain: Tab and Shift+Tab give it the focus, a click does not.
    void SetTabStop();
    void SetRange(double low, double high);
    // The reason (REJECT_...) and the text of the input last rejected on this control.
    int RejectCode() const { return rejectCode_; }
    std::string RejectedText() const { return rejected_; }
    void SetIcon(const std::string& icon);
    std::string Icon() const { return def_.icon; }
    // The height of a list's rows, in the window's current unit.
    void SetLineHeight(int height);
    int LineHeight() const { return lineHeight_; }
    // Sheets: whether the tab at a position is hidden.
    void SetTabHidden(int position, bool hidden);

    // Keys that raise EVENT:AlertKey for this control instead of their default action.
    void AddAlert(int keyCode);
    bool Alerted(int keyCode) const;

    // Give this control the keyboard focus.
    void Focus();
    bool HasFocus() const;

    // Whether the control is shown to the user (not hidden, its parents shown, its tab chosen).
    bool Visible() const;

    // The platform's own: the widget behind the control, and the side of the control that its
    // kind gives it (ControlWidget.h; a list box's is its ListBox, an image's its ImageBox).
    QWidget* Widget() const;
    ControlWidget* WidgetSide() const { return side_.get(); }

private:
    friend class Window;
    friend class ControlWidget;
    void Build();
    void Place();
    void ShowValue();
    void TakeValue();
    void Changed(int event);
    // Redisplays the control from its variable, or from what it shows when it has none.
    void Redisplay();
    // The window closes: the control lets go of its widget and its list source.
    void Closing();

    Window& window_;
    ControlDef def_;
    std::unique_ptr<ControlWidget> side_;
    bool hidden_ = false;
    bool disabled_ = false;
    bool skip_ = false;
    Binding binding_;
    const ListSource* source_ = nullptr;
    std::string caption_; // the text of kinds whose widget holds none
    std::string fontName_;
    int fontSize_ = 0;
    std::int32_t fill_ = -1;
    int lineHeight_ = 0;
    int linePixels_ = 0; // the line height in pixels
    AlertKeys alerts_;
    int px_ = 0, py_ = 0, pw_ = 0, ph_ = 0; // client pixels
    bool updating_ = false;                 // the program sets the widget: no events
    bool dirty_ = false;                    // the user changed the text since it was last taken
    int rejectCode_ = 0;                    // the input last rejected
    std::string rejected_;
    struct Private;
    std::unique_ptr<Private> p_;
};

} // namespace platform
