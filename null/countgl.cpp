// Counting OpenGL for tests, the fuzzer and the core-cost benchmark. Matrices follow the GL 1.1
// definitions (column-major, new transforms multiplied on the right); the stack depths are the
// minimums GL 1.1 guarantees, so code that passes here fits any implementation.
#include "null/countgl.h"

#include <cstdio>
#include <cstring>

#include "null/glmath.h"
#include "viewer/host.h"

namespace
{

const int kModelviewDepth = 32;
const int kProjectionDepth = 2;
const GLenum kCapabilities[] = {GL_FOG,       GL_LIGHTING, GL_DEPTH_TEST, GL_LIGHT0,
                                GL_LIGHT1,    GL_LIGHT2,   GL_LIGHT3,     GL_LIGHT4,
                                GL_LIGHT5,    GL_LIGHT6,   GL_LIGHT7,     GL_NORMALIZE,
                                GL_CULL_FACE, GL_BLEND,    GL_TEXTURE_2D, GL_COLOR_MATERIAL};
const int kCapabilityCount = sizeof kCapabilities / sizeof kCapabilities[0];

struct Context {
    long long calls[CGL_ENTRY_COUNT];
    float modelview[kModelviewDepth][16];
    float projection[kProjectionDepth][16];
    int modelviewTop, projectionTop;
    GLenum matrixMode;
    bool enabled[kCapabilityCount];
    GLenum frontMode, backMode;
    bool insideBegin;
    GLenum beginMode;
    long long verticesInBegin;
    bool normalArray, vertexArray, colorArray;
    const void *normals, *vertices, *colors;
    long long arrayCorners, lineEnds, points; // drawn from arrays since the counters were zeroed
    int misuses;
    char firstMisuse[96];
};

Context gl;

const char* const kEntryNames[CGL_ENTRY_COUNT] = {
#define GL_ENTRY(entry, name) #name,
#include "null/entries.h"
#undef GL_ENTRY
};

void Misuse(CountGlEntry entry, const char* what)
{
    if (gl.misuses++ == 0)
        std::snprintf(gl.firstMisuse, sizeof gl.firstMisuse, "%s: %s", kEntryNames[entry], what);
}

// Most entry points are errors between glBegin and glEnd.
void Count(CountGlEntry entry, bool allowedInsideBegin = false)
{
    ++gl.calls[entry];
    if (gl.insideBegin && !allowedInsideBegin) Misuse(entry, "inside glBegin/glEnd");
}

void SetIdentity(float* m)
{
    for (int i = 0; i < 16; ++i) m[i] = (i % 5 == 0) ? 1.0f : 0.0f;
}

float* Top()
{
    return gl.matrixMode == GL_PROJECTION ? gl.projection[gl.projectionTop]
                                          : gl.modelview[gl.modelviewTop];
}

void MultiplyTop(const float* m)
{
    GlMathMultiply(Top(), m);
}

int CapabilityIndex(GLenum cap)
{
    for (int i = 0; i < kCapabilityCount; ++i)
        if (kCapabilities[i] == cap) return i;
    return -1;
}

void SetCapability(CountGlEntry entry, GLenum cap, bool on)
{
    int i = CapabilityIndex(cap);
    if (i < 0)
        Misuse(entry, "unknown capability");
    else
        gl.enabled[i] = on;
}

void SetClientArray(CountGlEntry entry, GLenum array, bool on)
{
    Count(entry);
    bool* flag = array == GL_NORMAL_ARRAY   ? &gl.normalArray
                 : array == GL_VERTEX_ARRAY ? &gl.vertexArray
                 : array == GL_COLOR_ARRAY  ? &gl.colorArray
                                            : nullptr;
    if (flag)
        *flag = on;
    else
        Misuse(entry, "unknown array");
}

bool IsLight(GLenum light)
{
    return light >= GL_LIGHT0 && light <= GL_LIGHT7;
}
bool IsFace(GLenum face)
{
    return face == GL_FRONT || face == GL_BACK || face == GL_FRONT_AND_BACK;
}

} // namespace

void CountGlReset()
{
    std::memset(&gl, 0, sizeof gl);
    SetIdentity(gl.modelview[0]);
    SetIdentity(gl.projection[0]);
    gl.matrixMode = GL_MODELVIEW;
    gl.frontMode = gl.backMode = GL_FILL;
}

void CountGlResetCounters()
{
    std::memset(gl.calls, 0, sizeof gl.calls);
    gl.arrayCorners = gl.lineEnds = gl.points = 0;
}

long long CountGlArrayCorners()
{
    return gl.arrayCorners;
}

long long CountGlLineEnds()
{
    return gl.lineEnds;
}

long long CountGlPoints()
{
    return gl.points;
}

long long CountGlCalls(CountGlEntry entry)
{
    return gl.calls[entry];
}

long long CountGlTotal()
{
    long long total = 0;
    for (int i = 0; i < CGL_PRESENT_FRAME; ++i) total += gl.calls[i];
    return total;
}

