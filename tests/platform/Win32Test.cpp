#include "platform/win32/Win32.h"
#include "platform/runtime/Runtime.h"
#include "platform/testing/Driver.h"
#include "platform/ui/Keys.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/WindowManager.h"

#include <QApplication>
#include <QPalette>
#include <QScrollBar>
#include <QStyle>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

using namespace platform;
using namespace platform::win32;
namespace drv = platform::testing;

namespace {

enum { HOST = 1, NOTE, OK, ENTRY, COMBO };

// Where the controls stand, in client pixels.
const QRect kHost(20, 20, 200, 150);
const QRect kNote(240, 20, 150, 80);
const QRect kOk(240, 120, 80, 25);
const QRect kEntry(240, 160, 80, 20);
const QRect kCombo(240, 200, 80, 22);

WindowDef HostDef() {
    WindowDef def;
    def.caption = "Host";
    def.width = 280;
    def.height = 200;
    def.attributes = WIN_Resizable;
    def.controls = {
        {ControlKind::Region, HOST},     {ControlKind::Text, NOTE},
        {ControlKind::Button, OK, "OK"}, {ControlKind::Entry, ENTRY},
        {ControlKind::DropCombo, COMBO},
    };
    return def;
}

// A window whose thread runs what the test hands it, as the grid's code runs on the thread of
// the window that owns it.
struct HostWindow : WindowManager {
    Window window{HostDef()};
    std::vector<std::function<void()>> work;
    std::vector<std::string> events;

    int Setup() override {
        Open(window);
        window.SetPixels(true);
        for (auto [number, place] :
             {std::pair{HOST, kHost}, std::pair{NOTE, kNote}, std::pair{OK, kOk},
              std::pair{ENTRY, kEntry}, std::pair{COMBO, kCombo}})
            window[number].SetPosition(place.x(), place.y(), place.width(), place.height());
        window.SetPixels(false);
        return RESULT_GoOn;
    }
    int OnEvent() override {
        int event = CurrentEvent();
        if (event == EVENT_User) {
            auto pending = std::move(work);
            for (auto& f : pending)
                f();
        } else if (event > EVENT_User) {
            events.push_back("user " + std::to_string(event) + " key " + std::to_string(KeyCode()));
        }
        return WindowManager::OnEvent();
    }
    int OnAccepted() override {
        events.push_back("accepted " + std::to_string(EventControl()));
        return WindowManager::OnAccepted();
    }
    int OnFieldEvent() override {
        if (CurrentEvent() == EVENT_AlertKey)
            events.push_back("alert " + std::to_string(EventControl()) + " key " +
                             std::to_string(KeyCode()));
        return WindowManager::OnFieldEvent();
    }
};

// What the test procedures saw.
struct Seen {
    char by; // 'A' or 'B'
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    int thread;
    std::string note;
};
std::vector<Seen> gSeen;
std::map<HWND, WNDPROC> gPreviousA, gPreviousB;
std::set<UINT> gSwallowA;                      // messages procedure A keeps from the control
std::function<std::string(HWND, UINT)> gNoteA; // something to record with each message of A
std::function<void(HWND, UINT, WPARAM)> gActA; // what A does besides recording

LRESULT ProcedureA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    gSeen.push_back({'A', window, message, wParam, lParam, ThisThread(),
                     gNoteA ? gNoteA(window, message) : std::string()});
    if (gActA)
        gActA(window, message, wParam);
    WNDPROC previous = gPreviousA[window];
    if (message == WM_DESTROY)
        SetWindowLongA(window, GWL_WNDPROC, previous);
    if (gSwallowA.count(message))
        return 0;
    return CallWindowProcA(previous, window, message, wParam, lParam);
}

LRESULT ProcedureB(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    std::string note;
    WNDPROC previous = gPreviousB[window];
    if (message == WM_DESTROY) {
        RemovePropA(window, "GridObject");
        note = SetWindowLongA(window, GWL_WNDPROC, previous) == ProcedureB ? "restored" : "?";
    }
    gSeen.push_back({'B', window, message, wParam, lParam, ThisThread(), note});
    return CallWindowProcA(previous, window, message, wParam, lParam) + 1;
}

std::vector<Seen> Messages(UINT message) {
    std::vector<Seen> out;
    for (const Seen& s : gSeen)
        if (s.message == message)
            out.push_back(s);
    return out;
}

int Low(LPARAM l) {
    return static_cast<std::int16_t>(l & 0xFFFF);
}
int High(LPARAM l) {
    return static_cast<std::int16_t>((l >> 16) & 0xFFFF);
}

class Win32Test : public ::testing::Test {
protected:
    HostWindow host; // outlives TearDown, which ends the thread that uses it
    Window& w = host.window;

    void SetUp() override {
        gSeen.clear();
        gPreviousA.clear();
        gPreviousB.clear();
        gSwallowA.clear();
        gNoteA = nullptr;
        gActA = nullptr;
        Start([this](const std::string&) { host.Run(); });
        drv::Settle();
        ASSERT_TRUE(w.IsOpen());
    }
    void TearDown() override {
        drv::ExpectNoMessage();
        EndAllThreads();
        drv::Settle();
        gNoteA = nullptr;
        gActA = nullptr;
    }

    // Runs f on the window's thread.
    void OnThread(std::function<void()> f) {
        host.work.push_back(std::move(f));
        PostInput(w.Thread(), Event{EVENT_User, 0, 0});
        drv::Settle();
    }

    HWND Handle(int control) { return ControlHandle(w[control]); }

    void InstallA(int control) {
        HWND h = Handle(control);
        gPreviousA[h] = SetWindowLongA(h, GWL_WNDPROC, ProcedureA);
    }

    QWidget* Widget(int control) { return w[control].Widget(); }
};

// ---------------------------------------------------------------------------------------------
// Drawing

// The points of a rectangle of the surface that have a colour.
std::set<std::pair<int, int>> PointsOf(Window& w, QRect area, COLORREF color) {
    std::set<std::pair<int, int>> out;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (SurfacePixel(w, x, y) == color)
                out.insert({x, y});
    return out;
}

HFONT GridLikeFont() {
    LOGFONTA font;
    font.lfHeight = 15;
    font.lfWeight = 400;
    std::strcpy(font.lfFaceName, "Arial");
    return CreateFontIndirectA(&font);
}

