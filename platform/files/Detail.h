// Internal to platform/files: the system errors and the share-mode lock that every operation of
// the module uses alike.
#pragma once

#include <string>
#include <string_view>

namespace platform::detail {

// Sets the last file error from a failed system call on `path` (the program's path the call was
// about; it tells file not found from path not found).
void SetSystemFileError(int err, std::string_view path);

// Takes the lock of "others denied writing" on an open file without waiting: 0, or the errno
// (EWOULDBLOCK while another open file, of this process or another, holds it).
int TakeDenyWriteLock(int fd);

// Whether another holder has the existing file open denying writing. Writing, replacing or
// removing such a file is refused with access denied, as the share mode promises its holder.
bool HeldDenyingWrite(std::string_view path);

// A failure a test plans for one file operation on one path (platform/testing/FailOnce.h arms
// it). Each operation asks PlannedFailure first, with every path it is about; the call that
// matches fails as the system would have failed it, before anything is changed, and the plan is
// spent.
enum class FileOperation { Rename, Move, Copy, Delete };
void PlanFailure(FileOperation operation, std::string path, int err);
void CancelPlannedFailure();
bool PlannedFailureHappened();
bool PlannedFailure(FileOperation operation, std::string_view path, std::string_view other = {});

} // namespace platform::detail
