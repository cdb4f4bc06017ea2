// Benchmark of the printed keynote report and the preview: the report of 10,000 one-line notes
// (time and page-image sizes), the preview's first page, and page turns of a 3 by 3 thumbnail
// grid. Run by hand: report_bench [notes].
#include "NotesHost.h"

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
using bench::Settle;
using Clock = std::chrono::steady_clock;

namespace {

double Ms(Clock::time_point from) {
    return std::chrono::duration<double, std::milli>(Clock::now() - from).count();
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
    bench::NotesHost host;
    Start([&](const std::string&) { host.Run(); });
    Settle();
    host.OnThread([&] {
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
    host.OnThread([&] {
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
    host.OnThread([&] { PrintPreview(pages, "Preview"); });
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
