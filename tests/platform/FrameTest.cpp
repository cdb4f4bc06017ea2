#include "platform/ui/Frame.h"
#include "platform/runtime/Runtime.h"
#include "platform/testing/Driver.h"
#include "platform/ui/Help.h"
#include "platform/ui/Icons.h"
#include "platform/ui/Keys.h"
#include "platform/ui/WindowManager.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScreen>
#include <QStatusBar>
#include <QWindow>

#include <gtest/gtest.h>

using namespace platform;
namespace drv = platform::testing;

namespace {

// -1 the bar; the separator in "&Setup" gets no number.
enum {
    FILEMENU = -2,
    EXIT = -3,
    EDITMENU = -4,
    CUT = -5,
    COPY = -6,
    PASTE = -7,
    SETUPMENU = -8,
    UNITS = -9,
    TYPES = -10,
    HELPMENU = -11,
    CONTENTS = -12,
    ABOUT = -13,
};

std::vector<MenuDef> DemoMenu() {
    MenuDef types{"&Types"};
    types.hidden = true;
    return {
        {"&File",
         "",
         MenuAction::None,
         false,
         false,
         {{"E&xit", "Exit this application", MenuAction::Exit}}},
        {"&Edit",
         "",
         MenuAction::None,
         false,
         false,
         {{"Cu&t", "Remove item", MenuAction::Cut},
          {"&Copy", "Copy item", MenuAction::Copy},
          {"&Paste", "Paste", MenuAction::Paste}}},
        {"&Setup", "", MenuAction::None, false, false, {{"&Units"}, MenuSeparator(), types}},
        {"&Help",
         "Windows Help",
         MenuAction::None,
         false,
         false,
         {{"&Contents", "View the contents", MenuAction::HelpContents}, {"&About"}}},
    };
}

WindowDef FrameDef() {
    WindowDef def;
    def.caption = "Demo Frame";
    def.icon = "NOTE.ICO";
    def.width = 300;
    def.height = 200;
    def.attributes = WIN_Resizable;
    return def;
}

struct Main : WindowManager {
    Window window{FrameDef()};
    Frame frame{window, DemoMenu()};
    std::vector<int> accepted;
    int Setup() override {
        Open(window);
        return RESULT_GoOn;
    }
    int OnAccepted() override {
        accepted.push_back(EventControl());
        return WindowManager::OnAccepted();
    }
};

enum { NAME = 1, OPEN_DIALOG };

WindowDef ChildDef(unsigned attributes, const std::string& caption) {
    WindowDef def;
    def.caption = caption;
    def.width = 150;
    def.height = 80;
    def.x = 10;
    def.y = 10;
    def.attributes = attributes;
    def.controls = {{ControlKind::Entry, NAME, "", 5, 5, 80, 12},
                    {ControlKind::Button, OPEN_DIALOG, "Dialog", 5, 30, 40, 14}};
    return def;
}

struct Child : WindowManager {
    explicit Child(unsigned attributes = WIN_MdiChild | WIN_Resizable)
        : window(ChildDef(attributes, "Child")) {}
    Window window;
    Window dialog{ChildDef(WIN_Modal, "Options")};
    bool closed = false;
    int Setup() override {
        Open(window);
        return RESULT_GoOn;
    }
    int OnAccepted() override {
        if (EventControl() == OPEN_DIALOG) {
            dialog.Open(); // the dialog's own events are not needed here
        }
        return WindowManager::OnAccepted();
    }
    int Shutdown() override {
        closed = true;
        return WindowManager::Shutdown();
    }
};

class FrameTest : public ::testing::Test {
protected:
    Main main;
    Child child;
    int childThread = 0;
    std::vector<std::string> ended; // the order in which the procedures returned
    void StartBoth() {
        Start([&](const std::string&) {
            main.Run();
            ended.push_back("frame");
        });
        drv::Settle();
        childThread = Start([&](const std::string&) {
            child.Run();
            ended.push_back("child");
        });
        drv::Settle();
        ASSERT_TRUE(main.window.IsOpen());
        ASSERT_TRUE(child.window.IsOpen());
    }
    void TearDown() override {
        drv::ExpectNoMessage();
        EndAllThreads();
        drv::Settle();
        SetHelpFile("");
    }
};

} // namespace

