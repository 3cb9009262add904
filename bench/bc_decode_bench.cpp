// bc_decode_bench: decode rate of BC7 and BC6H (unsigned and signed) DDS
// files of 2048 x 2048, ours on one thread and on all cores against Pillow's
// decoding of the same files, measured in the same run.
//
//   bc_decode_bench [PILLOW_IMAGES [WORK_DIR]]
//     (defaults build/deps/pillow/Tests/images, fetched by scripts/setup,
//      and build/bench-bc)
//
// The files are Pillow's BC7 and BC6H test images with their level-0 blocks
// tiled to 2048 x 2048 (nvcompress 2.0 writes neither format), written to
// WORK_DIR. Two figures each, in megapixels per second:
// - read: the whole file as the program reads it (header, allocation of the
//   16 MiB picture, decode); Pillow's Image.open and load;
// - decode: the blocks alone into a picture allocated and touched before;
//   Pillow's BCn decoder into an image made before.
// Each as the first in this process (cold) and the best of five more, in
// three rounds of ours then Pillow's (the best of all rounds). One thread:
// thread CPU time, so that other programs on the machine count less; all
// cores: wall time. Pillow runs in a fresh Python process each round
// (bench/pillow_decode.py).
#include "codec/codec.h"
#include "codec/dds_decode.h"
#include "codec/parallel.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <thread>
#include <time.h>
#include <vector>

using namespace k4codec;

namespace {

constexpr uint32_t kSide = 2048;
constexpr int kRuns = 5;
constexpr int kRounds = 3;
constexpr size_t kHeaderBytes = 4 + 124 + 20; // with the DX10 header

struct Source {
    const char* pillowName; // Pillow's test image
    const char* name;       // the tiled file's name
    const char* label;
    BlockFormat format;
};

const Source kSources[] = {
    {"bc7-argb-8bpp_MipMaps-1.dds", "bc7_2048.dds", "BC7_UNORM", BlockFormat::Bc7},
    {"bc6h.dds", "bc6h_uf16_2048.dds", "BC6H_UF16", BlockFormat::Bc6h},
    {"bc6h_sf.dds", "bc6h_sf16_2048.dds", "BC6H_SF16", BlockFormat::Bc6hSigned},
};

uint32_t le32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

void put32(std::vector<uint8_t>* b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        (*b)[at + i] = static_cast<uint8_t>(v >> (8 * i));
    }
}

// The DX10 file's level 0 blocks repeated to kSide x kSide, one level.
bool tile(const std::string& from, const std::string& to) {
    std::vector<uint8_t> in;
    if (readFileBytes(from.c_str(), &in) != kOk || in.size() < kHeaderBytes) {
        return false;
    }
    const uint32_t height = le32(in, 12), width = le32(in, 16);
    const uint32_t blocksWide = width / 4, blockRows = height / 4;
    if (kSide % width != 0 || kSide % height != 0 ||
        in.size() < kHeaderBytes + static_cast<size_t>(blocksWide) * blockRows * 16) {
        return false;
    }
    std::vector<uint8_t> out(in.begin(), in.begin() + kHeaderBytes);
    put32(&out, 12, kSide);
    put32(&out, 16, kSide);
    put32(&out, 28, 0); // one level
    for (uint32_t row = 0; row < kSide / 4; ++row) {
        const uint8_t* blocks =
            in.data() + kHeaderBytes + static_cast<size_t>(row % blockRows) * blocksWide * 16;
        for (uint32_t across = 0; across < kSide / width; ++across) {
            out.insert(out.end(), blocks, blocks + blocksWide * 16);
        }
    }
    return writeFileAtomic(to.c_str(), out) == kOk;
}

