#include "platform/report/Preview.h"

#include "platform/files/FileBundle.h"
#include "platform/files/Files.h"
#include "platform/files/RecordFile.h"
#include "platform/runtime/Runtime.h"
#include "platform/text/Text.h"
#include "platform/ui/Accessible.h"
#include "platform/ui/Cursor.h"
#include "platform/ui/ImageBox.h"
#include "platform/ui/Keys.h"
#include "platform/ui/Popup.h"
#include "platform/ui/StatusBar.h"
#include "platform/ui/Window.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <optional>
#include <vector>

namespace platform {

using namespace preview;

namespace {

// The pages to be drawn ahead change with every turn: a chain of drawings for pages no longer
// next stops at its next step.
unsigned aheadTurn = 0;

// Draws the pages one at a time while nothing else is to be done, so that input is not held up;
// the chain ends with the window it was started for.
void DrawAhead(QPointer<QWidget> window, std::shared_ptr<const std::vector<std::string>> files,
               std::size_t next, QSize size, qreal ratio, unsigned turn) {
    if (!window || turn != aheadTurn || next >= files->size())
        return;
    ImageBox::DrawAhead((*files)[next], size, ratio);
    QTimer::singleShot(0, window.data(),
                       [=] { DrawAhead(window, files, next + 1, size, ratio, turn); });
}

constexpr std::string_view kPlaceholder = "Page xxxxx of xxxxx";
// The strip of buttons along the top of the window, in dialog units: the pages are laid out in
// the window below it.
constexpr int kStrip = 18;

enum class Zoom { None, PageWidth, Z50, Z75, Z100, Z200, Z300 };
constexpr std::array<Zoom, 7> kZoomItems = {Zoom::None, Zoom::PageWidth, Zoom::Z50, Zoom::Z75,
                                            Zoom::Z100, Zoom::Z200,      Zoom::Z300};

// Status-bar zones the preview writes.
enum : int { ZONE_Zoom = 2, ZONE_Mark = 4, ZONE_Page = 5 };

ControlDef IconButton(int number, int x, const char* icon, const char* tip,
                      unsigned attributes = 0) {
    ControlDef c{ControlKind::Button, number, "", x, 2, 14, 14, 0, attributes};
    c.icon = icon;
    c.tip = tip;
    return c;
}

ControlDef SpinDef(int number, int x, int y, int width, int height, double high,
                   const char* tip = "") {
    ControlDef c{ControlKind::Spin, number, "", x, y, width, height};
    c.low = 1;
    c.high = high;
    c.step = 1;
    c.tip = tip;
    return c;
}

WindowDef PreviewDef() {
    WindowDef def;
    def.caption = "Report Preview";
    def.fontName = "MS Sans Serif";
    def.fontSize = 8;
    def.width = 414;
    def.height = 211;
    def.attributes = WIN_Resizable;
    def.statusZones = {-1, 50, 50, 50, 150};
    def.controls = {
        IconButton(PRINTBUTTON, 2, "~Print.ico", "Print The Report"),
        IconButton(EXITBUTTON, 18, "~Exit.ico", "Exit Without Printing Report", ATTR_Cancel),
        IconButton(PREVIEWTOP, 50, "~First.ico", "Go To First Page"),
        IconButton(PREVIOUS, 66, "~Previous.ico", "Previous Page"),
        IconButton(NEXT, 82, "~Next.ico", "Next Page"),
        IconButton(PREVIEWBOTTOM, 98, "~Last.ico", "Go To Last Page"),
        IconButton(JUMP, 114, "~Jump.ico", "Jump To Page ??"),
        IconButton(PREVIEWMARK, 130, "~Unmark.ico", "Mark Page For Printing"),
        IconButton(PREVIEWDELETE, 146, "~Delete.ico", "Delete Page"),
        IconButton(ZOOMBUTTON, 163, "~Zoom.ico", "Zoom in on a page"),
        // The button has no text of its own; it is named after the dialog it opens.
        IconButton(CHANGEDISPLAY, 180, "~Display.ico", "Change the Report Display"),
        {ControlKind::Prompt, 0, "&Across:", 224, 4, 30, 8},
        // Wide enough beside their arrows to show every value of their range whole.
        SpinDef(PAGESACROSS, 255, 3, 25, 10, 10, "Select the number of thumbnails in a row"),
        {ControlKind::Prompt, 0, "&Down:", 281, 4, 24, 8},
        SpinDef(PAGESDOWN, 306, 3, 25, 10, 10, "Select the number of thumbnails in a column"),
    };
    return def;
}

WindowDef DisplayDef() {
    WindowDef def;
    def.caption = "Change the Report Display";
    def.width = 122;
    def.height = 64;
    def.attributes = WIN_Center;
    def.controls = {
        {ControlKind::Group, 0, "Pages Displayed", 4, 3, 114, 36},
        {ControlKind::Prompt, 0, "Across", 10, 18, 24, 10},
        SpinDef(INPUT_PAGESACROSS, 34, 17, 24, 12, 10),
        {ControlKind::Prompt, 0, "Down", 64, 18, 22, 10},
        SpinDef(INPUT_PAGESDOWN, 86, 17, 24, 12, 10),
        {ControlKind::Button, OK, "OK", 38, 45, 45, 14, 0, ATTR_Default},
    };
    return def;
}

WindowDef JumpDef() {
    WindowDef def;
    def.caption = "Jump to a Report Page";
    def.width = 142;
    def.height = 46;
    def.attributes = WIN_Center;
    ControlDef ok{ControlKind::Button, OKBUTTON, "OK", 86, 6, 50, 14, 0, ATTR_Default};
    ok.tip = "Jump to the selected page";
    ControlDef cancel{ControlKind::Button, CANCELBUTTON, "Cancel", 86, 25, 50, 14, 0, ATTR_Cancel};
    cancel.tip = "Cancel this selection";
    def.controls = {
        {ControlKind::Prompt, JUMPPROMPT, "&Page:", 8, 10, 24, 10},
        SpinDef(JUMPPAGE, 34, 9, 44, 12, 99999, "Select a page of the report"),
        ok,
        cancel,
    };
    return def;
}

WindowDef PrintDef() {
    WindowDef def;
    def.caption = "Print Options";
    def.fontName = "MS Sans Serif";
    def.width = 149;
    def.height = 101;
    def.attributes = WIN_Center;
    auto radio = [](int number, const char* text, const char* value, int y, const char* tip,
                    unsigned attributes = 0) {
        ControlDef c{ControlKind::Radio, number, text, 12, y, 120, 10, OPTIONPRINT, attributes};
        c.value = value;
        c.tip = tip;
        return c;
    };
    def.controls = {
        {ControlKind::Option, OPTIONPRINT, "Print Ranges", 4, 3, 141, 62},
        radio(OPTIONPRINT_ALL, "All Pages", "1", 14, "Print All Pages"),
        radio(OPTIONPRINT_MARKED, "Marked Pages Only", "2", 26, "Print Marked Pages Only",
              ATTR_Disabled),
        radio(OPTIONPRINT_UNMARKED, "Unmarked Pages Only", "3", 38, "Print Unmarked Pages Only",
              ATTR_Disabled),
        radio(OPTIONPRINT_RANGE, "Range of Pages", "4", 50, "Print A Range Of Pages"),
        {ControlKind::Prompt, 0, "From:", 8, 70, 22, 10},
        SpinDef(PAGEFROM, 30, 69, 36, 12, 999, "Select Starting Page"),
        {ControlKind::Prompt, 0, "To:", 76, 70, 14, 10},
        SpinDef(PAGETO, 92, 69, 36, 12, 999, "Select Ending Page"),
        {ControlKind::Button, PRINTOK, "OK", 44, 84, 48, 14, 0, ATTR_Default},
        {ControlKind::Button, PRINTCANCEL, "Cancel", 97, 84, 48, 14, 0, ATTR_Cancel},
    };
    return def;
}

// "Page 3 of 12" centred in the placeholder's 19 characters (cut to them when longer).
std::string PageTotal(std::size_t page, std::size_t count) {
    std::string text = "Page " + DecimalText(static_cast<std::int64_t>(page)) + " of " +
                       DecimalText(static_cast<std::int64_t>(count));
    if (text.size() >= kPlaceholder.size())
        return text.substr(0, kPlaceholder.size());
    std::size_t left = (kPlaceholder.size() - text.size()) / 2;
    std::string out(left, ' ');
    out += text;
    out.resize(kPlaceholder.size(), ' ');
    return out;
}

// A value typed outside a spin box's range is pulled to the nearest end of it.
void PullIntoRange(Window& window, int control) {
    Control* c = window.Find(control);
    if (!c || c->Kind() != ControlKind::Spin)
        return;
    const ControlDef& def = c->Definition();
    double value = c->RejectCode() == REJECT_RangeHigh ? def.high : def.low;
    c->SetValue(DecimalText(static_cast<std::int64_t>(value)));
    window.Update(control);
}

class PreviewRun;
PreviewRun*& Running() {
    static PreviewRun* running = nullptr;
    return running;
}

class PreviewRun {
public:
    PreviewRun(PageList& pages, std::string caption)
        : pages_(pages), caption_(std::move(caption)) {}

