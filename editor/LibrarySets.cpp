#include "editor/LibrarySets.h"

#include "platform/files/FileError.h"
#include "platform/files/Files.h"
#include "platform/files/Path.h"
#include "platform/text/Text.h"

#include <optional>

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

// The set's keynote file in place of the project's, whose bytes become its backup. The set is
// copied beside the keynote file and the keynote file to its backup (the older backup moved aside
// meanwhile) before the copy takes the keynote file's name in one rename; a failure at any step
// puts back what the earlier ones changed.
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
            olderBackup = TemporaryNameBeside(project.backup);
            if (!MoveFile(project.backup, olderBackup)) {
                LibraryOutcome failed =
                    LibraryOutcome::Failure(LibraryStep::KeepBackup, project.backup);
                dropCopy();
                return failed;
            }
        }
        if (!CopyFile(project.keynote, project.backup)) {
            const bool sourceFault = !FileExists(project.keynote);
            LibraryOutcome failed = LibraryOutcome::Failure(
                LibraryStep::Backup, sourceFault ? project.keynote : project.backup);
            if (!olderBackup.empty())
                static_cast<void>(MoveFile(olderBackup, project.backup));
            dropCopy();
            return failed;
        }
    }
    if (!ReplaceFile(copy, project.keynote)) {
        LibraryOutcome failed = LibraryOutcome::Failure(LibraryStep::Replace, project.keynote);
        if (existed) {
            if (!olderBackup.empty())
                static_cast<void>(MoveFile(olderBackup, project.backup));
            else
                static_cast<void>(DeleteFile(project.backup));
        }
        dropCopy();
        return failed;
    }
    if (!olderBackup.empty())
        static_cast<void>(DeleteFile(olderBackup)); // only the previous backup, now replaced
    return {};
}

} // namespace

std::vector<LibrarySet> ListLibrary(const std::string& libPath) {
    std::vector<LibrarySet> sets;
    for (const FolderEntry& entry :
         ListFolder(JoinPath(libPath, "*.csv")).value_or(std::vector<FolderEntry>{})) {
        // The name less its ending, ".csv" in whatever case.
        std::string base = entry.name.substr(0, entry.name.size() - 4);
        sets.push_back({Cut(base, kCatalogNameWidth), std::move(base)});
    }
    return sets;
}

std::string SetFilePath(const std::string& libPath, const std::string& base,
                        const std::string& ending) {
    return SetFile(libPath, base, ending).Path();
}

void DeleteSet(const std::string& libPath, const LibrarySet& set) {
    for (const char* ending : {".csv", ".ini", ".bak"})
        static_cast<void>(DeleteFile(SetFile(libPath, set.base, ending)));
}

ImportOutcome ImportSet(const std::string& libPath, const LibrarySet& set,
                        const ImportTarget& project) {
    const FileName setCsv = SetFile(libPath, set.base, ".csv");
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
    if (keepNotesIni && !MoveFile(notesIni, notesBak)) {
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
    const std::string projectIni = JoinPath(projectFolder, "QVR.ini");
    const bool withIni = FileExists(projectIni);
    const std::string csvCopy = TemporaryNameBeside(csv.Path(), Links::Replace);
    if (LibraryOutcome copied = CopyAside(LibraryStep::CopyProject, keynote, csvCopy, csv.Path());
        !copied)
        return copied;
    const std::string iniCopy =
        withIni ? TemporaryNameBeside(ini.Path(), Links::Replace) : std::string();
    if (withIni) {
        if (LibraryOutcome copied =
                CopyAside(LibraryStep::CopyProject, projectIni, iniCopy, ini.Path());
            !copied) {
            static_cast<void>(DeleteFile(csvCopy));
            return copied;
        }
    }
    // Each undo below is the best that can be done after a failure already being reported.
    auto giveUp = [&](LibraryOutcome failed) {
        static_cast<void>(DeleteFile(csvCopy));
        if (withIni)
            static_cast<void>(DeleteFile(iniCopy));
        return failed;
    };
    const FileName backup = SetFile(libPath, name, ".bak");
    const bool existed = FileExists(csv);
    if (existed && !MoveFile(csv, backup))
        return giveUp(LibraryOutcome::Failure(LibraryStep::BackupSet, csv.Path()));
    if (!ReplaceFile(csvCopy, csv, Links::Replace)) {
        LibraryOutcome failed = LibraryOutcome::Failure(LibraryStep::ReplaceSet, csv.Path());
        if (existed)
            static_cast<void>(MoveFile(backup, csv));
        return giveUp(std::move(failed));
    }
    if (withIni && !ReplaceFile(iniCopy, ini, Links::Replace)) {
        LibraryOutcome failed = LibraryOutcome::Failure(LibraryStep::ReplaceSet, ini.Path());
        if (existed)
            static_cast<void>(MoveFile(backup, csv));
        else
            static_cast<void>(DeleteFile(csv));
        return giveUp(std::move(failed));
    }
    return {};
}

} // namespace editor
