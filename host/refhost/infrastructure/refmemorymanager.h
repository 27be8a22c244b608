// The reference host's memory manager: pages of `kind` bytes from the system,
// a cache of freed pages that releaseMemory gives back to the system, and
// scripted answers to releaseMemory for tests.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <vector>

#include "hostapi/infrastructure.h"

class RefMemoryManager : public TesMM::ITesMManager {
public:
    // Figures are reported in units of this many bytes.
    static constexpr int64_t kFigureUnit = 24576;

    explicit RefMemoryManager(int64_t coreLimitBytes = 0) : coreLimitBytes_(coreLimitBytes) {}
    ~RefMemoryManager() override;

    void queryInterface(const char* name, void** out) override;
    const char* className() const override;

    void* allocPage(int32_t pageKind, int32_t flag) override;
    void freePage(void* page) override;
    bool releaseMemory() override;
    int64_t coreLimit() override { return coreLimitBytes_ / kFigureUnit; }
    int64_t swapLimit() override { return 0; }
    int64_t swapNow() override { return 0; }
    int64_t coreNow() override { return bytesInUse_ / kFigureUnit; }

    // The next releaseMemory calls answer these values, in order, whatever the
    // cache holds; afterwards the cache decides again.
    void scriptReleases(const std::vector<bool>& answers);
    int releaseCalls() const { return releaseCalls_; }
    int64_t pagesInUse() const { return static_cast<int64_t>(kinds_.size()); }
    int64_t cachedPages() const;

private:
    std::map<void*, int32_t> kinds_;                // live page -> kind
    std::map<int32_t, std::vector<void*>> cache_;  // freed pages kept for reuse, by kind
    std::deque<bool> scripted_;
    int64_t coreLimitBytes_;
    int64_t bytesInUse_ = 0;
    int releaseCalls_ = 0;
};
