// Windows and their controls. A window is built from a definition: its caption, font and size in
// dialog units, and a table of controls, each with its kind, number (the field equate), text,
// position and size, parent (a tab or group) and attributes. Control positions are always in the
// window's client coordinates, whatever the control's parent, in dialog units unless the window's
// pixel switch is on. A window belongs to the thread that opened it: its input reaches that
// thread's event queue.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
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
};

// Why typed input was rejected (EVENT:Rejected).
enum : int {
    REJECT_RangeHigh = 1, // above the control's range
    REJECT_RangeLow = 2,  // below it
};

// Attributes of a window.
enum : unsigned {
    WIN_Resizable = 1u << 0,
    WIN_Modal = 1u << 1,  // blocks input to the windows behind it while it is open
    WIN_Center = 1u << 2, // opened in the middle of the screen or its owner
    WIN_Maximize = 1u << 3,
    WIN_NoCloseBox = 1u << 4,
    WIN_StayOnTop = 1u << 5,
    WIN_MdiChild = 1u << 6, // opens inside the application frame when there is one
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
};

struct WindowDef {
    std::string caption;
    std::string icon;
    std::string fontName = "MS Sans Serif";
    int fontSize = 8;
    int x = -1, y = -1; // -1: the platform chooses
    int width = 200, height = 100;
    unsigned attributes = 0;
    std::vector<ControlDef> controls;
    std::string help; // the window's help keyword
    // A status bar under the client area with a zone per width (dialog units; -1 takes what
    // the others leave); empty for none. See StatusBar.h.
    std::vector<int> statusZones;
};

// An in-memory list that a drop list, drop combo or list box shows: rows of text columns.
class ListSource {
public:
    virtual ~ListSource() = default;
    virtual int Count() const = 0;
    virtual std::string Cell(int row, int column) const = 0; // rows and columns from 1
};

// A variable a control is bound to. Texts bound with a width are cut to it when the control's
// contents are copied in.
struct Binding {
    std::variant<std::monostate, std::string*, std::int32_t*, std::int16_t*, std::uint8_t*, double*>
        target;
    std::size_t width = 0; // 0: no limit
};

class Window;
class ListBox;
class ImageBox;

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
    // List boxes: the list behind the control (ListBox.h); null for other kinds and once the
    // window has closed.
    ListBox* List() const;
    // Image controls: the image behind the control (ImageBox.h); null otherwise.
    ImageBox* Image() const;
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
    void SetRange(double low, double high);
    // The reason (REJECT_...) and the text of the input last rejected on this control.
    int RejectCode() const;
    std::string RejectedText() const;
    void SetTip(const std::string& tip);
    void SetIcon(const std::string& icon);
    std::string Icon() const { return def_.icon; }
    // The height of a list's rows, in the window's current unit.
    void SetLineHeight(int height);
    int LineHeight() const { return lineHeight_; }
    // Sheets: whether the tab at a position is hidden.
    void SetTabHidden(int position, bool hidden);

    // Keys that raise EVENT:AlertKey for this control instead of their default action.
    void AddAlert(int keyCode);
    void RemoveAlert(int keyCode);
    bool Alerted(int keyCode) const;

    // Give this control the keyboard focus.
    void Focus();
    bool HasFocus() const;

    // Whether the control is shown to the user (not hidden, its parents shown, its tab chosen).
    bool Visible() const;

    // The platform's own: the widget behind the control.
    QWidget* Widget() const;

private:
    friend class Window;
    void Build();
    void Place();
    void ShowValue();
    void TakeValue();
    void ReloadList();
    void Changed(int event);

    Window& window_;
    ControlDef def_;
    QWidget* widget_ = nullptr; // owned by the window's client widget
    bool hidden_ = false;
    bool disabled_ = false;
    bool skip_ = false;
    Binding binding_;
    const ListSource* source_ = nullptr;
    std::string fontName_;
    int fontSize_ = 0;
    std::int32_t fill_ = -1;
    int lineHeight_ = 0;
    int linePixels_ = 0; // the line height in pixels
    std::vector<int> alerts_;
    int px_ = 0, py_ = 0, pw_ = 0, ph_ = 0; // client pixels
    bool updating_ = false;                 // the program sets the widget: no events
    struct Private;
    std::unique_ptr<Private> p_;
};

class Window {
public:
    explicit Window(WindowDef def);
    ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // Builds and shows the window on the running thread. Safe to call once.
    void Open();
    // Hides and destroys the window's widgets; the window can not be opened again.
    void Close();
    bool IsOpen() const { return open_; }
    int Thread() const { return thread_; }

    const WindowDef& Definition() const { return def_; }

    // The control with a number; throws when there is none.
    Control& operator[](int number);
    Control* Find(int number);
    std::vector<Control*> Controls();

    // Creates a control at run time (hidden until shown, after the parent's controls).
    Control& Create(const ControlDef& def);
    void Destroy(int number);

    std::string Caption() const;
    void SetCaption(const std::string& caption);

    // The window's coordinate unit for control properties: pixels when on, else dialog units.
    void SetPixels(bool on) { pixels_ = on; }
    bool Pixels() const { return pixels_; }
    int ToPixelsX(int units) const;
    int ToPixelsY(int units) const;
    int FromPixelsX(int pixels) const;
    int FromPixelsY(int pixels) const;

    // Window position and size in the current unit; after the window closed, where it was when
    // it closed (shut-downs store it then).
    int X() const;
    int Y() const;
    int Width() const;
    int Height() const;
    void SetPosition(int x, int y, int width, int height);
    void SetMinimumSize(int width, int height);
    bool Maximized() const;
    void SetMaximized(bool on);
    bool Minimized() const;

    // Copies every control's contents to its variable (or one control's), and redisplays every
    // control from its variable (or one).
    void Update(int control = 0);
    void Display(int control = 0);

    // Keys that raise EVENT:AlertKey for the window (control 0) whichever control has focus.
    void AddAlert(int keyCode);
    void RemoveAlert(int keyCode);
    bool Alerted(int keyCode) const;

    // The control that has the keyboard focus, 0 when none.
    int FocusControl() const;

    // Every open window of a thread, the newest last.
    static std::vector<Window*> OfThread(int thread);
    // The newest open window of a thread, or null.
    static Window* Top(int thread);
    static std::vector<Window*> All();

    // The platform's own.
    QWidget* Widget() const;       // the top-level widget (or the frame's sub-window)
    QWidget* ClientWidget() const; // the client area every control lives in
    // Where the window's widget goes: a hook that the application frame installs so that
    // child windows open inside it.
    using Placer = std::function<QWidget*(Window&, QWidget* client)>;
    static void SetPlacer(Placer placer);
    void RefreshVisibility();
    void PostInputEvent(int event, int control, int keyCode = 0);

private:
    friend class Control;
    struct Private;
    WindowDef def_;
    std::map<int, std::unique_ptr<Control>> numbered_;
    std::vector<Control*> order_;
    std::vector<std::unique_ptr<Control>> unnumbered_;
    std::vector<int> alerts_;
    bool open_ = false;
    bool closed_ = false;
    bool pixels_ = false;
    int thread_ = 0;
    std::unique_ptr<Private> p_;
};

} // namespace platform
