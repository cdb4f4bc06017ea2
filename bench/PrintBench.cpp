// The printed report as a user meets it, timed by what the display draws (ScreenPaints.h): the
// program (its frame and keynote window, in this process) on a keynote file of `notes` 4-line
// notes over the nine shapes (100,000 by default), then
// - the preview: from the menu command "Print Construction Notes" to the preview's first paint
//   (and to its last, nothing painted for 300 ms after), several times, each closed with Exit;
//   the resident memory before the first and after the last;
// - with --print: Print The Report > All Pages: from OK in the print options to the print done,
//   the longest time without a paint meanwhile, and what the status bar said;
// - with --options: Setup > Editor Options: from the menu command to the dialog's first paint
//   (the keynote window stashes its notes and closes first), closed with Cancel (the window
//   takes its notes back: from Cancel to the keynote window's last paint, nothing painted for
//   300 ms after), several times, with the resident memory before and after;
// - with --import: the same with File > Import from the library, closed with Close.
// Each figure is the least and the median of the rounds. The print goes to the system's default
// printer, or to a PDF file when the system has none.
// Run by hand under a display:
// xvfb-run -a build/bin/print_bench [notes] [rounds] [--print] [--options] [--import]
#include "EventPump.h"
#include "ScreenPaints.h"

#include "editor/ConfigVars.h"
#include "editor/Globals.h"
#include "editor/KeynoteWindow.h"
#include "editor/Library.h"
#include "editor/MainFrame.h"
#include "platform/report/Preview.h"
#include "platform/runtime/Program.h"
#include "platform/runtime/Runtime.h"
#include "platform/ui/Frame.h"
#include "platform/ui/Window.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;
using namespace platform;
using bench::MsBetween;
using bench::PaintClock;
using bench::Pump;
using bench::PumpFor;
using bench::PumpUntil;

namespace {

const char* const kCodes[] = {"CIR", "HEX", "BOX", "PEN", "ELL", "DIA", "REC", "OCT", "TRI"};

void WriteNotes(const fs::path& csv, int notes) {
    std::ofstream out(csv, std::ios::binary);
    out << "SET,TXTHT,0.1\r\n";
    for (int i = 1; i <= notes; ++i)
        out << kCodes[i % 9] << "," << i % 100000
            << ",\"Provide and install expansion joint filler, sealant and backer rod, see detail "
            << i
            << "\\nTypical at all slab edges, both faces\\nCoordinate with architectural "
               "finishes\\nVerify in field\",EA,A\r\n";
}

Window* Find(const std::string& caption) {
    for (Window* w : Window::All())
        if (w->IsOpen() && w->Caption() == caption)
            return w;
    return nullptr;
}

long ResidentKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return 0;
}

std::pair<double, double> MinMedian(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return {v.front(), v[v.size() / 2]};
}

} // namespace

