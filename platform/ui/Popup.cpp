#include "platform/ui/Popup.h"

#include "platform/runtime/Runtime.h"
#include "platform/ui/Control.h"
#include "platform/ui/Qt.h"
#include "platform/ui/Window.h"

#include <QAction>
#include <QCursor>
#include <QMenu>
#include <QPointer>

#include <memory>
#include <stdexcept>

namespace platform {

namespace {

struct OpenPopup {
    QPointer<QMenu> menu;
    std::vector<QAction*> actions; // by item number - 1
    std::vector<PopupItem> items;
    int thread = 0;
    int chosen = 0;
    bool closed = false;
};

std::shared_ptr<OpenPopup>& Current() {
    static std::shared_ptr<OpenPopup> current;
    return current;
}

struct PopupGuard {
    std::shared_ptr<OpenPopup> open;
    ~PopupGuard() {
        if (Current() == open)
            Current().reset();
        if (open->menu) {
            open->menu->disconnect();
            open->menu->hide();
            open->menu->deleteLater();
        }
    }
};

} // namespace

namespace {

int PopupAt(const std::string& items, const QPoint& at) {
    int thread = ThisThread();
    if (thread == 0)
        throw std::logic_error("A popup menu needs a program thread");
    auto open = std::make_shared<OpenPopup>();
    open->thread = thread;
    QWidget* owner = nullptr;
    if (Window* top = Window::Top(thread); top && top->Widget())
        owner = top->Widget()->window();
    auto* menu = new QMenu(owner);
    open->menu = menu;
    std::string rest = items;
    for (;;) {
        std::size_t bar = rest.find('|');
        std::string text = rest.substr(0, bar);
        if (text == "-") {
            menu->addSeparator();
        } else {
            PopupItem item;
            if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
                item.checkable = true;
                item.checked = text[0] == '+';
                text.erase(0, 1);
            }
            item.text = text;
            QAction* action = menu->addAction(ToQt(text));
            action->setCheckable(item.checkable);
            action->setChecked(item.checked);
            int number = static_cast<int>(open->actions.size()) + 1;
            std::weak_ptr<OpenPopup> weak = open;
            QObject::connect(action, &QAction::triggered, menu, [weak, number] {
                if (auto o = weak.lock())
                    o->chosen = number;
            });
            open->actions.push_back(action);
            open->items.push_back(item);
        }
        if (bar == std::string::npos)
            break;
        rest.erase(0, bar + 1);
    }
    std::weak_ptr<OpenPopup> weak = open;
    // The menu hides before it reports the choice; the thread runs again only after both.
    QObject::connect(menu, &QMenu::aboutToHide, menu, [weak] {
        if (auto o = weak.lock()) {
            o->closed = true;
            Wake(o->thread);
        }
    });
    Current() = open;
    PopupGuard guard{open};
    menu->popup(at);
    WaitUntil([&] { return open->closed; });
    return open->chosen;
}

} // namespace

int Popup(const std::string& items) {
    return PopupAt(items, QCursor::pos());
}

int Popup(const std::string& items, Control& control, int x, int y) {
    QWidget* w = control.Widget();
    return PopupAt(items, w ? w->mapToGlobal(QPoint(x, y)) : QCursor::pos());
}

std::vector<PopupItem> OpenPopupItems() {
    auto& open = Current();
    return open && !open->closed ? open->items : std::vector<PopupItem>();
}

bool AnswerPopup(int item) {
    auto open = Current();
    if (!open || open->closed || !open->menu)
        return false;
    if (item < 0 || item > static_cast<int>(open->actions.size()))
        return false;
    if (item > 0)
        open->actions[static_cast<std::size_t>(item - 1)]->trigger();
    open->menu->hide();
    return true;
}

} // namespace platform
