// "ICommandAccess": the host commands a component may run by name. Every
// call is recorded; "Fit Model to View" is the one this host knows.
#pragma once

#include <string>
#include <vector>

#include "document/refdocument.h"
#include "graphics/refgraphics.h"
#include "hostapi/document.h"
#include "iptr.h"

struct RefCommandRun {
    std::u16string name;
    int32_t flags = 0;
    bool known = false;
};

class RefCommandAccess : public ICommandAccess {
public:
    RefCommandAccess(RefDocument* document, RefViewMgr* views, RefGenGfxService* graphics)
        : document_(document), views_(views), graphics_(graphics) {}
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;
    // False for a name this host does not know.
    bool runCommand(const char16_t* name, int32_t flags) override;

    const std::vector<RefCommandRun>& runs() const { return runs_; }

private:
    // Moves the current camera along its viewing axis, keeping its direction
    // and zoom, until the box of every mesh in the document fills the view.
    void fitModelToView();

    IPtr<RefDocument> document_;
    IPtr<RefViewMgr> views_;
    IPtr<RefGenGfxService> graphics_;
    std::vector<RefCommandRun> runs_;
};
