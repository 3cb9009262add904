// qbtex convert, called in-process: the lines of a dry run for each type, a
// real run that writes what the dry run shows, the overwrite rule, unreadable
// inputs among good ones, a full disk, and usage errors.
#include "cli/cmd_convert.h"
#include "codec/codec.h"
#include "tests/support/checks.h"
#include "tests/support/command.h"
#include "tests/support/file_limit.h"
#include "tests/support/scratch.h"
#include "tools/imgwrite.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

using k4test::CommandRun;

namespace {

CommandRun convert(std::vector<std::string> args) {
    args.insert(args.begin(), "--jobs");
    args.insert(args.begin() + 1, "3");
    return k4test::runCommand(runConvert, args);
}

// A path as qbtex prints it.
std::string native(std::string path) {
#ifndef _WIN32
    for (char& c : path) {
        c = c == '\\' ? '/' : c;
    }
#endif
    return path;
}

// Samples (i * 37) & 255; a palette image has 256 entries of rising alpha.
void writePng(const std::string& path, int colourType, int channels, uint32_t width,
              uint32_t height) {
    imgwrite::PngOptions options;
    options.colourType = colourType;
    for (int i = 0; colourType == 3 && i < 256; ++i) {
        const uint8_t v = static_cast<uint8_t>(i);
        options.palette.push_back({v, static_cast<uint8_t>(255 - v), v, 255});
        options.paletteAlpha.push_back(v);
    }
    std::vector<uint16_t> samples(static_cast<size_t>(width) * height * channels);
    for (size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<uint16_t>((i * 37) & 255);
    }
    ASSERT_TRUE(imgwrite::saveFile(path, imgwrite::writePng(options, width, height, samples)));
}

// Three sources, given out of order: a.png (palette with alpha, 20x20, loaded
// as 32x32 A8R8G8B8), sub\a.png (RGB, 64x32), b.png (RGBA, 300x200, loaded
// as 512x256).
struct Sources {
    std::string folder, a, subA, b;
    Sources() : folder(k4test::testFolder("cli")) {
        a = folder + "\\a.png";
        subA = folder + "\\sub\\a.png";
        b = folder + "\\b.png";
        k4p::createFolder((folder + "\\sub").c_str());
        writePng(a, 3, 1, 20, 20);
        writePng(subA, 2, 3, 64, 32);
        writePng(b, 6, 4, 300, 200);
    }
    std::vector<std::string> args(std::vector<std::string> options) const {
        options.insert(options.end(), {b, subA, a});
        return options;
    }
};

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> splitTabs(const std::string& line) {
    std::vector<std::string> fields;
    std::istringstream in(line);
    for (std::string field; std::getline(in, field, '\t');) {
        fields.push_back(field);
    }
    return fields;
}

} // namespace