    int Run();
    const PageList& Pages() const { return pages_; }

private:
    // Takes the next event meant for `w`. Events of the thread's other windows are skipped;
    // user events and the close-down are kept for the caller's window, which gets them when the
    // preview is over (a close-down also ends the preview). False when `w` is to close.
    bool Next(Window& w);
    void ClosePreview() { window_.Close(); }

    void ShowDisplayDialog();
    std::int32_t ShowJumpDialog(std::int32_t current, std::int32_t count);
    void DeletePage();
    void PreviewToggleMark();
    void PageBack();
    void PageForward();
    void PreviewDropUnprinted();
    void PreviewPrintOptions();
    void ClearZoom() { zoom_ = Zoom::None; }
    void PreviewSetZoom();
    void ShowSinglePage();
    void BuildSinglePage();
    void ShowMarkText();
    void FillThumbnails();
    void LayoutThumbnails();
    void BuildThumbnails();
    void DestroyThumbnails();
    void DestroySinglePage();
    void RefreshPreview();
    void ShowNoPages();
    void ZoomMenu();
    void FitToScreen();
    void SetButtonsForPage(bool lastShown);
    void ShowPageText(const std::string& text);
    // Handles an event of the preview window; false when the window is to close.
    bool OnEvent();

    PageList& pages_;
    std::string caption_;
    std::vector<std::uint8_t> MarkList;
    std::int32_t PageCount = 0;
    std::int32_t CurrentPage = 1;
    std::int32_t MarkedCount = 0;
    std::int32_t PagesAcross = 1;
    std::int32_t PagesDown = 1;
    std::int32_t ThumbCount = 0;
    std::int32_t LastAcross = 0;
    std::int32_t LastDown = 0;
    Zoom zoom_ = Zoom::None;
    double ZoomFactor = 1;
    double PageAspect = 11.0 / 8.5;
    std::int32_t NaturalWidth = 0;
    std::int32_t NaturalHeight = 0;
    std::uint8_t SinglePageBuilt = 0;
    std::uint8_t PrintFlag = 0;
    std::uint8_t PrintChoice = 1;
    std::int32_t PageFrom = 1;
    std::int32_t PageTo = 1;
    std::int32_t markRead_ = 0;              // the page whose mark entry was read last
    int drawnWidth_ = -1, drawnHeight_ = -1; // the single page's drawn size
    std::string pageText_;                   // the pages shown, as last told
    std::vector<Event> held_;
    bool closingDown_ = false;
    Window window_{PreviewDef()};
};

bool PreviewRun::Next(Window& w) {
    for (;;) {
        if (!w.IsOpen() || closingDown_)
            return false;
        Event e = Accept();
        if (!w.IsOpen())
            return false;
        // What the thread's other windows and the program are told meanwhile waits for them.
        if ((e.window && e.window != &w) || (!e.window && e.code >= EVENT_User)) {
            held_.push_back(e);
            continue;
        }
        if (e.code == EVENT_CloseDown) {
            held_.push_back(e);
            closingDown_ = true;
            return false;
        }
        return true;
    }
}

int PreviewRun::Run() {
    // No page marked, nothing printed yet.
    MarkList.assign(pages_.size(), 0);
    PrintFlag = 0;
    // The window under the wait cursor: its caption, the grey page area, the buttons' status
    // messages, the page keys and the page counts' entries.
    SetCursor(CURSOR_Wait);
    window_.Open();
    if (!Clip(caption_).empty())
        window_.SetCaption(caption_);
    window_.SetMinimumSize(315, 0);
    if (QWidget* client = window_.ClientWidget()) {
        QPalette palette = client->palette();
        palette.setColor(QPalette::Window, QColor(128, 128, 128));
        client->setPalette(palette);
        client->setAutoFillBackground(true);
    }
    SetStatusMessage(window_[PRINTBUTTON], "Print The Report");
    SetStatusMessage(window_[EXITBUTTON], "Exit Without Printing Report");
    SetStatusMessage(window_[ZOOMBUTTON], "Zoom in on a page ");
    SetStatusMessage(window_[JUMP], "Jump To Page ??");
    SetStatusMessage(window_[PREVIEWBOTTOM], "Go To Last Page");
    SetStatusMessage(window_[NEXT], "Next Page");
    SetStatusMessage(window_[PREVIOUS], "Previous Page");
    SetStatusMessage(window_[PREVIEWTOP], "Go To First Page");
    SetStatusMessage(window_[PREVIEWDELETE], "Delete Page");
    SetStatusMessage(window_[PREVIEWMARK], "Mark / Unmark Page For Printing");
    for (int key : {KEY_PgUp, KEY_PgDn, KEY_Up, KEY_Down, KEY_Left, KEY_Right})
        window_.AddAlert(key);
    window_[PAGESACROSS].Bind(PagesAcross);
    window_[PAGESDOWN].Bind(PagesDown);
    // The natural page size, from the first page.
    if (!pages_.empty()) {
        ControlDef scratch{ControlKind::Image, SCRATCHIMAGE, pages_.front(), 0, 0, 10, 10};
        ImageBox* image = ImageBox::Of(window_.Create(scratch));
        if (image && image->Loaded()) {
            NaturalWidth = image->NaturalWidth();
            NaturalHeight = image->NaturalHeight();
            if (NaturalWidth > 0)
                PageAspect = static_cast<double>(NaturalHeight) / NaturalWidth;
        }
        window_.Destroy(SCRATCHIMAGE);
    }
    FitToScreen();
    // The first page, alone.
    PageCount = static_cast<std::int32_t>(pages_.size());
    CurrentPage = 1;
    PagesAcross = 1;
    PagesDown = 1;
    LastAcross = LastDown = ThumbCount = 0;
    SinglePageBuilt = 0;
    zoom_ = Zoom::None;
    // Each page says how many pages there are, now that it is known.
    StampPageTotals(pages_);
    // The pages shown; the window's events until it closes.
    SetCursor("");
    window_.Display();
    RefreshPreview();
    while (Next(window_))
        if (!OnEvent())
            break;
    ClosePreview();
    // Before anything that came after them, in the order they came, to the windows they were for.
    for (auto e = held_.rbegin(); e != held_.rend(); ++e)
        PostInput(ThisThread(), *e, true);
    return PrintFlag ? 1 : 2;
}

// Opens the window at a size that shows a whole page, in the middle of the screen.
void PreviewRun::FitToScreen() {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect free = screen->availableGeometry();
    UnitScope pixels(window_, true);
    const int strip = window_.ToPixelsY(kStrip + 2);
    // Room for the status bar and the window's frame.
    int height = free.height() * 85 / 100 - 60;
    // The page's height over its width in pixels (PageAspect is in dialog units).
    const double aspectPixels = NaturalWidth > 0
                                    ? PageAspect * window_.ToPixelsY(1000) / window_.ToPixelsX(1000)
                                    : PageAspect;
    int width = static_cast<int>((height - strip) / aspectPixels) + window_.ToPixelsX(4);
    width = std::clamp(width, window_.ToPixelsX(414), std::max(free.width() - 40, 1));
    height = std::max(height, window_.ToPixelsY(211));
    window_.SetPosition(free.x() + (free.width() - width) / 2,
                        free.y() + std::max(0, (free.height() - height - 60) / 2), width, height);
}

bool PreviewRun::OnEvent() {
    const int event = CurrentEvent();
    const int control = EventControl();
    if (event == EVENT_CloseWindow)
        return false;
    if (PageCount == 0) {
        // Nothing to show: only Exit and the close box do anything.
        if (event == EVENT_Accepted && control == EXITBUTTON)
            return false;
        return true;
    }
    switch (event) {
    case EVENT_Sized:
        if (control == 0)
            RefreshPreview();
        break;
    case EVENT_NewSelection:
        if (control == PAGESACROSS || control == PAGESDOWN) {
            ClearZoom();
            RefreshPreview();
        }
        break;
    case EVENT_Rejected:
        PullIntoRange(window_, control);
        RefreshPreview();
        break;
    case EVENT_AlertKey: {
        const int key = KeyCode();
        if (control == 0) {
            ImageBox* page = SinglePageBuilt ? ImageBox::Of(window_[PAGEIMAGE]) : nullptr;
            if (key == KEY_PgUp)
                Post(EVENT_Accepted, PREVIOUS);
            else if (key == KEY_PgDn)
                Post(EVENT_Accepted, NEXT);
            else if (page && key == KEY_Down)
                page->SetVScroll(page->VScroll() + 51);
            else if (page && key == KEY_Up)
                page->SetVScroll(page->VScroll() - 51);
            else if (page && key == KEY_Right)
                page->SetHScroll(page->HScroll() + 52);
            else if (page && key == KEY_Left)
                page->SetHScroll(page->HScroll() - 52);
        } else if (key == MOUSE_Left && control == PAGEIMAGE) {
            ClearZoom();
            RefreshPreview();
        } else if (key == MOUSE_Left && control >= FIRSTCELLIMAGE &&
                   control < FIRSTCELLIMAGE + ThumbCount) {
            CurrentPage += control - FIRSTCELLIMAGE;
            zoom_ = Zoom::PageWidth;
            RefreshPreview();
        }
        break;
    }
    case EVENT_Accepted:
        switch (control) {
        case PRINTBUTTON:
            PreviewPrintOptions();
            if (PrintFlag)
                return false;
            break;
        case EXITBUTTON:
            return false;
        case ZOOMBUTTON:
            ZoomMenu();
            break;
        case NEXT:
            PageForward();
            RefreshPreview();
            break;
        case PREVIOUS:
            PageBack();
            RefreshPreview();
            break;
        case JUMP:
            CurrentPage = ShowJumpDialog(CurrentPage, PageCount);
            RefreshPreview();
            break;
        case CHANGEDISPLAY:
            ShowDisplayDialog();
            RefreshPreview();
            break;
        case PREVIEWTOP:
            CurrentPage = 1;
            Post(EVENT_Accepted, PREVIOUS);
            break;
        case PREVIEWBOTTOM:
            CurrentPage = PageCount;
            Post(EVENT_Accepted, NEXT);
            break;
        case PREVIEWMARK:
            if (zoom_ != Zoom::None || (PagesAcross == 1 && PagesDown == 1))
                PreviewToggleMark();
            break;
        case PREVIEWDELETE:
            if (zoom_ != Zoom::None || (PagesAcross == 1 && PagesDown == 1)) {
                DeletePage();
                RefreshPreview();
            }
            break;
        default:
            break;
        }
        break;
    default:
        break;
    }
    return !closingDown_;
}

// A popup of the zoom states, the current one checked.
void PreviewRun::ZoomMenu() {
    static constexpr std::array<const char*, 7> kTexts = {"No Zoom", "Page Width", "50%", "75%",
                                                          "100%",    "200%",       "300%"};
    std::string items;
    for (std::size_t i = 0; i < kZoomItems.size(); ++i) {
        if (i == 1)
            items += "|-";
        if (i > 0)
            items += "|";
        items += kZoomItems[i] == zoom_ ? "+" : "-";
        items += kTexts[i];
    }
    const int chosen = Popup(items);
    if (chosen < 1 || chosen > static_cast<int>(kZoomItems.size()))
        return;
    zoom_ = kZoomItems[static_cast<std::size_t>(chosen - 1)];
    RefreshPreview();
}

void PreviewRun::RefreshPreview() {
    if (PageCount == 0) {
        ShowNoPages();
        return;
    }
    PagesAcross = std::clamp<std::int32_t>(PagesAcross, 1, 10);
    PagesDown = std::clamp<std::int32_t>(PagesDown, 1, 10);
    CurrentPage = std::clamp<std::int32_t>(CurrentPage, 1, PageCount);
    if (zoom_ == Zoom::None) {
        DestroySinglePage();
        if (PagesAcross != LastAcross || PagesDown != LastDown) {
            DestroyThumbnails();
            BuildThumbnails();
            LastAcross = PagesAcross;
            LastDown = PagesDown;
        }
        LayoutThumbnails();
        FillThumbnails();
        SetStatusText(window_, ZONE_Zoom, "No Zoom");
        if (PagesAcross == 1 && PagesDown == 1)
            ShowMarkText();
    } else {
        DestroyThumbnails();
        if (!SinglePageBuilt)
            BuildSinglePage();
        ShowSinglePage();
        LastAcross = 0;
        LastDown = 0;
        ShowMarkText();
    }
    // Both spins: the display dialog may have changed either.
    window_.Display(PAGESACROSS);
    window_.Display(PAGESDOWN);
}

// The preview of no page, or after its last page was deleted: an empty page area in which only
// Exit (and the close box) do anything.
void PreviewRun::ShowNoPages() {
    DestroySinglePage();
    DestroyThumbnails();
    LastAcross = LastDown = 0;
    for (Control* c : window_.Controls())
        if (c->Number() != EXITBUTTON && c->Number() != 0)
            c->Disable();
    SetStatusText(window_, ZONE_Zoom, "");
    SetStatusText(window_, ZONE_Mark, "");
    ShowPageText("No pages");
}

// The pages shown: in the status bar, as the page area's name, and told to a screen reader
// when they changed (the preview's first pages are read with its window).
void PreviewRun::ShowPageText(const std::string& text) {
    SetStatusText(window_, ZONE_Page, text);
    for (int image : {static_cast<int>(PAGEIMAGE), static_cast<int>(FIRSTCELLIMAGE)})
        if (Control* area = window_.Find(image))
            SetAccessibleName(*area, text);
    if (text == pageText_)
        return;
    if (!pageText_.empty())
        Announce(window_, text);
    pageText_ = text;
}

void PreviewRun::BuildThumbnails() {
    ThumbCount = std::min<std::int32_t>(PagesAcross * PagesDown, MAXCELLS);
    for (int k = 0; k < ThumbCount; ++k) {
        Control& box = window_.Create({ControlKind::Box, FIRSTCELLBOX + k});
        box.SetFillColor(0xFFFFFF);
        // The page areas are no Tab stops: the keys page and scroll from anywhere in the window.
        Control& image =
            window_.Create({ControlKind::Image, FIRSTCELLIMAGE + k, "", 0, 0, 0, 0, 0, ATTR_Skip});
        image.AddAlert(MOUSE_Left);
        SetControlCursor(image, CURSOR_ZoomIn);
    }
}

void PreviewRun::DestroyThumbnails() {
    for (int k = 0; k < ThumbCount; ++k) {
        window_.Destroy(FIRSTCELLBOX + k);
        window_.Destroy(FIRSTCELLIMAGE + k);
    }
    ThumbCount = 0;
}

void PreviewRun::LayoutThumbnails() {
    const int gapX = (PagesAcross - 1) * 3 + 2;
    const int gapY = (PagesDown - 1) * 3 + 2;
    int cellW = (window_.Width() - gapX) / PagesAcross;
    int cellH = (window_.Height() - kStrip - gapY) / PagesDown;
    if (cellW > 0 && static_cast<double>(cellH) / cellW >= PageAspect)
        cellH = static_cast<int>(cellW * PageAspect);
    else
        cellW = static_cast<int>(cellH / PageAspect);
    cellW = std::max(cellW, 1);
    cellH = std::max(cellH, 1);
    int y = kStrip + 1;
    for (int row = 0, k = 0; row < PagesDown; ++row) {
        int x = 1;
        for (int column = 0; column < PagesAcross && k < ThumbCount; ++column, ++k) {
            Control& box = window_[FIRSTCELLBOX + k];
            box.SetPosition(x, y, cellW, cellH);
            {
                // The image inside the box's black frame.
                UnitScope pixels(window_, true);
                window_[FIRSTCELLIMAGE + k].SetPosition(box.X() + 1, box.Y() + 1, box.Width() - 2,
                                                        box.Height() - 2);
            }
            x += cellW + 3;
        }
        y += cellH + 3;
    }
}

void PreviewRun::SetButtonsForPage(bool lastShown) {
    if (PageCount <= 1)
        return;
    if (CurrentPage == 1)
        window_[PREVIOUS].Disable();
    else
        window_[PREVIOUS].Enable();
    if (lastShown)
        window_[NEXT].Disable();
    else
        window_[NEXT].Enable();
}

void PreviewRun::FillThumbnails() {
    // The pages of a set not drawn yet are drawn together, side by side, before they are shown.
    if (ThumbCount > 1) {
        std::vector<std::pair<std::string, QSize>> drawn;
        qreal ratio = 1;
        for (int k = 1; k <= ThumbCount; ++k) {
            const std::int32_t page = CurrentPage + k - 1;
            ImageBox* image = ImageBox::Of(window_[FIRSTCELLIMAGE + k - 1]);
            if (page > PageCount || !image)
                continue;
            const std::string& file = pages_[static_cast<std::size_t>(page - 1)];
            if (window_[FIRSTCELLIMAGE + k - 1].Text() == file)
                continue;
            drawn.emplace_back(file, image->DrawnPixelSize());
            ratio = image->DrawnPixelRatio();
        }
        if (drawn.size() > 1)
            ImageBox::DrawTogether(drawn, ratio);
    }
    for (int k = 1; k <= ThumbCount; ++k) {
        const std::int32_t page = CurrentPage + k - 1;
        Control& box = window_[FIRSTCELLBOX + k - 1];
        Control& image = window_[FIRSTCELLIMAGE + k - 1];
        if (page <= PageCount) {
            const std::string& file = pages_[static_cast<std::size_t>(page - 1)];
            if (image.Text() != file)
                image.SetText(file);
            if (image.Hidden()) {
                box.Unhide();
                image.Unhide();
            }
        } else if (!image.Hidden()) {
            box.Hide();
            image.Hide();
        }
    }
    SetButtonsForPage(CurrentPage + ThumbCount > PageCount);
    if (ThumbCount > 1 && CurrentPage != PageCount)
        ShowPageText("Pages " + DecimalText(CurrentPage) + "-" +
                     DecimalText(std::min(CurrentPage + ThumbCount - 1, PageCount)) + " of " +
                     DecimalText(PageCount));
    else
        ShowPageText("Page " + DecimalText(CurrentPage) + " of " + DecimalText(PageCount));

    // While the user looks at these pages, the next ones are drawn ahead at the thumbnails' size
    // (after a moment, so that the pages shown are painted first).
    ImageBox* first = ThumbCount > 0 ? ImageBox::Of(window_[FIRSTCELLIMAGE]) : nullptr;
    if (!first)
        return;
    auto files = std::make_shared<std::vector<std::string>>();
    for (std::int32_t page = CurrentPage + ThumbCount;
         page <= PageCount && page < CurrentPage + 2 * ThumbCount; ++page)
        files->push_back(pages_[static_cast<std::size_t>(page - 1)]);
    const unsigned turn = ++aheadTurn;
    const QSize size = first->DrawnPixelSize();
    const qreal ratio = first->DrawnPixelRatio();
    QPointer<QWidget> client = window_.ClientWidget();
    if (!client)
        return;
    QTimer::singleShot(50, client.data(), [=] { DrawAhead(client, files, 0, size, ratio, turn); });
}

void PreviewRun::BuildSinglePage() {
    Control& box = window_.Create({ControlKind::Box, PAGEBOX});
    box.SetFillColor(0xFFFFFF);
    Control& image = window_.Create({ControlKind::Image, PAGEIMAGE, "", 0, 0, 0, 0, 0, ATTR_Skip});
    image.SetFillColor(0xFFFFFF);
    if (ImageBox* page = ImageBox::Of(image))
        page->SetScrollBars(true, true);
    image.AddAlert(MOUSE_Left);
    SetControlCursor(image, CURSOR_ZoomIn);
    box.Unhide();
    image.Unhide();
    drawnWidth_ = drawnHeight_ = -1;
    SinglePageBuilt = 1;
}

void PreviewRun::DestroySinglePage() {
    if (!SinglePageBuilt)
        return;
    window_.Destroy(PAGEBOX);
    window_.Destroy(PAGEIMAGE);
    SinglePageBuilt = 0;
}

void PreviewRun::PreviewSetZoom() {
    ImageBox* page = ImageBox::Of(window_[PAGEIMAGE]);
    switch (zoom_) {
    case Zoom::PageWidth: {
        // The width the vertical scroll bar leaves.
        const int bar =
            window_.FromPixelsX(QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 1);
        ZoomFactor =
            NaturalWidth > 0 ? static_cast<double>(window_.Width() - bar) / NaturalWidth : 1.0;
        page->SetScrollBars(false, true);
        SetStatusText(window_, ZONE_Zoom, "Page Width");
        return;
    }
    case Zoom::Z50:
        ZoomFactor = 0.5;
        break;
    case Zoom::Z75:
        ZoomFactor = 0.75;
        break;
    case Zoom::Z100:
        ZoomFactor = 1.0;
        break;
    case Zoom::Z200:
        ZoomFactor = 2.0;
        break;
    case Zoom::Z300:
        ZoomFactor = 3.0;
        break;
    case Zoom::None:
        return;
    }
    page->SetScrollBars(true, true);
    SetStatusText(window_, ZONE_Zoom, "Zoom (" + DecimalText(std::lround(ZoomFactor * 100)) + "%)");
}

void PreviewRun::ShowSinglePage() {
    Control& box = window_[PAGEBOX];
    Control& image = window_[PAGEIMAGE];
    box.SetPosition(0, kStrip, window_.Width(), window_.Height() - kStrip);
    image.SetPosition(0, kStrip, window_.Width(), window_.Height() - kStrip);
    ImageBox* page = ImageBox::Of(image);
    const int h = page->HScroll();
    const int v = page->VScroll();
    PreviewSetZoom();
    const int width = static_cast<int>(std::lround(NaturalWidth * ZoomFactor));
    const int height = static_cast<int>(std::lround(NaturalHeight * ZoomFactor));
    if (width != drawnWidth_ || height != drawnHeight_) {
        page->SetDrawnSize(width, height);
        drawnWidth_ = width;
        drawnHeight_ = height;
    }
    const std::string& file = pages_[static_cast<std::size_t>(CurrentPage - 1)];
    if (image.Text() != file)
        image.SetText(file);
    ShowPageText("Page " + DecimalText(CurrentPage) + " of " + DecimalText(PageCount));
    page->SetHScroll(h);
    page->SetVScroll(v);
    SetButtonsForPage(CurrentPage == PageCount);
}

void PreviewRun::ShowMarkText() {
    markRead_ = CurrentPage;
    Control& mark = window_[PREVIEWMARK];
    if (MarkList[static_cast<std::size_t>(CurrentPage - 1)] == 1) {
        mark.SetIcon("~Mark.ico");
        SetStatusMessage(mark, "Unmark Page");
        SetStatusText(window_, ZONE_Mark, "Marked");
    } else {
        mark.SetIcon("~Unmark.ico");
        SetStatusMessage(mark, "Mark Page");
        SetStatusText(window_, ZONE_Mark, "");
    }
}

void PreviewRun::PreviewToggleMark() {
    if (markRead_ < 1 || markRead_ > PageCount)
        return;
    std::uint8_t& mark = MarkList[static_cast<std::size_t>(markRead_ - 1)];
    mark = mark == 1 ? 0 : 1;
    MarkedCount += mark == 1 ? 1 : -1;
    ShowMarkText();
}

void PreviewRun::DeletePage() {
    const auto at = static_cast<std::size_t>(CurrentPage - 1);
    if (at >= pages_.size())
        return;
    if (MarkList[at] == 1)
        --MarkedCount;
    pages_.erase(pages_.begin() + static_cast<std::ptrdiff_t>(at));
    MarkList.erase(MarkList.begin() + static_cast<std::ptrdiff_t>(at));
    --PageCount;
    if (CurrentPage > 1)
        --CurrentPage;
}

void PreviewRun::PageBack() {
    if (zoom_ == Zoom::None)
        CurrentPage = std::max<std::int32_t>(CurrentPage - ThumbCount, 1);
    else if (CurrentPage > 1)
        --CurrentPage;
}

void PreviewRun::PageForward() {
    if (zoom_ == Zoom::None) {
        if (CurrentPage + ThumbCount <= PageCount)
            CurrentPage += ThumbCount;
    } else if (CurrentPage < PageCount) {
        ++CurrentPage;
    }
}

void PreviewRun::ShowDisplayDialog() {
    Window dialog(DisplayDef());
    dialog.Open();
    dialog[INPUT_PAGESACROSS].Bind(PagesAcross);
    dialog[INPUT_PAGESDOWN].Bind(PagesDown);
    dialog.Display();
    while (Next(dialog)) {
        const int event = CurrentEvent();
        if (event == EVENT_CloseWindow)
            break;
        if (event == EVENT_Rejected)
            PullIntoRange(dialog, EventControl());
        if (event == EVENT_Accepted && EventControl() == OK) {
            dialog.Update();
            break;
        }
    }
    dialog.Close();
}

std::int32_t PreviewRun::ShowJumpDialog(std::int32_t current, std::int32_t count) {
    Window dialog(JumpDef());
    std::int32_t page = current;
    std::int32_t result = current;
    dialog.Open();
    dialog[JUMPPAGE].SetRange(1, count);
    dialog[JUMPPAGE].Bind(page);
    dialog.Display();
    while (Next(dialog)) {
        const int event = CurrentEvent();
        const int control = EventControl();
        if (event == EVENT_CloseWindow)
            break;
        if (event == EVENT_Rejected)
            PullIntoRange(dialog, control);
        if (event == EVENT_Accepted && control == OKBUTTON) {
            dialog.Update();
            result = std::clamp<std::int32_t>(page, 1, std::max<std::int32_t>(count, 1));
            break;
        }
        if (event == EVENT_Accepted && control == CANCELBUTTON)
            break;
    }
    dialog.Close();
    return result;
}

void PreviewRun::PreviewPrintOptions() {
    PrintChoice = 1;
    Window dialog(PrintDef());
    dialog.Open();
    dialog[OPTIONPRINT].Bind(PrintChoice);
    dialog[PAGEFROM].Bind(PageFrom);
    dialog[PAGETO].Bind(PageTo);
    if (MarkedCount != 0) {
        dialog[OPTIONPRINT_MARKED].Enable();
        dialog[OPTIONPRINT_UNMARKED].Enable();
    }
    dialog[PAGEFROM].SetRange(1, PageCount);
    dialog[PAGETO].SetRange(1, PageCount);
    PageFrom = std::clamp<std::int32_t>(PageFrom, 1, PageCount);
    PageTo = std::clamp<std::int32_t>(PageTo, 1, PageCount);
    dialog.Display();
    auto rangeFields = [&] {
        for (int field : {PAGEFROM, PAGETO}) {
            if (PrintChoice == 4)
                dialog[field].Enable();
            else
                dialog[field].Disable();
        }
    };
    rangeFields();
    while (Next(dialog)) {
        rangeFields();
        const int event = CurrentEvent();
        const int control = EventControl();
        if (event == EVENT_CloseWindow) {
            PrintFlag = 0;
            break;
        }
        if (event == EVENT_Rejected)
            PullIntoRange(dialog, control);
        if (event == EVENT_Accepted && control == PRINTOK) {
            dialog.Update();
            PrintFlag = 1;
            break;
        }
        if (event == EVENT_Accepted && control == PRINTCANCEL) {
            PrintFlag = 0;
            break;
        }
    }
    if (PrintFlag && PrintChoice != 1)
        PreviewDropUnprinted();
    dialog.Close();
}

void PreviewRun::PreviewDropUnprinted() {
    for (std::size_t i = pages_.size(); i >= 1; --i) {
        const bool marked = i <= MarkList.size() && MarkList[i - 1] == 1;
        const auto page = static_cast<std::int32_t>(i);
        bool drop = false;
        if (PrintChoice == 2)
            drop = !marked;
        else if (PrintChoice == 3)
            drop = marked;
        else if (PrintChoice == 4)
            drop = page < PageFrom || page > PageTo;
        if (drop) {
            // A page image left behind goes with the preview's temporary folder.
            if (!ForgetBundled(pages_[i - 1]))
                static_cast<void>(DeleteFile(pages_[i - 1]));
            pages_.erase(pages_.begin() + static_cast<std::ptrdiff_t>(i - 1));
        }
    }
}

} // namespace

int PrintPreview(PageList& pages, const std::string& caption) {
    // The preview's loop and its dialogs take the thread's events; the caller's event is its own
    // again afterwards.
    KeepCurrentEvent keep;
    PreviewRun run(pages, caption);
    PreviewRun* outer = Running();
    Running() = &run;
    struct Restore {
        PreviewRun* outer;
        ~Restore() { Running() = outer; }
    } restore{outer};
    const int result = run.Run();
    // The pages drawn for the preview are not kept once it has closed.
    ImageBox::ForgetDrawn();
    return result;
}

PageList PreviewPages() {
    return Running() ? Running()->Pages() : PageList();
}

void StampPageTotals(const PageList& pages) {
    const std::size_t count = pages.size();
    // A page image is read in one record as a rule; consecutive records overlap by one character
    // less than the placeholder, so that a placeholder across the end of one record is whole in
    // the next.
    constexpr std::size_t kPageRecord = 64 * 1024;
    const std::uint64_t step = kPageRecord - (kPlaceholder.size() - 1);
    for (std::size_t i = 0; i < count; ++i) {
        // A page not made yet gets its total as it is made.
        const bool later = EditBundledWhenMade(pages[i], [i, count](std::string& contents) {
            const std::size_t at = contents.find(kPlaceholder);
            if (at != std::string::npos)
                contents.replace(at, kPlaceholder.size(), PageTotal(i + 1, count));
        });
        if (later)
            continue;
        // A report's page, kept in its bundle, is searched whole.
        if (std::optional<std::string> kept = ReadBundled(pages[i])) {
            const std::size_t at = kept->find(kPlaceholder);
            if (at != std::string::npos)
                static_cast<void>(PatchBundled(pages[i], at, PageTotal(i + 1, count)));
            continue;
        }
        RecordFile file(kPageRecord);
        if (!file.Open(pages[i]))
            continue;
        file.Seek(0);
        while (file.Next() == ReadResult::Ok) {
            std::string& record = file.Record();
            std::size_t at = record.find(kPlaceholder);
            if (at != std::string::npos) {
                record.replace(at, kPlaceholder.size(), PageTotal(i + 1, count));
                file.Put();
                break;
            }
            if (file.AtEnd())
                break;
            file.Seek(file.RecordOffset() + step);
        }
        file.Close();
    }
}

} // namespace platform
