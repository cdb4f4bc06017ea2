#include "KeynoteFixture.h"

using namespace keynotetest;

namespace {

struct Shown {
    int phases, currentTab, hooks, quantities; // the drop lists' items
    // A literal: GCC 12 at -O3 takes a std::string member of this table for uninitialised.
    std::string_view style;
};

} // namespace

// What the Config tab shows for what section QVR of the project INI holds, and what the next
// save writes back.
TEST_F(KeynoteTest, TheSettingsComeFromSectionQvrAndGoBackWithTheSave) {
    struct Case {
        std::vector<std::pair<const char*, const char*>> qvr;
        Shown shown;
        std::vector<std::pair<const char*, const char*>> saved;
    };
    const Case cases[] = {
        // No section QVR: program-wide defaults, but Show Quantities is "No".
        {{},
         {1, 1, 1, 2, "Paragraph"},
         {{"InsertTablePhases", "No"},
          {"DoCurrentTabOnly", "0"},
          {"BubbleHooks", "Yes"},
          {"ShowKeyTableQuantities", "0"},
          {"TableWidth", "65"},
          {"LineSpacing", "1.5"},
          {"NoteTypes", "BOX,CIR,DIA,ELL,HEX,OCT,PEN,REC,SST,TRI"},
          {"Style", "Paragraph"},
          {"ShowKeyTableGrid", "0"}}},
        {{{"InsertTablePhases", "n/a "}}, {1, 1, 1, 2, "Paragraph"}, {{"InsertTablePhases", "No"}}},
        {{{"InsertTablePhases", "No"}}, {1, 1, 1, 2, "Paragraph"}, {{"InsertTablePhases", "No"}}},
        {{{"InsertTablePhases", "3"}}, {4, 1, 1, 2, "Paragraph"}, {{"InsertTablePhases", "3"}}},
        {{{"InsertTablePhases", "12"}}, {1, 1, 1, 2, "Paragraph"}, {{"InsertTablePhases", "No"}}},
        {{{"InsertTablePhases", "-4"}}, {1, 1, 1, 2, "Paragraph"}, {{"InsertTablePhases", "No"}}},
        // Lower-case yes selects Yes first, but the field is not exactly "Yes".
        {{{"BubbleHooks", "yes"}}, {1, 1, 2, 2, "Paragraph"}, {{"BubbleHooks", "No"}}},
        {{{"DoCurrentTabOnly", "x"}, {"ShowKeyTableQuantities", "1"}},
         {1, 2, 1, 1, "Paragraph"},
         {{"DoCurrentTabOnly", "1"}, {"ShowKeyTableQuantities", "1"}}},
        // Anything but exactly Paragraph is Grid, with both spacings forced to 3.
        {{{"Style", "paragraph"}, {"LineSpacing", "2"}, {"NoteSpacing", "4"}},
         {1, 1, 1, 2, "Grid"},
         {{"Style", "Grid"},
          {"LineSpacing", "3"},
          {"NoteSpacing", "3"},
          {"ShowKeyTableGrid", "1"}}},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(++n);
        std::filesystem::remove(ini);
        for (const auto& [key, value] : c.qvr)
            WriteIni("QVR", key, value, ini);
        OpenOn("SET,TXTHT,0.1\r\n");
        EXPECT_EQ(W()[LOC_INSERTTABLEPHASES].Selected(), c.shown.phases);
        EXPECT_EQ(W()[LOC_DOCURRENTTABONLY].Selected(), c.shown.currentTab);
        EXPECT_EQ(W()[LOC_BUBBLEHOOKS].Selected(), c.shown.hooks);
        EXPECT_EQ(W()[LOC_SHOWKEYTABLEQUANTITIES].Selected(), c.shown.quantities);
        EXPECT_EQ(W()[LOC_STYLE].Value(), c.shown.style);
        const bool grid = c.shown.style == "Grid";
        EXPECT_EQ(W()[LOC_LINESPACING].Hidden(), grid);
        EXPECT_EQ(W()[LOC_LINESPACINGPROMPT].Hidden(), grid);
        drv::Click(W(), SAVETOASCII);
        for (const auto& [key, value] : c.saved)
            EXPECT_EQ(ReadIni("QVR", key, "<none>", ini), value) << key;
        EXPECT_EQ(ReadIni("QVR", "TXTHT", "<none>", ini), "<none>"); // it lives in the file
        CloseWindow();
    }
}