TEST(QbtexConvert, DryRunLinesOfEachType) {
    const Sources s;
    const std::string out = s.folder + "\\out", game = s.folder + "\\game";
    k4p::createFolder(game.c_str());
    const auto o = [&](const std::string& path) { return native(out + "\\" + path); };
    const auto g = [&](const std::string& name) {
        return native(game + "\\data\\textures\\walls\\" + name);
    };
    // Sources in order a.png, sub\a.png, b.png (file name, then folder); named
    // after them, the second "a" is numbered.
    const auto line = [](const char* kind, const std::string& source, const std::string& path,
                         const char* rest) {
        return std::string(kind) + "\t" + source + "\t" + path + "\t" + rest + "\n";
    };
    struct Row {
        std::vector<std::string> options;
        std::string expected;
    } rows[] = {
        // clang-format off
        {{"--type", "static"},
         line("file", s.a, o("overlay_a_v00.dds"), "512x256\tDXT5\t1") +
         line("thumbnail", s.a, o("overlay_thumbnails\\overlay_a_v00.dds"), "64x64\tDXT5\t1") +
         line("file", s.subA, o("overlay_a1_v00.dds"), "512x256\tDXT1\t1") +
         line("thumbnail", s.subA, o("overlay_thumbnails\\overlay_a1_v00.dds"), "64x64\tDXT5\t1") +
         line("file", s.b, o("overlay_b_v00.dds"), "512x256\tDXT5\t1") +
         line("thumbnail", s.b, o("overlay_thumbnails\\overlay_b_v00.dds"), "64x64\tDXT5\t1")},
        // 20 frames a second from 10: each source twice; numbers wrap at 100.
        {{"--type", "animated", "--name", "Fire", "--target-fps", "20", "--start", "98",
          "--thumbnail", "2", "--size", "1"},
         line("file", s.a, o("overlay_fire_v98.dds"), "1024x512\tDXT5\t1") +
         line("file", s.a, o("overlay_fire_v99.dds"), "1024x512\tDXT5\t1") +
         line("file", s.subA, o("overlay_fire_v00.dds"), "1024x512\tDXT1\t1") +
         line("file", s.subA, o("overlay_fire_v01.dds"), "1024x512\tDXT1\t1") +
         line("file", s.b, o("overlay_fire_v02.dds"), "1024x512\tDXT5\t1") +
         line("file", s.b, o("overlay_fire_v03.dds"), "1024x512\tDXT5\t1") +
         line("thumbnail", s.b, o("overlay_thumbnails\\overlay_fire_v98.dds"), "64x64\tDXT5\t1")},
        {{"--type", "backdrop", "--size", "1", "--format", "a8r8g8b8"},
         line("file", s.a, o("bd_a.dds"), "32x32\tA8R8G8B8\t6") +
         line("thumbnail", s.a, o("thumbs\\th_bd_a.dds"), "64x64\tDXT5\t1") +
         line("file", s.subA, o("bd_a1.dds"), "64x32\tA8R8G8B8\t7") +
         line("thumbnail", s.subA, o("thumbs\\th_bd_a1.dds"), "64x64\tDXT5\t1") +
         line("file", s.b, o("bd_b.dds"), "512x256\tA8R8G8B8\t10") +
         line("thumbnail", s.b, o("thumbs\\th_bd_b.dds"), "64x64\tDXT5\t1")},
        {{"--type", "texture", "--game", game, "--game-folder", "data/textures/walls"},
         line("file", s.a, g("a.dds"), "32x32\tDXT5\t6") +
         line("file", s.subA, g("a1.dds"), "64x32\tDXT1\t7") +
         line("file", s.b, g("b.dds"), "512x256\tDXT5\t10")},
        // clang-format on
    };
    for (Row& row : rows) {
        if (row.options[1] != "texture") {
            row.options.insert(row.options.end(), {"--out", out});
        }
        row.options.push_back("--dry-run");
        const CommandRun run = convert(s.args(row.options));
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, row.expected) << row.options[1];
        EXPECT_EQ(run.err, "");
    }
    EXPECT_EQ(k4test::listTree(s.folder),
              (std::vector<std::string>{"a.png", "b.png", "sub\\a.png"}));
}

TEST(QbtexConvert, WritesWhatTheDryRunShowsAndReplacesOnlyWithYes) {
    const Sources s;
    const std::string out = s.folder + "\\out";
    const std::vector<std::string> options = s.args({"--type", "backdrop", "--out", out});
    const CommandRun dry = convert([&] {
        std::vector<std::string> args = options;
        args.push_back("--dry-run");
        return args;
    }());
    CommandRun run = convert(options);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, dry.out);
    EXPECT_EQ(run.err, "");
    // Every file as its line says: size, format and levels read by the codec.
    const std::vector<std::string> lines = splitLines(run.out);
    ASSERT_EQ(lines.size(), 6u);
    std::vector<std::string> paths;
    for (const std::string& line : lines) {
        const std::vector<std::string> f = splitTabs(line);
        ASSERT_EQ(f.size(), 6u) << line;
        paths.push_back(f[2]);
        std::vector<uint8_t> bytes;
        k4codec::ImageInfo info;
        ASSERT_EQ(k4codec::readFileBytes(f[2].c_str(), &bytes), k4codec::kOk) << f[2];
        ASSERT_EQ(k4codec::ddsReadHeader(bytes.data(), bytes.size(), &info), k4codec::kOk);
        EXPECT_EQ(std::to_string(info.width) + "x" + std::to_string(info.height), f[3]);
        EXPECT_STREQ(k4codec::formatName(info.format), f[4].c_str());
        EXPECT_EQ(std::to_string(info.mipLevels), f[5]);
    }

    // Without --yes nothing is written while a file exists; thumbnails are not
    // asked about.
    k4test::writeFile(paths[0], "old file");
    k4test::writeFile(paths[3], "old thumbnail");
    ASSERT_TRUE(k4p::removeFile(paths[4].c_str()));
    run = convert(options);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err,
              "qbtex: K4QBERR_TEXMGR_USERCANCELLED: " + paths[0] + " exists\n" +
                  "qbtex: K4QBERR_TEXMGR_USERCANCELLED: " + paths[2] + " exists\n" +
                  "qbtex: K4QBERR_TEXMGR_USERCANCELLED: 2 output files exist; --yes replaces "
                  "them, nothing written\n");
    EXPECT_EQ(k4test::readFile(paths[0]), "old file");
    EXPECT_EQ(k4test::readFile(paths[3]), "old thumbnail");
    EXPECT_FALSE(k4p::fileExists(paths[4].c_str()));

    std::vector<std::string> yes = options;
    yes.push_back("--yes");
    run = convert(yes);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, dry.out);
    EXPECT_EQ(k4test::readFile(paths[0]).compare(0, 4, "DDS "), 0);
    EXPECT_EQ(k4test::readFile(paths[3]).compare(0, 4, "DDS "), 0);
    EXPECT_TRUE(k4p::fileExists(paths[4].c_str()));
}

