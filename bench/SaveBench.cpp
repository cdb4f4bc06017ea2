// The save of a large keynote file as a user meets it, timed by what the display draws
// (ScreenPaints.h): the program (its frame and keynote window, in this process) on a keynote file
// of `notes` notes over the nine shapes (1,000,000 by default; two in three of about 180
// characters over 4 lines, the others short), then the Save button, several times: from the
// button to the save's work done and to its last paint (the last before 100 ms without one after
// the work), how often the display painted meanwhile and the longest time without a paint; and the
// peak resident memory (VmHWM) of the open, from the process start to the window shown, beside
// the peak during each save (the peak is set back to the resident memory when the save begins).
// Each figure is the least and the median of the rounds.
// Run by hand under a display: xvfb-run -a build/bin/save_bench [notes] [rounds]
#include "EventPump.h"
#include "KeynoteRun.h"
#include "ScreenPaints.h"

#include "editor/ConfigVars.h"
#include "editor/KeynoteWindowDef.h"
#include "platform/ui/Frame.h"
#include "platform/ui/KeepPainting.h"
#include "platform/ui/Window.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace platform;
using bench::MsBetween;
using bench::PaintClock;
using bench::Pump;
using bench::PumpFor;
using bench::PumpUntil;

namespace {

bool KeynoteWindowOpen() {
    for (Window* w : Window::All())
        if (w->IsOpen() && w->Caption() == "Browse the Keynotes")
            return editor::KeynoteThread != 0;
    return false;
}

// A figure of /proc/self/status in kilobytes ("VmHWM", "VmRSS").
long StatusKb(const std::string& name) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(name + ":", 0) == 0)
            return std::atol(line.c_str() + name.size() + 1);
    return 0;
}

// Sets the peak resident memory back to what is resident now.
void ResetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

ino_t InodeOf(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

std::pair<double, double> MinMedian(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return {v.front(), v[v.size() / 2]};
}

} // namespace

int main(int argc, char** argv) {
    const int notes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000000;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;

    QApplication app(argc, argv);
    bench::ScreenPaints paints;
    if (!paints.Ok()) {
        std::fprintf(stderr, "no display with the damage extension: run under one (xvfb-run -a)\n");
        return 1;
    }
    // The pointer off the windows, so that a cursor drawn by the display is no paint of theirs.
    if (QScreen* screen = QGuiApplication::primaryScreen())
        QCursor::setPos(screen->geometry().bottomRight());

    const fs::path folder = fs::temp_directory_path() / ("save-bench-" + std::to_string(getpid()));
    fs::create_directories(folder / "app");
    fs::create_directories(folder / "job");
    ::setenv("XDG_CONFIG_HOME", (folder / "config").c_str(), 1);
    const std::string csv = (folder / "job" / "constnot.csv").string();
    bench::WriteNotes(csv, notes);
    std::ofstream((folder / "job" / "constnot.bak").string());
    ::sync();    // the file on the disk as a project's is, not still being written out
    ResetPeak(); // the file written above is no part of the open

    editor::ResetGlobals();
    editor::AppPath = (folder / "app").string();
    editor::Windows = {};
    editor::Windows.BrowseNextNotes = editor::BrowseNextNotes;
    editor::Windows.ConfigVars = editor::ConfigVars;
    editor::Windows.ImportNotes = [] {};
    std::string program = "notes", arg = csv;
    char* args[] = {program.data(), arg.data()};
    SetCommandArguments(2, args);
    Start([](const std::string&) { editor::Main(); });
    if (!PumpUntil(KeynoteWindowOpen, 300000)) {
        std::fprintf(stderr, "the keynote window did not open\n");
        return 1;
    }
    PumpFor(1000);
    const long openPeak = StatusKb("VmHWM");
    std::printf("%d notes loaded, peak resident memory of the open %.0f MB; load of the "
                "machine: ",
                notes, openPeak / 1024.0);
    std::fflush(stdout);
    std::system("cut -d' ' -f1-3 /proc/loadavg");

    std::vector<double> works, lasts, gaps, peaks;
    for (int round = 0; round < rounds; ++round) {
        const ino_t before = InodeOf(csv);
        ResetPeak();
        const PaintClock::time_point start = PaintClock::now();
        Post(EVENT_Accepted, editor::keynote::SAVETOASCII, editor::KeynoteThread);
        // The file is replaced before the save's last steps, which do not pause for paints.
        if (!PumpUntil([&] { return InodeOf(csv) != before && !WorkPausedForPaint(); }, 300000)) {
            std::fprintf(stderr, "the save did not end\n");
            return 1;
        }
        const PaintClock::time_point end = PaintClock::now();
        const long peak = StatusKb("VmHWM");
        paints.WaitQuiet(end, 300, 10000);
        PumpFor(300);
        // The save's paints: those until the first 100 ms without one after its work is done
        // (a caret that blinks later is no part of it).
        std::vector<PaintClock::time_point> seen;
        for (PaintClock::time_point t : paints.Since(start)) {
            if (t > end && MsBetween(seen.empty() ? start : std::max(seen.back(), end), t) > 100)
                break;
            seen.push_back(t);
        }
        double gap = 0;
        PaintClock::time_point previous = start;
        for (PaintClock::time_point t : seen) {
            gap = std::max(gap, MsBetween(previous, t));
            previous = t;
        }
        gap = std::max(gap, MsBetween(previous, std::max(previous, end)));
        works.push_back(MsBetween(start, end));
        lasts.push_back(seen.empty() ? -1 : MsBetween(start, seen.back()));
        gaps.push_back(gap);
        peaks.push_back(peak / 1024.0);
        std::printf("save %d: work done after %.0f ms, last paint %.0f ms; %d paints, longest "
                    "without a paint %.0f ms; peak resident memory %.0f MB (%.2f x the open's)\n",
                    round + 1, works.back(), lasts.back(), static_cast<int>(seen.size()),
                    gaps.back(), peaks.back(), peak / static_cast<double>(openPeak));
        PumpFor(500);
    }
    const auto [workMin, workMedian] = MinMedian(works);
    const auto [lastMin, lastMedian] = MinMedian(lasts);
    const auto [gapMin, gapMedian] = MinMedian(gaps);
    const auto [peakMin, peakMedian] = MinMedian(peaks);
    std::printf("save, button to work done: min %.0f ms, median %.0f ms; to the last paint: min "
                "%.0f ms, median %.0f ms\n",
                workMin, workMedian, lastMin, lastMedian);
    std::printf("longest without a paint: min %.0f ms, median %.0f ms\n", gapMin, gapMedian);
    std::printf("peak resident memory during the save: min %.0f MB, median %.0f MB (the open's "
                "%.0f MB: %.2f x at the median)\n",
                peakMin, peakMedian, openPeak / 1024.0, peakMedian * 1024.0 / openPeak);
    EndAllThreads();
    Pump();
    fs::remove_all(folder);
    return 0;
}
