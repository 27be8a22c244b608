#include "computation/refautomation.h"

#include <cstring>

#include "queryinterface.h"

void RefPreAlignAutoNode::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out,
                   {"RefPreAlignAutoNode",
                    this,
                    static_cast<ITesAutomationNode*>(this),
                    {{"ITesAutomationNode", static_cast<ITesAutomationNode*>(this)},
                     {"ITesPreAlignAutoNode", static_cast<ITesPreAlignAutoNode*>(this)}}});
}

const char* RefPreAlignAutoNode::className() const { return "RefPreAlignAutoNode"; }

void RefAutomationNodeFactory::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out,
                   {"RefAutomationNodeFactory",
                    this,
                    this,
                    {{"ITesAutomationNodeFactory", static_cast<ITesAutomationNodeFactory*>(this)}}});
}

const char* RefAutomationNodeFactory::className() const { return "RefAutomationNodeFactory"; }

ITesUnknown* RefAutomationNodeFactory::createNode(const char* kind) {
    if (kind == nullptr || std::strcmp(kind, "ITesPreAlignAutoNode") != 0) return nullptr;
    nodes_.emplace_back(new RefPreAlignAutoNode);
    return static_cast<ITesAutomationNode*>(nodes_.back().get());
}
