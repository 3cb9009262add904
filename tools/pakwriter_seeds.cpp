// The fuzz seed corpus of the pak reader: small valid archives of every kind
// the reader understands, and the corrupt variants its checks must refuse.
#include "tools/pakwriter.h"

#include <cstring>
#include <filesystem>
#include <functional>

namespace {

std::vector<uint8_t> text(const char* s) {
    return std::vector<uint8_t>(s, s + std::strlen(s));
}

K4QBPakWriter mixed(int32_t version) {
    K4QBPakWriter w(version);
    w.addFolder("", 0);
    w.addFolder("data\\", 2);
    w.addFolder("data\\textures\\", 0);
    w.addFile("data\\textures\\", "Brick.DDS", text("brick brick brick"), K4QBPakEncoding::Stored);
    w.addFile("data\\textures\\", "stone.dds", k4qbPakSampleContent(300, 1));
    w.addFile("data\\", "chain.dds", k4qbPakSampleContent(120, 2), K4QBPakEncoding::Chained);
    w.addFile("", "wrapped.tga", k4qbPakSampleContent(200, 3), K4QBPakEncoding::Wrapped);
    w.addPair(1, 2);
    return w;
}

} // namespace

int k4qbWritePakSeeds(const std::string& folder) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        return -1;
    }
    std::vector<std::pair<std::string, std::function<void(K4QBPakWriter&)>>> seeds = {
        {"v5-mixed", [](K4QBPakWriter&) {}},
        {"v4-mixed", [](K4QBPakWriter& w) { w.version = 4; }},
        {"long-name",
         [](K4QBPakWriter& w) {
             w.addFile("data\\", "abcdefghijklmnopqrstuvwxyz01234.dds", text("31"));
         }},
        {"unsafe-names",
         [](K4QBPakWriter& w) {
             w.addFile("..\\", "up.dds", text("x"), K4QBPakEncoding::Stored);
             w.addFile("data\\", "con.dds", text("x"), K4QBPakEncoding::Stored);
             w.addFile("data\\", "a:b", text("x"), K4QBPakEncoding::Stored);
             w.addFile("c:\\", "x.dds", text("x"), K4QBPakEncoding::Stored);
         }},
        {"bad-folder-offset", [](K4QBPakWriter& w) { w.entry(0).folderOffset = 3; }},
        {"huge-size", [](K4QBPakWriter& w) { w.entry(1).size = 0x7FFFFFFF; }},
        {"negative-packed", [](K4QBPakWriter& w) { w.entry(1).packedSize = -5; }},
        {"short-inflate", [](K4QBPakWriter& w) { w.entry(1).size = 400; }},
        {"damaged-stream", [](K4QBPakWriter& w) { w.entry(2).damageStream = true; }},
        {"short-wrapper", [](K4QBPakWriter& w) { w.entry(3).truncateWrapper = 12; }},
        {"wrapper-size", [](K4QBPakWriter& w) { w.entry(3).wrapperSize = 1 << 29; }},
        {"names-no-nul", [](K4QBPakWriter& w) { w.dropFinalNul = true; }},
        {"few-names", [](K4QBPakWriter& w) { w.folderCount = 9; }},
        {"file-count", [](K4QBPakWriter& w) { w.fileCount = 0x10000000; }},
        {"names-offset", [](K4QBPakWriter& w) { w.namesOffset = -8; }},
        {"truncated", [](K4QBPakWriter& w) { w.truncateTo = 60; }},
    };
    int written = 0;
    for (auto& seed : seeds) {
        K4QBPakWriter w = mixed(5);
        seed.second(w);
        if (!w.writeTo(folder + "/" + seed.first + ".pak")) {
            return -1;
        }
        ++written;
    }
    return written;
}
