// File operations with the outcomes the programs rely on: each tells whether it succeeded and
// otherwise leaves the reason in the last file error (FileError.h). A caller that has no use for
// the outcome discards it visibly (static_cast<void>) and says why. Existing files are found
// ignoring case, unless a name is exact (FileName, Path.h); a file held open denying writing
// (LineFile) cannot be written over or removed.
#pragma once

#include "platform/files/Path.h"

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// A moment of the file system's clock (seconds and nanoseconds since 1970, UTC).
struct FileTime {
    std::int64_t seconds = 0;
    std::int64_t nanoseconds = 0;
    auto operator<=>(const FileTime&) const = default;
};

struct FolderEntry {
    std::string name;
    std::uint64_t size = 0;
    FileTime lastWrite;
};

// Whether a file or folder of that name exists.
bool FileExists(const FileName& path);

// Whether an ordinary file of that name exists (no folder, FIFO or device).
bool OrdinaryFileExists(const FileName& path);

// Whether another holder has the existing file open denying writing (LineFile's share mode).
bool HeldByAnother(const FileName& path);

// Whether a folder of that name exists.
bool FolderExists(const FileName& path);
std::optional<std::uint64_t> FileSize(std::string_view path);

// Whether two ordinary files hold the same bytes (one file under two names does); false when
// either cannot be read.
bool SameContents(std::string_view a, std::string_view b);

// Whether two names may stand for one file, now or once one of them is made: the same existing
// file (also through links), or, in one folder, names that differ only by case, which the lookup
// ignoring case takes for one another while only one of them exists.
bool MayBeOneFile(std::string_view a, std::string_view b);

// Copies a file, replacing the target. The target is written beside itself and put in place when
// complete and on the disk, so a failed copy (or a crash) leaves an existing target as it was.
// A target that is a symbolic link stays one: the file it names is written.
[[nodiscard]] bool CopyFile(const FileName& from, const FileName& to);

// Keeps a file as it is now under another name, replacing that target, for a save that is about to
// put a new file in the file's place: the target becomes a second name (a hard link) of the same
// file, which copies nothing and has no data of its own to flush; where the file system has no
// links it is a copy (CopyFile). The same refusals as a copy. The new name reaches the disk with
// the flush of the folder that putting the new file in place makes; a target in another folder
// than the file is flushed here.
[[nodiscard]] bool BackUpFile(const FileName& from, const FileName& to);

// Gives a file, as it stands, a second name `to`, which must not exist yet: a hard link of an
// ordinary file (a whole copy where the file system has no links), a symbolic link of the same
// target for a symbolic link. Refused (access denied) for a folder or a FIFO. What a program keeps
// of a file that a multi-step replacement changes, to put it back or use it afterwards.
[[nodiscard]] bool KeepAs(const FileName& from, const std::string& to);

// Puts a second name that KeepAs made back in place of `target` (one rename), or removes it:
// only that name changes, also where the file is held open denying writing under another name.
[[nodiscard]] bool PutBackKept(const std::string& kept, const FileName& target);
[[nodiscard]] bool RemoveKept(const std::string& kept);

// A text no other writer of temporaries uses ("<process>.<number>"), for the names of files
// that go together (TemporaryNameBeside's own names hold one too).
std::string TemporaryToken();

// Renames or moves a file, replacing the target (also across file systems). A folder is refused
// (access denied).
[[nodiscard]] bool MoveFile(const FileName& from, const FileName& to);

// What a replacement does with a target that is a symbolic link: write the file it names (the
// link stays), or replace the link itself with the new file, so that nothing outside the
// target's folder is written (a shared folder that others may place links in).
enum class Links { Follow, Replace };

// A name, in the folder of `path` (with Links::Follow, of the file a link there names), that no
// file has: where the programs write a replacement of a file before they put it in place with
// ReplaceFile.
std::string TemporaryNameBeside(std::string_view path, Links links = Links::Follow);

// Puts a complete file in place of `target` (which may be missing). Refused with access denied
// when the target is held open denying writing, is read-only or may not be written by this user;
// the new file takes the target's permissions (and owner and group, as far as the system
// allows). The replacement is flushed to the disk before the rename and the folder after it, so
// that a crash or power loss leaves the old file or the whole new one. A target that is a
// symbolic link stays one, also when the file it names does not exist yet: that file is
// replaced, or created; with Links::Replace the link itself is replaced instead. On failure the
// target is as it was and the replacement is still there. `targetHeldHere`: the caller itself
// holds the target open denying writing (the old version of a file it replaces), which then does
// not count as another holder.
[[nodiscard]] bool ReplaceFile(const FileName& replacement, const FileName& target,
                               Links links = Links::Follow, bool targetHeldHere = false);

// Removes what writes of `path` left beside it when a program was stopped half-way (killed, a
// crash, a power loss): the temporary files that replacing or copying the file makes, by their
// names, once nothing has written them for `minimumAge` seconds (a write finishes and renames
// its temporary within moments). Gives how many were removed.
int RemoveLeftoverTemporaries(std::string_view path, std::int64_t minimumAge);

// Where `path` itself is missing, the newest of its leftover temporaries that is `minimumAge`
// seconds old may be the only copy of what it held (one set aside by a replacement that was
// stopped): moves it to `keepAs`, replacing a file of that name, and gives true.
bool KeepNewestLeftover(std::string_view path, std::int64_t minimumAge, const std::string& keepAs);

// Writes `contents` into a new file beside `target` and puts it in place as ReplaceFile does: the
// target ends up holding all of it or stays as it was, and nothing is left beside it.
[[nodiscard]] bool ReplaceFileContents(std::string_view target, std::string_view contents);

// Deletes a file; a file that does not exist is no error.
[[nodiscard]] bool DeleteFile(const FileName& path);

// Creates one folder (its parent must exist).
[[nodiscard]] bool CreateFolder(std::string_view path);

// Whether this user may create and replace files in an existing folder.
bool FolderWritable(std::string_view path);

// The ordinary files of a folder whose names match a wildcard ignoring case: `pattern` is the
// folder and the wildcard, "/lib/*.csv" ("*" any run of characters, "?" any one). Sorted by name
// ignoring case. Nothing when the folder cannot be read.
std::optional<std::vector<FolderEntry>> ListFolder(std::string_view pattern);

// The full time of the last write of a file, and that time as seconds since the local midnight
// of its day (0 when the file does not exist).
std::optional<FileTime> LastWriteTime(std::string_view path);
std::int32_t LastWriteTimeOfDay(std::string_view path);

// The current folder of the process (shared by all the programs' threads).
std::optional<std::string> CurrentFolder();
[[nodiscard]] bool SetCurrentFolder(std::string_view path);

} // namespace platform
