#include "platform/ini/Ini.h"

#include "platform/files/Detail.h"
#include "platform/files/Files.h"
#include "platform/files/Path.h"
#include "platform/text/Text.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

namespace fs = std::filesystem;

std::mutex programNameMutex;
std::string programName;

std::string ExecutableName() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (!ec && !exe.filename().empty())
        return exe.filename().string();
    return program_invocation_short_name;
}

std::string Join(const std::string& folder, std::string_view name) {
    if (folder.empty())
        return std::string(name);
    if (folder.back() == '/')
        return folder + std::string(name);
    return folder + "/" + std::string(name);
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// The file's lines without their ends; CR LF, a lone CR and a lone LF each end a line.
std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n')
            continue;
        lines.push_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

enum class LineKind { Other, Section, Key };

struct ParsedLine {
    LineKind kind = LineKind::Other;
    std::string_view name;  // section or key, without surrounding blanks
    std::string_view value; // after the first "=", without surrounding blanks
};

// A section header is "[name]" after optional blanks, whatever follows the "]"; a key line has a
// non-empty name before its first "="; everything else (comments, junk) is kept but never read.
ParsedLine Parse(std::string_view line) {
    std::string_view text = TrimBlanks(line);
    if (!text.empty() && text.front() == '[') {
        std::size_t close = text.find(']');
        if (close != std::string_view::npos)
            return {LineKind::Section, TrimBlanks(text.substr(1, close - 1)), {}};
    }
    std::size_t equals = text.find('=');
    if (equals == std::string_view::npos)
        return {};
    std::string_view key = TrimBlanks(text.substr(0, equals));
    if (key.empty())
        return {};
    return {LineKind::Key, key, TrimBlanks(text.substr(equals + 1))};
}

enum class ReadResult { Ok, Missing, Failed };

// Reads the whole of an open file; only an ordinary file is read (a FIFO, a device or a folder
// of the name is refused, never waited on).
ReadResult ReadOpenFile(int fd, std::string& text) {
    text.clear();
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return ReadResult::Failed;
    text.reserve(static_cast<std::size_t>(st.st_size));
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return ReadResult::Failed;
        if (n == 0)
            return ReadResult::Ok;
        text.append(buffer, static_cast<std::size_t>(n));
    }
}

ReadResult ReadWholeFile(const std::string& path, std::string& text) {
    text.clear();
    // Non-blocking, so that opening a FIFO of the name cannot hang the program.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return errno == ENOENT || errno == ENOTDIR ? ReadResult::Missing : ReadResult::Failed;
    ReadResult result = ReadOpenFile(fd, text);
    ::close(fd);
    return result;
}

// Writers of one INI take turns, so that two programs (or windows) writing it at the same moment
// do not each replace the file with their own reading of it. The turn is a lock on the file
// itself (created empty when missing): it can be had wherever the file can be written, also in
// a folder that cannot be read. Every write replaces the file, so a writer that waited checks
// that the name still holds the file it locked, and else takes the new one. The lock is an
// open-file-description lock, apart from the share-mode lock of the line driver.
class IniLock {
public:
    explicit IniLock(const std::string& path) {
        for (int attempt = 0; attempt < 1000; ++attempt) {
            struct stat before {};
            const bool existed = ::stat(path.c_str(), &before) == 0;
            fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0666);
            created_ = !existed && fd_ >= 0;
            if (fd_ < 0)
                return;
            // Where the file system keeps no locks, the writers cannot take turns: the write goes
            // ahead unguarded rather than not at all.
            int locked =
                detail::LockByte(fd_, F_OFD_SETLKW, F_WRLCK, detail::LockedByte::IniWriters);
            if (locked == ENOLCK)
                locked = 0;
            struct stat held {
            }, named{};
            if (locked == 0 && ::fstat(fd_, &held) == 0 && ::stat(path.c_str(), &named) == 0 &&
                held.st_dev == named.st_dev && held.st_ino == named.st_ino)
                return;
            ::close(fd_);
            fd_ = -1;
            if (locked != 0)
                return;
        }
    }
    ~IniLock() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    IniLock(const IniLock&) = delete;
    IniLock& operator=(const IniLock&) = delete;

    // The locked file, open for reading; -1 when it could not be opened and locked.
    int File() const { return fd_; }
    // Whether this writer made the file (empty) to hold the lock.
    bool Created() const { return created_; }

private:
    int fd_ = -1;
    bool created_ = false;
};

bool HasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != text.npos;
}

} // namespace

void SetProgramName(std::string_view name) {
    std::lock_guard lock(programNameMutex);
    programName = name;
}

std::string ProgramName() {
    std::lock_guard lock(programNameMutex);
    if (programName.empty())
        programName = ExecutableName();
    return programName;
}

