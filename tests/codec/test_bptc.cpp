// BC7 and BC6H blocks of every mode, made by hand from the Direct3D 11 and
// OpenGL (BPTC) documents, against the pixels the documents' definitions give
// (endpoints expanded with their p-bits, the partition and anchor tables,
// the weights, BC6H's unquantisation and final scaling, then texel.h's rule),
// worked out for each block by hand and checked with a short script written
// from the documents alone, not with this decoder. Each case names its mode,
// so that a fault names the mode it breaks. The layouts themselves are also
// checked against Pillow's decoding of its BC6H test files, which use all 14
// modes (tests/interop).
#include "codec/dds_decode.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

using namespace k4codec;

namespace {

struct BlockCase {
    const char* name;
    const char* block;     // 16 bytes in hex, first byte first
    uint32_t expected[16]; // A8R8G8B8, texels row by row
};

struct SignedBlockCase {
    const char* name;
    bool signedValues;
    const char* block;
    uint32_t expected[16];
};

std::vector<uint8_t> bytesOf(const char* hex) {
    std::vector<uint8_t> bytes;
    for (size_t i = 0; hex[i] != '\0' && hex[i + 1] != '\0'; i += 2) {
        bytes.push_back(static_cast<uint8_t>(std::stoul(std::string(hex + i, 2), nullptr, 16)));
    }
    return bytes;
}

void expectTexels(const uint32_t (&got)[16], const uint32_t (&expected)[16]) {
    for (int t = 0; t < 16; ++t) {
        EXPECT_EQ(got[t], expected[t])
            << "texel " << t << std::hex << ": 0x" << got[t] << " instead of 0x" << expected[t];
    }
}

// Modes 0 to 7 (index selection and rotation in modes 4 and 5); the
// endpoints are listed in each case's name order: subset by subset.
const BlockCase kBc7Cases[] = {
    {"mode 0: three subsets (partition 15), 4-bit colour with a p-bit per endpoint, 3-bit indices",
     "1f1ee00e001e0000115e279af5d3581f",
     {0xff000000, 0xff240101, 0xff024886, 0xff036c87, 0xff7b0897, 0xffb70606, 0xffdb0707,
      0xff08ff8c, 0xff7b082b, 0xff7b084d, 0xff6c0303, 0xff930505, 0xff7b08ba, 0xff7b08dc,
      0xff7b08ff, 0xff000000}},
    {"mode 1: two subsets (partition 13), 6-bit colour with a p-bit per subset, 3-bit indices",
     "36c05f142008000000fc118df5118df5",
     {0xff028302, 0xff268302, 0xff498302, 0xff6d8302, 0xff948302, 0xffb88302, 0xffdb8302,
      0xffff8302, 0xff140000, 0xff140024, 0xff140047, 0xff14006b, 0xff140092, 0xff1400b6,
      0xff1400d9, 0xff14006b}},
    {"mode 2: three subsets (partition 43), 5-bit colour, 2-bit indices",
     "5c3f002004003e100200083f90d7c9b7",
     {0xffff0000, 0xffab0000, 0xff081054, 0xff081000, 0xff00ab84, 0xff00ab84, 0xff081054,
      0xff081000, 0xffff0000, 0xffab0000, 0xff081054, 0xff081000, 0xff000084, 0xff005484,
      0xff0810ab, 0xff0810ab}},
    {"mode 3: two subsets (partition 34), 7-bit colour with a p-bit per endpoint, 2-bit indices",
     "2802fe6432100800000080bfca37e41b",
     {0xff008000, 0xffc80054, 0xffab8101, 0xffc901ff, 0xffc901ff, 0xffab8101, 0xffc80054,
      0xff008000, 0xff008000, 0xffc80054, 0xffab8101, 0xffc901ff, 0xffc901ff, 0xffab8101,
      0xffc80054, 0xff008000}},
    {"mode 4: colour by the 2-bit indices, alpha by the 3-bit ones",
     "10e0430800f0cbc9c9c989c6fa773905",
     {0x00008400, 0x24548400, 0x48ab8400, 0x6cff8400, 0x93008400, 0xb7548400, 0xdbab8400,
      0xffff8400, 0xff008400, 0xdb548400, 0xb7ab8400, 0x93ff8400, 0x6c008400, 0x48548400,
      0x24ab8400, 0x00ff8400}},
    {"mode 4: index selection 1 (colour by the 3-bit indices) and rotation 2 (green and alpha "
     "swapped)",
     "d0e0430800f0cbc9c9c989c6fa773905",
     {0x84000000, 0x84245400, 0x8448ab00, 0x846cff00, 0x84930000, 0x84b75400, 0x84dbab00,
      0x84ffff00, 0x84ff0000, 0x84db5400, 0x84b7ab00, 0x8493ff00, 0x846c0000, 0x84485400,
      0x8424ab00, 0x8400ff00}},
    {"mode 5: 7-bit colour, 8-bit alpha with indices of its own, rotation 3 (blue and alpha "
     "swapped)",
     "e0803f992c9329e8cbc9c9c91b1b1b1b",
     {0x6400c959, 0x6454c9ab, 0x64abc959, 0x64ffc90a, 0x6400c9fa, 0x6454c9ab, 0x64abc959,
      0x64ffc90a, 0x6400c9fa, 0x6454c9ab, 0x64abc959, 0x64ffc90a, 0x6400c9fa, 0x6454c9ab,
      0x64abc959, 0x64ffc90a}},
    {"mode 6: 7-bit colour and alpha with a p-bit per endpoint, 4-bit indices",
     "40c01f08fc03fe7f1132547698badcfe",
     {0xfe0080fe, 0xfe1080ee, 0xfe2480da, 0xfe3480cb, 0xfe4480bb, 0xfe5480ab, 0xfe688097,
      0xfe788087, 0xff878178, 0xff978168, 0xffab8154, 0xffbb8144, 0xffcb8134, 0xffdb8125,
      0xffef8111, 0xffff8101}},
    {"mode 7: two subsets (partition 63), 5-bit colour and alpha with a p-bit per endpoint, 2-bit "
     "indices",
     "803ff80000f03f00e07fa0e8ca37c8b7",
     {0xff040404, 0x6d01fc54, 0x56ad0404, 0x04ff0404, 0x04ff0404, 0x8a03feab, 0xad560404,
      0xff040404, 0xff040404, 0x6d01fc54, 0x8a03feab, 0xa604ffff, 0x04ff0404, 0x8a03feab,
      0x6d01fc54, 0x6d01fc54}},
};

// The 14 modes, each unsigned and signed; partition 19 for the two-subset
// modes (its anchor is texel 2), texel t has index t (mod 8 for three-bit
// indices). Signed blocks have a negative red (clamped to 0) and a green
// whose deltas cross zero.
const SignedBlockCase kBc6hCases[] = {
    {"mode 1 (bits 0): two subsets (partition 19), 10-bit endpoints, deltas 5/5/5, unsigned",
     false,
     "a0bce3267b036e70e07212c7fa88c6fa",
     {0xffd87227, 0xffa6732b, 0xffb1722d, 0xffbd712f, 0xfffa6027, 0xffff5c27, 0xffe06d34,
      0xffec6c35, 0xffd87227, 0xffe06e27, 0xffe96927, 0xffbd712f, 0xfffa6027, 0xffff5c27,
      0xffff5827, 0xffff5327}},
    {"mode 1 (bits 0): two subsets (partition 19), 10-bit endpoints, deltas 5/5/5, signed",
     true,
     "c0e44c9279036e70e07212c7fa88c6fa",
     {0xff000526, 0xff00052f, 0xff000533, 0xff000536, 0xff000326, 0xff000326, 0xff000540,
      0xff000447, 0xff000526, 0xff000526, 0xff000426, 0xff000536, 0xff000326, 0xff000326,
      0xff000326, 0xff000326}},
    {"mode 2 (bits 1): two subsets (partition 19), 7-bit endpoints, deltas 6/6/6, unsigned",
     false,
     "99379c64fd026c60c06212c7fa88c6fa",
     {0xffd36b27, 0xff02727a, 0xff0669ee, 0xff0d61ff, 0xffff0527, 0xffff0227, 0xffcc46ff,
      0xffff3eff, 0xffd36b27, 0xffff3327, 0xffff1827, 0xff0d61ff, 0xffff0527, 0xffff0227,
      0xffff0127, 0xffff0027}},
    {"mode 2 (bits 1): two subsets (partition 19), 7-bit endpoints, deltas 6/6/6, signed",
     true,
     "b9bc8932fd026c60c06212c7fa88c6fa",
     {0xff00062b, 0xff0007ff, 0xff0006ff, 0xff0004ff, 0xff00002b, 0xff00002b, 0xff0003ff,
      0xff0002ff, 0xff00062b, 0xff00012b, 0xff00002b, 0xff0004ff, 0xff00002b, 0xff00002b,
      0xff00002b, 0xff00002b}},
    {"mode 3 (bits 2): two subsets (partition 19), 11-bit endpoints, deltas 5/4/4, unsigned",
     false,
     "62f9c74d7e026d70e06212c7fa88c6fa",
     {0xffd97326, 0xffc07328, 0xffc67228, 0xffcc7229, 0xffea6e26, 0xffee6d26, 0xffdd702a,
      0xffe3702a, 0xffd97326, 0xffde7126, 0xffe17026, 0xffcc7229, 0xffea6e26, 0xffee6d26,
      0xfff26c26, 0xfff66b26}},
    {"mode 3 (bits 2): two subsets (partition 19), 11-bit endpoints, deltas 5/4/4, signed",
     true,
     "824999267b036d70e06212c7fa88c6fa",
     {0xff000527, 0xff00052a, 0xff00052b, 0xff00052b, 0xff000527, 0xff000427, 0xff00052d,
      0xff00052d, 0xff000527, 0xff000527, 0xff000527, 0xff00052b, 0xff000527, 0xff000427,
      0xff000427, 0xff000427}},
    {"mode 4 (bits 6): two subsets (partition 19), 11-bit endpoints, deltas 4/5/4, unsigned",
     false,
     "66f9c74d3e036a70f06212c7fa88c6fa",
     {0xffd97326, 0xffcd7328, 0xffd17228, 0xffd57229, 0xffe16a26, 0xffe36726, 0xffdf702a,
      0xffe3702a, 0xffd97326, 0xffdb7026, 0xffdd6e26, 0xffd57229, 0xffe16a26, 0xffe36726,
      0xffe56526, 0xffe76326}},
    {"mode 4 (bits 6): two subsets (partition 19), 11-bit endpoints, deltas 4/5/4, signed",
     true,
     "86499926bb036a70f06212c7fa88c6fa",
     {0xff000527, 0xff00052a, 0xff00052b, 0xff00052b, 0xff000427, 0xff000427, 0xff00052d,
      0xff00052d, 0xff000527, 0xff000527, 0xff000527, 0xff00052b, 0xff000427, 0xff000427,
      0xff000427, 0xff000427}},
    {"mode 5 (bits 10): two subsets (partition 19), 11-bit endpoints, deltas 4/4/5, unsigned",
     false,
     "6af9c74d3e026d60f07212c7fa88c6fa",
     {0xffd97326, 0xffcd7329, 0xffd1722a, 0xffd5722a, 0xffe16e26, 0xffe36d26, 0xffdf702d,
      0xffe3702e, 0xffd97326, 0xffdb7126, 0xffdd7026, 0xffd5722a, 0xffe16e26, 0xffe36d26,
      0xffe56c26, 0xffe76b26}},
    {"mode 5 (bits 10): two subsets (partition 19), 11-bit endpoints, deltas 4/4/5, signed",
     true,
     "8a499926bb026d60f07212c7fa88c6fa",
     {0xff000527, 0xff00052b, 0xff00052d, 0xff00052f, 0xff000527, 0xff000427, 0xff000534,
      0xff000535, 0xff000527, 0xff000527, 0xff000527, 0xff00052f, 0xff000527, 0xff000427,
      0xff000427, 0xff000427}},
    {"mode 6 (bits 14): two subsets (partition 19), 9-bit endpoints, deltas 5/5/5, unsigned",
     false,
     "4e9e719279036e70e07212c7fa88c6fa",
     {0xffd77126, 0xff79732f, 0xff897133, 0xff9f6e36, 0xffff4d26, 0xffff4526, 0xffe66840,
      0xfffd6647, 0xffd77126, 0xffe76826, 0xfff76026, 0xff9f6e36, 0xffff4d26, 0xffff4526,
      0xffff3e26, 0xffff3a26}},
    {"mode 6 (bits 14): two subsets (partition 19), 9-bit endpoints, deltas 5/5/5, signed",
     true,
     "6e3226c878036e70e07212c7fa88c6fa",
     {0xff000525, 0xff000537, 0xff00053e, 0xff000549, 0xff000225, 0xff000225, 0xff000472,
      0xff00047f, 0xff000525, 0xff000425, 0xff000325, 0xff000549, 0xff000225, 0xff000225,
      0xff000225, 0xff000125}},
    {"mode 7 (bits 18): two subsets (partition 19), 8-bit endpoints, deltas 6/5/5, unsigned",
     false,
     "32afb8c8fa026e70c06212c7fa88c6fa",
     {0xffda6f25, 0xff177337, 0xff236e3e, 0xff376a49, 0xffff3425, 0xffff2b25, 0xffd75c72,
      0xffff587f, 0xffda6f25, 0xffff5e25, 0xffff4c25, 0xff376a49, 0xffff3425, 0xffff2b25,
      0xffff2225, 0xffff1d25}},
    {"mode 7 (bits 18): two subsets (partition 19), 8-bit endpoints, deltas 6/5/5, signed",
     true,
     "52399364fa026e70c06212c7fa88c6fa",
     {0xff000527, 0xff000657, 0xff000571, 0xff000597, 0xff000127, 0xff000127, 0xff0003ff,
      0xff0003ff, 0xff000527, 0xff000427, 0xff000227, 0xff000597, 0xff000127, 0xff000127,
      0xff000027, 0xff000027}},
    {"mode 8 (bits 22): two subsets (partition 19), 8-bit endpoints, deltas 5/6/5, unsigned",
     false,
     "36af38c87a036c70e07212c7fa88c6fa",
     {0xffda6f25, 0xff487337, 0xff5f6e3e, 0xff766a49, 0xffff1825, 0xffff1025, 0xfffa5c72,
      0xffff587f, 0xffda6f25, 0xfffb4c25, 0xffff3525, 0xff766a49, 0xffff1825, 0xffff1025,
      0xffff0b25, 0xffff0725}},
    {"mode 8 (bits 22): two subsets (partition 19), 8-bit endpoints, deltas 5/6/5, signed",
     true,
     "563913647a036c70e07212c7fa88c6fa",
     {0xff000527, 0xff000657, 0xff000571, 0xff000597, 0xff000027, 0xff000027, 0xff0003ff,
      0xff0003ff, 0xff000527, 0xff000227, 0xff000127, 0xff000597, 0xff000027, 0xff000027,
      0xff000027, 0xff000027}},
    {"mode 9 (bits 26): two subsets (partition 19), 8-bit endpoints, deltas 5/5/6, unsigned",
     false,
     "3aaf38c87c036e60e07212c7fa88c6fa",
     {0xffda6f25, 0xff487340, 0xff5f6e5f, 0xff766a7d, 0xffff3425, 0xffff2b25, 0xfffa5cff,
      0xffff58ff, 0xffda6f25, 0xfffb5e25, 0xffff4c25, 0xff766a7d, 0xffff3425, 0xffff2b25,
      0xffff2225, 0xffff1d25}},
    {"mode 9 (bits 26): two subsets (partition 19), 8-bit endpoints, deltas 5/5/6, signed",
     true,
     "5a3913647c036e60e07212c7fa88c6fa",
     {0xff000527, 0xff00067a, 0xff0005ee, 0xff0005ff, 0xff000127, 0xff000127, 0xff0003ff,
      0xff0003ff, 0xff000527, 0xff000427, 0xff000227, 0xff0005ff, 0xff000127, 0xff000127,
      0xff000027, 0xff000027}},
    {"mode 10 (bits 30): two subsets (partition 19), direct endpoints, 6-bit endpoints, unsigned",
     false,
     "de5b8e33bcd46bcebb6d12c7fa88c6fa",
     {0xffe2732b, 0xff934294, 0xff824f63, 0xff785c3e, 0xff3aae4c, 0xff2bbf59, 0xff5d8a10,
      0xff54a40b, 0xffe2732b, 0xffa57c32, 0xff748938, 0xff785c3e, 0xff3aae4c, 0xff2bbf59,
      0xff1ed166, 0xff16e273}},
    {"mode 10 (bits 30): two subsets (partition 19), direct endpoints, 6-bit endpoints, signed",
     true,
     "7eae249959aa2ee79d6612c7fa88c6fa",
     {0xff000523, 0xff7a00aa, 0xff710069, 0xff68003f, 0xff00004e, 0xff000060, 0xff4d000f,
      0xff450009, 0xff000523, 0xff00012c, 0xff000035, 0xff68003f, 0xff00004e, 0xff000060,
      0xff020071, 0xff120085}},
    {"mode 11 (bits 3): one subset, direct endpoints, 10-bit endpoints, unsigned",
     false,
     "a3bce326fb0b3de71032547698badcfe",
     {0xffd87227, 0xffc0762a, 0xffa17b2f, 0xff887f32, 0xff788636, 0xff6b8e39, 0xff5c983e,
      0xff50a043, 0xff43a84a, 0xff3bb051, 0xff34ba5a, 0xff2ec261, 0xff27ca68, 0xff21d270,
      0xff1ddc78, 0xff1ae480}},
    {"mode 11 (bits 3): one subset, direct endpoints, 10-bit endpoints, signed",
     true,
     "c3e44c92f925e8731032547698badcfe",
     {0xff000526, 0xff00022a, 0xff00012e, 0xff000032, 0xff000036, 0xff000039, 0xff00003e,
      0xff000043, 0xff00004a, 0xff000051, 0xff00005b, 0xff000062, 0xff010069, 0xff020070,
      0xff080079, 0xff190082}},
    {"mode 12 (bits 7): one subset, 11-bit endpoints, deltas 9/9/9, unsigned",
     false,
     "67f9c74dfe0720001032547698badcfe",
     {0xffd97326, 0xfff86326, 0xffff5026, 0xffff4026, 0xffff3826, 0xffff3126, 0xffff2726,
      0xffff2026, 0xffff1c26, 0xffff1826, 0xffff1326, 0xffff1026, 0xffff0e26, 0xffff0c26,
      0xffff0926, 0xffff0826}},
    {"mode 12 (bits 7): one subset, 11-bit endpoints, deltas 9/9/9, signed",
     true,
     "87499926fb1720001032547698badcfe",
     {0xff000527, 0xff000427, 0xff000227, 0xff000227, 0xff000127, 0xff000127, 0xff000127,
      0xff000027, 0xff000027, 0xff000027, 0xff000027, 0xff000027, 0xff000027, 0xff000027,
      0xff000027, 0xff000027}},
    {"mode 13 (bits 11): one subset, 12-bit endpoints, deltas 8/8/8, unsigned",
     false,
     "cbf28f99fc1350001132547698badcfe",
     {0xffd97326, 0xffe06f26, 0xffea6a26, 0xfff26626, 0xfff96226, 0xffff5f26, 0xffff5a26,
      0xffff5626, 0xffff5226, 0xffff4e26, 0xffff4926, 0xffff4526, 0xffff4226, 0xffff3f26,
      0xffff3c26, 0xffff3a26}},
    {"mode 13 (bits 11): one subset, 12-bit endpoints, deltas 8/8/8, signed",
     true,
     "0b93324dfe1b10001032547698badcfe",
     {0xff000526, 0xff000526, 0xff000426, 0xff000426, 0xff000426, 0xff000326, 0xff000326,
      0xff000326, 0xff000326, 0xff000226, 0xff000226, 0xff000226, 0xff000226, 0xff000226,
      0xff000126, 0xff000126}},
    {"mode 14 (bits 15): one subset, 16-bit endpoints, deltas 4/4/4, unsigned",
     false,
     "cf2cfb80390f1d301132547698badcfe",
     {0xffd97326, 0xffd97326, 0xffd97326, 0xffd97326, 0xffd97326, 0xffd97326, 0xffd97326,
      0xffd97326, 0xffd97326, 0xffd97326, 0xffd97326, 0xffd97326, 0xffd97326, 0xffd97226,
      0xffd97226, 0xffd97226}},
    {"mode 14 (bits 15): one subset, 16-bit endpoints, deltas 4/4/4, signed",
     true,
     "cf2f29c1bc0949601032547698badcfe",
     {0xff000526, 0xff000526, 0xff000526, 0xff000526, 0xff000526, 0xff000526, 0xff000526,
      0xff000526, 0xff000526, 0xff000526, 0xff000526, 0xff000526, 0xff000526, 0xff000526,
      0xff000526, 0xff000526}},
};

} // namespace

