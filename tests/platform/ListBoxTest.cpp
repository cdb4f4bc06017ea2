#include "platform/ui/ListBox.h"
#include "platform/runtime/Runtime.h"
#include "platform/testing/Driver.h"
#include "platform/ui/Keys.h"
#include "platform/ui/WindowManager.h"
#include "platform/ui/WindowResizer.h"

#include <QComboBox>
#include <QHeaderView>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

using namespace platform;
namespace drv = platform::testing;

namespace {

// Rows of key name, layer name, colour and a shown flag (1 shown, 2 hidden) that picks the icon.
struct Rows : ListSource {
    std::vector<std::vector<std::string>> rows;
    int Count() const override { return static_cast<int>(rows.size()); }
    std::string Cell(int row, int column) const override {
        return rows.at(static_cast<std::size_t>(row - 1)).at(static_cast<std::size_t>(column - 1));
    }
};

enum { LIST = 1, EDITENTRY, OTHER };

WindowDef ListDef() {
    WindowDef def;
    def.caption = "Layers";
    def.width = 300;
    def.height = 160;
    def.attributes = WIN_Resizable;
    ControlDef list{ControlKind::List, LIST, "", 4, 4, 290, 120};
    list.columns = {
        {"Key Name", 55, 1, 5, 0, 2, true, true, 4},
        {"Layer Name", 90, 2, 0, 0, 2},
        {"Color", 59, 3, 0, 1, 0, false, false},
    };
    def.controls = {list,
                    {ControlKind::Entry, EDITENTRY, "", 5, 133, 60, 10, 0, ATTR_Hidden},
                    {ControlKind::Button, OTHER, "Other", 100, 140, 40, 14}};
    return def;
}

struct Demo : WindowManager {
    Window window{ListDef()};
    Rows rows;
    std::vector<std::string> log;
    int Setup() override {
        rows.rows = {{"KEY1      ", "Walls", "RED", "1"},
                     {"KEYNAME22", "Doors", "BLUE", "2"},
                     {"K3", "Roof", "GREEN", "1"}};
        Open(window);
        window[LIST].SetListSource(&rows);
        window[LIST].SetLineHeight(11);
        window[LIST].AddAlert(KEY_Enter);
        window[LIST].AddAlert(KEY_Space);
        window[LIST].AddAlert(MOUSE_Left2);
        ListBox::Of(window[LIST])->SetIcon(1, "~BoxOn.ico");
        ListBox::Of(window[LIST])->SetIcon(2, "~BoxOff.ico");
        return RESULT_GoOn;
    }
    int OnFieldEvent() override {
        ListBox* list = ListBox::Of(window[LIST]);
        if (CurrentEvent() == EVENT_NewSelection)
            log.push_back("new selection " + std::to_string(list->Selected()));
        if (CurrentEvent() == EVENT_AlertKey)
            log.push_back("alert " + std::to_string(KeyCode()) + " row " +
                          std::to_string(list->MouseDownRow()));
        return WindowManager::OnFieldEvent();
    }
};

class ListBoxTest : public ::testing::Test {
protected:
    Demo demo;
    ListBox* list = nullptr;
    QTreeView* view = nullptr;
    void SetUp() override {
        Start([&](const std::string&) { demo.Run(); });
        drv::Settle();
        list = ListBox::Of(demo.window[LIST]);
        ASSERT_NE(list, nullptr);
        view = static_cast<QTreeView*>(list->View());
    }
    void TearDown() override {
        drv::ExpectNoMessage();
        EndAllThreads();
        drv::Settle();
    }
};

} // namespace

