// What the report's benchmark and pictures share: a window that owns nine grids as the keynote
// window does and runs the work it is given on its own thread, and the loop that runs Qt's events
// and the program's threads until every thread waits.
#pragma once

#include "editor/Globals.h"
#include "editor/PrintNotes.h"
#include "grid/PelkGridClass.h"
#include "platform/runtime/Runtime.h"
#include "platform/ui/WindowManager.h"

#include <QCoreApplication>

#include <algorithm>
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
    // The tabs of TabQueue in tab order with the rows of their grids, as the keynote window hands
    // them to the report.
    std::vector<editor::ReportTab> Tabs() {
        std::stable_sort(editor::TabQueue.begin(), editor::TabQueue.end(),
                         [](const editor::TabRecord& a, const editor::TabRecord& b) {
                             return a.NEWNUM < b.NEWNUM;
                         });
        std::vector<editor::ReportTab> tabs;
        for (const editor::TabRecord& tab : editor::TabQueue) {
            const grid::PelkGridClass& g = grids[tab.SRCNUM - 1u];
            editor::ReportTab t{tab.NEWNAME, g.DESCSIZE, {}};
            for (std::int32_t r = 1; r <= g.Records(); ++r)
                t.rows.push_back({g.GetCellValue(r, 1), g.GetCellValue(r, 2), g.GetCellValue(r, 3),
                                  g.GetCellValue(r, 4), g.GetCellValue(r, 5)});
            tabs.push_back(std::move(t));
        }
        return tabs;
    }
    // Runs f on the window's thread and waits until every thread waits again.
    void OnThread(std::function<void()> f) {
        work = std::move(f);
        platform::PostInput(window.Thread(), platform::Event{platform::EVENT_User, 0, 0});
        Settle();
    }
};

} // namespace bench
