#include "platform/report/Report.h"

#include "platform/files/FileBundle.h"
#include "platform/files/Path.h"
#include "platform/report/PageImage.h"
#include "platform/report/Printing.h"
#include "platform/runtime/Runtime.h"
#include "platform/text/Text.h"
#include "platform/ui/Frame.h"
#include "platform/ui/Input.h"
#include "platform/ui/KeepPainting.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Qt.h"

#include <QDir>
#include <QPointer>
#include <QWidget>
#include <QWindow>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <system_error>

namespace platform {

struct Report::Private {
    ReportDef def;
    PageList& pages;
    std::string folder;
    bool open = false;
    int pageNumber = 0;  // pages begun so far
    int cursor = 0;      // where the next band goes, on the page
    bool failed = false; // a page image could not be written (reported once)
    bool pageOpen = false;
    // Pages made as they are read: while laying out nothing is drawn; while a page is made again
    // the band that would begin the next one is refused.
    std::function<void(int page)> make;
    bool layingOut = false;
    bool making = false;
    std::string makeError; // why the page made last could not be kept
    PageImage page;
    // The page images, one member each, named as files of the folder.
    FileBundle bundle;
    std::string bundleError; // why the bundle could not be made

    Private(ReportDef d, PageList& p) : def(std::move(d)), pages(p) {}

    const ReportBand* Band(int number) const {
        for (const ReportBand& b : def.bands)
            if (b.number == number)
                return &b;
        return nullptr;
    }

    int BodyBottom() const { return def.body.y + def.body.height; }

    void Place(const ReportBand& band, int x, int y) {
        if (layingOut)
            return;
        for (const ReportItem& item : band.items) {
            const int ix = x + item.x;
            const int iy = y + item.y;
            switch (item.kind) {
            case ReportItemKind::Line:
                page.Line(ix, iy, ix + item.width, iy + item.height);
                break;
            case ReportItemKind::Box:
                page.Box(ix, iy, item.width, item.height, item.fill);
                break;
            case ReportItemKind::Text: {
                std::string_view text = item.value ? *item.value : item.text;
                std::string number;
                if (item.pageNumber) {
                    number = NumberPicture(item.text, pageNumber);
                    text = number;
                }
                if (item.picture > 0)
                    text = text.substr(0, item.picture);
                page.Text(ix, iy, item.width, text, item.font.empty() ? def.font : item.font,
                          item.fontSize > 0 ? item.fontSize : def.fontSize, item.bold);
                break;
            }
            }
        }
    }

    void BeginPage() {
        ++pageNumber;
        pageOpen = true;
        if (!layingOut)
            page.Begin(def.pageWidth, def.pageHeight);
        Place(def.header, def.header.x, def.header.y);
        cursor = def.body.y;
    }

    std::string PageFile(int number) const {
        char name[32];
        std::snprintf(name, sizeof name, "page%05d.svg", number);
        return JoinPath(folder, name);
    }

    void FinishPage() {
        if (!pageOpen)
            return;
        pageOpen = false;
        Place(def.footer, def.footer.x, def.footer.y);
        std::string file = PageFile(pageNumber);
        std::string error = bundleError;
        if (layingOut && bundle.IsOpen()) {
            // Made when it is first read; one that cannot be made then reads as no page.
            bundle.Promise(file);
            pages.push_back(file);
        } else if (making) {
            if (!bundle.IsOpen() || !bundle.Add(file, page.Finish(), error))
                makeError = error;
        } else if (!layingOut && bundle.IsOpen() && bundle.Add(file, page.Finish(), error)) {
            pages.push_back(file);
        } else if (!failed) {
            failed = true;
            Message("Unable to write the report page " + file + "!|Error: " + error, "Report",
                    ICON_Hand, BUTTON_OK);
        }
        page.Clear();
    }

