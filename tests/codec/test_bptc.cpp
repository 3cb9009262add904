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
#include <sstream>
#include <string>
#include <vector>

using namespace k4codec;

namespace {

struct Bc7Case {
    const char* name;
    const char* block;    // 16 bytes in hex, first byte first
    const char* expected; // 16 texels, row by row, as AARRGGBB
};

struct Bc6hCase {
    int mode; // the documents' mode number, 1 to 14
    bool signedValues;
    const char* block;
    const char* expected; // 16 texels as RRGGBB (alpha is always 255)
};

std::vector<uint32_t> hexWords(const char* text, uint32_t base) {
    std::vector<uint32_t> words;
    std::istringstream in(text);
    for (std::string word; in >> word;) {
        words.push_back(base | static_cast<uint32_t>(std::stoul(word, nullptr, 16)));
    }
    return words;
}

std::vector<uint32_t> decoded(void (*decode)(const uint8_t*, bool, BlockOut), const char* hex,
                              bool signedValues) {
    uint8_t block[16];
    for (int i = 0; i < 16; ++i) {
        block[i] = static_cast<uint8_t>(std::stoul(std::string(hex + 2 * i, 2), nullptr, 16));
    }
    std::vector<uint32_t> texels(16);
    decode(block, signedValues, BlockOut{reinterpret_cast<uint8_t*>(texels.data()), 16});
    return texels;
}

void bc7(const uint8_t* block, bool, BlockOut out) {
    decodeBc7Block(block, out);
}

// Modes 0 to 7 (index selection and rotation in modes 4 and 5).
const Bc7Case kBc7Cases[] = {
    {"mode 0: three subsets (partition 15), 4-bit colour with a p-bit per endpoint, 3-bit indices",
     "1f1ee00e001e0000115e279af5d3581f",
     "ff000000 ff240101 ff024886 ff036c87 ff7b0897 ffb70606 ffdb0707 ff08ff8c ff7b082b ff7b084d "
     "ff6c0303 ff930505 ff7b08ba ff7b08dc ff7b08ff ff000000"},
    {"mode 1: two subsets (partition 13), 6-bit colour with a p-bit per subset, 3-bit indices",
     "36c05f142008000000fc118df5118df5",
     "ff028302 ff268302 ff498302 ff6d8302 ff948302 ffb88302 ffdb8302 ffff8302 ff140000 ff140024 "
     "ff140047 ff14006b ff140092 ff1400b6 ff1400d9 ff14006b"},
    {"mode 2: three subsets (partition 43), 5-bit colour, 2-bit indices",
     "5c3f002004003e100200083f90d7c9b7",
     "ffff0000 ffab0000 ff081054 ff081000 ff00ab84 ff00ab84 ff081054 ff081000 ffff0000 ffab0000 "
     "ff081054 ff081000 ff000084 ff005484 ff0810ab ff0810ab"},
    {"mode 3: two subsets (partition 34), 7-bit colour with a p-bit per endpoint, 2-bit indices",
     "2802fe6432100800000080bfca37e41b",
     "ff008000 ffc80054 ffab8101 ffc901ff ffc901ff ffab8101 ffc80054 ff008000 ff008000 ffc80054 "
     "ffab8101 ffc901ff ffc901ff ffab8101 ffc80054 ff008000"},
    {"mode 4: colour by the 2-bit indices, alpha by the 3-bit ones",
     "10e0430800f0cbc9c9c989c6fa773905",
     "00008400 24548400 48ab8400 6cff8400 93008400 b7548400 dbab8400 ffff8400 ff008400 db548400 "
     "b7ab8400 93ff8400 6c008400 48548400 24ab8400 00ff8400"},
    {"mode 4: index selection 1 (colour by the 3-bit indices) and rotation 2 (green and alpha "
     "swapped)",
     "d0e0430800f0cbc9c9c989c6fa773905",
     "84000000 84245400 8448ab00 846cff00 84930000 84b75400 84dbab00 84ffff00 84ff0000 84db5400 "
     "84b7ab00 8493ff00 846c0000 84485400 8424ab00 8400ff00"},
    {"mode 5: 7-bit colour, 8-bit alpha with indices of its own, rotation 3 (blue and alpha "
     "swapped)",
     "e0803f992c9329e8cbc9c9c91b1b1b1b",
     "6400c959 6454c9ab 64abc959 64ffc90a 6400c9fa 6454c9ab 64abc959 64ffc90a 6400c9fa 6454c9ab "
     "64abc959 64ffc90a 6400c9fa 6454c9ab 64abc959 64ffc90a"},
    {"mode 6: 7-bit colour and alpha with a p-bit per endpoint, 4-bit indices",
     "40c01f08fc03fe7f1132547698badcfe",
     "fe0080fe fe1080ee fe2480da fe3480cb fe4480bb fe5480ab fe688097 fe788087 ff878178 ff978168 "
     "ffab8154 ffbb8144 ffcb8134 ffdb8125 ffef8111 ffff8101"},
    {"mode 7: two subsets (partition 63), 5-bit colour and alpha with a p-bit per endpoint, 2-bit "
     "indices",
     "803ff80000f03f00e07fa0e8ca37c8b7",
     "ff040404 6d01fc54 56ad0404 04ff0404 04ff0404 8a03feab ad560404 ff040404 ff040404 6d01fc54 "
     "8a03feab a604ffff 04ff0404 8a03feab 6d01fc54 6d01fc54"},
};

// The 14 modes, each unsigned and signed; partition 19 for the two-subset
// modes 1 to 10 (its anchor is texel 2), texel t has index t (mod 8 for
// three-bit indices). Signed blocks have a negative red (clamped to 0) and a
// green whose deltas cross zero.
const Bc6hCase kBc6hCases[] = {
    {1, false, "a0bce3267b036e70e07212c7fa88c6fa",
     "d87227 a6732b b1722d bd712f fa6027 ff5c27 e06d34 ec6c35 d87227 e06e27 e96927 bd712f fa6027 "
     "ff5c27 ff5827 ff5327"},
    {1, true, "c0e44c9279036e70e07212c7fa88c6fa",
     "000526 00052f 000533 000536 000326 000326 000540 000447 000526 000526 000426 000536 000326 "
     "000326 000326 000326"},
    {2, false, "99379c64fd026c60c06212c7fa88c6fa",
     "d36b27 02727a 0669ee 0d61ff ff0527 ff0227 cc46ff ff3eff d36b27 ff3327 ff1827 0d61ff ff0527 "
     "ff0227 ff0127 ff0027"},
    {2, true, "b9bc8932fd026c60c06212c7fa88c6fa",
     "00062b 0007ff 0006ff 0004ff 00002b 00002b 0003ff 0002ff 00062b 00012b 00002b 0004ff 00002b "
     "00002b 00002b 00002b"},
    {3, false, "62f9c74d7e026d70e06212c7fa88c6fa",
     "d97326 c07328 c67228 cc7229 ea6e26 ee6d26 dd702a e3702a d97326 de7126 e17026 cc7229 ea6e26 "
     "ee6d26 f26c26 f66b26"},
    {3, true, "824999267b036d70e06212c7fa88c6fa",
     "000527 00052a 00052b 00052b 000527 000427 00052d 00052d 000527 000527 000527 00052b 000527 "
     "000427 000427 000427"},
    {4, false, "66f9c74d3e036a70f06212c7fa88c6fa",
     "d97326 cd7328 d17228 d57229 e16a26 e36726 df702a e3702a d97326 db7026 dd6e26 d57229 e16a26 "
     "e36726 e56526 e76326"},
    {4, true, "86499926bb036a70f06212c7fa88c6fa",
     "000527 00052a 00052b 00052b 000427 000427 00052d 00052d 000527 000527 000527 00052b 000427 "
     "000427 000427 000427"},
    {5, false, "6af9c74d3e026d60f07212c7fa88c6fa",
     "d97326 cd7329 d1722a d5722a e16e26 e36d26 df702d e3702e d97326 db7126 dd7026 d5722a e16e26 "
     "e36d26 e56c26 e76b26"},
    {5, true, "8a499926bb026d60f07212c7fa88c6fa",
     "000527 00052b 00052d 00052f 000527 000427 000534 000535 000527 000527 000527 00052f 000527 "
     "000427 000427 000427"},
    {6, false, "4e9e719279036e70e07212c7fa88c6fa",
     "d77126 79732f 897133 9f6e36 ff4d26 ff4526 e66840 fd6647 d77126 e76826 f76026 9f6e36 ff4d26 "
     "ff4526 ff3e26 ff3a26"},
    {6, true, "6e3226c878036e70e07212c7fa88c6fa",
     "000525 000537 00053e 000549 000225 000225 000472 00047f 000525 000425 000325 000549 000225 "
     "000225 000225 000125"},
    {7, false, "32afb8c8fa026e70c06212c7fa88c6fa",
     "da6f25 177337 236e3e 376a49 ff3425 ff2b25 d75c72 ff587f da6f25 ff5e25 ff4c25 376a49 ff3425 "
     "ff2b25 ff2225 ff1d25"},
    {7, true, "52399364fa026e70c06212c7fa88c6fa",
     "000527 000657 000571 000597 000127 000127 0003ff 0003ff 000527 000427 000227 000597 000127 "
     "000127 000027 000027"},
    {8, false, "36af38c87a036c70e07212c7fa88c6fa",
     "da6f25 487337 5f6e3e 766a49 ff1825 ff1025 fa5c72 ff587f da6f25 fb4c25 ff3525 766a49 ff1825 "
     "ff1025 ff0b25 ff0725"},
    {8, true, "563913647a036c70e07212c7fa88c6fa",
     "000527 000657 000571 000597 000027 000027 0003ff 0003ff 000527 000227 000127 000597 000027 "
     "000027 000027 000027"},
    {9, false, "3aaf38c87c036e60e07212c7fa88c6fa",
     "da6f25 487340 5f6e5f 766a7d ff3425 ff2b25 fa5cff ff58ff da6f25 fb5e25 ff4c25 766a7d ff3425 "
     "ff2b25 ff2225 ff1d25"},
    {9, true, "5a3913647c036e60e07212c7fa88c6fa",
     "000527 00067a 0005ee 0005ff 000127 000127 0003ff 0003ff 000527 000427 000227 0005ff 000127 "
     "000127 000027 000027"},
    {10, false, "de5b8e33bcd46bcebb6d12c7fa88c6fa",
     "e2732b 934294 824f63 785c3e 3aae4c 2bbf59 5d8a10 54a40b e2732b a57c32 748938 785c3e 3aae4c "
     "2bbf59 1ed166 16e273"},
    {10, true, "7eae249959aa2ee79d6612c7fa88c6fa",
     "000523 7a00aa 710069 68003f 00004e 000060 4d000f 450009 000523 00012c 000035 68003f 00004e "
     "000060 020071 120085"},
    {11, false, "a3bce326fb0b3de71032547698badcfe",
     "d87227 c0762a a17b2f 887f32 788636 6b8e39 5c983e 50a043 43a84a 3bb051 34ba5a 2ec261 27ca68 "
     "21d270 1ddc78 1ae480"},
    {11, true, "c3e44c92f925e8731032547698badcfe",
     "000526 00022a 00012e 000032 000036 000039 00003e 000043 00004a 000051 00005b 000062 010069 "
     "020070 080079 190082"},
    {12, false, "67f9c74dfe0720001032547698badcfe",
     "d97326 f86326 ff5026 ff4026 ff3826 ff3126 ff2726 ff2026 ff1c26 ff1826 ff1326 ff1026 ff0e26 "
     "ff0c26 ff0926 ff0826"},
    {12, true, "87499926fb1720001032547698badcfe",
     "000527 000427 000227 000227 000127 000127 000127 000027 000027 000027 000027 000027 000027 "
     "000027 000027 000027"},
    {13, false, "cbf28f99fc1350001132547698badcfe",
     "d97326 e06f26 ea6a26 f26626 f96226 ff5f26 ff5a26 ff5626 ff5226 ff4e26 ff4926 ff4526 ff4226 "
     "ff3f26 ff3c26 ff3a26"},
    {13, true, "0b93324dfe1b10001032547698badcfe",
     "000526 000526 000426 000426 000426 000326 000326 000326 000326 000226 000226 000226 000226 "
     "000226 000126 000126"},
    {14, false, "cf2cfb80390f1d301132547698badcfe",
     "d97326 d97326 d97326 d97326 d97326 d97326 d97326 d97326 d97326 d97326 d97326 d97326 d97326 "
     "d97226 d97226 d97226"},
    {14, true, "cf2f29c1bc0949601032547698badcfe",
     "000526 000526 000526 000526 000526 000526 000526 000526 000526 000526 000526 000526 000526 "
     "000526 000526 000526"},
};

} // namespace

