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

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

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

// A print job drawn on a thread of its own from the pages handed to it, a few ahead at most;
// painting on a printer from another thread is what Qt's painter allows.
class PrintJob {
public:
    PrintJob(QPrinter& printer, bool toFile)
        : thread_([this, &printer, toFile] { Run(printer, toFile); }) {}
    ~PrintJob() {
        Stop();
        Wait();
    }
    PrintJob(const PrintJob&) = delete;
    PrintJob& operator=(const PrintJob&) = delete;

    bool HasRoom() {
        std::lock_guard guard(lock_);
        return queue_.size() < kAhead && !handedAll_;
    }
    void Hand(PageContents page, bool last) {
        {
            std::lock_guard guard(lock_);
            queue_.push_back(std::move(page));
            handedAll_ = last;
        }
        changed_.notify_all();
    }
    // Ends the job at the page it draws.
    void Stop() {
        {
            std::lock_guard guard(lock_);
            stop_ = true;
        }
        changed_.notify_all();
    }
    void Wait() {
        if (thread_.joinable())
            thread_.join();
    }
    // Waits until the job takes a page or finishes, a few milliseconds at most.
    void AwaitChange() {
        std::unique_lock guard(lock_);
        const std::size_t drawing = drawing_;
        changed_.wait_for(guard, std::chrono::milliseconds(5),
                          [this, drawing] { return drawing_ != drawing || finished_ || stop_; });
    }
    // The page drawn now (from 1; 0 before the first).
    std::size_t Drawing() const { return drawing_.load(); }
    bool Finished() const { return finished_.load(); }
    // After Wait: why the job failed, and the print system's refusal of it.
    const std::string& Error() const { return error_; }
    const std::optional<std::string>& Refusal() const { return refusal_; }

private:
    static constexpr std::size_t kAhead = 4;

    void Run(QPrinter& printer, bool toFile) {
        QPainter painter;
        if (!painter.begin(&printer)) {
            error_ = "The print job could not be started";
            {
                std::lock_guard guard(lock_);
                finished_ = true;
            }
            changed_.notify_all();
            return;
        }
        const QRectF paper = printer.paperRect(QPrinter::DevicePixel);
        for (std::size_t i = 0;; ++i) {
            PageContents page;
            {
                std::unique_lock guard(lock_);
                changed_.wait(guard, [this] { return stop_ || !queue_.empty() || handedAll_; });
                if (stop_ || queue_.empty())
                    break;
                page = std::move(queue_.front());
                queue_.pop_front();
            }
            {
                std::lock_guard guard(lock_);
                drawing_ = i + 1;
            }
            changed_.notify_all();
            if (i > 0 && !printer.newPage()) {
                error_ = "The print job stopped before page " + std::to_string(i + 1);
                break;
            }
            DrawPageContents(page, painter, QRectF(0, 0, paper.width(), paper.height()));
        }
        const bool ended = painter.end();
        if (error_.empty() && (!ended || printer.printerState() == QPrinter::Error))
            error_ = "The print job failed";
        if (error_.empty() && !toFile)
            refusal_ = PrintSystemRefusal();
        {
            std::lock_guard guard(lock_);
            finished_ = true;
        }
        changed_.notify_all();
    }

    std::mutex lock_;
    std::condition_variable changed_;
    std::deque<PageContents> queue_;
    bool handedAll_ = false;
    bool stop_ = false;
    std::atomic<std::size_t> drawing_{0};
    std::atomic<bool> finished_{false};
    std::string error_;
    std::optional<std::string> refusal_;
    std::thread thread_; // last: it starts once the rest is made
};

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
    // The job is drawn on a thread of its own, page after page as they are read here (where
    // the report makes them): the windows go on painting while it prints and while the print
    // system's writer finishes the job.
    PrintJob job(printer, outcome.toFile);
    for (std::size_t next = 0;;) {
        if (progress)
            progress(std::max<std::size_t>(job.Drawing(), 1), pages.size());
        if (job.Finished())
            break;
        if (next < pages.size() && job.HasRoom()) {
            PageContents page;
            if (!ReadPageImage(pages[next], page)) {
                job.Stop();
                job.Wait();
                return fail("Unable to read the page image " + pages[next]);
            }
            job.Hand(std::move(page), ++next == pages.size());
            continue;
        }
        job.AwaitChange();
    }
    job.Wait();
    if (!job.Error().empty())
        return fail(job.Error());
    // Qt hands the finished job to the print system and keeps its answer to itself: a queue
    // that rejects jobs, or a print server that is down, is read from the print system's last
    // answer on the job's thread, which is the answer to this job.
    if (job.Refusal())
        return fail(*job.Refusal());
    return outcome;
}

} // namespace platform
