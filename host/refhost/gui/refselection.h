// Selection in the reference host: the preselection manager, and the feature
// selectors that commands embed in their panels to hold a picked plane, line,
// sphere or CAD face.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "hostapi/gfx.h"
#include "hostapi/gui.h"
#include "hostapi/selection.h"
#include "iptr.h"
#include "tesstring.h"

class RefPanel;

// "ITesPreselectMgr". Keeps the keys and notifications handed to it, in order.
class RefPreselectMgr : public ITesPreselectMgr {
public:
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;
    void setActivator(ITesPreselectActivator* activator) override;
    // Null once the activator is gone.
    ITesPreselectActivator* activator() override;
    void onKeyEvent(ITesKeyEvent* event) override;
    void onNotification(int32_t first, int32_t second, int32_t third) override;

    const std::vector<int32_t>& keys() const { return keys_; }
    const std::vector<std::array<int32_t, 3>>& notifications() const { return notifications_; }

private:
    // The activator is held weakly: it is usually a command, released when
    // it ends. activator_ is valid while activatorRef_ has its target.
    IPtr<TesWeakRef, TesShared> activatorRef_;
    ITesPreselectActivator* activator_ = nullptr;
    std::vector<int32_t> keys_;
    std::vector<std::array<int32_t, 3>> notifications_;
};

// "ITesFeatureSelectorWidget": holds one feature picked in a view. Its
// options say which kinds a pick may select. It takes picks whether it is
// current or not: the command chooses the selector an event goes to.
class RefFeatureSelector : public ITesFeatureSelectorWidget,
                           public ITesWidget,
                           public ITesPreselectMgrAccess,
                           public ITesPreselectActivator {
public:
    explicit RefFeatureSelector(int32_t number) : number_(number) {}
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;

    void setOption(int32_t option, bool on) override;
    void setDocument(ITesUnknown* document) override { document_ = document; }
    void becomeCurrent(bool) override { current_ = true; }
    void stopCurrent() override { current_ = false; }
    // A left-button press that carries an allowed target selects it.
    bool onMouseEvent(IGfxMouseEvent* event) override;
    ITesUnknown* selection() override { return selection_.get(); }
    // The feature's name, "CAD Face K" for a face; empty without a selection.
    const char16_t* displayName() override { return displayName_.c_str(); }
    int32_t faceIndex() override { return face_; }
    void clearSelection() override;

    // The panel calls attach with itself when the selector is placed on it.
    void attach(ITesUnknown* owner) override;
    void build(IGuiPanel* panel, const char16_t* label) override;
    void refresh() override {}
    void clear() override { clearSelection(); }
    void apply() override {}
    bool isValid() override { return static_cast<bool>(selection_); }
    void setContext(ITesUnknown*) override {}
    void show(bool shown) override;
    void remove() override;
    void setName(const TesString& name) override { widgetName_ = name; }
    const TesString& name() override { return widgetName_; }

    ITesPreselectMgr* preselectMgr() override { return preselect_.get(); }
    void setPreselectMgr(ITesPreselectMgr* manager) override { preselect_ = manager; }

    // Kinds are kPreselectPlane ... kPreselectCadFace; accept is true when the
    // options allow the kind and selecting from the preselection.
    bool activate(int32_t kind, int32_t first, int32_t second, int32_t third, bool* accept) override;
    bool activatorCall1() override { return true; }
    bool activatorCall2() override { return true; }

    // 1 for the first selector the host made, 2 for the next, ...
    int32_t number() const { return number_; }
    bool isCurrent() const { return current_; }

private:
    // The panel it sits on, while both live.
    RefPanel* panel() const;

    int32_t number_;
    std::array<bool, kSelectFromPreselection + 1> options_{};
    bool current_ = false;
    IPtr<ITesUnknown> document_;
    IPtr<ITesPreselectMgr> preselect_;
    IPtr<ITesUnknown> selection_;
    std::u16string displayName_;
    int32_t face_ = -1;
    TesString widgetName_;
    IPtr<TesWeakRef, TesShared> panelRef_;
    int32_t id_ = 0;
};

// Makes the feature selectors and keeps track of them without owning them:
// the commands that asked for them do.
class RefSelectorRegistry {
public:
    // A new selector (count 0).
    RefFeatureSelector* create();
    // The selectors still alive, oldest first.
    std::vector<RefFeatureSelector*> live() const;

private:
    std::vector<IPtr<TesWeakRef, TesShared>> made_;
    int32_t count_ = 0;
};
