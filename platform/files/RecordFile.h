// A file read and patched in place as records (of 256 bytes unless asked otherwise) from any byte
// offset: the print preview uses it to stamp "Page x of y" into finished page images.
#pragma once

#include "platform/files/LineFile.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

class RecordFile {
public:
    static constexpr std::size_t kRecordSize = 256;

    // Records of another size (at least 1 byte) read more of a file at a time.
    explicit RecordFile(std::size_t recordSize = kRecordSize)
        : recordSize_(recordSize < 1 ? 1 : recordSize) {}
    std::size_t RecordSize() const { return recordSize_; }
    ~RecordFile();
    RecordFile(const RecordFile&) = delete;
    RecordFile& operator=(const RecordFile&) = delete;

    // Opens for reading and writing; no lock is taken.
    bool Open(std::string_view path);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }

    // Positions the next read at a byte offset.
    void Seek(std::uint64_t offset) { position_ = offset; }

    // Reads the record at the position: the record size (256 bytes unless asked otherwise), fewer
    // at the end of the file. EndOfFile when
    // no byte is left there.
    ReadResult Next();
    // The bytes read, to be changed in place (keeping their number) and written back with Put.
    std::string& Record() { return record_; }
    std::uint64_t RecordOffset() const { return recordOffset_; }

    // Writes the record back where it was read.
    bool Put();

    // Whether nothing follows the record read.
    bool AtEnd() const;

private:
    std::size_t recordSize_ = kRecordSize;
    int fd_ = -1;
    std::string path_;
    std::string record_;
    std::uint64_t position_ = 0;
    std::uint64_t recordOffset_ = 0;
    std::size_t recordLength_ = 0;
};

} // namespace platform
