// The texture check on folders on disk: every rule found once in a mod with
// one fault per rule and nothing in its clean twin, a check that writes
// nothing, hostile folders, the fix with its backups and its failures, and
// the loose files that hide archived ones.
#include "export/game_archives.h"
#include "export/texture_fix.h"
#include "export/texture_scan.h"
#include "tests/support/scratch.h"
#include "tools/faultmod.h"
#include "tools/pakwriter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <map>
#include <string>
#include <vector>

#ifndef _WIN32
#include <unistd.h>
#endif

using namespace k4export;

namespace {

// Bytes as a short text that tells them apart.
std::string digest(const std::string& bytes) {
    return std::to_string(bytes.size()) + " bytes, hash " +
           std::to_string(std::hash<std::string>()(bytes));
}

// Every file below `folder` with the digest of its bytes.
std::map<std::string, std::string> snapshot(const std::string& folder) {
    std::map<std::string, std::string> files;
    k4test::walkTree(folder, [&](const std::string& path, bool directory) {
        files[path] = directory ? "<folder>" : digest(k4test::readFile(folder + "\\" + path));
    });
    return files;
}

CheckReport checkFolder(const std::string& folder, const GameNames* game = nullptr) {
    std::vector<CheckedFile> files;
    EXPECT_EQ(scanTextures(folder, ScanControl(), &files), ScanResult::Done);
    CheckReport report;
    checkTextures(files, game, &report);
    return report;
}

std::map<std::string, int> ruleCounts(const CheckReport& report) {
    std::map<std::string, int> counts;
    for (const Finding& finding : report.findings) {
        EXPECT_EQ(finding.severity, ruleSeverity(finding.rule)) << finding.path;
        ++counts[ruleName(finding.rule)];
    }
    return counts;
}

void fixAll(const std::string& folder, const CheckReport& report) {
    for (const FixAction& action : report.fixes) {
        const FixOutcome outcome = runFix(folder, action);
        EXPECT_TRUE(outcome.done) << outcome.problem;
    }
}

// A path for the system's own calls.
std::string native(std::string path) {
#ifndef _WIN32
    for (char& c : path) {
        c = c == '\\' ? '/' : c;
    }
#endif
    return path;
}

#ifndef _WIN32
// A link at `link` to the folder `target`, by its absolute path.
void makeLink(const std::string& target, const std::string& link) {
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    const std::string path = native(target);
    const std::string absolute = path[0] == '/' ? path : std::string(cwd) + "/" + path;
    ASSERT_EQ(symlink(absolute.c_str(), native(link).c_str()), 0) << link;
}
#endif

} // namespace

TEST(TextureScan, EveryRuleOnceInTheFaultyModNoneInItsTwinAndNothingWritten) {
    const std::string folder = k4test::testFolder("export");
    const std::string faulty = folder + "\\faulty", clean = folder + "\\clean";
    ASSERT_TRUE(faultmod::writeMod(faulty, faultmod::Variant::EveryRule));
    ASSERT_TRUE(faultmod::writeMod(clean, faultmod::Variant::Clean));
    std::map<std::string, int> expected = {
        {"unreadable", 1}, {"format", 1}, {"size", 1},      {"levels", 1},          {"series", 1},
        {"series-gap", 1}, {"name", 1},   {"thumbnail", 1}, {"orphan-thumbnail", 1}};
#ifndef _WIN32
    // What only a POSIX file system makes: a name Windows refuses, and a
    // link to a folder outside the mod whose file must not be read.
    k4test::writeFile(faulty + "\\data\\textures\\aux.dds", "");
    k4p::createFolder((folder + "\\outside").c_str());
    k4test::writeFile(folder + "\\outside\\Bad Name.png", "not read");
    makeLink(folder + "\\outside", faulty + "\\data\\textures\\elsewhere");
    expected["invalid-name"] = 1;
    expected["link"] = 1;
#endif
    const auto before = snapshot(faulty);
    const CheckReport report = checkFolder(faulty);
    EXPECT_EQ(ruleCounts(report), expected);
    EXPECT_EQ(snapshot(faulty), before) << "a check writes nothing";
    EXPECT_EQ(countFindings(report).fixable, 6);
    EXPECT_TRUE(checkFolder(clean).findings.empty());
#ifndef _WIN32
    unlink(native(faulty + "\\data\\textures\\elsewhere").c_str());
#endif
}

