// K4QBImagePreview: the worker that shows the files selected in the file
// list in the image panel, one file or up to 100 as animation frames.
//
// The frames are loaded on the window thread, inside a Direct3D bracket,
// before the worker starts, and freed only after it has ended.
//
// Rules for this worker and for every worker to come (the layered-texture
// preview, the export):
//  - No error leaves the thread. Its thread function runs the body through
//    k4qbRunWorker (shell/k4qberrorboundary.h), which catches everything
//    (error codes, std::bad_alloc, anything) and logs it at ERROR when the
//    line can be written; the worker then stops in order: its running flag
//    is cleared and what it showed stays.
//  - It touches the device only inside a K4QBD3DUse bracket, which closes
//    however its scope is left, so an error never leaves the lock held.
//  - It never waits for the window thread, which may be waiting for it to
//    end: it posts, never sends (the caption goes to the panel, which posts
//    it to its own window).
//  - Flags it shares with the window thread are std::atomic.
//  - Stopping and destroying it never throw (K4C_TRACE_NOTHROW).
#pragma once

#include <windows.h>

#include <d3d9.h>

#include <atomic>
#include <cstdint>

class K4CDebugLogger;
class K4QBFileListBox;
class K4QBTexMgrImagePanel;
class K4QBTexMgrWindow;
class K4QBTextureCache;

inline constexpr int32_t K4QB_PREVIEW_MAX_FRAMES = 100;
inline constexpr D3DCOLOR K4QB_PREVIEW_SURROUND = 0xFF333333;

// One shown file. Frames of equal image size share one vertex buffer; each
// holds its own reference.
struct K4QBPreviewFrame {
    char* name;
    char* folder;
    int32_t imageWidth; // 0 when the file could not be loaded
    int32_t imageHeight;
    int32_t displayWidth;
    int32_t displayHeight;
    int32_t x1, y1, x2, y2; // back-buffer pixels
    IDirect3DVertexBuffer9* vertexBuffer;
};

class K4QBImagePreview {
public:
    // source: 0 files on disk, 1 game content. Nothing is loaded yet.
    K4QBImagePreview(int32_t source, K4QBTexMgrWindow* mainWindow, K4QBTexMgrImagePanel* panel,
                     K4QBTextureCache* cache, K4CDebugLogger* logger = nullptr);
    // Stops the worker (waiting for it) and frees the frames.
    ~K4QBImagePreview();
    K4QBImagePreview(const K4QBImagePreview&) = delete;
    K4QBImagePreview& operator=(const K4QBImagePreview&) = delete;

    // With the Direct3D lock held: the frames of the list's selection (at
    // most 100; one without animation), fitted, with their vertex buffers.
    void loadFrames(K4QBFileListBox* list, IDirect3DDevice9* device);
    // Starts the worker; throws "K4QBERR_APP_INITERROR" when it cannot.
    void start();
    // Stops the worker and waits for it.
    void stop() noexcept;

    // Fit again at the next turn of the worker (the panel changed size).
    void setRebuild() { rebuild_.store(true); }
    // Draw the current frame again at the next turn of the worker, without
    // advancing the animation (the panel was uncovered).
    void setRedraw() { redraw_.store(true); }
    // Device objects, around a device reset (window thread, lock held).
    void createVertexBuffers(IDirect3DDevice9* device);
    void releaseVertexBuffers();

    int32_t getFrameCount() const { return frameCount_; }
    const K4QBPreviewFrame* getFrame(int32_t index) const;
    // Number of drawings made; lets callers wait for the next one.
    uint32_t getDrawCount() const { return drawCount_.load(); }
    // False once stopped, also when an error stopped the worker.
    bool isRunning() const { return running_.load(); }
    // The first error the game content raised while the frames were loaded
    // (an extraction that failed), with the frame it hit; null when none.
    const char* getContentError(int32_t* frame) const {
        *frame = contentErrorFrame_;
        return contentError_;
    }

    // Fits an image of the frame's size into a cw x ch panel (shrinking only,
    // centred) and scales the rectangle to a screenWidth x screenHeight back
    // buffer (k4qbFitPreview).
    static void fitFrame(K4QBPreviewFrame* frame, int32_t cw, int32_t ch, int32_t screenWidth,
                         int32_t screenHeight);

private:
    static unsigned __stdcall threadMain(void* preview);
    void run();
    void rebuild();
    // Draws the current frame, first advancing the animation when asked.
    void draw(bool advance);
    void fitAll();
    // The frame's texture from the cache, or null. On the window thread
    // (contentError not null) an error of the game content is passed out.
    IDirect3DTexture9* frameTexture(const K4QBPreviewFrame& frame, const char** contentError);
    IDirect3DVertexBuffer9* makeVertexBuffer(IDirect3DDevice9* device,
                                             const K4QBPreviewFrame& frame);

    int32_t source_;
    K4QBTexMgrWindow* mainWindow_;
    K4QBTexMgrImagePanel* panel_;
    K4QBTextureCache* cache_;
    K4QBPreviewFrame* frames_;
    int32_t frameCount_;
    HANDLE thread_;
    std::atomic<bool> running_;
    std::atomic<bool> rebuild_;
    std::atomic<bool> redraw_;
    std::atomic<int32_t> currentFrame_;
    std::atomic<bool> captionPending_;
    std::atomic<uint32_t> drawCount_;
    const char* contentError_;
    int32_t contentErrorFrame_;
    K4CDebugLogger* logger_;
};
