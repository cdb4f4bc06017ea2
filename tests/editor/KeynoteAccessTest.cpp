// The keynote window reached without a mouse: the grid in the window's Tab chain and its keys
// once it has the keyboard.
#include "KeynoteFixture.h"

#include "platform/ui/Accessible.h"
#include "platform/ui/Keys.h"
#include "platform/ui/Qt.h"

#include <QAccessible>
#include <QApplication>

using namespace keynotetest;

namespace {

// Tab from a control until the grid of a shape has the keyboard; how many Tabs it took.
int TabToGrid(Window& w, int from, int host) {
    drv::Focus(w, from);
    int tabs = 0;
    while (!w[host].HasFocus() && tabs < 40) {
        drv::Key(w, 0, KEY_Tab);
        ++tabs;
    }
    return tabs;
}

// Listens as a screen reader does and writes down what the program tells it: each event's kind
// and the name of what it is about.
class Listener {
public:
    Listener() {
        events().clear();
        ListenToAccessibleEvents(&Listener::Update);
    }
    ~Listener() { ListenToAccessibleEvents(nullptr); }
    static std::vector<std::pair<QAccessible::Event, std::string>>& events() {
        static std::vector<std::pair<QAccessible::Event, std::string>> seen;
        return seen;
    }
    bool Heard(QAccessible::Event type, const std::string& name) const {
        for (const auto& [t, n] : events())
            if (t == type && n == name)
                return true;
        return false;
    }

private:
    static void Update(QAccessibleEvent* event) {
        QAccessibleInterface* about = event->accessibleInterface();
        events().emplace_back(event->type(),
                              about ? FromQt(about->text(QAccessible::Name)) : std::string());
    }
};

QAccessibleInterface* Of(Window& w, int control) {
    return QAccessible::queryAccessibleInterface(w[control].Widget());
}

// The text of the label a control is tied to, as a screen reader finds it ("" none).
std::string LabelOf(QAccessibleInterface* control) {
    const auto labels = control->relations(QAccessible::Label);
    return labels.isEmpty() ? std::string() : FromQt(labels.first().first->text(QAccessible::Name));
}

} // namespace

