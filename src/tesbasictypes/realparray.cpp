#include "realparray.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "binio.h"
#include "bitvector.h"
#include "blockbitvector.h"
#include "queryinterface.h"
#include "tesassert.h"

namespace {

constexpr const char* kTesSourceName = "src/tesbasictypes/realparray";
constexpr const char* kNotOfferedText = "0";
constexpr const char* kClassName = "RealPArray";
constexpr const char* kInterfaceName = "IRealPArray";
constexpr const char* kVertexArrayName = "VertexArrayImp";
constexpr const char* kColorService = "ITesPointExtraInfo";
constexpr const char* kFactoryService = "IRealPArrayFactory";

constexpr int32_t kFactoryChunkLength = 1024;
constexpr double kBoxStart = 1e42;
constexpr double kLeastMaxAbs = 1e-16;
constexpr float kGrayRed = 0.3f;
constexpr float kGrayGreen = 0.59f;
constexpr float kGrayBlue = 0.11f;
constexpr int32_t kColorFlagBits = RealPArray::kColorsActive | RealPArray::kColorsPacked;
// Colour entries move in pieces of this many: a count larger than the input
// costs no more memory than the entries that really arrive.
constexpr int32_t kColorPiece = 1024;

const TesVector kOrigin{};

// Calls run(first, end) for each stretch of entries 0 ... entries - 1 with no
// bit set in `skip`.
template <class Run>
void forEachKeptRun(int32_t entries, const BlockBitVector* skip, Run run) {
    int32_t first = 0;
    while (first < entries) {
        const int32_t skipped = skip != nullptr ? skip->nextSet(first - 1) : -1;
        const int32_t end = skipped < 0 || skipped > entries ? entries : skipped;
        if (end > first && !run(first, end)) return;
        first = end + 1;
    }
}

int32_t keptEntries(int32_t entries, const BlockBitVector* skip) {
    int32_t kept = 0;
    forEachKeptRun(entries, skip, [&kept](int32_t first, int32_t end) {
        kept += end - first;
        return true;
    });
    return kept;
}

// Writes, for every kept entry k, `width` values that fill(k, values) gives.
template <class T, int32_t kWidth, class Fill>
bool writeKeptEntries(BinOutput& out, int32_t entries, const BlockBitVector* skip, Fill fill) {
    constexpr int32_t kBatch = 256;
    std::array<T, kBatch * kWidth> batch;
    bool good = true;
    forEachKeptRun(entries, skip, [&](int32_t first, int32_t end) {
        for (int32_t k = first; k < end && good; k += kBatch) {
            const int32_t length = std::min(kBatch, end - k);
            for (int32_t i = 0; i < length; ++i) fill(k + i, batch.data() + i * kWidth);
            good = out.write(batch.data(), static_cast<size_t>(length * kWidth));
        }
        return good;
    });
    return good;
}

// Reads a count and that many colour entries into `colors`, growing its count
// piece by piece as the entries arrive.
bool readColorEntries(BinInput& in, ITesPointExtraInfo& colors, bool packed) {
    int32_t entries = 0;
    if (!in.read(&entries, 1) || entries < 0 || !colors.setCount(0)) return false;
    std::array<uint32_t, kColorPiece> packedValues;
    std::array<float, kColorPiece * 3> rgbValues;
    for (int32_t first = 0; first < entries; first += kColorPiece) {
        const int32_t length = std::min(kColorPiece, entries - first);
        const bool complete = packed ? in.read(packedValues.data(), static_cast<size_t>(length))
                                     : in.read(rgbValues.data(), static_cast<size_t>(length) * 3);
        if (!complete || !colors.setCount(first + length)) return false;
        if (!packed) {
            for (int32_t k = 0; k < length; ++k) colors.setColor(first + k, rgbValues.data() + 3 * k);
            continue;
        }
        uint32_t* storage = colors.packedStorage();
        if (storage == nullptr) return false;
        std::memcpy(storage + first, packedValues.data(), static_cast<size_t>(length) * sizeof(uint32_t));
    }
    return true;
}

}  // namespace

int RealPArray::Compare::compare(int32_t i, int32_t j) {
    TesVector a;
    TesVector b;
    array_->get(i, a);
    array_->get(j, b);
    return order(a, b);
}

void RealPArray::Assign::assign(int32_t destination, int32_t source) {
    TesVector point = temporary_;
    if (source != -1) array_->get(source, point);
    if (destination == -1) {
        temporary_ = point;
    } else {
        array_->set(destination, point);
    }
}

RealPArray::RealPArray(const RealPArray& other, bool cloneColors)
    : ProgressCallbackBase(other), userValue_(other.userValue_), packedColors_(other.packedColors_) {
    if (cloneColors && other.colors_) colors_ = other.colors_->clone();
}

