// TesFileWrite: writes the data-model format (datamodel.h) onto a BinOutput.
//
// A writer is detached, attached to a caller's stream (which it never deletes)
// or owns a file it opened: then it writes the root header at open and, when
// destroyed, closed or re-attached, ends the open blocks and the root block,
// flushes the stream and deletes it.
//
// The format version decides the width of every size field: versions 1 to 9
// give 4-byte sizes (root version 0), version 0 and 10 and above 8-byte sizes
// (root version 1). A block too long for a 4-byte size gets the size
// 0xFFFFFFFF and makes the writer not good.
//
// A writer may live on the stack; one made with new is held through IPtr.
#pragma once

#include <cstdint>

#include "datamodel.h"
#include "nelcstring.h"
#include "positionstack.h"
#include "tesstring.h"

class TesMatrix;
struct TesVector;

class TesFileWrite : public ITesDataModelWriter {
public:
    // Detached; owns the root block it will write.
    TesFileWrite();
    // Attached to `out` (not owned, may be null) with the stream's version as
    // format version. A writer that owns its root ends the root block and
    // flushes the stream when it lets go of it.
    TesFileWrite(BinOutput* out, bool ownsRoot);
    ~TesFileWrite() override;

    void queryInterface(const char* name, void** out) override;
    const char* className() const override;

    bool writeBinary(ITesBinaryObject* object) override;
    bool writeModel(ITesDataModelObject* object) override;
    bool writeGuid(const TesClassId& id) override;
    bool writeVec2f(const float (&values)[2]) override;
    bool writeVec2d(const double (&values)[2]) override;
    bool writeMatrix4d(const double (&values)[4][4]) override;
    bool writeVec3d(const double (&values)[3]) override;
    bool writeWString(const TesString& text) override;
    bool writeCString(const NelCString& text) override;
    bool writeDouble(double value) override;
    bool writeFloat(float value) override;
    bool writeUInt32(uint32_t value) override;
    bool writeInt32(int32_t value) override;
    bool writeByte(char value) override;
    bool writeUChar(unsigned char value) override;
    bool beginObject(ITesDataModelObject* object, uint32_t version) override;
    bool endObject() override;
    bool beginNamed(const TesString& name) override;
    bool endNamed() override;
    bool writeObjectHeader(const TesClassId& id, uint32_t version) override;
    bool beginBlock(uint32_t tag, uint32_t version) override;
    // False, after the assertion "end_.size() > 0", with no block open.
    bool endBlock() override;
    // Not marked bad, a stream attached, and the stream reports no error.
    bool good() override;
    // The stream open() writes to: a new BinOutputFile on `path`.
    virtual BinOutput* createOutput(const TesString& path);

    // Creates the file through createOutput and writes the root header. False,
    // with nothing attached, when the stream could not be made; the assertion
    // "!bo_" when a stream is attached already.
    bool open(const TesString& path);
    // Lets go of the current stream as the destructor does, then attaches
    // `out` (not owned, good). Attaching the attached stream does nothing.
    void setOutput(BinOutput* out, bool ownsRoot);
    // Lets go of the current stream as the destructor does; true when the
    // writer was good up to the end and the last flush succeeded.
    bool close();
    // The root block's header; its version follows the format version.
    bool writeHeader();
    // Sets the format version, on the attached stream too.
    void setVersion(uint32_t version);
    uint32_t formatVersion() const { return version_; }
    void setBad() { good_ = false; }
    BinOutput* output() const { return bo_; }
    // Open blocks, the root included.
    int32_t depth() const { return end_.size(); }

    TesFileWrite& operator<<(const TesClassId& id);
    TesFileWrite& operator<<(const float (&values)[2]);
    TesFileWrite& operator<<(const double (&values)[2]);
    TesFileWrite& operator<<(const double (&values)[3]);
    // Four doubles, block 0x10007.
    TesFileWrite& operator<<(const double (&values)[4]);
    TesFileWrite& operator<<(const double (&values)[4][4]);
    TesFileWrite& operator<<(const TesVector& vector);
    TesFileWrite& operator<<(const TesMatrix& matrix);
    TesFileWrite& operator<<(const TesString& text);
    TesFileWrite& operator<<(const NelCString& text);
    TesFileWrite& operator<<(double value);
    TesFileWrite& operator<<(float value);
    TesFileWrite& operator<<(uint32_t value);
    TesFileWrite& operator<<(int32_t value);
    TesFileWrite& operator<<(char value);
    TesFileWrite& operator<<(signed char value);
    TesFileWrite& operator<<(unsigned char value);

private:
    bool wideSizes() const;
    bool hasOutput(const char* text);
    // A block holding `count` doubles.
    bool writeDoubleBlock(uint32_t tag, const double* values, size_t count);
    void writeSizePlaceholder();
    // Writes `size` into the size field of the block at `start`: in the
    // stream's buffer while the field is still pending there, else by seeking
    // to it and back. A size beyond a 4-byte field is written as 0xFFFFFFFF
    // and makes the writer not good.
    void patchSize(int64_t start, uint64_t size);
    // Typed writes that mark the writer bad when the stream refuses them.
    template <class T>
    void put(const T* values, size_t count);
    // Lets go of the stream: ends the open blocks (the root too when owned),
    // flushes and deletes as the stream's ownership says.
    bool detach();

    BinOutput* bo_ = nullptr;
    TesPositionStack end_;
    bool ownsStream_ = false;
    bool good_ = true;
    bool ownsRoot_ = true;
    uint32_t version_ = 0;
};

// A string as its data-model block straight on a bare stream, with the
// stream's version deciding the size width. An input reads these blocks with
// 4-byte sizes unless its width was fixed to 64 (BinInput::setSizeWidth64), so
// pair a bare input with an output of version 1 to 9, or fix its width.
// True when the stream took the block.
bool tesWriteWString(BinOutput& out, const TesString& text);
bool tesWriteCString(BinOutput& out, const NelCString& text);
