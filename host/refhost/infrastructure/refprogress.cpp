#include "infrastructure/refprogress.h"

#include <algorithm>
#include <string>

#include "os/fileio.h"
#include "queryinterface.h"

namespace {

constexpr const char* kProgressClass = "RefProgress";
constexpr int kBarWidth = 40;
constexpr int kPercent = 100;

}  // namespace

RefProgress::RefProgress() : RefProgress(tesStderrIsTerminal() ? stderr : nullptr) {}

RefProgress::RefProgress(std::FILE* bar) : bar_(bar) {}

void RefProgress::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out,
                   {kProgressClass,
                    this,
                    static_cast<ITesProgress*>(this),
                    {{"ITesProgress", static_cast<ITesProgress*>(this)},
                     {"ITesProgressSplit", static_cast<ITesProgressSplit*>(this)}}});
}

void RefProgress::split(int32_t parts) {
    parts_ = parts > 0 ? parts : 1;
    partsDone_ = 0;
    report(0.0f);
}

bool RefProgress::advance() {
    if (partsDone_ < parts_) ++partsDone_;
    return report(static_cast<float>(partsDone_) / static_cast<float>(parts_));
}

const char* RefProgress::className() const { return kProgressClass; }

bool RefProgress::report(float fraction) {
    fractions_.push_back(fraction);
    if (stopArmed_ && fraction >= stopFraction_) stopped_ = true;
    draw(fraction);
    return !stopped_;
}

bool RefProgress::cancelRequested() {
    ++cancelQueries_;
    return stopped_;
}

void RefProgress::stopAt(float fraction) {
    stopFraction_ = fraction;
    stopArmed_ = true;
}

void RefProgress::reset() {
    fractions_.clear();
    stopArmed_ = false;
    stopped_ = false;
    stopShown_ = false;
    cancelQueries_ = 0;
    drawnPercent_ = -1;
}

// Redraws the line only when the shown percentage changes; a finished or
// stopped bar ends its line, and nothing is drawn after a stop.
void RefProgress::draw(float fraction) {
    if (bar_ == nullptr || stopShown_) return;
    const float limited = fraction > 0.0f ? std::min(fraction, 1.0f) : 0.0f;  // NaN draws as 0
    const int percent = static_cast<int>(limited * kPercent);
    if (percent == drawnPercent_ && !stopped_) return;
    drawnPercent_ = percent;
    const int filled = percent * kBarWidth / kPercent;
    const std::string bar = std::string(filled, '#') + std::string(kBarWidth - filled, ' ');
    std::fprintf(bar_, "\r[%s] %3d%%%s", bar.c_str(), percent, stopped_ ? " stopped" : "");
    if (percent == kPercent || stopped_) {
        std::fputc('\n', bar_);
        drawnPercent_ = -1;
        stopShown_ = stopped_;
    }
    std::fflush(bar_);
}
