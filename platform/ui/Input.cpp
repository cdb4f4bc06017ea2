#include "platform/ui/Input.h"

#include "platform/runtime/Runtime.h"
#include "platform/ui/ControlWidget.h"
#include "platform/ui/Keys.h"
#include "platform/ui/Qt.h"
#include "platform/ui/Window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <map>

namespace platform::input {

namespace {

const char* const kControlProperty = "platformControl";
const char* const kWindowProperty = "platformWindow";

// Alert keys, the default button, and typed characters the code page cannot hold, for every
// window of the program.
class KeyFilter : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
            return false;
        auto* widget = qobject_cast<QWidget*>(watched);
        QWidget* focus = QApplication::focusWidget();
        // Without a focused control the key goes to the window itself (a frame, say).
        if (!widget || (focus ? widget != focus : !widget->isWindow()))
            return false;
        // A key on a part of a window outside its client area (a frame's menu bar, which keeps
        // the keyboard after its menu closed) or on the window itself is the window's.
        Window* window = WindowOf(widget);
        if (!window)
            for (Window* w : Window::All())
                if (QWidget* top = w->Widget(); top && (top == widget || top->isAncestorOf(widget)))
                    window = w;
        if (!window || !window->IsOpen())
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        int code = KeyCodeOf(*key);
        Control* control = ControlOf(widget);
        bool alerted = code != 0 && ((control && control->Alerted(code)) || window->Alerted(code));
        if (event->type() == QEvent::ShortcutOverride) {
            if (alerted)
                event->accept(); // keep the key from shortcuts: it is ours
            return false;
        }
        if (alerted) {
            window->PostInputEvent(EVENT_AlertKey,
                                   control && control->Alerted(code) ? control->Number() : 0, code);
            return true;
        }
        if (!key->text().isEmpty() && !QtTextFits(key->text()))
            return true; // the code page cannot hold it: the key does nothing
        if (code == KEY_Enter && control && control->WidgetSide()->EnterPressesDefault()) {
            for (Control* c : window->Controls()) {
                if (c->Kind() == ControlKind::Button && (c->Attributes() & ATTR_Default) &&
                    c->Visible() && !c->Disabled()) {
                    // Leave the field first, so that its value is taken before the button.
                    control->WidgetSide()->Complete(widget);
                    window->PostInputEvent(EVENT_Accepted, c->Number());
                    return true;
                }
            }
        }
        return false;
    }
};

// The control that has the focus once it has settled raises EVENT:Selected; moving between the
// parts of one control (a combo and its entry) does not, nor does a focus that only passes
// through a control (one that the program hides and shows again).
bool g_focusDue = false;

// The control to give the keyboard that has come to rest on a program window's own frame or
// client area (where Qt leaves it when the focused control hides, or when the window comes back
// after a message): the one that had it last, else the first that takes it. A control the
// program draws as the one in use (the grid) then never stands there without the keyboard.
QWidget* FocusTaker(QWidget* focus, QWidget* last) {
    auto takes = [focus](QWidget* w) {
        return w && focus->isAncestorOf(w) && w->isVisible() && w->isEnabled() &&
               (w->focusPolicy() & Qt::TabFocus) && ControlOf(w);
    };
    if (takes(last))
        return last;
    for (QWidget* w = focus->nextInFocusChain(); w && w != focus; w = w->nextInFocusChain())
        if (takes(w) && !w->focusProxy())
            return w;
    return nullptr;
}

void SettleFocus() {
    static QPointer<QWidget> selected;
    g_focusDue = false;
    QWidget* focus = QApplication::focusWidget();
    Control* control = focus ? ControlOf(focus) : nullptr;
    if (focus && !control &&
        (focus->property(kWindowProperty).isValid() || focus->inherits("QMdiSubWindow")))
        if (QWidget* taker = FocusTaker(focus, selected)) {
            taker->setFocus(Qt::OtherFocusReason);
            focus = taker;
            control = ControlOf(taker);
        }
    QWidget* widget = control ? control->Widget() : nullptr;
    if (widget == selected)
        return;
    selected = widget;
    if (control && control->Number() != 0 && control->Owner().IsOpen())
        control->Owner().PostInputEvent(EVENT_Selected, control->Number());
}

