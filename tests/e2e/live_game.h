#pragma once
// The fixture of the end-to-end tests: one real game per test, killed and
// freed afterwards whatever the test did.

#include <gtest/gtest.h>

#include "harness.h"
#include "live_board.h"

class LiveGame : public ::testing::Test {
protected:
    void TearDown() override { shutDown(game); }

    // Starts the game; its clock runs `speedUp` times faster than the wall's.
    void start(int speedUp = 1)
    {
        launchOptions options;
        options.speedUp = speedUp;
        ASSERT_TRUE(launch(game, options));
    }

    ptyGame game;
};
