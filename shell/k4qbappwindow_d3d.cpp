// K4QBAppWindow: the Direct3D object and device, device loss and reset, and
// the Direct3D lock that every user of the device holds.
#include "foundation/errors.h"
#include "foundation/k4clock.h"
#include "foundation/k4ctrace.h"
#include "shell/k4qbappwindow.h"
#include "shell/k4qbpresenter.h"

namespace {

// Brackets this thread holds open. Leaving a critical section the thread does
// not hold corrupts it, so an unbalanced endD3DUse only reports; the object's
// own depth counts all threads and may go negative as a record of it.
thread_local int32_t threadDepth = 0;

} // namespace

void K4QBAppWindow::initD3DDevice(DWORD behaviourFlags) {
    K4C_TRACE(logger_, "Enter K4QBAppWindow::initD3DDevice(%u) = %p", (unsigned)behaviourFlags,
              (void*)this);
    K4CLockGuard guard(d3dLock_);
    if (d3d_ == nullptr) {
        d3d_ = Direct3DCreate9(D3D_SDK_VERSION);
        if (d3d_ == nullptr) {
            k4cTraceThrow(logger_, K4QBERR_APP_D3DERROR, "K4QBAppWindow::initD3DDevice",
                          (void*)this);
        }
    }
    D3DPRESENT_PARAMETERS parameters;
    ZeroMemory(&parameters, sizeof parameters);
    gatherD3DPresentation(&parameters);
    presenter_->adjust(&parameters);
    IDirect3DDevice9* device = nullptr;
    HRESULT result = d3d_->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr, behaviourFlags,
                                        &parameters, &device);
    if (FAILED(result) || device == nullptr) {
        k4cTraceThrow(logger_, K4QBERR_APP_D3DERROR, "K4QBAppWindow::initD3DDevice", (void*)this);
    }
    device_ = device;
    deviceLost_.store(false);
    startD3DDevice();
    K4C_TRACE(logger_, "Exit K4QBAppWindow::initD3DDevice = %p", (void*)this);
}

void K4QBAppWindow::pollD3DDevice() {
    K4C_TRACE(logger_, "Enter K4QBAppWindow::pollD3DDevice = %p", (void*)this);
    if (device_ != nullptr) {
        HRESULT state = checkD3DDeviceState();
        if (state == D3DERR_DEVICELOST) {
            deviceLost_.store(true);
            K4C_LOGAT(logger_, K4C_LOG_INFO,
                      "(In K4QBAppWindow::pollD3DDevice) Direct3D device has been lost!");
        } else if (state == D3DERR_DEVICENOTRESET) {
            HRESULT result = resetD3DDevice();
            K4C_LOGAT(logger_, K4C_LOG_INFO,
                      "(In K4QBAppWindow::pollD3DDevice) Attempted reset of Direct3D device...  "
                      "Result = %d, lost state = %d",
                      (int)result, deviceLost_.load() ? 1 : 0);
            if (FAILED(result)) {
                // Tried again at the next poll.
                K4C_LOGAT(logger_, K4C_LOG_ERROR,
                          "(In K4QBAppWindow::pollD3DDevice) Reset of Direct3D failed!  Error "
                          "code = %d",
                          (int)result);
            }
        }
    }
    K4C_TRACE(logger_, "Exit K4QBAppWindow::pollD3DDevice = %p", (void*)this);
}

HRESULT K4QBAppWindow::checkD3DDeviceState() {
    return device_->TestCooperativeLevel();
}

HRESULT K4QBAppWindow::resetD3DDevice() {
    K4C_TRACE(logger_, "Enter K4QBAppWindow::resetD3DDevice = %p", (void*)this);
    // No new bracket opens from here on, and taking the lock waits for the
    // open ones to close, so no other thread uses the device while it resets.
    deviceLost_.store(true);
    K4CLockGuard guard(d3dLock_);
    freeD3DResources();
    presenter_->release();
    D3DPRESENT_PARAMETERS parameters;
    ZeroMemory(&parameters, sizeof parameters);
    gatherD3DPresentation(&parameters);
    presenter_->adjust(&parameters);
    HRESULT result = device_->Reset(&parameters);
    if (SUCCEEDED(result)) {
        startD3DDevice();
        deviceLost_.store(false);
    }
    K4C_TRACE(logger_, "Return %d from K4QBAppWindow::resetD3DDevice = %p", (int)result,
              (void*)this);
    return result;
}

// The bracket must never throw: a trace line that failed with the lock held
// would leave it held for good.
IDirect3DDevice9* K4QBAppWindow::beginD3DUse() noexcept {
    K4C_TRACE_NOTHROW(logger_, "Enter K4QBAppWindow::beginD3DUse = %p", (void*)this);
    IDirect3DDevice9* device = nullptr;
    if (d3dLock_ != nullptr) {
        // The test happens inside the lock, so a reset that has begun is seen.
        d3dLock_->enter();
        if (device_ != nullptr && !deviceLost_.load()) {
            device = device_;
            lockDepth_.fetch_add(1);
            ++threadDepth;
        } else {
            d3dLock_->leave();
        }
    }
    K4C_TRACE_NOTHROW(logger_, "Return %p from K4QBAppWindow::beginD3DUse = %p", (void*)device,
                      (void*)this);
    return device;
}

void K4QBAppWindow::endD3DUse() noexcept {
    K4C_TRACE_NOTHROW(logger_, "Enter K4QBAppWindow::endD3DUse = %p", (void*)this);
    bool owned = threadDepth > 0;
    if (owned) {
        --threadDepth;
        if (d3dLock_ != nullptr) {
            d3dLock_->leave();
        }
    }
    if (lockDepth_.fetch_sub(1) - 1 < 0 || !owned) {
        K4C_LOGAT_NOTHROW(logger_, K4C_LOG_ERROR,
                          "(In K4QBAppWindow::endD3DUse) Left the Direct3D critical section too "
                          "many times!");
    }
    K4C_TRACE_NOTHROW(logger_, "Exit K4QBAppWindow::endD3DUse = %p", (void*)this);
}

HRESULT K4QBAppWindow::presentD3D(const RECT* source) {
    K4C_TRACE(logger_, "Enter K4QBAppWindow::presentD3D(%p) = %p", (const void*)source,
              (void*)this);
    HRESULT result = device_ != nullptr ? presenter_->present(device_, source) : D3DERR_INVALIDCALL;
    K4C_TRACE(logger_, "Return %d from K4QBAppWindow::presentD3D = %p", (int)result, (void*)this);
    return result;
}

IDirect3DDevice9* K4QBAppWindow::getD3DDevice() {
    K4C_TRACE(logger_, "Enter and return %p from K4QBAppWindow::getD3DDevice = %p", (void*)device_,
              (void*)this);
    return device_;
}
