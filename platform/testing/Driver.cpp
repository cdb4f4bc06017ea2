#include "platform/testing/Driver.h"

#include "platform/runtime/Runtime.h"
#include "platform/ui/Frame.h"
#include "platform/ui/KeepPainting.h"
#include "platform/ui/Keys.h"
#include "platform/ui/ListBox.h"
#include "platform/ui/Popup.h"
#include "platform/ui/Qt.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QScrollBar>
#include <QStyleOptionComboBox>
#include <QStyleOptionSlider>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTreeView>
#include <QWheelEvent>
#include <QWindow>

#include <gtest/gtest.h>

namespace platform::testing {

namespace {

void Activate(QWidget* widget) {
    QWidget* top = widget->window();
    top->activateWindow();
    QApplication::setActiveWindow(top);
}

QWindow* HandleOf(QWidget* widget) {
    QWidget* top = widget->window();
    if (!top->windowHandle())
        top->winId();
    return top->windowHandle();
}

// Presses and releases a key with the text the system's keyboard gives it: with Ctrl (and no Alt)
// a letter types its control character (Ctrl+V is character 22), as X11 and Windows report it,
// where QTest would report the letter itself.
void KeyClick(QWindow* handle, Qt::Key key, Qt::KeyboardModifiers modifiers) {
    if ((modifiers & Qt::ControlModifier) && !(modifiers & Qt::AltModifier) && key >= Qt::Key_A &&
        key <= Qt::Key_Z) {
        const QString text(QChar(static_cast<char16_t>(key - Qt::Key_A + 1)));
        QTest::sendKeyEvent(QTest::Click, handle, key, text, modifiers);
        return;
    }
    QTest::keyClick(handle, key, modifiers);
}

void DoubleClickAt(QWidget* target, QPoint at) {
    Activate(target);
    QTest::mouseDClick(HandleOf(target), Qt::LeftButton, Qt::NoModifier,
                       target->mapTo(target->window(), at));
    Settle();
}

// Hands a mouse event at a point of a top-level window to Qt as the window system does: at once,
// with no turn of the event loop after it (QTest's own functions run one after each event).
void HandMouse(QWindow* handle, QPoint local, Qt::MouseButtons buttons, Qt::MouseButton button,
               QEvent::Type type) {
    QTest::lastMouseTimestamp += 20;
    qt_handleMouseEvent(handle, local, handle->mapToGlobal(local), buttons, button, type,
                        Qt::NoModifier, QTest::lastMouseTimestamp);
}

void ClickAt(QWidget* target, QPoint local) {
    QWindow* handle = HandleOf(target);
    QPoint at = target->mapTo(target->window(), local);
    Activate(target);
    QTest::mouseClick(handle, Qt::LeftButton, Qt::NoModifier, at);
}

} // namespace

QPoint ScrollBarPartAt(QScrollBar* bar, QWidget* client, QStyle::SubControl part) {
    QStyleOptionSlider option;
    option.initFrom(bar);
    option.orientation = bar->orientation();
    option.minimum = bar->minimum();
    option.maximum = bar->maximum();
    option.sliderPosition = bar->sliderPosition();
    option.sliderValue = bar->value();
    option.singleStep = bar->singleStep();
    option.pageStep = bar->pageStep();
    option.subControls = QStyle::SC_All;
    QRect r = bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, part, bar);
    return bar->mapTo(client, r.center());
}

void Settle() {
    for (int i = 0;; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        RunUntilIdle();
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        // Work that pauses for the windows to paint goes on with Qt's next events.
        if (i >= 2 && !WorkPausedForPaint())
            break;
    }
}

Window* FindWindow(const std::string& caption) {
    Window* found = nullptr;
    for (Window* w : Window::All())
        if (w->Caption() == caption)
            found = w;
    return found;
}

void Click(Window& window, int control) {
    QWidget* w = window[control].Widget();
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(w->isVisible()) << "control " << control << " is not shown";
    ClickAt(w, w->rect().center());
    Settle();
}

void ClickThenKey(Window& window, int control, int keyCode) {
    QWidget* w = window[control].Widget();
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(w->isVisible()) << "control " << control << " is not shown";
    Activate(w);
    QWindow* handle = HandleOf(w);
    const QPoint at = w->mapTo(w->window(), w->rect().center());
    HandMouse(handle, at, Qt::LeftButton, Qt::LeftButton, QEvent::MouseButtonPress);
    HandMouse(handle, at, Qt::NoButton, Qt::LeftButton, QEvent::MouseButtonRelease);
    QTest::lastMouseTimestamp += QTest::mouseDoubleClickInterval;
    KeyClick(handle, QtKeyOf(keyCode), QtModifiersOf(keyCode));
    Settle();
}

void DoubleClick(Window& window, int control) {
    QWidget* w = window[control].Widget();
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(w->isVisible()) << "control " << control << " is not shown";
    DoubleClickAt(w, w->rect().center());
}

