// The key-table settings the drawing side lays its key tables out with: one record per keynote
// window, shown and edited on its Config tab. The text height travels in the keynote file, the
// rest in section QVR of the project INI, with program-wide defaults in section QVREditDEFAULT of
// the program INI.
#pragma once

#include <string>

namespace platform {
class Digest;
class Window;
} // namespace platform

namespace editor {

// Every field is text, held cut to its width (trailing blanks never count).
struct TableSettings {
    std::string LOC_TXTHT;                    // 20: "Auto" or a number
    std::string LOC_NDWID;                    // 20
    std::string LOC_DQWID;                    // 20
    std::string LOC_QUWID;                    // 20
    std::string LOC_LINESPACING;              // 20
    std::string LOC_TEMPLINESPACING;          // 20: kept while the style is Grid
    std::string LOC_INSERTTABLEPHASES;        // 20: "0" to "9"
    std::string LOC_DOCURRENTTABONLY;         // 20: "0" or "1"
    std::string LOC_TBLWID;                   // 20
    std::string LOC_PHASEWID;                 // 20
    std::string LOC_QQWID;                    // 20
    std::string LOC_NOTESPACING;              // 5
    std::string LOC_TEMPNOTESPACING;          // 5: kept while the style is Grid
    std::string LOC_NOTETYPES;                // 60
    std::string LOC_SHOWKEYTABLEGRID;         // 5: "1" Grid, "0" Paragraph
    std::string LOC_SHOWKEYTABLEQUANTITIES;   // 5: "1" or "0"
    std::string LOC_BUBBLEHOOKS;              // 5: "Yes" or "No"
    std::string LOC_BUBBLELEADERCONNECTOSNAP; // 20
    std::string LOC_STYLE;                    // 20: "Paragraph" or "Grid"
};

// The settings a closing keynote window leaves for the next one.
struct TableSettingsStashRecord {
    std::string TXTHT, NOTETYPES, DOCURRENTTABONLY, INSERTTABLEPHASES, TBLWID, PHASEWID,
        LINESPACING, NOTESPACING, NDWID, DQWID, QQWID, QUWID, SHOWKEYTABLEGRID,
        SHOWKEYTABLEQUANTITIES, BUBBLEHOOKS;
};
extern TableSettingsStashRecord TableSettingsStash;

void StashSettings(const TableSettings& from, TableSettingsStashRecord& to);
void RestoreSettings(const TableSettingsStashRecord& from, TableSettings& to);

// The routines of the Config tab, on the keynote window's record and controls.
class SettingsTab {
public:
    SettingsTab(platform::Window& window, TableSettings& settings)
        : window_(window), s_(settings) {}

    // Binds the tab's entries and option to the record and gives the drop lists their items
    // (once the window is open).
    void Bind();
    // The program-wide defaults into the default prompts.
    void ShowDefaults();
    // Section QVR of the project INI into the record and the drop lists.
    void ReadProjectSettings();
    // Every empty field gets its program-wide default; the drop lists follow the fields.
    void FillEmptySettings();
    void RestoreDefaults();
    void SaveAsDefaults();
    // The record and the drop lists into section QVR of the project INI.
    void WriteProjectSettings();
    // The style switch when a radio of the style option takes the focus.
    void ParagraphSelected();
    void GridSelected();
    // Every setting's field, the drop lists' items and the style into the digest that tells
    // whether the window holds a change a save would write.
    void AddTo(platform::Digest& digest);

private:
    // What a drop list's chosen item stands for, as section QVR holds it.
    std::string Chosen(int list);
    void SelectListsFromFields();
    void ShowSpacing(bool shown);

    platform::Window& window_;
    TableSettings& s_;
};

} // namespace editor
