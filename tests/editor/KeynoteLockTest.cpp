#include "KeynoteFixture.h"
#include "platform/runtime/Program.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

using namespace keynotetest;

namespace {

// Whether some process holds the file open denying writing.
bool Held(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool held = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return held;
}

// A second notes on the project, until it is ended.
class OtherNotes {
public:
    OtherNotes(const std::string& csv, const std::string& config) {
        std::string program = NOTES_PROGRAM;
        std::vector<std::string> env = {"QT_QPA_PLATFORM=offscreen", "XDG_CONFIG_HOME=" + config};
        for (char** e = environ; *e; ++e)
            if (std::string_view(*e).substr(0, 16) != "QT_QPA_PLATFORM=" &&
                std::string_view(*e).substr(0, 16) != "XDG_CONFIG_HOME=")
                env.push_back(*e);
        std::vector<char*> envp;
        for (std::string& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        std::string arg = csv;
        char* argv[] = {program.data(), arg.data(), nullptr};
        if (posix_spawn(&pid_, program.c_str(), nullptr, nullptr, argv, envp.data()) != 0)
            pid_ = 0;
    }
    ~OtherNotes() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    bool Started() const { return pid_ > 0; }

private:
    pid_t pid_ = 0;
};

const char* const kOffer = " is already opened by another user!|Would you like to open this "
                           "file in Read-Only mode?";

} // namespace

// A second notes on one project finds the file held by the first and is offered read-only mode.
TEST_F(KeynoteTest, AFileHeldByAnotherProcessIsOfferedReadOnly) {
    drv::WriteBytes(csv, Fixture("example.csv"));
    Derive();
    OtherNotes other(csv, temp / "other-config");
    ASSERT_TRUE(other.Started());
    for (int i = 0; i < 500 && !Held(csv); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(Held(csv));

    OpenWindow();
    drv::Answer("File " + csv + kOffer, "", ICON_Exclamation, BUTTON_YES | BUTTON_NO, BUTTON_NO,
                BUTTON_NO);
    EXPECT_EQ(keynote, nullptr); // the window does not run, and the program is to end
    EXPECT_TRUE(FrameGot(EVENT_CloseDown));
    EXPECT_EQ(NotesOpenMode, 0x22);

    OpenWindow();
    drv::Answer("File " + csv + kOffer, "", ICON_Exclamation, BUTTON_YES | BUTTON_NO, BUTTON_YES,
                BUTTON_NO);
    ASSERT_NE(keynote, nullptr);
    EXPECT_EQ(NotesOpenMode, 0);
    EXPECT_EQ(Order(1), "1 2");
    EXPECT_TRUE(W()[SAVETOASCII].Disabled());
    EXPECT_TRUE(W()[SAVETOASCIIANDCLOSE].Disabled());
}

// A file that cannot be opened at all ends the program with its error.
TEST_F(KeynoteTest, AKeynoteFileThatCannotBeOpenedEndsTheProgram) {
    std::filesystem::create_directories(project + "/sub/constnot.csv");
    Derive(project + "/sub/constnot.csv");
    SetExitCode(0);
    OpenWindow();
    drv::Answer("File " + project + "/sub/constnot.csv" + kOffer, "", ICON_Exclamation,
                BUTTON_YES | BUTTON_NO, BUTTON_YES, BUTTON_NO);
    drv::Answer("Unable to open " + project +
                    "/sub/constnot.csv in read only mode!|Error: Access Denied",
                "Error code: 5", ICON_Hand, BUTTON_OK, BUTTON_OK);
    EXPECT_EQ(keynote, nullptr);
    EXPECT_TRUE(FrameGot(EVENT_CloseDown));
    EXPECT_EQ(ExitCode(), 1); // the process ends on a failure

    SetExitCode(0);
    NotesOpenMode = 0x22;
    Derive(project + "/gone/constnot.csv");
    OpenWindow();
    drv::Answer("Unable to open " + project + "/gone/constnot.csv!|Error: Path Not Found",
                "Error code: 3", ICON_Hand, BUTTON_OK, BUTTON_OK);
    EXPECT_EQ(keynote, nullptr);
    EXPECT_EQ(ExitCode(), 1);
    SetExitCode(0);
}
