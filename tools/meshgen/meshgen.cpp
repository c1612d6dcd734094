// trackview-meshgen OUT.cpp [--source]: writes the built-in mesh, an open spiral seashell, as C++
// source with its arrays in a data file beside it, or all in the source (--source, for compilers
// without an assembler that embeds files, such as MSVC). Deterministic: the same build always gives
// the same bytes. The shell is slit along its length so that its inside (back material) shows as
// well as its outside (front material).
#include <cmath>
#include <cstdio>
#include <cstring>

#include "tools/meshsrc/mesh_source.h"
#include "viewer/pi.h"

static const int kAlong = 240; // steps along the spiral
static const int kAcross = 28; // steps around the tube's open cross-section
static const double kTurns = 2.6;
static const double kOpening = 1.55 * kPi; // how much of the tube's circle is closed

static Vec3 ShellPoint(int i, int j)
{
    double t = double(i) / kAlong;
    double theta = 2.0 * kPi * kTurns * t;
    double grow = std::exp(1.15 * (t - 1.0) * kTurns); // small at the apex, widest at the mouth
    double centreRadius = 1.0 * grow;
    double tube = 0.62 * grow;
    double phi = -0.5 * kPi + kOpening * double(j) / kAcross + 0.35 * t * kPi;
    double radial = centreRadius + tube * std::cos(phi);
    double height = -2.4 * grow + tube * std::sin(phi);
    return Vec3{float(radial * std::cos(theta)), float(radial * std::sin(theta)), float(height)};
}

int main(int argc, char** argv)
{
    const char* usage = "usage: trackview-meshgen OUT.cpp [--source]\n";
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::fputs(usage, stdout);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::puts("trackview-meshgen " TRACKVIEW_VERSION);
        return 0;
    }
    bool source = argc == 3 && std::strcmp(argv[2], "--source") == 0;
    if ((argc != 2 && !source) || argv[1][0] == '-') {
        std::fprintf(stderr, "trackview-meshgen: needs OUT.cpp\n%s", usage);
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
    MeshFitToRadius(mesh, kMeshRadius);
    MeshMergeNormals(mesh);
    MeshMergePositions(mesh);
    std::string error;
    if (!MeshWriteSource(mesh, argv[1], "trackview-meshgen", "",
                         source ? MeshForm::source : MeshForm::embedded, &error)) {
        std::fprintf(stderr, "trackview-meshgen: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
