// The comma export for the drawing side: eleven ";SET" lines of key-table settings, then for each
// bubble shape in its fixed order (CIR to TRI) a heading line, a column line and one line per
// numbered note with its description between double quotes, unescaped. The keynote window
// gathers the rows and settings and tells the user how the export went; this module makes the
// lines and writes the file, beside the export file first, so that a failed export leaves an
// older export file whole.
#pragma once

#include "editor/KeynoteFile.h"
#include "platform/files/FileOutcome.h"

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

// The rows of every shape's grid, by shape number - 1 (Circle first).
using ShapeRows = std::array<std::vector<NoteRow>, 9>;

// The two drop lists of the settings tab as the export writes them: the number of phases is the
// chosen item less one ("0" for "N/A"); current-tab-only is "0" for its first item ("No"), else
// "1".
std::string PhasesSetting(int selectedItem);
std::string CurrentTabOnlySetting(int selectedItem);

// The lines of the export file, without their line ends.
std::vector<std::string> CommaExportLines(const CommaSettings& settings, const ShapeRows& rows);

// The steps of writing the export file, as the outcome names the one that failed.
enum class CommaStep {
    None,
    Create,  // the new file could not be created beside the export file
    Open,    // the new file could not be opened
    Write,   // writing the new file failed
    Replace, // the new file could not be put in the export file's place
};
using CommaOutcome = platform::FileOutcome<CommaStep>;

// Writes the lines to `path`, each with its trailing blanks dropped and CR LF added: into a file
// beside it first, which takes its place when complete. A failure leaves an older export file as
// it was and nothing beside it.
CommaOutcome WriteCommaExport(const std::string& path, const std::vector<std::string>& lines);

} // namespace editor
