// libFuzzer target: the PLY and OFF readers on the same bytes. For every
// input: reading never crashes; a refusal says what and where, naming the
// file; a good mesh is one face of triangles whose indices all name a vertex.
#include <cstdint>
#include <string_view>

#include "../fuzzrequire.h"
#include "document/refply.h"

namespace {

void check(const RefMeshRead& read, std::string_view name) {
    if (!read.good) {
        fuzzRequire(read.error.starts_with(name) && read.error.size() > name.size(), "a refusal without a message");
        fuzzRequire(read.mesh.vertices.empty() && read.mesh.triangles.empty(), "a refused mesh keeps data");
        return;
    }
    const RefMesh& mesh = read.mesh;
    fuzzRequire(read.error.empty(), "a good read with an error");
    fuzzRequire(mesh.vertices.size() % 3 == 0, "vertices are not x, y, z triples");
    fuzzRequire(mesh.triangleFaces.size() * 3 == mesh.triangles.size(), "triangles and their faces disagree");
    fuzzRequire(mesh.triangleCount() > 0 && mesh.faceCount == 1, "a good mesh is one face with triangles");
    for (const int32_t index : mesh.triangles) fuzzRequire(index >= 0 && index < mesh.vertexCount(), "index out of range");
    for (const int32_t face : mesh.triangleFaces) fuzzRequire(face == 0, "a triangle outside face 0");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    check(refParsePly(bytes, "fuzz.ply"), "fuzz.ply");
    check(refParseOff(bytes, "fuzz.off"), "fuzz.off");
    return 0;
}
