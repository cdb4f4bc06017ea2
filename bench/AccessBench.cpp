// The keynote window's speed with a screen reader listening, beside the same without one, at
// 10,000 and 100,000 notes (or the counts given): the accessibility bus on, a client registered
// for focus, state, children, selection, name, text and window events as a screen reader
// registers (tests/atspi/bus_test.py --listen). Timed in the program's process, on the real
// display platform (the bridge to the bus lives there):
// - open: from the process start to the keynote window set up, loaded and drawn;
// - a typed key: Down on the grid, to the selection moved and drawn;
// - Move Last: the selected note moved to the end of its shape;
// - a tab switch: the next shape's tab chosen, to its grid drawn;
// - Save: the whole save of the keynote file;
// - the preview's first page: from the print command to the preview shown on its first page.
// Each figure is the least and the median of the rounds; the ratio is of the medians.
// Run by hand under a display and a private session bus (the listener starts the accessibility
// bus on it): dbus-run-session -- xvfb-run -a build/bin/access_bench [rounds [notes ...]]
#include "KeynoteRun.h"
#include "editor/KeynoteWindowDef.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QTabWidget>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

#ifndef KEYNOTES_SOURCE_DIR
#define KEYNOTES_SOURCE_DIR "."
#endif

using namespace editor;
using namespace platform;
namespace fs = std::filesystem;

