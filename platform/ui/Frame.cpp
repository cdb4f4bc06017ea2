#include "platform/ui/Frame.h"

#include "platform/runtime/Runtime.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Help.h"
#include "platform/ui/Input.h"
#include "platform/ui/Qt.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QStatusBar>
#include <QTextEdit>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>
#include <map>
#include <set>

namespace platform {

namespace {

std::vector<Frame*>& Frames() {
    static std::vector<Frame*> frames;
    return frames;
}

bool IsMenu(const QWidget* widget) {
    return qobject_cast<const QMenuBar*>(widget) || qobject_cast<const QMenu*>(widget);
}

// A control that the menu bar takes the keyboard from keeps its selection, as under a menu
// that pops up, so that the Edit items act on what was selected.
class MenuFocusFilter : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::FocusOut ||
            static_cast<QFocusEvent*>(event)->reason() != Qt::MenuBarFocusReason)
            return false;
        QFocusEvent popup(QEvent::FocusOut, Qt::PopupFocusReason);
        QCoreApplication::sendEvent(watched, &popup);
        return true;
    }
};

// The widget that had the keyboard focus before a menu took it (a menu bar opened from the
// keyboard keeps it until an item is chosen).
QPointer<QWidget>& FocusBeforeMenu() {
    static QPointer<QWidget> widget;
    static const bool watching = [] {
        QObject::connect(qApp, &QApplication::focusChanged, qApp, [](QWidget*, QWidget* now) {
            if (now && !IsMenu(now))
                widget = now;
        });
        // Lives as long as the application.
        auto* filter = new MenuFocusFilter;
        filter->setParent(qApp);
        qApp->installEventFilter(filter);
        return true;
    }();
    (void)watching;
    return widget;
}

// Cut, copy and paste on the control that has the keyboard focus, or had it before the menu
// the item was chosen from took it.
void EditFocused(MenuAction action) {
    QWidget* focus = QApplication::focusWidget();
    if (!focus || IsMenu(focus))
        focus = FocusBeforeMenu();
    if (!focus)
        return;
    QLineEdit* line = qobject_cast<QLineEdit*>(focus);
    if (auto* combo = qobject_cast<QComboBox*>(focus))
        line = combo->lineEdit();
    if (line) {
        if (action == MenuAction::Cut)
            line->cut();
        else if (action == MenuAction::Copy)
            line->copy();
        else
            line->paste();
        return;
    }
    if (auto* text = qobject_cast<QPlainTextEdit*>(focus)) {
        if (action == MenuAction::Cut)
            text->cut();
        else if (action == MenuAction::Copy)
            text->copy();
        else
            text->paste();
        return;
    }
    // Any other control gets the keys of the standard action.
    QKeySequence::StandardKey key = action == MenuAction::Cut    ? QKeySequence::Cut
                                    : action == MenuAction::Copy ? QKeySequence::Copy
                                                                 : QKeySequence::Paste;
    QList<QKeySequence> seq = QKeySequence::keyBindings(key);
    if (seq.isEmpty())
        return;
    QKeyCombination combo = seq.first()[0];
    QKeyEvent press(QEvent::KeyPress, combo.key(), combo.keyboardModifiers());
    QApplication::sendEvent(focus, &press);
}

// The frame's main window: its close box is an event of the frame's window, and when it goes,
// the windows inside it are told to close on their own threads.
class FrameHost : public QMainWindow {
public:
    explicit FrameHost(Window& window) : window_(window) {}
    ~FrameHost() override {
        if (!area)
            return;
        for (QMdiSubWindow* sub : area->subWindowList()) {
            for (Window* w : Window::All())
                if (w->Widget() == sub)
                    Post(EVENT_CloseDown, 0, w->Thread());
            // The child's own thread closes it; until then it lives hidden outside the frame.
            sub->hide();
            area->removeSubWindow(sub);
        }
    }
    QPointer<QMdiArea> area;

protected:
    void closeEvent(QCloseEvent* event) override { input::CloseBoxPressed(window_, event); }

private:
    Window& window_;
};

struct Item {
    int number = 0;
    MenuDef def; // without its items
    bool menu = false;
    QPointer<QAction> action;
};

// One entry of the menu tree in definition order: an item (numbered from -2 down, the bar being
// -1) or a separator (number 0), and the menu it is in (-1 the bar).
struct Entry {
    int number = 0;
    int menu = -1;
};

} // namespace

