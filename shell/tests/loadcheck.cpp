// trackview-loadcheck FILE: the model loader inside a Windows program. FILE comes from the UTF-16
// command line, as Explorer passes it, and reaches the loader as UTF-8; prints the triangle
// count, or the loader's error line and exit code 1.
#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <string>

#include "loader/load.h"
#include "loader/path.h"

int main()
{
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc != 2) {
        std::fprintf(stderr, "usage: trackview-loadcheck FILE\n");
        return 2;
    }
    MeshData mesh;
    std::string error;
    if (!LoadModelFile(Utf8FromWide(argv[1]), LoadOptions(), &mesh, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::printf("%zu triangles\n", mesh.faces.size());
    return 0;
}
