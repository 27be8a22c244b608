// The library's wide string (16-bit code units), also its path type: a
// zero-terminated buffer from the string buffer source, or null for the empty
// string. Ordering, equality, case and character classes go through the host
// service "ITesStrSupport" when there is one. Indices are 0-based; -1 means that
// nothing was found.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "nelcstring.h"

// How number() formats: `text` holds the printf flags, width and precision
// ("5", "-08", ".3"); general picks "%g", general with exponential "%e", neither
// "%f" (for integers only the text is used). A text with anything else in it,
// or a width or precision above 999, is ignored.
struct TesFormatSpec {
    bool general = false;
    bool exponential = false;
    const char* text = "";
};

class TesString {
public:
    TesString() = default;
    TesString(const char16_t* text);  // NOLINT: converts implicitly, as literals are passed everywhere
    TesString(const char16_t* text, int32_t length);
    explicit TesString(char16_t unit);
    // 8-bit text: each byte becomes one unit by sign extension, so bytes
    // 0x80..0xFF become 0xFF80..0xFFFF.
    explicit TesString(const char* text);
    TesString(const char* text, int32_t length);
    explicit TesString(const NelCString& text);
    TesString(const TesString& other);
    TesString(TesString&& other) noexcept;
    ~TesString();

    TesString& operator=(const TesString& other);
    TesString& operator=(TesString&& other) noexcept;
    TesString& operator=(const char16_t* text);
    // Assigning n units keeps the buffer when it holds at least 2n + 2 bytes;
    // otherwise the buffer is given back and one of 2(n + 1) bytes is taken.
    TesString& assign(const char16_t* text, int32_t length);

    // UTF-8 at the OS and XML boundaries, by the rules of textcodec.h.
    static TesString fromUtf8(std::string_view text);
    std::string toUtf8() const;

    // Never null: u"" for the null string.
    const char16_t* c_str() const { return units_ != nullptr ? units_ : u""; }
    // Null for the null string.
    const char16_t* data() const { return units_; }
    bool isNull() const { return units_ == nullptr; }
    int32_t length() const;
    bool isEmpty() const { return units_ == nullptr || units_[0] == u'\0'; }
    // Usable bytes of the buffer, 0 without one.
    int32_t capacity() const { return capacity_; }
    // The unit at `index`, or 0 outside the string.
    char16_t at(int32_t index) const;
    operator std::u16string_view() const { return {c_str(), static_cast<size_t>(length())}; }  // NOLINT

    // The 8-bit form from the host service (textcodec.h's rule without it),
    // kept until this string changes. Never null.
    const char* narrow() const;
    NelCString toNelCString() const { return NelCString(narrow()); }

    // The searches follow NelCString's: find of a unit gives -1 for a negative
    // start or one at or beyond the length; find of a text gives 0 for an empty
    // text and reports a negative start as the assertion "start >= 0" (-1);
    // rfind of an empty text gives the length. Null texts are empty.
    int32_t find(char16_t unit, int32_t start = 0) const;
    int32_t find(const char16_t* text, int32_t start = 0) const;
    int32_t find(const TesString& text, int32_t start = 0) const { return find(text.c_str(), start); }
    int32_t rfind(char16_t unit) const;
    int32_t rfind(const char16_t* text) const;
    int32_t rfind(const TesString& text) const { return rfind(text.c_str()); }
    // Case-sensitive, unit by unit.
    bool contains(const char16_t* text) const { return find(text) >= 0; }
    bool contains(const TesString& text) const { return find(text) >= 0; }
    bool startsWith(const char16_t* text) const;

    // At most `count` units from `start`; the null string when start is negative
    // or not before the end, or count is not positive.
    TesString mid(int32_t start, int32_t count = INT32_MAX) const;
    TesString left(int32_t count) const { return mid(0, count); }
    TesString right(int32_t count) const;
    // Replaces units [start, start + count) (cut at the end) by `text`; false
    // and unchanged when start is outside 0..length or count is negative.
    bool replace(int32_t start, int32_t count, const char16_t* text);
    // Replaces every `from` by `to`, in place.
    void replace(char16_t from, char16_t to);
    // The text shortened to maxLength units by putting "..." in place of its
    // middle; unchanged when it fits. Below 4 units, the first maxLength units.
    TesString elided(int32_t maxLength) const;

    TesString& append(const char16_t* text, int32_t length);
    TesString& operator+=(const TesString& text) { return append(text.c_str(), text.length()); }
    TesString& operator+=(const char16_t* text);
    TesString& operator+=(char16_t unit) { return append(&unit, 1); }

    // Through the service's compare; ordinal by code unit without it.
    int32_t compare(const TesString& other) const;
    // The service's compare of both lower-case forms.
    int32_t compareNoCase(const TesString& other) const;
    friend bool operator==(const TesString& a, const TesString& b) { return a.compare(b) == 0; }
    friend bool operator!=(const TesString& a, const TesString& b) { return a.compare(b) != 0; }
    friend bool operator<(const TesString& a, const TesString& b) { return a.compare(b) < 0; }
    // Through the service; without it only A-Z become a-z.
    TesString toLower() const;

    // False for an index outside the string; else the service's class, or the C
    // runtime's isdigit / isspace for units below 0x80 without it.
    bool isDigit(int32_t index) const;
    bool isSpace(int32_t index) const;

    // The leading number, as scanf's "%i" reads it (white space skipped, 0x for
    // hexadecimal, a leading 0 for octal). *ok tells whether a number was read:
    // empty or non-numeric text gives 0 and false. A number beyond the 32-bit
    // range gives the nearest 32-bit value, with ok true.
    int32_t toInt(bool* ok = nullptr) const;
    // As scanf's "%lf": "1e999" gives infinity, "12abc" 12, with ok true.
    double toDouble(bool* ok = nullptr) const;

    // "%d", "%ld" and "%lld" with the format's text in front of the conversion.
    static TesString number(int32_t value, const TesFormatSpec& spec = {});
    static TesString number(long value, const TesFormatSpec& spec);
    static TesString number(long long value, const TesFormatSpec& spec);
    // Plain decimal digits.
    static TesString number(uint32_t value);
    // "%e" when the magnitude exceeds 1e10, otherwise "%f".
    static TesString number(double value);
    static TesString number(double value, const TesFormatSpec& spec);
    // The shortest text of shortestfloat.h (which may raise).
    static TesString shortest(double value);
    static TesString shortest(float value);

    // Replaces "%1" ... "%9" by the arguments, in place, in one pass; a
    // placeholder whose argument is missing or null is removed, and a text
    // without placeholders is left alone. Argument texts are not scanned.
    TesString& arg(const TesString* const* arguments, int32_t count);
    // Arguments beyond the ninth are ignored.
    TesString& arg(std::initializer_list<std::u16string_view> arguments);

private:
    // `arguments` holds nine texts, empty for a missing argument.
    TesString& substitute(const std::u16string_view* arguments);
    void release();
    // Drops the cached 8-bit form: called by every change.
    void changed() const;
    void adopt(char16_t* units, uint32_t usable);

    char16_t* units_ = nullptr;
    int32_t capacity_ = 0;
    mutable NelCString narrow_;
};

TesString operator+(const TesString& a, const TesString& b);
