// The keynote grid's speed as a user feels it, each figure the least and the median of several
// rounds:
// - a key typed at the end and in the middle of a wrapped description of 4,000 characters, from
//   the key reaching the editor to the editor showing the rewrapped text (the key goes through
//   Qt's input path to the focused editor; every thread then runs until it waits);
// - a paste of 4,000 characters into an empty description, the same way (Ctrl+V);
// - the rewrap of a 4,000-character line alone (WrapDescription, no editor);
// - Move Last from row 1 of a grid of 1,100, 11,000 and 100,000 rows (the row moved, the grid
//   scrolled to it and drawn);
// - a drawing of 10,000 rows scrolled to the middle, adding 90,000 rows to a grid, and reading
//   100,000 rows back field by field (as a save takes them).
// Run by hand (headless: QT_QPA_PLATFORM=offscreen build/bin/grid_bench [most rows for Move
// Last]).
#include "grid/PelkGridClass.h"
#include "grid/TextLines.h"
#include "platform/runtime/Runtime.h"
#include "platform/ui/Window.h"
#include "platform/ui/WindowManager.h"

#include <QApplication>
#include <QClipboard>
#include <QTest>
#include <QWidget>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

using namespace platform;
using Clock = std::chrono::steady_clock;

namespace {

enum { HOST = 1 };

void Settle() {
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        RunUntilIdle();
    }
}

// A window that owns a grid as the keynote window does: every event goes to the grid first.
struct Host : WindowManager {
    Window window{[] {
        WindowDef def;
        def.caption = "Grid bench";
        def.width = 600;
        def.height = 400;
        def.controls.push_back({ControlKind::Region, HOST});
        return def;
    }()};
    grid::PelkGridClass grid;
    std::function<void()> work;

    int Setup() override {
        Open(window);
        window.SetPixels(true);
        window.SetPosition(0, 0, 900, 700);
        window[HOST].SetPosition(10, 10, 800, 600);
        window.SetPixels(false);
        grid.Setup(HOST, 60, 62);
        return RESULT_GoOn;
    }
    int OnEvent() override {
        if (CurrentEvent() == EVENT_User && work) {
            std::exchange(work, nullptr)();
            return RESULT_GoOn;
        }
        if (grid.QDATA)
            grid.OnEvent();
        return WindowManager::OnEvent();
    }
    void OnThread(std::function<void()> f) {
        work = std::move(f);
        PostInput(window.Thread(), Event{EVENT_User, 0, 0});
        Settle();
    }
};

struct Figures {
    std::vector<double> ms;
    void Add(double m) { ms.push_back(m); }
    void Print(const char* what) {
        std::sort(ms.begin(), ms.end());
        std::printf("%-58s min %9.3f ms  median %9.3f ms  (%zu rounds)\n", what, ms.front(),
                    ms[ms.size() / 2], ms.size());
    }
};

double Ms(Clock::time_point from) {
    return std::chrono::duration<double, std::milli>(Clock::now() - from).count();
}

std::string Words(std::size_t size) {
    std::string words;
    while (words.size() < size)
        words += "word" + std::to_string(words.size() % 97) + " ";
    words.resize(size);
    return words;
}