TEST(Bc7Blocks, EveryModeDecodesAsDefined) {
    for (const BlockCase& c : kBc7Cases) {
        SCOPED_TRACE(c.name);
        uint32_t texels[16];
        decodeBc7Block(bytesOf(c.block).data(), BlockOut{reinterpret_cast<uint8_t*>(texels), 16});
        expectTexels(texels, c.expected);
    }
}

// A first byte of 0 is a reserved mode: Direct3D returns transparent black.
TEST(Bc7Blocks, TheReservedModeIsTransparentBlack) {
    const std::vector<uint8_t> block(16, 0),
        ones = {0,    0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff,
                0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff};
    for (const auto* bytes : {&block, &ones}) {
        uint32_t texels[16];
        decodeBc7Block(bytes->data(), BlockOut{reinterpret_cast<uint8_t*>(texels), 16});
        for (uint32_t texel : texels) {
            EXPECT_EQ(texel, 0u);
        }
    }
}

TEST(Bc6hBlocks, EveryModeDecodesAsDefined) {
    for (const SignedBlockCase& c : kBc6hCases) {
        SCOPED_TRACE(c.name);
        uint32_t texels[16];
        decodeBc6hBlock(bytesOf(c.block).data(), c.signedValues,
                        BlockOut{reinterpret_cast<uint8_t*>(texels), 16});
        expectTexels(texels, c.expected);
    }
}

// Mode bits 10011, 10111, 11011 and 11111 are reserved: opaque black.
TEST(Bc6hBlocks, ReservedModesAreOpaqueBlack) {
    for (uint8_t mode : {0x13, 0x17, 0x1b, 0x1f}) {
        std::vector<uint8_t> block(16, 0x5a);
        block[0] = static_cast<uint8_t>(0xe0 | mode);
        for (bool signedValues : {false, true}) {
            uint32_t texels[16];
            decodeBc6hBlock(block.data(), signedValues,
                            BlockOut{reinterpret_cast<uint8_t*>(texels), 16});
            for (uint32_t texel : texels) {
                EXPECT_EQ(texel, 0xff000000u) << int(mode);
            }
        }
    }
}
