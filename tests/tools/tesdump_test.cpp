#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "datamodelsample.h"
#include "tempfolder.h"
#include "toolrun.h"

namespace {

constexpr int kSound = 0;
constexpr int kDamaged = 1;

ToolRun tesdump(const std::vector<std::string>& arguments) { return runTool(toolPath("tesdump"), arguments); }

}  // namespace

// The tree of each sample file, as tests/golden/tesdump holds it.
TEST(Tesdump, PrintsTheBlockTreeWithDecodedValues) {
    for (const char* name : {"narrow", "allkinds", "rootzero"}) {
        const ToolRun result = tesdump({dataModelFile(std::string(name) + ".bin")});
        EXPECT_EQ(result.exitCode, kSound) << name;
        const auto tree = TempFolder::readAll(VESPER_SOURCE_DIR "/tests/golden/tesdump/" + std::string(name) + ".out");
        EXPECT_EQ(result.output, std::string(tree.begin(), tree.end())) << name;
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
        const ToolRun result = tesdump({dataModelFile(file)});
        EXPECT_EQ(result.exitCode, kDamaged) << file;
        EXPECT_NE(result.output.find(message), std::string::npos) << file << ":\n" << result.output;
    }
    TempFolder folder;
    TempFolder::writeAll(folder.file("empty.bin"), {});
    EXPECT_EQ(tesdump({folder.narrowFile("empty.bin")}).exitCode, kDamaged);
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
    const ToolRun result = tesdump({folder.narrowFile("scalars.bin")});
    EXPECT_EQ(result.exitCode, kSound) << result.output;
    EXPECT_NE(result.output.find("0x00000020      bytes 12: 01 00 00 00 00 00 00 0c 00 00 00 05\n"), std::string::npos)
        << result.output;
}
