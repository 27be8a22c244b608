// tesdump: prints the block tree of a data-model file: offset, tag, version,
// size, class identifiers and decoded values, one line per block, with the
// bytes between blocks as opaque runs. Exit code 0 for a sound file, 1 for a
// damaged one (reason and offset on stderr) or one that cannot be read, 2 for
// a usage error.
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "binio.h"
#include "blockdump.h"
#include "os/fileio.h"
#include "toolcli.h"

namespace {

constexpr const char* kProgram = "tesdump";
// The whole file is held in memory; a data-model file beyond this is no file
// to read on a terminal anyway.
constexpr int64_t kMaxFileBytes = int64_t{1} << 30;

// The whole file in `bytes`, or the reason it cannot be read.
std::string readFile(const std::string& path, std::vector<uint8_t>& bytes) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (error) return error.message();
    if (std::filesystem::is_directory(status)) return std::strerror(EISDIR);
    if (!std::filesystem::is_regular_file(status)) return "not a regular file";
    std::FILE* file = tesFileOpen(path.c_str(), "rb");
    if (file == nullptr) return std::strerror(errno);
    BinInputFile in(file);
    if (in.length() > kMaxFileBytes) return "larger than 1 GiB";
    bytes.resize(static_cast<size_t>(in.length()));
    size_t got = 0;
    while (got < bytes.size()) {
        const size_t piece = in.readRaw(bytes.data() + got, bytes.size() - got);
        if (piece == 0) break;
        got += piece;
    }
    if (got < bytes.size() || !in.ok()) return "cannot read it";
    return {};
}

}  // namespace

int main(int argc, char** argv) {
    ToolCli cli(kProgram, "Prints the block tree of a data-model file.", "a damaged file or one that cannot be read");
    std::string path;
    cli.app().add_option("FILE", path, "the data-model file")->required();
    cli.addVersion([] { return std::string(kProgram) + " " + toolProjectVersion(); });
    if (const std::optional<int> done = cli.parse(argc, argv)) return *done;

    std::vector<uint8_t> bytes;
    const std::string unreadable = readFile(path, bytes);
    if (!unreadable.empty()) return cli.fail(path + ": " + unreadable);
    BlockDump dump(bytes, std::cout);
    if (dump.run()) return kToolExitSuccess;
    std::cout.flush();
    char offset[24];
    std::snprintf(offset, sizeof(offset), "0x%08llx", static_cast<unsigned long long>(dump.damageOffset()));
    return cli.fail(path + ": damaged at offset " + offset + ": " + dump.damage());
}
