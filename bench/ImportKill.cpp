// Kills a library import at random moments and checks the project after each kill: it must always
// have a whole keynote file, the old one or the set's, and the old notes must be in the keynote
// file or its backup. Run by hand: import_kill [tries [megabytes]] (defaults 200 and 6).
#include "editor/LibrarySets.h"
#include "platform/files/Path.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

void Write(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A keynote file of about `bytes` bytes whose notes all carry `tag`.
std::string Notes(const std::string& tag, std::size_t bytes) {
    std::string out = "SET,TXTHT,Auto\r\n";
    for (int i = 1; out.size() < bytes; ++i)
        out += "CIR," + std::to_string(i % 100000) + "," + tag + " note " + std::to_string(i) +
               " with a description of some length,EA,COUNT\r\n";
    return out;
}

int ImportOnce(const fs::path& root) {
    const editor::ImportTarget project{(root / "job").string(),
                                       (root / "job" / "constnot.csv").string(),
                                       (root / "job" / "constnot.bak").string()};
    const editor::ImportOutcome outcome =
        editor::ImportSet((root / "lib").string(), {"Office", "Office"}, project);
    return outcome.notes ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    const int tries = argc > 1 ? std::atoi(argv[1]) : 200;
    const std::size_t bytes = (argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 6) << 20;
    const fs::path root = fs::temp_directory_path() / ("import-kill-" + std::to_string(::getpid()));
    const std::string old = Notes("Project", bytes);
    const std::string older = Notes("Older", bytes / 2);
    const std::string set = Notes("Library", bytes);

    auto prepare = [&] {
        fs::remove_all(root);
        fs::create_directories(root / "job");
        fs::create_directories(root / "lib");
        Write(root / "job" / "constnot.csv", old);
        Write(root / "job" / "constnot.bak", older);
        Write(root / "job" / "Notes.ini", "[QVR]\r\n");
        Write(root / "lib" / "Office.csv", set);
        Write(root / "lib" / "Office.ini", "[QVR]\r\nTBLWID=9\r\n");
    };

    // How long an import takes, to spread the kills over it.
    prepare();
    const auto start = std::chrono::steady_clock::now();
    if (ImportOnce(root) != 0) {
        std::fprintf(stderr, "the import itself fails\n");
        return 1;
    }
    const auto took = std::chrono::steady_clock::now() - start;
    const long micros = std::chrono::duration_cast<std::chrono::microseconds>(took).count();

    std::mt19937 random(12345);
    std::uniform_int_distribution<long> at(0, micros + micros / 5);
    int oldWhole = 0, newWhole = 0, finished = 0, lost = 0, leftovers = 0;
    for (int t = 0; t < tries; ++t) {
        prepare();
        const pid_t child = ::fork();
        if (child == 0)
            ::_exit(ImportOnce(root));
        std::this_thread::sleep_for(std::chrono::microseconds(at(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        if (WIFEXITED(status))
            ++finished;
        const fs::path csv = root / "job" / "constnot.csv";
        const std::string now = fs::exists(csv) ? Read(csv) : std::string("<missing>");
        const std::string backup = Read(root / "job" / "constnot.bak");
        if (now == old)
            ++oldWhole;
        else if (now == set && backup == old)
            ++newWhole;
        else {
            ++lost;
            std::fprintf(stderr, "try %d: keynote file %s (%zu bytes), backup %zu bytes\n", t,
                         now == "<missing>" ? "missing" : "torn", now.size(), backup.size());
        }
        for (const auto& entry : fs::directory_iterator(root / "job"))
            if (entry.path().filename().string().ends_with(".tmp"))
                ++leftovers;
    }
    fs::remove_all(root);
    std::printf("import of %zu MB (%.0f ms), %d kills: old file whole %d, new file whole with the "
                "old as backup %d (import finished before the kill %d), lost or torn %d; "
                "temporary files left %d\n",
                bytes >> 20, static_cast<double>(micros) / 1000.0, tries, oldWhole, newWhole,
                finished, lost, leftovers);
    return lost == 0 ? 0 : 1;
}
