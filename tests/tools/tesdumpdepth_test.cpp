// tesdump on objects nested far deeper than any real file: no recursion limit, lines of bounded length.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "datamodel.h"
#include "tempfolder.h"
#include "toolrun.h"

namespace {

constexpr uint32_t kHeaderBytes = 8;                              // narrow format
constexpr uint32_t kObjectBytes = kHeaderBytes + kTesClassIdBytes;  // an object without members

// A narrow data-model file: `depth` objects, each the only member of the one before.
std::vector<uint8_t> nestedObjects(uint32_t depth) {
    std::vector<uint8_t> bytes;
    const auto put = [&bytes](uint32_t word) {
        for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<uint8_t>(word >> shift));
    };
    put(kTesRootTag << 8);
    put(kHeaderBytes + depth * kObjectBytes);
    for (uint32_t level = 0; level < depth; ++level) {
        put(kTesObjectTag << 8);
        put((depth - level) * kObjectBytes);
        bytes.insert(bytes.end(), kTesClassIdBytes, 0x11);
    }
    return bytes;
}

}  // namespace

TEST(TesdumpDepth, DeepNestingPrintsEveryLevelOnBoundedLines) {
    struct Row {
        uint32_t depth;
        std::string deepestIndent;  // between the offset and "object" on the innermost line
    };
    const Row rows[] = {{32, std::string(64, ' ')}, {33, std::string(64, ' ') + "[33] "},
                        {30000, std::string(64, ' ') + "[30000] "}, {75000, std::string(64, ' ') + "[75000] "}};
    TempFolder folder;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.depth);
        TempFolder::writeAll(folder.file("nested.bin"), nestedObjects(row.depth));
        const ToolRun run = runTool(toolPath("tesdump"), {folder.narrowFile("nested.bin")}, {}, "", size_t{64} << 20);
        ASSERT_EQ(run.exitCode, 0) << run.output;
        char offset[16];
        std::snprintf(offset, sizeof(offset), "0x%08x", kHeaderBytes + (row.depth - 1) * kObjectBytes);
        EXPECT_NE(run.output.find(offset + ("  " + row.deepestIndent) + "object v0 size 24 class"), std::string::npos);
        EXPECT_LE(run.outputBytes, (row.depth + 1) * 160);
    }
}
