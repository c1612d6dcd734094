// Virtual trackball: window points onto a unit sphere, drags into rotation steps.
#pragma once

#include "model/vec3.h"

Vec3 TrackballPoint(int x, int y, int width, int height);
void TrackballStart(int button, int x, int y);
void TrackballMotion(int x, int y);
void TrackballStop(int button, int x, int y);
