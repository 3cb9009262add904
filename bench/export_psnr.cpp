// export_psnr: the level-0 RGB PSNR of compressed outputs against references
// of the same size, pooled over all pairs (total squared error over total
// channel samples), for bench/export_bench.sh. Every texel counts, whatever
// its alpha.
//
//   export_psnr LIST      LIST: one "OUTPUT<TAB>REFERENCE" pair per line,
//                         any file the codec reads (DDS, PNG ...)
//
// Prints "PSNR PAIRS" (dB, pairs compared); pairs whose files cannot be read
// or differ in size are reported on stderr and left out.
#include "codec/codec.h"
#include "codec/convert.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

using namespace k4codec;

namespace {

bool level0(const std::string& path, Image* image, std::vector<Rgba>* pixels) {
    std::vector<uint8_t> bytes;
    ImageInfo info;
    return readFileBytes(path.c_str(), &bytes) == kOk &&
           readImage(bytes.data(), bytes.size(), image, &info) == kOk &&
           decodeLevel(*image, 0, pixels) == kOk;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: export_psnr LIST\n");
        return 2;
    }
    std::ifstream list(argv[1]);
    double squared = 0;
    double samples = 0;
    int pairs = 0;
    for (std::string line; std::getline(list, line);) {
        const size_t tab = line.find('\t');
        if (tab == std::string::npos) {
            continue;
        }
        const std::string output = line.substr(0, tab), reference = line.substr(tab + 1);
        Image a, b;
        std::vector<Rgba> pa, pb;
        if (!level0(output, &a, &pa) || !level0(reference, &b, &pb) || a.width != b.width ||
            a.height != b.height) {
            std::fprintf(stderr, "export_psnr: left out: %s\n", output.c_str());
            continue;
        }
        for (size_t i = 0; i < pa.size(); ++i) {
            const double dr = pa[i].r - pb[i].r, dg = pa[i].g - pb[i].g, db = pa[i].b - pb[i].b;
            squared += dr * dr + dg * dg + db * db;
        }
        samples += 3.0 * static_cast<double>(pa.size());
        ++pairs;
    }
    const double mse = samples > 0 ? squared / samples : 0;
    std::printf("%.2f %d\n", mse > 0 ? 10 * std::log10(255.0 * 255.0 / mse) : 99.0, pairs);
    return pairs > 0 ? 0 : 1;
}
