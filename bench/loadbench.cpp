// trackview-loadbench: reads big generated models through the loader and, in the same run and
// where it was built with it, through assimp; prints wall time, peak memory and their ratio. Ours
// twice: as the mesh compiler reads (equal values merged) and as the viewer reads (drawn: nothing
// merged, no normals made).
// Each read runs in a fresh process of this program, so that its peak resident memory (from
// wait4) is its own. Figures only: nothing here is asserted.
// usage: trackview-loadbench [--folder DIR] [--runs N]
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/loadmodels.h"
#include "loader/load.h"

#ifdef TRACKVIEW_BENCH_ASSIMP
#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#endif

namespace
{

struct Reading {
    bool ok = false;
    double seconds = 0;
    double peakMb = 0;
    double arraysMb = 0; // the final mesh arrays (ours only)
};

double Now()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// In the child: reads the file once and prints seconds and the final arrays' size.
int ReadOnce(const std::string& reader, const std::string& path)
{
    double start = Now(), arrays = 0;
    if (reader == "ours" || reader == "drawn") {
        MeshData mesh;
        std::string error;
        LoadOptions options;
        if (reader == "drawn") options.use = MeshUse::drawn;
        if (!LoadModelFile(path, options, &mesh, &error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        arrays =
            double(mesh.faces.size() * sizeof(MeshFace) + mesh.corners.size() * sizeof(int32_t) +
                   (mesh.vertices.size() + mesh.normals.size()) * sizeof(Vec3));
    } else {
#ifdef TRACKVIEW_BENCH_ASSIMP
        Assimp::Importer importer;
        if (!importer.ReadFile(path, aiProcess_Triangulate)) return 1;
#else
        return 1;
#endif
    }
    std::printf("%.6f %.0f\n", Now() - start, arrays);
    return 0;
}

Reading Measure(const std::string& self, const std::string& reader, const std::string& path)
{
    Reading r;
    int out[2];
    if (pipe(out) != 0) return r;
    pid_t child = fork();
    if (child == 0) {
        dup2(out[1], 1);
        close(out[0]);
        execl(self.c_str(), self.c_str(), "--read", reader.c_str(), path.c_str(), (char*)nullptr);
        _exit(127);
    }
    close(out[1]);
    char text[128] = {};
    size_t got = 0;
    for (ssize_t n;
         got < sizeof text - 1 && (n = read(out[0], text + got, sizeof text - 1 - got)) > 0;)
        got += size_t(n);
    close(out[0]);
    int status = 0;
    rusage usage{};
    if (child < 0 || wait4(child, &status, 0, &usage) < 0) return r;
    r.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0 &&
           std::sscanf(text, "%lf %lf", &r.seconds, &r.arraysMb) == 2;
    r.peakMb = double(usage.ru_maxrss) / 1024.0;
    r.arraysMb /= 1048576.0;
    return r;
}

// The fastest of runs reads (the machine may be shared), with the largest peak.
Reading Best(const std::string& self, const std::string& reader, const std::string& path, int runs)
{
    Reading best;
    for (int i = 0; i < runs; ++i) {
        Reading r = Measure(self, reader, path);
        if (!r.ok) return r;
        double peak = std::max(best.peakMb, r.peakMb);
        if (!best.ok || r.seconds < best.seconds) best = r;
        best.peakMb = peak;
    }
    return best;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--read") == 0) return ReadOnce(argv[2], argv[3]);
    std::string folder = "loadbench-models";
    int runs = 3;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--folder") == 0) folder = argv[i + 1];
        if (std::strcmp(argv[i], "--runs") == 0) runs = std::max(1, std::atoi(argv[i + 1]));
    }
    char self[4096] = {};
    if (readlink("/proc/self/exe", self, sizeof self - 1) <= 0) return 1;
    std::vector<BenchModel> models = WriteBenchModels(folder);
#ifdef TRACKVIEW_BENCH_ASSIMP
    const bool assimp = true;
#else
    const bool assimp = false;
#endif
    std::printf("%-36s %7s | %8s %8s %9s | %8s %8s | %8s %8s | %7s\n", "model", "file MB", "ours s",
                "peak MB", "bound MB", "drawn s", "peak MB", "assimp s", "peak MB", "ratio");
    for (const BenchModel& model : models) {
        struct stat info;
        double fileMb = stat(model.path.c_str(), &info) == 0 ? double(info.st_size) / 1048576 : 0;
        Reading ours = Best(self, "ours", model.path, runs);
        std::printf("%-36s %7.1f | ", model.what.c_str(), fileMb);
        if (!ours.ok) {
            std::printf("FAILED\n");
            continue;
        }
        // The memory bound: the file plus three times the final arrays.
        std::printf("%8.3f %8.0f %9.0f | ", ours.seconds, ours.peakMb, fileMb + 3 * ours.arraysMb);
        Reading drawn = Best(self, "drawn", model.path, runs);
        if (drawn.ok)
            std::printf("%8.3f %8.0f | ", drawn.seconds, drawn.peakMb);
        else
            std::printf("%8s %8s | ", "failed", "-");
        Reading theirs = assimp ? Best(self, "assimp", model.path, 1) : Reading();
        if (theirs.ok)
            std::printf("%8.3f %8.0f | %6.1fx\n", theirs.seconds, theirs.peakMb,
                        theirs.seconds / ours.seconds);
        else
            std::printf("%8s %8s | %7s\n", assimp ? "failed" : "-", "-", "-");
        std::fflush(stdout);
    }
    return 0;
}
