#include "refraster.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <system_error>
#include <thread>

#include "refrasterfill.h"

using namespace refraster;

namespace {

// Runs work(piece) for piece 0 ... pieces - 1 on up to `threads` threads, the
// calling one among them, each taking the next piece not yet taken: a thread
// that the machine holds back leaves its share to the others.
template <typename Work>
void runPieces(int32_t threads, int32_t pieces, const Work& work) {
    std::atomic<int32_t> next{0};
    const auto worker = [&] {
        for (int32_t piece = next++; piece < pieces; piece = next++) work(piece);
    };
    std::vector<std::thread> helpers;
    try {
        for (int32_t helper = 1; helper < std::min(threads, pieces); ++helper) helpers.emplace_back(worker);
    } catch (const std::system_error&) {
        // Fewer threads than asked for: the ones there take every piece.
    }
    worker();
    for (std::thread& helper : helpers) helper.join();
}

// Piece `piece` of `pieces` of 0 ... total - 1 starts here.
int32_t share(int32_t total, int32_t piece, int32_t pieces) {
    return static_cast<int32_t>(int64_t{total} * piece / pieces);
}

// The largest index of triangles begin ... end - 1 (-1 for none); one more
// is the vertex count. A triangle with a negative index is skipped, so the
// count only has to cover the others. Four running maxima keep the loop from waiting on
// itself.
int32_t largestIndex(const int32_t* triangles, int32_t begin, int32_t end) {
    int32_t largest[4] = {-1, -1, -1, -1};
    int64_t i = int64_t{begin} * 3;
    for (; i + 4 <= int64_t{end} * 3; i += 4) {
        for (int lane = 0; lane < 4; ++lane) largest[lane] = std::max(largest[lane], triangles[i + lane]);
    }
    for (; i < int64_t{end} * 3; ++i) largest[0] = std::max(largest[0], triangles[i]);
    return std::max({largest[0], largest[1], largest[2], largest[3]});
}

// Screen positions of vertices begin ... end - 1. A vertex that needs
// clipping keeps only its outcode: the few triangles through it are clipped
// from their clip coordinates, computed again.
void transformVertices(const Viewport& view, const double* xyz, const TesMatrix& worldToClip, int32_t begin,
                       int32_t end, ScreenVertex* screen) {
    for (int32_t i = begin; i < end; ++i) {
        const ClipPoint c = toClip(worldToClip, xyz + int64_t{i} * 3);
        const uint32_t code = view.outcode(c);
        screen[i] = (code & (kNeedsClip | kNonFinite)) != 0 ? ScreenVertex{0, 0, code, 0.0} : project(view, c, code);
    }
}

// One drawTriangles call on `threads` threads: the vertices are transformed
// once, then runs of triangles are sorted into the row bands they reach (back
// faces and triangles off the screen go nowhere), then each band draws its
// triangles in their order. Every piece of work is cut finer than the thread
// count, so no thread waits long for another; a pixel's value depends only on
// the order of the triangles over it, so the pieces' order does not matter.
class TriangleDraw {
public:
    TriangleDraw(const Band& buffer, const double* xyz, const int32_t* triangles, int32_t triangleCount,
                 const TesMatrix& worldToClip, int32_t threads, int32_t height, int32_t firstId)
        : buffer_(buffer), firstId_(firstId), view_(buffer.width, height), xyz_(xyz), triangles_(triangles),
          triangleCount_(triangleCount), worldToClip_(worldToClip), threads_(threads),
          runs_(threads == 1 ? 1 : 8 * threads), bands_(std::min(threads == 1 ? 1 : 4 * threads, height)),
          height_(height), bins_(static_cast<size_t>(runs_) * bands_) {}

    void run() {
        std::vector<int32_t> largest(static_cast<size_t>(runs_));
        runPieces(threads_, runs_, [&](int32_t run) {
            largest[run] = largestIndex(triangles_, share(triangleCount_, run, runs_),
                                        share(triangleCount_, run + 1, runs_));
        });
        const int32_t vertexCount = *std::max_element(largest.begin(), largest.end()) + 1;
        // Left uninitialised: every vertex is written before it is read.
        screen_.reset(new ScreenVertex[static_cast<size_t>(vertexCount)]);
        runPieces(threads_, runs_, [this, vertexCount](int32_t run) {
            transformVertices(view_, xyz_, worldToClip_, share(vertexCount, run, runs_),
                              share(vertexCount, run + 1, runs_), screen_.get());
        });
        runPieces(threads_, runs_, [this](int32_t run) { sort(run); });
        runPieces(threads_, bands_, [this](int32_t band) { draw(band); });
    }

private:
    void sort(int32_t run) {
        for (int32_t k = share(triangleCount_, run, runs_); k < share(triangleCount_, run + 1, runs_); ++k) {
            const int32_t* corner = triangles_ + int64_t{k} * 3;
            if (std::min({corner[0], corner[1], corner[2]}) < 0) continue;
            const ScreenVertex& a = screen_[corner[0]];
            const ScreenVertex& b = screen_[corner[1]];
            const ScreenVertex& c = screen_[corner[2]];
            const uint32_t any = a.code | b.code | c.code;
            if ((any & kNonFinite) != 0 || (a.code & b.code & c.code & kOutsideFrustum) != 0) continue;
            PixelBox box{0, 0, 0, height_ - 1};
            if ((any & kNeedsClip) == 0 && !frontBox(a, b, c, buffer_.width, 0, height_, box)) continue;
            const int32_t first = bandOf(box.minY), last = bandOf(box.maxY);
            std::vector<int32_t>* bins = &bins_[static_cast<size_t>(run) * bands_];
            for (int32_t band = first; band <= last; ++band) bins[band].push_back(k);
        }
    }

