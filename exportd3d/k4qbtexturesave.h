// Rendering into a DDS file with the program's Direct3D device: the layered
// texture saved from the layers panel (saveLayeredTexture) and one source
// texture drawn over a band of an output (convertTexture, for the batch
// export's files and thumbnails).
//
// Both render off screen into an A8R8G8B8 render target cleared to
// transparent black and do not present. The picture is copied into the
// output format with the codec's D3DX-named bridge, which also makes the mip
// chain and writes the file: beside its target first and then moved into
// place, so a failed save leaves any older file of that name as it was and
// no temporary file. The output texture is a scratch texture: it is only read
// back, and so any of the twelve output formats can be made whatever the
// device can sample. Sizes, levels, formats, the band and the blend are
// those of the codec's software drawing (codec/compose.h).
//
// Threads: saveLayeredTexture runs on the window thread and takes the device
// for its whole run, so the preview waits meanwhile; convertTexture runs on
// any thread that holds the device.
#pragma once

#include <windows.h>

#include <d3d9.h>

#include <cstdint>

class K4CDebugLogger;
class K4QBLayerPreview;

// The layers panel's output options, read when "Save Texture" is chosen.
// Texts are not owned and must outlive the call.
struct K4QBLayerSaveOptions {
    int32_t folderSource = 0;          // 0 the file system, anything else the game
    const char* folder = nullptr;      // the file-system folder or the game folder, by source
    const char* installPath = nullptr; // getInstallPath(); null when the game is not installed
    int32_t formatIndex = 0;           // the format list's selection, 0 to 11
    const char* fileName = nullptr;    // as typed: no prefix, sanitising or extension added
};

// Renders the preview's layers at the layered texture's size and writes them
// as one DDS file in the chosen format: one level when the file name begins
// with "overlay_", else the full chain. For the game the output folder and
// "data\textures\" are created first. The busy cursor shows meanwhile. False,
// with nothing written, when the device is lost, no layer loads, the format
// index is outside the list, the name or folder gives no safe path (see
// makeOutputPath), or a step or the write fails.
bool saveLayeredTexture(K4QBLayerPreview* preview, const K4QBLayerSaveOptions& options);

// With the device held: the source texture stretched across the full width
// of a width x height output and over the band of rows the band aspect gives
// (bandRows of codec/compose.h; 1 covers it all), the rest transparent black,
// written as DDS in `format` with `levelCount` levels (1, or 0 for the full
// chain). False, with nothing written, on any failure; `result` (optional)
// then says why (k4codec::kDiskFull when the disk had no room for the file).
bool convertTexture(IDirect3DTexture9* source, uint32_t width, uint32_t height, float bandAspect,
                    uint32_t levelCount, D3DFORMAT format, const char* path,
                    K4CDebugLogger* logger = nullptr, HRESULT* result = nullptr);
