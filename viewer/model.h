// A model read from a file as the renderer holds it: the whole of it (triangles, points, lines),
// and for a big one a lighter stand-in, each as arrays (client arrays, which OpenGL 1.1 has; buffer
// objects where the driver offers them), and which of the two a frame draws. While the model moves
// (turned, spinning, zoomed or moved), a frame draws the stand-in when the whole mesh would not fit
// in kMovingFrameMs, as measured; once it rests, the whole mesh: a still picture always shows all
// of it. The built-in mesh is none of this: it keeps its immediate-mode calls.
#pragma once

#include "mesh/mesh_data.h"

// The time a frame of a moving model should take.
const double kMovingFrameMs = 30.0;

// How long the model must rest before the whole of it is drawn again.
const int kRestMs = 200;

// Takes mesh over (leaving it empty) and draws it from now on, its faces lit by their flat
// normals: its arrays, and a stand-in for a big one. False, and the model shown unchanged, when
// there is no memory for them.
bool ModelShow(MeshData* mesh);

// Back to the built-in mesh.
void ModelForget();

// A model from a file is drawn, not the built-in mesh.
bool ModelShown();

// The model shown has colours of its own ('c' shows them on its faces).
bool ModelColored();

// Draws the whole model, or while it moves the stand-in where the whole would take too long.
void ModelDraw(bool moving);

// The frame just presented took ms: what tells the next frames which to draw.
void ModelFrameTook(double ms);

// The moment of HostLater(TIMER_REST) has come: the last frame showed the stand-in and no other
// frame followed, so the whole model is drawn now, as it stands.
void ModelRest();
