#include "LayersFixture.h"

#include "layers/LayerTable.h"
#include "platform/files/LineFile.h"
#include "platform/text/Text.h"
#include "platform/ui/Accessible.h"
#include "platform/ui/Keys.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QWidget>

#include <filesystem>

using namespace platform;
using namespace layers;
using namespace layers::testing;

namespace {

const std::string kTable = "(\"LAY1\" \"TEXT-A\" \"1\" \"CONTINUOUS\");Notes" + kCrLf +
                           "(\"LAY2\" \"TEXT-B\" \"2\" \"DASHED\");" + kCrLf +
                           "(\"LAY3\" \"TEXT-C\" \"RED\" \"HIDDEN\");Third" + kCrLf;

class LayersWindowTest : public LayersTest {
protected:
    void SetUp() override {
        LayersTest::SetUp();
        WriteBytes(table, kTable);
        WriteBytes(qvrIni, "[LAYERS]\r\nColor1=1\r\nColor2=7\r\nLineType1=CONTINUOUS\r\n"
                           "LineType2=CENTER\r\n");
    }
    // The lines of the file as the rows would be written.
    static std::string Written(const std::vector<LayerRow>& rows) {
        std::string out;
        for (const LayerRow& row : rows)
            out += FormatLayerLine(row) + kCrLf;
        return out;
    }
    std::string Flag() const { return ReadIni("QVR", "ImportLayerSettings", "", flagIni); }
    // Opens a row's description editor as a user does: a click on its line type, Right, Enter.
    static void OpenDescription(Window& w, int row) {
        drv::ClickList(w, LIST, row, 4);
        drv::Key(w, LIST, KEY_Right);
        drv::Key(w, LIST, KEY_Enter);
        ASSERT_EQ(OpenEditor(w), EDITENTRY);
    }
    // Whether a combo editor lies over a cell with its text field as wide as the cell at least
    // (the drop arrow beside it).
    static void ExpectOverCell(Window& w, int editor, int row, int column) {
        const QRect cell = List(w).CellRect(row, column);
        const QRect at = w[editor].Widget()->geometry();
        EXPECT_EQ(at.topLeft(), cell.topLeft());
        EXPECT_EQ(at.height(), cell.height());
        auto* combo = qobject_cast<QComboBox*>(w[editor].Widget());
        ASSERT_TRUE(combo && combo->lineEdit());
        EXPECT_GE(combo->lineEdit()->width(), cell.width() - 8);
    }
};

} // namespace

TEST_F(LayersWindowTest, ListsTheRowsAndEditsAColourThroughTheCombo) {
    Window& w = Open();
    EXPECT_EQ(Shown(w),
              (std::vector<std::string>{"LAY1|TEXT-A|1|CONTINUOUS|Notes", "LAY2|TEXT-B|2|DASHED|",
                                        "LAY3|TEXT-C|RED|HIDDEN|Third"}));
    EXPECT_EQ(OpenEditor(w), 0);

    // Enter while the current column is Key Name opens the colour editor on the row's colour,
    // which is a choice since the file uses it.
    drv::ClickList(w, LIST, 2, 1);
    drv::Key(w, LIST, KEY_Enter);
    ASSERT_EQ(OpenEditor(w), EDITCOLOR);
    EXPECT_EQ(List(w).CurrentColumn(), 3);
    EXPECT_EQ(drv::Items(w, EDITCOLOR), (std::vector<std::string>{"1", "2", "7", "RED"}));
    EXPECT_EQ(w[EDITCOLOR].Selected(), 2);
    EXPECT_EQ(w[EDITCOLOR].Text(), "2");
    EXPECT_TRUE(w[EDITCOLOR].HasFocus());
    ExpectOverCell(w, EDITCOLOR, 2, 3);

    drv::Choose(w, EDITCOLOR, 3);
    EXPECT_EQ(OpenEditor(w), EDITCOLOR); // choosing alone stores nothing yet
    drv::Key(w, EDITCOLOR, KEY_Enter);
    EXPECT_EQ(OpenEditor(w), 0);
    EXPECT_TRUE(w[LIST].HasFocus());
    EXPECT_EQ(List(w).CellText(2, 3), "7");

    // Esc in each editor, and Enter on the list while it is open, leave the row alone.
    const std::vector<std::string> before = Shown(w);
    for (auto [column, editor] : {std::pair{3, EDITCOLOR}, {4, EDITLINETYPE}, {5, EDITENTRY}}) {
        for (bool onList : {false, true}) {
            drv::ClickList(w, LIST, 2, 3); // the row stays; Right walks to the column
            for (int c = 3; c < column; ++c)
                drv::Key(w, LIST, KEY_Right);
            drv::Key(w, LIST, KEY_Enter);
            ASSERT_EQ(OpenEditor(w), editor);
            drv::Type(w, editor, "9", false);
            if (onList) {
                drv::ClickList(w, LIST, 4, column); // below the rows: the row stays
                drv::Key(w, LIST, KEY_Enter);
            } else {
                drv::Key(w, editor, KEY_Esc);
            }
            EXPECT_EQ(OpenEditor(w), 0) << column << onList;
            EXPECT_EQ(Shown(w), before) << column << onList;
        }
    }
    EXPECT_EQ(ReadBytes(table), kTable); // nothing is written before a save
}

