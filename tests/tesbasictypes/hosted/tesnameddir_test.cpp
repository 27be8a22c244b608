#include "tesnameddir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>
#include <tuple>

#include "os/nativeprocess.h"
#include "processhost.h"
#include "tesfile.h"
#include "tespath.h"

namespace {

constexpr const char* kTempKey = "Directories/Temp Directory";

TesString systemTemp() {
    TesString temp = TesString::fromUtf8(std::filesystem::temp_directory_path().string());
    TesPath::normalize(temp);
    return temp;
}

TEST(TesNamedDir, TheHostNamesItsFolders) {
    EXPECT_EQ(tesNamedDirectory("temp").toUtf8(), systemTemp().toUtf8());
    EXPECT_TRUE(TesFile::isDirectory(tesNamedDirectory("logs")));  // made when first asked for
    EXPECT_TRUE(tesNamedDirectory("no such folder").isEmpty());
    EXPECT_TRUE(tesNamedDirectory(nullptr).isEmpty());
}

// "\tes-<process id>-<counter>-temp" under the folder; nothing is created.
TEST(TesNamedDir, TempDirectoryGivesANewNameEachCall) {
    TesString first(u"left over");
    TesString second;
    EXPECT_TRUE(tesTempDirectory(first) && tesTempDirectory(second));
    EXPECT_NE(first.toUtf8(), second.toUtf8());
    char processId[9];
    std::snprintf(processId, sizeof(processId), "%08x", static_cast<unsigned>(tesOsProcessId()));
    const std::string prefix = systemTemp().toUtf8() + "\\tes-" + processId + "-";
    for (const TesString& name : {first, second}) {
        const std::string text = name.toUtf8();
        EXPECT_EQ(text.rfind(prefix, 0), 0u) << text;
        EXPECT_TRUE(std::regex_match(text.substr(prefix.size()), std::regex("[0-9a-f]{8}-temp"))) << text;
        EXPECT_FALSE(TesFile::exists(name));
    }
}

// The setting is used as it is; only the host's bare drive gets its root.
TEST(TesNamedDir, TheFolderComesFromTheSettingElseTheHost) {
    const std::tuple<const char16_t*, const char*, std::string> rows[] = {
        {u"/custom/place/", nullptr, "/custom/place/\\tes-"},
        {u"c:", nullptr, "c:\\tes-"},
        {u"", "c:", "c:\\\\tes-"},
    };
    for (const auto& [setting, hostTemp, prefix] : rows) {
        processTestHost().settings().setString(nullptr, kTempKey, setting);
        if (hostTemp != nullptr) processTestHost().directories().set("temp", hostTemp);
        TesString name;
        tesTempDirectory(name);
        EXPECT_EQ(name.toUtf8().rfind(prefix, 0), 0u) << name.toUtf8();
    }
    processTestHost().settings().setString(nullptr, kTempKey, u"");
    processTestHost().directories().set("temp", std::filesystem::temp_directory_path().string());
}

TEST(TesNamedDirDeathTest, WithoutTheServiceEveryNameIsEmpty) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");  // the service lookup starts afresh
    EXPECT_EXIT(
        {
            processTestHost().manager().removeService("ITesDirService");
            if (!tesNamedDirectory("temp").isEmpty()) std::_Exit(1);
            TesString name;
            tesTempDirectory(name);
            std::_Exit(name.startsWith(u"\\tes-") ? 0 : 2);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
