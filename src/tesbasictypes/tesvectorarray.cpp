#include "tesvectorarray.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <new>
#include <typeinfo>
#include <utility>

#include "binio.h"
#include "queryinterface.h"
#include "quicksorter.h"

namespace {

constexpr const char* kClassName = "TesVectorArray";
constexpr int32_t kMinCapacity = 16;
constexpr int32_t kChunkLength = TesVectorArray::kChunkLength;
constexpr size_t kPointBytes = sizeof(TesVector);
constexpr size_t kCoordinates = 3;

static_assert(kPointBytes == kCoordinates * sizeof(double), "a point is three doubles, nothing else");
static_assert(TesVectorArray::kChunkBytes == 24576);

using Split = VectorArraySplitter;

const TesVector kOrigin{};

bool isOrigin(const TesVector& point) { return point.x == 0.0 && point.y == 0.0 && point.z == 0.0; }

// The coordinates of `points` as one run of doubles, the layout of a record.
const double* coordinates(const TesVector* points) { return &points->x; }

const std::array<TesVector, kChunkLength>& zeroChunk() {
    static const std::array<TesVector, kChunkLength> zeros{};
    return zeros;
}

int32_t pageOf(int64_t index) { return static_cast<int32_t>(index >> Split::kPageShift); }
int32_t offsetOf(int64_t index) { return static_cast<int32_t>(index & Split::kOffsetMask); }
int64_t pageFirst(int32_t page) { return int64_t{page} << Split::kPageShift; }

// Points first ... last of one chunk: [first, last] clipped to the chunk.
struct ChunkSpan {
    int32_t page;
    int64_t first;
    int64_t last;
    int32_t length() const { return static_cast<int32_t>(last - first + 1); }
};

// Calls visit(span) for each chunk's part of points 1 ... last, in order,
// while visit answers true.
template <class Visit>
void forEachChunk(int64_t last, Visit visit) {
    for (int64_t first = 1; first <= last;) {
        const int32_t page = pageOf(first);
        const ChunkSpan span{page, first, std::min(last, pageFirst(page) + kChunkLength - 1)};
        if (!visit(span)) return;
        first = span.last + 1;
    }
}

void transformPoints(const double* m, TesVector* points, int32_t length) {
    const double m0 = m[0], m1 = m[1], m2 = m[2], m3 = m[3];
    const double m4 = m[4], m5 = m[5], m6 = m[6], m7 = m[7];
    const double m8 = m[8], m9 = m[9], m10 = m[10], m11 = m[11];
    const double m12 = m[12], m13 = m[13], m14 = m[14], m15 = m[15];
    for (int32_t k = 0; k < length; ++k) {
        const double x = points[k].x;
        const double y = points[k].y;
        const double z = points[k].z;
        double tx = m0 * x + m1 * y + m2 * z + m3;
        double ty = m4 * x + m5 * y + m6 * z + m7;
        double tz = m8 * x + m9 * y + m10 * z + m11;
        const double w = m12 * x + m13 * y + m14 * z + m15;
        if (w != 1.0) {
            tx /= w;
            ty /= w;
            tz /= w;
        }
        points[k] = {tx, ty, tz};
    }
}

void extendBoxOver(const TesVector* points, int32_t length, TesVector& min, TesVector& max) {
    for (int32_t k = 0; k < length; ++k) extendBox(points[k], min, max);
}

// Big-endian doubles, read as raw bytes, into native ones in place.
void swapDoubles(uint8_t* bytes, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        uint64_t value;
        std::memcpy(&value, bytes + i * sizeof(value), sizeof(value));
        value = tesByteSwap(value);
        std::memcpy(bytes + i * sizeof(value), &value, sizeof(value));
    }
}

// Raw reads until `bytes` arrived or the input gives nothing more.
size_t readFully(BinInput& in, uint8_t* buffer, size_t bytes) {
    size_t got = 0;
    while (got < bytes) {
        const size_t piece = in.readRaw(buffer + got, bytes - got);
        if (piece == 0) break;
        got += piece;
    }
    return got;
}

}  // namespace

TesVectorArray::TesVectorArray(const TesVectorArray& other, bool cloneColors)
    : RealPArray(other, cloneColors), count_(other.count_), capacity_(other.capacity_) {
    if (other.storage_ == nullptr) return;
    storage_ = new Storage;
    storage_->copyFrom(*other.storage_);
}

TesVectorArray& TesVectorArray::operator=(const TesVectorArray& other) {
    RealPArray::operator=(other);
    return *this;
}

TesVectorArray::~TesVectorArray() { delete storage_; }

void TesVectorArray::queryInterface(const char* name, void** out) {
    if (tesAnswerQuery(name, out, {kClassName, this, static_cast<IRealPArray*>(this), {}})) return;
    RealPArray::queryInterface(name, out);
}

const char* TesVectorArray::className() const { return kClassName; }

void TesVectorArray::growTo(int64_t elements) {
    if (elements <= capacity_) return;
    const auto wanted = static_cast<int32_t>(std::min<int64_t>(elements, kMaxElements));
    if (storage_ == nullptr) storage_ = new Storage;
    if (wanted > storage_->size()) storage_->resize(wanted, false);
    capacity_ = wanted;
}

