#include "platform/runtime/Runtime.h"
#include "platform/testing/Driver.h"
#include "platform/ui/Keys.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Qt.h"
#include "platform/ui/WindowManager.h"

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

using namespace platform;
namespace drv = platform::testing;

namespace {

enum { NAME = 1, NOTE, UPPER, OK, CLOSE, SHEET, TAB1, TAB2, ON_TAB2, KIND, KIND_A, KIND_B };

WindowDef DemoDef(const std::string& caption) {
    WindowDef def;
    def.caption = caption;
    def.width = 200;
    def.height = 150;
    def.controls = {
        {ControlKind::Entry, NAME, "", 10, 10, 80, 12, 0, 0, 5},
        {ControlKind::Text, NOTE, "", 10, 30, 120, 30},
        {ControlKind::Check, UPPER, "Upper", 10, 64, 60, 10},
        {ControlKind::Button, OK, "OK", 10, 130, 40, 14, 0, ATTR_Default},
        {ControlKind::Button, CLOSE, "Close", 60, 130, 40, 14, 0, ATTR_StdClose},
        {ControlKind::Sheet, SHEET, "", 100, 70, 90, 50},
        {ControlKind::Tab, TAB1, "One", 0, 0, 0, 0, SHEET},
        {ControlKind::Tab, TAB2, "Two", 0, 0, 0, 0, SHEET},
        {ControlKind::String, ON_TAB2, "on two", 110, 90, 40, 10, TAB2},
    };
    ControlDef option{ControlKind::Option, KIND, "Kind", 10, 78, 80, 40};
    ControlDef a{ControlKind::Radio, KIND_A, "A", 14, 88, 30, 10, KIND};
    a.value = "Alpha";
    ControlDef b{ControlKind::Radio, KIND_B, "B", 14, 100, 30, 10, KIND};
    b.value = "Beta";
    def.controls.push_back(option);
    def.controls.push_back(a);
    def.controls.push_back(b);
    return def;
}

// A small window procedure that records what reaches its handlers.
struct Demo : WindowManager {
    Window window{DemoDef("Demo")};
    std::string name = "abc";
    std::string note;
    std::uint8_t upper = 1;
    std::string kind = "Beta";
    std::vector<std::string> log;
    bool refuseClose = false;
    int closeDownSeen = 0;

    int Setup() override {
        Open(window);
        window[NAME].Bind(name, 5);
        window[NOTE].Bind(note);
        window[UPPER].Bind(upper);
        window[KIND].Bind(kind);
        window[NOTE].AddAlert(KEY_CtrlEnter);
        window.AddAlert(KEY_CtrlT);
        window.Display();
        return RESULT_GoOn;
    }
    int OnAccepted() override {
        log.push_back("accepted " + std::to_string(EventControl()));
        return WindowManager::OnAccepted();
    }
    int OnFieldEvent() override {
        if (CurrentEvent() == EVENT_AlertKey)
            log.push_back("alert " + std::to_string(EventControl()) + " " +
                          std::to_string(KeyCode()));
        return WindowManager::OnFieldEvent();
    }
    int OnWindowEvent() override {
        int r = WindowManager::OnWindowEvent();
        if (CurrentEvent() == EVENT_AlertKey)
            log.push_back("window alert " + std::to_string(KeyCode()));
        if (CurrentEvent() == EVENT_CloseDown)
            ++closeDownSeen;
        if (CurrentEvent() == EVENT_CloseWindow && refuseClose) {
            log.push_back("refused");
            return RESULT_Handled;
        }
        return r;
    }
};

class WindowTest : public ::testing::Test {
protected:
    Demo demo; // outlives TearDown, which ends the threads that use it
    void TearDown() override {
        drv::ExpectNoMessage();
        EndAllThreads();
        drv::Settle();
    }
};

} // namespace