TEST_F(LayersWindowTest, AClickBelowTheRowsKeepsTheSelectedRowShown) {
    Window& w = Open();
    drv::ClickList(w, LIST, 2, 2);
    drv::ClickList(w, LIST, 4, 2); // the empty area below the last row
    EXPECT_EQ(List(w).Selected(), 2);
    auto* view = static_cast<QAbstractItemView*>(List(w).View());
    EXPECT_TRUE(view->selectionModel()->isRowSelected(1, QModelIndex()));
    EXPECT_TRUE(w[LIST].HasFocus());
    drv::Key(w, LIST, KEY_Enter); // edits the row that shows as selected
    ASSERT_EQ(OpenEditor(w), EDITCOLOR);
    EXPECT_EQ(w[EDITCOLOR].Text(), "2");
}

TEST_F(LayersWindowTest, AValueThatFitsItsColumnShowsWholeInItsEditor) {
    Window& w = Open();
    drv::ClickList(w, LIST, 1, 4);
    drv::Key(w, LIST, KEY_Enter);
    ASSERT_EQ(OpenEditor(w), EDITLINETYPE);
    auto* combo = qobject_cast<QComboBox*>(w[EDITLINETYPE].Widget());
    ASSERT_TRUE(combo && combo->lineEdit());
    QLineEdit* edit = combo->lineEdit();
    EXPECT_EQ(edit->text(), "CONTINUOUS");
    // The text needs its width and the entry's two margins of 2 pixels.
    EXPECT_GE(edit->contentsRect().width() - 4,
              edit->fontMetrics().horizontalAdvance("CONTINUOUS"));
    ExpectOverCell(w, EDITLINETYPE, 1, 4);
}

TEST_F(LayersWindowTest, TheEditedCellScrollsIntoViewAndTheTypingStaysInIt) {
    Window& w = Open();
    auto* view = static_cast<QAbstractItemView*>(List(w).View());
    QWidget* viewport = view->viewport();
    const QRect shown(viewport->mapTo(w.ClientWidget(), QPoint(0, 0)), viewport->size());
    ASSERT_FALSE(shown.contains(List(w).CellRect(1, 5))); // the description runs off the list
    OpenDescription(w, 1);
    const QRect editor = w[EDITENTRY].Widget()->geometry();
    EXPECT_TRUE(shown.contains(editor)) << "editor " << editor.x() << "," << editor.width();
    EXPECT_EQ(editor.topLeft(), List(w).CellRect(1, 5).topLeft());
    drv::Type(w, EDITENTRY, std::string(150, 'x'), false); // the entry keeps 100
    // The caret at the end of what was typed is in sight.
    auto* edit = qobject_cast<QLineEdit*>(w[EDITENTRY].Widget());
    ASSERT_NE(edit, nullptr);
    const QRect inEdit = edit->inputMethodQuery(Qt::ImCursorRectangle).toRect();
    const QRect caret(edit->mapTo(w.ClientWidget(), inEdit.topLeft()), inEdit.size());
    EXPECT_TRUE(shown.contains(caret.center()));
    drv::Key(w, EDITENTRY, KEY_Enter);
    EXPECT_EQ(Shown(w)[0], "LAY1|TEXT-A|1|CONTINUOUS|" + std::string(100, 'x'));
}

