// The panes of the view manager: the main view and the four panes of the
// split layout, each a scene view with a title, the host's two settings, the
// objects it shows and the centre its camera turns about.
#pragma once

#include <string>
#include <vector>

#include "graphics/refgraphics.h"
#include "hostapi/document.h"

class RefPane : public IGfxPane {
public:
    RefPane(RefSceneView* scene, std::u16string title) : scene_(scene), title_(std::move(title)) {}
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;
    IGfxCamera* camera() override { return scene_->camera(); }
    const char16_t* title() override { return title_.c_str(); }
    void setTitle(const char16_t* title) override { title_ = title != nullptr ? title : u""; }
    int32_t sceneSetting() override { return sceneSetting_; }
    void setSceneSetting(int32_t setting, int32_t, int32_t) override { sceneSetting_ = setting; }
    int32_t viewSetting() override { return viewSetting_; }
    void setViewSetting(int32_t setting) override { viewSetting_ = setting; }

    RefSceneView& scene() { return *scene_; }
    // With `hideAll` the pane shows only the objects shown one by one after;
    // without, every object.
    void resetObjects(bool hideAll);
    void showObject(ITesObject* object);
    void hideObject(ITesObject* object);
    bool showsAll() const { return !hideAll_; }
    bool shows(ITesObject* object) const;
    const std::vector<IPtr<ITesObject>>& shown() const { return shown_; }

    // The point the camera turns about; the origin until set.
    const TesVector& centre() const { return centre_; }
    // Moves the eye sideways, keeping its distance along the look direction,
    // so that it looks at `centre`.
    void lookAtCentre(const TesVector& centre);
    void countUpdate() { ++updates_; }
    int updates() const { return updates_; }

private:
    IPtr<RefSceneView> scene_;
    std::u16string title_;
    int32_t sceneSetting_ = 0;
    int32_t viewSetting_ = 0;
    bool hideAll_ = false;
    std::vector<IPtr<ITesObject>> shown_;
    TesVector centre_{0, 0, 0};
    int updates_ = 0;
};

// "ITesObjectVisibilityMgr" over the reference host's panes.
class RefObjectVisibilityMgr : public ITesObjectVisibilityMgr {
public:
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;
    void reset(IGfxPane* pane, int32_t hideAll) override;
    void show(IGfxPane* pane, ITesObject* object) override;
    void hide(IGfxPane* pane, ITesObject* object) override;
};
