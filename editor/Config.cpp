#include "editor/Config.h"

#include "editor/Globals.h"
#include "platform/files/Files.h"
#include "platform/files/Path.h"
#include "platform/ini/Ini.h"
#include "platform/runtime/Program.h"
#include "platform/text/Text.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Startup.h"
#include "platform/ui/WindowManager.h"
#include "programfiles/ProgramFiles.h"

#include <algorithm>

namespace editor {

using namespace platform;

namespace {

const char* const kConfig = "QVREditCONFIG";

// A file in a folder, as the programs join them: the folder may already end with a separator.
std::string InFolder(const std::string& folder, const std::string& name) {
    if (!folder.empty() && folder.back() == kPathSeparator)
        return folder + name;
    return folder + kPathSeparator + name;
}

} // namespace

int DeriveNames() {
    // A bad argument ends the program on a failure.
    if (RefuseUnusablePath(2)) {
        SetExitCode(1);
        return RESULT_Stop;
    }
    if (!programfiles::ReadFileArguments(AppPath,
                                         {Param1, Param2, ProjectFolder, CsvName, BakName})) {
        Message(programfiles::kNoFileNameMessage, programfiles::kNoFileNameCaption, ICON_Hand,
                BUTTON_OK);
        SetExitCode(1);
        return RESULT_Stop;
    }
    ProjectIni = !Clip(Param2).empty() ? Param2 : InFolder(ProjectFolder, "qvr.ini");
    AppIni = InFolder(AppPath, "qvr.ini");
    LayersIni = programfiles::LayersIniOf(AppPath);
    programfiles::EnsureLayersIni(LayersIni);
    LoadEditorConfig();
    SetFileNames();
    return RESULT_GoOn;
}

namespace {

// A tab's entry of the project INI: its caption, position and whether it is hidden. A shape the
// file has no caption for gets its defaults, written to the file with the rest of the start's
// defaults.
struct TabEntry {
    std::string caption, order, off;
};

TabEntry ReadTabEntry(const std::string& shape) {
    auto read = [&](const char* key) { return ReadIni(kConfig, shape + key, "", ProjectIni); };
    return {read("Name"), read("Order"), read("Off")};
}

// Adds a shape's tab record in position order.
void LoadTabEntry(const std::string& shape, int number, TabEntry entry, bool defaultsWritten) {
    if (Clip(entry.caption).empty()) {
        if (defaultsWritten)
            entry = ReadTabEntry(shape);
        if (Clip(entry.caption).empty()) {
            // The project INI cannot be written: the tab still gets its defaults.
            entry = {shape, DecimalText(number), "0"};
        }
    }
    const std::string& caption = entry.caption;
    const std::string& order = entry.order;
    const std::string& off = entry.off;
    TabRecord record;
    record.SRCNAME = Cut(shape, kTabNameWidth);
    record.ICON = ToShort(static_cast<std::int64_t>(ToByte(off)) + 1);
    record.NEWNAME = Cut(caption, kTabNameWidth);
    record.SRCNUM = ToByte(std::int64_t{number});
    record.NEWNUM = ToByte(order);
    // Tabs of equal position keep the order of their shapes.
    auto at = std::upper_bound(
        TabQueue.begin(), TabQueue.end(), record.NEWNUM,
        [](std::uint8_t position, const TabRecord& r) { return position < r.NEWNUM; });
    TabQueue.insert(at, record);
}

} // namespace

void LoadEditorConfig() {
    TabQueue.clear();
    // The defaults the project INI lacks are written in one replacement of the file.
    std::vector<IniEntry> defaults;
    std::vector<TabEntry> entries;
    for (std::size_t i = 0; i < kShapes.size(); ++i) {
        const std::string shape = kShapes[i].name;
        entries.push_back(ReadTabEntry(shape));
        if (Clip(entries.back().caption).empty()) {
            defaults.push_back({kConfig, shape + "Name", shape});
            defaults.push_back({kConfig, shape + "Order", DecimalText(static_cast<int>(i + 1))});
            defaults.push_back({kConfig, shape + "Off", "0"});
        }
    }
    Uppercase = ToByte(ReadIni(kConfig, "Uppercase", "1", ProjectIni));
    WrapSize = ToShort(ReadIni(kConfig, "WrapSize", "0", ProjectIni));
    if (WrapSize < 5) {
        defaults.push_back({kConfig, "WrapSize", "60"});
        WrapSize = 60;
    }
    const bool written = !defaults.empty() && WriteIniEntries(defaults, ProjectIni);
    for (std::size_t i = 0; i < kShapes.size(); ++i)
        LoadTabEntry(kShapes[i].name, static_cast<int>(i + 1), entries[i], written);
    for (std::size_t i = 0; i < TabQueue.size(); ++i)
        TabQueue[i].NEWNUM = static_cast<std::uint8_t>(i + 1);
    LibPath = ReadIni(kConfig, "LibPath", "", ProjectIni);
    if (Clip(LibPath).empty())
        LibPath = AppPath + kPathSeparator + "Library";
    EnsureFolder(LibPath);
    EIPByEnter = ToByte(ReadIni(kConfig, "EIPByEnter", "0", ProjectIni));
}

std::int16_t EnsureFolder(const std::string& given) {
    std::string path = Trim(given);
    std::int16_t result = -2;
    // A path that is not absolute starts in the current folder, which must still be there.
    std::string level = !path.empty() && path.front() == kPathSeparator ? "/" : "";
    if (level.empty() && !CurrentFolder())
        return -1;
    std::size_t pos = 0;
    while (pos < path.size()) {
        std::size_t next = path.find(kPathSeparator, pos);
        std::string part =
            path.substr(pos, next == std::string::npos ? std::string::npos : next - pos);
        pos = next == std::string::npos ? path.size() : next + 1;
        if (part.empty())
            continue;
        level = level.empty() ? part : InFolder(level, part);
        if (FolderExists(level)) {
            result = -2;
            continue;
        }
        result = CreateFolder(level) ? 1 : 0;
        if (result == 0)
            break;
    }
    if (result == 0)
        Message("Error during creating folder " + path, "Error", ICON_Exclamation, BUTTON_OK);
    return result;
}

void SetFileNames() {
    CsvPath = ProjectFolder + kPathSeparator + CsvName;
    // The layer editor, looked for in the program folder, else along PATH, and its two
    // arguments, handed over one by one.
    LayerProgram = "dravolet";
    LayerArguments = {AppPath + kPathSeparator + "Layers.dat",
                      ProjectFolder + kPathSeparator + "qvr.ini"};
}

void WriteDefaultLists() {
    // Both lists go into the file together, in one replacement of it.
    std::vector<IniEntry> lists;
    if (ReadIni("QVREditUnits", "Unit1", "", ProjectIni).empty()) {
        const char* units[] = {"SF", "LF", "SY", "CY", "EA", "NPI"};
        for (int n = 0; n < 6; ++n)
            lists.push_back({"QVREditUnits", "Unit" + DecimalText(n + 1), units[n]});
    }
    if (ReadIni("QVREditTypes", "Type1", "", ProjectIni).empty()) {
        const char* types[] = {"COUNT", "LINE1", "LINE2", "LINE3", "LINE4", "LINE5", "LINE6"};
        for (int n = 0; n < 7; ++n)
            lists.push_back({"QVREditTypes", "Type" + DecimalText(n + 1), types[n]});
    }
    if (!lists.empty())
        WriteIniEntries(lists, ProjectIni);
}

} // namespace editor
