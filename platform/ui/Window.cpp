#include "platform/ui/Window.h"

#include "platform/runtime/Runtime.h"
#include "platform/ui/Accessible.h"
#include "platform/ui/ControlWidget.h"
#include "platform/ui/Frame.h"
#include "platform/ui/Icons.h"
#include "platform/ui/Input.h"
#include "platform/ui/Qt.h"
#include "platform/ui/StatusBar.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPainter>
#include <QPointer>
#include <QProxyStyle>
#include <QScreen>
#include <QStyle>
#include <QStyleOption>
#include <QTabBar>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace platform {

namespace {

// The window a closed window, box or dialog was shown over gets the keyboard, as from the window
// manager (there may be none, as under a bare X server).
void KeyboardBackTo(QWidget* over) {
    if (over && over->isVisible())
        over->activateWindow();
}

std::vector<Window*>& OpenWindows() {
    static std::vector<Window*> windows;
    return windows;
}

Window::Placer& ThePlacer() {
    static Window::Placer placer;
    return placer;
}

// The button Escape presses: the shown and enabled one marked as the cancel button, else one
// that closes the window.
Control* CancelButton(Window& window) {
    Control* close = nullptr;
    for (Control* c : window.Controls()) {
        if (c->Kind() != ControlKind::Button || !c->Visible() || c->Disabled())
            continue;
        if (c->Attributes() & ATTR_Cancel)
            return c;
        if (!close && (c->Attributes() & ATTR_StdClose))
            close = c;
    }
    return close;
}

// The style of buttons and tab bars: as the application's, with a focus mark that shows clearly
// (a solid frame two pixels wide in the highlight colour) where the keyboard put the focus.
class FocusMarkStyle : public QProxyStyle {
public:
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override {
        const bool keyboard =
            (option->state & State_HasFocus) && (option->state & State_KeyboardFocusChange);
        if (element == PE_FrameFocusRect) {
            if (keyboard)
                Mark(option->rect, option->palette, painter);
            return;
        }
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        if (element == PE_PanelButtonCommand && keyboard)
            Mark(option->rect, option->palette, painter);
    }

    // The tab's own focus frame (drawn by the base style for itself) is left as it is; the mark
    // goes round the tab's label.
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
        QProxyStyle::drawControl(element, option, painter, widget);
        if (element == CE_TabBarTabLabel && (option->state & State_HasFocus) &&
            (option->state & State_KeyboardFocusChange))
            Mark(option->rect.adjusted(2, 2, -2, -1), option->palette, painter);
    }

private:
    static void Mark(const QRect& rect, const QPalette& palette, QPainter* painter) {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing, false);
        QPen pen(palette.color(QPalette::Highlight).darker(150), 2);
        pen.setJoinStyle(Qt::MiterJoin);
        painter->setPen(pen);
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(QRectF(rect).adjusted(1, 1, -1, -1));
        painter->restore();
    }
};

// Buttons and tab bars show clearly which of them has the keyboard.
void MarkFocusClearly(Control& control) {
    static FocusMarkStyle* style = [] {
        auto* made = new FocusMarkStyle;
        made->setParent(qApp); // lives as long as the application
        return made;
    }();
    QWidget* widget = control.Widget();
    if (!widget)
        return;
    if (control.Kind() == ControlKind::Button)
        widget->setStyle(style);
    else if (control.Kind() == ControlKind::Sheet)
        for (QTabBar* bar : widget->findChildren<QTabBar*>())
            bar->setStyle(style);
}

// The button of a window that has the keyboard, if one has it.
QAbstractButton* FocusedButton(Window& window) {
    QWidget* focus = QApplication::focusWidget();
    Control* control = focus ? input::ControlOf(focus) : nullptr;
    if (!control || &control->Owner() != &window || control->Kind() != ControlKind::Button ||
        control->Disabled())
        return nullptr;
    return qobject_cast<QAbstractButton*>(control->Widget());
}

