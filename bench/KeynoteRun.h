// What the keynote window's benchmarks share: the program set up as `notes <keynote file>` run
// from a folder of its own (the program folder `app` in it), and the keynote window started on
// its own thread beside a thread that stands in for the frame, which the window tells when it is
// ready.
#pragma once

#include "editor/Config.h"
#include "editor/Globals.h"
#include "editor/KeynoteWindow.h"
#include "editor/MainFrame.h"
#include "platform/runtime/Program.h"
#include "platform/runtime/Runtime.h"
#include "platform/ui/KeepPainting.h"

#include <QApplication>
#include <QCoreApplication>
#include <QMessageBox>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace bench {

// Starts the keynote window on `csv`; `window` points at it while it runs. Returns its thread.
inline int StartKeynoteWindow(const std::filesystem::path& folder, const std::string& csv,
                              editor::KeynoteWindow*& window) {
    editor::AppPath = (folder / "app").string();
    std::string program = "notes", arg = csv;
    char* args[] = {program.data(), arg.data()};
    platform::SetCommandArguments(2, args);
    editor::DeriveNames();
    editor::WriteDefaultLists();
    editor::FrameWidth = 800;
    editor::FrameHeight = 560;
    platform::Start([](const std::string&) {
        for (;;)
            platform::Accept();
    });
    return platform::Start([&window](const std::string&) {
        editor::KeynoteWindow w;
        window = &w;
        w.Run();
        window = nullptr;
    });
}

// Whether the keynote window opened and no message holds its thread (the figures would be of
// nothing); when not, says which on the error output.
inline bool WindowOpenedAlone(const editor::KeynoteWindow* window) {
    if (!window) {
        std::fprintf(stderr, "the window did not open\n");
        return false;
    }
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        std::fprintf(stderr, "a message is open: %s\n", box->text().toLocal8Bit().constData());
        return false;
    }
    return true;
}

// A keynote file of `notes` notes spread over the nine shapes: two in three of about 180
// characters over 4 lines, the others short.
inline void WriteNotes(const std::filesystem::path& csv, int notes) {
    static const char* const codes[] = {"CIR", "HEX", "BOX", "PEN", "ELL",
                                        "DIA", "REC", "OCT", "TRI"};
    std::ofstream out(csv, std::ios::binary);
    out << "SET,TXTHT,0.1\r\n";
    for (int shape = 0; shape < 9; ++shape)
        for (int i = shape; i < notes; i += 9) {
            out << (i % 7 == 0 ? ";" : "") << codes[shape] << "," << i % 100000
                << ","; // numbers of at most 5 digits
            if (i % 3 == 0)
                out << "Provide and install as specified\\nsee detail " << i;
            else
                out << "\"Provide and install expansion joint filler, sealant and backer rod, "
                       "see detail "
                    << i
                    << "\\nTypical at all slab edges, \"\"both faces\"\"\\nCoordinate with "
                       "architectural finishes\\nVerify in field\"";
            out << ",EA,COUNT\r\n";
        }
}

// Milliseconds on a clock that only goes forward.
inline double NowMs() {
    return std::chrono::duration<double, std::milli>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Runs Qt's events and the program's threads until the window has done what it was given.
inline void SettleWindow() {
    // Work that pauses for the windows to paint (a large save) goes on with Qt's next events.
    for (int i = 0; i < 3 || platform::WorkPausedForPaint(); ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        platform::RunUntilIdle();
    }
}

// Runs this program once more as `self --child folder`, with the environment variables given
// set (a null value unsets one), and gives what it printed.
inline std::string
RunChildProcess(const char* self, const std::filesystem::path& folder,
                const std::vector<std::pair<const char*, const char*>>& environment = {}) {
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0)
        return std::string();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(pipeEnds[1], STDOUT_FILENO);
        ::close(pipeEnds[0]);
        for (const auto& [name, value] : environment)
            value ? ::setenv(name, value, 1) : ::unsetenv(name);
        ::execl(self, self, "--child", folder.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(pipeEnds[1]);
    std::string out;
    char buffer[512];
    ssize_t n;
    while ((n = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0)
        out.append(buffer, static_cast<std::size_t>(n));
    ::close(pipeEnds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return out;
}

// The least and the median of a figure's rounds.
inline std::pair<double, double> MinMedian(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return {values.front(), values[values.size() / 2]};
}

} // namespace bench
