#include "EditorFixture.h"

#include "editor/Config.h"
#include "editor/ConfigVars.h"
#include "platform/ui/Accessible.h"
#include "platform/ui/Keys.h"
#include "platform/ui/ListBox.h"
#include "platform/ui/Qt.h"

#include <QAccessible>
#include <QWidget>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

using namespace editor;
using namespace editor::config_vars;
using namespace platform;
namespace drv = platform::testing;

namespace {

using Rows = std::vector<std::string>;

// Nine tabs in a custom order with custom captions, Box hidden.
const std::string kCustom = "[QVREditCONFIG]\r\n"
                            "CircleName=Round\r\nCircleOrder=2\r\nCircleOff=0\r\n"
                            "HexName=Hex\r\nHexOrder=3\r\nHexOff=0\r\n"
                            "BoxName=Square\r\nBoxOrder=4\r\nBoxOff=1\r\n"
                            "PenName=Pen\r\nPenOrder=5\r\nPenOff=0\r\n"
                            "EllipseName=Ellipse\r\nEllipseOrder=6\r\nEllipseOff=0\r\n"
                            "DiaName=Dia\r\nDiaOrder=7\r\nDiaOff=0\r\n"
                            "RecName=Rec\r\nRecOrder=8\r\nRecOff=0\r\n"
                            "OctName=Oct\r\nOctOrder=9\r\nOctOff=0\r\n"
                            "TriName=Triangle\r\nTriOrder=1\r\nTriOff=0\r\n"
                            "WrapSize=50\r\nUppercase=1\r\nEIPByEnter=0\r\n";

class ConfigVarsTest : public editor::testing::EditorWindowTest {
protected:
    // Reads the configuration as the frame does, then opens Editor Options on the same thread.
    Window& Open() {
        return StartWindow(
            [] {
                LoadEditorConfig();
                ConfigVars();
            },
            "Editor Options");
    }

    static ListBox& List(Window& w) { return *ListBox::Of(w[TABLIST]); }
    // The rows as the list shows them: original name, caption, and whether the box is empty.
    static Rows Shown(Window& w) {
        Rows out;
        for (int row = 1; row <= List(w).Count(); ++row) {
            std::string icon = List(w).Icon(std::stoi(List(w).CellText(row, 3)));
            out.push_back(List(w).CellText(row, 1) + "|" + List(w).CellText(row, 2) +
                          (icon == "~BoxOff.ico" ? " (hidden)" : ""));
        }
        return out;
    }
    static bool Editing(Window& w) { return w[EDITENTRY].Visible(); }
    std::string Config(const std::string& key) const {
        return ReadIni("QVREditCONFIG", key, "-", ProjectIni);
    }
};

} // namespace

TEST_F(ConfigVarsTest, OkRewritesEveryKeyInOrderAndCancelWritesNothing) {
    // A fresh project: the frame's reading wrote the tab keys and the wrap size.
    Window& w = Open();
    EXPECT_EQ(Shown(w), (Rows{"Circle|Circle", "Hex|Hex", "Box|Box", "Pen|Pen", "Ellipse|Ellipse",
                              "Dia|Dia", "Rec|Rec", "Oct|Oct", "Tri|Tri"}));
    drv::Click(w, OKBUTTON);
    ASSERT_TRUE(returned);
    std::string expected = "[QVREditCONFIG]\r\n";
    for (const Shape& s : kShapes) {
        int n = static_cast<int>(&s - kShapes.data()) + 1;
        expected += std::string(s.name) + "Name=" + s.name + "\r\n" + s.name +
                    "Order=" + std::to_string(n) + "\r\n" + s.name + "Off=0\r\n";
    }
    expected +=
        "WrapSize=60\r\nAutoFillUnits=0\r\nAutoFillTypes=0\r\nUppercase=1\r\nLibPath=" + app +
        "/Library\r\nEIPByEnter=0\r\n";
    EXPECT_EQ(drv::ReadBytes(ProjectIni), expected);

    // Whatever was changed, Cancel and the close box leave the INI as it was.
    drv::WriteBytes(ProjectIni, kCustom);
    for (bool closeBox : {false, true}) {
        Window& again = Open();
        drv::Key(again, TABLIST, KEY_Space);
        drv::Click(again, MOVEDOWN);
        drv::Focus(again, TABLIST);
        drv::Key(again, TABLIST, KEY_Enter);
        drv::Type(again, EDITENTRY, "Changed", false);
        drv::Key(again, EDITENTRY, KEY_Enter);
        drv::Click(again, RESTORETABS);
        drv::Choose(again, SHEET1, 2);
        drv::Click(again, GLO_UPPERCASE);
        drv::Type(again, config_vars::LOC_WRAPSIZE, "30");
        if (closeBox)
            drv::CloseBox(again);
        else
            drv::Click(again, CANCELBUTTON);
        ASSERT_TRUE(returned) << closeBox;
        EXPECT_EQ(drv::ReadBytes(ProjectIni), kCustom) << closeBox;
    }
}

