// The application frame: a main window with a menu bar and a document area. Windows marked
// WIN_MdiChild open inside the document area of the open frame; every other window (dialogs,
// message boxes) stays a window of its own. Menu items are numbered from -1 (the menu bar)
// downwards in definition order, separators not counted.
#pragma once

#include "platform/ui/Window.h"

#include <memory>
#include <string>
#include <vector>

class QAction;

namespace platform {

// What the frame does itself when an item is chosen; items without a standard action reach the
// frame's thread as EVENT:Accepted with the item's number as the control.
enum class MenuAction {
    None,
    PrintSetup, // the printer set-up dialog
    Exit,       // closes the frame (EVENT:CloseWindow)
    Cut,        // cut, copy and paste act on the control that has the keyboard focus
    Copy,
    Paste,
    HelpContents, // the current help file
    HelpSearch,
    HelpOnHelp,
};

struct MenuDef {
    std::string text; // "&File": the ampersand marks the access key
    std::string hint; // shown in the frame's status bar while the item is highlighted
    MenuAction action = MenuAction::None;
    bool hidden = false;
    bool separator = false;
    std::vector<MenuDef> items; // not empty: the item is a menu of its own
};

inline MenuDef MenuSeparator() {
    MenuDef d;
    d.separator = true;
    return d;
}

class Frame {
public:
    // Makes `window` an application frame with this menu bar; the window becomes the frame when
    // it opens. The frame object must live as long as the window.
    Frame(Window& window, std::vector<MenuDef> menuBar);
    ~Frame();
    Frame(const Frame&) = delete;
    Frame& operator=(const Frame&) = delete;

    Window& Win() { return window_; }

    // Items by number (-2 the first menu of the bar, ...); false or empty for a number that is
    // not an item.
    bool HasItem(int number) const;
    std::string ItemText(int number) const;
    std::string ItemHint(int number) const;
    bool ItemHidden(int number) const;
    void UnhideItem(int number);

    // Chooses an item as the user does; false when it is hidden or not there.
    bool Choose(int number);

    // A text the frame's status bar keeps showing (menu hints show over it for their moment).
    void SetStatusText(const std::string& text);
    std::string StatusText() const;

    // Closes every window inside the frame and every window of the program's other threads:
    // each thread is told EVENT:CloseDown, and the call returns once all of them have closed (so
    // they store what they store on closing before the program ends). The frame's shut-down
    // calls it on the frame's thread.
    void CloseChildren();

    // The open frame, or null.
    static Frame* Current();
    // The frame a window is, or null.
    static Frame* Of(const Window& window);

    // The platform's own.
    QAction* Action(int number) const;
    QWidget* DocumentArea() const;

private:
    QWidget* Build(QWidget* client);
    QWidget* Adopt(Window& child, QWidget* client);
    void Activate(int number);

    struct Private;
    Window& window_;
    std::unique_ptr<Private> p_;
};

} // namespace platform