TEST_F(LayersWindowTest, APastedTabOrCtrlZIsRefusedByTheDescription) {
    Window& w = Open();
    OpenDescription(w, 1);
    for (const char* pasted : {"a\tb", "end\x1A", "two\r\nlines"}) {
        QApplication::clipboard()->setText(QString::fromLatin1(pasted)); // copied elsewhere
        drv::Key(w, EDITENTRY, KEY_Ctrl + KeyOf('v'));
        EXPECT_EQ(w[EDITENTRY].Text(), "Notes") << pasted;
    }
    QApplication::clipboard()->setText("d");
    drv::Key(w, EDITENTRY, KEY_Ctrl + KeyOf('v'));
    drv::Key(w, EDITENTRY, KEY_Enter);
    EXPECT_EQ(Shown(w)[0], "LAY1|TEXT-A|1|CONTINUOUS|Notesd");
}

TEST_F(LayersWindowTest, ADescriptionReadWithAControlCharacterKeepsItAndTakesNoMore) {
    WriteBytes(table, "(\"LAY1\" \"TEXT-A\" \"1\" \"CONTINUOUS\");Notes\x01" + kCrLf);
    Window& w = Open();
    OpenDescription(w, 1);
    EXPECT_EQ(w[EDITENTRY].Text(), "Notes\x01");
    drv::Key(w, EDITENTRY, KEY_End);
    drv::Key(w, EDITENTRY, KeyOf('x'));
    for (const char* pasted : {"a\tb", "\x01", "end\x1A"}) {
        QApplication::clipboard()->setText(QString::fromLatin1(pasted));
        drv::Key(w, EDITENTRY, KEY_Ctrl + KeyOf('v'));
        EXPECT_EQ(w[EDITENTRY].Text(), "Notes\x01x") << pasted;
    }
    drv::Key(w, EDITENTRY, KEY_Enter);
    EXPECT_EQ(Shown(w)[0], "LAY1|TEXT-A|1|CONTINUOUS|Notes\x01x");
}

TEST_F(LayersWindowTest, ShiftTabGoesBackOneCellStoringTheEdit) {
    Window& w = Open();
    OpenDescription(w, 2);
    drv::Type(w, EDITENTRY, "Second", false);
    drv::Key(w, EDITENTRY, KEY_ShiftTab);
    ASSERT_EQ(OpenEditor(w), EDITLINETYPE);
    EXPECT_TRUE(w[EDITLINETYPE].HasFocus());
    EXPECT_EQ(Shown(w)[1], "LAY2|TEXT-B|2|DASHED|Second");
    drv::Type(w, EDITLINETYPE, "DOT", false);
    drv::Key(w, EDITLINETYPE, KEY_ShiftTab);
    ASSERT_EQ(OpenEditor(w), EDITCOLOR);
    drv::Type(w, EDITCOLOR, "4", false);
    drv::Key(w, EDITCOLOR, KEY_ShiftTab);
    // Back to the previous row's description; Enter there keeps what was typed.
    ASSERT_EQ(OpenEditor(w), EDITENTRY);
    EXPECT_EQ(List(w).Selected(), 1);
    EXPECT_EQ(w[EDITENTRY].Text(), "Notes");
    EXPECT_EQ(Shown(w)[1], "LAY2|TEXT-B|4|DOT|Second");
    drv::Type(w, EDITENTRY, "First", false);
    drv::Key(w, EDITENTRY, KEY_Enter);
    EXPECT_EQ(OpenEditor(w), 0);
    EXPECT_EQ(Shown(w)[0], "LAY1|TEXT-A|1|CONTINUOUS|First");

    // Before the first row's colour the edit is stored and stays closed.
    drv::ClickList(w, LIST, 1, 3);
    drv::Key(w, LIST, KEY_Enter);
    drv::Type(w, EDITCOLOR, "6", false);
    drv::Key(w, EDITCOLOR, KEY_ShiftTab);
    EXPECT_EQ(OpenEditor(w), 0);
    EXPECT_EQ(Shown(w)[0], "LAY1|TEXT-A|6|CONTINUOUS|First");
    EXPECT_TRUE(w[LIST].HasFocus());
}

