// Visibility buffers: the document drawn into an id and depth raster from a
// camera, picks of what a render saw, and the log of the renders of the last
// buffer made, which sessions turn into pictures.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "bitvector.h"
#include "document/refdocument.h"
#include "graphics/refgraphics.h"
#include "graphics/refpanes.h"
#include "graphics/refraster.h"
#include "graphics/refrendercamera.h"
#include "hostapi/gfx.h"
#include "iptr.h"

// How a camera saw the document: the world-to-clip matrix of each object
// drawn and the ids its items took in the raster.
struct RefDrawnObject {
    IPtr<RefObject> object;
    IPtr<RefMeshModel> mesh;     // set for a mesh
    IPtr<RefPointModel> points;  // set for points
    TesMatrix worldToClip;
    int32_t firstId = 1;  // the raster id of item 1
    int32_t itemCount = 0;
};

RefRenderCamera refRenderCamera(RefCamera& camera, int32_t width, int32_t height);

// How renders fill triangles: tiled on two threads, or the bounding-box
// baseline on one that the benchmark measures against. Same buffers. With a
// pane, only the objects it shows are drawn.
struct RefDrawStyle {
    RefRaster::Fill fill = RefRaster::Fill::Tiled;
    int32_t threads = 2;
    const RefPane* pane = nullptr;
};

// Draws every object of `document` with a mesh or points and not excluded
// (nor hidden in the style's pane), placed by `graphics`, into a cleared
// `raster` of the camera's size.
std::vector<RefDrawnObject> refDrawDocument(RefRaster& raster, RefDocument& document, RefGenGfxService& graphics,
                                            const RefRenderCamera& camera, const RefDrawStyle& style = {});

// The items of a drawn object that lie on the nearest surface the raster
// holds, within a small depth tolerance, as the object's own item numbers.
std::vector<int32_t> refVisibleItems(const RefRaster& raster, const RefDrawnObject& drawn);

// What one render of a selection run saw.
struct RefRenderRecord {
    RefRenderCamera camera;
    int32_t picked = 0;   // items owning a pixel of the last pick
    int32_t visible = 0;  // items the last pick found visible
    // The items of each object the last pick found visible.
    std::vector<std::pair<IPtr<RefObject>, BitVector>> visibleItems;
};

using RefRenderLog = std::vector<RefRenderRecord>;

class RefVisBuffer : public ITesPickVisibleRect {
public:
    RefVisBuffer(std::shared_ptr<RefRenderLog> log, RefDrawStyle style) : log_(std::move(log)), style_(style) {}
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;
    ITesUnknown* pickRect(int32_t x, int32_t y, int32_t width, int32_t height) override;

    void render(RefDocument& document, RefGenGfxService& graphics, const RefRenderCamera& camera);

private:
    std::shared_ptr<RefRenderLog> log_;
    RefDrawStyle style_;
    std::unique_ptr<RefRaster> raster_;
    std::vector<RefDrawnObject> drawn_;
};

// The items of each drawn object a pick found.
class RefPick : public ITesPick {
public:
    struct Found {
        BitVector picked;
        BitVector visible;
    };

    explicit RefPick(std::map<ITesObject*, Found> found) : found_(std::move(found)) {}
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;
    bool picked(ITesObject* object, BitVector* out) override;
    bool visible(ITesObject* object, BitVector* out) override;

private:
    bool answer(ITesObject* object, BitVector* out, BitVector Found::*which);

    std::map<ITesObject*, Found> found_;
};

// "IGfxPickVisBufferFact". Each new buffer starts a new log: the log of the
// last buffer made is the last selection run's.
class RefVisBufferFactory : public IGfxPickVisBufferFact {
public:
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;
    ITesUnknown* createBuffer(int32_t capacity) override;

    const RefRenderLog& lastLog() const { return *log_; }
    // For the buffers made from now on.
    void setDrawStyle(const RefDrawStyle& style) { style_ = style; }

private:
    std::shared_ptr<RefRenderLog> log_ = std::make_shared<RefRenderLog>();
    RefDrawStyle style_;
};

// "IGfxDoc": keeps every notification, in order.
// The graphics document: nodes are the host objects' own; a layout handed
// back returns the view manager to its main view.
class RefGfxDoc : public IGfxDoc {
public:
    explicit RefGfxDoc(RefViewMgr* views) : views_(views) {}
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;
    void notify(int32_t what) override { notifications_.push_back(what); }
    IGfxNode* node(ITesObject* object) override;
    void restoreLayout(IViewLayout* layout, int32_t flags) override;
    const std::vector<int32_t>& notifications() const { return notifications_; }
    int layoutsRestored() const { return layoutsRestored_; }

private:
    RefViewMgr* views_;
    std::vector<int32_t> notifications_;
    int layoutsRestored_ = 0;
};
