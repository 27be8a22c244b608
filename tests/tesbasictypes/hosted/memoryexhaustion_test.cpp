// The memory log, the out-of-memory report and the exhaustion handler. The
// system allocator is made to fail through tesSysFailNextAllocations, only for
// the large request under test, so the strings and files of the handler itself
// are served. Paths that end the process run as death tests (exit code -1 is
// seen as 255); they end through the handler's exit, which unwinds nothing, so
// a child never removes the scratch folder its parent reads afterwards.
#include "memoryexhaustion.h"

#include <gtest/gtest.h>

// The file-size limit that makes writes to the temporary file fail.
#include <sys/resource.h>

#include <csignal>
#include <cstring>
#include <string>

#include "hostedhost.h"
#include "nelrealloc.h"
#include "os/sysalloc.h"
#include "scratchfolder.h"
#include "tesdir.h"
#include "tesnameddir.h"

namespace {

constexpr const char* kLogsKey = "Directories/Logs Directory";
constexpr const char* kTempKey = "Directories/Temp Directory";
constexpr const char* kUseErrorServiceKey = "Memory/UseErrorService";
constexpr int32_t kBig = 1 << 20;  // only requests this large fail
constexpr int64_t kKiB = 1024;
constexpr const char* kBoxPattern =
    "Out of Memory\n"
    "While running this function, you have run out of memory\\.\n"
    "The application will close\\. After restarting, please read\n"
    "the online help about \"Memory Optimization\"\\.\n";

const TesMemoryFigures kFiguresBytes = {3 * kKiB * kKiB, 16 * kKiB * kKiB, 5 * kKiB, 7 * kKiB * kKiB};

TesMemoryFigures inKilobytes(const TesMemoryFigures& bytes) {
    return {bytes.systemFree / kKiB, bytes.systemTotal / kKiB, bytes.swapFree / kKiB, bytes.swapTotal / kKiB};
}

RefHost& host() { return hostedTestHost(); }

TEST(MemoryLog, LayoutIsByteExact) {
    const TesMemoryFigures figures = {1234567, 16000000, 0, 2048};
    const std::string figureLines =
        "system free:      1234567k\n"
        "system total:     16000000k\n"
        "swap free:              0k\n"
        "swap total:          2048k\n"
        "\n";
    EXPECT_EQ(tesMemoryLogText(0, figures, nullptr), figureLines + "tesmm not available\n\n");
    EXPECT_EQ(tesMemoryLogText(4096, figures, nullptr),
              "attempted:           4096b\n\n" + figureLines + "tesmm not available\n\n");

    IPtr<RefMemoryManager> manager(new RefMemoryManager(10 * RefMemoryManager::kFigureUnit));
    void* page = manager->allocPage(3 * RefMemoryManager::kFigureUnit, 0);
    EXPECT_EQ(tesMemoryLogText(123456789, figures, manager.get()),
              "attempted:        123456789b\n\n" + figureLines +
                  "tesmm core now:        72k\n"
                  "tesmm core limit:     240k\n"
                  "tesmm swap now:         0k\n"
                  "tesmm swap limit:       0k\n"
                  "\n");
    manager->freePage(page);
}

class MemoryLogFile : public ::testing::Test {
protected:
    void SetUp() override { host().memChecker().script(kFiguresBytes, 0); }
    void TearDown() override {
        host().memChecker().clear();
        host().settings().setString(nullptr, kLogsKey, u"");
        host().directories().set("logs", logsFolder_.toUtf8());
    }
    TesString logsFolder_ = tesNamedDirectory("logs");
};

TEST_F(MemoryLogFile, WrittenIntoTheLogsDirectory) {
    ScratchFolder scratch;
    host().settings().setString(nullptr, kLogsKey, scratch.path().c_str());
    ASSERT_TRUE(tesWriteMemoryLog(777));
    EXPECT_EQ(scratch.read("memory.log"), tesMemoryLogText(777, inKilobytes(kFiguresBytes), &host().memoryManager()));
    ASSERT_TRUE(tesWriteMemoryLog(0));  // truncated, not appended
    EXPECT_EQ(scratch.read("memory.log"), tesMemoryLogText(0, inKilobytes(kFiguresBytes), &host().memoryManager()));
    host().settings().setString(nullptr, kLogsKey, (scratch.path() + TesString(u"\\")).c_str());
    EXPECT_TRUE(tesWriteMemoryLog(1));
    host().settings().setString(nullptr, kLogsKey, scratch.path("missing").c_str());
    EXPECT_FALSE(tesWriteMemoryLog(1));
}

TEST_F(MemoryLogFile, WithoutTheSettingTheHostsLogsFolderIsUsed) {
    ScratchFolder scratch;
    host().directories().set("logs", scratch.native());
    ASSERT_TRUE(tesWriteMemoryLog(5));
    EXPECT_EQ(scratch.read("memory.log"), tesMemoryLogText(5, inKilobytes(kFiguresBytes), &host().memoryManager()));
}

// Reports end in _Exit so the child's stderr holds exactly what the report
// wrote.
class OutOfMemoryReportDeathTest : public ::testing::Test {
protected:
    void TearDown() override { host().settings().setInt(nullptr, kUseErrorServiceKey, 0); }
};

TEST_F(OutOfMemoryReportDeathTest, GoesToTheMessageBoxByDefault) {
    EXPECT_EXIT(std::_Exit(tesReportOutOfMemory(-1) ? 1 : 0), ::testing::ExitedWithCode(0),
                std::string("^") + kBoxPattern + "$");
    EXPECT_EXIT(std::_Exit(tesReportOutOfMemory(-5) ? 1 : 0), ::testing::ExitedWithCode(0), kBoxPattern);
}

TEST_F(OutOfMemoryReportDeathTest, OtherCodesShowNothing) {
    for (int32_t code : {0, 1, -6, -100}) {
        EXPECT_EXIT(std::_Exit(tesReportOutOfMemory(code) ? 1 : 0), ::testing::ExitedWithCode(0), "^$") << code;
    }
}

TEST_F(OutOfMemoryReportDeathTest, UsesTheErrorServiceWhenAsked) {
    host().settings().setInt(nullptr, kUseErrorServiceKey, 1);
    EXPECT_EXIT(std::_Exit(tesReportOutOfMemory(-2) ? 1 : 0), ::testing::ExitedWithCode(0),
                "^error \\(level 1, realloc\\): While running this function, you have run out of memory\\.\n"
                "The application will close\\.(.|\n)*Optimization\"\\.\n$");
}

TEST_F(OutOfMemoryReportDeathTest, ShowsNothingWhenTheErrorServiceIsMissing) {
    host().settings().setInt(nullptr, kUseErrorServiceKey, 1);
    EXPECT_EXIT(
        {
            host().manager().removeService("ITesErrorService");
            std::_Exit(tesReportOutOfMemory(-1) ? 1 : 0);
        },
        ::testing::ExitedWithCode(0), "^$");
}

// Shows where the renderer's update bracket falls.
class EchoRenderer : public RefRenderer {
public:
    void beginUpdate() override {
        std::fputs("begin update\n", stderr);
        RefRenderer::beginUpdate();
    }
    void endUpdate() override {
        std::fputs("end update\n", stderr);
        RefRenderer::endUpdate();
    }
};

TEST_F(OutOfMemoryReportDeathTest, TheRendererBracketsTheMessage) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");  // the renderer lookup starts afresh
    EXPECT_EXIT(
        {
            host().manager().addService(new EchoRenderer, {"IGfxRenderer"});
            std::_Exit(tesReportOutOfMemory(-3) ? 1 : 0);
        },
        ::testing::ExitedWithCode(0), std::string("^begin update\n") + kBoxPattern + "end update\n$");
}

