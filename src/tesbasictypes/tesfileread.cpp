#include "tesfileread.h"

#include <algorithm>
#include <limits>

#include "binio.h"
#include "bucketmemorypool.h"
#include "os/fileio.h"
#include "queryinterface.h"
#include "tesassert.h"
#include "tesmatrix.h"
#include "tesvector.h"
#include "textcodec.h"

namespace {

constexpr const char* kTesSourceName = "src/tesbasictypes/tesfile";
constexpr const char* kClassName = "TesFileRead";
constexpr const char* kInterfaceName = "ITesDataModelReader";
constexpr const char* kNoStreamText = "bi_";
constexpr const char* kStreamAttachedText = "!bi_";
constexpr const char* kNoOpenBlockText = "end_.size() > 0 || !good_";
constexpr uint32_t kNoTag = 0xFFFFFF;
constexpr uint32_t kNoVersion = 0xFFFFFFFF;
constexpr uint32_t kMaxRootVersion = 1;
constexpr uint32_t kWideSizeWidth = 64;
constexpr int64_t kNarrowHeaderBytes = 8;
constexpr int64_t kWideHeaderBytes = 12;
// Longest text a string holds, leaving room for the terminator.
constexpr int64_t kMaxTextLength = std::numeric_limits<int32_t>::max() - 1;

uint32_t tagOf(uint32_t word) { return (word >> 8) & kTesMaxTag; }
uint32_t versionOf(uint32_t word) { return word & kTesMaxBlockVersion; }

TesClassId classIdFromBytes(const unsigned char (&bytes)[kTesClassIdBytes]) {
    TesClassId id{};
    id.data1 = tesFromBigEndian<uint32_t>(bytes, 4);
    id.data2 = tesFromBigEndian<uint16_t>(bytes + 4, 2);
    id.data3 = tesFromBigEndian<uint16_t>(bytes + 6, 2);
    for (int i = 0; i < 8; ++i) id.data4[i] = bytes[8 + i];
    return id;
}

// Reads a header word and size field, as the input's size width says, without
// touching any reader state. False when they did not both arrive.
bool readHeaderWords(BinInput& in, uint32_t& word, uint64_t& size, int64_t& headerBytes) {
    word = 0;
    size = 0;
    if (!in.read(&word, 1)) return false;
    if (in.sizeWidth() == kWideSizeWidth) {
        headerBytes = kWideHeaderBytes;
        return in.read(&size, 1);
    }
    headerBytes = kNarrowHeaderBytes;
    uint32_t narrow = 0;
    const bool complete = in.read(&narrow, 1);
    size = narrow;
    return complete;
}

bool readClassIdRaw(BinInput& in, TesClassId& id) {
    unsigned char bytes[kTesClassIdBytes];
    if (!in.read(bytes, sizeof(bytes))) return false;
    id = classIdFromBytes(bytes);
    return true;
}

// A buffer of `bytes` from the bucket pool, given back when it goes.
class PoolBuffer {
public:
    explicit PoolBuffer(int64_t bytes)
        : block_(bytes <= std::numeric_limits<uint32_t>::max() ? poolAllocate(static_cast<uint32_t>(bytes), &usable_)
                                                               : nullptr) {}
    ~PoolBuffer() { poolFree(usable_, block_); }
    PoolBuffer(const PoolBuffer&) = delete;
    PoolBuffer& operator=(const PoolBuffer&) = delete;

    void* get() const { return block_; }

private:
    uint32_t usable_ = 0;
    void* block_;
};

}  // namespace

TesFileRead::TesFileRead() = default;

TesFileRead::TesFileRead(BinInput* in) : bi_(in), good_(true) {}

TesFileRead::~TesFileRead() { close(); }

void TesFileRead::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out,
                   {kClassName, this, static_cast<ITesDataModelReader*>(this),
                    {{kInterfaceName, static_cast<ITesDataModelReader*>(this)}}});
}

const char* TesFileRead::className() const { return kClassName; }

bool TesFileRead::hasInput(const char* text) {
    TES_ASSERT(bi_ != nullptr, text);
    return bi_ != nullptr;
}

int64_t TesFileRead::currentEnd() const { return end_.empty() ? bi_->length() : end_.top(); }

template <class T>
bool TesFileRead::readFields(T* values, size_t count) {
    std::fill(values, values + count, T{});
    if (!good_ || bi_ == nullptr) return false;
    if (!end_.empty()) {
        const int64_t left = end_.top() - bi_->tell();
        if (left < 0 || static_cast<uint64_t>(left) / sizeof(T) < count) {
            good_ = false;
            return false;
        }
    }
    if (!bi_->read(values, count)) good_ = false;
    return good_;
}

