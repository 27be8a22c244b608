// The reference host's views: a named camera placement (IView), the theme of
// views the user defined (IViewTheme) and the layout whose main pane shows
// the current camera (IViewLayout).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "graphics/refgraphics.h"
#include "hostapi/gfx.h"
#include "iptr.h"


class RefView : public IView {
public:
    // `views` answers takeCamera(null): its current scene view's camera.
    explicit RefView(RefViewMgr* views) : views_(views) {}
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;

    void copyFrom(IView* other, bool withCamera) override;
    uint32_t flags() override { return flags_; }
    void setFlags(uint32_t flags) override;
    void beginActivation() override { steps_.push_back(kBegin); }
    void completeActivation() override { steps_.push_back(kComplete); }
    const char16_t* name() override { return name_.c_str(); }
    void setName(const char16_t* name) override;
    void takeCamera(ITesUnknown* sceneView) override;
    void setViewport(int32_t x, int32_t y, int32_t width, int32_t height) override;
    void viewport(int32_t* x, int32_t* y, int32_t* width, int32_t* height) override;

    const GfxCameraState& camera() const { return camera_; }
    void setCamera(const GfxCameraState& camera);
    // Whether beginActivation ran and completeActivation after it.
    bool active() const;
    // Called after every change of name, flags or camera; the theme listens
    // to the views it holds.
    void onChanged(std::function<void()> changed) { changed_ = std::move(changed); }

private:
    static constexpr char kBegin = 'b';
    static constexpr char kComplete = 'c';

    void changed();

    RefViewMgr* views_;
    std::u16string name_;
    uint32_t flags_ = 0;
    GfxCameraState camera_;
    int32_t viewport_[4] = {0, 0, kRefViewWidth, kRefViewHeight};
    std::vector<char> steps_;
    std::function<void()> changed_;
};

class RefViewTheme : public IViewTheme {
public:
    ~RefViewTheme() override;
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;

    int32_t count() override { return static_cast<int32_t>(views_.size()); }
    IView* view(int32_t number) override;
    // Inserts `view` before view `position` (1-based); 0 or a position past
    // the end appends. `flags` is the kind of view list, which is always the
    // user's here. A null view, or one the theme holds already, is ignored.
    void append(IView* view, int32_t flags, int32_t position) override;

    // Called after every change of the theme or of a view in it.
    void onChanged(std::function<void()> changed) { changed_ = std::move(changed); }

private:
    void changed();

    std::vector<IPtr<IView>> views_;
    std::function<void()> changed_;
};

// A view rendered off screen: a scene view of its own whose camera starts as
// the scene view's it was made from.
class RefOffscreenView : public RefView {
public:
    RefOffscreenView(RefViewMgr* views, RefSceneView& from);
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;
    RefSceneView& scene() { return *scene_; }

private:
    IPtr<RefSceneView> scene_;
};

class RefViewLayout : public IViewLayout {
public:
    static constexpr uint32_t kMainFlags = 2;

    explicit RefViewLayout(RefViewMgr* views);
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;
    // Pane 0 is the main view, which holds the current camera as it stands;
    // the layout has no other panes.
    IView* currentView(int32_t pane) override;
    // Null unless `sceneView` is one of the host's scene views.
    IView* createOffscreenView(ITesUnknown* sceneView) override;
    // The main view or an off-screen view of this host.
    IView* replaceCurrentView(IView* view) override;
    void activate(int32_t on) override { activations_.push_back(on); }

    // The arguments of every activate, in order.
    const std::vector<int32_t>& activations() const { return activations_; }

private:
    RefViewMgr* views_;
    std::vector<int32_t> activations_;
    IPtr<RefView> main_;
    IPtr<IView> current_;
};
