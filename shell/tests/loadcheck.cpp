// trackview-loadcheck [--drive-folder DIR] FILE: the model loader inside a Windows program. FILE
// comes from the UTF-16 command line, as Explorer passes it, and reaches the loader as UTF-8;
// prints the triangle count, or the loader's error line and exit code 1. With --drive-folder,
// DIR becomes the current folder of its drive (as cmd.exe keeps one for each drive) while the
// program's own current folder moves to another drive: a drive-relative FILE ("Z:model.gltf")
// then means a file in DIR.
#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "loader/load.h"
#include "loader/path.h"

int main()
{
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    bool driveFolder = argv && argc == 4 && std::wcscmp(argv[1], L"--drive-folder") == 0;
    if (!argv || (argc != 2 && !driveFolder)) {
        std::fprintf(stderr, "usage: trackview-loadcheck [--drive-folder DIR] FILE\n");
        return 2;
    }
    if (driveFolder) {
        const wchar_t drive[] = {L'=', argv[2][0], L':', L'\0'};
        SetEnvironmentVariableW(drive, argv[2]);
        SetCurrentDirectoryW((argv[2][0] | 0x20) == L'c' ? L"Z:\\" : L"C:\\");
    }
    MeshData mesh;
    std::string error;
    if (!LoadModelFile(Utf8FromWide(argv[argc - 1]), LoadOptions(), &mesh, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::printf("%zu triangles\n", MeshTriangleCount(mesh));
    return 0;
}
