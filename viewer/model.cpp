// The arrays of a model from a file, which of them a frame draws, and the stand-in's size, set
// from what frames of it cost on this machine.
#include "viewer/model.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "mesh/arrays.h"
#include "mesh/simplify.h"
#include "viewer/gl.h"
#include "viewer/host.h"
#include "viewer/render.h"
#include "viewer/state.h"

// A model up to this many triangles needs no stand-in until frames of it are measured too slow;
// a bigger one starts with one of kStandInStartFaces, resized to fit kMovingFrameMs.
const size_t kStandInAbove = 100000, kStandInStartFaces = 40000, kStandInLeastFaces = 2000;
const int kStandInResizes = 4;

#ifndef GL_ARRAY_BUFFER // OpenGL 1.5, which Windows' own headers lack
#define GL_ARRAY_BUFFER 0x8892
#define GL_STATIC_DRAW 0x88E4
#endif

namespace
{

using GenBuffers = void(APIENTRY*)(GLsizei, GLuint*);
using BindBuffer = void(APIENTRY*)(GLenum, GLuint);
using BufferData = void(APIENTRY*)(GLenum, ptrdiff_t, const void*, GLenum);
using DeleteBuffers = void(APIENTRY*)(GLsizei, const GLuint*);

// Buffer objects, where the driver has them (OpenGL 1.5): the arrays then live with the driver,
// and on a real GPU a frame costs no copy of them.
struct BufferCalls {
    bool looked = false;
    GenBuffers gen = nullptr;
    BindBuffer bind = nullptr;
    BufferData data = nullptr;
    DeleteBuffers remove = nullptr;
};

struct Drawn {
    MeshArrays arrays; // empty once handed to a buffer object
    GLuint buffer = 0;
    size_t corners = 0;
};

struct Shown {
    MeshShape source; // kept to cut the stand-in again at another size
    Drawn whole, standIn;
    double wholeMs = -1, standInMs = -1; // -1: not measured yet
    int standInFrames = 0;               // measured since it was cut (the first is not)
    int resizes = 0;
    bool drawing = false, drewStandIn = false;
};

BufferCalls buffers;
Shown shown;

// OpenGL 1.5 or later, by the version string ("major.minor ...").
bool HasBufferObjects()
{
    if (buffers.looked) return buffers.gen != nullptr;
    buffers.looked = true;
    buffers.gen = reinterpret_cast<GenBuffers>(HostGLProc("glGenBuffers"));
    buffers.bind = reinterpret_cast<BindBuffer>(HostGLProc("glBindBuffer"));
    buffers.data = reinterpret_cast<BufferData>(HostGLProc("glBufferData"));
    buffers.remove = reinterpret_cast<DeleteBuffers>(HostGLProc("glDeleteBuffers"));
    const char* version = reinterpret_cast<const char*>(
        buffers.gen && buffers.bind && buffers.data && buffers.remove ? glGetString(GL_VERSION)
                                                                      : nullptr);
    char* minor = nullptr;
    long major = version ? std::strtol(version, &minor, 10) : 0;
    bool enough = major > 1 || (major == 1 && minor && *minor == '.' && std::atoi(minor + 1) >= 5);
    if (!enough) buffers.gen = nullptr;
    return enough;
}

void Release(Drawn& d)
{
    if (d.buffer && buffers.remove) buffers.remove(1, &d.buffer);
    d = Drawn();
}

// The arrays of mesh (for a buffer object once a frame draws them).
bool Prepare(const MeshData& mesh, Drawn* d)
{
    Release(*d);
    d->arrays = MeshArraysOf(mesh);
    d->corners = d->arrays.count;
    return d->arrays.corners != nullptr;
}

// Hands the arrays to a buffer object where the driver has them (the context is current while a
// frame draws, not always when a model is read).
void Upload(Drawn& d)
{
    if (d.buffer || !d.arrays.corners || !HasBufferObjects()) return;
    buffers.gen(1, &d.buffer);
    buffers.bind(GL_ARRAY_BUFFER, d.buffer);
    buffers.data(GL_ARRAY_BUFFER, ptrdiff_t(d.corners * kCornerFloats * sizeof(float)),
                 d.arrays.corners.get(), GL_STATIC_DRAW);
    buffers.bind(GL_ARRAY_BUFFER, 0);
    d.arrays = MeshArrays();
}

void CutStandIn(size_t faces)
{
    MeshData standIn = MeshStandIn(shown.source, faces);
    Release(shown.standIn);
    if (!standIn.faces.empty()) Prepare(standIn, &shown.standIn);
    shown.standInMs = -1;
    shown.standInFrames = 0;
}

// The whole mesh fits a moving frame: measured so, or by the stand-in's time per triangle (its
// fixed costs counted in, so the guess errs towards the stand-in).
bool WholeFits()
{
    if (shown.wholeMs >= 0) return shown.wholeMs <= kMovingFrameMs;
    if (shown.standInMs < 0 || shown.standIn.corners == 0) return shown.standIn.corners == 0;
    return shown.standInMs * double(shown.whole.corners) / double(shown.standIn.corners) <=
           kMovingFrameMs;
}

void Draw(Drawn& d)
{
    Upload(d);
    const float* base = d.buffer ? nullptr : d.arrays.corners.get();
    if (d.buffer) buffers.bind(GL_ARRAY_BUFFER, d.buffer);
    glLineWidth(3.5f); // as DrawMesh: it shows in wireframe
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_VERTEX_ARRAY);
    glNormalPointer(GL_FLOAT, GLsizei(kCornerFloats * sizeof(float)), base);
    glVertexPointer(3, GL_FLOAT, GLsizei(kCornerFloats * sizeof(float)), base + kCornerPosition);
    glDrawArrays(GL_TRIANGLES, 0, GLsizei(d.corners));
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    if (d.buffer) buffers.bind(GL_ARRAY_BUFFER, 0);
}

} // namespace

