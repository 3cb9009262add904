// Reading and writing image files in memory. Each file format has the same
// three calls:
//   xxxReadHeader(data, size, info): validates the header and describes the
//     file; never allocates.
//   xxxReadImage(data, size, image, info): decodes all levels the file holds.
//   ddsWriteImage(image, bytes): the one writer.
// Decoded images of BMP, TGA, PNG and JPEG files are A8R8G8B8 (X8R8G8B8 when
// the file has no alpha); DDS files keep their own format when it is one this
// library converts from, otherwise they are expanded to A8R8G8B8 or X8R8G8B8.
// info->format is always the file's own format (P8 for a palette file, R8G8B8
// for a 24-bit one, L8 for a grey one ...). Every failure to decode is
// kInvalidData; running out of memory is kOutOfMemory.
#pragma once

#include "codec/image.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace k4codec {

HResult ddsReadHeader(const uint8_t* data, size_t size, ImageInfo* info);
HResult ddsReadImage(const uint8_t* data, size_t size, Image* image, ImageInfo* info);
// Writes all levels with a legacy header. The image must be in a format the
// codec converts (isConvertible: not a palette), otherwise kInvalidCall.
HResult ddsWriteImage(const Image& image, std::vector<uint8_t>* bytes);

HResult bmpReadHeader(const uint8_t* data, size_t size, ImageInfo* info);
HResult bmpReadImage(const uint8_t* data, size_t size, Image* image, ImageInfo* info);

HResult tgaReadHeader(const uint8_t* data, size_t size, ImageInfo* info);
HResult tgaReadImage(const uint8_t* data, size_t size, Image* image, ImageInfo* info);

HResult pngReadHeader(const uint8_t* data, size_t size, ImageInfo* info);
// When `image` holds one level whose buffer has the room, the picture is
// decoded into that buffer instead of fresh memory (on failure `image` keeps
// it, its bytes then undefined).
HResult pngReadImage(const uint8_t* data, size_t size, Image* image, ImageInfo* info);
// The header, and the format pngReadImage decodes the file into:
// kFmtA8R8G8B8 where it has alpha, else kFmtX8R8G8B8 (alpha 255).
HResult pngReadDecodedFormat(const uint8_t* data, size_t size, ImageInfo* info, Format* decoded);
// The picture decoded into the caller's memory (a locked texture level): row
// y at pixels + y * pitch, width * 4 bytes in that format. kInvalidCall
// unless width and height are the file's and the pitch holds a row; on
// failure the rows hold whatever was decoded.
HResult pngReadInto(const uint8_t* data, size_t size, uint8_t* pixels, size_t pitch, uint32_t width,
                    uint32_t height, ImageInfo* info);

HResult jpegReadHeader(const uint8_t* data, size_t size, ImageInfo* info);
HResult jpegReadImage(const uint8_t* data, size_t size, Image* image, ImageInfo* info);

// The file type by content: magic numbers for DDS, BMP, PNG and JPEG, a
// valid header for TGA (which has none). kInvalidData when none matches.
HResult detectFileType(const uint8_t* data, size_t size, FileType* type);

// Detects the type and calls the matching reader.
HResult readImageHeader(const uint8_t* data, size_t size, ImageInfo* info);
HResult readImage(const uint8_t* data, size_t size, Image* image, ImageInfo* info);

// Whole files, with Windows-style paths. readFileBytes gives kFileNotFound
// when the file cannot be opened or read. writeFileAtomic writes beside the
// target and moves the finished file into place, so a failure leaves any old
// file untouched; it gives kDiskFull when the disk has no room for it,
// kWriteFailed for any other failure.
HResult readFileBytes(const char* path, std::vector<uint8_t>* bytes);
// The whole file into `buffer`, whose memory is reused (grown when short,
// never shrunk), and its length into `size`; the bytes beyond it are left
// as they were. For loads that read file after file.
HResult readFileInto(const char* path, std::vector<uint8_t>* buffer, size_t* size);
HResult writeFileAtomic(const char* path, const std::vector<uint8_t>& bytes);

} // namespace k4codec
