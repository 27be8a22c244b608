#include "memoryexhaustion.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>

#include "hostapi/gfx.h"
#include "hostapi/settings.h"
#include "iptr.h"
#include "memorymanager.h"
#include "nelrealloc.h"
#include "os/nativeprocess.h"
#include "tesfile.h"
#include "teshostlink.h"
#include "tesnameddir.h"

namespace {

constexpr int kExitCodeExhausted = -1;
constexpr const char* kDataStoreName = "IDataStore";
constexpr const char* kErrorServiceName = "ITesErrorService";
constexpr const char* kRendererName = "IGfxRenderer";
constexpr const char* kLogsDirectoryKey = "Directories/Logs Directory";
constexpr const char* kLogsName = "logs";
constexpr const char16_t kLogFileName[] = u"memory.log";
constexpr const char* kUseErrorServiceKey = "Memory/UseErrorService";
constexpr const char* kMessageTitle = "Out of Memory";
constexpr const char* kMessage =
    "While running this function, you have run out of memory.\n"
    "The application will close. After restarting, please read\n"
    "the online help about \"Memory Optimization\".";
constexpr const char* kMessageSource = "realloc";
constexpr int32_t kMessageFlags = 1;
constexpr int32_t kFirstCodeWithMessage = -5;
constexpr int32_t kLastCodeWithMessage = -1;
constexpr const char* kLogMode = "w";
constexpr const char* kAttemptedLabel = "attempted:";
constexpr const char* kSystemFreeLabel = "system free:";
constexpr const char* kSystemTotalLabel = "system total:";
constexpr const char* kSwapFreeLabel = "swap free:";
constexpr const char* kSwapTotalLabel = "swap total:";
constexpr const char* kNoManagerLine = "tesmm not available\n";
constexpr const char* kCoreNowLabel = "tesmm core now:";
constexpr const char* kCoreLimitLabel = "tesmm core limit:";
constexpr const char* kSwapNowLabel = "tesmm swap now:";
constexpr const char* kSwapLimitLabel = "tesmm swap limit:";
constexpr char kBytesUnit = 'b';
constexpr char kKilobytesUnit = 'k';
constexpr int64_t kKilobyte = 1024;
constexpr int64_t kManagerFigureScale = 24;
constexpr int kLineSize = 64;

// "label" (18 wide) + value right-aligned in 7 + unit + "\n".
void appendLine(std::string& text, const char* label, int64_t value, char unit) {
    char line[kLineSize];
    std::snprintf(line, sizeof(line), "%-18s%7" PRId64 "%c\n", label, value, unit);
    text += line;
}

TesString logsDirectory() {
    TesString directory;
    SPtr<IDataStore> store(kDataStoreName);
    if (store) directory = store->getString(kLogsDirectoryKey, u"");
    if (directory.isEmpty()) directory = tesNamedDirectory(kLogsName);
    return directory;
}

constinit TesHostService<IGfxRenderer> rendererService(kRendererName);

IGfxRenderer* renderer() { return rendererService.get(); }

[[noreturn]] void giveUp(int64_t attemptedBytes, int32_t code) {
    tesWriteMemoryLog(attemptedBytes);
    tesReportOutOfMemory(code);
    tesEndForExhaustedMemory();
}

// Reads `bytes` from the start of `file` into `block`.
bool readBack(std::FILE* file, void* block, int64_t bytes) {
    if (std::fseek(file, 0, SEEK_SET) != 0) return false;
    return std::fread(block, 1, static_cast<size_t>(bytes), file) == static_cast<size_t>(bytes);
}

// The old block goes out to a temporary file and comes back in a new block of
// attemptedBytes; on failure *code says why and the result is null.
void* moveThroughFile(void* oldBlock, int64_t oldBytes, int64_t attemptedBytes, int32_t* code) {
    TesString path;
    if (!tesTempDirectory(path) || path.isEmpty()) {
        *code = kTesNoMemory;
        return nullptr;
    }
    std::FILE* file = TesFile::createTemporaryFile(path);
    if (file == nullptr) {
        *code = kTesNoTemporaryFile;
        return nullptr;
    }
    void* block = nullptr;
    if (!TesFile::writeAll(oldBlock, file, oldBytes, oldBytes)) {
        *code = kTesTemporaryWrite;
    } else {
        nelFree(oldBlock);
        block = tesAllocateWithRelease(attemptedBytes);
        if (block == nullptr) {
            *code = kTesNoMemory;
        } else if (!readBack(file, block, oldBytes)) {
            *code = kTesTemporaryReadBack;
            nelFree(block);
            block = nullptr;
        }
    }
    std::fclose(file);
    return block;
}

// Set while this thread runs the handler.
thread_local bool handling = false;

// The handler is in place from start-up. The allocators end the process
// through tesEndForExhaustedMemory, which links this unit into every program
// that allocates.
[[maybe_unused]] const bool kHandlerInstalled = (tesSetExhaustionHandler(tesMemoryExhausted), true);

}  // namespace

