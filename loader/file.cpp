// Opening model files and the files they name. On Linux a side file is opened with openat2 and
// RESOLVE_BENEATH, so that the kernel itself keeps every step of its path, links included, inside
// the model's folder, and nothing outside is opened or even looked at. Windows paths are UTF-8
// here and become UTF-16 for _wfopen.
#include "loader/file.h"
#include "loader/path.h"
#include "loader/reader.h"
#include "loader/shown.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#ifdef _WIN32
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

#ifdef _WIN32
static FILE* OpenRegular(const std::string& path, std::string* reason)
{
    if (path.find('\0') != std::string::npos) {
        *reason = "the name holds a zero byte";
        return nullptr;
    }
    FILE* file = _wfopen(WideFromUtf8(path).c_str(), L"rb");
    if (!file) {
        *reason = std::strerror(errno);
        return nullptr;
    }
    struct _stat64 info;
    if (_fstat64(_fileno(file), &info) != 0 || (info.st_mode & _S_IFMT) != _S_IFREG) {
        *reason = (info.st_mode & _S_IFMT) == _S_IFDIR ? "is a folder" : "not a regular file";
        std::fclose(file);
        return nullptr;
    }
    return file;
}

static bool ReadOpened(FILE* file, FileBytes* bytes, std::string* reason)
{
    struct _stat64 info;
    _fstat64(_fileno(file), &info);
    bytes->size = size_t(info.st_size);
    bytes->data.reset(new (std::nothrow) unsigned char[bytes->size ? bytes->size : 1]);
    bool read = bytes->data && std::fread(bytes->data.get(), 1, bytes->size, file) == bytes->size;
    if (!read) *reason = bytes->data ? "cannot read it" : "too large for memory";
    std::fclose(file);
    return read;
}
#else
// An open descriptor of a regular file, or -1 with the reason. O_NONBLOCK: a FIFO is not waited
// on before fstat refuses it.
static int CheckRegular(int fd, std::string* reason)
{
    if (fd < 0) {
        *reason = errno == EXDEV || errno == ELOOP ? "it leads outside the model's folder"
                                                   : std::strerror(errno);
        return -1;
    }
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        *reason = S_ISDIR(info.st_mode) ? "is a folder" : "not a regular file";
        close(fd);
        return -1;
    }
    return fd;
}

static bool ReadOpened(int fd, FileBytes* bytes, std::string* reason)
{
    struct stat info;
    fstat(fd, &info);
    bytes->size = size_t(info.st_size);
    bytes->data.reset(new (std::nothrow) unsigned char[bytes->size ? bytes->size : 1]);
    // Large pages: a fault per 4 KB page cost about as much as the copy itself.
    if (bytes->data) AdviseLargePages(bytes->data.get(), bytes->size);
    size_t done = 0;
    while (bytes->data && done < bytes->size) {
        ssize_t got = read(fd, bytes->data.get() + done, bytes->size - done);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += size_t(got);
    }
    bool whole = bytes->data && done == bytes->size;
    if (!whole) *reason = !bytes->data ? "too large for memory" : "cannot read it (it shrank)";
    close(fd);
    return whole;
}
#endif

bool ReadWholeFile(const std::string& path, FileBytes* bytes, std::string* reason)
{
#ifdef _WIN32
    FILE* file = OpenRegular(path, reason);
    return file && ReadOpened(file, bytes, reason);
#else
    int fd = CheckRegular(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC), reason);
    return fd >= 0 && ReadOpened(fd, bytes, reason);
#endif
}

// Why a name from a model may not be looked up at all: it names something outside the model's
// folder by its very text.
static const char* OutsideByName(const std::string& uri)
{
    if (uri.empty()) return "an empty name";
    if (uri.find('\0') != std::string::npos) return "a name with a zero byte";
    if (uri[0] == '/' || uri[0] == '\\') return "an absolute path";
    size_t colon = uri.find(':');
    if (colon != std::string::npos && uri.find_first_of("/\\") > colon)
        return "a URI or drive that is not a file in the model's folder";
    for (size_t start = 0; start <= uri.size();) {
        size_t stop = uri.find_first_of("/\\", start);
        if (stop == std::string::npos) stop = uri.size();
        if (uri.compare(start, stop - start, "..") == 0) return "a path that leads out ('..')";
        start = stop + 1;
    }
    return nullptr;
}

bool ReadSideFile(const ReadInput& in, const std::string& uri, std::vector<unsigned char>* bytes,
                  ReadError* error)
{
    std::string shown = "'" + ShownText(uri) + "'";
    if (in.folder.empty())
        return ReadFail(error, 0,
                        "refers to the file " + shown + ", but has no folder to read it from");
    if (const char* why = OutsideByName(uri))
        return ReadFail(error, 0,
                        "refers to " + shown + ", " + why +
                            ": only files in the model's folder or below are read");
    std::string reason;
    FileBytes whole;
#ifdef _WIN32
    FILE* file = OpenRegular(in.folder + "\\" + uri, &reason);
    bool read = file && ReadOpened(file, &whole, &reason);
#else
    int folder = open(in.folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    open_how how = {};
    how.flags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS;
    int fd = folder < 0 ? -1 : int(syscall(SYS_openat2, folder, uri.c_str(), &how, sizeof how));
    if (fd < 0 && errno == ENOSYS) {
        // Kernels before 5.6: links are not followed at all there.
        fd = openat(folder, uri.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | O_NOFOLLOW);
    }
    if (folder >= 0) close(folder);
    fd = CheckRegular(fd, &reason);
    bool read = fd >= 0 && ReadOpened(fd, &whole, &reason);
#endif
    if (!read)
        return ReadFail(error, 0, "cannot read " + shown + ", which it refers to: " + reason);
    bytes->assign(whole.data.get(), whole.data.get() + whole.size);
    if (in.sideFiles) in.sideFiles->push_back(in.folder + "/" + uri);
    return true;
}
