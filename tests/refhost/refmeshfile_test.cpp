// OBJ meshes: faces follow the library's shapes, polygons become fans from
// their first vertex, and what the library lets through is refused by line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "document/refmeshfile.h"
#include "tempfolder.h"

namespace {

TEST(RefMeshFile, GroupsAreFacesInFileOrderAndPolygonsAreFans) {
    TempFolder folder;
    folder.write("m.obj",
                 "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 0 0 1\n"
                 "f 1 2 3\ng a\nf 1 2 3 4\ng b\nf 1/1/1 2//1 5\ng a\nf -5 -3 -1\n");
    const RefMeshRead read = refReadMesh(folder.narrowFile("m.obj"));
    ASSERT_TRUE(read.good) << read.error;
    EXPECT_EQ(read.mesh.vertexCount(), 5);
    EXPECT_EQ(read.mesh.triangles, (std::vector<int32_t>{0, 1, 2, 0, 1, 2, 0, 2, 3, 0, 1, 4, 0, 2, 4}));
    EXPECT_EQ(read.mesh.triangleFaces, (std::vector<int32_t>{0, 1, 1, 2, 3}));
    EXPECT_EQ(read.mesh.faceCount, 4);
}

TEST(RefMeshFile, BadFilesAreRefusedNamingTheLine) {
    const std::string triangle = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
    const struct {
        std::string name, text, message;
    } rows[] = {
        {"m.obj", "v 0 0 0\nv 1 0\nf 1 2 1\n", ":2: a vertex needs three finite coordinates x y z"},
        {"m.obj", "v 0 0 nan\n", ":1: a vertex needs three finite coordinates x y z"},
        {"m.obj", "v 0 0 0\r\rv 1 0 x\r", ":3: a vertex needs three finite coordinates x y z"},
        {"m.obj", "v 0 0 0e999\n", ":1: a vertex coordinate is out of range"},
        {"m.obj", triangle + "\nf 1 2 4\n", ":5: face refers to vertex 4; the file has 3 vertices"},
        {"m.obj", triangle + "f 1 2 3\nf -4 1 2\n", ":5: face refers to a vertex before the first"},
        {"m.obj", triangle + "f 1 2\n", ":4: a face needs at least three vertices"},
        {"m.obj", triangle + "f 0 1 2\n", ": Failed parse `f' line(e.g. zero value for face index. line 4.)"},
        {"m.obj", triangle, ": no faces"},
        {"m.OBJ", "", ": no faces"},
        {"m.stl", triangle, ": not a mesh file this host reads (.obj, .ply, .off)"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        TempFolder folder;
        const RefMeshRead read = refReadMesh(folder.write(row.name, row.text));
        EXPECT_FALSE(read.good);
        EXPECT_EQ(read.error, folder.narrowFile(row.name) + row.message);
    }
}

}  // namespace
