#include "platform/files/Files.h"

#include "platform/files/Detail.h"
#include "platform/files/FileError.h"
#include "platform/files/Path.h"
#include "platform/text/Text.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace platform {

namespace {

using detail::SetSystemFileError;

void SetAccessDenied() {
    SetFileError(kAccessDenied, "Access Denied");
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The folder of a path for the system: "." for a bare name, "/" for a file in the root.
std::string FolderForSystem(std::string_view path) {
    if (path.find(kPathSeparator) == std::string_view::npos) {
        return ".";
    }
    std::string folder = FolderPart(path);
    return folder.empty() ? std::string(1, kPathSeparator) : folder;
}

// `name` placed in the folder of `path` (a bare name stays bare).
std::string BesideOf(std::string_view path, std::string_view name) {
    if (path.find(kPathSeparator) == std::string_view::npos) {
        return std::string(name);
    }
    return JoinPath(FolderPart(path), name);
}

bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

// Copies the whole of `in` into `out`; false with errno set on a failure.
bool CopyContents(int in, int out) {
    std::vector<char> buffer(1 << 18);
    for (;;) {
        const ssize_t got = ::read(in, buffer.data(), buffer.size());
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (got == 0) {
            return true;
        }
        if (!WriteAll(out, buffer.data(), static_cast<std::size_t>(got))) {
            return false;
        }
    }
}

// Closes a file on a thread of its own: the last close of a large file that has lost its name
// frees its blocks, which takes a while.
void CloseAside(int fd) {
    if (fd < 0)
        return;
    try {
        std::thread([fd] { ::close(fd); }).detach();
    } catch (const std::system_error&) {
        ::close(fd); // no thread to spare
    }
}

std::atomic<unsigned> temporaryCounter{0};

// Creates a new, empty file beside `target` to be renamed over it; its path goes to `temp`.
int CreateTemporaryBeside(const std::string& target, std::string& temp) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = BesideOf(target, "." + NamePart(target) + "." + TemporaryToken() + ".tmp");
        const int fd = ::open(OsPath(temp).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    errno = EEXIST;
    return -1;
}

// Makes what was written to an open file durable: false with errno set when the system reports
// that it could not be written out. `path` (and `other`) name the file for a planned failure.
bool FlushOpenFile(int fd, std::string_view path = {}, std::string_view other = {}) {
    if (!path.empty() && detail::PlannedFailure(detail::FileOperation::Flush, path, other))
        return false;
    while (::fsync(fd) != 0) {
        if (errno != EINTR)
            return false;
    }
    return true;
}

// Makes the entries of a folder durable (a rename into it, above all). A folder that cannot be
// opened for this is left to the system: the rename has been made either way.
void FlushFolder(const std::string& folder) {
    const int fd = ::open(OsPath(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        FlushOpenFile(fd);
        ::close(fd);
    }
}

// The file a path names, through symbolic links, also one to a file that does not exist yet: a
// replacement goes where the link points, so that the link itself stays.
std::string ThroughLinks(const FileName& path) {
    std::string current = path.Found();
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        if (::lstat(OsPath(current).c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return current;
        std::vector<char> buffer(static_cast<std::size_t>(st.st_size) + 256);
        const ssize_t length = ::readlink(OsPath(current).c_str(), buffer.data(), buffer.size());
        if (length <= 0 || static_cast<std::size_t>(length) >= buffer.size())
            return current;
        std::optional<std::string> target =
            FromOsPath(std::string_view(buffer.data(), static_cast<std::size_t>(length)));
        if (!target)
            return current;
        if (target->front() == kPathSeparator || current.find(kPathSeparator) == std::string::npos)
            current = std::move(*target);
        else
            current = JoinPath(FolderPart(current), *target);
    }
    return current;
}

bool WildcardMatch(std::string_view pattern, std::string_view name) {
    std::size_t p = 0;
    std::size_t n = 0;
    std::size_t starP = std::string_view::npos;
    std::size_t starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
}

FileTime TimeOf(const struct stat& st) {
    return FileTime{static_cast<std::int64_t>(st.st_mtim.tv_sec),
                    static_cast<std::int64_t>(st.st_mtim.tv_nsec)};
}

} // namespace

bool FileExists(const FileName& path) {
    struct stat st;
    return !path.Path().empty() && ::stat(OsPath(path.Found()).c_str(), &st) == 0;
}

bool OrdinaryFileExists(const FileName& path) {
    struct stat st;
    return !path.Path().empty() && ::stat(OsPath(path.Found()).c_str(), &st) == 0 &&
           S_ISREG(st.st_mode);
}

bool HeldByAnother(const FileName& path) {
    return !path.Path().empty() && detail::HeldDenyingWrite(path.Found());
}

bool FolderExists(const FileName& path) {
    struct stat st;
    return !path.Path().empty() && ::stat(OsPath(path.Found()).c_str(), &st) == 0 &&
           S_ISDIR(st.st_mode);
}

bool MayBeOneFile(std::string_view a, std::string_view b) {
    struct stat statA;
    struct stat statB;
    if (::stat(OsPath(FindExisting(a)).c_str(), &statA) == 0 &&
        ::stat(OsPath(FindExisting(b)).c_str(), &statB) == 0 && SameFile(statA, statB)) {
        return true;
    }
    if (Lower(NamePart(a)) != Lower(NamePart(b))) {
        return false;
    }
    const std::string folderA = FindExisting(FolderForSystem(a));
    const std::string folderB = FindExisting(FolderForSystem(b));
    return folderA == folderB ||
           (::stat(OsPath(folderA).c_str(), &statA) == 0 &&
            ::stat(OsPath(folderB).c_str(), &statB) == 0 && SameFile(statA, statB));
}

bool SameContents(std::string_view a, std::string_view b) {
    const int first = ::open(OsPath(FindExisting(a)).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (first < 0)
        return false;
    const int second = ::open(OsPath(FindExisting(b)).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat statA;
    struct stat statB;
    bool same = second >= 0 && ::fstat(first, &statA) == 0 && ::fstat(second, &statB) == 0 &&
                S_ISREG(statA.st_mode) && S_ISREG(statB.st_mode) && statA.st_size == statB.st_size;
    if (same && !SameFile(statA, statB)) {
        std::vector<char> bufferA(1 << 16);
        std::vector<char> bufferB(1 << 16);
        for (off_t at = 0; same;) {
            const ssize_t gotA = ::pread(first, bufferA.data(), bufferA.size(), at);
            const ssize_t gotB = ::pread(second, bufferB.data(), bufferB.size(), at);
            if (gotA < 0 || gotA != gotB) {
                same = false;
                break;
            }
            if (gotA == 0)
                break;
            same = std::equal(bufferA.begin(), bufferA.begin() + gotA, bufferB.begin());
            at += gotA;
        }
    }
    ::close(first);
    if (second >= 0)
        ::close(second);
    return same;
}

std::optional<std::uint64_t> FileSize(std::string_view path) {
    const std::string found = FindExisting(path);
    struct stat st;
    if (::stat(OsPath(found).c_str(), &st) != 0) {
        SetSystemFileError(errno, found);
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(st.st_size);
}

bool CopyFile(const FileName& from, const FileName& to) {
    const std::string source = from.Found();
    if (detail::PlannedFailure(detail::FileOperation::Copy, source, to.Found())) {
        return false;
    }
    const std::string target = ThroughLinks(to);
    const int in = ::open(OsPath(source).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (in < 0) {
        SetSystemFileError(errno, source);
        return false;
    }
    struct stat sourceStat;
    struct stat targetStat;
    bool refused = ::fstat(in, &sourceStat) != 0 || !S_ISREG(sourceStat.st_mode);
    if (!refused && ::stat(OsPath(target).c_str(), &targetStat) == 0) {
        // Copying a file onto itself would empty it; a target that may not be written stays.
        refused = SameFile(sourceStat, targetStat) || !S_ISREG(targetStat.st_mode) ||
                  ::access(OsPath(target).c_str(), W_OK) != 0 || detail::HeldDenyingWrite(target);
    }
    if (refused) {
        ::close(in);
        SetAccessDenied();
        return false;
    }
    std::string temp;
    const int out = CreateTemporaryBeside(target, temp);
    if (out < 0) {
        SetSystemFileError(errno, target);
        ::close(in);
        return false;
    }
    // The copy is on the disk before it takes the target's name, and the name after.
    bool copied = CopyContents(in, out) && FlushOpenFile(out, target, to.Found());
    int err = errno;
    ::close(in);
    if (::close(out) != 0 && copied) {
        copied = false;
        err = errno;
    }
    if (copied && ::rename(OsPath(temp).c_str(), OsPath(target).c_str()) != 0) {
        copied = false;
        err = errno;
    }
    if (!copied) {
        ::unlink(OsPath(temp).c_str());
        SetSystemFileError(err, target);
        return false;
    }
    FlushFolder(FolderForSystem(target));
    return true;
}

bool BackUpFile(const FileName& from, const FileName& to) {
    const std::string source = from.Found();
    if (detail::PlannedFailure(detail::FileOperation::Copy, source, to.Found()))
        return false;
    const std::string target = ThroughLinks(to);
    const std::string real = ThroughLinks(from);
    struct stat sourceStat;
    struct stat targetStat;
    bool refused = ::stat(OsPath(real).c_str(), &sourceStat) != 0 || !S_ISREG(sourceStat.st_mode);
    if (!refused && ::stat(OsPath(target).c_str(), &targetStat) == 0) {
        refused = SameFile(sourceStat, targetStat) || !S_ISREG(targetStat.st_mode) ||
                  ::access(OsPath(target).c_str(), W_OK) != 0 || detail::HeldDenyingWrite(target);
    }
    if (refused)
        return CopyFile(from, to); // which says why
    std::string temp;
    const int reserved = CreateTemporaryBeside(target, temp);
    if (reserved < 0)
        return CopyFile(from, to);
    ::close(reserved);
    ::unlink(OsPath(temp).c_str());
    if (::link(OsPath(real).c_str(), OsPath(temp).c_str()) != 0)
        return CopyFile(from, to); // no links here
    // The backup replaced lives on until this is closed, so that the system gives its blocks
    // back (for a large file, a good part of the save) beside the program, not in the rename.
    const int previous = ::open(OsPath(target).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (::rename(OsPath(temp).c_str(), OsPath(target).c_str()) != 0) {
        const int err = errno;
        ::unlink(OsPath(temp).c_str());
        if (previous >= 0)
            ::close(previous);
        SetSystemFileError(err, target);
        return false;
    }
    CloseAside(previous);
    const std::string folder = FolderForSystem(target);
    struct stat a;
    struct stat b;
    if (::stat(OsPath(folder).c_str(), &a) != 0 ||
        ::stat(OsPath(FolderForSystem(real)).c_str(), &b) != 0 || !SameFile(a, b))
        FlushFolder(folder);
    return true;
}

std::string TemporaryToken() {
    return DecimalText(::getpid()) + "." + DecimalText(temporaryCounter++);
}

bool KeepAs(const FileName& from, const std::string& to) {
    const std::string source = from.Found();
    if (detail::PlannedFailure(detail::FileOperation::Copy, source, to))
        return false;
    struct stat st;
    if (::lstat(OsPath(source).c_str(), &st) != 0) {
        SetSystemFileError(errno, source);
        return false;
    }
    if (S_ISLNK(st.st_mode)) {
        std::vector<char> buffer(static_cast<std::size_t>(st.st_size) + 256);
        const ssize_t length = ::readlink(OsPath(source).c_str(), buffer.data(), buffer.size());
        if (length < 0 || static_cast<std::size_t>(length) >= buffer.size()) {
            SetSystemFileError(length < 0 ? errno : ENAMETOOLONG, source);
            return false;
        }
        buffer[static_cast<std::size_t>(length)] = '\0';
        if (::symlink(buffer.data(), OsPath(to).c_str()) != 0) {
            SetSystemFileError(errno, to);
            return false;
        }
        return true;
    }
    if (!S_ISREG(st.st_mode)) {
        SetAccessDenied();
        return false;
    }
    if (::link(OsPath(source).c_str(), OsPath(to).c_str()) == 0)
        return true;
    if (errno == EEXIST) {
        SetSystemFileError(errno, to);
        return false;
    }
    return CopyFile(ExactName(source), ExactName(to)); // no links here
}

bool PutBackKept(const std::string& kept, const FileName& target) {
    if (detail::PlannedFailure(detail::FileOperation::Move, kept, target.Found()))
        return false;
    if (::rename(OsPath(kept).c_str(), OsPath(target.Found()).c_str()) != 0) {
        SetSystemFileError(errno, kept);
        return false;
    }
    return true;
}

bool RemoveKept(const std::string& kept) {
    if (detail::PlannedFailure(detail::FileOperation::Delete, kept))
        return false;
    if (::unlink(OsPath(kept).c_str()) != 0 && errno != ENOENT) {
        SetSystemFileError(errno, kept);
        return false;
    }
    return true;
}

bool MoveFile(const FileName& from, const FileName& to) {
    const std::string source = from.Found();
    if (detail::PlannedFailure(detail::FileOperation::Move, source, to.Found())) {
        return false;
    }
    struct stat sourceStat;
    if (::lstat(OsPath(source).c_str(), &sourceStat) != 0) {
        SetSystemFileError(errno, source);
        return false;
    }
    if (S_ISDIR(sourceStat.st_mode)) {
        SetAccessDenied(); // a folder is no file: it stays where it is, with what it holds
        return false;
    }
    std::string target = to.Found();
    struct stat targetStat;
    const bool targetExists = ::lstat(OsPath(target).c_str(), &targetStat) == 0;
    if (targetExists && SameFile(sourceStat, targetStat)) {
        // The target names the source in another case: a rename to the spelling given.
        target = ExactName(to.Path()).Found();
    } else if (targetExists && detail::HeldDenyingWrite(target)) {
        SetAccessDenied();
        return false;
    }
    if (detail::HeldDenyingWrite(source)) {
        SetAccessDenied();
        return false;
    }
    if (::rename(OsPath(source).c_str(), OsPath(target).c_str()) == 0) {
        return true;
    }
    if (errno != EXDEV) {
        SetSystemFileError(errno, errno == ENOENT ? target : source);
        return false;
    }
    return CopyFile(ExactName(source), ExactName(target)) && DeleteFile(ExactName(source));
}

bool DeleteFile(const FileName& path) {
    const std::string found = path.Found();
    if (detail::PlannedFailure(detail::FileOperation::Delete, found)) {
        return false;
    }
    struct stat st;
    if (::lstat(OsPath(found).c_str(), &st) != 0) {
        if (errno == ENOENT) {
            return true;
        }
        SetSystemFileError(errno, found);
        return false;
    }
    if (S_ISDIR(st.st_mode) || detail::HeldDenyingWrite(found)) {
        SetAccessDenied();
        return false;
    }
    if (::unlink(OsPath(found).c_str()) != 0 && errno != ENOENT) {
        SetSystemFileError(errno, found);
        return false;
    }
    return true;
}

bool CreateFolder(std::string_view path) {
    const std::string found = FindExisting(path);
    if (::mkdir(OsPath(found).c_str(), 0777) != 0) {
        SetSystemFileError(errno, found);
        return false;
    }
    return true;
}

bool FolderWritable(std::string_view path) {
    const std::string system = OsPath(FindExisting(path));
    struct stat st;
    return ::stat(system.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
           ::access(system.c_str(), W_OK | X_OK) == 0;
}

std::optional<std::vector<FolderEntry>> ListFolder(std::string_view pattern) {
    const std::string folder = FindExisting(FolderForSystem(pattern));
    const std::string wildcard = Lower(NamePart(pattern));
    DIR* dir = ::opendir(OsPath(folder).c_str());
    if (dir == nullptr) {
        SetSystemFileError(errno, JoinPath(folder, "*"));
        return std::nullopt;
    }
    std::vector<FolderEntry> entries;
    while (const dirent* entry = ::readdir(dir)) {
        std::optional<std::string> name = FromOsPath(entry->d_name);
        if (!name || *name == "." || *name == ".." || !WildcardMatch(wildcard, Lower(*name))) {
            continue;
        }
        struct stat st;
        if (::stat(OsPath(JoinPath(folder, *name)).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
            continue;
        }
        entries.push_back(
            FolderEntry{std::move(*name), static_cast<std::uint64_t>(st.st_size), TimeOf(st)});
    }
    ::closedir(dir);
    std::sort(entries.begin(), entries.end(), [](const FolderEntry& a, const FolderEntry& b) {
        const std::string lowerA = Lower(a.name);
        const std::string lowerB = Lower(b.name);
        return lowerA != lowerB ? lowerA < lowerB : a.name < b.name;
    });
    return entries;
}

std::optional<FileTime> LastWriteTime(std::string_view path) {
    const std::string found = FindExisting(path);
    struct stat st;
    if (::stat(OsPath(found).c_str(), &st) != 0) {
        SetSystemFileError(errno, found);
        return std::nullopt;
    }
    return TimeOf(st);
}

std::int32_t LastWriteTimeOfDay(std::string_view path) {
    const std::optional<FileTime> time = LastWriteTime(path);
    if (!time) {
        return 0;
    }
    const std::time_t seconds = static_cast<std::time_t>(time->seconds);
    std::tm local{};
    if (::localtime_r(&seconds, &local) == nullptr) {
        return 0;
    }
    return local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec;
}

std::optional<std::string> CurrentFolder() {
    std::vector<char> buffer(4096);
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE) {
            SetSystemFileError(errno, ".");
            return std::nullopt;
        }
        buffer.resize(buffer.size() * 2);
    }
    std::optional<std::string> folder = FromOsPath(buffer.data());
    if (!folder) {
        SetSystemFileError(EILSEQ, ".");
    }
    return folder;
}

bool SetCurrentFolder(std::string_view path) {
    const std::string found = FindExisting(path);
    if (::chdir(OsPath(found).c_str()) != 0) {
        SetSystemFileError(errno, found);
        return false;
    }
    return true;
}

std::string TemporaryNameBeside(std::string_view path, Links links) {
    const std::string target = links == Links::Follow ? ThroughLinks(path) : FileName(path).Found();
    std::string temp;
    const int fd = CreateTemporaryBeside(target, temp);
    if (fd < 0) {
        SetSystemFileError(errno, target);
        return BesideOf(target, "." + NamePart(target) + ".new");
    }
    ::close(fd);
    ::unlink(OsPath(temp).c_str());
    return temp;
}

bool ReplaceFile(const FileName& replacement, const FileName& target, Links links,
                 bool targetHeldHere) {
    const std::string source = replacement.Found();
    if (detail::PlannedFailure(detail::FileOperation::Rename, target.Found(), source)) {
        return false;
    }
    const std::string found = links == Links::Follow ? ThroughLinks(target) : target.Found();
    struct stat targetStat;
    const bool exists = links == Links::Follow ? ::stat(OsPath(found).c_str(), &targetStat) == 0
                                               : ::lstat(OsPath(found).c_str(), &targetStat) == 0;
    // A link that is itself replaced says nothing of the new file: it takes no permissions of it.
    if (exists && !S_ISLNK(targetStat.st_mode)) {
        // A file that may not be written is not replaced either: marked read-only (also for
        // the superuser), not writable by this user, or held open denying writing.
        if (!S_ISREG(targetStat.st_mode) || (targetStat.st_mode & 0222) == 0 ||
            ::access(OsPath(found).c_str(), W_OK) != 0 ||
            (!targetHeldHere && detail::HeldDenyingWrite(found))) {
            SetAccessDenied();
            return false;
        }
        ::chmod(OsPath(source).c_str(), targetStat.st_mode & 07777);
        // Owner and group stay as far as the system lets them: both for the superuser, the
        // group for a member of it; else the new file is this user's.
        const std::string os = OsPath(source);
        const bool kept = ::chown(os.c_str(), targetStat.st_uid, targetStat.st_gid) == 0 ||
                          ::chown(os.c_str(), static_cast<uid_t>(-1), targetStat.st_gid) == 0;
        static_cast<void>(kept);
    }
    // The replacement is on the disk before it takes the target's name, and the name is after
    // the rename: a crash leaves the old file or the whole new one, never an empty or a partly
    // written one.
    const int fd = ::open(OsPath(source).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        SetSystemFileError(errno, source);
        return false;
    }
    const bool flushed = FlushOpenFile(fd, found, target.Found());
    const int err = errno;
    ::close(fd);
    if (!flushed) {
        SetSystemFileError(err, found);
        return false;
    }
    if (::rename(OsPath(source).c_str(), OsPath(found).c_str()) != 0) {
        SetSystemFileError(errno, found);
        return false;
    }
    FlushFolder(FolderForSystem(found));
    return true;
}

namespace {

// Whether `name` is a temporary made for the file `target`: one or more dots, the target's name,
// then as many groups of ".<process>.<number>.tmp" as dots (a temporary of a temporary).
bool IsTemporaryOf(std::string_view name, std::string_view target) {
    std::size_t dots = 0;
    while (dots < name.size() && name[dots] == '.')
        ++dots;
    if (dots == 0 || name.substr(dots, target.size()) != target)
        return false;
    std::string_view rest = name.substr(dots + target.size());
    auto digits = [&rest] {
        std::size_t n = 0;
        while (n < rest.size() && rest[n] >= '0' && rest[n] <= '9')
            ++n;
        rest.remove_prefix(n);
        return n > 0;
    };
    for (std::size_t group = 0; group < dots; ++group) {
        if (rest.empty() || rest.front() != '.')
            return false;
        rest.remove_prefix(1);
        if (!digits() || rest.empty() || rest.front() != '.')
            return false;
        rest.remove_prefix(1);
        if (!digits() || rest.substr(0, 4) != ".tmp")
            return false;
        rest.remove_prefix(4);
    }
    return rest.empty();
}

} // namespace

int RemoveLeftoverTemporaries(std::string_view path, std::int64_t minimumAge) {
    const std::string target = ThroughLinks(path);
    const std::string name = NamePart(target);
    const std::optional<std::vector<FolderEntry>> entries =
        ListFolder(BesideOf(target, ".*" + name + "*.tmp"));
    if (!entries)
        return 0;
    const std::int64_t now = static_cast<std::int64_t>(std::time(nullptr));
    int removed = 0;
    for (const FolderEntry& entry : *entries) {
        if (!IsTemporaryOf(entry.name, name) || now - entry.lastWrite.seconds < minimumAge)
            continue;
        if (::unlink(OsPath(BesideOf(target, entry.name)).c_str()) == 0)
            ++removed;
    }
    return removed;
}

bool KeepNewestLeftover(std::string_view path, std::int64_t minimumAge, const std::string& keepAs) {
    const std::string target = ThroughLinks(path);
    struct stat st;
    if (::lstat(OsPath(target).c_str(), &st) == 0 || errno != ENOENT)
        return false;
    const std::string name = NamePart(target);
    const std::optional<std::vector<FolderEntry>> entries =
        ListFolder(BesideOf(target, ".*" + name + "*.tmp"));
    if (!entries)
        return false;
    const std::int64_t now = static_cast<std::int64_t>(std::time(nullptr));
    const FolderEntry* newest = nullptr;
    for (const FolderEntry& entry : *entries)
        if (IsTemporaryOf(entry.name, name) && now - entry.lastWrite.seconds >= minimumAge &&
            (!newest || newest->lastWrite < entry.lastWrite))
            newest = &entry;
    return newest &&
           ::rename(OsPath(BesideOf(target, newest->name)).c_str(), OsPath(keepAs).c_str()) == 0;
}

bool ReplaceFileContents(std::string_view target, std::string_view contents) {
    const std::string found = ThroughLinks(target);
    std::string temp;
    const int fd = CreateTemporaryBeside(found, temp);
    if (fd < 0) {
        SetSystemFileError(errno, found);
        return false;
    }
    bool written = WriteAll(fd, contents.data(), contents.size());
    int err = errno;
    if (::close(fd) != 0 && written) {
        written = false;
        err = errno;
    }
    if (!written) {
        ::unlink(OsPath(temp).c_str());
        SetSystemFileError(err, found);
        return false;
    }
    if (!ReplaceFile(temp, found)) {
        ::unlink(OsPath(temp).c_str());
        return false;
    }
    return true;
}

} // namespace platform
