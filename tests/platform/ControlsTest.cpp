#include "platform/runtime/Runtime.h"
#include "platform/testing/Driver.h"
#include "platform/ui/Keys.h"
#include "platform/ui/WindowManager.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QEvent>
#include <QImage>
#include <QLineEdit>
#include <QProgressBar>
#include <QStandardItemModel>

#include <gtest/gtest.h>

using namespace platform;
namespace drv = platform::testing;

namespace {

enum { UNIT = 1, TYPE, SPIN, BAR, MADE, PANEL };

struct Choices : ListSource {
    std::vector<std::string> items;
    int Count() const override { return static_cast<int>(items.size()); }
    std::string Cell(int row, int) const override { return items[row - 1]; }
};

struct Lists : WindowManager {
    Window window{
        WindowDef{"Lists",
                  "",
                  "MS Sans Serif",
                  8,
                  -1,
                  -1,
                  200,
                  100,
                  0,
                  {
                      {ControlKind::DropList, UNIT, "", 10, 10, 60, 12},
                      {ControlKind::DropCombo, TYPE, "", 10, 30, 60, 12, 0, 0, 5},
                      {ControlKind::Spin, SPIN, "", 10, 50, 40, 12, 0, 0, 0, 1, "", 0, 20, 0.5},
                      {ControlKind::Progress, BAR, "", 10, 70, 100, 8},
                      {ControlKind::Panel, PANEL, "", 120, 10, 70, 50},
                  }}};
    Choices units, types;
    std::string unit = "LF";
    std::string type;
    double spin = 2;
    std::int32_t progress = 40;
    std::vector<std::string> log;

    int Setup() override {
        units.items = {"", "EA", "LF", "SF"};
        types.items = {"COUNT", "LINE1"};
        Open(window);
        window[UNIT].SetListSource(&units);
        window[TYPE].SetListSource(&types);
        window[UNIT].Bind(unit, 20);
        window[TYPE].Bind(type, 5);
        window[SPIN].Bind(spin);
        window[BAR].Bind(progress);
        window.Display();
        return RESULT_GoOn;
    }
    int OnNewSelection() override {
        log.push_back("new selection " + std::to_string(EventControl()));
        return WindowManager::OnNewSelection();
    }
    int OnAccepted() override {
        log.push_back("accepted " + std::to_string(EventControl()));
        return WindowManager::OnAccepted();
    }
};

class ControlsTest : public ::testing::Test {
protected:
    Lists lists;
    void SetUp() override {
        Start([this](const std::string&) { lists.Run(); });
        drv::Settle();
    }
    void TearDown() override {
        drv::ExpectNoMessage();
        EndAllThreads();
        drv::Settle();
    }
};

} // namespace

TEST_F(ControlsTest, DropListsShowTheirListAndTheChoiceOfTheirVariable) {
    Window& w = lists.window;
    auto* combo = static_cast<QComboBox*>(w[UNIT].Widget());
    ASSERT_EQ(combo->count(), 4);
    EXPECT_EQ(w[UNIT].Selected(), 3);
    EXPECT_EQ(w[UNIT].Text(), "LF");
    drv::Choose(w, UNIT, 4);
    EXPECT_EQ(lists.unit, "SF");
    EXPECT_EQ(lists.log, (std::vector<std::string>{"new selection 1", "accepted 1"}));

    // The list changed by the program shows at the next redisplay.
    lists.units.items.push_back("CY");
    w.Display(UNIT);
    EXPECT_EQ(combo->count(), 5);
    EXPECT_EQ(w[UNIT].Text(), "SF");

    drv::Type(w, TYPE, "LINE99");
    EXPECT_EQ(lists.type, "LINE9");
    drv::Type(w, TYPE, "l"); // not completed from the choices
    EXPECT_EQ(lists.type, "l");
}

TEST_F(ControlsTest, ADropComboShowingOneOfItsItemsOpensItsListWithoutChoosingIt) {
    Window& w = lists.window;
    lists.type = "LINE1";
    w.Display(TYPE);
    EXPECT_EQ(w[TYPE].Selected(), 2);
    // Opening the list takes the focus from the entry; the text it holds is no new choice.
    drv::Choose(w, TYPE, 1);
    EXPECT_EQ(lists.type, "COUNT");
    EXPECT_EQ(lists.log, (std::vector<std::string>{"new selection 2", "accepted 2"}));
    EXPECT_EQ(drv::Items(w, TYPE), (std::vector<std::string>{"COUNT", "LINE1"}));
}

