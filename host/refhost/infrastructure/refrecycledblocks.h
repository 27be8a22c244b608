// Memory for objects that a walk makes and drops by the thousand (the XML
// service's elements and iterators): each thread keeps a few freed blocks of
// the class's size and hands them out again before asking the heap.
#pragma once

#include <cstddef>
#include <new>
#include <vector>

template <class T>
class RefRecycledBlocks {
public:
    static void* operator new(size_t size) {
        std::vector<void*>& spare = blocks();
        if (size != sizeof(T) || spare.empty()) return ::operator new(size);
        void* block = spare.back();
        spare.pop_back();
        return block;
    }

    static void operator delete(void* block, size_t size) {
        std::vector<void*>& spare = blocks();
        if (size == sizeof(T) && spare.size() < kKept) {
            spare.push_back(block);
        } else {
            ::operator delete(block);
        }
    }

private:
    static constexpr size_t kKept = 64;

    struct Spare {
        Spare() { blocks.reserve(kKept); }
        ~Spare() {
            for (void* block : blocks) ::operator delete(block);
        }
        std::vector<void*> blocks;
    };

    static std::vector<void*>& blocks() {
        thread_local Spare spare;
        return spare.blocks;
    }
};
