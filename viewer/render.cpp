// Frames and their scheduling: the idle hook, one frame's GL calls in their fixed order, the
// rotation step kept a rotation, the two materials and the mesh in immediate mode.
#include "viewer/render.h"

#include <chrono>
#include <cmath>

#include "viewer/gl.h"
#include "viewer/host.h"
#include "viewer/model.h"
#include "viewer/scene.h"
#include "viewer/state.h"

void RequestRedraw()
{
    if (!viewer.idleHook) viewer.idleHook = IdleRedraw;
}

void IdleRedraw()
{
    if (viewer.spinning == 0) viewer.idleHook = nullptr;
    RenderFrame();
}

// GL implementations disagree on tiny or non-finite axes (Mesa flips a tiny axis along a
// coordinate axis by 180 degrees), so such steps, and angle 0, apply no rotation at all.
static bool IsProperStep(float angle, Vec3 axis)
{
    if (!std::isfinite(angle) || angle == 0.0f) return false;
    if (!std::isfinite(axis.x) || !std::isfinite(axis.y) || !std::isfinite(axis.z)) return false;
    double length =
        std::sqrt(double(axis.x) * axis.x + double(axis.y) * axis.y + double(axis.z) * axis.z);
    return length >= 1e-6;
}

// Repeated single-precision products let the matrix shear and scale; Gram-Schmidt in double
// precision on the 3x3 part keeps it a rotation while changing it only by rounding.
static void OrthonormaliseRotation(float* m)
{
    double c[3][3];
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 3; ++i) c[j][i] = m[4 * j + i];
    auto dot = [](const double* a, const double* b) {
        return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
    };
    double n0 = std::sqrt(dot(c[0], c[0]));
    if (!(n0 > 1e-6)) return; // not a rotation at all (never made by InitScene): leave it
    for (double& v : c[0]) v /= n0;
    double d = dot(c[0], c[1]);
    for (int i = 0; i < 3; ++i) c[1][i] -= d * c[0][i];
    double n1 = std::sqrt(dot(c[1], c[1]));
    if (!(n1 > 1e-6)) return;
    for (double& v : c[1]) v /= n1;
    // Keep the handedness the matrix had.
    double cross[3] = {c[0][1] * c[1][2] - c[0][2] * c[1][1], c[0][2] * c[1][0] - c[0][0] * c[1][2],
                       c[0][0] * c[1][1] - c[0][1] * c[1][0]};
    double sign = dot(cross, c[2]) < 0.0 ? -1.0 : 1.0;
    for (int i = 0; i < 3; ++i) c[2][i] = sign * cross[i];
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 3; ++i) m[4 * j + i] = float(c[j][i]);
}

void ApplyRotationStep()
{
    if (!IsProperStep(viewer.rotAngle, viewer.rotAxis)) return;
    glPushMatrix();
    glLoadIdentity();
    glRotatef(viewer.rotAngle, viewer.rotAxis.x, viewer.rotAxis.y, viewer.rotAxis.z);
    glMultMatrixf(viewer.objectXform);
    glGetFloatv(GL_MODELVIEW_MATRIX, viewer.objectXform);
    glPopMatrix();
    OrthonormaliseRotation(viewer.objectXform);
}

// The frame under way shows the model moving (turned by its step, held in a drag, moved or zoomed
// since the last one): a model from a file may then draw its stand-in. A drag counts as a whole,
// since a move may turn it by nothing; a still frame never moves.
static bool frameMoving = false;

static void BeginWith(bool step)
{
    frameMoving =
        step && ((viewer.rotating == 1 && IsProperStep(viewer.rotAngle, viewer.rotAxis)) ||
                 viewer.dragging == 1 || viewer.panning == 1 || viewer.projectionStale == 1);
    if (viewer.projectionStale) SetProjection(); // zoomed or moved since the last frame
    if (viewer.fogOn) {
        glClearColor(0.5f, 0.25f, 0.25f, 1.0f);
        glEnable(GL_FOG);
    } else {
        glClearColor(0.4f, 0.2f, 0.05f, 1.0f);
        glDisable(GL_FOG);
    }
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    if (step && viewer.rotating == 1) ApplyRotationStep();

    if (viewer.wireframeOn) glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);

    // The modelview matrix is the identity here, so the lights stay fixed to the viewer.
    glEnable(GL_LIGHTING);
    glLightfv(GL_LIGHT1, GL_POSITION, lightPositions[0]);
    glLightfv(GL_LIGHT2, GL_POSITION, lightPositions[1]);
    glEnable(GL_LIGHT2);
    glLightfv(GL_LIGHT3, GL_POSITION, lightPositions[2]);
    glLightfv(GL_LIGHT4, GL_POSITION, lightPositions[3]);
    glLightfv(GL_LIGHT5, GL_POSITION, lightPositions[4]);
    glLightfv(GL_LIGHT6, GL_POSITION, lightPositions[5]);
    glEnable(GL_DEPTH_TEST);

    glPushMatrix();
    glMultMatrixf(viewer.objectXform);
    ApplyMaterials();
}

void BeginFrame()
{
    BeginWith(true);
}

void EndFrame()
{
    glPopMatrix();

    // Leave nothing behind that a later drawing could inherit.
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);

    glFlush();
    HostPresentFrame(viewer.hdc);
}

// A frame, timed when it draws a model from a file: the time tells its next frames what to draw.
static void Render(bool step)
{
    auto start = std::chrono::steady_clock::now();
    BeginWith(step);
    DrawModel();
    EndFrame();
    if (ModelShown())
        ModelFrameTook(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
}

void RenderFrame()
{
    Render(true);
}

void RenderStill()
{
    Render(false);
}

void ApplyMaterials()
{
    static const float ambient[4] = {0.05f, 0.05f, 0.05f, 1.0f};
    static const float frontDiffuse[4] = {0.7f, 0.1f, 0.8f, 0.6f};
    static const float backDiffuse[4] = {0.7f, 0.6f, 0.1f, 0.6f};
    static const float specular[4] = {0.23f, 0.23f, 0.25f, 1.0f};

    glMaterialfv(GL_FRONT, GL_AMBIENT, ambient);
    glMaterialfv(GL_FRONT, GL_DIFFUSE, frontDiffuse);
    glMaterialfv(GL_FRONT, GL_SPECULAR, specular);
    glMaterialf(GL_FRONT, GL_SHININESS, 40.0f);
    glMaterialfv(GL_BACK, GL_AMBIENT, ambient);
    glMaterialfv(GL_BACK, GL_DIFFUSE, backDiffuse);
    glMaterialfv(GL_BACK, GL_SPECULAR, specular);
    glMaterialf(GL_BACK, GL_SHININESS, 40.0f);
}

void DrawMesh(const MeshModel& mesh)
{
    glLineWidth(3.5f);
    glBegin(GL_TRIANGLES);
    for (int32_t f = 0; f < mesh.faceCount; ++f) {
        const MeshFace& face = mesh.faces[f];
        for (int k = 0; k < 3; ++k) {
            const Vec3& n = mesh.normals[face.normalIndex[k]];
            const Vec3& v = mesh.vertices[face.vertexIndex[k]];
            glNormal3f(n.x, n.y, n.z);
            glVertex3f(v.x, v.y, v.z);
        }
    }
    glEnd();
}

void DrawModel()
{
    if (ModelShown())
        ModelDraw(frameMoving);
    else
        DrawMesh(meshModel);
}
