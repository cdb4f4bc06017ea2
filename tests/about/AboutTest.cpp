#include "about/About.h"

#include "platform/ini/Ini.h"
#include "platform/runtime/Runtime.h"
#include "platform/testing/Driver.h"
#include "platform/testing/TempFiles.h"
#include "platform/ui/IniManager.h"
#include "platform/ui/Keys.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace platform;
namespace drv = platform::testing;

namespace {

enum { STRING1 = 1, STRING1_2, STRING4, CLOSE };

class AboutTest : public ::testing::Test {
protected:
    drv::TempFolder config;
    void SetUp() override {
        setenv("XDG_CONFIG_HOME", config.Path().c_str(), 1);
        SetProgramName("notes");
        GlobalIniManager.Init("notes.INI");
        about::SetAboutTexts({"Vantorel - Pro", "QVR Editor", "Version 4.2"});
    }
    void TearDown() override {
        drv::ExpectNoMessage();
        EndAllThreads();
        drv::Settle();
        GlobalIniManager.Kill();
        unsetenv("XDG_CONFIG_HOME");
    }
    std::vector<Window*> Abouts() {
        std::vector<Window*> out;
        for (Window* w : Window::All())
            if (w->Caption() == "About")
                out.push_back(w);
        return out;
    }
};

} // namespace

TEST_F(AboutTest, ShowsTheProgramsLinesAndClosesWithOk) {
    Start(about::About, 25000);
    drv::Settle();
    ASSERT_EQ(Abouts().size(), 1u);
    Window& w = *Abouts()[0];
    EXPECT_EQ(w[STRING1].Text(), "Vantorel - Pro");
    EXPECT_EQ(w[STRING1_2].Text(), "QVR Editor");
    EXPECT_EQ(w[STRING4].Text(), "Version 4.2");
    EXPECT_EQ(w[CLOSE].Text(), "OK");
    drv::Key(w, 0, KEY_Enter); // OK is the default button
    EXPECT_TRUE(Abouts().empty());

    about::SetAboutTexts({"Vantorel", "", "Version 4.3"}); // dravolet's window
    Start(about::About, 25000);
    drv::Settle();
    ASSERT_EQ(Abouts().size(), 1u);
    EXPECT_EQ(Abouts()[0]->Find(STRING1_2), nullptr);
    EXPECT_EQ((*Abouts()[0])[STRING4].Text(), "Version 4.3");
}

TEST_F(AboutTest, TwoWindowsBothShowAndTheLastClosedWinsThePosition) {
    Start(about::About, 25000);
    Start(about::About, 25000);
    drv::Settle();
    auto windows = Abouts();
    ASSERT_EQ(windows.size(), 2u);
    windows[0]->SetPosition(10, 20, 140, 72);
    windows[1]->SetPosition(30, 40, 140, 72);
    drv::Settle();
    drv::Click(*windows[1], CLOSE);
    EXPECT_EQ(ReadIni("About", "XPos", "", "notes.INI"), "30");
    drv::CloseBox(*windows[0]); // the close box stores the position as OK does
    EXPECT_EQ(ReadIni("About", "XPos", "", "notes.INI"), "10");
    EXPECT_EQ(ReadIni("About", "YPos", "", "notes.INI"), "20");

    Start(about::About, 25000);
    drv::Settle();
    ASSERT_EQ(Abouts().size(), 1u);
    EXPECT_EQ(Abouts()[0]->X(), 10);
    EXPECT_EQ(Abouts()[0]->Y(), 20);
}
