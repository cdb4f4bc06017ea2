#include "platform/runtime/Desktop.h"

#include "platform/files/Path.h"
#include "platform/ini/Ini.h"

#include <filesystem>
#include <fstream>
#include <optional>

namespace platform {

namespace {

// A change made without writing the profile lasts for the rest of the process.
std::optional<bool>& SessionValue() {
    static std::optional<bool> value;
    return value;
}

} // namespace

std::string DesktopSettingsFile() {
    return OsPath(JoinPath(SettingsFolder(), "desktop-drag-full-windows"));
}

bool DragFullWindows() {
    if (SessionValue())
        return *SessionValue();
    std::ifstream in(DesktopSettingsFile());
    std::string value;
    if (in >> value)
        return value != "0";
    return true;
}

void SetDragFullWindows(bool on, unsigned flags) {
    SessionValue() = on;
    if (!(flags & SPIF_UPDATEINIFILE))
        return;
    std::filesystem::path file = DesktopSettingsFile();
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
    std::ofstream out(file, std::ios::trunc);
    out << (on ? "1" : "0") << '\n';
}

} // namespace platform
