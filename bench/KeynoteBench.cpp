// The keynote window's speed on a keynote file of 10,000 notes spread over the nine shapes:
// opening the window (set-up, loading with the progress bar, first drawing), loading alone,
// saving, the resident memory with the notes open, and how often the progress bar is redrawn.
// Run by hand (headless: QT_QPA_PLATFORM=offscreen build/bin/keynote_bench).
#include "editor/Config.h"
#include "editor/Globals.h"
#include "editor/KeynoteWindow.h"
#include "editor/KeynoteWindowDef.h"
#include "editor/MainFrame.h"
#include "platform/runtime/Program.h"
#include "platform/runtime/Runtime.h"

#include <QApplication>
#include <QProgressBar>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

using namespace editor;
using namespace platform;

namespace {

constexpr int kNotes = 10000;
const char* const kCodes[] = {"CIR", "HEX", "BOX", "PEN", "ELL", "DIA", "REC", "OCT", "TRI"};

double Ms(std::chrono::steady_clock::time_point from) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - from)
        .count();
}

void Settle() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        RunUntilIdle();
    }
}

long ResidentKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("keynote-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder / "app");
    std::filesystem::create_directories(folder / "job");
    setenv("XDG_CONFIG_HOME", (folder / "config").c_str(), 1);
    const std::string csv = (folder / "job" / "constnot.csv").string();
    {
        std::ofstream out(csv, std::ios::binary);
        out << "SET,TXTHT,0.1\r\n";
        for (int shape = 0; shape < 9; ++shape)
            for (int i = shape; i < kNotes; i += 9)
                out << (i % 7 == 0 ? ";" : "") << kCodes[shape] << "," << i
                    << ",\"Provide and install, as specified\\nsee detail " << i
                    << "\",EA,COUNT\r\n";
        std::ofstream((folder / "job" / "constnot.bak").string());
    }
    AppPath = (folder / "app").string();
    std::string program = "notes", arg = csv;
    char* args[] = {program.data(), arg.data()};
    SetCommandArguments(2, args);
    DeriveNames();
    WriteDefaultLists();
    FrameWidth = 800;
    FrameHeight = 560;
    const long before = ResidentKb();

    // Thread 1 stands in for the frame, which the window tells when it is ready.
    Start([](const std::string&) {
        for (;;)
            Accept();
    });
    KeynoteWindow* window = nullptr;
    auto start = std::chrono::steady_clock::now();
    const int thread = Start([&](const std::string&) {
        KeynoteWindow w;
        window = &w;
        w.Run();
        window = nullptr;
    });
    Settle();
    const double open = Ms(start);
    if (!window) {
        std::fprintf(stderr, "the window did not open\n");
        return 1;
    }
    int redraws = 0;
    auto* bar = static_cast<QProgressBar*>(window->window()[keynote::APROGRESS].Widget());
    // A value the bar takes while it is hidden is not a redraw anyone sees.
    QObject::connect(bar, &QProgressBar::valueChanged, [&](int) {
        if (bar->isVisible())
            ++redraws;
    });

    start = std::chrono::steady_clock::now();
    Post(EventNotesImported, 0, thread);
    Settle();
    const double load = Ms(start);
    const int loadRedraws = redraws;

    redraws = 0;
    start = std::chrono::steady_clock::now();
    Post(EVENT_Accepted, keynote::SAVETOASCII, thread);
    Settle();
    const double save = Ms(start);
    const int saveRedraws = redraws;

    int rows = 0;
    for (int shape = 1; shape <= 9; ++shape)
        rows += window->Grid(shape)->Records();
    std::printf("notes: %d\n", rows);
    std::printf("open the window (set-up, load, first drawing): %.1f ms\n", open);
    std::printf("load alone (reload of the file): %.1f ms, progress bar redrawn %d times\n", load,
                loadRedraws);
    std::printf("save: %.1f ms, progress bar redrawn %d times\n", save, saveRedraws);
    std::printf("resident memory: %.1f MB (%.1f MB before the window opened)\n",
                ResidentKb() / 1024.0, before / 1024.0);
    EndAllThreads();
    std::filesystem::remove_all(folder);
    return 0;
}
