// The fuzz seed corpora of the pak reader (small valid archives of every kind
// the reader understands, and the corrupt variants its checks must refuse)
// and of the registry's merge (two or three archives in one input).
#include "tools/pakwriter.h"

#include <cstdio>
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

namespace {

// One merge input: the archive count, two bits of time per archive, the
// lengths of all archives but the last, then the archives.
bool writeMergeSeed(const std::string& path, const std::vector<K4QBPakWriter>& archives,
                    const std::vector<int>& times) {
    std::vector<uint8_t> bytes = {static_cast<uint8_t>(archives.size() - 2), 0};
    std::vector<std::vector<uint8_t>> built;
    for (size_t i = 0; i < archives.size(); ++i) {
        bytes[1] = static_cast<uint8_t>(bytes[1] | (times[i] & 3) << (2 * i));
        built.push_back(archives[i].build());
    }
    for (size_t i = 0; i + 1 < built.size(); ++i) {
        for (int b = 0; b < 4; ++b) {
            bytes.push_back(static_cast<uint8_t>(built[i].size() >> (8 * b)));
        }
    }
    for (const std::vector<uint8_t>& archive : built) {
        bytes.insert(bytes.end(), archive.begin(), archive.end());
    }
    FILE* file = std::fopen(path.c_str(), "wb");
    bool ok = file != nullptr && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return file != nullptr && std::fclose(file) == 0 && ok;
}

// An archive of stored files, each holding its own name and a tag.
K4QBPakWriter files(const std::vector<std::pair<std::string, std::string>>& paths,
                    const char* tag) {
    K4QBPakWriter w(5);
    for (const auto& [folder, name] : paths) {
        w.addFile(folder, name, text((folder + name + " " + tag).c_str()), K4QBPakEncoding::Stored);
    }
    return w;
}

} // namespace

int k4qbWritePakMergeSeeds(const std::string& folder) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        return -1;
    }
    const std::pair<std::string, std::string> brick = {"data\\textures\\", "brick.dds"};
    K4QBPakWriter broken = mixed(5);
    broken.truncateTo = 60;
    K4QBPakWriter twice =
        files({brick, brick, {"data\\", "twice.dds"}, {"data\\", "twice.dds"}}, "a");
    K4QBPakWriter hostile = files({{"", "("}, {"(\\", "e"}, {"Data\\", "brick.dds"}}, "h");
    hostile.addFile("..\\", "up.dds", text("up"), K4QBPakEncoding::Stored);
    hostile.addFile("con\\", "x.dds", text("con"), K4QBPakEncoding::Stored);
    const struct {
        const char* name;
        std::vector<K4QBPakWriter> archives;
        std::vector<int> times;
    } seeds[] = {
        {"newest-wins", {files({brick, {"a\\", "a.dds"}}, "old"), files({brick}, "new")}, {0, 2}},
        {"equal-times", {files({brick}, "a"), files({brick}, "b"), files({brick}, "c")}, {1, 1, 1}},
        {"older-twice", {twice, files({brick, {"data\\", "twice.dds"}}, "b")}, {0, 3}},
        {"newer-twice", {files({brick, {"data\\", "twice.dds"}}, "b"), twice}, {0, 3}},
        {"mixed-encodings", {mixed(5), mixed(4), files({{"data\\", "chain.dds"}}, "c")}, {2, 1, 3}},
        {"hostile-folders", {hostile, files({{"", "("}, {"data\\", "brick.dds"}}, "n")}, {0, 0}},
        {"empty-beside", {K4QBPakWriter(5), files({brick}, "only")}, {3, 0}},
        {"one-broken", {files({brick}, "fine"), broken}, {0, 1}},
    };
    int written = 0;
    for (const auto& seed : seeds) {
        if (!writeMergeSeed(folder + "/" + seed.name, seed.archives, seed.times)) {
            return -1;
        }
        ++written;
    }
    return written;
}
