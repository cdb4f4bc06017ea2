#include "EditorFixture.h"

#include "editor/Lookup.h"
#include "platform/ui/Accessible.h"
#include "platform/ui/Keys.h"
#include "platform/ui/ListBox.h"

#include <string>
#include <vector>

using namespace editor;
using namespace editor::lookup_list;
using namespace platform;
namespace drv = platform::testing;
namespace form = editor::lookup_form;

namespace {

class LookupTest : public editor::testing::EditorWindowTest {
protected:
    // Opens the list window of a kind ("1" units, "2" types).
    Window& Open(const std::string& parameter = "1") {
        return StartWindow([parameter] { BrowseLookup(parameter); },
                           parameter == "2" ? "Types" : "Units");
    }

    static std::vector<std::string> Shown(Window& w) {
        std::vector<std::string> out;
        ListBox& list = *ListBox::Of(w[LIST]);
        for (int row = 1; row <= list.Count(); ++row)
            out.push_back(list.CellText(row, 1));
        return out;
    }
    // The keys of a section from 1 up to `count`, as "value" or "-" when missing.
    std::vector<std::string> Stored(const std::string& section, const std::string& kind,
                                    int count) const {
        std::vector<std::string> out;
        for (int n = 1; n <= count; ++n)
            out.push_back(ReadIni(section, kind + std::to_string(n), "-", ProjectIni));
        return out;
    }
};

} // namespace