TEST_F(Win32Test, LinesLeaveTheirEndPointOut) {
    struct Case {
        int x1, y1, x2, y2;
        std::set<std::pair<int, int>> points;
    };
    const std::vector<Case> cases = {
        {10, 10, 14, 10, {{10, 10}, {11, 10}, {12, 10}, {13, 10}}},
        {14, 20, 10, 20, {{14, 20}, {13, 20}, {12, 20}, {11, 20}}},
        {20, 30, 20, 33, {{20, 30}, {20, 31}, {20, 32}}},
        {30, 40, 33, 43, {{30, 40}, {31, 41}, {32, 42}}},
        {43, 50, 40, 53, {{43, 50}, {42, 51}, {41, 52}}},
        {50, 60, 50, 60, {}},
    };
    HWND client = ClientHandle(w);
    HPEN red = CreatePen(PS_SOLID, 1, 0x0000FF);
    for (const Case& c : cases) {
        HDC dc = GetDC(client);
        SelectObject(dc, red);
        MoveToEx(dc, c.x1, c.y1, nullptr);
        LineTo(dc, c.x2, c.y2);
        ReleaseDC(client, dc);
        QRect around =
            QRect(QPoint(c.x1, c.y1), QPoint(c.x2, c.y2)).normalized().adjusted(-2, -2, 2, 2);
        EXPECT_EQ(PointsOf(w, around, 0x0000FF), c.points)
            << c.x1 << "," << c.y1 << " to " << c.x2 << "," << c.y2;
    }
    // The end point is the next line's start.
    HDC dc = GetDC(client);
    SelectObject(dc, red);
    MoveToEx(dc, 60, 10, nullptr);
    LineTo(dc, 62, 10);
    POINT at;
    MoveToEx(dc, 0, 0, &at);
    EXPECT_EQ(at.x, 62);
    EXPECT_EQ(at.y, 10);
    ReleaseDC(client, dc);
    DeleteObject(red);
}

// At any scale, a fractional one too, a line one window pixel wide is as many device pixels wide
// as every other, and so is each side of a rectangle's border.
TEST_F(Win32Test, EveryLineIsAsThickAsEveryOtherInTheScreensPixels) {
    HWND client = ClientHandle(w);
    HPEN red = CreatePen(PS_SOLID, 1, 0x0000FF);
    HBRUSH green = CreateSolidBrush(0x00FF00);
    HDC dc = GetDC(client);
    SelectObject(dc, red);
    for (int at = 10; at < 31; at += 3) {
        MoveToEx(dc, 5, at, nullptr); // across
        LineTo(dc, 45, at);
        MoveToEx(dc, 50 + at, 10, nullptr); // down
        LineTo(dc, 50 + at, 40);
    }
    SelectObject(dc, green);
    for (int at = 0; at < 4; ++at)
        Rectangle(dc, 10 + 9 * at, 50 + at, 17 + 9 * at, 57 + at);
    ReleaseDC(client, dc);
    const QImage surface = SurfaceCopy(w);
    const qreal ratio = surface.devicePixelRatio();
    const QRgb redPixel = QColor(Qt::red).rgb();
    // Runs of red device pixels along a device row or column.
    auto runs = [&](bool downwards, int fixed, int from, int to) {
        std::vector<int> lengths;
        int run = 0;
        for (int i = from; i < to; ++i) {
            const QRgb p = downwards ? surface.pixel(fixed, i) : surface.pixel(i, fixed);
            if (p == redPixel) {
                ++run;
            } else if (run) {
                lengths.push_back(run);
                run = 0;
            }
        }
        return lengths;
    };
    const auto d = [ratio](int v) { return static_cast<int>(v * ratio); };
    const std::vector<int> across = runs(true, d(25), d(5), d(35));
    const std::vector<int> down = runs(false, d(25), d(55), d(85));
    ASSERT_EQ(across.size(), 7u);
    ASSERT_EQ(down.size(), 7u);
    const int width = across.front();
    EXPECT_GE(width, 1);
    for (int length : across)
        EXPECT_EQ(length, width);
    for (int length : down)
        EXPECT_EQ(length, width);
    // The rectangles' borders, left, right, top and bottom: as thick as the lines.
    for (int at = 0; at < 4; ++at) {
        const int left = 10 + 9 * at, top = 50 + at;
        const std::vector<int> row = runs(false, d(top + 3), d(left - 1), d(left + 8));
        const std::vector<int> column = runs(true, d(left + 3), d(top - 1), d(top + 8));
        EXPECT_EQ(row, std::vector<int>(2, width)) << "rectangle " << at;
        EXPECT_EQ(column, std::vector<int>(2, width)) << "rectangle " << at;
    }
    DeleteObject(red);
    DeleteObject(green);
}

TEST_F(Win32Test, ContextOfAControlDrawsInItsOwnRectangleOfTheSurface) {
    HWND hostWindow = Handle(HOST);
    HDC dc = GetDC(hostWindow);
    HPEN red = CreatePen(PS_SOLID, 1, 0x0000FF);
    SelectObject(dc, red);
    MoveToEx(dc, -5, 1, nullptr);
    LineTo(dc, 3, 1);
    ReleaseDC(hostWindow, dc);
    std::set<std::pair<int, int>> expected;
    for (int x = 0; x < 3; ++x)
        expected.insert({kHost.x() + x, kHost.y() + 1});
    EXPECT_EQ(PointsOf(w, QRect(kHost.x() - 8, kHost.y() - 2, 16, 6), 0x0000FF), expected);
    DeleteObject(red);
}