TEST_F(WindowTest, BoundValuesShowAndAreTakenBackWhenTheUserCompletesAField) {
    Start([&](const std::string&) { demo.Run(); });
    drv::Settle();
    Window& w = demo.window;
    ASSERT_TRUE(w.IsOpen());
    EXPECT_EQ(w[NAME].Text(), "abc");
    EXPECT_EQ(w[UPPER].Value(), "1");
    EXPECT_EQ(w[KIND].Value(), "Beta");

    drv::Type(w, NAME, "Footing"); // the picture takes 5 characters
    EXPECT_EQ(demo.name, "Footi");
    EXPECT_EQ(demo.log, std::vector<std::string>{"accepted 1"});

    drv::Click(w, UPPER);
    EXPECT_EQ(demo.upper, 0);
    drv::Click(w, KIND_A);
    EXPECT_EQ(demo.kind, "Alpha");
    EXPECT_EQ(demo.log.back(), "accepted " + std::to_string(KIND));

    // Variables changed by the program show only after a redisplay, and "copy to variables"
    // takes what the controls hold.
    demo.name = "xy";
    EXPECT_EQ(w[NAME].Text(), "Footi");
    w.Display(NAME);
    EXPECT_EQ(w[NAME].Text(), "xy");
    w[NOTE].SetText("line 1\r\nline 2");
    w.Update();
    EXPECT_EQ(demo.note, "line 1\r\nline 2");
}

TEST_F(WindowTest, AlertKeysRaiseAlertKeyInsteadOfTheirAction) {
    Start([&](const std::string&) { demo.Run(); });
    drv::Settle();
    Window& w = demo.window;
    drv::Type(w, NOTE, "ab", false);
    drv::Key(w, NOTE, KEY_CtrlEnter);
    drv::Key(w, NOTE, KEY_CtrlT);
    drv::Key(w, NOTE, KEY_Enter); // not alerted: the text takes the line break
    ASSERT_EQ(demo.log.size(), 2u);
    EXPECT_EQ(demo.log[0], "alert 2 525");
    EXPECT_EQ(demo.log[1], "window alert " + std::to_string(KEY_CtrlT));
    EXPECT_EQ(w[NOTE].Text(), "ab\r\n");
}

TEST_F(WindowTest, TypedCharactersOutsideTheCodePageAreRefused) {
    Start([&](const std::string&) { demo.Run(); });
    drv::Settle();
    Window& w = demo.window;
    drv::TypeQt(w, NAME, QString::fromUtf8("a\u4e2d\u00e9"), true);
    EXPECT_EQ(demo.name, "a\xe9");
}

TEST_F(WindowTest, EnterInAnEntryPressesTheDefaultButtonAfterTakingTheField) {
    Start([&](const std::string&) { demo.Run(); });
    drv::Settle();
    drv::Type(demo.window, NAME, "Q", false);
    drv::Key(demo.window, NAME, KEY_Enter);
    EXPECT_EQ(demo.name, "Q");
    EXPECT_EQ(demo.log, (std::vector<std::string>{"accepted 1", "accepted 4"}));
    // A radio does not take Enter either.
    demo.log.clear();
    drv::Focus(demo.window, KIND_A);
    drv::Key(demo.window, KIND_A, KEY_Enter);
    EXPECT_EQ(demo.log, std::vector<std::string>{"accepted 4"});
}

TEST_F(WindowTest, ControlsOnATabShowOnlyWhileItsTabIsChosen) {
    Start([&](const std::string&) { demo.Run(); });
    drv::Settle();
    Window& w = demo.window;
    EXPECT_FALSE(w[ON_TAB2].Visible());
    drv::Choose(w, SHEET, 2);
    EXPECT_TRUE(w[ON_TAB2].Visible());
    EXPECT_TRUE(w[ON_TAB2].Widget()->isVisible());
    EXPECT_EQ(w[SHEET].Selected(), 2);
    w[SHEET].SetTabHidden(2, true);
    EXPECT_FALSE(w[ON_TAB2].Visible());
    w[SHEET].SetTabHidden(2, false);
    w[ON_TAB2].Hide();
    EXPECT_FALSE(w[ON_TAB2].Widget()->isVisible());
}

