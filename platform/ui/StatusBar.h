// Status bars: a window whose definition names status zones shows a bar of that many zones under
// its client area (WindowDef::statusZones); the program writes a text into each zone.
#pragma once

#include <string>

class QWidget;

namespace platform {

class Window;

class Control;

// Zones count from 1; a zone the bar does not have is ignored (and reads as empty).
void SetStatusText(Window& window, int zone, const std::string& text);
std::string StatusText(Window& window, int zone);
int StatusZones(Window& window);

// A control's status message: shown in the first zone of its window's status bar while the
// mouse is over the control.
void SetStatusMessage(Control& control, const std::string& message);
std::string StatusMessage(Control& control);

// The platform's own: puts the client area and a status bar into a window of their own, which
// Window::Open then treats as the window's outer widget.
QWidget* AddStatusBar(Window& window, QWidget* client);

} // namespace platform
