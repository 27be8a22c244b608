// The surface a recipe's scanners see: for every turntable angle and every
// scanner marked for test coverage, a virtual camera at the scanner's pose
// renders the reference object off screen; the triangles it sees, grown by
// their visible neighbours, are gathered and can be selected on the model.
// One selector per run, on the stack.
#pragma once

#include <memory>

#include "bitvector.h"
#include "hostapi/document.h"
#include "hostapi/gfx.h"
#include "hostapi/srml.h"
#include "iptr.h"

class CameraSelection {
public:
    // The buffer the renders go into expects this many items; a hint only.
    static constexpr int32_t kBufferCapacity = 100000;

    CameraSelection();
    ~CameraSelection();
    CameraSelection(const CameraSelection&) = delete;
    CameraSelection& operator=(const CameraSelection&) = delete;

    // Takes the object whose visible part is wanted and the rig's layout
    // (kept, not owned), and the object's mesh connectivity when it has one.
    void setUp(ITesObject* reference, ITesSRMLModelData* modelData);
    // Clears `out`, then adds what the flagged scanners of `recipe` see at
    // each of its angles.
    void visibleFromRecipe(ITesSRMLRecipe* recipe, BitVector& out);
    // Selects `items` on the reference object's model: added to the current
    // selection with `add`, else replacing it. False when the selection
    // already equals `items` or the object has no model; the document is
    // told of every change.
    bool selectOnModel(const BitVector& items, bool add);

private:
    struct Complex {
        IPtr<IComplex2D> complex;
    };

    void renderAndPick(const TesMatrix& pose, BitVector& out);
    bool prepareOffscreenView();
    void restoreViews();
    void grow(BitVector& picked, const BitVector& visible);

    IPtr<ITesObject> reference_;
    ITesSRMLModelData* modelData_ = nullptr;
    TesMatrix inverseTurntable_;
    IPtr<ITesUnknown> buffer_;
    IPtr<ITesPickVisibleRect> picker_;
    IPtr<IView> offscreen_;
    IPtr<IView> replaced_;
    std::unique_ptr<Complex> complex_;
};
