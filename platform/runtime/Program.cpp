#include "platform/runtime/Program.h"

#include "platform/files/Path.h"
#include "platform/runtime/Runtime.h"

#include <QApplication>
#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QStringList>

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <malloc.h>
#include <string_view>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform {

namespace {

// Each page of memory the program touches for the first time costs a fault into the system, and
// a start touches thousands of them. The heap is grown in large steps, and the system asked to
// back it with large pages where it can (2 MiB at a fault where it would bring in 4 KiB); where it
// cannot, nothing changes.
void AskLargePagesForTheHeap() {
    constexpr std::size_t kLargePage = std::size_t{1} << 21;
    // Blocks below 4 MiB come from the heap (an image of a window's size among them), which
    // grows 32 MiB at a time.
    ::mallopt(M_MMAP_THRESHOLD, static_cast<int>(2 * kLargePage));
    ::mallopt(M_TOP_PAD, static_cast<int>(16 * kLargePage));
    const auto start = reinterpret_cast<std::uintptr_t>(::sbrk(0));
    // More than the heap has left, so that it grows; (written to, so that it is really asked for).
    auto* grown = static_cast<volatile char*>(std::malloc(kLargePage));
    if (grown)
        grown[0] = 0;
    const auto end = reinterpret_cast<std::uintptr_t>(::sbrk(0));
    const std::uintptr_t from = (start + kLargePage - 1) & ~(kLargePage - 1);
    if (end > from)
        ::madvise(reinterpret_cast<void*>(from), end - from, MADV_HUGEPAGE);
    std::free(const_cast<char*>(grown));
}

struct Argument {
    std::string text; // as program text; the system's bytes when the code page cannot hold it
    std::string system;
    bool usable = true;
};

std::vector<Argument>& Args() {
    static std::vector<Argument> args;
    return args;
}

int& ExitCodeValue() {
    static int code = 0;
    return code;
}

// Program text as Qt hands it to the system: Qt encodes file names and arguments with
// QFile::encodeName, so the system receives exactly the bytes of OsPath.
QString ToSystem(const std::string& text) {
    const std::string bytes = OsPath(text);
    return QFile::decodeName(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

bool Executable(const std::string& systemPath) {
    struct stat st;
    return ::stat(systemPath.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::access(systemPath.c_str(), X_OK) == 0;
}

// The system's name of a program named without a folder: its own folder first, then each folder
// of PATH (an empty entry is the current folder). Nothing when none has it.
std::optional<std::string> FindProgram(const std::string& name,
                                       const std::optional<std::string>& ownFolder) {
    if (std::optional<std::string> own = ownFolder ? ownFolder : ProgramFolder()) {
        const std::string path = OsPath(JoinPath(*own, name));
        if (Executable(path))
            return path;
    }
    const char* searchPath = std::getenv("PATH");
    std::string_view folders = searchPath ? searchPath : "";
    while (searchPath) {
        const std::size_t colon = folders.find(':');
        std::string folder(folders.substr(0, colon));
        const std::string path = (folder.empty() ? std::string(".") : folder) + "/" + OsPath(name);
        if (Executable(path))
            return path;
        if (colon == std::string_view::npos)
            break;
        folders.remove_prefix(colon + 1);
    }
    return std::nullopt;
}

} // namespace

void SetCommandArguments(int argc, char** argv) {
    Args().clear();
    for (int i = 0; i < argc; ++i) {
        std::optional<std::string> text = FromOsPath(argv[i]);
        Args().push_back({text.value_or(argv[i]), argv[i], text.has_value()});
    }
}

std::string CommandArgument(int n) {
    if (n < 0 || static_cast<std::size_t>(n) >= Args().size())
        return std::string();
    return Args()[static_cast<std::size_t>(n)].text;
}

int ExitCode() {
    return ExitCodeValue();
}

void SetExitCode(int code) {
    ExitCodeValue() = code;
}

std::string ProgramFile() {
    return ModuleFileName().value_or(std::string());
}

std::optional<std::string> UnusablePath(int arguments) {
    std::error_code ec;
    const std::string exe = std::filesystem::read_symlink("/proc/self/exe", ec).string();
    if (!ec && !FromOsPath(exe))
        return ShownPath(exe);
    for (int n = 1; n <= arguments && static_cast<std::size_t>(n) < Args().size(); ++n)
        if (!Args()[static_cast<std::size_t>(n)].usable)
            return ShownPath(Args()[static_cast<std::size_t>(n)].system);
    return std::nullopt;
}

bool StartProgram(const std::string& program, const std::vector<std::string>& arguments,
                  const std::optional<std::string>& ownFolder) {
    QString path;
    if (program.find(kPathSeparator) == std::string::npos) {
        std::optional<std::string> found = FindProgram(program, ownFolder);
        if (!found)
            return false;
        path = QFile::decodeName(QByteArray(found->data(), static_cast<qsizetype>(found->size())));
    } else {
        path = ToSystem(program);
    }
    QStringList args;
    for (const auto& a : arguments)
        args << ToSystem(a);
    return QProcess::startDetached(path, args);
}

void IgnoreFileSizeSignal() {
    std::signal(SIGXFSZ, SIG_IGN);
}

namespace {

// What Qt says while it connects to the display, held until it has connected: a start without a
// display then ends with one line that says so, and exit code 1, instead of Qt's fatal error
// (which aborts); any other start shows what Qt said, as Qt would have.
struct HeldMessage {
    QtMsgType type;
    std::string file, function, category;
    int line;
    QString text;
};
std::vector<HeldMessage>& HeldMessages() {
    static std::vector<HeldMessage> held;
    return held;
}
QtMessageHandler& ShownBy() {
    static QtMessageHandler shown = nullptr;
    return shown;
}
std::string& StartingProgram() {
    static std::string name;
    return name;
}

void HoldMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtFatalMsg) {
        const char* display = std::getenv("DISPLAY");
        const char* wayland = std::getenv("WAYLAND_DISPLAY");
        if (display && *display)
            std::fprintf(stderr, "%s: cannot open the display %s\n", StartingProgram().c_str(),
                         display);
        else if (wayland && *wayland)
            std::fprintf(stderr, "%s: cannot open the display %s\n", StartingProgram().c_str(),
                         wayland);
        else
            std::fprintf(stderr, "%s: no display to show the window on (DISPLAY is not set)\n",
                         StartingProgram().c_str());
        std::fflush(stderr);
        std::_Exit(1);
    }
    HeldMessages().push_back({type, context.file ? context.file : "",
                              context.function ? context.function : "",
                              context.category ? context.category : "", context.line, text});
}

void ShowHeldMessages() {
    qInstallMessageHandler(ShownBy());
    for (const HeldMessage& m : HeldMessages()) {
        const QMessageLogContext context(m.file.c_str(), m.line, m.function.c_str(),
                                         m.category.c_str());
        qt_message_output(m.type, context, m.text);
    }
    HeldMessages().clear();
}

} // namespace

int RunProgram(int argc, char** argv, std::function<void()> main) {
    AskLargePagesForTheHeap();
    IgnoreFileSizeSignal();
    SetCommandArguments(argc, argv);
    // Qt reads its own options from the arguments it gets; the programs' arguments are file
    // names, which Qt must never take for an option of its own (a file named -style).
    int qtArgc = 1;
    char* qtArgv[] = {argc > 0 ? argv[0] : nullptr, nullptr};
    StartingProgram() = argc > 0 ? NamePart(argv[0]) : std::string("program");
    ShownBy() = qInstallMessageHandler(HoldMessage);
    QApplication app(qtArgc, qtArgv);
    ShowHeldMessages();
    // The desktop entry a Wayland dock or task switcher finds the windows by (notes.desktop,
    // dravolet.desktop); on X they carry the program's name as their window class.
    QGuiApplication::setDesktopFileName(QString::fromStdString(StartingProgram()));
    app.setQuitOnLastWindowClosed(false);
    OnProgramEnd([] { QCoreApplication::quit(); });
    Start([main](const std::string&) { main(); });
    QApplication::exec();
    EndAllThreads();
    return ExitCode();
}

} // namespace platform
