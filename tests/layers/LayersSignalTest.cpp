// dravolet started as from a shell ignores the signal of the file-size limit (ulimit -f), so a
// save past the limit fails and is reported instead of ending the program.
#include "platform/testing/Spawn.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using platform::testing::StartAsFromAShell;

// Whether the process ignores the signal, as /proc tells (SigIgn, a mask in hexadecimal).
bool Ignores(pid_t pid, int signal) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("SigIgn:", 0) == 0)
            return (std::stoull(line.substr(7), nullptr, 16) >> (signal - 1)) & 1;
    return false;
}

void End(pid_t pid) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
}

} // namespace

TEST(LayersSignalTest, TheLayerEditorIgnoresTheFileSizeLimitsSignal) {
    // A program that does nothing about it keeps the default action.
    const pid_t sleeper = StartAsFromAShell("/bin/sleep", {"10"});
    ASSERT_GT(sleeper, 0);
    EXPECT_FALSE(Ignores(sleeper, SIGXFSZ));
    End(sleeper);

    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const pid_t pid = StartAsFromAShell(DRAVOLET_PROGRAM, {});
    ASSERT_GT(pid, 0);
    bool ignores = false;
    for (int i = 0; i < 500 && !(ignores = Ignores(pid, SIGXFSZ)); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    End(pid);
    EXPECT_TRUE(ignores);
}