TEST_F(LayersWindowTest, TabWalksColourLineTypeAndDescriptionStoringEachValue) {
    Window& w = Open();
    drv::ClickList(w, LIST, 1, 3);
    drv::Key(w, LIST, KEY_Enter);
    drv::Type(w, EDITCOLOR, "3", false);
    drv::Key(w, EDITCOLOR, KEY_Tab);
    ASSERT_EQ(OpenEditor(w), EDITLINETYPE);
    EXPECT_EQ(w[EDITLINETYPE].Text(), "CONTINUOUS");
    drv::Type(w, EDITLINETYPE, "DOT", false);
    drv::Key(w, EDITLINETYPE, KEY_Tab);
    ASSERT_EQ(OpenEditor(w), EDITENTRY);
    EXPECT_EQ(w[EDITENTRY].Text(), "Notes");
    drv::Type(w, EDITENTRY, "First row", false);
    drv::Key(w, EDITENTRY, KEY_Tab);
    // On to the next row's colour.
    ASSERT_EQ(OpenEditor(w), EDITCOLOR);
    EXPECT_EQ(List(w).Selected(), 2);
    EXPECT_EQ(List(w).CurrentColumn(), 3);
    EXPECT_EQ(w[EDITCOLOR].Text(), "2");
    EXPECT_EQ(Shown(w)[0], "LAY1|TEXT-A|3|DOT|First row");

    // Tab in the last row's description stores it and leaves the edit closed.
    drv::Key(w, EDITCOLOR, KEY_Esc);
    OpenDescription(w, 3);
    drv::Type(w, EDITENTRY, "Last", false);
    drv::Key(w, EDITENTRY, KEY_Tab);
    EXPECT_EQ(OpenEditor(w), 0);
    EXPECT_EQ(List(w).Selected(), 3);
    EXPECT_EQ(Shown(w)[2], "LAY3|TEXT-C|RED|HIDDEN|Last");
}

TEST_F(LayersWindowTest, ANewSelectionStoresTheOpenEditIntoItsRowAndOpensOnTheNewRow) {
    Window& w = Open();
    drv::ClickList(w, LIST, 1, 4);
    drv::Key(w, LIST, KEY_Enter);
    ASSERT_EQ(OpenEditor(w), EDITLINETYPE);
    drv::Type(w, EDITLINETYPE, "ZIGZAG", false);
    drv::ClickList(w, LIST, 2, 4);
    EXPECT_EQ(List(w).CellText(1, 4), "ZIGZAG");
    ASSERT_EQ(OpenEditor(w), EDITLINETYPE);
    EXPECT_EQ(w[EDITLINETYPE].Text(), "DASHED");
    ExpectOverCell(w, EDITLINETYPE, 2, 4);

    // The clicked column becomes the list's current column, where the editor opens.
    drv::Type(w, EDITLINETYPE, "CENTER", false);
    drv::ClickList(w, LIST, 3, 3);
    EXPECT_EQ(List(w).CellText(2, 4), "CENTER");
    ASSERT_EQ(OpenEditor(w), EDITCOLOR);
    EXPECT_EQ(w[EDITCOLOR].Text(), "RED");
}

TEST_F(LayersWindowTest, DoubleClicksOpenAndCloseTheEditorAndSpaceDoesNothing) {
    Window& w = Open();
    drv::DoubleClickList(w, LIST, 3, 4);
    EXPECT_EQ(List(w).Selected(), 3);
    ASSERT_EQ(OpenEditor(w), EDITLINETYPE);
    EXPECT_EQ(w[EDITLINETYPE].Text(), "HIDDEN");

    // A double click while editing closes the editor on the row under the mouse.
    drv::DoubleClickList(w, LIST, 1, 2);
    EXPECT_EQ(OpenEditor(w), 0);
    EXPECT_EQ(List(w).Selected(), 1);

    // Below the last row nothing happens.
    drv::DoubleClickList(w, LIST, 4, 3);
    EXPECT_EQ(OpenEditor(w), 0);
    EXPECT_EQ(List(w).Selected(), 1);

    std::vector<std::string> before = Shown(w);
    drv::Key(w, LIST, KEY_Space);
    EXPECT_EQ(OpenEditor(w), 0);
    EXPECT_EQ(Shown(w), before);
}

