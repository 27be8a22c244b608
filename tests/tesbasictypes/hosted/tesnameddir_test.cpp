#include "tesnameddir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>

#include "hostedhost.h"
#include "os/nativeprocess.h"
#include "tesfile.h"
#include "tespath.h"

namespace {

constexpr const char* kTempKey = "Directories/Temp Directory";

TesString systemTemp() {
    TesString temp = TesString::fromUtf8(std::filesystem::temp_directory_path().string());
    TesPath::normalize(temp);
    return temp;
}

class TesNamedDir : public ::testing::Test {
protected:
    void TearDown() override {
        settings().setString(nullptr, kTempKey, u"");
        hostedTestHost().directories().set("temp", std::filesystem::temp_directory_path().string());
    }
    RefDataStore& settings() { return hostedTestHost().settings(); }
};

TEST_F(TesNamedDir, TheHostNamesItsFolders) {
    EXPECT_EQ(tesNamedDirectory("temp").toUtf8(), systemTemp().toUtf8());
    const TesString logs = tesNamedDirectory("logs");
    EXPECT_FALSE(logs.isEmpty());
    EXPECT_TRUE(TesFile::isDirectory(logs));  // made when first asked for
    EXPECT_TRUE(tesNamedDirectory("no such folder").isEmpty());
    EXPECT_TRUE(tesNamedDirectory(nullptr).isEmpty());
}

TEST_F(TesNamedDir, TempDirectoryGivesANewNameEachCall) {
    settings().setString(nullptr, kTempKey, u"");
    TesString first(u"left over");
    TesString second;
    EXPECT_TRUE(tesTempDirectory(first));
    EXPECT_TRUE(tesTempDirectory(second));
    EXPECT_NE(first.toUtf8(), second.toUtf8());
    char processId[9];
    std::snprintf(processId, sizeof(processId), "%08x", static_cast<unsigned>(tesOsProcessId()));
    const std::string prefix = systemTemp().toUtf8() + "\\tes-" + processId + "-";
    const std::regex shape("\\\\tes-[0-9a-f]{8}-[0-9a-f]{8}-temp$");
    for (const TesString& name : {first, second}) {
        const std::string text = name.toUtf8();
        EXPECT_EQ(text.rfind(prefix, 0), 0u) << text;
        EXPECT_TRUE(std::regex_search(text, shape)) << text;
        EXPECT_FALSE(TesFile::exists(name));  // nothing is created
    }
}

TEST_F(TesNamedDir, ASetTempDirectoryIsUsedAsItIs) {
    settings().setString(nullptr, kTempKey, u"/custom/place/");
    TesString name;
    tesTempDirectory(name);
    EXPECT_EQ(name.toUtf8().rfind("/custom/place/\\tes-", 0), 0u) << name.toUtf8();
    settings().setString(nullptr, kTempKey, u"c:");
    tesTempDirectory(name);
    EXPECT_EQ(name.toUtf8().rfind("c:\\tes-", 0), 0u) << name.toUtf8();  // no root added to a setting
}

TEST_F(TesNamedDir, ABareDriveFromTheHostGetsItsRoot) {
    hostedTestHost().directories().set("temp", "c:");
    TesString name;
    tesTempDirectory(name);
    EXPECT_EQ(name.toUtf8().rfind("c:\\\\tes-", 0), 0u) << name.toUtf8();
}

TEST(TesNamedDirDeathTest, WithoutTheServiceEveryNameIsEmpty) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");  // the service lookup starts afresh
    EXPECT_EXIT(
        {
            hostedTestHost().manager().removeService("ITesDirService");
            if (!tesNamedDirectory("temp").isEmpty()) std::_Exit(1);
            TesString name;
            tesTempDirectory(name);
            std::_Exit(name.startsWith(u"\\tes-") ? 0 : 2);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
