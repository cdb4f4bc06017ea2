#include "editor/PrintNotes.h"

#include "editor/Globals.h"
#include "grid/TextLines.h"
#include "platform/files/Path.h"
#include "platform/report/Preview.h"
#include "platform/report/Printing.h"
#include "platform/report/Report.h"
#include "platform/text/Text.h"

#include <algorithm>

namespace editor {

using namespace platform;

namespace {

constexpr std::size_t kDescLineWidth = 999;

// The variables the report's bands print.
struct ReportVariables {
    std::string TABNAME; // up to 127
    std::string TMP_NO;  // up to 5
    std::string TMP_DESC;
    std::string TMP_UNIT; // up to 3
    std::string TMP_TYPE; // up to 5
};

ReportItem Text(int x, int y, int width, int height, std::string text, int size = 0,
                bool bold = false) {
    ReportItem item;
    item.x = x;
    item.y = y;
    item.width = width;
    item.height = height;
    item.text = std::move(text);
    item.fontSize = size;
    item.bold = bold;
    return item;
}

ReportItem Bound(int x, int y, int width, int height, const std::string& value, int size = 0,
                 bool bold = false) {
    ReportItem item = Text(x, y, width, height, std::string(), size, bold);
    item.value = &value;
    return item;
}

ReportItem Line(int x, int y, int width, int height) {
    ReportItem item;
    item.kind = ReportItemKind::Line;
    item.x = x;
    item.y = y;
    item.width = width;
    item.height = height;
    return item;
}

// The report P31$NOTEREPORT, in thousandths of an inch; texts Arial 10 unless they say 8.
ReportDef NoteReport(const ReportVariables& v) {
    ReportDef def;
    def.font = "Arial";
    def.fontSize = 10;
    def.body = {0, 800, 1635, 7000, 8604};

    def.header = {0, 800, 1000, 7000, 635};
    ReportItem grey;
    grey.kind = ReportItemKind::Box;
    grey.x = 1;
    grey.y = 320;
    grey.width = 7000;
    grey.height = 320;
    grey.fill = 0xC0C0C0;
    def.header.items = {
        Text(63, 73, 6833, 219, "Key Notes", 0, true),
        grey,
        Line(1, 320, 7000, 0),
        Line(635, 320, 0, 320),
        Line(5781, 320, 0, 320),
        Line(6365, 320, 0, 320),
        Text(42, 385, 590, 167, "Bubble #"),
        Text(750, 385, 5000, 167, "Description"),
        Text(5885, 385, 470, 167, "Unit"),
        Text(6448, 385, 540, 167, "Type"),
    };

    ReportBand group{GROUPDETAIL, 0, 0, 0, 219};
    ReportItem tab = Bound(73, 31, 6833, 167, v.TABNAME, 0, true);
    tab.picture = 255;
    group.items = {tab, Line(1, 1, 0, 220), Line(7000, 1, 0, 220), Line(0, 219, 7000, 0)};

    ReportBand detail{DETAIL, 0, 0, 0, 198};
    for (int x : {1, 635, 5781, 6365, 7000})
        detail.items.push_back(Line(x, 0, 0, 220));
    detail.items.push_back(Bound(52, 31, 510, 167, v.TMP_NO, 8));
    detail.items.push_back(Bound(698, 31, 5042, 167, v.TMP_DESC, 8));
    detail.items.push_back(Bound(5885, 31, 406, 167, v.TMP_UNIT, 8));
    detail.items.push_back(Bound(6448, 31, 500, 167, v.TMP_TYPE, 8));

    ReportBand rule{LINEDETAIL, 0, 0, 0, 0};
    rule.items = {Line(0, 1, 7000, 0)};
    def.bands = {group, detail, rule};

    def.footer = {0, 800, 10500, 7000, 219};
    ReportItem page = Text(6250, 30, 700, 135, "Page <<<#", 8);
    page.pageNumber = true;
    def.footer.items = {page};
    return def;
}

NoteFields FieldsOf(const NoteRow& row) {
    return {row.mark, row.number, row.description, row.unit, row.type};
}

// Where a band of the report stands: the tab, the row and the line of its note.
struct BandAt {
    std::size_t tab = 0, row = 0, line = 0;
    int band = GROUPDETAIL;
    bool operator==(const BandAt&) const = default;
};

// Prints the report's bands in order from `from` on (from the first when null), each through
// `print` (with where it stands) until `print` returns false: for every tab with rows its group
// band, then every printable (unmarked, numbered) note line by line with its rule. Laying out, only
// the bands count, not what they show: the lines of a note are counted, not cut.
template <bool LayingOut = false, typename PrintBand>
void PrintNotesFrom(const std::vector<ReportTab>& tabs, ReportVariables& v,
                    std::vector<std::string>& lines, const BandAt* from, PrintBand print) {
    bool reached = from == nullptr;
    auto band = [&](const BandAt& at) {
        if (!reached && !(at == *from))
            return true; // before the band to begin with
        reached = true;
        return print(at);
    };
    for (std::size_t t = from ? from->tab : 0; t < tabs.size(); ++t) {
        const ReportTab& tab = tabs[t];
        v.TABNAME = Cut(tab.caption, 127);
        const std::size_t rows = tab.count ? tab.count() : tab.rows.size();
        if (rows == 0)
            continue;
        if (!band({t, 0, 0, GROUPDETAIL}))
            return;
        for (std::size_t r = from && t == from->tab ? from->row : 0; r < rows; ++r) {
            const NoteFields row = tab.count ? tab.note(r) : FieldsOf(tab.rows[r]);
            if (ToLong(row.mark) != 0)
                continue;
            if constexpr (LayingOut) {
                const std::string number = Clip(Cut(row.number, 5));
                if (number.empty() || number == "\r\n" || number == "\r")
                    continue;
                const std::size_t count = grid::CountLines(
                    std::string_view(row.description).substr(0, kDescLineWidth), tab.descWidth);
                for (std::size_t j = 0; j < count; ++j)
                    if (!band({t, r, j, DETAIL}) ||
                        (j + 1 == count && !band({t, r, j, LINEDETAIL})))
                        return;
                continue;
            }
            v.TMP_NO = Cut(row.number, 5);
            v.TMP_DESC = Cut(row.description, kDescLineWidth);
            v.TMP_UNIT = Cut(row.unit, 3);
            v.TMP_TYPE = Cut(row.type, 5);
            const std::string number = Clip(v.TMP_NO);
            if (number.empty() || number == "\r\n" || number == "\r")
                continue;
            SplitDescToLines(v.TMP_DESC, lines, tab.descWidth);
            for (std::size_t j = 0; j < lines.size(); ++j) {
                if (j > 0) {
                    v.TMP_NO.clear();
                    v.TMP_UNIT.clear();
                    v.TMP_TYPE.clear();
                }
                v.TMP_DESC = FitPrintLine(lines[j], tab.descWidth);
                if (!band({t, r, j, DETAIL}))
                    return;
                if (j + 1 == lines.size() && !band({t, r, j, LINEDETAIL}))
                    return;
            }
        }
    }
}

} // namespace

std::string DefaultPdf() {
    std::string name = CsvName;
    if (std::size_t dot = name.rfind('.'); dot != std::string::npos && dot > 0)
        name.resize(dot);
    return JoinPath(ProjectFolder, name + ".pdf");
}

void SplitDescToLines(std::string_view text, std::vector<std::string>& lines, std::int32_t width) {
    grid::SplitLines(text, width, lines);
    for (std::string& line : lines)
        if (line.size() > kDescLineWidth)
            line.resize(kDescLineWidth);
}

std::string FitPrintLine(const std::string& line, std::int32_t width) {
    if (width < 1)
        return line;
    // Left-justifying a line that begins with its own first character changes nothing: only
    // the cut to the width or the blanks that fill it up take effect.
    std::string fitted = line;
    const bool blank = !fitted.empty() && fitted[0] == ' ';
    if (blank)
        fitted[0] = '*';
    fitted = Fixed(LeftJustify(fitted), static_cast<std::size_t>(width));
    if (blank)
        fitted[0] = ' ';
    return fitted;
}

struct NotesReport::Private {
    ReportVariables v;
    std::vector<std::string> lines;
    Report report;
    // Pages made as they are read: the notes and the band that begins each page.
    const std::vector<ReportTab>* tabs = nullptr;
    std::vector<BandAt> pageStarts;
    explicit Private(PageList& pages) : report(NoteReport(v), pages) {}

