// The stream property. The first bytes choose the value type, how many bytes
// the medium delivers per read and whether a position-dependent scrambler is
// installed; the rest is the payload. Typed reads of the payload must give what
// a plain decoder gives, and writing the values must give the payload back.
// The payload is also read as string blocks on a bare stream, which must
// survive a write and a second read unchanged.
#include <algorithm>
#include <cstring>
#include <vector>

#include "binio.h"
#include "memorystreams.h"
#include "nelcstring.h"
#include "properties.h"
#include "tesfileread.h"
#include "tesfilewrite.h"
#include "tesmatrix.h"
#include "tesstring.h"

namespace {

constexpr size_t kControlBytes = 3;
constexpr int kValueTypes = 10;
// Reads are cut into pieces of growing size, up to past the 1024-byte buffer.
constexpr size_t kMaxPiece = 3000;
constexpr uint8_t kScramblerBit = 0x01;
constexpr uint8_t kWideSizesBit = 0x02;
constexpr uint32_t kNarrowFormat = 5;
constexpr uint32_t kWideFormat = 0;

// XOR with the low byte of the position: its own inverse.
class XorScrambler : public BinIO_Scrambler {
public:
    void scramble(uint8_t* buffer, int64_t position, size_t bytes) override { apply(buffer, position, bytes); }
    void unscramble(uint8_t* buffer, int64_t position, size_t bytes) override { apply(buffer, position, bytes); }
    static void apply(uint8_t* buffer, int64_t position, size_t bytes) {
        for (size_t i = 0; i < bytes; ++i) buffer[i] ^= static_cast<uint8_t>(position + static_cast<int64_t>(i));
    }
};

class ScramblerScope {
public:
    explicit ScramblerScope(bool on) {
        if (on) setScrambler(new XorScrambler);
    }
    ~ScramblerScope() { setScrambler(nullptr); }
    ScramblerScope(const ScramblerScope&) = delete;
    ScramblerScope& operator=(const ScramblerScope&) = delete;
};

bool fail(std::string& failure, const char* why) {
    failure = why;
    return false;
}

template <class T>
bool sameBits(const std::vector<T>& a, const std::vector<T>& b) {
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0);
}

// Reads all of `values` in pieces of growing size; false when one failed.
template <class T>
bool readInPieces(BinInput& in, std::vector<T>& values) {
    size_t done = 0;
    size_t piece = 1;
    while (done < values.size()) {
        const size_t count = std::min(piece, values.size() - done);
        if (!in.read(values.data() + done, count)) return false;
        done += count;
        piece = std::min(piece * 3 + 1, kMaxPiece);
    }
    return true;
}

template <class T>
bool writeInPieces(BinOutput& out, const std::vector<T>& values) {
    size_t done = 0;
    size_t piece = 2;
    while (done < values.size()) {
        const size_t count = std::min(piece, values.size() - done);
        if (!out.write(values.data() + done, count)) return false;
        done += count;
        piece = std::min(piece * 2 + 1, kMaxPiece);
    }
    return true;
}

template <class T>
std::vector<T> plainDecode(std::vector<uint8_t> bytes, bool scrambled) {
    if (scrambled) XorScrambler::apply(bytes.data(), 0, bytes.size());
    std::vector<T> values(bytes.size() / sizeof(T));
    for (size_t i = 0; i < values.size(); ++i) values[i] = tesFromBigEndian<T>(bytes.data() + i * sizeof(T), sizeof(T));
    return values;
}

template <class T>
bool checkValues(const std::vector<uint8_t>& payload, size_t maxPerRead, bool scrambled, std::string& failure) {
    const ScramblerScope scope(scrambled);
    const std::vector<T> expected = plainDecode<T>(payload, scrambled);
    MemoryInput in(payload, maxPerRead);
    std::vector<T> values(expected.size());
    if (!readInPieces(in, values)) return fail(failure, "a read of values that are there failed");
    if (!sameBits(values, expected)) return fail(failure, "values differ from the plain decoder");
    T extra{};
    if (in.read(&extra, 1)) return fail(failure, "a read past the end succeeded");

    MemoryOutput out;
    if (!writeInPieces(out, values) || !out.flush()) return fail(failure, "writing the values failed");
    const auto wholeBytes = static_cast<std::ptrdiff_t>(values.size() * sizeof(T));
    if (out.bytes != std::vector<uint8_t>(payload.begin(), payload.begin() + wholeBytes)) return fail(failure, "the values written differ from the bytes read");

    MemoryInput again(out.bytes, maxPerRead);
    std::vector<T> reread(values.size());
    if (!readInPieces(again, reread) || !sameBits(reread, values)) return fail(failure, "the values read back differ");
    return true;
}

