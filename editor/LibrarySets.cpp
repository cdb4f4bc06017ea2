#include "editor/LibrarySets.h"

#include "platform/files/FileError.h"
#include "platform/files/Files.h"
#include "platform/files/Path.h"
#include "platform/text/Text.h"

#include <algorithm>
#include <ctime>
#include <map>
#include <optional>
#include <utility>

namespace editor {

using namespace platform;

namespace {

FileName SetFile(const std::string& libPath, const std::string& base, const std::string& ending) {
    const std::string given = base + ending;
    std::string file = given;
    int others = 0;
    for (const FolderEntry& entry :
         ListFolder(JoinPath(libPath, "*" + ending)).value_or(std::vector<FolderEntry>{})) {
        if (entry.name == given)
            return ExactName(JoinPath(libPath, given));
        if (entry.name.size() == given.size() && entry.name.starts_with(base)) {
            file = entry.name;
            ++others;
        }
    }
    return ExactName(JoinPath(libPath, others == 1 ? file : given));
}

// A copy of `source` under the name `copy`; a failure names the file it lies with: the source
// when it cannot be read as a file, else `target`, the file the copy stands for.
// A failed copy leaves nothing under the copy's name.
LibraryOutcome CopyAside(LibraryStep step, const FileName& source, const std::string& copy,
                         const std::string& target) {
    if (CopyFile(source, copy))
        return {};
    const bool sourceFault = !FileExists(source) || FolderExists(source);
    return LibraryOutcome::Failure(step, sourceFault ? source.Path() : target);
}

// A file that the import moves or copies onto another, with what the two are, for its refusal.
struct Step {
    std::string from; // empty for the set's copy, made beforehand under a name of its own
    std::string to;
    const char* source;
    const char* target;
    const char* onItself = nullptr; // why the step cannot be done when both name one file
};

std::string Capitalized(std::string text) {
    if (!text.empty())
        text[0] = UpperChar(text[0]);
    return text;
}

// Why the import's steps cannot all be done without a file taking the place of another that an
// earlier step has just made (the project's notes' backup, say), the names compared as the
// lookup and the file system resolve them: the refusal, or nothing when they can.
std::optional<LibraryOutcome> Clash(const std::vector<Step>& steps) {
    auto refused = [](std::string why, const std::string& file) {
        return LibraryOutcome{LibraryStep::Refused, std::move(why), file};
    };
    for (std::size_t j = 0; j < steps.size(); ++j) {
        const Step& step = steps[j];
        if (step.onItself && MayBeOneFile(step.from, step.to))
            return refused(step.onItself, step.from);
        for (std::size_t i = 0; i < j; ++i)
            if (!step.from.empty() && MayBeOneFile(step.from, steps[i].to))
                return refused(Capitalized(step.source) + " is " + steps[i].target, step.from);
        for (std::size_t i = 0; i < j; ++i)
            if (MayBeOneFile(step.to, steps[i].to))
                return refused(Capitalized(step.target) + " would take the place of " +
                                   steps[i].target,
                               step.to);
    }
    return std::nullopt;
}

// Where a file goes under a second name while a replacement that takes several steps is under
// way: hidden beside it, named after it and the writer's token, ".tmp" for a new copy, and for a
// file kept as it was the time it was kept and ".kept" (a second name of a file carries no time
// of its own that says when it was made).
std::string BesideUnder(const std::string& path, const std::string& token, bool kept) {
    const std::string found = FileName(path).Found();
    const std::string ending =
        kept ? "." + DecimalText(static_cast<std::int64_t>(std::time(nullptr))) + ".kept" : ".tmp";
    return JoinPath(FolderPart(found), "." + NamePart(found) + "." + token + ending);
}

// What a name that BesideUnder made says: the file it is for ("Shop.csv"), the token, whether
// it keeps a file as it was, and how many seconds ago it was made (a copy: written).
struct KeptName {
    std::string name; // the entry's own name
    std::string file;
    std::string token;
    bool kept = false;
    std::int64_t age = 0;
};
std::optional<KeptName> ParseKept(const FolderEntry& entry) {
    const std::string_view name = entry.name;
    const bool kept = name.ends_with(".kept");
    const std::string_view ending = kept ? ".kept" : ".tmp";
    if (name.size() < ending.size() + 2 || name.front() != '.' || name[1] == '.' ||
        !name.ends_with(ending))
        return std::nullopt;
    std::string_view rest = name.substr(1, name.size() - 1 - ending.size());
    std::size_t end = rest.size();
    std::size_t groups[3] = {};
    const int count = kept ? 3 : 2;
    for (int group = 0; group < count; ++group) {
        std::size_t start = end;
        while (start > 0 && rest[start - 1] >= '0' && rest[start - 1] <= '9')
            --start;
        if (start == end || start == 0 || rest[start - 1] != '.')
            return std::nullopt;
        groups[group] = start;
        end = start - 1;
    }
    if (end == 0)
        return std::nullopt;
    const std::int64_t now = static_cast<std::int64_t>(std::time(nullptr));
    std::int64_t made = 0;
    if (kept) {
        const std::string_view seconds = rest.substr(groups[0]);
        if (seconds.size() > 18)
            return std::nullopt; // no time this program writes
        for (char c : seconds)
            made = made * 10 + (c - '0');
    }
    const std::size_t tokenEnd = kept ? groups[0] - 1 : rest.size();
    return KeptName{std::string(name), std::string(rest.substr(0, end)),
                    std::string(rest.substr(end + 1, tokenEnd - end - 1)), kept,
                    kept ? now - made : now - entry.lastWrite.seconds};
}

// The set's keynote file in place of the project's, whose bytes become its backup. The set is
// copied beside the keynote file, the older backup is kept under a second name and the keynote
// file becomes the backup (in one rename over it) before the copy takes the keynote file's name
// in one rename: at every moment both names hold a whole file. A failure at any step puts back
// what the earlier ones changed; the older backup's second name goes once the copy is in place
// (RecoverImport deals with one that a stopped import left).
LibraryOutcome ReplaceKeynoteFile(const FileName& setCsv, const ImportTarget& project) {
    const std::string copy = TemporaryNameBeside(project.keynote);
    // The message names what refused the copy: the project's folder when no file can be made
    // there, else the set's file.
    if (!CopyFile(setCsv, copy))
        return LibraryOutcome::Failure(
            LibraryStep::CopySet, FolderWritable(project.folder) ? setCsv.Path() : project.folder);
    // Each undo below is the best that can be done after a failure already being reported;
    // what it cannot put back (a full disk, say) leaves the keynote file whole all the same.
    auto dropCopy = [&] { static_cast<void>(DeleteFile(copy)); };
    const bool existed = FileExists(project.keynote);
    std::string olderBackup;
    if (existed) {
        if (FileExists(project.backup)) {
            olderBackup = BesideUnder(project.backup, TemporaryToken(), true);
            if (!KeepAs(project.backup, olderBackup)) {
                LibraryOutcome failed =
                    LibraryOutcome::Failure(LibraryStep::KeepBackup, project.backup);
                dropCopy();
                return failed;
            }
        }
        if (!BackUpFile(project.keynote, project.backup)) {
            const bool sourceFault = !FileExists(project.keynote);
            LibraryOutcome failed = LibraryOutcome::Failure(
                LibraryStep::Backup, sourceFault ? project.keynote : project.backup);
            if (!olderBackup.empty())
                static_cast<void>(RemoveKept(olderBackup)); // the backup is still that file
            dropCopy();
            return failed;
        }
    }
    if (!ReplaceFile(copy, project.keynote)) {
        LibraryOutcome failed = LibraryOutcome::Failure(LibraryStep::Replace, project.keynote);
        if (existed) {
            if (!olderBackup.empty())
                static_cast<void>(PutBackKept(olderBackup, project.backup));
            else
                static_cast<void>(DeleteFile(project.backup));
        }
        dropCopy();
        return failed;
    }
    if (!olderBackup.empty())
        static_cast<void>(RemoveKept(olderBackup)); // only the previous backup, now replaced
    return {};
}

// An export writes, under one token, the copies of the project's keynote file and INI file
// (".tmp") and keeps the set's keynote file and INI file under second names (".kept"); the copy of
// the keynote file taking the set's ".csv" name decides the export. So a copy of the ".csv" still
// there means an export that changed nothing yet: all of it goes. Without one the export had
// decided: the INI's copy takes the ".ini" name and the set's previous keynote file becomes its
// ".bak", as the export would have gone on to do.
void FinishExport(const std::string& libPath, const std::vector<KeptName>& files) {
    auto isCsv = [](const KeptName& k) { return Lower(k.file).ends_with(".csv"); };
    const bool decided = std::none_of(files.begin(), files.end(),
                                      [&](const KeptName& k) { return !k.kept && isCsv(k); });
    for (const KeptName& k : files) {
        const std::string path = JoinPath(libPath, k.name);
        bool done = false;
        if (decided && !k.kept && Lower(k.file).ends_with(".ini"))
            done = MoveFile(ExactName(path), ExactName(JoinPath(libPath, k.file)));
        else if (decided && k.kept && isCsv(k))
            done = MoveFile(ExactName(path),
                            SetFile(libPath, k.file.substr(0, k.file.size() - 4), ".bak"));
        // What cannot be finished goes: the set's named files are whole either way.
        if (!done)
            static_cast<void>(RemoveKept(path));
    }
}

// Removes or finishes what exports stopped half-way left in the library, once a minute old: the
// copies and second names of one export together (FinishExport), and the temporaries that
// copying made.
void CleanLeftovers(const std::string& libPath, std::int64_t minimumAge) {
    const std::optional<std::vector<FolderEntry>> entries = ListFolder(JoinPath(libPath, ".*"));
    if (!entries)
        return;
    std::map<std::string, std::vector<KeptName>> exports;
    for (const FolderEntry& entry : *entries) {
        if (std::optional<KeptName> k = ParseKept(entry)) {
            exports[k->token].push_back(std::move(*k));
        } else if (entry.name.starts_with("..") && entry.name.ends_with(".tmp") &&
                   static_cast<std::int64_t>(std::time(nullptr)) - entry.lastWrite.seconds >=
                       minimumAge) {
            // A copy's own temporary: never more than a part of a copy.
            static_cast<void>(RemoveKept(JoinPath(libPath, entry.name)));
        }
    }
    for (const auto& [token, files] : exports)
        if (std::all_of(files.begin(), files.end(),
                        [&](const KeptName& k) { return k.age >= minimumAge; }))
            FinishExport(libPath, files);
}

} // namespace

void CleanLibrary(const std::string& libPath, std::int64_t minimumAge) {
    CleanLeftovers(libPath, minimumAge);
}

bool RecoverImport(const ImportTarget& project, std::int64_t minimumAge) {
    const std::string backup = FileName(project.backup).Found();
    const std::optional<std::vector<FolderEntry>> entries =
        ListFolder(JoinPath(FolderPart(backup), ".*.kept"));
    if (!entries)
        return false;
    bool restored = false;
    for (const FolderEntry& entry : *entries) {
        const std::optional<KeptName> k = ParseKept(entry);
        if (!k || !k->kept || k->file != NamePart(backup) || k->age < minimumAge)
            continue;
        const FileName kept = ExactName(JoinPath(FolderPart(backup), entry.name));
        // The backup holds nothing the keynote file does not: the import stopped after making
        // it, before the set took the keynote file's place.
        const bool backupAddsNothing = !FileExists(backup) || SameContents(backup, project.keynote);
        if (backupAddsNothing && !SameContents(kept.Path(), backup) &&
            PutBackKept(kept.Path(), ExactName(backup))) {
            restored = true;
            continue;
        }
        static_cast<void>(RemoveKept(kept.Path())); // the backup the import replaced, or a copy
    }
    return restored;
}

std::vector<LibrarySet> ListLibrary(const std::string& libPath) {
    CleanLibrary(libPath, kLeftoverAge);
    std::vector<LibrarySet> sets;
    for (const FolderEntry& entry :
         ListFolder(JoinPath(libPath, "*.csv")).value_or(std::vector<FolderEntry>{})) {
        // The name less its ending, ".csv" in whatever case.
        std::string base = entry.name.substr(0, entry.name.size() - 4);
        sets.push_back({Cut(base, kCatalogNameWidth), std::move(base), entry.name});
    }
    return sets;
}

std::string SetFilePath(const std::string& libPath, const std::string& base,
                        const std::string& ending) {
    return SetFile(libPath, base, ending).Path();
}

// The set's keynote file: the one it was listed from, which names it whatever other spellings
// of its ending the library holds.
FileName ListedCsv(const std::string& libPath, const LibrarySet& set) {
    return set.file.empty() ? SetFile(libPath, set.base, ".csv")
                            : ExactName(JoinPath(libPath, set.file));
}

void DeleteSet(const std::string& libPath, const LibrarySet& set) {
    static_cast<void>(DeleteFile(ListedCsv(libPath, set)));
    for (const char* ending : {".ini", ".bak"})
        static_cast<void>(DeleteFile(SetFile(libPath, set.base, ending)));
}

ImportOutcome ImportSet(const std::string& libPath, const LibrarySet& set,
                        const ImportTarget& project) {
    const FileName setCsv = ListedCsv(libPath, set);
    const FileName setIni = SetFile(libPath, set.base, ".ini");
    const std::string notesIni = JoinPath(project.folder, "Notes.ini");
    const std::string notesBak = JoinPath(project.folder, "Notes.bak");
    // The previous Notes.ini is kept as Notes.bak, unless that is the keynote file's backup
    // too (a keynote file notes.csv): the project's notes come first, and the old Notes.ini,
    // which nothing reads, is then replaced by the set's.
    const bool keepNotesIni = FileExists(notesIni) && (MayBeOneFile(notesIni, project.keynote) ||
                                                       !MayBeOneFile(notesBak, project.backup));
    // The files the import moves and copies, in its order, as far as they exist.
    std::vector<Step> steps;
    if (FileExists(project.keynote))
        steps.push_back({project.keynote, project.backup, "the keynote file",
                         "the keynote file's backup", "The keynote file cannot be its own backup"});
    steps.push_back({"", project.keynote, "the set's copy", "the keynote file"});
    if (keepNotesIni)
        steps.push_back({notesIni, notesBak, "Notes.ini", "the backup of Notes.ini"});
    if (FileExists(setIni))
        steps.push_back({setIni.Path(), notesIni, "the set's INI file", "Notes.ini"});
    ImportOutcome outcome;
    if (std::optional<LibraryOutcome> clash = Clash(steps)) {
        outcome.notes = std::move(*clash);
        return outcome;
    }
    outcome.notes = ReplaceKeynoteFile(setCsv, project);
    if (!outcome.notes)
        return outcome;
    // The set's INI comes beside the keynote file as Notes.ini, the previous one kept: when it
    // cannot be kept it stays in place.
    // Notes.ini becomes Notes.bak in one rename over it while it keeps its own name, so that
    // both names always hold a whole file; a set without an INI file leaves only the backup.
    if (keepNotesIni &&
        !(FileExists(setIni) ? BackUpFile(notesIni, notesBak) : MoveFile(notesIni, notesBak))) {
        outcome.ini = LibraryOutcome::Failure(LibraryStep::KeepIni, notesBak);
        return outcome;
    }
    if (!CopyFile(setIni, notesIni))
        outcome.ini = LibraryOutcome::Failure(LibraryStep::CopyIni, setIni.Path());
    return outcome;
}

LibraryOutcome ExportSet(const std::string& libPath, const std::string& name,
                         const std::string& keynote, const std::string& projectFolder) {
    const FileName csv = SetFile(libPath, name, ".csv");
    const FileName ini = SetFile(libPath, name, ".ini");
    const FileName backup = SetFile(libPath, name, ".bak");
    const std::string projectIni = JoinPath(projectFolder, "QVR.ini");
    const bool withIni = FileExists(projectIni);
    // The files of one export share a token: CleanLibrary finishes or removes them together.
    // The copy of the keynote file comes first, so that it stands while anything else does.
    const std::string token = TemporaryToken();
    const std::string csvCopy = BesideUnder(csv.Path(), token, false);
    if (LibraryOutcome copied = CopyAside(LibraryStep::CopyProject, keynote, csvCopy, csv.Path());
        !copied)
        return copied;
    const std::string iniCopy = withIni ? BesideUnder(ini.Path(), token, false) : std::string();
    const std::string keptCsv = BesideUnder(csv.Path(), token, true);
    const std::string keptIni = BesideUnder(ini.Path(), token, true);
    // Each undo below is the best that can be done after a failure already being reported.
    auto giveUp = [&](LibraryOutcome failed) {
        for (const std::string* left : {&csvCopy, &iniCopy, &keptCsv, &keptIni})
            if (!left->empty())
                static_cast<void>(RemoveKept(*left));
        return failed;
    };
    if (withIni) {
        if (LibraryOutcome copied =
                CopyAside(LibraryStep::CopyProject, projectIni, iniCopy, ini.Path());
            !copied)
            return giveUp(std::move(copied));
    }
    // The set's files as they are now, under second names, to put back after a failure and
    // for the ".bak".
    const bool existed = FileExists(csv);
    if (existed && !KeepAs(csv, keptCsv))
        return giveUp(LibraryOutcome::Failure(LibraryStep::BackupSet, csv.Path()));
    const bool iniExisted = withIni && FileExists(ini);
    if (iniExisted && !KeepAs(ini, keptIni))
        return giveUp(LibraryOutcome::Failure(LibraryStep::BackupSet, ini.Path()));
    // The new keynote file takes the set's name in one rename: from here on the set is the new
    // one, its ".csv" never missing.
    if (!ReplaceFile(csvCopy, csv, Links::Replace))
        return giveUp(LibraryOutcome::Failure(LibraryStep::ReplaceSet, csv.Path()));
    auto putBack = [&](LibraryOutcome failed, bool iniReplaced) {
        if (existed)
            static_cast<void>(PutBackKept(keptCsv, csv));
        else
            static_cast<void>(DeleteFile(csv));
        if (iniReplaced) {
            if (iniExisted)
                static_cast<void>(PutBackKept(keptIni, ini));
            else
                static_cast<void>(DeleteFile(ini));
        }
        return giveUp(std::move(failed));
    };
    if (withIni && !ReplaceFile(iniCopy, ini, Links::Replace))
        return putBack(LibraryOutcome::Failure(LibraryStep::ReplaceSet, ini.Path()), false);
    if (existed && !MoveFile(ExactName(keptCsv), backup))
        return putBack(LibraryOutcome::Failure(LibraryStep::BackupSet, backup.Path()), withIni);
    if (iniExisted)
        static_cast<void>(RemoveKept(keptIni)); // the INI it replaced
    return {};
}

} // namespace editor
