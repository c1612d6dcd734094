// Coming closer: zoom about a window point, moving the model in the window's plane, and back to
// the view a model opens in. The projection stays orthographic; zoom and position only change the
// box it shows, and the next frame sets it.
#pragma once

// How far the zoom goes from the fitted view, and how much one notch of the wheel zooms.
constexpr float kZoomMin = 0.125f, kZoomMax = 100.0f, kZoomStep = 1.25f;

// The wheel turned by notches (positive: away from the user, in) over window point (x, y): the
// model's point under it stays there. Zoom stays within its limits.
void ViewWheel(float notches, int x, int y);

// One notch in ('+') or out ('-') about the window's centre.
void ViewZoomKey(int notches);

// A right or middle drag: the model follows the pointer in the window's plane.
void ViewPanStart(int x, int y);
void ViewPanMotion(int x, int y);
void ViewPanStop();

// Rotation, zoom and position as at the start, and the start's spin ('r').
void ViewReset();
