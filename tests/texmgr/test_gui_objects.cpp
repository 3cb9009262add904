// What repeated work in the main window leaves behind of the system's GDI
// objects (GetGuiResources, or under Wine, which reports 0, the process's GDI
// handle table). Files are chosen in the list without telling the window, so
// that no preview draws, and with it makes and frees objects, while they are
// counted.
#include "tests/support/gui_objects.h"
#include "tests/texmgr/texmgr_test_support.h"
#include "texmgr/k4qbtlcontrols.h"

namespace {

using namespace texmgrtest;

class GuiObjects : public WindowTest {
protected:
    void choose(const std::vector<int>& positions) {
        HWND list = window_->getFSControls()->getFileList()->getWindow();
        SendMessageA(list, LB_SETSEL, FALSE, -1);
        for (int position : positions) {
            SendMessageA(list, LB_SETSEL, TRUE, position);
        }
    }
    uint32_t gdiObjects() {
        pump();
        return k4test::gdiObjectCount();
    }
};

// Each new texture's first layer shows its folder (the game's) and the
// source button's icon again.
TEST_F(GuiObjects, LayeredTexturesStartedAgainLeaveNoGdiObjects) {
    open();
    K4QBTLControls* layers = window_->getTLControls();
    auto startAgain = [&] {
        layers->newTexture();
        choose({kBlue, kGreen});
        layers->attach(window_->getFSControls()->getFileList());
    };
    startAgain();
    const uint32_t before = gdiObjects();
    ASSERT_GT(before, 0u);
    for (int i = 0; i < 5; ++i) {
        startAgain();
    }
    EXPECT_EQ(gdiObjects(), before);
    EXPECT_EQ(layers->getLayers()->getCount(), 2);
}

} // namespace
