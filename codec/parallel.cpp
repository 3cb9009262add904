// parallelFor: helpers started per call, pieces handed out by an atomic
// counter. Starting a thread costs tens of microseconds; callers only split
// work that takes milliseconds.
#include "codec/parallel.h"

#include <algorithm>
#include <atomic>
#include <thread>

namespace k4codec {

namespace {

constexpr unsigned kMaxThreads = 64;

std::atomic<unsigned> gThreads{0};
thread_local bool tInsideHelper = false;

} // namespace

void setCodecThreads(unsigned count) {
    gThreads.store(count);
}

unsigned codecThreads() {
    unsigned count = gThreads.load();
    if (count == 0) {
        count = std::thread::hardware_concurrency();
    }
    return std::clamp(count, 1u, kMaxThreads);
}

void parallelFor(size_t count, size_t grain, const std::function<void(size_t, size_t)>& body) {
    grain = std::max<size_t>(grain, 1);
    const size_t pieces = (count + grain - 1) / grain;
    const size_t threads = tInsideHelper ? 1 : std::min<size_t>(codecThreads(), pieces);
    if (threads <= 1) {
        if (count > 0) {
            body(0, count);
        }
        return;
    }
    std::atomic<size_t> next{0};
    const auto work = [&] {
        for (size_t piece; (piece = next.fetch_add(1)) < pieces;) {
            body(piece * grain, std::min(count, (piece + 1) * grain));
        }
    };
    std::thread helpers[kMaxThreads];
    size_t started = 0;
    for (; started + 1 < threads; ++started) {
        try {
            helpers[started] = std::thread([&work] {
                tInsideHelper = true;
                work();
            });
        } catch (...) { // no memory or no thread for it: the others do its share
            break;
        }
    }
    tInsideHelper = true; // the caller's share nests like a helper's
    work();
    tInsideHelper = false;
    for (size_t i = 0; i < started; ++i) {
        helpers[i].join();
    }
}

} // namespace k4codec
