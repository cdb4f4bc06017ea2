// The comma export for the drawing side: eleven ";SET" lines of key-table settings, then for each
// bubble shape in its fixed order (CIR to TRI) a heading line, a column line and one line per
// numbered note with its description between double quotes, unescaped. The keynote window
// gathers the rows and settings; this module makes the lines and writes the file, beside the
// export file first, so that a failed export leaves an older export file whole.
#pragma once

#include "platform/files/LineFile.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace editor {

// The exported key-table settings, as the settings tab's fields hold them.
struct CommaSettings {
    std::string LOC_TXTHT;
    std::string LOC_NDWID;
    std::string LOC_DQWID;
    std::string LOC_QUWID;
    std::string LOC_LINESPACING;
    std::string LOC_INSERTTABLEPHASES;
    std::string LOC_DOCURRENTTABONLY;
    std::string LOC_TBLWID;
    std::string LOC_PHASEWID;
    std::string LOC_QQWID;
    std::string LOC_BUBBLELEADERCONNECTOSNAP;
};

// One row of a shape's grid.
struct CommaRow {
    bool marked = false;
    std::string number;
    std::string description; // lines separated by CR LF
    std::string unit;
    std::string type;
};

// The rows of every shape's grid, by shape number - 1 (Circle first).
using ShapeRows = std::array<std::vector<CommaRow>, 9>;

// The two drop lists of the settings tab as the export writes them: the number of phases is the
// chosen item less one ("0" for "N/A"); current-tab-only is "0" for its first item ("No"), else
// "1".
std::string PhasesSetting(int selectedItem);
std::string CurrentTabOnlySetting(int selectedItem);

// The lines of the export file, without their line ends.
std::vector<std::string> CommaExportLines(const CommaSettings& settings, const ShapeRows& rows);

// The export file being written: a file beside it that takes its place when it is complete.
class CommaExportFile {
public:
    CommaExportFile();
    // Removes a file that was begun and not finished.
    ~CommaExportFile();
    CommaExportFile(const CommaExportFile&) = delete;
    CommaExportFile& operator=(const CommaExportFile&) = delete;

    // Creates and opens the file; on failure says so ("Unable to create ..." or "Unable to
    // open ...") and returns false.
    bool Open(const std::string& path);
    // Adds a line; its trailing blanks are dropped and CR LF is added.
    void Add(std::string_view line);
    // Puts the complete file in place of the export file. When it could not be written whole or
    // put in place, says so ("Unable to create ..."), leaves the export file as it was and
    // returns false.
    bool Finish();

private:
    std::string path_;
    std::string writing_; // the file beside it
    platform::LineFile file_;
    bool written_ = true;
};

} // namespace editor
