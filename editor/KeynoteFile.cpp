#include "editor/KeynoteFile.h"

#include "editor/Globals.h"
#include "platform/files/FileError.h"
#include "platform/files/Files.h"
#include "platform/files/LineFile.h"
#include "platform/text/Text.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace editor {

using namespace platform;

namespace {

// Two adjacent double quotes read as one marker character, which the description turns back
// into a double quote.
constexpr char kQuoteMarker = '\xff';

// What a note line holds besides its description at most: the mark, the code, the number, the
// unit, the type and the four commas.
constexpr std::size_t kNoteLineOverhead =
    1 + 3 + 1 + kNoteNumberWidth + 1 + 1 + kNoteUnitWidth + 1 + kNoteTypeWidth;

// The length a description takes in a note line: CR LF as "\n", double quotes doubled, and
// the enclosing quotes when it holds a comma or a double quote.
std::size_t EscapedLength(std::string_view description) {
    std::size_t length = description.size();
    bool enclosed = false;
    for (char c : description) {
        if (c == '"') {
            ++length;
            enclosed = true;
        } else if (c == ',') {
            enclosed = true;
        }
    }
    return length + (enclosed ? 2 : 0);
}

// The shape whose code the text is, exactly: no blank or other character around it.
int ShapeOfCode(std::string_view code) {
    if (code.size() != 3)
        return 0; // every code has three letters
    const auto key = [](const char* c) {
        return static_cast<unsigned>(static_cast<unsigned char>(c[0])) << 16 |
               static_cast<unsigned>(static_cast<unsigned char>(c[1])) << 8 |
               static_cast<unsigned char>(c[2]);
    };
    const unsigned wanted = key(code.data());
    for (std::size_t i = 0; i < kShapes.size(); ++i)
        if (key(kShapes[i].code) == wanted)
            return static_cast<int>(i + 1);
    return 0;
}

} // namespace

void ReplaceAll(std::string& target, std::size_t capacity, std::string_view search,
                std::string_view replacement) {
    if (search.empty())
        return;
    std::size_t position = 0;
    for (;;) {
        std::size_t found = FindNoCase(target, search, position);
        if (found == std::string::npos)
            break;
        target.replace(found, search.size(), replacement);
        if (target.size() > capacity)
            target.resize(capacity);
        position = found + replacement.size();
    }
}

namespace {

// Whether the text reads "TITLE" ignoring case.
bool IsTitleField(std::string_view value) {
    return value.size() == 5 && Upper(value) == "TITLE";
}

// Where the plain characters of a description at `from` end: at the first double quote,
// backslash or marker character in [from, to), or comma where `Commas` (which end a description
// that is not enclosed in quotes), the only ones that end it or may stand for others; or at `to`.
// The plain ones are copied to `out` on the way unless it is null (which may also receive others
// of [from, to) after them). Sixteen at a time where the processor compares that many at once;
// most descriptions hold only a few others.
template <bool Commas>
const char* CopyPlain(const char* from, const char* to, char* out) {
#if defined(__SSE2__)
    const __m128i comma = _mm_set1_epi8(',');
    const __m128i quote = _mm_set1_epi8('"');
    const __m128i backslash = _mm_set1_epi8('\\');
    const __m128i marker = _mm_set1_epi8(kQuoteMarker);
    while (to - from >= 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
        if (out) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out), bytes);
            out += 16;
        }
        __m128i hits = _mm_or_si128(
            _mm_cmpeq_epi8(bytes, quote),
            _mm_or_si128(_mm_cmpeq_epi8(bytes, backslash), _mm_cmpeq_epi8(bytes, marker)));
        if constexpr (Commas)
            hits = _mm_or_si128(hits, _mm_cmpeq_epi8(bytes, comma));
        const int mask = _mm_movemask_epi8(hits);
        if (mask != 0)
            return from + __builtin_ctz(static_cast<unsigned>(mask));
        from += 16;
    }
