// The codec's work spread over threads: every piece done once, nested calls
// on the calling thread, and the same bytes whatever the thread count.
#include "codec/convert.h"
#include "codec/dxt.h"
#include "codec/mips.h"
#include "codec/parallel.h"
#include "codec_test_support.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <mutex>
#include <set>
#include <thread>

using namespace k4codec;
using namespace codectest;

namespace {

// Restores the default thread count when a test ends.
struct ThreadCount {
    explicit ThreadCount(unsigned count) { setCodecThreads(count); }
    ~ThreadCount() { setCodecThreads(0); }
};

std::vector<Rgba> texture(uint32_t w, uint32_t h) {
    std::vector<Rgba> pixels(static_cast<size_t>(w) * h);
    uint32_t seed = 99;
    for (uint32_t y = 0; y < h; ++y) {
        for (uint32_t x = 0; x < w; ++x) {
            seed = seed * 1664525 + 1013904223;
            const int noise = static_cast<int>(seed >> 28);
            pixels[y * w + x] =
                rgba(uint8_t(128 + 100 * std::sin(x * 0.05) + noise), uint8_t((x ^ y) & 0xff),
                     uint8_t(y * 255 / h), uint8_t((x + y + noise) & 0xff));
        }
    }
    return pixels;
}

} // namespace

TEST(CodecThreads, EveryPieceOnceAndNestedCallsStayOnTheirThread) {
    const ThreadCount threads(4);
    for (size_t grain : {1u, 3u, 64u}) {
        std::vector<std::atomic<int>> done(777);
        std::mutex lock;
        std::set<std::thread::id> outer;
        bool nestedElsewhere = false;
        std::atomic<size_t> seen{0};
        parallelFor(done.size(), grain, [&](size_t first, size_t end) {
            const std::thread::id self = std::this_thread::get_id();
            {
                std::lock_guard<std::mutex> hold(lock);
                seen = outer.insert(self).second ? outer.size() : seen.load();
            }
            // The first piece waits (10 s at most) for a second thread to
            // take one, so that sharing does not depend on timing.
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (first == 0 && grain == 1 && seen < 2 &&
                   std::chrono::steady_clock::now() < deadline) {
                std::this_thread::yield();
            }
            parallelFor(3, 1, [&](size_t, size_t) {
                std::lock_guard<std::mutex> hold(lock);
                nestedElsewhere = nestedElsewhere || std::this_thread::get_id() != self;
            });
            for (size_t i = first; i < end; ++i) {
                ++done[i];
            }
        });
        for (size_t i = 0; i < done.size(); ++i) {
            ASSERT_EQ(done[i].load(), 1) << grain << " " << i;
        }
        EXPECT_FALSE(nestedElsewhere) << grain;
        if (grain == 1) {
            EXPECT_GT(outer.size(), 1u); // the work was shared
        }
    }
}

TEST(CodecThreads, SameBytesWithOneOrManyThreads) {
    // Partial blocks at the right and bottom; levels big enough to be split
    // into rows of blocks (DXT) and halved in bands (the larger picture).
    for (Format format : {kFmtDXT1, kFmtDXT5, kFmtA8R8G8B8}) {
        const uint32_t w = format == kFmtA8R8G8B8 ? 1026 : 262;
        const uint32_t h = format == kFmtA8R8G8B8 ? 518 : 134;
        const std::vector<Rgba> pixels = texture(w, h);
        Image byThreads[2];
        for (unsigned count : {1u, 5u}) {
            const ThreadCount threads(count);
            Image& image = byThreads[count == 1 ? 0 : 1];
            ASSERT_EQ(allocateImage(&image, w, h, format, fullMipCount(w, h)), kOk);
            ASSERT_EQ(encodeLevel(pixels.data(), w, h, format, &image.levels[0]), kOk);
            ASSERT_EQ(rebuildMips(&image), kOk);
        }
        for (size_t level = 0; level < byThreads[0].levels.size(); ++level) {
            EXPECT_EQ(byThreads[0].levels[level], byThreads[1].levels[level])
                << formatName(format) << " level " << level;
        }
    }
    // Any bytes are DXT blocks: a level big enough to be decoded in pieces.
    const uint32_t w = 1026, h = 518;
    std::vector<uint8_t> blocks(formatLevelBytes(kFmtDXT5, w, h));
    for (size_t i = 0; i < blocks.size(); ++i) {
        blocks[i] = uint8_t((i * 2654435761u) >> 13);
    }
    std::vector<Rgba> decoded[2];
    for (unsigned count : {1u, 5u}) {
        const ThreadCount threads(count);
        std::vector<Rgba>& out = decoded[count == 1 ? 0 : 1];
        out.resize(static_cast<size_t>(w) * h);
        dxtDecodeImage(kFmtDXT5, blocks.data(), w, h, out.data());
    }
    EXPECT_EQ(decoded[0], decoded[1]);
}
