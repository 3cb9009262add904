// The qbtex image commands, called in-process with their arguments.
#include "cli/cmd_image.h"
#include "codec_test_support.h"
#include "tests/support/command.h"

#include <string>

using namespace k4codec;
using namespace codectest;
using k4test::CommandRun;

namespace {

constexpr auto run = &k4test::runCommand;

std::string tgaFixture() {
    std::vector<uint32_t> values(6 * 3);
    for (uint32_t i = 0; i < values.size(); ++i) {
        values[i] = 0x80000000u | (i * 0x0d0e0f);
    }
    const std::string path = scratchPath("cli.tga");
    EXPECT_TRUE(imgwrite::saveFile(path, imgwrite::writeTga({}, 6, 3, values)));
    return path;
}

} // namespace

TEST(QbtexImage, InfoDescribesEachFile) {
    const std::string tga = tgaFixture();
    const std::string missing = scratchPath("missing.png");
    CommandRun r = run(runImageInfo, {tga, missing});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, tga + ": 6x3, 1 levels, A8R8G8B8\n");
    EXPECT_EQ(r.err, "qbtex: " + missing + ": cannot open file\n");
    EXPECT_EQ(run(runImageInfo, {}).status, 2);
    for (auto command : {runImageInfo, runImageToPng, runImageToDds}) {
        r = run(command, {"--help"});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out.rfind("usage: qbtex ", 0), 0u) << r.out;
    }
    // A file that cannot be read fails as a missing one does (2 is for
    // usage); a picture too large says how large and what the limit is.
    const std::string junk = scratchPath("junk.tga");
    k4test::writeFile(junk, "not an image");
    Bytes png = imgwrite::writePng({}, 4, 100, std::vector<uint16_t>(4 * 100 * 4));
    png[18] = 0x4e, png[19] = 0x20; // 20000 wide
    const std::string wide = scratchPath("wide.png");
    ASSERT_TRUE(imgwrite::saveFile(wide, png));
    for (auto command : {runImageInfo, runImageToPng, runImageToDds}) {
        std::vector<std::string> args = {junk, scratchPath("out.x"), "--format", "dxt1"};
        args.resize(command == runImageInfo ? 1 : command == runImageToPng ? 2 : 4);
        r = run(command, args);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "qbtex: " + junk + ": invalid or unsupported image data\n");
        args[0] = wide;
        r = run(command, args);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err,
                  "qbtex: " + wide +
                      ": 20000 by 100 pixels: larger than the limit of 16384 pixels a side\n");
    }
}

TEST(QbtexImage, ToDdsAndBackToPng) {
    const std::string tga = tgaFixture();
    const std::string dds = scratchPath("cli.dds");
    const std::string png = scratchPath("cli.png");
    CommandRun r = run(runImageToDds, {tga, dds, "--format", "a8r8g8b8"});
    ASSERT_EQ(r.status, 0) << r.err;
    r = run(runImageInfo, {dds});
    EXPECT_EQ(r.out, dds + ": 6x3, 3 levels, A8R8G8B8\n");
    ASSERT_EQ(run(runImageToPng, {dds, png}).status, 0);
    Image original, converted;
    Bytes bytes;
    ASSERT_EQ(readFileBytes(tga.c_str(), &bytes), kOk);
    ASSERT_EQ(readBytes(bytes, &original), kOk);
    ASSERT_EQ(readFileBytes(png.c_str(), &bytes), kOk);
    ASSERT_EQ(readBytes(bytes, &converted), kOk);
    EXPECT_EQ(converted.format, kFmtA8R8G8B8);
    EXPECT_EQ(pixelsOf(converted), pixelsOf(original));
    // Level 1 of the DDS at its own size.
    ASSERT_EQ(run(runImageToPng, {dds, png, "--level", "1"}).status, 0);
    EXPECT_EQ(run(runImageInfo, {png}).out, png + ": 3x1, 1 levels, A8R8G8B8\n");
    r = run(runImageToPng, {dds, png, "--level", "3"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("has no level 3"), std::string::npos);
    // Damage the reader worked around is reported, and the file converted.
    Bytes jpeg = imgwrite::writeJpeg(imgwrite::JpegOptions(), 8, 8, std::vector<uint8_t>(192, 9));
    jpeg.insert(jpeg.begin() + 2, 0x42);
    const std::string junk = scratchPath("junk.jpg");
    ASSERT_TRUE(imgwrite::saveFile(junk, jpeg));
    r = run(runImageToPng, {junk, png});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "qbtex: " + junk +
                         ": warning: Corrupt JPEG data: 1 extraneous bytes before marker 0xe0\n");
}