TEST_F(Win32Test, RectangleCoversLeftToRightMinusOneWithThePenAroundTheBrush) {
    HWND client = ClientHandle(w);
    HPEN black = CreatePen(PS_SOLID, 1, 0x000000);
    HPEN red = CreatePen(PS_SOLID, 1, 0x0000FF);
    HBRUSH redBrush = CreateSolidBrush(0x0000FF);
    HBRUSH green = CreateSolidBrush(0x00FF00);
    HDC dc = GetDC(client);

    // One colour: exactly 6 by 4 pixels.
    SelectObject(dc, redBrush);
    SelectObject(dc, red);
    Rectangle(dc, 30, 30, 36, 34);
    std::set<std::pair<int, int>> covered;
    for (int y = 30; y < 34; ++y)
        for (int x = 30; x < 36; ++x)
            covered.insert({x, y});
    EXPECT_EQ(PointsOf(w, QRect(25, 25, 20, 15), 0x0000FF), covered);

    // Two colours: a black ring, green inside.
    SelectObject(dc, green);
    SelectObject(dc, black);
    Rectangle(dc, 50, 30, 56, 34);
    ReleaseDC(client, dc);
    for (auto [x, y] : {std::pair{50, 30}, {55, 30}, {50, 33}, {55, 33}, {52, 30}, {50, 31}})
        EXPECT_EQ(SurfacePixel(w, x, y), 0x000000u) << x << "," << y;
    for (auto [x, y] : {std::pair{51, 31}, {54, 31}, {51, 32}, {54, 32}})
        EXPECT_EQ(SurfacePixel(w, x, y), 0x00FF00u) << x << "," << y;
    COLORREF window = GetSysColor(COLOR_WINDOW);
    for (auto [x, y] : {std::pair{56, 30}, {50, 34}, {49, 30}, {50, 29}})
        EXPECT_EQ(SurfacePixel(w, x, y), window) << x << "," << y;

    for (HPEN p : {black, red})
        EXPECT_TRUE(DeleteObject(p));
    for (HBRUSH b : {redBrush, green})
        EXPECT_TRUE(DeleteObject(b));
    EXPECT_FALSE(DeleteObject(red)); // a handle is good once
}

TEST_F(Win32Test, ClipRegionCutsTextAndLines) {
    HRGN a = CreateRectRgn(0, 0, 50, 50);
    HRGN b = CreateRectRgn(20, 20, 100, 100);
    HRGN both = CreateRectRgn(0, 0, 0, 0);
    HRGN apart = CreateRectRgn(60, 0, 70, 10);
    EXPECT_EQ(CombineRgn(both, apart, b, RGN_AND), NULLREGION);
    EXPECT_EQ(CombineRgn(both, a, b, RGN_AND), SIMPLEREGION); // 20..49 by 20..49

    HWND client = ClientHandle(w);
    HDC dc = GetDC(client);
    HPEN red = CreatePen(PS_SOLID, 1, 0x0000FF);
    HFONT font = GridLikeFont();
    EXPECT_EQ(SelectClipRgn(dc, both), SIMPLEREGION);
    DeleteObject(both); // the context keeps its own copy
    SelectObject(dc, red);
    MoveToEx(dc, 0, 25, nullptr);
    LineTo(dc, 100, 25);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, 0x0000FF);
    SelectObject(dc, font);
    std::string text = "WWWWWWWWWWWW";
    TextOutA(dc, 10, 40, text.c_str(), static_cast<int>(text.size()));
    ReleaseDC(client, dc);

    std::set<std::pair<int, int>> line;
    for (int x = 20; x < 50; ++x)
        line.insert({x, 25});
    EXPECT_EQ(PointsOf(w, QRect(0, 24, 110, 3), 0x0000FF), line);
    auto ink = PointsOf(w, QRect(0, 30, 200, 40), 0x0000FF);
    ASSERT_FALSE(ink.empty());
    for (auto [x, y] : ink) {
        EXPECT_GE(x, 20);
        EXPECT_LT(x, 50);
        EXPECT_LT(y, 50);
    }

    // Without a clip the text stands below and right of its top-left corner, in the text
    // colour, the background left as it was.
    dc = GetDC(client);
    SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, 0x0000FF);
    TextOutA(dc, 120, 60, text.c_str(), static_cast<int>(text.size()));
    ReleaseDC(client, dc);
    ink = PointsOf(w, QRect(100, 50, 300, 40), 0x0000FF);
    ASSERT_FALSE(ink.empty());
    int top = 1000, bottom = 0, left = 1000;
    for (auto [x, y] : ink) {
        top = std::min(top, y);
        bottom = std::max(bottom, y);
        left = std::min(left, x);
    }
    EXPECT_GE(top, 60);
    EXPECT_LT(bottom, 75);
    EXPECT_GE(left, 120);
    EXPECT_LT(left, 123);
    EXPECT_EQ(SurfacePixel(w, 119, 65), GetSysColor(COLOR_WINDOW));

    for (HRGN r : {a, b, apart})
        DeleteObject(r);
    DeleteObject(red);
    DeleteObject(font);
}

TEST_F(Win32Test, ColoursAreBlueGreenRedAndTheHostShowsTheSurfaceUnderIt) {
    QPalette palette = QApplication::palette();
    auto asColorRef = [](QColor c) {
        return static_cast<COLORREF>(c.red() | (c.green() << 8) | (c.blue() << 16));
    };
    EXPECT_EQ(GetSysColor(COLOR_WINDOW), asColorRef(palette.color(QPalette::Base)));
    EXPECT_EQ(GetSysColor(COLOR_HIGHLIGHT), asColorRef(palette.color(QPalette::Highlight)));

    HWND client = ClientHandle(w);
    HDC dc = GetDC(client);
    HBRUSH navy = CreateSolidBrush(0x800000);
    HPEN navyPen = CreatePen(PS_SOLID, 1, 0x800000);
    HBRUSH yellow = CreateSolidBrush(0xA9FFFF);
    HPEN yellowPen = CreatePen(PS_SOLID, 1, 0xA9FFFF);
    SelectObject(dc, navy);
    SelectObject(dc, navyPen);
    Rectangle(dc, 30, 30, 60, 50); // inside the host, which starts at 20, 20
    SelectObject(dc, yellow);
    SelectObject(dc, yellowPen);
    Rectangle(dc, 60, 30, 90, 50);
    ReleaseDC(client, dc);
    EXPECT_EQ(SurfacePixel(w, 31, 31), 0x800000u);
    drv::Settle();

    // The host shows the surface in the screen's pixels, whatever their ratio to its own.
    QImage shown = Widget(HOST)->grab().toImage();
    auto at = [&](int x, int y) {
        return QColor(shown.pixel((QPointF(x, y) * shown.devicePixelRatio()).toPoint()));
    };
    EXPECT_EQ(at(15, 15), QColor(0, 0, 128));
    EXPECT_EQ(at(45, 15), QColor(255, 255, 169));
    EXPECT_EQ(at(100, 100), palette.color(QPalette::Base));
    DeleteObject(navy);
    DeleteObject(navyPen);
    DeleteObject(yellow);
    DeleteObject(yellowPen);
}