int main(int argc, char** argv) {
    int notes = 100000, previews = 5;
    bool print = false, editorOptions = false, import = false;
    std::vector<int> numbers;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--print") == 0)
            print = true;
        else if (std::strcmp(argv[i], "--options") == 0)
            editorOptions = true;
        else if (std::strcmp(argv[i], "--import") == 0)
            import = true;
        else
            numbers.push_back(std::max(1, std::atoi(argv[i])));
    }
    if (!numbers.empty())
        notes = numbers[0];
    if (numbers.size() > 1)
        previews = numbers[1];

    QApplication app(argc, argv);
    bench::ScreenPaints paints;
    if (!paints.Ok()) {
        std::fprintf(stderr, "no display with the damage extension: run under one (xvfb-run -a)\n");
        return 1;
    }
    // The pointer off the windows, so that a cursor drawn by the display is no paint of theirs.
    if (QScreen* screen = QGuiApplication::primaryScreen())
        QCursor::setPos(screen->geometry().bottomRight());

    const fs::path folder = fs::temp_directory_path() / ("print-bench-" + std::to_string(getpid()));
    fs::create_directories(folder / "app");
    fs::create_directories(folder / "job");
    ::setenv("XDG_CONFIG_HOME", (folder / "config").c_str(), 1);
    const std::string csv = (folder / "job" / "constnot.csv").string();
    WriteNotes(csv, notes);
    std::ofstream((folder / "job" / "constnot.bak").string());

    editor::ResetGlobals();
    editor::AppPath = (folder / "app").string();
    editor::Windows = {};
    editor::Windows.BrowseNextNotes = editor::BrowseNextNotes;
    editor::Windows.ConfigVars = editor::ConfigVars;
    editor::Windows.ImportNotes = editor::ImportNotes;
    std::string program = "notes", arg = csv;
    char* args[] = {program.data(), arg.data()};
    SetCommandArguments(2, args);
    Start([](const std::string&) { editor::Main(); });
    if (!PumpUntil([] { return Find("Browse the Keynotes") && editor::KeynoteThread != 0; },
                   120000)) {
        std::fprintf(stderr, "the keynote window did not open; open windows:");
        for (Window* w : Window::All())
            std::fprintf(stderr, " \"%s\"", w->Caption().c_str());
        std::fprintf(stderr, "\n");
        return 1;
    }
    PumpFor(1000);
    std::printf("%d 4-line notes loaded; load of the machine: ", notes);
    std::fflush(stdout);
    std::system("cut -d' ' -f1-3 /proc/loadavg");

    if (editorOptions || import) {
        // The dialog, the menu command that opens it and the button that closes it.
        const char* const caption =
            editorOptions ? "Editor Options" : "Import Key Notes from the Library";
        const int command =
            editorOptions ? editor::SETUPOPTIONS : editor::FILEIMPORTNOTESFROMLIBRARY;
        const int close = editorOptions ? int{editor::config_vars::CANCELBUTTON}
                                        : int{editor::import_notes::CLOSE};
        const long before = ResidentKb();
        std::vector<double> first, back;
        for (int round = 0; round < previews; ++round) {
            const PaintClock::time_point start = PaintClock::now();
            Post(EVENT_Accepted, command, 1);
            // The dialog's paints are those from the moment before the events that opened it
            // were handled: the display may draw it before it is seen to be there.
            PaintClock::time_point shown{}, unseen = start;
            Window* dialog = nullptr;
            if (!PumpUntil(
                    [&] {
                        dialog = Find(caption);
                        if (!dialog)
                            unseen = PaintClock::now();
                        else if (shown == PaintClock::time_point{})
                            shown = unseen;
                        return dialog && !paints.Since(shown).empty();
                    },
                    60000)) {
                std::fprintf(stderr, "%s was never painted\n", caption);
                return 1;
            }
            first.push_back(MsBetween(start, paints.Since(shown).front()));
            const bench::ScreenPaints::Seen seen = paints.Of(start, paints.Since(shown).front());
            std::printf("%s %d: first paint of the dialog %.0f ms after the command (longest "
                        "without a paint before it %.0f ms)\n",
                        caption, round + 1, first.back(), seen.longestGap);
            PumpFor(300);
            // Closed: the keynote window comes back with the notes it stashed.
            const PaintClock::time_point closed = PaintClock::now();
            PostInput(dialog->Thread(), Event{EVENT_Accepted, close, 0, dialog});
            PumpUntil(
                [&] {
                    if (Find(caption) || editor::KeynoteThread == 0 || !Find("Browse the Keynotes"))
                        return false;
                    const std::vector<PaintClock::time_point> since = paints.Since(closed);
                    return !since.empty() && MsBetween(since.back(), PaintClock::now()) >= 300;
                },
                60000);
            back.push_back(MsBetween(closed, paints.Since(closed).back()));
            std::printf("  closed: the keynote window's last paint %.0f ms after it\n",
                        back.back());
            PumpFor(700);
        }
        const auto [firstMin, firstMedian] = MinMedian(first);
        const auto [backMin, backMedian] = MinMedian(back);
        std::printf("%s, command to first paint: min %.0f ms, median %.0f ms\n", caption, firstMin,
                    firstMedian);
        std::printf("closed to the keynote window's last paint: min %.0f ms, median %.0f ms\n",
                    backMin, backMedian);
        std::printf("resident memory: %.1f MB before the first, %.1f MB after the last\n",
                    before / 1024.0, ResidentKb() / 1024.0);
        EndAllThreads();
        Pump();
        fs::remove_all(folder);
        return 0;
    }

    // The preview, from the menu command to its first paint.
    const long before = ResidentKb();
    std::vector<double> first, last;
    for (int round = 0; round < previews; ++round) {
        const PaintClock::time_point start = PaintClock::now();
        Post(editor::EventPrintNotes, 0, editor::KeynoteThread);
        Window* preview = nullptr;
        PaintClock::time_point shown{};
        if (!PumpUntil(
                [&] {
                    preview = Find("Preview");
                    if (preview && shown == PaintClock::time_point{})
                        shown = PaintClock::now();
                    return preview && !paints.Since(shown).empty();
                },
                120000)) {
            std::fprintf(stderr, "the preview was never painted\n");
            return 1;
        }
        paints.WaitQuiet(start, 300, 10000);
        PumpFor(300);
        const std::vector<PaintClock::time_point> since = paints.Since(shown);
        first.push_back(MsBetween(start, since.front()));
        last.push_back(MsBetween(start, paints.Since(start).back()));
        std::printf("preview %d: first paint %.0f ms after the command, last %.0f ms\n", round + 1,
                    first.back(), last.back());
        if (round + 1 == previews && print)
            break; // left open for the print
        PostInput(preview->Thread(), Event{EVENT_Accepted, preview::EXITBUTTON, 0, preview});
        PumpUntil([] { return !Find("Preview"); }, 10000);
        PumpFor(200);
    }
    const auto [firstMin, firstMedian] = MinMedian(first);
    std::printf("preview, command to first paint: min %.0f ms, median %.0f ms (%d previews)\n",
                firstMin, firstMedian, previews);
    std::printf("resident memory: %.1f MB before the first preview, %.1f MB after the last\n",
                before / 1024.0, ResidentKb() / 1024.0);

    if (print) {
        Window* preview = Find("Preview");
        PostInput(preview->Thread(), Event{EVENT_Accepted, preview::PRINTBUTTON, 0, preview});
        PumpUntil([] { return Find("Print Options") != nullptr; }, 10000);
        PumpFor(300);
        Window* options = Find("Print Options");
        std::set<std::string> said;
        const PaintClock::time_point start = PaintClock::now();
        PostInput(options->Thread(), Event{EVENT_Accepted, preview::PRINTOK, 0, options});
        Frame* frame = Frame::Current();
        // Done when the preview has closed after the pages were printed: a print to a file then
        // names the file in the status bar, a print to a printer leaves the status bar empty.
        bool printing = false;
        bool done = PumpUntil(
            [&] {
                const std::string text = frame ? frame->StatusText() : std::string();
                if (!text.empty())
                    said.insert(text);
                printing = printing || text.rfind("Printing page ", 0) == 0;
                return !Find("Preview") && printing && text.rfind("Printing page ", 0) != 0;
            },
            300000);
        const PaintClock::time_point end = PaintClock::now();
        const bench::ScreenPaints::Seen seen = paints.Of(start, end);
        std::printf("print of all pages: %s in %.0f ms, %d paints, longest without a paint %.0f "
                    "ms\n",
                    done ? "done" : "NOT done", MsBetween(start, end), seen.paints,
                    seen.longestGap);
        std::size_t shown = 0;
        for (const std::string& text : said)
            if (shown++ < 3 || text.rfind("Printed", 0) == 0)
                std::printf("  status bar: %s\n", text.c_str());
        std::printf("  (%zu texts in all)\n", said.size());
    }
    EndAllThreads();
    Pump();
    fs::remove_all(folder);
    return 0;
}
