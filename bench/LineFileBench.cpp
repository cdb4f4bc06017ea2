// Reading a keynote-like file of 100,000 lines (about 10 MB) through the line driver with the
// keynote file's 4096-character record. Run by hand: build/bin/linefile_bench
#include "platform/files/LineFile.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

const std::string& KeynoteFile() {
    static const std::string path = [] {
        const std::filesystem::path file =
            std::filesystem::temp_directory_path() /
            ("linefile-bench-" + std::to_string(::getpid()) + ".csv");
        std::ofstream out(file, std::ios::binary);
        const char* codes[] = {"CIR", "HEX", "BOX", "PEN", "ELL", "DIA", "REC", "OCT", "TRI"};
        for (int i = 0; i < 100'000; ++i) {
            std::string line = std::string(i % 7 == 0 ? ";" : "") + codes[i % 9] + "," +
                               std::to_string(i % 1000) + ",";
            line += i % 5 == 0 ? "\"Provide expansion joint, see detail\\nTyp. at\tall edges\""
                               : "Concrete footing per structural drawings\\nSee detail";
            line += " " + std::to_string(i);
            line.resize(92, '.');
            line += ",EA,COUNT\r\n";
            out << line;
        }
        return file.string();
    }();
    return path;
}

void ReadKeynoteFile(benchmark::State& state) {
    const std::string& path = KeynoteFile();
    const auto bytes = static_cast<std::int64_t>(std::filesystem::file_size(path));
    std::int64_t lines = 0;
    for (auto _ : state) {
        platform::LineFile file(4096);
        file.SetName(path);
        if (!file.Open(platform::OpenMode::ReadOnlyDenyNone)) {
            state.SkipWithError("cannot open the file");
            break;
        }
        while (file.Next() == platform::ReadResult::Ok) {
            benchmark::DoNotOptimize(file.Record().data());
            ++lines;
        }
        static_cast<void>(file.Close()); // read only: nothing to lose
    }
    state.SetBytesProcessed(bytes * state.iterations());
    state.counters["lines"] =
        benchmark::Counter(static_cast<double>(lines), benchmark::Counter::kAvgIterations);
}
BENCHMARK(ReadKeynoteFile)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove(KeynoteFile());
    return 0;
}
