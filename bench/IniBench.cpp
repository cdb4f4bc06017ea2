// 1,000 successive writes of distinct keys into one INI file, the file growing with each write
// (every write reads the whole file again and replaces it). Must stay well under 2 s in all.
#include "platform/ini/Ini.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include <unistd.h>

namespace fs = std::filesystem;

static void ThousandDistinctKeys(benchmark::State& state) {
    const fs::path dir = fs::temp_directory_path() / ("ini-bench-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string file = (dir / "qvr.ini").string();
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove(file);
        state.ResumeTiming();
        for (int k = 1; k <= 1000; ++k)
            if (!platform::WriteIni("QVREditUnits", "Unit" + std::to_string(k), "Value", file))
                state.SkipWithError("write failed");
    }
    fs::remove_all(dir);
}
BENCHMARK(ThousandDistinctKeys)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
