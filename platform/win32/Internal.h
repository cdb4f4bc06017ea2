// What the parts of the facade share (the windows and messages, the scroll bar, the drawing):
// the records behind window handles, sending messages, and the surfaces of client areas. Not for
// use outside platform/win32.
#pragma once

#include "platform/win32/Win32.h"

#include <QImage>
#include <QPointer>
#include <QRegion>
#include <QWidget>

#include <map>
#include <string>

namespace platform::win32::detail {

using Id = std::uintptr_t;

// A new handle value; values are never reused.
Id NextId();

struct WindowRecord {
    Id id = 0;
    QPointer<QWidget> widget;
    QWidget* rawWidget = nullptr; // the key of the widget map, also after the widget is gone
    Window* window = nullptr;     // the program window it belongs to
    Control* control = nullptr;   // the control it is, if any
    bool client = false;          // a window's client area
    int thread = 0;               // the thread that owns it
    WNDPROC procedure = nullptr;
    std::map<std::string, HANDLE> properties; // names in lower case
    QRegion update;      // the part to repaint, while WM_PAINT is handled (own coordinates)
    QRegion selfRefresh; // repaints asked only to show the surface, not to be handled
    // Scroll bars.
    bool scrollBar = false;
    int minimum = 0, maximum = 0, position = 0, track = 0;
    UINT page = 0;
    bool tracking = false;
    // Client areas.
    QImage surface;
};

inline HWND HandleOf(Id id) {
    return reinterpret_cast<HWND>(id);
}
inline Id IdOf(HWND window) {
    return reinterpret_cast<Id>(window);
}

WindowRecord* Find(HWND window);

// Sends a message to a window's procedure chain on behalf of the thread that owns it; whether the
// message reached the control at the bottom of the chain (so that Qt should handle the input).
bool Send(Id id, UINT message, WPARAM wParam, LPARAM lParam);
// A point as the mouse messages carry it: low word x, high word y.
LPARAM PackPoint(QPoint point);
// The MK_ flags of mouse buttons and modifiers.
WPARAM MouseKeys(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);
WindowRecord* FindId(Id id);
// The record of a widget, made the first time it is asked for.
WindowRecord* Ensure(QWidget* widget, Window* window, Control* control, bool client);

// The client-area record of the window a record belongs to (made when missing), with its surface
// made when missing.
WindowRecord* SurfaceOwner(WindowRecord& record);
void MakeSurface(WindowRecord& client);
// Shows a changed part of a surface (client pixels) in the host controls above it.
void ShowSurface(WindowRecord& client, const QRect& changed);

COLORREF ToColorRef(const QColor& color);
QColor ToColor(COLORREF color);

} // namespace platform::win32::detail
