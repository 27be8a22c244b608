// Only the large request under test fails, so the handler's own strings and files
// are served. Death tests end through exit (-1, seen as 255), which unwinds
// nothing: a child never removes the scratch folder its parent reads afterwards.
#include "memoryexhaustion.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <string>

#include "nelrealloc.h"
#include "os/sysalloc.h"
#include "processhost.h"
#include "tempfolder.h"
#include "tesdir.h"
#include "tesnameddir.h"

namespace {

constexpr const char* kUseErrorServiceKey = "Memory/UseErrorService";
constexpr int32_t kBig = 1 << 20;  // only requests this large fail
constexpr const char* kBoxPattern =
    "Out of Memory\n"
    "While running this function, you have run out of memory\\.\n"
    "The application will close\\. After restarting, please read\n"
    "the online help about \"Memory Optimization\"\\.\n";

RefHost& host() { return processTestHost(); }

TEST(MemoryLog, LayoutIsByteExact) {
    const TesMemoryFigures figures = {1234567, 16000000, 0, 2048};
    const std::string figureLines =
        "system free:      1234567k\n"
        "system total:     16000000k\n"
        "swap free:              0k\n"
        "swap total:          2048k\n"
        "\n";
    EXPECT_EQ(tesMemoryLogText(0, figures, nullptr), figureLines + "tesmm not available\n\n");
    IPtr<RefMemoryManager> manager(new RefMemoryManager(10 * RefMemoryManager::kFigureUnit));
    manager->allocPage(3 * RefMemoryManager::kFigureUnit, 0);
    EXPECT_EQ(tesMemoryLogText(123456789, figures, manager.get()),
              "attempted:        123456789b\n\n" + figureLines +
                  "tesmm core now:        72k\n"
                  "tesmm core limit:     240k\n"
                  "tesmm swap now:         0k\n"
                  "tesmm swap limit:       0k\n"
                  "\n");
}

// Logs and temporary files go to scratch folders, the checker gives fixed
// figures and the manager never releases anything.
class Exhaustion : public ::testing::Test {
protected:
    void SetUp() override {
        setFolders(logs_.tesPath(), temp_.tesPath());
        host().memChecker().script(kFigures, 0);
        host().memoryManager().scriptReleases(std::vector<bool>(16, false));
    }
    void TearDown() override {
        tesSysFailNextAllocations(0);
        host().memoryManager().scriptReleases({});
        host().memChecker().clear();
        setFolders(u"", u"");
        host().directories().set("logs", hostLogs_.toUtf8());
        host().settings().setInt(nullptr, kUseErrorServiceKey, 0);
    }
    static void setFolders(const TesString& logs, const TesString& temp) {
        host().settings().setString(nullptr, "Directories/Logs Directory", logs.c_str());
        host().settings().setString(nullptr, "Directories/Temp Directory", temp.c_str());
    }
    std::string expectedLog(int64_t attempted) const {
        const TesMemoryFigures kilobytes = {kFigures.systemFree / 1024, kFigures.systemTotal / 1024,
                                            kFigures.swapFree / 1024, kFigures.swapTotal / 1024};
        return tesMemoryLogText(attempted, kilobytes, &host().memoryManager());
    }

