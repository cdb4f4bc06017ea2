// The files notes and dravolet name alike: the file argument 1 names (constnot.csv of the program
// folder without one), the program folder itself, and Layers.ini, the second source of the
// layer editor's colour and line-type choices.
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
// the keynote file it opens without an argument. A build folder (or a copy of one the user can
// write) keeps them beside the program (`besideProgram`). An installed copy never writes into
// its prefix, whoever runs it and whatever they can write there: it uses the user's own data
// folder (DataFolder, ~/.local/share/<program>), made on the first start and seeded then with
// the installed starter files of <prefix>/share/<program>. So does a copy whose folder the user
// cannot write.
std::string ProgramFolderToUse(const std::string& besideProgram);

// Whether the running program is an installed copy: in a folder named bin with the program's
// starter folder, share/<program>, beside that (as an install lays the programs out).
bool InstalledCopy(const std::string& besideProgram);

// Where notes looks for dravolet first: the program folder, or, where that is the user's own
// folder, which holds no programs, the folder the running program is in.
std::string ProgramsFolderOf(const std::string& appPath);

// Layers.ini, the colour and line-type choices that only the layer editor reads. In a build
// folder both programs share one program folder, and so one file. Where they keep their files
// in the user's folders, the one Layers.ini is the layer editor's, in its own folder
// (~/.local/share/dravolet, made and seeded as the layer editor makes it), which notes then
// creates when it is missing.
std::string LayersIniOf(const std::string& appPath);
inline constexpr const char* kLayerEditor = "dravolet";

// Creates a missing Layers.ini with empty entries Color1..3 and LineType1..3; an existing one is
// kept as it is.
void EnsureLayersIni(const std::string& layersIni);

} // namespace programfiles
