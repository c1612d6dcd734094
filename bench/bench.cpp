// trackview-bench: frame times of the viewer core on the headless context, against the same
// mesh and GL state drawn from vertex arrays; then the core's own CPU cost with a GL layer that
// only counts, from trackview-corebench beside it. The contenders take turns in rounds (each
// round starts with the next one), so that drift in the machine's load falls on all of them
// alike; ratios come from the medians.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "headless/headless.h"
#include "viewer/gl.h"
#include "viewer/render.h"
#include "viewer/scene.h"
#include "viewer/state.h"

namespace
{

enum Contender { FILLED, WIREFRAME, FOG, ARRAYS, CONTENDER_COUNT };

const char* const kNames[CONTENDER_COUNT] = {"RenderFrame, filled", "RenderFrame, wireframe",
                                             "RenderFrame, fog", "glDrawArrays, filled"};

struct Samples {
    std::vector<double> wallMs, cpuMs;
};

struct MeshArrays {
    std::vector<float> positions, normals; // one entry per corner, in DrawMesh's order
};

double ThreadCpuMs()
{
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

double WallMs()
{
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

double Median(std::vector<double> values)
{
    if (values.empty()) return 0.0;
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n % 2 ? values[n / 2] : 0.5 * (values[n / 2 - 1] + values[n / 2]);
}

double Mean(const std::vector<double>& values)
{
    double sum = 0.0;
    for (double v : values) sum += v;
    return values.empty() ? 0.0 : sum / values.size();
}

MeshArrays BuildArrays(const MeshModel& mesh)
{
    MeshArrays arrays;
    for (int32_t f = 0; f < mesh.faceCount; ++f)
        for (int k = 0; k < 3; ++k) {
            const Vec3& n = mesh.normals[mesh.faces[f].normalIndex[k]];
            const Vec3& v = mesh.vertices[mesh.faces[f].vertexIndex[k]];
            arrays.normals.insert(arrays.normals.end(), {n.x, n.y, n.z});
            arrays.positions.insert(arrays.positions.end(), {v.x, v.y, v.z});
        }
    return arrays;
}

// RenderFrame with the mesh sent by one glDrawArrays: what this driver can do with the same
// state and the same corners.
void RenderArraysFrame(GLsizei corners)
{
    BeginFrame();
    glDrawArrays(GL_TRIANGLES, 0, corners);
    EndFrame();
}

void RunFrame(Contender c, GLsizei corners)
{
    viewer.wireframeOn = c == WIREFRAME;
    viewer.fogOn = c == FOG;
    if (c == ARRAYS)
        RenderArraysFrame(corners);
    else
        RenderFrame();
    glFinish(); // the frame is done when the driver is, not when the calls are queued
}

// One still frame of each kind from the same matrix: the reference must draw what RenderFrame
// draws, or the comparison means nothing.
long CountDifferingPixels(int width, int height, GLsizei corners)
{
    int savedRotating = viewer.rotating;
    viewer.rotating = 0;
    viewer.fogOn = viewer.wireframeOn = 0;
    RenderFrame();
    std::vector<unsigned char> immediate = HeadlessReadPixels(width, height);
    RenderArraysFrame(corners);
    std::vector<unsigned char> arrays = HeadlessReadPixels(width, height);
    viewer.rotating = savedRotating;
    long differing = 0;
    for (size_t i = 0; i + 2 < immediate.size(); i += 3)
        if (std::memcmp(&immediate[i], &arrays[i], 3) != 0) ++differing;
    return differing;
}

// The core's own cost per frame, from trackview-corebench (beside this program): its lines, and
// its median in *ms.
std::string CoreFigures(const char* self, double* ms)
{
    std::string command(self);
    command = command.substr(0, command.find_last_of('/') + 1) + "trackview-corebench 200";
    std::string lines;
    *ms = 0;
    if (FILE* child = popen(command.c_str(), "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, child)) {
            lines += line;
            std::sscanf(line, "core only (counting GL): median %lf", ms);
        }
        pclose(child);
    }
    return lines.empty() ? "trackview-corebench gave no figures\n" : lines;
}

bool ParseArgs(int argc, char** argv, int* rounds, int* frames, int* width, int* height)
{
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (i + 1 >= argc) return false;
        const char* value = argv[++i];
        if (arg == "--rounds")
            *rounds = std::atoi(value);
        else if (arg == "--frames")
            *frames = std::atoi(value);
        else if (arg != "--size" || std::sscanf(value, "%dx%d", width, height) != 2)
            return false;
    }
    return *rounds > 0 && *frames > 0 && *width > 0 && *height > 0 && *width <= 8192 &&
           *height <= 8192;
}

} // namespace

int main(int argc, char** argv)
{
    int rounds = 10, frames = 10, width = 819, height = 819;
    if (!ParseArgs(argc, argv, &rounds, &frames, &width, &height)) {
        std::fprintf(stderr, "usage: trackview-bench [--rounds N] [--frames N] [--size WxH]\n"
                             "  N frames of each contender per round (default 10 rounds x 10)\n");
        return 2;
    }
    std::string error;
    if (!HeadlessOpen(width, height, &error)) {
        std::fprintf(stderr, "trackview-bench: no headless OpenGL context: %s\n", error.c_str());
        return 1;
    }
    viewer.winWidth = width;
    viewer.winHeight = height;
    InitScene();

    MeshArrays arrays = BuildArrays(meshModel);
    GLsizei corners = GLsizei(arrays.positions.size() / 3);
    glVertexPointer(3, GL_FLOAT, 0, arrays.positions.data());
    glNormalPointer(GL_FLOAT, 0, arrays.normals.data());
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);