    // The band holding row y: the last one starting at or before it.
    int32_t bandOf(int32_t y) const {
        int32_t band = static_cast<int32_t>(int64_t{y} * bands_ / height_);
        while (band + 1 < bands_ && share(height_, band + 1, bands_) <= y) ++band;
        while (share(height_, band, bands_) > y) --band;
        return band;
    }

    void draw(int32_t band) {
        Band rows = buffer_;
        rows.rowBegin = share(height_, band, bands_);
        rows.rowEnd = share(height_, band + 1, bands_);
        for (int32_t run = 0; run < runs_; ++run) {
            for (int32_t k : bins_[static_cast<size_t>(run) * bands_ + band]) {
                const int32_t* corner = triangles_ + int64_t{k} * 3;
                const ScreenVertex& a = screen_[corner[0]];
                const ScreenVertex& b = screen_[corner[1]];
                const ScreenVertex& c = screen_[corner[2]];
                if (((a.code | b.code | c.code) & kNeedsClip) == 0) {
                    fillTriangle(rows, a, b, c, firstId_ + k);
                } else {
                    clipAndFill(rows, view_, clipPoint(corner[0]), clipPoint(corner[1]), clipPoint(corner[2]),
                                firstId_ + k);
                }
            }
        }
    }

    ClipPoint clipPoint(int32_t index) const { return toClip(worldToClip_, xyz_ + int64_t{index} * 3); }

    const Band buffer_;
    const int32_t firstId_;
    const Viewport view_;
    const double* xyz_;
    const int32_t* triangles_;
    const int32_t triangleCount_;
    const TesMatrix& worldToClip_;
    const int32_t threads_;
    const int32_t runs_;   // of triangles and of vertices
    const int32_t bands_;  // of rows
    const int32_t height_;
    std::unique_ptr<ScreenVertex[]> screen_;
    std::vector<std::vector<int32_t>> bins_;  // run by band
};

}  // namespace

RefRaster::RefRaster(int32_t width, int32_t height)
    : width_(std::clamp(width, 1, kMaxSize)), height_(std::clamp(height, 1, kMaxSize)),
      ids_(static_cast<size_t>(width_) * height_), depths_(ids_.size()) {}

void RefRaster::clear() {
    std::fill(ids_.begin(), ids_.end(), 0);
    std::fill(depths_.begin(), depths_.end(), 0.0f);
}

int32_t RefRaster::id(int32_t x, int32_t y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
    return ids_[static_cast<size_t>(y) * width_ + x];
}

float RefRaster::depth(int32_t x, int32_t y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0.0f;
    return depths_[static_cast<size_t>(y) * width_ + x];
}

void RefRaster::drawTriangles(const double* xyz, const int32_t* triangles, int32_t triangleCount,
                              const TesMatrix& worldToClip, int32_t threads, Fill fill, int32_t firstId) {
    if (triangleCount <= 0) return;
    const Band buffer{ids_.data(), depths_.data(), width_, 0, height_, fill};
    const int32_t used = std::clamp(threads, 1, kMaxThreads);
    TriangleDraw(buffer, xyz, triangles, triangleCount, worldToClip, used, height_, firstId).run();
}

void RefRaster::drawPoints(const double* xyz, int32_t count, const TesMatrix& worldToClip, int32_t firstId) {
    const Viewport view(width_, height_);
    for (int32_t k = 0; k < count; ++k) {
        const ClipPoint c = toClip(worldToClip, xyz + int64_t{k} * 3);
        if (!insideFrustum(view, c)) continue;
        int32_t x = 0, y = 0;
        view.pixel(c, x, y);
        const size_t at = static_cast<size_t>(y) * width_ + x;
        const float z = static_cast<float>(1.0 / c.w);
        if (z > depths_[at]) {
            depths_[at] = z;
            ids_[at] = firstId + k;
        }
    }
}
