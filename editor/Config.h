// The project's file names from the command line, the layer-choice INI, the editor
// configuration and tab list from the project INI (with their defaults written back), and the
// default unit and type lists.
#pragma once

#include <cstdint>
#include <string>

namespace editor {

// Sets the names from the command line. When no usable keynote file name results, or a path of
// the program or its arguments cannot be used, shows why and returns RESULT_Stop (the frame must
// not open); else RESULT_GoOn. Also makes sure Layers.ini exists, loads the editor configuration
// and sets the file names.
int DeriveNames();

// Rebuilds the tab list and reads the editor options; makes sure the library folder exists.
void LoadEditorConfig();

// Creates every missing level of a folder: 1 the last level was created, -2 it existed already,
// -1 the path's root cannot be entered, 0 failure (a message says so).
std::int16_t EnsureFolder(const std::string& path);

// The keynote file's full name and the layer editor's arguments.
void SetFileNames();

// Writes the default units and tally types into the project INI when its lists are empty.
void WriteDefaultLists();

} // namespace editor