TEST(QbtexImage, ToDdsSizesLevelsAndFormats) {
    const std::string tga = tgaFixture();
    const std::string dds = scratchPath("cli2.dds");
    for (const auto& [name, shown] :
         {std::pair{"dxt5", "DXT5"}, {"r8g8b8", "R8G8B8"}, {"a4l4", "A4L4"}}) {
        ASSERT_EQ(run(runImageToDds, {tga, dds, "--format", name, "--size", "16x8"}).status, 0);
        EXPECT_EQ(run(runImageInfo, {dds}).out, dds + ": 16x8, 5 levels, " + shown + "\n");
    }
    ASSERT_EQ(run(runImageToDds, {tga, dds, "--format", "l8", "--mips", "none"}).status, 0);
    EXPECT_EQ(run(runImageInfo, {dds}).out, dds + ": 6x3, 1 levels, L8\n");
    ASSERT_EQ(run(runImageToDds, {tga, dds, "--mips", "2", "--format", "dxt1"}).status, 0);
    EXPECT_EQ(run(runImageInfo, {dds}).out, dds + ": 6x3, 2 levels, DXT1\n");
    // Usage errors: no format, one that is not written, bad options; 6x3 has 3 levels.
    EXPECT_EQ(run(runImageToDds, {tga, dds}).status, 2);
    EXPECT_EQ(run(runImageToDds, {tga, dds, "--format", "x8r8g8b8"}).status, 2);
    const char* const bad[][2] = {{"--size", "16"},   {"--size", "0x4"}, {"--size", "16385x4"},
                                  {"--mips", "lots"}, {"--bogus", "1"},  {"--mips", "4"}};
    for (const auto& option : bad) {
        EXPECT_EQ(run(runImageToDds, {tga, dds, "--format", "l8", option[0], option[1]}).status, 2)
            << option[0] << " " << option[1];
    }
    CommandRun r = run(runImageToDds, {scratchPath("nothing.bmp"), dds, "--format", "l8"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "qbtex: " + scratchPath("nothing.bmp") + ": cannot open file\n");
    const std::string nowhere = scratchPath("no-such-folder\\out.dds");
    r = run(runImageToDds, {tga, nowhere, "--format", "l8"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "qbtex: " + nowhere + ": cannot write file\n");
    EXPECT_FALSE(k4p::fileExists(nowhere.c_str()));
    EXPECT_EQ(run(runImageToPng, {tga}).status, 2);
    EXPECT_EQ(run(runImageToPng, {tga, dds, "--level", "x"}).status, 2);
}

// A DDS file's stored format by its own name: the DXGI name with the DX10
// header, the FourCC or Direct3D name without; and such a file converts.
TEST(QbtexImage, InfoNamesTheStoredDdsFormat) {
    const auto write = [](const std::string& name, imgwrite::DdsOptions o, size_t bytes) {
        const std::string path = scratchPath(name);
        EXPECT_TRUE(imgwrite::saveFile(path, imgwrite::writeDds(o, Bytes(bytes, 0x40))));
        return path;
    };
    imgwrite::DdsOptions bc7;
    bc7.dx10 = true, bc7.dxgiFormat = 99;
    imgwrite::DdsOptions half = bc7;
    half.dxgiFormat = 10, half.width = half.height = 1;
    imgwrite::DdsOptions ati2;
    ati2.fourCC = imgwrite::fourCC("ATI2");
    const std::string files[] = {write("bc7.dds", bc7, 16), write("half.dds", half, 8),
                                 write("ati2.dds", ati2, 16)};
    const CommandRun r = run(runImageInfo, {files[0], files[1], files[2]});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, files[0] + ": 4x4, 1 levels, BC7_UNORM_SRGB\n" + files[1] +
                         ": 1x1, 1 levels, R16G16B16A16_FLOAT\n" + files[2] +
                         ": 4x4, 1 levels, ATI2\n");
    const std::string dds = scratchPath("from_bc7.dds");
    ASSERT_EQ(run(runImageToDds, {files[0], dds, "--format", "dxt5"}).status, 0);
    EXPECT_EQ(run(runImageInfo, {dds}).out, dds + ": 4x4, 3 levels, DXT5\n");
}
