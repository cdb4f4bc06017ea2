// What the keynote window's benchmarks share: the program set up as `notes <keynote file>` run
// from a folder of its own (the program folder `app` in it), and the keynote window started on
// its own thread beside a thread that stands in for the frame, which the window tells when it is
// ready.
#pragma once

#include "editor/Config.h"
#include "editor/Globals.h"
#include "editor/KeynoteWindow.h"
#include "editor/MainFrame.h"
#include "platform/runtime/Program.h"
#include "platform/runtime/Runtime.h"

#include <filesystem>
#include <string>

namespace bench {

// Starts the keynote window on `csv`; `window` points at it while it runs. Returns its thread.
inline int StartKeynoteWindow(const std::filesystem::path& folder, const std::string& csv,
                              editor::KeynoteWindow*& window) {
    editor::AppPath = (folder / "app").string();
    std::string program = "notes", arg = csv;
    char* args[] = {program.data(), arg.data()};
    platform::SetCommandArguments(2, args);
    editor::DeriveNames();
    editor::WriteDefaultLists();
    editor::FrameWidth = 800;
    editor::FrameHeight = 560;
    platform::Start([](const std::string&) {
        for (;;)
            platform::Accept();
    });
    return platform::Start([&window](const std::string&) {
        editor::KeynoteWindow w;
        window = &w;
        w.Run();
        window = nullptr;
    });
}

} // namespace bench
