// The host's automation record: nodes commands create for what they did,
// kept in order for the session's dump.
#pragma once

#include <string>
#include <vector>

#include "hostapi/computation.h"
#include "iptr.h"

// A pre-alignment record: its label and the matrix it applied.
class RefPreAlignAutoNode : public ITesAutomationNode, public ITesPreAlignAutoNode {
public:
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;
    void setLabel(const char16_t* label) override { label_ = label != nullptr ? label : u""; }
    void setMatrix(const TesMatrix& matrix) override {
        matrix_ = matrix;
        hasMatrix_ = true;
    }

    const std::u16string& label() const { return label_; }
    // The identity until set.
    const TesMatrix& matrix() const { return matrix_; }
    bool hasMatrix() const { return hasMatrix_; }

private:
    std::u16string label_;
    TesMatrix matrix_;
    bool hasMatrix_ = false;
};

class RefAutomationNodeFactory : public ITesAutomationNodeFactory {
public:
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;
    // Records "ITesPreAlignAutoNode" only.
    ITesUnknown* createNode(const char* kind) override;

    const std::vector<IPtr<RefPreAlignAutoNode>>& nodes() const { return nodes_; }
    void clear() { nodes_.clear(); }

private:
    std::vector<IPtr<RefPreAlignAutoNode>> nodes_;
};