struct Frame::Private {
    std::map<int, Item> items; // by number
    std::vector<Entry> order;  // every entry, in definition order
    QPointer<FrameHost> host;
    QPointer<QLabel> status;
    std::string statusText;
};

Frame::Frame(Window& window, std::vector<MenuDef> menuBar)
    : window_(window), p_(std::make_unique<Private>()) {
    FocusBeforeMenu(); // watched from now on
    int next = -2;
    std::function<void(const std::vector<MenuDef>&, int)> number = [&](const auto& defs, int menu) {
        for (const MenuDef& d : defs) {
            if (d.separator) {
                p_->order.push_back({0, menu});
                continue;
            }
            Item item;
            item.number = next--;
            item.def = d;
            item.def.items.clear();
            item.menu = !d.items.empty();
            p_->items[item.number] = item;
            p_->order.push_back({item.number, menu});
            number(d.items, item.number);
        }
    };
    number(menuBar, -1);
    Frames().push_back(this);
    static bool placerInstalled = false;
    if (!placerInstalled) {
        placerInstalled = true;
        Window::SetPlacer([](Window& w, QWidget* client) -> QWidget* {
            for (Frame* f : Frames())
                if (&f->Win() == &w)
                    return f->Build(client);
            if (w.Definition().attributes & WIN_MdiChild)
                if (Frame* f = Frame::Current())
                    return f->Adopt(w, client);
            return nullptr;
        });
    }
}

Frame::~Frame() {
    auto& all = Frames();
    all.erase(std::remove(all.begin(), all.end(), this), all.end());
}

Frame* Frame::Of(const Window& window) {
    for (Frame* f : Frames())
        if (&f->window_ == &window)
            return f;
    return nullptr;
}

void Frame::CloseChildren() {
    const int self = ThisThread();
    FrameHost* host = p_->host;
    if (self == 0 || !host || !host->area)
        return;
    QPointer<QMdiArea> area = host->area;
    // Windows inside the frame, and the windows of the program's other threads.
    auto inside = [area, self, this] {
        std::vector<Window*> out;
        for (Window* w : Window::All()) {
            auto* sub = qobject_cast<QMdiSubWindow*>(w->Widget());
            bool ours = sub && area && sub->mdiArea() == area;
            if (w != &window_ && ThreadExists(w->Thread()) && (ours || w->Thread() != self))
                out.push_back(w);
        }
        return out;
    };
    std::map<int, Window*> told; // thread -> its newest window when it was told
    std::set<QObject*> watched;
    for (;;) {
        std::vector<Window*> open = inside();
        if (open.empty())
            return;
        for (Window* w : open) {
            if (w->Thread() == self) {
                w->Close(); // ours: nobody else would take the event
                continue;
            }
            // A thread that closed one window and shows another inside the frame is told again.
            Window* top = Window::Top(w->Thread());
            if (told[w->Thread()] != top) {
                told[w->Thread()] = top;
                Post(EVENT_CloseDown, 0, w->Thread());
            }
            if (watched.insert(w->Widget()).second)
                QObject::connect(w->Widget(), &QObject::destroyed, [self] { Wake(self); });
        }
        WaitUntil([&] { return inside() != open; });
    }
}

Frame* Frame::Current() {
    for (Frame* f : Frames())
        if (f->window_.IsOpen() && f->p_->host)
            return f;
    return nullptr;
}

QWidget* Frame::Build(QWidget* client) {
    auto* host = new FrameHost(window_);
    p_->host = host;
    host->setWindowTitle(client->windowTitle());
    host->setFont(client->font());
    QSize size = client->size();
    host->setCentralWidget(client);
    auto* area = new QMdiArea(client);
    // A window larger than the document area can be scrolled into view, as in the old frames.
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    area->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    host->area = area;
    auto* layout = new QVBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(area);
    // The items' hints show in the status bar, over the frame's own text.
    auto* status = new QLabel(ToQt(p_->statusText), host->statusBar());
    status->setTextFormat(Qt::PlainText);
    host->statusBar()->addWidget(status, 1);
    p_->status = status;

    std::map<int, QMenu*> menus; // by item number
    for (const Entry& e : p_->order) {
        QMenu* into = e.menu == -1 ? nullptr : menus[e.menu];
        if (e.number == 0) {
            if (into)
                into->addSeparator();
            else
                host->menuBar()->addSeparator();
            continue;
        }
        Item& item = p_->items[e.number];
        QString text = ToQt(item.def.text);
        QAction* action = nullptr;
        if (item.menu) {
            QMenu* menu = into ? into->addMenu(text) : host->menuBar()->addMenu(text);
            menus[e.number] = menu;
            action = menu->menuAction();
        } else {
            action = into ? into->addAction(text) : host->menuBar()->addAction(text);
            QObject::connect(action, &QAction::triggered, host,
                             [this, number = e.number] { Activate(number); });
        }
        action->setStatusTip(ToQt(item.def.hint));
        action->setVisible(!item.def.hidden);
        item.action = action;
    }
    host->resize(size + QSize(0, host->menuBar()->sizeHint().height() +
                                     host->statusBar()->sizeHint().height()));
    if (window_.Definition().x >= 0 && window_.Definition().y >= 0)
        host->move(window_.ToPixelsX(window_.Definition().x),
                   window_.ToPixelsY(window_.Definition().y));
    return host;
}

