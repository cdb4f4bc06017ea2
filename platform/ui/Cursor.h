// Mouse cursors by name: the program-wide cursor (the wait cursor while something long runs,
// the drag cursor while a row is dragged) and the cursor over a single control. The platform
// draws the named cursors itself; the empty name is the default arrow.
#pragma once

#include <string>

namespace platform {

class Control;

inline const std::string CURSOR_Wait = "~Wait";
inline const std::string CURSOR_Drag = "~drag.cur";
inline const std::string CURSOR_ZoomIn = "~ZoomIn"; // a magnifying glass with a plus sign

// The cursor over every window of the program; the empty name gives the default back.
void SetCursor(const std::string& name);
std::string CurrentCursor();

// The cursor while the mouse is over a control; the empty name gives the default back.
void SetControlCursor(Control& control, const std::string& name);
std::string ControlCursor(const Control& control);

} // namespace platform