TEST_F(FrameTest, MenuItemsAreNumberedInDefinitionOrderWithoutSeparators) {
    StartBoth();
    const std::pair<int, std::string> items[] = {
        {FILEMENU, "&File"}, {EXIT, "E&xit"},     {EDITMENU, "&Edit"},     {CUT, "Cu&t"},
        {COPY, "&Copy"},     {PASTE, "&Paste"},   {SETUPMENU, "&Setup"},   {UNITS, "&Units"},
        {TYPES, "&Types"},   {HELPMENU, "&Help"}, {CONTENTS, "&Contents"}, {ABOUT, "&About"},
    };
    for (const auto& [number, text] : items)
        EXPECT_EQ(main.frame.ItemText(number), text) << number;
    EXPECT_FALSE(main.frame.HasItem(-14));
    EXPECT_FALSE(main.frame.HasItem(-1)); // the bar itself is no item to choose
    EXPECT_EQ(main.frame.ItemHint(EXIT), "Exit this application");
    auto* host = qobject_cast<QMainWindow*>(main.window.Widget());
    // The frame shows the note sheet as its icon.
    ASSERT_FALSE(host->windowIcon().isNull());
    EXPECT_EQ(host->windowIcon().pixmap(32, 32).toImage(),
              PlatformIcon("NOTE.ICO").pixmap(32, 32).toImage());
    main.frame.Action(EXIT)->showStatusText(host); // as when the item is highlighted
    EXPECT_EQ(host->statusBar()->currentMessage(), "Exit this application");

    // A hidden item cannot be chosen until it is shown again.
    EXPECT_TRUE(main.frame.ItemHidden(TYPES));
    EXPECT_FALSE(main.frame.Action(TYPES)->isVisible());
    EXPECT_FALSE(main.frame.Choose(TYPES));
    main.frame.UnhideItem(TYPES);
    drv::ChooseMenu(TYPES);
    drv::ChooseMenu(UNITS);
    EXPECT_EQ(main.accepted, (std::vector<int>{TYPES, UNITS}));
}

TEST_F(FrameTest, PostedMenuItemsReachTheFrameAsAccepted) {
    StartBoth();
    Start([](const std::string&) { Post(EVENT_Accepted, ABOUT, 1); });
    drv::Settle();
    EXPECT_EQ(main.accepted, std::vector<int>{ABOUT});
}

TEST_F(FrameTest, ChildWindowsOpenInsideTheFrameAndDialogsAsWindowsOfTheirOwn) {
    StartBoth();
    auto* host = qobject_cast<QMainWindow*>(main.window.Widget());
    ASSERT_NE(host, nullptr);
    EXPECT_EQ(host->windowTitle(), "Demo Frame");
    auto* sub = qobject_cast<QMdiSubWindow*>(child.window.Widget());
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(sub->mdiArea(), main.frame.DocumentArea());
    EXPECT_EQ(sub->window(), host);
    EXPECT_EQ(child.window.Width(), 150); // the client keeps its size inside the sub-window
    EXPECT_EQ(child.window.Height(), 80);

    drv::Click(child.window, OPEN_DIALOG);
    ASSERT_TRUE(child.dialog.IsOpen());
    QWidget* dialog = child.dialog.Widget();
    EXPECT_TRUE(dialog->isWindow());
    EXPECT_EQ(dialog->parentWidget(), host); // modal to the whole frame
    EXPECT_EQ(dialog->windowModality(), Qt::WindowModal);
}

TEST_F(FrameTest, FramePositionAndSizeAreWindowProperties) {
    StartBoth();
    Window& w = main.window;
    w.SetMinimumSize(200, 150);
    w.SetPosition(20, 30, 250, 160);
    drv::Settle();
    EXPECT_EQ(w.X(), 20);
    EXPECT_EQ(w.Y(), 30);
    EXPECT_EQ(w.Width(), 250);
    EXPECT_EQ(w.Height(), 160);
    w.SetPosition(20, 30, 100, 100); // below the minimum
    drv::Settle();
    EXPECT_EQ(w.Width(), 200);
    EXPECT_EQ(w.Height(), 150);
    // The position is the client area's, as read and as set, so a position stored and restored
    // is where the window stood.
    const QWidget* top = w.Widget();
    EXPECT_EQ(top->geometry().topLeft(), QPoint(w.ToPixelsX(20), w.ToPixelsY(30)));
    // A place whose title bar would be on no screen is brought back onto one.
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    for (QPoint far : {QPoint(-3000, -3000), QPoint(4000, 20), QPoint(20, -10), QPoint(20, 9000)}) {
        SCOPED_TRACE(far.x());
        w.SetPosition(w.FromPixelsX(far.x()), w.FromPixelsY(far.y()), 200, 150);
        drv::Settle();
        EXPECT_TRUE(screen.contains(top->geometry().topLeft()));
        EXPECT_GE(top->geometry().top(), screen.top() + 1);
    }
    w.SetMaximized(true);
    drv::Settle();
    EXPECT_TRUE(w.Maximized());
}