// The user opens each drop list of the Config tab and clicks an item; the save writes what was
// chosen.
TEST_F(KeynoteTest, ItemsChosenInTheConfigTabsDropListsGoWithTheSave) {
    OpenOn("SET,TXTHT,0.1\r\n");
    drv::Choose(W(), CURRENTTAB, 10);
    EXPECT_EQ(drv::Items(W(), LOC_BUBBLEHOOKS), (std::vector<std::string>{"Yes", "No"}));
    drv::Choose(W(), LOC_INSERTTABLEPHASES, 4);
    drv::Choose(W(), LOC_DOCURRENTTABONLY, 2);
    drv::Choose(W(), LOC_BUBBLEHOOKS, 2);
    drv::Choose(W(), LOC_SHOWKEYTABLEQUANTITIES, 1);
    EXPECT_TRUE(W()[LOC_SHOWKEYTABLEQUANTITIES].HasFocus());
    drv::Click(W(), SAVETOASCII);
    EXPECT_EQ(ReadIni("QVR", "InsertTablePhases", "", ini), "3");
    EXPECT_EQ(ReadIni("QVR", "DoCurrentTabOnly", "", ini), "1");
    EXPECT_EQ(ReadIni("QVR", "BubbleHooks", "", ini), "No");
    EXPECT_EQ(ReadIni("QVR", "ShowKeyTableQuantities", "", ini), "1");
}

TEST_F(KeynoteTest, TheStyleRadiosKeepAndForceTheSpacings) {
    OpenOn("");
    drv::Choose(W(), CURRENTTAB, 10);
    TableSettings& s = keynote->settings();
    EXPECT_EQ(s.LOC_LINESPACING, "1.5");
    drv::Type(W(), LOC_LINESPACING, "2");
    drv::Click(W(), GRID);
    EXPECT_EQ(W()[LOC_STYLE].Value(), "Grid");
    EXPECT_EQ(s.LOC_STYLE, "Grid");
    EXPECT_EQ(s.LOC_LINESPACING, "3");
    EXPECT_EQ(s.LOC_SHOWKEYTABLEGRID, "1");
    EXPECT_FALSE(W()[LOC_NOTESPACING].Visible());
    drv::Click(W(), PARAGRAPH);
    EXPECT_EQ(s.LOC_STYLE, "Paragraph");
    EXPECT_EQ(s.LOC_LINESPACING, "2"); // what it was before Grid
    EXPECT_EQ(s.LOC_SHOWKEYTABLEGRID, "0");
    EXPECT_TRUE(W()[LOC_NOTESPACING].Visible());
}

// Clicking or focusing the style already chosen changes nothing: the project's spacings stay, and
// the spacing kept while Grid is shown is the one from before Grid, however often Grid is clicked.
TEST_F(KeynoteTest, TheStyleAlreadyChosenKeepsTheProjectsSpacings) {
    WriteIni("QVR", "LineSpacing", "2", ini);
    WriteIni("QVR", "NoteSpacing", "4", ini);
    OpenOn("");
    drv::Click(W(), SAVETOASCII);
    drv::Choose(W(), CURRENTTAB, 10);
    TableSettings& s = keynote->settings();
    drv::Click(W(), PARAGRAPH);
    EXPECT_EQ(s.LOC_LINESPACING, "2");
    EXPECT_EQ(s.LOC_NOTESPACING, "4");
    drv::Click(W(), GRID);
    drv::Click(W(), LOC_TBLWID); // the focus leaves the radios and comes back
    drv::Click(W(), GRID);
    EXPECT_EQ(s.LOC_LINESPACING, "3");
    drv::Click(W(), PARAGRAPH);
    EXPECT_EQ(s.LOC_LINESPACING, "2");
    EXPECT_EQ(s.LOC_NOTESPACING, "4");
    // Nothing changed since the save: Exit closes without asking.
    drv::Click(W(), keynote::EXIT);
    EXPECT_TRUE(FrameGot(EVENT_CloseDown));
}

