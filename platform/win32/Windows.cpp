// Window handles, properties, procedures and the messages Qt input becomes; mouse capture;
// re-parenting. The scroll bar is in ScrollBar.cpp.
#include "platform/win32/Internal.h"

#include "platform/runtime/Runtime.h"
#include "platform/text/Text.h"
#include "platform/ui/Input.h"
#include "platform/ui/Qt.h"
#include "platform/ui/Window.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QWheelEvent>

#include <memory>
#include <unordered_map>
#include <vector>

namespace platform::win32 {

namespace detail {

namespace {

// The window procedure at the bottom of every chain: the control does what it normally does.
// The platform learns that the message got this far and lets Qt handle the input.
LRESULT ControlProcedure(HWND window, UINT message, WPARAM, LPARAM);

struct Registry {
    std::unordered_map<Id, std::unique_ptr<WindowRecord>> windows;
    std::unordered_map<const QObject*, Id> byWidget; // a record's widget and its inner parts
    std::map<int, Id> capture;                       // per thread
    // The messages being handled, innermost last, and whether each reached the control.
    struct Frame {
        Id window;
        UINT message;
        bool reached;
    };
    std::vector<Frame> frames;
    int captureDepth = 0;
};

Registry& R() {
    static Registry registry;
    return registry;
}

LRESULT ControlProcedure(HWND window, UINT message, WPARAM, LPARAM) {
    auto& frames = R().frames;
    for (auto it = frames.rbegin(); it != frames.rend(); ++it)
        if (it->window == IdOf(window) && it->message == message) {
            it->reached = true;
            break;
        }
    return 0;
}

// The record that input on a widget belongs to: its own, or that of the control it is an inner
// part of. Input on a control or window nobody asked a handle for belongs to none.
WindowRecord* RecordForInput(QObject* object) {
    for (QObject* o = object; o; o = o->parent()) {
        auto it = R().byWidget.find(o);
        if (it != R().byWidget.end())
            return FindId(it->second);
        if (input::IsProgramWidget(o) ||
            (o->isWidgetType() && static_cast<QWidget*>(o)->isWindow()))
            return nullptr;
    }
    return nullptr;
}

WindowRecord* CaptureHolder(int thread) {
    auto it = R().capture.find(thread);
    if (it == R().capture.end())
        return nullptr;
    WindowRecord* holder = FindId(it->second);
    if (!holder || !holder->widget) {
        R().capture.erase(it);
        return nullptr;
    }
    return holder;
}

// Qt hands one input event on from a widget to its parents; the old platform gave it to one
// window only.
struct Signature {
    QEvent::Type type = QEvent::None;
    quint64 timestamp = 0;
    QPointF global;
    Qt::MouseButtons buttons;
    bool operator==(const Signature&) const = default;
};

// A filter that turns Qt input into messages. A procedure may destroy the window it handles a
// message for; Qt must not then go on with it.
class MessageFilter : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) final {
        QPointer<QObject> alive(watched);
        bool consumed = Filter(watched, event);
        return consumed || !alive;
    }

protected:
    // Whether the message consumed the event.
    virtual bool Filter(QObject* watched, QEvent* event) = 0;
};

// Mouse input of every widget: capture and the mouse messages.
class MouseFilter : public MessageFilter {
private:
    bool Filter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
            return OnMouse(watched, static_cast<QMouseEvent*>(event));
        case QEvent::Wheel:
            return OnWheel(watched, static_cast<QWheelEvent*>(event));
        default:
            return false;
        }
    }

    // Whether Qt is handing on to a parent an event that a child has had already.
    bool Seen(QObject* watched, const QSinglePointEvent* e) {
        Signature s{e->type(), e->timestamp(), e->globalPosition(), e->buttons()};
        if (s == last_ && lastReceiver_ && watched != lastReceiver_ &&
            IsAncestor(watched, lastReceiver_))
            return true;
        last_ = s;
        lastReceiver_ = watched;
        return false;
    }

    static bool IsAncestor(const QObject* ancestor, const QObject* object) {
        for (const QObject* o = object->parent(); o; o = o->parent())
            if (o == ancestor)
                return true;
        return false;
    }

    static UINT MessageOf(const QMouseEvent* e) {
        switch (e->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            return e->button() == Qt::LeftButton ? WM_LBUTTONDOWN : 0;
        case QEvent::MouseButtonRelease:
            return e->button() == Qt::LeftButton    ? WM_LBUTTONUP
                   : e->button() == Qt::RightButton ? WM_RBUTTONUP
                                                    : 0;
        case QEvent::MouseMove:
            return WM_MOUSEMOVE;
        default:
            return 0;
        }
    }

    bool OnMouse(QObject* watched, QMouseEvent* e) {
        if (!watched->isWidgetType() || (R().windows.empty() && R().capture.empty()) ||
            Seen(watched, e))
            return false;
        auto* widget = static_cast<QWidget*>(watched);
        UINT message = MessageOf(e);
        WPARAM keys = MouseKeys(e->buttons(), e->modifiers());
        if (Window* window = input::WindowContaining(widget)) {
            WindowRecord* holder = CaptureHolder(window->Thread());
            if (holder && holder->widget != widget && !holder->widget->isAncestorOf(widget)) {
                if (message)
                    Send(holder->id, message, keys,
                         PackPoint(holder->widget->mapFromGlobal(e->globalPosition().toPoint())));
                return true;
            }
        }
        WindowRecord* record = RecordForInput(widget);
        if (!record || !record->widget || !message)
            return false;
        return !Send(record->id, message, keys,
                     PackPoint(record->widget->mapFromGlobal(e->globalPosition().toPoint())));
    }

    bool OnWheel(QObject* watched, QWheelEvent* e) {
        if (!watched->isWidgetType() || R().windows.empty() || e->angleDelta().y() == 0 ||
            Seen(watched, e))
            return false;
        WindowRecord* record = RecordForInput(watched);
        if (!record || !record->widget)
            return false;
        auto delta = static_cast<std::uint16_t>(static_cast<std::int16_t>(e->angleDelta().y()));
        WPARAM wParam =
            (static_cast<WPARAM>(delta) << 16) | MouseKeys(e->buttons(), e->modifiers());
        return !Send(record->id, WM_MOUSEWHEEL, wParam,
                     PackPoint(record->widget->mapFromGlobal(e->globalPosition().toPoint())));
    }

    Signature last_;
    QPointer<QObject> lastReceiver_;
};