TEST(TextureFix, TheFixedModChecksCleanWithEveryOriginalInTheBackup) {
    const std::string mod = k4test::testFolder("export") + "\\mod";
    ASSERT_TRUE(faultmod::writeMod(mod, faultmod::Variant::Fixable));
    const auto originals = snapshot(mod);
    const CheckReport report = checkFolder(mod);
    ASSERT_EQ(report.fixes.size(), 6u);
    fixAll(mod, report);
    EXPECT_TRUE(checkFolder(mod).findings.empty());
    for (const FixAction& action : report.fixes) {
        for (const std::string& original : action.originals) {
            EXPECT_EQ(digest(k4test::readFile(mod + "\\texture-check-backup\\" + original)),
                      originals.at(original));
        }
    }
    // Renamed files left their old place: Brick.dds, wall.png.
    const auto after = snapshot(mod);
    EXPECT_EQ(after.count("data\\textures\\Brick.dds"), 0u);
    EXPECT_EQ(after.count("data\\textures\\brick.dds"), 1u);
    EXPECT_EQ(after.count("data\\textures\\wall.png"), 0u);

    // A second fault of the same file keeps the first backup as it was.
    const std::string stone = "data\\textures\\stone.dds";
    const std::string backup = mod + "\\texture-check-backup\\" + stone;
    k4test::writeFile(mod + "\\" + stone, k4test::readFile(backup));
    fixAll(mod, checkFolder(mod));
    EXPECT_EQ(digest(k4test::readFile(backup)), originals.at(stone));
    EXPECT_EQ(
        digest(k4test::readFile(mod + "\\texture-check-backup\\data\\textures\\stone (2).dds")),
        originals.at(stone));
    EXPECT_EQ(freeBackupPath(mod, stone), "texture-check-backup\\data\\textures\\stone (3).dds");
}

TEST(TextureFix, AFailedFixLeavesTheOriginalWhereItWas) {
    const std::string folder = k4test::testFolder("export");
    const std::string glow = "data\\textures\\overlays\\Overlay_Glow_v00.dds";
    ASSERT_TRUE(faultmod::writeMod(folder, faultmod::Variant::Clean));
    // Renamed (case only) with a new thumbnail, whose folder is a file: the
    // texture is written, the thumbnail is not.
    const std::string thumbs = folder + "\\data\\textures\\overlays\\overlay_thumbnails";
    k4test::removeTree(thumbs);
    k4test::writeFile(thumbs, "a file where the thumbnails go");
    k4p::removeFile((folder + "\\data\\textures\\overlays\\overlay_glow_v00.dds").c_str());
    const std::string bytes = k4test::readFile(folder + "\\data\\textures\\brick.dds");
    k4test::writeFile(folder + "\\" + glow, bytes);
    CheckReport report = checkFolder(folder);
    const auto before = snapshot(folder);
    const FixAction* action = nullptr;
    for (const FixAction& one : report.fixes) {
        action = one.source == glow ? &one : action;
    }
    ASSERT_NE(action, nullptr);
    FixOutcome outcome = runFix(folder, *action);
    EXPECT_FALSE(outcome.done);
    EXPECT_NE(outcome.problem.find("cannot be written"), std::string::npos) << outcome.problem;
    EXPECT_EQ(snapshot(folder), before) << "original back, new file and backup gone";

    // A backup folder that cannot be made: nothing is written at all.
    k4test::writeFile(folder + "\\texture-check-backup", "in the way");
    const auto blocked = snapshot(folder);
    outcome = runFix(folder, report.fixes.front());
    EXPECT_FALSE(outcome.done);
    EXPECT_EQ(snapshot(folder), blocked);
}

