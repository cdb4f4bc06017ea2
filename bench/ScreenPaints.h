// What the display draws, as a user sees it: an X client of its own watches every drawing the X
// server does on the screen (the damage of the root window, which holds every window's pixels)
// and keeps the moment of each, so that a benchmark times a user's action from the action to the
// first and the last paint, and finds the longest time without one, from outside the program's
// own bookkeeping. The watcher runs on a thread of its own with its own connection.
#pragma once

#include <xcb/damage.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

#include <sys/select.h>

namespace bench {

using PaintClock = std::chrono::steady_clock;

inline double MsBetween(PaintClock::time_point from, PaintClock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

class ScreenPaints {
public:
    ScreenPaints() {
        x_ = xcb_connect(nullptr, nullptr);
        if (!x_ || xcb_connection_has_error(x_))
            return;
        const xcb_query_extension_reply_t* damage = xcb_get_extension_data(x_, &xcb_damage_id);
        if (!damage || !damage->present)
            return;
        std::free(xcb_damage_query_version_reply(
            x_, xcb_damage_query_version(x_, XCB_DAMAGE_MAJOR_VERSION, XCB_DAMAGE_MINOR_VERSION),
            nullptr));
        eventBase_ = damage->first_event;
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(x_)).data->root;
        damage_ = xcb_generate_id(x_);
        xcb_damage_create(x_, damage_, root, XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
        xcb_flush(x_);
        ok_ = true;
        thread_ = std::thread([this] { Watch(); });
    }
    ~ScreenPaints() {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
        if (x_)
            xcb_disconnect(x_);
    }
    ScreenPaints(const ScreenPaints&) = delete;
    ScreenPaints& operator=(const ScreenPaints&) = delete;

    // Whether the display can be watched (an X display with the damage extension).
    bool Ok() const { return ok_; }

    // The paints from a moment on, in order.
    std::vector<PaintClock::time_point> Since(PaintClock::time_point from) {
        std::lock_guard guard(lock_);
        std::vector<PaintClock::time_point> since;
        for (PaintClock::time_point t : paints_)
            if (t >= from)
                since.push_back(t);
        return since;
    }

    // Waits until nothing has been painted for `quietMs` after `from`, at most `timeoutMs`.
    void WaitQuiet(PaintClock::time_point from, int quietMs, int timeoutMs) {
        for (;;) {
            const PaintClock::time_point now = PaintClock::now();
            PaintClock::time_point last = from;
            {
                std::lock_guard guard(lock_);
                if (!paints_.empty())
                    last = std::max(last, paints_.back());
            }
            if (MsBetween(last, now) >= quietMs || MsBetween(from, now) >= timeoutMs)
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }

    // What a user saw of an action that began at `from` and ended (its work done) at `to`: the
    // first and the last paint after it began, and the longest time without a paint from its
    // beginning to the last paint (so a window that paints nothing for the whole action counts
    // as frozen all along).
    struct Seen {
        double first = -1, last = -1, longestGap = -1;
        int paints = 0;
    };
    Seen Of(PaintClock::time_point from, PaintClock::time_point to) {
        Seen seen;
        std::vector<PaintClock::time_point> since = Since(from);
        if (since.empty())
            return seen;
        seen.paints = static_cast<int>(since.size());
        seen.first = MsBetween(from, since.front());
        seen.last = MsBetween(from, since.back());
        PaintClock::time_point previous = from;
        double gap = 0;
        for (PaintClock::time_point t : since) {
            gap = std::max(gap, MsBetween(previous, t));
            previous = t;
        }
        if (to > previous)
            gap = std::max(gap, MsBetween(previous, to));
        seen.longestGap = gap;
        return seen;
    }

private:
    void Watch() {
        const int fd = xcb_get_file_descriptor(x_);
        while (!stop_) {
            xcb_generic_event_t* e = xcb_poll_for_event(x_);
            if (!e) {
                if (xcb_connection_has_error(x_))
                    return;
                fd_set read;
                FD_ZERO(&read);
                FD_SET(fd, &read);
                timeval wait{0, 10000};
                ::select(fd + 1, &read, nullptr, nullptr, &wait);
                continue;
            }
            if ((e->response_type & 0x7f) == eventBase_ + XCB_DAMAGE_NOTIFY) {
                const PaintClock::time_point at = PaintClock::now();
                {
                    std::lock_guard guard(lock_);
                    paints_.push_back(at);
                }
                // Reported again at the next drawing.
                xcb_damage_subtract(x_, damage_, XCB_NONE, XCB_NONE);
                xcb_flush(x_);
            }
            std::free(e);
        }
    }

    xcb_connection_t* x_ = nullptr;
    xcb_damage_damage_t damage_ = 0;
    std::uint8_t eventBase_ = 0;
    bool ok_ = false;
    std::atomic<bool> stop_{false};
    std::mutex lock_;
    std::vector<PaintClock::time_point> paints_;
    std::thread thread_;
};

} // namespace bench