QWidget* Frame::Adopt(Window& child, QWidget* client) {
    FrameHost* host = p_->host;
    if (!host || !host->area)
        return nullptr;
    QMdiSubWindow* sub = host->area->addSubWindow(client);
    sub->setWindowTitle(client->windowTitle());
    // A maximised document window shows its caption in the frame's title ("Frame - [Caption]");
    // one without a caption leaves the frame's own title, as it stands when no window is
    // maximised (Qt keeps the last caption there).
    QObject::connect(sub, &QWidget::windowTitleChanged, host, [this, sub](const QString& title) {
        if (title.isEmpty() && sub->isMaximized() && p_->host)
            p_->host->setWindowTitle(ToQt(window_.Caption()));
    });
    sub->setAttribute(Qt::WA_DeleteOnClose, false);
    // The sub-window's frame goes around the client's own size.
    QSize size = client->size();
    sub->show();
    if (sub->layout())
        sub->layout()->activate();
    sub->resize(size + (sub->size() - client->size()));
    const WindowDef& def = child.Definition();
    if (def.x >= 0 && def.y >= 0)
        sub->move(child.ToPixelsX(def.x), child.ToPixelsY(def.y));
    return sub;
}

void Frame::Activate(int number) {
    auto it = p_->items.find(number);
    if (it == p_->items.end())
        return;
    switch (it->second.def.action) {
    case MenuAction::None:
        window_.PostInputEvent(EVENT_Accepted, number);
        break;
    case MenuAction::Exit:
        window_.PostInputEvent(EVENT_CloseWindow, 0);
        break;
    case MenuAction::Cut:
    case MenuAction::Copy:
    case MenuAction::Paste:
        EditFocused(it->second.def.action);
        break;
    case MenuAction::PrintSetup:
        PrinterSetup();
        break;
    case MenuAction::HelpContents:
        ShowHelp(HelpRequest::Contents);
        break;
    case MenuAction::HelpSearch:
        ShowHelp(HelpRequest::Search);
        break;
    case MenuAction::HelpOnHelp:
        ShowHelp(HelpRequest::OnHelp);
        break;
    }
}

bool Frame::HasItem(int number) const {
    return p_->items.count(number) != 0;
}

std::string Frame::ItemText(int number) const {
    auto it = p_->items.find(number);
    return it == p_->items.end() ? std::string() : it->second.def.text;
}

std::string Frame::ItemHint(int number) const {
    auto it = p_->items.find(number);
    return it == p_->items.end() ? std::string() : it->second.def.hint;
}

bool Frame::ItemHidden(int number) const {
    auto it = p_->items.find(number);
    return it == p_->items.end() || it->second.def.hidden;
}

void Frame::UnhideItem(int number) {
    auto it = p_->items.find(number);
    if (it == p_->items.end())
        return;
    it->second.def.hidden = false;
    if (it->second.action)
        it->second.action->setVisible(true);
}

bool Frame::Choose(int number) {
    auto it = p_->items.find(number);
    if (it == p_->items.end() || it->second.def.hidden || !it->second.action || it->second.menu)
        return false;
    it->second.action->trigger();
    return true;
}

void Frame::SetStatusText(const std::string& text) {
    p_->statusText = text;
    if (p_->status)
        p_->status->setText(ToQt(text));
}

std::string Frame::StatusText() const {
    return p_->statusText;
}

QAction* Frame::Action(int number) const {
    auto it = p_->items.find(number);
    return it == p_->items.end() ? nullptr : it->second.action.data();
}

QWidget* Frame::DocumentArea() const {
    return p_->host ? p_->host->area.data() : nullptr;
}

} // namespace platform