int CountGlMisuses()
{
    return gl.misuses;
}
const char* CountGlFirstMisuse()
{
    return gl.firstMisuse;
}
GLenum CountGlMatrixMode()
{
    return gl.matrixMode;
}

int CountGlStackDepth(GLenum matrixMode)
{
    return 1 + (matrixMode == GL_PROJECTION ? gl.projectionTop : gl.modelviewTop);
}

const float* CountGlTopMatrix(GLenum matrixMode)
{
    return matrixMode == GL_PROJECTION ? gl.projection[gl.projectionTop]
                                       : gl.modelview[gl.modelviewTop];
}

bool CountGlInsideBegin()
{
    return gl.insideBegin;
}

bool CountGlIsEnabled(GLenum capability)
{
    int i = CapabilityIndex(capability);
    return i >= 0 && gl.enabled[i];
}

GLenum CountGlPolygonMode()
{
    return gl.frontMode == gl.backMode ? gl.frontMode : GL_NONE;
}

// The entry points. gl.h declares them extern "C"; these definitions inherit that.

void glClearColor(GLclampf, GLclampf, GLclampf, GLclampf)
{
    Count(CGL_CLEAR_COLOR);
}
void glEnable(GLenum cap)
{
    Count(CGL_ENABLE);
    SetCapability(CGL_ENABLE, cap, true);
}
void glDisable(GLenum cap)
{
    Count(CGL_DISABLE);
    SetCapability(CGL_DISABLE, cap, false);
}
void glClear(GLbitfield mask)
{
    Count(CGL_CLEAR);
    if (mask & ~GLbitfield(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT |
                           GL_ACCUM_BUFFER_BIT))
        Misuse(CGL_CLEAR, "unknown bits");
}

void glPushMatrix()
{
    Count(CGL_PUSH_MATRIX);
    int* top = gl.matrixMode == GL_PROJECTION ? &gl.projectionTop : &gl.modelviewTop;
    int depth = gl.matrixMode == GL_PROJECTION ? kProjectionDepth : kModelviewDepth;
    if (*top + 1 >= depth) return Misuse(CGL_PUSH_MATRIX, "stack overflow");
    const float* below = Top();
    ++*top;
    std::memcpy(Top(), below, 16 * sizeof(float));
}

void glPopMatrix()
{
    Count(CGL_POP_MATRIX);
    int* top = gl.matrixMode == GL_PROJECTION ? &gl.projectionTop : &gl.modelviewTop;
    if (*top == 0) return Misuse(CGL_POP_MATRIX, "stack underflow");
    --*top;
}

void glLoadIdentity()
{
    Count(CGL_LOAD_IDENTITY);
    SetIdentity(Top());
}

void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z)
{
    Count(CGL_ROTATEF);
    float r[16];
    if (GlMathRotation(angle, x, y, z, r)) MultiplyTop(r); // GL leaves a zero axis undefined
}

void glMultMatrixf(const GLfloat* m)
{
    Count(CGL_MULT_MATRIXF);
    MultiplyTop(m);
}

void glGetFloatv(GLenum pname, GLfloat* params)
{
    Count(CGL_GET_FLOATV);
    if (pname == GL_MODELVIEW_MATRIX)
        std::memcpy(params, CountGlTopMatrix(GL_MODELVIEW), 16 * sizeof(float));
    else if (pname == GL_PROJECTION_MATRIX)
        std::memcpy(params, CountGlTopMatrix(GL_PROJECTION), 16 * sizeof(float));
    else
        Misuse(CGL_GET_FLOATV, "unsupported query");
}

void glMatrixMode(GLenum mode)
{
    Count(CGL_MATRIX_MODE);
    if (mode == GL_MODELVIEW || mode == GL_PROJECTION)
        gl.matrixMode = mode;
    else
        Misuse(CGL_MATRIX_MODE, "unsupported mode");
}

void glOrtho(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble nearVal,
             GLdouble farVal)
{
    Count(CGL_ORTHO);
    float m[16];
    if (!GlMathOrtho(left, right, bottom, top, nearVal, farVal, m))
        return Misuse(CGL_ORTHO, "empty box");
    MultiplyTop(m);
}

void glPolygonMode(GLenum face, GLenum mode)
{
    Count(CGL_POLYGON_MODE);
    if (!IsFace(face) || (mode != GL_POINT && mode != GL_LINE && mode != GL_FILL))
        return Misuse(CGL_POLYGON_MODE, "bad enum");
    if (face != GL_BACK) gl.frontMode = mode;
    if (face != GL_FRONT) gl.backMode = mode;
}

void glLightfv(GLenum light, GLenum, const GLfloat*)
{
    Count(CGL_LIGHTFV);
    if (!IsLight(light)) Misuse(CGL_LIGHTFV, "not a light");
}

void glLightModeli(GLenum, GLint)
{
    Count(CGL_LIGHT_MODELI);
}
void glFogi(GLenum, GLint)
{
    Count(CGL_FOGI);
}
void glFogf(GLenum, GLfloat)
{
    Count(CGL_FOGF);
}
void glFogfv(GLenum, const GLfloat*)
{
    Count(CGL_FOGFV);
}

