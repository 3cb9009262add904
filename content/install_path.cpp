// The game's install location, read from the registry on first use. The first
// use happens on the start-up thread before any other thread exists, so the
// store takes no lock.
#include "content/install_path.h"

#include "foundation/k4cregistry.h"
#include "foundation/k4cstring.h"

namespace {

enum class State { NotRead, Found, NotFound };

State gState = State::NotRead;
K4CString* gInstallPath = nullptr;

} // namespace

const char* getInstallPath() {
    if (gState == State::NotRead) {
        if (gInstallPath == nullptr) {
            gInstallPath = new K4CString();
        }
        bool found = k4cReadRegistryString(k4p::RegistryRoot::LocalMachine, K4QB_INSTALL_KEY,
                                           K4QB_INSTALL_VALUE, gInstallPath);
        gState = found ? State::Found : State::NotFound;
    }
    return gState == State::Found ? gInstallPath->getText() : nullptr;
}

void k4qbForgetInstallPath() {
    gState = State::NotRead;
    if (gInstallPath != nullptr) {
        gInstallPath->clear();
    }
}
