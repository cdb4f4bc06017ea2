// What a PDF file holds, read with poppler's command-line tools (Debian poppler-utils): its page
// count and its text, page by page (pages end with a form feed); and the guard that has a test
// print as a program that has just started does.
#pragma once

#include "platform/report/Printing.h"
#include "platform/ui/Dialogs.h"

#include <QPrinter>
#include <QString>

#include <cstdio>
#include <string>

namespace platform::testing {

// What a command prints on its standard output.
inline std::string CommandOutput(const std::string& command) {
    std::string out;
    if (FILE* p = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        while (std::size_t n = std::fread(buffer, 1, sizeof buffer, p))
            out.append(buffer, n);
        ::pclose(p);
    }
    return out;
}

// The number of pages, -1 when the file is no PDF.
inline int PdfPages(const std::string& file) {
    std::string info = CommandOutput("pdfinfo '" + file + "' 2>/dev/null");
    std::size_t at = info.find("Pages:");
    return at == std::string::npos ? -1 : std::stoi(info.substr(at + 6));
}

// The text, laid out as on the page.
inline std::string PdfText(const std::string& file) {
    return CommandOutput("pdftotext -layout '" + file + "' - 2>/dev/null");
}

// While it lives, the program's printer has no file chosen in Print Setup and a print that goes
// to a file without one goes to `defaultFile` (none when empty); at its end neither is left.
class PrintGuard {
public:
    explicit PrintGuard(const std::string& defaultFile = std::string()) {
        ProgramPrinter().setOutputFileName(QString());
        SetDefaultPrintFile(defaultFile);
    }
    ~PrintGuard() {
        ProgramPrinter().setOutputFileName(QString());
        SetDefaultPrintFile(std::string());
    }
    PrintGuard(const PrintGuard&) = delete;
    PrintGuard& operator=(const PrintGuard&) = delete;
};

} // namespace platform::testing
