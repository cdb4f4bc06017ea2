// The library's file work: listing the sets of a library folder, deleting one, importing one over
// a project's keynote file and exporting a project as a set. Each returns what happened, naming
// the step that failed and the file it failed on; the library windows (Library.h) say it.
#pragma once

#include "platform/files/FileOutcome.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace editor {

// A descriptive name holds at most this many characters.
inline constexpr std::size_t kCatalogNameWidth = 63;

// A set as the library lists it: the name shown (cut to a descriptive name's width) and the
// name its files have, which a longer name keeps whole, so that a row always acts on the files
// it was listed from.
struct LibrarySet {
    std::string name;
    std::string base;
    std::string file; // the ".csv" file as listed ("Retail.CSV"); empty: the set's (SetFilePath)
    bool operator==(const LibrarySet&) const = default;
};

// The sets of a library folder: every ordinary file whose name ends in ".csv" in any case, in
// the order of their names. Nothing when the folder is missing or cannot be read. What stopped
// exports left is dealt with first (CleanLibrary).
std::vector<LibrarySet> ListLibrary(const std::string& libPath);

// The file of a set with this ending (".csv", ".ini", ".bak"): the set's name as it stands, with
// the ending in any case ("Retail.CSV"). Sets may differ only by case ("Office" and "office"):
// a file of one is never found for the other.
std::string SetFilePath(const std::string& libPath, const std::string& base,
                        const std::string& ending);

enum class LibraryStep {
    None,
    Refused,     // the files named clash (error says how); nothing was done
    CopySet,     // the set's keynote file could not be copied beside the project's
    KeepBackup,  // the keynote file's previous backup could not be moved aside
    Backup,      // the keynote file could not be copied to its backup
    Replace,     // the set's copy could not take the keynote file's place
    KeepIni,     // Notes.ini could not be moved to Notes.bak (it is then left as it is)
    CopyIni,     // the set's INI file could not be copied to Notes.ini
    CopyProject, // export: the project's keynote file or QVR.ini could not be copied
    BackupSet,   // export: the set's keynote file could not become its ".bak"
    ReplaceSet,  // export: a set file could not be put in place
};
using LibraryOutcome = platform::FileOutcome<LibraryStep>;

// Deletes the three files of a set; a missing one is no error and a failed delete is not
// reported (the list shows what is left).
void DeleteSet(const std::string& libPath, const LibrarySet& set);

// The project an import goes into: its keynote file, the keynote file's backup and its folder,
// where the set's INI file goes as Notes.ini.
struct ImportTarget {
    std::string folder;
    std::string keynote;
    std::string backup;
};

// An import: `notes` says whether the set's keynote file took the project's place (the previous
// one its backup); when it failed, the project's files are as they were. `ini` says whether the
// set's INI file became Notes.ini (the previous one kept as Notes.bak, unless that is the keynote
// file's backup too); a failure there does not undo the notes.
struct ImportOutcome {
    LibraryOutcome notes;
    LibraryOutcome ini;
};

// Imports a set. At every instant the project has a whole keynote file, the old or the new one,
// and a whole backup, the old one or the old keynote file: the set is copied beside the keynote
// file, the older backup kept under a second name and the keynote file made the backup before
// the copy takes its place. Notes.ini likewise: it becomes Notes.bak before the set's INI file
// takes its name.
ImportOutcome ImportSet(const std::string& libPath, const LibrarySet& set,
                        const ImportTarget& project);

// How old, in seconds, what a stopped import or export left must be before it is put back or
// removed: a running one finishes within moments.
inline constexpr std::int64_t kLeftoverAge = 60;

// After an import that was stopped before the set took the keynote file's place, the older
// backup is still kept under its second name beside the backup, and the backup is then the
// keynote file again: puts it back as the backup (true: the project's files are as they were
// before the import). A second name that holds nothing the project lacks goes. Only what is
// `minimumAge` seconds old is touched.
bool RecoverImport(const ImportTarget& project, std::int64_t minimumAge);

// Finishes or undoes what exports stopped half-way left in the library, as far as it is
// `minimumAge` seconds old, so that each set is whole, the old one or the new one; removes the
// temporaries of copies. ListLibrary does it with kLeftoverAge before it lists.
void CleanLibrary(const std::string& libPath, std::int64_t minimumAge);

// Exports the project's keynote file (as last saved) and the QVR.ini of its folder as the set
// `name` (trimmed, and refused beforehand by the window when it would leave the library); the
// set's previous keynote file becomes its ".bak". Both files are copied into the library first
// and put in place only when both copies are complete, the new ".csv" first, in one rename that
// decides the export (CleanLibrary finishes one stopped after it); a failure leaves the set as
// it was. A set file that is a symbolic link is replaced, never written
// through, so that nothing outside the library is written. A project without QVR.ini leaves the
// set's ".ini" as it is.
LibraryOutcome ExportSet(const std::string& libPath, const std::string& name,
                         const std::string& keynote, const std::string& projectFolder);

} // namespace editor
