#include "tesfdstreambuf.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "os/nativepath.h"
#include "tesassert.h"

namespace {

constexpr const char* kTesSourceName = "src/tesbasictypes/tesfdstreambuf";
constexpr const char* kNoDirectionText = "0";
constexpr int kNoDirectionLine = 395;
// Largest transfer handed to one descriptor call.
constexpr std::streamsize kMaxTransfer = 0x7FFFFFFF;

using Traits = std::char_traits<char>;

TesSeekOrigin seekOrigin(std::ios_base::seekdir direction) {
    if (direction == std::ios_base::beg) return TesSeekOrigin::kStart;
    if (direction == std::ios_base::end) return TesSeekOrigin::kEnd;
    return TesSeekOrigin::kCurrent;
}

}  // namespace

TesFdStreambuf::~TesFdStreambuf() { close(); }

TesFdStreambuf::OpenFlags TesFdStreambuf::openFlags(std::ios_base::openmode mode) {
    const bool in = (mode & std::ios_base::in) != 0;
    const bool out = (mode & std::ios_base::out) != 0;
    OpenFlags result;
    if (!in && !out) return result;
    result.valid = true;
    TesFdOpenFlags& flags = result.flags;
    flags.read = in;
    flags.write = out;
    flags.create = out;
    flags.binary = (mode & std::ios_base::binary) != 0;
    const bool keepsContent = (mode & (std::ios_base::in | std::ios_base::ate | std::ios_base::app)) != 0;
    flags.truncate = (mode & std::ios_base::trunc) != 0 || !keepsContent;
    flags.append = (mode & std::ios_base::app) != 0;
    return result;
}

bool TesFdStreambuf::open(const char* path, std::ios_base::openmode mode) {
    if (isOpen()) return false;
    const OpenFlags flags = openFlags(mode);
    if (!flags.valid) {
        tesAssertReport(kNoDirectionText, kTesSourceName, kNoDirectionLine);
        return false;
    }
    const int fd = tesFdOpen(path, flags.flags);
    if (fd < 0) return false;
    if ((mode & std::ios_base::ate) != 0) tesFdSeek(fd, 0, TesSeekOrigin::kEnd);
    return openDescriptor(fd, mode);
}

bool TesFdStreambuf::open(const char16_t* path, std::ios_base::openmode mode) {
    if (path == nullptr) return false;
    return open(tesNativePath(path).c_str(), mode);
}

bool TesFdStreambuf::attach(int fd, std::ios_base::openmode mode) {
    if (isOpen() || fd < 0) return false;
    return openDescriptor(fd, mode);
}

bool TesFdStreambuf::openDescriptor(int fd, std::ios_base::openmode mode) {
    fd_ = fd;
    if (buffer_ == nullptr) {
        ownedBuffer_ = std::make_unique<char[]>(static_cast<size_t>(kBufferSize));
        buffer_ = ownedBuffer_.get();
        bufferSize_ = kBufferSize;
    }
    mode_ = mode & (std::ios_base::in | std::ios_base::out);
    resetAreas();
    return true;
}

bool TesFdStreambuf::close() {
    if (!isOpen()) return false;
    const bool written = !writing_ || writePending();
    const bool closed = tesFdClose(fd_);
    fd_ = -1;
    mode_ = {};
    resetAreas();
    return written && closed;
}

void TesFdStreambuf::resetAreas() {
    setg(nullptr, nullptr, nullptr);
    setp(nullptr, nullptr);
    reading_ = false;
    writing_ = false;
}

void TesFdStreambuf::setBuffer(char* buffer, std::streamsize size) {
    if (writing_) writePending();
    setg(nullptr, nullptr, nullptr);
    setp(nullptr, nullptr);
    ownedBuffer_.reset();
    if (buffer == nullptr || size < 1) {
        buffer_ = &unbuffered_;
        bufferSize_ = 1;
    } else {
        buffer_ = buffer;
        bufferSize_ = size;
    }
}

std::streambuf* TesFdStreambuf::setbuf(char* buffer, std::streamsize size) {
    setBuffer(buffer, size);
    return this;
}

std::streamsize TesFdStreambuf::readRaw(char* buffer, std::streamsize size) {
    if (!isOpen() || size <= 0) return 0;
    return readSome(buffer, size);
}

std::streamsize TesFdStreambuf::writeAll(const char* data, std::streamsize size) {
    std::streamsize done = 0;
    while (done < size) {
        const int64_t put = tesFdWrite(fd_, data + done, std::min(size - done, kMaxTransfer));
        if (put <= 0) break;
        done += put;
    }
    return done;
}

std::streamsize TesFdStreambuf::readSome(char* data, std::streamsize size) {
    std::streamsize done = 0;
    while (done < size) {
        const int64_t got = tesFdRead(fd_, data + done, std::min(size - done, kMaxTransfer));
        if (got <= 0) break;
        done += got;
    }
    return done;
}