// Input is handled in the order it came, together with what it raised: before a window of the
// program gets its next mouse or key input, the focus that earlier input moved is settled and
// the threads handle the events that earlier input posted (a press's alert before the moves
// that follow it). The input reaches a top-level window before any of its widgets.
//
// What the threads do may close the window the input is for: the input is then dropped (see
// RunPending). A key's shortcut check, which comes before the key, only settles the focus: Qt
// goes on with the key's window after it without looking whether it is still there, so the
// threads run when the key itself reaches the window.
std::map<const QObject*, int>& Held() {
    static std::map<const QObject*, int> held;
    return held;
}

class InputOrder : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
            if (!watched->isWindowType())
                return false;
            if (Held().count(watched) != 0)
                return true;
            break;
        case QEvent::ShortcutOverride:
            if (g_focusDue)
                SettleFocus();
            return false;
        default:
            return false;
        }
        QPointer<QObject> alive(watched);
        if (g_focusDue)
            SettleFocus();
        RunPending();
        return !alive; // what the events did may have closed the window
    }
};

} // namespace

void MarkControl(QWidget* widget, Control* control) {
    widget->setProperty(kControlProperty, QVariant::fromValue(static_cast<void*>(control)));
}

void UnmarkControl(QWidget* widget) {
    widget->setProperty(kControlProperty, QVariant());
}

void MarkClientArea(QWidget* client, Window* window) {
    client->setProperty(kWindowProperty, QVariant::fromValue(static_cast<void*>(window)));
}

bool IsProgramWidget(const QObject* object) {
    return object->property(kControlProperty).isValid() ||
           object->property(kWindowProperty).isValid();
}

Control* ControlOf(const QObject* object) {
    for (const QObject* o = object; o; o = o->parent()) {
        QVariant v = o->property(kControlProperty);
        if (v.isValid())
            return static_cast<Control*>(v.value<void*>());
        if (o->property(kWindowProperty).isValid())
            return nullptr;
    }
    return nullptr;
}

Window* WindowOf(const QObject* object) {
    for (const QObject* o = object; o; o = o->parent()) {
        QVariant v = o->property(kWindowProperty);
        if (v.isValid())
            return static_cast<Window*>(v.value<void*>());
    }
    return nullptr;
}

Window* WindowContaining(QWidget* widget) {
    for (QWidget* w = widget; w; w = w->parentWidget()) {
        if (w->property(kWindowProperty).isValid()) {
            for (Window* window : Window::All())
                if (window->ClientWidget() == w)
                    return window;
            return nullptr;
        }
        if (w->isWindow())
            return nullptr;
    }
    return nullptr;
}

void CloseBoxPressed(Window& window, QCloseEvent* event) {
    if (!window.IsOpen()) {
        event->accept();
        return;
    }
    event->ignore();
    window.PostInputEvent(EVENT_CloseWindow, 0);
}

void HoldInput(QWindow* window) {
    ++Held()[window];
}

void ReleaseInput(QWindow* window) {
    auto it = Held().find(window);
    if (it != Held().end() && --it->second <= 0)
        Held().erase(it);
}

void Install() {
    static KeyFilter* filter = nullptr;
    if (filter)
        return;
    filter = new KeyFilter;
    qApp->installEventFilter(filter);
    QObject::connect(qApp, &QApplication::focusChanged, filter, [](QWidget*, QWidget*) {
        if (g_focusDue)
            return;
        g_focusDue = true;
        QTimer::singleShot(0, qApp, [] {
            if (g_focusDue)
                SettleFocus();
        });
    });
    // Lives as long as the application.
    auto* order = new InputOrder;
    order->setParent(qApp);
    qApp->installEventFilter(order);
}

} // namespace platform::input