void Fill(grid::PelkGridClass& g, int rows) {
    for (int i = 1; i <= rows; ++i)
        g.AddRow(i % 3 == 0 ? "1" : "0", std::to_string(i),
                 "Note " + std::to_string(i) +
                     (i % 4 == 0 ? ": provide and install as specified\r\nsecond line" : ""),
                 "ea", "A");
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int mostRows = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100000;
    Host host;
    Start([&](const std::string&) { host.Run(); });
    Settle();
    grid::PelkGridClass& g = host.grid;
    Window& w = host.window;

    // Keys typed into a wrapped description of 4,000 characters.
    host.OnThread([&] {
        g.AddRow("0", "1", Words(4000), "ea", "A");
        g.SetRedraw(1);
        g.Draw();
        g.SelectCell(1, 3);
        g.StartEdit();
        g.RewrapText(); // the description as the editor shows it once wrapped
    });
    QWidget* editor = w[g.TEXTCTRL].Widget();
    for (bool middle : {false, true}) {
        Figures keys;
        const std::size_t size = w[g.TEXTCTRL].Text().size();
        for (int i = 0; i < 40; ++i) {
            host.OnThread([&] {
                Control& text = w[g.TEXTCTRL];
                text.SetSelStart(middle ? static_cast<int>(text.Text().size() / 2)
                                        : static_cast<int>(text.Text().size()) + 1);
            });
            Clock::time_point start = Clock::now();
            QTest::keyClick(editor, Qt::Key_X);
            Settle();
            keys.Add(Ms(start));
        }
        if (w[g.TEXTCTRL].Text().size() <= size)
            std::printf("the keys did not reach the editor\n");
        keys.Print(middle ? "a key typed in the middle of 4,000 wrapped characters"
                          : "a key typed at the end of 4,000 wrapped characters");
    }
    {
        Figures paste;
        const std::string words = Words(4000);
        for (int i = 0; i < 20; ++i) {
            host.OnThread([&] { w[g.TEXTCTRL].SetText(""); });
            QGuiApplication::clipboard()->setText(QString::fromLatin1(words.c_str()));
            Clock::time_point start = Clock::now();
            QTest::keyClick(editor, Qt::Key_V, Qt::ControlModifier);
            Settle();
            paste.Add(Ms(start));
        }
        paste.Print("a paste of 4,000 characters into an empty description");
    }
    host.OnThread([&] { g.CancelEdit(); });

    {
        Figures wrap;
        const std::string line = Words(4000);
        for (int i = 0; i < 2000; ++i) {
            std::string text = line;
            std::int32_t caret = 2000;
            Clock::time_point start = Clock::now();
            grid::WrapDescription(text, 5001, 60, caret);
            wrap.Add(Ms(start));
        }
        wrap.Print("the rewrap of a 4,000-character line alone");
    }

    for (int rows : {1100, 11000, 100000}) {
        if (rows > mostRows)
            break;
        Figures moves;
        host.OnThread([&] {
            std::vector<grid::RowRecord>().swap(*g.QDATA);
            Fill(g, rows);
        });
        for (int i = 0; i < (rows > 20000 ? 5 : 9); ++i) {
            host.OnThread([&] {
                g.FIRSTPOINTER = 1;
                g.CURROW = 1;
                g.CURCOL = 2;
                g.Draw();
            });
            double ms = 0;
            host.OnThread([&] {
                Clock::time_point start = Clock::now();
                g.MoveRowToBottom(0);
                ms = Ms(start);
            });
            moves.Add(ms);
        }
        moves.Print(("Move Last from row 1 of " + std::to_string(rows) + " rows").c_str());
    }

    {
        Figures draws;
        host.OnThread([&] {
            std::vector<grid::RowRecord>().swap(*g.QDATA);
            Fill(g, 10000);
            g.FIRSTPOINTER = 5000;
            g.CURROW = 5000;
            for (int i = 0; i < 50; ++i) {
                Clock::time_point start = Clock::now();
                g.Draw();
                draws.Add(Ms(start));
            }
        });
        draws.Print("a drawing of 10,000 rows scrolled to the middle");
    }
    {
        Figures fills;
        host.OnThread([&] {
            for (int i = 0; i < 10; ++i) {
                std::vector<grid::RowRecord>().swap(*g.QDATA);
                Clock::time_point start = Clock::now();
                Fill(g, 90000);
                fills.Add(Ms(start));
            }
        });
        fills.Print("90,000 rows added, as nine grids of 10,000 are filled");
    }
    {
        // As a save or the stash takes the rows: every field of every row as a text of its own.
        Figures reads;
        host.OnThread([&] {
            std::vector<grid::RowRecord>().swap(*g.QDATA);
            Fill(g, 100000);
            // The texts' room is made once: the rounds time the reading, not the system's pages.
            std::vector<std::string> fields;
            fields.reserve(5 * 100000);
            for (int i = 0; i < 10; ++i) {
                fields.clear();
                Clock::time_point start = Clock::now();
                for (std::int32_t r = 1; r <= g.Records(); ++r)
                    for (std::int32_t c = 1; c <= 5; ++c)
                        fields.push_back(g.GetCellValue(r, c));
                reads.Add(Ms(start));
            }
        });
        reads.Print("100,000 rows read back, every field a text of its own");
    }
    host.OnThread([&] { g.Shutdown(); });
    EndAllThreads();
    Settle();
    return 0;
}
