// The window, message and drawing calls the keynote grid is written against, with the meaning
// they had on the old platform: window handles, properties and replaceable window procedures,
// mouse capture, a scroll-bar child window, and drawing into each window's surface.
#pragma once

#include <cstdint>

class QImage;

namespace platform {
class Control;
class Window;
} // namespace platform

namespace platform::win32 {

using BOOL = int;
using BYTE = std::uint8_t;
using UINT = std::uint32_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using COLORREF = std::uint32_t; // 0x00BBGGRR
using HANDLE = void*;

// Handles name objects the platform keeps; a handle is never reused, so a stale one is refused
// rather than reaching another object.
struct WindowObject;
struct DeviceContextObject;
struct PenObject;
struct BrushObject;
struct FontObject;
struct RegionObject;
struct MenuObject;
struct InstanceObject;
using HWND = WindowObject*;
using HDC = DeviceContextObject*;
using HPEN = PenObject*;
using HBRUSH = BrushObject*;
using HFONT = FontObject*;
using HRGN = RegionObject*;
using HMENU = MenuObject*;
using HINSTANCE = InstanceObject*;

constexpr BOOL FALSE = 0;
constexpr BOOL TRUE = 1;

// ---------------------------------------------------------------------------------------------
// Messages

constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_PAINT = 0x000F;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT WM_CHAR = 0x0102;
constexpr UINT WM_VSCROLL = 0x0115;
constexpr UINT WM_MOUSEMOVE = 0x0200;
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_LBUTTONUP = 0x0202;
constexpr UINT WM_RBUTTONUP = 0x0205;
constexpr UINT WM_MOUSEWHEEL = 0x020A;
constexpr UINT WM_CAPTURECHANGED = 0x0215;

// Keys and buttons held, in wParam of the mouse messages.
enum : WPARAM {
    MK_LBUTTON = 0x0001,
    MK_RBUTTON = 0x0002,
    MK_SHIFT = 0x0004,
    MK_CONTROL = 0x0008,
};

// Virtual-key codes the grid tests in wParam of WM_KEYDOWN and WM_KEYUP.
enum : WPARAM {
    VK_RETURN = 13,
    VK_DELETE = 46,
};

// Requests of a scroll bar, in the low word of wParam of WM_VSCROLL; for the thumb codes the
// high word holds the thumb's place.
enum : int {
    SB_LINEUP = 0,
    SB_LINEDOWN = 1,
    SB_PAGEUP = 2,
    SB_PAGEDOWN = 3,
    SB_THUMBPOSITION = 4,
    SB_THUMBTRACK = 5,
    SB_TOP = 6,
    SB_BOTTOM = 7,
    SB_ENDSCROLL = 8,
};

// ---------------------------------------------------------------------------------------------
// Windows

// A window procedure. The platform calls it synchronously, before Qt's own handling of the
// input, with the thread that owns the window as the running thread (for Post, KeyCode,
// SetKeyCode). It must not wait or block. A message it does not pass on to the previous
// procedure (CallWindowProcA) does not reach the control.
using WNDPROC = LRESULT (*)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

constexpr int GWL_WNDPROC = -4;

// Replaces a window's procedure and returns the one it replaced; the first procedure of every
// window lets the control do what it normally does. Only GWL_WNDPROC is known; any other index
// changes nothing and gives null.
WNDPROC SetWindowLongA(HWND window, int index, WNDPROC procedure);
// Passes a message on to a procedure (the previous one in a chain) and returns its result.
LRESULT CallWindowProcA(WNDPROC procedure, HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Window properties: a value stored under a name (names match ignoring case).
BOOL SetPropA(HWND window, const char* name, HANDLE value);
HANDLE GetPropA(HWND window, const char* name);
// Removes the property and gives its value (null when there was none).
HANDLE RemovePropA(HWND window, const char* name);

// Styles of CreateWindowExA.
enum : DWORD {
    WS_EX_ACCEPTFILES = 0x00000010,
    WS_CHILD = 0x40000000,
    WS_VISIBLE = 0x10000000,
    WS_CLIPCHILDREN = 0x02000000,
    SBS_VERT = 0x0001,
};

// Creates a child window of a class. Only "SCROLLBAR" is known (with SBS_VERT a vertical bar);
// its requests reach the parent's procedure as WM_VSCROLL with the bar's handle in lParam. The
// window is hidden unless the style holds WS_VISIBLE. Null for an unknown class or parent.
HWND CreateWindowExA(DWORD exStyle, const char* className, const char* windowName, DWORD style,
                     int x, int y, int width, int height, HWND parent, HMENU menu,
                     HINSTANCE instance, void* parameter);

enum : int {
    SW_HIDE = 0,
    SW_SHOWNORMAL = 1,
    SW_SHOW = 5,
};
// Shows or hides a window; gives whether it was shown before.
BOOL ShowWindow(HWND window, int command);

// Z-order places and flags of SetWindowPos.
inline const HWND HWND_TOP = nullptr;
enum : UINT {
    SWP_NOSIZE = 0x0001,
    SWP_NOMOVE = 0x0002,
    SWP_NOZORDER = 0x0004,
    SWP_NOACTIVATE = 0x0010,
    SWP_SHOWWINDOW = 0x0040,
    SWP_HIDEWINDOW = 0x0080,
};
// Moves and sizes a window in its parent's coordinates; with HWND_TOP it goes above its
// siblings.
BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int width, int height, UINT flags);

// Makes a window the child of another, keeping its position numbers (now in the new parent's
// coordinates) and whether it is shown. Gives the previous parent.
HWND SetParent(HWND child, HWND newParent);

// Moves the keyboard from a window to the control before it (previous TRUE) or after it in its
// window's Tab order that takes it now, as the dialog message WM_NEXTDLGCTL does; FALSE when
// there is none.
BOOL NextDlgCtl(HWND from, BOOL previous);

// The mouse capture of the window's thread: while a window holds it, every mouse press, release
// and move on the thread's windows goes to it. SetCapture gives the previous holder; the holder
// that loses it gets WM_CAPTURECHANGED with the new holder in lParam.
HWND SetCapture(HWND window);
BOOL ReleaseCapture();

// Scroll bars.
constexpr int SB_CTL = 2;
enum : UINT {
    SIF_RANGE = 0x0001,
    SIF_PAGE = 0x0002,
    SIF_POS = 0x0004,
    SIF_TRACKPOS = 0x0010,
    SIF_ALL = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS,
};
struct SCROLLINFO {
    UINT cbSize = sizeof(SCROLLINFO);
    UINT fMask = 0;
    int nMin = 0;
    int nMax = 0;
    UINT nPage = 0; // kept, not used: the grid's bar has no page size
    int nPos = 0;
    int nTrackPos = 0;
};
// Sets the range and position (kept within the range) of a scroll-bar window; gives the
// position.
int SetScrollInfo(HWND window, int bar, const SCROLLINFO* info, BOOL redraw);
// Reads what fMask asks for; the track position is the thumb's place while it is dragged and
// the position otherwise.
BOOL GetScrollInfo(HWND window, int bar, SCROLLINFO* info);

// ---------------------------------------------------------------------------------------------
// Drawing. Every window's client area has a surface of its size, which follows its resizes;
// a device context draws into it, and the empty host controls (ControlKind::Region) show the
// surface under their rectangles. Coordinates are pixels of the window the context is for.

enum : int {
    COLOR_WINDOW = 5,
    COLOR_HIGHLIGHT = 13,
};
// A system colour, taken from the palette.
COLORREF GetSysColor(int index);

// A device context of a window: for the client area, or for a control's rectangle of it.
HDC GetDC(HWND window);
int ReleaseDC(HWND window, HDC dc);

constexpr int PS_SOLID = 0;
// Solid pens are drawn one pixel wide, whatever the width.
HPEN CreatePen(int style, int width, COLORREF color);
HBRUSH CreateSolidBrush(COLORREF color);

struct LOGFONTA {
    LONG lfHeight = 0; // > 0 the cell height in pixels, < 0 the character height, 0 a default
    LONG lfWidth = 0;
    LONG lfEscapement = 0;
    LONG lfOrientation = 0;
    LONG lfWeight = 0; // 400 normal, 700 bold; 0 normal
    BYTE lfItalic = 0;
    BYTE lfUnderline = 0;
    BYTE lfStrikeOut = 0;
    BYTE lfCharSet = 0;
    BYTE lfOutPrecision = 0;
    BYTE lfClipPrecision = 0;
    BYTE lfQuality = 0;
    BYTE lfPitchAndFamily = 0;
    char lfFaceName[32] = {};
};
HFONT CreateFontIndirectA(const LOGFONTA* font);

// Rectangular regions; a region holds the pixels from left to right - 1 and top to bottom - 1.
enum : int {
    ERROR = 0,
    NULLREGION = 1,
    SIMPLEREGION = 2,
    COMPLEXREGION = 3,
};
constexpr int RGN_AND = 1;
HRGN CreateRectRgn(int left, int top, int right, int bottom);
// Puts the combination of two regions into `destination` and gives the kind of the result.
int CombineRgn(HRGN destination, HRGN source1, HRGN source2, int mode);
// A copy of the region becomes the context's clip region (null: no clipping); gives its kind.
int SelectClipRgn(HDC dc, HRGN region);

// Selects a drawing object into a context and gives the one it replaces.
HPEN SelectObject(HDC dc, HPEN pen);
HBRUSH SelectObject(HDC dc, HBRUSH brush);
HFONT SelectObject(HDC dc, HFONT font);

BOOL DeleteObject(HPEN pen);
BOOL DeleteObject(HBRUSH brush);
BOOL DeleteObject(HFONT font);
BOOL DeleteObject(HRGN region);

enum : int {
    TRANSPARENT = 1,
    OPAQUE = 2,
};
// Gives the previous mode.
int SetBkMode(HDC dc, int mode);
// Gives the previous colour.
COLORREF SetTextColor(HDC dc, COLORREF color);

// Draws text with its top-left corner at x, y, in the selected font and text colour.
BOOL TextOutA(HDC dc, int x, int y, const char* text, int length);

struct POINT {
    LONG x = 0;
    LONG y = 0;
};
BOOL MoveToEx(HDC dc, int x, int y, POINT* previous);
// Draws a line in the selected pen from the current position up to, but not including, x, y,
// which becomes the current position.
BOOL LineTo(HDC dc, int x, int y);
// Covers left to right - 1 by top to bottom - 1: the border in the pen, the inside in the
// brush.
BOOL Rectangle(HDC dc, int left, int top, int right, int bottom);

// A window's update region while it handles WM_PAINT, in its own coordinates; gives its kind.
int GetUpdateRgn(HWND window, HRGN region, BOOL erase);
// Takes a region (null: all) out of the window's update region.
BOOL ValidateRgn(HWND window, HRGN region);

// ---------------------------------------------------------------------------------------------
// The platform's own

// The window handle of a control, and of a window's client area.
HWND ControlHandle(Control& control);
HWND ClientHandle(Window& window);
// The application instance, for CreateWindowExA.
HINSTANCE ApplicationInstance();

// The holder of the mouse capture of a thread (null when none).
HWND CaptureOf(int thread);
// A pixel of the surface of a window's client area, in client pixels, as 0x00BBGGRR;
// CLR_INVALID outside the surface or when nothing has drawn there yet.
constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;
COLORREF SurfacePixel(Window& window, int x, int y);
// A copy of the surface of a window's client area in the screen's own pixels (its device pixel
// ratio set); null when nothing has drawn yet.
QImage SurfaceCopy(Window& window);

} // namespace platform::win32
