// The reference host's translations: "ITesTranslatorService", whose translator
// looks keys up in a table read from a UTF-8 text file.
//
// Table file format, one entry a line:
//
//   # a comment: the first character that is not a space or tab is '#'
//   Define View = Ansicht festlegen
//   Saved %1 of %2 = %1 von %2 gespeichert
//
// - Lines end at "\n"; a "\r" before it is dropped. A UTF-8 byte order mark at
//   the start of the file is skipped. Blank and comment lines are skipped.
// - The key is everything before the first " = " (space, '=', space), without
//   the spaces and tabs around it; it may not be empty and may not repeat. The
//   key is compared byte for byte with the key a component asks for.
// - The text is everything after that " = ", spaces kept. Escapes: "\n" a new
//   line, "\t" a tab, "\\" a backslash; any other backslash is an error.
// - Every byte must belong to well-formed UTF-8, and no character may lie in
//   U+FF80..U+FFFF: the library's wide strings use those units for raw bytes.
//
// An error names the file and line ("table.txt:7: duplicate key ..."), and
// the table being read is dropped as a whole.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "hostapi/infrastructure.h"
#include "iptr.h"
#include "translator.h"

using RefTranslationTable = std::unordered_map<std::string, TesString>;

// Parses the bytes of a table file; `path` only names it in the error. Fills
// `table` and returns true, or sets `error` and returns false with `table`
// untouched.
bool refParseTranslations(std::string_view content, const std::string& path, RefTranslationTable& table,
                          std::string& error);

// Texts from the host's table; a key the table lacks comes back unchanged, as
// the trivial translator gives it. isLoaded once a table was set.
class RefTranslator : public TesLookupTranslator {
public:
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;
    bool isLoaded() override { return loaded_; }
    bool lookup(const char* key, TesString& text) override;

    void setTable(RefTranslationTable table);
    size_t size() const { return table_.size(); }

private:
    RefTranslationTable table_;
    bool loaded_ = false;
};

// Every component gets the same translator, which lives on with whoever holds
// it after the service is gone.
class RefTranslatorService : public ITesTranslatorService {
public:
    RefTranslatorService();

    void queryInterface(const char* name, void** out) override;
    const char* className() const override;
    // The host's translator for any named component; null for a null name.
    ITesTranslator* translatorFor(const char* componentName) override;

    // Reads the table file at `path` and makes it the translator's table. On
    // failure `error` says why and the previous table stays. Never throws.
    bool load(const std::string& path, std::string& error);

    RefTranslator& translator() { return *translator_; }
    // The component names translatorFor was asked with, in order.
    const std::vector<std::string>& askedBy() const { return askedBy_; }

private:
    IPtr<RefTranslator> translator_;
    std::vector<std::string> askedBy_;
};
