#include <gtest/gtest.h>

#include <string>

#include "datamodelsample.h"
#include "pluginhost.h"
#include "tempfolder.h"

namespace {

constexpr int kSound = 0;
constexpr int kDamaged = 1;
constexpr int kUsage = 2;

std::string quoted(const std::string& path) { return "'" + path + "'"; }

CommandResult tesdump(const std::string& arguments) {
    return runCommand(quoted(toolPath("tesdump")) + " " + arguments + " 2>&1");
}

}  // namespace

TEST(Tesdump, PrintsTheBlockTreeWithDecodedValues) {
    const std::pair<const char*, const char*> cases[] = {
        {"narrow.bin",
         "0x00000000  NEL v0 size 94, 4-byte sizes\n"
         "0x00000008    object v3 size 76 class 01234567-89ab-cdef-0123-456789abcdef\n"
         "0x00000020      bytes 4: 00 00 00 07\n"
         "0x00000024      wstring v0 size 12 \"Ab\"\n"
         "0x00000030      vec3d v0 size 32 (1, 2, 3)\n"
         "0x00000050      bytes 4: ff ff ff fe\n"
         "0x00000054    cstring v0 size 10 \"hi\"\n"},
        {"allkinds.bin",
         "0x00000000  NEL v0 size 360, 4-byte sizes\n"
         "0x00000008    guid v0 size 24 fedcba98-7654-3210-0011-223344556677\n"
         "0x00000020    vec2f v0 size 16 (1.5, -2)\n"
         "0x00000030    vec2d v0 size 24 (0.5, -0)\n"
         "0x00000048    matrix4d v0 size 136 (1, 0, 0, 1, 0, 1, 0, 2, 0, 0, 1, 3, 0, 0, 0, 1)\n"
         "0x000000d0    vec3d v0 size 32 (-1, 0.25, 100)\n"
         "0x000000f0    vec4d v0 size 40 (1, 2, 3, 4)\n"
         "0x00000118    wstring v0 size 8 \"\"\n"
         "0x00000120    cstring v0 size 8 \"\"\n"
         "0x00000128    bytes 22: 40 00 00 00 00 00 00 00 80 00 00 00 ff ff ff ff ...\n"
         "0x0000013e    wstring v0 size 14 \"obj\"\n"
         "0x0000014c    object v0 size 28 class fedcba98-7654-3210-0011-223344556677\n"
         "0x00000164      bytes 4: 00 00 00 01\n"},
        {"rootzero.bin",
         "0x00000000  NEL v0 size 0 (to the end: 18), 4-byte sizes\n"
         "0x00000008    cstring v0 size 10 \"hi\"\n"},
    };
    for (const auto& [file, tree] : cases) {
        const CommandResult result = tesdump(quoted(dataModelFile(file)));
        EXPECT_EQ(result.exitCode, kSound) << file;
        EXPECT_EQ(result.output, tree) << file;
    }
}

// The tree up to the damage is printed; an empty file is damaged too.
TEST(Tesdump, ReportsTheFirstDamageWithItsOffset) {
    const std::pair<const char*, const char*> cases[] = {
        {"truncated.bin", "damaged at offset 0x00000000: root size 114 runs past the end of the file (60 bytes)"},
        {"rootversion2.bin", "damaged at offset 0x00000000: root version 2, only 0 and 1 exist"},
        {"notdatamodel.bin", "damaged at offset 0x00000000: not a data-model file"},
        {"childpastparent.bin", "0x00000008    object v1 size 32"},
        {"childpastparent.bin", "damaged at offset 0x00000020: block size 32 runs past its parent's end at 0x00000028"},
        {"childtoosmall.bin", "damaged at offset 0x0000000c: block size 4 is smaller than its 12-byte header"},
    };
    for (const auto& [file, message] : cases) {
        const CommandResult result = tesdump(quoted(dataModelFile(file)));
        EXPECT_EQ(result.exitCode, kDamaged) << file;
        EXPECT_NE(result.output.find(message), std::string::npos) << file << ":\n" << result.output;
    }
    TempFolder folder;
    TempFolder::writeAll(folder.file("empty.bin"), {});
    EXPECT_EQ(tesdump(quoted(folder.narrowFile("empty.bin"))).exitCode, kDamaged);
}

// Inside the object: the value 0x01000000 (a vec3d tag, version 0) followed by
// a size that does not fit a vec3d but lies inside the object: bytes, not a
// block, and no damage since the header would fit its parent.
TEST(Tesdump, ScalarsThatLookLikeHeadersStayOpaque) {
    TempFolder folder;
    {
        TesFileWrite writer;
        writer.setVersion(kNarrowFormat);
        ASSERT_TRUE(writer.open(folder.wideFile("scalars.bin").c_str()));
        writer.writeObjectHeader(kSampleClassId, 1);
        writer << uint32_t{0x01000000} << uint32_t{12} << uint32_t{5};
        writer.endObject();
    }
    const CommandResult result = tesdump(quoted(folder.narrowFile("scalars.bin")));
    EXPECT_EQ(result.exitCode, kSound) << result.output;
    EXPECT_NE(result.output.find("0x00000020      bytes 12: 01 00 00 00 00 00 00 0c 00 00 00 05\n"), std::string::npos)
        << result.output;
}

// Usage errors exit with 2; a file that cannot be read is a failed run, 1.
TEST(Tesdump, ExitCodesOfUsageErrorsAndUnreadableFiles) {
    TempFolder folder;
    const std::string wide = quoted(dataModelFile("wide.bin"));
    const std::pair<std::string, int> cases[] = {
        {"", kUsage},
        {"--bogus " + wide, kUsage},
        {wide + " " + wide, kUsage},
        {quoted(folder.narrowFile("missing.bin")), kDamaged},
        {quoted(folder.path().string()), kDamaged},
        {"--help", kSound},
    };
    for (const auto& [arguments, exitCode] : cases) EXPECT_EQ(tesdump(arguments).exitCode, exitCode) << arguments;
}
