// The icon design: Lambert shading of a sphere lit from the upper left and an Archimedean
// spiral of two and a half turns from the centre to the rim.
#include "tools/icongen/design.h"

#include <cmath>

#include "viewer/pi.h"

IconSample IconSampleDesign(double dx, double dy)
{
    double r = std::sqrt(dx * dx + dy * dy);
    if (r > 1.0) return {false, false, 0.0};
    double nz = std::sqrt(1.0 - r * r);
    double light = (-0.5 * dx + 0.6 * dy + 0.62 * nz) / std::sqrt(0.25 + 0.36 + 0.3844);
    double shade = 0.25 + 0.75 * (light > 0 ? light : 0);
    double turn = r / 0.4; // turns at this radius
    double phi = std::atan2(dy, dx) / (2 * kPi);
    double offset = turn - phi;
    double nearest = std::fabs(offset - std::round(offset));
    bool spiral = nearest * 0.4 < 0.07 && r > 0.08;
    return {true, spiral, shade};
}
