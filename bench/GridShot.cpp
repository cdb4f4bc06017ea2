// Opens a window with a filled keynote grid and saves a picture of it, to look at by eye:
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/bin/grid_shot grid.png
#include "grid/PelkGridClass.h"
#include "platform/runtime/Runtime.h"
#include "platform/ui/Window.h"

#include <QApplication>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <string>

using namespace platform;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString file = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString("grid.png");
    WindowDef def;
    def.caption = "Keynotes";
    def.width = 480;
    def.height = 300;
    def.controls = {{ControlKind::Region, 1}};
    grid::PelkGridClass g; // outlives the window, whose host hands it its last messages
    Window window(def);
    bool drawn = false;
    Start([&](const std::string&) {
        window.Open();
        window.SetPixels(true);
        window.SetPosition(40, 40, 720, 420);
        window[1].SetPosition(8, 8, 700, 400);
        window.SetPixels(false);
        g.Setup(1, 60, 62);
        const char* notes[][5] = {
            {"0", "1", "Provide and install fire-rated gypsum board assembly", "sf", "A"},
            {"1", "2", "Existing wall to remain.\r\nPatch and repair as required", "", ""},
            {"0", "3", "New hollow metal door and frame,\r\nsee door schedule", "ea", "DR"},
            {"0", "4a", "Concrete slab on grade", "sf", "B"},
            {"1", "5", "Remove existing ceiling", "", "DEMO"},
            {"0", "6", "Paint exposed structure\r\nand ductwork\r\nabove", "sf", "P"},
            {"0", "7", "Casework, see elevations", "lf", "C"},
        };
        for (auto& n : notes)
            g.AddRow(n[0], n[1], n[2], n[3], n[4]);
        for (int i = 8; i <= 30; ++i)
            g.AddRow("0", std::to_string(i), "Note " + std::to_string(i), "ea", "A");
        g.AddUnit(" ");
        g.AddUnit("ea");
        g.SetRedraw(1);
        g.Draw();
        g.ACTIVE = 1;
        g.SelectCell(3, 3);
        drawn = true;
        WaitUntil([] { return false; });
    });
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        RunUntilIdle();
        static int rounds = 0;
        if (drawn && ++rounds == 20) {
            QPixmap shot = window.Widget()->window()->grab();
            std::printf("%s: %s\n", shot.save(file) ? "saved" : "could not save",
                        file.toLocal8Bit().constData());
            std::fflush(stdout);
            tick.stop();
            EndAllThreads();
            QCoreApplication::exit(0); // quit() would ask the windows to close first
        }
    });
    tick.start(20);
    return app.exec();
}
