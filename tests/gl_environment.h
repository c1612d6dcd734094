// Shared test set-up: one headless GL context for the whole test program, and a fixture that
// gives every test the viewer as the process starts it, on the GL state of a fresh context with
// the scene set up.
#pragma once

#include <gtest/gtest.h>

#include <vector>

const int kTestSize = 819;

class ViewerTest : public ::testing::Test
{
  protected:
    void SetUp() override;
};

// The frame in the surface, RGB, top row first, and one pixel of it.
std::vector<unsigned char> ReadFrame();
struct Rgb {
    int r, g, b;
};
Rgb PixelAt(const std::vector<unsigned char>& frame, int x, int y);

// Runs the idle hook the way the message loop does with an empty queue, at most passes times;
// returns the frames presented meanwhile.
int RunIdle(int passes);
