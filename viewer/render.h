// Frame drawing and the idle-hook scheduler: a redraw request installs IdleRedraw, which the
// message loop calls whenever no message waits.
#pragma once

#include "model/mesh.h"

void RequestRedraw();
void IdleRedraw();
void RenderFrame();
// RenderFrame without the rotation step: the picture as it stands, drawn again.
void RenderStill();
// RenderFrame without DrawModel: every step before it (up to the object matrix and the
// materials) and every step after it, for drawing the same frame by other means.
void BeginFrame();
void EndFrame();
void ApplyMaterials();
// The built-in mesh in immediate mode, or a model from a file from its arrays (viewer/model.h).
void DrawModel();

// DrawModel's loop for the built-in mesh, and for any mesh record.
void DrawMesh(const MeshModel& mesh);

// objectXform = R x objectXform for the current step, kept a rotation; no-op for a degenerate step.
void ApplyRotationStep();
