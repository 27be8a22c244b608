// TesFileRead: reads the data-model format (datamodel.h) from a BinInput.
//
// A reader is detached, attached to a caller's stream, or owns a file it
// opened. Every block it opens must lie inside its parent's data and inside
// the input (so the input must know its length: pipes do not work), be at
// least as long as its own header and, for an object block, hold the class
// identifier. A block that breaks this makes the reader not good and leaves
// the position at the block's header. Once not good a reader stays so until
// it is attached again or reopened, and reads give 0 and empty strings.
//
// Scalars inside a block never read beyond its end: a value that would cross
// it, or a read that comes up short, makes the reader not good.
//
// A reader may live on the stack; one made with new is held through IPtr.
#pragma once

#include <cstdint>

#include "classid.h"
#include "datamodel.h"
#include "nelcstring.h"
#include "positionstack.h"
#include "tesstring.h"

class TesMatrix;
struct TesVector;

class TesFileRead : public ITesDataModelReader {
public:
    // Detached and not good until open succeeds.
    TesFileRead();
    // Attached to `in` (not owned), good.
    explicit TesFileRead(BinInput* in);
    ~TesFileRead() override;

    void queryInterface(const char* name, void** out) override;
    const char* className() const override;

    bool readBinary(ITesBinaryObject* object) override;
    bool readModel(ITesDataModelObject* object) override;
    // The value reads return good() afterwards; a block with another tag than
    // the one asked for makes the reader not good.
    bool readGuid(TesClassId& id) override;
    bool readVec2f(float (&values)[2]) override;
    bool readVec2d(double (&values)[2]) override;
    bool readMatrix4d(double (&values)[4][4]) override;
    bool readVec3d(double (&values)[3]) override;
    // Empties `text` first; returns true whatever happened (test good()).
    bool readWString(TesString& text) override;
    // Leaves `text` as it was unless the block could be read.
    bool readCString(NelCString& text) override;
    bool readDouble(double& value) override;
    bool readFloat(float& value) override;
    bool readUInt32(uint32_t& value) override;
    bool readInt32(int32_t& value) override;
    bool readByte(char& value) override;
    bool readUChar(unsigned char& value) override;
    // The tag is not checked; all zero when nothing could be read. Never
    // changes good().
    const TesClassId* peekClassId() override;
    bool beginObject(ITesDataModelObject* object, uint32_t& version) override;
    bool endObject() override;
    // Reads the string as readWString does (so a block that is not a string
    // makes the reader not good), then returns to where it started.
    const TesString* peekName() override;
    bool beginNamed(const TesString& name, TesClassId& classId) override;
    bool endNamed() override;
    // Reads and checks the next header. A "NEL" header fixes the input's size
    // width unless an earlier one did (version 0: 4-byte sizes, others 8);
    // an input whose width was never fixed reads 4-byte sizes. A root block of
    // size 0 runs to the end of the input.
    bool beginBlock() override;
    // True when not good or the position has reached the current block's end
    // (the input's end with no block open).
    bool atBlockEnd() override;
    // Moves to the end of the innermost block and closes it; returns good().
    // With no block open: false, and the assertion "end_.size() > 0 || !good_"
    // on a good reader.
    bool endBlock() override;
    uint32_t tag() const override { return tag_; }
    uint32_t version() const override { return version_; }
    const TesClassId& classId() const override { return classId_; }
    // Not marked bad, a stream attached, and the stream reports no error.
    bool good() override;
    uint32_t peekTag() override;
    // The stream open() reads from: a new BinInputFile on `path`.
    virtual BinInput* createInput(const TesString& path);

