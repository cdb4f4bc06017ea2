// The platform's own glue between Qt input and the programs' windows: which control and window a
// widget belongs to, and the application-wide filter that turns keys and focus changes into the
// windows' events (alert keys, the default button, EVENT:Selected). Not for use outside
// platform/.
#pragma once

class QCloseEvent;
class QObject;
class QWidget;
class QWindow;

namespace platform {

class Control;
class Window;

namespace input {

// Marks the widget of a control, and the client area of a window, so that input on them and on
// their inner parts finds its control and window. Unmarking makes a control's widget nobody's.
void MarkControl(QWidget* widget, Control* control);
void UnmarkControl(QWidget* widget);
void MarkClientArea(QWidget* client, Window* window);

// Whether an object is a control's widget or a window's client area.
bool IsProgramWidget(const QObject* object);

// The control a widget belongs to (itself or one of its parents is the control's widget); null
// when the walk up reaches a client area first.
Control* ControlOf(const QObject* object);
// The window whose client area a widget lies in, walking up every parent (a dialog's parent is
// its owner).
Window* WindowOf(const QObject* object);
// The innermost open window a widget lies in; a top-level widget of its own (a message box, a
// popup) lies in none, whatever its owner.
Window* WindowContaining(QWidget* widget);

// The close box of a window's widget (its client area, or a widget around it): while the window
// is open the widget stays and the window's thread is told EVENT:CloseWindow; once the window is
// closing the widget may go.
void CloseBoxPressed(Window& window, QCloseEvent* event);

// Installs the key filter and the focus watch for every window of the program (once).
void Install();

// Mouse and key input to a top-level window is dropped while it is held (the holds are
// counted): a window whose thread is still filling it takes no input meanwhile.
void HoldInput(QWindow* window);
void ReleaseInput(QWindow* window);

} // namespace input

} // namespace platform
