// The arrays of a model from a file, which of them a frame draws, and the stand-in's size, set
// from what frames of it cost on this machine. A look's arrays are written by the first frame
// that draws it: a big model's first frame shows its stand-in without waiting for the whole.
#include "viewer/model.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <utility>

#include "mesh/arrays.h"
#include "mesh/simplify.h"
#include "viewer/gl.h"
#include "viewer/host.h"
#include "viewer/render.h"
#include "viewer/state.h"

// A model of up to this many elements (triangles, points, lines) gets no stand-in; a bigger one
// starts with one of kStandInStartElements, resized to fit kMovingFrameMs.
const size_t kStandInAbove = 100000, kStandInStartElements = 40000, kStandInLeast = 2000;
const int kStandInResizes = 4;

// A list goes to a buffer object in pieces of this many elements (whole triangles and lines).
const size_t kWritePiece = 6 * 65536;

#ifndef GL_ARRAY_BUFFER // OpenGL 1.5, which Windows' own headers lack
#define GL_ARRAY_BUFFER 0x8892
#define GL_STATIC_DRAW 0x88E4
#endif
#ifndef GL_OUT_OF_MEMORY
#define GL_OUT_OF_MEMORY 0x0505
#endif

namespace
{

using GenBuffers = void(APIENTRY*)(GLsizei, GLuint*);
using BindBuffer = void(APIENTRY*)(GLenum, GLuint);
using BufferData = void(APIENTRY*)(GLenum, ptrdiff_t, const void*, GLenum);
using BufferSubData = void(APIENTRY*)(GLenum, ptrdiff_t, ptrdiff_t, const void*);
using DeleteBuffers = void(APIENTRY*)(GLsizei, const GLuint*);

// Buffer objects, where the driver has them (OpenGL 1.5): the arrays then live with the driver,
// and on a real GPU a frame costs no copy of them.
struct BufferCalls {
    bool looked = false;
    GenBuffers gen = nullptr;
    BindBuffer bind = nullptr;
    BufferData data = nullptr;
    BufferSubData subData = nullptr;
    DeleteBuffers remove = nullptr;
};

// One list as drawn: its arrays, or the buffer object they went to.
struct Drawn {
    DrawList list;
    GLuint buffer = 0;
};

// The whole model, or its stand-in: the shape its lists are written from, and the lists.
struct Look {
    MeshShape shape; // the whole's is kept to cut the stand-in again; others go once written
    Drawn triangles, points, lines;
    size_t elements = 0; // what a frame of it sends: triangles, points and lines
    bool written = false;
};

struct Shown {
    Look whole, standIn;
    bool colored = false;
    double wholeMs = -1, standInMs = -1; // -1: not measured yet
    int standInFrames = 0;               // measured since it was cut (the first is not)
    int resizes = 0;
    size_t standInAsked = 0; // the size the stand-in was cut for (it comes out near it)
    bool drawing = false, drewStandIn = false;
    bool wrote = false; // the frame under way wrote the lists it draws: its time is not theirs
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
    buffers.subData = reinterpret_cast<BufferSubData>(HostGLProc("glBufferSubData"));
    buffers.remove = reinterpret_cast<DeleteBuffers>(HostGLProc("glDeleteBuffers"));
    const char* version = reinterpret_cast<const char*>(
        buffers.gen && buffers.bind && buffers.data && buffers.subData && buffers.remove
            ? glGetString(GL_VERSION)
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

void Release(Look& look)
{
    Release(look.triangles);
    Release(look.points);
    Release(look.lines);
    look = Look();
}

// Lays out the lists of shape and reserves their room; takes shape over. False, and nothing
// taken, when there is no memory for them.
bool Reserve(MeshShape* shape, Look* look)
{
    MeshArrays arrays;
    if (!MeshArraysReserve(*shape, &arrays)) return false;
    Release(*look);
    look->triangles.list = std::move(arrays.triangles);
    look->points.list = std::move(arrays.points);
    look->lines.list = std::move(arrays.lines);
    look->elements = MeshShapeElements(*shape);
    look->shape = std::move(*shape);
    return true;
}

// Writes the list into a buffer object through a piece of memory of its own; false, and no
// buffer, when the driver or the memory cannot have it.
bool WriteToBuffer(Drawn& d, const MeshShape& shape)
{
    const DrawList& list = d.list;
    const size_t each = size_t(list.stride) * sizeof(float);
    const size_t pieceCount = std::min(list.count, kWritePiece);
    std::unique_ptr<float[]> piece(new (std::nothrow) float[pieceCount * size_t(list.stride)]);
    if (!piece) return false;
    for (int stale = 0; stale < 8 && glGetError() != GL_NO_ERROR; ++stale)
        continue; // errors of earlier calls are not this one's
    buffers.gen(1, &d.buffer);
    buffers.bind(GL_ARRAY_BUFFER, d.buffer);
    buffers.data(GL_ARRAY_BUFFER, ptrdiff_t(list.count * each), nullptr, GL_STATIC_DRAW);
    bool fine = glGetError() != GL_OUT_OF_MEMORY;
    for (size_t first = 0; fine && first < list.count; first += pieceCount) {
        size_t count = std::min(pieceCount, list.count - first);
        MeshArraysWrite(shape, list, first, count, piece.get());
        buffers.subData(GL_ARRAY_BUFFER, ptrdiff_t(first * each), ptrdiff_t(count * each),
                        piece.get());
    }
    buffers.bind(GL_ARRAY_BUFFER, 0);
    if (!fine) {
        buffers.remove(1, &d.buffer);
        d.buffer = 0;
    }
    return fine;
}

// Writes a list where it is drawn from: a buffer object where the driver has them (the room
// reserved is then given back: no second copy of it), or else that room. The context is current
// while a frame draws, not always when a model is read.
void Write(Drawn& d, const MeshShape& shape)
{
    DrawList& list = d.list;
    if (list.count == 0) return;
    if (HasBufferObjects() && WriteToBuffer(d, shape))
        list.data.reset();
    else
        MeshArraysWrite(shape, list, 0, list.count, list.data.get());
}

// Writes the look's lists the first time a frame draws it (that frame's time is then not its).
void WriteOnce(Look& look)
{
    shown.wrote = !look.written;
    if (look.written) return;
    Write(look.triangles, look.shape);
    Write(look.points, look.shape);
    Write(look.lines, look.shape);
    look.written = true;
    if (&look != &shown.whole || look.elements <= kStandInAbove) look.shape = MeshShape();
}

// A stand-in of about elements in place of the last one; false, and the last one kept, when
// memory runs out.
bool CutStandIn(size_t elements)
{
    MeshShape cut;
    Look next;
    if (!MeshStandIn(shown.whole.shape, elements, &cut) ||
        (!cut.vertices.empty() && !Reserve(&cut, &next)))
        return false;
    Release(shown.standIn);
    shown.standIn = std::move(next);
    shown.standInMs = -1;
    shown.standInFrames = 0;
    shown.standInAsked = elements;
    return true;
}

// The whole model fits a moving frame: measured so, or by the stand-in's time an element (its
// fixed costs counted in, so the guess errs towards the stand-in).
bool WholeFits()
{
    if (shown.wholeMs >= 0) return shown.wholeMs <= kMovingFrameMs;
    if (shown.standInMs < 0 || shown.standIn.elements == 0) return shown.standIn.elements == 0;
    return shown.standInMs * double(shown.whole.elements) / double(shown.standIn.elements) <=
           kMovingFrameMs;
}

// Sends the list with the arrays the frame wants of it: the normals where lit, the colour (or
// the back's colour) where the file's colours show.
void Send(Drawn& d, GLenum mode, bool normals, int color)
{
    const DrawList& list = d.list;
    if (list.count == 0) return;
    // In a buffer object a part is found by its offset; in client arrays by its address.
    auto part = [&](int at) -> const void* {
        if (d.buffer) return reinterpret_cast<const void*>(uintptr_t(at) * sizeof(float));
        return list.data.get() + at;
    };
    GLsizei stride = GLsizei(size_t(list.stride) * sizeof(float));
    if (d.buffer) buffers.bind(GL_ARRAY_BUFFER, d.buffer);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, stride, part(list.position));
    if (normals) {
        glEnableClientState(GL_NORMAL_ARRAY);
        glNormalPointer(GL_FLOAT, stride, part(list.normal));
    }
    if (color >= 0) {
        glEnableClientState(GL_COLOR_ARRAY);
        glColorPointer(4, GL_UNSIGNED_BYTE, stride, part(color));
    }
    glDrawArrays(mode, 0, GLsizei(list.count));
    if (color >= 0) glDisableClientState(GL_COLOR_ARRAY);
    if (normals) glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    if (d.buffer) buffers.bind(GL_ARRAY_BUFFER, 0);
}

// The triangles lit by the two materials, or in the file's colours, lit as the materials are
// (the colour in place of their diffuse one): the fronts in their colours and, culled apart, the
// backs darker. (In wireframe every line shows, in the front's colours.)
void DrawTriangles(Drawn& triangles)
{
    glLineWidth(3.5f); // as DrawMesh: it shows in wireframe
    const DrawList& list = triangles.list;
    if (viewer.fileColorsOn == 0 || list.color < 0) {
        Send(triangles, GL_TRIANGLES, true, -1);
        return;
    }
    glColorMaterial(GL_FRONT_AND_BACK, GL_DIFFUSE);
    glEnable(GL_COLOR_MATERIAL);
    if (viewer.wireframeOn) {
        Send(triangles, GL_TRIANGLES, true, list.color);
    } else {
        glEnable(GL_CULL_FACE);
        glCullFace(GL_BACK);
        Send(triangles, GL_TRIANGLES, true, list.color);
        glCullFace(GL_FRONT);
        Send(triangles, GL_TRIANGLES, true, list.backColor);
        glDisable(GL_CULL_FACE);
    }
    glDisable(GL_COLOR_MATERIAL);
}

// Points and lines have no face to light: their own colours, or the front material's.
void DrawUnlit(Drawn& d, GLenum mode)
{
    if (d.list.count == 0) return;
    glDisable(GL_LIGHTING);
    glPointSize(3.0f);
    glLineWidth(2.0f);
    glColor4f(0.7f, 0.1f, 0.8f, 1.0f);
    Send(d, mode, false, d.list.color);
    glEnable(GL_LIGHTING);
}

void Draw(Look& look)
{
    WriteOnce(look);
    DrawTriangles(look.triangles);
    DrawUnlit(look.lines, GL_LINES);
    DrawUnlit(look.points, GL_POINTS);
}

} // namespace

bool ModelShow(MeshData* mesh)
{
    Shown next;
    MeshShape shape;
    if (!MeshShapeTake(mesh, &shape) || !Reserve(&shape, &next.whole)) return false;
    *mesh = MeshData(); // the shape holds all a frame needs of it
    ModelForget();
    shown = std::move(next);
    shown.colored = !shown.whole.shape.colors.empty();
    if (shown.whole.elements > kStandInAbove && !CutStandIn(kStandInStartElements))
        std::fprintf(stderr, "trackview: no memory for a lighter stand-in: the whole model is "
                             "drawn while it moves\n");
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
    return shown.whole.elements > 0;
}

bool ModelColored()
{
    return shown.colored;
}

void ModelDraw(bool moving)
{
    shown.drawing = true;
    shown.drewStandIn = moving && shown.standIn.elements > 0 && !WholeFits();
    Draw(shown.drewStandIn ? shown.standIn : shown.whole);
}

void ModelFrameTook(double ms)
{
    if (!shown.drawing) return;
    shown.drawing = false;
    if (!shown.drewStandIn) {
        if (!shown.wrote) shown.wholeMs = ms;
        return;
    }
    // While it does not rest, the whole model comes once it does.
    if (viewer.spinning == 0) HostLater(TIMER_REST, kRestMs);
    // The first frame of a new size pays for the driver's first look at it: not counted.
    if (shown.standInFrames++ == 0) return;
    shown.standInMs = shown.standInMs < 0 ? ms : 0.7 * shown.standInMs + 0.3 * ms;
    if (shown.standInFrames < 4 || shown.resizes >= kStandInResizes) return;
    double ratio = kMovingFrameMs / shown.standInMs;
    size_t elements = shown.standIn.elements, most = shown.whole.elements / 2;
    if (ratio >= 1.0 && (ratio < 1.6 || elements >= most)) return; // fits, and not far under
    ++shown.resizes;
    // Scaled from the size asked for, not the one that came: a cut that comes out above what it
    // was asked, asked the same, would come out the same.
    double asked = double(shown.standInAsked) * ratio * 0.9;
    size_t next = std::min(std::max(size_t(asked), kStandInLeast), most);
    if (!CutStandIn(next)) shown.resizes = kStandInResizes; // keeps the one it has
}

void ModelRest()
{
    if (!shown.drewStandIn || viewer.idleHook) return;
    RenderStill();
}