// The client area of a window: it turns the close box and resizing into the window's events.
class ClientArea : public QWidget {
public:
    ClientArea(Window& window, QWidget* parent, Qt::WindowFlags flags)
        : QWidget(parent, flags), window_(window) {}

protected:
    void closeEvent(QCloseEvent* event) override { input::CloseBoxPressed(window_, event); }
    // Escape that no control took presses the window's cancel button (its Close where the
    // window has no Cancel), as in a dialog; a window of its own with neither closes as its
    // close box closes it. Enter on a button presses it, as Space does.
    void keyPressEvent(QKeyEvent* event) override {
        if (event->modifiers() == Qt::NoModifier && window_.IsOpen()) {
            if (event->key() == Qt::Key_Escape) {
                if (Control* cancel = CancelButton(window_)) {
                    window_.PostInputEvent(EVENT_Accepted, cancel->Number());
                    return;
                }
                if (!qobject_cast<QMainWindow*>(window())) {
                    window_.PostInputEvent(EVENT_CloseWindow, 0);
                    return;
                }
            }
            if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
                if (auto* button = FocusedButton(window_)) {
                    button->click();
                    return;
                }
        }
        QWidget::keyPressEvent(event);
    }
    void resizeEvent(QResizeEvent* event) override {
        QWidget::resizeEvent(event);
        if (window_.IsOpen())
            window_.PostInputEvent(EVENT_Sized, 0);
    }

private:
    Window& window_;
};

} // namespace

