// What a program answers on the command line before it opens any window: --help and --version.
#pragma once

#include <optional>

namespace programfiles {

struct ProgramInfo {
    const char* name;    // the command
    const char* title;   // what the program is, as its About window names it
    const char* version; // "Version 4.2"
    const char* usage;   // the arguments and options and what they are, one per line
};

// When argument 1 is --help or --version, prints the usage or the version to standard output and
// gives the exit code (0); nothing for any other command line, which the program then takes as
// its file arguments.
std::optional<int> AnswerInfoRequest(int argc, char** argv, const ProgramInfo& info);

} // namespace programfiles
