// Big-endian binary streams. BinInput and BinOutput turn typed arrays into
// big-endian bytes and back over a medium that a subclass supplies;
// BinInputFile and BinOutputFile put them on C file streams. Every byte on its
// way to or from a medium passes through the process-wide scrambler, when one
// is installed. BinMagic is the tag-and-version word that opens typed records.
//
// Output is collected in a 1024-byte buffer and flushed early, before a typed
// write, when fewer than 256 bytes are free. Input keeps no read-ahead: it reads
// exactly the bytes asked for, in pieces of at most 1024, so its position is
// always the medium's position. Failures are results (false, short counts).
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <iosfwd>
#include <type_traits>

#include "tesmatrix.h"

// The one byte swap of the library.
template <class T>
constexpr T tesByteSwap(T value) {
    static_assert(std::is_integral_v<T>);
    using U = std::make_unsigned_t<T>;
    const auto bits = static_cast<U>(value);
    if constexpr (sizeof(T) == 1) {
        return value;
    } else if constexpr (sizeof(T) == 2) {
        return static_cast<T>(__builtin_bswap16(bits));
    } else if constexpr (sizeof(T) == 4) {
        return static_cast<T>(__builtin_bswap32(bits));
    } else {
        static_assert(sizeof(T) == 8);
        return static_cast<T>(__builtin_bswap64(bits));
    }
}

// Converters for any stream width (1 to 8 bytes and beyond). A stored value of
// `width` big-endian bytes becomes a native T: integers are sign-extended
// (signed T) or zero-extended from `width` bytes and truncated to T; floating
// point takes the stored bytes reversed as its own. Width 0 gives 0.
template <class T>
T tesFromBigEndian(const uint8_t* bytes, size_t width);
// A native value into `width` big-endian bytes: the low `width` bytes of the
// value, or the value extended (with its sign, for signed T) when wider.
template <class T>
void tesToBigEndian(T value, uint8_t* bytes, size_t width);

// Applied to every block on its way to (scramble) or from (unscramble) a
// medium, in place, with the medium position of the block's first byte.
class BinIO_Scrambler {
public:
    virtual ~BinIO_Scrambler();
    virtual void scramble(uint8_t* buffer, int64_t position, size_t bytes) = 0;
    virtual void unscramble(uint8_t* buffer, int64_t position, size_t bytes) = 0;
};

// Installs `scrambler` (null: none) and takes ownership; the previous one is
// deleted. Installing the current one again does nothing. Install before any
// stream is in use: streams read the pointer on every transfer.
void setScrambler(BinIO_Scrambler* scrambler);
BinIO_Scrambler* currentScrambler();

class BinInput {
public:
    static constexpr size_t kBufferSize = 1024;

    BinInput() = default;
    BinInput(const BinInput&) = delete;
    BinInput& operator=(const BinInput&) = delete;
    virtual ~BinInput();

    // The medium, in slot order. rawRead returns the bytes read, 0 at the end
    // or on error; rawSeek goes to `position` from the start, or relative to
    // the end when `fromStart` is false.
    virtual size_t rawRead(void* buffer, size_t bytes) = 0;
    virtual int64_t rawTell() = 0;
    virtual bool rawSeek(int64_t position, bool fromStart) = 0;
    // False when the medium reports an error; the end of the input is none.
    virtual bool ok() = 0;
    virtual void close() = 0;

    // True when all `count` values were read. A short read stores the whole
    // values that arrived and leaves the rest, including an incomplete last
    // value, untouched.
    bool read(char* values, size_t count);
    bool read(signed char* values, size_t count);
    bool read(unsigned char* values, size_t count);
    bool read(int16_t* values, size_t count);
    bool read(uint16_t* values, size_t count);
    bool read(int32_t* values, size_t count);
    bool read(uint32_t* values, size_t count);
    bool read(uint64_t* values, size_t count);
    bool read(float* values, size_t count);
    bool read(double* values, size_t count);
    // A 4 x 4 matrix, row by row, as four groups of four; true when all four
    // groups were read.
    bool read(TesMatrix& matrix);

    // One raw read straight into `buffer`: the bytes read.
    size_t readRaw(void* buffer, size_t bytes);
    // One raw read of at most min(bytes, 1024) into the work buffer; `chunk`
    // points to it. Valid until the next read.
    size_t readChunk(const uint8_t*& chunk, size_t bytes);
    // The next signed 32-bit value without consuming it; -1 (0xFFFFFFFF) when
    // it cannot be read.
    int32_t peekWord();

    bool seek(int64_t position, bool fromStart) { return rawSeek(position, fromStart); }
    int64_t tell() { return rawTell(); }
    // Total length of the input; 0 when the subclass does not know it.
    int64_t length() const { return length_; }