RealPArray& RealPArray::operator=(const RealPArray& other) {
    if (this == &other) return *this;
    userValue_ = other.userValue_;
    clear();
    reserve(other.count());
    TesVector point;
    for (int32_t index = 1; index <= other.count(); ++index) {
        other.get(index, point);
        add(point);
    }
    if (!other.colors_) {
        colors_.reset();
    } else if (colors_) {
        colors_->assign(*other.colors_);
    } else {
        colors_ = other.colors_->clone();
    }
    return *this;
}

RealPArray::~RealPArray() = default;

void RealPArray::startBox(TesVector& min, TesVector& max) {
    min = {kBoxStart, kBoxStart, kBoxStart};
    max = {-kBoxStart, -kBoxStart, -kBoxStart};
}

void RealPArray::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out,
                   {kClassName,
                    static_cast<RealPArray*>(this),
                    static_cast<IRealPArray*>(this),
                    {{kInterfaceName, static_cast<IRealPArray*>(this)}}});
}

const char* RealPArray::className() const { return kClassName; }

int32_t RealPArray::add(const float*) {
    TES_ASSERT(false, kNotOfferedText);
    return 0;
}

void RealPArray::set(int32_t, const float*) { TES_ASSERT(false, kNotOfferedText); }

void RealPArray::reservedSlot26() { TES_ASSERT(false, kNotOfferedText); }

void RealPArray::reservedSlot27() { TES_ASSERT(false, kNotOfferedText); }

int32_t RealPArray::add(const double* xyz) {
    return add(xyz != nullptr ? TesVector(xyz[0], xyz[1], xyz[2]) : kOrigin);
}

int32_t RealPArray::add(double x, double y, double z) { return add(TesVector(x, y, z)); }

void RealPArray::set(int32_t index, const double* xyz) {
    set(index, xyz != nullptr ? TesVector(xyz[0], xyz[1], xyz[2]) : kOrigin);
}

void RealPArray::set(int32_t index, double x, double y, double z) { set(index, TesVector(x, y, z)); }

void RealPArray::get(int32_t index, float* xyz) const {
    TesVector point;
    get(index, point);
    xyz[0] = static_cast<float>(point.x);
    xyz[1] = static_cast<float>(point.y);
    xyz[2] = static_cast<float>(point.z);
}

void RealPArray::get(int32_t index, double* xyz) const {
    TesVector point;
    get(index, point);
    xyz[0] = point.x;
    xyz[1] = point.y;
    xyz[2] = point.z;
}

void RealPArray::get(int32_t index, double& x, double& y, double& z) const {
    TesVector point;
    get(index, point);
    x = point.x;
    y = point.y;
    z = point.z;
}

ITesPointExtraInfo* RealPArray::makeColors() {
    const SPtr<ITesPointExtraInfo> prototype(kColorService);
    if (prototype) colors_ = prototype->createEmpty();
    return colors_.get();
}

bool RealPArray::enableColors(bool on) {
    if (hasColors() == on) return false;
    if (!on) {
        colors_->clear();
        if (colors_->isEmpty()) colors_.reset();
        return true;
    }
    ITesPointExtraInfo* colors = colors_ ? colors_.get() : makeColors();
    return colors != nullptr && colors->resize(count());
}

bool RealPArray::getColor(int32_t index, float* rgb) const {
    return hasColors() && colors_->getColor(index - 1, rgb);
}

bool RealPArray::getColor(int32_t index, double* rgb) const {
    return hasColors() && colors_->getColor(index - 1, rgb);
}

bool RealPArray::getColor(int32_t index, double& r, double& g, double& b) const {
    double rgb[3];
    if (!getColor(index, rgb)) return false;
    r = rgb[0];
    g = rgb[1];
    b = rgb[2];
    return true;
}

bool RealPArray::hasColors() const { return colors_ && colors_->isActive(); }

bool RealPArray::setColor(int32_t index, const float* rgb) {
    return hasColors() && colors_->setColor(index - 1, rgb);
}

void RealPArray::boundingBox(TesVector& min, TesVector& max) const {
    if (count() <= 0) {
        min = max = kOrigin;
        return;
    }
    startBox(min, max);
    TesVector point;
    for (int32_t index = 1; index <= count(); ++index) {
        get(index, point);
        extendBox(point, min, max);
    }
}

template <class Selection>
void RealPArray::selectedBox(TesVector& min, TesVector& max, const Selection& selection, int32_t size) const {
    if (count() <= 0) {
        min = max = kOrigin;
        return;
    }
    startBox(min, max);
    const int32_t last = std::min(count(), size);
    TesVector point;
    for (int32_t index = selection.nextSet(0); index > 0 && index <= last; index = selection.nextSet(index)) {
        get(index, point);
        extendBox(point, min, max);
    }
}

