#include "platform/files/LineFile.h"

#include "platform/files/Detail.h"
#include "platform/files/FileError.h"
#include "platform/files/Files.h"
#include "platform/files/Path.h"
#include "platform/text/Text.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace platform {

namespace {

// Reads go through blocks this large: a keynote file is read in a handful of system calls.
constexpr std::size_t kReadBlock = std::size_t{1} << 18;
// Added lines are written once this much has gathered (and at every close).
constexpr std::size_t kWriteBlock = std::size_t{1} << 16;
// Each time this much more is written, the system is asked to start writing it to the disk.
constexpr std::uint64_t kWriteBehind = std::uint64_t{1} << 20;
constexpr char kCtrlZ = '\x1a';
constexpr std::size_t kTabStop = 8;

// The first CR, tab or Ctrl-Z in [from, to), or `to`: the only bytes that do not go into a record
// as they stand. Sixteen bytes at a time where the processor compares that many at once.
const char* FindSpecial(const char* from, const char* to) {
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i tab = _mm_set1_epi8('\t');
    const __m128i ctrlZ = _mm_set1_epi8(kCtrlZ);
    while (to - from >= 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
        const __m128i hits =
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, cr), _mm_cmpeq_epi8(bytes, tab)),
                         _mm_cmpeq_epi8(bytes, ctrlZ));
        const int mask = _mm_movemask_epi8(hits);
        if (mask != 0)
            return from + __builtin_ctz(static_cast<unsigned>(mask));
        from += 16;
    }
#endif
    for (; from < to; ++from)
        if (*from == '\r' || *from == '\t' || *from == kCtrlZ)
            return from;
    return to;
}

void SetNotOpen() {
    SetFileError(kFileNotOpen, "File Not Open");
}

} // namespace

LineFile::LineFile(std::size_t recordSize)
    : recordSize_(std::max<std::size_t>(recordSize, 1)), record_(recordSize_, ' ') {}

LineFile::~LineFile() {
    // A writer closes its file itself to learn how the writing went; here there is no one to tell.
    static_cast<void>(Close());
}

LineFile::LineFile(LineFile&& other) noexcept : LineFile(other.recordSize_) {
    *this = std::move(other);
}

LineFile& LineFile::operator=(LineFile&& other) noexcept {
    if (this == &other)
        return *this;
    // A file this object still held was only read, or is given up for the other's.
    static_cast<void>(Close());
    recordSize_ = other.recordSize_;
    name_ = std::move(other.name_);
    path_ = std::move(other.path_);
    fd_ = std::exchange(other.fd_, -1);
    writable_ = std::exchange(other.writable_, false);
    locked_ = std::exchange(other.locked_, false);
    other.FillRecord(); // (the buffer moves, but the record is the other's to keep)
    record_ = std::move(other.record_);
    recordFilled_ = other.recordFilled_;
    buffer_ = std::move(other.buffer_);
    bufferPos_ = other.bufferPos_;
    bufferEnd_ = other.bufferEnd_;
    readOffset_ = other.readOffset_;
    ended_ = other.ended_;
    continues_ = other.continues_;
    endMarkAt_ = other.endMarkAt_;
    pending_ = std::move(other.pending_);
    written_ = std::exchange(other.written_, 0);
    sentUpTo_ = std::exchange(other.sentUpTo_, 0);
    writeFailed_ = std::exchange(other.writeFailed_, false);
    writeError_ = other.writeError_;
    lineInBuffer_ = false;
    other.record_.assign(other.recordSize_, ' ');
    other.recordFilled_ = 0;
    return *this;
}

bool LineFile::MoveTo(const std::string& target, bool targetHeldHere) {
    if (!IsOpen()) {
        SetNotOpen();
        return false;
    }
    if (!Flush() || !ReplaceFile(ExactName(path_), target, Links::Follow, targetHeldHere))
        return false;
    name_ = target;
    path_ = FindExisting(target);
    return true;
}

