// Benchmark of the printed keynote report and the preview as a user feels them: the report of
// 10,000 notes (or as many as asked), one-line ones or realistic ones of about 180 characters over
// 4 lines (time and page-image sizes); the preview's first page, from the call to the page shown;
// and page turns of a 3 by 3 thumbnail grid, ten forward onto new pages and ten back onto pages
// already seen, each from the click to the thumbnails drawn, with the user looking at each set
// of pages for half a second before the next click (what the preview does meanwhile is not
// timed); before them, ten forward clicked one after the other without a pause.
// Run by hand: report_bench [notes] [lines a note: 1 or 4].
#include "NotesHost.h"

#include "editor/Globals.h"
#include "editor/PrintNotes.h"
#include "platform/files/FileBundle.h"
#include "platform/report/Preview.h"
#include "platform/runtime/Runtime.h"
#include "platform/ui/WindowManager.h"

#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

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

// The user looks at the pages for a while: events and threads run as they come.
void Look(int ms) {
    const Clock::time_point start = Clock::now();
    while (Ms(start) < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        RunUntilIdle();
    }
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10000;
    const bool fourLines = argc > 2 && std::atoi(argv[2]) == 4;
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
                "0", std::to_string(i % 100000),
                fourLines ? "Provide and install expansion joint filler, sealant and backer rod, "
                            "see detail " +
                                std::to_string(i) +
                                "\r\nTypical at all slab edges, both faces\r\nCoordinate "
                                "with architectural finishes\r\nVerify in field"
                          : "Provide and install item " + std::to_string(i),
                "EA", "A");
    });

    const std::vector<editor::ReportTab> tabs = host.Tabs();
    PageList pages;
    editor::NotesReport report(pages);
    double produce = 0;
    host.OnThread([&] {
        Clock::time_point start = Clock::now();
        report.Produce(tabs);
        produce = Ms(start);
    });
    std::uintmax_t largest = 0, total = 0;
    for (const std::string& page : pages) {
        // The report keeps its pages in one file of its folder.
        std::optional<std::string> kept = ReadBundled(page);
        std::uintmax_t size = kept ? kept->size() : std::filesystem::file_size(page);
        largest = std::max(largest, size);
        total += size;
    }
    std::printf("report of %d %s notes: %zu pages in %.0f ms\n", count,
                fourLines ? "4-line" : "one-line", pages.size(), produce);
    std::printf("page images: %.1f KB on average, %.1f KB the largest\n",
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
    std::printf("preview: first page shown %.0f ms after the call\n", first);

    // A grid of 3 by 3, then page turns forward and back.
    for (int spin : {preview::PAGESACROSS, preview::PAGESDOWN}) {
        (*preview)[spin].SetValue("3");
        preview->Update(spin);
        Input(*preview, EVENT_NewSelection, spin);
    }
    struct Turns {
        const char* what;
        int control;
        int look; // ms before each click
    };
    const Turns kinds[] = {
        {"forward onto new pages, clicked without a pause", preview::NEXT, 0},
        {"forward onto new pages", preview::NEXT, 500},
        {"back onto pages seen", preview::PREVIOUS, 500},
    };
    for (const Turns& kind : kinds) {
        std::vector<double> turns;
        for (int i = 0; i < 10; ++i) {
            Look(kind.look);
            turns.push_back(Input(*preview, EVENT_Accepted, kind.control));
        }
        std::sort(turns.begin(), turns.end());
        std::printf("3 by 3 thumbnails, a page turn %s: min %.1f ms, median %.1f ms, slowest "
                    "%.1f ms\n",
                    kind.what, turns.front(), turns[turns.size() / 2], turns.back());
    }
    Input(*preview, EVENT_Accepted, preview::EXITBUTTON);
    report.Engine().Release();
    EndAllThreads();
    Settle();
    return 0;
}
