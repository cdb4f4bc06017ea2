// Benchmark of the printed keynote report and the preview: the report of 10,000 one-line notes
// (time and page-image sizes), the preview's first page, and page turns of a 3 by 3 thumbnail
// grid. Run by hand: report_bench [notes].
#include "editor/Globals.h"
#include "editor/PrintNotes.h"
#include "platform/report/Preview.h"
#include "platform/runtime/Runtime.h"
#include "platform/ui/WindowManager.h"

#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

using namespace platform;
using Clock = std::chrono::steady_clock;

namespace {

double Ms(Clock::time_point from) {
    return std::chrono::duration<double, std::milli>(Clock::now() - from).count();
}

// Runs Qt's pending events and the program's threads until every thread waits.
void Settle() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        RunUntilIdle();
    }
}

struct Host : WindowManager {
    Window window{[] {
        WindowDef def;
        def.caption = "Keynotes";
        for (int i = 1; i <= 9; ++i)
            def.controls.push_back({ControlKind::Region, i, "", 5, 5, 380, 200});
        return def;
    }()};
    std::array<grid::PelkGridClass, 9> grids;
    std::function<void()> work;
    int Setup() override {
        Open(window);
        for (std::size_t i = 0; i < grids.size(); ++i)
            grids[i].Setup(static_cast<int>(i) + 1, 60, 62);
        return RESULT_GoOn;
    }
    int OnEvent() override {
        if (CurrentEvent() == EVENT_User && work)
            std::exchange(work, nullptr)();
        return WindowManager::OnEvent();
    }
};

void OnThread(Host& host, std::function<void()> f) {
    host.work = std::move(f);
    PostInput(host.window.Thread(), Event{EVENT_User, 0, 0});
    Settle();
}

// Posts a user's input to the preview and waits until it has been handled.
double Input(Window& w, int event, int control) {
    Clock::time_point start = Clock::now();
    PostInput(w.Thread(), Event{event, control, 0, &w});
    Settle();
    return Ms(start);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10000;
    editor::ResetGlobals();
    for (std::uint8_t i = 1; i <= 9; ++i)
        editor::TabQueue.push_back(
            {editor::kShapes[i - 1u].name, 1, editor::kShapes[i - 1u].name, i, i, 0});
    Host host;
    Start([&](const std::string&) { host.Run(); });
    Settle();
    OnThread(host, [&] {
        for (int i = 1; i <= count; ++i)
            host.grids[static_cast<std::size_t>(i % 9)].AddRow(
                "0", std::to_string(i % 100000), "Provide and install item " + std::to_string(i),
                "EA", "A");
    });

    editor::ShapeGrids grids;
    for (std::size_t i = 0; i < 9; ++i)
        grids[i] = &host.grids[i];
    grid::PelkGridClass* current = nullptr;
    PageList pages;
    editor::NotesReport report(pages);
    double produce = 0;
    OnThread(host, [&] {
        Clock::time_point start = Clock::now();
        report.Produce(grids, current);
        produce = Ms(start);
    });
    std::uintmax_t largest = 0, total = 0;
    for (const std::string& page : pages) {
        std::uintmax_t size = std::filesystem::file_size(page);
        largest = std::max(largest, size);
        total += size;
    }
    std::printf("report of %d one-line notes: %zu pages in %.0f ms (bar 2000 ms)\n", count,
                pages.size(), produce);
    std::printf("page images: %.1f KB on average, %.1f KB the largest (bar 50 KB)\n",
                pages.empty() ? 0.0 : total / 1024.0 / static_cast<double>(pages.size()),
                largest / 1024.0);

    // The preview, called as the keynote window calls it.
    Clock::time_point start = Clock::now();
    host.work = [&] { PrintPreview(pages, "Preview"); };
    PostInput(host.window.Thread(), Event{EVENT_User, 0, 0});
    Settle();
    const double first = Ms(start);
    Window* preview = nullptr;
    for (Window* w : Window::All())
        if (w->Caption() == "Preview")
            preview = w;
    if (!preview) {
        std::printf("the preview did not open\n");
        return 1;
    }
    std::printf("preview: first page shown %.0f ms after the call (bar 300 ms)\n", first);

    // A grid of 3 by 3, then page turns forward and back.
    for (int spin : {preview::PAGESACROSS, preview::PAGESDOWN}) {
        (*preview)[spin].SetValue("3");
        preview->Update(spin);
        Input(*preview, EVENT_NewSelection, spin);
    }
    double worst = 0, sum = 0;
    int turns = 0;
    for (int i = 0; i < 20; ++i) {
        double t = Input(*preview, EVENT_Accepted, i < 10 ? preview::NEXT : preview::PREVIOUS);
        worst = std::max(worst, t);
        sum += t;
        ++turns;
    }
    std::printf("3 by 3 thumbnails: %.1f ms a page turn on average, %.1f ms the slowest of %d "
                "(bar 100 ms)\n",
                sum / turns, worst, turns);
    Input(*preview, EVENT_Accepted, preview::EXITBUTTON);
    report.Engine().Release();
    EndAllThreads();
    Settle();
    return 0;
}
