#include "progress.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <deque>
#include <limits>
#include <string>
#include <vector>

#include "queryinterface.h"
#include "refcomponentmanager.h"
#include "refhost.h"
#include "refprogress.h"
#include "servicelookup.h"

namespace {

// Records reports and answers from a script (true once the script is used up).
class FakeProgress : public ITesProgress {
public:
    void queryInterface(const char* name, void** out) override {
        tesAnswerQuery(name, out, {"FakeProgress", this, this, {{"ITesProgress", static_cast<ITesProgress*>(this)}}});
    }
    const char* className() const override { return "FakeProgress"; }
    bool report(float fraction) override {
        reports.push_back(fraction);
        return next(reportAnswers);
    }
    bool cancelRequested() override {
        ++cancelQueries;
        return !next(stayAnswers);
    }

    std::vector<float> reports;
    int cancelQueries = 0;
    std::deque<bool> reportAnswers;  // false: stop
    std::deque<bool> stayAnswers;    // false: the user asked to stop

private:
    static bool next(std::deque<bool>& answers) {
        if (answers.empty()) return true;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

// A progress object wired to a fake service, active over the whole range.
struct Wired {
    Wired() { progress.setService(fake.get()); }
    IPtr<FakeProgress> fake{new FakeProgress};
    ProgressCallbackObject progress;
};

}  // namespace

TEST(Progress, WithoutAHostNothingIsReported) {
    ProgressCallbackObject progress;
    EXPECT_EQ(progress.service(), nullptr);
    EXPECT_EQ(progress.flags(), ProgressCallbackBase::kCancellable);
    EXPECT_TRUE(progress.start());
    EXPECT_TRUE(progress.update(0.5f));
    EXPECT_TRUE(progress.finish());
    EXPECT_FALSE(progress.cancelRequested());
    int32_t start = -9, end = -9;
    uint32_t last = 9;
    progress.getRaw(start, end, last);
    EXPECT_EQ(start, 0);
    EXPECT_EQ(end, 1000);
    EXPECT_EQ(last, 0u);
}

TEST(Progress, TheServiceIsLookedUpByName) {
    IPtr<RefComponentManager> manager(new RefComponentManager);
    IPtr<FakeProgress> fake(new FakeProgress);
    manager->addService(fake.get(), {"ITesProgress"});
    tesSetComponentManager(manager.get());
    ProgressCallbackObject found;
    ProgressCallbackObject later;
    later.setService(nullptr);
    later.setActive(false);
    later.setActive(true);  // looks the service up again
    tesSetComponentManager(nullptr);
    EXPECT_EQ(found.service(), fake.get());
    EXPECT_EQ(later.service(), fake.get());
    EXPECT_TRUE(found.update(0.25f));
    EXPECT_EQ(fake->reports, (std::vector<float>{0.25f}));
}

TEST(Progress, RepeatedValuesAreNotReportedButAskWhetherToStop) {
    Wired w;
    EXPECT_TRUE(w.progress.update(0.5f));
    EXPECT_TRUE(w.progress.update(0.5001f));  // still 500 per mille
    ASSERT_EQ(w.fake->reports.size(), 1u);
    EXPECT_FLOAT_EQ(w.fake->reports[0], 0.5f);
    EXPECT_EQ(w.fake->cancelQueries, 1);

    EXPECT_TRUE(w.progress.setCancellable(false));
    EXPECT_FALSE(w.progress.setCancellable(false));
    EXPECT_TRUE(w.progress.update(0.5f));
    EXPECT_EQ(w.fake->cancelQueries, 1) << "not cancellable: nothing to ask";

    EXPECT_TRUE(w.progress.setCancellable(true));
    w.fake->stayAnswers = {false};
    EXPECT_FALSE(w.progress.update(0.5f));
    EXPECT_TRUE(w.progress.isCancelled());
    EXPECT_FALSE(w.progress.update(0.5f));  // already cancelled: not asked again
    EXPECT_EQ(w.fake->cancelQueries, 2);
}

TEST(Progress, AStopFromTheDisplayCancelsOnlyWhenCancellable) {
    Wired w;
    w.fake->reportAnswers = {false};
    EXPECT_FALSE(w.progress.update(0.1f));
    EXPECT_TRUE(w.progress.isCancelled());
    EXPECT_EQ(w.progress.flags(), ProgressCallbackBase::kCancellable | ProgressCallbackBase::kCancelled);
    EXPECT_TRUE(w.progress.update(0.2f)) << "a new value is reported again";
    EXPECT_TRUE(w.progress.start());
    EXPECT_FALSE(w.progress.isCancelled()) << "start clears the flag";

    Wired fixed;
    fixed.progress.setCancellable(false);
    fixed.fake->reportAnswers = {false};
    EXPECT_FALSE(fixed.progress.update(0.1f));
    EXPECT_FALSE(fixed.progress.isCancelled());
    fixed.progress.setCancelled(true);
    EXPECT_TRUE(fixed.progress.isCancelled());
    fixed.progress.setCancelled(false);
    EXPECT_EQ(fixed.progress.flags(), 0);
}

TEST(Progress, FractionsMapIntoTheOwnedRange) {
    struct Case {
        int32_t startPercent, endPercent;
        float fraction;
        float reported;
    };
    const float infinity = std::numeric_limits<float>::infinity();
    const Case cases[] = {
        {0, 100, 0.5f, 0.5f},    {20, 60, 0.5f, 0.4f},   {20, 60, -3.0f, 0.2f}, {20, 60, 7.0f, 0.6f},
        {20, 60, infinity, 0.6f}, {0, 100, 0.7f, 0.7f},   {0, 100, 0.0019f, 0.001f},
        {50, 50, 0.9f, 0.5f},     {0, 100, std::nanf(""), 1.0f},
    };
    for (const Case& c : cases) {
        Wired w;
        w.progress.setRaw(c.startPercent * 10, c.endPercent * 10, 999999);  // any last value differs
        EXPECT_TRUE(w.progress.update(c.fraction));
        ASSERT_EQ(w.fake->reports.size(), 1u) << c.fraction;
        EXPECT_FLOAT_EQ(w.fake->reports[0], c.reported) << c.startPercent << " " << c.fraction;
    }
    Wired counted;
    EXPECT_TRUE(counted.progress.update(7, 0));  // 7 / 0: infinite, limited to 1
    EXPECT_TRUE(counted.progress.update(3, 4));
    EXPECT_EQ(counted.fake->reports, (std::vector<float>{1.0f, 0.75f}));
}

TEST(Progress, RangeInPercent) {
    struct Case {
        int32_t start, end;
        int32_t rawStart, rawEnd;
    };
    const Case cases[] = {
        {30, 20, 200, 200}, {-1, 50, 0, 500}, {10, -1, 100, 1000}, {150, 200, 1000, 1000}, {0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        ProgressCallbackObject progress;
        progress.setRangePercent(c.start, c.end);
        int32_t start = 0, end = 0;
        uint32_t last = 0;
        progress.getRaw(start, end, last);
        EXPECT_EQ(start, c.rawStart) << c.start << " " << c.end;
        EXPECT_EQ(end, c.rawEnd) << c.start << " " << c.end;
        progress.getRangePercent(start, end);
        EXPECT_EQ(start, c.rawStart / 10);
        EXPECT_EQ(end, c.rawEnd / 10);
    }
    ProgressCallbackObject inactive;
    inactive.setActive(false);
    inactive.setRangePercent(10, 20);
    int32_t start = -9, end = -9;
    inactive.getRangePercent(start, end);
    EXPECT_EQ(start, 0);
    EXPECT_EQ(end, 0);
    uint32_t last = 0;
    inactive.getRaw(start, end, last);
    EXPECT_EQ(start, -1);
    EXPECT_EQ(end, 1000);
}

TEST(Progress, InactiveOrSwitchedOffNeverCallsTheService) {
    Wired inactive;
    inactive.progress.setActive(false);
    inactive.fake->reportAnswers = {false, false, false};
    EXPECT_TRUE(inactive.progress.start());
    EXPECT_TRUE(inactive.progress.update(0.5f));
    EXPECT_TRUE(inactive.progress.update(0.5f));
    EXPECT_TRUE(inactive.progress.finish());
    EXPECT_TRUE(inactive.fake->reports.empty());
    EXPECT_EQ(inactive.fake->cancelQueries, 0);

    Wired off;
    EXPECT_TRUE(off.progress.setEnabled(false));
    EXPECT_FALSE(off.progress.setEnabled(false));
    EXPECT_EQ(off.progress.flags() & ProgressCallbackBase::kSwitchedOff, ProgressCallbackBase::kSwitchedOff);
    EXPECT_TRUE(off.progress.update(0.5f));
    EXPECT_TRUE(off.progress.finish());
    EXPECT_TRUE(off.fake->reports.empty());
    EXPECT_TRUE(off.progress.setEnabled(true));
    EXPECT_TRUE(off.progress.update(0.5f));
    EXPECT_EQ(off.fake->reports.size(), 1u);
}

TEST(Progress, StartAndFinishReportTheEnds) {
    Wired w;
    EXPECT_TRUE(w.progress.update(1.0f));
    w.fake->reportAnswers = {true, false};
    EXPECT_TRUE(w.progress.start());
    EXPECT_FALSE(w.progress.finish());
    EXPECT_FALSE(w.progress.isCancelled()) << "finish does not set the flag";
    EXPECT_TRUE(w.progress.update(1.0f)) << "finish reset last to 0";
    EXPECT_EQ(w.fake->reports, (std::vector<float>{1.0f, 0.0f, 1.0f, 1.0f}));
}

TEST(Progress, CopiesStartInactiveAndCopyToStartsAfresh) {
    Wired w;
    w.progress.setCancellable(false);
    w.progress.setRangePercent(10, 90);
    ProgressCallbackObject copy(w.progress);
    EXPECT_EQ(copy.service(), w.fake.get());
    EXPECT_EQ(copy.flags(), 0);
    EXPECT_TRUE(copy.update(0.5f));
    EXPECT_TRUE(w.fake->reports.empty()) << "a copy is inactive";
    int32_t start = 0, end = 0;
    uint32_t last = 0;
    copy.getRaw(start, end, last);
    EXPECT_EQ(start, -1);
    EXPECT_EQ(end, 1000);

    w.progress.update(0.5f);
    ProgressCallbackObject target;
    target.copyFrom(&w.progress);
    target.getRaw(start, end, last);
    EXPECT_EQ(start, 100);
    EXPECT_EQ(end, 900);
    EXPECT_EQ(last, 0u);
    EXPECT_EQ(target.service(), w.fake.get());
    target.copyFrom(nullptr);
    target.copyTo(nullptr);
    target.copyTo(&target);
    target.getRaw(start, end, last);
    EXPECT_EQ(start, 100);

    ProgressCallbackObject assigned;
    assigned.setRaw(300, 400, 350);
    assigned = target;
    assigned.getRaw(start, end, last);
    EXPECT_EQ(start, 300) << "assignment keeps the progress state";
    EXPECT_EQ(last, 350u);
}

TEST(Progress, ProgressObjectAnswersItsNames) {
    IPtr<ITesProgressObject> object(new ITesProgressObject);
    EXPECT_STREQ(object->className(), "ITesProgressObject");
    EXPECT_EQ(tesQuery<ITesProgressObject>(object.get(), "ITesProgressObject"), object.get());
    EXPECT_EQ(tesQuery<ITesUnknown>(object.get(), "ITesUnknown"), static_cast<ITesUnknown*>(object.get()));
    EXPECT_EQ(tesQuery<ITesUnknown>(object.get(), "ITesProgress"), nullptr);
    EXPECT_TRUE(object->update(0.5f));
}

TEST(RefProgress, RecordsAndStopsAtTheGivenFraction) {
    RefHost host;
    tesSetComponentManager(&host.manager());
    ProgressCallbackObject progress;
    tesSetComponentManager(nullptr);
    ASSERT_EQ(progress.service(), &host.progress());

    host.progress().stopAt(0.5f);
    int steps = 0;
    while (progress.update(steps + 1, 10)) ++steps;
    EXPECT_EQ(steps, 4);
    EXPECT_TRUE(progress.isCancelled());
    EXPECT_EQ(host.progress().fractions(), (std::vector<float>{0.1f, 0.2f, 0.3f, 0.4f, 0.5f}));
    EXPECT_TRUE(host.progress().stopped());
    EXPECT_TRUE(progress.cancelRequested());
    EXPECT_FALSE(progress.finish());

    host.progress().reset();
    EXPECT_TRUE(progress.start());
    EXPECT_FALSE(progress.cancelRequested());
    EXPECT_TRUE(progress.update(0.3f));
    EXPECT_TRUE(progress.update(0.3f));
    EXPECT_EQ(host.progress().cancelQueries(), 2);
}

TEST(RefProgress, DrawsABarOnlyWhereToldTo) {
    std::FILE* bar = std::tmpfile();
    ASSERT_NE(bar, nullptr);
    IPtr<RefProgress> drawing(new RefProgress(bar));
    for (float fraction : {0.0f, 0.25f, 0.251f, 1.0f}) EXPECT_TRUE(drawing->report(fraction));
    std::rewind(bar);
    std::string text;
    for (int c = std::fgetc(bar); c != EOF; c = std::fgetc(bar)) text += static_cast<char>(c);
    std::fclose(bar);
    EXPECT_NE(text.find("[##########                              ]  25%"), std::string::npos) << text;
    EXPECT_EQ(text.find(" 25%"), text.rfind(" 25%")) << "an unchanged percentage is not redrawn";
    EXPECT_NE(text.find("] 100%\n"), std::string::npos) << text;

    IPtr<RefProgress> quiet(new RefProgress(nullptr));
    quiet->stopAt(0.0f);
    EXPECT_FALSE(quiet->report(std::nanf("")) && quiet->report(0.0f));
    EXPECT_EQ(quiet->fractions().size(), 2u);
}