TEST_F(KeynoteTest, SaveValuesAsDefaultThenRestoreDefaultValues) {
    OpenOn("");
    drv::Choose(W(), CURRENTTAB, 10);
    EXPECT_EQ(W()[LOC_TXTHT_PROMPT_2].Text(), "(Auto)");
    EXPECT_EQ(W()[LOC_DOCURRENTTABONLY_PROMPT_2].Text(), "(default = No)");
    EXPECT_EQ(W()[LOC_SHOWKEYTABLEQUANTITIES_PROMPT_2].Text(), "(default = Yes)");
    drv::Type(W(), LOC_TBLWID, "70");

    // No changes nothing and skips the rest.
    drv::Click(W(), SAVEVALUESASDEFAULT);
    drv::Answer("Are you sure you want to save current values as default?", "", ICON_Question,
                BUTTON_YES | BUTTON_NO, BUTTON_NO);
    EXPECT_EQ(ReadIni("QVREditDEFAULT", "TableWidth", "<none>", AppIni), "<none>");

    drv::Click(W(), SAVEVALUESASDEFAULT);
    drv::Answer("Are you sure you want to save current values as default?", "", ICON_Question,
                BUTTON_YES | BUTTON_NO, BUTTON_YES);
    EXPECT_EQ(ReadIni("QVREditDEFAULT", "TableWidth", "", AppIni), "70");
    EXPECT_EQ(ReadIni("QVREditDEFAULT", "InsertTablePhases", "", AppIni), "0");
    EXPECT_EQ(ReadIni("QVREditDEFAULT", "QuantityToQuantity", "", AppIni), "9");
    EXPECT_EQ(ReadIni("QVREditDEFAULT", "ShowKeyTableQuantities", "", AppIni), "0");
    EXPECT_EQ(W()[LOC_TBLWID_PROMPT_2].Text(), "(default = 70)");

    drv::Type(W(), LOC_TBLWID, "80");
    drv::Click(W(), RESTOREDEFAULTVALUES);
    drv::Answer("Are you sure you want to restore default values?", "", ICON_Question,
                BUTTON_YES | BUTTON_NO, BUTTON_NO);
    EXPECT_EQ(keynote->settings().LOC_TBLWID, "80");
    drv::Click(W(), RESTOREDEFAULTVALUES);
    drv::Answer("Are you sure you want to restore default values?", "", ICON_Question,
                BUTTON_YES | BUTTON_NO, BUTTON_YES);
    EXPECT_EQ(keynote->settings().LOC_TBLWID, "70");
    EXPECT_EQ(W()[LOC_TBLWID].Text(), "70");
    EXPECT_EQ(W()[LOC_SHOWKEYTABLEQUANTITIES].Selected(), 2);

    // A project that leaves the table width empty gets the new default.
    CloseWindow();
    OpenWindow();
    EXPECT_EQ(keynote->settings().LOC_TBLWID, "70");
}

// Every field of the Config tab, typed or chosen by the user, comes back as it was after a save
// and a reopening of the window; and after Save values as default, Restore default values
// brings back every field too.
TEST_F(KeynoteTest, EveryConfigFieldComesBackAfterASaveAndAReopening) {
    // The note types' entry is hidden: nobody types there.
    const std::pair<int, const char*> typed[] = {
        {LOC_TXTHT, "0.125"},      {LOC_NDWID, "2.75"},
        {LOC_DQWID, "57"},         {LOC_QUWID, "1.5"},
        {LOC_LINESPACING, "1.75"}, {LOC_TBLWID, "66"},
        {LOC_PHASEWID, "8"},       {LOC_QQWID, "11"},
        {LOC_NOTESPACING, "4"},    {LOC_BUBBLELEADERCONNECTOSNAP, "end"},
    };
    const std::pair<int, int> chosen[] = {
        {LOC_INSERTTABLEPHASES, 3},
        {LOC_DOCURRENTTABONLY, 2},
        {LOC_BUBBLEHOOKS, 2},
        {LOC_SHOWKEYTABLEQUANTITIES, 1},
    };
    auto expectShown = [&] {
        for (const auto& [control, value] : typed)
            EXPECT_EQ(Clip(W()[control].Text()), value) << "control " << control;
        for (const auto& [control, item] : chosen)
            EXPECT_EQ(W()[control].Selected(), item) << "control " << control;
    };
    OpenOn("CIR,1,Footing,EA,COUNT\r\n");
    drv::Choose(W(), CURRENTTAB, 10);
    for (const auto& [control, value] : typed)
        drv::Type(W(), control, value);
    for (const auto& [control, item] : chosen)
        drv::Choose(W(), control, item);
    drv::Click(W(), SAVETOASCII);
    CloseWindow();
    OpenWindow();
    ASSERT_NE(keynote, nullptr);
    drv::Choose(W(), CURRENTTAB, 10);
    {
        SCOPED_TRACE("reopened");
        expectShown();
    }

    // As the defaults, in a project that had none of these values.
    drv::Click(W(), SAVEVALUESASDEFAULT);
    drv::Answer("Are you sure you want to save current values as default?", "", ICON_Question,
                BUTTON_YES | BUTTON_NO, BUTTON_YES);
    CloseWindow();
    std::filesystem::remove(ini);
    drv::WriteBytes(csv, "CIR,1,Footing,EA,COUNT\r\n");
    OpenWindow();
    ASSERT_NE(keynote, nullptr);
    drv::Choose(W(), CURRENTTAB, 10);
    drv::Click(W(), RESTOREDEFAULTVALUES);
    drv::Answer("Are you sure you want to restore default values?", "", ICON_Question,
                BUTTON_YES | BUTTON_NO, BUTTON_YES);
    {
        SCOPED_TRACE("restored");
        expectShown();
    }
}

