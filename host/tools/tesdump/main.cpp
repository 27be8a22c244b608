// tesdump: prints the block tree of a data-model file: offset, tag, version,
// size, class identifiers and decoded values, one line per block, with the
// bytes between blocks as opaque runs. Exit code 0 for a sound file, 1 for a
// damaged one (reason and offset on stderr), 2 for a usage error or a file
// that cannot be read.
#include <CLI/CLI.hpp>

#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "binio.h"
#include "blockdump.h"
#include "tesstring.h"

namespace {

constexpr int kExitSound = 0;
constexpr int kExitDamaged = 1;
constexpr int kExitUsage = 2;
// The whole file is held in memory; a data-model file beyond this is no file
// to read on a terminal anyway.
constexpr int64_t kMaxFileBytes = int64_t{1} << 30;

// The whole file in `bytes`, or the reason it cannot be read.
std::string readFile(const std::string& path, std::vector<uint8_t>& bytes) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return "not a regular file";
    BinInputFile in(TesString::fromUtf8(path).c_str());
    if (!in.ok()) return "cannot open it";
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
    CLI::App app{"Prints the block tree of a data-model file. Exit code 0: sound, 1: damaged, 2: usage error."};
    std::string path;
    app.add_option("FILE", path, "the data-model file")->required();
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return app.exit(error) == 0 ? kExitSound : kExitUsage;
    }

    std::vector<uint8_t> bytes;
    const std::string unreadable = readFile(path, bytes);
    if (!unreadable.empty()) {
        std::cerr << "tesdump: " << path << ": " << unreadable << '\n';
        return kExitUsage;
    }
    BlockDump dump(bytes, std::cout);
    if (dump.run()) return kExitSound;
    std::cout.flush();
    char offset[24];
    std::snprintf(offset, sizeof(offset), "0x%08llx", static_cast<unsigned long long>(dump.damageOffset()));
    std::cerr << "tesdump: " << path << ": damaged at offset " << offset << ": " << dump.damage() << '\n';
    return kExitDamaged;
}