#endif
    for (; from < to; ++from) {
        const char c = *from;
        if ((Commas && c == ',') || c == '"' || c == '\\' || c == kQuoteMarker)
            return from;
        if (out)
            *out++ = c;
    }
    return to;
}

// Whether the text begins with "SET" ignoring case.
bool IsSettingsWord(std::string_view text) {
    return text.size() >= 3 && UpperChar(text[0]) == 'S' && UpperChar(text[1]) == 'E' &&
           UpperChar(text[2]) == 'T';
}

// A stretch of a note line between two commas with each pair of adjacent double quotes, taken
// from the left, turned into the marker character: the stretch itself when it has no such pair,
// else the marked copy made in `marked`. A pair never holds a comma, so a stretch between two
// commas is marked the same on its own as within its line.
std::string_view MarkDoubledQuotes(std::string_view stretch, std::string& marked) {
    if (stretch.empty())
        return stretch; // (an empty view may have no characters to point at)
    const char* const begin = stretch.data();
    const char* const end = begin + stretch.size();
    const char* from = begin;
    const char* pair = nullptr;
    while (const void* hit = std::memchr(from, '"', static_cast<std::size_t>(end - from))) {
        const char* quote = static_cast<const char*>(hit);
        if (quote + 1 < end && quote[1] == '"') {
            pair = quote;
            break;
        }
        from = quote + 1;
    }
    if (!pair)
        return stretch;
    marked.resize(stretch.size());
    char* out = marked.data();
    std::memcpy(out, begin, static_cast<std::size_t>(pair - begin));
    out += pair - begin;
    from = pair;
    // From here each quote either starts a pair, which becomes one marker, or stands alone.
    for (;;) {
        const void* hit = std::memchr(from, '"', static_cast<std::size_t>(end - from));
        const char* quote = hit ? static_cast<const char*>(hit) : end;
        std::memcpy(out, from, static_cast<std::size_t>(quote - from));
        out += quote - from;
        if (quote == end)
            break;
        if (quote + 1 < end && quote[1] == '"') {
            *out++ = kQuoteMarker;
            from = quote + 2;
        } else {
            *out++ = '"';
            from = quote + 1;
        }
    }
    marked.resize(static_cast<std::size_t>(out - marked.data()));
    return marked;
}

// Where the field at `from` ends: at the next comma, or at `to` when there is none; `quoted`
// says whether it holds a double quote. The fields around the description are short, read a
// character at a time.
const char* FieldEnd(const char* from, const char* to, bool& quoted) {
    bool quote = false;
    for (; from < to && *from != ','; ++from)
        quote = quote || *from == '"';
    quoted = quote;
    return from;
}

// A field with its doubled quotes marked where it holds any.
std::string_view MarkedField(const char* from, const char* end, bool quoted, std::string& marked) {
    const std::string_view field(from, static_cast<std::size_t>(end - from));
    return quoted ? MarkDoubledQuotes(field, marked) : field;
}

