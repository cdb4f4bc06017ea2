#include "editor/TableSettings.h"

#include "editor/Globals.h"
#include "editor/KeynoteWindowDef.h"
#include "platform/ini/Ini.h"
#include "platform/runtime/Digest.h"
#include "platform/text/Text.h"
#include "platform/ui/Window.h"

#include <vector>

namespace editor {

using namespace platform;
using namespace keynote;

namespace {

const char* const kQvr = "QVR";
const char* const kDefault = "QVREditDEFAULT";
const char* const kStyle = "Style"; // in section QVR

// The fixed items of a drop list.
class Items : public ListSource {
public:
    explicit Items(std::vector<std::string> items) : items_(std::move(items)) {}
    int Count() const override { return static_cast<int>(items_.size()); }
    std::string Cell(int row, int) const override {
        return row >= 1 && row <= Count() ? items_[static_cast<std::size_t>(row - 1)]
                                          : std::string();
    }

private:
    std::vector<std::string> items_;
};

const Items kPhases{{"N/A", "1", "2", "3", "4", "5", "6", "7", "8", "9"}};
const Items kNoYes{{"No", "Yes"}};
const Items kYesNo{{"Yes", "No"}};
const Items kAliases{{"1", "2", "3", "4", "5", "6", "7", "8", "9"}};

// A key-table setting: its field and width; the control that shows it, with the items of a drop
// list (not bound: the routines below move its value across) or none for an entry bound to the
// field; the prompt that shows its program-wide default; its key in section QVR of the project
// INI; its key in section QVREditDEFAULT where that differs; its built-in default; its field in
// the stash. A null key, default or stash field, or a prompt 0: the setting has none.
struct Setting {
    std::string TableSettings::*field;
    std::size_t width;
    int control;
    const Items* list;
    int prompt;
    const char* projectKey;
    const char* defaultKey;
    const char* builtIn;
    std::string TableSettingsStashRecord::*stashed;

