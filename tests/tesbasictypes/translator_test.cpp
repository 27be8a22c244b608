#include "translator.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "freshprocess.h"
#include "iptr.h"
#include "queryinterface.h"
#include "refcomponentmanager.h"
#include "servicelookup.h"

namespace {

std::u16string units(const TesString& text) { return std::u16string(static_cast<std::u16string_view>(text)); }

// translate with as many arguments as `arguments` holds, through the overload
// for that count.
TesString translateWith(ITesTranslator& translator, const char* key, const std::vector<TesString>& a) {
    switch (a.size()) {
        case 0: return translator.translate(key);
        case 1: return translator.translate(key, a[0]);
        case 2: return translator.translate(key, a[0], a[1]);
        case 3: return translator.translate(key, a[0], a[1], a[2]);
        case 4: return translator.translate(key, a[0], a[1], a[2], a[3]);
        case 5: return translator.translate(key, a[0], a[1], a[2], a[3], a[4]);
        default: return translator.translate(key, a[0], a[1], a[2], a[3], a[4], a[5]);
    }
}

TesString translateList(ITesTranslator& translator, const char* key, const std::vector<TesString>& arguments) {
    std::vector<const TesString*> pointers;
    for (const TesString& argument : arguments) pointers.push_back(&argument);
    return translator.translateList(key, static_cast<int32_t>(arguments.size()), pointers.data());
}

// The letters a, b, c ... as `count` arguments.
std::vector<TesString> letters(int count) {
    std::vector<TesString> arguments;
    for (int i = 0; i < count; ++i) arguments.emplace_back(static_cast<char16_t>(u'a' + i));
    return arguments;
}

// Names each operation by its slot, followed by the arguments it received.
class SlotTranslator : public ITesTranslator {
public:
    void queryInterface(const char* name, void** out) override {
        tesAnswerQuery(name, out, {"SlotTranslator", this, this, {{"ITesTranslator", static_cast<ITesTranslator*>(this)}}});
    }
    const char* className() const override { return "SlotTranslator"; }

    TesString translateList(const char*, int32_t, const TesString* const*) override { return u"slot 0"; }
    TesString translate(const char*, const TesString& a1, const TesString& a2, const TesString& a3,
                        const TesString& a4, const TesString& a5, const TesString& a6) override {
        return u"slot 1:" + a1 + a2 + a3 + a4 + a5 + a6;
    }
    TesString translate(const char*, const TesString& a1, const TesString& a2, const TesString& a3,
                        const TesString& a4, const TesString& a5) override {
        return u"slot 2:" + a1 + a2 + a3 + a4 + a5;
    }
    TesString translate(const char*, const TesString& a1, const TesString& a2, const TesString& a3,
                        const TesString& a4) override {
        return u"slot 3:" + a1 + a2 + a3 + a4;
    }
    TesString translate(const char*, const TesString& a1, const TesString& a2, const TesString& a3) override {
        return u"slot 4:" + a1 + a2 + a3;
    }
    TesString translate(const char*, const TesString& a1, const TesString& a2) override {
        return u"slot 5:" + a1 + a2;
    }
    TesString translate(const char*, const TesString& a1) override { return u"slot 6:" + a1; }
    TesString translate(const char*) override { return u"slot 7"; }
    bool isLoaded() override { return true; }
    bool lookup(const char*, TesString& text) override {
        text = u"slot 9";
        return true;
    }
};

// A translator that gives every key the same text.
class FixedTranslator : public TesLookupTranslator {
public:
    explicit FixedTranslator(const char16_t* text) : text_(text) {}
    void queryInterface(const char* name, void** out) override {
        tesAnswerQuery(name, out, {"FixedTranslator", this, this, {{"ITesTranslator", static_cast<ITesTranslator*>(this)}}});
    }
    const char* className() const override { return "FixedTranslator"; }
    bool isLoaded() override { return true; }
    bool lookup(const char*, TesString& text) override {
        text = text_;
        return true;
    }

private:
    TesString text_;
};

// Answers every component with one translator, which may be null.
class TestTranslatorService : public ITesTranslatorService {
public:
    explicit TestTranslatorService(ITesTranslator* answer) : answer_(answer) {}
    void queryInterface(const char* name, void** out) override {
        tesAnswerQuery(name, out,
                       {"TestTranslatorService",
                        this,
                        this,
                        {{"ITesTranslatorService", static_cast<ITesTranslatorService*>(this)}}});
    }
    const char* className() const override { return "TestTranslatorService"; }
    ITesTranslator* translatorFor(const char* componentName) override {
        askedBy.emplace_back(componentName != nullptr ? componentName : "(null)");
        return answer_.get();
    }
    std::vector<std::string> askedBy;

private:
    IPtr<ITesTranslator> answer_;
};

constexpr const char* kComponentName = "testcomponent";

}  // namespace