// The description of a note line, read in one pass from `from` (after its opening quote when
// `Enclosed`): its first kNoteDescWidth characters, each pair of double quotes (and a marker
// character that stood in the file) read as a double quote and "\n" (either case) as a line
// break, each taking as many characters as it replaces. An enclosed description ends at the
// first double quote that stands alone before a comma, any other at the first comma. `end` is
// left at that comma; false when there is none. `length` is the description's whole length.
template <bool Enclosed>
bool ReadDescription(const char* from, const char* lineEnd, std::string& text, std::size_t& length,
                     const char*& end) {
    text.resize(std::min<std::size_t>(static_cast<std::size_t>(lineEnd - from), kNoteDescWidth));
    char* const out = text.data();
    std::size_t count = 0; // characters of the description so far, also those beyond the width
    const auto put = [&](char c) {
        if (count < kNoteDescWidth)
            out[count] = c;
        ++count;
    };
    const char* at = from;
    for (;;) {
        // Beyond the width the description is only read, to its end.
        const char* stop = lineEnd;
        char* copy = nullptr;
        if (count < kNoteDescWidth) {
            copy = out + count;
            stop = at + std::min<std::size_t>(static_cast<std::size_t>(lineEnd - at),
                                              kNoteDescWidth - count);
        }
        const char* special = CopyPlain<!Enclosed>(at, stop, copy);
        count += static_cast<std::size_t>(special - at);
        at = special;
        if (at == stop && stop != lineEnd)
            continue; // the width is reached
        if (at == lineEnd)
            return false;
        const char c = *at;
        if (!Enclosed && c == ',')
            break;
        if (c == '"') {
            const char next = at + 1 < lineEnd ? at[1] : '\0';
            if (Enclosed && next == ',') {
                ++at; // the quote closes the description
                break;
            }
            put('"');
            at += next == '"' ? 2 : 1;
        } else if (c == kQuoteMarker) {
            put('"');
            ++at;
        } else if (at + 1 < lineEnd && (at[1] == 'n' || at[1] == 'N') &&
                   count + 1 < kNoteDescWidth) { // a backslash
            put('\r');
            put('\n');
            at += 2;
        } else {
            put('\\');
            ++at;
        }
    }
    length = count;
    text.resize(std::min(count, kNoteDescWidth));
    end = at;
    return true;
}

} // namespace

namespace {

// The line read before is forgotten, its strings' room kept for the next.
void Forget(KeynoteLine& line) {
    line.kind = KeynoteLine::Kind::Skipped;
    line.textHeight.reset();
    line.shape = 0;
    line.marked = false;
    line.titleField = false;
    line.number.clear();
    line.description.clear();
    line.unit.clear();
    line.type.clear();
    line.cut = false;
}

} // namespace

void ParseKeynoteLine(std::string_view record, KeynoteLine& result) {
    Forget(result);
    const std::string_view line = ClipView(record);
    const std::size_t first = line.find_first_not_of(' ');
    if (first != std::string_view::npos && IsSettingsWord(line.substr(first))) {
        result.kind = KeynoteLine::Kind::Settings;
        // Characters 5 to 9 name the setting, 11 to 31 hold its value.
        std::string padded(line);
        if (padded.size() < 31)
            padded.resize(31, ' ');
        if (padded.compare(4, 5, "TXTHT") == 0)
            result.textHeight = Clip(Cut(TrimLeft(padded.substr(10, 21)), kTextHeightWidth));
        return;
    }
    // The line is read field by field, each stretch between two commas on its own.
    const char* const lineStart = line.data();
    const char* const lineEnd = lineStart + line.size();
    bool quoted = false;
    const char* const comma1 = FieldEnd(lineStart, lineEnd, quoted);
    if (comma1 == lineEnd || quoted)
        return; // (a code holds no double quote)
    std::string_view code(lineStart,
                          std::min<std::size_t>(static_cast<std::size_t>(comma1 - lineStart), 10));
    const bool isMarked = !code.empty() && code[0] == ';';
    if (isMarked)
        code.remove_prefix(1);
    const int shape = ShapeOfCode(code);
    if (shape == 0)
        return;

    const char* const comma2 = FieldEnd(comma1 + 1, lineEnd, quoted);
    if (comma2 == lineEnd)
        return;
    thread_local std::string marked;
    const std::string_view numberField = ClipView(MarkedField(comma1 + 1, comma2, quoted, marked));
    bool cut = numberField.size() > kNoteNumberWidth;
    result.titleField = IsTitleField(numberField);
    result.number = numberField.substr(0, kNoteNumberWidth);

    // A description opens with a double quote that is not one of a pair.
    const char* const start = comma2 + 1;
    const bool enclosed =
        start < lineEnd && *start == '"' && !(start + 1 < lineEnd && start[1] == '"');
    std::size_t length = 0;
    const char* descEnd = nullptr;
    const bool read =
        enclosed ? ReadDescription<true>(start + 1, lineEnd, result.description, length, descEnd)
                 : ReadDescription<false>(start, lineEnd, result.description, length, descEnd);
    if (!read) {
        Forget(result);
        return;
    }
    cut = cut || length > kNoteDescWidth;

    const char* const unitEnd = FieldEnd(descEnd + 1, lineEnd, quoted);
    std::string_view typeField;
    if (unitEnd != lineEnd) {
        const std::string_view unitField = MarkedField(descEnd + 1, unitEnd, quoted, marked);
        cut = cut || ClipView(unitField).size() > kNoteUnitWidth;
        result.unit = unitField.substr(0, kNoteUnitWidth);
        const char* const typeEnd = FieldEnd(unitEnd + 1, lineEnd, quoted);
        typeField = MarkedField(unitEnd + 1, typeEnd, quoted, marked);
        // (the line has no blanks at its end)
        cut = cut || (typeEnd != lineEnd && typeEnd + 1 < lineEnd);
    } else {
        // Four fields: the last one is the tally type, and the note has no unit.
        typeField = MarkedField(descEnd + 1, lineEnd, quoted, marked);
    }
    cut = cut || ClipView(typeField).size() > kNoteTypeWidth;
    result.type = typeField.substr(0, kNoteTypeWidth);
    result.cut = cut;

    result.kind = KeynoteLine::Kind::Note;
    result.shape = shape;
    result.marked = isMarked;
}