TEST_F(ConfigVarsTest, ThePreviewShowsTheShownTabsInListOrderWithTheirCaptions) {
    drv::WriteBytes(ProjectIni, kCustom);
    Window& w = Open();
    struct Step {
        const char* what;
        std::function<void()> act;
        Rows rows;
        Rows preview;
    };
    auto space = [&](int row) {
        drv::ClickList(w, TABLIST, row);
        drv::Key(w, TABLIST, KEY_Space);
    };
    auto press = [&](int row, int button) {
        drv::ClickList(w, TABLIST, row);
        drv::Click(w, button);
    };
    const Step steps[] = {
        {"as stored",
         [] {},
         {"Tri|Triangle", "Circle|Round", "Hex|Hex", "Box|Square (hidden)", "Pen|Pen",
          "Ellipse|Ellipse", "Dia|Dia", "Rec|Rec", "Oct|Oct"},
         {"Triangle", "Round", "Hex", "Pen", "Ellipse", "Dia", "Rec", "Oct"}},
        {"Space hides a tab; the others close up",
         [&] { space(2); },
         {"Tri|Triangle", "Circle|Round (hidden)", "Hex|Hex", "Box|Square (hidden)", "Pen|Pen",
          "Ellipse|Ellipse", "Dia|Dia", "Rec|Rec", "Oct|Oct"},
         {"Triangle", "Hex", "Pen", "Ellipse", "Dia", "Rec", "Oct"}},
        {"a double click on the box shows it again",
         [&] { drv::DoubleClickListIcon(w, TABLIST, 2); },
         {"Tri|Triangle", "Circle|Round", "Hex|Hex", "Box|Square (hidden)", "Pen|Pen",
          "Ellipse|Ellipse", "Dia|Dia", "Rec|Rec", "Oct|Oct"},
         {"Triangle", "Round", "Hex", "Pen", "Ellipse", "Dia", "Rec", "Oct"}},
        {"Move Down",
         [&] { press(1, MOVEDOWN); },
         {"Circle|Round", "Tri|Triangle", "Hex|Hex", "Box|Square (hidden)", "Pen|Pen",
          "Ellipse|Ellipse", "Dia|Dia", "Rec|Rec", "Oct|Oct"},
         {"Round", "Triangle", "Hex", "Pen", "Ellipse", "Dia", "Rec", "Oct"}},
        {"Move Up on the hidden tab",
         [&] { press(4, MOVEUP); },
         {"Circle|Round", "Tri|Triangle", "Box|Square (hidden)", "Hex|Hex", "Pen|Pen",
          "Ellipse|Ellipse", "Dia|Dia", "Rec|Rec", "Oct|Oct"},
         {"Round", "Triangle", "Hex", "Pen", "Ellipse", "Dia", "Rec", "Oct"}},
        {"Move Up on the first row and Move Down on the last change nothing",
         [&] {
             press(1, MOVEUP);
             press(9, MOVEDOWN);
         },
         {"Circle|Round", "Tri|Triangle", "Box|Square (hidden)", "Hex|Hex", "Pen|Pen",
          "Ellipse|Ellipse", "Dia|Dia", "Rec|Rec", "Oct|Oct"},
         {"Round", "Triangle", "Hex", "Pen", "Ellipse", "Dia", "Rec", "Oct"}},
        {"Restore default",
         [&] { drv::Click(w, RESTORETABS); },
         {"Circle|Circle", "Hex|Hex", "Box|Box", "Pen|Pen", "Ellipse|Ellipse", "Dia|Dia", "Rec|Rec",
          "Oct|Oct", "Tri|Tri"},
         {"Circle", "Hex", "Box", "Pen", "Ellipse", "Dia", "Rec", "Oct", "Tri"}},
        {"all nine hidden",
         [&] {
             for (int row = 1; row <= 9; ++row)
                 space(row);
         },
         {"Circle|Circle (hidden)", "Hex|Hex (hidden)", "Box|Box (hidden)", "Pen|Pen (hidden)",
          "Ellipse|Ellipse (hidden)", "Dia|Dia (hidden)", "Rec|Rec (hidden)", "Oct|Oct (hidden)",
          "Tri|Tri (hidden)"},
         {}},
    };
    for (const Step& step : steps) {
        step.act();
        EXPECT_EQ(Shown(w), step.rows) << step.what;
        EXPECT_EQ(drv::TabCaptions(w, SHEET2), step.preview) << step.what;
    }
    EXPECT_EQ(drv::ReadBytes(ProjectIni), kCustom); // nothing is written before OK

    drv::Click(w, OKBUTTON);
    ASSERT_TRUE(returned);
    for (const Shape& s : kShapes) {
        int n = static_cast<int>(&s - kShapes.data()) + 1;
        EXPECT_EQ(Config(std::string(s.name) + "Name"), s.name);
        EXPECT_EQ(Config(std::string(s.name) + "Order"), std::to_string(n));
        EXPECT_EQ(Config(std::string(s.name) + "Off"), "1");
    }
}