TEST_F(WindowTest, PositionsReadInDialogUnitsOrPixels) {
    Start([&](const std::string&) { demo.Run(); });
    drv::Settle();
    Window& w = demo.window;
    EXPECT_EQ(w[NAME].X(), 10);
    EXPECT_EQ(w[NAME].Width(), 80);
    w.SetPixels(true);
    EXPECT_EQ(w[NAME].X(), 15); // 1.5 pixels a unit across
    EXPECT_EQ(w[NAME].Y(), 16); // 1.625 down
    EXPECT_EQ(w[NAME].Width(), 120);
    w[NAME].SetPosition(7, 9, 33, 21);
    EXPECT_EQ(w[NAME].X(), 7); // pixels round-trip exactly
    EXPECT_EQ(w[NAME].Height(), 21);
    EXPECT_EQ(w[NAME].Widget()->geometry(), QRect(7, 9, 33, 21));
    w.SetPixels(false);
    EXPECT_EQ(w[NAME].Width(), 22);
}

TEST_F(WindowTest, StandardCloseButtonAndTheCloseBoxEndTheWindow) {
    bool returned = false;
    Start([&](const std::string&) {
        demo.Run();
        returned = true;
    });
    drv::Settle();
    demo.refuseClose = true;
    drv::CloseBox(demo.window);
    EXPECT_TRUE(demo.window.IsOpen()); // the handler returned 5: no default close
    EXPECT_EQ(demo.log.back(), "refused");
    demo.refuseClose = false;
    drv::Click(demo.window, CLOSE);
    EXPECT_TRUE(returned);
    EXPECT_FALSE(demo.window.IsOpen());
    EXPECT_EQ(Window::All().size(), 0u);
}

TEST_F(WindowTest, InputThatComesAtOnceAfterAClickThatClosesTheWindowIsDropped) {
    // The click's work closes the window when the next input arrives: the second press of a
    // double click, or a key pressed at once. Nothing reaches the window once it is gone.
    const std::vector<std::function<void(Window&)>> quickInput = {
        [](Window& w) { drv::DoubleClick(w, CLOSE); },
        [](Window& w) { drv::ClickThenKey(w, CLOSE, KeyOf('a')); },
        [](Window& w) { drv::ClickThenKey(w, CLOSE, KEY_Enter); },
    };
    for (std::size_t i = 0; i < quickInput.size(); ++i) {
        Demo quick;
        int returned = 0;
        Start([&](const std::string&) {
            quick.Run();
            ++returned;
        });
        drv::Settle();
        quickInput[i](quick.window);
        EXPECT_EQ(returned, 1) << i;
        EXPECT_FALSE(quick.window.IsOpen()) << i;
        EXPECT_EQ(Window::All().size(), 0u) << i;
        // The click was handled once, and nothing after it.
        EXPECT_EQ(quick.log, std::vector<std::string>{"accepted " + std::to_string(CLOSE)}) << i;
    }
}

TEST_F(WindowTest, CloseDownFromAnotherThreadClosesTheWindow) {
    int t = Start([&](const std::string&) { demo.Run(); });
    drv::Settle();
    Start([t](const std::string&) { Post(EVENT_CloseDown, 0, t); });
    drv::Settle();
    EXPECT_EQ(demo.closeDownSeen, 1);
    EXPECT_FALSE(ThreadExists(t));
}

TEST_F(WindowTest, MessageBoxesSayWhatTheyAreToldAndReturnTheButton) {
    struct Case {
        int icon;
        int buttons;
        int def;
        int press;
        QMessageBox::Icon qtIcon;
    };
    const Case cases[] = {
        {ICON_Hand, BUTTON_OK, BUTTON_OK, BUTTON_OK, QMessageBox::Critical},
        {ICON_Question, BUTTON_YES | BUTTON_NO, BUTTON_NO, BUTTON_YES, QMessageBox::Question},
        {ICON_Exclamation, BUTTON_YES | BUTTON_NO, BUTTON_NO, BUTTON_NO, QMessageBox::Warning},
        {ICON_Asterisk, BUTTON_OK, 0, BUTTON_OK, QMessageBox::Information},
        {ICON_None, BUTTON_OK, 0, BUTTON_OK, QMessageBox::NoIcon},
    };
    SetDefaultCaption("notes");
    for (const Case& c : cases) {
        int result = -1;
        Start([&](const std::string&) {
            result = Message("File x is open!|Open read-only?", "", c.icon, c.buttons, c.def);
        });
        drv::Settle();
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->text(), "File x is open!\nOpen read-only?");
        EXPECT_EQ(box->icon(), c.qtIcon);
        drv::Answer("File x is open!|Open read-only?", "", c.icon, c.buttons, c.press, c.def);
        EXPECT_EQ(result, c.press);
    }
}

