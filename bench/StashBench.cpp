// The keynote window taking back the rows it stashed before Editor Options or an import: the
// time a window needs to fill its grids from the stash, for 15,000, 30,000 and 60,000 notes. The
// time grows with the number of notes; twice the notes should take about twice the time.
// Run by hand (headless: QT_QPA_PLATFORM=offscreen build/bin/stash_bench).
#include "KeynoteRun.h"

#include <QApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

using namespace editor;
using namespace platform;

namespace {

void Settle() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        RunUntilIdle();
    }
}

// A stash of `notes` notes, most of them on the Circle tab, the rest spread over the others.
void FillStash(int notes) {
    DiscardStash();
    NotesQueue.reserve(static_cast<std::size_t>(notes));
    for (int i = 0; i < notes; ++i) {
        NotesQueue.push_back(
            {"0", std::to_string(i % 100000),
             "Provide and install, as specified\r\nsee detail " + std::to_string(i), "EA", "COUNT",
             i % 4 == 0 ? (i / 4) % 9 + 1 : 1});
    }
    NotesStashed = 1;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("stash-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder / "app");
    std::filesystem::create_directories(folder / "job");
    setenv("XDG_CONFIG_HOME", (folder / "config").c_str(), 1);
    const std::string csv = (folder / "job" / "constnot.csv").string();
    std::ofstream(csv, std::ios::binary) << "SET,TXTHT,0.1\r\n";
    std::ofstream((folder / "job" / "constnot.bak").string());
    KeynoteWindow* window = nullptr;
    const int thread = bench::StartKeynoteWindow(folder, csv, window);
    Settle();
    if (!window) {
        std::fprintf(stderr, "the window did not open\n");
        return 1;
    }
    for (int notes : {15000, 30000, 60000}) {
        FillStash(notes);
        const auto start = std::chrono::steady_clock::now();
        // A reload takes the stash while one is there, as the reopened window does.
        Post(EventNotesImported, 0, thread);
        Settle();
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        int rows = 0;
        for (int shape = 1; shape <= 9; ++shape)
            rows += window->Grid(shape)->Records();
        std::printf("%d notes taken from the stash into the grids: %.1f ms (%d rows)\n", notes, ms,
                    rows);
    }
    EndAllThreads();
    std::filesystem::remove_all(folder);
    return 0;
}