TEST(TesTrivialTranslator, AnswersItsNames) {
    IPtr<TesTrivialTranslator> trivial(new TesTrivialTranslator);
    EXPECT_STREQ(trivial->className(), "TesTrivialTranslator");
    EXPECT_EQ(tesQuery<TesTrivialTranslator>(trivial.get(), "TesTrivialTranslator"), trivial.get());
    EXPECT_EQ(tesQuery<ITesTranslator>(trivial.get(), "ITesTranslator"), static_cast<ITesTranslator*>(trivial.get()));
    EXPECT_EQ(tesQuery<ITesUnknown>(trivial.get(), "ITesUnknown"), static_cast<ITesUnknown*>(trivial.get()));
    EXPECT_EQ(tesQuery<ITesUnknown>(trivial.get(), "ITesTranslatorService"), nullptr);
    EXPECT_FALSE(trivial->isLoaded());
}

TEST(TesTrivialTranslator, EveryKeyIsItsOwnText) {
    struct Case {
        const char* key;
        std::u16string text;
    };
    const Case cases[] = {
        {"Define View", u"Define View"},
        {"", u""},
        {nullptr, u""},
        {"%1 of %2", u"%1 of %2"},  // no arguments: placeholders stay
        {"Gr\xC3\xB6\xC3\x9F" "e", u"Gr\u00F6\u00DFe"},
        {"caf\xE9", u"caf\uFFE9"},  // a byte outside UTF-8 keeps its sign-extended unit
    };
    TesTrivialTranslator trivial;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key != nullptr ? c.key : "(null)");
        EXPECT_EQ(units(trivial.translate(c.key)), c.text);
        TesString looked = u"stale";
        EXPECT_TRUE(trivial.lookup(c.key, looked));
        EXPECT_EQ(units(looked), c.text);
    }
}

TEST(TesTrivialTranslator, TranslateFillsNumberedPlaceholders) {
    struct Case {
        const char* key;
        std::vector<TesString> arguments;
        std::u16string text;
    };
    const Case cases[] = {
        {"%2 of %1", {u"a", u"b"}, u"b of a"},
        {"%1%1", {u"x"}, u"xx"},
        {"%1-%2-%3", {u"a", u"b"}, u"a-b-"},          // no third argument: removed
        {"[%1][%2]", {TesString(), u"b"}, u"[][b]"},  // a null argument: removed
        {"100% %0 %a %", {u"x"}, u"100% %0 %a %"},
        {"%10", {u"a"}, u"a0"},  // one digit only
        {"%1", {u"%2", u"b"}, u"%2"},  // argument texts are not scanned
        {"%6%5%4%3%2%1", letters(6), u"fedcba"},
        {"%6%5%4%3%2%1", letters(5), u"edcba"},
        {"%6%5%4%3%2%1", letters(4), u"dcba"},
        {"%6%5%4%3%2%1", letters(3), u"cba"},
    };
    TesTrivialTranslator trivial;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.key) + " with " + std::to_string(c.arguments.size()));
        EXPECT_EQ(units(translateWith(trivial, c.key, c.arguments)), c.text);
    }
}

TEST(TesTrivialTranslator, TranslateListReplacesTheFirstPlaceholderOfEachArgument) {
    struct Case {
        const char* key;
        std::vector<TesString> arguments;
        std::u16string text;
    };
    const Case cases[] = {
        {"%1 of %2", {}, u"%1 of %2"},
        {"%2 of %1", {u"a", u"b"}, u"b of a"},
        {"%1|%12|%10", letters(12), u"a|l|j"},
        {"%12|%10|%1", letters(12), u"l|j|a"},  // "%1" never takes the start of "%12"
        {"%10|%1", letters(9), u"%10|a"},       // no tenth argument: stays
        {"%1 and %1", {u"a"}, u"a and %1"},     // the first only
        {"%3 only", letters(2), u"%3 only"},    // placeholders beyond the count stay
        {"only %2", letters(2), u"only b"},     // no "%1": the first argument is dropped
        {"[%1][%2]", {TesString(), u"b"}, u"[][b]"},
        {"%1|%2", {u"%2", u"x"}, u"%2|x"},  // argument texts are not scanned
        {"%%1 %01 %0", {u"a"}, u"%a %01 %0"},
        {"", {u"a"}, u""},
    };
    TesTrivialTranslator trivial;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.key) + " with " + std::to_string(c.arguments.size()));
        EXPECT_EQ(units(translateList(trivial, c.key, c.arguments)), c.text);
    }
    EXPECT_EQ(units(trivial.translateList("[%1][%2]", 2, nullptr)), u"[][]");
    EXPECT_EQ(units(trivial.translateList("[%1]", -1, nullptr)), u"[%1]");
}

TEST(Translator, WithoutHostEveryKeyIsItself) {
    EXPECT_IN_FRESH_PROCESS([] {
        ITesTranslator* current = translator();
        ASSERT_NE(current, nullptr);
        EXPECT_STREQ(current->className(), "TesTrivialTranslator");
        EXPECT_EQ(current->refCount(), 1u);
        EXPECT_EQ(translator(), current);
        TesString text;
        tr(text, "Define View");
        EXPECT_EQ(units(text), u"Define View");
        tr(text, "%2 of %1", u"a", u"b");
        EXPECT_EQ(units(text), u"b of a");
    });
}

