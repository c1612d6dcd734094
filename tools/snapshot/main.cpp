// trackview-snapshot: runs the viewer core on a headless GL context, plays an event script and
// writes the last presented frame as PNG and/or the final viewer state as JSON.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "headless/headless.h"
#include "loader/formats.h"
#include "loader/shown.h"
#include "tools/output/output_file.h"
#include "tools/snapshot/png_write.h"
#include "tools/snapshot/script.h"
#include "viewer/open.h"
#include "viewer/render.h"
#include "viewer/scene.h"
#include "viewer/state.h"

static std::string Usage()
{
    return "usage: trackview-snapshot [--model FILE] [--size WxH] [--events SCRIPT] [--state]\n"
           "                          [-o OUT.png]\n"
           "  FILE: a model (" +
           ModelFormatList() +
           ") shown instead of the built-in mesh\n"
           "  SCRIPT: events separated by ';': press X Y, move X Y, release X Y (the left\n"
           "          button), rpress X Y, rrelease X Y (the right button), wheel N X Y (N\n"
           "          notches, positive in), key C (a character, or esc), paint, idle N (N up\n"
           "          to 100000; default: idle 1)\n";
}

struct Options {
    int width = 819, height = 819;
    std::string events = "idle 1";
    bool printState = false;
    std::string output;
    std::string model; // empty: the built-in mesh
};

// Prints the message as one line, its control characters escaped (a script or a file name may
// hold any); returns code (2 for a usage error, 1 for a failed write).
static int Failure(int code, const std::string& message)
{
    std::fprintf(stderr, "trackview-snapshot: %s\n", ShownEscaped(message).c_str());
    return code;
}

// A lost answer is a failure: code 1 and one line when stdout cannot take what was printed.
static int FlushStdout()
{
    if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return 0;
    return Failure(1, std::string("cannot write to stdout: ") + std::strerror(errno));
}

static int UsageError(const std::string& message)
{
    return Failure(2, message);
}

static bool ParseSize(const char* text, int* width, int* height)
{
    char* end = nullptr;
    long w = std::strtol(text, &end, 10);
    if (end == text || *end != 'x') return false;
    const char* rest = end + 1;
    long h = std::strtol(rest, &end, 10);
    if (end == rest || *end != '\0') return false;
    if (w < 1 || h < 1 || w > 8192 || h > 8192) return false;
    *width = int(w);
    *height = int(h);
    return true;
}

// Returns 0 when the options are complete, 2 after printing a usage error, -1 for --help and
// --version.
static int ParseOptions(int argc, char** argv, Options* options)
{
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        bool hasValue = i + 1 < argc;
        if (arg == "--help" || arg == "-h") {
            std::fputs(Usage().c_str(), stdout);
            return -1;
        } else if (arg == "--version") {
            std::puts("trackview-snapshot " TRACKVIEW_VERSION);
            return -1;
        } else if (arg == "--state") {
            options->printState = true;
        } else if (arg == "--size" || arg == "--events" || arg == "-o" || arg == "--model") {
            if (!hasValue) return UsageError(arg + " needs a value");
            const char* value = argv[++i];
            if (arg == "--size" && !ParseSize(value, &options->width, &options->height))
                return UsageError(std::string("bad size '") + value +
                                  "' (WxH, each from 1 to 8192)");
            if (arg == "--events") options->events = value;
            if (arg == "--model") options->model = value;
            if (arg == "-o") {
                options->output = value;
                if (options->output.empty()) return UsageError("-o needs a file name");
            }
        } else {
            return UsageError("unknown argument '" + arg + "'");
        }
    }
    return 0;
}

static void PrintNumber(double value)
{
    if (std::isfinite(value))
        std::printf("%.9g", value);
    else
        std::printf("null"); // JSON has no NaN or infinity
}

// "name":v, or "name":[v0,v1,...] for more than one value, and the comma after it.
static void PrintField(const char* name, const float* values, int count)
{
    std::printf(count > 1 ? "\"%s\":[" : "\"%s\":", name);
    for (int i = 0; i < count; ++i) {
        if (i) std::printf(",");
        PrintNumber(values[i]);
    }
    std::printf(count > 1 ? "]," : ",");
}

static void PrintState()
{
    std::printf("{");
    PrintField("objectXform", viewer.objectXform, 16);
    PrintField("rotAngle", &viewer.rotAngle, 1);
    PrintField("zoom", &viewer.zoom, 1);
    const float position[2] = {viewer.viewX, viewer.viewY};
    PrintField("position", position, 2);
    PrintField("rotAxis", &viewer.rotAxis.x, 3);
    PrintField("lastPos", &viewer.lastPos.x, 3);
    std::printf("\"rotating\":%d,\"spinning\":%d,\"dragging\":%d,\"fogOn\":%d,\"wireframeOn\":%d,"
                "\"fileColorsOn\":%d,\"idleHook\":%s,\"frames\":%d}\n",
                viewer.rotating, viewer.spinning, viewer.dragging, viewer.fogOn, viewer.wireframeOn,
                viewer.fileColorsOn, viewer.idleHook ? "true" : "false", HeadlessFramesPresented());
}

int main(int argc, char** argv)
{
    Options options;
    int status = ParseOptions(argc, argv, &options);
    if (status != 0) return status < 0 ? FlushStdout() : status;

    std::vector<ScriptEvent> events;
    std::string error;
    if (!ScriptParse(options.events, &events, &error)) return UsageError("--events: " + error);

    // Open the output first, so that an unwritable path fails before any work is done. Until the
    // image is committed only a temporary file exists, removed on failure or an ending signal.
    OutputFile out;
    if (!options.output.empty() && !OutputOpen(options.output, {}, &out, &error))
        return Failure(1, error);
    auto abandon = [&](int code, const std::string& message) {
        OutputAbandon(&out);
        return Failure(code, message);
    };

    if (!options.model.empty() && !ViewerOpenFile(options.model, &error)) return abandon(1, error);
    if (!HeadlessOpen(options.width, options.height, &error))
        return abandon(1, "no headless OpenGL context: " + error);
    viewer.winWidth = options.width;
    viewer.winHeight = options.height;
    InitScene();
    RequestRedraw(); // what the first paint message does
    ScriptPlay(events);

    if (out.stream) {
        if (HeadlessFramesPresented() == 0)
            return abandon(2, "the script presents no frame, so there is nothing to write to '" +
                                  options.output + "' (add 'idle 1')");
        std::vector<unsigned char> rgb = HeadlessReadPixels(options.width, options.height);
        if (!PngWrite(out.stream, options.width, options.height, rgb, &error)) {
            error = "cannot write '" + options.output + "': " + error;
            OutputClose(&out, &error); // names the failed write's cause, when that was it
            return abandon(1, error);
        }
        if (!OutputCommit(&out, &error)) return abandon(1, error);
    }
    if (options.printState) PrintState();
    HeadlessClose();
    return FlushStdout();
}
