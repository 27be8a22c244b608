// The operations that move bits to other places. Each reads a copy of the
// vector, so a bit written early never feeds a later move.
#include "bitvector.h"
#include "intarray.h"

void BitVector::gather(const BitVector& mask) {
    const BitVector source(*this);
    clearAll();
    int32_t target = 1;
    for (int32_t bit = mask.nextSet(-1); bit >= 0; bit = mask.nextSet(bit), ++target) {
        if (source.test(bit)) set(target);
    }
}

void BitVector::moveMapped(const TesMM::IntArray& map) {
    const BitVector source(*this);
    TesMM::IntArray::NonZeroIter entry(map);
    for (entry.reset(); !entry.atEnd(); entry.advance()) {
        if (entry.value() >= 0) clear(entry.index());
    }
    assignMapped(map, source);
}

void BitVector::remap(const TesMM::IntArray& map) {
    const BitVector source(*this);
    clearAll();
    orMapped(map, source);
}
