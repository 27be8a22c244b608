#include "classid.h"

namespace {
constexpr char kHexDigits[] = "0123456789abcdef";

char* putHex(char* out, uint32_t value, int digits) {
    for (int i = digits - 1; i >= 0; --i) {
        out[i] = kHexDigits[value & 0xF];
        value >>= 4;
    }
    return out + digits;
}
}  // namespace

void TesClassId::format(char (&text)[37]) const {
    char* out = putHex(text, data1, 8);
    *out++ = '-';
    out = putHex(out, data2, 4);
    *out++ = '-';
    out = putHex(out, data3, 4);
    *out++ = '-';
    out = putHex(out, data4[0], 2);
    out = putHex(out, data4[1], 2);
    *out++ = '-';
    for (int i = 2; i < 8; ++i) out = putHex(out, data4[i], 2);
    *out = '\0';
}
