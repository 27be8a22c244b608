// The library's 8-bit string: a zero-terminated buffer from the string buffer
// source, or null for the empty string. The length is always recomputed from
// the terminator. Indices are 0-based; -1 means that nothing was found.
#pragma once

#include <cstdint>

class NelCString {
public:
    // How a floating-point value becomes text: "%f", or the shortest text of
    // shortestfloat.h (which may raise the standard number-parsing errors).
    enum class NumberForm { plain, shortest };

    NelCString() = default;
    // The buffer holds exactly the text plus the terminator; a null text gives
    // the null string, an empty one a buffer holding only the terminator.
    NelCString(const char* text);  // NOLINT: converts implicitly, as literals are passed everywhere
    NelCString(const char* text, int32_t length);
    explicit NelCString(char c);
    explicit NelCString(int32_t value);
    NelCString(float value, NumberForm form);
    NelCString(double value, NumberForm form);
    NelCString(const NelCString& other);
    NelCString(NelCString&& other) noexcept;
    ~NelCString();

    // Copies the other string exactly (a null string stays null).
    NelCString& operator=(const NelCString& other);
    NelCString& operator=(NelCString&& other) noexcept;
    NelCString& operator=(const char* text);

    // Never null: "" for the null string.
    const char* c_str() const { return chars_ != nullptr ? chars_ : ""; }
    // Null for the null string.
    const char* data() const { return chars_; }
    bool isNull() const { return chars_ == nullptr; }
    int32_t length() const;
    bool isEmpty() const { return chars_ == nullptr || chars_[0] == '\0'; }
    // Usable bytes of the buffer, 0 without one.
    int32_t capacity() const { return capacity_; }
    // The character at `index`, or 0 outside the string.
    char at(int32_t index) const;

    // First occurrence at or after `start`; -1 for the null string, a negative
    // start, a start at or beyond the length, or no occurrence.
    int32_t find(char c, int32_t start = 0) const;
    // First occurrence at or after `start`; 0 for an empty text; -1 when the text
    // does not fit after start. A negative start is a broken precondition: it is
    // reported as the assertion "start >= 0" and gives -1.
    int32_t find(const char* text, int32_t start = 0) const;
    int32_t rfind(char c) const;
    // The length for an empty text; -1 when the text is longer than the string.
    int32_t rfind(const char* text) const;
    bool contains(const char* text) const { return find(text) >= 0; }

    // Replaces every `from` by `to`, in place.
    void replace(char from, char to);
    // At most `count` characters from `start`; the null string when this one is
    // null, start is negative or not before the end, or count is not positive.
    NelCString mid(int32_t start, int32_t count = INT32_MAX) const;

    // Appending and concatenation take a new buffer of the combined size; two
    // empty texts give the null string.
    NelCString& operator+=(char c);
    NelCString& operator+=(const char* text);
    NelCString& operator+=(const NelCString& text) { return *this += text.c_str(); }
    static NelCString concat(const char* a, const char* b, const char* c = nullptr);

    // Byte-wise over unsigned bytes. A null string is less than any other text
    // (an empty one included); nothing is less than a null comparand.
    bool less(const NelCString& other) const;
    bool operator<(const NelCString& other) const { return less(other); }
    // Same characters; the null string equals the empty one here.
    friend bool operator==(const NelCString& a, const NelCString& b);
    friend bool operator==(const NelCString& a, const char* b);

    // The library's string hash over signed bytes: 0 for the null string, 5381
    // for an empty one.
    uint32_t hash() const;

    // Hash-table support. isPrime: true below 3 (0 and 1 included) and for 3 and
    // 5; otherwise trial division over the wheel of 30.
    static bool isPrime(uint32_t n);
    // 2 for n < 2, else the first odd number above n that isPrime accepts; 0 when
    // none fits in 32 bits.
    static uint32_t nextPrime(uint32_t n);
    // The first entry of the library's prime table above n, else its last.
    static uint32_t nextTableSize(uint32_t n);

private:
    struct Piece {
        const char* text;
        int32_t length;
    };
    // Replaces the contents by the pieces in a new buffer (none when
    // allowNull and they are all empty). The pieces may point into this string.
    void assignPieces(const Piece* pieces, int32_t count, bool allowNull);
    void release();

    char* chars_ = nullptr;
    int32_t capacity_ = 0;
};

NelCString operator+(const NelCString& a, const NelCString& b);
NelCString operator+(const NelCString& a, const char* b);
NelCString operator+(const char* a, const NelCString& b);