// Exit asks after a save when any key-table setting changed since, however the user changed it:
// typed, chosen from a drop list, by a style radio or by Restore default values. Choosing what is
// already there, or restoring defaults the project already holds, changes nothing.
TEST_F(KeynoteTest, EverySettingChangedAfterASaveMakesExitAsk) {
    const char* const unsaved = "You have not saved this file. Exit without saving?";
    auto type = [this](int control, const char* text) {
        return [this, control, text] { drv::Type(W(), control, text); };
    };
    auto choose = [this](int control, int item) {
        return [this, control, item] { drv::Choose(W(), control, item); };
    };
    auto restore = [this] {
        drv::Click(W(), RESTOREDEFAULTVALUES);
        drv::Answer("Are you sure you want to restore default values?", "", ICON_Question,
                    BUTTON_YES | BUTTON_NO, BUTTON_YES);
    };
    using Qvr = std::vector<std::pair<const char*, const char*>>;
    // A project whose settings are all the program-wide defaults.
    const Qvr defaults = {{"ShowKeyTableQuantities", "1"}};
    struct Case {
        const char* name;
        Qvr qvr;
        std::function<void()> change;
        bool asks;
    };
    const std::vector<Case> cases = {
        {"text height", {}, type(LOC_TXTHT, "0.2"), true},
        {"note types", {{"NoteTypes", "BOX"}, {"ShowKeyTableQuantities", "1"}}, restore, true},
        {"current tab only", {}, choose(LOC_DOCURRENTTABONLY, 2), true},
        {"bubble hooks", {}, choose(LOC_BUBBLEHOOKS, 2), true},
        {"phases", {}, choose(LOC_INSERTTABLEPHASES, 4), true},
        {"table width", {}, type(LOC_TBLWID, "80"), true},
        {"phase width", {}, type(LOC_PHASEWID, "8"), true},
        {"line spacing", {}, type(LOC_LINESPACING, "2"), true},
        {"note spacing", {}, type(LOC_NOTESPACING, "4"), true},
        {"number to description", {}, type(LOC_NDWID, "2.75"), true},
        {"description to quantity", {}, type(LOC_DQWID, "57"), true},
        {"quantity table phase column", {}, type(LOC_QQWID, "11"), true},
        {"quantity to unit", {}, type(LOC_QUWID, "1.5"), true},
        {"style Grid", {}, [this] { drv::Click(W(), GRID); }, true},
        {"style Paragraph", {{"Style", "Grid"}}, [this] { drv::Click(W(), PARAGRAPH); }, true},
        {"show quantities", {}, choose(LOC_SHOWKEYTABLEQUANTITIES, 1), true},
        {"leader snaps", {}, type(LOC_BUBBLELEADERCONNECTOSNAP, "end"), true},
        {"the item already chosen", {}, choose(LOC_BUBBLEHOOKS, 1), false},
        {"the same text typed", {}, type(LOC_TBLWID, "65"), false},
        {"the defaults restored", defaults, restore, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(ini);
        for (const auto& [key, value] : c.qvr)
            WriteIni("QVR", key, value, ini);
        frameEvents.clear();
        OpenOn("");
        drv::Click(W(), SAVETOASCII);
        drv::Choose(W(), CURRENTTAB, 10);
        c.change();
        drv::Click(W(), keynote::EXIT);
        if (c.asks) {
            drv::Answer(unsaved, "QVR", ICON_Question, BUTTON_YES | BUTTON_NO, BUTTON_NO,
                        BUTTON_NO);
            EXPECT_FALSE(FrameGot(EVENT_CloseDown));
            CloseWindow();
        } else {
            EXPECT_TRUE(FrameGot(EVENT_CloseDown));
            if (keynote)
                CloseWindow();
        }
    }
}