void Type(Window& window, int control, const std::string& text, bool leave) {
    TypeQt(window, control, ToQt(text), leave);
}

void TypeQt(Window& window, int control, const QString& text, bool leave) {
    QWidget* w = window[control].Widget();
    ASSERT_NE(w, nullptr);
    Activate(w);
    w->setFocus(Qt::TabFocusReason);
    QCoreApplication::processEvents();
    QWindow* handle = HandleOf(w);
    KeyClick(handle, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(handle, Qt::Key_Delete);
    for (char32_t cp : text.toUcs4()) {
        QString s = QString::fromUcs4(&cp, 1);
        QTest::sendKeyEvent(QTest::Press, handle, Qt::Key_unknown, s, Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, handle, Qt::Key_unknown, s, Qt::NoModifier);
    }
    if (leave)
        QTest::keyClick(handle, Qt::Key_Tab);
    Settle();
}

void Key(Window& window, int control, int keyCode) {
    if (control) {
        EXPECT_TRUE(window[control].HasFocus()) << "control " << control << " has no focus";
    }
    QWidget* w = QApplication::focusWidget();
    if (!w) {
        w = window.ClientWidget();
        ASSERT_NE(w, nullptr);
        Activate(w);
        QCoreApplication::processEvents();
    }
    KeyClick(HandleOf(w), QtKeyOf(keyCode), QtModifiersOf(keyCode));
    Settle();
}

void Focus(Window& window, int control) {
    QWidget* w = window[control].Widget();
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(w->isVisible()) << "control " << control << " is not shown";
    Activate(w);
    const std::size_t most = window.Controls().size() + 2;
    for (std::size_t tabs = 0; !window[control].HasFocus() && tabs < most; ++tabs) {
        QTest::keyClick(HandleOf(w), Qt::Key_Tab);
        Settle();
    }
    ASSERT_TRUE(window[control].HasFocus()) << "Tab never reaches control " << control;
}

void Paste(Window& window, int control, const std::string& text) {
    QApplication::clipboard()->setText(ToQt(text));
    Key(window, control, KEY_Ctrl + KeyOf('v'));
}

void AccessKey(Window& window, char letter) {
    Key(window, 0, KEY_Alt + KeyOf(letter));
    QTest::qWait(150); // a button's animated click lasts 100 ms
    Settle();
}

namespace {

// Where a point of the client area lies in the top-level window.
QPoint InTop(Window& window, int x, int y) {
    QWidget* client = window.ClientWidget();
    return client->mapTo(client->window(), QPoint(x, y));
}

void MouseButton(Window& window, int x, int y, bool right, bool press) {
    QWidget* client = window.ClientWidget();
    ASSERT_NE(client, nullptr);
    Activate(client);
    Qt::MouseButton button = right ? Qt::RightButton : Qt::LeftButton;
    if (press)
        QTest::mousePress(HandleOf(client), button, Qt::NoModifier, InTop(window, x, y));
    else
        QTest::mouseRelease(HandleOf(client), button, Qt::NoModifier, InTop(window, x, y));
    Settle();
}

} // namespace

void MouseDown(Window& window, int x, int y, bool right) {
    MouseButton(window, x, y, right, true);
}

void MouseUp(Window& window, int x, int y, bool right) {
    MouseButton(window, x, y, right, false);
}

void MouseMove(Window& window, int x, int y) {
    QWidget* client = window.ClientWidget();
    ASSERT_NE(client, nullptr);
    QTest::mouseMove(HandleOf(client), InTop(window, x, y));
    Settle();
}

void Drag(Window& window, QPoint from, QPoint to) {
    QWidget* client = window.ClientWidget();
    ASSERT_NE(client, nullptr);
    Activate(client);
    QWindow* handle = HandleOf(client);
    auto send = [&](QPoint at, Qt::MouseButtons buttons, Qt::MouseButton button,
                    QEvent::Type type) {
        HandMouse(handle, InTop(window, at.x(), at.y()), buttons, button, type);
    };
    send(from, Qt::LeftButton, Qt::LeftButton, QEvent::MouseButtonPress);
    constexpr int kSteps = 4;
    for (int step = 1; step <= kSteps; ++step)
        send(from + (to - from) * step / kSteps, Qt::LeftButton, Qt::NoButton, QEvent::MouseMove);
    send(to, Qt::NoButton, Qt::LeftButton, QEvent::MouseButtonRelease);
    QTest::lastMouseTimestamp += QTest::mouseDoubleClickInterval;
    Settle();
}

void Wheel(Window& window, int x, int y, int delta) {
    QWidget* client = window.ClientWidget();
    ASSERT_NE(client, nullptr);
    QWidget* top = client->window();
    QPoint at = InTop(window, x, y);
    QWidget* target = top->childAt(at);
    if (!target)
        target = top;
    QPoint local = target->mapFrom(top, at);
    QWheelEvent event(local, target->mapToGlobal(local), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    // Each turn is an event of its own, also when two are sent at once.
    static quint64 timestamp = 1u << 30;
    event.setTimestamp(++timestamp);
    QApplication::sendEvent(target, &event);
    Settle();
}

win32::HWND Capture(Window& window) {
    return win32::CaptureOf(window.Thread());
}

win32::COLORREF Pixel(Window& window, int x, int y) {
    return win32::SurfacePixel(window, x, y);
}

void Choose(Window& window, int control, int item) {
    QWidget* w = window[control].Widget();
    ASSERT_NE(w, nullptr);
    if (auto* tabs = qobject_cast<QTabWidget*>(w)) {
        QTabBar* bar = tabs->tabBar();
        ASSERT_TRUE(bar->isTabVisible(item - 1)) << "tab " << item << " is hidden";
        ClickAt(bar, bar->tabRect(item - 1).center());
    } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
        ASSERT_GE(item, 1);
        ASSERT_LE(item, combo->count());
        // The user opens the drop-down list with its arrow and clicks the item.
        QStyleOptionComboBox option;
        option.initFrom(combo);
        option.editable = combo->isEditable();
        option.subControls = QStyle::SC_All;
        ClickAt(combo,
                combo->style()
                    ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxArrow, combo)
                    .center());
        Settle();
        QAbstractItemView* view = combo->view();
        ASSERT_TRUE(view->isVisible())
            << "the drop-down list of control " << control << " did not open";
        QModelIndex index = view->model()->index(item - 1, combo->modelColumn());
        view->scrollTo(index);
        QWidget* viewport = view->viewport();
        // An item may reach past a narrow list's right edge: the user clicks what is shown.
        QRect shown = view->visualRect(index).intersected(viewport->rect());
        ASSERT_FALSE(shown.isEmpty()) << "item " << item << " of control " << control
                                      << " is not shown in its drop-down list";
        QPoint at = viewport->mapTo(viewport->window(), shown.center());
        QTest::mouseClick(viewport->window()->windowHandle(), Qt::LeftButton, Qt::NoModifier, at);
    } else {
        FAIL() << "control " << control << " has no items to choose";
    }
    Settle();
}

