#include "platform/report/Printing.h"

#include "platform/report/PageImage.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Qt.h"

#include <QFile>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>

#include <cups/cups.h>
#include <dlfcn.h>
#include <malloc.h>

#include <optional>
#include <string>

namespace platform {

namespace {

// The print system's last answer on this thread, when it refused: read from its client library,
// which Qt's print support loaded to hand the job over. The program does not link that library
// itself, since loading it (with its own dependencies) would only slow every start; where it was
// never loaded, nothing was asked of the print system.
std::optional<std::string> PrintSystemRefusal() {
    void* library = ::dlopen("libcups.so.2", RTLD_LAZY | RTLD_NOLOAD);
    if (!library)
        return std::nullopt;
    std::optional<std::string> refusal;
    auto lastError = reinterpret_cast<decltype(&cupsLastError)>(::dlsym(library, "cupsLastError"));
    auto lastErrorString =
        reinterpret_cast<decltype(&cupsLastErrorString)>(::dlsym(library, "cupsLastErrorString"));
    if (lastError && lastErrorString && lastError() > IPP_STATUS_OK_EVENTS_COMPLETE) {
        const char* text = lastErrorString();
        refusal = text ? text : "";
    }
    ::dlclose(library);
    return refusal;
}

} // namespace

bool PrintsToFile() {
    return ProgramPrinter().outputFormat() == QPrinter::PdfFormat;
}

std::string PrintTarget() {
    QPrinter& printer = ProgramPrinter();
    if (!PrintsToFile())
        return FromQt(printer.printerName());
    return printer.outputFileName().isEmpty() ? DefaultPrintFile()
                                              : FromQt(printer.outputFileName());
}

PrintOutcome PrintPages(const PageList& pages,
                        const std::function<void(std::size_t page, std::size_t count)>& progress) {
    PrintOutcome outcome;
    outcome.toFile = PrintsToFile();
    outcome.target = PrintTarget();
    if (pages.empty())
        return outcome;
    auto fail = [&](const std::string& error) {
        outcome.ok = false;
        outcome.error = error;
        return outcome;
    };
    if (outcome.target.empty())
        return fail(outcome.toFile ? "No file to print to" : "No printer");

    QPrinter& printer = ProgramPrinter();
    // The report's own paper for this job; the user's choices come back afterwards.
    const QPageLayout chosen = printer.pageLayout();
    const bool fullPage = printer.fullPage();
    const QString chosenFile = printer.outputFileName();
    struct Restore {
        QPrinter& printer;
        QPageLayout layout;
        bool fullPage;
        QString file;
        ~Restore() {
            printer.setFullPage(fullPage);
            printer.setPageLayout(layout);
            if (printer.outputFormat() == QPrinter::PdfFormat)
                printer.setOutputFileName(file);
        }
    } restore{printer, chosen, fullPage, chosenFile};

    if (outcome.toFile) {
        QFile probe(ToQt(outcome.target));
        if (!probe.open(QIODevice::WriteOnly))
            return fail(FromQt(probe.errorString()));
        probe.close();
        printer.setOutputFileName(ToQt(outcome.target));
    }
    printer.setPageLayout(QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Portrait,
                                      QMarginsF(0, 0, 0, 0), QPageLayout::Inch));
    printer.setFullPage(true);
    printer.setDocName(QStringLiteral("Report"));

    // The print system's writer takes and gives back large buffers for every page: kept by the
    // allocator for the job instead of handed back to the system each time (which costs more
    // than the page), and given back once the job is done.
    struct KeepFreedMemory {
        KeepFreedMemory() {
            ::mallopt(M_TRIM_THRESHOLD, 256 * 1024 * 1024);
            ::mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
        }
        ~KeepFreedMemory() {
            ::mallopt(M_TRIM_THRESHOLD, 128 * 1024);
            ::mallopt(M_MMAP_THRESHOLD, 128 * 1024);
            ::malloc_trim(0);
        }
        KeepFreedMemory(const KeepFreedMemory&) = delete;
        KeepFreedMemory& operator=(const KeepFreedMemory&) = delete;
    } keep;
    QPainter painter;
    if (!painter.begin(&printer))
        return fail("The print job could not be started");
    const QRectF paper = printer.paperRect(QPrinter::DevicePixel);
    for (std::size_t i = 0; i < pages.size(); ++i) {
        if (progress)
            progress(i + 1, pages.size());
        if (i > 0 && !printer.newPage()) {
            painter.end();
            return fail("The print job stopped before page " + std::to_string(i + 1));
        }
        if (!DrawPageImage(pages[i], painter, QRectF(0, 0, paper.width(), paper.height()))) {
            painter.end();
            return fail("Unable to read the page image " + pages[i]);
        }
    }
    if (!painter.end() || printer.printerState() == QPrinter::Error)
        return fail("The print job failed");
    // Qt hands the finished job to the print system and keeps its answer to itself: a queue
    // that rejects jobs, or a print server that is down, is read from the print system's last
    // answer, which is the answer to this job.
    if (!outcome.toFile)
        if (std::optional<std::string> refusal = PrintSystemRefusal())
            return fail(*refusal);
    return outcome;
}

} // namespace platform