TEST_F(ConfigVarsTest, CaptionsAreEditedInPlaceOverTheirRow) {
    Window& w = Open();
    // Enter on the list opens the editor over the caption of the chosen row.
    drv::ClickList(w, TABLIST, 2);
    drv::Key(w, TABLIST, KEY_Enter);
    ASSERT_TRUE(Editing(w));
    EXPECT_EQ(w[EDITENTRY].Widget()->geometry(), List(w).CellRect(2, 2));
    EXPECT_EQ(w[EDITENTRY].Text(), "Hex");
    EXPECT_TRUE(w[EDITENTRY].HasFocus());
    // The editor takes 31 characters; Enter stores them.
    drv::Type(w, EDITENTRY, "Hexagon with a very long caption here", false);
    drv::Key(w, EDITENTRY, KEY_Enter);
    EXPECT_FALSE(Editing(w));
    EXPECT_TRUE(w[TABLIST].HasFocus());
    EXPECT_EQ(Shown(w)[1], "Hex|Hexagon with a very long captio");
    EXPECT_EQ(drv::TabCaptions(w, SHEET2)[1], "Hexagon with a very long captio");

    // Esc, and Enter on the list, drop what was typed; so does a double click on the row.
    for (int way = 0; way < 3; ++way) {
        drv::DoubleClickList(w, TABLIST, 3, 2);
        ASSERT_TRUE(Editing(w)) << way;
        drv::Type(w, EDITENTRY, "Dropped", false);
        if (way == 0)
            drv::Key(w, EDITENTRY, KEY_Esc);
        else if (way == 1) {
            drv::Focus(w, TABLIST);
            drv::Key(w, TABLIST, KEY_Enter);
        } else
            drv::DoubleClickList(w, TABLIST, 3, 1); // the editor covers the caption
        EXPECT_FALSE(Editing(w)) << way;
        EXPECT_EQ(Shown(w)[2], "Box|Box") << way;
    }
    // A double click below the last row does nothing.
    drv::DoubleClickList(w, TABLIST, 10, 2);
    EXPECT_FALSE(Editing(w));
    EXPECT_EQ(List(w).Selected(), 3);

    // An emptied caption becomes "?" on Enter.
    drv::Key(w, TABLIST, KEY_Enter);
    drv::Type(w, EDITENTRY, "", false);
    drv::Key(w, EDITENTRY, KEY_Enter);
    EXPECT_EQ(Shown(w)[2], "Box|?");

    // A click on another row keeps what was typed, an empty caption too, and the edit follows.
    drv::ClickList(w, TABLIST, 4);
    drv::Key(w, TABLIST, KEY_Enter);
    drv::Type(w, EDITENTRY, "", false);
    drv::ClickList(w, TABLIST, 5);
    EXPECT_EQ(Shown(w)[3], "Pen|");
    ASSERT_TRUE(Editing(w));
    EXPECT_EQ(w[EDITENTRY].Text(), "Ellipse");
    EXPECT_EQ(w[EDITENTRY].Widget()->geometry(), List(w).CellRect(5, 2));

    // Leaving the page keeps the edit and shows the page chosen.
    drv::Type(w, EDITENTRY, "Oval", false);
    drv::Choose(w, SHEET1, 2);
    EXPECT_EQ(w[SHEET1].Selected(), 2);
    EXPECT_FALSE(Editing(w));
    EXPECT_EQ(Shown(w)[4], "Ellipse|Oval");
    drv::Choose(w, SHEET1, 1);

    // A caption still being edited when OK is pressed is stored with the rest.
    drv::ClickList(w, TABLIST, 6);
    drv::Key(w, TABLIST, KEY_Enter);
    drv::Type(w, EDITENTRY, "Diamond", false);
    drv::Click(w, OKBUTTON);
    ASSERT_TRUE(returned);
    EXPECT_EQ(Config("HexName"), "Hexagon with a very long captio");
    EXPECT_EQ(Config("BoxName"), "?");
    EXPECT_EQ(Config("PenName"), "");
    EXPECT_EQ(Config("EllipseName"), "Oval");
    EXPECT_EQ(Config("DiaName"), "Diamond");

    // Being edited when Cancel is pressed, it is lost.
    Window& again = Open();
    drv::ClickList(again, TABLIST, 7);
    drv::Key(again, TABLIST, KEY_Enter);
    drv::Type(again, EDITENTRY, "Rectangle", false);
    drv::Click(again, CANCELBUTTON);
    ASSERT_TRUE(returned);
    EXPECT_EQ(Config("RecName"), "Rec");
}