namespace {

QComboBox* ComboOf(Window& window, int control) {
    return qobject_cast<QComboBox*>(window[control].Widget());
}

} // namespace

std::vector<std::string> Items(Window& window, int control) {
    std::vector<std::string> items;
    QComboBox* combo = ComboOf(window, control);
    EXPECT_NE(combo, nullptr) << "control " << control << " has no drop-down list";
    for (int i = 0; combo && i < combo->count(); ++i)
        items.push_back(FromQt(combo->itemText(i)));
    return items;
}

int ItemHeight(Window& window, int control, int item) {
    QComboBox* combo = ComboOf(window, control);
    EXPECT_NE(combo, nullptr) << "control " << control << " has no drop-down list";
    if (!combo || item < 1 || item > combo->count())
        return 0;
    return combo->itemData(item - 1, Qt::SizeHintRole).toSize().height();
}

std::vector<std::string> TabCaptions(Window& window, int control) {
    std::vector<std::string> out;
    auto* tabs = qobject_cast<QTabWidget*>(window[control].Widget());
    EXPECT_NE(tabs, nullptr) << "control " << control << " is no sheet";
    if (!tabs)
        return out;
    for (int i = 0; i < tabs->count(); ++i)
        if (tabs->isTabVisible(i))
            out.push_back(FromQt(tabs->tabText(i)));
    return out;
}

void CloseBox(Window& window) {
    QWidget* top = window.Widget();
    ASSERT_NE(top, nullptr);
    top->close();
    Settle();
}

void Resize(Window& window, int width, int height) {
    QWidget* client = window.ClientWidget();
    ASSERT_NE(client, nullptr);
    QWidget* outer = window.Widget();
    outer->resize(outer->size() + (QSize(width, height) - client->size()));
    Settle();
}

void Answer(const std::string& text, const std::string& caption, int icon, int buttons, int button,
            int defaultButton) {
    Settle();
    auto open = OpenMessages();
    ASSERT_EQ(open.size(), 1u) << "expected one message box saying \"" << text << "\"";
    const MessageInfo& m = open.front();
    EXPECT_EQ(m.text, text);
    EXPECT_EQ(m.caption, caption);
    EXPECT_EQ(m.icon, icon);
    EXPECT_EQ(m.buttons, buttons);
    if (defaultButton) {
        EXPECT_EQ(m.defaultButton, defaultButton);
    }
    QWidget* pressed = MessageButton(button);
    ASSERT_NE(pressed, nullptr) << "the message box has no button " << button;
    ClickAt(pressed, pressed->rect().center());
    Settle();
}