namespace {

// Where a window stands: for a window of its own, the top-left corner of its client area on the
// screen, which is what the window manager keeps when it places the window again (its frame's
// corner would move the window by the frame's title bar each time it is stored and restored);
// for a window inside another (a document window of the frame), its place in that one.
QPoint PlaceOf(const QWidget* top) {
    return top->isWindow() ? top->geometry().topLeft() : top->pos();
}

// The height of the title bar the window manager puts above a window's client area: as measured
// once the window is shown with its frame, else the style's.
int TitleBarHeight(const QWidget* top) {
    const int measured = top->geometry().top() - top->frameGeometry().top();
    if (measured > 0)
        return measured;
    return std::max(QApplication::style()->pixelMetric(QStyle::PM_TitleBarHeight), 1);
}

// The client area's corner of a window placed at `client`, moved onto a screen when its title
// bar would be on none, so that the user can still reach it and drag it.
QPoint Reachable(const QWidget* top, const QRect& client) {
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (screens.isEmpty())
        return client.topLeft();
    const int title = TitleBarHeight(top);
    const QRect bar(client.left(), client.top() - title, std::max(client.width(), 1), title);
    const int grip = std::min(bar.width(), 40);
    for (const QScreen* screen : screens) {
        const QRect shown = screen->availableGeometry().intersected(bar);
        if (shown.width() >= grip && shown.height() * 2 >= title)
            return client.topLeft();
    }
    const QScreen* screen = QGuiApplication::screenAt(client.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect room = screen->availableGeometry();
    const int x = std::clamp(client.left(), room.left(),
                             std::max(room.left(), room.right() + 1 - client.width()));
    const int y = std::clamp(client.top(), room.top() + title,
                             std::max(room.top() + title, room.bottom() + 1 - client.height()));
    return {x, y};
}

} // namespace

struct Window::Private {
    QPointer<QWidget> top;
    QPointer<ClientArea> client;
    int minWidth = 0, minHeight = 0;
    // Where the window was when it closed, in pixels: shut-downs store it after the close.
    bool closedGeometry = false;
    int lastX = 0, lastY = 0, lastWidth = 0, lastHeight = 0;
    bool lastMaximized = false, lastMinimized = false;
};

Window::Window(WindowDef def) : def_(std::move(def)), p_(std::make_unique<Private>()) {
    for (const ControlDef& c : def_.controls) {
        auto control = std::make_unique<Control>(*this, c);
        order_.push_back(control.get());
        if (c.number != 0)
            numbered_[c.number] = std::move(control);
        else
            unnumbered_.push_back(std::move(control));
    }
}

Window::~Window() {
    Close();
}

void Window::SetPlacer(Placer placer) {
    ThePlacer() = std::move(placer);
}

QWidget* Window::Widget() const {
    return p_->top.data();
}

QWidget* Window::ClientWidget() const {
    return p_->client.data();
}

void Window::Open() {
    if (open_ || closed_)
        return;
    input::Install();
    InstallAccessibleInterfaces();
    thread_ = ThisThread();
    // A window opened while another window of its thread is open blocks that one: the thread
    // runs only the newest window's event loop until it closes.
    QWidget* owner = nullptr;
    Window* below = Top(thread_);
    if (below && below->Widget())
        owner = below->Widget()->window();
    if (owner && !(def_.attributes & WIN_Modal))
        def_.attributes |= WIN_Modal;
    Qt::WindowFlags flags = Qt::Window;
    if (owner)
        flags |= Qt::Dialog;
    if (def_.attributes & WIN_StayOnTop)
        flags |= Qt::WindowStaysOnTopHint;
    // A window of its own with no window of its thread below it is shown over the frame.
    QWidget* over = owner || (def_.attributes & WIN_MdiChild) ? owner : ShownOver(0);
    auto* client = new ClientArea(*this, over, flags);
    p_->client = client;
    input::MarkClientArea(client, this);
    client->setWindowTitle(ToQt(def_.caption));
    client->setFont(StandInFont(def_.fontName, def_.fontSize));
    if (!def_.icon.empty())
        client->setWindowIcon(PlatformIcon(def_.icon));
    if (def_.attributes & WIN_Modal)
        client->setWindowModality(owner ? Qt::WindowModal : Qt::ApplicationModal);
    client->resize(ToPixelsX(def_.width), ToPixelsY(def_.height));
    if (!(def_.attributes & WIN_Resizable))
        client->setFixedSize(ToPixelsX(def_.width), ToPixelsY(def_.height));
    for (Control* c : order_) {
        c->Build();
        MarkFocusClearly(*c);
    }
    for (std::size_t i = 0; i < order_.size(); ++i)
        order_[i]->WidgetSide()->WindowBuilt(i + 1 < order_.size() ? order_[i + 1] : nullptr);
    TieLabels(*this);
    QWidget* inner = client;
    if (!def_.statusZones.empty())
        inner = AddStatusBar(*this, client);
    QWidget* top = inner;
    if (ThePlacer())
        if (QWidget* placed = ThePlacer()(*this, inner))
            top = placed;
    p_->top = top;
    // The icon shows on the window the desktop sees (a frame's main window around its client).
    if (!def_.icon.empty() && top != client && top->isWindow())
        top->setWindowIcon(client->windowIcon());
    if (def_.x >= 0 && def_.y >= 0 && top == inner)
        inner->move(ToPixelsX(def_.x), ToPixelsY(def_.y));
    OpenWindows().push_back(this);
    open_ = true;
    Display();
    RefreshVisibility();
    if (def_.attributes & WIN_Maximize)
        top->showMaximized();
    else
        top->show();
    // What showing it asked of the layouts (the status bar's among them) is done before the
    // window's first paint: done after it, it would paint the whole window a second time.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    WindowOpened(*this);
    // The first control that takes the keyboard gets it.
    for (Control* c : order_) {
        QWidget* w = c->Widget();
        if (c->Visible() && !c->Disabled() && !c->Skip() && w &&
            (w->focusPolicy() & Qt::TabFocus) && c->WidgetSide()->TakesFirstFocus()) {
            w->setFocus(Qt::OtherFocusReason);
            break;
        }
    }
    PostInputEvent(EVENT_OpenWindow, 0);
}

void Window::Close() {
    if (!open_) {
        closed_ = true;
        return;
    }
    open_ = false;
    closed_ = true;
    auto& all = OpenWindows();
    all.erase(std::remove(all.begin(), all.end(), this), all.end());
    for (Control* c : order_)
        c->Closing();
    QWidget* top = p_->top.data();
    if (top && p_->client) {
        p_->closedGeometry = true;
        p_->lastX = PlaceOf(top).x();
        p_->lastY = PlaceOf(top).y();
        p_->lastWidth = p_->client->width();
        p_->lastHeight = p_->client->height();
        p_->lastMaximized = top->isMaximized();
        p_->lastMinimized = top->isMinimized();
    }
    if (top) {
        // The window it was shown over gets the keyboard back, as from the window manager.
        QWidget* over =
            top->isWindow() && top->parentWidget() ? top->parentWidget()->window() : nullptr;
        const bool active = top->isActiveWindow();
        // Inside the frame: the window of its thread it was opened over, when it had the
        // keyboard.
        QPointer<QMdiSubWindow> below;
        if (auto* sub = qobject_cast<QMdiSubWindow*>(top);
            sub && sub->mdiArea() && sub->mdiArea()->activeSubWindow() == sub)
            if (Window* under = Top(thread_))
                below = qobject_cast<QMdiSubWindow*>(under->Widget());
        top->hide();
        delete top; // the client and every control's widget with it
        if (below && below->mdiArea())
            below->mdiArea()->setActiveSubWindow(below);
        else if (active)
            KeyboardBackTo(over);
    }
    if (p_->client)
        delete p_->client.data();
}

Control& Window::operator[](int number) {
    Control* c = Find(number);
    if (!c)
        throw std::out_of_range("No control " + std::to_string(number) + " in window \"" +
                                def_.caption + "\"");
    return *c;
}

Control* Window::Find(int number) {
    auto it = numbered_.find(number);
    return it == numbered_.end() ? nullptr : it->second.get();
}

std::vector<Control*> Window::Controls() {
    return order_;
}

Control& Window::Create(const ControlDef& def) {
    ControlDef d = def;
    d.attributes |= ATTR_Hidden;
    auto control = std::make_unique<Control>(*this, d);
    Control* c = control.get();
    if (d.number != 0) {
        Destroy(d.number);
        numbered_[d.number] = std::move(control);
    } else {
        unnumbered_.push_back(std::move(control));
    }
    order_.push_back(c);
    if (open_) {
        c->Build();
        RefreshVisibility();
    }
    return *c;
}

void Window::Destroy(int number) {
    auto it = numbered_.find(number);
    if (it == numbered_.end())
        return;
    order_.erase(std::remove(order_.begin(), order_.end(), it->second.get()), order_.end());
    numbered_.erase(it);
}

std::string Window::Caption() const {
    return p_->client ? FromQt(p_->client->windowTitle()) : def_.caption;
}

void Window::SetCaption(const std::string& caption) {
    def_.caption = caption;
    if (p_->client)
        p_->client->setWindowTitle(ToQt(caption));
    if (p_->top && p_->top != p_->client)
        p_->top->setWindowTitle(ToQt(caption));
}

namespace {
// Base units of the window font: average character width and height in pixels, for an
// 8-point sans serif 6 by 13, scaled with the point size.
int BaseX(int points) {
    return (6 * (points > 0 ? points : 8) + 4) / 8;
}
int BaseY(int points) {
    return (13 * (points > 0 ? points : 8) + 4) / 8;
}
int MulDiv(int a, int b, int c) {
    return static_cast<int>(std::lround(static_cast<double>(a) * b / c));
}
} // namespace

int Window::ToPixelsX(int units) const {
    return MulDiv(units, BaseX(def_.fontSize), 4);
}
int Window::ToPixelsY(int units) const {
    return MulDiv(units, BaseY(def_.fontSize), 8);
}
int Window::FromPixelsX(int pixels) const {
    return MulDiv(pixels, 4, BaseX(def_.fontSize));
}
int Window::FromPixelsY(int pixels) const {
    return MulDiv(pixels, 8, BaseY(def_.fontSize));
}

int Window::X() const {
    int px = p_->top              ? PlaceOf(p_->top).x()
             : p_->closedGeometry ? p_->lastX
                                  : ToPixelsX(std::max(0, def_.x));
    return pixels_ ? px : FromPixelsX(px);
}
int Window::Y() const {
    int py = p_->top              ? PlaceOf(p_->top).y()
             : p_->closedGeometry ? p_->lastY
                                  : ToPixelsY(std::max(0, def_.y));
    return pixels_ ? py : FromPixelsY(py);
}
int Window::Width() const {
    int pw = p_->client           ? p_->client->width()
             : p_->closedGeometry ? p_->lastWidth
                                  : ToPixelsX(def_.width);
    return pixels_ ? pw : FromPixelsX(pw);
}
int Window::Height() const {
    int ph = p_->client           ? p_->client->height()
             : p_->closedGeometry ? p_->lastHeight
                                  : ToPixelsY(def_.height);
    return pixels_ ? ph : FromPixelsY(ph);
}

void Window::SetPosition(int x, int y, int width, int height) {
    int px = pixels_ ? x : ToPixelsX(x);
    int py = pixels_ ? y : ToPixelsY(y);
    int pw = pixels_ ? width : ToPixelsX(width);
    int ph = pixels_ ? height : ToPixelsY(height);
    if (!p_->client) {
        def_.x = pixels_ ? FromPixelsX(x) : x;
        def_.y = pixels_ ? FromPixelsY(y) : y;
        def_.width = pixels_ ? FromPixelsX(width) : width;
        def_.height = pixels_ ? FromPixelsY(height) : height;
        return;
    }
    if (p_->top && p_->top->isWindow()) {
        const QPoint place = Reachable(p_->top, QRect(px, py, pw, ph));
        p_->top->setGeometry(QRect(place, p_->top->size()));
    } else if (p_->top) {
        p_->top->move(px, py);
    }
    if (!(def_.attributes & WIN_Resizable))
        p_->client->setFixedSize(pw, ph);
    if (p_->top && p_->top != p_->client) {
        // The sub-window's frame around the client keeps its thickness.
        QSize frame = p_->top->size() - p_->client->size();
        p_->top->resize(QSize(pw, ph) + frame);
    } else {
        p_->client->resize(pw, ph);
    }
}

void Window::SetMinimumSize(int width, int height) {
    p_->minWidth = width;
    p_->minHeight = height;
    if (p_->client)
        p_->client->setMinimumSize(pixels_ ? width : ToPixelsX(width),
                                   pixels_ ? height : ToPixelsY(height));
}

bool Window::RoomInFrame(int& width, int& height) const {
    if (!p_->top || p_->top == p_->client || !p_->top->parentWidget())
        return false;
    // The document area right and below the window's place, less the sub-window's own frame
    // around the client.
    const QPoint place = p_->top->pos();
    const QSize room = p_->top->parentWidget()->size() - QSize(place.x(), place.y()) -
                       (p_->top->size() - p_->client->size());
    width = room.width();
    height = room.height();
    if (!pixels_) {
        // Rounded down: a size that rounds up to one pixel more would not show whole.
        width = FromPixelsX(width);
        while (width > 0 && ToPixelsX(width) > room.width())
            --width;
        height = FromPixelsY(height);
        while (height > 0 && ToPixelsY(height) > room.height())
            --height;
    }
    return true;
}

bool Window::Maximized() const {
    if (!p_->top)
        return p_->closedGeometry && p_->lastMaximized;
    return p_->top->isMaximized();
}

void Window::SetMaximized(bool on) {
    if (!p_->top)
        return;
    if (on)
        p_->top->showMaximized();
    else if (p_->top->isMaximized())
        p_->top->showNormal();
}

bool Window::Minimized() const {
    if (!p_->top)
        return p_->closedGeometry && p_->lastMinimized;
    return p_->top->isMinimized();
}

void Window::Update(int control) {
    for (Control* c : order_)
        if (control == 0 || c->Number() == control)
            c->TakeValue();
}

namespace {

// Wakes a thread when the window system shows (exposes) a top-level window.
class ExposeWatch : public QObject {
public:
    ExposeWatch(QWindow* window, int thread) : thread_(thread) { window->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Expose)
            Wake(thread_);
        return false;
    }

private:
    int thread_;
};

} // namespace