TEST_F(ListBoxTest, ColumnsShowTheirFieldsWithHeadingWidthAlignmentAndIcons) {
    Window& w = demo.window;
    ASSERT_EQ(list->ColumnCount(), 3);
    EXPECT_EQ(list->Count(), 3);
    QAbstractItemModel* model = view->model();
    EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), "Key Name");
    EXPECT_EQ(model->headerData(2, Qt::Horizontal).toString(), "Color");
    EXPECT_EQ(view->header()->sectionSize(1), w.ToPixelsX(90));
    EXPECT_EQ(view->header()->sectionResizeMode(0), QHeaderView::Interactive);
    EXPECT_EQ(view->header()->sectionResizeMode(2), QHeaderView::Fixed);
    // Cut to the characters the column shows, trailing blanks dropped.
    EXPECT_EQ(list->CellText(1, 1), "KEY1");
    EXPECT_EQ(list->CellText(2, 1), "KEYNA");
    EXPECT_EQ(list->CellText(2, 3), "BLUE");
    EXPECT_EQ(model->data(model->index(0, 2), Qt::TextAlignmentRole).value<Qt::Alignment>() &
                  Qt::AlignHorizontal_Mask,
              Qt::AlignRight);
    // The icon field picks the row's icon from the icon list; other columns show none.
    EXPECT_FALSE(model->data(model->index(0, 0), Qt::DecorationRole).isNull());
    EXPECT_FALSE(model->data(model->index(1, 0), Qt::DecorationRole).isNull());
    EXPECT_TRUE(model->data(model->index(0, 1), Qt::DecorationRole).isNull());
    EXPECT_EQ(list->Icon(2), "~BoxOff.ico");
    EXPECT_EQ(view->visualRect(model->index(1, 0)).height(), w.ToPixelsY(11));
}

TEST_F(ListBoxTest, ClicksChooseTheRowAndTheCurrentColumn) {
    EXPECT_EQ(list->Selected(), 1); // a loaded list starts on its first row
    EXPECT_EQ(list->CurrentColumn(), 0);
    drv::ClickList(demo.window, LIST, 2, 3);
    EXPECT_EQ(list->Selected(), 2);
    EXPECT_EQ(demo.window[LIST].Selected(), 2);
    EXPECT_EQ(list->CurrentColumn(), 3);
    EXPECT_EQ(list->MouseDownRow(), 2);
    EXPECT_EQ(list->MouseDownZone(), LISTZONE_Field);
    EXPECT_EQ(demo.log, std::vector<std::string>{"new selection 2"});

    // Left and Right walk the current column and stop at the ends.
    drv::Key(demo.window, LIST, KEY_Left);
    EXPECT_EQ(list->CurrentColumn(), 2);
    drv::Key(demo.window, LIST, KEY_Left);
    drv::Key(demo.window, LIST, KEY_Left);
    EXPECT_EQ(list->CurrentColumn(), 1);
    list->SetCurrentColumn(3);
    drv::Key(demo.window, LIST, KEY_Right);
    EXPECT_EQ(list->CurrentColumn(), 3);

    // The keyboard moves the row too; choosing by program raises no event.
    drv::Key(demo.window, LIST, KEY_Down);
    EXPECT_EQ(list->Selected(), 3);
    demo.window[LIST].Select(1);
    demo.window[LIST].Select(7); // no such row: nothing changes
    drv::Settle();
    EXPECT_EQ(list->Selected(), 1);
    EXPECT_EQ(demo.log, (std::vector<std::string>{"new selection 2", "new selection 3"}));
}

TEST_F(ListBoxTest, AlertKeysAndDoubleClicksReachTheWindowWithTheMouseDownRow) {
    drv::ClickList(demo.window, LIST, 2, 1);
    drv::Key(demo.window, LIST, KEY_Enter);
    drv::Key(demo.window, LIST, KEY_Space);
    drv::DoubleClickList(demo.window, LIST, 3, 2);
    drv::DoubleClickList(demo.window, LIST, 4, 2); // below the last row
    EXPECT_EQ(demo.log,
              (std::vector<std::string>{"new selection 2", "alert 13 row 2", "alert 32 row 2",
                                        "new selection 3", "alert 5 row 3", "alert 5 row 0"}));
    EXPECT_EQ(list->MouseDownZone(), LISTZONE_Nowhere);
}

