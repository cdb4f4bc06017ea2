// How much long unit and type lists in the project INI add to the start of `notes`: the process
// started on a project whose qvr.ini holds `entries` units and as many types (9,999, the most the
// grids read, by default) beside the same project without them, from the start of the process to
// its last paint while it works (the keynote window drawn with its grid; paints once it has
// stopped using the processor, as the caret blinks, do not count: a paint after 300 ms in which
// the process used no processor time ends the start),
// as the display reports the drawing (ScreenPaints.h). Each round starts both, the one first that
// went second in the round before, after one unmeasured round; the figure that counts is the
// difference, round by round. Each process is ended once it is quiet. Beside it, the processor
// time each start used up to then (user and system, in the kernel's clock ticks), which the load
// of a shared machine moves far less than the time to the paint.
// Run by hand under a display: xvfb-run -a build/bin/lists_bench [rounds] [entries]
#include "ScreenPaints.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using bench::PaintClock;

namespace {

void WriteProject(const fs::path& job, int entries) {
    fs::create_directories(job);
    std::ofstream csv(job / "constnot.csv", std::ios::binary);
    csv << "SET,TXTHT,0.1\r\n";
    for (int i = 1; i <= 100; ++i)
        csv << "CIR," << i << ",Provide and install as specified,EA,COUNT\r\n";
    if (entries == 0)
        return;
    // In the order the list window saves them: ascending.
    std::ofstream ini(job / "qvr.ini", std::ios::binary);
    ini << "[QVREditUnits]\r\n";
    char value[16];
    for (int i = 1; i <= entries; ++i) {
        std::snprintf(value, sizeof value, "U%04d", i);
        ini << "Unit" << i << "=" << value << "\r\n";
    }
    ini << "[QVREditTypes]\r\n";
    for (int i = 1; i <= entries; ++i) {
        std::snprintf(value, sizeof value, "T%04d", i);
        ini << "Type" << i << "=" << value << "\r\n";
    }
}

// The processor time a process has used so far, in clock ticks.
long long CpuTicks(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const std::size_t close = text.rfind(')');
    if (close == std::string::npos)
        return -1;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    long long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14)
            utime = std::atoll(field.c_str());
        if (i == 15)
            stime = std::atoll(field.c_str());
    }
    return utime + stime;
}

