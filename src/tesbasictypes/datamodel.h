// The data-model interfaces. A data-model object writes and reads its own
// members through ITesDataModelWriter and ITesDataModelReader, which keep them
// in the block-structured data-model format: every value that is more than a
// scalar travels in a tagged block whose header holds the word
// (tag << 8) | version and the block's total size, header included, in 4 or 8
// big-endian bytes (the root block decides which). Scalars carry no tag.
//
// Writers and readers report failures through good(): callers run a sequence
// of operations and test good() afterwards.
#pragma once

#include <cstdint>

#include "classid.h"
#include "tesobject.h"

class BinInput;
class BinOutput;
class NelCString;
class TesString;
class ITesDataModelReader;
class ITesDataModelWriter;

// Block tags. Value blocks have version 0; an object block carries the
// object's data version.
inline constexpr uint32_t kTesRootTag = 0x4E454C;    // "NEL", the root of a file
inline constexpr uint32_t kTesObjectTag = 0x0B0002;  // TES_OBJECT_TAG: class identifier, then members
inline constexpr uint32_t kTesVec3dTag = 0x10000;    // three doubles
inline constexpr uint32_t kTesCStringTag = 0x10003;  // 8-bit text, no terminator
inline constexpr uint32_t kTesMatrix4dTag = 0x10004; // sixteen doubles, row by row
inline constexpr uint32_t kTesWStringTag = 0x10005;  // 16-bit units, no terminator
inline constexpr uint32_t kTesRectTag = 0x10006;     // xMin, yMin, xMax, yMax as doubles
inline constexpr uint32_t kTesVec4dTag = 0x10007;    // four doubles
inline constexpr uint32_t kTesGuidTag = 0x10008;     // a class identifier alone
inline constexpr uint32_t kTesVec2dTag = 0x10009;    // two doubles
inline constexpr uint32_t kTesVec2fTag = 0x10010;    // two floats

// Largest tag and version a header word holds.
inline constexpr uint32_t kTesMaxTag = 0xFFFFFF;
inline constexpr uint32_t kTesMaxBlockVersion = 0xFF;

// Bytes of a class identifier on disk: Data1 (4), Data2 (2), Data3 (2), Data4 (8).
inline constexpr int64_t kTesClassIdBytes = 16;

// An object that writes and reads itself on a bare binary stream.
class ITesBinaryObject : public virtual ITesUnknown {
public:
    virtual bool writeBinary(BinOutput& out) = 0;
    virtual bool readBinary(BinInput& in) = 0;
};

// An object of a data model: it names its class and writes and reads its
// members through the data-model interfaces, normally inside an object block
// (beginObject ... endObject).
class ITesDataModelObject : public virtual ITesUnknown {
public:
    virtual TesClassId classId() const = 0;
    virtual bool writeModel(ITesDataModelWriter& writer) = 0;
    virtual bool readModel(ITesDataModelReader& reader) = 0;
};

// Value operations return true; failures show in good(). The operations that
// forward to an object return the object's answer (false for a null object).
class ITesDataModelWriter : public virtual ITesUnknown {
public:
    virtual bool writeBinary(ITesBinaryObject* object) = 0;
    virtual bool writeModel(ITesDataModelObject* object) = 0;
    virtual bool writeGuid(const TesClassId& id) = 0;
    virtual bool writeVec2f(const float (&values)[2]) = 0;
    virtual bool writeVec2d(const double (&values)[2]) = 0;
    virtual bool writeMatrix4d(const double (&values)[4][4]) = 0;
    virtual bool writeVec3d(const double (&values)[3]) = 0;
    // A null string writes an empty block.
    virtual bool writeWString(const TesString& text) = 0;
    virtual bool writeCString(const NelCString& text) = 0;
    virtual bool writeDouble(double value) = 0;
    virtual bool writeFloat(float value) = 0;
    virtual bool writeUInt32(uint32_t value) = 0;
    virtual bool writeInt32(int32_t value) = 0;
    virtual bool writeByte(char value) = 0;
    virtual bool writeUChar(unsigned char value) = 0;
    // An object block for `object`'s class with data version `version`.
    virtual bool beginObject(ITesDataModelObject* object, uint32_t version) = 0;
    virtual bool endObject() = 0;
    // Writes `name` as a wide-string block; opens no block.
    virtual bool beginNamed(const TesString& name) = 0;
    virtual bool endNamed() = 0;
    virtual bool writeObjectHeader(const TesClassId& id, uint32_t version) = 0;
    // Opens a block: tag below 2^24, version below 256.
    virtual bool beginBlock(uint32_t tag, uint32_t version) = 0;
    // Closes the innermost open block, writing its size into its header.
    virtual bool endBlock() = 0;
    virtual bool good() = 0;
};

// Read operations leave 0 (or an empty string) in what they could not read.
class ITesDataModelReader : public virtual ITesUnknown {
public:
    virtual bool readBinary(ITesBinaryObject* object) = 0;
    virtual bool readModel(ITesDataModelObject* object) = 0;
    virtual bool readGuid(TesClassId& id) = 0;
    virtual bool readVec2f(float (&values)[2]) = 0;
    virtual bool readVec2d(double (&values)[2]) = 0;
    virtual bool readMatrix4d(double (&values)[4][4]) = 0;
    virtual bool readVec3d(double (&values)[3]) = 0;
    virtual bool readWString(TesString& text) = 0;
    virtual bool readCString(NelCString& text) = 0;
    virtual bool readDouble(double& value) = 0;
    virtual bool readFloat(float& value) = 0;
    virtual bool readUInt32(uint32_t& value) = 0;
    virtual bool readInt32(int32_t& value) = 0;
    virtual bool readByte(char& value) = 0;
    virtual bool readUChar(unsigned char& value) = 0;
    // The class identifier of the object block that starts here; the position
    // is unchanged. Owned by the reader, replaced by the next peek.
    virtual const TesClassId* peekClassId() = 0;
    // Opens the next block, which must be an object block; `version` gets the
    // block's version. The object is not consulted.
    virtual bool beginObject(ITesDataModelObject* object, uint32_t& version) = 0;
    virtual bool endObject() = 0;
    // The wide string that starts here; the position is unchanged. Owned by
    // the reader, replaced by the next peek.
    virtual const TesString* peekName() = 0;
    // Consumes a wide-string name (the argument is not consulted) and reports
    // the class identifier of the object block after it, before which the
    // position stays.
    virtual bool beginNamed(const TesString& name, TesClassId& classId) = 0;
    virtual bool endNamed() = 0;
    virtual bool beginBlock() = 0;
    virtual bool atBlockEnd() = 0;
    // Closes the innermost block, skipping whatever of it was not read.
    virtual bool endBlock() = 0;
    // Tag and version of the most recent block header.
    virtual uint32_t tag() const = 0;
    virtual uint32_t version() const = 0;
    // Of the most recent object block; all zero when there was none.
    virtual const TesClassId& classId() const = 0;
    virtual bool good() = 0;
    // The tag of the next header word, not consumed; 0xFFFFFF when no word
    // could be read.
    virtual uint32_t peekTag() = 0;
};
