// PLY and OFF meshes from bytes: what reads and what is refused, with the
// line or byte offset of the problem.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "document/refmeshtext.h"
#include "document/refply.h"
#include "tempfolder.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Values in the byte order of a binary PLY.
class Bytes {
public:
    explicit Bytes(bool big) : big_(big) {}
    template <class T>
    Bytes& operator<<(T value) {
        char raw[sizeof(T)];
        std::memcpy(raw, &value, sizeof(T));
        if (big_ != (std::endian::native == std::endian::big)) std::reverse(raw, raw + sizeof(T));
        text_.append(raw, sizeof(T));
        return *this;
    }
    std::string text() const { return text_; }

private:
    bool big_;
    std::string text_;
};

// Vertices with a skipped uchar between x and y, faces with a ushort count
// and a skipped list after the indices.
std::string binaryHeader(bool big) {
    return std::string("ply\nformat ") + (big ? "binary_big_endian" : "binary_little_endian") +
           " 1.0\nelement vertex 3\nproperty double x\nproperty uchar red\nproperty double y\nproperty double z\n"
           "element face 1\nproperty list ushort int vertex_indices\nproperty list uchar float uv\nend_header\n";
}

std::string binaryTriangle(bool big, uint16_t corners, int32_t last) {
    Bytes bytes(big);
    for (int vertex = 0; vertex < 3; ++vertex) bytes << double(vertex == 1) << uint8_t(9) << double(vertex == 2) << 0.0;
    bytes << corners << int32_t(0) << int32_t(1) << last << uint8_t(2) << 0.5f << 0.25f;
    return binaryHeader(big) + bytes.text();
}

std::string asciiPly(const std::string& faceList, const std::string& data) {
    return "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\nproperty float z\n"
           "element face 1\nproperty list " +
           faceList + " vertex_indices\nend_header\n" + data;
}

const std::string kTriangle = "0 0 0\n1 0 0\n0 1 0\n";
const std::vector<double> kTriangleVertices{0, 0, 0, 1, 0, 0, 0, 1, 0};

bool same(const std::vector<double>& a, const std::vector<double>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](double x, double y) { return x == y || (std::isnan(x) && std::isnan(y)); });
}

