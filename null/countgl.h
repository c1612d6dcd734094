// The null platform: our own definitions of exactly the GL 1.1 entry points the core calls,
// plus PresentFrame, linked instead of libGL. Every call is counted; the matrix stacks are real
// (so the core's rotation read-back works) and misuse that a driver would flag as an error or
// leave undefined is recorded instead of drawn. Nothing is rasterised.
#pragma once

#include "viewer/gl.h"

enum CountGlEntry {
    CGL_CLEAR_COLOR,
    CGL_ENABLE,
    CGL_DISABLE,
    CGL_CLEAR,
    CGL_PUSH_MATRIX,
    CGL_POP_MATRIX,
    CGL_LOAD_IDENTITY,
    CGL_ROTATEF,
    CGL_MULT_MATRIXF,
    CGL_GET_FLOATV,
    CGL_MATRIX_MODE,
    CGL_ORTHO,
    CGL_POLYGON_MODE,
    CGL_LIGHTFV,
    CGL_LIGHT_MODELI,
    CGL_FOGI,
    CGL_FOGF,
    CGL_FOGFV,
    CGL_MATERIALFV,
    CGL_MATERIALF,
    CGL_LINE_WIDTH,
    CGL_BEGIN,
    CGL_END,
    CGL_NORMAL3F,
    CGL_VERTEX3F,
    CGL_FLUSH,
    CGL_PRESENT_FRAME, // not a GL call: the platform's present
    CGL_ENTRY_COUNT
};

// Back to a fresh context: counters zero, identity matrices, all capabilities off, fill mode.
void CountGlReset();
// Zero the counters only (for per-frame counts); the GL state stays.
void CountGlResetCounters();

long long CountGlCalls(CountGlEntry entry);
long long CountGlTotal(); // every GL call, PresentFrame excluded
const char* CountGlName(CountGlEntry entry);

// Misuse seen since the last reset (stack under/overflow, calls not allowed inside
// glBegin/glEnd, unknown enums, incomplete triangles...), with the first one described.
int CountGlMisuses();
const char* CountGlFirstMisuse();

GLenum CountGlMatrixMode();
int CountGlStackDepth(GLenum matrixMode); // 1 when nothing is pushed
const float* CountGlTopMatrix(GLenum matrixMode);
bool CountGlInsideBegin();
bool CountGlIsEnabled(GLenum capability);
GLenum CountGlPolygonMode(); // of GL_FRONT_AND_BACK as last set for both faces
