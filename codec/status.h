// Result codes of the image codec library. They carry the numeric values of
// the Direct3D 9 results so that the Direct3D bridge passes them through
// unchanged; the portable core reports every failure through them and never
// throws.
#pragma once

#include <cstdint>

namespace k4codec {

using HResult = int32_t;

inline constexpr HResult kOk = 0;
// The file cannot be decoded: wrong magic, bad header, truncated, out of limits.
inline constexpr HResult kInvalidData = static_cast<HResult>(0x88760B59u);
// Bad arguments from the caller (unsupported format, zero size, null pointer).
inline constexpr HResult kInvalidCall = static_cast<HResult>(0x8876086Cu);
inline constexpr HResult kOutOfMemory = static_cast<HResult>(0x8007000Eu);
inline constexpr HResult kOutOfVideoMemory = static_cast<HResult>(0x8876017Cu);
// A file that cannot be opened or read (HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)).
inline constexpr HResult kFileNotFound = static_cast<HResult>(0x80070002u);
// An image file whose width or height is beyond kMaxDimension; the reader
// still gives both in its ImageInfo, for the message (resultMessage). A
// customer-defined code: no Direct3D result means this.
inline constexpr HResult kTooLarge = static_cast<HResult>(0xA8760001u);
// A file that cannot be written for want of room on its disk
// (HRESULT_FROM_WIN32(ERROR_DISK_FULL)).
inline constexpr HResult kDiskFull = static_cast<HResult>(0x80070070u);
// A file that cannot be written (E_FAIL).
inline constexpr HResult kWriteFailed = static_cast<HResult>(0x80004005u);

inline bool succeeded(HResult result) {
    return result >= 0;
}

// A short English text for a result, for messages ("invalid image data").
const char* resultText(HResult result);

} // namespace k4codec
