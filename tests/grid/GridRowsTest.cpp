#include "GridFixture.h"

using namespace gridtest;
using namespace platform::win32;

namespace {

const char* const kDeleteQuestion = "Are you sure you want to delete the selected row?";

TEST_F(GridTest, RowsKeepTheirTextsCutToTheirFieldsAndReadBack) {
    OnThread([&] {
        g.AddRow("1", std::string(30, 'n'), std::string(6000, 'd'), "ft", "TYPE1");
        g.AddRow("0", "2", "a\r\nb", "", "");
        g.AddRow("", "3", "", "", "");
    });
    EXPECT_EQ(g.Records(), 3);
    EXPECT_EQ(g.GetCellValue(1, 2), std::string(20, 'n'));
    EXPECT_EQ(g.GetCellValue(1, 3).size(), 5000u);
    EXPECT_EQ(g.GetCellValue(1, 4), "ft");
    EXPECT_EQ(g.GetCellValue(1, 5), "TYPE1");
    EXPECT_EQ(g.GetCellValue(2, 3), "a\r\nb");
    EXPECT_EQ(g.GetCellValue(99, 2), "");
    EXPECT_EQ(g.GetCheckValue(1), 1);
    EXPECT_EQ(g.GetCheckValue(2), 0);
    EXPECT_EQ(g.GetCheckValue(3), 0);
    EXPECT_EQ(g.GetCheckValue(4), 0);
    // Adding rows moves nothing on the screen.
    EXPECT_EQ(g.LASTPOINTER, 0);

    std::string value = "x";
    OnThread([&] { value = g.GetCellValue(1, 6); });
    drv::Answer("Wrong column index: 6", "", ICON_Hand, BUTTON_OK, BUTTON_OK);
    EXPECT_EQ(value, "");

    OnThread([&] { g.FreeRows(); });
    EXPECT_EQ(g.Records(), 0);
}

// A row's fields share one allocation: a change of one leaves the others as they were, whatever
// their lengths, also when the new value is one of the row's own fields; a copy is a row of its
// own.
TEST(RowRecordTest, EachFieldChangesAloneAndCopiesKeepTheirOwn) {
    const std::string description(5000, 'd');
    grid::RowRecord row;
    EXPECT_EQ(row.Field(grid::ColDescription), "");
    row.SetFields("1", "12", description, "EA", "COUNT");
    struct Case {
        std::int32_t column;
        std::string value;
    };
    const Case cases[] = {
        {grid::ColNumber, "A-100"}, {grid::ColDescription, "short\r\nnow"},
        {grid::ColUnit, ""},        {grid::ColType, std::string(20, 't')},
        {grid::ColMark, "0"},       {grid::ColDescription, description},
    };
    std::vector<std::string> expected{"1", "12", description, "EA", "COUNT"};
    for (const Case& c : cases) {
        const grid::RowRecord before = row;
        const std::vector<std::string> held = expected;
        row.SetField(c.column, c.value);
        expected[static_cast<std::size_t>(c.column - 1)] = c.value;
        for (std::int32_t column = grid::ColMark; column <= grid::ColType; ++column) {
            const std::size_t i = static_cast<std::size_t>(column - 1);
            EXPECT_EQ(row.Field(column), expected[i])
                << "after setting column " << c.column << ", column " << column;
            EXPECT_EQ(before.Field(column), held[i]) << "the copy, column " << column;
        }
    }
    row.SetField(grid::ColUnit, row.Field(grid::ColType));
    EXPECT_EQ(row.Field(grid::ColUnit), std::string(20, 't'));
    EXPECT_EQ(row.Field(grid::ColType), std::string(20, 't'));

    grid::RowRecord copy;
    copy = row;
    row.SetFields("", "", "", "", "");
    EXPECT_EQ(row.Field(grid::ColDescription), "");
    EXPECT_EQ(copy.Field(grid::ColDescription), description);
    EXPECT_EQ(copy.Field(grid::ColNumber), "A-100");
}

TEST_F(GridTest, ChoicesStayInAscendingOrderHeadedByTheBlank) {
    OnThread([&] {
        for (const std::string& unit :
             std::vector<std::string>{"m", "ea", " ", "ea", std::string(25, 'z')})
            g.AddUnit(unit);
        g.AddType("B");
        g.AddType("A");
    });
    EXPECT_EQ(g.QUNIT->items,
              (std::vector<std::string>{" ", "ea", "ea", "m", std::string(20, 'z')}));
    EXPECT_EQ(g.QTYPE->items, (std::vector<std::string>{"A", "B"}));
    OnThread([&] {
        g.FreeUnits();
        g.FreeTypes();
    });
    EXPECT_TRUE(g.QUNIT->items.empty());
    EXPECT_TRUE(g.QTYPE->items.empty());
}

// A list given whole is placed as adding its choices one by one would place them (equal ones,
// blank-padded, in the order they came, after those already there); grids given one list share
// it until one of them changes its own, which changes no other grid's.
TEST_F(GridTest, ChoicesGivenWholeAreSortedAsAddedOnesAndAGridChangesOnlyItsOwn) {
    const std::vector<std::string> texts{"m", "ea ", " ", "EA", std::string(25, 'z'),
                                         "b", "ea",  "q", "",   "ea"};
    grid::ChoiceQueue oneByOne, whole;
    oneByOne.Insert("ea");
    whole.Insert("ea");
    for (const std::string& text : texts)
        oneByOne.Insert(text);
    whole.InsertAll(texts);
    EXPECT_EQ(whole.items, oneByOne.items);

    auto shared = std::make_shared<grid::ChoiceQueue>();
    shared->InsertAll({" ", "LF", "SF"});
    OnThread([&] { g.CreateEditors(); }); // the combo the lists are shown in
    OnThread([&] { g.SetUnits(shared); });
    EXPECT_EQ(g.QUNIT, shared);
    EXPECT_EQ(w[g.UNITCTRL].Source(), shared.get());
    for (const std::function<void()>& change :
         std::vector<std::function<void()>>{[&] { g.AddUnit("CY"); }, [&] { g.FreeUnits(); }}) {
        OnThread([&] { g.SetUnits(shared); });
        OnThread(change);
        EXPECT_EQ(shared->items, (std::vector<std::string>{" ", "LF", "SF"}));
        EXPECT_NE(g.QUNIT, shared);
        EXPECT_EQ(w[g.UNITCTRL].Source(), g.QUNIT.get()); // the combo shows the grid's own
    }
    EXPECT_TRUE(g.QUNIT->items.empty());
}

TEST_F(GridTest, InsertPutsAnEmptyRowBelowTheSelectionAndOpensItsNumber) {
    // In an empty grid the new row is row 1.
    OnThread([&] {
        g.SetRedraw(1);
        g.Draw();
        g.RowCommand(1);
    });
    EXPECT_EQ(g.Records(), 1);
    EXPECT_EQ(g.CURROW, 1);
    EXPECT_EQ(g.CURCOL, 2);
    EXPECT_EQ(g.EIPON, 1);
    EXPECT_EQ(g.CURCTRL, g.EDITCTRL);
    EXPECT_EQ(g.GetCheckValue(1), 0);
    drv::Key(w, 0, KEY_Esc); // the empty row stays
    EXPECT_EQ(g.EIPON, 0);
    EXPECT_EQ(g.Records(), 1);

    OnThread([&] {
        g.AddRow("0", "a", "", "", "");
        g.AddRow("0", "b", "", "", "");
        g.Draw();
        g.SelectCell(2, 4);
        g.RowCommand(1);
    });
    EXPECT_EQ(Order(), " a  b");
    EXPECT_EQ(g.CURROW, 3);
    drv::Type(w, g.EDITCTRL, "n", false);
    drv::Key(w, 0, KEY_CtrlEnter);
    EXPECT_EQ(Order(), " a n b");

    // With the last row selected the row is appended.
    OnThread([&] {
        g.SelectCell(4, 2);
        g.RowCommand(1);
    });
    EXPECT_EQ(g.Records(), 5);
    EXPECT_EQ(g.CURROW, 5);
    drv::Key(w, 0, KEY_Esc);
}

TEST_F(GridTest, InsertWhileTheDescriptionIsOpenStoresItFirst) {
    Fill(2);
    OnThread([&] {
        g.SelectCell(1, 3);
        g.StartEdit();
    });
    ASSERT_EQ(g.CURCTRL, g.TEXTCTRL);
    drv::Type(w, g.TEXTCTRL, "kept", false);
    OnThread([&] { g.RowCommand(1); });
    EXPECT_EQ(g.GetCellValue(1, 3), "kept");
    EXPECT_EQ(Order(), "1  2");
    EXPECT_EQ(g.CURCTRL, g.EDITCTRL);
    drv::Key(w, 0, KEY_Esc);
}

TEST_F(GridTest, ChangeOpensTheSelectedCellOrSaysNoneIsSelected) {
    // An empty grid has no cell to change: nothing happens, after any number of drawings, and
    // a click on it and Enter open nothing either.
    OnThread([&] {
        host.second.Setup(HOST2, 60, 62);
        host.withSecond = true;
        host.second.SetRedraw(1);
    });
    for (int drawings = 1; drawings <= 3; ++drawings) {
        OnThread([&] {
            host.second.Draw();
            host.second.RowCommand(2);
        });
        drv::ExpectNoMessage();
        drv::Click(w, HOST2);
        drv::Key(w, 0, KEY_Enter);
        EXPECT_EQ(host.second.EIPON, 0) << drawings;
    }

    Fill(2);
    OnThread([&] {
        g.SelectCell(2, 1);
        g.RowCommand(2); // the mark toggles
    });
    EXPECT_EQ(g.GetCellValue(2, 1), "1");
    EXPECT_EQ(g.EIPON, 0);
    OnThread([&] {
        g.CURCOL = 0;
        g.RowCommand(2);
    });
    drv::Answer("Cell not selected!", "", ICON_Asterisk, BUTTON_OK, BUTTON_OK);
    EXPECT_EQ(g.EIPON, 0);
}

TEST_F(GridTest, DeleteAsksAndRemovesTheSelectedRow) {
    OnThread([&] {
        g.SetRedraw(1);
        g.Draw();
        g.RowCommand(3);
    });
    drv::Answer("There is no row to delete!", "", ICON_Asterisk, BUTTON_OK, BUTTON_OK);

    Fill(4);
    OnThread([&] {
        g.SelectCell(2, 3);
        g.RowCommand(3);
    });
    drv::Answer(kDeleteQuestion, "", ICON_Question, BUTTON_YES | BUTTON_NO, BUTTON_NO);
    EXPECT_EQ(Order(), "1 2 3 4");

    OnThread([&] { g.RowCommand(3); });
    drv::Answer(kDeleteQuestion, "", ICON_Question, BUTTON_YES | BUTTON_NO, BUTTON_YES);
    EXPECT_EQ(Order(), "1 3 4");
    EXPECT_EQ(g.CURROW, 2); // the row that moved up into its place
    EXPECT_EQ(g.CURCOL, 3);

    OnThread([&] {
        g.SelectCell(3, 3);
        g.RowCommand(3);
    });
    drv::Answer(kDeleteQuestion, "", ICON_Question, BUTTON_YES | BUTTON_NO, BUTTON_YES);
    EXPECT_EQ(Order(), "1 3");
    EXPECT_EQ(g.CURROW, 2); // the new last row
}

TEST_F(GridTest, RightClickOffersTheRowCommandsForTheSelectedRow) {
    Fill(4);
    ClickAt(MidX(2), MidY(2));
    drv::MouseDown(w, MidX(2), MidY(4), true);
    drv::MouseUp(w, MidX(2), MidY(4), true);
    drv::PickPopup({"Insert", "Change", "Delete"}, 3);
    drv::Answer(kDeleteQuestion, "", ICON_Question, BUTTON_YES | BUTTON_NO, BUTTON_YES);
    EXPECT_EQ(Order(), "1 3 4");

    drv::MouseDown(w, MidX(2), MidY(1), true);
    drv::MouseUp(w, MidX(2), MidY(1), true);
    drv::PickPopup({"Insert", "Change", "Delete"}, 0);
    EXPECT_EQ(Order(), "1 3 4");
    drv::MouseDown(w, MidX(2), MidY(1), true);
    drv::MouseUp(w, MidX(2), MidY(1), true);
    drv::PickPopup({"Insert", "Change", "Delete"}, 2);
    EXPECT_EQ(g.EIPON, 1);
    EXPECT_EQ(g.CURROW, 2);
    EXPECT_EQ(g.CURCTRL, g.EDITCTRL);
    drv::Key(w, 0, KEY_Esc);

    // The keyboard's ways to the same menu: the context-menu key and Shift+F10.
    for (int key : {KEY_Apps, KEY_ShiftF10}) {
        drv::Key(w, HOST, key);
        drv::PickPopup({"Insert", "Change", "Delete"}, 0);
    }
    drv::Key(w, HOST, KEY_Apps);
    drv::PickPopup({"Insert", "Change", "Delete"}, 3);
    drv::Answer(kDeleteQuestion, "", ICON_Question, BUTTON_YES | BUTTON_NO, BUTTON_YES);
    EXPECT_EQ(Order(), "1 4");
}

TEST_F(GridTest, MovesTakeTheSelectedRowAndKeepItSelected) {
    struct Case {
        const char* what;
        int selected;
        std::function<void(grid::PelkGridClass&)> move;
        std::string order;
        int row;
    };
    const std::vector<Case> cases = {
        {"up", 3, [](auto& g) { g.MoveRowUp(g.CURROW); }, "1 3 2 4 5 6", 2},
        {"up at 1", 1, [](auto& g) { g.MoveRowUp(g.CURROW); }, "1 2 3 4 5 6", 1},
        {"down", 3, [](auto& g) { g.MoveRowDown(g.CURROW); }, "1 2 4 3 5 6", 4},
        {"down at last", 6, [](auto& g) { g.MoveRowDown(g.CURROW); }, "1 2 3 4 5 6", 6},
        {"top", 4, [](auto& g) { g.MoveRowToTop(g.CURROW); }, "4 1 2 3 5 6", 1},
        {"top at 1", 1, [](auto& g) { g.MoveRowToTop(g.CURROW); }, "1 2 3 4 5 6", 1},
        {"bottom", 2, [](auto& g) { g.MoveRowToBottom(g.CURROW); }, "1 3 4 5 6 2", 6},
        {"bottom at last", 6, [](auto& g) { g.MoveRowToBottom(g.CURROW); }, "1 2 3 4 5 6", 6},
        {"2 to 5", 1, [](auto& g) { g.MoveRow(2, 5); }, "1 3 4 5 2 6", 5},
        {"5 to 2", 1, [](auto& g) { g.MoveRow(5, 2); }, "1 5 2 3 4 6", 2},
        {"to 0", 1, [](auto& g) { g.MoveRow(3, 0); }, "1 2 3 4 5 6", 1},
        {"from 9", 1, [](auto& g) { g.MoveRow(9, 2); }, "1 2 3 4 5 6", 1},
    };
    for (const Case& c : cases) {
        OnThread([&] {
            g.FreeRows();
            for (int i = 1; i <= 6; ++i)
                g.AddRow("0", std::to_string(i), "", "", "");
            g.FIRSTPOINTER = 1;
            g.SetRedraw(1);
            g.Draw();
            g.SelectCell(c.selected, 3);
            c.move(g);
        });
        EXPECT_EQ(Order(), c.order) << c.what;
        EXPECT_EQ(g.CURROW, c.row) << c.what;
        EXPECT_EQ(g.CURCOL, 3) << c.what;
    }
}

TEST_F(GridTest, MoveToBottomScrollsTheMovedRowIntoView) {
    Fill(40);
    OnThread([&] {
        g.SelectCell(2, 2);
        g.MoveRowToBottom(g.CURROW);
    });
    EXPECT_EQ(g.CURROW, 40);
    EXPECT_EQ(g.GetCellValue(40, 2), "2");
    EXPECT_EQ(g.LASTPOINTER, 40);
    EXPECT_EQ((*g.QDATA)[39].INCOMPLETESHOW, 0);
    OnThread([&] { g.MoveRowToTop(g.CURROW); });
    EXPECT_EQ(g.FIRSTPOINTER, 1);
    EXPECT_EQ(g.CURROW, 1);
    EXPECT_EQ(g.GetCellValue(1, 2), "2");
}

} // namespace

namespace {

TEST_F(GridTest, FreeRowsAndResizeDrawOnlyWhileTheOwnerLetsTheGridDraw) {
    Fill(3);
    struct Case {
        const char* what;
        std::uint8_t redraw;
        std::function<void(grid::PelkGridClass&)> act;
        bool drawn;
    };
    const std::vector<Case> cases = {
        {"resize, not allowed", 0, [](auto& g) { g.Resize(); }, false},
        {"free, not allowed", 0, [](auto& g) { g.FreeRows(); }, false},
        {"set redraw alone", 1, [](auto&) {}, false},
        {"resize, allowed", 1, [](auto& g) { g.Resize(); }, true},
        {"free, allowed", 1, [](auto& g) { g.FreeRows(); }, true},
    };
    for (const Case& c : cases) {
        OnThread([&] {
            PaintOver(g, 100, 100);
            g.SetRedraw(c.redraw);
            c.act(g);
        });
        EXPECT_EQ(Pixel(kGridX + 50, kGridY + 50) != 0x00FF00u, c.drawn) << c.what;
    }
}

} // namespace