void ExpectNoMessage() {
    Settle();
    for (const MessageInfo& m : OpenMessages())
        ADD_FAILURE() << "unexpected message box: \"" << m.text << "\" (" << m.caption << ")";
    for (const DialogInfo& d : OpenDialogs())
        ADD_FAILURE() << "unexpected dialog: \"" << d.title << "\"";
    if (!OpenPopupItems().empty())
        ADD_FAILURE() << "unexpected popup menu";
}

namespace {

// Where a user clicks a list's cell, in its viewport (on the icon in front of its text, when
// asked); false when it is not on the screen.
bool ListPoint(Window& window, int control, int row, int column, QWidget*& viewport, QPoint& at,
               bool icon = false) {
    ListBox* list = ListBox::Of(window[control]);
    if (!list)
        return false;
    auto* view = static_cast<QTreeView*>(list->View());
    viewport = view->viewport();
    QAbstractItemModel* model = view->model();
    if (row <= list->Count()) {
        QRect cell = view->visualRect(model->index(row - 1, column - 1));
        at = cell.center();
        if (icon) {
            const auto& columns = window[control].Definition().columns;
            int indent =
                column <= static_cast<int>(columns.size())
                    ? window.ToPixelsX(columns[static_cast<std::size_t>(column - 1)].indent)
                    : 0;
            at.setX(cell.left() + indent + view->iconSize().width() / 2 + 2);
        }
    } else {
        int x = view->header()->sectionViewportPosition(column - 1) +
                view->header()->sectionSize(column - 1) / 2;
        int y = list->Count() == 0
                    ? 2
                    : view->visualRect(model->index(list->Count() - 1, 0)).bottom() + 3;
        at = QPoint(x, y);
    }
    return viewport->rect().contains(at);
}

} // namespace

void ClickList(Window& window, int control, int row, int column) {
    QWidget* viewport = nullptr;
    QPoint at;
    ASSERT_TRUE(ListPoint(window, control, row, column, viewport, at))
        << "row " << row << " column " << column << " of list " << control << " is not shown";
    ClickAt(viewport, at);
    Settle();
}

void DoubleClickList(Window& window, int control, int row, int column) {
    QWidget* viewport = nullptr;
    QPoint at;
    ASSERT_TRUE(ListPoint(window, control, row, column, viewport, at))
        << "row " << row << " column " << column << " of list " << control << " is not shown";
    DoubleClickAt(viewport, at);
}

void DoubleClickListIcon(Window& window, int control, int row, int column) {
    ListBox* list = ListBox::Of(window[control]);
    ASSERT_NE(list, nullptr);
    ASSERT_GE(row, 1);
    ASSERT_LE(row, list->Count());
    QWidget* viewport = nullptr;
    QPoint at;
    ASSERT_TRUE(ListPoint(window, control, row, column, viewport, at, true))
        << "row " << row << " of list " << control << " is not shown";
    DoubleClickAt(viewport, at);
}

void PickPopup(const std::vector<std::string>& items, int item) {
    Settle();
    std::vector<std::string> shown;
    for (const PopupItem& p : OpenPopupItems())
        shown.push_back((p.checkable ? (p.checked ? "+" : "-") : "") + p.text);
    ASSERT_FALSE(shown.empty()) << "no popup menu is open";
    EXPECT_EQ(shown, items);
    ASSERT_TRUE(AnswerPopup(item)) << "the popup menu has no item " << item;
    Settle();
}

void ChooseMenu(int number) {
    Frame* frame = Frame::Current();
    ASSERT_NE(frame, nullptr) << "no frame is open";
    ASSERT_TRUE(frame->HasItem(number)) << "no menu item " << number;
    ASSERT_FALSE(frame->ItemHidden(number)) << "menu item " << number << " is hidden";
    ASSERT_TRUE(frame->Choose(number)) << "menu item " << number << " cannot be chosen";
    Settle();
}

void AnswerDialog(int kind, const std::string& title, const std::string& choice) {
    Settle();
    auto open = OpenDialogs();
    ASSERT_EQ(open.size(), 1u) << "expected one dialog \"" << title << "\"";
    EXPECT_EQ(open.front().kind, kind);
    EXPECT_EQ(open.front().title, title);
    ASSERT_TRUE(platform::AnswerDialog(!choice.empty(), choice));
    Settle();
}

void AcceptDialog(int kind, const std::string& title) {
    Settle();
    auto open = OpenDialogs();
    ASSERT_EQ(open.size(), 1u) << "expected one dialog \"" << title << "\"";
    EXPECT_EQ(open.front().kind, kind);
    EXPECT_EQ(open.front().title, title);
    ASSERT_TRUE(platform::AnswerDialog(true));
    Settle();
}

} // namespace platform::testing