TEST_F(FrameTest, CutCopyAndPasteActOnTheFocusedControl) {
    StartBoth();
    drv::Type(child.window, NAME, "hello", false);
    auto* edit = qobject_cast<QLineEdit*>(child.window[NAME].Widget());
    edit->selectAll();
    drv::ChooseMenu(COPY);
    EXPECT_EQ(QApplication::clipboard()->text(), "hello");
    edit->selectAll();
    drv::ChooseMenu(CUT);
    EXPECT_EQ(edit->text(), "");
    drv::ChooseMenu(PASTE);
    drv::ChooseMenu(PASTE);
    EXPECT_EQ(edit->text(), "hellohello");
    EXPECT_TRUE(main.accepted.empty()); // standard items are the frame's own
}

TEST_F(FrameTest, CutAndCopyChosenFromTheKeyboardActOnTheControlThatHadTheFocus) {
    StartBoth();
    drv::Type(child.window, NAME, "hello", false);
    auto* edit = qobject_cast<QLineEdit*>(child.window[NAME].Widget());
    QApplication::clipboard()->clear();
    drv::Key(child.window, NAME, KEY_Ctrl + KeyOf('a'));
    drv::Key(child.window, NAME, KEY_Alt + KeyOf('e')); // the Edit menu opens
    drv::Key(child.window, 0, KeyOf('c'));              // its Copy item
    EXPECT_EQ(QApplication::clipboard()->text(), "hello");
    EXPECT_TRUE(child.window[NAME].HasFocus());
    drv::Key(child.window, NAME, KEY_Ctrl + KeyOf('a'));
    drv::Key(child.window, NAME, KEY_Alt + KeyOf('e'));
    drv::Key(child.window, 0, KeyOf('t')); // Cut
    EXPECT_EQ(edit->text(), "");
    drv::Key(child.window, NAME, KEY_Alt + KeyOf('e'));
    drv::Key(child.window, 0, KeyOf('p')); // Paste
    EXPECT_EQ(edit->text(), "hello");
}

TEST_F(FrameTest, ExitClosesTheFrameAndEveryWindowInsideIt) {
    StartBoth();
    int x = child.window.X();
    drv::ChooseMenu(EXIT);
    EXPECT_FALSE(main.window.IsOpen());
    EXPECT_TRUE(child.closed);
    EXPECT_FALSE(ThreadExists(childThread));
    EXPECT_TRUE(Window::All().empty());
    EXPECT_EQ(child.window.X(), x); // still readable after the close, for the position store
    // The frame's procedure (which ends the program) returns only after the child's.
    EXPECT_EQ(ended, (std::vector<std::string>{"child", "frame"}));
}

TEST_F(FrameTest, TheCloseBoxOfAChildWindowClosesOnlyThatWindow) {
    StartBoth();
    drv::CloseBox(child.window);
    EXPECT_TRUE(child.closed);
    EXPECT_FALSE(ThreadExists(childThread));
    EXPECT_TRUE(main.window.IsOpen());
    EXPECT_TRUE(main.frame.DocumentArea()->findChildren<QMdiSubWindow*>().isEmpty());
}

