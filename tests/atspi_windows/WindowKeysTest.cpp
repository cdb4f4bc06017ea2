// The program's own windows from the keyboard and as assistive technology reads them, through
// the test driver: Escape closes each as its Cancel or Close does (and only that), Enter on a
// button presses that button, windows read as dialogs named by their caption, lists as lists,
// a field's "(default = ...)" hint as its description, and the preview tells the page it shows.
#include "../editor/EditorFixture.h"

#include "about/About.h"
#include "editor/Config.h"
#include "editor/ConfigVars.h"
#include "editor/Library.h"
#include "editor/Lookup.h"
#include "platform/report/Preview.h"
#include "platform/ui/Accessible.h"
#include "platform/ui/Keys.h"
#include "platform/ui/Qt.h"
#include "platform/ui/StatusBar.h"

#include <QAccessible>
#include <QImage>
#include <QTabBar>
#include <QWidget>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

using namespace editor;
using namespace platform;
namespace drv = platform::testing;
namespace fs = std::filesystem;

namespace {

const std::string kLibrary = std::string(TEST_DATA_DIR) + "/library";

class WindowKeysTest : public editor::testing::EditorWindowTest {
protected:
    std::string lib = temp / "lib";

    void SetUp() override {
        EditorWindowTest::SetUp();
        fs::copy(kLibrary, lib, fs::copy_options::recursive);
        LibPath = lib;
        ProjectFolder = temp / "job";
        fs::create_directories(ProjectFolder);
        CsvName = "constnot.csv";
        BakName = "constnot.bak";
        CsvPath = ProjectFolder + "/constnot.csv";
    }

    // A window of the definition, open on a thread of its own until its close box.
    Window& OpenPlain(const WindowDef& def) {
        return StartWindow(
            [def] {
                Window window(def);
                window.Open();
                while (Accept().code != EVENT_CloseWindow) {
                }
            },
            def.caption);
    }

