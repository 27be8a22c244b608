// "Define View": orients the camera of the current view by picked features (a
// plane, a line, a sphere or a CAD face) for the view plane and, optionally,
// the vertical direction; either can be flipped and the result turned about
// the viewing or the vertical axis, then kept as a named user-defined view.
#pragma once

#include <optional>

#include "compbasecmd.h"
#include "hostapi/gfx.h"
#include "hostapi/selection.h"
#include "iptr.h"
#include "tesvector.h"

class GenDefineViewCmd : public CompBaseCmdInt,
                         public virtual ITesPreselectMgrAccess,
                         public virtual ITesPreselectActivator {
public:
    GenDefineViewCmd();
    ~GenDefineViewCmd() override;

    void queryInterface(const char* name, void** out) override;
    const char* className() const override;

    bool isAvailable(ICommandState* state) override;
    void buildDialog(IGuiPanel* panel) override;
    bool start() override;
    void end() override;
    bool onOk() override;
    bool onCancel() override { return true; }
    void onApply() override;

    void onControlClicked(int32_t id, bool checked) override;
    void onTextEdited(int32_t id, const char16_t* text) override;
    void onEditFinished(int32_t id) override;
    void onSelectionChanged(int32_t id, int32_t index) override;
    void onWidgetActivated(int32_t id, bool active) override;
    void onMouseEvent(IGfxMouseEvent* event) override;
    void onKeyEvent(ITesKeyEvent* event) override;
    void onPreselectNotification(int32_t first, int32_t second, int32_t third) override;

    ITesPreselectMgr* preselectMgr() override { return preselect_.get(); }
    void setPreselectMgr(ITesPreselectMgr* manager) override { preselect_ = manager; }

    bool activate(int32_t kind, int32_t first, int32_t second, int32_t third, bool* accept) override;
    bool activatorCall1() override { return true; }
    bool activatorCall2() override { return true; }

    // Set by the view manager's callback when the user drags the camera.
    void markModified() { modified_ = true; }

private:
    class MouseCallback;

    IView* currentView();
    void startNewView();
    void saveCurrentView();
    // Asks "Do you want to save %1?" about `name`; the dialog's answer.
    int32_t askToSave(const char16_t* name);
    void chooseView(int32_t index);
    void makeCurrent(ITesFeatureSelectorWidget* current, ITesFeatureSelectorWidget* other);
    ITesFeatureSelectorWidget* currentSelector();
    void clearSelectors();
    std::optional<TesVector> directionOf(ITesFeatureSelectorWidget* selector);
    void updateView();
    void applyFrame();

    IPtr<ITesFeatureSelectorWidget> upSelector_;
    IPtr<ITesFeatureSelectorWidget> frontSelector_;
    IPtr<ITesPreselectMgr> preselect_;
    IPtr<IView> tempView_;
    bool modified_ = false;
    int32_t currentViewIndex_ = 0;
    bool upFlip_ = false;
    bool frontFlip_ = false;
    IPtr<MouseCallback> callback_;
};
