// The translation of a user-visible text, as a value.
#pragma once

#include "tesstring.h"
#include "translator.h"

inline TesString trText(const char* key) {
    TesString text;
    tr(text, key);
    return text;
}
