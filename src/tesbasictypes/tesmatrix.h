// 4 × 4 matrices of 64-bit floats, stored row by row (element (r, c) at index
// 4r + c), acting on column vectors (x, y, z, 1). The translation sits in
// elements 3, 7 and 11; A * B applies B first. A camera orientation is the
// matrix whose first three rows are its right, up and viewing axes.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "tesvector.h"

class TesMatrix {
public:
    static constexpr int kElementCount = 16;

    // The identity.
    constexpr TesMatrix() : values_{1.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 0.0, 1.0} {}
    // The values in row order.
    constexpr explicit TesMatrix(const double (&values)[kElementCount]) : values_{} {
        for (int i = 0; i < kElementCount; ++i) values_[i] = values[i];
    }

    // The sixteen values at `values` in row order; the identity for null.
    static TesMatrix fromValues(const double* values);
    // Columns 0 to 3 are the x, y and z axes and the origin; bottom row (0, 0, 0, 1).
    static TesMatrix fromColumns(const TesVector& xAxis, const TesVector& yAxis, const TesVector& zAxis,
                                 const TesVector& origin);
    // The identity with rows 0, 1 and 2 replaced in their first three elements,
    // e.g. a camera frame from its right, up and viewing axes.
    static TesMatrix fromRows(const TesVector& row0, const TesVector& row1, const TesVector& row2);
    // The identity with translation `offset`.
    static TesMatrix translationMatrix(const TesVector& offset);
    // Right-handed rotation by `angle` radians about `axis`: about (0, 0, 1) by
    // π/2 it maps (1, 0, 0) to (0, 1, 0). The axis is normalised with TesVector::normalize; a zero axis
    // stays zero and gives cos(angle) on the diagonal.
    static TesMatrix rotation(const TesVector& axis, double angle);

    // The process-wide identity.
    static const TesMatrix& identity();

    // Element access; index in 0 … 15, row and column in 0 … 3 (unchecked).
    double operator[](int index) const { return values_[index]; }
    double& operator[](int index) { return values_[index]; }
    double operator()(int row, int column) const { return values_[4 * row + column]; }
    double& operator()(int row, int column) { return values_[4 * row + column]; }
    const double* data() const { return values_; }
    double* data() { return values_; }

    // (m(0, i), m(1, i), m(2, i)) for i in 0 … 3, else the zero vector.
    TesVector column(int index) const;
    TesVector translation() const;
    // Sets elements 3, 7 and 11 only.
    void setTranslation(const TesVector& offset);
    // The upper-left 3 × 3 block with a zero translation and bottom row (0, 0, 0, 1).
    TesMatrix rotationPart() const;

    // The homogeneous image of `point`, divided by w when w is not exactly 1
    // (a NaN w divides too; w = 0 gives infinities or NaN).
    TesVector transformPoint(const TesVector& point) const;

    // Gauss-Jordan elimination with partial pivoting (first row of the largest
    // magnitude). Writes the inverse to `result` and returns true, or returns
    // false, leaving `result` unchanged, when a column has no pivot above 0.
    bool inverse(TesMatrix& result) const;
    // The inverse, or the identity when the matrix is not invertible.
    TesMatrix inverse() const;

    // The sixteen values row by row, separated by single blanks, each in the
    // shortest form that reads back to the same bits ("nan", "inf" included).
    std::string toText() const;
    // Reads sixteen numbers separated by white space (nothing else around
    // them). Returns false, leaving the matrix unchanged, on any other text.
    bool fromText(std::string_view text);

    // Four lines "(%12.6f %12.6f %12.6f %12.6f\n", one per row, then "\n".
    std::string printText() const;
    // Writes printText() to `out`; nothing for null.
    void print(std::FILE* out) const;

    friend bool operator==(const TesMatrix&, const TesMatrix&) = default;

private:
    double values_[kElementCount];
};

// C(r, c) = Σ A(r, k) · B(k, c), summed over k = 0 … 3 in order.
TesMatrix operator*(const TesMatrix& a, const TesMatrix& b);

inline TesVector operator*(const TesMatrix& m, const TesVector& point) { return m.transformPoint(point); }