    // "Page <<<#" with the number in place of its run of "<" and "#".
    static std::string NumberPicture(const std::string& picture, int number) {
        std::size_t from = picture.find_first_of("<#");
        if (from == std::string::npos)
            return picture;
        std::size_t to = picture.find_first_not_of("<#", from);
        return picture.substr(0, from) + DecimalText(number) +
               (to == std::string::npos ? std::string() : picture.substr(to));
    }
};

Report::Report(ReportDef def, PageList& pages)
    : p_(std::make_unique<Private>(std::move(def), pages)) {}

Report::~Report() {
    Release();
}

bool Report::Open() {
    if (p_->open)
        return true;
    std::string base = FromQt(QDir::tempPath());
    std::string pattern = OsPath(JoinPath(base, "report-XXXXXX"));
    if (!::mkdtemp(pattern.data())) {
        std::string error = std::strerror(errno);
        Message("Unable to create a folder for the report's pages in " + base + "!|Error: " + error,
                "Report", ICON_Hand, BUTTON_OK);
        return false;
    }
    p_->folder = FromOsPath(pattern).value_or(pattern);
    p_->bundleError.clear();
    if (!p_->bundle.Create(JoinPath(p_->folder, "pages"), p_->bundleError))
        p_->bundle.Remove();
    p_->open = true;
    p_->pageNumber = 0;
    return true;
}

bool Report::IsOpen() const {
    return p_->open;
}

std::string Report::Folder() const {
    return p_->folder;
}

bool Report::Print(int band) {
    const ReportBand* b = p_->Band(band);
    if (!p_->open || !b)
        return true;
    if (!p_->pageOpen)
        p_->BeginPage();
    // A band taller than the whole body goes at the top of a page of its own.
    if (p_->cursor + b->height > p_->BodyBottom() && p_->cursor > p_->def.body.y) {
        if (p_->making)
            return false;
        p_->FinishPage();
        p_->BeginPage();
    }
    p_->Place(*b, p_->def.body.x, p_->cursor);
    p_->cursor += b->height;
    return true;
}

int Report::PageNumber() const {
    return p_->pageNumber;
}

void Report::MakePagesAsRead(std::function<void(int page)> make) {
    p_->make = std::move(make);
    p_->layingOut = true;
    p_->bundle.SetMaker([this](const std::string& file) {
        // The page's number is in its name.
        const std::string name = file.substr(file.rfind('/') + 1);
        const int number = std::atoi(name.c_str() + 4);
        if (p_->make && number >= 1 && file == p_->PageFile(number))
            p_->make(number);
    });
}

void Report::EndLayOut() {
    EndPage();
    if (!p_->layingOut || p_->pages.empty())
        return;
    // The first page is made at once: where the pages cannot be kept, the user hears of it now,
    // as of a report printed at once, and the report has no pages.
    p_->makeError.clear();
    const std::string first = p_->pages.front();
    if (BundledVersion(first))
        return;
    if (!p_->failed) {
        p_->failed = true;
        Message("Unable to write the report page " + first + "!|Error: " + p_->makeError, "Report",
                ICON_Hand, BUTTON_OK);
    }
    for (const std::string& page : p_->pages)
        ForgetBundled(page);
    p_->pages.clear();
}

void Report::BeginMadePage(int page) {
    p_->layingOut = false;
    p_->making = true;
    p_->pageOpen = false;
    p_->pageNumber = page - 1;
}

void Report::EndMadePage() {
    p_->FinishPage();
    p_->page.Clear();
    p_->making = false;
}

void Report::EndPage() {
    if (p_->open)
        p_->FinishPage();
}

namespace {

// While it lives, the frame's window takes no input: the print goes on between its paints, and
// what would be typed or clicked meanwhile is not kept for later.
class HeldFrame {
public:
    explicit HeldFrame(Frame* frame) {
        QWidget* area = frame ? frame->DocumentArea() : nullptr;
        if (area && area->window())
            window_ = area->window()->windowHandle();
        if (window_)
            input::HoldInput(window_);
    }
    ~HeldFrame() {
        if (window_)
            input::ReleaseInput(window_);
    }
    HeldFrame(const HeldFrame&) = delete;
    HeldFrame& operator=(const HeldFrame&) = delete;

private:
    QPointer<QWindow> window_;
};

} // namespace

bool Report::Close() {
    if (!p_->open)
        return true;
    EndPage();
    if (!flush_)
        return true;
    Frame* frame = Frame::Current();
    // What an earlier print reported is no longer true of this one.
    if (frame)
        frame->SetStatusText("");
    if (p_->pages.empty())
        return true;
    // The status bar says which page is printing, and the windows paint at least every 50 ms.
    using Clock = std::chrono::steady_clock;
    Clock::time_point painted = Clock::now();
    bool told = false;
    PrintOutcome outcome;
    {
        HeldFrame held(frame);
        outcome = PrintPages(p_->pages, [&](std::size_t page, std::size_t count) {
            const Clock::time_point now = Clock::now();
            if (told && now - painted < std::chrono::milliseconds(50))
                return;
            told = true;
            if (frame)
                frame->SetStatusText("Printing page " +
                                     DecimalText(static_cast<std::int64_t>(page)) + " of " +
                                     DecimalText(static_cast<std::int64_t>(count)));
            PauseForPaint();
            painted = Clock::now();
        });
    }
    if (frame)
        frame->SetStatusText("");
    if (!outcome.ok) {
        Message("Unable to print to " + outcome.target + "!|Error: " + outcome.error, "Print",
                ICON_Hand, BUTTON_OK);
        return false;
    }
    if (outcome.toFile && frame)
        frame->SetStatusText("Printed to " + outcome.target);
    return true;
}

void Report::Release() {
    p_->bundle.Remove();
    if (!p_->folder.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(OsPath(p_->folder), ignored);
    }
    p_->folder.clear();
    p_->open = false;
    p_->pageNumber = 0;
    p_->pageOpen = false;
    p_->layingOut = false;
    p_->making = false;
    p_->make = nullptr;
    p_->page.Clear();
    p_->pages.clear();
}

} // namespace platform
