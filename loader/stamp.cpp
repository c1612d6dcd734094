// File stamps from the system's own call: stat on Linux, the attributes on Windows (whose times
// count in steps of 100 ns; stat's seconds would miss two saves within one).
#include "loader/stamp.h"

#ifdef _WIN32
#include <windows.h>

#include "loader/path.h"
#else
#include <sys/stat.h>
#endif

FileStamp FileStampOf(const std::string& path)
{
    FileStamp stamp;
#ifdef _WIN32
    WIN32_FILE_ATTRIBUTE_DATA info;
    if (!GetFileAttributesExW(WideFromUtf8(path).c_str(), GetFileExInfoStandard, &info))
        return stamp;
    stamp.size = uint64_t(info.nFileSizeHigh) << 32 | info.nFileSizeLow;
    stamp.written = int64_t(uint64_t(info.ftLastWriteTime.dwHighDateTime) << 32 |
                            info.ftLastWriteTime.dwLowDateTime);
    stamp.changed = int64_t(uint64_t(info.ftCreationTime.dwHighDateTime) << 32 |
                            info.ftCreationTime.dwLowDateTime);
#else
    struct stat info;
    if (stat(path.c_str(), &info) != 0) return stamp;
    stamp.size = uint64_t(info.st_size);
    stamp.written = int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    stamp.changed = int64_t(info.st_ctim.tv_sec) * 1000000000 + info.st_ctim.tv_nsec;
    stamp.file = uint64_t(info.st_ino);
    stamp.device = uint64_t(info.st_dev);
#endif
    stamp.exists = true;
    return stamp;
}
