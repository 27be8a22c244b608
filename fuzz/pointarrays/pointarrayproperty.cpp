#include "pointarrayproperty.h"

#include <vector>

#include "memorystreams.h"
#include "refhost.h"
#include "tesvectorarray.h"

namespace {

constexpr int64_t kHeaderBytes = 8;
constexpr int64_t kPointBytes = 24;

// An array that reports no progress: the fuzzer reads millions of records.
class QuietArray : public TesVectorArray {
public:
    QuietArray() { setActive(false); }
};

// The record and, when `withColors`, the colour block over every entry.
std::vector<uint8_t> written(const TesVectorArray& array, bool withColors) {
    MemoryOutput out;
    if (!array.write(out)) return {};
    if (withColors && !array.writeColors(out, INT32_MAX)) return {};
    out.flush();
    return out.bytes;
}

const char* checkRoundTrip(QuietArray& first, bool withColors, bool packed) {
    first.setPackedColors(packed);
    const std::vector<uint8_t> bytes = written(first, withColors);
    if (bytes.empty()) return "the write failed";
    MemoryInput in(bytes);
    QuietArray second;
    second.setPackedColors(packed);
    if (!second.read(in)) return "the written record did not read back";
    if (second.count() != first.count()) return "the count read back differs";
    if (withColors && !second.readColors(in)) return "the written colour block did not read back";
    if (in.tell() != static_cast<int64_t>(bytes.size())) return "reading back left bytes over";
    if (withColors && second.hasColors() != first.hasColors()) return "colours came back differently";
    if (written(second, withColors) != bytes) return "the second write differs";
    return nullptr;
}

}  // namespace

void installPointArrayHost() {
    static RefHost* host = new RefHost;  // kept to process exit, like a real host
    host->installInLibrary();
}

const char* checkPointArrayRecord(const uint8_t* data, size_t size) {
    MemoryInput in(std::vector<uint8_t>(data, data + size));
    QuietArray first;
    if (!first.read(in)) {
        const int64_t held = (static_cast<int64_t>(size) - kHeaderBytes) / kPointBytes;
        return first.count() > 0 && first.count() > held ? "a failed read kept points the input did not hold"
                                                          : nullptr;
    }
    const bool colorsRead = first.readColors(in);
    for (bool packed : {false, true}) {
        if (const char* failure = checkRoundTrip(first, colorsRead, packed)) return failure;
    }
    return nullptr;
}
