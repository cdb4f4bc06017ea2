// The keynote file: a settings line with the plotted text height, a title line per shape that
// has a title and a line per note, comma-separated, 4096 characters a line at most. The reader
// takes one line at a time; the writer writes the whole file beside the old one and puts it in
// place when it is complete, so a failed save leaves the previous file whole. Neither shows
// anything: they return what happened, with the error text the file operations keep.
#pragma once

#include "platform/files/FileOutcome.h"
#include "platform/files/LineFile.h"

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace editor {

// Widths of the file's fields.
inline constexpr std::size_t kNoteNumberWidth = 5;
inline constexpr std::size_t kNoteDescWidth = 5000;
inline constexpr std::size_t kNoteUnitWidth = 3;
inline constexpr std::size_t kNoteTypeWidth = 5;
inline constexpr std::size_t kTextHeightWidth = 20;
inline constexpr std::size_t kKeynoteLineWidth = 4096;

// Replaces every occurrence of `search` (found ignoring case) in `target` by `replacement`,
// cutting the result to `capacity`; inserted text is never searched again.
void ReplaceAll(std::string& target, std::size_t capacity, std::string_view search,
                std::string_view replacement);

// One line of the file as the reader takes it.
struct KeynoteLine {
    enum class Kind { Skipped, Settings, Note };
    Kind kind = Kind::Skipped;
    // Settings: the text height when the line carries one.
    std::optional<std::string> textHeight;
    // Note: the shape (1..9), the row and whether its number field reads "TITLE" (the shape's
    // title line when it is the first of the shape in this reading).
    int shape = 0;
    bool marked = false;
    bool titleField = false;
    std::string number, description, unit, type;
    // Whether a field of the line was longer than its width and was cut, or text stood after
    // the note's fields.
    bool cut = false;
};

// Reads one line (the record read, trailing blanks do not count).
KeynoteLine ParseKeynoteLine(std::string_view record);
// The same into a line read before, whose strings keep their room.
void ParseKeynoteLine(std::string_view record, KeynoteLine& into);

// A note outside the grids, as the grids hold it and as the file writes it: what the save, the
// stash, the comma export and the printed report carry.
struct NoteRow {
    std::string mark; // "1" marked
    std::string number;
    std::string description; // lines separated by CR LF
    std::string unit;
    std::string type;
    int shape = 0; // 1..9 where no list of one shape's notes says it (the stash)
    bool operator==(const NoteRow&) const = default;
};

// The notes of one shape, in row order, with the shape's title.
struct ShapeNotes {
    int shape = 0; // 1..9
    std::string title;
    std::vector<NoteRow> rows;
    std::string caption; // the caption of the shape's tab
};

// The description as a note line carries it: CR LF as "\n", double quotes doubled, enclosed in
// double quotes when it holds a comma or a double quote. One that begins with a double quote is
// not enclosed (it reads back as it stands), and loses its leading quotes when it holds a comma
// (in no form would it read back).
std::string EscapeDescription(std::string_view description);

// The line a row is written as, without its line end; empty when the row is not written. A note
// too long for the file's line keeps all but the end of its description (`cut` tells), so that
// its line still reads back as the note, shortened.
std::string NoteLine(const char* code, const NoteRow& row, bool* cut = nullptr);
// A title's line: the title as it stands in a 55-character field, or, when that would not read
// back as the title (one read from a file holding a line break, a comma or doubled double
// quotes), with the description's escapes. A title line never holds a line break.
std::string TitleLine(const char* code, std::string_view title);
std::string SettingsLine(std::string_view textHeight);

// Whether every note with this description fits the file's line, whatever its number, unit
// and type: the editors hold descriptions to it, so that no note is ever cut when written.
bool DescriptionFitsLine(std::string_view description);

// How far a description is from one that every note carries as it stands, in two counts that
// cannot stand in for each other: the characters its longest note line takes beyond the file's
// line (or it holds beyond the field's 5000), which the writer cuts; and one for each character
// or pair the reader would turn into something else (a control character other than a CR LF line
// break, the character 255, a backslash followed by n or N, a double quote at its start). Both 0
// for a description that reads back as written.
struct DescriptionExcess {
    std::size_t cut = 0;
    std::size_t misread = 0;
    bool operator==(const DescriptionExcess&) const = default;
};
DescriptionExcess ExcessOf(std::string_view description);

// Whether an edit may turn the description `before` into `description`: neither count of its
// excess grows. The editors let no change make either larger, so that nothing typed or pasted is
// lost or changed by a save and a reload, while a description read from a file is kept as it was
// read.
bool DescriptionMayBecome(std::string_view description, std::string_view before);

// The control characters (a Ctrl-Z ends the file when it is read, a tab reads as blanks), and
// what the note number, unit, type and the shape titles cannot carry besides: the character 255
// (two double quotes read as it) and a comma (it splits the line's fields). The entries refuse
// them, typed or pasted.
extern const std::string kControlCharacters;
extern const std::string kRefusedInFields;

// How many places of a note number, unit or type would not read back as typed: each pair of
// adjacent double quotes (it reads as one character 255). The entries take no edit that makes
// more.
std::size_t FieldMisread(std::string_view value);
// The same for a shape's title, which besides may not hold a backslash before an n (it reads as
// a line break) nor begin with a double quote.
std::size_t TitleMisread(std::string_view title);

// How many notes the keynote file `path` holds (its first title line of each shape is no note),
// counting no further than `enough`; -1 when it cannot be read.
long CountNotes(const std::string& path, long enough = 0x7fffffff);

// The steps of a save, as the outcome names the one that failed.
enum class KeynoteStep {
    None,
    Create,  // the new file could not be created beside the old one
    Open,    // the new file could not be opened
    Write,   // writing the new file failed
    Replace, // the new file could not be put in the old one's place
    Read,    // reading the file failed part-way
};
using KeynoteOutcome = platform::FileOutcome<KeynoteStep>;

// Writes the file `path` with the settings line and the shapes in the order given. `progress`
// is told after each row (rows written, rows in all). With a `holder` (the program's open handle
// of the file, holding its lock, or closed), the new file is locked before it takes the old
// one's place and the holder keeps it open afterwards; on failure the holder is unchanged.
// `cutNotes` gets the notes whose descriptions were shortened to fit the file's line, as the
// shape's code, a blank and the note number ("CIR 12").
KeynoteOutcome WriteKeynoteFile(const std::string& path, std::string_view textHeight,
                                const std::vector<ShapeNotes>& shapes,
                                const std::function<void(long, long)>& progress = {},
                                platform::LineFile* holder = nullptr,
                                std::vector<std::string>* cutNotes = nullptr);

// The notes of one shape as a save takes them, one at a time, so that no copy of all the notes
// is made: the count, each note by its index (from 0; the reference is good until the next call)
// and each note's number alone.
struct ShapeSource {
    int shape = 0; // 1..9
    std::string title;
    std::size_t count = 0;
    std::function<const NoteRow&(std::size_t index)> row;
    std::function<std::string(std::size_t index)> number;
};

// The same from the rows of each shape in turn, with the same outcome as from whole lists.
KeynoteOutcome WriteKeynoteFile(const std::string& path, std::string_view textHeight,
                                const std::vector<ShapeSource>& shapes,
                                const std::function<void(long, long)>& progress,
                                platform::LineFile* holder = nullptr,
                                std::vector<std::string>* cutNotes = nullptr);

// A line of the file that a save would not write back as it was read, by its number (from 1)
// and what it holds.
struct KeynoteChange {
    long line = 0;
    std::string what;
    bool operator==(const KeynoteChange&) const = default;
};

// Reads the keynote file open in `file` from its start: each line goes, as ParseKeynoteLine
// reads it, to `take` in file order, and `progress` is told after each (characters read, the
// file's size). Stops at the end of the file or at a read error, whose outcome (Read) means that
// what was taken is not the whole file. With `changes`, also notes each line that a save would
// not write back as it was read: a line longer than the file's, one that is no note (a blank one
// aside), a value cut to its field, blanks a save drops, what the writer cannot carry; and text
// after a Ctrl-Z.
KeynoteOutcome ReadKeynoteFile(platform::LineFile& file,
                               const std::function<void(KeynoteLine&&)>& take,
                               const std::function<void(long, long)>& progress = {},
                               std::vector<KeynoteChange>* changes = nullptr);

} // namespace editor
