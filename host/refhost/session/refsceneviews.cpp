// The scene statement of a stored view.
#include <cmath>
#include <optional>

#include "graphics/refviews.h"
#include "infrastructure/reftext.h"
#include "refhost.h"
#include "session/refscenestatement.h"

namespace {

// How far a stored view's orientation may be from a rotation and a translation.
constexpr double kRigidTolerance = 1e-6;
// A stored view's flags unless the statement gives them: the layout view's 2
// with bit 4, the user's view.
constexpr uint32_t kUserViewFlags = 18;
constexpr double kMaxViewFlags = 4294967295.0;

// Whether the rows of the upper-left block are orthonormal and right-handed
// and the bottom row is (0, 0, 0, 1).
bool isRigid(const TesMatrix& m) {
    const TesVector rows[3] = {{m(0, 0), m(0, 1), m(0, 2)}, {m(1, 0), m(1, 1), m(1, 2)}, {m(2, 0), m(2, 1), m(2, 2)}};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            if (std::abs(dot(rows[i], rows[j]) - (i == j ? 1.0 : 0.0)) > kRigidTolerance) return false;
        }
    }
    return dot(cross(rows[0], rows[1]), rows[2]) > 0 && m(3, 0) == 0 && m(3, 1) == 0 && m(3, 2) == 0 && m(3, 3) == 1;
}

TesMatrix readOrientation(RefStatement& statement) {
    double values[TesMatrix::kElementCount] = {};
    for (int i = 0; i < TesMatrix::kElementCount && statement.good(); ++i) {
        values[i] = statement.number("orientation value " + std::to_string(i + 1));
    }
    const TesMatrix orientation(values);
    if (statement.good() && !isRigid(orientation)) statement.fail("orientation must be a rotation and a translation");
    return orientation;
}

// The camera of a stored view: eye, look and up, or its orientation matrix
// as the settings file writes it; and the view's flags.
struct ViewWords {
    uint32_t flags = kUserViewFlags;
    TesVector eye, look, up;
    int placed = 0;  // how many of eye, look and up were given
    std::optional<TesMatrix> orientation;
    double zoom = 1.0;
};

void readViewWord(RefStatement& statement, const std::string& key, ViewWords& view) {
    if (key == "flags") {
        const double flags = statement.number("flags");
        if (statement.good() && !(flags >= 0 && flags <= kMaxViewFlags && flags == std::floor(flags))) {
            statement.fail("flags must be a whole number from 0 to 4294967295");
        }
        view.flags = statement.good() ? static_cast<uint32_t>(flags) : 0;
    } else if (key == "eye") {
        view.eye = statement.vector("eye");
        ++view.placed;
    } else if (key == "look") {
        view.look = statement.direction("look");
        ++view.placed;
    } else if (key == "up") {
        view.up = statement.direction("up");
        ++view.placed;
    } else if (key == "orientation") {
        view.orientation = readOrientation(statement);
    } else if (key == "zoom") {
        view.zoom = statement.number("zoom");
        if (statement.good() && view.zoom <= 0) statement.fail("zoom must be greater than 0");
    } else {
        statement.fail("unknown view word: " + key);
    }
}

}  // namespace

// The theme's view called `name`, say one a settings file brought back; null
// for none.
RefView* viewNamed(RefViewTheme& theme, const std::u16string& name) {
    for (int32_t number = 1; number <= theme.count(); ++number) {
        IView* view = theme.view(number);
        if (view != nullptr && view->name() != nullptr && name == view->name()) return tesQuery<RefView>(view, "RefView");
    }
    return nullptr;
}

// A view whose name the theme holds already is set anew, so that a scene run
// again with the same settings file does not add it twice.
void refReadView(RefSceneState& scene, RefStatement& statement) {
    const std::u16string name = refWide(statement.word("view name"));
    ViewWords words;
    while (statement.more() && statement.good()) readViewWord(statement, statement.word("view word"), words);
    if (words.orientation && words.placed > 0) statement.fail("orientation cannot go with eye, look or up");
    if (!words.orientation && words.placed != 3) statement.fail("expected eye X Y Z look X Y Z up X Y Z");
    if (!words.orientation) statement.notParallel(words.look, words.up, "look and up");
    if (!statement.complete()) return;
    IPtr<RefView> view(viewNamed(scene.host.viewTheme(), name));
    const bool known = view.get() != nullptr;
    if (!known) view = IPtr<RefView>(new RefView(&scene.host.views()));
    view->setName(name.c_str());
    view->setFlags(words.flags);
    const TesMatrix orientation =
        words.orientation ? *words.orientation : RefCamera::lookAtOrientation(words.eye, words.look, words.up);
    view->setCamera({orientation, words.zoom});
    if (!known) scene.host.viewTheme().append(view.get(), 1, 0);
}
