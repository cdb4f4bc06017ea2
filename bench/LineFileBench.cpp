// The throughput of the keynote file's whole reading path: the line driver's 4096-character
// records, the note lines' trailing blanks and their parsing into notes (escapes, quotes, fields),
// as the keynote window's load runs it, on a file of 100,000 notes (realistic ones of about 180
// characters over 4 lines, and short ones). Beside it, in the same run, memchr looking for line
// ends over the same bytes in memory: the ratio says how far the reading path is from memory
// speed. Also the writing side: each note turned into its line as a save does. Each figure is the
// least and the median of several rounds. Run by hand: build/bin/linefile_bench [notes]
#include "editor/KeynoteFile.h"
#include "platform/files/LineFile.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

const char* const kCodes[] = {"CIR", "HEX", "BOX", "PEN", "ELL", "DIA", "REC", "OCT", "TRI"};

double Ms(Clock::time_point from) {
    return std::chrono::duration<double, std::milli>(Clock::now() - from).count();
}

struct Figures {
    std::vector<double> ms;
    double Min() const { return *std::min_element(ms.begin(), ms.end()); }
    double Median() {
        std::sort(ms.begin(), ms.end());
        return ms[ms.size() / 2];
    }
};

// A note line of about 180 characters over 4 lines, or a short one (every third note).
std::string NoteLine(int i) {
    std::string line =
        std::string(i % 7 == 0 ? ";" : "") + kCodes[i % 9] + "," + std::to_string(i % 1000) + ",";
    if (i % 3 == 0)
        line += "Concrete footing per structural drawings " + std::to_string(i);
    else
        line += "\"Provide and install expansion joint filler, sealant and backer rod, "
                "see detail " +
                std::to_string(i) +
                "\\nTypical at all slab edges, \"\"both faces\"\"\\nCoordinate with "
                "architectural finishes\\nVerify in field\"";
    return line + ",EA,COUNT";
}

} // namespace

int main(int argc, char** argv) {
    const int notes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100000;
    const std::filesystem::path path = std::filesystem::temp_directory_path() /
                                       ("linefile-bench-" + std::to_string(::getpid()) + ".csv");
    {
        std::ofstream out(path, std::ios::binary);
        out << "SET,TXTHT,0.1\r\n";
        for (int i = 0; i < notes; ++i)
            out << NoteLine(i) << "\r\n";
    }
    std::string bytes;
    {
        std::ifstream in(path, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    Figures reading, scanning, writing;
    long parsed = 0;
    std::vector<editor::NoteRow> rows;
    for (int round = 0; round < 9; ++round) {
        Clock::time_point start = Clock::now();
        platform::LineFile file(4096);
        file.SetName(path.string());
        if (!file.Open(platform::OpenMode::ReadOnlyDenyNone)) {
            std::fprintf(stderr, "cannot open the file\n");
            return 1;
        }
        parsed = 0;
        const editor::KeynoteOutcome outcome = editor::ReadKeynoteFile(
            file,
            [&](editor::KeynoteLine&& line) {
                if (line.kind == editor::KeynoteLine::Kind::Note) {
                    ++parsed;
                    if (round == 0)
                        rows.push_back({line.marked ? "1" : "0", line.number, line.description,
                                        line.unit, line.type});
                }
            },
            nullptr);
        static_cast<void>(file.Close()); // read only: nothing to lose
        if (!outcome) {
            std::fprintf(stderr, "the file could not be read\n");
            return 1;
        }
        reading.ms.push_back(Ms(start));

        start = Clock::now();
        std::size_t ends = 0;
        const char* at = bytes.data();
        const char* end = bytes.data() + bytes.size();
        while ((at = static_cast<const char*>(std::memchr(at, '\n', end - at))) != nullptr) {
            ++ends;
            ++at;
        }
        scanning.ms.push_back(Ms(start));
        if (ends == 0)
            return 1;

        start = Clock::now();
        std::size_t written = 0;
        for (std::size_t i = 0; i < rows.size(); ++i)
            written += editor::NoteLine(kCodes[i % 9], rows[i]).size();
        writing.ms.push_back(Ms(start));
        if (written == 0) {
            std::fprintf(stderr, "no notes were read\n");
            return 1;
        }
    }
    const double mb = static_cast<double>(bytes.size()) / (1024.0 * 1024.0);
    std::printf("file: %d notes read back as %ld, %.1f MB\n", notes, parsed, mb);
    std::printf("reading path (records, blanks, parsing): min %.1f ms, median %.1f ms, %.0f MB/s\n",
                reading.Min(), reading.Median(), mb / (reading.Min() / 1000.0));
    std::printf("memchr over the same bytes:              min %.2f ms, median %.2f ms\n",
                scanning.Min(), scanning.Median());
    std::printf("ratio reading / memchr (min):            %.0f\n", reading.Min() / scanning.Min());
    std::printf("note lines made as a save makes them:    min %.1f ms, median %.1f ms\n",
                writing.Min(), writing.Median());
    std::filesystem::remove(path);
    return 0;
}