    // Width of the size fields of the data-model format: 0 while not fixed,
    // else 32 or 64. The two setters fix it only while it is 0.
    uint32_t sizeWidth() const { return sizeWidth_; }
    bool setSizeWidth32();
    bool setSizeWidth64();
    void setSizeWidth(uint32_t width) { sizeWidth_ = width; }

protected:
    void setLength(int64_t length) { length_ = length; }

private:
    template <class T>
    bool readValues(T* values, size_t count);
    // Completes a value of `width` bytes whose first `have` bytes are at the
    // start of the work buffer.
    bool completeValue(size_t have, size_t width);
    // One raw read, unscrambled with the position the bytes came from.
    size_t readMedium(uint8_t* buffer, size_t bytes);

    uint8_t buffer_[kBufferSize];
    int64_t length_ = 0;
    uint32_t sizeWidth_ = 0;
};

class BinOutput {
public:
    static constexpr size_t kBufferSize = 1024;
    // A typed write or reserve flushes first when fewer bytes than this are free.
    static constexpr size_t kEarlyFlushFree = 256;

    BinOutput() = default;
    BinOutput(const BinOutput&) = delete;
    BinOutput& operator=(const BinOutput&) = delete;
    virtual ~BinOutput();

    // Writes what is pending and flushes the medium; the base has no medium
    // to flush and returns false.
    virtual bool flush();
    // True for a medium that cannot seek back to patch what it wrote (a pipe,
    // a socket). False in the base and the file stream; nothing asks it yet.
    virtual bool isSequential();
    // The medium, in slot order. rawWrite and rawRead return the bytes moved.
    virtual size_t rawWrite(const void* buffer, size_t bytes) = 0;
    virtual size_t rawRead(void* buffer, size_t bytes) = 0;
    virtual int64_t rawTell() = 0;
    virtual bool rawSeek(int64_t position, bool fromStart) = 0;
    virtual bool ok() = 0;
    virtual bool rawClose() = 0;

    // Big-endian; false at the first failed flush (values stored before it in
    // the buffer stay pending).
    bool write(const char* values, size_t count);
    bool write(const signed char* values, size_t count);
    bool write(const unsigned char* values, size_t count);
    bool write(const int16_t* values, size_t count);
    bool write(const uint16_t* values, size_t count);
    bool write(const int32_t* values, size_t count);
    bool write(const uint32_t* values, size_t count);
    bool write(const uint64_t* values, size_t count);
    bool write(const float* values, size_t count);
    bool write(const double* values, size_t count);
    // A 4 x 4 matrix, row by row, as four groups of four.
    bool write(const TesMatrix& matrix);

    // Bytes as they are, through the buffer without the early flush; false
    // when a full buffer could not be written.
    bool writeRaw(const void* bytes, size_t count);
    // The free area of the buffer (flushed first when fewer than 256 bytes are
    // free) and how many of `bytes` may be placed there.
    size_t reserve(uint8_t*& area, size_t bytes);
    // Accepts `bytes` placed after reserve; a buffer filled to 1024 is flushed
    // and the flush's result returned. False, and nothing accepted, when
    // `bytes` exceeds the free area.
    bool commit(size_t bytes);

    // The logical position: the medium's position plus the pending bytes.
    int64_t tell() { return rawTell() + static_cast<int64_t>(pending_); }
    bool seek(int64_t position, bool fromStart);
    // Writes what is pending, then reads from the medium at its position.
    size_t readBack(void* buffer, size_t bytes);
    // Replaces `count` bytes at stream position `position` while they are still
    // pending in the buffer, so a writer can patch what it wrote a moment ago
    // without a seek. False, with nothing changed, when they are not all there.
    bool overwritePending(int64_t position, const void* bytes, size_t count);
    // Format version of the data-model writer on this stream.
    uint32_t version() const { return version_; }
    void setVersion(uint32_t version) { version_ = version; }
    // Writes what is pending, then closes the medium.
    bool close();

protected:
    // Writes what is pending (scrambled) to the medium; true when nothing was
    // pending or the medium took some of it. Empties the buffer either way.
    bool flushBuffer();
    size_t pending() const { return pending_; }

private:
    template <class T>
    bool writeValues(const T* values, size_t count);
    size_t freeBytes() const { return kBufferSize - pending_; }

    uint8_t buffer_[kBufferSize];
    size_t pending_ = 0;
    uint32_t version_ = 0;
};

// Tag and version in one 32-bit word: (tag << 8) | version.
class BinMagic {
public:
    BinMagic() = default;
    explicit BinMagic(int32_t word) : magic_(word) {}
    // A negative tag is stored unchanged (the version is then ignored).
    BinMagic(int32_t tag, int32_t version);

    int32_t word() const { return magic_; }
    // -1 for a negative word.
    int32_t tag() const { return magic_ < 0 ? -1 : magic_ >> 8; }
    int32_t version() const { return magic_ < 0 ? -1 : magic_ & 0xFF; }