// The virtual-key code of a key press (0 for keys that have none here).
WPARAM VirtualKeyOf(const QKeyEvent& e) {
    int code = KeyCodeOf(e) & 0xFF;
    if (code)
        return static_cast<WPARAM>(code);
    QString text = e.text();
    if (text.size() == 1) {
        QChar c = text.at(0);
        if (c >= u'a' && c <= u'z')
            return static_cast<WPARAM>(c.unicode() - u'a' + 'A');
        if ((c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9'))
            return static_cast<WPARAM>(c.unicode());
    }
    return 0;
}

// Keys, painting and resizing of the widgets that have handles.
class WidgetFilter : public MessageFilter {
private:
    bool Filter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
            return OnKey(watched, static_cast<QKeyEvent*>(event));
        case QEvent::Paint:
            return OnPaint(watched, static_cast<QPaintEvent*>(event));
        case QEvent::Resize:
            OnResize(watched);
            return false;
        case QEvent::Hide:
            if (WindowRecord* r = OwnRecord(watched))
                r->selfRefresh = QRegion();
            return false;
        default:
            return false;
        }
    }

    static WindowRecord* OwnRecord(QObject* watched) {
        auto it = R().byWidget.find(watched);
        if (it == R().byWidget.end())
            return nullptr;
        WindowRecord* r = FindId(it->second);
        return r && r->rawWidget == watched ? r : nullptr;
    }

    static bool OnKey(QObject* watched, QKeyEvent* e) {
        // Qt hands an unused key on to the parents; it was the focused window's alone.
        if (watched != QApplication::focusWidget())
            return false;
        WindowRecord* record = RecordForInput(watched);
        if (!record)
            return false;
        Id id = record->id;
        WPARAM key = VirtualKeyOf(*e);
        if (e->type() == QEvent::KeyRelease)
            return key && !Send(id, WM_KEYUP, key, 1);
        bool keyReached = key == 0 || Send(id, WM_KEYDOWN, key, 1);
        // A key that types characters is the control's when its characters reach it; any other
        // key when the key itself does.
        std::vector<unsigned char> chars;
        if (QtTextFits(e->text()))
            for (char c : FromQt(e->text()))
                if (c != 0 && c != '\x7F')
                    chars.push_back(static_cast<unsigned char>(c));
        if (chars.empty())
            return !keyReached;
        bool charsReached = true;
        for (unsigned char c : chars)
            charsReached = Send(id, WM_CHAR, c, 1) && charsReached;
        return !charsReached;
    }

    static bool OnPaint(QObject* watched, QPaintEvent* e) {
        WindowRecord* record = OwnRecord(watched);
        if (!record || !record->widget)
            return false;
        Id id = record->id;
        QRegion invalid = e->region() - record->selfRefresh;
        record->selfRefresh -= e->region();
        bool reached = true;
        if (!invalid.isEmpty()) {
            record->update |= invalid;
            reached = Send(id, WM_PAINT, 0, 0);
            record = FindId(id);
            if (!record || !record->widget)
                return true;
            record->update = QRegion(); // validated
        }
        if (record->control && record->control->Kind() == ControlKind::Region) {
            WindowRecord* client =
                record->window && record->window->ClientWidget()
                    ? Ensure(record->window->ClientWidget(), record->window, nullptr, true)
                    : nullptr;
            if (!client || client->surface.isNull() || !client->widget ||
                !client->widget->isAncestorOf(record->widget))
                return !reached;
            QPoint at = record->widget->mapTo(client->widget, QPoint(0, 0));
            QPainter painter(record->widget);
            // The surface's part under the host, in its device pixels.
            const qreal ratio = client->surface.devicePixelRatio();
            const QSizeF size = record->widget->size();
            painter.drawImage(QRectF(QPointF(0, 0), size), client->surface,
                              QRectF(QPointF(at) * ratio, size * ratio));
            return true;
        }
        return !reached;
    }

    static void OnResize(QObject* watched) {
        WindowRecord* record = OwnRecord(watched);
        if (!record || !record->client || record->surface.isNull() || !record->widget)
            return;
        QImage old = record->surface;
        record->surface = QImage();
        MakeSurface(*record);
        QPainter painter(&record->surface);
        painter.drawImage(QPoint(0, 0), old);
    }
};