TEST_F(WindowTest, MessageBoxBlocksOnlyItsOwnThread) {
    std::vector<std::string> log;
    Start([&](const std::string&) {
        int r = Message("Exit without saving?", "QVR", ICON_Question, BUTTON_YES | BUTTON_NO,
                        BUTTON_NO, MSGMODE_SYSMODAL);
        log.push_back(r == BUTTON_NO ? "no" : "yes");
    });
    Start([&](const std::string&) {
        demo.Run();
        log.push_back("demo closed");
    });
    drv::Settle();
    ASSERT_EQ(OpenMessages().size(), 1u);
    EXPECT_TRUE(OpenMessages()[0].systemModal);
    Start([](const std::string&) { Post(EVENT_CloseWindow, 0, 2); });
    drv::Settle();
    EXPECT_EQ(log, std::vector<std::string>{"demo closed"});
    drv::Answer("Exit without saving?", "QVR", ICON_Question, BUTTON_YES | BUTTON_NO, BUTTON_NO,
                BUTTON_NO);
    EXPECT_EQ(log, (std::vector<std::string>{"demo closed", "no"}));
}

TEST_F(WindowTest, EndingAThreadBlockedInAMessageBoxEndsBoth) {
    Start([&](const std::string&) {
        struct Asker : Demo {
            int OnAccepted() override {
                Message("Really?", "", ICON_Question, BUTTON_YES | BUTTON_NO);
                return Demo::OnAccepted();
            }
        } asker;
        asker.Run();
    });
    drv::Settle();
    Window* w = Window::Top(1);
    ASSERT_NE(w, nullptr);
    drv::Click(*w, OK);
    ASSERT_EQ(OpenMessages().size(), 1u);
    EndAllThreads();
    drv::Settle();
    EXPECT_TRUE(OpenMessages().empty());
    EXPECT_TRUE(Window::All().empty());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(WindowTest, AWindowCalledDirectlyBlocksItsCallerUntilItReturns) {
    // The inner window runs on the caller's thread; the caller's own input waits meanwhile.
    struct Inner : WindowManager {
        Window window{DemoDef("Inner")};
        std::string result;
        std::vector<int> windowEvents;
        int Setup() override {
            Open(window);
            return RESULT_GoOn;
        }
        int OnWindowEvent() override {
            windowEvents.push_back(CurrentEvent());
            return WindowManager::OnWindowEvent();
        }
        int OnAccepted() override {
            if (EventControl() == OK) {
                window.Update();
                result = window[NAME].Text();
                Post(EVENT_CloseWindow);
            }
            return WindowManager::OnAccepted();
        }
    };
    struct Outer : Demo {
        std::string got = "-";
        std::vector<int> innerEvents; // the window events the inner window had
        int OnAccepted() override {
            if (EventControl() == OK) {
                Inner inner;
                inner.Run();
                got = inner.result;
                innerEvents = inner.windowEvents;
            }
            return Demo::OnAccepted();
        }
    };
    static Outer* outer = nullptr;
    Outer o;
    outer = &o;
    Start([](const std::string&) { outer->Run(); });
    drv::Settle();
    drv::Click(o.window, OK);
    Window* inner = drv::FindWindow("Inner");
    ASSERT_NE(inner, nullptr);
    EXPECT_TRUE(inner->Widget()->isModal());
    // Input of the outer window that the user cannot give but the program or the desktop can (a
    // button pressed by program, a new size) is not the inner one's: it is passed over.
    static_cast<QPushButton*>(o.window[CLOSE].Widget())->click();
    o.window.SetPosition(20, 20, 180, 140);
    drv::Settle();
    EXPECT_TRUE(inner->IsOpen());
    EXPECT_EQ(o.got, "-");
    drv::Type(*inner, NAME, "CY");
    drv::Click(*inner, OK);
    EXPECT_EQ(drv::FindWindow("Inner"), nullptr);
    EXPECT_EQ(o.got, "CY");
    // Its own size when it opened, its opening, its closing: nothing of the outer window.
    EXPECT_EQ(o.innerEvents, (std::vector<int>{EVENT_Sized, EVENT_OpenWindow, EVENT_CloseWindow}));
    EXPECT_TRUE(o.window.IsOpen());
    EndAllThreads();
}

TEST_F(WindowTest, CaretOfATextCountsEachLineBreakAsTwoCharacters) {
    Start([&](const std::string&) { demo.Run(); });
    drv::Settle();
    Window& w = demo.window;
    drv::Type(w, NOTE, "ab", false);
    drv::Key(w, NOTE, KEY_Enter);
    drv::Type(w, NOTE, "c", false);
    EXPECT_EQ(w[NOTE].Text(), "c");
    w[NOTE].SetText("ab\r\ncd");
    w[NOTE].SetSelStart(7);
    drv::Key(w, NOTE, KEY_Enter);
    EXPECT_EQ(w[NOTE].Text(), "ab\r\ncd\r\n");
    EXPECT_EQ(w[NOTE].SelStart(), 9);
    w[NOTE].SetText("ab\r\ncd");
    struct Case {
        int set, read;
    };
    for (Case c : {Case{1, 1}, {3, 3}, {4, 5}, {5, 5}, {6, 6}, {99, 7}}) {
        w[NOTE].SetSelStart(c.set);
        EXPECT_EQ(w[NOTE].SelStart(), c.read) << c.set;
    }
    auto* edit = qobject_cast<QPlainTextEdit*>(w[NOTE].Widget());
    w[NOTE].SetSelStart(6);
    EXPECT_EQ(edit->textCursor().position(), 4); // between c and d
}

namespace {
struct SelectWatcher : Demo {
    int OnSelected() override {
        log.push_back("selected " + std::to_string(EventControl()));
        return Demo::OnSelected();
    }
};
class WindowSelectedTest : public WindowTest {
protected:
    SelectWatcher watcher; // outlives TearDown
};
} // namespace

TEST_F(WindowSelectedTest, ControlThatReceivesTheFocusRaisesSelected) {
    Start([&](const std::string&) { watcher.Run(); });
    drv::Settle();
    Window& w = watcher.window;
    watcher.log.clear();
    drv::Type(w, NOTE, "y", false);
    drv::Type(w, NOTE, "z", false); // already there: nothing new
    drv::Type(w, NAME, "x", false);
    std::vector<std::string> selected;
    for (const std::string& entry : watcher.log)
        if (entry.rfind("selected", 0) == 0)
            selected.push_back(entry);
    EXPECT_EQ(selected, (std::vector<std::string>{"selected 2", "selected 1"}));
}

TEST_F(WindowTest, FillColourPaintsTheFieldOfEntriesAndTexts) {
    Start([&](const std::string&) { demo.Run(); });
    drv::Settle();
    Window& w = demo.window;
    for (int control : {NAME, NOTE}) {
        w[control].SetFillColor(0xA9FFFF);
        QWidget* widget = w[control].Widget();
        QImage shown = widget->grab().toImage();
        EXPECT_EQ(QColor(shown.pixel(widget->width() / 2, widget->height() / 2)),
                  QColor(255, 255, 169))
            << control;
    }
}

TEST(BindingTest, TextBoundWithAWidthIsCutToItWhenTaken) {
    enum { NAME = 1, NOTE };
    WindowDef def;
    def.controls = {{ControlKind::Entry, NAME, "", 5, 5, 60, 10},
                    {ControlKind::Text, NOTE, "", 5, 20, 60, 30}};
    Window window(def);
    std::string name = "abcdef", note;
    Start([&](const std::string&) {
        window.Open();
        window[NAME].Bind(name, 3);
        window[NOTE].Bind(note, 4);
        window.Display();
        WaitUntil([] { return false; });
    });
    drv::Settle();
    EXPECT_EQ(window[NAME].Text(), "abcdef"); // shown whole
    drv::Type(window, NAME, "Footing");
    EXPECT_EQ(name, "Foo");
    drv::Type(window, NOTE, "abcdef", false);
    window.Update(NOTE);
    EXPECT_EQ(note, "abcd");
    EndAllThreads();
    drv::Settle();
}

namespace {
// Hides and shows the control that has the focus when Ctrl+T is pressed, and gives it the focus
// again, as the grid does with its editors.
struct Reshower : SelectWatcher {
    int OnWindowEvent() override {
        if (CurrentEvent() == EVENT_AlertKey && KeyCode() == KEY_CtrlT) {
            Control& focused = window[window.FocusControl()];
            focused.Hide();
            focused.Unhide();
            focused.Focus();
        }
        return SelectWatcher::OnWindowEvent();
    }
};
class WindowSettledFocusTest : public WindowTest {
protected:
    Reshower watcher; // outlives TearDown
    std::vector<std::string> Selected() const {
        std::vector<std::string> out;
        for (const std::string& entry : watcher.log)
            if (entry.rfind("selected", 0) == 0)
                out.push_back(entry);
        return out;
    }
};
} // namespace

TEST_F(WindowSettledFocusTest, AFocusThatOnlyPassesThroughAControlRaisesNoSelected) {
    Start([&](const std::string&) { watcher.Run(); });
    drv::Settle();
    Window& w = watcher.window;
    drv::Type(w, NAME, "x", false);
    watcher.log.clear();
    // Hiding the focused entry hands the focus to the next control; it comes back at once.
    drv::Key(w, NAME, KEY_CtrlT);
    EXPECT_TRUE(w[NAME].HasFocus());
    EXPECT_EQ(Selected(), std::vector<std::string>{});
    drv::Key(w, NAME, KEY_Tab);
    EXPECT_EQ(Selected(), std::vector<std::string>{"selected 2"});
}

// A thread that has a window drawn before long work goes on only once the window system has shown
// the window and it has been painted; a click that comes meanwhile is dropped, not handled later
// by a window its thread had not finished.
TEST_F(WindowTest, DrawNowWaitsUntilTheWindowIsShownAndPaintedAndDropsInputMeanwhile) {
    struct PaintCount : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Paint)
                ++paints;
            return false;
        }
    } count;
    struct Drawn : WindowManager {
        Window window{DemoDef("Drawn")};
        PaintCount* count = nullptr;
        bool exposed = false;
        int paints = 0;
        std::vector<int> accepted;
        int Setup() override {
            Open(window);
            window.Widget()->installEventFilter(count);
            window.DrawNow();
            exposed = window.Widget()->window()->windowHandle()->isExposed();
            paints = count->paints;
            return RESULT_GoOn;
        }
        int OnAccepted() override {
            accepted.push_back(EventControl());
            return WindowManager::OnAccepted();
        }
    } drawn;
    drawn.count = &count;
    Start([&](const std::string&) { drawn.Run(); });
    RunUntilIdle(); // the window is shown; its thread waits for the window system
    ASSERT_NE(drawn.window.Widget(), nullptr);
    QWidget* ok = drawn.window[OK].Widget();
    QWindow* handle = ok->window()->windowHandle();
    ASSERT_NE(handle, nullptr);
    ASSERT_FALSE(handle->isExposed());
    const QPoint at = ok->mapTo(ok->window(), ok->rect().center());
    QTest::mouseClick(handle, Qt::LeftButton, Qt::NoModifier, at);
    drv::Settle();
    EXPECT_TRUE(drawn.exposed);
    EXPECT_GT(drawn.paints, 0);
    drv::Settle();
    EXPECT_TRUE(drawn.accepted.empty());
    // Once drawn, the window takes its input as usual.
    drv::Click(drawn.window, OK);
    EXPECT_EQ(drawn.accepted, std::vector<int>{OK});
}