double threadSeconds() {
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double wallSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

struct Timing {
    double first = 0, best = 0;
};

// The first call and the best of kRuns more, on `threads` (1: thread CPU time).
template <typename Work> Timing timeOf(unsigned threads, Work work) {
    setCodecThreads(threads);
    const auto clock = threads == 1 ? threadSeconds : wallSeconds;
    Timing t;
    double start = clock();
    work();
    t.first = clock() - start;
    t.best = 1e9;
    for (int i = 0; i < kRuns; ++i) {
        start = clock();
        work();
        t.best = std::min(t.best, clock() - start);
    }
    return t;
}

struct Figures {
    Timing read, decode;
};

Figures timeOurs(const std::vector<uint8_t>& file, BlockFormat format, unsigned threads) {
    Figures f;
    f.read = timeOf(threads, [&] {
        Image image;
        ImageInfo info;
        if (ddsReadImage(file.data(), file.size(), &image, &info) != kOk) {
            std::fprintf(stderr, "bc_decode_bench: our reader refused a file\n");
            std::exit(1);
        }
    });
    std::vector<uint8_t> picture(static_cast<size_t>(kSide) * kSide * 4, 1);
    f.decode = timeOf(threads, [&] {
        decodeBlockLevel(format, file.data() + kHeaderBytes, kSide, kSide, picture.data());
    });
    return f;
}

std::map<std::string, Figures> timePillow(const std::vector<std::string>& files) {
    std::string command = "/usr/bin/python3 " K4_PILLOW_TIMER " " + std::to_string(kRuns);
    for (const std::string& file : files) {
        command += " '" + file + "'";
    }
    std::map<std::string, Figures> timings;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return timings;
    }
    char path[4096];
    Figures f;
    while (std::fscanf(pipe, "%4095s %lf %lf %lf %lf", path, &f.read.first, &f.read.best,
                       &f.decode.first, &f.decode.best) == 5) {
        timings[path] = f;
    }
    pclose(pipe);
    return timings;
}

// The first figures as they came; the best ones the best of all rounds.
void keepBest(Figures* kept, const Figures& now, bool first) {
    for (auto [keep, got] : {std::pair{&kept->read, now.read}, {&kept->decode, now.decode}}) {
        if (first) {
            *keep = got;
        } else {
            keep->best = std::min(keep->best, got.best);
        }
    }
}

double mpix(double seconds) {
    return seconds > 0 ? static_cast<double>(kSide) * kSide / seconds / 1e6 : 0;
}

void printRow(const char* label, const char* what, const Timing& one, const Timing& all,
              const Timing& pillow) {
    std::printf("%-10s %-7s %6.0f / %5.0f %6.0f / %5.0f %6.0f / %5.0f %7.1f / %4.1f\n", label, what,
                mpix(one.first), mpix(one.best), mpix(all.first), mpix(all.best),
                mpix(pillow.first), mpix(pillow.best),
                pillow.first > 0 ? pillow.first / one.first : 0,
                pillow.best > 0 ? pillow.best / one.best : 0);
}

} // namespace

int main(int argc, char** argv) {
    const std::string pillow = argc > 1 ? argv[1] : "build/deps/pillow/Tests/images";
    const std::string work = argc > 2 ? argv[2] : "build/bench-bc";
    const std::string mkdir = "mkdir -p '" + work + "'";
    if (std::system(mkdir.c_str()) != 0) {
        return 1;
    }
    std::vector<std::string> files;
    for (const Source& source : kSources) {
        files.push_back(work + "/" + source.name);
        if (!tile(pillow + "/" + source.pillowName, files.back())) {
            std::fprintf(stderr, "bc_decode_bench: cannot tile %s/%s\n", pillow.c_str(),
                         source.pillowName);
            return 1;
        }
    }
    // Ours first: each file's first read in this fresh process is cold. Then
    // Pillow, and both again in turns, keeping each one's best: other
    // programs on the machine then weigh on both alike.
    std::vector<Figures> one(files.size()), all(files.size());
    std::map<std::string, Figures> theirs;
    for (int round = 0; round < kRounds; ++round) {
        for (size_t i = 0; i < files.size(); ++i) {
            std::vector<uint8_t> bytes;
            if (readFileBytes(files[i].c_str(), &bytes) != kOk) {
                return 1;
            }
            keepBest(&one[i], timeOurs(bytes, kSources[i].format, 1), round == 0);
            keepBest(&all[i], timeOurs(bytes, kSources[i].format, 0), round == 0);
        }
        for (const auto& [file, figures] : timePillow(files)) {
            keepBest(&theirs[file], figures, round == 0);
        }
    }
    std::printf("%u x %u DDS files, Mpix/s: first in the process / best of %d x %d; %u cores\n\n",
                kSide, kSide, kRounds, kRuns, std::thread::hardware_concurrency());
    std::printf("%-10s %-7s %14s %14s %14s %14s\n", "format", "", "ours, 1 thread", "ours, all",
                "Pillow", "1 thread/Pillow");
    for (size_t i = 0; i < files.size(); ++i) {
        const auto found = theirs.find(files[i]);
        const Figures p = found != theirs.end() ? found->second : Figures();
        printRow(kSources[i].label, "read", one[i].read, all[i].read, p.read);
        printRow("", "decode", one[i].decode, all[i].decode, p.decode);
    }
    return 0;
}