TEST(TextureScan, HostileFolders) {
    const std::string folder = k4test::testFolder("export");
    const std::string textures = folder + "\\data\\textures";
    ASSERT_TRUE(k4p::createFolderTree(textures.c_str()));
    std::vector<CheckedFile> files;
    EXPECT_EQ(scanTextures(folder + "\\missing", ScanControl(), &files),
              ScanResult::NoTextureFolder);
#ifndef _WIN32
    // A link to the mod's root (a loop) and 100,000 files: every one
    // reported, nothing followed.
    makeLink(folder, textures + "\\loop");
    k4p::createFolder((textures + "\\many").c_str());
    for (int i = 0; i < 100000; ++i) {
        FILE* file =
            k4p::openFile((textures + "\\many\\f" + std::to_string(i) + ".dds").c_str(), "wb");
        ASSERT_NE(file, nullptr);
        std::fclose(file);
    }
    std::atomic<bool> stop{false};
    std::atomic<int32_t> progress{0};
    ScanControl control;
    control.stop = &stop;
    control.progress = [&](int32_t files) { progress = std::max(progress.load(), files); };
    ASSERT_EQ(scanTextures(folder, control, &files), ScanResult::Done);
    CheckReport report;
    checkTextures(files, nullptr, &report);
    const std::map<std::string, int> counts = ruleCounts(report);
    EXPECT_EQ(counts, (std::map<std::string, int>{{"unreadable", 100000}, {"link", 1}}));
    EXPECT_GE(progress.load(), 99840) << "every 256 files";
    stop = true;
    EXPECT_EQ(scanTextures(folder, control, &files), ScanResult::Stopped);
    unlink(native(textures + "\\loop").c_str());
#endif
}

TEST(GameArchives, LooseFilesHidingArchivedOnesAndAnArchiveThatCannotBeRead) {
    const std::string install = k4test::testFolder("export");
    const std::string paks = install + "\\data\\pak", textures = install + "\\data\\textures";
    ASSERT_TRUE(faultmod::writeMod(install, faultmod::Variant::Clean));
    ASSERT_TRUE(k4p::createFolderTree(paks.c_str()));
    const std::string brick = k4test::readFile(textures + "\\brick.dds");
    const std::string stone = k4test::readFile(textures + "\\stone.dds");
    // brick.dds is in both archives; the newer one is served.
    for (const char* name : {"a.pak", "b.pak"}) {
        K4QBPakWriter writer(5);
        writer.addFolder("data\\textures\\");
        writer.addFile("data\\textures\\", "brick.dds",
                       std::vector<uint8_t>(stone.begin(), stone.end()));
        if (name[0] == 'b') {
            writer.addFolder("data\\textures\\backdrops\\");
            writer.addFile("data\\textures\\backdrops\\", "bd_city.dds",
                           std::vector<uint8_t>(brick.begin(), brick.end()));
        }
        ASSERT_TRUE(writer.writeTo(native(paks + "\\" + name)));
        k4p::setFileModifiedTime((paks + "\\" + name).c_str(), name[0] == 'a' ? 2000 : 1000);
    }
    k4test::writeFile(paks + "\\broken.pak", "not an archive");
    OverrideReport report;
    ASSERT_TRUE(findOverrides(install, (install + "\\cache").c_str(), ScanControl(), &report));
    ASSERT_EQ(report.overrides.size(), 2u);
    EXPECT_EQ(report.overrides[0].path, "data\\textures\\backdrops\\bd_city.dds");
    EXPECT_EQ(report.overrides[1].path, "data\\textures\\brick.dds");
    EXPECT_EQ(report.overrides[1].archive, paks + "\\a.pak");
    EXPECT_EQ(report.overrides[0].loose.width, 1024u);
    EXPECT_EQ(report.overrides[0].archived.width, 64u) << report.overrides[0].archivedProblem;
    EXPECT_EQ(report.overrides[1].archived.width, 256u);
    ASSERT_EQ(report.problems.size(), 1u);
    EXPECT_NE(report.problems[0].find("broken.pak"), std::string::npos);

    // The game's archived names, for checking a mod against it.
    GameNames names;
    std::vector<std::string> problems;
    gatherGameNames(install, false, ScanControl(), &names, &problems);
    EXPECT_EQ(names,
              (GameNames{"data\\textures\\brick.dds", "data\\textures\\backdrops\\bd_city.dds"}));
    EXPECT_EQ(problems.size(), 1u);
}
