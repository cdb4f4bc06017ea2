#include "platform/files/Detail.h"

#include "platform/files/FileError.h"
#include "platform/files/Path.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::detail {

namespace {

// A missing file in an existing folder is "file not found"; a missing folder on the way is
// "path not found".
bool FolderOfExists(std::string_view path) {
    std::string folder;
    if (path.find(kPathSeparator) == std::string_view::npos) {
        folder = ".";
    } else {
        folder = FolderPart(path);
        if (folder.empty()) {
            folder = "/";
        }
    }
    struct stat st;
    return ::stat(OsPath(folder).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

void SetSystemFileError(int err, std::string_view path) {
    switch (err) {
    case ENOENT:
        if (FolderOfExists(path)) {
            SetFileError(kFileNotFound, "File Not Found");
        } else {
            SetFileError(kPathNotFound, "Path Not Found");
        }
        return;
    case ENOTDIR:
        SetFileError(kPathNotFound, "Path Not Found");
        return;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
    case EWOULDBLOCK:
        SetFileError(kAccessDenied, "Access Denied");
        return;
    default:
        SetFileError(kFileSystemError, std::strerror(err));
        return;
    }
}

namespace {

int SystemLockCall(int fd, int command, struct flock* lock) {
    return ::fcntl(fd, command, lock);
}

LockCall lockCall = SystemLockCall;

} // namespace

LockCall SetLockCall(LockCall call) {
    const LockCall previous = lockCall;
    lockCall = call ? call : SystemLockCall;
    return previous;
}

int LockByte(int fd, int command, short type, LockedByte byte) {
    struct flock range {};
    range.l_type = type;
    range.l_whence = SEEK_SET;
    range.l_start = static_cast<off_t>(byte);
    range.l_len = 1;
    int result;
    do {
        result = lockCall(fd, command, &range);
    } while (result != 0 && errno == EINTR);
    if (result != 0)
        return errno == EACCES ? EWOULDBLOCK : errno;
    // A probe answers whether a conflicting lock stands.
    return command == F_OFD_GETLK && range.l_type != F_UNLCK ? EWOULDBLOCK : 0;
}

int TakeDenyWriteLock(int fd) {
    return LockByte(fd, F_OFD_SETLK, F_WRLCK, LockedByte::ShareMode);
}

bool HeldDenyingWrite(std::string_view path) {
    const int fd = ::open(OsPath(path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    // A read lock conflicts only with an exclusive holder; the probe takes none.
    const bool held = LockByte(fd, F_OFD_GETLK, F_RDLCK, LockedByte::ShareMode) == EWOULDBLOCK;
    ::close(fd);
    return held;
}

namespace {

struct Plan {
    FileOperation operation{};
    std::string path; // absolute and normalised
    int err = 0;
    bool armed = false;
    bool happened = false;
};

std::mutex planLock;
Plan plan;

// A path as the system resolves it without following links: absolute, without "." and "..".
std::string Normalised(std::string_view path) {
    std::filesystem::path p{std::string(path)};
    if (p.is_relative()) {
        std::error_code ignored;
        p = std::filesystem::current_path(ignored) / p;
    }
    return p.lexically_normal().string();
}

} // namespace

void PlanFailure(FileOperation operation, std::string path, int err) {
    const std::lock_guard guard(planLock);
    plan = Plan{operation, Normalised(path), err, true, false};
}

void CancelPlannedFailure() {
    const std::lock_guard guard(planLock);
    plan = Plan{};
}

bool PlannedFailureHappened() {
    const std::lock_guard guard(planLock);
    return plan.happened;
}

bool PlannedFailure(FileOperation operation, std::string_view path, std::string_view other) {
    const std::lock_guard guard(planLock);
    if (!plan.armed || plan.operation != operation) {
        return false;
    }
    const bool matches =
        Normalised(path) == plan.path || (!other.empty() && Normalised(other) == plan.path);
    if (!matches) {
        return false;
    }
    plan.armed = false;
    plan.happened = true;
    SetSystemFileError(plan.err, path);
    errno = plan.err;
    return true;
}

} // namespace platform::detail
