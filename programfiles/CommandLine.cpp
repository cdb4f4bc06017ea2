#include "programfiles/CommandLine.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

namespace programfiles {

namespace {

enum class Option { Help, Version, Unknown, TakesNoValue };

constexpr std::string_view kLongOptions[] = {"help", "version"};

// A long option ("--vers" for "--version") or a cluster of short ones ("-h").
Option Read(std::string_view argument, std::string& shown) {
    if (argument.substr(0, 2) == "--") {
        std::string_view name = argument.substr(2);
        const std::size_t equals = name.find('=');
        const bool hasValue = equals != std::string_view::npos;
        name = name.substr(0, equals);
        // A shortening names the option it begins (--vers): the two options begin differently.
        int found = -1;
        for (int i = 0; i < 2; ++i)
            if (!name.empty() && kLongOptions[i].substr(0, name.size()) == name)
                found = i;
        shown = std::string(argument.substr(0, 2 + name.size()));
        if (found < 0)
            return Option::Unknown;
        shown = "--" + std::string(kLongOptions[found]);
        if (hasValue)
            return Option::TakesNoValue;
        return found == 0 ? Option::Help : Option::Version;
    }
    const std::size_t other = argument.find_first_not_of('h', 1);
    if (other == std::string_view::npos)
        return Option::Help;
    shown = std::string(1, argument[other]);
    return Option::Unknown;
}

// Prints `text` to standard output; false, after saying why on standard error, when it could not
// be written (a full disk, a closed pipe).
bool PrintOut(const char* program, const std::string& text) {
    errno = 0;
    const bool written = std::fputs(text.c_str(), stdout) >= 0 && std::fflush(stdout) == 0;
    if (!written)
        std::fprintf(stderr, "%s: write error: %s\n", program,
                     errno != 0 ? std::strerror(errno) : "unknown error");
    return written;
}

std::string HelpText(const ProgramInfo& info) {
    return std::string("Usage: ") + info.usage + "\n\nReport problems to <" + kReportTo + ">.\n";
}

std::string VersionText(const ProgramInfo& info) {
    return std::string(info.name) + " (" + kPackage + ") " + info.version + "\n" + kCopyright +
           "\n" + kLicence + "\nThere is NO WARRANTY, to the extent permitted by law.\n";
}

} // namespace

CommandLine ReadCommandLine(int argc, char** argv, const ProgramInfo& info) {
    CommandLine line;
    line.arguments.push_back(argc > 0 ? argv[0] : nullptr);
    bool options = true;
    std::optional<Option> asked;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (options && argument == "--") {
            options = false;
            continue;
        }
        if (!options || argument.size() < 2 || argument[0] != '-') {
            line.arguments.push_back(argv[i]);
            continue;
        }
        std::string shown;
        const Option option = Read(argument, shown);
        std::string problem;
        switch (option) {
        case Option::Help:
        case Option::Version:
            if (!asked)
                asked = option;
            continue;
        case Option::Unknown:
            problem = argument.substr(0, 2) == "--" ? "unrecognized option '" + shown + "'"
                                                    : "invalid option -- '" + shown + "'";
            break;
        case Option::TakesNoValue:
            problem = "option '" + shown + "' doesn't allow an argument";
            break;
        }
        std::fprintf(stderr, "%s: %s\nTry '%s --help' for more information.\n", info.name,
                     problem.c_str(), info.name);
        line.exitCode = 1;
        return line;
    }
    if (asked) {
        const std::string text = *asked == Option::Help ? HelpText(info) : VersionText(info);
        line.exitCode = PrintOut(info.name, text) ? 0 : 1;
    }
    return line;
}

} // namespace programfiles
