#include "binio.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <ostream>
#include <string>

#include "nelrealloc.h"
#include "os/fileio.h"
#include "os/nativepath.h"
#include "tesassert.h"

namespace {

constexpr const char* kTesSourceName = "src/tesbasictypes/binio";
constexpr const char* kMagicMismatchText = "magic_ == magic";
constexpr int kMagicMismatchLine = 578;
constexpr const char* kInputFileMode = "rb";
// Created or truncated, read and write; the commit on flush is done by
// BinOutputFile::flush (the C library has no mode letter for it here).
constexpr const char* kOutputFileMode = "w+b";
// The C stream's own buffer for files opened by path: large enough that the
// 1024-byte transfers of the streams cost few system calls.
constexpr int32_t kStdioBufferSize = 0x10000;
constexpr size_t kMatrixGroups = 4;
constexpr size_t kMatrixGroupSize = 4;

std::atomic<BinIO_Scrambler*>& scramblerSlot() {
    static std::atomic<BinIO_Scrambler*> slot{nullptr};
    return slot;
}

template <class T>
using Bits = binio_detail::Bits<T>;

// Native values to big-endian bytes at `out`, sizeof(T) bytes each.
template <class T>
void storeBigEndian(const T* values, size_t count, uint8_t* out) {
    for (size_t i = 0; i < count; ++i) {
        const Bits<T> swapped = tesByteSwap(std::bit_cast<Bits<T>>(values[i]));
        std::memcpy(out + i * sizeof(T), &swapped, sizeof(T));
    }
}

template <class T>
void loadBigEndian(const uint8_t* in, size_t count, T* values) {
    for (size_t i = 0; i < count; ++i) {
        Bits<T> stored;
        std::memcpy(&stored, in + i * sizeof(T), sizeof(T));
        values[i] = std::bit_cast<T>(tesByteSwap(stored));
    }
}

std::FILE* openPath(const char16_t* path, const char* mode) {
    if (path == nullptr) return nullptr;
    return tesFileOpen(tesNativePath(path).c_str(), mode);
}

struct BufferedFile {
    std::FILE* file;
    char* buffer;  // null when the C library keeps its own
};

// Opens `path` with a buffer of kStdioBufferSize, set before any transfer.
BufferedFile openBuffered(const char16_t* path, const char* mode) {
    std::FILE* file = openPath(path, mode);
    if (file == nullptr) return {nullptr, nullptr};
    char* buffer = nullptr;
    nelMalloc(buffer, kStdioBufferSize);
    if (std::setvbuf(file, buffer, _IOFBF, kStdioBufferSize) != 0) {
        nelFree(buffer);
        buffer = nullptr;
    }
    return {file, buffer};
}

// The position of a C stream, 0 when it has none (a pipe).
int64_t positionOf(std::FILE* file) { return std::max<int64_t>(0, tesFileTell(file)); }

TesSeekOrigin seekOrigin(bool fromStart) { return fromStart ? TesSeekOrigin::kStart : TesSeekOrigin::kEnd; }

}  // namespace

BinIO_Scrambler::~BinIO_Scrambler() = default;

void setScrambler(BinIO_Scrambler* scrambler) {
    BinIO_Scrambler* previous = scramblerSlot().exchange(scrambler);
    if (previous != scrambler) delete previous;
}

BinIO_Scrambler* currentScrambler() { return scramblerSlot().load(std::memory_order_acquire); }

BinInput::~BinInput() = default;

size_t BinInput::readMedium(uint8_t* buffer, size_t bytes) {
    BinIO_Scrambler* scrambler = currentScrambler();
    const int64_t position = scrambler != nullptr ? rawTell() : 0;
    const size_t got = std::min(rawRead(buffer, bytes), bytes);
    if (scrambler != nullptr) scrambler->unscramble(buffer, position, got);
    return got;
}

bool BinInput::completeValue(size_t have, size_t width) {
    while (have < width) {
        const size_t got = readMedium(buffer_ + have, width - have);
        if (got == 0) return false;
        have += got;
    }
    return true;
}

