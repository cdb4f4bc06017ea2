#include "platform/ui/StatusBar.h"
#include "platform/runtime/Runtime.h"
#include "platform/testing/Driver.h"
#include "platform/ui/WindowManager.h"

#include <QApplication>
#include <QLabel>
#include <QStatusTipEvent>
#include <QWidget>

#include <gtest/gtest.h>

using namespace platform;
namespace drv = platform::testing;

namespace {

struct Preview : WindowManager {
    Window window{[] {
        WindowDef def;
        def.caption = "Report Preview";
        def.width = 414;
        def.height = 211;
        def.attributes = WIN_Resizable;
        def.statusZones = {-1, 50, 50, 50, 150};
        def.controls = {{ControlKind::Button, 1, "", 2, 2, 14, 14}};
        return def;
    }()};
    bool closed = false;
    int Setup() override {
        Open(window);
        return RESULT_GoOn;
    }
    int Shutdown() override {
        closed = true;
        return WindowManager::Shutdown();
    }
};

class StatusBarTest : public ::testing::Test {
protected:
    Preview preview;
    void TearDown() override {
        drv::ExpectNoMessage();
        EndAllThreads();
        drv::Settle();
    }
};

} // namespace

TEST_F(StatusBarTest, ZonesHoldTheirTextsUnderAClientAreaOfTheDefinedSize) {
    Start([&](const std::string&) { preview.Run(); });
    drv::Settle();
    Window& w = preview.window;
    ASSERT_EQ(StatusZones(w), 5);
    EXPECT_EQ(w.Width(), 414);
    EXPECT_EQ(w.Height(), 211);
    SetStatusText(w, 2, "Zoom (50%%)");
    SetStatusText(w, 5, "Page 1 of 12");
    SetStatusText(w, 6, "nowhere"); // no such zone
    EXPECT_EQ(StatusText(w, 2), "Zoom (50%%)");
    EXPECT_EQ(StatusText(w, 5), "Page 1 of 12");
    EXPECT_EQ(StatusText(w, 1), "");
    EXPECT_EQ(StatusText(w, 6), "");

    // The first zone takes what the fixed ones leave.
    auto zones = w.Widget()->findChildren<QLabel*>();
    ASSERT_EQ(zones.size(), 5);
    EXPECT_EQ(zones[4]->width(), w.ToPixelsX(150));
    EXPECT_EQ(zones[1]->width(), w.ToPixelsX(50));
    EXPECT_GT(zones[0]->width(), w.ToPixelsX(50));
    EXPECT_GT(zones[0]->mapTo(w.Widget(), QPoint()).y(),
              w.ClientWidget()->geometry().bottom()); // under the client area

    // A control's status message shows in the first zone while the mouse is over it.
    SetStatusMessage(w[1], "Print The Report");
    EXPECT_EQ(StatusMessage(w[1]), "Print The Report");
    QStatusTipEvent tip(w[1].Widget()->statusTip());
    QApplication::sendEvent(w[1].Widget(), &tip);
    EXPECT_EQ(StatusText(w, 1), "Print The Report");

    drv::CloseBox(w);
    EXPECT_TRUE(preview.closed);
}