KeynoteLine ParseKeynoteLine(std::string_view record) {
    KeynoteLine result;
    ParseKeynoteLine(record, result);
    return result;
}

namespace {

// A description that begins with a double quote cannot be enclosed in quotes: the reader would
// take the opening quote and the one after it for a doubled quote. Without a comma it is written
// unenclosed, its quotes doubled, and reads back as it stands; with one it loses its leading
// quotes, the only form in which it reads back at all.
std::string CarriedDescription(std::string_view description) {
    std::string text = Cut(description, kNoteDescWidth);
    if (!text.empty() && text.front() == '"' && text.find(',') != std::string::npos)
        text.erase(0, text.find_first_not_of('"'));
    return text;
}

// The escapes of a description already carried: CR LF as "\n", double quotes doubled, enclosed
// in double quotes when it holds a comma or a double quote, unless it begins with one.
std::string Escaped(std::string_view carried) {
    // One pass: each CR LF (taken from the left) becomes "\n" and each double quote two.
    std::string text;
    text.reserve(carried.size() + carried.size() / 8 + 2);
    const bool leadingQuote = !carried.empty() && carried.front() == '"';
    const bool enclosed = !leadingQuote && carried.find_first_of(",\"") != std::string_view::npos;
    if (enclosed)
        text += '"';
    const std::size_t start = text.size();
    for (std::size_t i = 0; i < carried.size();) {
        std::size_t plain = i;
        while (plain < carried.size() && carried[plain] != '\r' && carried[plain] != '"')
            ++plain;
        text.append(carried.substr(i, plain - i));
        i = plain;
        if (i == carried.size())
            break;
        if (carried[i] == '"') {
            text += "\"\"";
            ++i;
        } else if (i + 1 < carried.size() && carried[i + 1] == '\n') {
            text += "\\n";
            i += 2;
        } else {
            text += '\r';
            ++i;
        }
    }
    // Trailing blanks go, inside the enclosing quotes.
    const std::size_t kept = text.find_last_not_of(' ');
    text.resize(kept == std::string::npos || kept < start ? start : kept + 1);
    if (enclosed)
        text += '"';
    return text;
}

bool ReadsBackAsTitle(const std::string& line, const std::string& title) {
    // A CR LF would end the line where it stands.
    if (line.find("\r\n") != std::string::npos)
        return false;
    const KeynoteLine l = ParseKeynoteLine(line);
    return l.kind == KeynoteLine::Kind::Note && l.titleField &&
           Fixed(l.description, kTitleWidth) == title;
}

} // namespace

std::string EscapeDescription(std::string_view description) {
    return Escaped(CarriedDescription(description));
}

