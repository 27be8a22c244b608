#include "graphics/refgfxnode.h"

#include <algorithm>

#include "queryinterface.h"

void RefGfxNode::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out, {"RefGfxNode", this, this, {{"IGfxNode", static_cast<IGfxNode*>(this)}}});
}

const char* RefGfxNode::className() const { return "RefGfxNode"; }

void RefGfxNode::attach(ITesUnknown* handle, int32_t) {
    const auto same = [handle](const IPtr<ITesUnknown>& each) { return each.get() == handle; };
    if (handle != nullptr && std::none_of(attached_.begin(), attached_.end(), same)) attached_.emplace_back(handle);
}

void RefGfxNode::detach(ITesUnknown* handle) {
    std::erase_if(attached_, [handle](const IPtr<ITesUnknown>& each) { return each.get() == handle; });
}
