#include "nelcstring.h"

#include <charconv>
#include <cstring>
#include <string_view>
#include <utility>

#include "primetable.h"
#include "servicelookup.h"
#include "shortestfloat.h"
#include "stringbuffer.h"
#include "tesassert.h"

namespace {

constexpr const char* kTesSourceName = "src/tesbasictypes/nelcstring";
constexpr const char* kNegativeStart = "start >= 0";
// "%f" of the largest double: sign, 309 digits, point and six decimals.
constexpr int32_t kPlainNumberSize = 320;
constexpr int kPlainDecimals = 6;
constexpr uint32_t kWheel = 30;
constexpr uint32_t kWheelResidues[] = {7, 11, 13, 17, 19, 23, 29, 31};
constexpr uint32_t kFirstUnsievedSquare = 49;

int32_t textLength(const char* text) { return text != nullptr ? static_cast<int32_t>(std::strlen(text)) : 0; }

std::string_view view(const char* text, int32_t length) {
    return {text != nullptr ? text : "", static_cast<size_t>(length)};
}

int32_t found(size_t position) {
    return position == std::string_view::npos ? -1 : static_cast<int32_t>(position);
}

}  // namespace

NelCString::NelCString(const char* text) {
    if (text == nullptr) return;
    const Piece piece{text, textLength(text)};
    assignPieces(&piece, 1, false);
}

NelCString::NelCString(const char* text, int32_t length) {
    if (text == nullptr || length < 0) return;
    const Piece piece{text, length};
    assignPieces(&piece, 1, false);
}

NelCString::NelCString(char c) {
    const Piece piece{&c, 1};
    assignPieces(&piece, 1, false);
}

NelCString::NelCString(int32_t value) {
    char text[16];
    const Piece piece{text, static_cast<int32_t>(std::to_chars(text, text + sizeof text, value).ptr - text)};
    assignPieces(&piece, 1, false);
}

NelCString::NelCString(float value, NumberForm form) {
    if (form == NumberForm::plain) {
        *this = NelCString(static_cast<double>(value), form);
        return;
    }
    char text[kTesShortestTextSize];
    const Piece piece{text, tesShortestText(value, text)};
    assignPieces(&piece, 1, false);
}

NelCString::NelCString(double value, NumberForm form) {
    char text[kPlainNumberSize];
    Piece piece{text, 0};
    if (form == NumberForm::plain) {
        // std::to_chars with a precision prints as "%.6f" does, in any locale.
        piece.length = static_cast<int32_t>(
            std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, kPlainDecimals).ptr - text);
    } else {
        piece.length = tesShortestText(value, text);
    }
    assignPieces(&piece, 1, false);
}

NelCString::NelCString(const NelCString& other) : NelCString(other.chars_) {}

NelCString::NelCString(NelCString&& other) noexcept
    : chars_(std::exchange(other.chars_, nullptr)), capacity_(std::exchange(other.capacity_, 0)) {}

NelCString::~NelCString() { release(); }

NelCString& NelCString::operator=(const NelCString& other) { return *this = other.chars_; }

NelCString& NelCString::operator=(NelCString&& other) noexcept {
    if (this != &other) {
        release();
        chars_ = std::exchange(other.chars_, nullptr);
        capacity_ = std::exchange(other.capacity_, 0);
    }
    return *this;
}

NelCString& NelCString::operator=(const char* text) {
    if (text == nullptr) {
        release();
        return *this;
    }
    const Piece piece{text, textLength(text)};
    assignPieces(&piece, 1, false);
    return *this;
}

int32_t NelCString::length() const { return textLength(chars_); }

char NelCString::at(int32_t index) const { return index >= 0 && index < length() ? chars_[index] : '\0'; }

int32_t NelCString::find(char c, int32_t start) const {
    const int32_t size = length();
    if (start < 0 || start >= size) return -1;
    const void* hit = std::memchr(chars_ + start, c, static_cast<size_t>(size - start));
    return hit != nullptr ? static_cast<int32_t>(static_cast<const char*>(hit) - chars_) : -1;
}

int32_t NelCString::find(const char* text, int32_t start) const {
    TES_ASSERT(start >= 0, kNegativeStart);
    if (start < 0) return -1;
    const int32_t textSize = textLength(text);
    if (textSize == 0) return 0;
    const int32_t size = length();
    if (textSize > size || start > size - textSize) return -1;
    return found(view(chars_, size).find(view(text, textSize), static_cast<size_t>(start)));
}

