// The keynote file seen as the data dictionary's one table: each thread has its own instance
// (file state and record buffer of 4096 characters) and its own manager of it.
#pragma once

#include "platform/files/LineFile.h"

#include <memory>

namespace editor {

inline constexpr std::size_t kConstnotRecordSize = 4096;

struct ConstnotManager {
    platform::LineFile file{kConstnotRecordSize};
    const char* label = "Constnot";
};

// Makes the running thread's manager (its file named by CsvPath); every thread but thread 1 gets
// it when it starts, thread 1 from the main procedure.
void SetupTableManagers();
void ShutdownTableManagers();
// The running thread's manager; null before SetupTableManagers.
ConstnotManager* Constnot();

} // namespace editor