namespace {

// $<variable>/<program name> when the variable holds an absolute path, else
// $HOME/<fallback>/<program name>, as program text.
std::string UserFolder(const char* variable, const char* fallback) {
    std::string base;
    const char* given = std::getenv(variable);
    if (given && given[0] == '/') {
        base = given;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || !*home) {
            const passwd* pw = ::getpwuid(::getuid());
            home = pw ? pw->pw_dir : "";
        }
        base = Join(home, fallback);
    }
    // The environment holds the system's names; the programs' texts are Windows-1252.
    std::string folder = Join(base, ProgramName());
    return FromOsPath(folder).value_or(folder);
}

} // namespace

std::string SettingsFolder() {
    return UserFolder("XDG_CONFIG_HOME", ".config");
}

std::string DataFolder() {
    return UserFolder("XDG_DATA_HOME", ".local/share");
}

std::string IniFilePath(std::string_view fileName) {
    std::string name = Clip(fileName);
    if (name.empty())
        name = "win.ini";
    if (name.find('/') == std::string::npos)
        name = JoinPath(SettingsFolder(), name);
    return FindExisting(name);
}

namespace {

// A value as it is read: without one pair of matching outer quotes, cut to the limit.
std::string ReadValue(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return Cut(value, IniValueLimit);
}

// Calls `line` with each line of the text, without its end (SplitLines' rule), until it returns
// false; nothing is kept, so that a long file is read for one key without a list of its lines.
template <typename Line>
void ForEachLine(std::string_view text, Line line) {
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = start;
        while (end < text.size() && text[end] != '\r' && text[end] != '\n')
            ++end;
        if (!line(text.substr(start, end - start)))
            return;
        if (end < text.size() && text[end] == '\r' && end + 1 < text.size() &&
            text[end + 1] == '\n')
            ++end;
        start = end + 1;
    }
}

// The start of the first line from `from` on (a line start) whose first character other than
// blanks is "[", or npos.
std::size_t NextHeaderLine(std::string_view text, std::size_t from) {
    for (std::size_t search = from;;) {
        const std::size_t bracket = text.find('[', search);
        if (bracket == std::string_view::npos)
            return bracket;
        const std::size_t lineBreak = text.substr(from, bracket - from).find_last_of("\r\n");
        const std::size_t line = lineBreak == std::string_view::npos ? from : from + lineBreak + 1;
        if (TrimBlanks(text.substr(line, bracket - line)).empty())
            return line;
        search = bracket + 1;
    }
}

// Calls `key` with every key line of the first section named `section`, in file order, until it
// returns false.
template <typename KeyLine>
void ForEachKey(std::string_view text, std::string_view section, KeyLine key) {
    bool inSection = false;
    std::size_t start = 0;
    while (start < text.size()) {
        // Outside the section only a section header counts: the other sections' lines (the long
        // lists of a project INI) are passed over unread.
        if (!inSection && (start = NextHeaderLine(text, start)) == std::string_view::npos)
            return;
        bool goOn = true;
        ForEachLine(text.substr(start), [&](std::string_view line) {
            start = static_cast<std::size_t>(line.data() - text.data()) + line.size();
            ParsedLine parsed = Parse(line);
            if (parsed.kind == LineKind::Section) {
                if (inSection) {
                    goOn = false; // a later section of the same name is never searched
                    return false;
                }
                inSection = EqualNoCase(parsed.name, section);
            } else if (inSection && parsed.kind == LineKind::Key && !key(parsed)) {
                goOn = false;
                return false;
            }
            // Out of the section again (another header): the next header is looked for.
            return inSection;
        });
        if (!goOn)
            return;
        // Past the end of the line just read (SplitLines' rule).
        if (start < text.size() && text[start] == '\r') {
            ++start;
            if (start < text.size() && text[start] == '\n')
                ++start;
        } else if (start < text.size() && text[start] == '\n') {
            ++start;
        }
    }
}

} // namespace

std::string ReadIni(std::string_view section, std::string_view key, std::string_view defaultValue,
                    std::string_view fileName) {
    section = TrimBlanks(section);
    key = TrimBlanks(key);
    std::string text;
    if (ReadWholeFile(OsPath(IniFilePath(fileName)), text) != ReadResult::Ok)
        return Cut(defaultValue, IniValueLimit);
    std::optional<std::string> found;
    ForEachKey(text, section, [&](const ParsedLine& parsed) {
        if (!EqualNoCase(parsed.name, key))
            return true;
        found = ReadValue(parsed.value);
        return false;
    });
    return found ? *found : Cut(defaultValue, IniValueLimit);
}

