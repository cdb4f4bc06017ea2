// A test window that owns grids as the keynote window does: a host control (an empty region)
// for each, a button and an entry to take the focus elsewhere; every event goes to the grids
// first. The test runs its steps on the window's thread and acts through the driver.
#pragma once

#include "grid/PelkGridClass.h"
#include "platform/runtime/Runtime.h"
#include "platform/testing/Driver.h"
#include "platform/ui/Keys.h"
#include "platform/ui/WindowManager.h"

#include <gtest/gtest.h>

#include <QScrollBar>
#include <QStyle>

#include <functional>
#include <string>
#include <vector>

namespace gridtest {

using namespace platform;
namespace drv = platform::testing;

enum { HOST = 1, HOST2, OK, OTHER };

// Where the host stands, in client pixels. Its data area then starts at 11, 36 and is 584 by
// 273; the columns run 11-71, 71-131, 131-465, 465-525 and 525-595.
inline constexpr int kHostX = 10, kHostY = 10, kHostW = 600, kHostH = 300;
inline constexpr int kGridX = 11, kGridY = 36, kGridW = 584, kGridH = 273;
inline constexpr int kColX1[] = {0, 11, 71, 131, 465, 525};
inline constexpr int kColX2[] = {0, 71, 131, 465, 525, 595};

inline WindowDef GridWindowDef() {
    WindowDef def;
    def.caption = "Grids";
    def.width = 500;
    def.height = 300;
    def.attributes = WIN_Resizable;
    def.controls = {
        {ControlKind::Region, HOST},
        {ControlKind::Region, HOST2},
        {ControlKind::Button, OK, "OK"},
        {ControlKind::Entry, OTHER},
    };
    return def;
}

// Paints a green rectangle of this size at the top left of a grid's data area, as something
// else drawing over it would (a grid on another tab). Runs on the grid's thread.
inline void PaintOver(grid::PelkGridClass& g, int width, int height) {
    using namespace win32;
    HDC dc = GetDC(g.HCLIENTWND);
    HBRUSH brush = CreateSolidBrush(0x00FF00);
    HPEN pen = CreatePen(PS_SOLID, 1, 0x00FF00);
    SelectObject(dc, brush);
    SelectObject(dc, pen);
    Rectangle(dc, kGridX, kGridY, kGridX + width, kGridY + height);
    ReleaseDC(g.HCLIENTWND, dc);
    DeleteObject(brush);
    DeleteObject(pen);
}

struct GridWindow : WindowManager {
    Window window{GridWindowDef()};
    grid::PelkGridClass grid;
    grid::PelkGridClass second; // set up only when a test asks for it
    bool withSecond = false;
    std::vector<std::function<void()>> work;
    std::vector<std::string> accepted;

    int Setup() override {
        Open(window);
        window.SetPixels(true);
        window.SetPosition(window.X(), window.Y(), 760, 560);
        window[HOST].SetPosition(kHostX, kHostY, kHostW, kHostH);
        window[HOST2].SetPosition(kHostX, 330, kHostW, 150);
        window[OK].SetPosition(640, 20, 80, 25);
        window[OTHER].SetPosition(640, 60, 80, 22);
        window.SetPixels(false);
        grid.Setup(HOST, 60, 62);
        return RESULT_GoOn;
    }
    int OnEvent() override {
        if (CurrentEvent() == EVENT_User) {
            auto pending = std::move(work);
            for (auto& f : pending)
                f();
            return RESULT_GoOn;
        }
        if (grid.QDATA)
            grid.OnEvent();
        if (withSecond && second.QDATA)
            second.OnEvent();
        return WindowManager::OnEvent();
    }
    int OnAccepted() override {
        accepted.push_back(std::to_string(EventControl()));
        return WindowManager::OnAccepted();
    }
};

class GridTest : public ::testing::Test {
protected:
    GridWindow host; // outlives TearDown, which ends the thread that uses it
    Window& w = host.window;
    grid::PelkGridClass& g = host.grid;

    void SetUp() override {
        Start([this](const std::string&) { host.Run(); });
        drv::Settle();
        ASSERT_TRUE(w.IsOpen());
    }
    void TearDown() override {
        drv::ExpectNoMessage();
        OnThread([this] {
            if (host.grid.QDATA)
                host.grid.Shutdown();
            if (host.second.QDATA)
                host.second.Shutdown();
        });
        EndAllThreads();
        drv::Settle();
    }

    // Runs f on the window's thread, as the grid's owner does.
    void OnThread(std::function<void()> f) {
        host.work.push_back(std::move(f));
        PostInput(w.Thread(), Event{EVENT_User, 0, 0});
        drv::Settle();
    }

    // Fills the grid with rows numbered from 1 and draws it, as the owner does after loading.
    void Fill(int rows, const std::string& description = "") {
        OnThread([&] {
            for (int i = 1; i <= rows; ++i)
                g.AddRow("0", std::to_string(i), description, "ea", "A");
            g.SetRedraw(1);
            g.Draw();
        });
    }
    void Fill(const std::vector<std::string>& descriptions) {
        OnThread([&] {
            int n = 0;
            for (const std::string& d : descriptions)
                g.AddRow("0", std::to_string(++n), d, "ea", "A");
            g.SetRedraw(1);
            g.Draw();
        });
    }

    // The note numbers of the rows, in order, separated by blanks.
    std::string Order() {
        std::string out;
        for (int r = 1; r <= g.Records(); ++r)
            out += (r > 1 ? " " : "") + g.GetCellValue(r, 2);
        return out;
    }

    win32::COLORREF Pixel(int x, int y) { return drv::Pixel(w, x, y); }
    // Clicks with the left button at a point of the client area.
    void ClickAt(int x, int y) {
        drv::MouseDown(w, x, y);
        drv::MouseUp(w, x, y);
    }
    // The grid's scroll bar, and the centre of one of its parts in client pixels.
    QScrollBar* Bar() { return w[HOST].Widget()->findChild<QScrollBar*>(); }
    QPoint At(QStyle::SubControl part) {
        return drv::ScrollBarPartAt(Bar(), w.ClientWidget(), part);
    }
    // The middle of a cell as the last drawing placed it.
    int MidX(int col) { return (kColX1[col] + kColX2[col]) / 2; }
    int MidY(int row) {
        const grid::RowRecord& r = (*g.QDATA)[static_cast<std::size_t>(row - 1)];
        return (r.Y1 + r.Y2) / 2;
    }
};

} // namespace gridtest