WidgetFilter& TheWidgetFilter() {
    static WidgetFilter* filter = new WidgetFilter;
    return *filter;
}

void InstallMouseFilter() {
    static MouseFilter* filter = nullptr;
    if (!filter) {
        filter = new MouseFilter;
        qApp->installEventFilter(filter);
    }
}

void Forget(Id id) {
    Registry& r = R();
    auto it = r.windows.find(id);
    if (it == r.windows.end())
        return;
    for (auto w = r.byWidget.begin(); w != r.byWidget.end();)
        w = w->second == id ? r.byWidget.erase(w) : std::next(w);
    for (auto c = r.capture.begin(); c != r.capture.end();)
        c = c->second == id ? r.capture.erase(c) : std::next(c);
    r.windows.erase(it);
}

// Inner widgets that take a control's input for it.
std::vector<QWidget*> InnerParts(QWidget* widget) {
    std::vector<QWidget*> parts;
    if (auto* area = qobject_cast<QAbstractScrollArea*>(widget))
        parts.push_back(area->viewport());
    if (auto* combo = qobject_cast<QComboBox*>(widget); combo && combo->lineEdit())
        parts.push_back(combo->lineEdit());
    return parts;
}

} // namespace

// Sends a message to a window's procedure chain on behalf of the thread that owns it. Gives
// whether the message reached the control.
bool Send(Id id, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowRecord* record = FindId(id);
    if (!record)
        return true;
    ActAsThread acting(record->thread);
    R().frames.push_back({id, message, false});
    WNDPROC procedure = record->procedure ? record->procedure : ControlProcedure;
    procedure(HandleOf(id), message, wParam, lParam);
    bool reached = R().frames.back().reached;
    R().frames.pop_back();
    return reached;
}

LPARAM PackPoint(QPoint p) {
    auto x = static_cast<std::uint32_t>(static_cast<std::uint16_t>(p.x()));
    auto y = static_cast<std::uint32_t>(static_cast<std::uint16_t>(p.y()));
    return static_cast<LPARAM>(x | (y << 16));
}

