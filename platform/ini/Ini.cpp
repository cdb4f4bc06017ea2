#include "platform/ini/Ini.h"

#include "platform/files/Path.h"
#include "platform/text/Text.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <optional>
#include <vector>

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
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

// Folder part of a path without its trailing separator ("/" for a file in the root, "." for a
// bare name), and the name part.
std::string FolderOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
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

ReadResult ReadWholeFile(const std::string& path, std::string& text) {
    text.clear();
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT || errno == ENOTDIR ? ReadResult::Missing : ReadResult::Failed;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return ReadResult::Failed;
    }
    text.reserve(static_cast<std::size_t>(st.st_size));
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ::close(fd);
            return ReadResult::Failed;
        }
        if (n == 0)
            break;
        text.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return ReadResult::Ok;
}

bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// Writes `data` to a new file beside `path` and renames it over `path`, so that a reader sees the
// old file or the new one, never a part. The new file keeps the old one's permissions.
bool ReplaceFile(const std::string& path, std::string_view data, std::optional<mode_t> mode) {
    static std::atomic<unsigned> counter = 0;
    const std::string folder = FolderOf(path);
    const std::string base = Join(folder, "." + NameOf(path) + "." + std::to_string(::getpid()));
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = base + "." + std::to_string(++counter);
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return false;
    }
    if (fd < 0)
        return false;
    bool ok = (!mode || ::fchmod(fd, *mode) == 0) && WriteAll(fd, data);
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok)
        ::unlink(temp.c_str());
    return ok;
}

// Writers of one folder take turns, so that two programs writing one INI at the same moment do
// not each replace the file with their own reading of it. The lock is on the folder because the
// file itself is replaced by every write.
class FolderLock {
public:
    explicit FolderLock(const std::string& folder)
        : fd_(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        if (fd_ >= 0)
            while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
            }
    }
    ~FolderLock() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

private:
    int fd_;
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

std::string SettingsFolder() {
    std::string base;
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && config[0] == '/') {
        base = config;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || !*home) {
            const passwd* pw = ::getpwuid(::getuid());
            home = pw ? pw->pw_dir : "";
        }
        base = Join(home, ".config");
    }
    // The environment holds the system's names; the programs' texts are Windows-1252.
    std::string folder = Join(base, ProgramName());
    return FromOsPath(folder).value_or(folder);
}

std::string IniFilePath(std::string_view fileName) {
    std::string name = Clip(fileName);
    if (name.empty())
        name = "win.ini";
    if (name.find('/') == std::string::npos)
        name = JoinPath(SettingsFolder(), name);
    return FindExisting(name);
}

std::string ReadIni(std::string_view section, std::string_view key, std::string_view defaultValue,
                    std::string_view fileName) {
    section = TrimBlanks(section);
    key = TrimBlanks(key);
    std::string text;
    if (ReadWholeFile(OsPath(IniFilePath(fileName)), text) != ReadResult::Ok)
        return Cut(defaultValue, IniValueLimit);

    bool inSection = false;
    bool sectionSeen = false;
    for (std::string_view line : SplitLines(text)) {
        ParsedLine parsed = Parse(line);
        if (parsed.kind == LineKind::Section) {
            if (sectionSeen)
                break; // a later section of the same name is never searched
            inSection = EqualNoCase(parsed.name, section);
            sectionSeen = inSection;
        } else if (inSection && parsed.kind == LineKind::Key && EqualNoCase(parsed.name, key)) {
            std::string_view value = parsed.value;
            if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                value.back() == value.front())
                value = value.substr(1, value.size() - 2);
            return Cut(value, IniValueLimit);
        }
    }
    return Cut(defaultValue, IniValueLimit);
}

bool WriteIni(std::string_view section, std::string_view key, std::string_view value,
              std::string_view fileName) {
    section = TrimBlanks(section);
    key = TrimBlanks(key);
    const std::string clippedValue = Clip(value);
    if (section.empty() || key.empty() || HasLineBreak(section) || HasLineBreak(key) ||
        HasLineBreak(clippedValue) || section.find(']') != section.npos ||
        key.find('=') != key.npos || key.front() == '[')
        return false;

    const std::string name = Clip(fileName);
    if (name.find('/') == std::string::npos) {
        std::error_code ec;
        fs::create_directories(OsPath(SettingsFolder()), ec);
    }
    // From here on the path is the system's name of the file.
    std::string path = OsPath(IniFilePath(name));
    std::error_code ec;
    if (fs::is_symlink(path, ec)) {
        fs::path target = fs::canonical(path, ec);
        if (!ec)
            path = target.string();
    }

    FolderLock lock(FolderOf(path));
    std::string text;
    std::optional<mode_t> mode;
    switch (ReadWholeFile(path, text)) {
    case ReadResult::Failed:
        return false; // never replace a file that could not be read
    case ReadResult::Missing:
        break;
    case ReadResult::Ok: {
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0)
            mode = st.st_mode & 07777;
        break;
    }
    }

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

    const std::string keyLine = std::string(fileKey) + "=" + clippedValue;
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
    return ReplaceFile(path, out, mode);
}

} // namespace platform