    void MakePage(int page) {
        if (!tabs || page < 1 || static_cast<std::size_t>(page) > pageStarts.size())
            return;
        report.BeginMadePage(page);
        PrintNotesFrom(*tabs, v, lines, &pageStarts[static_cast<std::size_t>(page) - 1],
                       [this](const BandAt& at) { return report.Print(at.band); });
        report.EndMadePage();
    }
};

NotesReport::NotesReport(PageList& pages) : p_(std::make_unique<Private>(pages)) {}

NotesReport::~NotesReport() = default;

Report& NotesReport::Engine() {
    return p_->report;
}

bool NotesReport::Produce(const std::vector<ReportTab>& tabs, PageMaking making) {
    if (!p_->report.Open())
        return false;
    Report& report = p_->report;
    if (making == PageMaking::AllNow) {
        PrintNotesFrom(tabs, p_->v, p_->lines, nullptr, [&report](const BandAt& at) {
            report.Print(at.band);
            return true;
        });
        report.EndPage();
        return true;
    }
    // Laid out first, for the count of pages and where each begins.
    p_->tabs = &tabs;
    p_->pageStarts.clear();
    report.MakePagesAsRead([this](int page) { p_->MakePage(page); });
    PrintNotesFrom<true>(tabs, p_->v, p_->lines, nullptr, [this, &report](const BandAt& at) {
        const int before = report.PageNumber();
        report.Print(at.band);
        if (report.PageNumber() != before)
            p_->pageStarts.push_back(at);
        return true;
    });
    report.EndLayOut();
    return true;
}

void PrintNotes(const std::vector<ReportTab>& tabs) {
    PageList pages;
    NotesReport notes(pages);
    if (!notes.Produce(tabs))
        return;
    SetDefaultPrintFile(DefaultPdf());
    // The preview; closing the report prints the pages when the preview asked for a print.
    if (PrintPreview(pages, "Preview") == 1)
        notes.Engine().SetFlushPreview(true);
    notes.Engine().Close();
    notes.Engine().Release();
}

} // namespace editor
