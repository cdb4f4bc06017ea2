// A notes run for tests of its windows: a settings folder and a program folder of the test's
// own, the window-position store on "notes.INI", a project INI in the test's folder, and a way to
// run a window procedure on a thread of its own and find its window.
#pragma once

#include "editor/Globals.h"
#include "platform/ini/Ini.h"
#include "platform/runtime/Runtime.h"
#include "platform/testing/Driver.h"
#include "platform/testing/TempFiles.h"
#include "platform/ui/IniManager.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>

namespace editor::testing {

namespace drv = platform::testing;

class EditorWindowTest : public ::testing::Test {
protected:
    drv::TempFolder temp;
    std::string app = temp / "app";
    bool returned = false; // the procedure last started has returned

    void SetUp() override {
        ResetGlobals();
        std::filesystem::create_directories(app);
        setenv("XDG_CONFIG_HOME", (temp / "config").c_str(), 1);
        platform::SetProgramName("notes");
        platform::GlobalIniManager.Init("notes.INI");
        AppPath = app;
        ProjectIni = temp / "qvr.ini";
    }
    void TearDown() override {
        drv::ExpectNoMessage();
        platform::EndAllThreads();
        drv::Settle();
        platform::GlobalIniManager.Kill();
        unsetenv("XDG_CONFIG_HOME");
    }

    // Runs a procedure on a thread of its own and returns the window it opened.
    platform::Window& StartWindow(std::function<void()> procedure, const std::string& caption) {
        returned = false;
        platform::Start([this, procedure](const std::string&) {
            procedure();
            returned = true;
        });
        drv::Settle();
        platform::Window* w = drv::FindWindow(caption);
        if (!w)
            throw std::runtime_error("the window \"" + caption + "\" did not open");
        return *w;
    }
};

} // namespace editor::testing
