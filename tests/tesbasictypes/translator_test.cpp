#include "translator.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "freshprocess.h"
#include "iptr.h"
#include "infrastructure/refcomponentmanager.h"
#include "infrastructure/reftranslator.h"
#include "servicelookup.h"

namespace {

std::u16string units(const TesString& text) { return std::u16string(static_cast<std::u16string_view>(text)); }

// A host translator whose "key" reads `text`.
IPtr<RefTranslator> fixedTranslator(const char16_t* text) {
    IPtr<RefTranslator> translator(new RefTranslator);
    translator->setTable({{"key", TesString(text)}});
    return translator;
}

TEST(TesTrivialTranslator, EveryKeyIsItsOwnText) {
    IPtr<TesTrivialTranslator> trivial(new TesTrivialTranslator);
    EXPECT_FALSE(trivial->isLoaded());
    const std::pair<const char*, std::u16string> rows[] = {
        {"", u""}, {nullptr, u""}, {"%1 of %2", u"%1 of %2"},  // no arguments: placeholders stay
        {"Gr\xC3\xB6\xC3\x9F" "e", u"Gr\u00F6\u00DFe"}, {"caf\xE9", u"caf\uFFE9"},  // a stray byte keeps its unit
    };
    for (const auto& [key, text] : rows) {
        SCOPED_TRACE(key != nullptr ? key : "(null)");
        EXPECT_EQ(units(trivial->translate(key)), text);
        TesString looked = u"stale";
        EXPECT_TRUE(trivial->lookup(key, looked));
        EXPECT_EQ(units(looked), text);
    }
}

TEST(TesTrivialTranslator, TranslateListReplacesTheFirstPlaceholderOfEachArgument) {
    const std::vector<TesString> letters = {u"a", u"b", u"c", u"d", u"e", u"f", u"g", u"h", u"i", u"j", u"k", u"l"};
    const std::tuple<const char*, std::vector<TesString>, std::u16string> rows[] = {
        {"%1 of %2", {}, u"%1 of %2"},
        {"%12|%10|%1", letters, u"l|j|a"},  // "%1" never takes the start of "%12"
        {"%10|%1", {letters.begin(), letters.begin() + 9}, u"%10|a"},  // no tenth argument: stays
        {"%1 and %1", {u"a"}, u"a and %1"},          // the first only
        {"%3 only %2", {u"a", u"b"}, u"%3 only b"},  // beyond the count: stays; "%1" missing: dropped
        {"[%1][%2]", {TesString(), u"b"}, u"[][b]"},
        {"%1 %2", {u"%2", u"y"}, u"y %2"},  // each placeholder is sought in the text the earlier ones left
        {"%%1 %01 %0", {u"a"}, u"%a %01 %0"},
        {"", {u"a"}, u""},
    };
    TesTrivialTranslator trivial;
    for (const auto& [key, arguments, text] : rows) {
        std::vector<const TesString*> pointers;
        for (const TesString& argument : arguments) pointers.push_back(&argument);
        EXPECT_EQ(units(trivial.translateList(key, static_cast<int32_t>(pointers.size()), pointers.data())), text)
            << key << " with " << arguments.size();
    }
    EXPECT_EQ(units(trivial.translateList("[%1][%2]", 2, nullptr)), u"[][]");
    EXPECT_EQ(units(trivial.translateList("[%1]", -1, nullptr)), u"[%1]");
}

// Resolved before a host arrives: the trivial translator stays for good, and
// each tr overload reaches the translate overload with as many arguments.
TEST(Translator, WithoutHostEveryKeyIsItsOwnText) {
    EXPECT_IN_FRESH_PROCESS([] {
        ITesTranslator* early = translator();
        ASSERT_STREQ(early->className(), "TesTrivialTranslator");
        EXPECT_EQ(early->refCount(), 1u);
        IPtr<RefComponentManager> manager(new RefComponentManager);
        manager->addService(fixedTranslator(u"late").get(), {"ITesTranslator"});
        tesSetComponentManager(manager.get());
        EXPECT_EQ(translator(), early);
        const TesString a = u"a", b = u"b", c = u"c", d = u"d", e = u"e", f = u"f";
        const auto translated = [](const auto&... arguments) {
            TesString text;
            tr(text, "%6%5%4%3%2%1", arguments...);
            return units(text);
        };
        EXPECT_EQ(translated(), u"%6%5%4%3%2%1");
        EXPECT_EQ(translated(a), u"a");
        EXPECT_EQ(translated(a, b), u"ba");
        EXPECT_EQ(translated(a, b, c), u"cba");
        EXPECT_EQ(translated(a, b, c, d), u"dcba");
        EXPECT_EQ(translated(a, b, c, d, e), u"edcba");
        EXPECT_EQ(translated(a, b, c, d, e, f), u"fedcba");
        EXPECT_EQ(manager->serviceLookups(), 0);
        tesSetComponentManager(nullptr);
    });
}

// Each row in a process of its own. The host's service answers only a
// component with a name. The host is asked once: what it offers later is not seen.
TEST(Translator, ServiceBeatsDirectTranslatorWhichBeatsTrivial) {
    struct Row {
        bool service, named, direct;
        const char16_t* chosen;
    };
    const Row rows[] = {
        {true, true, true, u"service"},  {true, true, false, u"service"}, {true, false, true, u"direct"},
        {false, true, true, u"direct"},  {true, false, false, u"key"},    {false, true, false, u"key"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "service, named, direct: " << row.service << row.named << row.direct);
        EXPECT_IN_FRESH_PROCESS([row] {
            IPtr<RefComponentManager> manager(new RefComponentManager);
            IPtr<RefTranslatorService> service(new RefTranslatorService);
            service->translator().setTable({{"key", TesString(u"service")}});
            IPtr<RefTranslator> direct = fixedTranslator(u"direct");
            if (row.service) manager->addService(service.get(), {"ITesTranslatorService"});
            if (row.direct) manager->addService(direct.get(), {"ITesTranslator"});
            tesSetComponentManager(manager.get());
            tesSetComponentIdentity(row.named ? "testcomponent" : nullptr, TesClassId{});
            TesString text;
            tr(text, "key");
            EXPECT_EQ(units(text), row.chosen);
            EXPECT_EQ(service->askedBy().size(), row.service && row.named ? 1u : 0u);
            // The service's translator is held by the service, the direct one by
            // the test and the manager when offered; the library adds one to its choice.
            EXPECT_EQ(service->translator().refCount(), 1u + (units(text) == u"service"));
            EXPECT_EQ(direct->refCount(), 1u + row.direct + (units(text) == u"direct"));
            const int64_t lookups = manager->serviceLookups();
            manager->addService(fixedTranslator(u"later").get(), {"ITesTranslator"});
            tr(text, "key");
            EXPECT_EQ(units(text), row.chosen);
            EXPECT_EQ(manager->serviceLookups(), lookups);
            tesSetComponentManager(nullptr);
        });
    }
}

}  // namespace
