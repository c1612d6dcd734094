// Frame drawing and the idle-hook scheduler: a redraw request installs IdleRedraw, which the
// message loop calls whenever no message waits.
#pragma once

#include "model/mesh.h"

void RequestRedraw();
void IdleRedraw();
void RenderFrame();
// RenderFrame without DrawModel: every step before it (up to the object matrix and the
// materials) and every step after it, for drawing the same frame by other means.
void BeginFrame();
void EndFrame();
void ApplyMaterials();
void DrawModel();

// DrawModel's loop for any mesh (DrawModel passes viewer.mesh).
void DrawMesh(const MeshModel& mesh);

// objectXform = R x objectXform for the current step, kept a rotation; no-op for a degenerate step.
void ApplyRotationStep();
