// The application frame of notes, `Main`: the menu from which every window is opened, the
// switchboard between the frame and the keynote window (posted user events), the start of the
// layer editor, and the question before the program closes with an unsaved keynote file.
#pragma once

#include "platform/runtime/Runtime.h"

#include <functional>
#include <string>

namespace editor {

// Menu items, numbered from -1 (the menu bar) downwards in menu order.
enum : int {
    FILEMENU = -2,
    PRINTSETUP = -3,
    PRINTNOTES = -4,
    FILEIMPORTNOTESFROMLIBRARY = -5,
    FILESAVENOTESTOLIBRARY = -6,
    FILECHANGELIBRARYPATH = -7,
    EXIT = -8,
    EDITMENU = -9,
    CUT = -10,
    COPY = -11,
    PASTE = -12,
    SETUP = -13,
    SETUPITEM22 = -14,
    LOOKUPSUNITS = -15,
    LOOKUPSTYPES = -16,
    SETUPOPTIONS = -17,
    BROWSE = -18,
    BROWSENEXTMAINBUBBLE = -19,
    HELPMENU = -20,
    HELPINDEX = -21,
    HELPSEARCH = -22,
    HELPONHELP = -23,
    HELPITEM21 = -24,
};

// User events between the frame (thread 1) and the keynote window.
enum : int {
    EventNotesImported = 0x46D,
    EventReloadLookups = 0x46E,
    EventCloseForOptions = 0x4C9,
    EventRunOptions = 0x4CA,
    EventCloseForImport = 0x4CB,
    EventRunImport = 0x4CC,
    EventPrintNotes = 0x4CD,
    EventEditorReady = 0x4CE,
    // The frame, for Exit from its menu or its close box while a keynote window runs: the
    // window ends the program as its own Exit does, question included.
    EventExitRequested = 0x4CF,
};

// The windows the frame opens that live in other parts of the program, filled in by the main
// procedure. One left empty (a frame run on its own) makes its menu item do nothing.
struct FrameWindows {
    platform::ThreadProcedure BrowseNextNotes; // the keynote window, on a thread of its own
    platform::ThreadProcedure BrowseLookup;    // the unit ("1") and type ("2") lists
    platform::ThreadProcedure SelectCatalog;   // the library export
    std::function<void()> ConfigVars;          // Editor Options, on the frame's thread
    std::function<void()> ImportNotes;         // the library import, on the frame's thread
};
extern FrameWindows Windows;

// Whether the program may end: when the keynote window holds changes the file does not have
// (`unsaved`), or while the keynote file still has the last-write time it had when the keynote
// window opened (it was not saved since), asks the user first.
bool MayEndProgram(bool unsaved = false);

// The frame procedure, run by the main procedure on thread 1.
void Main();

} // namespace editor