    static QAccessibleInterface* Reading(QWidget* widget) {
        return widget ? QAccessible::queryAccessibleInterface(widget) : nullptr;
    }
};

struct WindowCase {
    const char* caption;
    std::function<void()> procedure;
};

// Escape, wherever the window opened the keyboard, ends the window as its Cancel or Close does.
TEST_F(WindowKeysTest, EscapeClosesEachWindowAsItsCancelOrCloseDoes) {
    std::string unit = "unchanged";
    const std::vector<WindowCase> cases = {
        {"Editor Options", [] { ConfigVars(); }},
        {"About", [] { about::About(); }},
        {"Import Key Notes from the Library", [] { ImportNotes(); }},
        {"Export the Current Key Note Set", [] { SelectCatalog(""); }},
        {"Units", [] { BrowseLookup("1"); }},
        {"New Unit", [&unit] { unit = UpdateLookup("Unit"); }},
    };
    for (const WindowCase& c : cases) {
        SCOPED_TRACE(c.caption);
        Window& w = StartWindow(c.procedure, c.caption);
        drv::Key(w, 0, KEY_Esc);
        EXPECT_EQ(drv::FindWindow(c.caption), nullptr);
        EXPECT_TRUE(returned);
    }
    EXPECT_EQ(unit, ""); // as Cancel: no value
}

// What was changed in a window that Escape closes is dropped, as Cancel drops it; Escape that a
// control takes for itself (the open caption editor) is only that control's.
TEST_F(WindowKeysTest, EscapeDropsTheChangesAndAnOpenEditorTakesItFirst) {
    using namespace config_vars;
    Window& w = StartWindow(
        [] {
            LoadEditorConfig();
            ConfigVars();
        },
        "Editor Options");
    drv::DoubleClickList(w, TABLIST, 1, 2); // opens the caption editor
    ASSERT_TRUE(w[EDITENTRY].HasFocus());
    drv::Key(w, EDITENTRY, KEY_Esc);
    EXPECT_NE(drv::FindWindow("Editor Options"), nullptr);
    EXPECT_TRUE(w[TABLIST].HasFocus());
    drv::Choose(w, SHEET1, 2);
    drv::Type(w, LOC_WRAPSIZE, "33", false);
    drv::Key(w, LOC_WRAPSIZE, KEY_Esc);
    EXPECT_EQ(drv::FindWindow("Editor Options"), nullptr);
    EXPECT_EQ(ReadIni("QVREditCONFIG", "WrapSize", "none", ProjectIni), "60"); // as it was read
}

// Enter on a button presses that button, not the window's default one.
TEST_F(WindowKeysTest, EnterOnAButtonPressesIt) {
    using namespace config_vars;
    Window& w = StartWindow([] { ConfigVars(); }, "Editor Options");
    drv::Choose(w, SHEET1, 2);
    drv::Type(w, LOC_WRAPSIZE, "33");
    drv::Focus(w, CANCELBUTTON);
    drv::Key(w, CANCELBUTTON, KEY_Enter);
    EXPECT_EQ(drv::FindWindow("Editor Options"), nullptr);
    EXPECT_EQ(ReadIni("QVREditCONFIG", "WrapSize", "none", ProjectIni), "none");

    Window& import = StartWindow([] { ImportNotes(); }, "Import Key Notes from the Library");
    drv::Focus(import, import_notes::CLOSE);
    drv::Key(import, import_notes::CLOSE, KEY_Enter);
    EXPECT_EQ(drv::FindWindow("Import Key Notes from the Library"), nullptr);
}

// A window of its own reads as a dialog named by its caption and described by the text at its
// top; a list of one column as a list named by its heading (or its window), row by row.
TEST_F(WindowKeysTest, WindowsReadAsDialogsAndListsAsLists) {
    Window& import = StartWindow([] { ImportNotes(); }, "Import Key Notes from the Library");
    QAccessibleInterface* dialog = Reading(import.Widget());
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->role(), QAccessible::Dialog);
    EXPECT_EQ(FromQt(dialog->text(QAccessible::Name)), "Import Key Notes from the Library");
    EXPECT_EQ(FromQt(dialog->text(QAccessible::Description)),
              "Select a set of key notes to import from the list below:");
    QAccessibleInterface* list = Reading(import[import_notes::LIST].Widget());
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->role(), QAccessible::List);
    EXPECT_EQ(FromQt(list->text(QAccessible::Name)), "Descriptive Name");
    // The first child stands for the header the view counts; readers pass over it.
    ASSERT_GE(list->childCount(), 2);
    EXPECT_EQ(list->child(0)->role(), QAccessible::Separator);
    std::vector<std::string> rows;
    for (int i = 1; i < list->childCount(); ++i) {
        EXPECT_EQ(list->child(i)->role(), QAccessible::ListItem);
        rows.push_back(FromQt(list->child(i)->text(QAccessible::Name)));
    }
    EXPECT_EQ(rows.size(), static_cast<std::size_t>(list->childCount() - 1));
    EXPECT_EQ(rows.front(), "A.B");
    // The chosen row is the list's focused child, as the view tells it.
    drv::ClickList(import, import_notes::LIST, 2);
    ASSERT_NE(list->focusChild(), nullptr);
    EXPECT_EQ(list->focusChild(), list->child(2));
    EXPECT_TRUE(list->child(2)->state().selected);
    drv::Key(import, 0, KEY_Esc);

    Window& units = StartWindow([] { BrowseLookup("1"); }, "Units");
    QAccessibleInterface* values = Reading(units[lookup_list::LIST].Widget());
    ASSERT_NE(values, nullptr);
    EXPECT_EQ(values->role(), QAccessible::List);
    EXPECT_EQ(FromQt(values->text(QAccessible::Name)), "Units");
    drv::Key(units, 0, KEY_Esc);

    // A list of several columns reads as a table whose cells say their column.
    Window& options = StartWindow(
        [] {
            LoadEditorConfig();
            ConfigVars();
        },
        "Editor Options");
    QAccessibleInterface* tabs = Reading(options[config_vars::TABLIST].Widget());
    ASSERT_NE(tabs, nullptr);
    EXPECT_EQ(tabs->role(), QAccessible::Table);
    EXPECT_EQ(FromQt(tabs->text(QAccessible::Name)), "Tab Names and Orders");
    ASSERT_NE(tabs->tableInterface(), nullptr);
    QAccessibleInterface* caption = tabs->tableInterface()->cellAt(0, 1);
    ASSERT_NE(caption, nullptr);
    EXPECT_EQ(FromQt(caption->text(QAccessible::Name)), "Custom Name Circle");
    const QList<QAccessibleInterface*> headers = caption->tableCellInterface()->columnHeaderCells();
    ASSERT_EQ(headers.size(), 1);
    EXPECT_EQ(FromQt(headers.front()->text(QAccessible::Name)), "Custom Name");
    drv::Key(options, 0, KEY_Esc);

    Window& about = StartWindow([] { about::About(); }, "About");
    QAccessibleInterface* box = Reading(about.Widget());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->role(), QAccessible::Dialog);
    EXPECT_EQ(FromQt(box->text(QAccessible::Name)), "About");
    drv::Key(about, 0, KEY_Esc);
}

std::vector<std::string> g_turned; // the check boxes told as turned: name and new state