TEST(Bc7Blocks, EveryModeDecodesAsDefined) {
    for (const Bc7Case& c : kBc7Cases) {
        EXPECT_EQ(decoded(bc7, c.block, false), hexWords(c.expected, 0)) << c.name;
    }
    // A first byte of 0 is a reserved mode: Direct3D gives transparent black.
    EXPECT_EQ(decoded(bc7, "00ffffffffffffffffffffffffffffff", false), std::vector<uint32_t>(16));
}

TEST(Bc6hBlocks, EveryModeDecodesAsDefined) {
    for (const Bc6hCase& c : kBc6hCases) {
        EXPECT_EQ(decoded(decodeBc6hBlock, c.block, c.signedValues),
                  hexWords(c.expected, 0xff000000u))
            << "mode " << c.mode << (c.signedValues ? ", signed" : ", unsigned");
    }
    // Mode bits 10011, 10111, 11011 and 11111 are reserved: opaque black.
    for (const char* block : {"f3", "f7", "fb", "ff"}) {
        const std::string hex = std::string(block) + std::string(30, '5');
        for (bool signedValues : {false, true}) {
            EXPECT_EQ(decoded(decodeBc6hBlock, hex.c_str(), signedValues),
                      std::vector<uint32_t>(16, 0xff000000u))
                << block;
        }
    }
}