    std::printf("trackview-bench: %dx%d, %s, mesh %d faces, %d rounds x %d frames each\n", width,
                height, reinterpret_cast<const char*>(glGetString(GL_RENDERER)),
                int(meshModel.faceCount), rounds, frames);
    std::printf("arrays reference differs from RenderFrame in %ld of %d pixels\n",
                CountDifferingPixels(width, height, corners), width * height);

    // One untimed frame each: the driver compiles its shaders for each state on first use.
    for (int c = 0; c < CONTENDER_COUNT; ++c) RunFrame(Contender(c), corners);

    Samples samples[CONTENDER_COUNT];
    for (int round = 0; round < rounds; ++round)
        for (int turn = 0; turn < CONTENDER_COUNT; ++turn) {
            Contender c = Contender((round + turn) % CONTENDER_COUNT);
            for (int f = 0; f < frames; ++f) {
                double wall = WallMs(), cpu = ThreadCpuMs();
                RunFrame(c, corners);
                samples[c].cpuMs.push_back(ThreadCpuMs() - cpu);
                samples[c].wallMs.push_back(WallMs() - wall);
            }
        }

    std::printf("\n%-26s %7s %10s %10s %10s %12s\n", "per frame", "frames", "median ms", "mean ms",
                "min ms", "cpu ms [1]");
    for (int c = 0; c < CONTENDER_COUNT; ++c) {
        const Samples& s = samples[c];
        std::printf("%-26s %7zu %10.3f %10.3f %10.3f %12.3f\n", kNames[c], s.wallMs.size(),
                    Median(s.wallMs), Mean(s.wallMs),
                    *std::min_element(s.wallMs.begin(), s.wallMs.end()), Median(s.cpuMs));
    }
    std::printf(
        "[1] median CPU time of the calling thread (the driver's own threads excluded)\n\n");

    double filled = Median(samples[FILLED].wallMs);
    double coreMs = 0;
    std::fputs(CoreFigures(argv[0], &coreMs).c_str(), stdout);
    std::printf("immediate/arrays ratio: %.3f\n", filled / Median(samples[ARRAYS].wallMs));
    std::printf("wireframe/filled ratio: %.3f\n", Median(samples[WIREFRAME].wallMs) / filled);
    std::printf("fog/filled ratio: %.3f\n", Median(samples[FOG].wallMs) / filled);
    std::printf("core share of a filled frame: %.1f %%\n", 100.0 * coreMs / filled);
    std::printf("frames per second, filled: %.1f\n", 1000.0 / filled);
    HeadlessClose();
    return 0;
}
