// The presenter: which way it shows the back buffer. That the GDI way puts
// the picture on the panel, also after a resize and a reset: the image panel
// tests, which read the panel window's own pixels.
#include "shell/k4qbpresenter.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace {

TEST(Presenter, ModeFollowsTheVariableElseThePlatform) {
    ASSERT_TRUE(K4QBPresenter::isRunningUnderWine()) << "the tests run under Wine";
    struct Case {
        const char* value;
        K4QBPresentMode mode;
    };
    for (Case c :
         {Case{nullptr, K4QBPresentMode::ThroughGdi}, Case{"direct", K4QBPresentMode::Direct},
          Case{"GDI", K4QBPresentMode::ThroughGdi},
          Case{"sideways", K4QBPresentMode::ThroughGdi}}) {
        SetEnvironmentVariableA("K4QB_PRESENT", c.value);
        EXPECT_EQ(K4QBPresenter::chooseMode(), c.mode) << (c.value != nullptr ? c.value : "unset");
    }
    SetEnvironmentVariableA("K4QB_PRESENT", nullptr); // the other tests run without it
}

} // namespace
