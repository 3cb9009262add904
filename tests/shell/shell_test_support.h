// Shared pieces of the shell tests: a small application window subclass with
// a real window and Direct3D device, and the game's install location.
#pragma once

#include "content/install_path.h"
#include "foundation/errors.h"
#include "resources/resource_ids.h"
#include "shell/k4qbappwindow.h"
#include "shell/k4qbtexmgrresources.h"
#include "tests/support/registry.h"
#include "tests/support/scratch.h"
#include "tests/support/test_log.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <string>

namespace k4shelltest {

using k4test::seeInstallPath;

// What the test window should do beyond the base behaviour.
struct TestWindowOptions {
    bool badPresentation = false; // parameters no device accepts
    bool closeWhenShown = false;  // post WM_CLOSE at the end of initialize
    bool throwOnApp = false;      // handleMessage throws for WM_APP (posted by initialize)
    bool badAllocOnApp = false;   // ... throws std::bad_alloc instead of a code
};

class TestAppWindow : public K4QBAppWindow {
public:
    TestAppWindow(const std::string& folder, K4CDebugLogger* logger = nullptr,
                  TestWindowOptions options = TestWindowOptions())
        : K4QBAppWindow(GetModuleHandleA(nullptr), logger), options_(options) {
        setAppFolder((folder + "\\").c_str());
    }
    ~TestAppWindow() override { ++destroyedCount; }

    const char* getAppINIFilename() override { return "k4-shell-test.ini"; }
    const char* getWndClassName() override { return "K4QBShellTestWindow"; }
    const char* getWndTitle() override { return "Shell Test Window"; }
    const char* createWndMenu() override { return MAKEINTRESOURCEA(IDR_MAINMENU); }
    K4QBAppResources* createResources() override {
        return new K4QBTexMgrResources(this, getLogger());
    }
    void initialize(K4QBContentRegistry* content, int showCommand) override {
        lastContent = content;
        K4QBAppWindow::initialize(content, showCommand);
        try {
            initD3DDevice(D3DCREATE_MIXED_VERTEXPROCESSING);
        } catch (const char*) {
            initD3DDevice(D3DCREATE_SOFTWARE_VERTEXPROCESSING);
        }
        if (options_.throwOnApp || options_.badAllocOnApp) {
            PostMessageA(getWindow(), WM_APP, 0, 0);
        }
        if (options_.closeWhenShown) {
            PostMessageA(getWindow(), WM_CLOSE, 0, 0);
        }
    }
    void gatherD3DPresentation(D3DPRESENT_PARAMETERS* parameters) override {
        ++gathers;
        parameters->BackBufferWidth = 64;
        parameters->BackBufferHeight = 64;
        parameters->SwapEffect = D3DSWAPEFFECT_DISCARD;
        parameters->hDeviceWindow = getWindow();
        parameters->Windowed = TRUE;
        parameters->PresentationInterval = D3DPRESENT_INTERVAL_ONE;
        if (options_.badPresentation) {
            parameters->SwapEffect = D3DSWAPEFFECT_COPY; // copy allows one back buffer only
            parameters->BackBufferCount = 100;
        }
    }
    void freeD3DResources() override {
        ++frees;
        if (onFree) {
            onFree();
        }
    }
    void startD3DDevice() override { ++starts; }
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        pollD3DDevice();
        if (message == WM_SIZING) {
            return onSizing(wParam, reinterpret_cast<RECT*>(lParam));
        }
        if (message == WM_APP && options_.throwOnApp) {
            throw K4QBERR_APP_INITERROR;
        }
        if (message == WM_APP && options_.badAllocOnApp) {
            throw std::bad_alloc();
        }
        return DefWindowProcA(getWindow(), message, wParam, lParam);
    }

    using K4QBAppWindow::resetD3DDevice;

    int gathers = 0;
    int frees = 0;
    int starts = 0;
    std::function<void()> onFree;
    static inline int destroyedCount = 0;
    static inline K4QBContentRegistry* lastContent = nullptr; // as given to initialize

private:
    TestWindowOptions options_;
};

// Removes messages left for this thread (a quit message from a closed window).
inline bool drainQuitMessage() {
    MSG message;
    bool quit = false;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        quit = quit || message.message == WM_QUIT;
        if (message.message != WM_QUIT) {
            DispatchMessageA(&message);
        }
    }
    return quit;
}

} // namespace k4shelltest