std::string NoteLine(const char* code, const NoteRow& row, bool* cut) {
    if (cut)
        *cut = false;
    const std::string_view number =
        ClipView(std::string_view(row.number).substr(0, kNoteNumberWidth));
    if (number == "\r\n" || number == "\r")
        return std::string();
    const std::string_view unit = ClipView(std::string_view(row.unit).substr(0, kNoteUnitWidth));
    const std::string_view type = ClipView(std::string_view(row.type).substr(0, kNoteTypeWidth));
    const bool marked = ToLong(row.mark) != 0;
    const std::size_t codeLength = std::strlen(code);
    const std::size_t fields =
        (marked ? 1 : 0) + codeLength + 1 + number.size() + 1 + 1 + unit.size() + 1 + type.size();
    // The description as it is carried, without a copy unless it loses its leading quotes.
    std::string_view carried = std::string_view(row.description).substr(0, kNoteDescWidth);
    std::string dropped;
    if (!carried.empty() && carried.front() == '"' && carried.find(',') != std::string_view::npos) {
        dropped = CarriedDescription(carried);
        carried = dropped;
    }
    std::string description = Escaped(carried);
    const std::size_t room = kKeynoteLineWidth - std::min(kKeynoteLineWidth, fields);
    if (description.size() > room) {
        // The note is written whole but for the end of its description, so that the line stays
        // a note that reads back: the longest beginning of the description that fits, never
        // parted inside a CR LF.
        std::size_t low = 0, high = carried.size();
        while (low < high) {
            const std::size_t middle = (low + high + 1) / 2;
            if (Escaped(carried.substr(0, middle)).size() <= room)
                low = middle;
            else
                high = middle - 1;
        }
        if (low > 0 && low < carried.size() && carried[low - 1] == '\r' && carried[low] == '\n')
            --low;
        description = Escaped(carried.substr(0, low));
        if (cut)
            *cut = true;
    }
    std::string line;
    line.reserve(fields + description.size());
    if (marked)
        line += ';';
    line.append(code, codeLength);
    line += ',';
    line += number;
    line += ',';
    line += description;
    line += ',';
    line += unit;
    line += ',';
    line += type;
    // Blanks at the end of the line go (a description ends it when unit and type are empty).
    line.resize(ClipView(line).size());
    return line;
}

std::string TitleLine(const char* code, std::string_view title) {
    const std::string fixed = Fixed(title, kTitleWidth);
    std::string line = std::string(code) + ",TITLE," + fixed + ",,";
    if (ReadsBackAsTitle(line, fixed))
        return line;
    // A title read from a file that its line as it stands would not give back (a line break, a
    // comma, adjacent double quotes) is written with the description's escapes, which carry it.
    std::string escaped = EscapeDescription(Clip(fixed));
    if (escaped.empty() || escaped.front() != '"' || escaped.size() < 2 || escaped[1] == '"')
        escaped = Fixed(escaped, std::max(kTitleWidth, escaped.size()));
    return std::string(code) + ",TITLE," + escaped + ",,";
}

std::string SettingsLine(std::string_view textHeight) {
    return "SET,TXTHT," + LeftJustify(Cut(textHeight, kTextHeightWidth));
}

bool DescriptionFitsLine(std::string_view description) {
    return description.size() <= kNoteDescWidth &&
           EscapedLength(description) <= kKeynoteLineWidth - kNoteLineOverhead;
}

DescriptionExcess ExcessOf(std::string_view description) {
    DescriptionExcess excess;
    const std::size_t room = kKeynoteLineWidth - kNoteLineOverhead;
    const std::size_t length = EscapedLength(description);
    if (length > room)
        excess.cut = length - room;
    if (description.size() > kNoteDescWidth)
        excess.cut += description.size() - kNoteDescWidth;
    if (!description.empty() && description[0] == '"')
        ++excess.misread;
    for (std::size_t i = 0; i < description.size(); ++i) {
        const auto c = static_cast<unsigned char>(description[i]);
        const char next = i + 1 < description.size() ? description[i + 1] : '\0';
        if (c == '\r' && next == '\n')
            ++i; // a line break
        else if (c < 0x20 || c == 0x7F || c == 0xFF || (c == '\\' && (next == 'n' || next == 'N')))
            ++excess.misread;
    }
    return excess;
}

