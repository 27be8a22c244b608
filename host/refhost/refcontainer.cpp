#include "refcontainer.h"

#include "queryinterface.h"

void RefContainer::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out,
                   {"RefContainer",
                    this,
                    static_cast<IComponentCommandContainer*>(this),
                    {{"IComponentCommandContainer", static_cast<IComponentCommandContainer*>(this)},
                     {"IComponentCommandContainerInt", static_cast<IComponentCommandContainerInt*>(this)}}});
}

const char* RefContainer::className() const { return "RefContainer"; }
