// K4QBImagePreview: shows the files selected in the file list in the image
// panel, one file or up to 100 as animation frames, on two threads of its
// own:
//  - the loader loads the frames in order: it finds the file and asks the
//    texture cache with the Direct3D lock held, decodes without it, then
//    caches the texture and fits the frame with the lock, and publishes the
//    frame (getLoadedCount); a decoded file's lower mip levels follow before
//    the next frame;
//  - the worker draws: frame 0 as soon as it is loaded, then the animation
//    over the frames loaded so far (it waits at the last loaded frame rather
//    than wrapping early).
// The window thread only names the frames (setFrames) and starts both, so a
// selection never waits for a file.
//
// At the panel's view (k4qbimagepreview_view.cpp) the worker draws the frame
// zoomed and panned, at the mip level asked for, with the texture's facts in
// the caption. For a compressed preview (DXT1/3/5, or its difference) the
// loader also encodes and decodes each frame's level with the codec, without
// the lock, and publishes the frame only then; the worker draws the result
// like any texture. A change of zoom, pan or level only redraws. cancel() asks both threads to end
// and returns at once; a new selection cancels the old preview and leaves it to end on its own (the
// panel deletes it once hasEnded()).
//
// Thread rules (for this preview and every worker to come):
//  - No error leaves a thread. Each thread function runs its body through
//    k4qbRunWorker (shell/k4qberrorboundary.h), which catches everything and
//    logs it at ERROR when the line can be written; the thread then stops in
//    order and what it showed stays.
//  - Both threads touch the device, the texture cache and the game content
//    only inside a K4QBD3DUse bracket, which closes however its scope is left.
//    Inside it they check the running flag first: a cancelled preview draws
//    and loads nothing more (it only completes the mip levels of a texture
//    it already gave the cache).
//  - Neither waits for the window thread, which may be waiting for them to
//    end: they post, never send (captions, the content error and the end of
//    loading go to the panel, which posts them to its own window).
//  - Flags shared with the window thread are std::atomic. The frames from
//    getLoadedCount() on belong to the loader; the loaded ones change only
//    with the Direct3D lock held (fitting, vertex buffers).
//  - Stopping and destroying never throw (K4C_TRACE_NOTHROW).
#pragma once

#include <windows.h>

#include <d3d9.h>

#include "codec/image.h"
#include "texmgr/k4qbtexmgrimagepanel.h"
#include "view/picture_compare.h"

#include <atomic>
#include <cstdint>

class K4CDebugLogger;
class K4CString;
class K4QBFileListBox;
class K4QBTexMgrWindow;
class K4QBTextureCache;
namespace k4d3dx {
struct DecodedTexture;
struct TextureTarget;
} // namespace k4d3dx

inline constexpr int32_t K4QB_PREVIEW_MAX_FRAMES = 100;
inline constexpr D3DCOLOR K4QB_PREVIEW_SURROUND = 0xFF333333;

// One shown file. Frames of equal image size share one vertex buffer; each
// holds its own reference.
struct K4QBPreviewFrame {
    char* name;
    char* folder;
    int32_t imageWidth; // 0 when the file could not be loaded
    int32_t imageHeight;
    // The sides of a picture refused as larger than the codec reads, for the
    // caption; 0 otherwise.
    uint32_t refusedWidth, refusedHeight;
    int32_t displayWidth;
    int32_t displayHeight;
    int32_t x1, y1, x2, y2; // back-buffer pixels
    IDirect3DVertexBuffer9* vertexBuffer;
    // The texture's levels, and the picture's levels above its top one (a
    // picture larger than the device takes was halved until it fitted). The
    // picture's top level: the texture's, or with levels above it the file's
    // sides rounded up to powers of two (each side was halved on its own).
    uint32_t textureLevels;
    uint32_t levelsAbove;
    uint32_t pictureWidth, pictureHeight;
    // The file's facts, when `facts` is set: its own size and pixel format
    // (a static name, or null), the levels it stores and its bytes.
    bool facts;
    uint32_t fileWidth, fileHeight;
    const char* storedFormat;
    uint32_t fileLevels;
    uint64_t fileBytes;
    // The compressed preview of the level shown (owned), with its error;
    // null when not asked for or not made (compressedResult says why).
    IDirect3DTexture9* compressed;
    k4view::PictureError error;
    int32_t compressedResult;
};

class K4QBImagePreview {
public:
    // source: 0 files on disk, 1 game content. Nothing is loaded yet.
    K4QBImagePreview(int32_t source, K4QBTexMgrWindow* mainWindow, K4QBTexMgrImagePanel* panel,
                     K4QBTextureCache* cache, K4CDebugLogger* logger = nullptr);
    // Stops both threads (waiting for them) and frees the frames.
    ~K4QBImagePreview();
    K4QBImagePreview(const K4QBImagePreview&) = delete;
    K4QBImagePreview& operator=(const K4QBImagePreview&) = delete;

    // Window thread, before start: the frames of the list's selection (at
    // most 100; one without animation), named but not loaded.
    void setFrames(K4QBFileListBox* list);
    // Starts the loader and the worker; throws "K4QBERR_APP_INITERROR" when
    // it cannot (nothing runs then).
    void start();
    // Asks both threads to end; returns at once.
    void cancel() noexcept;
    // Both threads have ended (after cancel or an error), or never started.
    bool hasEnded() const noexcept;
    // cancel, then waits for both threads.
    void stop() noexcept;

