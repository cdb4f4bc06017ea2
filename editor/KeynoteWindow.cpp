#include "editor/KeynoteWindow.h"

#include "platform/ui/Accessible.h"

#include "editor/CommaExport.h"
#include "editor/Constnot.h"
#include "editor/Globals.h"
#include "editor/KeynoteWindowDef.h"
#include "editor/LibrarySets.h"
#include "editor/Lookup.h"
#include "editor/MainFrame.h"
#include "editor/PrintNotes.h"
#include "platform/files/FileError.h"
#include "platform/files/Files.h"
#include "platform/files/Path.h"
#include "platform/ini/Ini.h"
#include "platform/runtime/Digest.h"
#include "platform/runtime/ErrorManager.h"
#include "platform/runtime/Program.h"
#include "platform/runtime/Runtime.h"
#include "platform/text/Text.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/KeepPainting.h"
#include "platform/ui/MessageBox.h"

#include <algorithm>
#include <memory>
#include <string_view>
#include <unordered_set>

namespace editor {

using namespace platform;
using namespace keynote;

namespace {

const char* const kLastRun = "QVREditLASTRUN";

// How long the first load may run before the window is drawn without its notes: well inside the
// time after which a window that shows nothing looks hung.
constexpr std::chrono::milliseconds kUndrawnLoad{50};

// The row buttons, shown while a shape tab is selected.
const int kRowButtons[] = {INSERT, CHANGE, DELETE, MOVEUP, MOVEDOWN, MOVEFIRST, MOVELAST};

TabRecord* TabEntry(const std::string& shapeName) {
    for (TabRecord& r : TabQueue)
        if (Equal(r.SRCNAME, shapeName))
            return &r;
    return nullptr;
}

// Stores in the shape's entry the host control of the position it stands at.
void TabControl(const std::string& shapeName, const std::array<int, 9>& controls) {
    TabRecord* r = TabEntry(shapeName);
    if (!r) {
        Message("OLE control not found for SrcTabName: " + shapeName + "!", "Set", ICON_Hand,
                BUTTON_OK);
        return;
    }
    const int position = r->NEWNUM >= 1 && r->NEWNUM <= 8 ? r->NEWNUM : 9;
    r->OLECONTROL = ToShort(std::int64_t{controls[static_cast<std::size_t>(position - 1)]});
}

std::int32_t OleFeqForTab(const std::string& shapeName) {
    TabRecord* r = TabEntry(shapeName);
    if (!r) {
        Message("OLE control not found for SrcTabName: " + shapeName + "!", "Get", ICON_Hand,
                BUTTON_OK);
        return 0;
    }
    return r->OLECONTROL;
}

} // namespace

void BrowseNextNotes(const std::string&) {
    auto window = std::make_unique<KeynoteWindow>();
    window->Run();
    KeynoteThread = 0;
}

KeynoteWindow::KeynoteWindow() : window_(KeynoteWindowDefinition()) {}

KeynoteWindow::~KeynoteWindow() = default;

// ---------------------------------------------------------------------------------------------
// Set-up and shut-down

int KeynoteWindow::Setup() {
    KeynoteThread = ToShort(std::int64_t{ThisThread()});
    TabSelected = ToByte(ReadIni(kLastRun, "TabSelected", "1", ProjectIni));
    InfoText = "Project Folder:   " + Clip(ProjectFolder) + "\r\n" +
               "Application Folder:   " + Clip(AppPath) + "\r\n" +
               "File passed to editor:    " + Clip(Param1) + "\r\n" +
               "INI File:                    " + Clip(ProjectIni);
    GlobalErrorManager.SetProcedureName("BrowseNextNotes");
    if (int result = WindowManager::Setup(); result != RESULT_GoOn)
        return result;
    // The backup is made in the project folder, beside the keynote file.
    BakPath = JoinPath(ProjectFolder, BakName);

    Open(window_);
    // Each tab's title entry edits the title of the shape whose notes the tab shows: the shape
    // at that tab position, whatever the tab order.
    for (int n = 1; n <= 9; ++n) {
        const std::size_t at = static_cast<std::size_t>(n - 1);
        const int shape =
            at < TabQueue.size() && TabQueue[at].SRCNUM >= 1 && TabQueue[at].SRCNUM <= 9
                ? TabQueue[at].SRCNUM
                : n;
        window_[TitleOf(n)].Bind(ShapeTitle[static_cast<std::size_t>(shape - 1)], kTitleWidth);
        SetAccessibleName(window_[TitleOf(n)], "Title");
    }
    window_[INFOTEXT].Bind(InfoText, 2047);
    SetAccessibleName(window_[INFOTEXT], "Project files");
    window_[APROGRESS].Bind(ProgressValue);
    settingsTab_.Bind();
    window_.Display();

    if (OpenNotesFile() == 0) {
        // The program ends without its keynote file.
        SetExitCode(1);
        Post(EVENT_CloseDown, 0, 1);
        return RESULT_Stop;
    }
    RemoveLeftovers();
    window_[PMT_APROGRESS].Unhide();
    window_.SetCaption("");
    settingsTab_.ShowDefaults();
    CsvStamp = LastWriteTimeOfDay(CsvPath);
    CsvStampTime = LastWriteTime(CsvPath).value_or(FileTime{});
    InitResizer();
    // The frame's size, as far as the frame's document area shows the window whole (its
    // buttons are at the bottom); never below the size the window is designed for.
    int width = FrameWidth, height = FrameHeight;
    if (int roomWidth = 0, roomHeight = 0; window_.RoomInFrame(roomWidth, roomHeight)) {
        width = std::max(std::min(width, roomWidth), window_.Definition().width);
        height = std::max(std::min(height, roomHeight), window_.Definition().height);
    }
    window_.SetPosition(window_.X(), window_.Y(), width, height);
    resizer_.Resize();
    SetAlerts();
    SetupTabs();

    std::array<int, 9> hosts{};
    for (int n = 1; n <= 9; ++n)
        hosts[static_cast<std::size_t>(n - 1)] = OleOf(n);
    for (const Shape& shape : kShapes)
        TabControl(shape.name, hosts);
    for (std::size_t i = 0; i < kShapes.size(); ++i) {
        window_[PMT_APROGRESS].SetText("OLE " + DecimalText(static_cast<std::int64_t>(i + 1)) +
                                       " initialization...");
        const std::int32_t host = OleFeqForTab(kShapes[i].name);
        // A shape without a tab gets no grid: its rows are held aside and saved as read.
        if (host == 0)
            continue;
        ShapeGrid& s = shapes_[i];
        // What the keynote file cannot carry is refused at entry: no note is cut when written,
        // nor changed by a save and a reload.
        s.grid.RefusedCharacters = kRefusedInFields;
        s.grid.MisreadCount = FieldMisread;
        s.grid.Setup(host, WrapSize, DescPrintWidth);
        s.grid.DescriptionFits = DescriptionMayBecome;
        s.setUp = true;
        GridList.push_back(&s.grid);
    }

    SelectSavedTab();
    window_.Display();
    window_[PMT_APROGRESS].Hide();
    ApplyUppercase();
    window_.Display();
    // A first load that takes more than a moment (a large file may take seconds) has the window
    // and its progress bar drawn as soon as that moment is over, and the bar then paints as it
    // moves; a quicker one is drawn once, with its notes, at the end of the set-up.
    undrawnSince_ = std::chrono::steady_clock::now();
    LoadNotes();
    undrawnSince_.reset();
    OpenConfigWithoutShapeTabs();

    for (grid::PelkGridClass* g : GridList) {
        if (g->OLECTRL != CurOleFeq) {
            g->SetRedraw(0);
            continue;
        }
        g->SetRedraw(1);
        g->Draw();
        break;
    }
    for (int t = 1; t <= 64; ++t)
        Post(EventEditorReady, 0, t);
    ReportChanges();

    if (!FileExists(BakPath)) {
        // A first backup where there is none; without it the window works all the same.
        static_cast<void>(CopyFile(CsvPath, BakPath));
        Message("To create new construction notes, first select the|desired \"shape tab\" "
                "above, then click|the \"Insert\" button.",
                "How to start", ICON_Asterisk, BUTTON_OK);
    }
    return RESULT_GoOn;
}

void KeynoteWindow::SetupTabs() {
    window_.Update();
    for (int n = 1; n <= 9; ++n)
        window_[TabOf(n)].SetText("");
    RenumberTabQueue();
    for (int n = 1; n <= 9; ++n)
        SetTabTextFromQueue(n);
    for (int n = 1; n <= 9; ++n) {
        if (Clip(window_[TabOf(n)].Text()).empty()) {
            window_[TabOf(n)].Hide();
            window_[CURRENTTAB].SetTabHidden(n, true);
            window_[OleOf(n)].Hide();
        }
    }
}

void KeynoteWindow::RenumberTabQueue() {
    for (std::size_t i = 0; i < TabQueue.size(); ++i)
        TabQueue[i].NEWNUM = ToByte(static_cast<std::int64_t>(i + 1));
}

void KeynoteWindow::SetTabTextFromQueue(int position) {
    for (const TabRecord& r : TabQueue) {
        if (r.NEWNUM != position)
            continue;
        if (r.ICON == 2)
            break; // a hidden tab keeps no caption
        window_[TabOf(position)].SetText(r.NEWNAME);
    }
}

void KeynoteWindow::SelectSavedTab() {
    CurOleFeq = 0;
    if (TabSelected > 9)
        TabSelected = 1;
    for (int pass = 0; pass < 9; ++pass) {
        if (TabSelected >= 1 && TabSelected <= 9 && !window_[TabOf(TabSelected)].Hidden()) {
            window_[CURRENTTAB].Select(TabSelected);
            CurOleFeq = OleOf(TabSelected);
            TabSelected = 0;
        }
        if (TabSelected != 0)
            ++TabSelected;
    }
}

void KeynoteWindow::OpenConfigWithoutShapeTabs() {
    // With every shape tab hidden the sheet would show the Config tab's caption over an empty
    // page: the Config tab is chosen, with the settings just read, as a user's click on it
    // would.
    for (int n = 1; n <= 9; ++n)
        if (!window_[TabOf(n)].Hidden())
            return;
    window_[CURRENTTAB].Select(10);
    ShowRowButtons(false);
    settingsTab_.ShowDefaults();
    window_.Display();
}

void KeynoteWindow::ShowRowButtons(bool shown) {
    for (int c : kRowButtons) {
        if (shown)
            window_[c].Unhide();
        else
            window_[c].Hide();
    }
}

void KeynoteWindow::ApplyUppercase() {
    for (grid::PelkGridClass* g : GridList)
        g->SetUppercase(Uppercase);
}

void KeynoteWindow::LoadUnitsAndTypes() {
    struct List {
        const char* kind;
        std::size_t kept; // what the keynote file keeps of a value
        void (grid::PelkGridClass::*set)(std::shared_ptr<grid::ChoiceQueue>);
    };
    const List lists[] = {
        {"Unit", kNoteUnitWidth, &grid::PelkGridClass::SetUnits},
        {"Type", kNoteTypeWidth, &grid::PelkGridClass::SetTypes},
    };
    // The grids offer a blank choice first; they read fewer keys than the list window and keep
    // longer values.
    constexpr int kGridLastKey = 9999;
    constexpr std::size_t kGridChoiceWidth = 30;
    for (const List& list : lists) {
        // Each choice is offered as the keynote file keeps it (a unit of the list may be longer
        // than the file's three characters), so that what is chosen is what is saved. The list
        // is sorted once, and all grids offer that one list.
        std::vector<std::string> values{" "};
        std::unordered_set<std::string> offered;
        for (const std::string& read :
             ReadLookupValues(list.kind, ProjectIni, kGridLastKey, kGridChoiceWidth)) {
            std::string value = Clip(Cut(read, list.kept));
            if (offered.insert(value).second)
                values.push_back(std::move(value));
        }
        auto choices = std::make_shared<grid::ChoiceQueue>();
        choices->InsertAll(std::move(values));
        for (grid::PelkGridClass* g : GridList)
            (g->*list.set)(choices);
    }
}

void KeynoteWindow::InitResizer() {
    resizer_.Init(window_, STRATEGY_Resize, true, false);
    resizer_.SetParentDefaults();
    const ResizeRule stretch{ResizeX::FixLeft, ResizeY::FixTop, ResizeSize::KeepMargin,
                             ResizeSize::KeepMargin};
    resizer_.SetStrategy(PANEL2, stretch);
    for (int n = 1; n <= 9; ++n)
        resizer_.SetStrategy(OleOf(n), stretch);
    for (int c : {PMT_APROGRESS, APROGRESS})
        resizer_.SetStrategy(
            c, {ResizeX::FixLeft, ResizeY::FixBottom, ResizeSize::Fixed, ResizeSize::Fixed});
    for (int c : {SAVETOASCII, SAVETOASCIIANDCLOSE, EXPORT, HELP})
        resizer_.SetStrategy(
            c, {ResizeX::FixRight, ResizeY::FixBottom, ResizeSize::Fixed, ResizeSize::Fixed});
    for (int c : {RESTOREDEFAULTVALUES, SAVEVALUESASDEFAULT})
        resizer_.SetStrategy(
            c, {ResizeX::FixLeft, ResizeY::FixTop, ResizeSize::Fixed, ResizeSize::Fixed});
    resizer_.SetStrategy(
        INFOTEXT, {ResizeX::Scale, ResizeY::FixTop, ResizeSize::Fixed, ResizeSize::KeepMargin});
    for (int c : {GROUP2, GROUPQVR, GROUP3})
        resizer_.SetStrategy(
            c, {ResizeX::FixLeft, ResizeY::FixTop, ResizeSize::KeepMargin, ResizeSize::Fixed});
    // The settings inside the groups keep the place and size they are designed with: a wider
    // window only widens the groups' frames, so no drop list grows over its neighbours and no
    // label moves under one.
    const ResizeRule kept{ResizeX::FixLeft, ResizeY::FixTop, ResizeSize::Fixed, ResizeSize::Fixed};
    for (const ControlDef& d : window_.Definition().controls)
        if (d.number != 0 && (d.parent == GROUP2 || d.parent == GROUPQVR || d.parent == GROUP3 ||
                              d.parent == LOC_STYLE))
            resizer_.SetStrategy(d.number, kept);
    SetResizer(&resizer_);
}

int KeynoteWindow::Resizer::Resize() {
    int result = WindowResizer::Resize();
    for (grid::PelkGridClass* g : owner_.GridList)
        g->Resize();
    return result;
}

int KeynoteWindow::Shutdown() {
    if (window_.IsOpen()) {
        TabSelected = ToByte(std::int64_t{window_[CURRENTTAB].Selected()});
        WriteIni(kLastRun, "TabSelected", DecimalText(TabSelected), ProjectIni);
    }
    for (ShapeGrid& s : shapes_) {
        if (s.setUp)
            s.grid.Shutdown();
        s.setUp = false;
    }
    GridList.clear();
    int result = WindowManager::Shutdown();
    if (result != RESULT_GoOn)
        return result;
    CloseNotesFile();
    GlobalErrorManager.RemoveProcedureName();
    return result;
}

// ---------------------------------------------------------------------------------------------
// The keynote file

std::uint8_t KeynoteWindow::OpenNotesFile() {
    std::uint8_t result = 1;
    LineFile& file = Constnot()->file;
    // A save keeps the file open, and with it the lock.
    if (NotesOpenMode != 0 && !file.IsOpen()) {
        // A file that cannot be created fails to open just below, which says why.
        const bool created = !FileExists(CsvPath) && file.Create();
        if (file.Open(OpenMode::ReadWriteDenyWrite)) {
            if (created)
                TellBackupKept();
            if (!file.Locked() && !NoLocksTold) {
                NoLocksTold = true;
                Message("The file system of " + CsvPath +
                            " keeps no file locks.|Other users are not kept out of this file "
                            "while you edit it: make sure nobody else changes it.",
                        "", ICON_Exclamation, BUTTON_OK);
            }
        } else {
            const int code = FileErrorCode();
            const std::string text = FileErrorText();
            // Read-only mode is offered where reading can work: a file held by another user,
            // or one that may be read but not written. A folder or a FIFO of the name, or a
            // file that cannot be read either, gets the open's failure.
            std::string reason;
            if (code == kAccessDenied && OrdinaryFileExists(CsvPath)) {
                if (HeldByAnother(CsvPath)) {
                    reason = " is already opened by another user!";
                } else if (LineFile probe(kKeynoteLineWidth);
                           probe.SetName(CsvPath), probe.Open(OpenMode::ReadOnlyDenyNone)) {
                    reason = " cannot be written (" + text + ")!";
                }
            }
            if (!reason.empty()) {
                if (Message("File " + CsvPath + reason +
                                "|Would you like to open this file in Read-Only mode?",
                            "", ICON_Exclamation, BUTTON_YES | BUTTON_NO,
                            BUTTON_NO) == BUTTON_YES) {
                    NotesOpenMode = 0;
                    if (file.Open(OpenMode::ReadOnlyDenyNone)) {
                        static_cast<void>(file.Close()); // read only: nothing to lose
                    } else {
                        Message("Unable to open " + CsvPath +
                                    " in read only mode!|Error: " + FileErrorText(),
                                "Error code: " + DecimalText(FileErrorCode()), ICON_Hand,
                                BUTTON_OK);
                        result = 0;
                    }
                } else {
                    result = 0;
                }
            } else {
                Message("Unable to open " + CsvPath + "!|Error: " + text,
                        "Error code: " + DecimalText(code), ICON_Hand, BUTTON_OK);
                result = 0;
            }
        }
    }
    SetSaveButtons();
    return result;
}

void KeynoteWindow::TellBackupKept() {
    // A keynote file gone missing (removed, moved away by another program) is created empty; a
    // backup that still holds the notes is never replaced by it (SaveNotes).
    const long notes = CountNotes(BakPath);
    if (notes > 0)
        Message("File " + CsvPath + " was not found and has been created empty.|Its backup " +
                    BakPath + " holds " + DecimalText(std::int64_t{notes}) +
                    (notes == 1 ? " note" : " notes") +
                    ": no save replaces that backup until you have saved notes of your own.",
                "", ICON_Exclamation, BUTTON_OK);
}

void KeynoteWindow::RemoveLeftovers() {
    // Only the holder of the project takes its leftovers away: while it holds the keynote file,
    // no other program is saving it or importing into it. Without locks only old ones go.
    const LineFile& file = Constnot()->file;
    if (NotesOpenMode == 0 || !file.IsOpen())
        return;
    const std::int64_t age = file.Locked() ? kLeftoverAge : 10 * kLeftoverAge;
    if (RecoverImport({ProjectFolder, CsvPath, BakPath}, age))
        Message("An import into " + ProjectFolder +
                    " was stopped before it was complete.|The project's files are as they were "
                    "before it: " +
                    BakPath + " holds the previous backup again.",
                "", ICON_Asterisk, BUTTON_OK);
    // A backup that is missing while a leftover of it stays (set aside by an import of an older
    // version, say) is never taken away with the leftovers: the newest is kept where it shows.
    if (const std::string kept = BakPath + ".recovered"; KeepNewestLeftover(BakPath, age, kept))
        Message("The backup " + BakPath +
                    " is missing.|What a stopped save or import left of it "
                    "is kept as " +
                    kept + ".",
                "", ICON_Exclamation, BUTTON_OK);
    for (const std::string& path :
         {CsvPath, BakPath, ProjectIni, JoinPath(ProjectFolder, "Notes.ini"),
          JoinPath(ProjectFolder, "Notes.bak")})
        RemoveLeftoverTemporaries(path, age);
}

void KeynoteWindow::SetSaveButtons() {
    for (int c : {SAVETOASCII, SAVETOASCIIANDCLOSE}) {
        if (NotesOpenMode == static_cast<std::uint8_t>(OpenMode::ReadWriteDenyWrite) &&
            !readFailed_)
            window_[c].Enable();
        else
            window_[c].Disable();
    }
}

void KeynoteWindow::CloseNotesFile() {
    // The window writes nothing through this handle: it only holds the file against writers.
    if (NotesOpenMode != 0)
        static_cast<void>(Constnot()->file.Close());
}

void KeynoteWindow::LoadNotes() {
    Control& prompt = window_[PMT_APROGRESS];
    prompt.SetText("Preparing...");
    prompt.Unhide();
    for (grid::PelkGridClass* g : GridList)
        g->SetRedraw(0);
    const bool reload = FirstLoad == 0;
    if (reload)
        for (int shape = 1; shape <= 9; ++shape)
            FreeRows(shape);
    prompt.SetText("Start loading...");
    prompt.Hide();

    LineFile& file = Constnot()->file;
    bool openFailed = false;
    if (NotesOpenMode == 0)
        openFailed = !file.Open(OpenMode::ReadOnlyDenyNone);
    const bool fromStash = NotesOpenMode != 0 && NotesStashed == 1;
    if (fromStash) {
        RestoreNotesFromGlobal();
    } else if (!openFailed) {
        // A fresh reading: its rows are the whole file unless this reading fails.
        readFailed_ = false;
        TitleRead.fill("No");
        // The titles are the file's: a shape whose title line the file lacks has none, also
        // after an import over a project whose titles were another set's.
        ShapeTitle.fill(std::string(kTitleWidth, ' '));
        const std::int64_t size = static_cast<std::int64_t>(file.Size().value_or(0));
        ProgressUpdate("Loading " + CsvPath + " ...", 0, 0);
        // Where the user may save, what a save would not write back as it was read is told.
        std::vector<KeynoteChange> changes;
        const KeynoteOutcome outcome = ReadKeynoteFile(
            file, [this](KeynoteLine&& line) { TakeLine(std::move(line)); },
            [this](long read, long total) { ProgressUpdate("", read, total); },
            NotesOpenMode != 0 ? &changes : nullptr);
        // What was read stays shown, but it is not the whole file: it is never saved.
        if (!outcome)
            readFailed_ = true;
        SetSaveButtons();
        if (!outcome)
            ReportFileOutcome(outcome);
        else
            changesRead_ = std::move(changes);
        if (NotesOpenMode == 0)
            static_cast<void>(file.Close()); // read only: nothing to lose
        ProgressUpdate("", size, size);
    }

    LoadUnitsAndTypes();
    SwitchDrawingTo(window_[CURRENTTAB].Selected());
    ProgressUpdate("", 0, 0);
    settingsTab_.ReadProjectSettings();
    settingsTab_.FillEmptySettings();
    // Rows from the stash are not what the file holds: the digest of the file stays the one its
    // last reading or saving left.
    if (!fromStash)
        LoadedNotesDigest = NotesDigest();
    FirstLoad = 0;
    // A reload shows its rows at once; the first load is drawn at the end of the set-up.
    if (reload) {
        for (grid::PelkGridClass* g : GridList)
            if (g->REDRAW == 1)
                g->Draw();
        ReportChanges();
    }
}

void KeynoteWindow::TakeLine(KeynoteLine&& l) {
    if (l.kind == KeynoteLine::Kind::Settings) {
        if (l.textHeight)
            settings_.LOC_TXTHT = *l.textHeight;
        return;
    }
    if (l.kind != KeynoteLine::Kind::Note)
        return;
    const std::size_t i = static_cast<std::size_t>(l.shape - 1);
    if (l.titleField && !Equal(TitleRead[i], "Yes")) {
        TitleRead[i] = "Yes";
        ShapeTitle[i] = Fixed(l.description, kTitleWidth);
        return;
    }
    AddRow(l.shape, {l.marked ? "1" : "0", std::move(l.number), std::move(l.description),
                     std::move(l.unit), std::move(l.type)});
}

void KeynoteWindow::ProgressUpdate(const std::string& text, std::int64_t value,
                                   std::int64_t total) {
    Control& bar = window_[APROGRESS];
    Control& prompt = window_[PMT_APROGRESS];
    if (value == 0 && total == 0) {
        if (!Clip(text).empty()) {
            // The bar starts at 0 before it shows, so it appears at 0 without a redraw.
            ProgressValue = 0;
            window_.Display(APROGRESS);
            prompt.SetText(text);
            bar.Unhide();
            prompt.Unhide();
        } else {
            bar.Hide();
            prompt.Hide();
        }
        return;
    }
    if (bar.Hidden())
        return;
    if (undrawnSince_ && std::chrono::steady_clock::now() - *undrawnSince_ >= kUndrawnLoad) {
        undrawnSince_.reset();
        window_.DrawNow();
        window_.Display(APROGRESS);
    }
    const std::int64_t percent = total == 0 ? 0 : value * 100 / total;
    // The bar is redrawn in steps of 3 percent, and once more at 100 (not before the window
    // is first drawn).
    if ((percent - ProgressValue >= 3 || percent == 100) && percent != ProgressValue) {
        ProgressValue = static_cast<std::int32_t>(percent);
        if (!undrawnSince_)
            window_.Display(APROGRESS);
    }
}

namespace {

// The first few of a list, for a message, and how many more there are.
std::string FirstFew(const std::vector<std::string>& items) {
    constexpr std::size_t kShown = 8;
    std::string text;
    for (std::size_t i = 0; i < items.size() && i < kShown; ++i)
        text += (i == 0 ? "" : ", ") + items[i];
    if (items.size() > kShown)
        text += " and " + DecimalText(static_cast<std::int64_t>(items.size() - kShown)) + " more";
    return text;
}

} // namespace

void KeynoteWindow::ReportChanges() {
    // Told over the window as the reading left it: the notes shown, the progress bar gone.
    const std::vector<KeynoteChange> changes = std::move(changesRead_);
    changesRead_.clear();
    if (changes.empty())
        return;
    window_.Display();
    constexpr std::size_t kShown = 5;
    std::string lines;
    for (std::size_t i = 0; i < changes.size() && i < kShown; ++i)
        lines += "|Line " + DecimalText(std::int64_t{changes[i].line}) + ": " + changes[i].what;
    if (changes.size() > kShown)
        lines +=
            "|and " + DecimalText(static_cast<std::int64_t>(changes.size() - kShown)) + " more";
    Message(CsvPath + " holds what a save will not write back as it was read:" + lines +
                "||A save writes the notes as they are shown; the file as it is now is kept as "
                "the backup " +
                BakPath + ".",
            "", ICON_Exclamation, BUTTON_OK);
}

bool KeynoteWindow::SaveNotes() {
    // The file stays held while the new one is written: the new one is locked before it takes
    // its place, so no other program can take the project for writing during a save.
    LineFile& held = Constnot()->file;
    if (!HoldsItsFile())
        return false;
    // The old file is backed up first (kept under the backup's name: the save puts a new file
    // in its place); a failed backup is told and does not stop the save. A keynote file without
    // notes (one the program created) never takes the place of a backup that holds some; a
    // keynote file named as its own backup has none.
    if (FileExists(CsvPath) && !MayBeOneFile(CsvPath, BakPath) &&
        !(CountNotes(CsvPath, 1) == 0 && CountNotes(BakPath, 1) > 0) && !BackUp())
        Message("Unable to back up " + CsvPath + " to " + BakPath + "!|Error: " + FileErrorText() +
                    "|The notes are saved without a backup of the file.",
                "Error", ICON_Exclamation, BUTTON_OK);
    ProgressUpdate("Saving " + CsvPath + " ...", 0, 0);
    std::vector<std::string> cut;
    KeynoteOutcome outcome;
    {
        // The notes are written as the grids hold them, without a copy, and their digest is
        // made on the way; the windows go on painting meanwhile, taking no input.
        KeepPainting painting;
        std::array<Digest, 9> digests;
        const std::vector<ShapeSource> shapes = RowsInTabOrder(digests);
        outcome = WriteKeynoteFile(
            CsvPath, settings_.LOC_TXTHT, shapes,
            [this, &painting](long written, long total) {
                ProgressUpdate("", written, total);
                // The bar is seen at once, and full before the file is flushed to the disk.
                if (written == 1 || written == total)
                    painting.Now();
                else
                    painting.Breathe();
            },
            &held, &cut);
        ProgressUpdate("", 0, 0);
        if (outcome) {
            settingsTab_.WriteProjectSettings();
            LoadedNotesDigest = NotesDigest(digests);
        }
    }
    if (outcome) {
        if (!cut.empty())
            Message("These notes are too long for a line of " + CsvPath +
                        ": the ends of their descriptions were not saved.|" + FirstFew(cut),
                    "", ICON_Exclamation, BUTTON_OK);
    } else {
        ReportFileOutcome(outcome);
    }
    OpenNotesFile();
    return static_cast<bool>(outcome);
}

bool KeynoteWindow::BackUp() {
    // Another program that opens the keynote file just as a save replaced it may hold the
    // previous file, now the backup's, for a moment (until it sees that the file lost its name):
    // the backup is tried again then.
    for (int attempt = 0;; ++attempt) {
        if (BackUpFile(CsvPath, BakPath))
            return true;
        if (attempt == 20 || FileErrorCode() != kAccessDenied || !HeldByAnother(BakPath))
            return false;
    }
}

bool KeynoteWindow::HoldsItsFile() {
    LineFile& held = Constnot()->file;
    // Another program may have put another file in the keynote file's place (a rename over it)
    // while the window held the old one: that file is not written over unasked, and it is held
    // from now on, so that a second program on the project is offered read-only mode.
    if (!held.IsOpen() || held.NamesOpenFile() || !FileExists(CsvPath))
        return true;
    LineFile now(kKeynoteLineWidth);
    now.SetName(CsvPath);
    if (!now.Open(OpenMode::ReadWriteDenyWrite)) {
        const std::string why = HeldByAnother(CsvPath)
                                    ? std::string("it is now opened by another user")
                                    : "it cannot be opened (" + FileErrorText() + ")";
        Message("File " + CsvPath + " was replaced by another program while you edited it, and " +
                    why + "!|Your notes were not saved.",
                "Error", ICON_Hand, BUTTON_OK);
        return false;
    }
    held = std::move(now);
    return Message("File " + CsvPath +
                       " was replaced by another program while you edited it.|Save the notes "
                       "shown here in its place? The file it holds now is kept as the backup " +
                       BakPath + ".",
                   "", ICON_Question, BUTTON_YES | BUTTON_NO, BUTTON_NO) == BUTTON_YES;
}

void KeynoteWindow::ReportFileOutcome(const CommaOutcome& outcome) {
    if (outcome)
        return;
    const char* what = outcome.failed == CommaStep::Open ? "Unable to open " : "Unable to create ";
    Message(what + ExportPath + "!|Error: " + outcome.error, "Error", ICON_Hand, BUTTON_OK);
}

void KeynoteWindow::ReportFileOutcome(const KeynoteOutcome& outcome) {
    const char* what = "Unable to create ";
    switch (outcome.failed) {
    case KeynoteStep::None:
        return;
    case KeynoteStep::Read:
        what = "Unable to read ";
        break;
    case KeynoteStep::Open:
        what = "Unable to open ";
        break;
    case KeynoteStep::Replace:
        what = "Unable to remove ";
        break;
    case KeynoteStep::Create:
    case KeynoteStep::Write:
        break;
    }
    Message(what + CsvPath + "!|Error: " + outcome.error, "Error", ICON_Hand, BUTTON_OK);
}

std::vector<ShapeNotes> KeynoteWindow::NotesInTabOrder() {
    std::stable_sort(TabQueue.begin(), TabQueue.end(),
                     [](const TabRecord& a, const TabRecord& b) { return a.NEWNUM < b.NEWNUM; });
    std::vector<ShapeNotes> out;
    for (const TabRecord& r : TabQueue) {
        if (r.SRCNUM < 1 || r.SRCNUM > 9)
            continue;
        const std::size_t i = static_cast<std::size_t>(r.SRCNUM - 1);
        if (shapes_[i].setUp)
            CurGrid = &shapes_[i].grid;
        out.push_back({r.SRCNUM, ShapeTitle[i], Rows(r.SRCNUM), r.NEWNAME});
    }
    return out;
}

// ---------------------------------------------------------------------------------------------
// Rows of a shape: its grid's, or those held aside

namespace {

// A note as a grid holds it, and a grid's row as a note: the only places that know which of the
// grid's fields holds what.
void AddToGrid(grid::PelkGridClass& grid, NoteRow&& row) {
    grid.AddRow(std::move(row.mark), std::move(row.number), std::move(row.description),
                std::move(row.unit), std::move(row.type));
}

NoteRow NoteOf(const grid::RowRecord& r) {
    auto field = [&r](grid::GridColumn column) { return std::string(r.Field(column)); };
    return {field(grid::ColMark), field(grid::ColNumber), field(grid::ColDescription),
            field(grid::ColUnit), field(grid::ColType)};
}

// A grid's row read where it is, as the report reads its notes (until the row changes).
NoteFields FieldsOf(const grid::RowRecord& r) {
    return {r.Field(grid::ColMark), r.Field(grid::ColNumber), r.Field(grid::ColDescription),
            r.Field(grid::ColUnit), r.Field(grid::ColType)};
}

// A note's fields as the stash keeps them: the mark a number of 0 to 255, the others at their
// widths in the keynote file (the description whole).
constexpr std::size_t kStashedWidths[] = {0, kNoteNumberWidth, kNoteDescWidth, kNoteUnitWidth,
                                          kNoteTypeWidth};

std::string StashedMark(std::string_view mark) {
    return DecimalText(ToByte(std::int64_t{ToLong(mark)}));
}

void KeepAsStashed(NoteRow& r) {
    std::string* fields[] = {&r.mark, &r.number, &r.description, &r.unit, &r.type};
    if (r.mark != "0" && r.mark != "1")
        r.mark = StashedMark(r.mark);
    for (std::size_t i = 1; i < std::size(fields); ++i)
        if (fields[i]->size() > kStashedWidths[i])
            fields[i]->resize(kStashedWidths[i]);
}

// A grid's row as the stash keeps a note: only a row that needs it is rewritten, the others are
// handed on as they are.
void KeepAsStashed(grid::RowRecord& r) {
    if (const std::string_view mark = r.Field(grid::ColMark); mark != "0" && mark != "1") {
        const std::string kept = StashedMark(mark);
        r.SetField(grid::ColMark, kept);
    }
    for (grid::GridColumn column :
         {grid::ColNumber, grid::ColDescription, grid::ColUnit, grid::ColType}) {
        const std::size_t width = kStashedWidths[static_cast<std::size_t>(column - 1)];
        if (const std::string_view field = r.Field(column); field.size() > width) {
            const std::string kept(field.substr(0, width));
            r.SetField(column, kept);
        }
    }
}

// The note in a grid's row `index` (from 0).
NoteRow NoteAt(const grid::PelkGridClass& grid, std::size_t index) {
    return NoteOf((*grid.QDATA)[index]);
}

} // namespace

std::vector<ShapeSource> KeynoteWindow::RowsInTabOrder(std::array<Digest, 9>& digests) {
    std::stable_sort(TabQueue.begin(), TabQueue.end(),
                     [](const TabRecord& a, const TabRecord& b) { return a.NEWNUM < b.NEWNUM; });
    std::vector<ShapeSource> out;
    std::array<bool, 9> taken{};
    for (const TabRecord& r : TabQueue) {
        if (r.SRCNUM < 1 || r.SRCNUM > 9 || taken[static_cast<std::size_t>(r.SRCNUM - 1)])
            continue;
        const std::size_t i = static_cast<std::size_t>(r.SRCNUM - 1);
        taken[i] = true;
        ShapeGrid& s = shapes_[i];
        Digest& digest = digests[i];
        AddShapeTitle(digest, r.SRCNUM);
        ShapeSource rows{r.SRCNUM, ShapeTitle[i], 0, {}, {}};
        if (s.setUp) {
            CurGrid = &s.grid;
            rows.count = static_cast<std::size_t>(s.grid.Records());
            // One note at a time, in the row that the grid's last note was taken into.
            auto note = std::make_shared<NoteRow>();
            rows.row = [&s, &digest, note](std::size_t index) -> const NoteRow& {
                *note = NoteAt(s.grid, index);
                AddNote(digest, *note);
                return *note;
            };
            rows.number = [&s](std::size_t index) {
                return s.grid.GetCellValue(static_cast<std::int32_t>(index + 1), 2);
            };
        } else {
            rows.count = s.held.size();
            rows.row = [&s, &digest](std::size_t index) -> const NoteRow& {
                AddNote(digest, s.held[index]);
                return s.held[index];
            };
            rows.number = [&s](std::size_t index) { return s.held[index].number; };
        }
        out.push_back(std::move(rows));
    }
    // A shape without a tab is not written; its digest is made all the same.
    for (std::size_t i = 0; i < taken.size(); ++i) {
        if (taken[i])
            continue;
        const int shape = static_cast<int>(i + 1);
        AddShapeTitle(digests[i], shape);
        for (const NoteRow& row : Rows(shape))
            AddNote(digests[i], row);
    }
    return out;
}

void KeynoteWindow::AddRow(int shape, NoteRow row) {
    ShapeGrid& s = shapes_[static_cast<std::size_t>(shape - 1)];
    row.shape = 0; // the shape's own list
    if (s.setUp)
        AddToGrid(s.grid, std::move(row));
    else
        s.held.push_back(std::move(row));
}

std::vector<NoteRow> KeynoteWindow::Rows(int shape) {
    ShapeGrid& s = shapes_[static_cast<std::size_t>(shape - 1)];
    if (!s.setUp)
        return s.held;
    std::vector<NoteRow> rows;
    rows.reserve(s.grid.QDATA->size());
    for (const grid::RowRecord& r : *s.grid.QDATA)
        rows.push_back(NoteOf(r));
    return rows;
}

void KeynoteWindow::FreeRows(int shape) {
    ShapeGrid& s = shapes_[static_cast<std::size_t>(shape - 1)];
    if (s.setUp)
        s.grid.FreeRows();
    s.held.clear();
}

// ---------------------------------------------------------------------------------------------
// The stash

void KeynoteWindow::StashNotesToGlobal() {
    window_.Update();
    // Room for every note held aside at once: the list is not moved shape by shape as it grows.
    std::size_t notes = NotesQueue.size();
    for (const ShapeGrid& s : shapes_)
        notes += s.setUp ? 0 : s.held.size();
    NotesQueue.reserve(notes);
    for (std::size_t i = 0; i < kShapes.size(); ++i)
        CollectNotesFromGrid(static_cast<int>(i + 1));
    NotesStashed = 1;
    StashHalfRead = readFailed_;
    StashSettings(settings_, TableSettingsStash);
}

void KeynoteWindow::CollectNotesFromGrid(int shape) {
    // The rows leave the window for the stash as they are held: a grid's rows are handed over
    // whole (the closing window has none left to free), the rows held aside move into the list;
    // no note is copied.
    const std::size_t at = static_cast<std::size_t>(shape - 1);
    ShapeGrid& s = shapes_[at];
    if (s.setUp) {
        std::vector<grid::RowRecord> rows = s.grid.TakeRows();
        for (grid::RowRecord& row : rows)
            KeepAsStashed(row);
        std::vector<grid::RowRecord>& kept = StashedRows[at];
        if (kept.empty())
            kept = std::move(rows);
        else // after what an earlier stash left
            kept.insert(kept.end(), std::make_move_iterator(rows.begin()),
                        std::make_move_iterator(rows.end()));
        return;
    }
    for (NoteRow& row : s.held) {
        KeepAsStashed(row);
        row.shape = shape;
        NotesQueue.push_back(std::move(row));
    }
    s.held.clear();
}

void KeynoteWindow::RestoreNotesFromGlobal() {
    // Each shape takes its notes of the list in the order they were stashed (the shape's row
    // order), their texts moved, not copied, then the rows its grid handed over whole; notes of
    // no shape are dropped with the stash.
    for (NoteRow& row : NotesQueue)
        if (const int shape = row.shape; shape >= 1 && shape <= static_cast<int>(kShapes.size()))
            AddRow(shape, std::move(row));
    for (std::size_t i = 0; i < kShapes.size(); ++i) {
        std::vector<grid::RowRecord>& rows = StashedRows[i];
        ShapeGrid& s = shapes_[i];
        if (s.setUp) {
            s.grid.GiveRows(std::move(rows));
            continue;
        }
        for (const grid::RowRecord& row : rows)
            AddRow(static_cast<int>(i + 1), NoteOf(row));
    }
    RestoreSettings(TableSettingsStash, settings_);
    // Rows of a half-read file stay rows that are never saved.
    readFailed_ = StashHalfRead;
    DiscardStash();
    SetSaveButtons();
}

// ---------------------------------------------------------------------------------------------
// Commands and events

void KeynoteWindow::PrintNotes() {
    // Every tab with a grid, the hidden ones too, in tab order, its notes read from the grid
    // itself (which nothing changes while the report lives); the reading leaves CurGrid on the
    // last of them, where the print run ends.
    std::stable_sort(TabQueue.begin(), TabQueue.end(),
                     [](const TabRecord& a, const TabRecord& b) { return a.NEWNUM < b.NEWNUM; });
    std::vector<ReportTab> tabs;
    for (const TabRecord& r : TabQueue) {
        grid::PelkGridClass* g = r.SRCNUM >= 1 && r.SRCNUM <= 9 ? Grid(r.SRCNUM) : nullptr;
        if (!g)
            continue;
        CurGrid = g;
        ReportTab tab{r.NEWNAME, g->DESCSIZE, {}, {}, {}};
        tab.count = [g] { return static_cast<std::size_t>(std::max(0, g->Records())); };
        tab.note = [g](std::size_t row) { return FieldsOf((*g->QDATA)[row]); };
        tabs.push_back(std::move(tab));
    }
    editor::PrintNotes(tabs);
}

void KeynoteWindow::ExportNotes() {
    // The export writes a file of its own: the keynote file stays held meanwhile, so no other
    // program takes the project, and an export aimed at the keynote file cannot replace it.
    ProgressUpdate("Exporting " + ExportPath + " ...", 0, 0);
    settings_.LOC_INSERTTABLEPHASES = PhasesSetting(window_[LOC_INSERTTABLEPHASES].Selected());
    settings_.LOC_DOCURRENTTABONLY =
        CurrentTabOnlySetting(window_[LOC_DOCURRENTTABONLY].Selected());
    const TableSettings& s = settings_;
    const CommaSettings exported{s.LOC_TXTHT,
                                 s.LOC_NDWID,
                                 s.LOC_DQWID,
                                 s.LOC_QUWID,
                                 s.LOC_LINESPACING,
                                 s.LOC_INSERTTABLEPHASES,
                                 s.LOC_DOCURRENTTABONLY,
                                 s.LOC_TBLWID,
                                 s.LOC_PHASEWID,
                                 s.LOC_QQWID,
                                 s.LOC_BUBBLELEADERCONNECTOSNAP};
    // The shapes in their fixed order, whatever the tab order; hidden tabs too. The export goes
    // through them in that order and ends on the last one's grid.
    ShapeRows rows;
    for (ShapeNotes& shape : NotesInTabOrder())
        rows[static_cast<std::size_t>(shape.shape - 1)] = std::move(shape.rows);
    for (int shape = 9; shape >= 1; --shape)
        if (grid::PelkGridClass* g = Grid(shape)) {
            CurGrid = g;
            break;
        }
    const CommaOutcome outcome = WriteCommaExport(ExportPath, CommaExportLines(exported, rows));
    ProgressUpdate("", 1, 1);
    ProgressUpdate("", 0, 0);
    ReportFileOutcome(outcome);
    OpenNotesFile();
}

void KeynoteWindow::StoreOpenEdits() {
    for (grid::PelkGridClass* g : GridList)
        if (g->EIPON == 1)
            g->AcceptEdit();
}

void KeynoteWindow::AddShapeTitle(Digest& digest, int shape) const {
    digest.Add(Clip(ShapeTitle[static_cast<std::size_t>(shape - 1)]));
}

namespace {

// A note's fields as the digest takes them: its mark as set or not, whatever its text.
void AddFields(Digest& digest, std::string_view mark, std::string_view number,
               std::string_view description, std::string_view unit, std::string_view type) {
    digest.Add(ToLong(mark) != 0 ? "1" : "0");
    digest.Add(number);
    digest.Add(description);
    digest.Add(unit);
    digest.Add(type);
}

} // namespace

void KeynoteWindow::AddNote(Digest& digest, const NoteRow& r) {
    AddFields(digest, r.mark, r.number, r.description, r.unit, r.type);
}

void KeynoteWindow::AddNote(Digest& digest, const grid::RowRecord& r) {
    // Read where the grid holds them, without a copy.
    AddFields(digest, r.Field(grid::ColMark), r.Field(grid::ColNumber),
              r.Field(grid::ColDescription), r.Field(grid::ColUnit), r.Field(grid::ColType));
}

std::string KeynoteWindow::NotesDigest() {
    // The notes go to their shape's digest field after field. No copy of the notes is kept.
    std::array<Digest, 9> shapes;
    for (int shape = 1; shape <= 9; ++shape) {
        Digest& digest = shapes[static_cast<std::size_t>(shape - 1)];
        AddShapeTitle(digest, shape);
        const ShapeGrid& s = shapes_[static_cast<std::size_t>(shape - 1)];
        if (s.setUp)
            for (const grid::RowRecord& r : *s.grid.QDATA)
                AddNote(digest, r);
        else
            for (const NoteRow& r : s.held)
                AddNote(digest, r);
    }
    return NotesDigest(shapes);
}

std::string KeynoteWindow::NotesDigest(std::array<Digest, 9>& shapes) {
    // Each shape's digest holds its title and its notes, in row order (so that a save, which
    // takes the shapes in tab order, makes them as it writes), and the settings follow.
    Digest digest;
    for (Digest& shape : shapes) {
        shape.EndGroup();
        digest.Add(shape.Finish());
    }
    settingsTab_.AddTo(digest);
    return digest.Finish();
}

bool KeynoteWindow::ExitProgram() {
    StoreOpenEdits();
    // Only a window that may save has changes of its own to lose.
    const bool unsaved = NotesOpenMode != 0 && NotesDigest() != LoadedNotesDigest;
    if (!MayEndProgram(unsaved))
        return false;
    Post(EVENT_CloseDown, 0, 1);
    return true;
}

void KeynoteWindow::SwitchDrawingTo(int selectedTab) {
    const std::int32_t host = selectedTab >= 1 && selectedTab <= 9 ? OleOf(selectedTab) : 0;
    for (grid::PelkGridClass* g : GridList)
        g->SetRedraw(g->OLECTRL == host ? 1 : 0);
}

void KeynoteWindow::SwitchTabTo(int selectedTab) {
    // An edit left open on the tab the user left is stored while its grid still draws: it
    // belongs to the rows that tab showed, and ends before anything else of the window runs.
    StoreOpenEdits();
    SwitchDrawingTo(selectedTab);
    // The grids draw on one surface of the window, which the shown tab's host shows: the grid
    // of that tab draws its own rows over whatever the last one left there, and selects one.
    for (grid::PelkGridClass* g : GridList)
        if (g->REDRAW == 1)
            g->Draw();
}

grid::PelkGridClass* KeynoteWindow::CurrentShapeGrid() {
    const int selected = window_[CURRENTTAB].Selected();
    for (const TabRecord& r : TabQueue) {
        if (r.NEWNUM != selected || r.SRCNUM < 1 || r.SRCNUM > 9)
            continue;
        ShapeGrid& s = shapes_[static_cast<std::size_t>(r.SRCNUM - 1)];
        return s.setUp ? &s.grid : nullptr;
    }
    return nullptr;
}

int KeynoteWindow::OnEvent() {
    const int event = CurrentEvent();
    if (event == EVENT_NewSelection && EventControl() == CURRENTTAB)
        SwitchTabTo(window_[CURRENTTAB].Selected());
    switch (event) {
    case EventNotesImported:
        LoadNotes();
        break;
    case EventReloadLookups:
        LoadUnitsAndTypes();
        break;
    case EventCloseForOptions:
    case EventCloseForImport:
        StoreOpenEdits();
        if (NotesOpenMode != 0)
            StashNotesToGlobal();
        KeynoteThread = 0;
        Post(event == EventCloseForOptions ? EventRunOptions : EventRunImport, 0, 1);
        return RESULT_Stop;
    case EventPrintNotes:
        StoreOpenEdits();
        PrintNotes();
        break;
    case EventExitRequested:
        ExitProgram();
        break;
    default:
        break;
    }
    for (grid::PelkGridClass* g : GridList)
        g->OnEvent();
    return WindowManager::OnEvent();
}

int KeynoteWindow::OnAccepted() {
    const int control = EventControl();
    const bool rowCommand =
        std::find(std::begin(kRowButtons), std::end(kRowButtons), control) != std::end(kRowButtons);
    grid::PelkGridClass* current = rowCommand ? CurrentShapeGrid() : nullptr;
    if (rowCommand && !current)
        return RESULT_Handled;
    switch (control) {
    case INSERT:
        current->RowCommand(1);
        break;
    case CHANGE:
        current->RowCommand(2);
        break;
    case DELETE:
        current->RowCommand(3);
        break;
    case MOVEUP:
        CurGrid = current;
        CurGrid->MoveRowUp(CurGrid->CURROW);
        break;
    case MOVEDOWN:
        CurGrid = current;
        CurGrid->MoveRowDown(CurGrid->CURROW);
        break;
    case MOVEFIRST:
        CurGrid = current;
        CurGrid->MoveRowToTop(CurGrid->CURROW);
        break;
    case MOVELAST:
        CurGrid = current;
        CurGrid->MoveRowToBottom(CurGrid->CURROW);
        break;
    case EXPORT:
        StoreOpenEdits();
        ExportPath = JoinPath(ProjectFolder, "constnot_comma.txt");
        if (FileDialog("", ExportPath, "Text|*.txt", FILE_Save | FILE_KeepDir | FILE_LongName))
            ExportNotes();
        break;
    case RESTOREDEFAULTVALUES:
        if (Message("Are you sure you want to restore default values?", "", ICON_Question,
                    BUTTON_YES | BUTTON_NO) == BUTTON_NO)
            return RESULT_Handled;
        settingsTab_.RestoreDefaults();
        break;
    case SAVEVALUESASDEFAULT:
        if (Message("Are you sure you want to save current values as default?", "", ICON_Question,
                    BUTTON_YES | BUTTON_NO) == BUTTON_NO)
            return RESULT_Handled;
        settingsTab_.SaveAsDefaults();
        settingsTab_.ShowDefaults();
        break;
    case SAVETOASCII:
        StoreOpenEdits();
        SaveNotes();
        break;
    case SAVETOASCIIANDCLOSE:
        StoreOpenEdits();
        // The program ends only when the notes are safely in the file.
        if (SaveNotes())
            Post(EVENT_CloseDown, 0, 1);
        break;
    case keynote::EXIT:
        if (!ExitProgram())
            return RESULT_Handled;
        break;
    default:
        break;
    }
    int result = WindowManager::OnAccepted();
    if (control == LOC_TXTHT)
        Reset(true);
    return result;
}

int KeynoteWindow::OnNewSelection() {
    if (EventControl() == CURRENTTAB) {
        ShowRowButtons(window_[CURRENTTAB].Selected() != 10);
        settingsTab_.ShowDefaults();
        window_.Display();
    }
    return WindowManager::OnNewSelection();
}

int KeynoteWindow::OnSelected() {
    int result = WindowManager::OnSelected();
    if (EventControl() == PARAGRAPH)
        settingsTab_.ParagraphSelected();
    else if (EventControl() == GRID)
        settingsTab_.GridSelected();
    return result;
}

int KeynoteWindow::OnWindowEvent() {
    // The close box is Exit: the window closes when the program ends.
    if (CurrentEvent() == EVENT_CloseWindow) {
        ExitProgram();
        return RESULT_Handled;
    }
    if (CurrentEvent() == EVENT_Sized)
        window_.SetCaption(window_.Maximized() ? "" : "Browse the Keynotes");
    return WindowManager::OnWindowEvent();
}

} // namespace editor
