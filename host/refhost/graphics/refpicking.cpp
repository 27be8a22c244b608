#include "graphics/refpicking.h"

#include <embree3/rtcore.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

// One device for the process: picks are single rays, and one thread keeps
// the task scheduler's workers out of it.
RTCDevice pickDevice() {
    static const RTCDevice device = rtcNewDevice("threads=1");
    return device;
}

bool allFinite(const double* values, size_t count) {
    return std::all_of(values, values + count, [](double v) { return std::isfinite(v); });
}

TesVector at(const double* xyz, int64_t index) { return {xyz[3 * index], xyz[3 * index + 1], xyz[3 * index + 2]}; }

bool insideViewport(const RefRenderCamera& camera, double x, double y) {
    return x >= 0 && y >= 0 && x <= camera.width && y <= camera.height;
}

}  // namespace

RefPickRay refPickRay(const RefRenderCamera& camera, double x, double y, const TesMatrix& pose) {
    RefPickRay ray;
    TesMatrix fromClip, fromCamera;
    if (!insideViewport(camera, x, y) || !camera.projection.inverse(fromClip) ||
        !(camera.orientation * pose).inverse(fromCamera)) {
        return ray;
    }
    const double ndcX = 2.0 * x / camera.width - 1.0;
    const double ndcY = 1.0 - 2.0 * y / camera.height;
    const TesVector nearPoint = fromCamera * (fromClip * TesVector{ndcX, ndcY, -1.0});
    const TesVector farPoint = fromCamera * (fromClip * TesVector{ndcX, ndcY, 1.0});
    ray.origin = nearPoint;
    ray.length = (farPoint - nearPoint).length();
    ray.direction = (farPoint - nearPoint) * (1.0 / ray.length);
    ray.good = ray.length > 0 && allFinite(&ray.origin.x, 3) && allFinite(&ray.direction.x, 3);
    return ray;
}

RefPickProjector::RefPickProjector(const RefRenderCamera& camera, const TesMatrix& pose)
    : toClip_(camera.projection * camera.orientation * pose), width_(camera.width), height_(camera.height) {}

bool RefPickProjector::project(const double* point, double* x, double* y, double* depth) const {
    const TesMatrix& m = toClip_;
    double clip[4];
    for (int row = 0; row < 4; ++row) {
        clip[row] = m(row, 0) * point[0] + m(row, 1) * point[1] + m(row, 2) * point[2] + m(row, 3);
    }
    const double w = clip[3];
    if (!(w > 0) || !(std::abs(clip[2]) <= w)) return false;
    *x = (clip[0] / w + 1.0) * 0.5 * width_;
    *y = (1.0 - clip[1] / w) * 0.5 * height_;
    *depth = w;
    return *x >= 0 && *y >= 0 && *x <= width_ && *y <= height_;
}

// The scene and the float copy of the vertices it reads.
struct RefMeshPicker::Scene {
    RTCScene scene = nullptr;
    std::vector<float> vertices;  // one float of padding: Embree reads 16 bytes at a time
    TesVector offset;             // subtracted before the vertices became floats
    const double* xyz = nullptr;
    const int32_t* triangles = nullptr;

    ~Scene() {
        if (scene != nullptr) rtcReleaseScene(scene);
    }
};

