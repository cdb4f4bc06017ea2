// Key codes of the programs: a keyboard key's code is its Windows virtual-key value, plus 256 with
// Shift, 512 with Ctrl and 1024 with Alt (Ctrl+Enter is 525). Mouse codes are small numbers of
// their own.
#pragma once

namespace platform {

enum : int {
    KEY_Backspace = 8,
    KEY_Tab = 9,
    KEY_Enter = 13,
    KEY_Esc = 27,
    KEY_Space = 32,
    KEY_PgUp = 33,
    KEY_PgDn = 34,
    KEY_End = 35,
    KEY_Home = 36,
    KEY_Left = 37,
    KEY_Up = 38,
    KEY_Right = 39,
    KEY_Down = 40,
    KEY_Insert = 45,
    KEY_Delete = 46,
    KEY_0 = 48,
    KEY_A = 65,
    KEY_Apps = 93, // the context-menu key
    KEY_F1 = 112,
    KEY_F10 = KEY_F1 + 9,

    KEY_Shift = 256,
    KEY_Ctrl = 512,
    KEY_Alt = 1024,

    KEY_CtrlEnter = KEY_Ctrl + KEY_Enter,
    KEY_CtrlT = KEY_Ctrl + KEY_A + ('T' - 'A'),
    KEY_ShiftTab = KEY_Shift + KEY_Tab,
    KEY_ShiftF10 = KEY_Shift + KEY_F10,

    MOUSE_Left = 1,
    MOUSE_RightUp = 2,
    MOUSE_Left2 = 5,
};

// The code of a letter or digit key ('a' and 'A' give the same code).
constexpr int KeyOf(char c) {
    return (c >= 'a' && c <= 'z')   ? KEY_A + (c - 'a')
           : (c >= 'A' && c <= 'Z') ? KEY_A + (c - 'A')
                                    : c;
}

} // namespace platform
