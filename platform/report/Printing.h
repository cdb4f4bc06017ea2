// Printing page images on the program's printer: the printer Print Setup chose (Dialogs.h), as
// vectors. When the system has no printer the program's printer is a PDF file: the one chosen in
// Print Setup, else the program's default print file.
#pragma once

#include "platform/report/Report.h"
#include "platform/ui/Dialogs.h"

#include <cstddef>
#include <functional>
#include <string>

namespace platform {

// Whether the program's printer is a file, and its name: the printer's or the file's.
bool PrintsToFile();
std::string PrintTarget();

struct PrintOutcome {
    bool ok = true;
    bool toFile = false;
    std::string target; // the printer or file printed on
    std::string error;  // why it failed
};

// Prints the pages in order, Letter portrait, as one job, drawn on a thread of its own while
// the caller reads the pages. Nothing is printed for no pages. `progress`, when given, is told
// now and again, a few milliseconds apart at most until the job is done, which page (from 1) of
// how many is printing.
PrintOutcome
PrintPages(const PageList& pages,
           const std::function<void(std::size_t page, std::size_t count)>& progress = {});

} // namespace platform
