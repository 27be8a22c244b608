// The reference host's named folders: "temp" is the system's temporary folder
// and "logs" a folder inside it, created when first asked for. Paths are
// handed out in the library's form ("\" separators).
#pragma once

#include <map>
#include <string>

#include "hostapi/infrastructure.h"

class RefDirService : public ITesDirService {
public:
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;
    // Null for a name the host does not know, or a folder it cannot make.
    const char16_t* directory(const char* name) override;

    // Names `name` as `path` (native or library form), replacing any earlier
    // answer; the folder is not created.
    void set(const std::string& name, const std::string& path);

private:
    std::map<std::string, std::u16string> folders_;
};