TEST_F(LayersWindowTest, EditorsKeepWhatTheRowAndTheFileCanHold) {
    Window& w = Open();
    // The description editor takes 127 characters; the row keeps 100.
    drv::ClickList(w, LIST, 1, 4);
    drv::Key(w, LIST, KEY_Right);
    drv::Key(w, LIST, KEY_Enter);
    std::string typed;
    for (int i = 0; i < 130; ++i)
        typed += static_cast<char>('a' + i % 26);
    drv::Type(w, EDITENTRY, typed, false);
    EXPECT_EQ(w[EDITENTRY].Text(), typed.substr(0, 127));
    drv::Key(w, EDITENTRY, KEY_Enter);
    EXPECT_EQ(List(w).CellText(1, 5), typed.substr(0, 100));

    // A colour takes 20 characters, and no double quote or ")", which the file cannot hold.
    drv::ClickList(w, LIST, 1, 3);
    drv::Key(w, LIST, KEY_Enter);
    drv::Type(w, EDITCOLOR, "A\"B)CDEFGHIJKLMNOPQRSTUVWXYZ", false);
    drv::Key(w, EDITCOLOR, KEY_Enter);
    EXPECT_EQ(List(w).CellText(1, 3), "ABCDEFGHIJKLMNOPQRST");
    drv::Key(w, LIST, KEY_Right);
    drv::Key(w, LIST, KEY_Enter);
    ASSERT_EQ(OpenEditor(w), EDITLINETYPE);
    drv::Type(w, EDITLINETYPE, "(DASH)\"", false);
    drv::Key(w, EDITLINETYPE, KEY_Enter);
    EXPECT_EQ(List(w).CellText(1, 4), "(DASH");
}

TEST_F(LayersWindowTest, ChangeOpensTheEditorOrGivesItTheFocusAgain) {
    Window& w = Open();
    drv::ClickList(w, LIST, 2, 2);
    drv::Click(w, CHANGE);
    ASSERT_EQ(OpenEditor(w), EDITCOLOR);
    EXPECT_EQ(List(w).CurrentColumn(), 3);
    EXPECT_TRUE(w[EDITCOLOR].HasFocus());
    // The click takes the focus to the button; the open editor gets it back.
    drv::Click(w, CHANGE);
    EXPECT_EQ(OpenEditor(w), EDITCOLOR);
    EXPECT_TRUE(w[EDITCOLOR].HasFocus());
}

// From the keyboard: Enter on Change does what Space (and a click) does, and the editor that
// opens reads as its column.
TEST_F(LayersWindowTest, EnterOnChangeOpensTheEditorNamedByItsColumn) {
    Window& w = Open();
    drv::ClickList(w, LIST, 2, 2);
    drv::Focus(w, CHANGE);
    drv::Key(w, CHANGE, KEY_Enter);
    ASSERT_EQ(OpenEditor(w), EDITCOLOR);
    EXPECT_TRUE(w[EDITCOLOR].HasFocus());
    EXPECT_EQ(AccessibleName(w[EDITCOLOR]), "Color");
    EXPECT_EQ(AccessibleName(w[EDITLINETYPE]), "Line Type");
    EXPECT_EQ(AccessibleName(w[EDITENTRY]), "Description");
}

TEST_F(LayersWindowTest, SaveStoresTheOpenEditSavesReloadsAndFlags) {
    Window& w = Open();
    drv::ClickList(w, LIST, 1, 3);
    drv::Key(w, LIST, KEY_Enter);
    drv::Type(w, EDITCOLOR, "5", false);
    drv::Click(w, SAVEBUTTON);
    EXPECT_EQ(OpenEditor(w), 0);
    EXPECT_EQ(ReadBytes(table), Written({Row("LAY1", "TEXT-A", "5", "CONTINUOUS", "Notes"),
                                         Row("LAY2", "TEXT-B", "2", "DASHED", ""),
                                         Row("LAY3", "TEXT-C", "RED", "HIDDEN", "Third")}));
    EXPECT_EQ(Flag(), "Yes");
    // The list shows what the file now holds, with the choices it brings.
    EXPECT_EQ(Shown(w)[0], "LAY1|TEXT-A|5|CONTINUOUS|Notes");
    drv::Key(w, LIST, KEY_Enter);
    EXPECT_EQ(drv::Items(w, EDITCOLOR), (std::vector<std::string>{"1", "2", "5", "7", "RED"}));
    EXPECT_EQ(ReadIni("QVR", "ImportLayerSettings", "#", ""), "#"); // not the default INI
}

