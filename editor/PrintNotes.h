// The printed keynote report: every tab's notes in tab order, a band with the tab's caption, then
// each printable note with its number, its description cut into lines of the printed width, its
// unit and its type, and a rule under it; shown first in the print preview, printed only when
// the user prints from there. The keynote window hands it the tabs' notes in tab order.
#pragma once

#include "editor/KeynoteFile.h"
#include "platform/report/Report.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace editor {

// A note's fields as the report reads them, where the note is kept.
struct NoteFields {
    std::string_view mark, number, description, unit, type;
};

// One tab of the report: its caption, the width its descriptions print at (its grid's) and its
// rows in grid order: those of `rows`, or, where `count` is set, the rows read where they are
// kept (their number, and the fields of one), which must stay as they are until the report is
// released.
struct ReportTab {
    std::string caption;
    std::int32_t descWidth = 0;
    std::vector<NoteRow> rows;
    std::function<std::size_t()> count;
    std::function<NoteFields(std::size_t row)> note;
};

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

    // Opens the report and prints the notes of every tab given, in that order. False when the
    // report cannot be opened (the user was told). The page list is whole when it returns; each
    // page image is made when it is first read (the tabs must stay as they are until the report
    // is released), or all of them at once.
    enum class PageMaking { AsRead, AllNow };
    bool Produce(const std::vector<ReportTab>& tabs, PageMaking making = PageMaking::AsRead);
    // The report engine behind it, to preview, print and release the pages.
    platform::Report& Engine();

private:
    struct Private;
    std::unique_ptr<Private> p_;
};

// The whole print run, on the keynote window's thread: produces the report, shows the preview,
// and prints the pages it kept when the user prints.
void PrintNotes(const std::vector<ReportTab>& tabs);

// Where a print goes when the system has no printer and Print Setup chose no file: beside the
// keynote file, under its name with ".pdf".
std::string DefaultPdf();

// Cuts a text into lines at every CR LF and after every `width` characters (SplitLines'
// rule), each line at most 999 characters.
void SplitDescToLines(std::string_view text, std::vector<std::string>& lines, std::int32_t width);

// The line cut or filled with blanks to the width; its leading blanks stay.
std::string FitPrintLine(const std::string& line, std::int32_t width);

} // namespace editor
