#include "utf16.h"

#include <cstdint>

namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr char32_t kMaxCodePoint = 0x10FFFF;
constexpr char32_t kHighSurrogateFirst = 0xD800;
constexpr char32_t kLowSurrogateFirst = 0xDC00;
constexpr char32_t kSurrogateEnd = 0xE000;

bool isHighSurrogate(char32_t unit) { return unit >= kHighSurrogateFirst && unit < kLowSurrogateFirst; }
bool isLowSurrogate(char32_t unit) { return unit >= kLowSurrogateFirst && unit < kSurrogateEnd; }

void appendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

void appendUtf16(std::u16string& out, char32_t code) {
    if (code < 0x10000) {
        out += static_cast<char16_t>(code);
        return;
    }
    code -= 0x10000;
    out += static_cast<char16_t>(kHighSurrogateFirst + (code >> 10));
    out += static_cast<char16_t>(kLowSurrogateFirst + (code & 0x3FF));
}

struct Utf8Lead {
    int continuations;  // -1: not a lead byte
    char32_t payload;   // the lead byte's share of the code point
    char32_t minimum;   // smallest code point this length may encode
};

Utf8Lead classifyLead(uint8_t lead) {
    if (lead < 0x80) return {0, lead, 0};
    if (lead >= 0xC2 && lead < 0xE0) return {1, lead & 0x1Fu, 0x80};
    if (lead >= 0xE0 && lead < 0xF0) return {2, lead & 0x0Fu, 0x800};
    if (lead >= 0xF0 && lead < 0xF5) return {3, lead & 0x07u, 0x10000};
    return {-1, 0, 0};
}

// Decodes one UTF-8 sequence at `at`, advancing it past the bytes consumed. A
// malformed sequence consumes its lead byte and the continuation bytes that fit.
char32_t decodeUtf8(std::string_view text, size_t& at) {
    const Utf8Lead lead = classifyLead(static_cast<uint8_t>(text[at++]));
    if (lead.continuations < 0) return kReplacement;
    char32_t code = lead.payload;
    for (int i = 0; i < lead.continuations; ++i) {
        if (at >= text.size() || (static_cast<uint8_t>(text[at]) & 0xC0) != 0x80) return kReplacement;
        code = (code << 6) | (static_cast<uint8_t>(text[at++]) & 0x3F);
    }
    const bool surrogate = code >= kHighSurrogateFirst && code < kSurrogateEnd;
    if (code < lead.minimum || code > kMaxCodePoint || surrogate) return kReplacement;
    return code;
}

}  // namespace

std::string tesUtf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t at = 0; at < text.size(); ++at) {
        const char32_t unit = text[at];
        if (isHighSurrogate(unit) && at + 1 < text.size() && isLowSurrogate(text[at + 1])) {
            const char32_t low = text[++at];
            appendUtf8(out, 0x10000 + ((unit - kHighSurrogateFirst) << 10) + (low - kLowSurrogateFirst));
        } else if (isHighSurrogate(unit) || isLowSurrogate(unit)) {
            appendUtf8(out, kReplacement);
        } else {
            appendUtf8(out, unit);
        }
    }
    return out;
}

std::string tesUtf16ToUtf8(const char16_t* text) {
    return text != nullptr ? tesUtf16ToUtf8(std::u16string_view(text)) : std::string();
}

std::u16string tesUtf8ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    size_t at = 0;
    while (at < text.size()) appendUtf16(out, decodeUtf8(text, at));
    return out;
}

std::u16string tesUtf8ToUtf16(const char* text) {
    return text != nullptr ? tesUtf8ToUtf16(std::string_view(text)) : std::u16string();
}