void TesVectorArray::reserve(int32_t count) { growTo(count); }

IRealPArray* TesVectorArray::clone() const { return new TesVectorArray(*this); }

// fetch and store are inline: the direct sort steps below go through them.
inline TesVector TesVectorArray::fetch(int64_t index) const {
    if (index < 0 || index >= capacity_) return kOrigin;
    const TesVector* entries = chunk(pageOf(index));
    return entries != nullptr ? entries[offsetOf(index)] : kOrigin;
}

inline bool TesVectorArray::store(int64_t index, const TesVector& point) {
    if (index < 0 || index > kMaxIndex) return false;
    growTo(index + 1);
    const int32_t page = pageOf(index);
    TesVector* entries = chunk(page);
    if (entries == nullptr) {
        if (isOrigin(point)) return true;
        entries = storage_->ensurePageEntries(page);
        if (entries == nullptr) return false;
    }
    entries[offsetOf(index)] = point;
    return true;
}

int32_t TesVectorArray::add(const TesVector& point) {
    if (count_ >= kMaxIndex) return 0;
    ++count_;
    if (count_ >= capacity_) {
        int64_t grown = capacity_;
        while (count_ >= grown) grown = std::max<int64_t>(kMinCapacity, 2 * grown);
        growTo(grown);
    }
    store(count_, point);
    return count_;
}

void TesVectorArray::set(int32_t index, const TesVector& point) { store(index, point); }

void TesVectorArray::get(int32_t index, TesVector& point) const { point = fetch(index); }

bool TesVectorArray::getChecked(int32_t index, TesVector& point) const {
    const bool inside = index >= 1 && index <= count_;
    point = inside ? fetch(index) : kOrigin;
    return inside;
}

TesVector TesVectorArray::at(int32_t index) const { return fetch(index); }

void TesVectorArray::setGrow(int32_t index, const TesVector& point) {
    if (index < 0 || index > kMaxIndex) return;
    if (index >= count_) {
        count_ = index;
        growTo(int64_t{index} + 1);
    }
    store(index, point);
}

int32_t TesVectorArray::insert(int32_t index, const TesVector& point) {
    if (index < 1) return 0;
    if (index > count_) return add(point);
    if (add(point) == 0) return 0;
    for (int64_t from = int64_t{count_} - 1; from >= index; --from) store(from + 1, fetch(from));
    store(index, point);
    return index;
}

void TesVectorArray::remove(int32_t index) {
    if (index < 1 || count_ == 0) return;
    if (index <= count_) {
        for (int64_t to = index; to <= count_; ++to) store(to, fetch(to + 1));
    }
    --count_;
}

int32_t TesVectorArray::removeLast(int32_t n) {
    count_ -= std::clamp(n, 0, count_);
    return count_;
}

void TesVectorArray::clearAndFree() {
    delete storage_;
    storage_ = nullptr;
    count_ = 0;
    capacity_ = 0;
}

void TesVectorArray::swap(TesVectorArray& other) noexcept {
    std::swap(storage_, other.storage_);
    std::swap(count_, other.count_);
    std::swap(capacity_, other.capacity_);
}

void TesVectorArray::reverse() {
    for (int64_t low = 1, high = count_; low < high; ++low, --high) {
        const TesVector lowPoint = fetch(low);
        store(low, fetch(high));
        store(high, lowPoint);
    }
}

int64_t TesVectorArray::storageBytes() const {
    if (storage_ == nullptr) return 0;
    int64_t chunks = 0;
    for (int32_t page = 0; page < storage_->pageCount(); ++page) chunks += chunk(page) != nullptr ? 1 : 0;
    return chunks * kChunkBytes + int64_t{storage_->pageCapacity()} * static_cast<int64_t>(sizeof(void*));
}

void TesVectorArray::boundingBox(TesVector& min, TesVector& max) const {
    if (count_ <= 0) {
        min = max = kOrigin;
        return;
    }
    startBox(min, max);
    forEachChunk(count_, [&](const ChunkSpan& span) {
        const TesVector* entries = span.first < capacity_ ? chunk(span.page) : nullptr;
        if (entries == nullptr) {
            extendBoxOver(&kOrigin, 1, min, max);
        } else {
            extendBoxOver(entries + offsetOf(span.first), span.length(), min, max);
        }
        return true;
    });
}

void TesVectorArray::transform(const double* matrix) {
    const int64_t last = std::min<int64_t>(count_, kMaxIndex);
    if (matrix == nullptr || last <= 0) return;
    growTo(last + 1);
    forEachChunk(last, [&](const ChunkSpan& span) {
        TesVector* entries = storage_->ensurePageEntries(span.page);
        if (entries != nullptr) transformPoints(matrix, entries + offsetOf(span.first), span.length());
        return entries != nullptr;
    });
}