bool TesFileRead::readClassIdFields(TesClassId& id) {
    unsigned char bytes[kTesClassIdBytes];
    const bool complete = readFields(bytes, sizeof(bytes));
    id = classIdFromBytes(bytes);
    return complete;
}

template <class T>
bool TesFileRead::readValueBlock(uint32_t tag, T* values, size_t count) {
    std::fill(values, values + count, T{});
    const bool opened = beginBlock();
    if (opened && tag_ != tag) good_ = false;
    readFields(values, count);
    if (opened) endBlock();
    return good();
}

bool TesFileRead::readBinary(ITesBinaryObject* object) {
    if (object == nullptr || !hasInput(kNoStreamText)) return false;
    return object->readBinary(*bi_);
}

bool TesFileRead::readModel(ITesDataModelObject* object) { return object != nullptr && object->readModel(*this); }

bool TesFileRead::readGuid(TesClassId& id) {
    unsigned char bytes[kTesClassIdBytes];
    readValueBlock(kTesGuidTag, bytes, sizeof(bytes));
    id = classIdFromBytes(bytes);
    return good();
}

bool TesFileRead::readVec2f(float (&values)[2]) { return readValueBlock(kTesVec2fTag, values, 2); }

bool TesFileRead::readVec2d(double (&values)[2]) { return readValueBlock(kTesVec2dTag, values, 2); }

bool TesFileRead::readMatrix4d(double (&values)[4][4]) { return readValueBlock(kTesMatrix4dTag, &values[0][0], 16); }

bool TesFileRead::readVec3d(double (&values)[3]) { return readValueBlock(kTesVec3dTag, values, 3); }

bool TesFileRead::readUnits(TesString& text, int64_t count) {
    if (count > kMaxTextLength) {
        good_ = false;
        return false;
    }
    PoolBuffer buffer((count + 1) * static_cast<int64_t>(sizeof(uint16_t)));
    auto* units = static_cast<uint16_t*>(buffer.get());
    if (units == nullptr) {
        good_ = false;
        return false;
    }
    if (!readFields(units, static_cast<size_t>(count))) return false;
    units[count] = 0;
    text = reinterpret_cast<const char16_t*>(units);
    return true;
}

bool TesFileRead::readBytes(NelCString& text, int64_t count) {
    if (count > kMaxTextLength) {
        good_ = false;
        return false;
    }
    PoolBuffer buffer(count + 1);
    auto* bytes = static_cast<char*>(buffer.get());
    if (bytes == nullptr) {
        good_ = false;
        return false;
    }
    int64_t got = 0;
    while (got < count) {
        const size_t piece = bi_->readRaw(bytes + got, static_cast<size_t>(count - got));
        if (piece == 0) break;
        got += static_cast<int64_t>(piece);
    }
    if (got < count) {
        good_ = false;
        return false;
    }
    bytes[count] = '\0';
    text = bytes;
    return true;
}

bool TesFileRead::readWString(TesString& text) {
    text = TesString();
    const int32_t before = depth();
    expectBlock(kTesWStringTag);
    const bool opened = depth() > before;
    if (good()) readUnits(text, remaining() / static_cast<int64_t>(sizeof(uint16_t)));
    if (opened) endBlock();
    return true;
}

bool TesFileRead::readCString(NelCString& text) {
    const bool opened = beginBlock();
    if (opened && tag_ != kTesCStringTag) good_ = false;
    if (good()) readBytes(text, remaining());
    if (opened) endBlock();
    return good();
}

bool TesFileRead::readDouble(double& value) { return readFields(&value, 1); }

bool TesFileRead::readFloat(float& value) { return readFields(&value, 1); }

bool TesFileRead::readUInt32(uint32_t& value) { return readFields(&value, 1); }

bool TesFileRead::readInt32(int32_t& value) { return readFields(&value, 1); }

bool TesFileRead::readByte(char& value) { return readFields(&value, 1); }

bool TesFileRead::readUChar(unsigned char& value) { return readFields(&value, 1); }

const TesClassId* TesFileRead::peekClassId() {
    peekedClassId_ = TesClassId{};
    if (!hasInput(kNoStreamText)) return &peekedClassId_;
    const int64_t start = bi_->tell();
    uint32_t word = 0;
    uint64_t size = 0;
    int64_t headerBytes = 0;
    if (readHeaderWords(*bi_, word, size, headerBytes)) readClassIdRaw(*bi_, peekedClassId_);
    bi_->seek(start, true);
    return &peekedClassId_;
}

bool TesFileRead::beginObject(ITesDataModelObject*, uint32_t& version) {
    peekedClassId_ = TesClassId{};
    const bool opened = beginBlock();
    version = version_;
    if (!opened) return false;
    if (tag_ != kTesObjectTag) {
        good_ = false;
        return false;
    }
    return true;
}

bool TesFileRead::endObject() { return endBlock(); }

