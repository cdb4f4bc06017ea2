// A project folder with a keynote file, its names derived as the frame derives them, a stand-in
// for the frame on thread 1 that writes down the events it gets, and the keynote window on a
// thread of its own. Tests act on the window through the driver.
#pragma once

#include "editor/Config.h"
#include "editor/Globals.h"
#include "editor/KeynoteWindow.h"
#include "editor/KeynoteWindowDef.h"
#include "editor/MainFrame.h"

#include "platform/files/Files.h"
#include "platform/ini/Ini.h"
#include "platform/runtime/Program.h"
#include "platform/runtime/Runtime.h"
#include "platform/testing/Driver.h"
#include "platform/testing/TempFiles.h"
#include "platform/text/Text.h"

#include <gtest/gtest.h>

#include <QWidget>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace keynotetest {

using namespace editor;
using namespace editor::keynote;
using namespace platform;
namespace drv = platform::testing;

inline std::string Fixture(const std::string& name) {
    return drv::ReadBytes(std::string(TEST_DATA_DIR) + "/keynote/" + name);
}

class KeynoteTest : public ::testing::Test {
protected:
    drv::TempFolder temp;
    std::string app = temp / "app";
    std::string project = temp / "job";
    std::string csv = project + "/constnot.csv";
    std::string bak = project + "/constnot.bak";
    std::string ini = project + "/qvr.ini";
    std::vector<int> frameEvents;     // what thread 1 received
    KeynoteWindow* keynote = nullptr; // while its thread runs
    int windowsOpened = 0;

    void SetUp() override {
        ResetGlobals();
        std::filesystem::create_directories(app);
        std::filesystem::create_directories(project);
        setenv("XDG_CONFIG_HOME", (temp / "config").c_str(), 1);
        AppPath = app;
        Start([this](const std::string&) {
            for (;;)
                frameEvents.push_back(Accept().code);
        });
    }
    void TearDown() override {
        drv::ExpectNoMessage();
        EndAllThreads();
        drv::Settle();
        unsetenv("XDG_CONFIG_HOME");
    }

    // The names and configuration as the frame's set-up makes them, for argument 1.
    void Derive(std::string arg1 = {}) {
        static std::string program = "notes";
        static std::string arg;
        arg = arg1.empty() ? csv : std::move(arg1);
        char* argv[] = {program.data(), arg.data()};
        SetCommandArguments(2, argv);
        ASSERT_EQ(DeriveNames(), 0);
        WriteDefaultLists();
    }

    // Starts the keynote window; with backup the project already has one, so no first-run
    // notice comes.
    void OpenWindow(bool backup = true) {
        if (backup && !FileExists(bak))
            drv::WriteBytes(bak, "");
        Start([this](const std::string&) {
            KeynoteWindow window;
            keynote = &window;
            ++windowsOpened;
            window.Run();
            keynote = nullptr;
            KeynoteThread = 0;
        });
        drv::Settle();
    }
    // Writes the keynote file, derives the names and opens the window on it.
    void OpenOn(const std::string& contents) {
        drv::WriteBytes(csv, contents);
        Derive();
        OpenWindow();
        ASSERT_NE(keynote, nullptr);
    }

    // Closes the window as the frame's end of the program does.
    void CloseWindow() {
        ASSERT_NE(keynote, nullptr);
        Post(EVENT_CloseDown, 0, W().Thread());
        drv::Settle();
        ASSERT_EQ(keynote, nullptr);
    }

    Window& W() { return keynote->window(); }
    grid::PelkGridClass& Grid(int shape) {
        grid::PelkGridClass* g = keynote->Grid(shape);
        EXPECT_NE(g, nullptr);
        return *g;
    }
    // Clicks a cell of a shape's grid where its last drawing placed it, as a user does.
    void ClickCell(int shape, int row, int column) {
        grid::PelkGridClass& g = Grid(shape);
        const grid::RowRecord& r = g.QDATA->at(static_cast<std::size_t>(row - 1));
        const grid::ColumnRecord& c = g.QCOL->at(static_cast<std::size_t>(column - 1));
        const int x = (c.X1 + c.X2) / 2, y = (r.Y1 + r.Y2) / 2;
        drv::MouseDown(W(), x, y);
        drv::MouseUp(W(), x, y);
    }
    // The note numbers of a shape's rows, separated by blanks.
    std::string Order(int shape) {
        std::string out;
        for (const std::string& row : Rows(shape)) {
            std::string number = row.substr(row.find('|') + 1);
            out += (out.empty() ? "" : " ") + number.substr(0, number.find('|'));
        }
        return out;
    }
    bool FrameGot(int event) const {
        return std::find(frameEvents.begin(), frameEvents.end(), event) != frameEvents.end();
    }

    // The rows of a shape's tab position as "mark|number|description|unit|type" lines.
    std::vector<std::string> Rows(int shape) {
        std::vector<std::string> out;
        for (const ShapeNotes& s : keynote->NotesInTabOrder())
            if (s.shape == shape)
                for (const NoteRow& r : s.rows)
                    out.push_back(r.mark + "|" + r.number + "|" + r.description + "|" + r.unit +
                                  "|" + r.type);
        return out;
    }
};

} // namespace keynotetest