bool ModelShow(MeshData* mesh)
{
    Shown next;
    if (!Prepare(*mesh, &next.whole)) return false;
    ModelForget();
    shown = std::move(next);
    shown.source = MeshShapeOf(*mesh);
    *mesh = MeshData(); // the arrays hold what is drawn; the shape what a stand-in is cut from
    if (shown.source.corners.size() / 3 > kStandInAbove) CutStandIn(kStandInStartFaces);
    return true;
}

void ModelForget()
{
    Release(shown.whole);
    Release(shown.standIn);
    shown = Shown();
}

bool ModelShown()
{
    return shown.whole.corners > 0;
}

void ModelDraw(bool moving)
{
    shown.drawing = true;
    shown.drewStandIn = moving && shown.standIn.corners > 0 && !WholeFits();
    Draw(shown.drewStandIn ? shown.standIn : shown.whole);
}

void ModelFrameTook(double ms)
{
    if (!shown.drawing) return;
    shown.drawing = false;
    if (!shown.drewStandIn) {
        shown.wholeMs = ms;
        return;
    }
    // While it does not rest, the whole model comes once it does.
    if (viewer.spinning == 0) HostLater(TIMER_REST, kRestMs);
    // The first frame of a new size pays for the driver's first look at it: not counted.
    if (shown.standInFrames++ == 0) return;
    shown.standInMs = shown.standInMs < 0 ? ms : 0.7 * shown.standInMs + 0.3 * ms;
    if (shown.standInFrames < 4 || shown.resizes >= kStandInResizes) return;
    double ratio = kMovingFrameMs / shown.standInMs;
    size_t faces = shown.standIn.corners / 3, most = shown.source.corners.size() / 6;
    if (ratio > 0.8 && (ratio < 1.6 || faces >= most)) return;
    ++shown.resizes;
    CutStandIn(std::min(std::max(size_t(double(faces) * ratio * 0.9), kStandInLeastFaces), most));
}

void ModelRest()
{
    if (!shown.drewStandIn || viewer.idleHook) return;
    RenderStill();
}
