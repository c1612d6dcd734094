// The GL state that does not change between frames: fog, projection, two-sided lighting and the
// seven lights, and the object matrix reset.
#include "viewer/scene.h"

#include <cstdint>
#include <cstring>

#include "model/mesh.h"
#include "viewer/gl.h"
#include "viewer/state.h"

// The fog density is fixed by its bit pattern, one unit in the last place above 0.243f.
static float FogDensity()
{
    const uint32_t bits = 0x3E78D4FF;
    float density;
    std::memcpy(&density, &bits, sizeof density);
    return density;
}

void SetProjection()
{
    // A window never has zero height; should one arrive, keep the projection finite.
    float aspect = viewer.winHeight > 0 ? float(viewer.winWidth) / float(viewer.winHeight) : 1.0f;
    // Zoomed in or out, the box shrinks or grows about the view's centre; at zoom 1 and the
    // centre 0 the bounds are the fitted ones to the bit.
    double halfWidth = kViewLimit * double(aspect) / double(viewer.zoom);
    double halfHeight = kViewLimit / double(viewer.zoom);
    double x = viewer.viewX, y = viewer.viewY;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(x - halfWidth, x + halfWidth, y - halfHeight, y + halfHeight, -160.0, 160.0);
    glMatrixMode(GL_MODELVIEW);
    viewer.projectionStale = 0;
}

void InitScene()
{
    static const float fogColor[4] = {0.4f, 0.4f, 0.5f, 1.0f};
    static const float light0Position[4] = {0.7f, 0.7f, 1.25f, 0.0f};
    static const float lightColors[6][3][4] = {
        {{0.35f, 0.35f, 0.65f, 1.0f}, {0.2f, 0.2f, 0.5f, 1.0f}, {0.2f, 0.2f, 0.65f, 1.0f}},
        {{0.65f, 0.75f, 0.45f, 1.0f}, {0.4f, 0.3f, 0.3f, 1.0f}, {0.65f, 0.85f, 0.85f, 1.0f}},
        {{0.65f, 0.65f, 0.35f, 1.0f}, {0.4f, 0.4f, 0.05f, 1.0f}, {0.65f, 0.65f, 0.85f, 1.0f}},
        {{0.55f, 0.55f, 0.55f, 1.0f}, {0.4f, 0.5f, 0.3f, 1.0f}, {0.2f, 0.7f, 0.35f, 1.0f}},
        {{0.05f, 0.6f, 0.05f, 1.0f}, {0.0f, 0.5f, 0.0f, 1.0f}, {0.05f, 0.6f, 0.08f, 1.0f}},
        {{0.4f, 0.4f, 0.4f, 1.0f}, {0.4f, 0.4f, 0.05f, 1.0f}, {0.65f, 0.55f, 0.55f, 1.0f}},
    };

    glFogi(GL_FOG_MODE, GL_EXP2);
    glFogf(GL_FOG_DENSITY, FogDensity());
    glFogfv(GL_FOG_COLOR, fogColor);

    SetProjection();

    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1);
    glLightfv(GL_LIGHT0, GL_POSITION, light0Position);
    glEnable(GL_LIGHT0);
    for (int i = 0; i < 6; ++i) {
        GLenum light = GL_LIGHT1 + i;
        glLightfv(light, GL_POSITION, lightPositions[i]);
        glLightfv(light, GL_AMBIENT, lightColors[i][0]);
        glLightfv(light, GL_DIFFUSE, lightColors[i][1]);
        glLightfv(light, GL_SPECULAR, lightColors[i][2]);
        if (light != GL_LIGHT2) glEnable(light); // light 2 is switched on by every frame
    }

    ResetObjectXform();
}

void ResetObjectXform()
{
    for (int i = 0; i < 16; ++i) viewer.objectXform[i] = (i % 5 == 0) ? 1.0f : 0.0f;
}
