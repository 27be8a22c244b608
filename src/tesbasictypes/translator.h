// Translation of user-visible texts: the process-wide translator, the trivial
// one that stands in when the host offers none, and the tr helpers through
// which every user-visible text goes. Keys are 8-bit (UTF-8), texts wide.
#pragma once

#include <cstdint>

#include "hostapi/infrastructure.h"
#include "tesstring.h"

// A translator whose every translation is a lookup followed by placeholder
// substitution (the rules are stated at ITesTranslator); a subclass supplies
// lookup, isLoaded and its interface names.
class TesLookupTranslator : public ITesTranslator {
public:
    TesString translateList(const char* key, int32_t count, const TesString* const* arguments) override;
    TesString translate(const char* key, const TesString& a1, const TesString& a2, const TesString& a3,
                        const TesString& a4, const TesString& a5, const TesString& a6) override;
    TesString translate(const char* key, const TesString& a1, const TesString& a2, const TesString& a3,
                        const TesString& a4, const TesString& a5) override;
    TesString translate(const char* key, const TesString& a1, const TesString& a2, const TesString& a3,
                        const TesString& a4) override;
    TesString translate(const char* key, const TesString& a1, const TesString& a2, const TesString& a3) override;
    TesString translate(const char* key, const TesString& a1, const TesString& a2) override;
    TesString translate(const char* key, const TesString& a1) override;
    TesString translate(const char* key) override;

    // The key as a text: its UTF-8 decoded by textcodec.h's rule (a byte that
    // starts no UTF-8 sequence stays as its sign-extended unit); null is empty.
    static TesString keyText(const char* key);
};

// Every key is its own text; answers "TesTrivialTranslator", "ITesUnknown" and
// "ITesTranslator".
class TesTrivialTranslator : public TesLookupTranslator {
public:
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;
    bool isLoaded() override { return false; }
    // `text` = keyText(key); always true.
    bool lookup(const char* key, TesString& text) override;
};

// The translator of this copy of the library, never null. The first call asks
// the host, once per process: the translator that "ITesTranslatorService" gives
// for this component's name, else the service "ITesTranslator" itself, else a
// TesTrivialTranslator. The answer holds one reference and is kept until the
// process ends, so a host's translator offered later is not seen. A host's
// translatorFor must not call translator() of the same copy of the library.
ITesTranslator* translator();

// text = the translation of `key` through translator(): without arguments
// through translate(key), with n arguments through the overload taking n.
void tr(TesString& text, const char* key);
void tr(TesString& text, const char* key, const TesString& a1);
void tr(TesString& text, const char* key, const TesString& a1, const TesString& a2);
void tr(TesString& text, const char* key, const TesString& a1, const TesString& a2, const TesString& a3);
void tr(TesString& text, const char* key, const TesString& a1, const TesString& a2, const TesString& a3,
        const TesString& a4);
void tr(TesString& text, const char* key, const TesString& a1, const TesString& a2, const TesString& a3,
        const TesString& a4, const TesString& a5);
void tr(TesString& text, const char* key, const TesString& a1, const TesString& a2, const TesString& a3,
        const TesString& a4, const TesString& a5, const TesString& a6);