TEST_F(Win32Test, SurfaceFollowsTheWindowsSizeAndKeepsWhatWasDrawn) {
    HWND client = ClientHandle(w);
    HDC dc = GetDC(client);
    HPEN red = CreatePen(PS_SOLID, 1, 0x0000FF);
    SelectObject(dc, red);
    MoveToEx(dc, 5, 5, nullptr);
    LineTo(dc, 6, 5);
    ReleaseDC(client, dc);
    int width = w.ClientWidget()->width();
    EXPECT_EQ(SurfacePixel(w, width, 5), CLR_INVALID);

    OnThread([&] {
        w.SetPixels(true);
        w.SetPosition(w.X(), w.Y(), width + 100, w.Height() + 50);
        w.SetPixels(false);
    });
    ASSERT_EQ(w.ClientWidget()->width(), width + 100);
    EXPECT_EQ(SurfacePixel(w, 5, 5), 0x0000FFu);
    EXPECT_EQ(SurfacePixel(w, width + 50, 5), GetSysColor(COLOR_WINDOW));
    DeleteObject(red);
}

// ---------------------------------------------------------------------------------------------
// Window procedures

TEST_F(Win32Test, ChainOfTwoProceduresPassesMessagesOnAndUnwindsOnDestroy) {
    HWND h = Handle(HOST);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(Handle(HOST), h);
    EXPECT_NE(ClientHandle(w), h);
    int hostObject = 0;
    EXPECT_TRUE(SetPropA(h, "GridObject", &hostObject));
    EXPECT_EQ(GetPropA(h, "GRIDOBJECT"), &hostObject); // names match ignoring case
    EXPECT_EQ(GetPropA(h, "Other"), nullptr);

    OnThread([&] {
        gPreviousA[h] = SetWindowLongA(h, GWL_WNDPROC, ProcedureA);
        gPreviousB[h] = SetWindowLongA(h, GWL_WNDPROC, ProcedureB);
    });
    EXPECT_NE(gPreviousA[h], nullptr); // the control's own
    EXPECT_EQ(gPreviousB[h], ProcedureA);
    // The window's procedures run for its thread: what they post goes there.
    gActA = [](HWND, UINT message, WPARAM) {
        if (message == WM_LBUTTONDOWN) {
            SetKeyCode(1);
            Post(EVENT_AlertKey, HOST);
        }
    };

    drv::MouseDown(w, kHost.x() + 10, kHost.y() + 10);
    ASSERT_EQ(Messages(WM_LBUTTONDOWN).size(), 2u);
    EXPECT_EQ(Messages(WM_LBUTTONDOWN)[0].by, 'B');
    EXPECT_EQ(Messages(WM_LBUTTONDOWN)[1].by, 'A');
    EXPECT_EQ(Messages(WM_LBUTTONDOWN)[1].thread, w.Thread());
    EXPECT_EQ(host.events, std::vector<std::string>{"alert 1 key 1"});
    EXPECT_EQ(CallWindowProcA(ProcedureB, h, WM_KEYUP, 0, 0), 1); // B adds 1 to the control's 0
    drv::MouseUp(w, kHost.x() + 10, kHost.y() + 10);

    gSeen.clear();
    OnThread([&] { w.Destroy(HOST); });
    ASSERT_EQ(gSeen.size(), 2u);
    EXPECT_EQ(gSeen[0].by, 'B');
    EXPECT_EQ(gSeen[0].message, WM_DESTROY);
    EXPECT_EQ(gSeen[0].note, "restored");
    EXPECT_EQ(gSeen[1].by, 'A');
    EXPECT_EQ(gSeen[1].message, WM_DESTROY);
    // The window is gone: its handle is refused.
    EXPECT_EQ(GetPropA(h, "GridObject"), nullptr);
    EXPECT_EQ(SetWindowLongA(h, GWL_WNDPROC, ProcedureA), nullptr);
}

TEST_F(Win32Test, MessageKeptFromTheBottomOfTheChainDoesNotReachTheControl) {
    InstallA(OK);
    gSwallowA = {WM_LBUTTONDOWN};
    drv::Click(w, OK);
    EXPECT_TRUE(host.events.empty());
    EXPECT_EQ(Messages(WM_LBUTTONDOWN).size(), 1u);
    EXPECT_EQ(Messages(WM_LBUTTONUP).size(), 1u);

    gSwallowA.clear();
    drv::Click(w, OK);
    EXPECT_EQ(host.events, std::vector<std::string>{"accepted 3"});
}

TEST_F(Win32Test, MouseMessagesCarryTheirPositionInTheReceivingWindow) {
    InstallA(HOST);
    // The host leaves presses to its parent in Qt; they were the host's alone.
    HWND client = ClientHandle(w);
    gPreviousA[client] = SetWindowLongA(client, GWL_WNDPROC, ProcedureA);
    auto last = [](UINT message) {
        auto all = Messages(message);
        return all.empty() ? Seen{} : all.back();
    };
    int x = kHost.x(), y = kHost.y();

    drv::MouseDown(w, x + 30, y + 40);
    ASSERT_EQ(Messages(WM_LBUTTONDOWN).size(), 1u);
    Seen down = last(WM_LBUTTONDOWN);
    EXPECT_EQ(down.window, Handle(HOST));
    EXPECT_EQ(Low(down.lParam), 30);
    EXPECT_EQ(High(down.lParam), 40);
    EXPECT_TRUE(down.wParam & MK_LBUTTON);

    drv::MouseMove(w, x + 35, y + 60);
    Seen move = last(WM_MOUSEMOVE);
    EXPECT_EQ(Low(move.lParam), 35);
    EXPECT_EQ(High(move.lParam), 60);
    EXPECT_TRUE(move.wParam & MK_LBUTTON);
    // Above and left of the window the position wraps in 16 bits.
    drv::MouseMove(w, x - 15, y - 3);
    move = last(WM_MOUSEMOVE);
    EXPECT_EQ(move.lParam & 0xFFFF, 0xFFF1);
    EXPECT_EQ(High(move.lParam), -3);

    drv::MouseUp(w, x + 36, y + 61);
    Seen up = last(WM_LBUTTONUP);
    EXPECT_EQ(Low(up.lParam), 36);
    EXPECT_FALSE(up.wParam & MK_LBUTTON);
    drv::MouseMove(w, x + 50, y + 50);
    EXPECT_FALSE(last(WM_MOUSEMOVE).wParam & MK_LBUTTON);

    // A quick second press is a press like the first.
    gSeen.clear();
    drv::MouseDown(w, x + 5, y + 5);
    drv::MouseUp(w, x + 5, y + 5);
    drv::MouseDown(w, x + 5, y + 5);
    drv::MouseUp(w, x + 5, y + 5);
    EXPECT_EQ(Messages(WM_LBUTTONDOWN).size(), 2u);
    EXPECT_EQ(Messages(WM_LBUTTONUP).size(), 2u);

    // The right button reports its release only.
    gSeen.clear();
    drv::MouseDown(w, x + 7, y + 8, true);
    drv::MouseUp(w, x + 7, y + 8, true);
    EXPECT_TRUE(Messages(WM_LBUTTONDOWN).empty());
    EXPECT_TRUE(Messages(WM_LBUTTONUP).empty());
    ASSERT_EQ(Messages(WM_RBUTTONUP).size(), 1u);
    EXPECT_EQ(Low(Messages(WM_RBUTTONUP)[0].lParam), 7);

    // The wheel's signed turn is the high word of wParam, one message per event.
    for (int delta : {-120, 360}) {
        gSeen.clear();
        drv::Wheel(w, x + 10, y + 10, delta);
        ASSERT_EQ(Messages(WM_MOUSEWHEEL).size(), 1u) << delta;
        EXPECT_EQ(High(static_cast<LPARAM>(Messages(WM_MOUSEWHEEL)[0].wParam)), delta);
    }
}

