#include "progress.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

#include "refhost.h"
#include "infrastructure/refprogress.h"
#include "servicelookup.h"

namespace {

// A progress object wired to a quiet display, active over the whole range.
struct Wired {
    Wired() { progress.setService(display.get()); }
    IPtr<RefProgress> display{new RefProgress(nullptr)};
    ProgressCallbackObject progress;
};

// start, end and last of getRaw.
std::vector<int64_t> raw(const ProgressCallbackBase& progress) {
    int32_t start = -9, end = -9;
    uint32_t last = 9;
    progress.getRaw(start, end, last);
    return {start, end, last};
}

TEST(Progress, TheDisplayIsLookedUpByNameAndOptional) {
    ProgressCallbackObject alone;
    EXPECT_EQ(alone.service(), nullptr);
    EXPECT_TRUE(alone.start() && alone.update(0.5f) && alone.finish() && !alone.cancelRequested());
    RefHost host;
    tesSetComponentManager(&host.manager());
    ProgressCallbackObject found;
    alone.setActive(true);  // looks the service up again
    tesSetComponentManager(nullptr);
    EXPECT_EQ(found.service(), &host.progress());
    EXPECT_EQ(alone.service(), &host.progress());
    EXPECT_EQ(raw(found), (std::vector<int64_t>{0, 1000, 0}));
}

TEST(Progress, RepeatedValuesAreNotReportedButAskWhetherToStop) {
    Wired w;
    EXPECT_TRUE(w.progress.update(0.5f));
    EXPECT_TRUE(w.progress.update(0.5001f));  // still 500 per mille
    w.progress.setCancellable(false);
    EXPECT_TRUE(w.progress.update(0.5f));  // not cancellable: nothing to ask
    EXPECT_EQ(w.display->cancelQueries(), 1);
    w.progress.setCancellable(true);
    w.display->stopAt(0.0f);
    w.display->report(0.9f);  // the user stops it
    EXPECT_FALSE(w.progress.update(0.5f));
    EXPECT_FALSE(w.progress.update(0.5f));  // already cancelled: not asked again
    EXPECT_EQ(w.display->cancelQueries(), 2);
    EXPECT_EQ(w.display->fractions(), (std::vector<float>{0.5f, 0.9f}));
}

// start and finish report the ends and reset last; they clear the flag and
// never set it.
TEST(Progress, AStopFromTheDisplayCancelsOnlyWhenCancellable) {
    for (bool cancellable : {true, false}) {
        SCOPED_TRACE(cancellable ? "cancellable" : "not cancellable");
        Wired w;
        w.progress.setCancellable(cancellable);
        w.display->stopAt(0.1f);
        EXPECT_FALSE(w.progress.update(0.1f));
        EXPECT_EQ(w.progress.isCancelled(), cancellable);
        EXPECT_FALSE(w.progress.start() || w.progress.isCancelled());
        EXPECT_FALSE(w.progress.update(0.2f));
        EXPECT_FALSE(w.progress.finish() || w.progress.isCancelled());
        w.progress.update(1.0f);
        EXPECT_EQ(w.display->fractions(), (std::vector<float>{0.1f, 0.0f, 0.2f, 1.0f, 1.0f}));
    }
}

TEST(Progress, FractionsMapIntoTheOwnedRange) {
    const std::tuple<int32_t, int32_t, float, float> rows[] = {
        {20, 60, 0.5f, 0.4f},  {20, 60, -3.0f, 0.2f},  {20, 60, std::numeric_limits<float>::infinity(), 0.6f},
        {0, 100, 0.0019f, 0.001f},  {50, 50, 0.9f, 0.5f},  {0, 100, std::nanf(""), 1.0f},
    };
    for (const auto& [startPercent, endPercent, fraction, reported] : rows) {
        SCOPED_TRACE(testing::Message() << startPercent << ".." << endPercent << " at " << fraction);
        Wired w;
        w.progress.setRaw(startPercent * 10, endPercent * 10, 999999);  // any last value differs
        EXPECT_TRUE(w.progress.update(fraction));
        ASSERT_EQ(w.display->fractions().size(), 1u);
        EXPECT_FLOAT_EQ(w.display->fractions()[0], reported);
    }
    Wired counted;
    counted.progress.update(7, 0);  // 7 / 0: infinite, limited to 1
    counted.progress.update(3, 4);
    EXPECT_EQ(counted.display->fractions(), (std::vector<float>{1.0f, 0.75f}));
}

// Negative keeps the old value; both limited to 100 % and start to end; only
// while active, and 0 to 0 while inactive.
TEST(Progress, RangeInPercent) {
    const std::tuple<int32_t, int32_t, int32_t, int32_t> rows[] = {
        {30, 20, 200, 200}, {-1, 50, 0, 500}, {10, -1, 100, 1000}, {150, 200, 1000, 1000}, {0, 0, 0, 0},
    };
    for (const auto& [start, end, rawStart, rawEnd] : rows) {
        ProgressCallbackObject progress;
        progress.setRangePercent(start, end);
        EXPECT_EQ(raw(progress), (std::vector<int64_t>{rawStart, rawEnd, 0})) << start << ".." << end;
    }
    ProgressCallbackObject progress;
    progress.setActive(false);
    progress.setRangePercent(10, 20);
    int32_t start = -9, end = -9;
    progress.getRangePercent(start, end);
    EXPECT_EQ(std::vector<int32_t>({start, end}), std::vector<int32_t>({0, 0}));
    EXPECT_EQ(raw(progress), (std::vector<int64_t>{-1, 1000, 0}));
}

TEST(Progress, InactiveOrSwitchedOffNeverCallsTheService) {
    Wired inactive;
    inactive.progress.setActive(false);
    Wired off;
    EXPECT_TRUE(off.progress.setEnabled(false));
    for (Wired* w : {&inactive, &off}) {
        w->display->stopAt(0.0f);
        EXPECT_TRUE(w->progress.start() && w->progress.update(0.5f) && w->progress.update(0.5f));
        EXPECT_TRUE(w->progress.finish());
        EXPECT_EQ(w->display->fractions().size() + w->display->cancelQueries(), 0u);
    }
    off.progress.setEnabled(true);
    EXPECT_FALSE(off.progress.update(0.5f)) << "reported again, and stopped";
}

// A copy is inactive with the flags and service; copyTo starts afresh;
// assignment leaves the progress state alone.
TEST(Progress, CopiesStartInactiveAndCopyToStartsAfresh) {
    Wired w;
    w.progress.setCancellable(false);
    w.progress.setRangePercent(10, 90);
    w.progress.update(0.5f);
    ProgressCallbackObject copy(w.progress);
    EXPECT_EQ(copy.service(), w.display.get());
    EXPECT_EQ(copy.flags(), 0);
    EXPECT_EQ(raw(copy), (std::vector<int64_t>{-1, 1000, 0}));
    ProgressCallbackObject target;
    target.copyFrom(&w.progress);
    target.copyFrom(nullptr);
    target.copyTo(nullptr);
    target.copyTo(&target);
    EXPECT_EQ(raw(target), (std::vector<int64_t>{100, 900, 0}));
    copy.setRaw(300, 400, 350);
    copy = target;
    EXPECT_EQ(raw(copy), (std::vector<int64_t>{300, 400, 350}));
}

}  // namespace

