// How soon `notes` shows its frame: from the start of the process to its first top-level window
// mapped on the display, beside the same for a bare Qt window with a menu (this program started
// again with --bare), in the same run with the same platform plugin and environment; the figure
// that counts is the ratio, taken round by round. Each round starts both, the one first that went
// second in the round before, after one unmeasured round that brings both programs' files into
// the cache and leaves the project as a project opened before (its qvr.ini written).
// The map is seen as the display reports it (the root window's MapNotify of a window at least
// 300 pixels square, so no message box or helper window), so nothing in the programs is timed
// from the inside. Each process is ended once its window is mapped.
// Then how soon the window is drawn whole on a keynote file of 10,000 4-line notes: from the
// start of the process to the last paint the display makes before the program rests (what the X
// server draws, ScreenPaints.h; the caret's blinking once it rests does not count), beside the
// same for the bare window, interleaved the same way.
// Run by hand under a display: xvfb-run -a build/bin/start_bench [rounds [notes]] [--beside OTHER]
// [--paints]; --paints lists, after each window drawn, when each of its paints was seen.
#include "ScreenPaints.h"

#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>

#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <sys/select.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

int Bare(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    QMenu* file = window.menuBar()->addMenu("&File");
    file->addAction("E&xit", &app, &QApplication::quit);
    window.menuBar()->addMenu("&Help")->addAction("&About");
    window.resize(800, 560);
    window.show();
    return app.exec();
}

using Environment = std::vector<std::pair<std::string, std::string>>;

// Starts a program with the variables given set.
pid_t StartProcess(const std::vector<std::string>& command, const Environment& environment) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        for (const auto& [name, value] : environment)
            ::setenv(name.c_str(), value.c_str(), 1);
        std::vector<char*> args;
        for (const std::string& a : command)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    return pid;
}

void EndProcess(pid_t pid) {
    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
}

// Starts a program and waits for the display to map a top-level window; the time in ms, or a
// negative number when nothing was mapped within 20 s.
double TimeToMap(xcb_connection_t* x, const std::vector<std::string>& command,
                 const Environment& environment) {
    // Nothing mapped before this start counts.
    xcb_flush(x);
    while (xcb_generic_event_t* e = xcb_poll_for_event(x))
        std::free(e);
    const Clock::time_point start = Clock::now();
    const pid_t pid = StartProcess(command, environment);
    double ms = -1;
    const int fd = xcb_get_file_descriptor(x);
    while (ms < 0 && std::chrono::duration<double>(Clock::now() - start).count() < 20.0) {
        xcb_generic_event_t* e = xcb_poll_for_event(x);
        if (!e) {
            fd_set read;
            FD_ZERO(&read);
            FD_SET(fd, &read);
            timeval wait{0, 20000};
            ::select(fd + 1, &read, nullptr, nullptr, &wait);
            continue;
        }
        if ((e->response_type & 0x7f) == XCB_MAP_NOTIFY) {
            auto* map = reinterpret_cast<xcb_map_notify_event_t*>(e);
            const double at =
                std::chrono::duration<double, std::milli>(Clock::now() - start).count();
            // A window the size of a frame, not one of the toolkit's helpers.
            xcb_get_geometry_reply_t* geometry =
                xcb_get_geometry_reply(x, xcb_get_geometry(x, map->window), nullptr);
            if (!map->override_redirect && geometry && geometry->width >= 300 &&
                geometry->height >= 300)
                ms = at;
            std::free(geometry);
        }
        std::free(e);
    }
    EndProcess(pid);
    return ms;
}

bool& ListPaints() {
    static bool list = false;
    return list;
}

// Starts a program and waits until the display has painted nothing for 400 ms; the first and
// the last paint from the start, of those before the first pause of 250 ms (so a caret that
// blinks every half second once the window is idle does not count), negative when nothing was
// painted within 60 s.
std::pair<double, double> TimeToLastPaint(bench::ScreenPaints& paints,
                                          const std::vector<std::string>& command,
                                          const Environment& environment) {
    const Clock::time_point start = Clock::now();
    const pid_t pid = StartProcess(command, environment);
    for (;;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const Clock::time_point now = Clock::now();
        const std::vector<Clock::time_point> seen = paints.Since(start);
        if ((!seen.empty() && bench::MsBetween(seen.back(), now) >= 400) ||
            bench::MsBetween(start, now) > 60000)
            break;
    }
    EndProcess(pid);
    const std::vector<Clock::time_point> seen = paints.Since(start);
    // The display repaints what the window covered: that settles before the next start.
    paints.WaitQuiet(Clock::now(), 150, 3000);
    if (seen.empty())
        return {-1, -1};
    std::size_t last = 0;
    while (last + 1 < seen.size() && bench::MsBetween(seen[last], seen[last + 1]) < 250)
        ++last;
    if (ListPaints()) {
        std::printf(" [");
        for (std::size_t i = 0; i <= last; ++i)
            std::printf(" %.0f", bench::MsBetween(start, seen[i]));
        std::printf(" ]");
    }
    return {bench::MsBetween(start, seen.front()), bench::MsBetween(start, seen[last])};
}