TEST_F(Win32Test, WindowProcedureSeesKeysAndCharactersBeforeTheTextHoldsThem) {
    InstallA(NOTE);
    gNoteA = [this](HWND, UINT) { return w[NOTE].Text(); };
    gSwallowA = {};
    gActA = [](HWND, UINT message, WPARAM wParam) {
        if (message == WM_CHAR) {
            SetKeyCode(static_cast<int>(wParam));
            Post(EVENT_User + 0x3EA, 0, 0, true);
        }
    };
    drv::Key(w, NOTE, KeyOf('a'));
    drv::Key(w, NOTE, KEY_Enter);
    struct Expected {
        UINT message;
        WPARAM wParam;
        std::string text;
    };
    const std::vector<Expected> expected = {
        {WM_KEYDOWN, 'A', ""},        {WM_CHAR, 'a', ""}, {WM_KEYUP, 'A', "a"},
        {WM_KEYDOWN, VK_RETURN, "a"}, {WM_CHAR, 13, "a"}, {WM_KEYUP, VK_RETURN, "a\r\n"},
    };
    ASSERT_EQ(gSeen.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(gSeen[i].message, expected[i].message) << i;
        EXPECT_EQ(gSeen[i].wParam, expected[i].wParam) << i;
        EXPECT_EQ(gSeen[i].note, expected[i].text) << i;
    }
    EXPECT_EQ(w[NOTE].Text(), "a\r\n");
    EXPECT_EQ(host.events, (std::vector<std::string>{"user 2026 key 97", "user 2026 key 13"}));

    // Delete types no character; a character kept from the control is not inserted.
    gSeen.clear();
    drv::Key(w, NOTE, KEY_Delete);
    ASSERT_EQ(gSeen.size(), 2u);
    EXPECT_EQ(gSeen[0].message, WM_KEYDOWN);
    EXPECT_EQ(gSeen[1].message, WM_KEYUP);
    EXPECT_EQ(gSeen[1].wParam, VK_DELETE);
    gSwallowA = {WM_CHAR};
    drv::Key(w, NOTE, KeyOf('x'));
    EXPECT_EQ(w[NOTE].Text(), "a\r\n");
}

TEST_F(Win32Test, DropComboGetsEachKeyAndClickOnce) {
    InstallA(COMBO);
    gNoteA = [this](HWND, UINT) { return w[COMBO].Text(); };
    drv::Focus(w, COMBO);
    drv::Key(w, COMBO, KeyOf('m'));
    auto chars = Messages(WM_CHAR);
    ASSERT_EQ(chars.size(), 1u);
    EXPECT_EQ(chars[0].wParam, static_cast<WPARAM>('m'));
    EXPECT_EQ(chars[0].note, "");
    EXPECT_EQ(Messages(WM_KEYDOWN).size(), 1u);
    EXPECT_EQ(w[COMBO].Text(), "m");

    QPoint inside = kCombo.topLeft() + QPoint(10, 10);
    drv::MouseDown(w, inside.x(), inside.y());
    drv::MouseUp(w, inside.x(), inside.y());
    ASSERT_EQ(Messages(WM_LBUTTONDOWN).size(), 1u);
    EXPECT_EQ(Low(Messages(WM_LBUTTONDOWN)[0].lParam), 10);
    EXPECT_EQ(High(Messages(WM_LBUTTONDOWN)[0].lParam), 10);
}

TEST_F(Win32Test, CaptureTakesEveryPressOfItsThreadUntilReleased) {
    HWND note = Handle(NOTE);
    HWND hostWindow = Handle(HOST);
    InstallA(NOTE);
    InstallA(HOST);
    HWND previous = reinterpret_cast<HWND>(1);
    OnThread([&] { previous = SetCapture(note); });
    EXPECT_EQ(previous, nullptr);
    EXPECT_EQ(drv::Capture(w), note);

    drv::Click(w, OK); // outside the holder: the holder gets it, the button does not
    EXPECT_TRUE(host.events.empty());
    auto downs = Messages(WM_LBUTTONDOWN);
    ASSERT_EQ(downs.size(), 1u);
    EXPECT_EQ(downs[0].window, note);
    EXPECT_EQ(Low(downs[0].lParam), kOk.center().x() - kNote.x());
    EXPECT_EQ(High(downs[0].lParam), kOk.center().y() - kNote.y());
    ASSERT_EQ(Messages(WM_LBUTTONUP).size(), 1u);
    EXPECT_EQ(Messages(WM_LBUTTONUP)[0].window, note);
    drv::MouseDown(w, kHost.x() + 5, kHost.y() + 5);
    drv::MouseUp(w, kHost.x() + 5, kHost.y() + 5);
    ASSERT_EQ(Messages(WM_LBUTTONDOWN).size(), 2u);
    EXPECT_EQ(Messages(WM_LBUTTONDOWN)[1].window, note);
    EXPECT_EQ(Low(Messages(WM_LBUTTONDOWN)[1].lParam), kHost.x() + 5 - kNote.x());

    gSeen.clear();
    OnThread([&] { previous = SetCapture(hostWindow); });
    EXPECT_EQ(previous, note);
    ASSERT_EQ(Messages(WM_CAPTURECHANGED).size(), 1u);
    EXPECT_EQ(Messages(WM_CAPTURECHANGED)[0].window, note);
    EXPECT_EQ(Messages(WM_CAPTURECHANGED)[0].lParam, reinterpret_cast<LPARAM>(hostWindow));

    gSeen.clear();
    OnThread([&] { ReleaseCapture(); });
    ASSERT_EQ(Messages(WM_CAPTURECHANGED).size(), 1u);
    EXPECT_EQ(Messages(WM_CAPTURECHANGED)[0].window, hostWindow);
    EXPECT_EQ(Messages(WM_CAPTURECHANGED)[0].lParam, 0);
    EXPECT_EQ(drv::Capture(w), nullptr);

    drv::Click(w, OK);
    EXPECT_EQ(host.events, std::vector<std::string>{"accepted 3"});
}

