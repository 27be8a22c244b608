// Memory for objects that a walk makes and drops by the thousand (the XML
// service's elements and iterators): each thread keeps a few freed blocks of
// the class's size and hands them out again before asking the heap.
#pragma once

#include <array>
#include <cstddef>
#include <new>

template <class T>
class RefRecycledBlocks {
public:
    static void* operator new(size_t size) {
        Spare& spare = blocks();
        if (size != sizeof(T) || spare.count == 0) return ::operator new(size);
        return spare.blocks[--spare.count];
    }

    static void operator delete(void* block, size_t size) {
        Spare& spare = blocks();
        if (size == sizeof(T) && !spare.closed && spare.count < kKept) {
            spare.blocks[spare.count++] = block;
        } else {
            ::operator delete(block);
        }
    }

private:
    // Under AddressSanitizer every block goes back to the heap, so that a use
    // after the last release is still caught.
#if defined(__SANITIZE_ADDRESS__)
    static constexpr size_t kKept = 0;
#else
    static constexpr size_t kKept = 64;
#endif

    // Plain data, so that it stays usable until the thread ends: an object
    // released while the thread's other objects are destroyed still finds it.
    struct Spare {
        std::array<void*, kKept> blocks;
        size_t count;
        bool closed;
    };

    // Gives the kept blocks back when the thread ends; later ones go straight
    // to the heap.
    struct Sweeper {
        explicit Sweeper(Spare& spare) : spare(spare) {}
        ~Sweeper() {
            while (spare.count > 0) ::operator delete(spare.blocks[--spare.count]);
            spare.closed = true;
        }
        Spare& spare;
    };

    static Spare& blocks() {
        thread_local Spare spare{};
        thread_local Sweeper sweeper(spare);
        return spare;
    }
};
