#include "teshostlink.h"

namespace {

constinit std::mutex listLock;
constinit TesHostLink* firstLink = nullptr;

}  // namespace

void TesHostLink::enlist() {
    const std::lock_guard<std::mutex> guard(listLock);
    if (enlisted_) return;
    enlisted_ = true;
    next_ = firstLink;
    firstLink = this;
}

// One link at a time off the list, so that a link letting go may safely take
// another, which is then let go as well.
void tesReleaseHostLinks() {
    for (;;) {
        TesHostLink* link = nullptr;
        {
            const std::lock_guard<std::mutex> guard(listLock);
            link = firstLink;
            if (link == nullptr) return;
            firstLink = link->next_;
            link->enlisted_ = false;
        }
        link->letGo();
    }
}