TEST_F(Win32Test, CaptureLeavesTheThreadsMessageBoxesAlone) {
    HWND note = Handle(NOTE);
    int answer = 0;
    OnThread([&] {
        SetCapture(note);
        answer = Message("Go on?", "", ICON_Question, BUTTON_YES | BUTTON_NO);
    });
    // The click on the box's button is the box's, not the capture holder's.
    drv::Answer("Go on?", "", ICON_Question, BUTTON_YES | BUTTON_NO, BUTTON_YES);
    EXPECT_EQ(answer, BUTTON_YES);
    EXPECT_EQ(drv::Capture(w), note);
}

TEST_F(Win32Test, CaptureHolderThatTakesItBackOnLosingItKeepsIt) {
    HWND note = Handle(NOTE);
    HWND entry = Handle(ENTRY);
    InstallA(NOTE);
    gActA = [note](HWND window, UINT message, WPARAM) {
        if (window == note && message == WM_CAPTURECHANGED)
            SetCapture(note);
    };
    OnThread([&] {
        SetCapture(note);
        SetCapture(entry);
    });
    EXPECT_EQ(drv::Capture(w), note);
    OnThread([&] { w.Destroy(NOTE); }); // a holder that goes away lets go
    EXPECT_EQ(drv::Capture(w), nullptr);
}

// ---------------------------------------------------------------------------------------------
// The scroll bar, and moving windows between parents

struct ScrollSeen {
    int code, high, position, track;
    bool fromBar;
};

class Win32ScrollTest : public Win32Test {
protected:
    HWND bar = nullptr;
    HWND hostWindow = nullptr;
    static inline std::vector<ScrollSeen>* seen = nullptr;
    static inline HWND theBar = nullptr;
    static inline bool follow = false; // move the bar as the grid does
    std::vector<ScrollSeen> requests;

    void SetUp() override {
        Win32Test::SetUp();
        seen = &requests;
        hostWindow = Handle(HOST);
        OnThread([&] {
            bar = CreateWindowExA(WS_EX_ACCEPTFILES, "SCROLLBAR", "",
                                  WS_CHILD | WS_CLIPCHILDREN | SBS_VERT, kHost.width() - 15, 0, 15,
                                  kHost.height(), hostWindow, nullptr, ApplicationInstance(),
                                  nullptr);
            ShowWindow(bar, SW_SHOWNORMAL);
            SCROLLINFO info;
            info.fMask = SIF_RANGE | SIF_POS;
            info.nMin = 1;
            info.nMax = 20;
            info.nPos = 3;
            SetScrollInfo(bar, SB_CTL, &info, TRUE);
        });
        theBar = bar;
        gActA = [](HWND, UINT message, WPARAM wParam) {
            if (message != WM_VSCROLL)
                return;
            SCROLLINFO info;
            info.fMask = SIF_POS | SIF_TRACKPOS;
            GetScrollInfo(theBar, SB_CTL, &info);
            int code = static_cast<int>(wParam & 0xFFFF);
            seen->push_back({code, static_cast<int>(wParam >> 16), info.nPos, info.nTrackPos,
                             gSeen.back().lParam == reinterpret_cast<LPARAM>(theBar)});
            if (follow && code != SB_ENDSCROLL) {
                SCROLLINFO set;
                set.fMask = SIF_POS;
                set.nPos = code == SB_LINEDOWN   ? info.nPos + 1
                           : code == SB_PAGEDOWN ? info.nPos + 5
                                                 : info.nTrackPos;
                SetScrollInfo(theBar, SB_CTL, &set, TRUE);
            }
        };
        gPreviousA[hostWindow] = SetWindowLongA(hostWindow, GWL_WNDPROC, ProcedureA);
    }
    void TearDown() override {
        follow = false;
        Win32Test::TearDown();
    }

    QScrollBar* Bar() {
        for (QScrollBar* b : Widget(HOST)->findChildren<QScrollBar*>())
            return b;
        return nullptr;
    }
    // The centre of a part of the bar, in client pixels.
    QPoint At(QStyle::SubControl part) {
        return platform::testing::ScrollBarPartAt(Bar(), w.ClientWidget(), part);
    }
    void Press(QPoint p) {
        drv::MouseDown(w, p.x(), p.y());
        drv::MouseUp(w, p.x(), p.y());
    }
    int Position() {
        SCROLLINFO info;
        info.fMask = SIF_POS;
        GetScrollInfo(bar, SB_CTL, &info);
        return info.nPos;
    }
};