    // Fit again at the next turn of the worker (the panel changed size).
    void setRebuild() { rebuild_.store(true); }
    // Draw the current frame again at the next turn of the worker, without
    // advancing the animation (the panel was uncovered, the view changed).
    void setRedraw() { redraw_.store(true); }
    // Write the caption again at the next drawing (the level changed).
    void refreshCaption() {
        captionPending_.store(true);
        redraw_.store(true);
    }
    // Levels of the picture shown (window thread): those above the texture
    // and the texture's; 1 before the first frame is loaded.
    int32_t getShownLevelCount() const;
    // Device objects of the loaded frames, around a device reset (window
    // thread, lock held).
    void createVertexBuffers(IDirect3DDevice9* device);
    void releaseVertexBuffers();

    int32_t getFrameCount() const { return frameCount_; }
    // Frames loaded so far, in order (a frame that failed counts: it shows
    // dark grey). Read a frame's fields only below this count.
    int32_t getLoadedCount() const { return loadedCount_.load(); }
    const K4QBPreviewFrame* getFrame(int32_t index) const;
    // Number of drawings made; lets callers wait for the next one.
    uint32_t getDrawCount() const { return drawCount_.load(); }
    // False once stopped or cancelled, also when an error stopped the worker.
    bool isRunning() const { return running_.load(); }
    // Tells this preview's posts from those of earlier ones.
    uint32_t getSerial() const { return serial_; }

    // Fits an image of the frame's size into a cw x ch panel (shrinking only,
    // centred) and scales the rectangle to a screenWidth x screenHeight back
    // buffer (k4qbFitPreview).
    static void fitFrame(K4QBPreviewFrame* frame, int32_t cw, int32_t ch, int32_t screenWidth,
                         int32_t screenHeight);

private:
    static unsigned __stdcall workerMain(void* preview);
    static unsigned __stdcall loaderMain(void* preview);
    void run();
    void load();
    // One frame; false when the device was refused (tried again later).
    bool loadFrame(int32_t index);
    // The first frame decoded straight into its texture
    // (k4d3dx::planDirectTexture), cached and placed: S_OK (the texture null
    // when the file is damaged); S_FALSE when the usual way is to be taken;
    // D3DERR_DEVICELOST to be tried again later; E_ABORT when cancelled.
    HRESULT loadDirect(int32_t index, const char* path, const k4d3dx::TextureTarget& target,
                       k4d3dx::DecodedTexture* decoded, IDirect3DTexture9** texture);
    // The top level of a texture loadDirect made, read back into `decoded`
    // for its lower levels; false when it went from the cache meanwhile.
    bool readTopLevel(const char* path, IDirect3DTexture9* texture,
                      k4d3dx::DecodedTexture* decoded);
    // With the lock: the frame's size, fit and vertex buffer from its
    // texture. True when the texture is as large as the device takes (the
    // picture may be larger).
    bool placeFrame(int32_t index, IDirect3DTexture9* texture, IDirect3DDevice9* device);
    // Shows the frame to the worker.
    void publishFrame(int32_t index) { loadedCount_.store(index + 1); }
    // Without the lock (k4qbimagepreview_view.cpp): the facts from the
    // file's header, or from the reader's description; the levels above the
    // texture follow from them.
    void readFacts(int32_t index, const char* path);
    void noteFacts(int32_t index, const k4codec::ImageInfo& info, uint64_t bytes);
    // The frame's compressed preview, made from the level its texture shows:
    // from `loaded` (the loader's decoding, when it holds that level), else
    // the file at `path` decoded again as the texture holds it.
    void compressFrame(int32_t index, const char* path, const k4d3dx::DecodedTexture* loaded);
    // The texture level that shows picture level `level`.
    static uint32_t textureLevel(const K4QBPreviewFrame& frame, uint32_t level);
    // Draws a loaded frame at the view (with the device held); false when
    // the panel's own fitted drawing applies instead.
    bool drawAtView(IDirect3DDevice9* device, const K4QBPreviewFrame& frame,
                    IDirect3DTexture9* texture, const K4QBPanelView& view);
    void postFrameCaption(const K4QBPreviewFrame& frame, bool drawable);
    void noteContentError(int32_t index, const char* code);
    void rebuild();
    // Draws the current frame, first advancing the animation when asked.
    void draw(bool advance);
    void fitFrames(int32_t count);
    // The frame's texture from the cache, or null.
    IDirect3DTexture9* frameTexture(const K4QBPreviewFrame& frame);
    IDirect3DVertexBuffer9* makeVertexBuffer(IDirect3DDevice9* device,
                                             const K4QBPreviewFrame& frame);
    void createVertexBuffer(IDirect3DDevice9* device, int32_t index);

    int32_t source_;
    K4QBTexMgrWindow* mainWindow_;
    K4QBTexMgrImagePanel* panel_;
    K4QBTextureCache* cache_;
    K4QBPreviewFrame* frames_;
    int32_t frameCount_;
    HANDLE worker_;
    HANDLE loader_;
    std::atomic<bool> running_;
    std::atomic<bool> rebuild_;
    std::atomic<bool> redraw_;
    std::atomic<int32_t> currentFrame_; // -1 before the first drawing
    std::atomic<int32_t> loadedCount_;
    std::atomic<bool> captionPending_;
    std::atomic<uint32_t> drawCount_;
    bool contentErrorPosted_; // loader only
    // The view when the preview was made: what the loader reads and
    // compresses (a change of it makes a new preview).
    K4QBPanelView loadView_;
    uint32_t serial_;
    K4CDebugLogger* logger_;
};
