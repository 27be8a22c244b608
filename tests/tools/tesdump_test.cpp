// tesdump run on the hand-built data-model files: the tree it prints, and its
// exit codes for sound files, damaged files and usage errors.
#include <gtest/gtest.h>

#include <string>

#include "datamodelsample.h"
#include "pluginhost.h"
#include "runcommand.h"
#include "tempfolder.h"

namespace {

constexpr int kSound = 0;
constexpr int kDamaged = 1;
constexpr int kUsage = 2;

CommandResult tesdump(const std::string& arguments) {
    return runCommand("'" + toolPath("tesdump") + "' " + arguments + " 2>&1");
}

CommandResult dumpSample(const std::string& name) { return tesdump("'" + dataModelFile(name) + "'"); }

}  // namespace

TEST(Tesdump, PrintsTheBlockTreeWithDecodedValues) {
    const CommandResult narrow = dumpSample("narrow.bin");
    EXPECT_EQ(narrow.exitCode, kSound);
    EXPECT_EQ(narrow.output,
              "0x00000000  NEL v0 size 94, 4-byte sizes\n"
              "0x00000008    object v3 size 76 class 01234567-89ab-cdef-0123-456789abcdef\n"
              "0x00000020      bytes 4: 00 00 00 07\n"
              "0x00000024      wstring v0 size 12 \"Ab\"\n"
              "0x00000030      vec3d v0 size 32 (1, 2, 3)\n"
              "0x00000050      bytes 4: ff ff ff fe\n"
              "0x00000054    cstring v0 size 10 \"hi\"\n");

    const CommandResult all = dumpSample("allkinds.bin");
    EXPECT_EQ(all.exitCode, kSound);
    EXPECT_EQ(all.output,
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
              "0x00000164      bytes 4: 00 00 00 01\n");

    const CommandResult toEnd = dumpSample("rootzero.bin");
    EXPECT_EQ(toEnd.exitCode, kSound);
    EXPECT_EQ(toEnd.output,
              "0x00000000  NEL v0 size 0 (to the end: 18), 4-byte sizes\n"
              "0x00000008    cstring v0 size 10 \"hi\"\n");
}

TEST(Tesdump, ReportsTheFirstDamageWithItsOffset) {
    struct Case {
        const char* file;
        const char* message;
    };
    const Case cases[] = {
        {"truncated.bin", "damaged at offset 0x00000000: root size 114 runs past the end of the file (60 bytes)"},
        {"rootversion2.bin", "damaged at offset 0x00000000: root version 2, only 0 and 1 exist"},
        {"notdatamodel.bin", "damaged at offset 0x00000000: not a data-model file"},
        {"childpastparent.bin", "damaged at offset 0x00000020: block size 32 runs past its parent's end at 0x00000028"},
        {"childtoosmall.bin", "damaged at offset 0x0000000c: block size 4 is smaller than its 12-byte header"},
    };
    for (const Case& c : cases) {
        const CommandResult result = dumpSample(c.file);
        EXPECT_EQ(result.exitCode, kDamaged) << c.file;
        EXPECT_NE(result.output.find(c.message), std::string::npos) << c.file << ":\n" << result.output;
    }
    // The tree up to the damage is printed.
    EXPECT_NE(dumpSample("childpastparent.bin").output.find("0x00000008    object v1 size 32"), std::string::npos);

    TempFolder folder;
    TempFolder::writeAll(folder.file("empty.bin"), {});
    EXPECT_EQ(tesdump("'" + folder.narrowFile("empty.bin") + "'").exitCode, kDamaged);
}

TEST(Tesdump, ScalarsThatLookLikeHeadersStayOpaque) {
    // Inside the object: the value 0x01000000 (a vec3d tag, version 0) followed
    // by a size that does not fit a vec3d but lies inside the object: bytes,
    // not a block, and no damage since the header would fit its parent.
    TempFolder folder;
    const std::u16string path = folder.wideFile("scalars.bin");
    {
        TesFileWrite writer;
        writer.setVersion(kNarrowFormat);
        ASSERT_TRUE(writer.open(path.c_str()));
        writer.writeObjectHeader(kSampleClassId, 1);
        writer << uint32_t{0x01000000} << uint32_t{12} << uint32_t{5};
        writer.endObject();
    }
    const CommandResult result = tesdump("'" + folder.narrowFile("scalars.bin") + "'");
    EXPECT_EQ(result.exitCode, kSound) << result.output;
    EXPECT_NE(result.output.find("0x00000020      bytes 12: 01 00 00 00 00 00 00 0c 00 00 00 05\n"), std::string::npos)
        << result.output;
}

TEST(Tesdump, UsageErrorsExitWithTwo) {
    TempFolder folder;
    struct Case {
        std::string arguments;
        int exitCode;
    };
    const Case cases[] = {
        {"", kUsage},
        {"--bogus '" + dataModelFile("wide.bin") + "'", kUsage},
        {"'" + dataModelFile("wide.bin") + "' '" + dataModelFile("wide.bin") + "'", kUsage},
        {"'" + folder.narrowFile("missing.bin") + "'", kUsage},
        {"'" + folder.path().string() + "'", kUsage},
        {"--help", kSound},
        {"'" + dataModelFile("wide.bin") + "'", kSound},
    };
    for (const Case& c : cases) EXPECT_EQ(tesdump(c.arguments).exitCode, c.exitCode) << c.arguments;
}
