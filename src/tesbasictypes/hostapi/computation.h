// Computations the host offers: the rigid fit of point pairs, normals of a
// point set from its neighbours, and the automation record of a command.
#pragma once

#include <cstdint>

#include "../tesmatrix.h"
#include "../tesobject.h"

// "IAligner_Input_Dummy": the aligner's input, a single parameter whose
// meaning is the host's. Each lookup makes a new input.
class IAligner_Input_Dummy : public virtual ITesUnknown {
public:
    virtual void setParameter(double value) = 0;
    virtual double parameter() = 0;
};

// "IAligner": the rigid motion R that carries floating points onto fixed
// points in the least-squares sense.
class IAligner : public virtual ITesUnknown {
public:
    // The input the next align uses; the aligner keeps a reference.
    virtual void setInput(IAligner_Input_Dummy* input) = 0;
    // `count` pairs: `fixed` holds x, y, z of each fixed point, `floating`
    // x, y, z then the normal's x, y, z of each floating point (a zero normal
    // carries none); both arrays have room for count + 1 entries. On success
    // writes R (R · floating ≈ fixed) and answers true; on failure leaves
    // `result` as it was.
    virtual bool align(int32_t count, const double* fixed, const double* floating, TesMatrix* result) = 0;
};

// "IPointNormalCalculator": a normal for every point of a point set, from the
// points around it.
class IPointNormalCalculator : public virtual ITesUnknown {
public:
    // The points the next calculate works on ("ITesPoints"); the calculator
    // keeps a reference.
    virtual void setPoints(ITesUnknown* points) = 0;
    // `orient`: turn the normals consistently; `store`: give them to the
    // points. False when there are no points or too few to span a surface.
    virtual bool calculate(bool orient, bool store) = 0;
};

// A record of the automation script the host keeps for a command's result.
class ITesAutomationNode : public virtual ITesUnknown {
public:
    // The text the host shows for the record.
    virtual void setLabel(const char16_t* label) = 0;
};

// The automation record of a pre-alignment: the matrix it applied.
class ITesPreAlignAutoNode : public virtual ITesUnknown {
public:
    virtual void setMatrix(const TesMatrix& matrix) = 0;
};

// "ITesAutomationNodeFactory".
class ITesAutomationNodeFactory : public virtual ITesUnknown {
public:
    // A new node (count 0) of the kind named by its interface, such as
    // "ITesPreAlignAutoNode", recorded in the host's automation; null for a
    // kind the host does not record.
    virtual ITesUnknown* createNode(const char* kind) = 0;
};
