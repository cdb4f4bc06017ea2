// Turning Qt's events and the program's threads from a benchmark's own loop: for a moment, until
// something holds, or for a time.
#pragma once

#include "ScreenPaints.h"
#include "platform/runtime/Runtime.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <functional>

namespace bench {

inline void Pump() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    platform::RunUntilIdle();
}

inline bool PumpUntil(const std::function<bool()>& done, double timeoutMs) {
    const PaintClock::time_point start = PaintClock::now();
    while (!done()) {
        if (MsBetween(start, PaintClock::now()) > timeoutMs)
            return false;
        Pump();
    }
    return true;
}

inline void PumpFor(double ms) {
    const PaintClock::time_point start = PaintClock::now();
    while (MsBetween(start, PaintClock::now()) < ms)
        Pump();
}

} // namespace bench
