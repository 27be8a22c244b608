#include "tesmatrix.h"

#include <charconv>
#include <cmath>
#include <utility>

namespace {

constexpr int kSize = 4;
constexpr const char* kPrintRowFormat = "(%12.6f %12.6f %12.6f %12.6f\n";
constexpr char kTextSeparator = ' ';
constexpr std::string_view kWhiteSpace = " \t\n\r\f\v";
// Longest shortest-round-trip form of a double, "-2.2250738585072014e-308", and some slack.
constexpr int kNumberTextCapacity = 32;

constinit const TesMatrix kIdentity;

// Index of the first row from `column` down whose element in that column has
// the strictly largest magnitude above 0, or -1 when there is none.
int pivotRow(const TesMatrix& work, int column) {
    int best = -1;
    double bestMagnitude = 0.0;
    for (int row = column; row < kSize; ++row) {
        const double magnitude = std::fabs(work(row, column));
        if (magnitude > bestMagnitude) {
            bestMagnitude = magnitude;
            best = row;
        }
    }
    return best;
}

void swapRows(TesMatrix& m, int first, int second) {
    for (int column = 0; column < kSize; ++column) std::swap(m(first, column), m(second, column));
}

void divideRow(TesMatrix& m, int row, double divisor) {
    for (int column = 0; column < kSize; ++column) m(row, column) /= divisor;
}

// row `target` -= factor × row `source`
void subtractRow(TesMatrix& m, int target, int source, double factor) {
    for (int column = 0; column < kSize; ++column) m(target, column) -= factor * m(source, column);
}

// Clears column `column` of `work` outside the pivot row, mirroring every row
// operation on `result`.
bool eliminateColumn(TesMatrix& work, TesMatrix& result, int column) {
    const int row = pivotRow(work, column);
    if (row < 0) return false;
    if (row != column) {
        swapRows(work, row, column);
        swapRows(result, row, column);
    }
    const double pivot = work(column, column);
    divideRow(work, column, pivot);
    divideRow(result, column, pivot);
    for (int other = 0; other < kSize; ++other) {
        if (other == column) continue;
        const double factor = work(other, column);
        subtractRow(work, other, column, factor);
        subtractRow(result, other, column, factor);
    }
    return true;
}

void appendPrintRow(std::string& out, const TesMatrix& m, int row) {
    const double a = m(row, 0), b = m(row, 1), c = m(row, 2), d = m(row, 3);
    const int length = std::snprintf(nullptr, 0, kPrintRowFormat, a, b, c, d);
    const size_t start = out.size();
    out.resize(start + static_cast<size_t>(length) + 1);
    std::snprintf(out.data() + start, static_cast<size_t>(length) + 1, kPrintRowFormat, a, b, c, d);
    out.pop_back();
}

// Parses one number at the start of `text` that ends at white space or at the
// end of the text, and drops it from `text`.
bool takeNumber(std::string_view& text, double& value) {
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || (stop != end && kWhiteSpace.find(*stop) == std::string_view::npos)) return false;
    text.remove_prefix(static_cast<size_t>(stop - text.data()));
    return true;
}

void skipWhiteSpace(std::string_view& text) {
    const size_t first = text.find_first_not_of(kWhiteSpace);
    text.remove_prefix(first == std::string_view::npos ? text.size() : first);
}

}  // namespace

TesMatrix TesMatrix::fromValues(const double* values) {
    TesMatrix m;
    if (values == nullptr) return m;
    for (int i = 0; i < kElementCount; ++i) m.values_[i] = values[i];
    return m;
}

TesMatrix TesMatrix::fromColumns(const TesVector& xAxis, const TesVector& yAxis, const TesVector& zAxis,
                                 const TesVector& origin) {
    return TesMatrix({
        xAxis.x, yAxis.x, zAxis.x, origin.x,  //
        xAxis.y, yAxis.y, zAxis.y, origin.y,  //
        xAxis.z, yAxis.z, zAxis.z, origin.z,  //
        0.0, 0.0, 0.0, 1.0,
    });
}

