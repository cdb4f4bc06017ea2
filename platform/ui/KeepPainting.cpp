#include "platform/ui/KeepPainting.h"

#include "platform/runtime/Runtime.h"
#include "platform/ui/Input.h"

#include <QGuiApplication>
#include <QPointer>
#include <QTimer>
#include <QWindow>

#include <vector>

namespace platform {

namespace {

constexpr std::chrono::milliseconds kPaintEvery{40};

int paused = 0;

} // namespace

struct KeepPainting::Held {
    std::vector<QPointer<QWindow>> windows;
};

KeepPainting::KeepPainting()
    : held_(std::make_unique<Held>()), due_(std::chrono::steady_clock::now() + kPaintEvery) {
    for (QWindow* window : QGuiApplication::topLevelWindows()) {
        input::HoldInput(window);
        held_->windows.emplace_back(window);
    }
}

KeepPainting::~KeepPainting() {
    for (const QPointer<QWindow>& window : held_->windows)
        if (window)
            input::ReleaseInput(window);
}

void PauseForPaint() {
    const int thread = ThisThread();
    if (thread == 0)
        return; // the main context paints when it returns
    // Resumed once Qt has handled what waits for it, the paints included.
    bool resumed = false;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, [&resumed, thread] {
        resumed = true;
        Wake(thread);
    });
    timer.start(0);
    struct Counted {
        Counted() { ++paused; }
        ~Counted() { --paused; }
        Counted(const Counted&) = delete;
        Counted& operator=(const Counted&) = delete;
    } counted;
    WaitUntil([&resumed] { return resumed; });
}

void KeepPainting::Now() {
    PauseForPaint();
    due_ = std::chrono::steady_clock::now() + kPaintEvery;
}

bool WorkPausedForPaint() {
    return paused > 0;
}

} // namespace platform
