// Private-profile INI files: one value read with a default, one value written in place, by the
// rules of the old profile functions (case-insensitive names, the file's other lines kept as they
// are). Texts are Windows-1252 bytes and pass through unchanged; no Qt.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// A value read comes back as at most this many characters.
inline constexpr std::size_t IniValueLimit = 1023;

// The name of the running program, which names its settings folder. Set it once at start-up;
// until then it is the name of the program's executable.
void SetProgramName(std::string_view name);
std::string ProgramName();

// The user's settings folder: $XDG_CONFIG_HOME/<program>, by default ~/.config/<program>.
std::string SettingsFolder();

// The user's data folder: $XDG_DATA_HOME/<program>, by default ~/.local/share/<program>.
std::string DataFolder();

// The file an INI name stands for: the empty name is the default INI file "win.ini" of the
// settings folder, a name without a folder lives in the settings folder, any other name is a
// path. An existing file is found ignoring case when the exact name does not exist; otherwise
// the name is kept as given, for a new file.
std::string IniFilePath(std::string_view fileName);

// The value of `key` in `section`, or `defaultValue` when the file, the section or the key is
// missing. Names match ignoring case and surrounding blanks; only the first section of a name is
// searched and the first of its keys of a name wins. Blanks around the value and one pair of
// matching outer quotes are dropped; the result is cut to IniValueLimit characters.
std::string ReadIni(std::string_view section, std::string_view key, std::string_view defaultValue,
                    std::string_view fileName = {});

// The values of the numbered keys `prefix`1, `prefix`2, ... of `section`, read in one pass over
// the file: each as ReadIni with the empty default gives it, in key order, up to the first key
// that reads as the empty text (keys behind it are not given) and at most `lastKey` keys. A list
// kept in an INI file is read so, not key by key.
std::vector<std::string> ReadIniSeries(std::string_view section, std::string_view prefix,
                                       int lastKey, std::string_view fileName = {});

// Sets `key` in `section` to `value` (trailing blanks dropped; the empty value writes "key="),
// keeping every other line of the file. The file is read again and replaced as a whole, so that
// programs and windows sharing it lose nothing of each other's writes. False when the file could
// not be read or written, or when a name or the value would not read back as written (an empty
// section or key, a line break anywhere, "=" in a key or "[" at its start, "]" in a section).
bool WriteIni(std::string_view section, std::string_view key, std::string_view value,
              std::string_view fileName = {});

// Sets several keys, of one section or several, in one replacement of the file: the file comes
// out as WriteIni called for each entry in turn would leave it. An entry WriteIni would refuse is
// left out; false when one was, or when the file could not be read or written.
struct IniEntry {
    std::string section, key, value;
};
bool WriteIniEntries(const std::vector<IniEntry>& entries, std::string_view fileName = {});

} // namespace platform