// The host's bar: redrawn only when the shown percentage changes, its line
// ended at 100 % or on a stop, nothing drawn after a stop; NaN shows as 0.
TEST(RefProgress, DrawsTheBarWhenThePercentageChanges) {
    const std::string none(40, ' '), quarter = std::string(10, '#') + std::string(30, ' '), full(40, '#');
    const struct {
        const char* name;
        float stop;
        std::vector<float> fractions;
        std::string drawn;
    } rows[] = {
        {"to the end", 2.0f, {0.0f, 0.25f, 0.251f, 1.0f}, "\r[" + none + "]   0%\r[" + quarter + "]  25%\r[" + full + "] 100%\n"},
        {"stopped", 0.25f, {std::nanf(""), 0.25f, 0.5f}, "\r[" + none + "]   0%\r[" + quarter + "]  25% stopped\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::FILE* bar = std::tmpfile();
        ASSERT_NE(bar, nullptr);
        IPtr<RefProgress> display(new RefProgress(bar));
        display->stopAt(row.stop);
        for (float fraction : row.fractions) display->report(fraction);
        std::string text(400, '\0');
        std::rewind(bar);
        text.resize(std::fread(text.data(), 1, text.size(), bar));
        std::fclose(bar);
        EXPECT_EQ(text, row.drawn);
    }
}
