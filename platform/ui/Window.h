// Windows. A window is built from a definition: its caption, font and size in dialog units, and
// a table of controls (Control.h), each with its kind, number (the field equate), text, position
// and size, parent (a tab or group) and attributes. A window belongs to the thread that opened
// it: its input reaches that thread's event queue.
#pragma once

#include "platform/ui/Control.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class QWidget;

namespace platform {

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
    // For a window inside the application frame: the largest size, in the current unit, at
    // which it shows whole in the frame's document area where it stands. False for a window of
    // its own.
    bool RoomInFrame(int& width, int& height) const;
    bool Maximized() const;
    void SetMaximized(bool on);
    bool Minimized() const;

    // Copies every control's contents to its variable (or one control's), and redisplays every
    // control from its variable (or one).
    void Update(int control = 0);
    void Display(int control = 0);
    // Has the window drawn on the screen as it stands now, before the thread goes on with work
    // that does not yield (a long load): where the window system has not shown its top-level
    // window yet, the thread waits until it has (a second at most), with the window's input
    // dropped meanwhile; then the window is painted at once. Nothing happens for a window not
    // shown.
    void DrawNow();

    // Keys that raise EVENT:AlertKey for the window (control 0) whichever control has focus.
    void AddAlert(int keyCode);
    bool Alerted(int keyCode) const;

    // The control that has the keyboard focus, 0 when none.
    int FocusControl() const;

    // Every open window of a thread, the newest last.
    static std::vector<Window*> OfThread(int thread);
    // The newest open window of a thread, or null.
    static Window* Top(int thread);
    // The top-level widget that a thread's windows of their own, dialogs and message boxes are
    // shown over (transient for it, so that they open over it and not at the screen's corner):
    // the newest open window of the thread, else the frame's; null when there is neither.
    static QWidget* ShownOver(int thread);
    // A message box or dialog shown over `over` has been answered and is hidden: the keyboard
    // goes back to `over` when the box had it (nobody has it now, or the box still does), as a
    // window manager gives it back; so does a closing window of its own (Close).
    static void Answered(QWidget* box, QWidget* over);
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
    AlertKeys alerts_;
    bool open_ = false;
    bool closed_ = false;
    bool pixels_ = false;
    int thread_ = 0;
    std::unique_ptr<Private> p_;
};

// Switches a window's coordinate unit (pixels on or off) while it lives; the window's own unit
// comes back at its end.
class UnitScope {
public:
    UnitScope(Window& window, bool pixels) : window_(window), was_(window.Pixels()) {
        window.SetPixels(pixels);
    }
    ~UnitScope() { window_.SetPixels(was_); }
    UnitScope(const UnitScope&) = delete;
    UnitScope& operator=(const UnitScope&) = delete;

private:
    Window& window_;
    bool was_;
};

} // namespace platform
