// Headless platform: an OpenGL context with no display (EGL surfaceless, pbuffer surface), for
// tests and tools. Presenting a frame only counts it; the pixels stay in the surface to be read.
#pragma once

#include <string>
#include <vector>

// Creates the context with a width x height pbuffer and makes it current. On failure returns
// false and says why in error.
bool HeadlessOpen(int width, int height, std::string* error);
void HeadlessClose();

// Frames presented since the context was opened.
int HeadlessFramesPresented();

// The surface as tightly packed RGB rows, top row first.
std::vector<unsigned char> HeadlessReadPixels(int width, int height);
