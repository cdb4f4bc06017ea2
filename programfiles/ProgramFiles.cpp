#include "programfiles/ProgramFiles.h"

#include "platform/files/Files.h"
#include "platform/files/Path.h"
#include "platform/ini/Ini.h"
#include "platform/runtime/Program.h"
#include "platform/text/Text.h"

namespace programfiles {

using namespace platform;

bool ReadFileArguments(const std::string& appPath, const ArgumentNames& files) {
    files.param1 = CommandArgument(1);
    files.param2 = CommandArgument(2);
    if (Clip(files.param1).empty()) {
        files.folder = appPath;
        files.param1 = "(BLANK)";
        files.name = "constnot.csv";
        files.backup = "constnot.bak";
        return true;
    }
    FileArgument parts = SplitFileArgument(files.param1);
    files.folder = parts.folder;
    files.name = parts.name;
    files.backup = parts.backup;
    return !files.name.empty() && !files.backup.empty();
}

namespace {

// Creates a folder and the missing folders above it; whether it exists now.
bool CreateFolders(const std::string& folder) {
    if (folder.empty() || FolderExists(folder))
        return true;
    const std::string parent = FolderPart(folder);
    if (parent != folder && !CreateFolders(parent))
        return false;
    return CreateFolder(folder);
}

} // namespace

std::string ProgramFolderToUse(const std::string& besideProgram) {
    if (FolderWritable(besideProgram))
        return besideProgram;
    const std::string own = DataFolder();
    if (FolderExists(own) || !CreateFolders(own))
        return own;
    const std::string starters =
        JoinPath(JoinPath(FolderPart(besideProgram), "share"), ProgramName());
    if (auto files = ListFolder(JoinPath(starters, "*"))) {
        for (const FolderEntry& file : *files) {
            // A starter file the user cannot have is missed like any other: the program says so
            // where it needs the file.
            (void)CopyFile(JoinPath(starters, file.name), JoinPath(own, file.name));
        }
    }
    return own;
}

std::string LayersIniOf(const std::string& appPath) {
    return appPath + kPathSeparator + "Layers.ini";
}

void EnsureLayersIni(const std::string& layersIni) {
    if (FileExists(layersIni))
        return;
    for (const char* kind : {"Color", "LineType"})
        for (int n = 1; n <= 3; ++n)
            WriteIni("LAYERS", kind + DecimalText(n), "", layersIni);
}

} // namespace programfiles
