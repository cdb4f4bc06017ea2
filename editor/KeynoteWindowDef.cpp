#include "editor/KeynoteWindowDef.h"

#include "editor/KeynoteFile.h"

#include <string>

namespace editor::keynote {

using namespace platform;

namespace {

// A label takes the width of its text (four dialog units a character) unless one is given.
ControlDef Label(int number, const std::string& text, int x, int y, int parent, int width = 0,
                 unsigned attributes = 0) {
    ControlDef d{ControlKind::Prompt,
                 number,
                 text,
                 x,
                 y,
                 width > 0 ? width : static_cast<int>(text.size()) * 4 + 4,
                 10,
                 parent,
                 attributes};
    return d;
}

ControlDef Entry(int number, int x, int y, int width, int height, int parent, int characters,
                 unsigned attributes = 0) {
    ControlDef d{ControlKind::Entry, number, "", x, y, width, height, parent, attributes};
    d.pictureWidth = characters;
    return d;
}

ControlDef Button(int number, const std::string& text, int x, int y, int width, int height,
                  int parent = 0, unsigned attributes = 0) {
    return ControlDef{ControlKind::Button, number, text, x, y, width, height, parent, attributes};
}

ControlDef DropList(int number, int x, int y, int width, int parent, unsigned attributes = 0) {
    return ControlDef{ControlKind::DropList, number, "", x, y, width, 11, parent, attributes};
}

} // namespace

WindowDef KeynoteWindowDefinition() {
    WindowDef def;
    def.caption = "Key Notes";
    def.icon = "NOTE.ICO";
    def.help = "Using the QVR Editor";
    def.fontName = "MS Sans Serif";
    def.fontSize = 8;
    def.width = 414;
    def.height = 285;
    def.attributes = WIN_MdiChild | WIN_Resizable;
    auto& c = def.controls;

    // The sheet lies under every other control, the row buttons over its lower edge included.
    c.push_back(ControlDef{ControlKind::Sheet, CURRENTTAB, "", 3, 3, 407, 262});
    c.push_back(Button(INSERT, "&Insert", 263, 246, 45, 14));
    c.push_back(Button(CHANGE, "&Change", 312, 246, 45, 14));
    c.push_back(Button(DELETE, "&Delete", 360, 246, 45, 14));

    const char* captions[] = {"Circle", "Hex", "Box", "Pen", "Ellipse", "Dia", "Rec", "Oct", "Tri"};
    for (int n = 1; n <= 9; ++n) {
        const int tab = TabOf(n);
        c.push_back(ControlDef{ControlKind::Tab, tab, captions[n - 1], 0, 0, 0, 0, CURRENTTAB});
        c.push_back(Label(TitleOf(n) - 1, "Title:", 10, 20, tab, 17));
        ControlDef title = Entry(TitleOf(n), 29, 20, 243, 10, tab, 55);
        title.refused = kRefusedInFields; // a title line is written as it stands
        title.misread = TitleMisread;
        c.push_back(title);
        if (n == 1) {
            ControlDef exportButton = Button(EXPORT, "Ex&port", 325, 18, 19, 14, tab, ATTR_Hidden);
            exportButton.tip = "Export notes to the comma delimited file";
            c.push_back(exportButton);
        }
        c.push_back(ControlDef{ControlKind::Region, OleOf(n), "", 7, 33, 399, 207, tab});
    }

    c.push_back(ControlDef{ControlKind::Tab, TABCONFIG, "Config", 0, 0, 0, 0, CURRENTTAB});
    c.push_back(ControlDef{ControlKind::Group, GROUP2, "Quantity Take-off Table Settings:", 8, 141,
                           397, 59, TABCONFIG});
    c.push_back(Entry(LOC_SHOWKEYTABLEGRID, 82, 79, 25, 10, TABCONFIG, 5, ATTR_Hidden));
    c.push_back(
        ControlDef{ControlKind::Group, GROUPQVR, "QVR Settings:", 7, 18, 399, 42, TABCONFIG});
    c.push_back(
        Label(LOC_INSERTTABLEPHASES_PROMPT_2, "(default = 0)", 158, 29, GROUPQVR, 0, ATTR_Hidden));
    c.push_back(Label(LOC_DOCURRENTTABONLY_PROMPT_2, "(default=No)", 357, 29, GROUPQVR, 46));
    c.push_back(Label(STRING3, "Note types", 158, 46, GROUPQVR, 0, ATTR_Hidden));
    c.push_back(Entry(LOC_NOTETYPES, 177, 45, 100, 10, GROUPQVR, 60, ATTR_Hidden));
    c.push_back(Entry(LOC_BUBBLELEADERCONNECTOSNAP, 318, 44, 61, 10, GROUPQVR, 20));
    c.push_back(Label(STRING9, "Bubble Leader Connect Osnap", 185, 44, GROUPQVR, 128));
    c.push_back(Label(LOC_PHASES_PROMPT, "Number of project phases:", 15, 29, GROUPQVR, 100));
    c.push_back(DropList(LOC_INSERTTABLEPHASES, 117, 29, 36, GROUPQVR));
    c.push_back(Label(LOC_DOCURRENTTABONLY_PROMPT, "Process current LAYOUT tab only:", 185, 29,
                      GROUPQVR, 130));
    c.push_back(DropList(LOC_DOCURRENTTABONLY, 318, 29, 36, GROUPQVR));
    c.push_back(Label(LOC_BUBBLEHOOKS_PROMPT, "BubbleHooks:", 15, 44, GROUPQVR));
    c.push_back(DropList(LOC_BUBBLEHOOKS, 117, 44, 36, GROUPQVR));
    c.push_back(Label(PMT_PHASEALIASES, "Phase Aliases:", 81, 44, GROUPQVR, 0, ATTR_Hidden));
    c.push_back(DropList(PHASEALIASES, 97, 44, 20, GROUPQVR, ATTR_Hidden));

    c.push_back(ControlDef{ControlKind::Group, GROUP3, "Table Format Settings:", 7, 62, 399, 77,
                           TABCONFIG});
    // The option box reaches a little further right than its 342 units of old, so that the
    // spacings' default prompts, whose text is wider in this font, stand clear of its frame.
    c.push_back(ControlDef{ControlKind::Option, LOC_STYLE, "Style", 13, 70, 352, 37, GROUP3});
    ControlDef paragraph{ControlKind::Radio, PARAGRAPH, " Paragraph", 21, 79, 59, 10, LOC_STYLE};
    paragraph.value = "Paragraph";
    c.push_back(paragraph);
    ControlDef gridStyle{ControlKind::Radio, GRID, " Grid", 21, 92, 59, 10, LOC_STYLE};
    gridStyle.value = "Grid";
    c.push_back(gridStyle);
    c.push_back(Entry(LOC_LINESPACING, 269, 79, 31, 11, GROUP3, 20));
    c.push_back(Label(LOC_LINESPACINGDEFAULT, "(default=)", 307, 79, GROUP3, 46));
    c.push_back(Label(LOC_NOTESPACING_PROMPT, "Spacing between notes:", 163, 92, GROUP3, 100));
    c.push_back(Entry(LOC_NOTESPACING, 269, 92, 31, 11, GROUP3, 5));
    c.push_back(Label(LOC_NOTESPACING_PROMPT_2, "(default =)", 307, 92, GROUP3, 51));
    c.push_back(Label(LOC_LINESPACINGPROMPT, "Line spacing (row height):", 163, 79, GROUP3, 100));
    c.push_back(Label(LOC_TXTHT_PROMPT_2, "(default=Auto)", 130, 110, GROUP3, 57));
    ControlDef textHeight = Entry(LOC_TXTHT, 90, 110, 31, 11, GROUP3, 20);
    textHeight.refused = kControlCharacters; // it stands in the keynote file's first line
    c.push_back(textHeight);
    c.push_back(Label(LOC_TXTHT_PROMPT, "Plotted text height:", 14, 110, GROUP3, 78));
    c.push_back(Label(LOC_TBLWID_PROMPT_2, "(default = 65)", 129, 124, GROUP3, 45));
    c.push_back(Entry(LOC_TBLWID, 90, 124, 31, 11, GROUP3, 20));
    c.push_back(Label(TBLWID_PROMPT, "QT Table Width:", 15, 124, GROUP3, 74));
    c.push_back(Label(LOC_PHASEWID_PROMPT_2, "(default = 9)", 335, 124, GROUP3, 42));
    c.push_back(Entry(LOC_PHASEWID, 293, 124, 31, 11, GROUP3, 20));
    c.push_back(Label(PHASEWID_PROMPT, "Phase Column Width:", 201, 124, GROUP3, 90));

    struct Distance {
        int prompt, entry, fallback;
        const char *text, *shown;
        int y;
    };
    const Distance distances[] = {
        {LOC_NDWID_PROMPT, LOC_NDWID, LOC_NDWID_PROMPT_2,
         "Distance from center of number to description:", "(default = 2.5)", 150},
        {LOC_DQWID_PROMPT, LOC_DQWID, LOC_DQWID_PROMPT_2,
         "Distance from left point of desc. to right point of quantity:", "(default = 56)", 162},
        {LOC_QUWID_PROMPT, LOC_QUWID, LOC_QUWID_PROMPT_2,
         "Distance from right point of quantity to left point of unit:", "(default = 1)", 174},
    };
    for (const Distance& d : distances) {
        c.push_back(Label(d.prompt, d.text, 21, d.y, GROUP2, 228));
        c.push_back(Entry(d.entry, 253, d.y, 50, 10, GROUP2, 20));
        c.push_back(Label(d.fallback, d.shown, 313, d.y, GROUP2, 80));
    }
    c.push_back(Label(QQWID_PROMPT, "QT Table Phase Column Width:", 21, 186, GROUP2, 228));
    c.push_back(Entry(LOC_QQWID, 253, 186, 50, 10, GROUP2, 20));
    c.push_back(Label(LOC_QQWID_PROMPT_2, "(default = 9)", 313, 186, GROUP2, 80));

    c.push_back(ControlDef{ControlKind::Panel, PANEL2, "", 7, 221, 399, 41, TABCONFIG});
    c.push_back(ControlDef{ControlKind::Text, INFOTEXT, "", 18, 225, 378, 34, PANEL2,
                           ATTR_ReadOnly | ATTR_Skip | ATTR_Unboxed});
    c.push_back(Button(RESTOREDEFAULTVALUES, "Restore default values", 9, 203, 85, 14, TABCONFIG));
    c.push_back(Button(SAVEVALUESASDEFAULT, "Save values as default", 99, 203, 85, 14, TABCONFIG));
    c.push_back(Label(LOC_SHOWKEYTABLEQUANTITIES_PROMPT_2, "(default=Yes)", 335, 110, GROUP3, 50));
    c.push_back(Label(SHOWKEYTABLEQUANTITIES_PROMPT_2, "Show Quantities:", 201, 110, GROUP3, 70));
    c.push_back(DropList(LOC_SHOWKEYTABLEQUANTITIES, 293, 110, 36, GROUP3));

    c.push_back(Button(MOVEUP, "Move Up", 8, 246, 45, 14));
    c.push_back(Button(MOVEDOWN, "Move Down", 56, 246, 45, 14));
    c.push_back(Button(MOVEFIRST, "Move First", 104, 246, 45, 14));
    c.push_back(Button(MOVELAST, "Move Last", 152, 246, 45, 14));
    c.push_back(Button(SAVETOASCII, "Save", 269, 269, 45, 14));
    c.push_back(Button(SAVETOASCIIANDCLOSE, "Save && Exit", 317, 269, 45, 14));
    ControlDef exitButton = Button(EXIT, "E&xit", 365, 269, 45, 14);
    exitButton.tip = "Exit the program";
    c.push_back(exitButton);
    ControlDef progress{ControlKind::Progress, APROGRESS, "", 3, 277, 145, 6, 0, ATTR_Hidden};
    progress.low = 0;
    progress.high = 100;
    c.push_back(progress);
    c.push_back(Label(PMT_APROGRESS, "Progress...", 3, 267, 0, 145, ATTR_Hidden));
    c.push_back(Button(HELP, "Help", 221, 269, 45, 14, 0, ATTR_StdHelp));
    return def;
}

} // namespace editor::keynote