TesMatrix TesMatrix::fromRows(const TesVector& row0, const TesVector& row1, const TesVector& row2) {
    return TesMatrix({
        row0.x, row0.y, row0.z, 0.0,  //
        row1.x, row1.y, row1.z, 0.0,  //
        row2.x, row2.y, row2.z, 0.0,  //
        0.0, 0.0, 0.0, 1.0,
    });
}

TesMatrix TesMatrix::translationMatrix(const TesVector& offset) {
    TesMatrix m;
    m.setTranslation(offset);
    return m;
}

TesMatrix TesMatrix::rotation(const TesVector& axis, double angle) {
    const TesVector n = axis.normalized();
    const double x = n.x, y = n.y, z = n.z;
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    const double t = 1.0 - c;
    return TesMatrix({
        t * x * x + c,     t * x * y - s * z, t * x * z + s * y, 0.0,  //
        t * x * y + s * z, t * y * y + c,     t * y * z - s * x, 0.0,  //
        t * x * z - s * y, t * y * z + s * x, t * z * z + c,     0.0,  //
        0.0,               0.0,               0.0,               1.0,
    });
}

const TesMatrix& TesMatrix::identity() { return kIdentity; }

TesVector TesMatrix::column(int index) const {
    if (index < 0 || index >= kSize) return TesVector::zero();
    return {(*this)(0, index), (*this)(1, index), (*this)(2, index)};
}

TesVector TesMatrix::translation() const { return column(3); }

void TesMatrix::setTranslation(const TesVector& offset) {
    values_[3] = offset.x;
    values_[7] = offset.y;
    values_[11] = offset.z;
}

TesMatrix TesMatrix::rotationPart() const {
    TesMatrix m = *this;
    m.setTranslation(TesVector::zero());
    m.values_[12] = 0.0;
    m.values_[13] = 0.0;
    m.values_[14] = 0.0;
    m.values_[15] = 1.0;
    return m;
}

TesVector TesMatrix::transformPoint(const TesVector& point) const {
    const double* m = values_;
    const double x = m[0] * point.x + m[1] * point.y + m[2] * point.z + m[3];
    const double y = m[4] * point.x + m[5] * point.y + m[6] * point.z + m[7];
    const double z = m[8] * point.x + m[9] * point.y + m[10] * point.z + m[11];
    const double w = m[12] * point.x + m[13] * point.y + m[14] * point.z + m[15];
    if (w == 1.0) return {x, y, z};
    return {x / w, y / w, z / w};
}

bool TesMatrix::inverse(TesMatrix& result) const {
    TesMatrix work = *this;
    TesMatrix inverted;
    for (int column = 0; column < kSize; ++column) {
        if (!eliminateColumn(work, inverted, column)) return false;
    }
    result = inverted;
    return true;
}

TesMatrix TesMatrix::inverse() const {
    TesMatrix result;
    inverse(result);
    return result;
}

std::string TesMatrix::toText() const {
    std::string text;
    char number[kNumberTextCapacity];
    for (int i = 0; i < kElementCount; ++i) {
        if (i > 0) text += kTextSeparator;
        const auto written = std::to_chars(number, number + kNumberTextCapacity, values_[i]);
        text.append(number, written.ptr);
    }
    return text;
}

bool TesMatrix::fromText(std::string_view text) {
    double parsed[kElementCount];
    for (double& value : parsed) {
        skipWhiteSpace(text);
        if (!takeNumber(text, value)) return false;
    }
    skipWhiteSpace(text);
    if (!text.empty()) return false;
    *this = TesMatrix(parsed);
    return true;
}

std::string TesMatrix::printText() const {
    std::string out;
    for (int row = 0; row < kSize; ++row) appendPrintRow(out, *this, row);
    out += '\n';
    return out;
}

void TesMatrix::print(std::FILE* out) const {
    if (out == nullptr) return;
    const std::string text = printText();
    std::fwrite(text.data(), 1, text.size(), out);
}

TesMatrix operator*(const TesMatrix& a, const TesMatrix& b) {
    TesMatrix product;
    for (int row = 0; row < kSize; ++row) {
        for (int column = 0; column < kSize; ++column) {
            product(row, column) = a(row, 0) * b(0, column) + a(row, 1) * b(1, column) +
                                   a(row, 2) * b(2, column) + a(row, 3) * b(3, column);
        }
    }
    return product;
}
