#include "platform/runtime/Desktop.h"

#include <cstdlib>
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
    std::filesystem::path base;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
        base = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = std::filesystem::path(home) / ".config";
    else
        base = "/tmp";
    return (base / "desktop-drag-full-windows").string();
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
