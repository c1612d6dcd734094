// Three single-precision floats: trackball points, the rotation axis, mesh positions and normals.
#pragma once

struct Vec3 {
    float x, y, z;
};
