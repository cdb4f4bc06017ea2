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

// The starter files of a program in <prefix>/bin: <prefix>/share/<program>.
std::string StarterFolder(const std::string& besideProgram, std::string_view program) {
    return JoinPath(JoinPath(FolderPart(besideProgram), "share"), program);
}

// The user's own folder `own`, made on the program's first start and seeded then with the files
// of `starters`. What the user later changes or removes there is theirs: nothing is copied again.
std::string UserFolder(const std::string& own, const std::string& starters) {
    if (FolderExists(own) || !CreateFolders(own))
        return own;
    if (auto files = ListFolder(JoinPath(starters, "*"))) {
        for (const FolderEntry& file : *files) {
            // A starter file the user cannot have is missed like any other: the program says so
            // where it needs the file.
            (void)CopyFile(JoinPath(starters, file.name), JoinPath(own, file.name));
        }
    }
    return own;
}

// Whether the program keeps its files in the user's own folder rather than beside itself.
bool InUsersFolder(const std::string& appPath) {
    return appPath == DataFolder();
}

} // namespace

bool InstalledCopy(const std::string& besideProgram) {
    return NamePart(besideProgram) == "bin" &&
           FolderExists(StarterFolder(besideProgram, ProgramName()));
}

std::string ProgramFolderToUse(const std::string& besideProgram) {
    if (!InstalledCopy(besideProgram) && FolderWritable(besideProgram))
        return besideProgram;
    return UserFolder(DataFolder(), StarterFolder(besideProgram, ProgramName()));
}

std::string LayersIniOf(const std::string& appPath) {
    std::string folder = appPath;
    if (ProgramName() != kLayerEditor && InUsersFolder(appPath)) {
        const std::string besideProgram = ProgramFolder().value_or(std::string());
        folder = UserFolder(JoinPath(FolderPart(appPath), kLayerEditor),
                            StarterFolder(besideProgram, kLayerEditor));
    }
    return folder + kPathSeparator + "Layers.ini";
}

std::string ProgramsFolderOf(const std::string& appPath) {
    return InUsersFolder(appPath) ? ProgramFolder().value_or(std::string()) : appPath;
}

void EnsureLayersIni(const std::string& layersIni) {
    if (FileExists(layersIni))
        return;
    for (const char* kind : {"Color", "LineType"})
        for (int n = 1; n <= 3; ++n)
            WriteIni("LAYERS", kind + DecimalText(n), "", layersIni);
}

} // namespace programfiles