// Each row in a process of its own: which translator the host offers, and
// which one the component ends up with.
TEST(Translator, ServiceBeatsDirectTranslatorWhichBeatsTrivial) {
    enum class Offer { none, serviceAnswers, serviceAnswersNull };
    enum class Expect { fromService, direct, trivial };
    struct Case {
        Offer service;
        bool direct;
        Expect chosen;
    };
    const Case cases[] = {
        {Offer::serviceAnswers, true, Expect::fromService},  {Offer::serviceAnswers, false, Expect::fromService},
        {Offer::serviceAnswersNull, true, Expect::direct},   {Offer::none, true, Expect::direct},
        {Offer::serviceAnswersNull, false, Expect::trivial}, {Offer::none, false, Expect::trivial},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(static_cast<int>(c.service)) + " " + std::to_string(c.direct));
        EXPECT_IN_FRESH_PROCESS([c] {
            IPtr<RefComponentManager> manager(new RefComponentManager);
            IPtr<FixedTranslator> fromService(new FixedTranslator(u"service"));
            IPtr<FixedTranslator> direct(new FixedTranslator(u"direct"));
            IPtr<TestTranslatorService> service(
                new TestTranslatorService(c.service == Offer::serviceAnswers ? fromService.get() : nullptr));
            if (c.service != Offer::none) manager->addService(service.get(), {"ITesTranslatorService"});
            if (c.direct) manager->addService(direct.get(), {"ITesTranslator"});
            tesSetComponentManager(manager.get());
            tesSetComponentIdentity(kComponentName, TesClassId{});

            TesString text;
            tr(text, "key");
            const std::u16string expected[] = {u"service", u"direct", u"key"};
            EXPECT_EQ(units(text), expected[static_cast<int>(c.chosen)]);
            const std::vector<std::string> asks = c.service != Offer::none ? std::vector<std::string>{kComponentName}
                                                                           : std::vector<std::string>{};
            EXPECT_EQ(service->askedBy, asks);
            // One reference for the test, one for the service or manager that
            // offers it, one for the library when it was chosen.
            EXPECT_EQ(fromService->refCount(),
                      1u + (c.service == Offer::serviceAnswers) + (c.chosen == Expect::fromService));
            EXPECT_EQ(direct->refCount(), 1u + c.direct + (c.chosen == Expect::direct));
            tesSetComponentManager(nullptr);
        });
    }
}

TEST(Translator, HostIsAskedOncePerProcess) {
    EXPECT_IN_FRESH_PROCESS([] {
        IPtr<RefComponentManager> manager(new RefComponentManager);
        IPtr<FixedTranslator> first(new FixedTranslator(u"first"));
        IPtr<FixedTranslator> later(new FixedTranslator(u"later"));
        manager->addService(first.get(), {"ITesTranslator"});
        tesSetComponentManager(manager.get());

        ITesTranslator* current = translator();
        const int64_t lookups = manager->serviceLookups();
        manager->addService(later.get(), {"ITesTranslator"});
        manager->addService(new TestTranslatorService(later.get()), {"ITesTranslatorService"});
        EXPECT_EQ(translator(), current);
        TesString text;
        tr(text, "key");
        EXPECT_EQ(units(text), u"first");
        EXPECT_EQ(manager->serviceLookups(), lookups);
        tesSetComponentManager(nullptr);
    });
    EXPECT_IN_FRESH_PROCESS([] {
        // Resolved before the host arrived: the trivial translator stays.
        const ITesTranslator* early = translator();
        IPtr<RefComponentManager> manager(new RefComponentManager);
        IPtr<FixedTranslator> late(new FixedTranslator(u"late"));
        manager->addService(late.get(), {"ITesTranslator"});
        tesSetComponentManager(manager.get());
        EXPECT_EQ(translator(), early);
        EXPECT_STREQ(translator()->className(), "TesTrivialTranslator");
        tesSetComponentManager(nullptr);
    });
}

TEST(Translator, TrPicksTheOverloadForItsArgumentCount) {
    EXPECT_IN_FRESH_PROCESS([] {
        IPtr<RefComponentManager> manager(new RefComponentManager);
        IPtr<SlotTranslator> slots(new SlotTranslator);
        manager->addService(slots.get(), {"ITesTranslator"});
        tesSetComponentManager(manager.get());
        const TesString a = u"a", b = u"b", c = u"c", d = u"d", e = u"e", f = u"f";
        TesString text;
        tr(text, "key");
        EXPECT_EQ(units(text), u"slot 7");
        tr(text, "key", a);
        EXPECT_EQ(units(text), u"slot 6:a");
        tr(text, "key", a, b);
        EXPECT_EQ(units(text), u"slot 5:ab");
        tr(text, "key", a, b, c);
        EXPECT_EQ(units(text), u"slot 4:abc");
        tr(text, "key", a, b, c, d);
        EXPECT_EQ(units(text), u"slot 3:abcd");
        tr(text, "key", a, b, c, d, e);
        EXPECT_EQ(units(text), u"slot 2:abcde");
        tr(text, "key", a, b, c, d, e, f);
        EXPECT_EQ(units(text), u"slot 1:abcdef");
        tesSetComponentManager(nullptr);
    });
}
