// The globals of notes: the project's file names, the editor configuration, the tab list and
// the state shared by the frame and the keynote window. They are shared by every thread without
// locks; writers keep to the hand-over the frame organises (it writes the names and the
// configuration before it starts another window, and rereads the configuration only while no
// keynote window runs).
#pragma once

#include "editor/KeynoteFile.h"
#include "platform/files/Files.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace grid {
class RowRecord;
}

namespace editor {

// One tab of the keynote window: a bubble shape, its caption, position and visibility.
struct TabRecord {
    std::string SRCNAME;         // the shape's name, "Circle" .. "Tri" (up to 31 characters)
    std::int16_t ICON = 1;       // 1 the tab is shown, 2 hidden
    std::string NEWNAME;         // the tab's caption (up to 31 characters)
    std::uint8_t SRCNUM = 0;     // the shape 1..9
    std::uint8_t NEWNUM = 0;     // the tab position 1..9
    std::int16_t OLECONTROL = 0; // the control hosting the grid at that position
};

inline constexpr std::size_t kTabNameWidth = 31;
inline constexpr std::size_t kTitleWidth = 55;

// The bubble shapes in their order: number 1 .. 9.
struct Shape {
    const char* name;
    const char* code;
};
inline constexpr std::array<Shape, 9> kShapes = {{{"Circle", "CIR"},
                                                  {"Hex", "HEX"},
                                                  {"Box", "BOX"},
                                                  {"Pen", "PEN"},
                                                  {"Ellipse", "ELL"},
                                                  {"Dia", "DIA"},
                                                  {"Rec", "REC"},
                                                  {"Oct", "OCT"},
                                                  {"Tri", "TRI"}}};

// Program folder and help file.
extern std::string AppPath;
extern std::string HelpFile;
// The command line and the names derived from it.
extern std::string Param1;
extern std::string Param2;
extern std::string ProjectFolder;
extern std::string CsvName;
extern std::string BakName;
extern std::string CsvPath;
extern std::string ProjectIni;
extern std::string AppIni;
extern std::string LayersIni;
// How notes starts dravolet: the program and its two arguments, handed over one by one.
extern std::string LayerProgram;
extern std::vector<std::string> LayerArguments;
// Editor configuration.
extern std::string LibPath;
extern std::uint8_t Uppercase;
extern std::uint8_t EIPByEnter;
extern std::int16_t WrapSize;
extern std::int16_t DescPrintWidth;
// Keynote file and keynote window state.
extern std::uint8_t NotesOpenMode;
// Whether the user has been told that the keynote file could be opened only without a lock (a
// file system that keeps none): told once a run.
extern bool NoLocksTold;
extern std::int16_t KeynoteThread;
extern std::int16_t FrameWidth;
extern std::int16_t FrameHeight;
extern std::int32_t CsvStamp;
// The full last-write time of the keynote file when the keynote window opened: the close
// question compares date and time, not only the time of day.
extern platform::FileTime CsvStampTime;
extern std::uint8_t NotesStashed;
// The stashed rows are those of a keynote file whose reading failed: the window that takes them
// does not save them over the whole file either.
extern bool StashHalfRead;
// The digest of the keynote window's notes, titles and settings as last loaded from or saved to
// the keynote file (KeynoteWindow::NotesDigest): Exit asks before it drops anything that
// differs. A window that takes the stash keeps the digest of the file its rows came from.
extern std::string LoadedNotesDigest;
extern std::vector<TabRecord> TabQueue;
// The stashed notes while the keynote window is closed for Editor Options or an import: each
// shape's rows in row order, the shapes in their fixed order, each note with its shape.
extern std::vector<NoteRow> NotesQueue;
// The rest of the stash, by shape number - 1: the rows of each shape's grid, handed over whole
// as the grid held them (at the widths NotesQueue keeps), after that shape's notes of
// NotesQueue.
extern std::array<std::vector<grid::RowRecord>, 9> StashedRows;
// Shape titles (fixed texts of 55) and whether each was read in the current reading of the
// keynote file ("Yes" or "No"), by shape number - 1.
extern std::array<std::string, 9> ShapeTitle;
extern std::array<std::string, 9> TitleRead;

// Empties the stash: the next keynote window reads the keynote file.
void DiscardStash();

// Puts every global back to its value at process start (tests run several starts in one
// process).
void ResetGlobals();

} // namespace editor