TEST_F(ConfigVarsTest, AnEditOpenWhileTheTabsAreRestoredStaysWithItsTab) {
    drv::WriteBytes(ProjectIni, kCustom);
    Window& w = Open();
    drv::ClickList(w, TABLIST, 1); // Tri
    drv::Key(w, TABLIST, KEY_Enter);
    drv::Type(w, EDITENTRY, "Three", false);
    drv::Click(w, RESTORETABS);
    ASSERT_TRUE(Editing(w));
    EXPECT_EQ(List(w).Selected(), 9);
    EXPECT_EQ(w[EDITENTRY].Widget()->geometry(), List(w).CellRect(9, 2));
    drv::Focus(w, EDITENTRY);
    drv::Key(w, EDITENTRY, KEY_Enter);
    EXPECT_EQ(Shown(w)[8], "Tri|Three");
    EXPECT_EQ(Shown(w)[0], "Circle|Circle");
}

TEST_F(ConfigVarsTest, MoreSettingsGoToTheIniOnOk) {
    Window& w = Open();
    drv::Choose(w, SHEET1, 2);
    EXPECT_EQ(w[config_vars::LOC_WRAPSIZE].Value(), "60");
    // The wrapping length is 5 to 62: a value outside is refused and the box keeps its value.
    for (auto [typed, kept] : {std::pair{"70", "60"}, {"4", "60"}, {"5", "5"}, {"62", "62"}}) {
        drv::Type(w, config_vars::LOC_WRAPSIZE, typed);
        EXPECT_EQ(w[config_vars::LOC_WRAPSIZE].Value(), kept) << typed;
    }
    drv::Focus(w, config_vars::LOC_WRAPSIZE);
    drv::Key(w, config_vars::LOC_WRAPSIZE, KEY_Up);
    EXPECT_EQ(w[config_vars::LOC_WRAPSIZE].Value(), "62");

    drv::Click(w, GLO_UPPERCASE);
    drv::Click(w, OPTION1_RADIO1);
    // The folder dialog starts on the library path; cancelled, it changes nothing.
    drv::Click(w, SELECTLIBPATH);
    drv::AnswerDialog(DIALOG_Folder, "Library Path", "");
    EXPECT_EQ(w[GLO_LIBPATH].Text(), app + "/Library");
    drv::Click(w, SELECTLIBPATH);
    ASSERT_EQ(OpenDialogs().size(), 1u);
    EXPECT_EQ(OpenDialogs().front().file, app + "/Library");
    drv::AnswerDialog(DIALOG_Folder, "Library Path", temp / "sets");
    EXPECT_EQ(w[GLO_LIBPATH].Text(), temp / "sets");
    // Enter in a field presses OK.
    drv::Focus(w, GLO_LIBPATH);
    drv::Key(w, GLO_LIBPATH, KEY_Enter);
    ASSERT_TRUE(returned);
    EXPECT_EQ(Config("WrapSize"), "62");
    EXPECT_EQ(Config("Uppercase"), "0");
    EXPECT_EQ(Config("LibPath"), temp / "sets");
    EXPECT_EQ(Config("EIPByEnter"), "1");
    EXPECT_EQ(Config("AutoFillUnits"), "0");
    EXPECT_EQ(Config("AutoFillTypes"), "0");
}