// A hidden drop combo shown again has the items its list holds then, its text and the item of
// its text chosen, as if it had been redisplayed while shown; a list shown again unchanged keeps
// its items.
TEST_F(ControlsTest, AHiddenDropComboShowsTheListAsItIsWhenItIsShown) {
    Window& w = lists.window;
    auto* combo = static_cast<QComboBox*>(w[TYPE].Widget());
    w[TYPE].Hide();
    lists.types.items = {"AREA", "COUNT", "LINE1"};
    lists.type = "COUNT";
    w.Display(TYPE);
    w[TYPE].Unhide();
    drv::Settle();
    EXPECT_EQ(drv::Items(w, TYPE), (std::vector<std::string>{"AREA", "COUNT", "LINE1"}));
    EXPECT_EQ(w[TYPE].Text(), "COUNT");
    EXPECT_EQ(w[TYPE].Selected(), 2);
    EXPECT_EQ(combo->currentIndex(), 1);

    const QStandardItem* first = static_cast<QStandardItemModel*>(combo->model())->item(0);
    lists.type = "LINE1";
    w.Display(TYPE);
    EXPECT_EQ(static_cast<QStandardItemModel*>(combo->model())->item(0), first);
    EXPECT_EQ(w[TYPE].Selected(), 3);
    EXPECT_TRUE(lists.log.empty());
}

TEST(ComboFocusTest, MovingBetweenTheEntryAndTheListOfADropComboIsOneSelected) {
    struct Watcher : Lists {
        int OnSelected() override {
            log.push_back("selected " + std::to_string(EventControl()));
            return Lists::OnSelected();
        }
    } watcher;
    Start([&](const std::string&) { watcher.Run(); });
    drv::Settle();
    Window& w = watcher.window;
    drv::Click(w, UNIT);
    drv::Key(w, UNIT, KEY_Esc); // the list the click opened closes again
    watcher.log.clear();
    // Into the entry, then into the drop-down list and back, choosing an item.
    drv::Click(w, TYPE);
    drv::Choose(w, TYPE, 2);
    EXPECT_EQ(watcher.log,
              (std::vector<std::string>{"selected 2", "new selection 2", "accepted 2"}));
    EXPECT_EQ(watcher.type, "LINE1");
    EndAllThreads();
    drv::Settle();
}

TEST_F(ControlsTest, SpinBoxesAndProgressBarsShowTheirNumbers) {
    Window& w = lists.window;
    auto* spin = static_cast<QDoubleSpinBox*>(w[SPIN].Widget());
    EXPECT_DOUBLE_EQ(spin->value(), 2.0);
    EXPECT_EQ(w[SPIN].Value(), "2.0");
    drv::Focus(w, SPIN);
    drv::Key(w, SPIN, KEY_Up);
    EXPECT_DOUBLE_EQ(lists.spin, 2.5);
    EXPECT_EQ(lists.log.front(), "new selection 3");
    EXPECT_EQ(static_cast<QProgressBar*>(w[BAR].Widget())->value(), 40);
    lists.progress = 100;
    w.Display(BAR);
    EXPECT_EQ(w[BAR].Value(), "100");
}

// A bar moved many times in a burst (a long job's progress) takes every value at once and is
// painted with the last one, also when the moves came too fast to paint each.
TEST_F(ControlsTest, ABarMovedInABurstShowsEveryValueAndIsPaintedWithTheLast) {
    Window& w = lists.window;
    auto* bar = static_cast<QProgressBar*>(w[BAR].Widget());
    struct PaintedValues : QObject {
        QProgressBar* bar = nullptr;
        std::vector<int> values;
        bool eventFilter(QObject* watched, QEvent* event) override {
            if (watched == bar && event->type() == QEvent::Paint)
                values.push_back(bar->value());
            return false;
        }
    } painted;
    painted.bar = bar;
    bar->installEventFilter(&painted);
    for (int value = 1; value <= 100; ++value) {
        lists.progress = value;
        w.Display(BAR);
        ASSERT_EQ(bar->value(), value);
    }
    drv::Settle();
    bar->removeEventFilter(&painted);
    EXPECT_TRUE(bar->updatesEnabled());
    ASSERT_FALSE(painted.values.empty());
    EXPECT_EQ(painted.values.back(), 100);
}

TEST_F(ControlsTest, APanelsFrameIsOneDevicePixelOnEverySideAtEveryScale) {
    QWidget* panel = lists.window[PANEL].Widget();
    for (const qreal ratio : {1.0, 1.5, 2.0, 2.5}) {
        SCOPED_TRACE(ratio);
        QImage image(qRound(panel->width() * ratio), qRound(panel->height() * ratio),
                     QImage::Format_RGB32);
        image.setDevicePixelRatio(ratio);
        image.fill(Qt::white);
        panel->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        const int right = image.width() - 1;
        const int bottom = image.height() - 1;
        const auto drawn = [&](int x, int y) { return image.pixel(x, y) != qRgb(255, 255, 255); };
        for (int x = 0; x <= right; ++x) {
            EXPECT_TRUE(drawn(x, 0) && drawn(x, bottom)) << "x " << x;
            EXPECT_FALSE(x > 1 && x < right - 1 && (drawn(x, 1) || drawn(x, bottom - 1)))
                << "x " << x;
        }
        for (int y = 0; y <= bottom; ++y) {
            EXPECT_TRUE(drawn(0, y) && drawn(right, y)) << "y " << y;
            EXPECT_FALSE(y > 1 && y < bottom - 1 && (drawn(1, y) || drawn(right - 1, y)))
                << "y " << y;
        }
    }
}