std::vector<std::string> ReadIniSeries(std::string_view section, std::string_view prefix,
                                       int lastKey, std::string_view fileName) {
    section = TrimBlanks(section);
    prefix = TrimBlanks(prefix);
    std::vector<std::string> values;
    std::string text;
    if (lastKey < 1 || ReadWholeFile(OsPath(IniFilePath(fileName)), text) != ReadResult::Ok)
        return values;
    // The keys of the series by number, in file order: the name matches `prefix` and a number
    // (ReadIni's matching of the name the number writes: no sign, no leading zero).
    std::vector<std::pair<int, std::string_view>> numbered;
    ForEachKey(text, section, [&](const ParsedLine& parsed) {
        std::string_view name = ClipView(parsed.name);
        if (name.size() <= prefix.size() || !EqualNoCase(name.substr(0, prefix.size()), prefix))
            return true;
        std::string_view digits = name.substr(prefix.size());
        if (digits.size() > 9 || digits.front() == '0')
            return true;
        int n = 0;
        for (char c : digits) {
            if (c < '0' || c > '9')
                return true;
            n = n * 10 + (c - '0');
        }
        if (n <= lastKey)
            numbered.emplace_back(n, parsed.value);
        return true;
    });
    // The first key of a number wins.
    std::stable_sort(numbered.begin(), numbered.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    int next = 1;
    for (const auto& [n, value] : numbered) {
        if (n < next)
            continue; // a later key of a number already read
        if (n > next)
            break; // a key missing
        std::string read = ReadValue(value);
        if (read.empty())
            break;
        values.push_back(std::move(read));
        ++next;
    }
    return values;
}

namespace {

// Whether a key set so reads back as written: no empty names, no line breaks, no "=" in a key or
// "[" at its start, no "]" in a section.
bool Writable(std::string_view section, std::string_view key, std::string_view value) {
    return !section.empty() && !key.empty() && !HasLineBreak(section) && !HasLineBreak(key) &&
           !HasLineBreak(value) && section.find(']') == section.npos && key.find('=') == key.npos &&
           key.front() != '[';
}

// The file's text with `key` of `section` set to `value`: the key's line replaced where the
// section has it, else added after the section's last key, else the section added at the end.
std::string WithKey(std::string_view text, std::string_view section, std::string_view key,
                    std::string_view value) {
    const std::vector<std::string_view> lines = SplitLines(text);
    std::size_t replaceAt = lines.size(); // the line of the key, when it exists
    std::size_t insertAt = lines.size();  // else the line before which the key is added
    std::string_view fileKey = key;
    bool sectionFound = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        ParsedLine parsed = Parse(lines[i]);
        if (parsed.kind == LineKind::Section) {
            if (sectionFound)
                break;
            if (EqualNoCase(parsed.name, section)) {
                sectionFound = true;
                insertAt = i + 1;
            }
        } else if (sectionFound && parsed.kind == LineKind::Key) {
            if (EqualNoCase(parsed.name, key)) {
                replaceAt = i;
                fileKey = parsed.name;
                break;
            }
            insertAt = i + 1;
        }
    }

    const std::string keyLine = std::string(fileKey) + "=" + std::string(value);
    std::string out;
    out.reserve(text.size() + keyLine.size() + section.size() + 8);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (sectionFound && replaceAt == lines.size() && i == insertAt)
            out.append(keyLine).append("\r\n");
        out.append(i == replaceAt ? std::string_view(keyLine) : lines[i]).append("\r\n");
    }
    if (!sectionFound) {
        if (!lines.empty() && !TrimBlanks(lines.back()).empty())
            out.append("\r\n");
        out.append("[").append(section).append("]\r\n");
        out.append(keyLine).append("\r\n");
    } else if (replaceAt == lines.size() && insertAt == lines.size()) {
        out.append(keyLine).append("\r\n");
    }
    return out;
}

} // namespace

bool WriteIni(std::string_view section, std::string_view key, std::string_view value,
              std::string_view fileName) {
    return WriteIniEntries({{std::string(section), std::string(key), std::string(value)}},
                           fileName);
}

bool WriteIniEntries(const std::vector<IniEntry>& entries, std::string_view fileName) {
    struct Entry {
        std::string_view section, key;
        std::string value;
    };
    std::vector<Entry> writable;
    for (const IniEntry& e : entries) {
        Entry entry{TrimBlanks(e.section), TrimBlanks(e.key), Clip(e.value)};
        if (Writable(entry.section, entry.key, entry.value))
            writable.push_back(std::move(entry));
    }
    if (writable.empty())
        return false;

    const std::string name = Clip(fileName);
    if (name.find('/') == std::string::npos) {
        std::error_code ec;
        fs::create_directories(OsPath(SettingsFolder()), ec);
    }
    // Through a symbolic link the file it names is locked, read and replaced (and created when
    // missing): the link itself stays.
    const std::string file = IniFilePath(name);
    IniLock lock(OsPath(file));
    std::string text;
    if (lock.File() < 0 || ReadOpenFile(lock.File(), text) != ReadResult::Ok)
        return false; // never replace a file that could not be read
    for (const Entry& e : writable)
        text = WithKey(text, e.section, e.key, e.value);
    if (ReplaceFileContents(file, text))
        return writable.size() == entries.size();
    // A file made only to take the turn is not left behind empty.
    struct stat st {};
    if (lock.Created() && ::fstat(lock.File(), &st) == 0 && st.st_size == 0)
        ::unlink(OsPath(file).c_str());
    return false;
}

} // namespace platform
