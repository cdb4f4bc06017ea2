// The drawing objects every grid of the program draws with: made by the first set-up that finds
// none, released by the shut-down of the last grid still set up.
#pragma once

#include "platform/win32/Win32.h"

namespace grid::detail {

struct SharedObjects {
    platform::win32::HFONT GridFont = nullptr;
    platform::win32::HPEN GridWindowPen = nullptr;
    platform::win32::HPEN GridBlackPen = nullptr;
    platform::win32::HPEN GridRedPen = nullptr;
    platform::win32::HBRUSH GridWindowBrush = nullptr;
    int grids = 0; // grids set up and not yet shut down
};

SharedObjects& Shared();

// Colours the grid paints with (0x00BBGGRR).
inline constexpr platform::win32::COLORREF kBlack = 0x000000;
inline constexpr platform::win32::COLORREF kWhite = 0xFFFFFF;
inline constexpr platform::win32::COLORREF kNavy = 0x800000;
inline constexpr platform::win32::COLORREF kRed = 0x0000FF;
inline constexpr platform::win32::COLORREF kEditorYellow = 0xA9FFFF;

inline constexpr const char* kObjectProperty = "PelkGridClassObjectAddress";

} // namespace grid::detail
