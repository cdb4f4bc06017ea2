// Internal to platform/files (and the INI files of platform/ini): the system errors and the locks
// that every operation of the module uses alike.
#pragma once

#include <string>
#include <string_view>

struct flock;

namespace platform::detail {

// Sets the last file error from a failed system call on `path` (the program's path the call was
// about; it tells file not found from path not found).
void SetSystemFileError(int err, std::string_view path);

// Takes the lock of "others denied writing" on an open file without waiting: 0, or the errno
// (EWOULDBLOCK while another open file, of this process or another, holds it; ENOLCK where the
// file system keeps no locks). It is an open-file-description lock on the whole file, which
// network file systems carry to their server, unlike flock.
int TakeDenyWriteLock(int fd);

// The programs' locks on one file stand on bytes of their own, so that they never meet: the
// share mode's (above) and the turn of the writers of an INI file.
enum class LockedByte { ShareMode = 0, IniWriters = 1 };

// Sets, waits for (F_OFD_SETLKW) or probes (F_OFD_GETLK) a lock of `type` on one of those
// bytes: 0, or the errno (EWOULDBLOCK when another holder's lock stands in the way, ENOLCK where
// the file system keeps no locks).
int LockByte(int fd, int command, short type, LockedByte byte);

// Whether another holder has the existing file open denying writing. Writing, replacing or
// removing such a file is refused with access denied, as the share mode promises its holder.
bool HeldDenyingWrite(std::string_view path);

// The system call behind every lock of the programs (fcntl), replaceable so that a test can stand
// in for a file system without locks. Returns the previous one; nullptr puts the system's back.
using LockCall = int (*)(int fd, int command, struct flock* lock);
LockCall SetLockCall(LockCall call);

// A failure a test plans for one file operation on one path (platform/testing/FailOnce.h arms
// it). Each operation asks PlannedFailure first, with every path it is about; the call that
// matches fails as the system would have failed it, before anything is changed, and the plan is
// spent; errno is then the planned error. A flush is asked with the file it makes durable: the
// file a copy or a replacement is about to become.
enum class FileOperation { Rename, Move, Copy, Delete, Flush };
void PlanFailure(FileOperation operation, std::string path, int err);
void CancelPlannedFailure();
bool PlannedFailureHappened();
bool PlannedFailure(FileOperation operation, std::string_view path, std::string_view other = {});

} // namespace platform::detail
