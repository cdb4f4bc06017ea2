// Printing page images on the program's printer: the printer Print Setup chose (Dialogs.h), as
// vectors. When the system has no printer the program's printer is a PDF file: the one chosen in
// Print Setup, else the program's default print file.
#pragma once

#include "platform/report/Report.h"
#include "platform/ui/Dialogs.h"

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

// Prints the pages in order, Letter portrait, as one job. Nothing is printed for no pages.
PrintOutcome PrintPages(const PageList& pages);

} // namespace platform
