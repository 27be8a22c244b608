// What the scene readers share: the statement being read and the state of
// the scene file being loaded. The readers live in files by what they read;
// refscene.cpp holds their table.
#pragma once

#include <string>

#include "session/reflines.h"
#include "tesvector.h"

class RefHost;
class RefObject;

// Vectors shorter than this are no direction: a zero axis, or one that
// underflowed.
inline constexpr double kRefShortest = 1e-12;
// Sine of the smallest angle between two axes that still span a plane.
inline constexpr double kRefParallel = 1e-9;

// Walks the words of one statement and records the first problem.
class RefStatement {
public:
    explicit RefStatement(const RefLine& line) : words_(line.words) {}

    bool more() const { return next_ < words_.size(); }
    // The next word if it is `expected`, which it then consumes.
    bool next(const char* expected) {
        if (!more() || words_[next_] != expected) return false;
        ++next_;
        return true;
    }
    // The next word; `what` names it in the message when it is missing.
    std::string word(const std::string& what) {
        if (more()) return words_[next_++];
        fail("missing " + what);
        return {};
    }
    double number(const std::string& what) {
        double value = 0;
        const std::string text = word(what);
        if (error_.empty() && !refParseDouble(text, &value)) fail(what + " must be a finite number, not " + text);
        return value;
    }
    TesVector vector(const std::string& what) {
        const double x = number(what + " x");
        const double y = number(what + " y");
        const double z = number(what + " z");
        return {x, y, z};
    }
    // A vector that can serve as a direction.
    TesVector direction(const std::string& what) {
        const TesVector value = vector(what);
        if (error_.empty() && value.length() < kRefShortest) fail(what + " must not be a zero vector");
        return value;
    }
    int integer(const std::string& what) {
        int value = 0;
        const std::string text = word(what);
        if (error_.empty() && !refParseInt(text, &value)) fail(what + " must be an integer, not " + text);
        return value;
    }
    bool flag(const std::string& what) {
        const std::string text = word(what);
        if (text == "true") return true;
        if (text != "false" && error_.empty()) fail(what + " must be true or false, not " + text);
        return false;
    }
    // Fails unless the two directions span a plane.
    void notParallel(const TesVector& a, const TesVector& b, const std::string& what) {
        if (error_.empty() && cross(a, b).length() <= kRefParallel * a.length() * b.length()) fail(what + " are parallel");
    }
    void fail(const std::string& message) {
        if (error_.empty()) error_ = message;
    }
    bool good() const { return error_.empty(); }
    // Whether the statement was read whole without a problem; a word left over
    // is one. Readers ask before they change anything.
    bool complete() {
        if (good() && more()) fail("unexpected word: " + words_[next_]);
        return good();
    }
    const std::string& error() const { return error_; }

private:
    const std::vector<std::string>& words_;
    size_t next_ = 1;
    std::string error_;
};

struct RefSceneState {
    RefHost& host;
    RefObject* lastObject = nullptr;
    bool workflowSeen = false;
    std::string folder;  // of the scene file: where its relative paths start
    int64_t generated = 0;  // triangles of generated shells and points of grids so far

    // A file word as a path: absolute, or from the scene file's folder.
    std::string path(const std::string& word) const { return !word.empty() && word[0] == '/' ? word : folder + word; }
};

// Stored views (refsceneviews.cpp).
void refReadView(RefSceneState& scene, RefStatement& statement);
// Meshes and features (refscenegeometry.cpp).
void refReadGeometry(RefSceneState& scene, RefStatement& statement);
void refReadFeature(RefSceneState& scene, RefStatement& statement);
// Workflows (refsceneworkflows.cpp).
void refReadWorkflow(RefSceneState& scene, RefStatement& statement);
void refReadWorkflowOwner(RefSceneState& scene, RefStatement& statement);