bool TesVectorArray::write(BinOutput& out) const {
    bool good = BinMagic(kMagicTag, kMagicVersion).write(out) && out.write(&count_, 1);
    forEachChunk(count_, [&](const ChunkSpan& span) {
        const TesVector* entries = span.first < capacity_ ? chunk(span.page) : nullptr;
        if (entries == nullptr) entries = zeroChunk().data();
        const auto values = static_cast<size_t>(span.length()) * kCoordinates;
        good = good && out.write(coordinates(entries + offsetOf(span.first)), values) &&
               progress().update(span.last, count_);
        return good;
    });
    return good && out.ok();
}

int32_t TesVectorArray::readChunk(BinInput& in, int32_t first, int32_t last) {
    growTo(int64_t{last} + 1);
    const int32_t page = pageOf(first);
    const bool wasMissing = chunk(page) == nullptr;
    TesVector* entries = storage_->ensurePageEntries(page);
    if (entries == nullptr) return 0;
    auto* bytes = reinterpret_cast<uint8_t*>(entries + offsetOf(first));
    const size_t wanted = static_cast<size_t>(last - first + 1) * kPointBytes;
    const size_t got = readFully(in, bytes, wanted);
    const size_t points = got / kPointBytes;
    swapDoubles(bytes, points * kCoordinates);
    std::memset(bytes + points * kPointBytes, 0, got - points * kPointBytes);
    if (points == 0 && wasMissing) storage_->freePage(page);
    return static_cast<int32_t>(points);
}

bool TesVectorArray::read(BinInput& in) {
    clear();
    BinMagic magic(kMagicTag, kMagicVersion);
    int32_t claimed = 0;
    if (!magic.readCompatible(in) || magic.version() != kMagicVersion) return false;
    if (!in.read(&claimed, 1) || claimed < 0) return false;
    count_ = claimed;
    int32_t done = 0;
    forEachChunk(claimed, [&](const ChunkSpan& span) {
        if (span.last > kMaxIndex) return false;
        const int32_t points = readChunk(in, static_cast<int32_t>(span.first), static_cast<int32_t>(span.last));
        done += points;
        return points == span.length() && progress().update(done, claimed);
    });
    count_ = done;
    return done == claimed && in.ok();
}

bool TesVectorArray::isVectorArrayMagic(int32_t word) { return BinMagic(word).tag() == kMagicTag; }

// The points of the array's own storage, page by page.
struct TesVectorArrayPoints {
    TesVector get(int32_t index) const { return array.fetch(index); }
    void put(int32_t index, const TesVector& point) const { array.store(index, point); }
    TesVectorArray& array;
};

namespace {

// The points first ... last copied into one block, read in place so that a
// compare copies nothing.
struct BlockPoints {
    const TesVector& get(int32_t index) const { return points[index - first]; }
    void put(int32_t index, const TesVector& point) const { points[index - first] = point; }
    TesVector* points;
    int32_t first;
};

// RealPArray::Compare and RealPArray::Assign on points the library holds
// itself, read and written by `Points`, without virtual calls.
template <class Points>
class PointSortSteps {
public:
    PointSortSteps(Points points, TesVector& temporary) : points_(points), temporary_(temporary) {}

    int compare(int32_t i, int32_t j) const { return RealPArray::Compare::order(points_.get(i), points_.get(j)); }

    void assign(int32_t destination, int32_t source) {
        const TesVector point = source != tesquicksort::kTemporary ? points_.get(source) : temporary_;
        if (destination == tesquicksort::kTemporary) {
            temporary_ = point;
        } else {
            points_.put(destination, point);
        }
    }

private:
    Points points_;
    TesVector& temporary_;
};

template <class Points>
void sortPoints(Points points, int32_t first, int32_t last, TesVector& temporary) {
    PointSortSteps<Points> steps(points, temporary);
    tesquicksort::QuickSorter<PointSortSteps<Points>>(steps).sort(first, last);
}

}  // namespace

bool TesVectorArray::sortInOneBlock(int32_t first, int32_t last, TesVector& temporary) {
    if (last >= capacity_) return false;
    for (int32_t page = pageOf(first); page <= pageOf(last); ++page) {
        if (chunk(page) == nullptr) return false;
    }
    const auto length = static_cast<size_t>(last - first) + 1;
    const std::unique_ptr<TesVector[]> block(new (std::nothrow) TesVector[length]);
    if (!block) return false;
    for (int64_t index = first; index <= last; ++index) block[index - first] = fetch(index);
    sortPoints(BlockPoints{block.get(), first}, first, last, temporary);
    for (int64_t index = first; index <= last; ++index) chunk(pageOf(index))[offsetOf(index)] = block[index - first];
    return true;
}

void tesQuickSort(int32_t first, int32_t last, RealPArray::Compare& compare, RealPArray::Assign& assign) {
    auto* array = dynamic_cast<TesVectorArray*>(assign.array());
    const bool own = array != nullptr && typeid(*array) == typeid(TesVectorArray) && compare.array() == assign.array();
    if (!own) {
        tesQuickSort(first, last, static_cast<QuickSort_Compare&>(compare), static_cast<QuickSort_Assign&>(assign));
        return;
    }
    if (first < 0 || last <= first || array->sortInOneBlock(first, last, assign.temporary())) return;
    sortPoints(TesVectorArrayPoints{*array}, first, last, assign.temporary());
}