TEST(QbtexConvert, UnreadableInputsFailAloneAndAreCounted) {
    const Sources s;
    const std::string out = s.folder + "\\out", broken = s.folder + "\\broken.png",
                      missing = s.folder + "\\missing.png";
    k4test::writeFile(broken, "\x89PNG\r\n\x1a\n but nothing more");
    const CommandRun run = convert({"--type", "backdrop", "--out", out, s.b, missing, broken, s.a});
    EXPECT_EQ(run.status, 1);
    // a.png, b.png written; broken.png and missing.png each reported once.
    EXPECT_EQ(k4test::listTree(out),
              (std::vector<std::string>{"bd_a.dds", "bd_b.dds", "thumbs\\th_bd_a.dds",
                                        "thumbs\\th_bd_b.dds"}));
    EXPECT_EQ(splitLines(run.out).size(), 4u);
    EXPECT_EQ(run.err, "qbtex: K4DXERR_RES_LOADERROR: " + broken +
                           ": invalid or unsupported image data\n" +
                           "qbtex: K4DXERR_RES_LOADERROR: " + missing + ": cannot open file\n" +
                           "qbtex: K4DXERR_RES_LOADERROR: 4 of 8 outputs failed\n");
}

#ifndef _WIN32
TEST(QbtexConvert, AFullDiskIsSaidToBeOne) {
    const Sources s;
    const std::string out = s.folder + "\\out";
    CommandRun run;
    {
        // Room for the captured output, not for a texture.
        k4test::FileSizeLimit full(4096);
        run = convert({"--type", "backdrop", "--out", out, s.a});
    }
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(k4test::listTree(out), std::vector<std::string>{});
    EXPECT_EQ(run.err, "qbtex: K4CERR_IO_DISKFULL: " + native(out + "\\bd_a.dds") +
                           ": disk full\n" + "qbtex: K4CERR_IO_DISKFULL: " +
                           native(out + "\\thumbs\\th_bd_a.dds") + ": disk full\n" +
                           "qbtex: K4CERR_IO_DISKFULL: 2 of 2 outputs failed: disk full\n");
}
#endif

TEST(QbtexConvert, UsageErrors) {
    const Sources s;
    const std::vector<std::vector<std::string>> rows = {
        {},
        {"--size", "7", s.a}, // textures have presets 0 to 6
        {"--type", "backdrop", "--size", "2", s.a},
        {"--format", "dxt2", s.a},
        {"--out", s.folder, "--game", s.folder, s.a},
        {"--game-folder", "data\\textures\\walls", s.a},
        {"--type", "animated", "--thumbnail", "3", s.a, s.b, s.subA},
        {"--type", "animated", "--source-fps", "0", s.a},
        {"--bogus", s.a},
        {s.a, "--out"},
    };
    for (const std::vector<std::string>& args : rows) {
        const CommandRun run = k4test::runCommand(runConvert, args);
        EXPECT_EQ(run.status, 2) << (args.empty() ? "" : args[0]);
        EXPECT_EQ(run.err.rfind("qbtex: K4QBERR_CLI_USAGE: ", 0), 0u) << run.err;
        EXPECT_EQ(run.out, "");
    }
    const CommandRun noGame =
        k4test::runCommand(runConvert, {"--game", s.folder + "\\none", s.a, "--dry-run"});
    EXPECT_EQ(noGame.status, 2);
    EXPECT_EQ(noGame.err,
              "qbtex: K4QBERR_PAK_NOTINSTALLED: " + s.folder + "\\none is not a folder\n");
}
