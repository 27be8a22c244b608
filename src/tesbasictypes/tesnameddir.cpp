#include "tesnameddir.h"

#include <cstdint>
#include <cstdio>

#include "hostapi/infrastructure.h"
#include "hostapi/settings.h"
#include "iptr.h"
#include "os/nativeprocess.h"
#include "teshostlink.h"
#include "tespath.h"

namespace {

constexpr const char* kDirServiceName = "ITesDirService";
constexpr const char* kDataStoreName = "IDataStore";
constexpr const char* kTempDirectoryKey = "Directories/Temp Directory";
constexpr const char* kTempName = "temp";
constexpr const char* kTempFolderFormat = "\\tes-%08x-%08x-temp";
constexpr int kTempFolderSize = 32;

constinit TesHostService<ITesDirService> dirServiceLink(kDirServiceName);

ITesDirService* dirService() { return dirServiceLink.get(); }

}  // namespace

TesString tesNamedDirectory(const char* name) {
    ITesDirService* service = dirService();
    if (service == nullptr || name == nullptr) return TesString();
    return TesString(service->directory(name));
}

bool tesTempDirectory(TesString& out) {
    const auto counter = static_cast<uint32_t>(tesOsPerformanceCounter());
    const uint32_t processId = tesOsProcessId();
    out = TesString();
    SPtr<IDataStore> store(kDataStoreName);
    if (store) out = store->getString(kTempDirectoryKey, u"");
    if (out.isEmpty()) out = TesPath::withDriveRoot(tesNamedDirectory(kTempName));
    char folder[kTempFolderSize];
    std::snprintf(folder, sizeof(folder), kTempFolderFormat, static_cast<unsigned>(processId),
                  static_cast<unsigned>(counter));
    out += TesString(folder);
    return true;
}
