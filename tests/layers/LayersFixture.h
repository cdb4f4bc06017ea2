// A dravolet run for tests: its own settings folder and program folder, the layer table file
// and its "qvr.ini" in a project folder, and the frame started on thread 1 with given arguments.
#pragma once

#include "LayerRows.h"
#include "layers/Globals.h"
#include "layers/LayersMain.h"
#include "layers/LayersWindow.h"
#include "layers/MainFrame.h"
#include "platform/ini/Ini.h"
#include "platform/runtime/Program.h"
#include "platform/runtime/Runtime.h"
#include "platform/testing/Driver.h"
#include "platform/testing/TempFiles.h"
#include "platform/ui/Frame.h"
#include "platform/ui/IniManager.h"
#include "platform/ui/ListBox.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace layers::testing {

namespace drv = platform::testing;
using drv::ReadBytes;
using drv::WriteBytes;

class LayersTest : public ::testing::Test {
protected:
    drv::TempFolder temp;
    std::string app = temp / "app";
    std::string project = temp / "QVR";
    std::string table = project + "/Layers.dat";
    std::string qvrIni = project + "/qvr.ini";
    std::string flagIni = temp / "job.ini";

    void SetUp() override {
        std::filesystem::create_directories(app);
        std::filesystem::create_directories(project);
        setenv("XDG_CONFIG_HOME", (temp / "config").c_str(), 1);
        platform::SetProgramName("dravolet");
        platform::GlobalIniManager.Init("dravolet.INI");
        AppPath = app;
    }
    void TearDown() override {
        drv::ExpectNoMessage();
        platform::EndAllThreads();
        drv::Settle();
        platform::GlobalIniManager.Kill();
        SetArguments({});
        unsetenv("XDG_CONFIG_HOME");
    }

    static void SetArguments(std::vector<std::string> arguments) {
        static std::vector<std::string> kept;
        kept = std::move(arguments);
        kept.insert(kept.begin(), "dravolet");
        static std::vector<char*> argv;
        argv.clear();
        for (std::string& a : kept)
            argv.push_back(a.data());
        platform::SetCommandArguments(static_cast<int>(argv.size()), argv.data());
    }

    // Starts the frame on thread 1 with these arguments and lets it open.
    void StartFrame(std::vector<std::string> arguments) {
        SetArguments(std::move(arguments));
        platform::Start([](const std::string&) { Main(); });
        drv::Settle();
    }
    // The usual run: the table of the project folder and the INI that gets the flag.
    platform::Window& Open() {
        StartFrame({table, flagIni});
        platform::Window* w = LayerWindow();
        if (!w)
            throw std::runtime_error("the layer window did not open");
        return *w;
    }

    static platform::Window* LayerWindow() { return drv::FindWindow("Layer color editor"); }
    static platform::ListBox& List(platform::Window& w) { return *platform::ListBox::Of(w[LIST]); }

    // The list's rows as the list shows them, cells separated by "|".
    static std::vector<std::string> Shown(platform::Window& w) {
        std::vector<std::string> out;
        platform::ListBox& list = List(w);
        for (int row = 1; row <= list.Count(); ++row) {
            std::string line;
            for (int column = 1; column <= 5; ++column)
                line += (column > 1 ? "|" : "") + list.CellText(row, column);
            out.push_back(line);
        }
        return out;
    }
    // The number of the editor shown over the list, 0 when none.
    static int OpenEditor(platform::Window& w) {
        for (int control : {EDITENTRY, EDITCOLOR, EDITLINETYPE})
            if (w[control].Visible())
                return control;
        return 0;
    }
};

} // namespace layers::testing
