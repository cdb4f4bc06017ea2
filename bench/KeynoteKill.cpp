// Kills saves of the keynote file at random moments and checks the project's files after each:
//   keynote_kill [kills] [notes] [folder]
// A child process saves over and over as the keynote window does (the previous file kept as
// the backup, the new file written beside the old one, locked and put in its place); the parent
// kills it after a random time. After each kill the keynote file must be one of the two whole
// versions the saves alternate between, and the backup whole too. At the end the temporaries
// the kills left are counted and removed as the next start of the program removes them.
#include "editor/KeynoteFile.h"
#include "platform/files/Files.h"
#include "platform/files/LineFile.h"
#include "platform/runtime/Program.h"

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
#include <vector>

using namespace editor;

namespace {

std::vector<ShapeNotes> Notes(int count, const std::string& tag) {
    std::vector<ShapeNotes> shapes;
    for (int shape = 1; shape <= 9; ++shape)
        shapes.push_back({shape, "Title " + tag, {}});
    for (int i = 0; i < count; ++i)
        shapes[static_cast<std::size_t>(i % 9)].rows.push_back(
            {"0", std::to_string(i % 100000), tag + " note, \"quoted\"\r\nsecond line", "EA",
             "COUNT"});
    return shapes;
}

std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace

int main(int argc, char** argv) {
    const int kills = argc > 1 ? std::atoi(argv[1]) : 200;
    const int count = argc > 2 ? std::atoi(argv[2]) : 100000;
    const std::string folder =
        argc > 3 ? argv[3] : std::filesystem::temp_directory_path() / "keynote-kill";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const std::string csv = folder + "/constnot.csv";
    const std::string bak = folder + "/constnot.bak";
    platform::IgnoreFileSizeSignal();

    const std::vector<ShapeNotes> a = Notes(count, "A");
    const std::vector<ShapeNotes> b = Notes(count, "B");
    if (!WriteKeynoteFile(csv, "0.1", a) || !WriteKeynoteFile(bak, "0.1", a))
        return 2;
    const std::string wholeA = Bytes(csv);
    if (!WriteKeynoteFile(csv, "0.1", b))
        return 2;
    const std::string wholeB = Bytes(csv);
    if (!WriteKeynoteFile(csv, "0.1", a))
        return 2;

    // How long one save takes, to spread the kills over it.
    const auto start = std::chrono::steady_clock::now();
    static_cast<void>(platform::BackUpFile(csv, bak));
    static_cast<void>(WriteKeynoteFile(csv, "0.1", b));
    const auto saveTime = std::chrono::steady_clock::now() - start;
    std::printf("one save of %d notes: %.1f ms, file %zu bytes\n", count,
                std::chrono::duration<double, std::milli>(saveTime).count(), wholeA.size());

    std::mt19937 random(std::random_device{}());
    int torn = 0, tornBackup = 0, missing = 0;
    for (int k = 0; k < kills; ++k) {
        const pid_t child = ::fork();
        if (child == 0) {
            platform::LineFile held(kKeynoteLineWidth);
            held.SetName(csv);
            static_cast<void>(held.Open(platform::OpenMode::ReadWriteDenyWrite));
            for (bool useB = true;; useB = !useB) {
                static_cast<void>(platform::BackUpFile(csv, bak));
                static_cast<void>(WriteKeynoteFile(csv, "0.1", useB ? b : a, {}, &held));
            }
        }
        const auto wait = std::uniform_int_distribution<long>(
            0, std::chrono::duration_cast<std::chrono::microseconds>(saveTime * 3).count())(random);
        std::this_thread::sleep_for(std::chrono::microseconds(wait));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        if (!std::filesystem::exists(csv)) {
            ++missing;
            continue;
        }
        const std::string now = Bytes(csv);
        torn += now != wholeA && now != wholeB;
        const std::string backup = Bytes(bak);
        tornBackup += backup != wholeA && backup != wholeB;
    }
    int left = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        left += entry.path().filename().string().front() == '.';
    const int removed =
        platform::RemoveLeftoverTemporaries(csv, 0) + platform::RemoveLeftoverTemporaries(bak, 0);
    int after = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        after += entry.path().filename().string().front() == '.';
    std::printf("%d kills: keynote file missing %d, torn %d; backup torn %d\n", kills, missing,
                torn, tornBackup);
    std::printf("temporaries left by the kills: %d; removed as at a start: %d; still there: %d\n",
                left, removed, after);
    std::filesystem::remove_all(folder);
    return missing == 0 && torn == 0 && tornBackup == 0 && after == 0 ? 0 : 1;
}