TEST_F(KeynoteTest, TabReachesTheGridWhoseKeysThenMoveEditMarkAndReorderNotes) {
    OpenOn(Fixture("example.csv"));
    grid::PelkGridClass& g = Grid(1);
    ASSERT_LT(TabToGrid(W(), GLO_CIRTITLEDESC, OLE1), 40) << "Tab never reaches the grid";
    EXPECT_EQ(g.ACTIVE, 1); // drawn as the grid in use
    EXPECT_NE(g.CURROW, 0);

    // The arrows move the selection as after a click.
    drv::Key(W(), OLE1, KEY_Up);
    drv::Key(W(), OLE1, KEY_Right);
    EXPECT_EQ(g.CURROW, 1);
    EXPECT_EQ(g.CURCOL, 2);
    drv::Key(W(), OLE1, KEY_Down);
    EXPECT_EQ(g.CURROW, 2);

    // Enter edits the note number; Ctrl+Enter stores it and gives the grid the keyboard back.
    drv::Key(W(), OLE1, KEY_Enter);
    ASSERT_EQ(g.EIPON, 1);
    drv::Type(W(), g.EDITCTRL, "7", false);
    drv::Key(W(), g.EDITCTRL, KEY_CtrlEnter);
    EXPECT_EQ(g.EIPON, 0);
    EXPECT_TRUE(W()[OLE1].HasFocus());
    EXPECT_EQ(Order(1), "1 7");

    // Enter on the mark cell marks or unmarks the note.
    drv::Key(W(), OLE1, KEY_Left);
    drv::Key(W(), OLE1, KEY_Enter);
    EXPECT_EQ(Rows(1)[1].substr(0, 2), "0|");
    drv::Key(W(), OLE1, KEY_Enter);
    EXPECT_EQ(Rows(1)[1].substr(0, 2), "1|");

    // Tab inside an open edit goes on to the next cell; Esc drops the edit.
    drv::Key(W(), OLE1, KEY_Up);
    drv::Key(W(), OLE1, KEY_Right);
    drv::Key(W(), OLE1, KEY_Enter);
    drv::Key(W(), g.EDITCTRL, KEY_Tab);
    EXPECT_EQ(g.CURCOL, 3);
    EXPECT_EQ(g.EIPON, 1);
    drv::Key(W(), g.TEXTCTRL, KEY_Esc);
    EXPECT_TRUE(W()[OLE1].HasFocus());

    // Shift+Tab goes back as Tab goes on: to the previous cell's editor, from a row's first
    // editor to the last of the row above, and from the first row's out of the grid to the
    // control before it.
    drv::Key(W(), OLE1, KEY_Down);
    drv::Key(W(), OLE1, KEY_Left);
    drv::Key(W(), OLE1, KEY_Enter);
    ASSERT_EQ(g.CURCTRL, g.EDITCTRL);
    drv::Key(W(), g.EDITCTRL, KEY_ShiftTab);
    EXPECT_EQ(std::make_pair(g.CURROW, g.CURCOL), std::make_pair(1, 5));
    EXPECT_EQ(g.EIPON, 1);
    EXPECT_TRUE(W()[g.TYPECTRL].HasFocus());
    for (int column : {4, 3, 2}) {
        drv::Key(W(), W().FocusControl(), KEY_ShiftTab);
        EXPECT_EQ(g.CURCOL, column);
        EXPECT_TRUE(W()[g.CURCTRL].HasFocus());
    }
    drv::Key(W(), g.EDITCTRL, KEY_ShiftTab);
    EXPECT_EQ(g.EIPON, 0);
    EXPECT_EQ(W().FocusControl(), GLO_CIRTITLEDESC);
    EXPECT_EQ(Order(1), "1 7"); // each editor stored what it held
    drv::Focus(W(), OLE1);

    // Where Qt leaves the keyboard on the window itself (the control that had it hid, or the
    // window came back after a message), it goes back to the grid drawn as the one in use.
    W().ClientWidget()->setFocus(Qt::OtherFocusReason);
    drv::Settle();
    EXPECT_TRUE(W()[OLE1].HasFocus());
    EXPECT_EQ(g.ACTIVE, 1);

    // Tab out of the grid goes on to the next control, Shift+Tab comes back; the row buttons
    // reorder the selected note from the keyboard.
    drv::Key(W(), OLE1, KEY_Tab);
    EXPECT_FALSE(W()[OLE1].HasFocus());
    EXPECT_EQ(g.ACTIVE, 0);
    drv::Key(W(), 0, KEY_ShiftTab);
    EXPECT_TRUE(W()[OLE1].HasFocus());
    drv::Focus(W(), MOVEDOWN);
    drv::Key(W(), MOVEDOWN, KEY_Space);
    EXPECT_EQ(Order(1), "7 1");
}

// The grid of another tab is in the chain too; its column headers are no stops of their own.
TEST_F(KeynoteTest, EveryShownGridIsATabStopAndItsHeadersAreNot) {
    OpenOn(Fixture("example.csv"));
    drv::Choose(W(), CURRENTTAB, 2);
    ASSERT_LT(TabToGrid(W(), GLO_HEXTITLEDESC, OLE2), 40);
    EXPECT_EQ(Grid(2).ACTIVE, 1);
    for (const grid::ColumnRecord& c : *Grid(2).QCOL)
        EXPECT_FALSE(W()[c.HEADERCTRL].Widget()->focusPolicy() & Qt::TabFocus);
}

