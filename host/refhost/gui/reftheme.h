// Key names of the user's theme ("IGuiThemeMgr") and the host's hint shown
// with a command's prompt ("IUpdateGui").
#pragma once

#include "hostapi/gui.h"

class RefThemeMgr : public IGuiThemeMgr, public IUpdateGui {
public:
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;
    // "Ctrl+Z" and "Ctrl+Y" for "Undo" and "Redo", empty for other commands.
    const char16_t* commandKeyName(const char* command) override;
    // "Esc" for the abort key, empty for others.
    const char16_t* keyName(int32_t key) override { return key == 1 ? u"Esc" : u""; }
    const char16_t* hintText() override { return u"Esc: Cancel"; }
};
