#include "programfiles/CommandLine.h"

#include <cstdio>
#include <string_view>

namespace programfiles {

std::optional<int> AnswerInfoRequest(int argc, char** argv, const ProgramInfo& info) {
    if (argc < 2)
        return std::nullopt;
    const std::string_view option = argv[1];
    if (option == "--version") {
        std::printf("%s (%s) %s\n", info.name, info.title, info.version);
    } else if (option == "--help") {
        std::printf("Usage: %s\n", info.usage);
    } else {
        return std::nullopt;
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}

} // namespace programfiles
