// A standard stream buffer over an operating-system file descriptor, and the
// three standard streams built on it.
//
// Open modes map to descriptor flags as follows: in and out -> read-write and
// create; in only -> read-only; out only -> write-only and create; neither ->
// an assertion, and the open fails. Truncation is added unless the mode has
// in, ate or app and not trunc; app appends; ate starts at the end. POSIX has
// no text mode, so a mode without binary behaves exactly like one with it, and
// no file locks are taken (other openers are never denied). A created file is
// readable and writable by its owner only.
//
// The buffer is either reading or writing until the next seek: output is
// refused while reading and input while writing. Bulk transfers (xsgetn,
// xsputn, readRaw) go straight to the descriptor.
#pragma once

#include <ios>
#include <istream>
#include <memory>
#include <ostream>
#include <streambuf>

#include "os/fileio.h"

class TesFdStreambuf : public std::streambuf {
public:
    static constexpr std::streamsize kBufferSize = 1024;

    TesFdStreambuf() = default;
    TesFdStreambuf(const TesFdStreambuf&) = delete;
    TesFdStreambuf& operator=(const TesFdStreambuf&) = delete;
    // Closes the descriptor.
    ~TesFdStreambuf() override;

    // The descriptor flags for a standard open mode; `valid` is false for a
    // mode with neither in nor out.
    struct OpenFlags {
        bool valid = false;
        TesFdOpenFlags flags;
    };
    static OpenFlags openFlags(std::ios_base::openmode mode);

    // Narrow paths are UTF-8, wide paths UTF-16. False when the buffer is
    // already open, the mode has neither in nor out, or the file cannot be
    // opened.
    bool open(const char* path, std::ios_base::openmode mode);
    bool open(const char16_t* path, std::ios_base::openmode mode);
    // Takes ownership of an open descriptor; false when already open or fd < 0.
    bool attach(int fd, std::ios_base::openmode mode);
    bool isOpen() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    // Writes pending output and closes the descriptor; false when either failed
    // or nothing was open.
    bool close();

    // Replaces the buffer by the caller's, which must outlive its use here;
    // pending output is written first. A null buffer or a size below 1 makes
    // the buffer unbuffered (one byte).
    virtual void setBuffer(char* buffer, std::streamsize size);
    // Reads straight from the descriptor, bypassing the get area: the bytes
    // read, 0 at the end or on error.
    std::streamsize readRaw(char* buffer, std::streamsize size);

protected:
    std::streambuf* setbuf(char* buffer, std::streamsize size) override;
    int_type overflow(int_type c) override;
    int_type underflow() override;
    // Reads exactly one byte from the descriptor.
    int_type uflow() override;
    int_type pbackfail(int_type c) override;
    std::streamsize showmanyc() override;
    std::streamsize xsgetn(char* buffer, std::streamsize size) override;
    std::streamsize xsputn(const char* buffer, std::streamsize size) override;
    // A position query (offset 0 from the current position) while the get area
    // still holds unread bytes answers the position of the next unread byte.
    pos_type seekoff(off_type offset, std::ios_base::seekdir direction,
                     std::ios_base::openmode which = std::ios_base::in | std::ios_base::out) override;
    pos_type seekpos(pos_type position,
                     std::ios_base::openmode which = std::ios_base::in | std::ios_base::out) override;
    int sync() override;

private:
    bool canRead() const { return (mode_ & std::ios_base::in) != 0 && !writing_; }
    bool canWrite() const { return (mode_ & std::ios_base::out) != 0 && !reading_; }
    bool openDescriptor(int fd, std::ios_base::openmode mode);
    // Writes the put area and empties it; false on a short write.
    bool writePending();
    void resetAreas();
    // Whole transfers in pieces of at most 0x7FFFFFFF bytes.
    std::streamsize writeAll(const char* data, std::streamsize size);
    std::streamsize readSome(char* data, std::streamsize size);

    int fd_ = -1;
    std::ios_base::openmode mode_{};
    bool reading_ = false;
    bool writing_ = false;
    char* buffer_ = nullptr;
    std::streamsize bufferSize_ = 0;
    std::unique_ptr<char[]> ownedBuffer_;
    char unbuffered_ = 0;
};

// A standard stream (std::iostream, std::istream or std::ostream) over one
// TesFdStreambuf. The mode is passed through as given: no in or out is added.
// A failed open sets failbit and badbit; destruction closes the descriptor.
template <class Stream>
class TesFdStream : public Stream {
public:
    TesFdStream() : Stream(nullptr) { this->init(&buffer_); }
    TesFdStream(const char* path, std::ios_base::openmode mode) : TesFdStream() { open(path, mode); }
    TesFdStream(const char16_t* path, std::ios_base::openmode mode) : TesFdStream() { open(path, mode); }

    bool open(const char* path, std::ios_base::openmode mode) { return opened(buffer_.open(path, mode)); }
    bool open(const char16_t* path, std::ios_base::openmode mode) { return opened(buffer_.open(path, mode)); }
    bool isOpen() const { return buffer_.isOpen(); }
    void close() {
        if (!buffer_.close()) this->setstate(std::ios_base::failbit);
    }
    TesFdStreambuf* rdbuf() const { return const_cast<TesFdStreambuf*>(&buffer_); }

private:
    bool opened(bool success) {
        if (success) {
            this->clear();
        } else {
            this->setstate(std::ios_base::failbit | std::ios_base::badbit);
        }
        return success;
    }

    TesFdStreambuf buffer_;
};

using TesFstream = TesFdStream<std::iostream>;
using TesIfstream = TesFdStream<std::istream>;
using TesOfstream = TesFdStream<std::ostream>;
