// The files notes and dravolet name alike: the file argument 1 names (constnot.csv of the program
// folder without one), and Layers.ini of the program folder, the second source of the layer
// editor's colour and line-type choices.
#pragma once

#include <string>

namespace programfiles {

// The program's names for what the command line names.
struct ArgumentNames {
    std::string& param1; // argument 1; "(BLANK)" without it
    std::string& param2; // argument 2; may be empty
    std::string& folder; // folder part of argument 1 (the program folder without it)
    std::string& name;   // its file-name part ("constnot.csv" without it)
    std::string& backup; // the name up to its first dot, then "bak"
};

// Sets the names from arguments 1 and 2 of the command line. False when argument 1 names no
// usable file (a folder, or a name without a folder part); the names are set all the same. The
// program then tells the user with this message and ends.
bool ReadFileArguments(const std::string& appPath, const ArgumentNames& names);
inline constexpr const char* kNoFileNameMessage =
    "You should pass the Path+Filename as the first parameter!";
inline constexpr const char* kNoFileNameCaption = "File name not specified!";

// The program folder, where the program keeps Layers.ini, Library/, Layers.dat, its qvr.ini and
// the keynote file it opens without an argument. It is the folder beside the program
// (`besideProgram`) where this user can write there: a build folder, a copy of one's own. An
// installed copy's folder is not the user's to write: the user's own data folder (DataFolder,
// ~/.local/share/<program>) is used instead, created on the first start and seeded then with the
// installed starter files, the files of <prefix>/share/<program> for a program in <prefix>/bin.
std::string ProgramFolderToUse(const std::string& besideProgram);

// Layers.ini in the program folder.
std::string LayersIniOf(const std::string& appPath);

// Creates a missing Layers.ini with empty entries Color1..3 and LineType1..3; an existing one is
// kept as it is.
void EnsureLayersIni(const std::string& layersIni);

} // namespace programfiles