TEST_F(Win32ScrollTest, BarStandsAlongTheHostsRightSideAndKeepsItsRange) {
    ASSERT_NE(bar, nullptr);
    QScrollBar* b = Bar();
    ASSERT_NE(b, nullptr);
    EXPECT_TRUE(b->isVisible());
    EXPECT_EQ(b->geometry(), QRect(kHost.width() - 15, 0, 15, kHost.height()));
    SCROLLINFO info;
    info.fMask = SIF_ALL;
    ASSERT_TRUE(GetScrollInfo(bar, SB_CTL, &info));
    EXPECT_EQ(info.nMin, 1);
    EXPECT_EQ(info.nMax, 20);
    EXPECT_EQ(info.nPos, 3);
    EXPECT_EQ(info.nTrackPos, 3);

    // The position stays within the range; an empty range holds only its minimum.
    info.fMask = SIF_POS;
    info.nPos = 50;
    EXPECT_EQ(SetScrollInfo(bar, SB_CTL, &info, TRUE), 20);
    info.fMask = SIF_RANGE | SIF_POS;
    info.nMin = 1;
    info.nMax = 0;
    info.nPos = 1;
    EXPECT_EQ(SetScrollInfo(bar, SB_CTL, &info, TRUE), 1);
    EXPECT_EQ(SetScrollInfo(hostWindow, SB_CTL, &info, TRUE), 0); // not a scroll bar

    // Moved, and above what is placed in the host after it.
    OnThread([&] {
        SetWindowPos(bar, HWND_TOP, 100, 0, 15, 80, 0);
        SetParent(Handle(ENTRY), hostWindow);
        w.SetPixels(true);
        w[ENTRY].SetPosition(90, 10, 40, 20);
        w[ENTRY].Unhide();
        w.SetPixels(false);
        SetWindowPos(bar, HWND_TOP, 100, 0, 15, 80, SWP_NOMOVE | SWP_NOSIZE);
    });
    EXPECT_EQ(b->geometry(), QRect(100, 0, 15, 80));
    EXPECT_EQ(Widget(HOST)->childAt(105, 15), b);
    EXPECT_EQ(CreateWindowExA(0, "BUTTON", "", WS_CHILD, 0, 0, 5, 5, hostWindow, nullptr, nullptr,
                              nullptr),
              nullptr);
}

TEST_F(Win32ScrollTest, RequestsArriveAsVScrollWithPositionAndTrack) {
    // The bar moves only when told, also while the button is held.
    QPoint down = At(QStyle::SC_ScrollBarAddLine);
    drv::MouseDown(w, down.x(), down.y());
    EXPECT_EQ(Bar()->value(), 3);
    EXPECT_EQ(Bar()->sliderPosition(), 3);
    drv::MouseUp(w, down.x(), down.y());
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].code, SB_LINEDOWN);
    EXPECT_EQ(requests[0].position, 3);
    EXPECT_TRUE(requests[0].fromBar);
    EXPECT_EQ(requests[1].code, SB_ENDSCROLL);
    EXPECT_EQ(Position(), 3);
    EXPECT_EQ(Bar()->value(), 3);

    follow = true;
    requests.clear();
    Press(At(QStyle::SC_ScrollBarAddLine));
    Press(At(QStyle::SC_ScrollBarSubLine));
    Press(At(QStyle::SC_ScrollBarAddPage));
    std::vector<int> codes;
    for (const ScrollSeen& s : requests)
        codes.push_back(s.code);
    EXPECT_EQ(codes, (std::vector<int>{SB_LINEDOWN, SB_ENDSCROLL, SB_LINEUP, SB_ENDSCROLL,
                                       SB_PAGEDOWN, SB_ENDSCROLL}));
    // The line up is followed as a track request by this procedure: the position stays 4.
    EXPECT_EQ(requests[2].position, 4);
    EXPECT_EQ(Position(), 9);
    EXPECT_EQ(Bar()->value(), 9);

    // Dragging the thumb: the track position runs ahead, the position follows when set.
    follow = false;
    requests.clear();
    QPoint thumb = At(QStyle::SC_ScrollBarSlider);
    drv::MouseDown(w, thumb.x(), thumb.y());
    drv::MouseMove(w, thumb.x(), thumb.y() + 30);
    ASSERT_FALSE(requests.empty());
    ScrollSeen track = requests.back();
    EXPECT_EQ(track.code, SB_THUMBTRACK);
    EXPECT_GT(track.high, 9);
    EXPECT_EQ(track.track, track.high);
    EXPECT_EQ(track.position, 9);
    drv::MouseUp(w, thumb.x(), thumb.y() + 30);
    ASSERT_GE(requests.size(), 3u);
    EXPECT_EQ(requests[requests.size() - 2].code, SB_THUMBPOSITION);
    EXPECT_EQ(requests[requests.size() - 2].high, track.high);
    EXPECT_EQ(requests.back().code, SB_ENDSCROLL);
    // Nobody set the position: the thumb goes back to it.
    EXPECT_EQ(Position(), 9);
    EXPECT_EQ(Bar()->value(), 9);
}

TEST_F(Win32ScrollTest, WheelOverTheBarIsTheHosts) {
    QPoint p = At(QStyle::SC_ScrollBarAddPage);
    gSeen.clear();
    drv::Wheel(w, p.x(), p.y(), 120);
    auto wheels = Messages(WM_MOUSEWHEEL);
    ASSERT_EQ(wheels.size(), 1u);
    EXPECT_EQ(wheels[0].window, hostWindow);
    EXPECT_EQ(High(static_cast<LPARAM>(wheels[0].wParam)), 120);
    EXPECT_TRUE(requests.empty());
    EXPECT_EQ(Position(), 3);
}

TEST_F(Win32Test, ReparentedControlIsPlacedInItsNewParentAndGetsItsOwnInput) {
    HWND entry = Handle(ENTRY);
    HWND hostWindow = Handle(HOST);
    InstallA(HOST);
    HWND previous = nullptr;
    OnThread([&] {
        previous = SetParent(entry, hostWindow);
        w.SetPixels(true);
        w[ENTRY].SetPosition(10, 30, 60, 20);
        w.SetPixels(false);
    });
    EXPECT_EQ(previous, ClientHandle(w));
    QWidget* e = Widget(ENTRY);
    EXPECT_EQ(e->parentWidget(), Widget(HOST));
    EXPECT_TRUE(e->isVisible());
    EXPECT_EQ(e->mapTo(w.ClientWidget(), QPoint(0, 0)), kHost.topLeft() + QPoint(10, 30));

    drv::MouseDown(w, kHost.x() + 20, kHost.y() + 40);
    drv::MouseUp(w, kHost.x() + 20, kHost.y() + 40);
    EXPECT_TRUE(Messages(WM_LBUTTONDOWN).empty());
    EXPECT_TRUE(e->hasFocus());
    OnThread([&] { ShowWindow(entry, SW_HIDE); });
    EXPECT_TRUE(w[ENTRY].Hidden());
    EXPECT_FALSE(e->isVisible());
}

// ---------------------------------------------------------------------------------------------
// Painting

int gPaints = 0;
int gUpdateKind = -1;
bool gCornersUpdated = false;
HWND gClient = nullptr;

