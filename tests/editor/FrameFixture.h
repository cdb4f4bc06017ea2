// The program as a user starts it: the frame on a project's keynote file, with the real keynote
// window inside it, and a way to reach that window's grids and cells as a user does.
#pragma once

#include "editor/Globals.h"
#include "editor/KeynoteWindow.h"
#include "editor/KeynoteWindowDef.h"
#include "editor/MainFrame.h"

#include "grid/GridShared.h"
#include "grid/PelkGridClass.h"
#include "platform/files/Files.h"
#include "platform/runtime/Program.h"
#include "platform/runtime/Runtime.h"
#include "platform/testing/Driver.h"
#include "platform/testing/TempFiles.h"
#include "platform/ui/Keys.h"
#include "platform/win32/Win32.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

namespace editor::testing {

class FrameTest : public ::testing::Test {
protected:
    platform::testing::TempFolder temp;
    std::string app = temp / "app";
    std::string project;
    std::string csv;
    bool frameReturned = false;

    // The project folder's name; the keynote file is constnot.csv in it until StartOn names
    // another.
    explicit FrameTest(const std::string& folder = "job")
        : project(temp / folder), csv(project + "/constnot.csv") {}

    void SetUp() override {
        ResetGlobals();
        std::filesystem::create_directories(app);
        std::filesystem::create_directories(project);
        setenv("XDG_CONFIG_HOME", (temp / "config").c_str(), 1);
        AppPath = app;
        Windows = {};
        Windows.BrowseNextNotes = BrowseNextNotes;
    }
    void TearDown() override {
        platform::testing::ExpectNoMessage();
        platform::EndAllThreads();
        platform::testing::Settle();
        Windows = {};
        unsetenv("XDG_CONFIG_HOME");
    }

    // Starts the program on a keynote file holding `contents`, of this name in the project
    // folder when one is given.
    void StartOn(const std::string& contents, const std::string& name = {}) {
        if (!name.empty())
            csv = project + "/" + name;
        platform::testing::WriteBytes(csv, contents);
        static std::string program = "notes";
        static std::string arg;
        arg = csv;
        char* argv[] = {program.data(), arg.data()};
        platform::SetCommandArguments(2, argv);
        frameReturned = false;
        platform::Start([this](const std::string&) {
            Main();
            frameReturned = true;
        });
        platform::testing::Settle();
        ASSERT_NE(platform::testing::FindWindow("Browse the Keynotes"), nullptr);
        // A save made now gives the file a last-write time of its own, as any save a user makes
        // later does (the file system's clock counts in steps of some milliseconds).
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    platform::Window& Notes() {
        platform::Window* w = platform::testing::FindWindow("Browse the Keynotes");
        EXPECT_NE(w, nullptr);
        return *w;
    }
    // The grid on the host of a tab position.
    grid::PelkGridClass& GridAt(int position) {
        auto* g = static_cast<grid::PelkGridClass*>(platform::win32::GetPropA(
            platform::win32::ControlHandle(Notes()[keynote::OleOf(position)]),
            grid::detail::kObjectProperty));
        EXPECT_NE(g, nullptr);
        return *g;
    }
    // Clicks a cell of a grid where its last drawing placed it.
    void ClickCell(grid::PelkGridClass& g, int row, int column) {
        const grid::RowRecord& r = g.QDATA->at(static_cast<std::size_t>(row - 1));
        const grid::ColumnRecord& c = g.QCOL->at(static_cast<std::size_t>(column - 1));
        const int x = (c.X1 + c.X2) / 2, y = (r.Y1 + r.Y2) / 2;
        platform::testing::MouseDown(Notes(), x, y);
        platform::testing::MouseUp(Notes(), x, y);
    }
    // Opens the editor of a cell (Enter on it) and types into it, leaving the edit open.
    void TypeIntoCell(grid::PelkGridClass& g, int row, int column, const std::string& text) {
        ClickCell(g, row, column);
        platform::testing::Key(Notes(), 0, platform::KEY_Enter);
        ASSERT_EQ(g.EIPON, 1);
        const int editor = column == 2   ? g.EDITCTRL
                           : column == 3 ? g.TEXTCTRL
                           : column == 4 ? g.UNITCTRL
                                         : g.TYPECTRL;
        platform::testing::Type(Notes(), editor, text, false);
        ASSERT_EQ(g.EIPON, 1);
    }
};

} // namespace editor::testing
