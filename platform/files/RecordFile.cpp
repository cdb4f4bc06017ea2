#include "platform/files/RecordFile.h"

#include "platform/files/Detail.h"
#include "platform/files/FileError.h"
#include "platform/files/Path.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

RecordFile::~RecordFile() {
    Close();
}

bool RecordFile::Open(std::string_view path) {
    if (IsOpen()) {
        SetFileError(kFileAlreadyOpen, "File Already Open");
        return false;
    }
    const std::string found = FindExisting(path);
    const int fd = ::open(OsPath(found).c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        detail::SetSystemFileError(errno, found);
        return false;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        detail::SetSystemFileError(EACCES, found);
        return false;
    }
    fd_ = fd;
    path_ = found;
    position_ = recordOffset_ = 0;
    recordLength_ = 0;
    record_.clear();
    return true;
}

void RecordFile::Close() {
    if (IsOpen()) {
        ::close(fd_);
        fd_ = -1;
    }
}

ReadResult RecordFile::Next() {
    if (!IsOpen()) {
        SetFileError(kFileNotOpen, "File Not Open");
        return ReadResult::Failed;
    }
    record_.resize(recordSize_);
    std::size_t length = 0;
    while (length < recordSize_) {
        const ssize_t got = ::pread(fd_, record_.data() + length, recordSize_ - length,
                                    static_cast<off_t>(position_ + length));
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            detail::SetSystemFileError(errno, path_);
            record_.clear();
            recordLength_ = 0;
            return ReadResult::Failed;
        }
        if (got == 0) {
            break;
        }
        length += static_cast<std::size_t>(got);
    }
    record_.resize(length);
    recordLength_ = length;
    recordOffset_ = position_;
    if (length == 0) {
        return ReadResult::EndOfFile;
    }
    position_ += length;
    return ReadResult::Ok;
}

bool RecordFile::Put() {
    if (!IsOpen()) {
        SetFileError(kFileNotOpen, "File Not Open");
        return false;
    }
    // A record written back longer or shorter than it was read would overwrite or leave behind
    // bytes of its neighbours.
    if (recordLength_ == 0 || record_.size() != recordLength_) {
        SetFileError(kFileSystemError, std::strerror(EINVAL));
        return false;
    }
    std::size_t done = 0;
    while (done < recordLength_) {
        const ssize_t written = ::pwrite(fd_, record_.data() + done, recordLength_ - done,
                                         static_cast<off_t>(recordOffset_ + done));
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            detail::SetSystemFileError(errno, path_);
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    return true;
}

bool RecordFile::AtEnd() const {
    struct stat st;
    if (!IsOpen() || ::fstat(fd_, &st) != 0) {
        return true;
    }
    return recordOffset_ + recordLength_ >= static_cast<std::uint64_t>(st.st_size);
}

} // namespace platform
