#include "infrastructure/reftranslator.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "refhost.h"
#include "tempfolder.h"

namespace {

std::u16string units(const TesString& text) { return std::u16string(static_cast<std::u16string_view>(text)); }

constexpr const char* kGoodTable = "Define View = Ansicht festlegen\n%2 of %1 = %1 von %2\n";

TEST(RefTranslationTable, ReadsKeysAndTexts) {
    RefTranslationTable table;
    std::string error;
    ASSERT_TRUE(refParseTranslations("\xEF\xBB\xBF"  // byte order mark
                                     "# comment = not an entry\n"
                                     "   # indented comment\n"
                                     "\t \n"
                                     "  Plain key\t = Plain text\n"
                                     "Spaces =   kept  \r\n"
                                     "Escapes = a\\nb\\tc\\\\n\n"
                                     "a = b = c\n"
                                     "Empty = \n"
                                     "Size = Gr\xC3\xB6\xC3\x9F" "e\n"
                                     "Last line = no newline",
                                     "t.txt", table, error)) << error;
    const std::pair<const char*, std::u16string> rows[] = {
        {"Plain key", u"Plain text"}, {"Spaces", u"  kept  "},        {"Escapes", u"a\nb\tc\\n"},
        {"a", u"b = c"},              {"Empty", u""},                 {"Size", u"Gr\u00F6\u00DFe"},
        {"Last line", u"no newline"},
    };
    ASSERT_EQ(table.size(), std::size(rows));
    for (const auto& [key, text] : rows) EXPECT_EQ(units(table[key]), text) << key;
    EXPECT_TRUE(refParseTranslations("", "t.txt", table, error));
    EXPECT_TRUE(table.empty());
}

// The table given in stays as it was.
TEST(RefTranslationTable, BadLinesAreErrorsWithFileAndLine) {
    const std::pair<std::string, std::string> rows[] = {
        {"a = 1\n\nb =2\n", "t.txt:3: expected \"key = text\""},
        {" = text\n", "t.txt:1: empty key"},
        {"a = 1\nb = 2\n a  = 3\n", "t.txt:3: duplicate key \"a\" (first on line 1)"},
        {"a = C:\\data\n", "t.txt:1: unknown escape: use \\n, \\t or \\\\"},
        {"a = ends in \\\n", "t.txt:1: unknown escape: use \\n, \\t or \\\\"},
        {"a = 1\nb = caf\xE9\n", "t.txt:2: not UTF-8 text"},  // a Latin-1 byte
        {"# caf\xE9\n", "t.txt:1: not UTF-8 text"},          // also in a comment
        {"a = \xEF\xBF\xBD\n", "t.txt:1: not UTF-8 text"},   // U+FFFD: a raw-byte unit
        {std::string("a = x\0y\n", 8), "t.txt:1: not UTF-8 text"},
    };
    for (const auto& [content, expected] : rows) {
        SCOPED_TRACE(content);
        RefTranslationTable table{{"kept", TesString(u"old")}};
        std::string error;
        EXPECT_FALSE(refParseTranslations(content, "t.txt", table, error));
        EXPECT_EQ(error.substr(0, expected.size()), expected);
        EXPECT_EQ(table.size(), 1u);
        EXPECT_EQ(units(table["kept"]), u"old");
    }
}

TEST(RefTranslatorService, LoadKeepsThePreviousTableOnError) {
    const TempFolder folder;
    IPtr<RefTranslatorService> service(new RefTranslatorService);
    RefTranslator& translator = service->translator();
    EXPECT_FALSE(translator.isLoaded());
    std::string error;
    ASSERT_TRUE(service->load(folder.write("good.txt", kGoodTable), error)) << error;
    EXPECT_TRUE(translator.isLoaded());
    EXPECT_EQ(units(translator.translate("%2 of %1", u"a", u"b")), u"a von b");
    TesString text;
    EXPECT_FALSE(translator.lookup("Missing", text));  // a missing key comes back as it is
    EXPECT_EQ(units(text), u"Missing");
    EXPECT_FALSE(translator.lookup(nullptr, text));
    EXPECT_EQ(units(text), u"");
    const std::string bad = folder.write("bad.txt", "Define View = Other\nbroken\n");
    const std::string missing = folder.narrowFile("missing.txt");
    const std::pair<std::string, std::string> failures[] = {
        {bad, bad + ":2: expected \"key = text\""},
        {missing, "cannot read " + missing},
        {folder.path().string(), "cannot read " + folder.path().string()},  // a folder, not a file
    };
    for (const auto& [path, expected] : failures) {
        EXPECT_FALSE(service->load(path, error));
        EXPECT_EQ(error, expected);
        EXPECT_EQ(units(translator.translate("Define View")), u"Ansicht festlegen");
    }
    ASSERT_TRUE(service->load(folder.write("other.txt", "Size = Gross\n"), error)) << error;
    EXPECT_EQ(units(translator.translate("Define View")), u"Define View");
    EXPECT_EQ(service->translatorFor("vespercomponent"), static_cast<ITesTranslator*>(&translator));
    EXPECT_EQ(service->translatorFor("other"), static_cast<ITesTranslator*>(&translator));
    EXPECT_EQ(service->translatorFor(nullptr), nullptr);
    EXPECT_EQ(service->askedBy(), (std::vector<std::string>{"vespercomponent", "other"}));
}

// Reached through the library by tests/tesbasictypes/translator_test.cpp.
TEST(RefHost, OffersTranslationsOnlyOnceATableLoaded) {
    const TempFolder folder;
    RefHost host;
    std::string error;
    void* offered = nullptr;
    EXPECT_FALSE(host.loadTranslations(folder.write("bad.txt", "a = 1\na = 2\n"), error));
    EXPECT_NE(error.find(":2: duplicate key \"a\""), std::string::npos) << error;
    EXPECT_EQ(host.manager().getService("ITesTranslatorService", &offered), 0);
    EXPECT_EQ(host.translations(), nullptr);
    ASSERT_TRUE(host.loadTranslations(folder.write("good.txt", kGoodTable), error)) << error;
    RefTranslatorService* service = host.translations();
    ASSERT_TRUE(host.loadTranslations(folder.write("other.txt", "Define View = Other\n"), error)) << error;
    EXPECT_EQ(host.translations(), service);
    EXPECT_EQ(host.manager().getService("ITesTranslatorService", &offered), 1);
    EXPECT_EQ(offered, static_cast<void*>(static_cast<ITesTranslatorService*>(service)));
    EXPECT_EQ(units(service->translator().translate("Define View")), u"Other");
}

}  // namespace