int32_t NelCString::rfind(char c) const { return found(view(chars_, length()).rfind(c)); }

int32_t NelCString::rfind(const char* text) const {
    const int32_t textSize = textLength(text);
    const int32_t size = length();
    if (textSize == 0) return size;
    return found(view(chars_, size).rfind(view(text, textSize)));
}

void NelCString::replace(char from, char to) {
    for (char* c = chars_; c != nullptr && *c != '\0'; ++c) {
        if (*c == from) *c = to;
    }
}

NelCString NelCString::mid(int32_t start, int32_t count) const {
    const int32_t size = length();
    if (start < 0 || start >= size || count <= 0) return NelCString();
    return NelCString(chars_ + start, count < size - start ? count : size - start);
}

NelCString& NelCString::operator+=(char c) {
    const Piece pieces[] = {{chars_, length()}, {&c, 1}};
    assignPieces(pieces, 2, true);
    return *this;
}

NelCString& NelCString::operator+=(const char* text) {
    const Piece pieces[] = {{chars_, length()}, {text, textLength(text)}};
    assignPieces(pieces, 2, true);
    return *this;
}

NelCString NelCString::concat(const char* a, const char* b, const char* c) {
    const Piece pieces[] = {{a, textLength(a)}, {b, textLength(b)}, {c, textLength(c)}};
    NelCString result;
    result.assignPieces(pieces, 3, true);
    return result;
}

bool NelCString::less(const NelCString& other) const {
    if (other.chars_ == nullptr) return false;
    if (chars_ == nullptr) return true;
    return std::strcmp(chars_, other.chars_) < 0;
}

bool operator==(const NelCString& a, const NelCString& b) { return std::strcmp(a.c_str(), b.c_str()) == 0; }

bool operator==(const NelCString& a, const char* b) { return std::strcmp(a.c_str(), b != nullptr ? b : "") == 0; }

uint32_t NelCString::hash() const { return tesStringHash(chars_); }

bool NelCString::isPrime(uint32_t n) {
    if (n < 3 || n == 3 || n == 5) return true;
    if (n % 2 == 0 || n % 3 == 0 || n % 5 == 0) return false;
    if (n < kFirstUnsievedSquare) return true;
    for (uint64_t base = 0;; base += kWheel) {
        for (uint32_t residue : kWheelResidues) {
            const uint64_t divisor = base + residue;
            if (divisor * divisor > n) return true;
            if (n % divisor == 0) return false;
        }
    }
}

uint32_t NelCString::nextPrime(uint32_t n) {
    if (n < 2) return 2;
    for (uint64_t candidate = n % 2 == 0 ? uint64_t{n} + 1 : uint64_t{n} + 2; candidate <= UINT32_MAX; candidate += 2) {
        if (isPrime(static_cast<uint32_t>(candidate))) return static_cast<uint32_t>(candidate);
    }
    return 0;
}

uint32_t NelCString::nextTableSize(uint32_t n) { return tesNextPrime(n); }

void NelCString::assignPieces(const Piece* pieces, int32_t count, bool allowNull) {
    int64_t total = 0;
    for (int32_t i = 0; i < count; ++i) total += pieces[i].length;
    if (total >= INT32_MAX) return;  // no 32-bit buffer can hold it: unchanged
    if (total == 0 && allowNull) {
        release();
        return;
    }
    uint32_t usable = 0;
    auto* buffer = static_cast<char*>(tesStringBufferAllocate(static_cast<int32_t>(total) + 1, &usable));
    char* write = buffer;
    for (int32_t i = 0; i < count; ++i) {
        if (pieces[i].length > 0) std::memcpy(write, pieces[i].text, static_cast<size_t>(pieces[i].length));
        write += pieces[i].length;
    }
    *write = '\0';
    release();
    chars_ = buffer;
    capacity_ = static_cast<int32_t>(usable);
}

void NelCString::release() {
    tesStringBufferFree(static_cast<uint32_t>(capacity_), chars_);
    chars_ = nullptr;
    capacity_ = 0;
}

NelCString operator+(const NelCString& a, const NelCString& b) { return NelCString::concat(a.data(), b.data()); }

NelCString operator+(const NelCString& a, const char* b) { return NelCString::concat(a.data(), b); }

NelCString operator+(const char* a, const NelCString& b) { return NelCString::concat(a, b.data()); }
