// The library of note sets: a folder (LibPath) of named sets, each a copy of a project's keynote
// file (name.csv) with a copy of its project INI (name.ini) and the set's previous keynote file
// (name.bak). `SelectCatalog` saves the current project's set under a descriptive name;
// `ImportNotes` lists the sets, deletes one, or imports one over the project's keynote file. The
// windows ask and tell the user; the file work is LibrarySets.h's.
#pragma once

#include <string>
#include <vector>

namespace editor {

// Control numbers of the import window.
namespace import_notes {
enum : int { STRING1 = 1, LIST, DELETE, IMPORT, CLOSE };
} // namespace import_notes

// Control numbers of the export window.
namespace select_catalog {
enum : int {
    STRING5_2 = 1,
    STRING5,
    LIB_CATALOGNAME_PROMPT,
    LOC_CATALOGNAME,
    LIB_CATALOGPATH_PROMPT,
    LOC_CATALOGTXTFILE,
    PROMPT3,
    LOC_CATALOGINIFILE,
    STRING2,
    STRING2_2,
    STRING2_3,
    OK,
    CANCEL,
};
} // namespace select_catalog

// The import window, run by the frame on its own thread while no keynote window runs; returns
// when it closes. After an import it tells every thread (EventNotesImported).
void ImportNotes();

// The export window, on a thread of its own.
void SelectCatalog(const std::string& parameter);

} // namespace editor
