// A model as the renderer sends it from arrays: every corner of every triangle with its face's
// flat normal and its position (and the file's colour, and a darker one for the back), in the
// order and with the values immediate mode sends, so that glDrawArrays draws the very same
// picture; and the points and the lines' ends with their positions (and colours). Reserved and
// written apart: written in ranges, a list can go to a buffer object through a small piece of
// memory instead of a second copy of itself.
#pragma once

#include <cstddef>
#include <memory>

#include "mesh/shape.h"

enum class DrawKind { triangles, points, lines };

// What one glDrawArrays sends: count elements of stride floats each, a part starting at the float
// it names (-1: none). A colour is four bytes in the room of one float.
struct DrawList {
    DrawKind kind = DrawKind::triangles;
    std::unique_ptr<float[]> data; // room for all of it (memory not yet written costs nothing)
    size_t count = 0;
    int stride = 0;
    int normal = -1, position = 0, color = -1, backColor = -1;
};

struct MeshArrays {
    DrawList triangles, points, lines;
};

// Lays out the arrays of shape and reserves their room, writing nothing. False, the arrays
// empty, when there is no memory for them.
bool MeshArraysReserve(const MeshShape& shape, MeshArrays* arrays);

// Writes elements first to first + count of the list of shape into out (room for count elements
// laid out as list says). For triangles, first is a multiple of 3.
void MeshArraysWrite(const MeshShape& shape, const DrawList& list, size_t first, size_t count,
                     float* out);

// The colour of the back of a face in the file's colours: the same, darker.
MeshColor MeshBackColor(MeshColor front);
