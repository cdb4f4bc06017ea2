#include "editor/TableSettings.h"

#include "editor/Globals.h"
#include "editor/KeynoteWindowDef.h"
#include "platform/ini/Ini.h"
#include "platform/text/Text.h"
#include "platform/ui/Window.h"

#include <vector>

namespace editor {

using namespace platform;
using namespace keynote;

namespace {

const char* const kQvr = "QVR";
const char* const kDefault = "QVREditDEFAULT";

// The fields the program-wide defaults fill, in their order, with their keys and built-in
// defaults.
struct DefaultField {
    std::string TableSettings::*field;
    const char* key;
    const char* builtIn;
    std::size_t width;
};
const DefaultField kDefaults[] = {
    {&TableSettings::LOC_TXTHT, "TXTHT", "Auto", 20},
    {&TableSettings::LOC_NOTETYPES, "NoteTypes", "BOX,CIR,DIA,ELL,HEX,OCT,PEN,REC,SST,TRI", 60},
    {&TableSettings::LOC_DOCURRENTTABONLY, "DoCurrentTabOnly", "0", 20},
    {&TableSettings::LOC_INSERTTABLEPHASES, "InsertTablePhases", "0", 20},
    {&TableSettings::LOC_TBLWID, "TableWidth", "65", 20},
    {&TableSettings::LOC_PHASEWID, "PhaseWidthAdd", "9", 20},
    {&TableSettings::LOC_LINESPACING, "LineSpacing", "1.5", 20},
    {&TableSettings::LOC_NOTESPACING, "NoteSpacing", "3", 5},
    {&TableSettings::LOC_NDWID, "NumberToDescriptionWidth", "2.5", 20},
    {&TableSettings::LOC_DQWID, "DescriptionToQuantityWidth", "56", 20},
    {&TableSettings::LOC_QQWID, "QuantityToQuantity", "9", 20},
    {&TableSettings::LOC_QUWID, "QuantityToUnitsWidth", "1", 20},
    {&TableSettings::LOC_SHOWKEYTABLEQUANTITIES, "ShowKeyTableQuantities", "1", 5},
    {&TableSettings::LOC_BUBBLEHOOKS, "BubbleHooks", "Yes", 5},
    {&TableSettings::LOC_BUBBLELEADERCONNECTOSNAP, "BubbleLeaderConnectOsnap", "mid,end", 20},
};

std::string Default(const char* key) {
    for (const DefaultField& d : kDefaults)
        if (std::string_view(d.key) == key)
            return ReadIni(kDefault, key, d.builtIn, AppIni);
    return std::string();
}

std::string Project(const char* key, const char* fallback, std::size_t width) {
    return Cut(ReadIni(kQvr, key, fallback, ProjectIni), width);
}

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

// The phases list has ten items; a stored count it cannot show selects "N/A".
int PhasesItem(std::string_view value) {
    const std::int32_t item = ToLong(value) + 1;
    return item >= 1 && item <= kPhases.Count() ? item : 1;
}

// The settings the stash carries, by name.
struct StashedField {
    std::string TableSettings::*field;
    std::string TableSettingsStashRecord::*stashed;
};
const StashedField kStashed[] = {
    {&TableSettings::LOC_TXTHT, &TableSettingsStashRecord::TXTHT},
    {&TableSettings::LOC_NOTETYPES, &TableSettingsStashRecord::NOTETYPES},
    {&TableSettings::LOC_DOCURRENTTABONLY, &TableSettingsStashRecord::DOCURRENTTABONLY},
    {&TableSettings::LOC_INSERTTABLEPHASES, &TableSettingsStashRecord::INSERTTABLEPHASES},
    {&TableSettings::LOC_TBLWID, &TableSettingsStashRecord::TBLWID},
    {&TableSettings::LOC_PHASEWID, &TableSettingsStashRecord::PHASEWID},
    {&TableSettings::LOC_LINESPACING, &TableSettingsStashRecord::LINESPACING},
    {&TableSettings::LOC_NOTESPACING, &TableSettingsStashRecord::NOTESPACING},
    {&TableSettings::LOC_NDWID, &TableSettingsStashRecord::NDWID},
    {&TableSettings::LOC_DQWID, &TableSettingsStashRecord::DQWID},
    {&TableSettings::LOC_QQWID, &TableSettingsStashRecord::QQWID},
    {&TableSettings::LOC_QUWID, &TableSettingsStashRecord::QUWID},
    {&TableSettings::LOC_SHOWKEYTABLEGRID, &TableSettingsStashRecord::SHOWKEYTABLEGRID},
    {&TableSettings::LOC_SHOWKEYTABLEQUANTITIES, &TableSettingsStashRecord::SHOWKEYTABLEQUANTITIES},
    {&TableSettings::LOC_BUBBLEHOOKS, &TableSettingsStashRecord::BUBBLEHOOKS},
};

} // namespace

void StashSettings(const TableSettings& from, TableSettingsStashRecord& to) {
    for (const StashedField& f : kStashed)
        to.*f.stashed = from.*f.field;
}

void RestoreSettings(const TableSettingsStashRecord& from, TableSettings& to) {
    for (const StashedField& f : kStashed)
        to.*f.field = from.*f.stashed;
}

void SettingsTab::Bind() {
    Window& w = window_;
    w[LOC_TXTHT].Bind(s_.LOC_TXTHT, 20);
    w[LOC_NDWID].Bind(s_.LOC_NDWID, 20);
    w[LOC_DQWID].Bind(s_.LOC_DQWID, 20);
    w[LOC_QUWID].Bind(s_.LOC_QUWID, 20);
    w[LOC_LINESPACING].Bind(s_.LOC_LINESPACING, 20);
    w[LOC_TBLWID].Bind(s_.LOC_TBLWID, 20);
    w[LOC_PHASEWID].Bind(s_.LOC_PHASEWID, 20);
    w[LOC_QQWID].Bind(s_.LOC_QQWID, 20);
    w[LOC_NOTESPACING].Bind(s_.LOC_NOTESPACING, 5);
    w[LOC_NOTETYPES].Bind(s_.LOC_NOTETYPES, 60);
    w[LOC_SHOWKEYTABLEGRID].Bind(s_.LOC_SHOWKEYTABLEGRID, 5);
    w[LOC_BUBBLELEADERCONNECTOSNAP].Bind(s_.LOC_BUBBLELEADERCONNECTOSNAP, 20);
    w[LOC_STYLE].Bind(s_.LOC_STYLE, 20);
    w[LOC_INSERTTABLEPHASES].SetListSource(&kPhases);
    w[LOC_DOCURRENTTABONLY].SetListSource(&kNoYes);
    w[LOC_BUBBLEHOOKS].SetListSource(&kYesNo);
    w[LOC_SHOWKEYTABLEQUANTITIES].SetListSource(&kYesNo);
    w[PHASEALIASES].SetListSource(&kAliases);
}

void SettingsTab::ShowDefaults() {
    auto prompt = [this](int control, const std::string& text) { window_[control].SetText(text); };
    auto shown = [](const char* key) { return "(default = " + Default(key) + ")"; };
    prompt(LOC_TXTHT_PROMPT_2, "(" + Default("TXTHT") + ")");
    prompt(LOC_DOCURRENTTABONLY_PROMPT_2,
           std::string("(default = ") + (Equal(Default("DoCurrentTabOnly"), "0") ? "No" : "Yes") +
               ")");
    prompt(LOC_INSERTTABLEPHASES_PROMPT_2, shown("InsertTablePhases"));
    prompt(LOC_TBLWID_PROMPT_2, shown("TableWidth"));
    prompt(LOC_PHASEWID_PROMPT_2, shown("PhaseWidthAdd"));
    prompt(LOC_LINESPACINGDEFAULT, shown("LineSpacing"));
    prompt(LOC_NOTESPACING_PROMPT_2, shown("NoteSpacing"));
    prompt(LOC_NDWID_PROMPT_2, shown("NumberToDescriptionWidth"));
    prompt(LOC_DQWID_PROMPT_2, shown("DescriptionToQuantityWidth"));
    prompt(LOC_QQWID_PROMPT_2, shown("QuantityToQuantity"));
    prompt(LOC_QUWID_PROMPT_2, shown("QuantityToUnitsWidth"));
    prompt(LOC_SHOWKEYTABLEQUANTITIES_PROMPT_2,
           std::string("(default = ") +
               (Equal(Default("ShowKeyTableQuantities"), "1") ? "Yes" : "No") + ")");
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
    std::string work = Project("BubbleHooks", "", 20);
    s_.LOC_BUBBLEHOOKS = Cut(work, 5);
    w[LOC_BUBBLEHOOKS].Select(Upper(Clip(work)) == "YES" ? 1 : 2);

    work = Project("DoCurrentTabOnly", "0", 20);
    w[LOC_DOCURRENTTABONLY].Select(Equal(work, "0") ? 1 : 2);
    s_.LOC_DOCURRENTTABONLY = w[LOC_DOCURRENTTABONLY].Selected() == 1 ? "0" : "1";

    s_.LOC_NOTETYPES = Project("NoteTypes", "", 60);

    work = Project("InsertTablePhases", "N/A", 20);
    const int phases = Upper(Clip(work)) == "N/A" ? 1 : PhasesItem(work);
    w[LOC_INSERTTABLEPHASES].Select(phases);
    s_.LOC_INSERTTABLEPHASES = DecimalText(phases - 1);

    s_.LOC_TBLWID = Project("TableWidth", "", 20);
    s_.LOC_PHASEWID = Project("PhaseWidthAdd", "", 20);
    s_.LOC_LINESPACING = Project("LineSpacing", "", 20);
    s_.LOC_TEMPLINESPACING = Cut(ReadIni(kDefault, "LineSpacing", "1.5", ProjectIni), 20);
    s_.LOC_NOTESPACING = Project("NoteSpacing", "", 5);
    s_.LOC_TEMPNOTESPACING = Cut(ReadIni(kDefault, "NoteSpacing", "3", ProjectIni), 5);
    s_.LOC_NDWID = Project("NumberToDescriptionWidth", "", 20);
    s_.LOC_DQWID = Project("DescriptionToQuantityWidth", "", 20);
    s_.LOC_QQWID = Project("QuantityToQuantityWidth", "", 20);
    s_.LOC_QUWID = Project("QuantityToUnitsWidth", "", 20);
    s_.LOC_BUBBLELEADERCONNECTOSNAP = Project("BubbleLeaderConnectOsnap", "", 20);
    s_.LOC_SHOWKEYTABLEGRID = Project("ShowKeyTableGrid", "", 5);

    work = Project("ShowKeyTableQuantities", "", 20);
    w[LOC_SHOWKEYTABLEQUANTITIES].Select(Equal(work, "1") ? 1 : 2);
    s_.LOC_SHOWKEYTABLEQUANTITIES = w[LOC_SHOWKEYTABLEQUANTITIES].Selected() == 1 ? "1" : "0";

    work = Project("Style", "Paragraph", 20);
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
    for (const DefaultField& d : kDefaults) {
        std::string& field = s_.*d.field;
        if (Clip(field).empty())
            field = Cut(Default(d.key), d.width);
    }
    SelectListsFromFields();
}

void SettingsTab::RestoreDefaults() {
    for (const DefaultField& d : kDefaults)
        s_.*d.field = Cut(Default(d.key), d.width);
    SelectListsFromFields();
    window_.Display();
}

void SettingsTab::SaveAsDefaults() {
    Window& w = window_;
    w.Update();
    s_.LOC_INSERTTABLEPHASES = DecimalText(w[LOC_INSERTTABLEPHASES].Selected() - 1);
    s_.LOC_DOCURRENTTABONLY = w[LOC_DOCURRENTTABONLY].Selected() == 1 ? "0" : "1";
    s_.LOC_BUBBLEHOOKS = w[LOC_BUBBLEHOOKS].Selected() == 1 ? "Yes" : "No";
    for (const DefaultField& d : kDefaults) {
        std::string value = s_.*d.field;
        if (d.field == &TableSettings::LOC_SHOWKEYTABLEQUANTITIES)
            value = w[LOC_SHOWKEYTABLEQUANTITIES].Selected() == 1 ? "1" : "0";
        WriteIni(kDefault, d.key, value, AppIni);
    }
}

void SettingsTab::WriteProjectSettings() {
    Window& w = window_;
    // The section's keys go into the file together, in one replacement of it.
    std::vector<IniEntry> entries;
    auto write = [&](const char* key, const std::string& value) {
        entries.push_back({kQvr, key, value});
    };
    write("NoteTypes", s_.LOC_NOTETYPES);
    write("DoCurrentTabOnly", w[LOC_DOCURRENTTABONLY].Selected() == 1 ? "0" : "1");
    write("BubbleHooks", w[LOC_BUBBLEHOOKS].Selected() == 1 ? "Yes" : "No");
    const int phases = w[LOC_INSERTTABLEPHASES].Selected();
    write("InsertTablePhases", phases <= 1 ? "No" : DecimalText(phases - 1));
    write("TableWidth", s_.LOC_TBLWID);
    write("PhaseWidthAdd", s_.LOC_PHASEWID);
    write("LineSpacing", s_.LOC_LINESPACING);
    write("NoteSpacing", s_.LOC_NOTESPACING);
    write("NumberToDescriptionWidth", s_.LOC_NDWID);
    write("DescriptionToQuantityWidth", s_.LOC_DQWID);
    write("QuantityToQuantityWidth", s_.LOC_QQWID);
    write("QuantityToUnitsWidth", s_.LOC_QUWID);
    write("ShowKeyTableGrid", s_.LOC_SHOWKEYTABLEGRID);
    write("ShowKeyTableQuantities", w[LOC_SHOWKEYTABLEQUANTITIES].Selected() == 1 ? "1" : "0");
    write("BubbleLeaderConnectOsnap", s_.LOC_BUBBLELEADERCONNECTOSNAP);
    write("Style", s_.LOC_STYLE);
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
