// The printed keynote report: every tab's notes in tab order, a band with the tab's caption, then
// each printable note with its number, its description cut into lines of the printed width, its
// unit and its type, and a rule under it; shown first in the print preview, printed only when
// the user prints from there. It reads the keynote window's grids and the tab list.
#pragma once

#include "grid/PelkGridClass.h"
#include "platform/report/Report.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace editor {

// The keynote window's grids by shape: entry 0 the Circle's, .. entry 8 the Tri's.
using ShapeGrids = std::array<grid::PelkGridClass*, 9>;

// The bands of the report.
enum : int {
    GROUPDETAIL = 1, // the tab's caption
    DETAIL = 2,      // one line of a note
    LINEDETAIL = 3,  // the rule under a note
};

// The report of every tab's notes, P31$NOTEREPORT, produced into a page list.
class NotesReport {
public:
    explicit NotesReport(platform::PageList& pages);
    ~NotesReport();
    NotesReport(const NotesReport&) = delete;
    NotesReport& operator=(const NotesReport&) = delete;

    // Opens the report, sorts TabQueue by tab position and prints every tab's notes, hidden tabs
    // too; the pages are finished when it returns. `CurGrid` is set to each shape's grid in turn.
    // False when the report cannot be opened (the user was told).
    bool Produce(const ShapeGrids& grids, grid::PelkGridClass*& CurGrid);
    // The report engine behind it, to preview, print and release the pages.
    platform::Report& Engine();

private:
    struct Private;
    std::unique_ptr<Private> p_;
};

// The whole print run, on the keynote window's thread: produces the report, shows the preview,
// and prints the pages it kept when the user prints. `CurGrid` is set to each shape's grid in
// turn and stays on the last printed one's. TabQueue is sorted by tab position on the way.
void PrintNotes(const ShapeGrids& grids, grid::PelkGridClass*& CurGrid);

// Where a print goes when the system has no printer and Print Setup chose no file: beside the
// keynote file, under its name with ".pdf".
std::string DefaultPdf();

// Cuts a text into lines at every CR LF and after every `width` characters (SplitLines'
// rule), each line at most 999 characters.
void SplitDescToLines(std::string_view text, std::vector<std::string>& lines, std::int32_t width);

// The line cut or filled with blanks to the width; its leading blanks stay.
std::string FitPrintLine(const std::string& line, std::int32_t width);

} // namespace editor
