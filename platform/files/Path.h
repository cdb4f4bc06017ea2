// Paths of the programs: "/" separates folders, the empty folder is the root, an existing file is
// found whatever the case of its spelling (qvr.ini, QVR.ini), and no path is ever cut. Paths are
// program text (Windows-1252); they become the system's UTF-8 names only at the system call.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

inline constexpr char kPathSeparator = '/';

// Everything before the last separator: "/jobs/a1/constnot.csv" gives "/jobs/a1",
// "/constnot.csv" gives "" (the root), and a path without separator gives "".
std::string FolderPart(std::string_view path);

// Everything after the last separator; the whole path when it has none.
std::string NamePart(std::string_view path);

// Folder and name joined by exactly one separator. The empty folder is the root, as FolderPart
// gives it for a file in "/", so JoinPath(FolderPart(p), NamePart(p)) names p again.
std::string JoinPath(std::string_view folder, std::string_view name);

// A file argument as both programs take it: the folder (everything before the last separator),
// the name (everything after it) and the backup name (the name up to and including its first
// dot, then "bak"). Without a separator folder and name stay empty; without a dot the backup
// name does. Trailing blanks of the argument do not count.
struct FileArgument {
    std::string folder;
    std::string name;
    std::string backup;
};
FileArgument SplitFileArgument(std::string_view argument);

// The path of the existing file or folder that `path` names, looked up component by component:
// the exact spelling when it exists, else the one entry of its folder that matches ignoring case.
// A component with no such entry, or with several that differ only by case, is not found; it
// and the rest of the path keep the spelling given, which is the name a new file gets.
std::string FindExisting(std::string_view path);

// A path as the file operations (Files.h) take it. Made from text, it names an existing file
// whatever the case of its spelling, as FindExisting finds it; made by ExactName, its last name
// is taken only as spelled (its folders are still found ignoring case), so that of two files
// whose names differ only by case neither ever stands in for the other.
class FileName {
public:
    FileName(std::string_view path) : path_(path) {}
    FileName(const std::string& path) : path_(path) {}
    FileName(const char* path) : path_(path) {}

    const std::string& Path() const { return path_; }
    bool Exact() const { return exact_; }
    // The path of the file it names: found by FindExisting, or, exact, with its folders found
    // and its last name as spelled.
    std::string Found() const;

    friend FileName ExactName(std::string_view path);

private:
    std::string path_;
    bool exact_ = false;
};

FileName ExactName(std::string_view path);

// The full name of the running program, from /proc/self/exe, and its folder ("" for a program in
// the root). Nothing when the system does not tell (the file error says why).
std::optional<std::string> ModuleFileName();
std::optional<std::string> ProgramFolder();

// Program text to the system's name of a path, and back; a system name that the code page cannot
// hold gives nothing.
std::string OsPath(std::string_view path);
std::optional<std::string> FromOsPath(std::string_view osPath);
// A system name as program text for showing to the user: "?" for each character the code page
// cannot hold.
std::string ShownPath(std::string_view osPath);

} // namespace platform
