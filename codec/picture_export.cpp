// Exporting a picture file as PNG, TGA, BMP or DDS (see picture_export.h).
#include "codec/picture_export.h"

#include "codec/codec.h"
#include "codec/convert.h"
#include "codec/png_writer.h"
#include "codec/rgba_writers.h"

#include <new>

namespace k4codec {

HResult exportPicture(const uint8_t* data, size_t size, ExportType type,
                      std::vector<uint8_t>* bytes) {
    ImageInfo info;
    HResult result = readImageHeader(data, size, &info);
    if (!succeeded(result)) {
        return result;
    }
    try {
        if (type == ExportType::Dds && info.fileType == FileType::Dds) {
            bytes->assign(data, data + size); // as stored
            return kOk;
        }
        Image image;
        result = readImage(data, size, &image, &info);
        std::vector<Rgba> pixels;
        if (succeeded(result)) {
            result = decodeLevel(image, 0, &pixels);
        }
        if (!succeeded(result)) {
            return result;
        }
        switch (type) {
        case ExportType::Png:
            return pngWriteRgba(pixels.data(), image.width, image.height, bytes);
        case ExportType::Tga:
            return tgaWriteRgba(pixels.data(), image.width, image.height, bytes);
        case ExportType::Bmp:
            return bmpWriteRgba(pixels.data(), image.width, image.height, bytes);
        case ExportType::Dds: {
            Image top;
            result = allocateImage(&top, image.width, image.height, kFmtA8R8G8B8, 1);
            if (succeeded(result)) {
                result = encodeLevel(pixels.data(), image.width, image.height, kFmtA8R8G8B8,
                                     &top.levels[0]);
            }
            return succeeded(result) ? ddsWriteImage(top, bytes) : result;
        }
        }
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    return kInvalidCall;
}

} // namespace k4codec
