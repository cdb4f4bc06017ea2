// The unit and tally-type lists of the project INI, which every keynote grid offers as its
// choices: the list window `BrowseLookup`, which shows one list and adds to it and removes from
// it, and the small form `UpdateLookup`, which asks for one new value. Every change is written to
// the project INI at once, the whole list, sorted and numbered from 1.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace editor {

// Control numbers of the list window.
namespace lookup_list {
enum : int { LIST = 1, ADD, REMOVE, CLOSE };
} // namespace lookup_list

// Control numbers of the form that asks for a new value.
namespace lookup_form {
enum : int { PANEL1 = 1, PMT, EDITVALUE, OK, CANCEL };
} // namespace lookup_form

// A list as the project INI holds it, for every reader of it: the values of the keys kind & 1,
// kind & 2, ... of section "QVREdit" & kind & "s" (kind "Unit" or "Type"), in key order, up to the
// first key whose value is empty or missing (keys behind it are never read) and at most
// `lastKey` keys; each value cut to `width`.
std::string LookupSection(const std::string& kind);
std::string LookupKey(const std::string& kind, int n);
std::vector<std::string> ReadLookupValues(const std::string& kind, const std::string& ini,
                                          int lastKey, std::size_t width);

// The list window, on a thread of its own: parameter "1" the units (section QVREditUnits, keys
// Unit1, Unit2, ...), "2" the tally types (QVREditTypes, Type1, ...).
void BrowseLookup(const std::string& parameter);

// Asks for a new value of a kind ("Unit" or "Type") on the caller's thread and returns it, or the
// empty text when the user cancelled.
std::string UpdateLookup(const std::string& kind);

} // namespace editor
