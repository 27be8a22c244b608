// The system allocator behind one seam, so tests can make it fail: on Linux a
// request below 2 GiB never fails by itself (overcommit).
#pragma once

#include <cstddef>

void* tesSysMalloc(size_t bytes);
void* tesSysRealloc(void* block, size_t bytes);
void tesSysFree(void* block);

// The next `count` calls of tesSysMalloc and tesSysRealloc with a non-zero size
// fail (return null without touching the block). For tests.
void tesSysFailNextAllocations(int count);