bool TesFdStreambuf::writePending() {
    const std::streamsize pending = pptr() - pbase();
    const bool complete = pending == 0 || writeAll(pbase(), pending) == pending;
    if (pbase() != nullptr) setp(buffer_, buffer_ + bufferSize_ - 1);
    return complete;
}

// The put area is the buffer less its last byte, so that the character that
// overflows can join the area and go out in one write.
TesFdStreambuf::int_type TesFdStreambuf::overflow(int_type c) {
    if (!isOpen() || !canWrite()) return Traits::eof();
    writing_ = true;
    const bool hasChar = !Traits::eq_int_type(c, Traits::eof());
    if (pbase() == nullptr) {
        if (bufferSize_ > 1) {
            setp(buffer_, buffer_ + bufferSize_ - 1);
            if (hasChar) sputc(Traits::to_char_type(c));
            return Traits::not_eof(c);
        }
        const char single = Traits::to_char_type(c);
        if (hasChar && writeAll(&single, 1) != 1) return Traits::eof();
        return Traits::not_eof(c);
    }
    if (hasChar) {
        *pptr() = Traits::to_char_type(c);
        pbump(1);
    }
    return writePending() ? Traits::not_eof(c) : Traits::eof();
}

TesFdStreambuf::int_type TesFdStreambuf::underflow() {
    if (!isOpen() || !canRead()) return Traits::eof();
    reading_ = true;
    if (gptr() != nullptr && gptr() < egptr()) return Traits::to_int_type(*gptr());
    const int64_t got = tesFdRead(fd_, buffer_, std::min(bufferSize_, kMaxTransfer));
    if (got <= 0) {
        setg(nullptr, nullptr, nullptr);
        return Traits::eof();
    }
    setg(buffer_, buffer_, buffer_ + got);
    return Traits::to_int_type(*gptr());
}

TesFdStreambuf::int_type TesFdStreambuf::uflow() {
    if (!isOpen() || !canRead()) return Traits::eof();
    reading_ = true;
    char single = 0;
    if (tesFdRead(fd_, &single, 1) != 1) return Traits::eof();
    return Traits::to_int_type(single);
}

// Steps back over the byte just read: inside the get area when possible,
// otherwise on the descriptor. The position stays stepped back even when the
// byte found differs from `c`.
TesFdStreambuf::int_type TesFdStreambuf::pbackfail(int_type c) {
    if (!isOpen() || writing_ || ((mode_ & std::ios_base::in) == 0 && !reading_)) return Traits::eof();
    int_type found;
    if (gptr() != nullptr && gptr() > eback()) {
        gbump(-1);
        found = Traits::to_int_type(*gptr());
    } else {
        const std::streamsize unread = gptr() != nullptr ? egptr() - gptr() : 0;
        if (tesFdSeek(fd_, -unread - 1, TesSeekOrigin::kCurrent) < 0) return Traits::eof();
        setg(nullptr, nullptr, nullptr);
        found = underflow();
    }
    const bool hasChar = !Traits::eq_int_type(c, Traits::eof());
    if (hasChar && !Traits::eq_int_type(c, found)) return Traits::eof();
    return Traits::not_eof(found);
}

std::streamsize TesFdStreambuf::showmanyc() { return reading_ && gptr() != nullptr ? egptr() - gptr() : -1; }

std::streamsize TesFdStreambuf::xsgetn(char* buffer, std::streamsize size) {
    if (!isOpen() || !canRead() || size <= 0) return 0;
    reading_ = true;
    const std::streamsize buffered = gptr() != nullptr ? std::min(size, egptr() - gptr()) : 0;
    if (buffered > 0) {
        std::memcpy(buffer, gptr(), static_cast<size_t>(buffered));
        gbump(static_cast<int>(buffered));
    }
    return buffered + readSome(buffer + buffered, size - buffered);
}

std::streamsize TesFdStreambuf::xsputn(const char* buffer, std::streamsize size) {
    if (!isOpen() || !canWrite() || size <= 0) return 0;
    writing_ = true;
    if (!writePending()) return 0;
    return writeAll(buffer, size);
}

TesFdStreambuf::pos_type TesFdStreambuf::seekoff(off_type offset, std::ios_base::seekdir direction,
                                                 std::ios_base::openmode) {
    if (!isOpen()) return pos_type(off_type(-1));
    if (writing_) writePending();
    if (direction == std::ios_base::cur && gptr() != nullptr) offset -= egptr() - gptr();
    resetAreas();
    return pos_type(off_type(tesFdSeek(fd_, offset, seekOrigin(direction))));
}

TesFdStreambuf::pos_type TesFdStreambuf::seekpos(pos_type position, std::ios_base::openmode which) {
    return seekoff(off_type(position), std::ios_base::beg, which);
}

int TesFdStreambuf::sync() {
    if (!isOpen() || !writing_) return 0;
    return writePending() ? 0 : -1;
}
