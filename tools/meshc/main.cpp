// trackview-meshc IN -o OUT.cpp [--name NAME] [--radius R] [--normals flat|file]: turns an OBJ,
// PLY, STL or glTF 2.0 model into C++ source that defines meshModel, so that the viewer can
// show it without reading any file at run time. Deterministic: same input, same bytes.
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "loader/formats.h"
#include "loader/load.h"
#include "loader/path.h"
#include "loader/shown.h"
#include "tools/meshsrc/mesh_source.h"
#include "tools/output/output_file.h"

struct Arguments {
    std::string input, output, name;
    double radius = kMeshRadius;
    bool fileNormals = false;
};

static std::string UsageText()
{
    return "usage: trackview-meshc IN -o OUT.cpp [--name NAME] [--radius R] [--normals flat|file]\n"
           "  converts a model (" +
           ModelFormatList() + ") into the compiled-in mesh\n";
}

static int Usage(const char* why)
{
    std::fprintf(stderr, "trackview-meshc: %s (--help for usage)\n", why);
    return 2;
}

static int RadiusUsage()
{
    char why[120];
    std::snprintf(why, sizeof why,
                  "--radius must be a number from %g (smaller is a few pixels at most) to less "
                  "than %g",
                  kMeshMinRadius, kViewLimit);
    return Usage(why);
}

static bool ParseRadius(const char* text, double* radius)
{
    char* end = nullptr;
    *radius = std::strtod(text, &end);
    return end != text && *end == '\0' && *radius >= kMeshMinRadius && *radius < kViewLimit;
}

// The file's name without its folders and its extension.
static std::string MeshName(const std::string& path)
{
    std::string base = PathBaseName(path);
    size_t dot = base.find_last_of('.');
    if (dot != std::string::npos && dot > 0) base.erase(dot);
    return base;
}

// Returns 0 when parsed, -1 after --help or --version, otherwise 2 after a usage error.
static int ParseArguments(int argc, char** argv, Arguments* args)
{
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        bool hasValue = i + 1 < argc;
        if (arg == "-o" || arg == "--name" || arg == "--radius" || arg == "--normals") {
            if (!hasValue) return Usage((arg + " needs a value").c_str());
            const char* value = argv[++i];
            if (arg == "-o") {
                args->output = value;
            } else if (arg == "--name") {
                args->name = value;
            } else if (arg == "--radius") {
                if (!ParseRadius(value, &args->radius)) return RadiusUsage();
            } else if (std::strcmp(value, "flat") == 0 || std::strcmp(value, "file") == 0) {
                args->fileNormals = std::strcmp(value, "file") == 0;
            } else {
                return Usage("--normals must be flat or file");
            }
        } else if (arg == "-h" || arg == "--help") {
            std::fputs(UsageText().c_str(), stdout);
            return -1;
        } else if (arg == "--version") {
            std::puts("trackview-meshc " TRACKVIEW_VERSION);
            return -1;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return Usage(("unknown option " + arg).c_str());
        } else if (args->input.empty()) {
            args->input = arg;
        } else {
            return Usage("only one input file");
        }
    }
    if (args->input.empty() || args->output.empty()) return Usage("needs IN and -o OUT.cpp");
    if (args->name.empty()) args->name = MeshName(args->input);
    return 0;
}

// A failed run leaves what OUT held untouched: it may be the user's own file, named by mistake.
// One line, whatever the names in it hold.
static int Fail(const std::string& error)
{
    std::fprintf(stderr, "trackview-meshc: %s\n", ShownEscaped(error).c_str());
    return 1;
}

// --help and --version: a lost answer is a failure too.
static int FlushStdout()
{
    if (std::fflush(stdout) == 0) return 0;
    return Fail(std::string("cannot write to stdout: ") + std::strerror(errno));
}

// The summary line goes to stdout, unless the mesh source itself went there.
static FILE* SummaryStream(const std::string& output)
{
    struct stat out, standard;
    bool same = stat(output.c_str(), &out) == 0 && fstat(STDOUT_FILENO, &standard) == 0 &&
                out.st_dev == standard.st_dev && out.st_ino == standard.st_ino;
    return same ? stderr : stdout;
}

static int Convert(const Arguments& args)
{
    LoadOptions options;
    options.fileNormals = args.fileNormals;
    options.radius = args.radius;
    MeshData mesh;
    std::string error;
    std::vector<std::string> sideFiles; // never to be replaced by the data file
    if (!LoadModelFile(args.input, options, &mesh, &error, &sideFiles)) return Fail(error);
    mesh.name = args.name;
    std::string origin = PathBaseName(args.input) + " by trackview-meshc";
    if (!MeshWriteSource(mesh, args.output, origin, args.input, MeshForm::embedded, &error,
                         sideFiles))
        return Fail(error);

    MeshBounds b = MeshMeasure(mesh);
    FILE* summary = SummaryStream(args.output);
    std::fprintf(summary,
                 "%s: %zu faces, %zu positions, %zu normals, box (%g %g %g) to (%g %g %g), "
                 "radius %.6g\n",
                 args.input.c_str(), mesh.faces.size(), mesh.vertices.size(), mesh.normals.size(),
                 double(b.min.x), double(b.min.y), double(b.min.z), double(b.max.x),
                 double(b.max.y), double(b.max.z), b.radius);
    // The output is whole; a lost summary line is still a failure to report.
    if (std::fflush(summary) == 0 && !std::ferror(summary)) return 0;
    return Fail(std::string("cannot write the summary line to ") +
                (summary == stdout ? "stdout" : "stderr") + ": " + std::strerror(errno));
}

int main(int argc, char** argv)
{
    Arguments args;
    if (int code = ParseArguments(argc, argv, &args)) return code < 0 ? FlushStdout() : code;
    // An output that cannot be written, or is the model itself, fails before the long work.
    std::string error;
    if (!OutputCheck(args.output, {args.input}, &error)) return Fail(error);
    // The model comes from elsewhere and the compiler often runs as root: it is converted in a
    // child process with limits on time and memory, so that a fault still left in a reader costs
    // an error line and not the machine, and the temporary file it may leave is removed. Both
    // limits are tens of times what a model of that size needs.
    struct stat info;
    double megabytes = stat(args.input.c_str(), &info) == 0 ? double(info.st_size) / 1e6 : 0;
    unsigned limit = unsigned(std::min(60.0 + 2.0 * megabytes, 86400.0));
    double memory = std::min((1024.0 + 100.0 * megabytes) * 1048576.0, 1e18);
    std::fflush(nullptr);
    pid_t parent = getpid();
    pid_t child = fork();
    if (child < 0) return Convert(args);
    if (child == 0) {
        // The child ends with its parent (a signal, a kill): nothing is written afterwards. Its
        // SIGTERM handler (tools/output) removes a temporary file it has begun.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent) _exit(1); // the parent ended before the line above
        alarm(limit);
        struct rlimit space = {rlim_t(memory), rlim_t(memory)};
        setrlimit(RLIMIT_AS, &space);
        std::exit(Convert(args));
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFSIGNALED(status) && WTERMSIG(status) == SIGALRM)
        return Fail(ShownText(args.input) + ": reading took more than " + std::to_string(limit) +
                    " s; stopped");
    if (WIFSIGNALED(status))
        return Fail(ShownText(args.input) + ": conversion crashed (" + strsignal(WTERMSIG(status)) +
                    ")");
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}