bool DescriptionMayBecome(std::string_view description, std::string_view before) {
    const DescriptionExcess now = ExcessOf(description);
    const DescriptionExcess was = ExcessOf(before);
    return now.cut <= was.cut && now.misread <= was.misread;
}

const std::string kControlCharacters = [] {
    std::string controls;
    for (int c = 0; c < 0x20; ++c)
        controls += static_cast<char>(c);
    return controls + '\x7f';
}();
const std::string kRefusedInFields = kControlCharacters + "\xff,";

std::size_t FieldMisread(std::string_view value) {
    std::size_t count = 0;
    for (std::size_t i = 0; i + 1 < value.size(); ++i)
        if (value[i] == '"' && value[i + 1] == '"') {
            ++count;
            ++i;
        }
    return count;
}

std::size_t TitleMisread(std::string_view title) {
    std::size_t count = FieldMisread(title);
    if (!title.empty() && title.front() == '"')
        ++count;
    for (std::size_t i = 0; i + 1 < title.size(); ++i)
        if (title[i] == '\\' && (title[i + 1] == 'n' || title[i + 1] == 'N'))
            ++count;
    return count;
}

long CountNotes(const std::string& path, long enough) {
    LineFile file(kKeynoteLineWidth);
    file.SetName(path);
    if (!OrdinaryFileExists(path) || !file.Open(OpenMode::ReadOnlyDenyNone))
        return -1;
    std::array<bool, 9> titleRead{};
    long notes = 0;
    while (notes < enough && file.Next() == ReadResult::Ok) {
        const KeynoteLine line = ParseKeynoteLine(file.Filled());
        if (line.kind != KeynoteLine::Kind::Note)
            continue;
        bool& title = titleRead[static_cast<std::size_t>(line.shape - 1)];
        if (line.titleField && !title)
            title = true;
        else
            ++notes;
    }
    static_cast<void>(file.Close()); // read only: nothing to lose
    return notes;
}

// Whether a note's number is written as "TITLE" (its field's first five characters, in any case).
bool NumberedTitle(std::string_view number) {
    static_assert(kNoteNumberWidth == 5);
    if (number.size() < 5)
        return false;
    for (std::size_t i = 0; i < 5; ++i)
        if (UpperChar(number[i]) != "TITLE"[i])
            return false;
    return true;
}

// Removes the new file of a save that failed. The failure is what the user is told; a file that
// cannot be removed as well is only a stray copy beside the keynote file.
void DropWritten(const std::string& temp) {
    static_cast<void>(DeleteFile(temp));
}

KeynoteOutcome WriteKeynoteFile(const std::string& path, std::string_view textHeight,
                                const std::vector<ShapeNotes>& shapes,
                                const std::function<void(long, long)>& progress,
                                platform::LineFile* holder, std::vector<std::string>* cutNotes) {
    std::vector<ShapeSource> rows;
    rows.reserve(shapes.size());
    for (const ShapeNotes& s : shapes)
        rows.push_back({s.shape, s.title, s.rows.size(),
                        [&s](std::size_t i) -> const NoteRow& { return s.rows[i]; },
                        [&s](std::size_t i) { return s.rows[i].number; }});
    return WriteKeynoteFile(path, textHeight, rows, progress, holder, cutNotes);
}

