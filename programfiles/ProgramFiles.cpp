#include "programfiles/ProgramFiles.h"

#include "platform/files/Files.h"
#include "platform/files/Path.h"
#include "platform/ini/Ini.h"
#include "platform/runtime/Program.h"
#include "platform/text/Text.h"
#include "platform/ui/MessageBox.h"

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
    if (files.name.empty() || files.backup.empty()) {
        Message("You should pass the Path+Filename as the first parameter!",
                "File name not specified!", ICON_Hand, BUTTON_OK);
        return false;
    }
    return true;
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