TEST_F(ListBoxTest, AMouseDownOnTheIconIsInTheIconZone) {
    QAbstractItemModel* model = view->model();
    QRect cell = view->visualRect(model->index(0, 0));
    int indent = demo.window.ToPixelsX(2);
    QPoint onIcon(cell.left() + indent + 4, cell.center().y());
    QPoint onText(cell.right() - 3, cell.center().y());
    for (auto [at, zone] : {std::pair{onIcon, LISTZONE_Icon}, std::pair{onText, LISTZONE_Field}}) {
        QTest::mouseClick(view->viewport()->window()->windowHandle(), Qt::LeftButton,
                          Qt::NoModifier, view->viewport()->mapTo(view->window(), at));
        drv::Settle();
        EXPECT_EQ(list->MouseDownZone(), zone);
        EXPECT_EQ(list->MouseDownRow(), 1);
    }
}

TEST_F(ListBoxTest, AnEditorIsPlacedOverTheCellOfTheChosenRowAndCleared) {
    Window& w = demo.window;
    w[LIST].Select(2);
    list->PlaceEditor(2, EDITENTRY);
    ASSERT_TRUE(w[EDITENTRY].Visible());
    QRect cell = list->CellRect(2, 2);
    EXPECT_EQ(w[EDITENTRY].Widget()->geometry(), cell);
    EXPECT_EQ(list->EditorOf(2), EDITENTRY);
    w.SetPixels(true);
    EXPECT_EQ(w[EDITENTRY].X(), cell.x()); // its position properties follow
    w.SetPixels(false);
    list->ClearEditor(2);
    EXPECT_FALSE(w[EDITENTRY].Visible());
    EXPECT_EQ(list->EditorOf(2), 0);
}

TEST_F(ListBoxTest, RedisplayShowsTheChangedSourceAndKeepsTheRowWhereItCan) {
    Window& w = demo.window;
    w[LIST].Select(3);
    demo.rows.rows.push_back({"K4", "Stairs", "CYAN", "1"});
    w.Display();
    EXPECT_EQ(list->Count(), 4);
    EXPECT_EQ(list->Selected(), 3);
    EXPECT_EQ(list->CellText(4, 2), "Stairs");
    demo.rows.rows.resize(1);
    w.Display();
    EXPECT_EQ(list->Selected(), 1);
    demo.rows.rows.clear();
    w.Display();
    EXPECT_EQ(list->Selected(), 0);
    drv::Settle();
    EXPECT_TRUE(demo.log.empty());
}

TEST_F(ListBoxTest, AnOpenEditorStaysOverItsCellWhenTheWindowIsResized) {
    Window& w = demo.window;
    WindowResizer resizer;
    resizer.Init(w);
    demo.SetResizer(&resizer);
    w[LIST].Select(3);
    list->PlaceEditor(2, EDITENTRY);
    w.SetPosition(w.X(), w.Y(), 400, 200);
    drv::Settle();
    EXPECT_GT(list->View()->width(), w.ToPixelsX(290)); // the list stretched
    EXPECT_EQ(w[EDITENTRY].Widget()->geometry(), list->CellRect(3, 2));
    view->header()->resizeSection(0, 150);
    EXPECT_EQ(w[EDITENTRY].Widget()->geometry(), list->CellRect(3, 2));
    EndAllThreads(); // before the resizer goes
}

TEST(DropListRowsTest, RowHeightReachesTheRowsOfADropDownList) {
    struct Colors : ListSource {
        int Count() const override { return 2; }
        std::string Cell(int row, int) const override { return row == 1 ? "RED" : "BLUE"; }
    } colors;
    WindowDef def;
    def.controls = {{ControlKind::DropCombo, 1, "", 5, 5, 60, 10}};
    Window window(def);
    Start([&](const std::string&) {
        window.Open();
        window[1].SetListSource(&colors);
        window[1].SetLineHeight(11);
        WaitUntil([] { return false; });
    });
    drv::Settle();
    auto* combo = qobject_cast<QComboBox*>(window[1].Widget());
    ASSERT_NE(combo, nullptr);
    ASSERT_EQ(combo->count(), 2);
    EXPECT_EQ(combo->itemData(1, Qt::SizeHintRole).toSize().height(), window.ToPixelsY(11));
    // While the pixel switch is on, the height is in pixels.
    window.SetPixels(true);
    window[1].SetLineHeight(16);
    window.SetPixels(false);
    EXPECT_EQ(combo->itemData(1, Qt::SizeHintRole).toSize().height(), 16);
    EndAllThreads();
    drv::Settle();
}