TEST(RefPly, FilesReadOrAreRefusedNamingWhere) {
    const size_t little = binaryHeader(false).size();
    const size_t big = binaryHeader(true).size();
    const std::string vertexOnly =
        "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\nproperty float z\nend_header\n";
    const std::vector<double> square{0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};
    const struct {
        std::string name;
        bool off;
        std::string bytes, error;             // no error: good
        std::vector<int32_t> triangles = {};  // when good
        std::vector<double> vertices = {};    // when good
    } rows[] = {
        {"ascii with comments", false,
         "ply\r\ncomment made by hand\r\nobj_info x\r\n" + asciiPly("uchar int", kTriangle + "3 0 1 2\n").substr(4), "",
         {0, 1, 2}, kTriangleVertices},
        {"quad fan, faces first, extra element and properties", false,
         "ply\nformat ascii 1.0\nelement face 1\nproperty uchar flags\nproperty list uint8 uint vertex_index\n"
         "property list uchar float uv\nelement edge 2\nproperty int a\nproperty list int int b\n"
         "element vertex 4\nproperty float x\nproperty float y\nproperty float z\nproperty double nx\nend_header\n"
         "7 4 0 1 2 3 2 0.5 0.5\n1 0\n3 2 1 4\n0 0 0 9\n1 0 0 9\n1 1 0 9\n0 1 0 9",
         "", {0, 1, 2, 0, 2, 3}, square},
        {"NaN and 1e999 kept", false, asciiPly("uchar int", "nan 0 0\n1e999 0 0\n0 1 0\n3 0 1 2\n"), "", {0, 1, 2},
         {kNaN, 0, 0, HUGE_VAL, 0, 0, 0, 1, 0}},
        {"binary little-endian", false, binaryTriangle(false, 3, 2), "", {0, 1, 2}, kTriangleVertices},
        {"binary big-endian", false, binaryTriangle(true, 3, 2), "", {0, 1, 2}, kTriangleVertices},
        {"bad magic", false, "plx\n", "m:1: not a PLY file: it does not start with a \"ply\" line"},
        {"header never ends", false, "ply\nformat ascii 1.0\ncomment x\n", "m:3: the header has no end_header line"},
        {"unknown format", false, "ply\nformat binary_middle_endian 1.0\n",
         "m:2: unknown format \"binary_middle_endian\""},
        {"unknown type", false, asciiPly("uchar int128", kTriangle), "m:8: unknown type \"int128\""},
        {"no z", false, "ply\nformat ascii 1.0\nelement vertex 1\nproperty float x\nproperty float y\nend_header\n",
         "m:3: the vertex element has no z property"},
        {"huge binary count", false,
         "ply\nformat binary_little_endian 1.0\nelement vertex 300000000\nproperty float x\nproperty float y\n"
         "property float z\nend_header\n" + std::string(50, '\0'),
         "m:3: 300000000 \"vertex\" elements cannot fit in the 50 bytes after the header"},
        {"huge ascii count", false,
         "ply\nformat ascii 1.0\nelement edge 18446744073709551615\nproperty int a\nend_header\n1 2\n",
         "m:3: 18446744073709551615 \"edge\" elements cannot fit in the 4 bytes after the header"},
        {"index out of range", false, asciiPly("uchar int", kTriangle + "3 0 1 3\n"),
         "m:13: face 0 refers to vertex 3; the file has 3 vertices"},
        {"binary index out of range", false, binaryTriangle(false, 3, 7),
         "m: byte " + std::to_string(little + 85) + ": face 0 refers to vertex 7; the file has 3 vertices"},
        {"truncated binary", false, binaryTriangle(true, 3, 2).substr(0, big + 96),
         "m: byte " + std::to_string(big + 90) + ": the data ends in face 0 of 1"},
        {"256 corners", false, binaryTriangle(false, 256, 2),
         "m: byte " + std::to_string(little + 75) + ": face 0 has 256 vertices; more than 255"},
        {"negative count", false, asciiPly("char int", kTriangle + "-1 0 1 2\n"),
         "m:13: face 0 has a negative vertex count (-1)"},
        {"not a number", false, asciiPly("uchar int", "0 0 0\n1 x 0\n0 1 0\n3 0 1 2\n"),
         "m:11: \"x\" is not a number of type float"},
        {"no faces", false, vertexOnly + kTriangle, "m: no faces"},
        {"OFF quad with colour and comments", true,
         "# made by hand\nOFF\n4 1 0\n0 0 0\n1 0 0 # corner\n1 1 0\n0 1 0\n\n4 0 1 2 3 255 0 0\n", "",
         {0, 1, 2, 0, 2, 3}, square},
        {"OFF counts on the magic line", true, "OFF 3 1\r\n" + kTriangle + "3 2 1 0\n", "", {2, 1, 0},
         kTriangleVertices},
        {"OFF bad magic", true, "COFF\n3 1 0\n", "m:1: not an OFF file: it does not start with \"OFF\""},
        {"OFF index out of range", true, "OFF\n3 1 0\n" + kTriangle + "3 0 1 5\n",
         "m:6: face 0 refers to vertex 5; the file has 3 vertices"},
        {"OFF truncated", true, "OFF\n3 1 0\n0.000000 0.000000 0.000000\n1 0 0\n",
         "m:4: the file ends after 2 of 3 vertices"},
        {"OFF short face", true, "OFF\n3 1 0\n" + kTriangle + "4 0 1 2\n", "m:6: face 0 lists 3 of its 4 vertices"},
        {"OFF huge counts", true, "OFF\n2000000000 1 0\n0 0 0\n",
         "m:2: 2000000000 vertices and 1 faces cannot fit in the 6 bytes after this line"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const RefMeshRead read = row.off ? refParseOff(row.bytes, "m") : refParsePly(row.bytes, "m");
        EXPECT_EQ(read.error, row.error);
        EXPECT_EQ(read.good, row.error.empty());
        EXPECT_EQ(read.mesh.triangles, row.triangles);
        EXPECT_EQ(read.mesh.faceCount, row.error.empty() ? 1 : 0);
        EXPECT_TRUE(same(read.mesh.vertices, row.vertices));
    }
}

TEST(RefPly, NumbersHaveTheValuesStrtodGives) {
    for (const char* word :
         {"0.1", "-2.5e-3", "+7", "1e-310", "2e-324", "3e-324", "-1e-400", "1e999", "-1e999", "1.7976931348623159e308",
          "0.0000000000000000000000001e-300", "123456789012345678901234567890", "inf", "-nan"}) {
        SCOPED_TRACE(word);
        double value = 0;
        ASSERT_TRUE(refMeshDouble(word, value));
        const double expected = std::strtod(word, nullptr);
        EXPECT_TRUE(std::bit_cast<uint64_t>(value) == std::bit_cast<uint64_t>(expected) || std::isnan(expected));
    }
    double value = 0;
    for (const char* word : {"", "0x10", "1,5", "1e", "--1", "+-1", "1 "})
        EXPECT_FALSE(refMeshDouble(word, value)) << word;
}

TEST(RefPly, ReadMeshTakesTheReaderOfTheExtension) {
    TempFolder folder;
    EXPECT_TRUE(refReadMesh(folder.write("a.PLY", asciiPly("uchar int", kTriangle + "3 0 1 2\n"))).good);
    EXPECT_TRUE(refReadMesh(folder.write("b.Off", "OFF\n3 1 0\n" + kTriangle + "3 0 1 2\n")).good);
    EXPECT_EQ(refReadMesh(folder.narrowFile("none.ply")).error,
              "cannot read " + folder.narrowFile("none.ply") + ": No such file or directory");
    folder.write("c.off/d", "");
    EXPECT_EQ(refReadMesh(folder.narrowFile("c.off")).error,
              "cannot read " + folder.narrowFile("c.off") + ": Is a directory");
}

}  // namespace