LRESULT PaintingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        ++gPaints;
        HRGN update = CreateRectRgn(0, 0, 0, 0);
        HRGN probe = CreateRectRgn(0, 0, 1, 1);
        HRGN corner =
            CreateRectRgn(kHost.width() - 1, kHost.height() - 1, kHost.width(), kHost.height());
        HRGN outside = CreateRectRgn(kHost.width(), 0, kHost.width() + 5, 5);
        HRGN out = CreateRectRgn(0, 0, 0, 0);
        gUpdateKind = GetUpdateRgn(window, update, FALSE);
        gCornersUpdated = CombineRgn(out, update, probe, RGN_AND) == SIMPLEREGION &&
                          CombineRgn(out, update, corner, RGN_AND) == SIMPLEREGION &&
                          CombineRgn(out, update, outside, RGN_AND) == NULLREGION;
        HDC dc = GetDC(gClient);
        HBRUSH brush = CreateSolidBrush(0x0000FF);
        HPEN pen = CreatePen(PS_SOLID, 1, 0x0000FF);
        SelectObject(dc, brush);
        SelectObject(dc, pen);
        Rectangle(dc, kHost.x(), kHost.y(), kHost.x() + 50, kHost.y() + 50);
        ReleaseDC(gClient, dc);
        ValidateRgn(gClient, nullptr);
        for (HRGN r : {update, probe, corner, outside, out})
            DeleteObject(r);
        DeleteObject(brush);
        DeleteObject(pen);
    }
    return CallWindowProcA(gPreviousA[window], window, message, wParam, lParam);
}

TEST_F(Win32Test, PaintComesWithItsUpdateRegionOnceAndTheDrawingShows) {
    HWND h = Handle(HOST);
    gClient = ClientHandle(w);
    gPaints = 0;
    gPreviousA[h] = SetWindowLongA(h, GWL_WNDPROC, PaintingProcedure);
    HRGN none = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetUpdateRgn(h, none, FALSE), NULLREGION); // outside WM_PAINT nothing is due
    DeleteObject(none);

    Widget(HOST)->update();
    drv::Settle();
    drv::Settle();
    // The drawing's own repaint of the host does not come back as WM_PAINT.
    EXPECT_EQ(gPaints, 1);
    EXPECT_NE(gUpdateKind, NULLREGION);
    EXPECT_TRUE(gCornersUpdated);
    EXPECT_EQ(SurfacePixel(w, kHost.x() + 10, kHost.y() + 10), 0x0000FFu);
    QImage shown = Widget(HOST)->grab().toImage();
    EXPECT_EQ(QColor(shown.pixel(10, 10)), QColor(255, 0, 0));
}

} // namespace

namespace {

Window* gLayoutWindow = nullptr;

// Paints as the grid does on its first drawing: it lays out a header button, then draws.
LRESULT LayingOutProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        ++gPaints;
        Window& w = *gLayoutWindow;
        if (!w.Find(50))
            w.Create({ControlKind::Button, 50, "Header"});
        w.SetPixels(true);
        w[50].SetPosition(kHost.x() + 1, kHost.y() + 1, 60, 25);
        w.SetPixels(false);
        w[50].Unhide();
        HDC dc = GetDC(gClient);
        Rectangle(dc, kHost.x(), kHost.y() + 26, kHost.right(), kHost.bottom());
        ReleaseDC(gClient, dc);
    }
    return CallWindowProcA(gPreviousA[window], window, message, wParam, lParam);
}

} // namespace

TEST_F(Win32Test, PaintThatLaysOutControlsSettles) {
    HWND h = Handle(HOST);
    gClient = ClientHandle(w);
    gLayoutWindow = &w;
    gPaints = 0;
    gPreviousA[h] = SetWindowLongA(h, GWL_WNDPROC, LayingOutProcedure);
    Widget(HOST)->update();
    for (int i = 0; i < 5; ++i)
        drv::Settle();
    EXPECT_GE(gPaints, 1);
    EXPECT_LE(gPaints, 2);
    ASSERT_NE(w.Find(50), nullptr);
    EXPECT_TRUE(w[50].Widget()->isVisible());
    // A fresh context draws with a black pen and a white brush.
    EXPECT_EQ(SurfacePixel(w, kHost.x(), kHost.y() + 30), 0x000000u);
    EXPECT_EQ(SurfacePixel(w, kHost.x() + 5, kHost.y() + 30), 0xFFFFFFu);
}

TEST_F(Win32Test, ClosingTheWindowDestroysEveryWindowWithAHandle) {
    HWND hostWindow = Handle(HOST);
    HWND client = ClientHandle(w);
    HWND bar = nullptr;
    OnThread([&] {
        bar = CreateWindowExA(0, "SCROLLBAR", "", WS_CHILD | SBS_VERT, 0, 0, 15, 100, hostWindow,
                              nullptr, nullptr, nullptr);
    });
    for (HWND h : {hostWindow, client, bar})
        gPreviousA[h] = SetWindowLongA(h, GWL_WNDPROC, ProcedureA);
    PostInput(w.Thread(), Event{EVENT_CloseWindow, 0, 0});
    drv::Settle();
    EXPECT_FALSE(w.IsOpen());
    std::set<HWND> destroyed;
    for (const Seen& s : Messages(WM_DESTROY))
        destroyed.insert(s.window);
    EXPECT_EQ(destroyed, (std::set<HWND>{hostWindow, client, bar}));
    EXPECT_EQ(Messages(WM_DESTROY).size(), 3u);
    EXPECT_EQ(GetDC(client), nullptr);
}

TEST_F(Win32Test, ProcedureMayDestroyItsWindowWhileHandlingInput) {
    InstallA(HOST);
    InstallA(NOTE);
    gActA = [this](HWND window, UINT message, WPARAM) {
        if (message == WM_LBUTTONDOWN && window == Handle(HOST))
            w.Destroy(HOST);
        if (message == WM_KEYDOWN && window == Handle(NOTE))
            w.Destroy(NOTE);
    };
    drv::MouseDown(w, kHost.x() + 5, kHost.y() + 5);
    drv::MouseUp(w, kHost.x() + 5, kHost.y() + 5);
    EXPECT_EQ(w.Find(HOST), nullptr);
    drv::Key(w, NOTE, KeyOf('a'));
    EXPECT_EQ(w.Find(NOTE), nullptr);
    EXPECT_EQ(Messages(WM_DESTROY).size(), 2u);
}
