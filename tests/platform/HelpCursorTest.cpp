#include "platform/runtime/Runtime.h"
#include "platform/testing/Driver.h"
#include "platform/ui/Cursor.h"
#include "platform/ui/Help.h"
#include "platform/ui/Icons.h"
#include "platform/ui/WindowManager.h"

#include <QApplication>
#include <QWidget>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <unistd.h>

using namespace platform;
namespace drv = platform::testing;
namespace fs = std::filesystem;

namespace {

enum { HELP = 1, OK };

struct Demo : WindowManager {
    Window window{[] {
        WindowDef def;
        def.caption = "Key Notes";
        def.help = "Using the QVR Editor";
        def.controls = {{ControlKind::Button, HELP, "Help", 5, 5, 40, 14, 0, ATTR_StdHelp},
                        {ControlKind::Button, OK, "OK", 50, 5, 40, 14}};
        return def;
    }()};
    std::vector<int> accepted;
    int Setup() override {
        Open(window);
        return RESULT_GoOn;
    }
    int OnAccepted() override {
        accepted.push_back(EventControl());
        return WindowManager::OnAccepted();
    }
};

struct Shown {
    std::string file;
    HelpRequest request;
    std::string keyword;
};

class HelpCursorTest : public ::testing::Test {
protected:
    Demo demo;
    fs::path file;
    std::vector<Shown> shown;
    bool viewerTakes = true;
    void SetUp() override {
        file = fs::temp_directory_path() / ("help-" + std::to_string(::getpid()) + ".HLP");
        std::ofstream(file) << "help";
        SetHelpViewer([this](const std::string& f, HelpRequest r, const std::string& k) {
            shown.push_back({f, r, k});
            return viewerTakes;
        });
        Start([&](const std::string&) { demo.Run(); });
        drv::Settle();
    }
    void TearDown() override {
        drv::ExpectNoMessage();
        EndAllThreads();
        drv::Settle();
        SetHelpViewer(nullptr);
        SetHelpFile("");
        fs::remove(file);
    }
};

} // namespace

TEST_F(HelpCursorTest, TheHelpButtonShowsTheWindowsHelpKeywordAndRaisesNoEvent) {
    SetHelpFile(file.string());
    drv::Click(demo.window, HELP);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].file, file.string());
    EXPECT_EQ(shown[0].request, HelpRequest::Keyword);
    EXPECT_EQ(shown[0].keyword, "Using the QVR Editor");
    EXPECT_TRUE(demo.accepted.empty());
    drv::Click(demo.window, OK);
    EXPECT_EQ(demo.accepted, std::vector<int>{OK});
}

TEST_F(HelpCursorTest, AMissingFileOrAViewerThatRefusesItIsReportedWithTheFileName) {
    SetHelpFile(file.string() + ".missing");
    drv::Click(demo.window, HELP);
    EXPECT_TRUE(shown.empty());
    drv::Answer("The help file " + file.string() + ".missing was not found.", "", ICON_Exclamation,
                BUTTON_OK, BUTTON_OK);
    SetHelpFile(file.string());
    viewerTakes = false;
    ShowHelp(HelpRequest::Contents);
    drv::Answer("No program could show the help file " + file.string() + ".", "", ICON_Exclamation,
                BUTTON_OK, BUTTON_OK);
}

TEST_F(HelpCursorTest, HelpOnHelpAsksTheViewerWhateverTheHelpFile) {
    SetHelpFile(file.string() + ".missing");
    ShowHelp(HelpRequest::OnHelp);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].file, "");
    EXPECT_EQ(shown[0].request, HelpRequest::OnHelp);
    viewerTakes = false;
    ShowHelp(HelpRequest::OnHelp);
    drv::Answer("No program could show help on help.", "", ICON_Exclamation, BUTTON_OK, BUTTON_OK);
}

TEST_F(HelpCursorTest, NamedCursorsOverTheProgramAndOverAControl) {
    for (const std::string& name : {CURSOR_Wait, CURSOR_Drag}) {
        SetCursor(name);
        ASSERT_NE(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(CurrentCursor(), name);
    }
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::BitmapCursor);
    SetCursor("");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr); // the default is back
    SetCursor(CURSOR_Wait);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    SetCursor("");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    Control& ok = demo.window[OK];
    SetControlCursor(ok, CURSOR_ZoomIn);
    EXPECT_EQ(ControlCursor(ok), CURSOR_ZoomIn);
    EXPECT_EQ(ok.Widget()->cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(ok.Widget()->cursor().hotSpot(), QPoint(11, 11)); // the centre of the glass
    SetControlCursor(ok, "");
    EXPECT_EQ(ok.Widget()->cursor().shape(), Qt::ArrowCursor);
}

TEST(IconsTest, EveryDrawnIconHasAPictureAndUnknownNamesHaveNone) {
    for (const char* name :
         {"NOTE.ICO", "~BoxOn.ico", "~boxoff.ICO", "~Ellipsis.ico", "~Print.ico", "~Exit.ico",
          "~First.ico", "~Previous.ico", "~Next.ico", "~Last.ico", "~Jump.ico", "~Mark.ico",
          "~Unmark.ico", "~Delete.ico", "~Zoom.ico", "~Display.ico"})
        EXPECT_FALSE(PlatformIcon(name).isNull()) << name;
    EXPECT_TRUE(PlatformIcon("nothing.ico").isNull());
    EXPECT_TRUE(PlatformIcon("").isNull());
    // The ticked box differs from the empty one.
    EXPECT_NE(PlatformIcon("~BoxOn.ico").pixmap(16, 16).toImage(),
              PlatformIcon("~BoxOff.ico").pixmap(16, 16).toImage());
}
