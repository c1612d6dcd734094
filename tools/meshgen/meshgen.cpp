// trackview-meshgen OUT.cpp: writes the built-in mesh, an open spiral seashell, as C++ source.
// Deterministic: the same build always gives the same bytes. The shell is slit along its
// length so that its inside (back material) shows as well as its outside (front material).
#include <cmath>
#include <cstdio>

#include "tools/meshsrc/mesh_source.h"

static const int kAlong = 240; // steps along the spiral
static const int kAcross = 28; // steps around the tube's open cross-section
static const double kTurns = 2.6;
static const double kOpening = 1.55 * M_PI; // how much of the tube's circle is closed

static Vec3 ShellPoint(int i, int j)
{
    double t = double(i) / kAlong;
    double theta = 2.0 * M_PI * kTurns * t;
    double grow = std::exp(1.15 * (t - 1.0) * kTurns); // small at the apex, widest at the mouth
    double centreRadius = 1.0 * grow;
    double tube = 0.62 * grow;
    double phi = -0.5 * M_PI + kOpening * double(j) / kAcross + 0.35 * t * M_PI;
    double radial = centreRadius + tube * std::cos(phi);
    double height = -2.4 * grow + tube * std::sin(phi);
    return Vec3{float(radial * std::cos(theta)), float(radial * std::sin(theta)), float(height)};
}

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: trackview-meshgen OUT.cpp\n");
        return 2;
    }
    MeshData mesh;
    mesh.name = "seashell";
    for (int i = 0; i < kAlong; ++i) {
        for (int j = 0; j < kAcross; ++j) {
            Vec3 a = ShellPoint(i, j), b = ShellPoint(i + 1, j);
            Vec3 c = ShellPoint(i + 1, j + 1), d = ShellPoint(i, j + 1);
            Vec3 n1 = FaceNormal(a, b, c), n2 = FaceNormal(a, c, d);
            const Vec3 first[3] = {n1, n1, n1}, second[3] = {n2, n2, n2};
            MeshAddFace(mesh, a, b, c, first);
            MeshAddFace(mesh, a, c, d, second);
        }
    }
    MeshFitToRadius(mesh, 146.0);
    MeshMergeNormals(mesh);
    std::string error;
    if (!MeshWriteSource(mesh, argv[1], "trackview-meshgen", "", &error)) {
        std::fprintf(stderr, "trackview-meshgen: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