void* tesMemoryExhausted(void* oldBlock, int64_t oldBytes, int64_t attemptedBytes) {
    // Memory that runs out again inside the handler ends the process at once.
    if (handling) tesEndForExhaustedMemory();
    handling = true;
    if (oldBlock == nullptr) giveUp(attemptedBytes, kTesNoMemory);
    int32_t code = kTesNoMemory;
    void* block = moveThroughFile(oldBlock, oldBytes, attemptedBytes, &code);
    if (block == nullptr) giveUp(attemptedBytes, code);
    handling = false;
    return block;
}

void tesEndForExhaustedMemory() { std::exit(kExitCodeExhausted); }

std::string tesMemoryLogText(int64_t attemptedBytes, const TesMemoryFigures& figures, TesMM::ITesMManager* manager) {
    std::string text;
    if (attemptedBytes != 0) {
        appendLine(text, kAttemptedLabel, attemptedBytes, kBytesUnit);
        text += '\n';
    }
    appendLine(text, kSystemFreeLabel, figures.systemFree, kKilobytesUnit);
    appendLine(text, kSystemTotalLabel, figures.systemTotal, kKilobytesUnit);
    appendLine(text, kSwapFreeLabel, figures.swapFree, kKilobytesUnit);
    appendLine(text, kSwapTotalLabel, figures.swapTotal, kKilobytesUnit);
    text += '\n';
    if (manager == nullptr) {
        text += kNoManagerLine;
        text += '\n';
        return text;
    }
    appendLine(text, kCoreNowLabel, manager->coreNow() * kManagerFigureScale, kKilobytesUnit);
    appendLine(text, kCoreLimitLabel, manager->coreLimit() * kManagerFigureScale, kKilobytesUnit);
    appendLine(text, kSwapNowLabel, manager->swapNow() * kManagerFigureScale, kKilobytesUnit);
    appendLine(text, kSwapLimitLabel, manager->swapLimit() * kManagerFigureScale, kKilobytesUnit);
    text += '\n';
    return text;
}

bool tesWriteMemoryLog(int64_t attemptedBytes) {
    TesString path = logsDirectory();
    if (path.isEmpty()) return false;
    const char16_t last = path.at(path.length() - 1);
    if (last != u'\\' && last != u'/') path += u'\\';
    path += kLogFileName;
    TesMemoryFigures figures;
    tesMemoryFigures(&figures, kKilobyte);
    const std::string text = tesMemoryLogText(attemptedBytes, figures, tesMemoryManager());
    std::FILE* file = TesFile::openFile(path, kLogMode);
    if (file == nullptr) return false;
    const bool written = TesFile::writeAll(text.data(), file, static_cast<int64_t>(text.size()), 0);
    return std::fclose(file) == 0 && written;
}

bool tesReportOutOfMemory(int32_t code) {
    SPtr<IDataStore> store(kDataStoreName);
    const bool useErrorService = store && store->getInt(kUseErrorServiceKey, 0) != 0;
    IPtr<ITesErrorService> errors;
    if (useErrorService) {
        errors = SPtr<ITesErrorService>(kErrorServiceName);
        if (!errors) return false;
    }
    if (code < kFirstCodeWithMessage || code > kLastCodeWithMessage) return false;
    IGfxRenderer* view = renderer();
    if (view != nullptr) view->beginUpdate();
    if (errors) {
        errors->report(kMessage, kMessageFlags, kMessageSource);
    } else {
        tesOsMessageBox(kMessageTitle, kMessage);
    }
    if (view != nullptr) view->endUpdate();
    return false;
}