WPARAM MouseKeys(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
    WPARAM keys = 0;
    if (buttons & Qt::LeftButton)
        keys |= MK_LBUTTON;
    if (buttons & Qt::RightButton)
        keys |= MK_RBUTTON;
    if (modifiers & Qt::ShiftModifier)
        keys |= MK_SHIFT;
    if (modifiers & Qt::ControlModifier)
        keys |= MK_CONTROL;
    return keys;
}

Id NextId() {
    static Id next = 0x1000;
    return next += 4;
}

WindowRecord* FindId(Id id) {
    auto it = R().windows.find(id);
    return it == R().windows.end() ? nullptr : it->second.get();
}

WindowRecord* Find(HWND window) {
    return FindId(IdOf(window));
}

WindowRecord* Ensure(QWidget* widget, Window* window, Control* control, bool client) {
    if (!widget)
        return nullptr;
    Registry& r = R();
    if (auto it = r.byWidget.find(widget); it != r.byWidget.end())
        if (WindowRecord* found = FindId(it->second); found && found->rawWidget == widget)
            return found;
    InstallMouseFilter();
    // A control's or a client area's widget is that, whoever asks first.
    if (window && widget == window->ClientWidget())
        client = true;
    if (window && !control && !client)
        for (Control* c : window->Controls())
            if (c->Widget() == widget)
                control = c;
    auto record = std::make_unique<WindowRecord>();
    record->id = NextId();
    record->widget = widget;
    record->rawWidget = widget;
    record->window = window;
    record->control = control;
    record->client = client;
    record->thread = window ? window->Thread() : 0;
    record->procedure = ControlProcedure;
    Id id = record->id;
    r.byWidget[widget] = id;
    widget->installEventFilter(&TheWidgetFilter());
    for (QWidget* part : InnerParts(widget)) {
        r.byWidget[part] = id;
        part->installEventFilter(&TheWidgetFilter());
        QObject::connect(part, &QObject::destroyed, [id](QObject* gone) {
            auto it = R().byWidget.find(gone);
            if (it != R().byWidget.end() && it->second == id)
                R().byWidget.erase(it);
        });
    }
    QObject::connect(widget, &QObject::destroyed, [id] {
        if (FindId(id)) {
            // A window that goes away loses the capture without being told.
            auto& capture = R().capture;
            for (auto c = capture.begin(); c != capture.end();)
                c = c->second == id ? capture.erase(c) : std::next(c);
            Send(id, WM_DESTROY, 0, 0);
        }
        Forget(id);
    });
    WindowRecord* made = record.get();
    r.windows[id] = std::move(record);
    return made;
}

} // namespace detail

using namespace detail;

WNDPROC SetWindowLongA(HWND window, int index, WNDPROC procedure) {
    WindowRecord* r = Find(window);
    if (!r || index != GWL_WNDPROC || !procedure)
        return nullptr;
    WNDPROC previous = r->procedure;
    r->procedure = procedure;
    // The old platform reported every move; Qt only while a button is held unless asked.
    if (r->widget) {
        r->widget->setMouseTracking(true);
        for (QWidget* part : InnerParts(r->widget))
            part->setMouseTracking(true);
    }
    return previous;
}

LRESULT CallWindowProcA(WNDPROC procedure, HWND window, UINT message, WPARAM wParam,
                        LPARAM lParam) {
    if (!procedure)
        return 0;
    return procedure(window, message, wParam, lParam);
}

BOOL SetPropA(HWND window, const char* name, HANDLE value) {
    WindowRecord* r = Find(window);
    if (!r || !name)
        return FALSE;
    r->properties[Lower(name)] = value;
    return TRUE;
}

HANDLE GetPropA(HWND window, const char* name) {
    WindowRecord* r = Find(window);
    if (!r || !name)
        return nullptr;
    auto it = r->properties.find(Lower(name));
    return it == r->properties.end() ? nullptr : it->second;
}

HANDLE RemovePropA(HWND window, const char* name) {
    WindowRecord* r = Find(window);
    if (!r || !name)
        return nullptr;
    auto it = r->properties.find(Lower(name));
    if (it == r->properties.end())
        return nullptr;
    HANDLE value = it->second;
    r->properties.erase(it);
    return value;
}

