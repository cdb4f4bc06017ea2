#include "platform/ui/WindowResizer.h"
#include "platform/runtime/Runtime.h"
#include "platform/testing/Driver.h"
#include "platform/ui/WindowManager.h"

#include <gtest/gtest.h>

using namespace platform;
namespace drv = platform::testing;

namespace {

enum { BOTTOM_RIGHT = 1, TOP_LEFT, ENTRY, LIST, GROUP, IN_GROUP, CHECK };

WindowDef ResizeDef() {
    WindowDef def;
    def.caption = "Resize";
    def.width = 200; // 300 by 156 pixels
    def.height = 96;
    def.attributes = WIN_Resizable;
    def.controls = {
        {ControlKind::Button, BOTTOM_RIGHT, "Save", 150, 78, 45, 14},
        {ControlKind::Button, TOP_LEFT, "Insert", 4, 4, 40, 14},
        {ControlKind::Entry, ENTRY, "", 10, 24, 80, 10},
        {ControlKind::List, LIST, "", 100, 20, 90, 40},
        {ControlKind::Group, GROUP, "Group", 0, 40, 200, 30},
        {ControlKind::String, IN_GROUP, "Title:", 8, 50, 40, 10, GROUP},
        {ControlKind::Check, CHECK, "Upper", 10, 72, 40, 10},
    };
    return def;
}

// A window that lays out its own parts after the controls moved.
struct OwnResizer : WindowResizer {
    int calls = 0;
    int listWidthSeen = 0;
    int Resize() override {
        int r = WindowResizer::Resize();
        ++calls;
        Win()->SetPixels(true);
        listWidthSeen = (*Win())[LIST].Width();
        Win()->SetPixels(false);
        return r;
    }
};

struct Demo : WindowManager {
    Window window{ResizeDef()};
    OwnResizer resizer;
    int Setup() override {
        Open(window);
        resizer.Init(window, STRATEGY_Resize, true);
        resizer.SetParentDefaults();
        resizer.SetStrategy(GROUP, {ResizeX::FixLeft, ResizeY::FixBottom, ResizeSize::KeepMargin,
                                    ResizeSize::Fixed});
        SetResizer(&resizer);
        return RESULT_GoOn;
    }
};

struct Rect {
    int x, y, width, height;
    bool operator==(const Rect&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Rect& r) {
    return out << r.x << "," << r.y << " " << r.width << "x" << r.height;
}

Rect PixelsOf(Window& w, int control) {
    w.SetPixels(true);
    Rect r{w[control].X(), w[control].Y(), w[control].Width(), w[control].Height()};
    w.SetPixels(false);
    return r;
}

class WindowResizerTest : public ::testing::Test {
protected:
    Demo demo;
    void TearDown() override {
        drv::ExpectNoMessage();
        EndAllThreads();
        drv::Settle();
    }
};

} // namespace

TEST_F(WindowResizerTest, ControlsFollowTheRulesOfTheirKindTheirOwnAndTheirContainer) {
    Start([&](const std::string&) { demo.Run(); });
    drv::Settle();
    Window& w = demo.window;
    std::map<int, Rect> before;
    for (int c = BOTTOM_RIGHT; c <= CHECK; ++c)
        before[c] = PixelsOf(w, c);
    ASSERT_EQ(w.ToPixelsX(200), 300);
    ASSERT_EQ(w.ToPixelsY(96), 156);
    w.SetPixels(true);
    w.SetPosition(w.X(), w.Y(), 600, 312); // twice the size: 300 wider, 156 higher
    w.SetPixels(false);
    drv::Settle();

    auto b = [&](int c) { return before[c]; };
    const std::pair<int, Rect> expected[] = {
        // buttons keep their size and their distance to the nearer edges
        {BOTTOM_RIGHT,
         {b(BOTTOM_RIGHT).x + 300, b(BOTTOM_RIGHT).y + 156, b(BOTTOM_RIGHT).width,
          b(BOTTOM_RIGHT).height}},
        {TOP_LEFT, b(TOP_LEFT)},
        // entries keep height and top, and scale across
        {ENTRY, {b(ENTRY).x * 2, b(ENTRY).y, b(ENTRY).width * 2, b(ENTRY).height}},
        // lists keep left and top and keep their right and bottom margins
        {LIST, {b(LIST).x, b(LIST).y, b(LIST).width + 300, b(LIST).height + 156}},
        // the group's own rule: left, bottom distance, width keeps its margin, fixed height
        {GROUP, {b(GROUP).x, b(GROUP).y + 156, b(GROUP).width + 300, b(GROUP).height}},
        // a label in the group keeps its distance from the group's top, which moved down
        {IN_GROUP,
         {b(IN_GROUP).x * 2, b(IN_GROUP).y + 156, b(IN_GROUP).width * 2, b(IN_GROUP).height}},
        // every other kind scales
        {CHECK, {b(CHECK).x * 2, b(CHECK).y * 2, b(CHECK).width * 2, b(CHECK).height * 2}},
    };
    for (const auto& [control, rect] : expected)
        EXPECT_EQ(PixelsOf(w, control), rect) << "control " << control;

    // The window's own Resize ran after the controls had moved.
    EXPECT_GE(demo.resizer.calls, 1);
    EXPECT_EQ(demo.resizer.listWidthSeen, b(LIST).width + 300);

    // Back to the first size: everything is where it was.
    w.SetPixels(true);
    w.SetPosition(w.X(), w.Y(), 300, 156);
    w.SetPixels(false);
    drv::Settle();
    for (int c = BOTTOM_RIGHT; c <= CHECK; ++c)
        EXPECT_EQ(PixelsOf(w, c), before[c]) << "control " << c;
}

TEST_F(WindowResizerTest, TheDesignedSizeBecomesTheMinimumSize) {
    Start([&](const std::string&) { demo.Run(); });
    drv::Settle();
    Window& w = demo.window;
    w.SetPosition(w.X(), w.Y(), 100, 50);
    drv::Settle();
    EXPECT_EQ(w.Width(), 200);
    EXPECT_EQ(w.Height(), 96);
}
