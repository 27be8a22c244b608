// "N-Point Alignment": moves a floating object onto a fixed one from pairs of
// points the user picks on both. The graphics area is split into a pane that
// shows the fixed object, one that shows the floating object and one that
// shows both; after every pick the rigid motion carrying the floating points
// onto the fixed ones is solved and previewed. Picks can be undone and redone;
// OK hands the motion to both objects and records it for automation.
#pragma once

#include <optional>
#include <vector>

#include "compbasecmd.h"
#include "hostapi/document.h"
#include "hostapi/gfx.h"
#include "hostapi/selection.h"
#include "iptr.h"
#include "tesmatrix.h"

class GenPreAlignCmd : public CompBaseCmdInt {
public:
    // The helpers, defined in prealignparts.h: one object's marker set and
    // its snapshot, one undo step, and one object's saved display state.
    class Markers;
    class History;
    class VisData;

    // Offers the objects that can float against `fixed`.
    class FloatObjFilter : public ITesObjFilter {
    public:
        explicit FloatObjFilter(ITesObject* fixed) : fixed_(fixed) {}
        void queryInterface(const char* name, void** out) override;
        const char* className() const override;
        // Not the fixed object, not "World", not excluded, not pinned.
        bool accepts(ITesObject* object) override;

    private:
        IPtr<ITesObject> fixed_;
    };

    GenPreAlignCmd();
    ~GenPreAlignCmd() override;

    void queryInterface(const char* name, void** out) override;
    const char* className() const override;

    void onControlClicked(int32_t id, bool checked) override;
    void onWidgetActivated(int32_t id, bool active) override;
    void onMouseEvent(IGfxMouseEvent* event) override;
    void onKeyEvent(ITesKeyEvent* event) override;
    bool isAvailable(ICommandState* state) override;
    void updateGui() override;
    void buildDialog(IGuiPanel* panel) override;
    bool start() override;
    void end() override;
    bool onOk() override;
    bool onCancel() override;

private:
    // Control ids.
    static constexpr int32_t kFloatSelector = 0;
    static constexpr int32_t kShadedPoints = 1;
    static constexpr int32_t kVertexColor = 2;

    // Objects, host states and the end of the command (genprealigncmd.cpp).
    bool takeObjects(ITesDoc* document);
    bool setUpFixed(ITesDoc* document);
    void tearDownFixed(ITesDoc* document);
    void showPrompt();
    void recordAutomation();

    // Panes and the floating object (prealignpanes.cpp).
    void setUpPanes(ITesDoc* document);
    void setUpFloating();
    void tearDownFloating();
    void centrePane(int32_t pane, const TesVector& centre);
    void centreBothPane();

    // Picks, the solve and the history (prealignsolve.cpp).
    bool solve(TesMatrix& result);
    bool resolve();
    void followSolution(const TesMatrix& solution);
    void undo();
    void redo();

    // Shading and vertex colours (prealigndisplay.cpp).
    void setUpDisplay();
    void applyShading(bool on);
    void applyVertexColours(bool on);

    IPtr<IViewLayout> layout_;
    IPtr<ITesObject> fixed_;
    IPtr<ITesObject> floating_;
    bool fixedHasNormals_ = false;
    bool floatingHasNormals_ = false;
    IPtr<ITesObjSelector> floatSelector_;
    IPtr<Markers> fixedMarkers_;
    IPtr<Markers> floatingMarkers_;
    IPtr<VisData> fixedDisplay_;
    IPtr<VisData> floatingDisplay_;
    std::optional<TesMatrix> working_;   // W: the floating pose before any solve
    std::optional<TesMatrix> solution_;  // M: the last successful solve
    TesMatrix start_;                    // O: the floating pose when it became floating
    std::vector<IPtr<History>> undo_;
    std::vector<IPtr<History>> redo_;
};
