// The null platform: our own definitions of exactly the GL 1.1 entry points the core calls,
// plus the host's present, linked instead of libGL and a platform (null/host.h has the rest of
// the host). A program links the very same core beside it, so there is no copy to keep in step:
// a GL call the layer lacks does not link. Every call is counted; the matrix stacks are real
// (so the core's rotation read-back works) and misuse that a driver would flag as an error or
// leave undefined is recorded instead of drawn. Nothing is rasterised.
#pragma once

#include "viewer/gl.h"

enum CountGlEntry {
#define GL_ENTRY(entry, name) CGL_##entry,
#include "null/entries.h"
#undef GL_ENTRY
    CGL_ENTRY_COUNT
};

// Back to a fresh context: counters zero, identity matrices, all capabilities off, fill mode.
void CountGlReset();
// Zero the counters only (for per-frame counts); the GL state stays.
void CountGlResetCounters();

long long CountGlCalls(CountGlEntry entry);
// What glDrawArrays drew since the counters were zeroed: triangles' corners, lines' ends, points.
long long CountGlArrayCorners();
long long CountGlLineEnds();
long long CountGlPoints();
long long CountGlTotal(); // every GL call, the present excluded

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
