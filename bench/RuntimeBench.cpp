// Posting and handling events between two threads, and opening and closing a window of 100
// controls. Run by hand: build/bin/runtime_bench
#include "platform/runtime/Runtime.h"
#include "platform/ui/Window.h"

#include <QApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>

using namespace platform;

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Two threads answer each other's events: every event is posted by one and handled by the other.
void PingPong(int events) {
    int handled = 0;
    auto player = [&](int other, bool serve) {
        if (serve)
            Post(EVENT_User + 1, 0, other);
        for (;;) {
            Event e = Accept();
            if (e.code == EVENT_CloseDown)
                return;
            if (++handled >= events) {
                Post(EVENT_CloseDown, 0, other);
                return;
            }
            Post(EVENT_User + 1, 0, other);
        }
    };
    Start([&](const std::string&) { player(2, false); });
    Start([&](const std::string&) { player(1, true); });
    auto start = std::chrono::steady_clock::now();
    RunUntilIdle();
    std::printf("%d events posted and handled between two threads: %.3f s\n", handled,
                Seconds(start));
}

void OpenClose(int times) {
    WindowDef def;
    def.caption = "Bench";
    def.width = 400;
    def.height = 400;
    for (int i = 0; i < 100; ++i) {
        ControlKind kind = i % 4 == 0   ? ControlKind::Entry
                           : i % 4 == 1 ? ControlKind::Button
                           : i % 4 == 2 ? ControlKind::Check
                                        : ControlKind::Prompt;
        def.controls.push_back({kind, i + 1, "Control", (i % 10) * 40, (i / 10) * 20, 38, 12});
    }
    double total = 0;
    Start([&](const std::string&) {
        for (int n = 0; n < times; ++n) {
            auto start = std::chrono::steady_clock::now();
            Window w(def);
            w.Open();
            w.Close();
            total += Seconds(start);
        }
    });
    RunUntilIdle();
    std::printf("open and close a window of 100 controls: %.2f ms on average over %d\n",
                total * 1000 / times, times);
}

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    PingPong(100000);
    OpenClose(20);
    EndAllThreads();
    return 0;
}