TEST_F(ControlsTest, ControlsMadeAtRunTimeStartHiddenAndCanBeDestroyed) {
    Window& w = lists.window;
    Control& made = w.Create({ControlKind::Button, MADE, "Made", 100, 10, 40, 14});
    ASSERT_NE(made.Widget(), nullptr);
    EXPECT_FALSE(made.Widget()->isVisible());
    made.Unhide();
    EXPECT_TRUE(made.Widget()->isVisible());
    drv::Click(w, MADE);
    EXPECT_EQ(lists.log.back(), "accepted 5");
    w.Destroy(MADE);
    EXPECT_EQ(w.Find(MADE), nullptr);
    EXPECT_THROW(w[MADE], std::out_of_range);
}

namespace {
// An entry and a drop combo that refuse a double quote and ")", as the layer table's values do.
enum { NAME = 1, COLOR };
WindowDef RefusingDef() {
    WindowDef def;
    def.controls = {{ControlKind::Entry, NAME, "", 5, 5, 60, 10},
                    {ControlKind::DropCombo, COLOR, "", 5, 20, 60, 10, 0, 0, 20}};
    for (ControlDef& c : def.controls)
        c.refused = "\")";
    return def;
}
} // namespace

TEST(RefusedCharactersTest, EntriesAndDropCombosDoNotTakeTheirRefusedCharacters) {
    Window window(RefusingDef());
    Start([&](const std::string&) {
        window.Open();
        WaitUntil([] { return false; });
    });
    drv::Settle();
    for (int control : {NAME, COLOR}) {
        drv::Type(window, control, "RED \"7\" (x)", false);
        EXPECT_EQ(window[control].Text(), "RED 7 (x") << control;
        // Pasted text that holds one is refused whole.
        auto* edit = control == NAME
                         ? static_cast<QLineEdit*>(window[control].Widget())
                         : static_cast<QComboBox*>(window[control].Widget())->lineEdit();
        edit->insert("A)B");
        EXPECT_EQ(window[control].Text(), "RED 7 (x") << control;
    }
    EndAllThreads();
    drv::Settle();
}

// A value the program shows, or a choice of the list, may hold a refused character: it stays and
// may be deleted, but no edit brings one in, also after an undo brought back what was deleted.
TEST(RefusedCharactersTest, AValueShownWithARefusedCharacterKeepsItAndTakesNoMore) {
    Window window(RefusingDef());
    Choices colours;
    colours.items = {"(RED)", "BLUE"};
    Start([&](const std::string&) {
        window.Open();
        window[COLOR].SetListSource(&colours);
        WaitUntil([] { return false; });
    });
    drv::Settle();
    for (int control : {NAME, COLOR}) {
        window[control].SetText("A)B");
        drv::Focus(window, control);
        drv::Key(window, control, KEY_End);
        drv::Paste(window, control, ")");
        drv::Paste(window, control, "C");
        EXPECT_EQ(window[control].Text(), "A)BC") << control;
        drv::Key(window, control, KEY_Home);
        drv::Key(window, control, KEY_Right);
        drv::Key(window, control, KEY_Right);
        drv::Key(window, control, KEY_Backspace);
        drv::Paste(window, control, "\"");
        EXPECT_EQ(window[control].Text(), "ABC") << control;
        drv::Key(window, control, KEY_Ctrl + KeyOf('z'));
        EXPECT_EQ(window[control].Text(), "A)BC") << control;
        drv::Key(window, control, KEY_End);
        drv::Paste(window, control, "D)");
        EXPECT_EQ(window[control].Text(), "A)BC") << control;
    }
    drv::Choose(window, COLOR, 1);
    EXPECT_EQ(window[COLOR].Text(), "(RED)");
    drv::Key(window, COLOR, KEY_End);
    drv::Paste(window, COLOR, ")");
    drv::Key(window, COLOR, KEY_Backspace);
    EXPECT_EQ(window[COLOR].Text(), "(RED");
    drv::Paste(window, COLOR, "\"");
    EXPECT_EQ(window[COLOR].Text(), "(RED");
    EndAllThreads();
    drv::Settle();
}
