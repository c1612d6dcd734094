// The single record of mutable viewer state, statically initialised, plus the constant light table.
#pragma once

#include "model/mesh.h"
#include "model/vec3.h"
#include "viewer/startup.h"

using IdleFunction = void (*)();

struct ViewerState {
    // Platform handles, opaque to the core: each shell stores what its PresentFrame needs.
    void* hdc = nullptr;
    void* hglrc = nullptr;
    void* hpalette = nullptr;

    int winX = kWindowX, winY = kWindowY;
    int winWidth = 0, winHeight = 0; // fixed outer window size, set once at start-up

    IdleFunction idleHook = nullptr; // none or IdleRedraw

    int fogOn = 0;
    int wireframeOn = 0;
    int fileColorsOn = 0; // the faces of a model with colours of its own in those ('c')

    int rotating = 1;
    int spinning = 1;
    int dragging = 0;
    float rotAngle = 2.0f;             // degrees
    Vec3 rotAxis = {0.0f, 0.2f, 0.0f}; // eye coordinates, not normalised
    Vec3 lastPos = {0.0f, 0.0f, 0.0f};
    int dragStartX = 0, dragStartY = 0;
    float objectXform[16] = {}; // column-major; InitScene makes it the identity

    float keyLevel = 0.55f; // the value that the keys 'j' and 'k' step

    // The view: how far in and where to (view.h). Only the wheel, the right and middle buttons
    // and the keys '+', '-' and 'r' change it; at these values the projection is the fitted one.
    float zoom = 1.0f;                 // times the fitted size
    float viewX = 0.0f, viewY = 0.0f;  // the eye point at the centre of the window
    int panning = 0;                   // 1 between a right or middle press and its release
    int panX = 0, panY = 0;            // the window point the pan has reached
    int viewWidth = 0, viewHeight = 0; // the viewport (client area); 0: winWidth x winHeight
    int projectionStale = 0;           // the next frame sets the projection again
};

extern ViewerState viewer;

// Directions of GL_LIGHT1 to GL_LIGHT6 (w = 0: directional), in eye coordinates.
extern const float lightPositions[6][4];

// What closing the window does to the core: no more redraws are asked for, whatever was
// spinning. The shell releases its own context and window.
void ViewerClose();

// Back to the values the process starts with (for tests and tools that run several sessions).
void ResetViewerState();
