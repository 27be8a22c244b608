// The base of the component's panel widgets: a name that qualifies the keys of
// its controls, the panel it was built in, and the first of the ids the panel
// reserved for it. Every panel notification is ignored.
#pragma once

#include "hostapi/gui.h"
#include "tesstring.h"

class TesWidget : public GuiReceiverNoOps<IGuiReceiver>, public ITesWidget {
public:
    void queryInterface(const char* name, void** out) override;

    void attach(ITesUnknown*) override {}
    void setContext(ITesUnknown*) override {}
    void setName(const TesString& name) override { name_ = name; }
    const TesString& name() override { return name_; }

protected:
    TesString name_;
    IGuiPanel* panel_ = nullptr;  // owned by the host
    int32_t baseId_ = 0;
};