TEST_F(ConfigVarsTest, AnIniThatCannotBeWrittenIsPassedOverSilently) {
    ProjectIni = temp / "no such folder/qvr.ini";
    Window& w = Open();
    EXPECT_EQ(Shown(w).size(), 9u);
    drv::Key(w, TABLIST, KEY_Space);
    drv::Click(w, OKBUTTON);
    EXPECT_TRUE(returned);
    EXPECT_FALSE(std::filesystem::exists(temp / "no such folder"));
}

// Each row's shown or hidden state reads as a checked or empty check box, the controls of the
// window read under their labels, and the preview offers a screen reader only the shown tabs.
TEST_F(ConfigVarsTest, TheShownStateReadsAsCheckedAndHiddenTabsAreNotOffered) {
    drv::WriteBytes(ProjectIni, kCustom);
    Window& w = Open();
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(w[TABLIST].Widget());
    ASSERT_NE(list, nullptr);
    QAccessibleTableInterface* table = list->tableInterface();
    ASSERT_NE(table, nullptr);
    auto box = [&](int row) { return table->cellAt(row - 1, 0)->state(); };
    EXPECT_EQ(FromQt(table->cellAt(3, 0)->text(QAccessible::Name)), "Box");
    for (int row = 1; row <= 9; ++row) {
        EXPECT_TRUE(box(row).checkable) << row;
        EXPECT_EQ(box(row).checked, row != 4) << row; // Box is hidden
    }
    EXPECT_FALSE(table->cellAt(0, 1)->state().checkable); // the caption is no check box
    drv::ClickList(w, TABLIST, 2);
    drv::Key(w, TABLIST, KEY_Space);
    EXPECT_FALSE(box(2).checked);

    EXPECT_EQ(AccessibleName(w[LOC_WRAPSIZE]),
              "Number of characters in the description field (wrapping length):");
    EXPECT_EQ(AccessibleName(w[GLO_LIBPATH]), "Library Path:");
    EXPECT_EQ(AccessibleName(w[EDITENTRY]), "Custom Name");

    QAccessibleInterface* preview = QAccessible::queryAccessibleInterface(w[SHEET2].Widget());
    QAccessibleInterface* bar = nullptr;
    for (int i = 0; i < preview->childCount(); ++i)
        if (preview->child(i)->role() == QAccessible::PageTabList)
            bar = preview->child(i);
    ASSERT_NE(bar, nullptr);
    std::vector<std::string> offered;
    for (int i = 0; i < bar->childCount(); ++i)
        offered.push_back(FromQt(bar->child(i)->text(QAccessible::Name)));
    EXPECT_EQ(offered, drv::TabCaptions(w, SHEET2));
    EXPECT_EQ(offered.size(), 7u); // Square and Round hidden
}
