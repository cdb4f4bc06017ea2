// Many small files kept in one: a report writes thousands of page images, and making a file on
// disk for each costs far more than writing their bytes. Each member keeps the name it would have
// had as a file of its own; the readers of such files (image controls, the page reader, the
// page-total stamping) ask for a member by that name before they look on the disk.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct BundleFile; // a bundle's open file, shared with the readers of its members

class FileBundle {
public:
    FileBundle() = default;
    // Removes the bundle (Remove).
    ~FileBundle();
    FileBundle(const FileBundle&) = delete;
    FileBundle& operator=(const FileBundle&) = delete;

    // Makes the bundle's file, empty. False with the reason when it cannot.
    bool Create(const std::string& file, std::string& error);
    bool IsOpen() const;
    // Writes a member at the end of the bundle under a name (replacing a member of that name).
    // False with the reason when it cannot be written; the bundle then holds what it held. Where
    // the bundle's file cannot grow past the process's file-size limit, the member goes into a
    // further file beside it (the file's name and ".2", ".3", ...), so that each file stays as
    // small as one member and the members before it.
    bool Add(const std::string& name, std::string_view contents, std::string& error);
    // Forgets every member and removes the bundle's files.
    void Remove();

    // Members made only when a reader first asks for them: a promised name reads as a member of
    // the bundle, made by calling `make` with its name (which is to Add it) the first time one of
    // the functions below asks for it. A promise is kept once; a member that could not be made
    // reads as none. Removing the bundle forgets its promises.
    void SetMaker(std::function<void(const std::string& name)> make);
    void Promise(const std::string& name);

private:
    bool Open(const std::string& file, std::string& error);
    std::string file_;
    std::vector<std::shared_ptr<BundleFile>> parts_; // the files, the last one written to
    std::function<void(const std::string& name)> make_;
    friend struct BundleMaking;
};

// What identifies a member's contents: another member of the name, or one changed, has another.
std::optional<std::uint64_t> BundledVersion(const std::string& name);
// The contents of a member; none when no bundle holds one of that name or it cannot be read.
std::optional<std::string> ReadBundled(const std::string& name);
// Writes bytes over a member's own, from an offset within it (a member does not grow). False when
// there is no such member, the bytes do not fit in it or they cannot be written.
bool PatchBundled(const std::string& name, std::size_t offset, std::string_view bytes);
// Forgets a member, as a file removed: false when there was none of that name.
bool ForgetBundled(const std::string& name);
// For a promised member not made yet: `edit` changes its contents as it is made. False when no
// member of that name waits to be made.
bool EditBundledWhenMade(const std::string& name, std::function<void(std::string&)> edit);

} // namespace platform
