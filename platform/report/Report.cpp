#include "platform/report/Report.h"

#include "platform/files/FileBundle.h"
#include "platform/files/Path.h"
#include "platform/report/PageImage.h"
#include "platform/report/Printing.h"
#include "platform/text/Text.h"
#include "platform/ui/Frame.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Qt.h"

#include <QDir>

#include <cerrno>
#include <cstdio>
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
        page.Begin(def.pageWidth, def.pageHeight);
        Place(def.header, def.header.x, def.header.y);
        cursor = def.body.y;
    }

    void FinishPage() {
        if (!page.Begun())
            return;
        Place(def.footer, def.footer.x, def.footer.y);
        char name[32];
        std::snprintf(name, sizeof name, "page%05d.svg", pageNumber);
        std::string file = JoinPath(folder, name);
        std::string error = bundleError;
        if (bundle.IsOpen() && bundle.Add(file, page.Finish(), error)) {
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

void Report::Print(int band) {
    const ReportBand* b = p_->Band(band);
    if (!p_->open || !b)
        return;
    if (!p_->page.Begun())
        p_->BeginPage();
    // A band taller than the whole body goes at the top of a page of its own.
    if (p_->cursor + b->height > p_->BodyBottom() && p_->cursor > p_->def.body.y) {
        p_->FinishPage();
        p_->BeginPage();
    }
    p_->Place(*b, p_->def.body.x, p_->cursor);
    p_->cursor += b->height;
}

void Report::EndPage() {
    if (p_->open)
        p_->FinishPage();
}

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
    PrintOutcome outcome = PrintPages(p_->pages);
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
    p_->page.Clear();
    p_->pages.clear();
}

} // namespace platform