template <class T>
bool BinInput::readValues(T* values, size_t count) {
    constexpr size_t width = sizeof(T);
    size_t done = 0;
    while (done < count) {
        const size_t remaining = count - done;
        const size_t request = remaining > kBufferSize / width ? kBufferSize : remaining * width;
        const size_t got = readMedium(buffer_, request);
        if (got == 0) return false;
        const size_t whole = got / width;
        loadBigEndian(buffer_, whole, values + done);
        done += whole;
        const size_t partial = got - whole * width;
        if (partial == 0) continue;
        std::memmove(buffer_, buffer_ + whole * width, partial);
        if (!completeValue(partial, width)) return false;
        loadBigEndian(buffer_, 1, values + done);
        ++done;
    }
    return true;
}

bool BinInput::read(char* values, size_t count) { return readValues(values, count); }
bool BinInput::read(signed char* values, size_t count) { return readValues(values, count); }
bool BinInput::read(unsigned char* values, size_t count) { return readValues(values, count); }
bool BinInput::read(int16_t* values, size_t count) { return readValues(values, count); }
bool BinInput::read(uint16_t* values, size_t count) { return readValues(values, count); }
bool BinInput::read(int32_t* values, size_t count) { return readValues(values, count); }
bool BinInput::read(uint32_t* values, size_t count) { return readValues(values, count); }
bool BinInput::read(uint64_t* values, size_t count) { return readValues(values, count); }
bool BinInput::read(float* values, size_t count) { return readValues(values, count); }
bool BinInput::read(double* values, size_t count) { return readValues(values, count); }

bool BinInput::read(TesMatrix& matrix) {
    for (size_t group = 0; group < kMatrixGroups; ++group) {
        if (!read(matrix.data() + group * kMatrixGroupSize, kMatrixGroupSize)) return false;
    }
    return true;
}

size_t BinInput::readRaw(void* buffer, size_t bytes) {
    return readMedium(static_cast<uint8_t*>(buffer), bytes);
}

size_t BinInput::readChunk(const uint8_t*& chunk, size_t bytes) {
    chunk = buffer_;
    return readMedium(buffer_, std::min(bytes, kBufferSize));
}

int32_t BinInput::peekWord() {
    int32_t word = 0;
    if (!read(&word, 1)) return -1;
    seek(tell() - static_cast<int64_t>(sizeof(word)), true);
    return word;
}

bool BinInput::setSizeWidth32() {
    if (sizeWidth_ != 0) return false;
    sizeWidth_ = 32;
    return true;
}

bool BinInput::setSizeWidth64() {
    if (sizeWidth_ != 0) return false;
    sizeWidth_ = 64;
    return true;
}

BinOutput::~BinOutput() = default;

bool BinOutput::flush() { return false; }

bool BinOutput::isSequential() { return false; }

bool BinOutput::flushBuffer() {
    if (pending_ == 0) return true;
    if (BinIO_Scrambler* scrambler = currentScrambler()) scrambler->scramble(buffer_, rawTell(), pending_);
    const bool written = rawWrite(buffer_, pending_) != 0;
    pending_ = 0;
    return written;
}

template <class T>
bool BinOutput::writeValues(const T* values, size_t count) {
    constexpr size_t width = sizeof(T);
    size_t done = 0;
    while (done < count) {
        if (freeBytes() < kEarlyFlushFree && !flushBuffer()) return false;
        const size_t fit = std::min(freeBytes() / width, count - done);
        if (fit == 0) return false;
        storeBigEndian(values + done, fit, buffer_ + pending_);
        pending_ += fit * width;
        done += fit;
        if (pending_ == kBufferSize && !flushBuffer()) return false;
    }
    return true;
}