void HearTurnedChecks(QAccessibleEvent* event) {
    QAccessibleInterface* iface = event->accessibleInterface();
    if (event->type() == QAccessible::StateChanged && iface &&
        static_cast<QAccessibleStateChangeEvent*>(event)->changedStates().checked)
        g_turned.push_back(FromQt(iface->text(QAccessible::Name)) +
                           (iface->state().checked ? " checked" : " not checked"));
}

// Space on a tab of the Editor Options list shows or hides it: the row's check box is told as
// turned, once; moving to another row tells nothing of the kind.
TEST_F(WindowKeysTest, ATabShownOrHiddenIsToldAsItsCheckBoxTurning) {
    using namespace config_vars;
    Window& w = StartWindow(
        [] {
            LoadEditorConfig();
            ConfigVars();
        },
        "Editor Options");
    g_turned.clear();
    ListenToAccessibleEvents(HearTurnedChecks);
    drv::ClickList(w, TABLIST, 2);
    drv::Key(w, TABLIST, KEY_Space);
    drv::Key(w, TABLIST, KEY_Down);
    drv::Key(w, TABLIST, KEY_Up);
    drv::Key(w, TABLIST, KEY_Space);
    ListenToAccessibleEvents(nullptr);
    EXPECT_EQ(g_turned, (std::vector<std::string>{"Hex not checked", "Hex checked"}));
    drv::Key(w, 0, KEY_Esc);
}

// A hint in brackets beside a field is read with it, also after the program changes it.
TEST_F(WindowKeysTest, AFieldsHintIsItsDescription) {
    WindowDef def;
    def.caption = "Hints";
    def.width = 200;
    def.height = 60;
    def.controls = {
        {ControlKind::Prompt, 1, "Table width:", 4, 4, 60, 10},
        {ControlKind::Entry, 2, "", 66, 4, 30, 10},
        {ControlKind::Prompt, 3, "(default = 65)", 100, 4, 60, 10},
        {ControlKind::Prompt, 4, "Row height:", 4, 20, 60, 10},
        {ControlKind::Entry, 5, "", 66, 20, 30, 10},
        {ControlKind::Button, 6, "(OK)", 100, 40, 40, 14},
    };
    Window& w = OpenPlain(def);
    EXPECT_EQ(FromQt(Reading(w[2].Widget())->text(QAccessible::Description)), "(default = 65)");
    EXPECT_EQ(AccessibleName(w[2]), "Table width:");
    EXPECT_EQ(FromQt(Reading(w[5].Widget())->text(QAccessible::Description)), "");
    w[3].SetText("(default = 70)");
    EXPECT_EQ(FromQt(Reading(w[2].Widget())->text(QAccessible::Description)), "(default = 70)");
    drv::CloseBox(w);
}

// The count of pixels of the focus mark's colour in a widget as it is drawn now.
int MarkPixels(QWidget* widget) {
    const QImage image = widget->grab().toImage();
    // In the colours of an active window or an inactive one (the test's may be either).
    const QColor active = widget->palette().color(QPalette::Active, QPalette::Highlight);
    const QColor inactive = widget->palette().color(QPalette::Inactive, QPalette::Highlight);
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (const QRgb c = image.pixel(x, y);
                c == active.darker(150).rgb() || c == inactive.darker(150).rgb())
                ++count;
    return count;
}

// A button and a tab bar reached with Tab show that they have the keyboard by a frame in a
// solid colour around them (at least both sides of their height), not a faint tint.
TEST_F(WindowKeysTest, ButtonsAndTabBarsMarkTheKeyboardFocusClearly) {
    WindowDef def;
    def.caption = "Marks";
    def.width = 200;
    def.height = 80;
    ControlDef icon{ControlKind::Button, 4, "", 4, 60, 14, 14};
    icon.icon = "~Exit.ico";
    icon.tip = "Exit";
    def.controls = {
        {ControlKind::Sheet, 1, "", 4, 4, 150, 40},
        {ControlKind::Tab, 2, "First", 0, 0, 0, 0, 1},
        {ControlKind::Tab, 3, "Second", 0, 0, 0, 0, 1},
        icon,
        {ControlKind::Button, 5, "OK", 40, 60, 40, 14},
    };
    Window& w = OpenPlain(def);
    auto* bar = w[1].Widget()->findChild<QTabBar*>();
    ASSERT_NE(bar, nullptr);
    const int barHeight = bar->tabRect(bar->currentIndex()).height();
    for (int control : {5, 4}) {
        SCOPED_TRACE(control);
        QWidget* button = w[control].Widget();
        EXPECT_LT(MarkPixels(button), button->height());
        drv::Focus(w, control);
        EXPECT_GE(MarkPixels(button), 2 * button->height());
    }
    EXPECT_LT(MarkPixels(bar), barHeight);
    for (int tabs = 0; !bar->hasFocus() && tabs < 6; ++tabs)
        drv::Key(w, 0, KEY_Tab);
    ASSERT_TRUE(bar->hasFocus());
    EXPECT_GE(MarkPixels(bar), barHeight);
    drv::CloseBox(w);
}

