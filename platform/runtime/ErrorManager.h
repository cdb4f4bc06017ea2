// The program's error reporter, `GlobalErrorManager`. Each window procedure registers its name
// while it runs, so that the errors the platform reports name the procedure they happened in.
#pragma once

#include <string>

namespace platform {

class ErrorManager {
public:
    // The name stack belongs to the running thread: each thread runs its own procedures.
    void SetProcedureName(const std::string& name);
    void RemoveProcedureName();
    std::string ProcedureName() const;

    // Reports an error to the user (a message box with the stop icon, naming the procedure),
    // without blocking the caller.
    void Report(const std::string& message);
};

extern ErrorManager GlobalErrorManager;

// Reports an error that ended a thread. The thread's procedure name is part of the message.
void ReportFatal(const std::string& message);

// What the reporter shows; the message-box layer installs it, tests may replace it.
using ErrorSink = void (*)(const std::string& caption, const std::string& message);
void SetErrorSink(ErrorSink sink);

} // namespace platform
