// The keynote grid's speed: a drawing of 10,000 rows scrolled to the middle, the rewrap of a
// 4,000-character description on a keystroke, and filling nine grids with 10,000 rows each.
// Run by hand (headless: QT_QPA_PLATFORM=offscreen build/bin/grid_bench).
#include "grid/PelkGridClass.h"
#include "platform/runtime/Runtime.h"
#include "platform/ui/Window.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <string>

using namespace platform;

namespace {

constexpr int kRows = 10000;
constexpr int kGrids = 9;

Window* gWindow = nullptr;
grid::PelkGridClass gGrids[kGrids];

std::string Description(int row) {
    return "Note " + std::to_string(row) + ": provide and install as specified\r\nsecond line";
}

void FillGrid(grid::PelkGridClass& g) {
    for (int i = 1; i <= kRows; ++i)
        g.AddRow(i % 3 == 0 ? "1" : "0", std::to_string(i), Description(i), "ea", "A");
}

void BM_DrawScrolledToTheMiddle(benchmark::State& state) {
    grid::PelkGridClass& g = gGrids[0];
    g.FIRSTPOINTER = kRows / 2;
    g.CURROW = kRows / 2;
    for (auto _ : state)
        g.Draw();
    state.counters["rows drawn"] = g.LASTPOINTER - g.FIRSTPOINTER + 1;
}
BENCHMARK(BM_DrawScrolledToTheMiddle)->Unit(benchmark::kMillisecond);

void BM_RewrapPerKeystroke(benchmark::State& state) {
    grid::PelkGridClass& g = gGrids[0];
    g.FIRSTPOINTER = 1;
    g.SelectCell(1, 3);
    g.StartEdit();
    // 4,000 characters of words in one line: every keystroke rewraps the whole of it.
    std::string words;
    while (words.size() < 4000)
        words += "word" + std::to_string(words.size() % 97) + " ";
    words.resize(4000);
    Control& editor = (*gWindow)[g.TEXTCTRL];
    for (auto _ : state) {
        state.PauseTiming();
        editor.SetText(words);
        editor.SetSelStart(2001);
        state.ResumeTiming();
        g.RewrapText();
    }
    g.CancelEdit();
}
BENCHMARK(BM_RewrapPerKeystroke)->Unit(benchmark::kMillisecond);

// Typing into a text that is already wrapped: the common keystroke.
void BM_RewrapWrappedText(benchmark::State& state) {
    grid::PelkGridClass& g = gGrids[0];
    g.SelectCell(1, 3);
    g.StartEdit();
    std::string words;
    while (words.size() < 4000)
        words += "word" + std::to_string(words.size() % 97) + " ";
    words.resize(4000);
    Control& editor = (*gWindow)[g.TEXTCTRL];
    editor.SetText(words);
    g.RewrapText();
    for (auto _ : state)
        g.RewrapText();
    g.CancelEdit();
}
BENCHMARK(BM_RewrapWrappedText)->Unit(benchmark::kMillisecond);

void BM_FillNineGrids(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        // Empty lists as the owner has them before it loads: no room kept from the last round.
        for (grid::PelkGridClass& g : gGrids)
            std::vector<grid::RowRecord>().swap(*g.QDATA);
        state.ResumeTiming();
        for (grid::PelkGridClass& g : gGrids)
            FillGrid(g);
    }
}
BENCHMARK(BM_FillNineGrids)->Unit(benchmark::kMillisecond);

WindowDef BenchWindow() {
    WindowDef def;
    def.caption = "Grid bench";
    def.width = 600;
    def.height = 400;
    for (int i = 1; i <= kGrids; ++i)
        def.controls.push_back({ControlKind::Region, i});
    return def;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    Window window(BenchWindow());
    gWindow = &window;
    Start([&](const std::string&) {
        window.Open();
        window.SetPixels(true);
        window.SetPosition(0, 0, 900, 700);
        for (int i = 1; i <= kGrids; ++i)
            window[i].SetPosition(10, 10, 800, 600);
        window.SetPixels(false);
        for (int i = 0; i < kGrids; ++i)
            gGrids[i].Setup(i + 1, 60, 62);
        FillGrid(gGrids[0]);
        gGrids[0].SetRedraw(1);
        gGrids[0].Draw();
        benchmark::RunSpecifiedBenchmarks();
        for (grid::PelkGridClass& g : gGrids)
            g.Shutdown();
        window.Close();
    });
    RunUntilIdle();
    benchmark::Shutdown();
    return 0;
}
