// One-time OpenGL set-up: fog parameters, projection, two-sided lighting, the seven lights.
#pragma once

void InitScene();
void SetProjection();
// The object matrix back to the identity: the model as it opens.
void ResetObjectXform();
