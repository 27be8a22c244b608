// The settings file is never lost or damaged: not by a file that cannot be
// read, a statement that fails, a save that fails, a link or a mode.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "refhost.h"
#include "infrastructure/refsettingsfile.h"
#include "sessionrun.h"
#include "tempfolder.h"

namespace {

namespace fs = std::filesystem;

// Opens `file` as the settings file of a fresh host and runs `script`; the
// error of either, empty when both went well.
std::string runWith(const fs::path& file, const std::string& script) {
    RefHost host;
    std::string error;
    if (!refUseSettingsFile(host, file.string(), error)) return "open: " + error;
    return runSessionText(host, script, "s").error;
}

TEST(RefSettingsFile, AFileThatCannotBeUsedIsLeftAsItWas) {
    TempFolder folder;
    std::ofstream(folder.file("locked")) << "setting int Keep 7\n";
    fs::permissions(folder.file("locked"), fs::perms::none);
    std::ofstream(folder.file("bad")) << "setting int A x\n";
    fs::create_symlink("loop", folder.file("loop"));
    const struct {
        const char* name;
        std::string error;
    } rows[] = {
        {"", "Is a directory"},
        {"loop", "Too many levels of symbolic links"},
        {"locked", geteuid() == 0 ? "" : "Permission denied"},  // root reads any file
        {"bad", "bad:1: value must be an integer, not x"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.error.empty()) continue;
        const std::string before = TempFolder::readText(folder.file(row.name));
        const std::string error = runWith(folder.file(row.name), "setting int A 1\n");
        EXPECT_EQ(error.rfind("open: ", 0), 0u) << error;
        EXPECT_NE(error.find(row.error), std::string::npos) << error;
        EXPECT_EQ(TempFolder::readText(folder.file(row.name)), before);
    }
}

TEST(RefSettingsFile, SavesKeepModeLinksAndNeighboursAndStopAtTheFirstFailure) {
    TempFolder folder;
    const fs::path target = folder.file("real"), link = folder.file("link"), stale = folder.file("link.tmp");
    std::ofstream(target) << "setting int Keep 7\n";
    std::ofstream(stale) << "someone else's";
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink("real", link);
    EXPECT_EQ(runWith(link, "setting int A 1\nsetting int Keep abc\n"), "s:2: value must be an integer, not abc");
    EXPECT_NE(TempFolder::readText(target).find("setting int \"A\" 1\nsetting int \"Keep\" 7\n"), std::string::npos);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(TempFolder::readText(stale), "someone else's");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 3);

    EXPECT_EQ(runWith(folder.file(std::string(250, 'n')), "setting int A 1\n"), "");
    const std::string gone = runWith(folder.file("gone/s"), "setting int A 1\nsetting int B 2\n");
    EXPECT_EQ(gone.rfind("s:1: cannot save settings: cannot create a temporary file beside ", 0), 0u) << gone;
    EXPECT_NE(gone.find("No such file or directory"), std::string::npos);
}

}  // namespace