    bool write(BinOutput& out) const;
    // Reads the word (0 when it cannot be read) and reports an assertion when
    // it differs from `magic`. True when it matched.
    bool readExpect(BinInput& in, const BinMagic& magic);
    // Reads a word; true when its tag equals the stored tag (versions may
    // differ). The word read replaces the stored one; a failed read leaves it.
    bool readCompatible(BinInput& in);
    // Reads the word (0 when it cannot be read); true when it equals `magic`.
    bool readExact(BinInput& in, const BinMagic& magic);

    friend bool operator==(const BinMagic&, const BinMagic&) = default;

private:
    int32_t magic_ = 0;
};

// "tag version".
std::ostream& operator<<(std::ostream& out, const BinMagic& magic);

// A BinInput on a C file stream, which it owns and closes when destroyed.
class BinInputFile : public BinInput {
public:
    // Opens `path` for binary reading. Without a stream every read gives 0
    // bytes, the length is 0 and ok() is false.
    explicit BinInputFile(const char16_t* path);
    // Takes ownership of `file` (may be null); reading starts at offset 0.
    explicit BinInputFile(std::FILE* file);
    ~BinInputFile() override;

    size_t rawRead(void* buffer, size_t bytes) override;
    int64_t rawTell() override;
    bool rawSeek(int64_t position, bool fromStart) override;
    bool ok() override;
    void close() override;

private:
    void measureLength();

    std::FILE* file_ = nullptr;
    // The C stream's buffer when this object set it; freed after the stream closes.
    char* stdioBuffer_ = nullptr;
    // Kept along with every transfer: asking the C stream costs a system call.
    int64_t position_ = 0;
};

// A BinOutput on a C file stream, which it owns. Destruction writes what is
// still pending and closes the stream.
class BinOutputFile : public BinOutput {
public:
    // Creates or truncates `path` for reading and writing; flush() also
    // commits the data to the storage device.
    explicit BinOutputFile(const char16_t* path);
    // Takes ownership of `file` (may be null).
    explicit BinOutputFile(std::FILE* file);
    ~BinOutputFile() override;

    bool flush() override;
    size_t rawWrite(const void* buffer, size_t bytes) override;
    size_t rawRead(void* buffer, size_t bytes) override;
    int64_t rawTell() override;
    bool rawSeek(int64_t position, bool fromStart) override;
    bool ok() override;
    bool rawClose() override;

private:
    // A C update stream needs a flush or a seek between reading and writing.
    enum class LastTransfer { kNone, kRead, kWrite };
    void switchTo(LastTransfer next);

    std::FILE* file_ = nullptr;
    // The C stream's buffer when this object set it; freed after the stream closes.
    char* stdioBuffer_ = nullptr;
    // Kept along with every transfer: asking the C stream costs a system call.
    int64_t position_ = 0;
    bool commitOnFlush_ = false;
    LastTransfer last_ = LastTransfer::kNone;
};

// Definitions of the converters.

namespace binio_detail {
// The unsigned integer as wide as T: the carrier of T's bytes.
template <size_t Size>
struct UnsignedOfSize;
template <>
struct UnsignedOfSize<1> { using type = uint8_t; };
template <>
struct UnsignedOfSize<2> { using type = uint16_t; };
template <>
struct UnsignedOfSize<4> { using type = uint32_t; };
template <>
struct UnsignedOfSize<8> { using type = uint64_t; };
template <class T>
using Bits = typename UnsignedOfSize<sizeof(T)>::type;
}  // namespace binio_detail

template <class T>
T tesFromBigEndian(const uint8_t* bytes, size_t width) {
    uint64_t value = 0;
    for (size_t i = 0; i < width; ++i) value = (value << 8) | bytes[i];
    if constexpr (std::is_signed_v<T> && std::is_integral_v<T>) {
        const bool negative = width > 0 && width < 8 && (bytes[0] & 0x80) != 0;
        if (negative) value |= ~uint64_t{0} << (width * 8);
    }
    const auto bits = static_cast<binio_detail::Bits<T>>(value);
    if constexpr (std::is_floating_point_v<T>) {
        return std::bit_cast<T>(bits);
    } else {
        return static_cast<T>(bits);
    }
}

template <class T>
void tesToBigEndian(T value, uint8_t* bytes, size_t width) {
    uint64_t bits;
    if constexpr (std::is_floating_point_v<T>) {
        bits = std::bit_cast<binio_detail::Bits<T>>(value);
    } else if constexpr (std::is_signed_v<T>) {
        bits = static_cast<uint64_t>(static_cast<int64_t>(value));
    } else {
        bits = static_cast<uint64_t>(value);
    }
    const bool negative = std::is_signed_v<T> && std::is_integral_v<T> && (bits >> 63) != 0;
    for (size_t i = 0; i < width; ++i) {
        const size_t shift = i * 8;
        const uint8_t extension = negative ? 0xFF : 0x00;
        bytes[width - 1 - i] = shift < 64 ? static_cast<uint8_t>(bits >> shift) : extension;
    }
}
