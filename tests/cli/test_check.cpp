// qbtex check, called in-process: the lines and exit status of a check, a
// dry run that writes nothing, a fix that leaves a mod that checks clean,
// the game's textures with --game, and usage errors.
#include "cli/cmd_check.h"
#include "tests/support/command.h"
#include "tests/support/scratch.h"
#include "tools/faultmod.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

using k4test::CommandRun;

namespace {

CommandRun check(std::vector<std::string> args) {
    return k4test::runCommand(runCheck, args);
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        out.push_back(line);
    }
    return out;
}

// The first column of each line.
std::vector<std::string> firstColumn(const std::string& text) {
    std::vector<std::string> out;
    for (const std::string& line : lines(text)) {
        out.push_back(line.substr(0, line.find('\t')));
    }
    return out;
}

// Names and bytes of every file below a folder.
std::string tree(const std::string& folder) {
    std::string text;
    k4test::walkTree(folder, [&](const std::string& path, bool directory) {
        text += path + (directory ? "\n" : " " + k4test::readFile(folder + "\\" + path) + "\n");
    });
    return text;
}

} // namespace

TEST(QbtexCheck, FindingsInPathOrderAndTheExitStatus) {
    const std::string mod = k4test::testFolder("cli") + "\\mod";
    ASSERT_TRUE(faultmod::writeMod(mod, faultmod::Variant::EveryRule));
    const CommandRun run = check({mod});
    EXPECT_EQ(run.status, 1);
    const std::vector<std::string> found = lines(run.out);
    ASSERT_EQ(found.size(), 9u) << run.out;
    EXPECT_EQ(found[0], "warning\tname\tdata\\textures\\Brick.dds\tcapital letters; the export "
                        "writes brick.dds");
    EXPECT_TRUE(
        std::is_sorted(found.begin(), found.end(), [](const std::string& a, const std::string& b) {
            return a.substr(a.find('\t', a.find('\t') + 1)) <
                   b.substr(b.find('\t', b.find('\t') + 1));
        }));
    EXPECT_NE(run.err.find("16 files checked: 6 errors, 3 warnings, 6 fixable"), std::string::npos)
        << run.err;

    const std::string clean = k4test::testFolder("cli") + "\\clean";
    ASSERT_TRUE(faultmod::writeMod(clean, faultmod::Variant::Clean));
    EXPECT_EQ(check({clean}).status, 0);
    // Warnings alone do not fail.
    k4p::removeFile(
        (clean + "\\data\\textures\\overlays\\overlay_thumbnails\\overlay_glow_v00.dds").c_str());
    const CommandRun warned = check({clean});
    EXPECT_EQ(warned.status, 0);
    EXPECT_EQ(firstColumn(warned.out), std::vector<std::string>{"warning"});
}

TEST(QbtexCheck, ADryRunWritesNothingAndTheFixLeavesACleanMod) {
    const std::string mod = k4test::testFolder("cli") + "\\mod";
    ASSERT_TRUE(faultmod::writeMod(mod, faultmod::Variant::Fixable));
    const std::string before = tree(mod);
    const CommandRun dry = check({mod, "--dry-run"});
    EXPECT_EQ(dry.status, 1);
    EXPECT_EQ(tree(mod), before);
    const std::vector<std::string> columns = firstColumn(dry.out);
    EXPECT_EQ(std::count(columns.begin(), columns.end(), "backup"), 5) << dry.out;
    EXPECT_EQ(std::count(columns.begin(), columns.end(), "thumbnail"), 1);
    EXPECT_NE(dry.out.find("backup\tdata\\textures\\Brick.dds\ttexture-check-backup\\data\\textures"
                           "\\Brick.dds\n"),
              std::string::npos);

    const CommandRun fix = check({mod, "--fix"});
    EXPECT_EQ(fix.status, 0) << fix.out << fix.err;
    // The same lines as the dry run's actions, and nothing found afterwards.
    std::vector<std::string> actions;
    for (const std::string& line : lines(dry.out)) {
        if (line.compare(0, 5, "error") != 0 && line.compare(0, 7, "warning") != 0) {
            actions.push_back(line);
        }
    }
    EXPECT_EQ(lines(fix.out), actions);
    EXPECT_NE(fix.err.find("15 files checked: 0 errors, 0 warnings"), std::string::npos) << fix.err;
    EXPECT_EQ(check({mod}).status, 0);
}

TEST(QbtexCheck, TheGamesTexturesCountWithGame) {
    const std::string folder = k4test::testFolder("cli");
    const std::string game = folder + "\\game", mod = folder + "\\mod";
    ASSERT_TRUE(faultmod::writeMod(game, faultmod::Variant::Clean));
    // A mod that replaces one frame of the game's series and ships no
    // thumbnail: the game has the rest.
    const std::string frame = "\\data\\textures\\overlays\\overlay_spark_v01.dds";
    ASSERT_TRUE(k4p::createFolderTree((mod + "\\data\\textures\\overlays").c_str()));
    k4test::writeFile(mod + frame, k4test::readFile(game + frame));
    EXPECT_EQ(check({mod}).out,
              "warning\tthumbnail\tdata\\textures\\overlays\\overlay_spark_v01.dds"
              "\tno thumbnail data\\textures\\overlays\\overlay_thumbnails\\"
              "overlay_spark_v01.dds; the export writes one of 64x64 DXT5\n");
    const CommandRun run = check({mod, "--game", game});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "");
}

TEST(QbtexCheck, UsageErrors) {
    const std::string folder = k4test::testFolder("cli");
    EXPECT_EQ(check({}).status, 2);
    EXPECT_EQ(check({folder, "--bogus"}).status, 2);
    EXPECT_EQ(check({folder + "\\missing"}).status, 2);
    EXPECT_EQ(check({folder, "--game", folder + "\\missing"}).status, 2);
    const CommandRun empty = check({folder});
    EXPECT_EQ(empty.status, 1);
    EXPECT_NE(empty.err.find("has no data\\textures folder"), std::string::npos) << empty.err;
    EXPECT_EQ(check({"--help"}).status, 0);
}
