#include "platform/files/FileBundle.h"

#include "platform/files/Path.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <unordered_map>

#include <fcntl.h>
#include <unistd.h>

namespace platform {

struct BundleFile {
    int fd = -1;
    std::string file;
    std::uint64_t end = 0; // where the next member goes
    ~BundleFile() {
        if (fd >= 0)
            ::close(fd);
    }
};

namespace {

struct Member {
    std::shared_ptr<BundleFile> bundle; // keeps its file open while a reader reads
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
    std::uint64_t version = 0;
};

// A member promised and not made yet: its bundle, and the changes to make to it as it is made.
struct Promised {
    FileBundle* bundle = nullptr;
    std::vector<std::function<void(std::string&)>> edits;
};

// Every member of every bundle, by name. Members are read from several threads at once (pages
// drawn side by side); they are written on one.
struct Members {
    std::mutex lock;
    std::unordered_map<std::string, Member> byName;
    std::unordered_map<std::string, Promised> promised;
    std::uint64_t versions = 0;
};

Members& All() {
    static Members members;
    return members;
}

std::optional<Member> Known(const std::string& name) {
    Members& all = All();
    std::lock_guard guard(all.lock);
    auto it = all.byName.find(name);
    if (it == all.byName.end())
        return std::nullopt;
    return it->second;
}

} // namespace

// Makes promised members one at a time, whichever thread asks.
struct BundleMaking {
    static std::mutex& Lock() {
        static std::mutex making;
        return making;
    }
    // Makes the member when it is promised and not made yet.
    static void Make(const std::string& name) {
        std::lock_guard making(Lock());
        FileBundle* bundle = nullptr;
        {
            Members& all = All();
            std::lock_guard guard(all.lock);
            auto it = all.promised.find(name);
            if (it == all.promised.end())
                return;
            bundle = it->second.bundle;
        }
        if (bundle->make_)
            bundle->make_(name);
        Members& all = All();
        std::lock_guard guard(all.lock);
        all.promised.erase(name);
    }
};

namespace {

std::optional<Member> Find(const std::string& name) {
    if (std::optional<Member> member = Known(name))
        return member;
    // Made here, or meanwhile on another thread.
    BundleMaking::Make(name);
    return Known(name);
}

bool WriteAt(int fd, std::string_view bytes, std::uint64_t offset) {
    while (!bytes.empty()) {
        const ssize_t n = ::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
        offset += static_cast<std::uint64_t>(n);
    }
    return true;
}

} // namespace

FileBundle::~FileBundle() {
    Remove();
}

bool FileBundle::Open(const std::string& file, std::string& error) {
    const int fd =
        ::open(OsPath(file).c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    auto part = std::make_shared<BundleFile>();
    part->fd = fd;
    part->file = file;
    parts_.push_back(std::move(part));
    return true;
}

bool FileBundle::Create(const std::string& file, std::string& error) {
    Remove();
    file_ = file;
    return Open(file, error);
}

bool FileBundle::IsOpen() const {
    return !parts_.empty();
}

bool FileBundle::Add(const std::string& name, std::string_view contents, std::string& error) {
    if (parts_.empty()) {
        error = std::strerror(EBADF);
        return false;
    }
    // A promised member is made with the changes asked of it meanwhile.
    std::string edited;
    {
        Members& all = All();
        std::lock_guard guard(all.lock);
        auto it = all.promised.find(name);
        if (it != all.promised.end() && !it->second.edits.empty()) {
            edited = contents;
            for (const auto& edit : it->second.edits)
                edit(edited);
            contents = edited;
        }
    }
    if (!WriteAt(parts_.back()->fd, contents, parts_.back()->end)) {
        const int reason = errno;
        // What was written of it is no member: the file ends where it ended.
        static_cast<void>(::ftruncate(parts_.back()->fd, static_cast<off_t>(parts_.back()->end)));
        error = std::strerror(reason);
        if (reason != EFBIG || parts_.back()->end == 0)
            return false;
        if (!Open(file_ + "." + std::to_string(parts_.size() + 1), error))
            return false;
        if (!WriteAt(parts_.back()->fd, contents, 0)) {
            error = std::strerror(errno);
            static_cast<void>(::ftruncate(parts_.back()->fd, 0));
            return false;
        }
    }
    const std::shared_ptr<BundleFile>& part = parts_.back();
    Members& all = All();
    std::lock_guard guard(all.lock);
    all.byName.insert_or_assign(name, Member{part, part->end, contents.size(), ++all.versions});
    part->end += contents.size();
    return true;
}

void FileBundle::SetMaker(std::function<void(const std::string& name)> make) {
    make_ = std::move(make);
}

void FileBundle::Promise(const std::string& name) {
    Members& all = All();
    std::lock_guard guard(all.lock);
    all.promised.insert_or_assign(name, Promised{this, {}});
}

void FileBundle::Remove() {
    if (parts_.empty())
        return;
    {
        Members& all = All();
        std::lock_guard guard(all.lock);
        std::erase_if(all.byName, [&](const auto& entry) {
            return std::find(parts_.begin(), parts_.end(), entry.second.bundle) != parts_.end();
        });
        std::erase_if(all.promised,
                      [this](const auto& entry) { return entry.second.bundle == this; });
    }
    for (const auto& part : parts_)
        static_cast<void>(::unlink(OsPath(part->file).c_str()));
    parts_.clear();
}

std::optional<std::uint64_t> BundledVersion(const std::string& name) {
    std::optional<Member> member = Find(name);
    if (!member)
        return std::nullopt;
    return member->version;
}

std::optional<std::string> ReadBundled(const std::string& name) {
    std::optional<Member> member = Find(name);
    if (!member)
        return std::nullopt;
    std::string contents(member->size, '\0');
    std::size_t done = 0;
    while (done < contents.size()) {
        const ssize_t n =
            ::pread(member->bundle->fd, contents.data() + done, contents.size() - done,
                    static_cast<off_t>(member->offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return std::nullopt;
        done += static_cast<std::size_t>(n);
    }
    return contents;
}

bool PatchBundled(const std::string& name, std::size_t offset, std::string_view bytes) {
    std::optional<Member> member = Find(name);
    if (!member || offset > member->size || bytes.size() > member->size - offset)
        return false;
    if (!WriteAt(member->bundle->fd, bytes, member->offset + offset))
        return false;
    Members& all = All();
    std::lock_guard guard(all.lock);
    auto it = all.byName.find(name);
    if (it != all.byName.end() && it->second.bundle == member->bundle &&
        it->second.offset == member->offset)
        it->second.version = ++all.versions;
    return true;
}

bool ForgetBundled(const std::string& name) {
    Members& all = All();
    std::lock_guard guard(all.lock);
    const bool promised = all.promised.erase(name) > 0;
    return all.byName.erase(name) > 0 || promised;
}

bool EditBundledWhenMade(const std::string& name, std::function<void(std::string&)> edit) {
    Members& all = All();
    std::lock_guard guard(all.lock);
    auto it = all.promised.find(name);
    if (it == all.promised.end() || all.byName.count(name) > 0)
        return false;
    it->second.edits.push_back(std::move(edit));
    return true;
}

} // namespace platform
