// The helpers of GenPreAlignCmd: an object's marker set and its snapshot, one
// step of the undo history, and an object's display state saved while the
// command works on it.
#pragma once

#include <cstdint>

#include "genprealigncmd.h"
#include "hostapi/gui.h"
#include "teshashmap.h"
#include "tesvectorarray.h"

// The points picked on one object, drawn by the host's markers widget on the
// object's graphics node. Without a widget the set stays empty.
class GenPreAlignCmd::Markers : public ITesUnknown {
public:
    class Memento;

    static constexpr int32_t kMaxMarkers = 9;

    explicit Markers(ITesObject* object);
    ~Markers() override;

    void queryInterface(const char* name, void** out) override;
    const char* className() const override;

    bool hasWidget() const { return static_cast<bool>(widget_); }
    int32_t count();
    TesVector point(int32_t index);
    void clear();
    void setMarkerColor(const float* rgba);
    // Appends a marker.
    void add(const TesVector& point);
    // Replaces the markers by the snapshot's points, in their order.
    void restore(const Memento& memento);

private:
    ITesObject* object_;
    IPtr<ITesMarkersWidget> widget_;
};

// The points of a marker set at one moment, in marker order.
class GenPreAlignCmd::Markers::Memento : public ITesUnknown {
public:
    explicit Memento(Markers& markers);

    void queryInterface(const char* name, void** out) override;
    const char* className() const override;

private:
    friend class Markers;
    TesVectorArray points_;  // 1-based
};

// One undo step: snapshots of both marker sets of a command, each only when
// the command had that set.
class GenPreAlignCmd::History : public ITesUnknown {
public:
    explicit History(GenPreAlignCmd* command);

    void queryInterface(const char* name, void** out) override;
    const char* className() const override;

    // Puts the snapshots back into the command's marker sets, fixed first.
    void apply();

private:
    GenPreAlignCmd* command_;
    IPtr<Markers::Memento> fixed_;
    IPtr<Markers::Memento> floating_;
};

// An object's display state, taken before the command changes it and written
// back by restore: the display flag, point colours and shading, the mode of
// its graphics node and the visibility of each of its features, which are
// hidden while the command runs.
class GenPreAlignCmd::VisData : public ITesUnknown {
public:
    // Buckets by the low 32 bits of the sub-object's address.
    struct SubObjectHash {
        uint32_t operator()(ITesSubObject* key) const {
            return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(key));
        }
    };
    using SubObjectMap = TesHashMap<ITesSubObject*, uint8_t, SubObjectHash>;
    static constexpr uint32_t kInitialBuckets = 17;

    explicit VisData(ITesObject* object);

    void queryInterface(const char* name, void** out) override;
    const char* className() const override;

    void restore();

private:
    void hideFeatures();

    ITesObject* object_;
    uint8_t displayFlag_;
    uint8_t pointColors_;
    uint8_t shadedPoints_;
    int32_t nodeMode_ = 0;
    SubObjectMap features_{kInitialBuckets};
};