bool LineFile::NamesOpenFile() const {
    if (!IsOpen())
        return false;
    struct stat held;
    struct stat named;
    return ::fstat(fd_, &held) == 0 && ::stat(OsPath(FindExisting(name_)).c_str(), &named) == 0 &&
           held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

bool LineFile::Create() {
    if (IsOpen()) {
        SetFileError(kFileAlreadyOpen, "File Already Open");
        return false;
    }
    const std::string path = FindExisting(name_);
    const int fd = ::open(OsPath(path).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0) {
        detail::SetSystemFileError(errno, path);
        return false;
    }
    // Emptying a file that another holder keeps open denying writing would destroy its data;
    // a file marked read-only stays as it is also for the superuser, who could write it.
    struct stat st;
    int err = ::fstat(fd, &st) != 0 ? errno : (st.st_mode & 0222) == 0 ? EACCES : 0;
    if (err == 0)
        err = detail::TakeDenyWriteLock(fd);
    if (err == ENOLCK)
        err = 0; // a file system without locks: nobody's lock can be respected
    if (err == 0 && ::ftruncate(fd, 0) != 0) {
        err = errno;
    }
    ::close(fd);
    if (err != 0) {
        detail::SetSystemFileError(err, path);
        return false;
    }
    return true;
}

bool LineFile::Open(OpenMode mode) {
    if (IsOpen()) {
        SetFileError(kFileAlreadyOpen, "File Already Open");
        return false;
    }
    int flags;
    switch (mode) {
    case OpenMode::ReadOnlyDenyNone:
        flags = O_RDONLY;
        break;
    case OpenMode::ReadWriteDenyWrite:
        flags = O_RDWR | O_APPEND;
        break;
    default:
        SetFileError(kFileSystemError, std::strerror(EINVAL));
        return false;
    }
    const std::string path = FindExisting(name_);
    int fd = -1;
    int err = 0;
    bool locked = false;
    // A file that another holder replaces while this one takes its lock may be locked only after
    // it has lost its name (the holder keeps the new one locked): then the name is tried again.
    for (int attempt = 0; attempt < 100; ++attempt) {
        // Non-blocking so that a FIFO of that name cannot hang the program; refused below.
        fd = ::open(OsPath(path).c_str(), flags | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) {
            detail::SetSystemFileError(errno, path);
            return false;
        }
        struct stat st;
        struct stat named;
        if (::fstat(fd, &st) != 0) {
            err = errno;
        } else if (!S_ISREG(st.st_mode)) {
            err = EACCES;
        } else if (mode == OpenMode::ReadWriteDenyWrite) {
            // A file marked read-only is not opened for writing, also not by the superuser.
            // Where the file system keeps no locks the file is opened unguarded (Locked tells).
            err = (st.st_mode & 0222) == 0 ? EACCES : detail::TakeDenyWriteLock(fd);
            locked = err == 0;
            if (err == ENOLCK)
                err = 0;
            if (locked && (::stat(OsPath(path).c_str(), &named) != 0 || named.st_dev != st.st_dev ||
                           named.st_ino != st.st_ino)) {
                ::close(fd);
                fd = -1;
                err = EWOULDBLOCK;
                continue;
            }
        }
        break;
    }
    if (err != 0) {
        if (fd >= 0)
            ::close(fd);
        detail::SetSystemFileError(err, path);
        return false;
    }
    ::fcntl(fd, F_SETFL, flags);
    fd_ = fd;
    writable_ = mode == OpenMode::ReadWriteDenyWrite;
    writeFailed_ = false;
    locked_ = locked;
    path_ = path;
    bufferPos_ = bufferEnd_ = 0;
    readOffset_ = 0;
    ended_ = false;
    continues_ = false;
    endMarkAt_.reset();
    pending_.clear();
    // Lines are added at the end of what the file holds.
    struct stat opened;
    written_ = sentUpTo_ =
        ::fstat(fd, &opened) == 0 ? static_cast<std::uint64_t>(opened.st_size) : 0;
    return true;
}

bool LineFile::Close() {
    if (!IsOpen()) {
        return true;
    }
    bool written = Flush();
    FillRecord(); // the buffer goes
    if (::close(fd_) != 0 && writable_ && written) {
        detail::SetSystemFileError(errno, path_);
        written = false;
    }
    fd_ = -1;
    writable_ = false;
    locked_ = false;
    buffer_.clear();
    buffer_.shrink_to_fit();
    return written;
}

bool LineFile::Rewind() {
    if (!IsOpen()) {
        SetNotOpen();
        return false;
    }
    if (!Flush()) {
        return false;
    }
    bufferPos_ = bufferEnd_ = 0;
    readOffset_ = 0;
    ended_ = false;
    continues_ = false;
    endMarkAt_.reset();
    return true;
}

bool LineFile::Refill() {
    const std::size_t kept = bufferEnd_ - bufferPos_;
    std::memmove(buffer_.data(), buffer_.data() + bufferPos_, kept);
    bufferPos_ = 0;
    bufferEnd_ = kept;
    for (;;) {
        const ssize_t got = ::pread(fd_, buffer_.data() + kept, buffer_.size() - kept,
                                    static_cast<off_t>(readOffset_));
        if (got >= 0) {
            readOffset_ += static_cast<std::uint64_t>(got);
            bufferEnd_ += static_cast<std::size_t>(got);
            return true;
        }
        if (errno != EINTR) {
            detail::SetSystemFileError(errno, path_);
            return false;
        }
    }
}

const std::string& LineFile::Record() const {
    FillRecord();
    return record_;
}

void LineFile::FillRecord() const {
    if (!lineInBuffer_)
        return;
    std::memcpy(record_.data(), line_.data(), line_.size());
    if (line_.size() < recordFilled_)
        std::memset(record_.data() + line_.size(), ' ', recordFilled_ - line_.size());
    recordFilled_ = line_.size();
    lineInBuffer_ = false;
}

ReadResult LineFile::Next() {
    if (!IsOpen()) {
        SetNotOpen();
        return ReadResult::Failed;
    }
    if (!Flush()) {
        return ReadResult::Failed;
    }
    if (buffer_.empty()) {
        buffer_.resize(kReadBlock);
    }
    lineInBuffer_ = false;
    // Most lines are ordinary characters up to their CR LF, within the block read and within
    // the record: such a line is read where it stands.
    if (!ended_ && bufferPos_ < bufferEnd_) {
        const char* const in = buffer_.data() + bufferPos_;
        const std::size_t available = bufferEnd_ - bufferPos_;
        const char* const special = FindSpecial(in, in + std::min(available, recordSize_ + 1));
        const std::size_t length = static_cast<std::size_t>(special - in);
        if (length <= recordSize_ && length + 1 < available && *special == '\r' &&
            special[1] == '\n') {
            line_ = std::string_view(in, length);
            lineInBuffer_ = true;
            continues_ = false;
            bufferPos_ += length + 2;
            return ReadResult::Ok;
        }
    }
    char* out = record_.data();
    std::size_t column = 0;
    continues_ = false;
    bool consumed = false; // whether this record took anything from the file
    bool failed = false;
    while (!ended_) {
        if (bufferPos_ == bufferEnd_) {
            if (!Refill()) {
                failed = true;
                break;
            }
            if (bufferEnd_ == 0) {
                ended_ = true;
                break;
            }
        }
        // Ordinary characters go across in one run.
        const char* in = buffer_.data();
        std::size_t pos = bufferPos_;
        const std::size_t limit = std::min(bufferEnd_, pos + (recordSize_ - column));
        const std::size_t run =
            static_cast<std::size_t>(FindSpecial(in + pos, in + limit) - (in + pos));
        std::memcpy(out + column, in + pos, run);
        column += run;
        pos += run;
        consumed = consumed || pos != bufferPos_;
        bufferPos_ = pos;
        if (bufferPos_ == bufferEnd_) {
            continue;
        }
        const char c = buffer_[bufferPos_];
        if (c == kCtrlZ) {
            ended_ = true;
            endMarkAt_ = readOffset_ - (bufferEnd_ - bufferPos_);
            break;
        }
        if (c == '\r') {
            if (bufferPos_ + 1 == bufferEnd_ && !Refill()) { // is the LF in the next block?
                failed = true;
                break;
            }
            if (bufferPos_ + 1 < bufferEnd_ && buffer_[bufferPos_ + 1] == '\n') {
                bufferPos_ += 2;
                consumed = true;
                break;
            }
        }
        if (column == recordSize_) {
            continues_ = true;
            break; // the line goes on in the next record
        }
        if (c == '\t') {
            const std::size_t stop = std::min((column / kTabStop + 1) * kTabStop, recordSize_);
            std::memset(out + column, ' ', stop - column);
            column = stop;
        } else {
            out[column++] = c;
        }
        ++bufferPos_;
        consumed = true;
    }
    if (column < recordFilled_) {
        std::memset(out + column, ' ', recordFilled_ - column);
    }
    recordFilled_ = column;
    if (failed) {
        return ReadResult::Failed;
    }
    return consumed ? ReadResult::Ok : ReadResult::EndOfFile;
}

bool LineFile::TextAfterEndMark() {
    if (!endMarkAt_)
        return false;
    const std::optional<std::uint64_t> size = Size();
    return size && *size > *endMarkAt_ + 1;
}

bool LineFile::Add(std::string_view line) {
    if (!IsOpen()) {
        SetNotOpen();
        return false;
    }
    if (!writable_) {
        SetFileError(kAccessDenied, "Access Denied");
        return false;
    }
    if (writeFailed_) {
        // Nothing more is written after a failed write: the file would have a gap.
        RestoreFileError(writeError_);
        return false;
    }
    pending_ += Clip(line);
    pending_ += "\r\n";
    return pending_.size() < kWriteBlock || Flush();
}

bool LineFile::Flush() {
    if (writeFailed_) {
        RestoreFileError(writeError_);
        return false;
    }
    if (pending_.empty()) {
        return true;
    }
    const char* data = pending_.data();
    std::size_t size = pending_.size();
    while (size > 0) {
        const ssize_t written = ::write(fd_, data, size);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            detail::SetSystemFileError(errno, path_);
            pending_.clear();
            writeFailed_ = true;
            writeError_ = SaveFileError();
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    written_ += pending_.size(); // where the file now ends
    pending_.clear();
    // What is written goes on its way to the disk while more is added, so that a flush to the
    // disk at the end (before a rename puts the file in place) has little left to wait for: each
    // stretch is sent off when it is complete, and the one before it awaited then, which also
    // keeps the memory the system holds for the file's writing small.
    if (written_ - sentUpTo_ >= kWriteBehind) {
        const auto offset = [](std::uint64_t at) { return static_cast<off64_t>(at); };
        ::sync_file_range(fd_, offset(sentUpTo_), offset(written_ - sentUpTo_),
                          SYNC_FILE_RANGE_WRITE);
        if (sentUpTo_ >= kWriteBehind)
            ::sync_file_range(fd_, offset(sentUpTo_ - kWriteBehind), offset(kWriteBehind),
                              SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE |
                                  SYNC_FILE_RANGE_WAIT_AFTER);
        sentUpTo_ = written_;
    }
    return true;
}

std::optional<std::uint64_t> LineFile::Size() {
    if (!IsOpen()) {
        return FileSize(name_);
    }
    if (!Flush()) {
        return std::nullopt;
    }
    struct stat st;
    if (::fstat(fd_, &st) != 0) {
        detail::SetSystemFileError(errno, path_);
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(st.st_size);
}

} // namespace platform