// A keynote file of `notes` notes of four lines each (about 180 characters), spread over the nine
// shapes.
void WriteFourLineNotes(const fs::path& csv, int notes) {
    static const char* const kCodes[] = {"CIR", "HEX", "BOX", "PEN", "ELL",
                                         "DIA", "REC", "OCT", "TRI"};
    std::ofstream out(csv, std::ios::binary);
    out << "SET,TXTHT,0.1\r\n";
    for (int shape = 0; shape < 9; ++shape)
        for (int i = shape; i < notes; i += 9)
            out << kCodes[shape] << "," << i
                << ",\"Provide and install expansion joint filler, sealant and backer rod, "
                   "see detail "
                << i
                << "\\nTypical at all slab edges, \"\"both faces\"\"\\nCoordinate with "
                   "architectural finishes\\nVerify in field\",EA,COUNT\r\n";
}

std::pair<double, double> MinMedian(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return {v.front(), v[v.size() / 2]};
}

// One program of a round: its name in the figures, its command, and what it was seen to do.
struct Runner {
    std::string name;
    std::vector<std::string> command;
    std::vector<double> figures;
};

void PrintFigures(const char* what, const std::vector<Runner>& runners) {
    std::printf("%s:\n", what);
    for (const Runner& r : runners) {
        const auto [least, median] = MinMedian(r.figures);
        std::printf("  %-18s min %4.0f ms, median %4.0f ms", r.name.c_str(), least, median);
        if (&r != &runners.front()) {
            std::vector<double> ratios;
            for (std::size_t i = 0; i < r.figures.size(); ++i)
                ratios.push_back(r.figures[i] / runners.front().figures[i]);
            const auto [ratioLeast, ratioMedian] = MinMedian(ratios);
            std::printf("; / %s round by round: min %.2f, median %.2f",
                        runners.front().name.c_str(), ratioLeast, ratioMedian);
        }
        std::printf("\n");
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "--bare")
        return Bare(argc, argv);
    std::vector<std::string> positional, beside;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--beside" && i + 1 < argc)
            beside.emplace_back(argv[++i]);
        else if (std::string(argv[i]) == "--paints")
            ListPaints() = true;
        else
            positional.emplace_back(argv[i]);
    }
    const int rounds = !positional.empty() ? std::max(1, std::atoi(positional[0].c_str())) : 9;
    const int manyNotes =
        positional.size() > 1 ? std::max(1, std::atoi(positional[1].c_str())) : 10000;

    xcb_connection_t* x = xcb_connect(nullptr, nullptr);
    bench::ScreenPaints paints;
    if (!x || xcb_connection_has_error(x) || !paints.Ok()) {
        std::fprintf(stderr, "no display with the damage extension: run under one (xvfb-run -a)\n");
        return 1;
    }
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(x)).data;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(x, screen->root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(x);

    const fs::path self = fs::read_symlink("/proc/self/exe");
    const fs::path folder =
        fs::temp_directory_path() / ("start-bench-" + std::to_string(::getpid()));
    fs::create_directories(folder / "job");
    fs::create_directories(folder / "many");
    {
        std::ofstream out(folder / "job" / "constnot.csv", std::ios::binary);
        out << "SET,TXTHT,0.1\r\n";
        for (int i = 1; i <= 100; ++i)
            out << "CIR," << i << ",Provide and install as specified,EA,COUNT\r\n";
    }
    WriteFourLineNotes(folder / "many" / "constnot.csv", manyNotes);
    const Environment environment = {{"XDG_CONFIG_HOME", (folder / "config").string()}};

    // The bare window first: the others' figures are given against it. A notes program given
    // with --beside (another build, say) runs in the same rounds.
    std::vector<std::string> programs = {(self.parent_path() / "notes").string()};
    programs.insert(programs.end(), beside.begin(), beside.end());
    auto runnersFor = [&](const fs::path& csv) {
        std::vector<Runner> runners = {{"bare Qt window", {self.string(), "--bare"}, {}}};
        for (std::size_t i = 0; i < programs.size(); ++i)
            runners.push_back({i == 0 ? "notes" : "notes " + std::to_string(i + 1),
                               {programs[i], csv.string()},
                               {}});
        return runners;
    };
    std::vector<Runner> toMap = runnersFor(folder / "job" / "constnot.csv");
    std::vector<Runner> toDrawn = runnersFor(folder / "many" / "constnot.csv");
    // Each round starts them in turn, beginning one further along than the round before, after
    // one unmeasured round.
    for (int round = -1; round < rounds; ++round) {
        const std::size_t n = toMap.size();
        std::printf("round %2d:", round + 1);
        for (std::size_t k = 0; k < n; ++k) {
            Runner& m = toMap[(k + static_cast<std::size_t>(round + 1)) % n];
            Runner& d = toDrawn[(k + static_cast<std::size_t>(round + 1)) % n];
            const double mapped = TimeToMap(x, m.command, environment);
            paints.WaitQuiet(Clock::now(), 150, 3000);
            const auto [first, last] = TimeToLastPaint(paints, d.command, environment);
            if (mapped < 0 || last < 0) {
                std::fprintf(stderr, "\n%s was never mapped or drawn\n", m.name.c_str());
                return 1;
            }
            std::printf("  %s mapped %.0f, drawn %.0f ms", m.name.c_str(), mapped, last);
            if (round < 0)
                continue;
            m.figures.push_back(mapped);
            d.figures.push_back(last);
        }
        std::printf("\n");
        std::fflush(stdout);
    }
    std::printf("(%d rounds, load %s)\n", rounds, [] {
        static std::string load;
        std::ifstream("/proc/loadavg") >> load;
        return load.c_str();
    }());
    PrintFigures("start to the frame mapped (100 notes)", toMap);
    PrintFigures(
        ("start to the last paint (" + std::to_string(manyNotes) + " 4-line notes)").c_str(),
        toDrawn);
    xcb_disconnect(x);
    fs::remove_all(folder);
    return 0;
}