const TesString* TesFileRead::peekName() {
    if (!hasInput(kNoStreamText)) {
        peekedName_ = TesString();
        return &peekedName_;
    }
    const int64_t start = bi_->tell();
    readWString(peekedName_);
    bi_->seek(start, true);
    return &peekedName_;
}

bool TesFileRead::beginNamed(const TesString&, TesClassId& classId) {
    TesString name;
    readWString(name);
    classId = *peekClassId();
    return good();
}

bool TesFileRead::endNamed() { return true; }

bool TesFileRead::blockFits(int64_t start, uint64_t size, int64_t headerBytes) const {
    const int64_t limit = std::min(bi_->length(), currentEnd());
    if (start < 0 || start > limit) return false;
    return size >= static_cast<uint64_t>(headerBytes) && size <= static_cast<uint64_t>(limit - start);
}

bool TesFileRead::failBlock(int64_t start) {
    bi_->seek(start, true);
    good_ = false;
    return false;
}

bool TesFileRead::beginBlock() {
    if (!hasInput(kNoStreamText)) return false;
    const int64_t start = bi_->tell();
    uint32_t word = 0;
    readFields(&word, 1);
    tag_ = tagOf(word);
    version_ = versionOf(word);
    if (tag_ == kTesRootTag) {
        if (version_ == 0) {
            bi_->setSizeWidth32();
        } else {
            bi_->setSizeWidth64();
        }
    }
    uint64_t size = 0;
    int64_t headerBytes = kNarrowHeaderBytes;
    if (bi_->sizeWidth() == kWideSizeWidth) {
        headerBytes = kWideHeaderBytes;
        readFields(&size, 1);
    } else {
        uint32_t narrow = 0;
        readFields(&narrow, 1);
        size = narrow;
    }
    if (size == 0 && tag_ == kTesRootTag) size = static_cast<uint64_t>(bi_->length());
    if (!good() || !blockFits(start, size, headerBytes)) return failBlock(start);
    if (tag_ == kTesObjectTag) {
        if (size - static_cast<uint64_t>(headerBytes) < static_cast<uint64_t>(kTesClassIdBytes)) {
            return failBlock(start);
        }
        if (!readClassIdFields(classId_)) return failBlock(start);
    }
    end_.push(start + static_cast<int64_t>(size));
    return true;
}

bool TesFileRead::atBlockEnd() { return !good() || bi_->tell() >= currentEnd(); }

bool TesFileRead::endBlock() {
    if (end_.empty()) {
        TES_ASSERT(end_.size() > 0 || !good_, kNoOpenBlockText);
        return false;
    }
    if (good_ && !bi_->seek(end_.top(), true)) good_ = false;
    end_.pop();
    good_ = good();
    return good_;
}

bool TesFileRead::good() { return good_ && bi_ != nullptr && bi_->ok(); }

uint32_t TesFileRead::peekTag() {
    if (!hasInput(kNoStreamText)) return kNoTag;
    const int64_t start = bi_->tell();
    uint32_t word = 0;
    const bool complete = bi_->read(&word, 1);
    bi_->seek(start, true);
    return complete ? tagOf(word) : kNoTag;
}

BinInput* TesFileRead::createInput(const TesString& path) { return new BinInputFile(path.c_str()); }

bool TesFileRead::open(const TesString& path) {
    TES_ASSERT(bi_ == nullptr, kStreamAttachedText);
    if (bi_ != nullptr) return false;
    if (!tesFileReadable(tesWideToUtf8(path.c_str()).c_str())) return false;
    BinInput* in = createInput(path);
    if (in == nullptr) return false;
    if (!in->ok()) {
        delete in;
        return false;
    }
    bi_ = in;
    ownsStream_ = true;
    good_ = true;
    classId_ = TesClassId{};
    end_.clear();
    readHeader();
    return true;
}

void TesFileRead::detach() {
    if (ownsStream_ && bi_ != nullptr) {
        bi_->close();
        delete bi_;
    }
    bi_ = nullptr;
    ownsStream_ = false;
    end_.clear();
}

void TesFileRead::close() {
    if (bi_ != nullptr && !end_.empty()) endBlock();
    detach();
    good_ = false;
}

void TesFileRead::setInput(BinInput* in) {
    if (in == bi_) return;
    classId_ = TesClassId{};
    detach();
    bi_ = in;
    good_ = true;
}

bool TesFileRead::readHeader() {
    const bool root = beginBlock() && tag_ == kTesRootTag;
    good_ = root && version_ <= kMaxRootVersion;
    return root;
}

bool TesFileRead::expectBlock(uint32_t tag) {
    if (!beginBlock()) return false;
    if (tag_ == tag) return true;
    good_ = false;
    return false;
}