bool BinOutput::write(const char* values, size_t count) { return writeValues(values, count); }
bool BinOutput::write(const signed char* values, size_t count) { return writeValues(values, count); }
bool BinOutput::write(const unsigned char* values, size_t count) { return writeValues(values, count); }
bool BinOutput::write(const int16_t* values, size_t count) { return writeValues(values, count); }
bool BinOutput::write(const uint16_t* values, size_t count) { return writeValues(values, count); }
bool BinOutput::write(const int32_t* values, size_t count) { return writeValues(values, count); }
bool BinOutput::write(const uint32_t* values, size_t count) { return writeValues(values, count); }
bool BinOutput::write(const uint64_t* values, size_t count) { return writeValues(values, count); }
bool BinOutput::write(const float* values, size_t count) { return writeValues(values, count); }
bool BinOutput::write(const double* values, size_t count) { return writeValues(values, count); }

bool BinOutput::write(const TesMatrix& matrix) {
    for (size_t group = 0; group < kMatrixGroups; ++group) {
        if (!write(matrix.data() + group * kMatrixGroupSize, kMatrixGroupSize)) return false;
    }
    return true;
}

bool BinOutput::writeRaw(const void* bytes, size_t count) {
    const auto* source = static_cast<const uint8_t*>(bytes);
    while (count > 0) {
        const size_t piece = std::min(count, freeBytes());
        std::memcpy(buffer_ + pending_, source, piece);
        pending_ += piece;
        source += piece;
        count -= piece;
        if (pending_ == kBufferSize && !flushBuffer()) return false;
    }
    return true;
}

size_t BinOutput::reserve(uint8_t*& area, size_t bytes) {
    if (freeBytes() < kEarlyFlushFree) flushBuffer();
    area = buffer_ + pending_;
    return std::min(bytes, freeBytes());
}

bool BinOutput::commit(size_t bytes) {
    if (bytes > freeBytes()) return false;
    pending_ += bytes;
    return pending_ == kBufferSize ? flushBuffer() : true;
}

bool BinOutput::seek(int64_t position, bool fromStart) {
    const bool flushed = flushBuffer();
    return rawSeek(position, fromStart) && flushed;
}

size_t BinOutput::readBack(void* buffer, size_t bytes) {
    flushBuffer();
    BinIO_Scrambler* scrambler = currentScrambler();
    const int64_t position = scrambler != nullptr ? rawTell() : 0;
    const size_t got = std::min(rawRead(buffer, bytes), bytes);
    if (scrambler != nullptr) scrambler->unscramble(static_cast<uint8_t*>(buffer), position, got);
    return got;
}

bool BinOutput::overwritePending(int64_t position, const void* bytes, size_t count) {
    const int64_t pendingStart = rawTell();
    if (position < pendingStart || count > pending_) return false;
    const auto offset = static_cast<size_t>(position - pendingStart);
    if (offset > pending_ - count) return false;
    std::memcpy(buffer_ + offset, bytes, count);
    return true;
}

bool BinOutput::close() {
    const bool flushed = flushBuffer();
    return rawClose() && flushed;
}

BinMagic::BinMagic(int32_t tag, int32_t version)
    : magic_(tag < 0 ? tag
                     : static_cast<int32_t>((static_cast<uint32_t>(tag) << 8) | static_cast<uint32_t>(version))) {}

bool BinMagic::write(BinOutput& out) const { return out.write(&magic_, 1); }

bool BinMagic::readExpect(BinInput& in, const BinMagic& magic) {
    int32_t word = 0;
    in.read(&word, 1);
    magic_ = word;
    if (magic_ == magic.magic_) return true;
    tesAssertReport(kMagicMismatchText, kTesSourceName, kMagicMismatchLine);
    return false;
}

bool BinMagic::readCompatible(BinInput& in) {
    int32_t word = 0;
    if (!in.read(&word, 1)) return false;
    const bool sameTag = BinMagic(word).tag() == tag();
    magic_ = word;
    return sameTag;
}

bool BinMagic::readExact(BinInput& in, const BinMagic& magic) {
    int32_t word = 0;
    const bool complete = in.read(&word, 1);
    magic_ = word;
    return complete && magic_ == magic.magic_;
}

std::ostream& operator<<(std::ostream& out, const BinMagic& magic) {
    return out << magic.tag() << ' ' << magic.version();
}

BinInputFile::BinInputFile(const char16_t* path) {
    const BufferedFile opened = openBuffered(path, kInputFileMode);
    file_ = opened.file;
    stdioBuffer_ = opened.buffer;
    measureLength();
}

