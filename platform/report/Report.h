// The report engine: a report lays its bands out on pages, in thousandths of an inch, as its
// definition gives them (a body the bands flow in, a page header and footer on every page), and
// writes every finished page as an SVG page image into a folder of its own: each page is named as
// a file of that folder (page00001.svg, ...) and kept as a member of one file there (FileBundle.h),
// since making a file for each of thousands of pages costs more than the report itself. The page
// list names the finished pages in order; the print preview shows them and may remove entries,
// and closing the report can send the pages still named there to the program's printer
// (Printing.h).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// The page images of a report, one file name a page, in page order.
using PageList = std::vector<std::string>;

enum class ReportItemKind {
    Text, // a text, cut to what fits its width
    Line, // a line from x, y over width and height (one of them 0)
    Box,  // a rectangle with a fill
};

// What a band shows. Positions are thousandths of an inch within the band.
struct ReportItem {
    ReportItemKind kind = ReportItemKind::Text;
    int x = 0, y = 0, width = 0, height = 0;
    std::string text;                   // texts: what they show when no variable is bound
    const std::string* value = nullptr; // texts: the variable shown, read when the band prints
    std::size_t picture = 0;            // texts: shows at most this many characters (0 all)
    // Texts: `text` is a number picture ("Page <<<#": the page number, no leading zeros, in
    // place of its run of "<" and "#").
    bool pageNumber = false;
    std::string font; // empty: the report's font
    int fontSize = 0; // points; 0: the report's size
    bool bold = false;
    std::int32_t fill = -1; // boxes: 0x00BBGGRR, -1 none
};

struct ReportBand {
    int number = 0; // the band's number, by which the program prints it; 0 header and footer
    // The page header, the footer and the body: their place on the page. Bands of the body take
    // its x and width and have only a height.
    int x = 0, y = 0, width = 0, height = 0;
    std::vector<ReportItem> items;
};

struct ReportDef {
    int pageWidth = 8500; // Letter portrait
    int pageHeight = 11000;
    std::string font = "Arial";
    int fontSize = 10;
    ReportBand body; // where the bands flow; its items are not used
    ReportBand header;
    ReportBand footer;
    std::vector<ReportBand> bands;
};

class Report {
public:
    // The report fills `pages` as it finishes pages; the list must outlive the report.
    Report(ReportDef def, PageList& pages);
    // Releases the report.
    ~Report();
    Report(const Report&) = delete;
    Report& operator=(const Report&) = delete;

    // Makes the folder of the page images. False, after a message naming it, when it cannot.
    bool Open();
    bool IsOpen() const;

    // Prints a band of the body under the last one; a band that does not fit there starts a new
    // page (page header first). A number that is no band prints nothing. False only while a page
    // is made again (MakePage): the band belongs to the next page and is not printed.
    bool Print(int band);
    // Finishes the page printed so far (its footer, its image, its entry in the page list). A
    // report with no band printed since the last page has no page to finish.
    void EndPage();
    // The pages begun so far.
    int PageNumber() const;

    // Pages made when they are first read, not as they are printed: from this call on, the bands
    // printed are laid out and the pages counted and named in the page list, but no page image
    // is drawn. The first reader of a page's image (FileBundle.h) has it made: `make` is called
    // with the page's number and prints that page's bands again, in the order they were printed,
    // from the band that began the page, between BeginMadePage and EndMadePage, until Print
    // refuses a band. A page so made has the bytes it would have had when printed at once.
    void MakePagesAsRead(std::function<void(int page)> make);
    // Ends the laying out: finishes the last page and makes the first at once, so that a report
    // whose pages cannot be kept says so now (and has no pages), as one printed at once does.
    void EndLayOut();
    void BeginMadePage(int page);
    void EndMadePage();

    // When set, closing the report prints the pages of the page list.
    void SetFlushPreview(bool on) { flush_ = on; }
    // Finishes the last page and, when the flush-preview switch is set, prints the pages the list
    // still names; a failure is reported to the user. False when printing failed.
    bool Close();
    // Removes the folder and every page image of the report, also those the list no longer names,
    // and empties the list.
    void Release();

    // The folder of the page images; empty before Open.
    std::string Folder() const;

private:
    struct Private;
    std::unique_ptr<Private> p_;
    bool flush_ = false;
};

} // namespace platform