bool TesFileRead::expectBlock(uint32_t tag, int32_t maxVersion) {
    if (!beginBlock()) return false;
    if (tag_ == tag && static_cast<int32_t>(version_) <= maxVersion) return true;
    good_ = false;
    return false;
}

int64_t TesFileRead::remaining() {
    if (!hasInput(kNoStreamText) || !good()) return 0;
    return std::max<int64_t>(0, currentEnd() - bi_->tell());
}

bool TesFileRead::skipBlock() {
    if (beginBlock()) endBlock();
    return good();
}

bool TesFileRead::peekObject(const TesClassId& classId, uint32_t* version) {
    if (version != nullptr) *version = kNoVersion;
    if (!hasInput(kNoStreamText)) return false;
    const int64_t start = bi_->tell();
    uint32_t word = 0;
    uint64_t size = 0;
    int64_t headerBytes = 0;
    const bool headerRead = readHeaderWords(*bi_, word, size, headerBytes);
    if (!good()) return false;
    const uint64_t payload = size - static_cast<uint64_t>(headerBytes);
    TesClassId found{};
    const bool match = headerRead && tagOf(word) == kTesObjectTag && blockFits(start, size, headerBytes) &&
                       payload >= static_cast<uint64_t>(kTesClassIdBytes) && readClassIdRaw(*bi_, found) &&
                       found == classId;
    bi_->seek(start, true);
    if (match && version != nullptr) *version = versionOf(word);
    return match;
}

bool TesFileRead::peekBlock(uint32_t tag, uint32_t* version) {
    if (version != nullptr) *version = kNoVersion;
    if (!hasInput(kNoStreamText)) return false;
    const int64_t start = bi_->tell();
    uint32_t word = 0;
    const bool wordRead = bi_->read(&word, 1);
    if (!good()) return false;
    bi_->seek(start, true);
    const bool match = wordRead && tagOf(word) == tag;
    if (match && version != nullptr) *version = versionOf(word);
    return match;
}

TesFileRead& TesFileRead::operator>>(TesClassId& id) {
    readGuid(id);
    return *this;
}

TesFileRead& TesFileRead::operator>>(float (&values)[2]) {
    readVec2f(values);
    return *this;
}

TesFileRead& TesFileRead::operator>>(double (&values)[2]) {
    readVec2d(values);
    return *this;
}

TesFileRead& TesFileRead::operator>>(double (&values)[3]) {
    readVec3d(values);
    return *this;
}

TesFileRead& TesFileRead::operator>>(double (&values)[4]) {
    readValueBlock(kTesVec4dTag, values, 4);
    return *this;
}

TesFileRead& TesFileRead::operator>>(double (&values)[4][4]) {
    readMatrix4d(values);
    return *this;
}

TesFileRead& TesFileRead::operator>>(TesVector& vector) {
    double values[3];
    readVec3d(values);
    vector = TesVector(values[0], values[1], values[2]);
    return *this;
}

TesFileRead& TesFileRead::operator>>(TesMatrix& matrix) {
    readValueBlock(kTesMatrix4dTag, matrix.data(), TesMatrix::kElementCount);
    return *this;
}

TesFileRead& TesFileRead::operator>>(TesString& text) {
    readWString(text);
    return *this;
}

TesFileRead& TesFileRead::operator>>(NelCString& text) {
    readCString(text);
    return *this;
}

TesFileRead& TesFileRead::operator>>(double& value) {
    readDouble(value);
    return *this;
}

TesFileRead& TesFileRead::operator>>(float& value) {
    readFloat(value);
    return *this;
}

TesFileRead& TesFileRead::operator>>(uint32_t& value) {
    readUInt32(value);
    return *this;
}

TesFileRead& TesFileRead::operator>>(int32_t& value) {
    readInt32(value);
    return *this;
}

TesFileRead& TesFileRead::operator>>(char& value) {
    readByte(value);
    return *this;
}

TesFileRead& TesFileRead::operator>>(signed char& value) {
    char byte = 0;
    readByte(byte);
    value = static_cast<signed char>(byte);
    return *this;
}

TesFileRead& TesFileRead::operator>>(unsigned char& value) {
    readUChar(value);
    return *this;
}

namespace {

// One reader per process serves the string serialisers.
TesFileRead& serialiserReader() {
    static TesFileRead reader;
    return reader;
}

template <class Text>
bool readStringBlock(BinInput& in, Text& text) {
    TesFileRead& reader = serialiserReader();
    reader.setInput(&in);
    text = Text();
    reader >> text;
    const bool read = reader.good();
    reader.setInput(nullptr);
    return read;
}

}  // namespace

bool tesReadWString(BinInput& in, TesString& text) { return readStringBlock(in, text); }

bool tesReadCString(BinInput& in, NelCString& text) { return readStringBlock(in, text); }
