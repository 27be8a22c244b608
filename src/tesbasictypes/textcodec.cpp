#include "textcodec.h"

namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr char16_t kRawByteBase = 0xFF00;
constexpr char16_t kRawByteFirst = 0xFF80;

bool isHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// Collects output bytes into a bounded buffer while counting all of them.
class ByteSink {
public:
    ByteSink(char* out, int32_t outSize) : out_(outSize > 0 ? out : nullptr), room_(outSize > 0 ? outSize - 1 : 0) {}
    void put(uint32_t byte) {
        if (written_ < room_) out_[written_] = static_cast<char>(byte);
        ++written_;
    }
    // The full length, clamped to the 32-bit range; terminates the buffer.
    int32_t finish() {
        if (out_ != nullptr) out_[written_ < room_ ? written_ : room_] = '\0';
        return written_ < INT32_MAX ? static_cast<int32_t>(written_) : INT32_MAX;
    }

private:
    char* out_;
    int64_t room_;
    int64_t written_ = 0;
};

void putCodePoint(ByteSink& sink, char32_t code) {
    if (code < 0x80) {
        sink.put(code);
    } else if (code < 0x800) {
        sink.put(0xC0 | (code >> 6));
        sink.put(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        sink.put(0xE0 | (code >> 12));
        sink.put(0x80 | ((code >> 6) & 0x3F));
        sink.put(0x80 | (code & 0x3F));
    } else {
        sink.put(0xF0 | (code >> 18));
        sink.put(0x80 | ((code >> 12) & 0x3F));
        sink.put(0x80 | ((code >> 6) & 0x3F));
        sink.put(0x80 | (code & 0x3F));
    }
}

// Length of the well-formed sequence at bytes[0..count) and its code point in
// *code, or 0 when none starts there (or it would decode into the raw-byte
// range).
int32_t decodeSequence(const unsigned char* bytes, int32_t count, char32_t* code) {
    const unsigned char lead = bytes[0];
    int32_t length = 0;
    char32_t value = 0;
    char32_t least = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, value = lead & 0x1F, least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, value = lead & 0x0F, least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, value = lead & 0x07, least = 0x10000;
    } else {
        return 0;
    }
    if (length > count) return 0;
    for (int32_t i = 1; i < length; ++i) {
        if ((bytes[i] & 0xC0) != 0x80) return 0;
        value = (value << 6) | (bytes[i] & 0x3F);
    }
    const bool surrogate = value >= 0xD800 && value <= 0xDFFF;
    const bool rawRange = value >= kRawByteFirst && value <= 0xFFFF;
    if (value < least || value > 0x10FFFF || surrogate || rawRange) return 0;
    *code = value;
    return length;
}

}  // namespace

int32_t tesWideToUtf8(const char16_t* units, int32_t count, char* out, int32_t outSize) {
    ByteSink sink(out, outSize);
    for (int32_t i = 0; i < count; ++i) {
        const char32_t unit = units[i];
        if (unit >= kRawByteFirst) {
            sink.put(unit & 0xFF);
        } else if (isHighSurrogate(unit) && i + 1 < count && isLowSurrogate(units[i + 1])) {
            putCodePoint(sink, 0x10000 + ((unit - 0xD800) << 10) + (units[i + 1] - 0xDC00));
            ++i;
        } else if (isHighSurrogate(unit) || isLowSurrogate(unit)) {
            putCodePoint(sink, kReplacement);
        } else {
            putCodePoint(sink, unit);
        }
    }
    return sink.finish();
}

std::string tesWideToUtf8(const char16_t* units, int32_t count) {
    std::string text(static_cast<size_t>(tesWideToUtf8(units, count, nullptr, 0)), '\0');
    tesWideToUtf8(units, count, text.data(), static_cast<int32_t>(text.size()) + 1);
    return text;
}

int32_t tesUtf8ToWide(const char* bytes, int32_t count, char16_t* out) {
    const auto* input = reinterpret_cast<const unsigned char*>(bytes);
    int32_t written = 0;
    for (int32_t i = 0; i < count;) {
        char32_t code = 0;
        const int32_t length = input[i] < 0x80 ? 0 : decodeSequence(input + i, count - i, &code);
        if (input[i] < 0x80) {
            out[written++] = input[i];
            ++i;
        } else if (length == 0) {
            out[written++] = static_cast<char16_t>(kRawByteBase | input[i]);
            ++i;
        } else if (code >= 0x10000) {
            out[written++] = static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
            out[written++] = static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
            i += length;
        } else {
            out[written++] = static_cast<char16_t>(code);
            i += length;
        }
    }
    return written;
}

std::u16string tesUtf8ToWide(std::string_view text) {
    std::u16string wide(text.size(), u'\0');
    wide.resize(static_cast<size_t>(tesUtf8ToWide(text.data(), static_cast<int32_t>(text.size()), wide.data())));
    return wide;
}

std::string tesWideToUtf8(const char16_t* text) {
    if (text == nullptr) return {};
    return tesWideToUtf8(text, static_cast<int32_t>(std::char_traits<char16_t>::length(text)));
}
