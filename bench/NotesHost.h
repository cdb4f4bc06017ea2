// What the report's benchmark and pictures share: a window that owns nine grids as the keynote
// window does and runs the work it is given on its own thread, and the loop that runs Qt's events
// and the program's threads until every thread waits.
#pragma once

#include "grid/PelkGridClass.h"
#include "platform/runtime/Runtime.h"
#include "platform/ui/WindowManager.h"

#include <QCoreApplication>

#include <array>
#include <functional>
#include <string>

namespace bench {

inline void Settle() {
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        platform::RunUntilIdle();
    }
}

struct NotesHost : platform::WindowManager {
    platform::Window window{[] {
        platform::WindowDef def;
        def.caption = "Keynotes";
        for (int i = 1; i <= 9; ++i)
            def.controls.push_back({platform::ControlKind::Region, i, "", 5, 5, 380, 200});
        return def;
    }()};
    std::array<grid::PelkGridClass, 9> grids;
    std::function<void()> work;

    int Setup() override {
        Open(window);
        for (std::size_t i = 0; i < grids.size(); ++i)
            grids[i].Setup(static_cast<int>(i) + 1, 60, 62);
        return platform::RESULT_GoOn;
    }
    int OnEvent() override {
        if (platform::CurrentEvent() == platform::EVENT_User && work)
            std::exchange(work, nullptr)();
        return WindowManager::OnEvent();
    }
    // Runs f on the window's thread and waits until every thread waits again.
    void OnThread(std::function<void()> f) {
        work = std::move(f);
        platform::PostInput(window.Thread(), platform::Event{platform::EVENT_User, 0, 0});
        Settle();
    }
};

} // namespace bench