    const char* DefaultKey() const { return defaultKey ? defaultKey : projectKey; }
};

using TS = TableSettings;
using Stash = TableSettingsStashRecord;

// Every setting but the style, in the order section QVR is written. The text height travels in
// the keynote file; Style, with ShowKeyTableGrid and the two kept spacings that follow it, has
// no program-wide default.
const Setting kSettings[] = {
    {&TS::LOC_TXTHT, 20, LOC_TXTHT, nullptr, LOC_TXTHT_PROMPT_2, nullptr, "TXTHT", "Auto",
     &Stash::TXTHT},
    {&TS::LOC_NOTETYPES, 60, LOC_NOTETYPES, nullptr, 0, "NoteTypes", nullptr,
     "BOX,CIR,DIA,ELL,HEX,OCT,PEN,REC,SST,TRI", &Stash::NOTETYPES},
    {&TS::LOC_DOCURRENTTABONLY, 20, LOC_DOCURRENTTABONLY, &kNoYes, LOC_DOCURRENTTABONLY_PROMPT_2,
     "DoCurrentTabOnly", nullptr, "0", &Stash::DOCURRENTTABONLY},
    {&TS::LOC_BUBBLEHOOKS, 5, LOC_BUBBLEHOOKS, &kYesNo, 0, "BubbleHooks", nullptr, "Yes",
     &Stash::BUBBLEHOOKS},
    {&TS::LOC_INSERTTABLEPHASES, 20, LOC_INSERTTABLEPHASES, &kPhases,
     LOC_INSERTTABLEPHASES_PROMPT_2, "InsertTablePhases", nullptr, "0", &Stash::INSERTTABLEPHASES},
    {&TS::LOC_TBLWID, 20, LOC_TBLWID, nullptr, LOC_TBLWID_PROMPT_2, "TableWidth", nullptr, "65",
     &Stash::TBLWID},
    {&TS::LOC_PHASEWID, 20, LOC_PHASEWID, nullptr, LOC_PHASEWID_PROMPT_2, "PhaseWidthAdd", nullptr,
     "9", &Stash::PHASEWID},
    {&TS::LOC_LINESPACING, 20, LOC_LINESPACING, nullptr, LOC_LINESPACINGDEFAULT, "LineSpacing",
     nullptr, "1.5", &Stash::LINESPACING},
    {&TS::LOC_NOTESPACING, 5, LOC_NOTESPACING, nullptr, LOC_NOTESPACING_PROMPT_2, "NoteSpacing",
     nullptr, "3", &Stash::NOTESPACING},
    {&TS::LOC_NDWID, 20, LOC_NDWID, nullptr, LOC_NDWID_PROMPT_2, "NumberToDescriptionWidth",
     nullptr, "2.5", &Stash::NDWID},
    {&TS::LOC_DQWID, 20, LOC_DQWID, nullptr, LOC_DQWID_PROMPT_2, "DescriptionToQuantityWidth",
     nullptr, "56", &Stash::DQWID},
    {&TS::LOC_QQWID, 20, LOC_QQWID, nullptr, LOC_QQWID_PROMPT_2, "QuantityToQuantityWidth",
     "QuantityToQuantity", "9", &Stash::QQWID},
    {&TS::LOC_QUWID, 20, LOC_QUWID, nullptr, LOC_QUWID_PROMPT_2, "QuantityToUnitsWidth", nullptr,
     "1", &Stash::QUWID},
    {&TS::LOC_SHOWKEYTABLEGRID, 5, LOC_SHOWKEYTABLEGRID, nullptr, 0, "ShowKeyTableGrid", nullptr,
     nullptr, &Stash::SHOWKEYTABLEGRID},
    {&TS::LOC_SHOWKEYTABLEQUANTITIES, 5, LOC_SHOWKEYTABLEQUANTITIES, &kYesNo,
     LOC_SHOWKEYTABLEQUANTITIES_PROMPT_2, "ShowKeyTableQuantities", nullptr, "1",
     &Stash::SHOWKEYTABLEQUANTITIES},
    {&TS::LOC_BUBBLELEADERCONNECTOSNAP, 20, LOC_BUBBLELEADERCONNECTOSNAP, nullptr, 0,
     "BubbleLeaderConnectOsnap", nullptr, "mid,end", nullptr},
};

const Setting& Row(std::string TableSettings::*field) {
    for (const Setting& s : kSettings)
        if (s.field == field)
            return s;
    return kSettings[0]; // callers name fields of the table
}

// The program-wide default of a setting that has one.
std::string Default(const Setting& s) {
    return ReadIni(kDefault, s.DefaultKey(), s.builtIn, AppIni);
}

std::string Project(const char* key, const char* fallback, std::size_t width) {
    return Cut(ReadIni(kQvr, key, fallback, ProjectIni), width);
}

// The phases list has ten items; a stored count it cannot show selects "N/A".
int PhasesItem(std::string_view value) {
    const std::int32_t item = ToLong(value) + 1;
    return item >= 1 && item <= kPhases.Count() ? item : 1;
}

} // namespace

void StashSettings(const TableSettings& from, TableSettingsStashRecord& to) {
    for (const Setting& s : kSettings)
        if (s.stashed)
            to.*s.stashed = from.*s.field;
}

void RestoreSettings(const TableSettingsStashRecord& from, TableSettings& to) {
    for (const Setting& s : kSettings)
        if (s.stashed)
            to.*s.field = from.*s.stashed;
}

void SettingsTab::Bind() {
    Window& w = window_;
    for (const Setting& s : kSettings) {
        if (s.list)
            w[s.control].SetListSource(s.list);
        else
            w[s.control].Bind(s_.*s.field, s.width);
    }
    w[LOC_STYLE].Bind(s_.LOC_STYLE, 20);
    w[PHASEALIASES].SetListSource(&kAliases);
}

void SettingsTab::ShowDefaults() {
    for (const Setting& s : kSettings) {
        if (s.prompt == 0)
            continue;
        const std::string value = Default(s);
        std::string text = "(default = " + value + ")";
        // The text height's default stands in bare parentheses; the Yes/No lists' defaults are
        // shown by their items.
        if (s.field == &TableSettings::LOC_TXTHT)
            text = "(" + value + ")";
        else if (s.field == &TableSettings::LOC_DOCURRENTTABONLY)
            text = std::string("(default = ") + (Equal(value, "0") ? "No" : "Yes") + ")";
        else if (s.field == &TableSettings::LOC_SHOWKEYTABLEQUANTITIES)
            text = std::string("(default = ") + (Equal(value, "1") ? "Yes" : "No") + ")";
        window_[s.prompt].SetText(text);
    }
}

std::string SettingsTab::Chosen(int list) {
    const int item = window_[list].Selected();
    switch (list) {
    case LOC_DOCURRENTTABONLY:
        return item == 1 ? "0" : "1";
    case LOC_BUBBLEHOOKS:
        return item == 1 ? "Yes" : "No";
    case LOC_INSERTTABLEPHASES:
        return item <= 1 ? "No" : DecimalText(item - 1);
    case LOC_SHOWKEYTABLEQUANTITIES:
        return item == 1 ? "1" : "0";
    default:
        return std::string();
    }
}

void SettingsTab::AddTo(Digest& digest) {
    for (const Setting& s : kSettings) {
        digest.Add(Clip(s_.*s.field));
        if (s.list)
            digest.Add(DecimalText(window_[s.control].Selected()));
    }
    digest.Add(Clip(s_.LOC_STYLE));
}

void SettingsTab::ShowSpacing(bool shown) {
    for (int c = LOC_LINESPACING; c <= LOC_LINESPACINGPROMPT; ++c) {
        if (shown)
            window_[c].Unhide();
        else
            window_[c].Hide();
    }
}

void SettingsTab::ReadProjectSettings() {
    Window& w = window_;
    for (const Setting& s : kSettings)
        if (s.projectKey && !s.list)
            s_.*s.field = Project(s.projectKey, "", s.width);

    // The drop lists: each selects its item from the stored value, and the field follows the
    // list, except that BubbleHooks keeps the value as stored.
    auto stored = [](std::string TableSettings::*field, const char* fallback) {
        return Project(Row(field).projectKey, fallback, 20);
    };
    std::string work = stored(&TS::LOC_BUBBLEHOOKS, "");
    s_.LOC_BUBBLEHOOKS = Cut(work, 5);
    w[LOC_BUBBLEHOOKS].Select(Upper(Clip(work)) == "YES" ? 1 : 2);

    work = stored(&TS::LOC_DOCURRENTTABONLY, "0");
    w[LOC_DOCURRENTTABONLY].Select(Equal(work, "0") ? 1 : 2);
    s_.LOC_DOCURRENTTABONLY = Chosen(LOC_DOCURRENTTABONLY);

    work = stored(&TS::LOC_INSERTTABLEPHASES, "N/A");
    const int phases = Upper(Clip(work)) == "N/A" ? 1 : PhasesItem(work);
    w[LOC_INSERTTABLEPHASES].Select(phases);
    s_.LOC_INSERTTABLEPHASES = DecimalText(phases - 1);

    work = stored(&TS::LOC_SHOWKEYTABLEQUANTITIES, "");
    w[LOC_SHOWKEYTABLEQUANTITIES].Select(Equal(work, "1") ? 1 : 2);
    s_.LOC_SHOWKEYTABLEQUANTITIES = Chosen(LOC_SHOWKEYTABLEQUANTITIES);

    // The spacings kept while the style is Grid start from the defaults of the project INI's own
    // section QVREditDEFAULT.
    auto projectDefault = [](std::string TableSettings::*field) {
        const Setting& s = Row(field);
        return Cut(ReadIni(kDefault, s.DefaultKey(), s.builtIn, ProjectIni), s.width);
    };
    s_.LOC_TEMPLINESPACING = projectDefault(&TS::LOC_LINESPACING);
    s_.LOC_TEMPNOTESPACING = projectDefault(&TS::LOC_NOTESPACING);

    work = Project(kStyle, "Paragraph", 20);
    if (Equal(work, "Paragraph")) {
        s_.LOC_STYLE = "Paragraph";
        ShowSpacing(true);
        s_.LOC_SHOWKEYTABLEGRID = "0";
    } else {
        s_.LOC_STYLE = "Grid";
        ShowSpacing(false);
        s_.LOC_SHOWKEYTABLEGRID = "1";
        s_.LOC_LINESPACING = "3";
        s_.LOC_NOTESPACING = "3";
    }
    w.Display();
}

void SettingsTab::SelectListsFromFields() {
    Window& w = window_;
    w[LOC_INSERTTABLEPHASES].Select(PhasesItem(s_.LOC_INSERTTABLEPHASES));
    w[LOC_DOCURRENTTABONLY].Select(Clip(LeftJustify(s_.LOC_DOCURRENTTABONLY)) == "1" ? 2 : 1);
    w[LOC_BUBBLEHOOKS].Select(Equal(s_.LOC_BUBBLEHOOKS, "Yes") ? 1 : 2);
    w[LOC_SHOWKEYTABLEQUANTITIES].Select(Equal(s_.LOC_SHOWKEYTABLEQUANTITIES, "1") ? 1 : 2);
}

void SettingsTab::FillEmptySettings() {
    for (const Setting& s : kSettings) {
        std::string& field = s_.*s.field;
        if (s.builtIn && Clip(field).empty())
            field = Cut(Default(s), s.width);
    }
    SelectListsFromFields();
}

void SettingsTab::RestoreDefaults() {
    for (const Setting& s : kSettings)
        if (s.builtIn)
            s_.*s.field = Cut(Default(s), s.width);
    SelectListsFromFields();
    window_.Display();
}

void SettingsTab::SaveAsDefaults() {
    Window& w = window_;
    w.Update();
    // The program-wide defaults hold "0" for no phases, where section QVR holds "No"; Show
    // Quantities goes from its list to the INI and leaves its field as it is.
    s_.LOC_INSERTTABLEPHASES = DecimalText(w[LOC_INSERTTABLEPHASES].Selected() - 1);
    s_.LOC_DOCURRENTTABONLY = Chosen(LOC_DOCURRENTTABONLY);
    s_.LOC_BUBBLEHOOKS = Chosen(LOC_BUBBLEHOOKS);
    for (const Setting& s : kSettings) {
        if (!s.builtIn)
            continue;
        const bool quantities = s.field == &TableSettings::LOC_SHOWKEYTABLEQUANTITIES;
        WriteIni(kDefault, s.DefaultKey(), quantities ? Chosen(s.control) : s_.*s.field, AppIni);
    }
}

void SettingsTab::WriteProjectSettings() {
    // The section's keys go into the file together, in one replacement of it; the drop lists'
    // values come from the lists, not from their fields.
    std::vector<IniEntry> entries;
    for (const Setting& s : kSettings)
        if (s.projectKey)
            entries.push_back({kQvr, s.projectKey, s.list ? Chosen(s.control) : s_.*s.field});
    entries.push_back({kQvr, kStyle, s_.LOC_STYLE});
    WriteIniEntries(entries, ProjectIni);
}

// A style's radio reached while its style is already the one shown (clicked again, or focused by
// a key) changes nothing: only a change of style swaps the spacings, so that neither the
// project's spacings nor those kept while Grid is shown are lost.
void SettingsTab::ParagraphSelected() {
    if (s_.LOC_SHOWKEYTABLEGRID != "1")
        return;
    s_.LOC_LINESPACING = s_.LOC_TEMPLINESPACING;
    s_.LOC_NOTESPACING = s_.LOC_TEMPNOTESPACING;
    ShowSpacing(true);
    window_.Display();
    s_.LOC_SHOWKEYTABLEGRID = "0";
}

void SettingsTab::GridSelected() {
    if (s_.LOC_SHOWKEYTABLEGRID == "1")
        return;
    s_.LOC_SHOWKEYTABLEGRID = "1";
    s_.LOC_TEMPLINESPACING = s_.LOC_LINESPACING;
    s_.LOC_TEMPNOTESPACING = s_.LOC_NOTESPACING;
    s_.LOC_LINESPACING = "3";
    s_.LOC_NOTESPACING = "3";
    ShowSpacing(false);
    window_.Display();
}

} // namespace editor
