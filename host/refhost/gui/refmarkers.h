// The host's widgets of the alignment: numbered markers drawn on an object
// ("ITesMarkersWidget", also its own display handle) and the choice of a
// document object in a panel ("ITesObjSelector").
#pragma once

#include <array>
#include <vector>

#include "document/refdocument.h"
#include "hostapi/gui.h"
#include "hostapi/selection.h"
#include "iptr.h"

class RefMarkersWidget : public ITesMarkersWidget {
public:
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;
    void setCapacity(int32_t count) override { capacity_ = count; }
    void clear() override { points_.clear(); }
    int32_t count() override { return static_cast<int32_t>(points_.size()); }
    void setLabelCount(int32_t count) override { labelCount_ = count; }
    void setFirstColor(const float* rgba) override;
    void setMarkerColor(const float* rgba) override;
    // An index outside 0 .. count appends.
    void insert(int32_t index, const TesVector& point, int32_t flags) override;
    TesVector point(int32_t index) override;
    ITesUnknown* displayHandle() override { return static_cast<ITesMarkersWidget*>(this); }

    const std::vector<TesVector>& points() const { return points_; }
    const std::array<float, 4>& markerColor() const { return markerColor_; }
    int32_t capacity() const { return capacity_; }

private:
    std::vector<TesVector> points_;
    std::array<float, 4> firstColor_{};
    std::array<float, 4> markerColor_{};
    int32_t capacity_ = 0;
    int32_t labelCount_ = 0;
};

// The markers widgets attached to the object's node, in the order attached.
std::vector<RefMarkersWidget*> refMarkersOn(RefObject& object);

class RefObjSelector : public ITesObjSelector {
public:
    explicit RefObjSelector(RefDocument* document) : document_(document) {}
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;
    void initialize(IGuiReceiver* receiver, int32_t id) override;
    void setFilter(ITesObjFilter* filter) override;
    ITesObject* firstSelected() override { return chosen_.get(); }
    void reset() override;

    // The user's choice: false, and nothing changed, for an object the filter
    // refuses; else the receiver hears of it.
    bool choose(ITesObject* object);

private:
    bool accepts(ITesObject* object);

    RefDocument* document_;
    IGuiReceiver* receiver_ = nullptr;  // the command, which owns the selector
    int32_t id_ = 0;
    IPtr<ITesObjFilter> filter_;
    IPtr<ITesObject> chosen_;
};
