#include "gui/reftheme.h"

#include <string_view>

#include "queryinterface.h"

void RefThemeMgr::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out,
                   {"RefThemeMgr",
                    this,
                    static_cast<IGuiThemeMgr*>(this),
                    {{"IGuiThemeMgr", static_cast<IGuiThemeMgr*>(this)},
                     {"IUpdateGui", static_cast<IUpdateGui*>(this)}}});
}

const char* RefThemeMgr::className() const { return "RefThemeMgr"; }

const char16_t* RefThemeMgr::commandKeyName(const char* command) {
    const std::string_view name = command != nullptr ? command : "";
    if (name == "Undo") return u"Ctrl+Z";
    if (name == "Redo") return u"Ctrl+Y";
    return u"";
}
