#include "gui/refcontainer.h"

#include "queryinterface.h"
#include "infrastructure/reftext.h"

void RefContainer::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out,
                   {"RefContainer",
                    this,
                    static_cast<IComponentCommandContainer*>(this),
                    {{"IComponentCommandContainer", static_cast<IComponentCommandContainer*>(this)},
                     {"IComponentCommandContainerInt", static_cast<IComponentCommandContainerInt*>(this)}}});
}

const char* RefContainer::className() const { return "RefContainer"; }

void RefContainer::setTitle(const char16_t* title) {
    title_ = title != nullptr ? title : u"";
    calls_.push_back("setTitle \"" + refUtf8(title_) + "\"");
}

void RefContainer::setHelpTopic(const char* topic) {
    calls_.push_back(std::string("setHelpTopic ") + (topic != nullptr ? topic : ""));
}