void Window::DrawNow() {
    QWidget* widget = p_->top.data();
    QPointer<QWidget> top = widget ? widget->window() : nullptr;
    if (!open_ || !top || !top->isVisible())
        return;
    QPointer<QWindow> handle = top->windowHandle();
    if (!handle)
        return;
    bool waited = false;
    if (!handle->isExposed() && ThisThread() != 0) {
        waited = true;
        const int thread = ThisThread();
        bool late = false;
        ExposeWatch watch(handle, thread);
        QTimer timer;
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, [&late, thread] {
            late = true;
            Wake(thread);
        });
        timer.start(1000);
        input::HoldInput(handle);
        WaitUntil([&] { return late || !handle || handle->isExposed(); });
        if (handle)
            input::ReleaseInput(handle);
    }
    if (!top || !handle || !handle->isExposed() || !top->isVisible())
        return;
    // The exposure painted the whole window as it stood: only what changed since is left.
    if (waited)
        QCoreApplication::sendPostedEvents(top, QEvent::UpdateRequest);
    else
        top->repaint();
}

void Window::Display(int control) {
    if (!open_)
        return;
    for (Control* c : order_)
        if (control == 0 || c->Number() == control)
            c->Redisplay();
}

void Window::AddAlert(int keyCode) {
    alerts_.Add(keyCode);
}

