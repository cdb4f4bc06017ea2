#include "platform/runtime/Program.h"

#include "platform/files/Path.h"
#include "platform/runtime/Runtime.h"

#include <QApplication>
#include <QProcess>
#include <QStringList>

#include <filesystem>
#include <unistd.h>
#include <vector>

namespace platform {

namespace {

std::vector<std::string>& Args() {
    static std::vector<std::string> args;
    return args;
}

QString Native(const std::string& bytes) {
    return QString::fromLocal8Bit(bytes);
}

} // namespace

void SetCommandArguments(int argc, char** argv) {
    Args().clear();
    for (int i = 0; i < argc; ++i)
        Args().push_back(FromOsPath(argv[i]).value_or(argv[i]));
}

std::string CommandArgument(int n) {
    if (n < 0 || static_cast<std::size_t>(n) >= Args().size())
        return std::string();
    return Args()[n];
}

std::string ProgramFile() {
    return ModuleFileName().value_or(std::string());
}

bool StartProgram(const std::string& program, const std::vector<std::string>& arguments) {
    std::string path = program;
    if (program.find('/') == std::string::npos) {
        std::string own = JoinPath(ProgramFolder().value_or(std::string()), program);
        std::error_code ec;
        if (std::filesystem::is_regular_file(OsPath(own), ec) &&
            access(OsPath(own).c_str(), X_OK) == 0)
            path = own;
    }
    QStringList args;
    for (const auto& a : arguments)
        args << Native(a);
    return QProcess::startDetached(Native(path), args);
}

int RunProgram(int argc, char** argv, std::function<void()> main) {
    SetCommandArguments(argc, argv);
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    OnProgramEnd([] { QCoreApplication::quit(); });
    Start([main](const std::string&) { main(); });
    QApplication::exec();
    EndAllThreads();
    return 0;
}

} // namespace platform