// Every exhaustion test: the log and the temporary file go to scratch folders,
// the checker gives fixed figures and the manager never helps.
class Exhaustion : public ::testing::Test {
protected:
    void SetUp() override {
        host().settings().setString(nullptr, kLogsKey, logs_.path().c_str());
        host().settings().setString(nullptr, kTempKey, temp_.path().c_str());
        host().memChecker().script(kFiguresBytes, 0);
        host().memoryManager().scriptReleases(std::vector<bool>(16, false));
    }
    void TearDown() override {
        tesSysFailNextAllocations(0);
        host().memoryManager().scriptReleases({});
        host().memChecker().clear();
        host().settings().setString(nullptr, kLogsKey, u"");
        host().settings().setString(nullptr, kTempKey, u"");
    }

    std::string expectedLog(int64_t attempted) {
        return tesMemoryLogText(attempted, inKilobytes(kFiguresBytes), &host().memoryManager());
    }
    // A block of `bytes` bytes 0, 1, 2, ...
    static uint8_t* filledBlock(int32_t bytes) {
        uint8_t* block = nullptr;
        nelMalloc(block, bytes);
        for (int32_t i = 0; i < bytes; ++i) block[i] = static_cast<uint8_t>(i * 13 + 1);
        return block;
    }
    // Writes to files beyond `bytes` fail (EFBIG) instead of raising SIGXFSZ.
    static void limitFileSize(rlim_t bytes) {
        std::signal(SIGXFSZ, SIG_IGN);
        const struct rlimit limit = {bytes, bytes};
        setrlimit(RLIMIT_FSIZE, &limit);
    }

