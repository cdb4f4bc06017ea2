// What a file module's load or save came to, for the window that reports it: success, or the
// step that failed with the text of the file error it left (FileError.h) and, where the module
// says, the file the step failed on. The module names its
// steps in an enumeration of its own whose first value (0) stands for none.
#pragma once

#include "platform/files/FileError.h"

#include <string>
#include <utility>

namespace platform {

template <typename Step>
struct FileOutcome {
    Step failed{};
    std::string error; // the file error's text when a step failed
    std::string file;  // the file the failed step was about, where the module names one

    explicit operator bool() const { return failed == Step{}; }

    // The outcome of a step that just failed, with the last file error's text.
    static FileOutcome Failure(Step step, std::string file = {}) {
        return FileOutcome{step, FileErrorText(), std::move(file)};
    }
};

} // namespace platform
