// An object's points saved where they stand, through the session runner's
// save statement: the file on success, what was there on failure.
#include <gtest/gtest.h>

#include <filesystem>

#include "sessionrun.h"
#include "session/refscene.h"
#include "tempfolder.h"
#include "tesfileread.h"

TEST(RefPointSave, WritesThePlacedPointsOrLeavesWhatWasThere) {
    TempFolder folder;
    RefHost host;
    const std::string scene = "object Part type Mesh\ngeometry box 2 2 2\ntransform 1 0 0 10 0 1 0 0 0 0 1 0 0 0 0 1\n";
    ASSERT_TRUE(refLoadSceneLines(host, refSplitLines(scene, "inline"), "inline").good);
    std::filesystem::create_directory(folder.file("taken.tes"));
    const struct {
        const char* line;
        const char* error;  // part of it; "" for none
    } rows[] = {{"save Part $OUT/pärt.tes", ""},
                {"save Part $OUT/no/part.tes", "cannot write "},
                {"save Part $OUT/taken.tes", "cannot write "},
                {"save Nobody $OUT/part.tes", "save: no object Nobody"}};
    for (const auto& row : rows) {
        const SessionRun run = runSessionText(host, std::string(row.line) + "\n", "inline", "", folder.narrowFile());
        EXPECT_NE(run.error.find(row.error), std::string::npos) << row.line << ": " << run.error;
        EXPECT_EQ(run.error.empty(), row.error[0] == '\0') << row.line;
    }
    EXPECT_TRUE(std::filesystem::is_directory(folder.file("taken.tes")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 2) << "no partial file left";

    TesFileRead reader;
    ASSERT_TRUE(reader.open(TesString::fromUtf8(folder.narrowFile("pärt.tes"))));
    TesString name;
    double pose[4][4], min[3], max[3];
    ASSERT_TRUE(reader.readWString(name) && reader.readMatrix4d(pose) && reader.readVec3d(min) && reader.readVec3d(max));
    EXPECT_EQ(name.toUtf8() + " " + std::to_string(pose[0][3]), "Part 10.000000");
    EXPECT_EQ(std::vector<double>(min, min + 3), (std::vector<double>{9, -1, -1}));
    EXPECT_EQ(std::vector<double>(max, max + 3), (std::vector<double>{11, 1, 1}));
}
