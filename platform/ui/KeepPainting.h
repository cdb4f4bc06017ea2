// Long work on a window's thread (the save of a large keynote file) that keeps the program's
// windows painting: while the object lives no window takes mouse or key input, so what the work
// reads stays as it was when it began, and Breathe lets the windows paint and the other threads
// run whenever 40 ms have passed since they last could.
#pragma once

#include <chrono>
#include <memory>

namespace platform {

class KeepPainting {
public:
    KeepPainting();
    ~KeepPainting();
    KeepPainting(const KeepPainting&) = delete;
    KeepPainting& operator=(const KeepPainting&) = delete;

    // Cheap enough to call for every row; outside a thread (the main context paints when the
    // work returns) it does nothing.
    void Breathe() {
        if (++calls_ % 64 == 0 && std::chrono::steady_clock::now() >= due_)
            Now();
    }
    // Lets them paint now (what the work just changed on the screen).
    void Now();

private:
    struct Held;
    std::unique_ptr<Held> held_;
    unsigned calls_ = 0;
    std::chrono::steady_clock::time_point due_;
};

// Lets the program's windows paint and its other threads run for a moment, then goes on: long
// work on a thread calls it now and again so that no window looks hung meanwhile. Outside a
// thread it does nothing.
void PauseForPaint();

// Whether some thread's work is paused for the windows to paint: it goes on once Qt has run its
// events (a test that waits for a window's work to end runs them until this is false).
bool WorkPausedForPaint();

} // namespace platform