    // False when the path is not readable or its stream reports an error.
    // Otherwise true, and the reader is good when the root header is sound
    // ("NEL", version 0 or 1, inside the file). The assertion "!bi_" when a
    // stream is attached already.
    bool open(const TesString& path);
    // Closes the innermost open block, deletes an owned stream and detaches;
    // the reader is then not good.
    void close();
    // Drops the current stream as close() does (an owned one is deleted) and
    // attaches `in`, good, not owned, with no block open. Attaching the
    // attached stream does nothing.
    void setInput(BinInput* in);
    // beginBlock; true when it opened a "NEL" block. The reader is good
    // afterwards exactly when that block also has version 0 or 1.
    bool readHeader();
    // beginBlock, then whether the tag (and the version, compared as signed
    // values) are as expected; a mismatch makes the reader not good.
    bool expectBlock(uint32_t tag);
    bool expectBlock(uint32_t tag, int32_t maxVersion);
    // Bytes left in the current block (in the input with no block open); 0
    // when not good. The assertion "bi_" without a stream.
    int64_t remaining();
    // beginBlock and endBlock; good().
    bool skipBlock();
    // Whether an object block of class `classId` starts here; `version` (may
    // be null) gets its version on a match and 0xFFFFFFFF otherwise. The
    // position is unchanged, except on a reader that is not good after the
    // header word was read.
    bool peekObject(const TesClassId& classId, uint32_t* version = nullptr);
    // Whether a header with tag `tag` starts here; as peekObject.
    bool peekBlock(uint32_t tag, uint32_t* version = nullptr);
    void setBad() { good_ = false; }
    BinInput* input() const { return bi_; }
    // Open blocks, the root included.
    int32_t depth() const { return end_.size(); }

    TesFileRead& operator>>(TesClassId& id);
    TesFileRead& operator>>(float (&values)[2]);
    TesFileRead& operator>>(double (&values)[2]);
    TesFileRead& operator>>(double (&values)[3]);
    // Four doubles, block 0x10007.
    TesFileRead& operator>>(double (&values)[4]);
    TesFileRead& operator>>(double (&values)[4][4]);
    TesFileRead& operator>>(TesVector& vector);
    TesFileRead& operator>>(TesMatrix& matrix);
    TesFileRead& operator>>(TesString& text);
    TesFileRead& operator>>(NelCString& text);
    TesFileRead& operator>>(double& value);
    TesFileRead& operator>>(float& value);
    TesFileRead& operator>>(uint32_t& value);
    TesFileRead& operator>>(int32_t& value);
    TesFileRead& operator>>(char& value);
    TesFileRead& operator>>(signed char& value);
    TesFileRead& operator>>(unsigned char& value);

private:
    bool hasInput(const char* text);
    // The end of the innermost block, or of the input with none open.
    int64_t currentEnd() const;
    // Reads `count` values of the current block; zeros and not good when
    // they are not all there.
    template <class T>
    bool readFields(T* values, size_t count);
    // A block of `count` values with tag `tag`: beginBlock, the fields,
    // endBlock; the result is good().
    template <class T>
    bool readValueBlock(uint32_t tag, T* values, size_t count);
    // The header word and size field at the current position; false when
    // they could not be read. Changes nothing but the position.
    bool readHeaderFields(uint32_t& word, uint64_t& size, int64_t& headerBytes);
    // Whether a block of `size` bytes starting at `start` fits the input and
    // the block it is in.
    bool blockFits(int64_t start, uint64_t size, int64_t headerBytes) const;
    bool failBlock(int64_t start);
    // Reads `count` units or bytes of the current block into `text` through a
    // pool buffer; false, with the reader not good, when they are not all there.
    bool readUnits(TesString& text, int64_t count);
    bool readBytes(NelCString& text, int64_t count);
    // Reads a class identifier of the current block.
    bool readClassIdFields(TesClassId& id);
    // Deletes an owned stream and detaches.
    void detach();

    BinInput* bi_ = nullptr;
    TesPositionStack end_;
    uint32_t tag_ = 0;
    uint32_t version_ = 0;
    TesClassId classId_{};
    TesClassId peekedClassId_{};
    TesString peekedName_;
    bool good_ = false;
    bool ownsStream_ = false;
};

// A string block straight from a bare stream (see tesWriteWString): the text,
// or empty when the block could not be read. True when the block was sound
// and read whole. A text longer than 2^31 - 2 units is refused.
bool tesReadWString(BinInput& in, TesString& text);
bool tesReadCString(BinInput& in, NelCString& text);