BinInputFile::BinInputFile(std::FILE* file) : file_(file) { measureLength(); }

void BinInputFile::measureLength() {
    if (file_ == nullptr) return;
    if (tesFileSeek(file_, 0, TesSeekOrigin::kEnd)) setLength(positionOf(file_));
    tesFileSeek(file_, 0, TesSeekOrigin::kStart);
    position_ = positionOf(file_);
}

BinInputFile::~BinInputFile() { BinInputFile::close(); }

size_t BinInputFile::rawRead(void* buffer, size_t bytes) {
    if (file_ == nullptr || bytes == 0) return 0;
    const size_t got = std::fread(buffer, 1, bytes, file_);
    position_ += static_cast<int64_t>(got);
    return got;
}

int64_t BinInputFile::rawTell() { return position_; }

bool BinInputFile::rawSeek(int64_t position, bool fromStart) {
    if (file_ == nullptr) return false;
    if (fromStart && position == position_) return true;  // a reader closing a block it read to the end
    const bool moved = tesFileSeek(file_, position, seekOrigin(fromStart));
    position_ = moved && fromStart ? position : positionOf(file_);
    return moved;
}

bool BinInputFile::ok() { return file_ != nullptr && std::ferror(file_) == 0; }

void BinInputFile::close() {
    if (file_ == nullptr) return;
    std::fclose(file_);
    file_ = nullptr;
    position_ = 0;
    nelFree(stdioBuffer_);
    stdioBuffer_ = nullptr;
}

BinOutputFile::BinOutputFile(const char16_t* path) : commitOnFlush_(true) {
    const BufferedFile opened = openBuffered(path, kOutputFileMode);
    file_ = opened.file;
    stdioBuffer_ = opened.buffer;
}

BinOutputFile::BinOutputFile(std::FILE* file) : file_(file), position_(file != nullptr ? positionOf(file) : 0) {}

BinOutputFile::~BinOutputFile() { BinOutput::close(); }

void BinOutputFile::switchTo(LastTransfer next) {
    if (last_ == LastTransfer::kWrite && next == LastTransfer::kRead) std::fflush(file_);
    if (last_ == LastTransfer::kRead && next == LastTransfer::kWrite) tesFileSeek(file_, 0, TesSeekOrigin::kCurrent);
    last_ = next;
}

bool BinOutputFile::flush() {
    const bool flushed = flushBuffer();
    if (file_ == nullptr) return false;
    last_ = LastTransfer::kNone;
    const bool streamFlushed = commitOnFlush_ ? tesFileCommit(file_) : std::fflush(file_) == 0;
    return streamFlushed && flushed;
}

size_t BinOutputFile::rawWrite(const void* buffer, size_t bytes) {
    if (file_ == nullptr || bytes == 0) return 0;
    switchTo(LastTransfer::kWrite);
    const size_t put = std::fwrite(buffer, 1, bytes, file_);
    position_ += static_cast<int64_t>(put);
    return put;
}

size_t BinOutputFile::rawRead(void* buffer, size_t bytes) {
    if (file_ == nullptr || bytes == 0) return 0;
    switchTo(LastTransfer::kRead);
    const size_t got = std::fread(buffer, 1, bytes, file_);
    position_ += static_cast<int64_t>(got);
    return got;
}

int64_t BinOutputFile::rawTell() { return position_; }

bool BinOutputFile::rawSeek(int64_t position, bool fromStart) {
    if (file_ == nullptr) return false;
    last_ = LastTransfer::kNone;
    const bool moved = tesFileSeek(file_, position, seekOrigin(fromStart));
    position_ = moved && fromStart ? position : positionOf(file_);
    return moved;
}

bool BinOutputFile::ok() { return file_ != nullptr && std::ferror(file_) == 0; }

bool BinOutputFile::rawClose() {
    if (file_ == nullptr) return false;
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    position_ = 0;
    nelFree(stdioBuffer_);
    stdioBuffer_ = nullptr;
    return closed;
}
