// RealPArray: the abstract base of the library's point arrays. It implements
// what can be said through IRealPArray itself (bounding boxes, sorting steps,
// colour access, the colour block of the binary format, copying and
// comparing) and leaves the storage to a subclass (TesVectorArray). Every
// array reports progress through its ProgressCallbackBase while it is read or
// written. VertexArrayRPA shows a point array to consumers of vertex arrays.
#pragma once

#include <array>
#include <cstdint>

#include "hostapi/infrastructure.h"
#include "iptr.h"
#include "progress.h"
#include "quicksort.h"
#include "tesvector.h"

class BinOutput;
class BlockBitVector;
class VertexArrayImp;

class RealPArray : public ProgressCallbackBase, public virtual IRealPArray {
public:
    // Bit 0 of the colour block's flags: colours follow; bit 1: packed.
    static constexpr int32_t kColorsActive = 0x1;
    static constexpr int32_t kColorsPacked = 0x2;

    // The sorting steps over an array's points: x, then y, then z; a NaN
    // coordinate compares equal.
    class Compare : public QuickSort_Compare {
    public:
        explicit Compare(const IRealPArray* array) : array_(array) {}
        int compare(int32_t i, int32_t j) override;
        // The order compare gives points a and b; inline for the direct
        // sort of TesVectorArray.
        static int order(const TesVector& a, const TesVector& b) {
            if (const int byX = coordinateOrder(a.x, b.x)) return byX;
            if (const int byY = coordinateOrder(a.y, b.y)) return byY;
            return coordinateOrder(a.z, b.z);
        }
        const IRealPArray* array() const { return array_; }

    private:
        static int coordinateOrder(double a, double b) {
            if (a < b) return -1;
            return a > b ? 1 : 0;
        }

        const IRealPArray* array_;
    };

    class Assign : public QuickSort_Assign {
    public:
        explicit Assign(IRealPArray* array) : array_(array) {}
        void assign(int32_t destination, int32_t source) override;
        IRealPArray* array() const { return array_; }
        // The point held for index -1.
        TesVector& temporary() { return temporary_; }

    private:
        IRealPArray* array_;
        TesVector temporary_;
    };

    void queryInterface(const char* name, void** out) override;
    const char* className() const override;

    // The base offers no float forms of add and set, nor slots 26 and 27:
    // they report the assertion "0" and do nothing.
    int32_t add(const float* xyz) override;
    void set(int32_t index, const float* xyz) override;
    void reservedSlot26() override;
    void reservedSlot27() override;

    int32_t add(const double* xyz) override;
    int32_t add(double x, double y, double z) override;
    void set(int32_t index, const double* xyz) override;
    void set(int32_t index, double x, double y, double z) override;
    void get(int32_t index, float* xyz) const override;
    void get(int32_t index, double* xyz) const override;
    void get(int32_t index, double& x, double& y, double& z) const override;
    using IRealPArray::add;
    using IRealPArray::get;
    using IRealPArray::set;

    // Without a colour object, switching on takes an empty one from the
    // service "ITesPointExtraInfo"; false, changing nothing, when there is
    // none. Switching off clears the colours and lets go of an object left
    // empty.
    bool enableColors(bool on) override;
    bool getColor(int32_t index, float* rgb) const override;
    bool getColor(int32_t index, double* rgb) const override;
    bool getColor(int32_t index, double& r, double& g, double& b) const override;
    bool hasColors() const override;
    // Through the stored colour entry index - 1; false without colours or
    // outside them.
    bool setColor(int32_t index, const float* rgb);

    void boundingBox(TesVector& min, TesVector& max, const BitVector& selection) const override;
    void boundingBox(TesVector& min, TesVector& max) const override;
    // Over the points whose bit is set in `selection`.
    void boundingBox(TesVector& min, TesVector& max, const BlockBitVector& selection) const;
    // The largest |x|, |y| or |z| of any point, at least 1e-16.
    double maxAbsCoordinate() const;

