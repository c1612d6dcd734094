// trackview-corebench: the core's own CPU cost per frame of the built-in mesh, on the null
// platform (a GL layer that only counts), and the GL calls a frame makes. trackview-bench runs it
// beside the driver's figures: a program links either the driver or the counting layer.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "null/countgl.h"
#include "viewer/render.h"
#include "viewer/scene.h"
#include "viewer/state.h"

static long long CallsPerFrame(int fogOn, int wireframeOn)
{
    viewer.fogOn = fogOn;
    viewer.wireframeOn = wireframeOn;
    CountGlResetCounters();
    RenderFrame();
    viewer.fogOn = viewer.wireframeOn = 0;
    return CountGlTotal();
}

int main(int argc, char** argv)
{
    int frames = argc > 1 ? std::atoi(argv[1]) : 100;
    if (frames < 1) {
        std::fprintf(stderr, "usage: trackview-corebench [FRAMES]\n");
        return 2;
    }
    CountGlReset();
    viewer.winWidth = viewer.winHeight = 819;
    InitScene();
    std::vector<double> ms;
    for (int f = 0; f < frames; ++f) {
        auto start = std::chrono::steady_clock::now();
        RenderFrame();
        ms.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    std::sort(ms.begin(), ms.end());
    std::printf("core only (counting GL): median %.3f ms over %d frames\n", ms[ms.size() / 2],
                frames);
    std::printf("GL calls per frame: filled %lld, wireframe %lld, fog %lld "
                "(glNormal3f and glVertex3f %d each)\n",
                CallsPerFrame(0, 0), CallsPerFrame(0, 1), CallsPerFrame(1, 0),
                3 * int(meshModel.faceCount));
    return 0;
}