KeynoteOutcome WriteKeynoteFile(const std::string& path, std::string_view textHeight,
                                const std::vector<ShapeSource>& shapes,
                                const std::function<void(long, long)>& progress,
                                platform::LineFile* holder, std::vector<std::string>* cutNotes) {
    const std::string temp = TemporaryNameBeside(path);
    LineFile file(kKeynoteLineWidth);
    file.SetName(temp);
    if (!file.Create())
        return KeynoteOutcome::Failure(KeynoteStep::Create);
    if (!file.Open(OpenMode::ReadWriteDenyWrite)) {
        KeynoteOutcome failed = KeynoteOutcome::Failure(KeynoteStep::Open);
        DropWritten(temp);
        return failed;
    }
    long total = 0;
    for (const ShapeSource& s : shapes)
        total += static_cast<long>(s.count);
    long written = 0;
    bool ok = file.Add(SettingsLine(textHeight));
    for (const ShapeSource& s : shapes) {
        if (s.shape < 1 || s.shape > 9)
            continue;
        const char* code = kShapes[static_cast<std::size_t>(s.shape - 1)].code;
        // A blank title writes no title line, unless a note is numbered "TITLE": the first
        // such line of a shape reads back as its title, so a blank title line goes first and
        // the note stays a note.
        bool titleNumbered = false;
        for (std::size_t i = 0; i < s.count && !titleNumbered; ++i)
            titleNumbered = NumberedTitle(s.number(i));
        if (!Clip(s.title).empty() || titleNumbered)
            ok = ok && file.Add(TitleLine(code, s.title));
        for (std::size_t i = 0; i < s.count; ++i) {
            ++written;
            if (progress)
                progress(written, total);
            if (!ok)
                continue;
            const NoteRow& row = s.row(i);
            bool cut = false;
            std::string line = NoteLine(code, row, &cut);
            if (cut && cutNotes)
                cutNotes->push_back(std::string(code) + " " +
                                    Clip(Cut(row.number, kNoteNumberWidth)));
            if (!line.empty())
                ok = file.Add(line);
        }
    }
    if (!ok) {
        KeynoteOutcome failed = KeynoteOutcome::Failure(KeynoteStep::Write);
        static_cast<void>(file.Close());
        DropWritten(temp);
        return failed;
    }
    if (!holder) {
        if (!file.Close()) {
            KeynoteOutcome failed = KeynoteOutcome::Failure(KeynoteStep::Write);
            DropWritten(temp);
            return failed;
        }
        if (!ReplaceFile(temp, path)) {
            KeynoteOutcome failed = KeynoteOutcome::Failure(KeynoteStep::Replace);
            DropWritten(temp);
            return failed;
        }
        return {};
    }
    // The new file takes the old one's name while both are held, so that no other program can
    // take the project for writing in between; then the holder keeps the new one.
    if (!file.Flush()) {
        KeynoteOutcome failed = KeynoteOutcome::Failure(KeynoteStep::Write);
        static_cast<void>(file.Close());
        DropWritten(temp);
        return failed;
    }
    if (!file.MoveTo(path, holder->Locked())) {
        KeynoteOutcome failed = KeynoteOutcome::Failure(KeynoteStep::Replace);
        static_cast<void>(file.Close());
        DropWritten(temp);
        return failed;
    }
    *holder = std::move(file);
    return {};
}