void glMaterialfv(GLenum face, GLenum, const GLfloat*)
{
    Count(CGL_MATERIALFV, true);
    if (!IsFace(face)) Misuse(CGL_MATERIALFV, "bad face");
}

void glMaterialf(GLenum face, GLenum, GLfloat)
{
    Count(CGL_MATERIALF, true);
    if (!IsFace(face)) Misuse(CGL_MATERIALF, "bad face");
}

void glLineWidth(GLfloat width)
{
    Count(CGL_LINE_WIDTH);
    if (!(width > 0.0f)) Misuse(CGL_LINE_WIDTH, "not positive");
}

void glBegin(GLenum mode)
{
    Count(CGL_BEGIN);
    if (mode > GL_POLYGON) Misuse(CGL_BEGIN, "bad primitive");
    gl.insideBegin = true;
    gl.beginMode = mode;
    gl.verticesInBegin = 0;
}

void glEnd()
{
    ++gl.calls[CGL_END];
    if (!gl.insideBegin) return Misuse(CGL_END, "without glBegin");
    gl.insideBegin = false;
    if (gl.beginMode == GL_TRIANGLES && gl.verticesInBegin % 3 != 0)
        Misuse(CGL_END, "incomplete triangle");
}

void glNormal3f(GLfloat, GLfloat, GLfloat)
{
    Count(CGL_NORMAL3F, true);
}

void glVertex3f(GLfloat, GLfloat, GLfloat)
{
    ++gl.calls[CGL_VERTEX3F];
    if (!gl.insideBegin) return Misuse(CGL_VERTEX3F, "outside glBegin/glEnd");
    ++gl.verticesInBegin;
}

void glEnableClientState(GLenum array)
{
    SetClientArray(CGL_ENABLE_CLIENT_STATE, array, true);
}

void glDisableClientState(GLenum array)
{
    SetClientArray(CGL_DISABLE_CLIENT_STATE, array, false);
}

void glNormalPointer(GLenum type, GLsizei, const GLvoid* pointer)
{
    Count(CGL_NORMAL_POINTER);
    if (type != GL_FLOAT) Misuse(CGL_NORMAL_POINTER, "not float");
    gl.normals = pointer;
}

void glVertexPointer(GLint size, GLenum type, GLsizei, const GLvoid* pointer)
{
    Count(CGL_VERTEX_POINTER);
    if (size != 3 || type != GL_FLOAT) Misuse(CGL_VERTEX_POINTER, "not three floats");
    gl.vertices = pointer;
}

void glColorPointer(GLint size, GLenum type, GLsizei, const GLvoid* pointer)
{
    Count(CGL_COLOR_POINTER);
    if (size != 4 || type != GL_UNSIGNED_BYTE) Misuse(CGL_COLOR_POINTER, "not four bytes");
    gl.colors = pointer;
}

void glDrawArrays(GLenum mode, GLint first, GLsizei count)
{
    Count(CGL_DRAW_ARRAYS);
    if (!gl.vertexArray || !gl.vertices || (gl.normalArray && !gl.normals) ||
        (gl.colorArray && !gl.colors))
        return Misuse(CGL_DRAW_ARRAYS, "no arrays to draw from");
    int per = mode == GL_TRIANGLES ? 3 : mode == GL_LINES ? 2 : mode == GL_POINTS ? 1 : 0;
    if (per == 0 || first < 0 || count % per != 0)
        return Misuse(CGL_DRAW_ARRAYS, "not whole triangles, lines or points");
    if (mode == GL_TRIANGLES) gl.arrayCorners += count;
    if (mode == GL_LINES) gl.lineEnds += count;
    if (mode == GL_POINTS) gl.points += count;
}

void glColorMaterial(GLenum face, GLenum)
{
    Count(CGL_COLOR_MATERIAL);
    if (!IsFace(face)) Misuse(CGL_COLOR_MATERIAL, "bad face");
}

void glCullFace(GLenum face)
{
    Count(CGL_CULL_FACE);
    if (!IsFace(face)) Misuse(CGL_CULL_FACE, "bad face");
}

void glPointSize(GLfloat size)
{
    Count(CGL_POINT_SIZE);
    if (!(size > 0.0f)) Misuse(CGL_POINT_SIZE, "not positive");
}

void glColor4f(GLfloat, GLfloat, GLfloat, GLfloat)
{
    Count(CGL_COLOR4F, true);
}

const GLubyte* glGetString(GLenum)
{
    Count(CGL_GET_STRING);
    return reinterpret_cast<const GLubyte*>("1.1 counting layer");
}

GLenum glGetError()
{
    Count(CGL_GET_ERROR);
    return GL_NO_ERROR; // a misuse is reported by the layer instead
}

void glFlush()
{
    Count(CGL_FLUSH);
}

void HostPresentFrame(void*)
{
    ++gl.calls[CGL_PRESENT_FRAME];
    if (gl.insideBegin) Misuse(CGL_PRESENT_FRAME, "inside glBegin/glEnd");
}