TEST_F(LayersWindowTest, SaveAndCloseEndsTheProgramAfterTheSave) {
    Window& w = Open();
    drv::ClickList(w, LIST, 2, 4);
    drv::Key(w, LIST, KEY_Right);
    drv::Key(w, LIST, KEY_Enter);
    drv::Type(w, EDITENTRY, "Second", false);
    drv::Click(w, SAVEANDCLOSEBUTTON);
    EXPECT_FALSE(ThreadExists(1));
    EXPECT_TRUE(Window::All().empty());
    EXPECT_EQ(ReadBytes(table), Written({Row("LAY1", "TEXT-A", "1", "CONTINUOUS", "Notes"),
                                         Row("LAY2", "TEXT-B", "2", "DASHED", "Second"),
                                         Row("LAY3", "TEXT-C", "RED", "HIDDEN", "Third")}));
    EXPECT_EQ(Flag(), "Yes");
    EXPECT_NE(ReadIni("Layers", "Width", "", "dravolet.INI"), "");
}

TEST_F(LayersWindowTest, CloseLeavesTheFrameAndKeepsOnlyThePosition) {
    Window& w = Open();
    drv::ClickList(w, LIST, 1, 3);
    drv::Key(w, LIST, KEY_Enter);
    drv::Type(w, EDITCOLOR, "5", false);
    drv::Key(w, EDITCOLOR, KEY_Enter);
    w.SetPosition(12, 14, 380, 210);
    drv::Settle();
    drv::Click(w, CANCELBUTTON);
    EXPECT_EQ(LayerWindow(), nullptr);
    ASSERT_NE(drv::FindWindow("QVR Editor"), nullptr);
    EXPECT_EQ(ReadBytes(table), kTable);
    EXPECT_EQ(Flag(), "");
    EXPECT_EQ(ReadIni("Layers", "XPos", "", "dravolet.INI"), "12");
    EXPECT_EQ(ReadIni("Layers", "Width", "", "dravolet.INI"), "380");

    // The next run opens the window where it was.
    drv::ChooseMenu(-3);
    EXPECT_FALSE(ThreadExists(1));
    Window& again = Open();
    EXPECT_EQ(again.X(), 12);
    EXPECT_EQ(again.Y(), 14);
    EXPECT_EQ(again.Width(), 380);
    EXPECT_EQ(again.Height(), 210);
}

TEST_F(LayersWindowTest, WithoutArgumentTwoTheFlagGoesToTheDefaultIni) {
    StartFrame({table});
    Window* w = LayerWindow();
    ASSERT_NE(w, nullptr);
    drv::Click(*w, SAVEBUTTON);
    EXPECT_EQ(ReadIni("QVR", "ImportLayerSettings", "", ""), "Yes");
    EXPECT_TRUE(std::filesystem::exists(temp / "config/dravolet/win.ini"));
}

