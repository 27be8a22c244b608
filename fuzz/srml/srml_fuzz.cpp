// libFuzzer target: the SRML reader through the reference host's XML service.
// For every input: reading never crashes; the check of srmltool agrees with
// the reader; and a document that reads is written, read again into a fresh
// document and compared with what writing implies (srmlsnapshot.h).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "refhost.h"
#include "srml.h"
#include "srmlcheck.h"
#include "srmlsnapshot.h"

namespace {

// The host, installed in this process's copy of the library, and a folder for
// the files of one run, removed when the process ends.
class FuzzSetup {
public:
    FuzzSetup() {
        host_.installInLibrary();
        const std::string name = "srml-fuzz-" + std::to_string(std::random_device{}());
        folder_ = std::filesystem::temp_directory_path() / name;
        std::filesystem::create_directories(folder_);
    }
    ~FuzzSetup() {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    std::filesystem::path file(const char* name) const { return folder_ / name; }

private:
    RefHost host_;
    std::filesystem::path folder_;
};

FuzzSetup& setup() {
    static FuzzSetup instance;
    return instance;
}

void require(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "srml_fuzz: %s\n", what);
    std::abort();
}

TesString libraryPath(const std::filesystem::path& path) { return TesString(path.u16string().c_str()); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::filesystem::path input = setup().file("input.srml");
    const std::filesystem::path output = setup().file("output.srml");
    std::ofstream(input, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data),
                                                                    static_cast<std::streamsize>(size));
    IPtr<SRML> first(new SRML);
    const bool good = first->read(libraryPath(input));
    require(srmlCheck(input.string()).good == good, "srmltool's check and the reader disagree");
    if (!good) return 0;

    require(first->write(libraryPath(output)), "a document that read cannot be written");
    IPtr<SRML> second(new SRML);
    require(second->read(libraryPath(output)), "a written document does not read");
    require(srmlSnapshot(*second) == srmlWrittenAndRead(srmlSnapshot(*first)), "the document changed on the way");
    return 0;
}
