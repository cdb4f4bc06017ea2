// Where the keynote window's memory goes with many notes open: a fresh process opens the window
// on a keynote file of N notes of 4 lines (about 180 characters each, spread over the nine
// shapes; 1,000,000 by default), and once the window is loaded and drawn it gives
// - the resident memory (VmRSS) and its peak while it opened (VmHWM);
// - the heap as the allocator sees it: bytes in use, bytes freed but kept, bytes in mappings of
//   their own;
// - what the grids' row lists take themselves (rows held, room kept, the size of a row's record);
// - the resident memory once the allocator has given back what it can (malloc_trim).
// The same run with 0 notes gives the window's own memory. Each round is a process of its own;
// the figures are the least and the median of the rounds.
// Run by hand (headless: QT_QPA_PLATFORM=offscreen build/bin/memory_bench [notes [rounds]]);
// `memory_bench --write file notes` only writes such a keynote file; `memory_bench --program
// path/to/notes [notes [rounds]]` (under a display: xvfb-run -a) reads the resident memory of the
// program itself, from outside, once it has opened such a file.
#include "KeynoteRun.h"

#include "grid/PelkGridClass.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <csignal>

#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace editor;
using namespace platform;

namespace {

const char* const kCodes[] = {"CIR", "HEX", "BOX", "PEN", "ELL", "DIA", "REC", "OCT", "TRI"};

long StatusKb(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(key) + ":";
    while (std::getline(status, line))
        if (line.rfind(prefix, 0) == 0)
            return std::strtol(line.c_str() + prefix.size(), nullptr, 10);
    return 0;
}

void WriteNotes(const std::filesystem::path& csv, int notes) {
    std::ofstream out(csv, std::ios::binary);
    out << "SET,TXTHT,0.1\r\n";
    for (int shape = 0; shape < 9; ++shape)
        for (int i = shape; i < notes; i += 9)
            out << (i % 7 == 0 ? ";" : "") << kCodes[shape] << "," << i % 100000
                << ",\"Provide and install expansion joint filler, sealant and backer rod, see "
                   "detail "
                << i
                << "\\nTypical at all slab edges, \"\"both faces\"\"\\nCoordinate with "
                   "architectural finishes\\nVerify in field\",EA,COUNT\r\n";
}

double Mb(double bytes) {
    return bytes / (1024.0 * 1024.0);
}

int Child(int argc, char** argv, const std::filesystem::path& folder) {
    QApplication app(argc, argv);
    setenv("XDG_CONFIG_HOME", (folder / "config").c_str(), 1);
    const std::string csv = (folder / "job" / "constnot.csv").string();
    KeynoteWindow* window = nullptr;
    bench::StartKeynoteWindow(folder, csv, window);
    bench::SettleWindow();
    if (!bench::WindowOpenedAlone(window))
        return 1;
    const long resident = StatusKb("VmRSS"), peak = StatusKb("VmHWM");
    const struct mallinfo2 heap = ::mallinfo2();
    std::size_t rows = 0, room = 0;
    for (int shape = 1; shape <= 9; ++shape)
        if (grid::PelkGridClass* g = window->Grid(shape); g && g->QDATA) {
            rows += g->QDATA->size();
            room += g->QDATA->capacity();
        }
    ::malloc_trim(0);
    const long trimmed = StatusKb("VmRSS");
    std::printf("%zu %.1f %.1f %.1f %.1f %.1f %zu %zu %zu %.1f\n", rows, resident / 1024.0,
                peak / 1024.0, Mb(static_cast<double>(heap.uordblks)),
                Mb(static_cast<double>(heap.fordblks)), Mb(static_cast<double>(heap.hblkhd)), room,
                sizeof(grid::RowRecord), sizeof(grid::RowRecord) * room, trimmed / 1024.0);
    std::fflush(stdout);
    EndAllThreads();
    return 0;
}

// The resident memory of `notes` itself on the file, from outside the process: it is started
// on the display of the environment and read once its memory has stood still for two seconds
// (the file loaded and the window drawn), then ended.
double ProgramResidentMb(const std::string& program, const std::filesystem::path& folder) {
    const std::string csv = (folder / "job" / "constnot.csv").string();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setenv("XDG_CONFIG_HOME", (folder / "config").c_str(), 1);
        ::execl(program.c_str(), program.c_str(), csv.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    const std::string status = "/proc/" + std::to_string(pid) + "/status";
    long last = -1, kb = 0;
    int still = 0;
    for (int i = 0; i < 1200 && still < 20; ++i) {
        ::usleep(100000);
        std::ifstream in(status);
        std::string line;
        kb = 0;
        while (std::getline(in, line))
            if (line.rfind("VmRSS:", 0) == 0)
                kb = std::strtol(line.c_str() + 6, nullptr, 10);
        still = kb == last ? still + 1 : 0;
        last = kb;
    }
    ::kill(pid, SIGTERM);
    int exitStatus = 0;
    ::waitpid(pid, &exitStatus, 0);
    return kb / 1024.0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--child")
        return Child(argc, argv, argv[2]);
    if (argc == 4 && std::string(argv[1]) == "--write") {
        WriteNotes(argv[2], std::max(0, std::atoi(argv[3])));
        return 0;
    }
    if (argc >= 3 && std::string(argv[1]) == "--program") {
        const int notes = argc > 3 ? std::max(0, std::atoi(argv[3])) : 1000000;
        const int rounds = argc > 4 ? std::max(1, std::atoi(argv[4])) : 3;
        const std::filesystem::path folder =
            std::filesystem::temp_directory_path() /
            ("memory-bench-" + std::to_string(getpid()) + "-program");
        std::filesystem::create_directories(folder / "job");
        WriteNotes(folder / "job" / "constnot.csv", notes);
        std::vector<double> residents;
        for (int round = 0; round < rounds; ++round) {
            std::ofstream((folder / "job" / "constnot.bak").string());
            residents.push_back(ProgramResidentMb(argv[2], folder));
        }
        std::filesystem::remove_all(folder);
        const auto [least, median] = bench::MinMedian(residents);
        std::printf("%s on %d notes of 4 lines: resident min %.1f MB, median %.1f MB\n", argv[2],
                    notes, least, median);
        return 0;
    }
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    const int notes = argc > 1 ? std::max(0, std::atoi(argv[1])) : 1000000;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() /
        ("memory-bench-" + std::to_string(getpid()) + "-" + std::to_string(notes));
    std::filesystem::create_directories(folder / "app");
    std::filesystem::create_directories(folder / "job");
    std::vector<double> residents, peaks, inUse, kept, mapped, trims;
    std::size_t rows = 0, room = 0, record = 0, rowLists = 0;
    for (int round = 0; round < rounds; ++round) {
        WriteNotes(folder / "job" / "constnot.csv", notes);
        std::ofstream((folder / "job" / "constnot.bak").string());
        const std::string out = bench::RunChildProcess(self.c_str(), folder);
        double resident = 0, peak = 0, used = 0, free = 0, mmapped = 0, trimmed = 0;
        if (std::sscanf(out.c_str(), "%zu %lf %lf %lf %lf %lf %zu %zu %zu %lf", &rows, &resident,
                        &peak, &used, &free, &mmapped, &room, &record, &rowLists, &trimmed) != 10) {
            std::fprintf(stderr, "the window's process gave no figures\n");
            return 1;
        }
        residents.push_back(resident);
        peaks.push_back(peak);
        inUse.push_back(used);
        kept.push_back(free);
        mapped.push_back(mmapped);
        trims.push_back(trimmed);
    }
    std::filesystem::remove_all(folder);
    auto line = [](const char* what, const std::vector<double>& values) {
        const auto [least, median] = bench::MinMedian(values);
        std::printf("  %-34s min %7.1f MB, median %7.1f MB\n", what, least, median);
    };
    std::printf("%d notes of 4 lines (%zu rows in the grids), %d processes:\n", notes, rows,
                rounds);
    line("resident, window drawn:", residents);
    line("resident at its peak:", peaks);
    line("heap in use:", inUse);
    line("heap freed but kept:", kept);
    line("heap in mappings of their own:", mapped);
    line("resident after malloc_trim:", trims);
    std::printf("  row lists: %zu rows in room for %zu, %zu bytes a record, %.1f MB\n", rows, room,
                record, Mb(static_cast<double>(rowLists)));
    return 0;
}
