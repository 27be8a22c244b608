// A typed paged array on ArrayBase: entries of T in pages that are allocated
// only when a non-zero value is written, so a mostly zero array costs little.
// A missing page, and any index outside the array, reads as 0.
#pragma once

#include <cstdint>
#include <type_traits>

#include "arraybase.h"

namespace TesMM {

// Where an index lives: page index >> 11, position index & 2047.
template <class T>
struct Splitter {
    static constexpr int32_t kPageShift = 11;
    static constexpr int32_t kPageLength = 1 << kPageShift;
    static constexpr int32_t kOffsetMask = kPageLength - 1;

    static int32_t page(int32_t index) { return index >> kPageShift; }
    static int32_t offset(int32_t index) { return index & kOffsetMask; }
};

template <class T, class Split = Splitter<T>>
class Array : public ArrayBase {
    static_assert(std::is_trivially_copyable_v<T>);

public:
    static constexpr int32_t kPageLength = Split::kPageLength;
    // The page kind asked of the manager is the page's size in bytes.
    static constexpr int32_t kPageKind = kPageLength * static_cast<int32_t>(sizeof(T));

    explicit Array(int32_t size = 0) : ArrayBase(size, static_cast<int32_t>(sizeof(T)), kPageLength, kPageKind) {}

    // 0 for a negative index, an index beyond the size or a missing page.
    T get(int32_t index) const {
        if (index < 0 || index >= size()) return T{};
        const T* entries = static_cast<const T*>(page(Split::page(index)));
        return entries != nullptr ? entries[Split::offset(index)] : T{};
    }

    // Writes entry `index` (0 <= index < size). A missing page is allocated
    // only for a non-zero value; false when that page could not be had.
    bool put(int32_t index, T value) {
        T* entries = static_cast<T*>(page(Split::page(index)));
        if (entries == nullptr) {
            if (value == T{}) return true;
            entries = static_cast<T*>(ensurePage(Split::page(index)));
            if (entries == nullptr) return false;
        }
        entries[Split::offset(index)] = value;
        return true;
    }

    // The entries of page `page`, or null for a page not allocated or beyond
    // the table.
    T* pageEntries(int32_t page) const {
        return page >= 0 && page < pageCount() ? static_cast<T*>(ArrayBase::page(page)) : nullptr;
    }
    // The entries of page `page` (< pageCount()), allocated zero-filled when
    // missing; null when memory is short.
    T* ensurePageEntries(int32_t page) { return static_cast<T*>(ensurePage(page)); }
};

}  // namespace TesMM
