// What a file module's load or save came to, for the window that reports it: success, or the
// step that failed with the text of the file error it left (FileError.h). The module names its
// steps in an enumeration of its own whose first value (0) stands for none.
#pragma once

#include "platform/files/FileError.h"

#include <string>

namespace platform {

template <typename Step>
struct FileOutcome {
    Step failed{};
    std::string error; // the file error's text when a step failed

    explicit operator bool() const { return failed == Step{}; }

    // The outcome of a step that just failed, with the last file error's text.
    static FileOutcome Failure(Step step) { return FileOutcome{step, FileErrorText()}; }
};

} // namespace platform
