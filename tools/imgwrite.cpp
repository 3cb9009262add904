// BMP, TGA and DDS fixture writers, byte by byte.
#include "tools/imgwrite.h"
#include "platform/platform.h"

#include <cstdio>

namespace imgwrite {

namespace {

void putLe16(Bytes* out, uint32_t v) {
    out->push_back(static_cast<uint8_t>(v));
    out->push_back(static_cast<uint8_t>(v >> 8));
}

void putLe32(Bytes* out, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        out->push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
}

// BMP pixel rows (bottom-up unless top-down), each padded to 4 bytes.
Bytes bmpRows(const BmpOptions& o, uint32_t width, uint32_t height,
              const std::vector<uint32_t>& values) {
    Bytes data;
    const size_t stride = (static_cast<size_t>(width) * o.bits + 31) / 32 * 4;
    for (uint32_t i = 0; i < height; ++i) {
        const uint32_t y = o.topDown ? i : height - 1 - i;
        Bytes row(stride, 0);
        for (uint32_t x = 0; x < width; ++x) {
            const uint32_t v = values[static_cast<size_t>(y) * width + x];
            if (o.bits < 8) {
                const uint32_t perByte = 8 / o.bits;
                row[x / perByte] |= static_cast<uint8_t>(v << (8 - o.bits * (x % perByte + 1)));
            } else {
                for (uint32_t b = 0; b < o.bits / 8; ++b) {
                    row[x * (o.bits / 8) + b] = static_cast<uint8_t>(v >> (8 * b));
                }
            }
        }
        data.insert(data.end(), row.begin(), row.end());
    }
    return data;
}

// RLE8 / RLE4: runs of equal values, absolute spans of 3 or more otherwise.
Bytes bmpRle(const BmpOptions& o, uint32_t width, uint32_t height,
             const std::vector<uint32_t>& values) {
    const bool four = o.compression == 2;
    Bytes data;
    for (uint32_t i = 0; i < height; ++i) {
        const uint32_t* row = values.data() + static_cast<size_t>(height - 1 - i) * width;
        uint32_t x = 0;
        while (x < width) {
            uint32_t run = 1;
            while (x + run < width && run < 255 && row[x + run] == row[x]) {
                ++run;
            }
            uint32_t span = 1;
            while (run < 2 && x + span < width && span < 255 &&
                   !(x + span + 1 < width && row[x + span] == row[x + span + 1])) {
                ++span;
            }
            if (run >= 2 || span < 3) {
                data.push_back(static_cast<uint8_t>(run));
                data.push_back(static_cast<uint8_t>(four ? (row[x] << 4) | row[x] : row[x]));
                x += run;
                continue;
            }
            data.push_back(0);
            data.push_back(static_cast<uint8_t>(span));
            Bytes packed;
            for (uint32_t k = 0; k < span; ++k) {
                if (!four) {
                    packed.push_back(static_cast<uint8_t>(row[x + k]));
                } else if (k % 2 == 0) {
                    packed.push_back(static_cast<uint8_t>(row[x + k] << 4));
                } else {
                    packed.back() |= static_cast<uint8_t>(row[x + k]);
                }
            }
            if (packed.size() % 2 != 0) {
                packed.push_back(0);
            }
            data.insert(data.end(), packed.begin(), packed.end());
            x += span;
        }
        data.push_back(0);
        data.push_back(i + 1 == height ? 1 : 0); // end of bitmap after the last row
    }
    return data;
}

void putTgaValue(Bytes* out, uint32_t value, uint32_t bytes) {
    for (uint32_t b = 0; b < bytes; ++b) {
        out->push_back(static_cast<uint8_t>(value >> (8 * b)));
    }
}

} // namespace

Bytes writeBmpRawData(const BmpOptions& o, uint32_t width, uint32_t height, const Bytes& data) {
    Bytes out;
    const bool core = o.headerSize == 12;
    const bool bitfields = o.compression == 3 || o.compression == 6;
    const size_t maskBytes = o.headerSize == 40 && bitfields ? (o.compression == 6 ? 16 : 12) : 0;
    const size_t paletteBytes = o.palette.size() * (core ? 3 : 4);
    const uint32_t offBits = static_cast<uint32_t>(14 + o.headerSize + maskBytes + paletteBytes);
    out.push_back('B');
    out.push_back('M');
    putLe32(&out, static_cast<uint32_t>(offBits + data.size()));
    putLe32(&out, 0);
    putLe32(&out, offBits);
    putLe32(&out, o.headerSize);
    if (core) {
        putLe16(&out, width);
        putLe16(&out, height);
        putLe16(&out, 1);
        putLe16(&out, o.bits);
    } else {
        putLe32(&out, width);
        putLe32(&out, o.topDown ? static_cast<uint32_t>(-static_cast<int32_t>(height)) : height);
        putLe16(&out, 1);
        putLe16(&out, o.bits);
        putLe32(&out, o.compression);
        putLe32(&out, static_cast<uint32_t>(data.size()));
        putLe32(&out, 2835);
        putLe32(&out, 2835);
        putLe32(&out, o.clrUsed ? o.clrUsed : static_cast<uint32_t>(o.palette.size()));
        putLe32(&out, 0);
        // V2 and later: masks inside the header; the rest (colour space) zero.
        for (uint32_t i = 0; i < 4 && 40 + 4 * i < o.headerSize; ++i) {
            putLe32(&out, o.masks[i]);
        }
        if (o.headerSize >= 108) {
            putLe32(&out, 0x73524742); // 'sRGB'
        }
        while (out.size() < 14 + o.headerSize) {
            out.push_back(0);
        }
        for (size_t i = 0; i < maskBytes / 4; ++i) {
            putLe32(&out, o.masks[i]);
        }
    }
    for (const Pixel& p : o.palette) {
        out.push_back(p.b);
        out.push_back(p.g);
        out.push_back(p.r);
        if (!core) {
            out.push_back(0);
        }
    }
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

Bytes writeBmp(const BmpOptions& o, uint32_t width, uint32_t height,
               const std::vector<uint32_t>& values) {
    const bool rle = o.compression == 1 || o.compression == 2;
    return writeBmpRawData(o, width, height,
                           rle ? bmpRle(o, width, height, values)
                               : bmpRows(o, width, height, values));
}

Bytes writeTga(const TgaOptions& o, uint32_t width, uint32_t height,
               const std::vector<uint32_t>& values) {
    Bytes out;
    const bool mapped = !o.colourMap.empty();
    out.push_back(static_cast<uint8_t>(o.id.size()));
    out.push_back(mapped ? 1 : 0);
    out.push_back(static_cast<uint8_t>(o.imageType));
    putLe16(&out, o.mapFirst);
    putLe16(&out, static_cast<uint32_t>(o.colourMap.size()));
    out.push_back(static_cast<uint8_t>(mapped ? o.mapEntryBits : 0));
    putLe16(&out, 0);
    putLe16(&out, 0);
    putLe16(&out, width);
    putLe16(&out, height);
    out.push_back(static_cast<uint8_t>(o.bits));
    out.push_back(
        static_cast<uint8_t>(o.alphaBits | (o.rightToLeft ? 0x10 : 0) | (o.topDown ? 0x20 : 0)));
    out.insert(out.end(), o.id.begin(), o.id.end());
    for (uint32_t entry : o.colourMap) {
        putTgaValue(&out, entry, (o.mapEntryBits + 7) / 8);
    }
    // Pixels in file order.
    std::vector<uint32_t> ordered;
    for (uint32_t i = 0; i < height; ++i) {
        const uint32_t y = o.topDown ? i : height - 1 - i;
        for (uint32_t j = 0; j < width; ++j) {
            const uint32_t x = o.rightToLeft ? width - 1 - j : j;
            ordered.push_back(values[static_cast<size_t>(y) * width + x]);
        }
    }
    const uint32_t bytes = (o.bits + 7) / 8;
    if (o.imageType < 9) {
        for (uint32_t v : ordered) {
            putTgaValue(&out, v, bytes);
        }
        return out;
    }
    for (size_t n = 0; n < ordered.size();) {
        size_t run = 1;
        while (n + run < ordered.size() && run < 128 && ordered[n + run] == ordered[n]) {
            ++run;
        }
        if (run >= 2) {
            out.push_back(static_cast<uint8_t>(0x80 | (run - 1)));
            putTgaValue(&out, ordered[n], bytes);
            n += run;
            continue;
        }
        size_t raw = 1;
        while (n + raw < ordered.size() && raw < 128 &&
               (n + raw + 1 >= ordered.size() || ordered[n + raw] != ordered[n + raw + 1])) {
            ++raw;
        }
        out.push_back(static_cast<uint8_t>(raw - 1));
        for (size_t k = 0; k < raw; ++k) {
            putTgaValue(&out, ordered[n + k], bytes);
        }
        n += raw;
    }
    return out;
}

uint32_t fourCC(const char* text) {
    return static_cast<uint32_t>(static_cast<uint8_t>(text[0])) |
           (static_cast<uint32_t>(static_cast<uint8_t>(text[1])) << 8) |
           (static_cast<uint32_t>(static_cast<uint8_t>(text[2])) << 16) |
           (static_cast<uint32_t>(static_cast<uint8_t>(text[3])) << 24);
}

Bytes writeDds(const DdsOptions& o, const Bytes& data) {
    Bytes out;
    putLe32(&out, fourCC("DDS "));
    putLe32(&out, o.headerSize);
    putLe32(&out, o.flags);
    putLe32(&out, o.height);
    putLe32(&out, o.width);
    putLe32(&out, o.pitchOrLinearSize);
    putLe32(&out, o.depth);
    putLe32(&out, o.mipCount);
    for (int i = 0; i < 11; ++i) {
        putLe32(&out, 0);
    }
    putLe32(&out, o.pfSize);
    putLe32(&out, o.dx10 ? 0x4 : o.pfFlags);
    putLe32(&out, o.dx10 ? fourCC("DX10") : o.fourCC);
    putLe32(&out, o.bits);
    for (uint32_t mask : o.masks) {
        putLe32(&out, mask);
    }
    putLe32(&out, o.caps);
    putLe32(&out, o.caps2);
    putLe32(&out, 0);
    putLe32(&out, 0);
    putLe32(&out, 0);
    if (o.dx10) {
        putLe32(&out, o.dxgiFormat);
        putLe32(&out, o.resourceDimension);
        putLe32(&out, o.miscFlag);
        putLe32(&out, o.arraySize);
        putLe32(&out, 0);
    }
    for (const Pixel& p : o.palette) {
        out.push_back(p.r);
        out.push_back(p.g);
        out.push_back(p.b);
        out.push_back(p.a);
    }
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

void patchLe16(Bytes* bytes, size_t offset, uint16_t value) {
    (*bytes)[offset] = static_cast<uint8_t>(value);
    (*bytes)[offset + 1] = static_cast<uint8_t>(value >> 8);
}

void patchLe32(Bytes* bytes, size_t offset, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        (*bytes)[offset + i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

bool saveFile(const std::string& path, const Bytes& bytes) {
    FILE* file = k4p::openFile(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    const bool ok =
        bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

} // namespace imgwrite
