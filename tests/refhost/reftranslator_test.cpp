#include "reftranslator.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "freshprocess.h"
#include "refhost.h"
#include "servicelookup.h"

namespace {

namespace fs = std::filesystem;

std::u16string units(const TesString& text) { return std::u16string(static_cast<std::u16string_view>(text)); }

constexpr const char* kGoodTable =
    "# Translations for the tests\n"
    "\n"
    "Define View = Ansicht festlegen\n"
    "%2 of %1 = %1 von %2\n"
    "Size = Gr\xC3\xB6\xC3\x9F" "e\n";

// A folder of its own under the system's temporary folder, removed with
// everything in it at the end of the test.
class TempFolder {
public:
    TempFolder() {
        std::random_device random;
        path_ = fs::temp_directory_path() / ("reftranslator-" + std::to_string(random()) + std::to_string(random()));
        fs::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // Writes `content` byte for byte to the file `name`; returns its path.
    std::string write(const std::string& name, const std::string& content) const {
        const fs::path file = path_ / name;
        std::ofstream(file, std::ios::binary) << content;
        return file.string();
    }
    std::string path() const { return path_.string(); }

private:
    fs::path path_;
};

RefTranslationTable parse(const std::string& content) {
    RefTranslationTable table;
    std::string error;
    EXPECT_TRUE(refParseTranslations(content, "t.txt", table, error)) << error;
    return table;
}

std::u16string textOf(const RefTranslationTable& table, const std::string& key) {
    const auto found = table.find(key);
    return found != table.end() ? units(found->second) : u"(missing)";
}

}  // namespace

TEST(RefTranslationTable, ReadsKeysAndTexts) {
    const RefTranslationTable table = parse(
        "\xEF\xBB\xBF"  // byte order mark
        "# comment = not an entry\n"
        "   # indented comment\n"
        "\t \n"
        "  Plain key\t = Plain text\n"
        "Spaces =   kept  \r\n"
        "Escapes = a\\nb\\tc\\\\n\n"
        "a = b = c\n"
        "Empty = \n"
        "Last line = no newline");
    struct Case {
        const char* key;
        std::u16string text;
    };
    const Case cases[] = {
        {"Plain key", u"Plain text"}, {"Spaces", u"  kept  "}, {"Escapes", u"a\nb\tc\\n"},
        {"a", u"b = c"},              {"Empty", u""},          {"Last line", u"no newline"},
    };
    EXPECT_EQ(table.size(), std::size(cases));
    for (const Case& c : cases) EXPECT_EQ(textOf(table, c.key), c.text) << c.key;
    EXPECT_EQ(textOf(parse(kGoodTable), "Size"), u"Gr\u00F6\u00DFe");
    EXPECT_TRUE(parse("").empty());
}

TEST(RefTranslationTable, BadLinesAreErrorsWithFileAndLine) {
    struct Case {
        std::string content;
        std::string error;
    };
    const Case cases[] = {
        {"a = 1\nb=2\n", "t.txt:2: expected \"key = text\""},
        {"a = 1\n\nb =2\n", "t.txt:3: expected \"key = text\""},
        {"a = 1\nb\n", "t.txt:2: expected \"key = text\""},
        {" = text\n", "t.txt:1: empty key"},
        {"a = 1\nb = 2\n a  = 3\n", "t.txt:3: duplicate key \"a\" (first on line 1)"},
        {"a = C:\\data\n", "t.txt:1: unknown escape: use \\n, \\t or \\\\"},
        {"a = ends in \\\n", "t.txt:1: unknown escape: use \\n, \\t or \\\\"},
        {"a = 1\nb = caf\xE9\n", "t.txt:2: not UTF-8 text"},           // a Latin-1 byte
        {"# caf\xE9\n", "t.txt:1: not UTF-8 text"},                   // also in a comment
        {"a = \xC3\n", "t.txt:1: not UTF-8 text"},                    // a cut sequence
        {"a = \xEF\xBF\xBD\n", "t.txt:1: not UTF-8 text"},            // U+FFFD: a raw-byte unit
        {std::string("a = x\0y\n", 8), "t.txt:1: not UTF-8 text"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.content);
        RefTranslationTable table{{"kept", TesString(u"old")}};
        std::string error;
        EXPECT_FALSE(refParseTranslations(c.content, "t.txt", table, error));
        EXPECT_EQ(error.substr(0, c.error.size()), c.error);
        EXPECT_EQ(table.size(), 1u);
        EXPECT_EQ(textOf(table, "kept"), u"old");
    }
}

TEST(RefTranslator, LooksKeysUpAndFillsPlaceholders) {
    IPtr<RefTranslator> translator(new RefTranslator);
    EXPECT_FALSE(translator->isLoaded());
    EXPECT_EQ(units(translator->translate("Define View")), u"Define View");
    translator->setTable(parse(kGoodTable));
    EXPECT_TRUE(translator->isLoaded());

    EXPECT_EQ(units(translator->translate("Define View")), u"Ansicht festlegen");
    EXPECT_EQ(units(translator->translate("%2 of %1", u"a", u"b")), u"a von b");
    const TesString a = u"a", b = u"b";
    const TesString* arguments[] = {&a, &b};
    EXPECT_EQ(units(translator->translateList("%2 of %1", 2, arguments)), u"a von b");
    EXPECT_EQ(units(translator->translate("Not in the table %1", u"x")), u"Not in the table x");

    TesString text;
    EXPECT_TRUE(translator->lookup("Size", text));
    EXPECT_EQ(units(text), u"Gr\u00F6\u00DFe");
    EXPECT_FALSE(translator->lookup("Missing", text));
    EXPECT_EQ(units(text), u"Missing");
    EXPECT_FALSE(translator->lookup(nullptr, text));
    EXPECT_EQ(units(text), u"");
    EXPECT_EQ(tesQuery<ITesTranslator>(translator.get(), "ITesTranslator"),
              static_cast<ITesTranslator*>(translator.get()));
    EXPECT_EQ(tesQuery<ITesUnknown>(translator.get(), "TesTrivialTranslator"), nullptr);
}

TEST(RefTranslatorService, LoadKeepsThePreviousTableOnError) {
    const TempFolder folder;
    IPtr<RefTranslatorService> service(new RefTranslatorService);
    std::string error;
    ASSERT_TRUE(service->load(folder.write("good.txt", kGoodTable), error)) << error;
    EXPECT_EQ(service->translator().size(), 3u);

    const std::string bad = folder.write("bad.txt", "Define View = Other\nbroken\n");
    const struct {
        std::string path;
        std::string error;
    } failures[] = {
        {bad, bad + ":2: expected \"key = text\""},
        {folder.path() + "/missing.txt", "cannot read " + folder.path() + "/missing.txt"},
        {folder.path(), "cannot read " + folder.path()},  // a folder, not a file
    };
    for (const auto& failure : failures) {
        EXPECT_FALSE(service->load(failure.path, error));
        EXPECT_EQ(error, failure.error);
        EXPECT_EQ(units(service->translator().translate("Define View")), u"Ansicht festlegen");
    }

    ASSERT_TRUE(service->load(folder.write("other.txt", "Define View = Other\n"), error)) << error;
    EXPECT_EQ(units(service->translator().translate("Define View")), u"Other");
    EXPECT_EQ(units(service->translator().translate("Size")), u"Size");
}

TEST(RefTranslatorService, GivesEveryComponentTheSameTranslator) {
    IPtr<RefTranslatorService> service(new RefTranslatorService);
    ITesTranslator* first = service->translatorFor("vespercomponent");
    EXPECT_EQ(first, static_cast<ITesTranslator*>(&service->translator()));
    EXPECT_EQ(service->translatorFor("other"), first);
    EXPECT_EQ(service->translatorFor(nullptr), nullptr);
    EXPECT_EQ(service->askedBy(), (std::vector<std::string>{"vespercomponent", "other"}));
    EXPECT_EQ(tesQuery<ITesTranslatorService>(service.get(), "ITesTranslatorService"),
              static_cast<ITesTranslatorService*>(service.get()));
}

TEST(RefHost, OffersTranslationsOnlyOnceATableLoaded) {
    const TempFolder folder;
    RefHost host;
    auto offered = [&] {
        void* service = nullptr;
        return host.manager().getService("ITesTranslatorService", &service) == 1 && service != nullptr;
    };
    std::string error;
    EXPECT_FALSE(offered());
    EXPECT_FALSE(host.loadTranslations(folder.write("bad.txt", "a = 1\na = 2\n"), error));
    EXPECT_NE(error.find(":2: duplicate key \"a\""), std::string::npos) << error;
    EXPECT_FALSE(offered());
    EXPECT_EQ(host.translations(), nullptr);

    ASSERT_TRUE(host.loadTranslations(folder.write("good.txt", kGoodTable), error)) << error;
    EXPECT_TRUE(offered());
    RefTranslatorService* service = host.translations();
    ASSERT_NE(service, nullptr);
    ASSERT_TRUE(host.loadTranslations(folder.write("other.txt", "Size = Gross\n"), error)) << error;
    EXPECT_EQ(host.translations(), service);
    EXPECT_EQ(units(service->translator().translate("Size")), u"Gross");
}

TEST(RefHost, LibraryTextsComeFromTheLoadedTable) {
    EXPECT_IN_FRESH_PROCESS([] {
        const TempFolder folder;
        RefHost host;
        std::string error;
        ASSERT_TRUE(host.loadTranslations(folder.write("good.txt", kGoodTable), error)) << error;
        host.installInLibrary();
        tesSetComponentIdentity("testcomponent", TesClassId{});
        TesString text;
        tr(text, "Define View");
        EXPECT_EQ(units(text), u"Ansicht festlegen");
        tr(text, "%2 of %1", u"a", u"b");
        EXPECT_EQ(units(text), u"a von b");
        tr(text, "Not translated");
        EXPECT_EQ(units(text), u"Not translated");
        EXPECT_TRUE(translator()->isLoaded());
        EXPECT_EQ(host.translations()->askedBy(), std::vector<std::string>{"testcomponent"});
        tesSetComponentManager(nullptr);
    });
    EXPECT_IN_FRESH_PROCESS([] {
        RefHost host;
        host.installInLibrary();
        EXPECT_STREQ(translator()->className(), "TesTrivialTranslator");
        tesSetComponentManager(nullptr);
    });
}
