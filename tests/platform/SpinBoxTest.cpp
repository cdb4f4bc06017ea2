#include "platform/runtime/Runtime.h"
#include "platform/testing/Driver.h"
#include "platform/ui/Keys.h"
#include "platform/ui/WindowManager.h"

#include <gtest/gtest.h>

using namespace platform;
namespace drv = platform::testing;

namespace {

enum { PAGES = 1, OTHER, OK };

struct Display : WindowManager {
    Window window{[] {
        WindowDef def;
        def.caption = "Change the Report Display";
        ControlDef spin{ControlKind::Spin, PAGES, "", 5, 5, 30, 10};
        spin.low = 1;
        spin.high = 10;
        def.controls = {spin,
                        {ControlKind::Entry, OTHER, "", 5, 20, 40, 10},
                        {ControlKind::Button, OK, "OK", 5, 40, 40, 14, 0, ATTR_Default}};
        return def;
    }()};
    std::int32_t pages = 2;
    std::vector<std::string> log;
    int Setup() override {
        Open(window);
        window[PAGES].Bind(pages);
        window.Display();
        return RESULT_GoOn;
    }
    int OnFieldEvent() override {
        if (CurrentEvent() == EVENT_Rejected)
            log.push_back("rejected " + std::to_string(window[PAGES].RejectCode()) + " " +
                          window[PAGES].RejectedText());
        if (CurrentEvent() == EVENT_Accepted)
            log.push_back(EventControl() == OK ? "ok" : "accepted " + std::to_string(pages));
        return WindowManager::OnFieldEvent();
    }
};

class SpinBoxTest : public ::testing::Test {
protected:
    Display display;
    void TearDown() override {
        drv::ExpectNoMessage();
        EndAllThreads();
        drv::Settle();
    }
};

} // namespace

TEST_F(SpinBoxTest, ValuesOutsideTheRangeAreRejectedWithTheirReason) {
    Start([&](const std::string&) { display.Run(); });
    drv::Settle();
    drv::Type(display.window, PAGES, "77");
    drv::Type(display.window, PAGES, "0");
    EXPECT_EQ(display.pages, 2); // the rejected texts never reached the variable
    EXPECT_EQ(display.window[PAGES].Value(), "2");
    drv::Type(display.window, PAGES, "4");
    EXPECT_EQ(display.log,
              (std::vector<std::string>{"rejected 1 77", "rejected 2 0", "accepted 4"}));
    EXPECT_EQ(display.pages, 4);
    EXPECT_EQ(display.window[PAGES].Value(), "4");
}

TEST_F(SpinBoxTest, EnterForTheDefaultButtonCompletesTheSpinBoxFirst) {
    Start([&](const std::string&) { display.Run(); });
    drv::Settle();
    drv::Type(display.window, PAGES, "77", false);
    drv::Key(display.window, 0, KEY_Enter);
    drv::Type(display.window, PAGES, "6", false);
    drv::Key(display.window, 0, KEY_Enter);
    EXPECT_EQ(display.log, (std::vector<std::string>{"rejected 1 77", "ok", "accepted 6", "ok"}));
}
