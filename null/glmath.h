// The matrix arithmetic of OpenGL 1.1 as the counting layer does it (column-major, a new
// transform multiplied on the right), under names of its own, so that a test can hold it against
// a driver's in one process.
#pragma once

// top = top x m.
void GlMathMultiply(float* top, const float* m);

// The matrices that glRotatef and glOrtho multiply in. GlMathRotation is false (out untouched)
// for an axis of no length, where GL leaves the result undefined; GlMathOrtho for an empty box.
bool GlMathRotation(float angle, float x, float y, float z, float out[16]);
bool GlMathOrtho(double left, double right, double bottom, double top, double nearVal,
                 double farVal, float out[16]);