BOOL NextDlgCtl(HWND from, BOOL previous) {
    WindowRecord* r = Find(from);
    if (!r || !r->widget)
        return FALSE;
    QWidget* start = r->widget;
    QWidget* top = start->window();
    QWidget* w = start;
    for (;;) {
        w = previous ? w->previousInFocusChain() : w->nextInFocusChain();
        if (!w || w == start)
            return FALSE;
        if (w->window() == top && w->isVisible() && w->isEnabled() && !w->focusProxy() &&
            (w->focusPolicy() & Qt::TabFocus)) {
            w->setFocus(previous ? Qt::BacktabFocusReason : Qt::TabFocusReason);
            return TRUE;
        }
    }
}

BOOL ShowWindow(HWND window, int command) {
    WindowRecord* r = Find(window);
    if (!r || !r->widget)
        return FALSE;
    BOOL was = r->widget->isHidden() ? FALSE : TRUE;
    bool show = command != SW_HIDE;
    if (r->control) {
        if (show)
            r->control->Unhide();
        else
            r->control->Hide();
    } else {
        r->widget->setVisible(show);
    }
    return was;
}

BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int width, int height, UINT flags) {
    WindowRecord* r = Find(window);
    if (!r || !r->widget)
        return FALSE;
    QWidget* w = r->widget;
    if (!(flags & SWP_NOMOVE) && !(flags & SWP_NOSIZE))
        w->setGeometry(x, y, std::max(0, width), std::max(0, height));
    else if (!(flags & SWP_NOMOVE))
        w->move(x, y);
    else if (!(flags & SWP_NOSIZE))
        w->resize(std::max(0, width), std::max(0, height));
    if (!(flags & SWP_NOZORDER) && insertAfter == HWND_TOP)
        w->raise();
    if (flags & SWP_SHOWWINDOW)
        ShowWindow(window, SW_SHOW);
    else if (flags & SWP_HIDEWINDOW)
        ShowWindow(window, SW_HIDE);
    return TRUE;
}

HWND SetParent(HWND child, HWND newParent) {
    WindowRecord* c = Find(child);
    WindowRecord* p = Find(newParent);
    if (!c || !p || !c->widget || !p->widget || c == p || c->widget->isAncestorOf(p->widget))
        return nullptr;
    QWidget* w = c->widget;
    HWND previous = nullptr;
    if (QWidget* old = w->parentWidget()) {
        auto it = R().byWidget.find(old);
        if (it != R().byWidget.end())
            previous = HandleOf(it->second);
        else if (c->window && old == c->window->ClientWidget())
            previous = ClientHandle(*c->window);
    }
    bool shown = !w->isHidden();
    QRect place = w->geometry();
    w->setParent(p->widget);
    w->setGeometry(place);
    if (shown)
        w->show();
    return previous;
}

HWND SetCapture(HWND window) {
    WindowRecord* r = Find(window);
    if (!r)
        return nullptr;
    int thread = r->thread;
    WindowRecord* holder = CaptureHolder(thread);
    HWND previous = holder ? HandleOf(holder->id) : nullptr;
    R().capture[thread] = r->id;
    // Two windows that keep taking the capture back from each other stop here.
    if (holder && holder->id != r->id && R().captureDepth < 8) {
        ++R().captureDepth;
        Send(holder->id, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(window));
        --R().captureDepth;
    }
    return previous;
}

BOOL ReleaseCapture() {
    int thread = ThisThread();
    WindowRecord* holder = CaptureHolder(thread);
    if (!holder)
        return TRUE;
    Id id = holder->id;
    R().capture.erase(thread);
    if (R().captureDepth < 8) {
        ++R().captureDepth;
        Send(id, WM_CAPTURECHANGED, 0, 0);
        --R().captureDepth;
    }
    return TRUE;
}

HWND CaptureOf(int thread) {
    WindowRecord* holder = CaptureHolder(thread);
    return holder ? HandleOf(holder->id) : nullptr;
}

HWND ControlHandle(Control& control) {
    for (Window* window : Window::All())
        for (Control* c : window->Controls())
            if (c == &control)
                return c->Widget() ? HandleOf(Ensure(c->Widget(), window, c, false)->id) : nullptr;
    return nullptr;
}

HWND ClientHandle(Window& window) {
    WindowRecord* r = Ensure(window.ClientWidget(), &window, nullptr, true);
    return r ? HandleOf(r->id) : nullptr;
}

HINSTANCE ApplicationInstance() {
    static int instance = 0;
    return reinterpret_cast<HINSTANCE>(&instance);
}

} // namespace platform::win32
