// The GL 1.1 definitions of matrix products, rotations and orthographic boxes, in single
// precision where GL keeps its matrices.
#include "null/glmath.h"

#include <cmath>
#include <cstring>

#include "viewer/pi.h"

void GlMathMultiply(float* top, const float* m)
{
    float result[16];
    for (int col = 0; col < 4; ++col)
        for (int row = 0; row < 4; ++row) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) sum += top[4 * k + row] * m[4 * col + k];
            result[4 * col + row] = sum;
        }
    std::memcpy(top, result, sizeof result);
}

bool GlMathRotation(float angle, float x, float y, float z, float out[16])
{
    double length = std::sqrt(double(x) * x + double(y) * y + double(z) * z);
    if (!(length > 0.0) || !std::isfinite(length)) return false;
    double ax = x / length, ay = y / length, az = z / length;
    double radians = double(angle) * kPi / 180.0;
    double c = std::cos(radians), s = std::sin(radians), t = 1.0 - c;
    const float r[16] = {float(ax * ax * t + c),
                         float(ay * ax * t + az * s),
                         float(ax * az * t - ay * s),
                         0.0f,
                         float(ax * ay * t - az * s),
                         float(ay * ay * t + c),
                         float(ay * az * t + ax * s),
                         0.0f,
                         float(ax * az * t + ay * s),
                         float(ay * az * t - ax * s),
                         float(az * az * t + c),
                         0.0f,
                         0.0f,
                         0.0f,
                         0.0f,
                         1.0f};
    std::memcpy(out, r, sizeof r);
    return true;
}

bool GlMathOrtho(double left, double right, double bottom, double top, double nearVal,
                 double farVal, float out[16])
{
    if (left == right || bottom == top || nearVal == farVal) return false;
    const float m[16] = {float(2.0 / (right - left)),
                         0.0f,
                         0.0f,
                         0.0f,
                         0.0f,
                         float(2.0 / (top - bottom)),
                         0.0f,
                         0.0f,
                         0.0f,
                         0.0f,
                         float(-2.0 / (farVal - nearVal)),
                         0.0f,
                         float(-(right + left) / (right - left)),
                         float(-(top + bottom) / (top - bottom)),
                         float(-(farVal + nearVal) / (farVal - nearVal)),
                         1.0f};
    std::memcpy(out, m, sizeof m);
    return true;
}
