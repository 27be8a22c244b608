// The reference host's progress display ("ITesProgress"): draws a bar on a
// terminal, records every fraction it is given, and can be told to answer
// "stop" from a given fraction on.
#pragma once

#include <cstdio>
#include <vector>

#include "hostapi/infrastructure.h"

// Also "ITesProgressSplit": parts done are reported as fractions.
class RefProgress : public ITesProgress, public ITesProgressSplit {
public:
    // Draws on stderr when stderr is a terminal, and stays quiet otherwise.
    RefProgress();
    // Draws on `bar`; null draws nothing.
    explicit RefProgress(std::FILE* bar);

    void queryInterface(const char* name, void** out) override;
    const char* className() const override;
    bool report(float fraction) override;
    bool cancelRequested() override;
    // Starts at 0 of `parts`; fewer than one part counts as one.
    void split(int32_t parts) override;
    bool advance() override;

    // From the first report of at least `fraction` on, report answers false
    // and cancelRequested true.
    void stopAt(float fraction);
    // Forgets the recorded fractions and any stop.
    void reset();

    const std::vector<float>& fractions() const { return fractions_; }
    bool stopped() const { return stopped_; }
    int cancelQueries() const { return cancelQueries_; }

private:
    void draw(float fraction);

    std::FILE* bar_;
    int32_t parts_ = 1;
    int32_t partsDone_ = 0;
    std::vector<float> fractions_;
    float stopFraction_ = 0.0f;
    bool stopArmed_ = false;
    bool stopped_ = false;
    bool stopShown_ = false;
    int cancelQueries_ = 0;
    int drawnPercent_ = -1;
};