// The grid reads as a table: its name is its tab's caption, five named column headers, a row of
// cells for each note with the mark as a check box, the selection, and what changes in it.
TEST_F(KeynoteTest, TheGridReadsAsATableOfItsNotesAndTellsWhatChanges) {
    OpenOn(Fixture("example.csv"));
    Listener listener;
    QAccessibleInterface* table = Of(W(), OLE1);
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->role(), QAccessible::Table);
    EXPECT_EQ(FromQt(table->text(QAccessible::Name)), "Circle");
    QAccessibleTableInterface* t = table->tableInterface();
    ASSERT_NE(t, nullptr);
    ASSERT_EQ(t->rowCount(), 2);
    ASSERT_EQ(t->columnCount(), 5);
    const char* headers[] = {"Not used", "Note #", "Description (60 characters per line)", "Unit",
                             "Tally"};
    for (int c = 0; c < 5; ++c) {
        EXPECT_EQ(FromQt(t->columnDescription(c)), headers[c]);
        QAccessibleInterface* header = table->child(c);
        ASSERT_NE(header, nullptr);
        EXPECT_EQ(header->role(), QAccessible::ColumnHeader);
        EXPECT_EQ(FromQt(header->text(QAccessible::Name)), headers[c]);
        // The buttons that draw the headers read as headers too, and are no focus stops.
        QAccessibleInterface* drawn =
            Of(W(), Grid(1).QCOL->at(static_cast<std::size_t>(c)).HEADERCTRL);
        EXPECT_EQ(drawn->role(), QAccessible::ColumnHeader);
        EXPECT_FALSE(drawn->state().focusable);
    }
    struct Cell {
        int row, column;
        const char* text;
    };
    for (const Cell& c :
         {Cell{0, 1, "1"}, Cell{1, 2, "See A, B"}, Cell{1, 3, "LF"}, Cell{0, 4, "COUNT"}}) {
        QAccessibleInterface* cell = t->cellAt(c.row, c.column);
        ASSERT_NE(cell, nullptr);
        EXPECT_EQ(cell->role(), QAccessible::Cell);
        EXPECT_EQ(FromQt(cell->text(QAccessible::Name)), c.text);
        EXPECT_EQ(cell->parent(), table);
        EXPECT_EQ(cell->tableCellInterface()->rowIndex(), c.row);
        EXPECT_EQ(table->indexOfChild(cell), (c.row + 1) * 5 + c.column);
    }
    // The mark: a check box cell, checked on a note that is not used; a row reads "Not used"
    // only for a marked note, "Used" for the others.
    QAccessibleInterface* mark1 = t->cellAt(0, 0);
    QAccessibleInterface* mark2 = t->cellAt(1, 0);
    EXPECT_EQ(FromQt(mark2->text(QAccessible::Name)), "Not used");
    EXPECT_EQ(FromQt(mark1->text(QAccessible::Name)), "Used");
    EXPECT_EQ(mark1->role(), QAccessible::CheckBox);
    EXPECT_EQ(mark1->tableCellInterface()->columnIndex(), 0);
    EXPECT_TRUE(mark1->state().checkable);
    EXPECT_FALSE(mark1->state().checked);
    EXPECT_TRUE(mark2->state().checked);
    // A description reads with its line breaks.
    EXPECT_EQ(FromQt(Of(W(), OLE2)->tableInterface()->cellAt(0, 2)->text(QAccessible::Name)),
              "Slab edge\nTyp.");

    // Moving by keyboard: the cell moved to is selected and has the focus, and a screen reader
    // hears of it.
    drv::Focus(W(), OLE1);
    drv::Key(W(), OLE1, KEY_Down);
    drv::Key(W(), OLE1, KEY_Right);
    EXPECT_EQ(t->selectedRows(), QList<int>{1});
    ASSERT_EQ(t->selectedCellCount(), 1);
    QAccessibleInterface* selected = t->selectedCells().at(0);
    EXPECT_EQ(FromQt(selected->text(QAccessible::Name)), "2");
    EXPECT_TRUE(selected->state().focused);
    EXPECT_EQ(table->focusChild(), selected);
    EXPECT_TRUE(listener.Heard(QAccessible::Focus, "2"));

    // An edited cell and a toggled mark are announced.
    drv::Key(W(), OLE1, KEY_Enter);
    // The open editor reads as its column, inside the table.
    QAccessibleInterface* editor = Of(W(), Grid(1).EDITCTRL);
    EXPECT_EQ(FromQt(editor->text(QAccessible::Name)), "Note #");
    EXPECT_EQ(editor->parent(), table);
    EXPECT_EQ(table->child(table->indexOfChild(editor)), editor);
    drv::Type(W(), Grid(1).EDITCTRL, "9", false);
    drv::Key(W(), Grid(1).EDITCTRL, KEY_CtrlEnter);
    EXPECT_EQ(FromQt(t->cellAt(1, 1)->text(QAccessible::Name)), "9");
    EXPECT_TRUE(listener.Heard(QAccessible::NameChanged, "9"));
    drv::Key(W(), OLE1, KEY_Left);
    drv::Key(W(), OLE1, KEY_Enter);
    EXPECT_FALSE(t->cellAt(1, 0)->state().checked);
    EXPECT_TRUE(listener.Heard(QAccessible::StateChanged, "Used"));

    // A new row: the table tells its rows changed and reads the new count.
    drv::Click(W(), INSERT);
    drv::Key(W(), Grid(1).EDITCTRL, KEY_Esc);
    EXPECT_EQ(t->rowCount(), 3);
    EXPECT_TRUE(listener.Heard(QAccessible::TableModelChanged, "Circle"));
}

