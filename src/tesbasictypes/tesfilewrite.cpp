#include "tesfilewrite.h"

#include "binio.h"
#include "queryinterface.h"
#include "tesassert.h"
#include "tesmatrix.h"
#include "tesvector.h"

namespace {

constexpr const char* kTesSourceName = "src/tesbasictypes/tesfile";
constexpr const char* kClassName = "TesFileWrite";
constexpr const char* kInterfaceName = "ITesDataModelWriter";
constexpr const char* kNoStreamText = "bo_";
constexpr const char* kStreamAttachedText = "!bo_";
constexpr const char* kNoOpenBlockText = "end_.size() > 0";
constexpr const char* kTagRangeText = "tag <= 0xFFFFFF";
constexpr const char* kVersionRangeText = "version <= 0xFF";
constexpr uint32_t kNarrowSizeVersionFirst = 1;
constexpr uint32_t kNarrowSizeVersionLast = 9;
constexpr uint32_t kRootVersionNarrow = 0;
constexpr uint32_t kRootVersionWide = 1;
constexpr uint64_t kNarrowSizeOverflow = 0xFFFFFFFF;
// The size field follows the header word.
constexpr int64_t kSizeFieldOffset = 4;

void classIdBytes(const TesClassId& id, unsigned char (&bytes)[kTesClassIdBytes]) {
    tesToBigEndian(id.data1, bytes, 4);
    tesToBigEndian(id.data2, bytes + 4, 2);
    tesToBigEndian(id.data3, bytes + 6, 2);
    for (int i = 0; i < 8; ++i) bytes[8 + i] = id.data4[i];
}

}  // namespace

TesFileWrite::TesFileWrite() = default;

TesFileWrite::TesFileWrite(BinOutput* out, bool ownsRoot)
    : bo_(out), ownsRoot_(ownsRoot), version_(out != nullptr ? out->version() : 0) {}

TesFileWrite::~TesFileWrite() { detach(); }

void TesFileWrite::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out,
                   {kClassName, this, static_cast<ITesDataModelWriter*>(this),
                    {{kInterfaceName, static_cast<ITesDataModelWriter*>(this)}}});
}

const char* TesFileWrite::className() const { return kClassName; }

bool TesFileWrite::wideSizes() const {
    return version_ < kNarrowSizeVersionFirst || version_ > kNarrowSizeVersionLast;
}

bool TesFileWrite::hasOutput(const char* text) {
    TES_ASSERT(bo_ != nullptr, text);
    return bo_ != nullptr;
}

template <class T>
void TesFileWrite::put(const T* values, size_t count) {
    if (!bo_->write(values, count)) good_ = false;
}

bool TesFileWrite::writeBinary(ITesBinaryObject* object) {
    if (object == nullptr || !hasOutput(kNoStreamText)) return false;
    return object->writeBinary(*bo_);
}

bool TesFileWrite::writeModel(ITesDataModelObject* object) {
    return object != nullptr && object->writeModel(*this);
}

bool TesFileWrite::writeGuid(const TesClassId& id) {
    if (!beginBlock(kTesGuidTag, 0)) return true;
    unsigned char bytes[kTesClassIdBytes];
    classIdBytes(id, bytes);
    put(bytes, sizeof(bytes));
    endBlock();
    return true;
}

bool TesFileWrite::writeVec2f(const float (&values)[2]) {
    if (!beginBlock(kTesVec2fTag, 0)) return true;
    put(values, 2);
    endBlock();
    return true;
}

bool TesFileWrite::writeDoubleBlock(uint32_t tag, const double* values, size_t count) {
    if (!beginBlock(tag, 0)) return true;
    put(values, count);
    endBlock();
    return true;
}

bool TesFileWrite::writeVec2d(const double (&values)[2]) { return writeDoubleBlock(kTesVec2dTag, values, 2); }

bool TesFileWrite::writeMatrix4d(const double (&values)[4][4]) {
    return writeDoubleBlock(kTesMatrix4dTag, &values[0][0], 16);
}

bool TesFileWrite::writeVec3d(const double (&values)[3]) { return writeDoubleBlock(kTesVec3dTag, values, 3); }

bool TesFileWrite::writeWString(const TesString& text) {
    if (!beginBlock(kTesWStringTag, 0)) return true;
    static_assert(sizeof(char16_t) == sizeof(uint16_t));
    put(reinterpret_cast<const uint16_t*>(text.c_str()), static_cast<size_t>(text.length()));
    endBlock();
    return true;
}

