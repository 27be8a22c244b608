#include "document/refpointsave.h"

#include <filesystem>
#include <vector>

#include "binio.h"
#include "tesfilewrite.h"

namespace {

constexpr double kHuge = 1.7976931348623157e308;

// The points as the data-model stream writes doubles (big-endian).
class WorldPoints : public ITesBinaryObject {
public:
    explicit WorldPoints(std::vector<double> xyz) : xyz_(std::move(xyz)) {}
    void queryInterface(const char*, void** out) override { *out = nullptr; }
    const char* className() const override { return "WorldPoints"; }
    bool writeBinary(BinOutput& out) override { return out.write(xyz_.data(), xyz_.size()); }
    bool readBinary(BinInput&) override { return false; }

private:
    std::vector<double> xyz_;
};

std::vector<double> worldPoints(RefObject& object, const TesMatrix& pose) {
    const double* xyz = nullptr;
    size_t count = 0;
    if (const RefMesh* mesh = object.mesh()) {
        xyz = mesh->vertices.data();
        count = mesh->vertices.size() / 3;
    } else if (RefPointModel* points = object.pointModel()) {
        xyz = points->points();
        count = static_cast<size_t>(points->pointCount());
    }
    std::vector<double> placed;
    placed.reserve(3 * count);
    for (size_t i = 0; i < count; ++i) {
        const TesVector p = pose.transformPoint({xyz[3 * i], xyz[3 * i + 1], xyz[3 * i + 2]});
        placed.insert(placed.end(), {p.x, p.y, p.z});
    }
    return placed;
}

}  // namespace

bool refSavePoints(RefObject& object, const TesMatrix& pose, const std::string& path, std::string& error) {
    std::vector<double> placed = worldPoints(object, pose);
    TesVector min{kHuge, kHuge, kHuge}, max{-kHuge, -kHuge, -kHuge};
    for (size_t i = 0; i < placed.size(); i += 3) extendBox({placed[i], placed[i + 1], placed[i + 2]}, min, max);
    IPtr<WorldPoints> points(new WorldPoints(std::move(placed)));
    const std::string partial = path + ".partial";
    bool good = false;
    {
        TesFileWrite writer;
        if (writer.open(TesString::fromUtf8(partial))) {
            writer << TesString(object.name()) << pose << min << max;
            writer.beginBlock(kRefPointsTag, 0);
            writer.writeBinary(points.get());
            writer.endBlock();
            good = writer.close();
        }
    }
    std::error_code failed;
    if (good) std::filesystem::rename(partial, path, failed);
    if (good && !failed) return true;
    std::filesystem::remove(partial, failed);
    error = "cannot write " + path;
    return false;
}