// Every entry, list and spin box with a label reads under it (a drop list, whose name on this
// desktop is its choice, is labelled by it); the title entries are named after their purpose.
TEST_F(KeynoteTest, EveryLabelledControlReadsUnderItsLabel) {
    OpenOn(Fixture("example.csv"));
    struct Case {
        int control;
        const char* label;
    };
    const Case cases[] = {
        {LOC_INSERTTABLEPHASES, "Number of project phases:"},
        {LOC_DOCURRENTTABONLY, "Process current LAYOUT tab only:"},
        {LOC_BUBBLEHOOKS, "BubbleHooks:"},
        {LOC_BUBBLELEADERCONNECTOSNAP, "Bubble Leader Connect Osnap"},
        {LOC_LINESPACING, "Line spacing (row height):"},
        {LOC_NOTESPACING, "Spacing between notes:"},
        {LOC_TXTHT, "Plotted text height:"},
        {LOC_TBLWID, "QT Table Width:"},
        {LOC_PHASEWID, "Phase Column Width:"},
        {LOC_NDWID, "Distance from center of number to description:"},
        {LOC_DQWID, "Distance from left point of desc. to right point of quantity:"},
        {LOC_QUWID, "Distance from right point of quantity to left point of unit:"},
        {LOC_QQWID, "QT Table Phase Column Width:"},
        {LOC_SHOWKEYTABLEQUANTITIES, "Show Quantities:"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        QAccessibleInterface* control = Of(W(), c.control);
        EXPECT_EQ(LabelOf(control), c.label);
        if (W()[c.control].Kind() == ControlKind::Entry) {
            EXPECT_EQ(FromQt(control->text(QAccessible::Name)), c.label);
        }
    }
    for (int n = 1; n <= 9; ++n)
        EXPECT_EQ(AccessibleName(W()[TitleOf(n)]), "Title");

    // Nothing the user can reach is left without a name or a label.
    for (Control* c : W().Controls()) {
        const ControlKind kind = c->Kind();
        if (c->Hidden() || (kind != ControlKind::Entry && kind != ControlKind::Text &&
                            kind != ControlKind::Spin && kind != ControlKind::DropList &&
                            kind != ControlKind::DropCombo && kind != ControlKind::List))
            continue;
        QAccessibleInterface* control = Of(W(), c->Number());
        EXPECT_TRUE(!LabelOf(control).empty() ||
                    (kind != ControlKind::DropList && !AccessibleName(*c).empty()))
            << "control " << c->Number() << " has no name";
    }
}

// A hidden tab is no tab at all for a screen reader: the tab bar offers the shown ones by their
// captions, and pressing one chooses it.
TEST_F(KeynoteTest, HiddenTabsAreNotExposed) {
    const std::vector<std::pair<const char*, const char*>> tabs = {
        {"HexName", "Hexagons"}, {"HexOrder", "1"}, {"CircleName", "Circle"}, {"CircleOrder", "2"},
        {"BoxName", "Box"},      {"BoxOrder", "3"}, {"BoxOff", "1"}};
    for (const auto& [key, value] : tabs)
        WriteIni("QVREditCONFIG", key, value, ini);
    OpenOn(Fixture("example.csv"));
    QAccessibleInterface* bar = nullptr;
    for (int i = 0; i < Of(W(), CURRENTTAB)->childCount(); ++i)
        if (Of(W(), CURRENTTAB)->child(i)->role() == QAccessible::PageTabList)
            bar = Of(W(), CURRENTTAB)->child(i);
    ASSERT_NE(bar, nullptr);
    std::vector<std::string> read;
    for (int i = 0; i < bar->childCount(); ++i) {
        EXPECT_EQ(bar->child(i)->role(), QAccessible::PageTab);
        EXPECT_EQ(bar->indexOfChild(bar->child(i)), i);
        read.push_back(FromQt(bar->child(i)->text(QAccessible::Name)));
    }
    EXPECT_EQ(read, drv::TabCaptions(W(), CURRENTTAB));
    EXPECT_EQ(read, (std::vector<std::string>{"Hexagons", "Circle", "Pen", "Ellipse", "Dia", "Rec",
                                              "Oct", "Tri", "Config"}));
    QAccessibleInterface* pen = bar->child(2);
    pen->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    drv::Settle();
    EXPECT_EQ(W()[CURRENTTAB].Selected(), 4); // its place among all the sheet's tabs
    EXPECT_TRUE(pen->state().selected);
}
