// Editor Options, `ConfigVars`: which bubble-shape tabs the keynote window shows, in which order
// and under which caption, the wrapping length of descriptions, upper case, the library folder
// and the edit-in-place behaviour of the description cell. It edits a copy of the tab list and
// writes everything to section QVREditCONFIG of the project INI on OK; the frame then reads the
// configuration again.
#pragma once

namespace editor {

// Control numbers of the window.
namespace config_vars {
enum : int {
    SHEET1 = 1,
    TAB,
    SHEET2,
    TAB1,
    TAB2,
    TAB3,
    TAB4,
    TAB5,
    TAB6,
    TAB7,
    TAB8,
    TAB9,
    TABLIST,
    EDITENTRY,
    MOVEUP,
    MOVEDOWN,
    RESTORETABS,
    TABSET,
    PROMPT1,
    LOC_WRAPSIZE,
    STRING2,
    GLO_UPPERCASE,
    PROMPTLIB,
    GLO_LIBPATH,
    SELECTLIBPATH,
    GLO_EIPBYENTER,
    OPTION1_RADIO1,
    OPTION1_RADIO2,
    OKBUTTON,
    CANCELBUTTON,
};
} // namespace config_vars

// The dialog, run on the frame's thread while no keynote window runs; returns when it closes.
void ConfigVars();

} // namespace editor
