// The system allocator behind one seam, so tests can make it fail: on Linux a
// request below 2 GiB never fails by itself (overcommit).
#pragma once

#include <cstddef>

void* tesSysMalloc(size_t bytes);
void* tesSysRealloc(void* block, size_t bytes);
void tesSysFree(void* block);

// The next `count` calls of tesSysMalloc and tesSysRealloc asking for at least
// `fromBytes` bytes (and never 0) fail: they return null without touching the
// block. Smaller requests are served as usual. For tests.
void tesSysFailNextAllocations(int count, size_t fromBytes = 1);
