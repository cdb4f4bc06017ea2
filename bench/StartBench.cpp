// How soon `notes` shows its frame: from the start of the process to its first top-level window
// mapped on the display, beside the same for a bare Qt window with a menu (this program started
// again with --bare), in the same run with the same platform plugin and environment; the figure
// that counts is the ratio, taken round by round. Each round starts both, the one first that went
// second in the round before, after one unmeasured round that brings both programs' files into
// the cache and leaves the project as a project opened before (its qvr.ini written).
// The map is seen as the display reports it (the root window's MapNotify of a window at least
// 300 pixels square, so no message box or helper window), so nothing in the programs is timed
// from the inside. Each process is ended once its window is mapped.
// Run by hand under a display: xvfb-run -a build/bin/start_bench [rounds]
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

// Starts a program and waits for the display to map a top-level window; the time in ms, or a
// negative number when nothing was mapped within 20 s.
double TimeToMap(xcb_connection_t* x, const std::vector<std::string>& command,
                 const std::vector<std::pair<std::string, std::string>>& environment) {
    // Nothing mapped before this start counts.
    xcb_flush(x);
    while (xcb_generic_event_t* e = xcb_poll_for_event(x))
        std::free(e);
    const Clock::time_point start = Clock::now();
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
    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return ms;
}

std::pair<double, double> MinMedian(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return {v.front(), v[v.size() / 2]};
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "--bare")
        return Bare(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;

    xcb_connection_t* x = xcb_connect(nullptr, nullptr);
    if (!x || xcb_connection_has_error(x)) {
        std::fprintf(stderr, "no display: run under one (xvfb-run -a)\n");
        return 1;
    }
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(x)).data;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(x, screen->root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(x);

    const fs::path self = fs::read_symlink("/proc/self/exe");
    const fs::path notes = self.parent_path() / "notes";
    const fs::path folder =
        fs::temp_directory_path() / ("start-bench-" + std::to_string(::getpid()));
    fs::create_directories(folder / "job");
    {
        std::ofstream out(folder / "job" / "constnot.csv", std::ios::binary);
        out << "SET,TXTHT,0.1\r\n";
        for (int i = 1; i <= 100; ++i)
            out << "CIR," << i << ",Provide and install as specified,EA,COUNT\r\n";
    }
    const std::vector<std::pair<std::string, std::string>> environment = {
        {"XDG_CONFIG_HOME", (folder / "config").string()}};

    const std::vector<std::string> bareCommand = {self.string(), "--bare"};
    const std::vector<std::string> notesCommand = {notes.string(),
                                                   (folder / "job" / "constnot.csv").string()};
    std::vector<double> bare, editor, ratios;
    for (int round = -1; round < rounds; ++round) {
        double b = 0, n = 0;
        if (round % 2 == 0) {
            b = TimeToMap(x, bareCommand, environment);
            n = TimeToMap(x, notesCommand, environment);
        } else {
            n = TimeToMap(x, notesCommand, environment);
            b = TimeToMap(x, bareCommand, environment);
        }
        if (b < 0 || n < 0) {
            std::fprintf(stderr, "a window was never mapped\n");
            return 1;
        }
        if (round < 0)
            continue;
        std::printf("round %2d: bare %5.1f ms, notes %5.1f ms, ratio %.2f\n", round + 1, b, n,
                    n / b);
        bare.push_back(b);
        editor.push_back(n);
        ratios.push_back(n / b);
    }
    const auto [bareMin, bareMedian] = MinMedian(bare);
    const auto [notesMin, notesMedian] = MinMedian(editor);
    const auto [ratioMin, ratioMedian] = MinMedian(ratios);
    std::printf("bare Qt window with a menu, start to mapped: min %.0f ms, median %.0f ms\n",
                bareMin, bareMedian);
    std::printf("notes, start to frame mapped:               min %.0f ms, median %.0f ms\n",
                notesMin, notesMedian);
    std::printf("ratio notes / bare (round by round):        min %.2f, median %.2f (%d rounds)\n",
                ratioMin, ratioMedian, rounds);
    xcb_disconnect(x);
    fs::remove_all(folder);
    return 0;
}