    // Same count, same colours over it (or neither array has a colour object),
    // and every coordinate equal; a NaN coordinate makes arrays unequal.
    bool operator==(const RealPArray& other) const;
    // Appends the origin until the count reaches `count`; never shrinks.
    void resize(int32_t count);
    // Point `index` as floats and its gray 0.3 r + 0.59 g + 0.11 b; true when
    // the index is within 1 ... count and the point has a colour.
    bool pointAndGray(int32_t index, float* out) const;
    // (r, g, b, 1); black when the point has no colour.
    std::array<float, 4> colorRGBA(int32_t index) const;

    // The colour block over entries 0 ... m - 1, m = min(lastEntry + 1, colour
    // count): flags (kColorsActive, kColorsPacked), then with active colours
    // the number of entries written and the entries whose bit is not set in
    // `skip`, each a packed 32-bit value or three floats. The output's state.
    bool writeColors(BinOutput& out, int32_t lastEntry, const BlockBitVector* skip = nullptr) const;
    // Reads a colour block: flags 01 and 11 bring colours (a colour object is
    // made when missing), other flags none. Afterwards the colours, if any,
    // are resized to the array's count. False at the first value that cannot
    // be read (the colours then hold the entries read) or for a negative
    // count; also when flags ask for colours and there is no colour service.
    bool readColors(BinInput& in);

    // The packed encoding is written when this is set (default off).
    void setPackedColors(bool packed) { packedColors_ = packed; }
    bool packedColors() const { return packedColors_; }
    // A value kept for the array's owner, 1.0 until set; it travels with the
    // colours when they are copied or exchanged.
    double userValue() const { return userValue_; }
    void setUserValue(double value) { userValue_ = value; }

    ITesPointExtraInfo* colors() const { return colors_.get(); }
    // Takes `colors` (null: none) as this array's colour object.
    void attachColors(ITesPointExtraInfo* colors) { colors_ = colors; }
    // Exchanges the colour objects and the user values.
    void swapColors(RealPArray& other);

    // A vertex-array view of this array (count 0, the caller takes it).
    VertexArrayImp* createVertexArray();

protected:
    RealPArray() = default;
    // Progress starts inactive; the colour object is cloned when asked,
    // otherwise the copy has none.
    RealPArray(const RealPArray& other, bool cloneColors = true);
    // Copies the user value, the points (clear, reserve, append in order) and
    // the colours; nothing for self-assignment.
    RealPArray& operator=(const RealPArray& other);
    ~RealPArray() override;

    // +1e42 in min and -1e42 in max: the box before any point.
    static void startBox(TesVector& min, TesVector& max);

    // Progress state is not part of an array's value: const operations such
    // as writing report through this.
    ProgressCallbackBase& progress() const { return const_cast<RealPArray&>(*this); }

private:
    ITesPointExtraInfo* makeColors();
    template <class Selection>
    void selectedBox(TesVector& min, TesVector& max, const Selection& selection, int32_t size) const;

    IPtr<ITesPointExtraInfo> colors_;
    double userValue_ = 1.0;
    bool packedColors_ = false;
};

// Consumers of vertex arrays see vertices 0 ... size() - 1.
class VertexArrayImp : public ITesUnknown {
public:
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;

    virtual int64_t size() const = 0;
    virtual void vertex(int32_t index, float* xyz) const = 0;
    virtual void vertex(int32_t index, double* xyz) const = 0;
};

// A point array as a vertex array: vertex i is point i, and the size is the
// array's count + 1 when the view was made.
class VertexArrayRPA : public VertexArrayImp {
public:
    explicit VertexArrayRPA(IRealPArray* array);

    int64_t size() const override { return size_; }
    void vertex(int32_t index, float* xyz) const override;
    void vertex(int32_t index, double* xyz) const override;

private:
    IPtr<IRealPArray> array_;
    int64_t size_;
};

// A new empty array of the kind whose record comes next in `in` (its first
// word is peeked, not consumed), made by the service "IRealPArrayFactory";
// null without the service or for a kind it does not know. The caller takes
// the array (count 0).
IRealPArray* createArray(BinInput& in);
