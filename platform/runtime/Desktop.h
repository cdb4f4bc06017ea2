// Desktop settings the programs read and change. Linux desktops have no setting for dragging
// windows with their contents; the platform keeps one in a small per-user file so that the
// programs' start and end sequences behave as they do where the setting exists.
#pragma once

#include <string>

namespace platform {

enum : unsigned {
    SPIF_UPDATEINIFILE = 1, // write the change to the user's profile
    SPIF_SENDCHANGE = 2,    // tell other programs (nothing listens here)
};

// Whether windows are dragged with their contents (on unless the user's profile says off).
bool DragFullWindows();
void SetDragFullWindows(bool on, unsigned flags);

// The file that holds the user's desktop settings, in the running program's settings folder
// (SettingsFolder), as the system names it.
std::string DesktopSettingsFile();

} // namespace platform
