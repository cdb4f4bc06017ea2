// The line driver: a named text file read and written one line at a time through a record of a
// fixed size (4096 characters for the keynote file, 2048 for the layer table). One object per
// open file; the object is the program's handle of the file and of its share-mode lock.
#pragma once

#include "platform/files/FileError.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform {

// Open modes in the old numbering: access in the low half, sharing in the high half.
enum class OpenMode : std::uint8_t {
    // Read-only; others may do anything. Takes no lock.
    ReadOnlyDenyNone = 0x00,
    // Read and write; others are denied writing. Holds an exclusive lock while open, which
    // every program of the project (this process or another) respects: a second open in this
    // mode fails with access denied, and so do writing, replacing and removing the file.
    ReadWriteDenyWrite = 0x22,
};

enum class ReadResult { Ok, EndOfFile, Failed };

class LineFile {
public:
    explicit LineFile(std::size_t recordSize);
    ~LineFile();
    LineFile(const LineFile&) = delete;
    LineFile& operator=(const LineFile&) = delete;
    // Takes over the other's open file, lock and name; the other is left closed. A file this
    // object held is closed first.
    LineFile(LineFile&& other) noexcept;
    LineFile& operator=(LineFile&& other) noexcept;

    void SetName(std::string name) { name_ = std::move(name); }
    const std::string& Name() const { return name_; }
    bool IsOpen() const { return fd_ >= 0; }
    // Whether the open file is held with the lock of its mode: false for a file opened for
    // writing where the file system keeps no locks (it is opened all the same, unguarded).
    bool Locked() const { return IsOpen() && locked_; }

    // Whether the file's name still names the open file: false once another program has put
    // another file in its place (a rename over it), moved it away or removed it.
    bool NamesOpenFile() const;

    // Creates the file empty (an existing file is emptied); the file is not left open.
    [[nodiscard]] bool Create();
    [[nodiscard]] bool Open(OpenMode mode);
    // Writes what is still buffered and closes; false when the added lines could not all be
    // written (the file is closed all the same).
    [[nodiscard]] bool Close();

    // Puts the open file, with everything added so far, in place of `target` (ReplaceFile) and
    // keeps it open, lock included, under that name: at no moment is the name free of the lock.
    // `targetHeldHere` says that the caller holds the target's lock itself (an old version it is
    // replacing), which then does not refuse the replacement.
    [[nodiscard]] bool MoveTo(const std::string& target, bool targetHeldHere = false);

    // Positions at the start of the file for Next.
    bool Rewind();

    // Reads the next record into Record(), padded with blanks to the record size. Only CR LF
    // ends a line (a lone CR or LF is an ordinary character); a tab reads as blanks up to the
    // next multiple of 8 columns; Ctrl-Z (1Ah) ends the file; a line longer than the record
    // reads as consecutive records. A last line without CR LF is read like any other.
    ReadResult Next();
    const std::string& Record() const;
    // Whether the line of the record just read goes on in the next record (it is longer than
    // the record).
    bool RecordContinues() const { return continues_; }
    // Whether the reading stopped at a Ctrl-Z that has more of the file after it.
    bool TextAfterEndMark();
    // The record as far as the last Next filled it, without the padding: Record() is this and
    // blanks. Valid until the next call that reads or closes.
    std::string_view Filled() const {
        return lineInBuffer_ ? line_ : std::string_view(record_).substr(0, recordFilled_);
    }

    // Adds a line at the end of the file: its trailing blanks dropped, CR LF appended. The line
    // is written whole, whatever its length.
    [[nodiscard]] bool Add(std::string_view line);

    // The size of the file in bytes (of the open file, added lines included).
    std::optional<std::uint64_t> Size();

    // Writes the lines added so far into the file; false when they could not all be written, or
    // an earlier write failed.
    [[nodiscard]] bool Flush();

private:
    bool Refill();
    // Puts the line read where it stands in the read buffer into the record.
    void FillRecord() const;

    std::size_t recordSize_;
    std::string name_;
    std::string path_; // the file as found when it was opened
    int fd_ = -1;
    bool writable_ = false;
    bool locked_ = false;

    // A line of ordinary characters that fits the record is left where it stands in the read
    // buffer (line_), and copied into the record only when the record is asked for.
    mutable std::string record_;
    mutable std::size_t recordFilled_ = 0; // record_ holds blanks from here on
    mutable bool lineInBuffer_ = false;
    std::string_view line_;

    std::vector<char> buffer_;
    std::size_t bufferPos_ = 0;
    std::size_t bufferEnd_ = 0;
    std::uint64_t readOffset_ = 0;           // file offset of buffer_[bufferEnd_]
    bool ended_ = false;                     // end of the file or Ctrl-Z reached
    bool continues_ = false;                 // the record just read was cut at the record size
    std::optional<std::uint64_t> endMarkAt_; // where a Ctrl-Z ended the reading

    std::string pending_;        // added lines not yet written
    std::uint64_t written_ = 0;  // bytes written since the file was opened
    std::uint64_t sentUpTo_ = 0; // of those, sent on their way to the disk
    // A write failed since the file was opened: the file is not what was added, which every
    // later Add and the Close report (with the first failure's error).
    bool writeFailed_ = false;
    FileErrorState writeError_;
};

} // namespace platform
