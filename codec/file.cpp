// Choosing the reader by content, and whole-file reading and writing through
// the platform seam.
#include "codec/codec.h"
#include "codec/memory.h"
#include "codec/reader_util.h"
#include "platform/platform.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace k4codec {

HResult detectFileType(const uint8_t* data, size_t size, FileType* type) {
    if (data == nullptr || type == nullptr) {
        return kInvalidCall;
    }
    if (size >= 4 && loadLe32(data) == 0x20534444) {
        *type = FileType::Dds;
    } else if (size >= 8 && std::memcmp(data, "\x89PNG\r\n\x1a\n", 8) == 0) {
        *type = FileType::Png;
    } else if (size >= 2 && data[0] == 0xff && data[1] == 0xd8) { // junk may follow SOI
        *type = FileType::Jpeg;
    } else if (size >= 2 && data[0] == 'B' && data[1] == 'M') {
        *type = FileType::Bmp;
    } else if (const HResult tga = tgaReadHeader(data, size, nullptr);
               tga == kOk || tga == kTooLarge) {
        *type = FileType::Tga;
    } else {
        return kInvalidData;
    }
    return kOk;
}

HResult readImageHeader(const uint8_t* data, size_t size, ImageInfo* info) {
    FileType type;
    const HResult result = detectFileType(data, size, &type);
    if (result != kOk) {
        return result;
    }
    switch (type) {
    case FileType::Dds:
        return ddsReadHeader(data, size, info);
    case FileType::Png:
        return pngReadHeader(data, size, info);
    case FileType::Jpeg:
        return jpegReadHeader(data, size, info);
    case FileType::Bmp:
        return bmpReadHeader(data, size, info);
    default:
        return tgaReadHeader(data, size, info);
    }
}

HResult readImage(const uint8_t* data, size_t size, Image* image, ImageInfo* info) {
    FileType type;
    const HResult result = detectFileType(data, size, &type);
    if (result != kOk) {
        return result;
    }
    switch (type) {
    case FileType::Dds:
        return ddsReadImage(data, size, image, info);
    case FileType::Png:
        return pngReadImage(data, size, image, info);
    case FileType::Jpeg:
        return jpegReadImage(data, size, image, info);
    case FileType::Bmp:
        return bmpReadImage(data, size, image, info);
    default:
        return tgaReadImage(data, size, image, info);
    }
}

HResult readFileInto(const char* path, std::vector<uint8_t>* buffer, size_t* size) {
    if (path == nullptr || buffer == nullptr || size == nullptr) {
        return kInvalidCall;
    }
    FILE* file = k4p::openFile(path, "rb");
    if (file == nullptr) {
        return kFileNotFound;
    }
    // Room for the whole file at once when its size is known, so that one
    // read fills it; a file that grows meanwhile grows the buffer.
    k4p::FileStatus status;
    HResult result = kOk;
    if (k4p::getFileStatus(path, &status) && status.size < SIZE_MAX / 2 &&
        buffer->size() < status.size) {
        result = resizeBuffer(buffer, static_cast<size_t>(status.size));
    }
    size_t used = 0;
    while (result == kOk) {
        if (used == buffer->size()) {
            const int next = std::fgetc(file);
            if (next == EOF) {
                break;
            }
            result = resizeBuffer(buffer, used < 32768 ? 65536 : used * 2);
            if (result == kOk) {
                (*buffer)[used++] = static_cast<uint8_t>(next);
            }
            continue;
        }
        const size_t got = std::fread(buffer->data() + used, 1, buffer->size() - used, file);
        if (got == 0) {
            break;
        }
        used += got;
    }
    if (result == kOk && std::ferror(file)) {
        result = kFileNotFound;
    }
    std::fclose(file);
    if (result == kOk) {
        *size = used;
    }
    return result;
}

HResult readFileBytes(const char* path, std::vector<uint8_t>* bytes) {
    if (bytes == nullptr) {
        return kInvalidCall;
    }
    std::vector<uint8_t> content;
    size_t size = 0;
    const HResult result = readFileInto(path, &content, &size);
    if (result == kOk) {
        content.resize(size);
        bytes->swap(content);
    }
    return result;
}

HResult writeFileAtomic(const char* path, const std::vector<uint8_t>& bytes) {
    if (path == nullptr) {
        return kInvalidCall;
    }
    k4p::WriteError error = k4p::WriteError::None;
    if (k4p::writeFileAtomic(path, bytes.data(), bytes.size(), &error)) {
        return kOk;
    }
    return error == k4p::WriteError::DiskFull ? kDiskFull : kWriteFailed;
}

} // namespace k4codec
