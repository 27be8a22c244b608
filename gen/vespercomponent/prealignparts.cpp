#include "prealignparts.h"

#include "prealignhost.h"
#include "queryinterface.h"

namespace {

constexpr float kFirstColor[] = {0.0f, 0.0f, 0.0f, 1.0f};

IGfxNode* nodeOf(ITesObject* object) {
    IGfxDoc* graphics = graphicsDocument();
    return graphics != nullptr && object != nullptr ? graphics->node(object) : nullptr;
}

// The object's features when it carries them and has any to show.
ITesSubObjectMgr* featuresOf(ITesObject* object) {
    ITesUnknown* attachment = object != nullptr ? object->component(kFeatureAttachmentId) : nullptr;
    auto* features = tesQuery<ITesFeatureSubObjectMgr>(attachment, "ITesFeatureSubObjectMgr");
    if (features == nullptr || features->isEmpty()) return nullptr;
    return tesQuery<ITesSubObjectMgr>(features, "ITesSubObjectMgr");
}

}  // namespace

GenPreAlignCmd::Markers::Markers(ITesObject* object) : object_(object) {
    widget_ = SPtr<ITesMarkersWidget>("ITesMarkersWidget");
    if (!widget_) return;
    widget_->setCapacity(kMaxMarkers);
    widget_->setLabelCount(kMaxMarkers);
    widget_->setFirstColor(kFirstColor);
    if (IGfxNode* node = nodeOf(object_)) node->attach(widget_->displayHandle(), 0);
}

GenPreAlignCmd::Markers::~Markers() {
    if (!widget_) return;
    if (IGfxNode* node = nodeOf(object_)) node->detach(widget_->displayHandle());
}

void GenPreAlignCmd::Markers::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out, {className(), this, this, {}});
}

const char* GenPreAlignCmd::Markers::className() const { return "GenPreAlignCmd::Markers"; }

int32_t GenPreAlignCmd::Markers::count() { return widget_ ? widget_->count() : 0; }

TesVector GenPreAlignCmd::Markers::point(int32_t index) { return widget_ ? widget_->point(index) : TesVector{}; }

void GenPreAlignCmd::Markers::clear() {
    if (widget_) widget_->clear();
}

void GenPreAlignCmd::Markers::setMarkerColor(const float* rgba) {
    if (widget_) widget_->setMarkerColor(rgba);
}

void GenPreAlignCmd::Markers::add(const TesVector& point) {
    if (widget_) widget_->insert(widget_->count(), point, 0);
}

void GenPreAlignCmd::Markers::restore(const Memento& memento) {
    clear();
    for (int32_t index = 1; index <= memento.points_.count(); ++index) {
        TesVector point;
        memento.points_.get(index, point);
        add(point);
    }
}

GenPreAlignCmd::Markers::Memento::Memento(Markers& markers) {
    const int32_t count = markers.count();
    for (int32_t index = 0; index < count; ++index) points_.add(markers.point(index));
}

void GenPreAlignCmd::Markers::Memento::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out, {className(), this, this, {}});
}

const char* GenPreAlignCmd::Markers::Memento::className() const { return "GenPreAlignCmd::Markers::Memento"; }

GenPreAlignCmd::History::History(GenPreAlignCmd* command) : command_(command) {
    if (command_->fixedMarkers_) fixed_ = new Markers::Memento(*command_->fixedMarkers_);
    if (command_->floatingMarkers_) floating_ = new Markers::Memento(*command_->floatingMarkers_);
}

void GenPreAlignCmd::History::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out, {className(), this, this, {}});
}

const char* GenPreAlignCmd::History::className() const { return "GenPreAlignCmd::History"; }

void GenPreAlignCmd::History::apply() {
    if (fixed_ && command_->fixedMarkers_) command_->fixedMarkers_->restore(*fixed_);
    if (floating_ && command_->floatingMarkers_) command_->floatingMarkers_->restore(*floating_);
}

GenPreAlignCmd::VisData::VisData(ITesObject* object)
    : object_(object),
      displayFlag_(object->displayFlag()),
      pointColors_(object->displayProperty(kPointColorsProperty)),
      shadedPoints_(object->displayProperty(kShadedPointsProperty)) {
    if (IGfxNode* node = nodeOf(object_)) {
        nodeMode_ = node->displayMode();
        node->setDisplayMode(0);
    }
    hideFeatures();
}

void GenPreAlignCmd::VisData::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out, {className(), this, this, {}});
}

const char* GenPreAlignCmd::VisData::className() const { return "GenPreAlignCmd::VisData"; }

// Records each feature's visibility, then hides it.
void GenPreAlignCmd::VisData::hideFeatures() {
    ITesSubObjectMgr* features = featuresOf(object_);
    IPtr<ITesSubObjectIter> walk(features != nullptr ? features->iterator(1) : nullptr);
    if (!walk) return;
    for (walk->reset(); !walk->atEnd(); walk->next()) {
        auto* feature = tesQuery<ITesSubObject>(walk->current(), "ITesSubObject");
        if (feature == nullptr) continue;
        // A feature that cannot be recorded stays as it is.
        uint8_t* slot = features_.findOrInsert(feature);
        if (slot == nullptr) continue;
        *slot = feature->visibility();
        feature->setVisibility(0);
    }
}

void GenPreAlignCmd::VisData::restore() {
    object_->setDisplayFlag(displayFlag_);
    object_->setDisplayProperty(kPointColorsProperty, pointColors_, 1);
    object_->setDisplayProperty(kShadedPointsProperty, shadedPoints_, 1);
    if (IGfxNode* node = nodeOf(object_)) node->setDisplayMode(nodeMode_);
    for (SubObjectMap::Cursor entry = features_.first(); entry.valid(); features_.next(entry)) {
        entry.key()->setVisibility(entry.value());
    }
}