TEST_F(LookupTest, TheListShowsWhatTheIniHoldsAndEachChangeWritesItWhole) {
    struct Case {
        const char* what;
        std::string parameter;
        std::string ini; // the section as the project INI holds it
        std::vector<std::string> shown;
        std::string typed;               // added through the form; empty: none
        int removed;                     // the row removed; 0: none
        std::vector<std::string> after;  // shown afterwards
        std::vector<std::string> stored; // keys 1.. afterwards ("-" missing)
    };
    const std::string thirty = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123";
    const Case cases[] = {
        {"a gap ends the list; the next write drops what stood behind it",
         "1",
         "[QVREditUnits]\r\nUnit1=SF\r\nUnit2=\r\nUnit3=LF\r\n",
         {"SF"},
         "CY",
         0,
         {"CY", "SF"},
         {"CY", "SF", "", "-"}},
        {"a value already there is added once more",
         "1",
         "[QVREditUnits]\r\nUnit1=EA\r\nUnit2=SF\r\n",
         {"EA", "SF"},
         "EA",
         0,
         {"EA", "EA", "SF"},
         {"EA", "EA", "SF", ""}},
        {"removing the only entry empties the list",
         "1",
         "[QVREditUnits]\r\nUnit1=SF\r\n",
         {"SF"},
         "",
         1,
         {},
         {"", "-"}},
        {"removing keeps the keys behind the end as they are",
         "1",
         "[QVREditUnits]\r\nUnit1=EA\r\nUnit2=LF\r\nUnit3=SF\r\nUnit4=\r\nUnit5=XX\r\n",
         {"EA", "LF", "SF"},
         "",
         2,
         {"EA", "SF"},
         {"EA", "SF", "", "", "XX"}},
        {"a long value shows cut to 20 and is stored cut at the next change; typing takes 5",
         "1",
         "[QVREditUnits]\r\nUnit1=" + thirty + "\r\n",
         {thirty.substr(0, 20)},
         "VWXYZ12",
         0,
         {thirty.substr(0, 20), "VWXYZ"},
         {thirty.substr(0, 20), "VWXYZ", ""}},
        {"byte order of the code page, upper case first, blanks padded",
         "1",
         "[QVREditUnits]\r\nUnit1=b\r\nUnit2=\xc9t\r\nUnit3=a\r\nUnit4=B\r\nUnit5=A B\r\n",
         {"A B", "B", "a", "b", "\xc9t"},
         "AB",
         0,
         {"A B", "AB", "B", "a", "b", "\xc9t"},
         {"A B", "AB", "B", "a", "b", "\xc9t", ""}},
        {"the types; a comma and the character 255, which a note cannot carry, are refused",
         "2",
         "[QVREditTypes]\r\nType1=LINE1\r\nType2=COUNT\r\n",
         {"COUNT", "LINE1"},
         "A,R\xff"
         "EA",
         0,
         {"AREA", "COUNT", "LINE1"},
         {"AREA", "COUNT", "LINE1", ""}},
        {"two adjacent double quotes read back as one character 255: the second is refused",
         "2",
         "[QVREditTypes]\r\nType1=LINE1\r\n",
         {"LINE1"},
         "\"\"IN",
         0,
         {"\"IN", "LINE1"},
         {"\"IN", "LINE1", ""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        drv::WriteBytes(ProjectIni, c.ini);
        Window& w = Open(c.parameter);
        const bool types = c.parameter == "2";
        EXPECT_EQ(Shown(w), c.shown);
        if (!c.typed.empty()) {
            drv::Click(w, ADD);
            Window* f = drv::FindWindow(types ? "New Type" : "New Unit");
            ASSERT_NE(f, nullptr);
            EXPECT_EQ((*f)[form::PMT].Text(), types ? "Type:" : "Unit:");
            drv::Type(*f, form::EDITVALUE, c.typed, false);
            drv::Key(*f, form::EDITVALUE, KEY_Enter); // presses OK
            EXPECT_EQ(drv::FindWindow(types ? "New Type" : "New Unit"), nullptr);
        }
        if (c.removed != 0) {
            drv::ClickList(w, LIST, c.removed);
            drv::Click(w, REMOVE); // no question
        }
        EXPECT_EQ(Shown(w), c.after);
        EXPECT_EQ(Stored(types ? "QVREditTypes" : "QVREditUnits", types ? "Type" : "Unit",
                         static_cast<int>(c.stored.size())),
                  c.stored);
        drv::Click(w, CLOSE);
        EXPECT_TRUE(returned);
    }
}

TEST_F(LookupTest, InsertAndDeleteActOnlyWhileTheListHasTheFocus) {
    drv::WriteBytes(ProjectIni, "[QVREditUnits]\r\nUnit1=EA\r\nUnit2=SF\r\n");
    Window& w = Open();
    drv::Focus(w, ADD);
    drv::Key(w, ADD, KEY_Insert);
    drv::Focus(w, REMOVE);
    drv::Key(w, REMOVE, KEY_Delete);
    EXPECT_EQ(drv::FindWindow("New Unit"), nullptr);
    EXPECT_EQ(Shown(w), (std::vector<std::string>{"EA", "SF"}));

    drv::Focus(w, LIST);
    drv::Key(w, LIST, KEY_Insert);
    Window* f = drv::FindWindow("New Unit");
    ASSERT_NE(f, nullptr);
    // Cancel, and the form's close box, add nothing even with a value typed.
    drv::Type(*f, form::EDITVALUE, "LF", false);
    drv::Click(*f, form::CANCEL);
    drv::Key(w, LIST, KEY_Insert);
    f = drv::FindWindow("New Unit");
    ASSERT_NE(f, nullptr);
    drv::Type(*f, form::EDITVALUE, "LF", false);
    drv::CloseBox(*f);
    // OK with nothing typed adds nothing either.
    drv::Key(w, LIST, KEY_Insert);
    f = drv::FindWindow("New Unit");
    ASSERT_NE(f, nullptr);
    drv::Click(*f, form::OK);
    EXPECT_EQ(drv::FindWindow("New Unit"), nullptr);
    EXPECT_EQ(Shown(w), (std::vector<std::string>{"EA", "SF"}));
    EXPECT_EQ(ReadIni("QVREditUnits", "Unit3", "-", ProjectIni), "-"); // nothing was written

    drv::ClickList(w, LIST, 1);
    drv::Key(w, LIST, KEY_Delete);
    EXPECT_EQ(Shown(w), std::vector<std::string>{"SF"});
    EXPECT_TRUE(w[LIST].HasFocus());
    EXPECT_EQ(Stored("QVREditUnits", "Unit", 3), (std::vector<std::string>{"SF", "", "-"}));

    // Remove in an empty list does nothing.
    drv::Key(w, LIST, KEY_Delete);
    drv::Key(w, LIST, KEY_Delete);
    EXPECT_TRUE(Shown(w).empty());
    drv::Click(w, REMOVE);
    EXPECT_EQ(Stored("QVREditUnits", "Unit", 3), (std::vector<std::string>{"", "", "-"}));
}

TEST_F(LookupTest, BothWindowsKeepTheirPlaceInTheWindowPositionFile) {
    Window& w = Open();
    w.SetPosition(30, 20, 150, 140);
    drv::Click(w, ADD);
    Window* f = drv::FindWindow("New Unit");
    ASSERT_NE(f, nullptr);
    f->SetPosition(60, 50, 130, 60);
    drv::Click(*f, form::CANCEL);
    drv::CloseBox(w);
    ASSERT_TRUE(returned);
    const std::string positions = IniFilePath("notes.INI");
    EXPECT_EQ(ReadIni("BrowseLookup", "Width", "", positions), "150");
    EXPECT_EQ(ReadIni("UpdateLookup", "Width", "", positions), "130");

    Window& again = Open();
    EXPECT_EQ(again.Width(), 150);
    EXPECT_EQ(again.Height(), 140);
    drv::Click(again, ADD);
    f = drv::FindWindow("New Unit");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->Width(), 130);
    drv::Click(*f, form::CANCEL);
}

// The form's entry reads under its label, as the form words it for the list it adds to.
TEST_F(LookupTest, TheNewValuesEntryReadsUnderItsLabel) {
    Window& w = Open();
    drv::Focus(w, LIST);
    drv::Key(w, LIST, KEY_Insert);
    Window* f = drv::FindWindow("New Unit");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(AccessibleName((*f)[form::EDITVALUE]), "Unit:");
    drv::Click(*f, form::CANCEL);
}
