// "Camera Position": places the camera of the current view numerically,
// relative to the world or to a coordinate system of the document: position,
// up and look directions chosen among the six axes (or the current ones), and
// zoom. Apply sets the camera and prints it on standard output.
#pragma once

#include <vector>

#include "compbasecmd.h"
#include "hostapi/gfx.h"
#include "hostapi/settings.h"
#include "tesmatrix.h"

class GenSetCameraCmd : public CompBaseCmd, public virtual ITesDataReceiver {
public:
    GenSetCameraCmd();

    void queryInterface(const char* name, void** out) override;
    const char* className() const override;

    bool isAvailable(ICommandState* state) override;
    void buildDialog(IGuiPanel* panel) override;
    bool start() override;
    void updateGui() override;
    bool onOk() override;
    bool onCancel() override;
    void onApply() override;
    void onControlClicked(int32_t id, bool checked) override;
    void onEditFinished(int32_t id) override;
    void onSelectionChanged(int32_t id, int32_t index) override;
    void onRedrawRequest(int32_t id) override;

    void onBoolChanged(const char*, bool) override {}
    void onIntChanged(const char*, int32_t) override {}
    void onDoubleChanged(const char*, double) override {}
    void onStringChanged(const char*, const char16_t*) override {}
    void onBinaryChanged(const char*, const void*, int64_t) override {}
    void onRemoved(const char*) override {}
    void onStoreReset() override {}

private:
    struct Choice {
        int axis;       // 0 X, 1 Y, 2 Z
        bool negative;
    };

    void collectCoordinateSystems();
    void fillPosition(const TesVector& position);
    void loadUpDefault();
    void pairLookWithUp();
    void chooseReference(int32_t index);
    Choice choiceOf(int32_t comboId, int32_t index);
    void resolveConflict(int32_t changedId);
    TesMatrix referenceTransform();
    TesVector axisDirection(int32_t index, const TesMatrix& rotation);
    TesVector currentUpSetting();
    void writeUp(const TesVector& up);
    void dumpCamera();

    std::vector<TesMatrix> systems_;
    TesVector axes_[7];
    double savedZoom_ = 0;
    TesMatrix savedOrientation_;
    TesVector savedUp_;
};