// ---------------------------------------------------------------------------------------------
// The preview.

std::vector<std::string> g_told; // the names of what was announced

void HearAnnouncements(QAccessibleEvent* event) {
    QAccessibleInterface* iface = event->accessibleInterface();
    if (event->type() == QAccessible::NameChanged && iface &&
        iface->role() == QAccessible::Notification)
        g_told.push_back(FromQt(iface->text(QAccessible::Name)));
}

class PreviewKeysTest : public ::testing::Test {
protected:
    drv::TempFolder folder;
    PageList pages;
    int result = 0;
    bool returned = false;

    void SetUp() override {
        g_told.clear();
        ListenToAccessibleEvents(HearAnnouncements);
        for (int i = 1; i <= 4; ++i) {
            std::string file = folder / ("page" + std::to_string(i) + ".svg");
            drv::WriteBytes(file, "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"816\" "
                                  "height=\"1056\" viewBox=\"0 0 8500 11000\"><rect "
                                  "width=\"8500\" height=\"11000\" fill=\"#ffffff\"/></svg>\n");
            pages.push_back(file);
        }
    }
    void TearDown() override {
        ListenToAccessibleEvents(nullptr);
        drv::ExpectNoMessage();
        EndAllThreads();
        drv::Settle();
    }
    Window& Open() {
        Start([this](const std::string&) {
            result = PrintPreview(pages, "Preview");
            returned = true;
        });
        drv::Settle();
        Window* w = drv::FindWindow("Preview");
        EXPECT_NE(w, nullptr);
        return *w;
    }
    static std::string PageArea(Window& w) {
        using namespace preview;
        for (int image : {static_cast<int>(PAGEIMAGE), static_cast<int>(FIRSTCELLIMAGE)})
            if (Control* c = w.Find(image))
                return AccessibleName(*c);
        return "none";
    }
};

// Every change of the page shown is told once, with the page area named after it; the page
// area is no Tab stop.
TEST_F(PreviewKeysTest, ThePageShownIsToldWhenItChanges) {
    using namespace preview;
    Window& w = Open();
    EXPECT_EQ(PageArea(w), "Page 1 of 4");
    EXPECT_TRUE(g_told.empty()); // the first page is read with the window
    EXPECT_FALSE(w[FIRSTCELLIMAGE].Widget()->focusPolicy() & Qt::TabFocus);

    drv::Click(w, PREVIEWBOTTOM);
    EXPECT_EQ(PageArea(w), "Page 4 of 4");
    drv::Click(w, PREVIOUS);
    drv::Key(w, 0, KEY_PgUp);
    drv::Click(w, PREVIEWDELETE);
    drv::Click(w, PREVIEWTOP);
    EXPECT_EQ(g_told, (std::vector<std::string>{"Page 4 of 4", "Page 3 of 4", "Page 2 of 4",
                                                "Page 1 of 3"}));
    EXPECT_EQ(StatusText(w, 5), "Page 1 of 3");
    EXPECT_EQ(PageArea(w), "Page 1 of 3");

    drv::Click(w, JUMP);
    Window* jump = drv::FindWindow("Jump to a Report Page");
    ASSERT_NE(jump, nullptr);
    drv::Type(*jump, JUMPPAGE, "3", false);
    drv::Key(*jump, 0, KEY_Esc); // as Cancel: the page stays
    EXPECT_EQ(drv::FindWindow("Jump to a Report Page"), nullptr);
    EXPECT_EQ(PageArea(w), "Page 1 of 3");
    drv::Click(w, JUMP);
    jump = drv::FindWindow("Jump to a Report Page");
    ASSERT_NE(jump, nullptr);
    drv::Type(*jump, JUMPPAGE, "3", false);
    drv::Key(*jump, JUMPPAGE, KEY_Enter);
    EXPECT_EQ(g_told.back(), "Page 3 of 3");

    // The display dialog has no Cancel: Escape closes it as its close box does.
    drv::Click(w, CHANGEDISPLAY);
    Window* display = drv::FindWindow("Change the Report Display");
    ASSERT_NE(display, nullptr);
    drv::Key(*display, 0, KEY_Esc);
    EXPECT_EQ(drv::FindWindow("Change the Report Display"), nullptr);
    EXPECT_EQ(PageArea(w), "Page 3 of 3");

    // Escape is Exit Without Printing Report.
    drv::Key(w, 0, KEY_Esc);
    EXPECT_TRUE(returned);
    EXPECT_EQ(result, 2);
}

} // namespace