namespace {

// Whether a value may hold something that a save would not write back as it was read; values
// without these read back from any line the writer makes of them.
bool MayChange(std::string_view value) {
    return value.find_first_of("\"\\\r\n\xff") != std::string_view::npos ||
           (!value.empty() && value.back() == ' ');
}

// Whether a description read from a note line comes back the same from any line the writer makes
// of it, without writing and reading that line: it fits the line whatever the other fields hold,
// and holds no escape the reader would take for something else. Commas and double quotes other
// than a leading one are carried by the enclosing quotes, CR LF pairs by "\n".
bool DescriptionReadsBack(std::string_view description) {
    if (!description.empty() && (description.front() == '"' || description.back() == ' '))
        return false;
    for (std::size_t i = 0; i < description.size(); ++i) {
        const char c = description[i];
        if (c == '\\' || c == kQuoteMarker || c == '\n')
            return false;
        if (c == '\r') {
            if (i + 1 == description.size() || description[i + 1] != '\n')
                return false;
            ++i;
        }
    }
    return DescriptionFitsLine(description);
}

// What a save would change of a line read (as `line`, which the reading takes as a title when
// `title`), or nothing.
const char* SaveChanges(const KeynoteLine& line, bool title, bool continued) {
    if (continued)
        return "a line longer than 4096 characters";
    if (line.kind == KeynoteLine::Kind::Skipped)
        return "a line that is no note";
    if (line.kind != KeynoteLine::Kind::Note)
        return nullptr;
    // What loses the most comes first: a note that the save leaves out altogether.
    if (const std::string number = Clip(line.number);
        !title && (number == "\r" || number == "\r\n"))
        return "a note numbered with a line break";
    if (line.cut || (title && line.description.size() > kTitleWidth))
        return "a value longer than its field";
    const char* code = kShapes[static_cast<std::size_t>(line.shape - 1)].code;
    if (title) {
        const std::string fixed = Fixed(line.description, kTitleWidth);
        if (!MayChange(fixed))
            return nullptr;
        const KeynoteLine back = ParseKeynoteLine(TitleLine(code, fixed));
        return Fixed(back.description, kTitleWidth) == fixed
                   ? nullptr
                   : "a title that would not read back as it was read";
    }
    if (!MayChange(line.number) && !MayChange(line.unit) && !MayChange(line.type) &&
        (DescriptionReadsBack(line.description) || !MayChange(line.description)))
        return nullptr;
    const NoteRow row{line.marked ? "1" : "0", line.number, line.description, line.unit, line.type};
    bool tooLong = false;
    const std::string written = NoteLine(code, row, &tooLong);
    if (tooLong)
        return "a note too long for a line of the file";
    if (written.empty())
        return "a note numbered with a line break";
    const KeynoteLine back = ParseKeynoteLine(written);
    if (back.number == row.number && back.description == row.description && back.unit == row.unit &&
        back.type == row.type)
        return nullptr;
    const auto blankEnd = [](const std::string& v) { return !v.empty() && v.back() == ' '; };
    if (blankEnd(row.description) || blankEnd(row.unit) || blankEnd(row.type))
        return "blanks at the end of a value";
    if (!row.description.empty() && row.description.front() == '"')
        return "a description beginning with a double quote and holding a comma";
    return "a note that would not read back as it was read";
}

} // namespace

KeynoteOutcome ReadKeynoteFile(LineFile& file, const std::function<void(KeynoteLine&&)>& take,
                               const std::function<void(long, long)>& progress,
                               std::vector<KeynoteChange>* changes) {
    const long size = static_cast<long>(file.Size().value_or(0));
    long read = 0;
    long number = 0;
    bool continued = false; // the line read goes on from the record before
    std::array<bool, 9> titleRead{};
    file.Rewind();
    ReadResult r;
    KeynoteLine parsed; // one for every line, so that its strings' room is kept
    while ((r = file.Next()) == ReadResult::Ok) {
        const std::string_view line = ClipView(file.Filled());
        read += static_cast<long>(line.size());
        if (progress)
            progress(read, size);
        ParseKeynoteLine(line, parsed);
        if (changes) {
            if (!continued)
                ++number;
            const bool title = parsed.kind == KeynoteLine::Kind::Note && parsed.titleField &&
                               !titleRead[static_cast<std::size_t>(parsed.shape - 1)];
            if (title)
                titleRead[static_cast<std::size_t>(parsed.shape - 1)] = true;
            const bool longLine = continued || file.RecordContinues();
            const char* what =
                line.empty() && !longLine ? nullptr : SaveChanges(parsed, title, longLine);
            if (what && (changes->empty() || changes->back().line != number))
                changes->push_back({number, what});
            continued = file.RecordContinues();
        }
        take(std::move(parsed));
    }
    if (r == ReadResult::Failed)
        return KeynoteOutcome::Failure(KeynoteStep::Read);
    if (changes && file.TextAfterEndMark())
        changes->push_back({number + 1, "text after the end-of-file mark (Ctrl-Z)"});
    return {};
}

} // namespace editor