namespace {

const char* const kFigures[] = {"open",       "typed key", "Move Last",
                                "tab switch", "Save",      "preview's first page"};
constexpr int kFigureCount = 6;

using bench::NowMs;
using bench::SettleWindow;

// Notes over the nine shapes, every fifth one marked, most of them four lines long.
void WriteProject(const fs::path& folder, int notes) {
    static const char* const shapes[] = {"CIR", "HEX", "BOX", "PEN", "ELL",
                                         "DIA", "REC", "OCT", "TRI"};
    fs::create_directories(folder / "app");
    fs::create_directories(folder / "job");
    std::ofstream out(folder / "job" / "constnot.csv", std::ios::binary);
    out << "SET,TXTHT,0.1\r\n";
    for (int n = 0; n < notes; ++n) {
        out << (n % 5 == 0 ? ";" : "") << shapes[n % 9] << "," << (n / 9) % 100000 + 1 << ",";
        if (n % 4 == 0)
            out << "Footing per detail " << n;
        else
            out << "Provide expansion joint at slab edge " << n
                << "\\nSealant and backer rod both faces\\nCoordinate with finishes\\nVerify";
        out << ",EA,COUNT\r\n";
    }
    std::ofstream(folder / "job" / "constnot.bak");
}

void Key(QWidget* focus, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(focus, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(focus, &release);
}

// The process the figures come from; prints the time the window was drawn and the others.
int Child(int argc, char** argv, const fs::path& folder) {
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName("notes"); // as a reader finds the program
    setenv("XDG_CONFIG_HOME", (folder / "config").c_str(), 1);
    KeynoteWindow* window = nullptr;
    const int thread =
        bench::StartKeynoteWindow(folder, (folder / "job" / "constnot.csv").string(), window);
    SettleWindow();
    const double drawn = NowMs();
    if (!window || QApplication::activeModalWidget()) {
        std::fprintf(stderr, "the window did not open, or a message holds it\n");
        return 1;
    }
    // The grid of the first tab takes the keyboard, as after Tab to it.
    QWidget* grid = window->window()[keynote::OLE1].Widget();
    grid->activateWindow();
    grid->setFocus(Qt::TabFocusReason);
    SettleWindow();
    const int row = window->Grid(1)->CURROW;
    std::vector<double> took;
    auto timed = [&](auto&& act) {
        const double start = NowMs();
        act();
        SettleWindow();
        took.push_back(NowMs() - start);
    };
    timed([&] { Key(grid, Qt::Key_Down); });
    if (window->Grid(1)->CURROW == row)
        std::fprintf(stderr, "Down moved nothing\n");
    timed([&] { Post(EVENT_Accepted, keynote::MOVELAST, thread); });
    auto* tabs = qobject_cast<QTabWidget*>(window->window()[keynote::CURRENTTAB].Widget());
    timed([&] { tabs->setCurrentIndex(1); });
    timed([&] { Post(EVENT_Accepted, keynote::SAVETOASCII, thread); });
    double start = NowMs();
    Post(EventPrintNotes, 0, thread);
    bool shown = false;
    while (!shown && NowMs() - start < 120000) {
        SettleWindow();
        for (Window* w : Window::All())
            shown = shown || w->Caption() == "Preview";
    }
    took.push_back(shown ? NowMs() - start : -1);
    std::printf("%.3f", drawn);
    for (double t : took)
        std::printf(" %.3f", t);
    std::printf("\n");
    std::fflush(stdout);
    EndAllThreads();
    return 0;
}

struct Listener {
    pid_t pid = 0;
    int input = -1; // closing it ends the listener
};

// Starts the screen reader's stand-in on the session bus and waits until it listens.
Listener Listen(double walkEvery) {
    int toChild[2], fromChild[2];
    if (::pipe(toChild) != 0 || ::pipe(fromChild) != 0)
        return {};
    const std::string script = KEYNOTES_SOURCE_DIR "/tests/atspi/bus_test.py";
    const std::string walk = std::to_string(walkEvery);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(toChild[0], STDIN_FILENO);
        ::dup2(fromChild[1], STDOUT_FILENO);
        ::close(toChild[1]);
        ::close(fromChild[0]);
        ::execl("/usr/bin/python3", "python3", script.c_str(), "--listen", "--walk", walk.c_str(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(toChild[0]);
    ::close(fromChild[1]);
    std::string line;
    char c = 0;
    while (::read(fromChild[0], &c, 1) == 1 && c != '\n')
        line += c;
    ::close(fromChild[0]);
    if (line != "listening") {
        std::fprintf(stderr, "the listener did not start (%s)\n", line.c_str());
        ::close(toChild[1]);
        ::waitpid(pid, nullptr, 0);
        return {};
    }
    return {pid, toChild[1]};
}

void StopListening(Listener& listener) {
    if (listener.input >= 0)
        ::close(listener.input);
    if (listener.pid > 0)
        ::waitpid(listener.pid, nullptr, 0);
    listener = {};
}

// Runs the window's process once; its figures (open first), or nothing when it gave none.
std::vector<double> RunChild(const char* self, const fs::path& folder, bool bus) {
    const double start = NowMs();
    const std::string out = bench::RunChildProcess(
        self, folder, {{"QT_LINUX_ACCESSIBILITY_ALWAYS_ON", bus ? "1" : nullptr}});
    std::vector<double> figures;
    const char* p = out.c_str();
    char* end = nullptr;
    for (double v = std::strtod(p, &end); end != p; v = std::strtod(p, &end)) {
        figures.push_back(v);
        p = end;
    }
    if (figures.size() != kFigureCount)
        return {};
    figures[0] -= start;
    return figures;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--child")
        return Child(argc, argv, argv[2]);
    if (!std::getenv("DISPLAY") || !std::getenv("DBUS_SESSION_BUS_ADDRESS")) {
        std::fprintf(stderr, "Run under a display and a private session bus: dbus-run-session "
                             "-- xvfb-run -a build/bin/access_bench [rounds [notes ...]]\n");
        return 2;
    }
    std::signal(SIGPIPE, SIG_IGN);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    std::vector<int> counts;
    for (int i = 2; i < argc; ++i)
        counts.push_back(std::max(1, std::atoi(argv[i])));
    if (counts.empty())
        counts = {10000, 100000};
    const std::string self = fs::read_symlink("/proc/self/exe").string();
    struct Mode {
        const char* name;
        bool bus;
        double walkEvery;
    };
    const Mode modes[] = {{"without the bus", false, 0}, {"bus, a reader listening", true, 0}};
    for (int notes : counts) {
        const fs::path folder =
            fs::temp_directory_path() /
            ("access-bench-" + std::to_string(::getpid()) + "-" + std::to_string(notes));
        std::map<std::string, std::vector<std::vector<double>>> seen; // mode: figure: rounds
        for (int round = 0; round < rounds; ++round)
            for (const Mode& mode : modes) {
                fs::remove_all(folder);
                WriteProject(folder, notes);
                Listener listener;
                if (mode.bus) {
                    listener = Listen(mode.walkEvery);
                    if (listener.pid == 0)
                        return 1;
                }
                std::vector<double> figures = RunChild(self.c_str(), folder, mode.bus);
                StopListening(listener);
                if (figures.empty()) {
                    std::fprintf(stderr, "the window's process gave no figures (%s)\n", mode.name);
                    return 1;
                }
                auto& mine = seen[mode.name];
                mine.resize(kFigureCount);
                for (int f = 0; f < kFigureCount; ++f)
                    mine[static_cast<std::size_t>(f)].push_back(
                        figures[static_cast<std::size_t>(f)]);
            }
        fs::remove_all(folder);
        std::printf("%d notes (%d rounds), ms: least / median, and the median's ratio to the "
                    "figure without the bus\n",
                    notes, rounds);
        const auto& off = seen[modes[0].name];
        for (int f = 0; f < kFigureCount; ++f) {
            std::printf("  %-22s", kFigures[f]);
            const double base = bench::MinMedian(off[static_cast<std::size_t>(f)]).second;
            for (const Mode& mode : modes) {
                const auto [least, median] =
                    bench::MinMedian(seen[mode.name][static_cast<std::size_t>(f)]);
                std::printf("  %8.1f / %8.1f", least, median);
                if (mode.bus)
                    std::printf(" (%.2f)", base > 0 ? median / base : 0.0);
            }
            std::printf("\n");
        }
        std::printf("  columns: ");
        for (const Mode& mode : modes)
            std::printf("[%s] ", mode.name);
        std::printf("\n");
        std::fflush(stdout);
    }
    return 0;
}