TEST_F(FrameTest, AlertKeysOfTheFrameWindow) {
    struct Alerted : Main {
        std::vector<int> alerts;
        int Setup() override {
            int r = Main::Setup();
            window.AddAlert(KEY_CtrlT);
            return r;
        }
        int OnWindowEvent() override {
            if (CurrentEvent() == EVENT_AlertKey)
                alerts.push_back(KeyCode());
            return Main::OnWindowEvent();
        }
    } alerted;
    Start([&](const std::string&) { alerted.Run(); });
    drv::Settle();
    drv::Key(alerted.window, 0, KEY_CtrlT);
    EXPECT_EQ(alerted.alerts, std::vector<int>{KEY_CtrlT});

    // Once the menu bar had the keyboard (Alt+S opens a menu, Esc closes it and leaves the bar
    // with the keyboard) the frame's keys still reach it.
    drv::Key(alerted.window, 0, KEY_Alt + KeyOf('S'));
    drv::Key(alerted.window, 0, KEY_Esc);
    drv::Key(alerted.window, 0, KEY_CtrlT);
    EXPECT_EQ(alerted.alerts, (std::vector<int>{KEY_CtrlT, KEY_CtrlT}));
    drv::Key(alerted.window, 0, KEY_Esc);
    drv::Key(alerted.window, 0, KEY_CtrlT);
    EXPECT_EQ(alerted.alerts, (std::vector<int>{KEY_CtrlT, KEY_CtrlT, KEY_CtrlT}));
    EndAllThreads();
    drv::Settle();
}

TEST_F(FrameTest, CloseDownOfTheFrameClosesTheWindowsInsideItAndOfOtherThreads) {
    StartBoth();
    Child about(0); // a window of its own, on its own thread
    Start([&](const std::string&) {
        about.Run();
        ended.push_back("about");
    });
    drv::Settle();
    EXPECT_NE(about.window.Widget()->parentWidget(), main.frame.DocumentArea());
    Start([](const std::string&) { Post(EVENT_CloseDown, 0, 1); });
    drv::Settle();
    EXPECT_FALSE(main.window.IsOpen());
    EXPECT_TRUE(child.closed);
    EXPECT_TRUE(about.closed);
    EXPECT_TRUE(Window::All().empty());
    ASSERT_EQ(ended.size(), 3u);
    EXPECT_EQ(ended.back(), "frame");
    EndAllThreads();
}

TEST_F(FrameTest, WindowsOfTheirOwnAndMessageBoxesAreShownOverTheirOwner) {
    StartBoth();
    QWindow* frame = main.window.Widget()->window()->windowHandle();
    Child about(0); // a window of its own, on its own thread
    Start([&](const std::string&) { about.Run(); });
    drv::Settle();
    QWidget* own = about.window.Widget()->window();
    EXPECT_NE(own, main.window.Widget()->window());
    ASSERT_NE(own->windowHandle(), nullptr);
    EXPECT_EQ(own->windowHandle()->transientParent(), frame);

    // A message box of a thread without a window is centred over the frame, one of the window's
    // thread over that window; a system-modal one stays above every other window.
    struct Case {
        int thread;
        int mode;
        QWidget* over;
    };
    const int lone = Start([](const std::string&) { WaitUntil([] { return false; }); });
    drv::Settle();
    for (const Case& c :
         {Case{lone, 0, main.window.Widget()->window()}, Case{about.window.Thread(), 0, own},
          Case{lone, MSGMODE_SYSMODAL, main.window.Widget()->window()}}) {
        Start([&c](const std::string&) {
            ActAsThread as(c.thread);
            Message("Over", "Box", ICON_Asterisk, BUTTON_OK, BUTTON_OK, c.mode);
        });
        drv::Settle();
        QWidget* box = MessageButton(BUTTON_OK);
        ASSERT_NE(box, nullptr);
        box = box->window();
        EXPECT_EQ(box->parentWidget(), c.over);
        EXPECT_LE(
            (box->frameGeometry().center() - c.over->frameGeometry().center()).manhattanLength(),
            4);
        EXPECT_EQ(box->windowFlags().testFlag(Qt::WindowStaysOnTopHint), c.mode != 0);
        EXPECT_EQ(box->windowModality(), c.mode ? Qt::ApplicationModal : Qt::WindowModal);
        drv::Answer("Over", "Box", ICON_Asterisk, BUTTON_OK, BUTTON_OK);
    }
    EndAllThreads();
}

TEST_F(FrameTest, HelpItemsNameTheHelpFileWhenItCannotBeShown) {
    StartBoth();
    SetHelpFile("/nonexistent/QVR.HLP");
    drv::ChooseMenu(CONTENTS);
    drv::Answer("The help file /nonexistent/QVR.HLP was not found.", "", ICON_Exclamation,
                BUTTON_OK, BUTTON_OK);
    EXPECT_TRUE(main.accepted.empty());
}