bool checkWordReads(const std::vector<uint8_t>& payload, std::string& failure) {
    MemoryInput in(payload);
    const int32_t peeked = in.peekWord();
    const bool whole = payload.size() >= sizeof(int32_t);
    if (whole && in.tell() != 0) return fail(failure, "peekWord moved the position");
    BinMagic magic(peeked);
    if (whole != magic.readCompatible(in)) return fail(failure, "a word that is there did not read");
    if (whole && magic.word() != peeked) return fail(failure, "the word read differs from the word peeked");
    if (payload.size() >= 16 * sizeof(double)) {
        MemoryInput matrixInput(payload);
        TesMatrix matrix;
        if (!matrixInput.read(matrix)) return fail(failure, "a matrix that is there did not read");
        const std::vector<double> values = plainDecode<double>({payload.begin(), payload.begin() + 128}, false);
        if (std::memcmp(matrix.data(), values.data(), 128) != 0) return fail(failure, "matrix values differ");
    }
    return true;
}

bool readString(BinInput& in, TesString& text) { return tesReadWString(in, text); }
bool readString(BinInput& in, NelCString& text) { return tesReadCString(in, text); }
bool writeString(BinOutput& out, const TesString& text) { return tesWriteWString(out, text); }
bool writeString(BinOutput& out, const NelCString& text) { return tesWriteCString(out, text); }

// String blocks on a bare stream, one after the other until one does not
// read: each must write and read back the same.
template <class Text>
bool checkStringBlocks(const std::vector<uint8_t>& payload, bool wideSizes, std::string& failure) {
    MemoryInput in(payload);
    if (wideSizes) in.setSizeWidth64();
    Text text;
    while (readString(in, text)) {
        MemoryOutput out;
        out.setVersion(wideSizes ? kWideFormat : kNarrowFormat);
        if (!writeString(out, text) || !out.flush()) return fail(failure, "a string read could not be written");
        MemoryInput back(out.bytes);
        if (wideSizes) back.setSizeWidth64();
        Text again;
        if (!readString(back, again) || !(again == text)) return fail(failure, "a string read back differs");
    }
    return true;
}

bool checkTyped(int type, const std::vector<uint8_t>& payload, size_t maxPerRead, bool scrambled,
                std::string& failure) {
    switch (type) {
    case 0:
        return checkValues<char>(payload, maxPerRead, scrambled, failure);
    case 1:
        return checkValues<signed char>(payload, maxPerRead, scrambled, failure);
    case 2:
        return checkValues<unsigned char>(payload, maxPerRead, scrambled, failure);
    case 3:
        return checkValues<int16_t>(payload, maxPerRead, scrambled, failure);
    case 4:
        return checkValues<uint16_t>(payload, maxPerRead, scrambled, failure);
    case 5:
        return checkValues<int32_t>(payload, maxPerRead, scrambled, failure);
    case 6:
        return checkValues<uint32_t>(payload, maxPerRead, scrambled, failure);
    case 7:
        return checkValues<uint64_t>(payload, maxPerRead, scrambled, failure);
    case 8:
        return checkValues<float>(payload, maxPerRead, scrambled, failure);
    default:
        return checkValues<double>(payload, maxPerRead, scrambled, failure);
    }
}

}  // namespace

bool checkStreamProperty(const uint8_t* data, size_t size, std::string& failure) {
    if (size < kControlBytes) return true;
    const int type = data[0] % kValueTypes;
    // 1 to 16 bytes per medium read, or whatever is asked for.
    const size_t maxPerRead = data[1] < 128 ? 1 + data[1] % 16 : SIZE_MAX;
    const bool scrambled = (data[2] & kScramblerBit) != 0;
    const bool wideSizes = (data[2] & kWideSizesBit) != 0;
    const std::vector<uint8_t> payload(data + kControlBytes, data + size);
    return checkTyped(type, payload, maxPerRead, scrambled, failure) && checkWordReads(payload, failure) &&
           checkStringBlocks<TesString>(payload, wideSizes, failure) &&
           checkStringBlocks<NelCString>(payload, wideSizes, failure);
}
