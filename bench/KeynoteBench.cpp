// The keynote window's speed as a user feels it, on keynote files of 1,000, 10,000 and 100,000
// notes spread over the nine shapes (two in three realistic ones of about 180 characters over 4
// lines, the others short):
// - open: from the start of a fresh process to the keynote window set up, loaded and drawn (the
//   bench starts itself as that process for each file and takes the time before it starts it);
// - load alone: a reload of the file, with how often the progress bar is redrawn while shown;
// - save: the whole save, with how many times it flushed a file to the disk (fsync and
//   fdatasync counted as the program calls them) and the progress bar's redraws; beside it, in
//   the same process, the bytes it wrote written again by hand as a safe save must at least
//   (in 64 KiB blocks to a file beside, fsync, rename over the file, fsync of the folder), and
//   the ratio of the two;
// - the resident memory with the notes open;
// - with --first-load N (one file of N notes): how soon the window is first painted, and how
//   often the progress bar is painted while the first load runs (the longest gap between two
//   paints of the bar).
// Each figure is the least and the median of several processes.
// Run by hand (headless: QT_QPA_PLATFORM=offscreen build/bin/keynote_bench [most notes]).
#include "KeynoteRun.h"
#include "editor/KeynoteWindowDef.h"

#include <QApplication>
#include <QProgressBar>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace editor;
using namespace platform;

namespace {

std::atomic<int> flushes{0};

} // namespace

// Every flush the program asks for is counted on its way to the system.
extern "C" int fsync(int fd) {
    ++flushes;
    return static_cast<int>(::syscall(SYS_fsync, fd));
}
extern "C" int fdatasync(int fd) {
    ++flushes;
    return static_cast<int>(::syscall(SYS_fdatasync, fd));
}

namespace {

using bench::NowMs;
using bench::SettleWindow;

long ResidentKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    return 0;
}

// The anchor of the save: the bytes the save wrote, written beside the file as a save writes its
// new file (in blocks of 64 KiB), flushed to the disk, renamed over it and the folder flushed;
// the milliseconds it took.
double PlainWrite(const std::string& csv) {
    std::string bytes;
    {
        std::ifstream in(csv, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    const std::string temp = csv + ".plain";
    const double start = NowMs();
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return -1;
    for (std::size_t at = 0; at < bytes.size();) {
        const ssize_t written =
            ::write(fd, bytes.data() + at, std::min<std::size_t>(bytes.size() - at, 1 << 16));
        if (written <= 0)
            return -1;
        at += static_cast<std::size_t>(written);
    }
    ::fsync(fd);
    ::close(fd);
    if (::rename(temp.c_str(), csv.c_str()) != 0)
        return -1;
    const int folder =
        ::open(std::filesystem::path(csv).parent_path().c_str(), O_RDONLY | O_DIRECTORY);
    ::fsync(folder);
    ::close(folder);
    return NowMs() - start;
}

// The process the figures come from: opens the window on the folder's keynote file, reloads it,
// saves it, and prints what it saw on one line.
// Paints seen while the window opens: the first paint of any widget, and every paint of a
// progress bar.
class PaintWatch : public QObject {
public:
    double first = 0;
    std::vector<double> bar;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            const double now = NowMs();
            if (first == 0)
                first = now;
            if (qobject_cast<QProgressBar*>(watched))
                bar.push_back(now);
        }
        return false;
    }
};

int Child(int argc, char** argv, const std::filesystem::path& folder) {
    QApplication app(argc, argv);
    PaintWatch paints;
    app.installEventFilter(&paints);
    setenv("XDG_CONFIG_HOME", (folder / "config").c_str(), 1);
    const std::string csv = (folder / "job" / "constnot.csv").string();
    KeynoteWindow* window = nullptr;
    const int thread = bench::StartKeynoteWindow(folder, csv, window);
    SettleWindow();
    const double drawn = NowMs();
    app.removeEventFilter(&paints);
    double longestGap = 0;
    for (std::size_t i = 1; i < paints.bar.size(); ++i)
        longestGap = std::max(longestGap, paints.bar[i] - paints.bar[i - 1]);
    if (!bench::WindowOpenedAlone(window))
        return 1;
    int redraws = 0;
    auto* bar = static_cast<QProgressBar*>(window->window()[keynote::APROGRESS].Widget());
    // A value the bar takes while it is hidden is not a redraw anyone sees.
    QObject::connect(bar, &QProgressBar::valueChanged, [&](int) {
        if (bar->isVisible())
            ++redraws;
    });

    double start = NowMs();
    Post(EventNotesImported, 0, thread);
    SettleWindow();
    const double load = NowMs() - start;
    const int loadRedraws = redraws;

    redraws = 0;
    flushes = 0;
    start = NowMs();
    Post(EVENT_Accepted, keynote::SAVETOASCII, thread);
    SettleWindow();
    const double save = NowMs() - start;
    const int saveFlushes = flushes;
    const int saveRedraws = redraws;
    const double plain = PlainWrite(csv);

    int rows = 0;
    for (int shape = 1; shape <= 9; ++shape)
        rows += window->Grid(shape)->Records();
    std::printf("%.3f %d %.3f %d %.3f %d %d %.1f %.3f %zu %.3f %.3f\n", drawn, rows, load,
                loadRedraws, save, saveFlushes, saveRedraws, ResidentKb() / 1024.0, paints.first,
                paints.bar.size(), longestGap, plain);
    std::fflush(stdout);
    EndAllThreads();
    return 0;
}

