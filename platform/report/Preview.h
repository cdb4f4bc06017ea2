// The print preview, a service for any report: it shows a report's finished pages as a grid of
// thumbnails or one page at a zoom, pages through them, jumps to a page, marks pages, deletes
// pages from the run and lets the user choose what to print. It runs on the caller's thread,
// in a window of its own with its own event loop, and returns only when that window has closed;
// the caller's window handles no events meanwhile (user events that arrive are kept for it).
#pragma once

#include "platform/report/Report.h"

#include <string>

namespace platform {

// Shows the pages. Returns 1 when the pages left in the list are to be printed, 2 when not. Pages
// that the chosen print range leaves out are removed from the list and their files deleted.
int PrintPreview(PageList& pages, const std::string& caption);

// Puts "Page i of n" (centred in its 19 characters) over the first "Page xxxxx of xxxxx" of each
// page image. Files that cannot be opened are left as they are.
void StampPageTotals(const PageList& pages);

// What the open preview shows, for the test driver: its page list (empty when none is open).
PageList PreviewPages();

// Control numbers of the preview's windows.
namespace preview {
enum : int {
    // The preview window.
    PRINTBUTTON = 1,
    EXITBUTTON = 2,
    ZOOMBUTTON = 3,
    JUMP = 4,
    PREVIEWBOTTOM = 5,
    NEXT = 6,
    PREVIOUS = 7,
    PREVIEWTOP = 8,
    PAGESACROSS = 9,
    PAGESDOWN = 10,
    CHANGEDISPLAY = 11,
    PREVIEWDELETE = 12,
    PREVIEWMARK = 13,
    SCRATCHIMAGE = 100,
    PAGEBOX = 101,
    PAGEIMAGE = 102,
    FIRSTCELLBOX = 104, // cell k: box 104 + k framing image 204 + k
    FIRSTCELLIMAGE = 204,
    MAXCELLS = 100,

    // The display dialog.
    INPUT_PAGESACROSS = 1,
    INPUT_PAGESDOWN = 2,
    OK = 3,

    // The jump dialog.
    JUMPPROMPT = 1,
    JUMPPAGE = 2,
    OKBUTTON = 3,
    CANCELBUTTON = 4,

    // The print options.
    OPTIONPRINT = 1,
    OPTIONPRINT_ALL = 2,
    OPTIONPRINT_MARKED = 3,
    OPTIONPRINT_UNMARKED = 4,
    OPTIONPRINT_RANGE = 5,
    PAGEFROM = 6,
    PAGETO = 7,
    PRINTOK = 8,
    PRINTCANCEL = 9,
};
} // namespace preview

} // namespace platform