namespace {

// Where the ray meets the plane of the triangle, in double precision (the
// scene found the triangle in single); `fallback` for a ray along the plane.
TesVector crossing(const RefPickRay& ray, const TesVector& a, const TesVector& b, const TesVector& c,
                   const TesVector& fallback) {
    const TesVector normal = cross(b - a, c - a);
    const double along = dot(normal, ray.direction);
    if (along == 0) return fallback;
    return ray.origin + ray.direction * (dot(normal, a - ray.origin) / along);
}

bool indicesInRange(const int32_t* triangles, int32_t triangleCount, int32_t vertexCount) {
    return std::all_of(triangles, triangles + 3 * static_cast<int64_t>(triangleCount),
                       [vertexCount](int32_t index) { return index >= 0 && index < vertexCount; });
}

TesVector middleOf(const double* xyz, int32_t count) {
    TesVector low{kInfinity, kInfinity, kInfinity}, high = -low;
    for (int32_t index = 0; index < count; ++index) {
        const TesVector p = at(xyz, index);
        low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
        high = {std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
    }
    return count > 0 ? (low + high) * 0.5 : TesVector{};
}

RTCScene buildScene(RTCDevice device, const float* vertices, int32_t vertexCount, const int32_t* triangles,
                    int32_t count) {
    RTCGeometry geometry = rtcNewGeometry(device, RTC_GEOMETRY_TYPE_TRIANGLE);
    if (geometry == nullptr) return nullptr;
    rtcSetSharedGeometryBuffer(geometry, RTC_BUFFER_TYPE_VERTEX, 0, RTC_FORMAT_FLOAT3, vertices, 0,
                               3 * sizeof(float), static_cast<size_t>(vertexCount));
    rtcSetSharedGeometryBuffer(geometry, RTC_BUFFER_TYPE_INDEX, 0, RTC_FORMAT_UINT3, triangles, 0,
                               3 * sizeof(int32_t), static_cast<size_t>(count));
    rtcCommitGeometry(geometry);
    RTCScene scene = rtcNewScene(device);
    if (scene != nullptr) {
        rtcAttachGeometry(scene, geometry);
        rtcCommitScene(scene);
    }
    rtcReleaseGeometry(geometry);
    if (scene != nullptr && rtcGetDeviceError(device) != RTC_ERROR_NONE) {
        rtcReleaseScene(scene);
        return nullptr;
    }
    return scene;
}

}  // namespace

RefMeshPicker::RefMeshPicker(const double* vertices, int32_t vertexCount, const int32_t* triangles,
                             int32_t triangleCount) {
    RTCDevice device = pickDevice();
    if (device == nullptr || vertexCount < 0 || triangleCount <= 0 || vertices == nullptr || triangles == nullptr ||
        !allFinite(vertices, 3 * static_cast<size_t>(vertexCount)) ||
        !indicesInRange(triangles, triangleCount, vertexCount)) {
        return;
    }
    auto scene = std::make_unique<Scene>();
    scene->offset = middleOf(vertices, vertexCount);
    scene->vertices.reserve(3 * static_cast<size_t>(vertexCount) + 1);
    for (int32_t index = 0; index < vertexCount; ++index) {
        const TesVector p = at(vertices, index) - scene->offset;
        scene->vertices.insert(scene->vertices.end(),
                               {static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z)});
    }
    scene->vertices.push_back(0.0f);
    scene->xyz = vertices;
    scene->triangles = triangles;
    scene->scene = buildScene(device, scene->vertices.data(), vertexCount, triangles, triangleCount);
    if (scene->scene != nullptr) scene_ = std::move(scene);
}

RefMeshPicker::~RefMeshPicker() = default;

RefPickHit RefMeshPicker::pick(const RefRenderCamera& camera, double x, double y, const TesMatrix& pose) const {
    RefPickHit result;
    const RefPickRay ray = refPickRay(camera, x, y, pose);
    if (!good() || !ray.good) return result;
    const TesVector origin = ray.origin - scene_->offset;
    RTCRayHit query{};
    query.ray.org_x = static_cast<float>(origin.x);
    query.ray.org_y = static_cast<float>(origin.y);
    query.ray.org_z = static_cast<float>(origin.z);
    query.ray.dir_x = static_cast<float>(ray.direction.x);
    query.ray.dir_y = static_cast<float>(ray.direction.y);
    query.ray.dir_z = static_cast<float>(ray.direction.z);
    query.ray.tfar = static_cast<float>(ray.length);  // zero, as initialised, would hit nothing
    query.ray.mask = ~0u;
    query.hit.geomID = RTC_INVALID_GEOMETRY_ID;
    RTCIntersectContext context;
    rtcInitIntersectContext(&context);
    rtcIntersect1(scene_->scene, &context, &query);
    if (query.hit.geomID == RTC_INVALID_GEOMETRY_ID) return result;

    const int32_t* corners = scene_->triangles + 3 * static_cast<int64_t>(query.hit.primID);
    const TesVector a = at(scene_->xyz, corners[0]), b = at(scene_->xyz, corners[1]), c = at(scene_->xyz, corners[2]);
    result.point = crossing(ray, a, b, c, a * (1.0 - query.hit.u - query.hit.v) + b * query.hit.u + c * query.hit.v);
    result.id = static_cast<int32_t>(query.hit.primID);
    result.distance = (result.point - ray.origin).length();
    result.hit = true;
    return result;
}