bool Window::Alerted(int keyCode) const {
    return alerts_.Has(keyCode);
}

int Window::FocusControl() const {
    QWidget* focus = QApplication::focusWidget();
    if (!focus || input::WindowOf(focus) != this)
        return 0;
    Control* c = input::ControlOf(focus);
    return c ? c->Number() : 0;
}

std::vector<Window*> Window::OfThread(int thread) {
    std::vector<Window*> out;
    for (Window* w : OpenWindows())
        if (w->thread_ == thread)
            out.push_back(w);
    return out;
}

Window* Window::Top(int thread) {
    auto windows = OfThread(thread);
    return windows.empty() ? nullptr : windows.back();
}

void Window::Answered(QWidget* box, QWidget* over) {
    QWidget* active = QApplication::activeWindow();
    if (!active || active == box)
        KeyboardBackTo(over);
}

QWidget* Window::ShownOver(int thread) {
    if (Window* top = thread ? Top(thread) : nullptr; top && top->Widget())
        return top->Widget()->window();
    Frame* frame = Frame::Current();
    QWidget* widget = frame && frame->Win().IsOpen() ? frame->Win().Widget() : nullptr;
    return widget ? widget->window() : nullptr;
}

std::vector<Window*> Window::All() {
    return OpenWindows();
}

void Window::RefreshVisibility() {
    if (!open_)
        return;
    for (Control* c : order_) {
        QWidget* w = c->Widget();
        if (!w || c->WidgetSide()->IsPage())
            continue;
        bool visible = c->Visible();
        if (w->isVisibleTo(p_->client) != visible)
            w->setVisible(visible);
    }
}

void Window::PostInputEvent(int event, int control, int keyCode) {
    platform::PostInput(thread_, Event{event, control, keyCode, this});
}

} // namespace platform
