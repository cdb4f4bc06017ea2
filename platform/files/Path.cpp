#include "platform/files/Path.h"

#include "platform/files/Detail.h"
#include "platform/text/CodePage.h"
#include "platform/text/Text.h"

#include <cerrno>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform {

namespace {

bool EntryExists(const std::string& path) {
    struct stat st;
    return ::lstat(OsPath(path).c_str(), &st) == 0;
}

// The one entry of `folder` whose name equals `name` ignoring case.
std::optional<std::string> MatchIgnoringCase(const std::string& folder, std::string_view name) {
    DIR* dir = ::opendir(OsPath(folder.empty() ? "." : folder).c_str());
    if (dir == nullptr) {
        return std::nullopt;
    }
    const std::string wanted = Lower(name);
    std::optional<std::string> match;
    int matches = 0;
    while (const dirent* entry = ::readdir(dir)) {
        std::optional<std::string> entryName = FromOsPath(entry->d_name);
        if (entryName && Lower(*entryName) == wanted) {
            match = std::move(entryName);
            ++matches;
        }
    }
    ::closedir(dir);
    if (matches != 1) {
        return std::nullopt;
    }
    return match;
}

} // namespace

std::string FolderPart(std::string_view path) {
    const std::size_t last = path.rfind(kPathSeparator);
    return last == std::string_view::npos ? std::string() : std::string(path.substr(0, last));
}

std::string NamePart(std::string_view path) {
    const std::size_t last = path.rfind(kPathSeparator);
    return std::string(last == std::string_view::npos ? path : path.substr(last + 1));
}

std::string JoinPath(std::string_view folder, std::string_view name) {
    while (!folder.empty() && folder.back() == kPathSeparator) {
        folder.remove_suffix(1);
    }
    while (!name.empty() && name.front() == kPathSeparator) {
        name.remove_prefix(1);
    }
    std::string joined(folder);
    joined += kPathSeparator;
    joined += name;
    return joined;
}

std::string FindExisting(std::string_view path) {
    if (path.empty() || EntryExists(std::string(path))) {
        return std::string(path);
    }
    std::string result;
    std::size_t pos = 0;
    bool found = true;
    for (;;) {
        const std::size_t next = path.find(kPathSeparator, pos);
        const std::string_view component =
            path.substr(pos, next == std::string_view::npos ? std::string_view::npos : next - pos);
        std::string candidate = result + std::string(component);
        if (found && !component.empty() && component != "." && component != ".." &&
            !EntryExists(candidate)) {
            if (std::optional<std::string> match = MatchIgnoringCase(result, component)) {
                candidate = result + *match;
            } else {
                found = false;
            }
        }
        result = std::move(candidate);
        if (next == std::string_view::npos) {
            break;
        }
        result += kPathSeparator;
        pos = next + 1;
    }
    return result;
}

std::string FileName::Found() const {
    if (!exact_) {
        return FindExisting(path_);
    }
    if (path_.find(kPathSeparator) == std::string::npos) {
        return path_;
    }
    return JoinPath(FindExisting(FolderPart(path_)), NamePart(path_));
}

FileName ExactName(std::string_view path) {
    FileName name(path);
    name.exact_ = true;
    return name;
}

std::optional<std::string> ModuleFileName() {
    std::vector<char> buffer(4096);
    for (;;) {
        const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) {
            detail::SetSystemFileError(errno, "/proc/self/exe");
            return std::nullopt;
        }
        if (static_cast<std::size_t>(length) < buffer.size()) {
            std::optional<std::string> name =
                FromOsPath(std::string_view(buffer.data(), static_cast<std::size_t>(length)));
            if (!name) {
                detail::SetSystemFileError(EILSEQ, "/proc/self/exe");
            }
            return name;
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::optional<std::string> ProgramFolder() {
    std::optional<std::string> module = ModuleFileName();
    if (!module) {
        return std::nullopt;
    }
    return FolderPart(*module);
}

std::string OsPath(std::string_view path) {
    return ToUtf8(path);
}

std::optional<std::string> FromOsPath(std::string_view osPath) {
    return FromUtf8(osPath);
}

std::string ShownPath(std::string_view osPath) {
    return FromUtf8Replacing(osPath, '?');
}

FileArgument SplitFileArgument(std::string_view argument) {
    std::string_view text = argument.substr(0, argument.find_last_not_of(' ') + 1);
    FileArgument parts;
    std::size_t k = text.rfind(kPathSeparator);
    if (k != std::string_view::npos) {
        parts.folder = std::string(text.substr(0, k));
        parts.name = std::string(text.substr(k + 1));
    }
    std::size_t dot = parts.name.find('.');
    if (dot != std::string::npos)
        parts.backup = parts.name.substr(0, dot + 1) + "bak";
    return parts;
}

} // namespace platform
