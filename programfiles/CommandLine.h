// What a program answers on the command line before it opens any window: --help, --version and
// options it does not know, as GNU programs answer them.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

namespace programfiles {

// The package both programs come in, as --version and --help name it.
inline constexpr const char* kPackage = "keynotes";
inline constexpr const char* kCopyright = "Copyright (C) 2026 The keynotes maintainers.";
inline constexpr const char* kLicence = "License: all rights reserved; no licence to copy, change "
                                        "or share this program is granted.";
inline constexpr const char* kReportTo = "maintainers@users.noreply.c-seed-a3d29ade.example";

// The number of a version as the About window shows it: "4.2" of "Version 4.2".
constexpr const char* VersionNumber(const char* shown) {
    constexpr std::string_view kWord = "Version ";
    return std::string_view(shown).substr(0, kWord.size()) == kWord ? shown + kWord.size() : shown;
}

struct ProgramInfo {
    const char* name;    // the command
    const char* version; // "4.2"
    const char* usage;   // the arguments and options and what they are, one per line
};

// The command line read: the exit code when the program ends here (after --help or --version,
// 0; after an option it does not know, 1), else the arguments to run on (argv[0] first, the file
// arguments after it, without the options).
struct CommandLine {
    std::optional<int> exitCode;
    std::vector<char*> arguments;
};

// Reads the options anywhere on the command line: --help (-h) and --version, also shortened
// while they stay unambiguous (--vers); "--" ends the options, so a file may begin with "-";
// "-" alone is a file argument. --help and --version print to standard output (a write error
// there is reported, and the exit code is then 1); an unknown option prints GNU's two lines to
// standard error.
CommandLine ReadCommandLine(int argc, char** argv, const ProgramInfo& info);

} // namespace programfiles
