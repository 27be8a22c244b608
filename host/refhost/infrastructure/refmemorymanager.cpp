#include "infrastructure/refmemorymanager.h"

#include <cstdlib>
#include <cstring>

#include "queryinterface.h"

namespace {
constexpr const char* kClassName = "RefMemoryManager";
constexpr size_t kCachedPagesPerKind = 16;
constexpr int32_t kZeroFilled = 1;
}  // namespace

RefMemoryManager::~RefMemoryManager() {
    for (auto& [page, kind] : kinds_) std::free(page);
    for (auto& [kind, pages] : cache_) {
        for (void* page : pages) std::free(page);
    }
}

void RefMemoryManager::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out,
                   {kClassName, this, this, {{"ITesMManager", static_cast<TesMM::ITesMManager*>(this)}}});
}

const char* RefMemoryManager::className() const { return kClassName; }

void* RefMemoryManager::allocPage(int32_t pageKind, int32_t flag) {
    if (pageKind <= 0) return nullptr;
    void* page = nullptr;
    std::vector<void*>& cached = cache_[pageKind];
    if (!cached.empty()) {
        page = cached.back();
        cached.pop_back();
    } else {
        page = std::malloc(static_cast<size_t>(pageKind));
        if (page == nullptr) return nullptr;
    }
    if (flag == kZeroFilled) std::memset(page, 0, static_cast<size_t>(pageKind));
    kinds_[page] = pageKind;
    bytesInUse_ += pageKind;
    return page;
}

void RefMemoryManager::freePage(void* page) {
    auto found = kinds_.find(page);
    if (found == kinds_.end()) return;
    const int32_t kind = found->second;
    kinds_.erase(found);
    bytesInUse_ -= kind;
    std::vector<void*>& cached = cache_[kind];
    if (cached.size() < kCachedPagesPerKind) {
        cached.push_back(page);
    } else {
        std::free(page);
    }
}

bool RefMemoryManager::releaseMemory() {
    ++releaseCalls_;
    bool released = false;
    for (auto& [kind, pages] : cache_) {
        for (void* page : pages) std::free(page);
        released = released || !pages.empty();
        pages.clear();
    }
    if (scripted_.empty()) return released;
    const bool answer = scripted_.front();
    scripted_.pop_front();
    return answer;
}

void RefMemoryManager::scriptReleases(const std::vector<bool>& answers) {
    scripted_.assign(answers.begin(), answers.end());
}

int64_t RefMemoryManager::cachedPages() const {
    int64_t count = 0;
    for (const auto& [kind, pages] : cache_) count += static_cast<int64_t>(pages.size());
    return count;
}