struct Run {
    double open, load, save, memory;
    int rows, loadRedraws, flushes, saveRedraws;
    double firstPaint; // from the process start
    std::size_t barPaints;
    double longestBarGap;
    double plain; // the save's bytes written, flushed and renamed as by hand
};

bool RunChild(const char* self, const std::filesystem::path& folder, Run& run) {
    const double start = NowMs();
    const std::string out = bench::RunChildProcess(self, folder);
    double drawn = 0, firstPaint = 0;
    if (std::sscanf(out.c_str(), "%lf %d %lf %d %lf %d %d %lf %lf %zu %lf %lf", &drawn, &run.rows,
                    &run.load, &run.loadRedraws, &run.save, &run.flushes, &run.saveRedraws,
                    &run.memory, &firstPaint, &run.barPaints, &run.longestBarGap, &run.plain) != 12)
        return false;
    run.open = drawn - start;
    run.firstPaint = firstPaint - start;
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--child")
        return Child(argc, argv, argv[2]);
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    if (argc == 3 && std::string(argv[1]) == "--first-load") {
        const int notes = std::max(1, std::atoi(argv[2]));
        const std::filesystem::path folder =
            std::filesystem::temp_directory_path() /
            ("keynote-bench-" + std::to_string(getpid()) + "-first");
        std::filesystem::create_directories(folder / "app");
        std::filesystem::create_directories(folder / "job");
        std::printf("%d notes, the first load:\n", notes);
        for (int round = 0; round < 3; ++round) {
            bench::WriteNotes(folder / "job" / "constnot.csv", notes);
            std::ofstream((folder / "job" / "constnot.bak").string());
            Run run{};
            if (!RunChild(self.c_str(), folder, run)) {
                std::fprintf(stderr, "the window's process gave no figures\n");
                return 1;
            }
            std::printf("  first paint %.0f ms after the start, window drawn after %.0f ms; "
                        "progress bar painted %zu times, at most %.0f ms apart\n",
                        run.firstPaint, run.open, run.barPaints, run.longestBarGap);
        }
        std::filesystem::remove_all(folder);
        return 0;
    }
    const int most = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100000;
    for (int notes : {1000, 10000, 100000}) {
        if (notes > most)
            break;
        const std::filesystem::path folder =
            std::filesystem::temp_directory_path() /
            ("keynote-bench-" + std::to_string(getpid()) + "-" + std::to_string(notes));
        std::filesystem::create_directories(folder / "app");
        std::filesystem::create_directories(folder / "job");
        std::vector<double> opens, loads, saves, plains, ratios;
        Run run{};
        for (int round = 0; round < 5; ++round) {
            bench::WriteNotes(folder / "job" / "constnot.csv", notes);
            std::ofstream((folder / "job" / "constnot.bak").string());
            if (!RunChild(self.c_str(), folder, run)) {
                std::fprintf(stderr, "the window's process gave no figures\n");
                return 1;
            }
            opens.push_back(run.open);
            loads.push_back(run.load);
            saves.push_back(run.save);
            plains.push_back(run.plain);
            ratios.push_back(run.save / run.plain);
        }
        const auto open = bench::MinMedian(opens), load = bench::MinMedian(loads),
                   save = bench::MinMedian(saves), plain = bench::MinMedian(plains),
                   ratio = bench::MinMedian(ratios);
        std::printf("%d notes (%d rows read):\n", notes, run.rows);
        std::printf("  process start to the window drawn: min %.0f ms, median %.0f ms\n",
                    open.first, open.second);
        std::printf("  load alone: min %.0f ms, median %.0f ms, progress bar redrawn %d times\n",
                    load.first, load.second, run.loadRedraws);
        std::printf("  save: min %.0f ms, median %.0f ms, %d flushes to disk, progress bar "
                    "redrawn %d times\n",
                    save.first, save.second, run.flushes, run.saveRedraws);
        std::printf("  the same bytes written, flushed and renamed: min %.0f ms, median %.0f ms; "
                    "save / that: min %.1f, median %.1f\n",
                    plain.first, plain.second, ratio.first, ratio.second);
        std::printf("  resident memory: %.1f MB\n", run.memory);
        std::filesystem::remove_all(folder);
    }
    return 0;
}