void RealPArray::boundingBox(TesVector& min, TesVector& max, const BitVector& selection) const {
    selectedBox(min, max, selection, selection.lastIndex());
}

void RealPArray::boundingBox(TesVector& min, TesVector& max, const BlockBitVector& selection) const {
    const int64_t bits = (int64_t{selection.lastBlock()} + 1) * BlockBitVector::kBlockBits;
    selectedBox(min, max, selection, static_cast<int32_t>(std::min<int64_t>(bits - 1, INT32_MAX)));
}

double RealPArray::maxAbsCoordinate() const {
    double largest = kLeastMaxAbs;
    TesVector point;
    for (int32_t index = 1; index <= count(); ++index) {
        get(index, point);
        for (double coordinate : {point.x, point.y, point.z}) {
            if (std::fabs(coordinate) > largest) largest = std::fabs(coordinate);
        }
    }
    return largest;
}

bool RealPArray::operator==(const RealPArray& other) const {
    if (count() != other.count()) return false;
    if (colors_ && other.colors_) {
        if (!colors_->equals(*other.colors_, count())) return false;
    } else if (colors_ || other.colors_) {
        return false;
    }
    TesVector mine;
    TesVector theirs;
    for (int32_t index = 1; index <= count(); ++index) {
        get(index, mine);
        other.get(index, theirs);
        if (!(mine == theirs)) return false;
    }
    return true;
}

void RealPArray::resize(int32_t count) {
    for (int32_t current = this->count(); current < count; ++current) {
        if (add(kOrigin) <= current) return;  // the array cannot grow further
    }
}

bool RealPArray::pointAndGray(int32_t index, float* out) const {
    get(index, out);
    float rgb[3] = {0.0f, 0.0f, 0.0f};
    const bool colored = getColor(index, rgb);
    out[3] = kGrayRed * rgb[0] + kGrayGreen * rgb[1] + kGrayBlue * rgb[2];
    return index >= 1 && index <= count() && colored;
}

std::array<float, 4> RealPArray::colorRGBA(int32_t index) const {
    std::array<float, 4> rgba = {0.0f, 0.0f, 0.0f, 1.0f};
    getColor(index, rgba.data());
    return rgba;
}

void RealPArray::swapColors(RealPArray& other) {
    std::swap(colors_, other.colors_);
    std::swap(userValue_, other.userValue_);
}

bool RealPArray::writeColors(BinOutput& out, int32_t lastEntry, const BlockBitVector* skip) const {
    const bool active = hasColors();
    const int32_t flags = (active ? kColorsActive : 0) | (colors_ && packedColors_ ? kColorsPacked : 0);
    if (!out.write(&flags, 1)) return false;
    if (!active) return true;
    const int64_t entries = std::clamp<int64_t>(int64_t{lastEntry} + 1, 0, colors_->count());
    const int32_t considered = static_cast<int32_t>(entries);
    const int32_t written = keptEntries(considered, skip);
    if (!out.write(&written, 1)) return false;
    const ITesPointExtraInfo& colors = *colors_;
    if (packedColors_) {
        return writeKeptEntries<uint32_t, 1>(out, considered, skip,
                                             [&colors](int32_t k, uint32_t* value) { *value = colors.packed(k); });
    }
    return writeKeptEntries<float, 3>(out, considered, skip, [&colors](int32_t k, float* rgb) {
        rgb[0] = rgb[1] = rgb[2] = 0.0f;
        colors.getColor(k, rgb);
    });
}

bool RealPArray::readColors(BinInput& in) {
    int32_t flags = 0;
    if (!in.read(&flags, 1)) return false;
    const int32_t kind = flags & kColorFlagBits;
    if (kind == kColorsActive || kind == kColorFlagBits) {
        ITesPointExtraInfo* colors = colors_ ? colors_.get() : makeColors();
        if (colors == nullptr || !readColorEntries(in, *colors, kind == kColorFlagBits)) return false;
    }
    if (colors_ && colors_->count() != count()) colors_->resize(count());
    return in.ok();
}

VertexArrayImp* RealPArray::createVertexArray() { return new VertexArrayRPA(this); }

void VertexArrayImp::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out, {kVertexArrayName, this, this, {}});
}

const char* VertexArrayImp::className() const { return kVertexArrayName; }

VertexArrayRPA::VertexArrayRPA(IRealPArray* array) : array_(array), size_(int64_t{array->count()} + 1) {}

void VertexArrayRPA::vertex(int32_t index, float* xyz) const { array_->get(index, xyz); }

void VertexArrayRPA::vertex(int32_t index, double* xyz) const { array_->get(index, xyz); }

IRealPArray* createArray(BinInput& in) {
    const SPtr<IRealPArrayFactory> factory(kFactoryService);
    if (!factory) return nullptr;
    return factory->create(in.peekWord(), kFactoryChunkLength);
}