    ScratchFolder logs_;
    ScratchFolder temp_;
};

TEST_F(Exhaustion, TheLastAttemptThroughAFileKeepsTheContents) {
    uint8_t* block = filledBlock(5000);
    tesSysFailNextAllocations(2, kBig);  // the growth and its one shrinking attempt
    EXPECT_EQ(nelRealloc(block, 5000, kBig), kBig);
    for (int32_t i = 0; i < 5000; ++i) ASSERT_EQ(block[i], static_cast<uint8_t>(i * 13 + 1)) << i;
    for (int32_t i = 5000; i < kBig; ++i) ASSERT_EQ(block[i], 0) << i;
    nelFree(block);
    EXPECT_EQ(tesCountEntries(temp_.path()), 0);  // the temporary file is gone
    EXPECT_FALSE(logs_.exists("memory.log"));
}

TEST_F(Exhaustion, AFreshAllocationEndsTheProcess) {
    EXPECT_EXIT(
        {
            tesSysFailNextAllocations(1, kBig);
            void* block = nullptr;
            nelMalloc(&block, 1, kBig);
            std::_Exit(0);
        },
        ::testing::ExitedWithCode(255), kBoxPattern);
    EXPECT_EQ(logs_.read("memory.log"), expectedLog(kBig));
}

TEST_F(Exhaustion, NoTemporaryFileEndsTheProcess) {
    host().settings().setString(nullptr, kTempKey, temp_.path("missing").c_str());
    uint8_t* block = filledBlock(64);
    EXPECT_EXIT(
        {
            tesSysFailNextAllocations(2, kBig);
            nelRealloc(block, 64, kBig);
            std::_Exit(0);
        },
        ::testing::ExitedWithCode(255), kBoxPattern);
    EXPECT_EQ(logs_.read("memory.log"), expectedLog(kBig));
    nelFree(block);
}

TEST_F(Exhaustion, AnIncompleteWriteEndsTheProcess) {
    uint8_t* block = filledBlock(64 * 1024);  // beyond the stream's buffer: written at once
    EXPECT_EXIT(
        {
            limitFileSize(1024);
            tesSysFailNextAllocations(2, kBig);
            nelRealloc(block, 64 * 1024, kBig);
            std::_Exit(0);
        },
        ::testing::ExitedWithCode(255), kBoxPattern);
    EXPECT_EQ(logs_.read("memory.log"), expectedLog(kBig));
    nelFree(block);
}

TEST_F(Exhaustion, AFailedReadBackEndsTheProcess) {
    uint8_t* block = filledBlock(2000);  // stays in the stream's buffer until the seek
    EXPECT_EXIT(
        {
            limitFileSize(1024);
            tesSysFailNextAllocations(2, kBig);
            nelRealloc(block, 2000, kBig);
            std::_Exit(0);
        },
        ::testing::ExitedWithCode(255), kBoxPattern);
    EXPECT_EQ(logs_.read("memory.log"), expectedLog(kBig));
    nelFree(block);
}

TEST_F(Exhaustion, NoMemoryForTheNewBlockEndsTheProcess) {
    uint8_t* block = filledBlock(64);
    EXPECT_EXIT(
        {
            tesSysFailNextAllocations(3, kBig);  // the handler's allocation fails too
            nelRealloc(block, 64, kBig);
            std::_Exit(0);
        },
        ::testing::ExitedWithCode(255), kBoxPattern);
    EXPECT_EQ(logs_.read("memory.log"), expectedLog(kBig));
    nelFree(block);
}

TEST_F(Exhaustion, WithTheErrorServiceMissingTheProcessEndsSilently) {
    host().settings().setInt(nullptr, kUseErrorServiceKey, 1);
    EXPECT_EXIT(
        {
            host().manager().removeService("ITesErrorService");
            tesSysFailNextAllocations(1, kBig);
            void* block = nullptr;
            nelMalloc(&block, 1, kBig);
            std::_Exit(0);
        },
        ::testing::ExitedWithCode(255), "^$");
    host().settings().setInt(nullptr, kUseErrorServiceKey, 0);
    EXPECT_EQ(logs_.read("memory.log"), expectedLog(kBig));
}

}  // namespace
