// The keynote window's definition: its controls, numbered in definition order, with their
// places in dialog units. Tab position n (1..9) has the tab 5 + 4 × (n − 1) (the first one 5)
// and the grid host 9 + 4 × (n − 1); the tenth tab holds the key-table settings.
#pragma once

#include "platform/ui/Window.h"

namespace editor::keynote {

enum : int {
    INSERT = 1,
    CHANGE = 2,
    DELETE = 3,
    CURRENTTAB = 4,
    TAB1 = 5,
    STRING10 = 6,
    GLO_CIRTITLEDESC = 7,
    EXPORT = 8,
    OLE1 = 9,
    TAB2 = 10,
    STRING11 = 11,
    GLO_HEXTITLEDESC = 12,
    OLE2 = 13,
    TAB3 = 14,
    STRING12 = 15,
    GLO_BOXTITLEDESC = 16,
    OLE3 = 17,
    TAB4 = 18,
    STRING13 = 19,
    GLO_PENTITLEDESC = 20,
    OLE4 = 21,
    TAB5 = 22,
    STRING14 = 23,
    GLO_ELLTITLEDESC = 24,
    OLE5 = 25,
    TAB6 = 26,
    STRING15 = 27,
    GLO_DIATITLEDESC = 28,
    OLE6 = 29,
    TAB7 = 30,
    STRING16 = 31,
    GLO_RECTITLEDESC = 32,
    OLE7 = 33,
    TAB8 = 34,
    STRING17 = 35,
    GLO_OCTTITLEDESC = 36,
    OLE8 = 37,
    TAB9 = 38,
    STRING18 = 39,
    GLO_TRITITLEDESC = 40,
    OLE9 = 41,
    TABCONFIG = 42,
    GROUP2 = 43,
    LOC_SHOWKEYTABLEGRID = 44,
    GROUPQVR = 45,
    LOC_INSERTTABLEPHASES_PROMPT_2 = 46,
    LOC_DOCURRENTTABONLY_PROMPT_2 = 47,
    STRING3 = 48,
    LOC_NOTETYPES = 49,
    LOC_BUBBLELEADERCONNECTOSNAP = 50,
    STRING9 = 51,
    LOC_PHASES_PROMPT = 52,
    LOC_INSERTTABLEPHASES = 53,
    LOC_DOCURRENTTABONLY_PROMPT = 54,
    LOC_DOCURRENTTABONLY = 55,
    LOC_BUBBLEHOOKS_PROMPT = 56,
    LOC_BUBBLEHOOKS = 57,
    PMT_PHASEALIASES = 58,
    PHASEALIASES = 59,
    GROUP3 = 60,
    LOC_STYLE = 61,
    PARAGRAPH = 62,
    GRID = 63,
    LOC_LINESPACING = 64, // the spacing controls run from here ...
    LOC_LINESPACINGDEFAULT = 65,
    LOC_NOTESPACING_PROMPT = 66,
    LOC_NOTESPACING = 67,
    LOC_NOTESPACING_PROMPT_2 = 68,
    LOC_LINESPACINGPROMPT = 69, // ... to here
    LOC_TXTHT_PROMPT_2 = 70,
    LOC_TXTHT = 71,
    LOC_TXTHT_PROMPT = 72,
    LOC_TBLWID_PROMPT_2 = 73,
    LOC_TBLWID = 74,
    TBLWID_PROMPT = 75,
    LOC_PHASEWID_PROMPT_2 = 76,
    LOC_PHASEWID = 77,
    PHASEWID_PROMPT = 78,
    LOC_NDWID_PROMPT = 79,
    LOC_NDWID = 80,
    LOC_NDWID_PROMPT_2 = 81,
    LOC_DQWID_PROMPT = 82,
    LOC_DQWID = 83,
    LOC_DQWID_PROMPT_2 = 84,
    LOC_QUWID_PROMPT = 85,
    LOC_QUWID = 86,
    LOC_QUWID_PROMPT_2 = 87,
    QQWID_PROMPT = 88,
    LOC_QQWID = 89,
    LOC_QQWID_PROMPT_2 = 90,
    // No control has the number 91.
    PANEL2 = 92,
    INFOTEXT = 93,
    RESTOREDEFAULTVALUES = 94,
    SAVEVALUESASDEFAULT = 95,
    LOC_SHOWKEYTABLEQUANTITIES_PROMPT_2 = 96,
    SHOWKEYTABLEQUANTITIES_PROMPT_2 = 97,
    LOC_SHOWKEYTABLEQUANTITIES = 98,
    MOVEUP = 99,
    MOVEDOWN = 100,
    MOVEFIRST = 101,
    MOVELAST = 102,
    SAVETOASCII = 103,
    SAVETOASCIIANDCLOSE = 104,
    EXIT = 105,
    APROGRESS = 106,
    PMT_APROGRESS = 107,
    HELP = 108,
};

// The tab and the grid host of a tab position 1..9.
constexpr int TabOf(int position) {
    return TAB1 + 4 * (position - 1) + (position > 1 ? 1 : 0);
}
constexpr int OleOf(int position) {
    return OLE1 + 4 * (position - 1);
}
// The title entry on a tab position, bound to the title of the shape of that number.
constexpr int TitleOf(int position) {
    return OleOf(position) - (position == 1 ? 2 : 1);
}

platform::WindowDef KeynoteWindowDefinition();

} // namespace editor::keynote