TEST_F(LayersWindowTest, AFailedSaveKeepsTheRowsAndTheWindowAndStillFlags) {
    Window& w = Open();
    drv::ClickList(w, LIST, 1, 3);
    drv::Key(w, LIST, KEY_Enter);
    drv::Type(w, EDITCOLOR, "5", false);
    drv::Key(w, EDITCOLOR, KEY_Enter);

    LineFile other(2048); // another program holds the table
    other.SetName(table);
    ASSERT_TRUE(other.Open(OpenMode::ReadWriteDenyWrite));
    drv::Click(w, SAVEBUTTON);
    drv::Settle();
    // The new table is gone before the message shows: nothing lies beside the table.
    for (const auto& entry : std::filesystem::directory_iterator(project))
        EXPECT_EQ(entry.path().filename().string().find(".Layers.dat."), std::string::npos)
            << entry.path();
    drv::Answer("Cannot create file!|" + table + "|Access Denied", "Error", ICON_Hand, BUTTON_OK,
                BUTTON_OK);
    EXPECT_EQ(Flag(), "Yes");
    EXPECT_EQ(ReadBytes(table), kTable);
    EXPECT_EQ(Shown(w)[0], "LAY1|TEXT-A|5|CONTINUOUS|Notes"); // not reloaded over the edit

    WriteIni("QVR", "ImportLayerSettings", "No", flagIni);
    drv::Click(w, SAVEANDCLOSEBUTTON);
    drv::Answer("Cannot create file!|" + table + "|Access Denied", "Error", ICON_Hand, BUTTON_OK,
                BUTTON_OK);
    EXPECT_EQ(Flag(), "Yes");
    ASSERT_EQ(LayerWindow(), &w); // the program stays, with the rows not yet saved
    static_cast<void>(other.Close());

    drv::Click(w, SAVEBUTTON); // the table was read at the start: no question
    EXPECT_EQ(ReadBytes(table), Written({Row("LAY1", "TEXT-A", "5", "CONTINUOUS", "Notes"),
                                         Row("LAY2", "TEXT-B", "2", "DASHED", ""),
                                         Row("LAY3", "TEXT-C", "RED", "HIDDEN", "Third")}));
}

TEST_F(LayersWindowTest, SavingOverATableThatCouldNotBeReadAsksFirst) {
    LineFile other(2048);
    other.SetName(table);
    ASSERT_TRUE(other.Open(OpenMode::ReadWriteDenyWrite));
    StartFrame({table, flagIni});
    drv::Answer("Can not open file!|" + table + "|Access Denied", "Error", ICON_Hand, BUTTON_OK,
                BUTTON_OK);
    static_cast<void>(other.Close());
    Window* w = LayerWindow();
    ASSERT_NE(w, nullptr);
    const std::string question =
        "The layer table could not be read:|" + table + "|Replace it with the layers shown here?";
    WriteIni("QVR", "ImportLayerSettings", "No", flagIni);
    drv::Click(*w, SAVEANDCLOSEBUTTON);
    drv::Answer(question, "Save", ICON_Question, BUTTON_YES | BUTTON_NO, BUTTON_NO, BUTTON_NO);
    EXPECT_EQ(ReadBytes(table), kTable);
    EXPECT_EQ(Flag(), "No");
    ASSERT_EQ(LayerWindow(), w);

    drv::Click(*w, SAVEBUTTON);
    drv::Answer(question, "Save", ICON_Question, BUTTON_YES | BUTTON_NO, BUTTON_YES, BUTTON_NO);
    EXPECT_EQ(Flag(), "Yes");
    EXPECT_EQ(ReadBytes(table), ""); // the window held no rows
    drv::Click(*w, SAVEBUTTON);      // read back this time: no question
    drv::ExpectNoMessage();
}

TEST_F(LayersWindowTest, AMissingTableIsCreatedByTheFirstSaveWithoutAQuestion) {
    std::filesystem::remove(table);
    StartFrame({table, flagIni});
    drv::Answer("Can not open file!|" + table + "|File Not Found", "Error", ICON_Hand, BUTTON_OK,
                BUTTON_OK);
    Window* w = LayerWindow();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(List(*w).Count(), 0);
    drv::Click(*w, CHANGE); // nothing to edit
    drv::Focus(*w, LIST);
    drv::Key(*w, LIST, KEY_Enter);
    EXPECT_EQ(OpenEditor(*w), 0);
    drv::Click(*w, SAVEBUTTON);
    EXPECT_EQ(ReadBytes(table), "");
    EXPECT_EQ(Flag(), "Yes");
}

TEST_F(LayersWindowTest, TrailingBlanksOfArgumentOneAreNoPartOfTheTableName) {
    StartFrame({table + "  ", flagIni});
    Window* w = LayerWindow();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(List(*w).Count(), 3);
    drv::Click(*w, SAVEBUTTON);
    EXPECT_EQ(ReadBytes(table), Written({Row("LAY1", "TEXT-A", "1", "CONTINUOUS", "Notes"),
                                         Row("LAY2", "TEXT-B", "2", "DASHED", ""),
                                         Row("LAY3", "TEXT-C", "RED", "HIDDEN", "Third")}));
    EXPECT_FALSE(std::filesystem::exists(table + "  "));
}