bool TesFileWrite::writeCString(const NelCString& text) {
    if (!beginBlock(kTesCStringTag, 0)) return true;
    put(text.c_str(), static_cast<size_t>(text.length()));
    endBlock();
    return true;
}

bool TesFileWrite::writeDouble(double value) {
    if (hasOutput(kNoStreamText)) put(&value, 1);
    return true;
}

bool TesFileWrite::writeFloat(float value) {
    if (hasOutput(kNoStreamText)) put(&value, 1);
    return true;
}

bool TesFileWrite::writeUInt32(uint32_t value) {
    if (hasOutput(kNoStreamText)) put(&value, 1);
    return true;
}

bool TesFileWrite::writeInt32(int32_t value) {
    if (hasOutput(kNoStreamText)) put(&value, 1);
    return true;
}

bool TesFileWrite::writeByte(char value) {
    if (hasOutput(kNoStreamText)) put(&value, 1);
    return true;
}

bool TesFileWrite::writeUChar(unsigned char value) {
    if (hasOutput(kNoStreamText)) put(&value, 1);
    return true;
}

bool TesFileWrite::beginObject(ITesDataModelObject* object, uint32_t version) {
    if (object == nullptr) return false;
    return writeObjectHeader(object->classId(), version);
}

bool TesFileWrite::endObject() { return endBlock(); }

bool TesFileWrite::beginNamed(const TesString& name) { return writeWString(name); }

bool TesFileWrite::endNamed() { return true; }

bool TesFileWrite::writeObjectHeader(const TesClassId& id, uint32_t version) {
    if (!beginBlock(kTesObjectTag, version)) return true;
    unsigned char bytes[kTesClassIdBytes];
    classIdBytes(id, bytes);
    put(bytes, sizeof(bytes));
    return true;
}

bool TesFileWrite::beginBlock(uint32_t tag, uint32_t version) {
    if (!hasOutput(kNoStreamText)) return false;
    TES_ASSERT(tag <= kTesMaxTag, kTagRangeText);
    TES_ASSERT(version <= kTesMaxBlockVersion, kVersionRangeText);
    const int64_t start = bo_->tell();
    const uint32_t word = ((tag & kTesMaxTag) << 8) | (version & kTesMaxBlockVersion);
    put(&word, 1);
    end_.push(start);
    writeSizePlaceholder();
    return true;
}

void TesFileWrite::writeSizePlaceholder() {
    if (wideSizes()) {
        const uint64_t zero = 0;
        put(&zero, 1);
    } else {
        const uint32_t zero = 0;
        put(&zero, 1);
    }
}

void TesFileWrite::patchSize(int64_t start, uint64_t size) {
    const size_t width = wideSizes() ? sizeof(uint64_t) : sizeof(uint32_t);
    const bool fits = width == sizeof(uint64_t) || size <= kNarrowSizeOverflow;
    uint8_t field[sizeof(uint64_t)];
    tesToBigEndian(fits ? size : kNarrowSizeOverflow, field, width);
    if (!fits) good_ = false;
    const int64_t fieldPosition = start + kSizeFieldOffset;
    if (bo_->overwritePending(fieldPosition, field, width)) return;
    const int64_t current = bo_->tell();
    const bool patched = bo_->seek(fieldPosition, true) && bo_->write(field, width);
    if (!bo_->seek(current, true) || !patched) good_ = false;
}

bool TesFileWrite::endBlock() {
    if (!hasOutput(kNoStreamText)) return false;
    TES_ASSERT(!end_.empty(), kNoOpenBlockText);
    if (end_.empty()) return false;
    const int64_t start = end_.top();
    patchSize(start, static_cast<uint64_t>(bo_->tell() - start));
    end_.pop();
    return true;
}

bool TesFileWrite::good() { return good_ && bo_ != nullptr && bo_->ok(); }

BinOutput* TesFileWrite::createOutput(const TesString& path) { return new BinOutputFile(path.c_str()); }

bool TesFileWrite::open(const TesString& path) {
    TES_ASSERT(bo_ == nullptr, kStreamAttachedText);
    if (bo_ != nullptr) return false;
    BinOutput* out = createOutput(path);
    if (out == nullptr) return false;
    out->setVersion(version_);
    if (!out->ok()) {
        delete out;
        return false;
    }
    bo_ = out;
    ownsStream_ = true;
    good_ = true;
    end_.clear();
    writeHeader();
    return true;
}