// Starts notes on a keynote file and waits until it has painted and then not used the
// processor for 700 ms; what the display showed of it from the start.
bench::ScreenPaints::Seen StartToQuiet(bench::ScreenPaints& paints, const std::string& notes,
                                       const fs::path& csv, const fs::path& config, double& cpuMs) {
    const PaintClock::time_point start = PaintClock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
        ::execl(notes.c_str(), notes.c_str(), csv.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    long long ticks = -1;
    PaintClock::time_point busy = start;
    std::vector<PaintClock::time_point> busyAt; // each moment its processor time had grown
    for (;;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        const PaintClock::time_point now = PaintClock::now();
        const long long t = CpuTicks(pid);
        if (t != ticks) {
            ticks = t;
            busy = now;
            busyAt.push_back(now);
        }
        const std::vector<PaintClock::time_point> since = paints.Since(start);
        const bool quiet = !since.empty() && bench::MsBetween(since.back(), now) >= 300 &&
                           bench::MsBetween(busy, now) >= 700;
        if (quiet || bench::MsBetween(start, now) > 180000)
            break;
    }
    cpuMs = static_cast<double>(ticks) * 1000.0 / static_cast<double>(::sysconf(_SC_CLK_TCK));
    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
    // What it drew while it worked: the caret's blinking once it is idle does not count.
    std::vector<PaintClock::time_point> since = paints.Since(start);
    if (std::getenv("LISTS_BENCH_PAINTS")) {
        for (PaintClock::time_point t : since)
            std::printf(" %.0f", bench::MsBetween(start, t));
        std::printf(" (busy until %.0f)\n", bench::MsBetween(start, busy));
    }
    while (since.size() > 1 && since.back() > busy + std::chrono::milliseconds(30))
        since.pop_back();
    // A paint that follows 300 ms without processor time is no longer the start's (a timer's).
    for (std::size_t i = 1; i < since.size(); ++i) {
        const PaintClock::time_point from = since[i] - std::chrono::milliseconds(330);
        const PaintClock::time_point to = since[i] - std::chrono::milliseconds(30);
        const bool worked =
            std::any_of(busyAt.begin(), busyAt.end(),
                        [&](PaintClock::time_point t) { return t >= from && t <= to; });
        if (!worked && bench::MsBetween(since[i - 1], since[i]) >= 300) {
            since.resize(i);
            break;
        }
    }
    // Of the paints kept only: the display's later ones are not the start's.
    bench::ScreenPaints::Seen seen;
    if (since.empty())
        return seen;
    seen.paints = static_cast<int>(since.size());
    seen.first = bench::MsBetween(start, since.front());
    seen.last = bench::MsBetween(start, since.back());
    PaintClock::time_point previous = start;
    seen.longestGap = 0;
    for (PaintClock::time_point t : since) {
        seen.longestGap = std::max(seen.longestGap, bench::MsBetween(previous, t));
        previous = t;
    }
    return seen;
}

std::pair<double, double> MinMedian(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return {v.front(), v[v.size() / 2]};
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const int entries = argc > 2 ? std::max(1, std::atoi(argv[2])) : 9999;
    bench::ScreenPaints paints;
    if (!paints.Ok()) {
        std::fprintf(stderr, "no display with the damage extension: run under one (xvfb-run -a)\n");
        return 1;
    }
    const fs::path self = fs::read_symlink("/proc/self/exe");
    const std::string notes = (self.parent_path() / "notes").string();
    const fs::path folder =
        fs::temp_directory_path() / ("lists-bench-" + std::to_string(::getpid()));
    WriteProject(folder / "plain", 0);
    WriteProject(folder / "lists", entries);
    std::vector<double> plain, lists, added, frozen, addedCpu;
    for (int round = -1; round < rounds; ++round) {
        bench::ScreenPaints::Seen p, l;
        double pCpu = 0, lCpu = 0;
        auto run = [&](const char* project, double& cpu) {
            return StartToQuiet(paints, notes, folder / project / "constnot.csv", folder / "config",
                                cpu);
        };
        if (round % 2 == 0) {
            p = run("plain", pCpu);
            l = run("lists", lCpu);
        } else {
            l = run("lists", lCpu);
            p = run("plain", pCpu);
        }
        if (p.paints == 0 || l.paints == 0) {
            std::fprintf(stderr, "nothing was painted\n");
            return 1;
        }
        if (round < 0)
            continue;
        std::printf("round %d: without lists %.0f ms, with %d units and types %.0f ms (longest "
                    "without a paint %.0f ms), added %.0f ms; processor time %.0f / %.0f ms\n",
                    round + 1, p.last, entries, l.last, l.longestGap, l.last - p.last, pCpu, lCpu);
        addedCpu.push_back(lCpu - pCpu);
        plain.push_back(p.last);
        lists.push_back(l.last);
        added.push_back(l.last - p.last);
        frozen.push_back(l.longestGap);
    }
    const auto [plainMin, plainMedian] = MinMedian(plain);
    const auto [listsMin, listsMedian] = MinMedian(lists);
    const auto [addedMin, addedMedian] = MinMedian(added);
    const auto [frozenMin, frozenMedian] = MinMedian(frozen);
    std::printf("start to last paint, no lists:        min %.0f ms, median %.0f ms\n", plainMin,
                plainMedian);
    std::printf("start to last paint, %d entries:    min %.0f ms, median %.0f ms\n", entries,
                listsMin, listsMedian);
    std::printf("added by the lists (round by round):  min %.0f ms, median %.0f ms\n", addedMin,
                addedMedian);
    std::printf("longest without a paint, with lists:  min %.0f ms, median %.0f ms\n", frozenMin,
                frozenMedian);
    const auto [cpuMin, cpuMedian] = MinMedian(addedCpu);
    std::printf("processor time added by the lists:    min %.0f ms, median %.0f ms\n", cpuMin,
                cpuMedian);
    fs::remove_all(folder);
    return 0;
}