    static constexpr TesMemoryFigures kFigures = {3 << 20, 16 << 20, 5 << 10, 7 << 20};
    const TesString hostLogs_ = tesNamedDirectory("logs");
    TempFolder logs_;
    TempFolder temp_;
};

TEST_F(Exhaustion, TheLogGoesToTheSettingElseToTheHostsLogsFolderAndIsRewrittenEachTime) {
    ASSERT_TRUE(tesWriteMemoryLog(777));
    ASSERT_TRUE(tesWriteMemoryLog(0));
    EXPECT_EQ(logs_.read("memory.log"), expectedLog(0)) << "truncated, not appended";
    setFolders(logs_.tesPath() + TesString(u"\\"), u"");
    EXPECT_TRUE(tesWriteMemoryLog(1));
    setFolders(logs_.tesPath("missing"), u"");
    EXPECT_FALSE(tesWriteMemoryLog(1));
    setFolders(u"", u"");
    host().directories().set("logs", temp_.narrowFile());
    ASSERT_TRUE(tesWriteMemoryLog(5));
    EXPECT_EQ(temp_.read("memory.log"), expectedLog(5));
}

// Reports end in _Exit so the child's stderr holds exactly what the report wrote.
TEST_F(Exhaustion, ReportShowsTheMessageForCodesMinus5ToMinus1Only) {
    const struct {
        const char* name;
        int32_t code;
        bool useErrorService;
        std::string output;
    } rows[] = {
        {"-1 in the message box", -1, false, std::string("^") + kBoxPattern + "$"},
        {"-5 in the message box", -5, false, kBoxPattern},
        {"-6 shows nothing", -6, false, "^$"},
        {"0 shows nothing", 0, false, "^$"},
        {"through the error service", -2, true,
         "^error \\(level 1, realloc\\): While running this function, you have run out of memory\\.\n"
         "The application will close\\.(.|\n)*Optimization\"\\.\n$"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        host().settings().setInt(nullptr, kUseErrorServiceKey, row.useErrorService);
        EXPECT_EXIT(std::_Exit(tesReportOutOfMemory(row.code) ? 1 : 0), ::testing::ExitedWithCode(0), row.output);
    }
    host().manager().removeService("ITesErrorService");
    EXPECT_FALSE(tesReportOutOfMemory(-1)) << "the error service asked for is missing: nothing is shown";
    host().manager().addService(&host().errors(), {"ITesErrorService"});
}

TEST_F(Exhaustion, TheLastAttemptMovesTheBlockThroughATemporaryFile) {
    uint8_t* block = nullptr;
    nelMalloc(block, 5000);
    for (int32_t i = 0; i < 5000; ++i) block[i] = static_cast<uint8_t>(i * 13 + 1);
    tesSysFailNextAllocations(2, kBig);  // the growth and its one shrinking attempt
    EXPECT_EQ(nelRealloc(block, 5000, kBig), kBig);
    for (int32_t i = 0; i < kBig; ++i) ASSERT_EQ(block[i], i < 5000 ? static_cast<uint8_t>(i * 13 + 1) : 0) << i;
    nelFree(block);
    EXPECT_EQ(tesCountEntries(temp_.tesPath()), 0) << "the temporary file is gone";
    EXPECT_FALSE(logs_.exists("memory.log"));
}

TEST_F(Exhaustion, EveryOtherWayEndsTheProcessWithLogAndReport) {
    const struct {
        const char* name;
        int32_t blockBytes;  // 0: a fresh allocation
        int failures;
        rlim_t fileSizeLimit;  // 0: none
        bool missingTemp;
    } rows[] = {
        {"a fresh allocation", 0, 1, 0, false},
        {"no temporary file", 64, 2, 0, true},
        {"an incomplete write: beyond the stream's buffer, written at once", 64 * 1024, 2, 1024, false},
        {"a failed read back: in the stream's buffer until the seek", 2000, 2, 1024, false},
        {"no memory for the new block", 64, 3, 0, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        setFolders(logs_.tesPath(), temp_.tesPath(row.missingTemp ? "missing" : ""));
        std::filesystem::remove(logs_.narrowFile("memory.log"));
        uint8_t* block = nullptr;
        if (row.blockBytes > 0) nelMalloc(block, row.blockBytes);
        auto runOut = [&] {
            if (row.fileSizeLimit > 0) {
                std::signal(SIGXFSZ, SIG_IGN);  // writes beyond the limit fail instead
                const struct rlimit limit = {row.fileSizeLimit, row.fileSizeLimit};
                setrlimit(RLIMIT_FSIZE, &limit);
            }
            tesSysFailNextAllocations(row.failures, kBig);
            block != nullptr ? nelRealloc(block, row.blockBytes, kBig) : nelMalloc(block, kBig);
            std::_Exit(0);
        };
        EXPECT_EXIT(runOut(), ::testing::ExitedWithCode(255), kBoxPattern);
        EXPECT_EQ(logs_.read("memory.log"), expectedLog(kBig));
        nelFree(block);
    }
}

}  // namespace