bool TesFileWrite::detach() {
    if (bo_ == nullptr) return false;
    const int32_t floor = ownsRoot_ ? 1 : 0;
    while (end_.size() > floor) endBlock();
    bool flushed = true;
    if (ownsRoot_) {
        if (end_.size() == 1) endBlock();
        flushed = bo_->flush();
    }
    const bool result = good() && flushed;
    if (ownsStream_) delete bo_;
    bo_ = nullptr;
    ownsStream_ = false;
    end_.clear();
    return result;
}

void TesFileWrite::setOutput(BinOutput* out, bool ownsRoot) {
    if (out == bo_) return;
    detach();
    bo_ = out;
    ownsStream_ = false;
    good_ = true;
    ownsRoot_ = ownsRoot;
    if (out != nullptr) version_ = out->version();
}

bool TesFileWrite::close() { return detach(); }

bool TesFileWrite::writeHeader() {
    beginBlock(kTesRootTag, wideSizes() ? kRootVersionWide : kRootVersionNarrow);
    return good();
}

void TesFileWrite::setVersion(uint32_t version) {
    version_ = version;
    if (bo_ != nullptr) bo_->setVersion(version);
}

TesFileWrite& TesFileWrite::operator<<(const TesClassId& id) {
    writeGuid(id);
    return *this;
}

TesFileWrite& TesFileWrite::operator<<(const float (&values)[2]) {
    writeVec2f(values);
    return *this;
}

TesFileWrite& TesFileWrite::operator<<(const double (&values)[2]) {
    writeVec2d(values);
    return *this;
}

TesFileWrite& TesFileWrite::operator<<(const double (&values)[3]) {
    writeVec3d(values);
    return *this;
}

TesFileWrite& TesFileWrite::operator<<(const double (&values)[4]) {
    writeDoubleBlock(kTesVec4dTag, values, 4);
    return *this;
}

TesFileWrite& TesFileWrite::operator<<(const double (&values)[4][4]) {
    writeMatrix4d(values);
    return *this;
}

TesFileWrite& TesFileWrite::operator<<(const TesVector& vector) {
    const double values[3] = {vector.x, vector.y, vector.z};
    writeVec3d(values);
    return *this;
}

TesFileWrite& TesFileWrite::operator<<(const TesMatrix& matrix) {
    writeDoubleBlock(kTesMatrix4dTag, matrix.data(), TesMatrix::kElementCount);
    return *this;
}

TesFileWrite& TesFileWrite::operator<<(const TesString& text) {
    writeWString(text);
    return *this;
}

TesFileWrite& TesFileWrite::operator<<(const NelCString& text) {
    writeCString(text);
    return *this;
}

TesFileWrite& TesFileWrite::operator<<(double value) {
    writeDouble(value);
    return *this;
}

TesFileWrite& TesFileWrite::operator<<(float value) {
    writeFloat(value);
    return *this;
}

TesFileWrite& TesFileWrite::operator<<(uint32_t value) {
    writeUInt32(value);
    return *this;
}

TesFileWrite& TesFileWrite::operator<<(int32_t value) {
    writeInt32(value);
    return *this;
}

TesFileWrite& TesFileWrite::operator<<(char value) {
    writeByte(value);
    return *this;
}

TesFileWrite& TesFileWrite::operator<<(signed char value) {
    writeByte(static_cast<char>(value));
    return *this;
}

TesFileWrite& TesFileWrite::operator<<(unsigned char value) {
    writeUChar(value);
    return *this;
}

namespace {

// One writer per process serves the string serialisers; it never owns a root.
TesFileWrite& serialiserWriter() {
    static TesFileWrite writer(nullptr, false);
    return writer;
}

template <class Text>
bool writeStringBlock(BinOutput& out, const Text& text) {
    TesFileWrite& writer = serialiserWriter();
    writer.setOutput(&out, false);
    writer << text;
    const bool written = writer.good();
    writer.setOutput(nullptr, false);
    return written;
}

}  // namespace

bool tesWriteWString(BinOutput& out, const TesString& text) { return writeStringBlock(out, text); }

bool tesWriteCString(BinOutput& out, const NelCString& text) { return writeStringBlock(out, text); }
