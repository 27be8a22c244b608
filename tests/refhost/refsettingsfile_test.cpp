// The settings file is never lost or damaged: not by a file that cannot be
// read, a statement that fails, a save that fails, a link or a mode.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "refhost.h"
#include "refsession.h"
#include "refsettingsfile.h"
#include "tempfolder.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kOld = "setting int Keep 7\n";

std::string readText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

struct Outcome {
    bool opened = false;
    bool sessionGood = false;
    std::string error;
};

// Opens `file` as the settings file of a fresh host and runs `script` against it.
Outcome runWith(const fs::path& file, const std::string& script) {
    RefHost host;
    Outcome run;
    run.opened = refUseSettingsFile(host, file.string(), run.error);
    if (!run.opened) return run;
    std::FILE* out = std::tmpfile();
    const RefSessionResult result = RefSession(host, out).runLines(refSplitLines(script, "s"), "s", "");
    std::fclose(out);
    run.sessionGood = result.good;
    run.error = result.error;
    return run;
}

TEST(RefSettingsFile, AFileThatCannotBeUsedIsLeftAsItWas) {
    const struct {
        const char* name;
        std::function<fs::path(const TempFolder&)> prepare;
        std::string error;
    } rows[] = {
        {"directory", [](const TempFolder& f) { return f.path(); }, "Is a directory"},
        {"link loop",
         [](const TempFolder& f) {
             fs::create_symlink("loop", f.file("loop"));
             return f.file("loop");
         },
         "Too many levels of symbolic links"},
        {"unreadable",
         [](const TempFolder& f) {
             std::ofstream(f.file("s")) << kOld;
             fs::permissions(f.file("s"), fs::perms::none);
             return f.file("s");
         },
         geteuid() == 0 ? "" : "Permission denied"},
        {"bad value", [](const TempFolder& f) { return (std::ofstream(f.file("s")) << "setting int A x\n", f.file("s")); },
         "s:1: value must be an integer, not x"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.error.empty()) continue;  // root reads any file
        TempFolder folder;
        const fs::path file = row.prepare(folder);
        std::error_code code;
        const bool isFile = fs::is_regular_file(file, code);
        const std::string before = readText(file);
        const Outcome run = runWith(file, "setting int A 1\n");
        EXPECT_FALSE(run.opened);
        EXPECT_NE(run.error.find(row.error), std::string::npos) << run.error;
        if (isFile) {
            EXPECT_EQ(readText(file), before);
        }
    }
}

TEST(RefSettingsFile, SavesKeepModeLinksAndNeighboursAndStopAtTheFirstFailure) {
    TempFolder folder;
    const fs::path target = folder.file("real"), link = folder.file("link"), stale = folder.file("link.tmp");
    std::ofstream(target) << kOld;
    std::ofstream(stale) << "someone else's";
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink("real", link);
    const Outcome failing = runWith(link, "setting int A 1\nsetting int Keep abc\n");
    EXPECT_EQ(failing.error, "s:2: value must be an integer, not abc");
    EXPECT_NE(readText(target).find("setting int \"A\" 1\nsetting int \"Keep\" 7\n"), std::string::npos);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(readText(stale), "someone else's");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 3);

    const fs::path longName = folder.file(std::string(250, 'n'));
    EXPECT_TRUE(runWith(longName, "setting int A 1\n").sessionGood);
    EXPECT_NE(readText(longName).find("setting int \"A\" 1"), std::string::npos);

    const Outcome gone = runWith(folder.file("gone/s"), "setting int A 1\nsetting int B 2\n");
    EXPECT_TRUE(gone.opened);
    EXPECT_EQ(gone.error.rfind("s:1: cannot save settings: cannot create a temporary file beside ", 0), 0u) << gone.error;
    EXPECT_NE(gone.error.find("No such file or directory"), std::string::npos);
}

}  // namespace
