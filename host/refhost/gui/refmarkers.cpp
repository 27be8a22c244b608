#include "gui/refmarkers.h"

#include <algorithm>

#include "queryinterface.h"

void RefMarkersWidget::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out,
                   {"RefMarkersWidget", this, this, {{"ITesMarkersWidget", static_cast<ITesMarkersWidget*>(this)}}});
}

const char* RefMarkersWidget::className() const { return "RefMarkersWidget"; }

void RefMarkersWidget::setFirstColor(const float* rgba) {
    if (rgba != nullptr) std::copy(rgba, rgba + 4, firstColor_.begin());
}

void RefMarkersWidget::setMarkerColor(const float* rgba) {
    if (rgba != nullptr) std::copy(rgba, rgba + 4, markerColor_.begin());
}

void RefMarkersWidget::insert(int32_t index, const TesVector& point, int32_t) {
    const bool inside = index >= 0 && index < count();
    points_.insert(inside ? points_.begin() + index : points_.end(), point);
}

TesVector RefMarkersWidget::point(int32_t index) {
    return index >= 0 && index < count() ? points_[static_cast<size_t>(index)] : TesVector{0, 0, 0};
}

std::vector<RefMarkersWidget*> refMarkersOn(RefObject& object) {
    std::vector<RefMarkersWidget*> widgets;
    for (const IPtr<ITesUnknown>& handle : object.node().attached()) {
        if (auto* markers = tesQuery<RefMarkersWidget>(handle.get(), "RefMarkersWidget")) widgets.push_back(markers);
    }
    return widgets;
}

void RefObjSelector::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out,
                   {"RefObjSelector", this, this, {{"ITesObjSelector", static_cast<ITesObjSelector*>(this)}}});
}

const char* RefObjSelector::className() const { return "RefObjSelector"; }

void RefObjSelector::initialize(IGuiReceiver* receiver, int32_t id) {
    receiver_ = receiver;
    id_ = id;
}

bool RefObjSelector::accepts(ITesObject* object) { return object != nullptr && (!filter_ || filter_->accepts(object)); }

// A choice the new filter refuses gives way to the first data object it accepts.
void RefObjSelector::setFilter(ITesObjFilter* filter) {
    filter_ = filter;
    if (accepts(chosen_.get())) return;
    chosen_.reset();
    for (const IPtr<RefObject>& object : document_->objects()) {
        if (std::string_view(object->type()) != "World" && accepts(object.get())) {
            chosen_ = object.get();
            return;
        }
    }
}

void RefObjSelector::reset() {
    filter_.reset();
    chosen_.reset();
}

bool RefObjSelector::choose(ITesObject* object) {
    if (!accepts(object)) return false;
    chosen_ = object;
    if (receiver_ != nullptr) receiver_->onWidgetActivated(id_, false);
    return true;
}
