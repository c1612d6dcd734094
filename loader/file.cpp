// Opening model files and the files they name. Each is mapped rather than copied: a reader that
// refuses a file on its size or first bytes touches one page of it, not gigabytes. On Linux a side
// file is opened with openat2 and RESOLVE_BENEATH, so that the kernel itself keeps every step of
// its path, links included, inside the model's folder; on Windows the opened file's final path
// must lie within the folder's. Names are UTF-8 here and UTF-16 for Windows' calls.
#include "loader/file.h"

#include <cerrno>
#include <cstring>
#include <new>

#include "loader/path.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <linux/openat2.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#endif

namespace
{

// What a name may lead to; each kind but a regular file has its own reason (in this order in
// KindReason), the same on both systems.
enum class FileKind { regular, folder, fifo, socket, device, loop, other };

const char* const kLeadsOutside = "it leads outside the model's folder";

const char* KindReason(FileKind kind)
{
    static const char* const kReasons[] = {"",
                                           "is a folder",
                                           "is a FIFO",
                                           "is a socket",
                                           "is a device",
                                           "is a link that leads to itself (a loop)",
                                           "is not a regular file"};
    return kReasons[int(kind)];
}

} // namespace

std::string FileJoin(const std::string& folder, const std::string& name)
{
#ifdef _WIN32
    const char separator = '\\';
    std::string joined = folder;
    if (joined.empty() || (joined.back() != '\\' && joined.back() != '/')) joined += separator;
    for (char c : name) joined += c == '/' ? separator : c;
    return joined;
#else
    return folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
#endif
}

#ifdef _WIN32

namespace
{

std::string WindowsFailure(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return std::strerror(ENOENT);
    case ERROR_ACCESS_DENIED:
        return std::strerror(EACCES);
    case ERROR_CANT_RESOLVE_FILENAME:
        return KindReason(FileKind::loop);
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return "too large for memory";
    default:
        break;
    }
    wchar_t* text = nullptr;
    DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                      FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring said(text ? text : L"", length);
    LocalFree(text);
    while (!said.empty() && (said.back() == L'\n' || said.back() == L'\r' || said.back() == L'.'))
        said.pop_back();
    return said.empty() ? "Windows error " + std::to_string(error) : Utf8FromWide(said);
}

// Why path may not be opened by its very name: it holds a zero byte, or one of its names is a
// device's (con.obj is the console whatever its folder).
const char* RefusedByName(const std::string& path, size_t from)
{
    if (path.find('\0') != std::string::npos) return "the name holds a zero byte";
    for (size_t start = from; start <= path.size();) {
        size_t stop = path.find_first_of("/\\", start);
        if (stop == std::string::npos) stop = path.size();
        if (PathDeviceName(path.substr(start, stop - start)))
            return "is named as a Windows device (CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9)";
        start = stop + 1;
    }
    return nullptr;
}

// Opened for reading, folders too (to be told apart), sharing it with any other program.
HANDLE OpenHandle(const std::string& path, std::string* reason)
{
    HANDLE file = CreateFileW(WideFromUtf8(path).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) *reason = WindowsFailure(GetLastError());
    return file;
}

FileKind KindOf(HANDLE file, BY_HANDLE_FILE_INFORMATION* info)
{
    switch (GetFileType(file)) {
    case FILE_TYPE_CHAR:
        return FileKind::device;
    case FILE_TYPE_PIPE:
        return FileKind::fifo;
    case FILE_TYPE_DISK:
        break;
    default:
        return FileKind::other;
    }
    if (!GetFileInformationByHandle(file, info)) return FileKind::other;
    return info->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY ? FileKind::folder : FileKind::regular;
}

std::wstring FinalPath(HANDLE file)
{
    DWORD length = GetFinalPathNameByHandleW(file, nullptr, 0, FILE_NAME_NORMALIZED);
    std::wstring path(length, L'\0');
    DWORD written = length ? GetFinalPathNameByHandleW(file, &path[0], length, 0) : 0;
    path.resize(written < length ? written : 0);
    return path;
}

// Maps the opened file, which it closes, if it is a regular one.
bool MapHandle(HANDLE file, FileBytes* bytes, std::string* reason)
{
    BY_HANDLE_FILE_INFORMATION info = {};
    FileKind kind = KindOf(file, &info);
    LARGE_INTEGER size = {};
    if (kind != FileKind::regular || !GetFileSizeEx(file, &size) || size.QuadPart < 0) {
        CloseHandle(file);
        *reason = KindReason(kind == FileKind::regular ? FileKind::other : kind);
        return false;
    }
    bytes->identity = {info.dwVolumeSerialNumber,
                       uint64_t(info.nFileIndexHigh) << 32 | info.nFileIndexLow};
    bytes->size = size_t(size.QuadPart);
    if (bytes->size == 0) {
        CloseHandle(file);
        return true;
    }
    HANDLE mapping = CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    void* view = mapping ? MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0) : nullptr;
    DWORD error = GetLastError();
    if (mapping) CloseHandle(mapping); // the view keeps what it needs
    CloseHandle(file);
    if (!view) {
        *reason = WindowsFailure(error);
        return false;
    }
    bytes->data = {static_cast<const unsigned char*>(view), FileRelease{bytes->size, true}};
    return true;
}

// Whether path lies within folder (final paths both), in any case, as Windows' names do.
bool Within(const std::wstring& path, const std::wstring& folder)
{
    if (folder.empty() || path.size() <= folder.size()) return false;
    bool rooted = folder.back() == L'\\';
    return _wcsnicmp(path.c_str(), folder.c_str(), folder.size()) == 0 &&
           (rooted || path[folder.size()] == L'\\');
}

} // namespace

void FileRelease::operator()(const unsigned char* data) const
{
    if (mapped)
        UnmapViewOfFile(data);
    else
        delete[] data;
}

std::string FileWholePath(const std::string& path)
{
    // Room for most paths at the first call: a call that only asks for the size of a
    // drive-relative one overruns memory under Wine 8.
    std::wstring wide = WideFromUtf8(path), whole(1024, L'\0');
    DWORD length = GetFullPathNameW(wide.c_str(), DWORD(whole.size()), &whole[0], nullptr);
    if (length >= whole.size()) {
        whole.assign(length, L'\0');
        length = GetFullPathNameW(wide.c_str(), length, &whole[0], nullptr);
    }
    if (length == 0 || length >= whole.size()) return path;
    whole.resize(length);
    return Utf8FromWide(whole);
}

bool FileMap(const std::string& path, FileBytes* bytes, std::string* reason)
{
    if (const char* why = RefusedByName(path, PathNameStart(path))) {
        *reason = why;
        return false;
    }
    HANDLE file = OpenHandle(path, reason);
    return file != INVALID_HANDLE_VALUE && MapHandle(file, bytes, reason);
}

bool FileMapBeneath(const std::string& folder, const std::string& name, FileBytes* bytes,
                    std::string* reason)
{
    if (const char* why = RefusedByName(name, 0)) {
        *reason = why;
        return false;
    }
    HANDLE top = OpenHandle(folder, reason);
    if (top == INVALID_HANDLE_VALUE) return false;
    std::wstring root = FinalPath(top);
    CloseHandle(top);
    HANDLE file = OpenHandle(FileJoin(folder, name), reason);
    if (file == INVALID_HANDLE_VALUE) return false;
    // Links and junctions are followed by the opening; where they led is known only now, before
    // anything is read.
    if (!Within(FinalPath(file), root)) {
        CloseHandle(file);
        *reason = kLeadsOutside;
        return false;
    }
    return MapHandle(file, bytes, reason);
}

uint64_t FileCutShortCount()
{
    return 0;
}

#else

namespace
{

// Opened without blocking (a FIFO is not waited on before it is refused) and never as the
// controlling terminal.
const int kReadFlags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;

FileKind KindOf(mode_t mode)
{
    if (S_ISREG(mode)) return FileKind::regular;
    if (S_ISDIR(mode)) return FileKind::folder;
    if (S_ISFIFO(mode)) return FileKind::fifo;
    if (S_ISSOCK(mode)) return FileKind::socket;
    if (S_ISCHR(mode) || S_ISBLK(mode)) return FileKind::device;
    return FileKind::other;
}

// Why opening failed with error; looked is the name opened again as a mere path (O_PATH), or -1,
// where what it leads to refused to be opened for reading (a socket, a device without a
// driver): that says what it is.
std::string OpenFailure(int error, int looked)
{
    struct stat info;
    FileKind kind =
        looked >= 0 && fstat(looked, &info) == 0 ? KindOf(info.st_mode) : FileKind::regular;
    if (looked >= 0) close(looked);
    if (kind != FileKind::regular) return KindReason(kind);
    if (error == ELOOP) return KindReason(FileKind::loop);
    if (error == EXDEV) return kLeadsOutside;
    return std::strerror(error);
}

// Mapped files being read, for the SIGBUS handler. A file that another program cuts short while
// it is mapped faults on its pages past the new end: those become zeros, the cut is counted, and
// the program goes on (the loader then refuses what it read). A fault anywhere else is left to
// whatever handled SIGBUS before. The handler is in place only while some file is mapped.
struct Guarded {
    std::atomic<uintptr_t> begin{0}, end{0};
};
const size_t kGuarded = 64;
Guarded guarded[kGuarded];
std::atomic<uint64_t> cutShort{0};
std::mutex guardLock;
size_t guardUsers = 0;
uintptr_t pageSize = 4096;
struct sigaction busBefore;

void OnBusError(int, siginfo_t* info, void*)
{
    uintptr_t at = reinterpret_cast<uintptr_t>(info->si_addr);
    for (Guarded& g : guarded) {
        uintptr_t begin = g.begin.load(), end = g.end.load();
        if (at < begin || at >= end) continue;
        uintptr_t page = at & ~(pageSize - 1);
        mmap(reinterpret_cast<void*>(page), end - page, PROT_READ,
             MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
        cutShort.fetch_add(1);
        return;
    }
    sigaction(SIGBUS, &busBefore, nullptr); // the access faults again, as it would have before
}

// Guards the mapping at data; false when every slot is taken.
bool Guard(const void* data, size_t size)
{
    std::lock_guard<std::mutex> hold(guardLock);
    for (Guarded& g : guarded) {
        if (g.end.load() != 0) continue;
        g.begin.store(reinterpret_cast<uintptr_t>(data));
        g.end.store(reinterpret_cast<uintptr_t>(data) + size);
        if (guardUsers++ == 0) {
            pageSize = uintptr_t(sysconf(_SC_PAGESIZE));
            struct sigaction action = {};
            action.sa_sigaction = OnBusError;
            action.sa_flags = SA_SIGINFO;
            sigemptyset(&action.sa_mask);
            sigaction(SIGBUS, &action, &busBefore);
        }
        return true;
    }
    return false;
}

void Unguard(const void* data)
{
    std::lock_guard<std::mutex> hold(guardLock);
    for (Guarded& g : guarded) {
        if (g.begin.load() != reinterpret_cast<uintptr_t>(data) || g.end.load() == 0) continue;
        g.end.store(0);
        g.begin.store(0);
        if (--guardUsers == 0) sigaction(SIGBUS, &busBefore, nullptr);
        return;
    }
}

// Reads the whole file into memory, where it cannot be mapped.
bool ReadDescriptor(int fd, FileBytes* bytes, std::string* reason)
{
    unsigned char* data = new (std::nothrow) unsigned char[bytes->size];
    if (!data) {
        *reason = "too large for memory";
        return false;
    }
    bytes->data = {data, FileRelease{bytes->size, false}};
    size_t done = 0;
    while (done < bytes->size) {
        ssize_t got = read(fd, data + done, bytes->size - done);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += size_t(got);
    }
    if (done == bytes->size) return true;
    bytes->data.reset();
    *reason = "cannot read it (it shrank)";
    return false;
}

// Maps the opened descriptor, which it closes, if it is a regular file.
bool MapDescriptor(int fd, FileBytes* bytes, std::string* reason)
{
    struct stat info;
    FileKind kind = fstat(fd, &info) == 0 ? KindOf(info.st_mode) : FileKind::other;
    if (kind != FileKind::regular) {
        close(fd);
        *reason = KindReason(kind);
        return false;
    }
    bytes->identity = {uint64_t(info.st_dev), uint64_t(info.st_ino)};
    bytes->size = size_t(info.st_size);
    bool done = bytes->size == 0;
    void* at = done ? MAP_FAILED : mmap(nullptr, bytes->size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (at != MAP_FAILED && Guard(at, bytes->size)) {
        bytes->data = {static_cast<const unsigned char*>(at), FileRelease{bytes->size, true}};
        done = true;
    } else if (at != MAP_FAILED) {
        munmap(at, bytes->size);
    }
    // A file system that maps nothing, or many files mapped at once: the bytes are read instead.
    if (!done) done = ReadDescriptor(fd, bytes, reason);
    close(fd);
    return done;
}

// name opened from the folder dir and below only, links included.
int OpenBeneath(int dir, const std::string& name, int flags)
{
    open_how how = {};
    how.flags = uint64_t(flags);
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS;
    int fd = int(syscall(SYS_openat2, dir, name.c_str(), &how, sizeof how));
    // Kernels before 5.6: links are not followed at all there.
    if (fd < 0 && errno == ENOSYS) fd = openat(dir, name.c_str(), flags | O_NOFOLLOW);
    return fd;
}

} // namespace

void FileRelease::operator()(const unsigned char* data) const
{
    if (!mapped) {
        delete[] data;
        return;
    }
    Unguard(data);
    munmap(const_cast<unsigned char*>(data), size);
}

std::string FileWholePath(const std::string& path)
{
    return path;
}

bool FileMap(const std::string& path, FileBytes* bytes, std::string* reason)
{
    if (path.find('\0') != std::string::npos) {
        *reason = "the name holds a zero byte";
        return false;
    }
    int fd = open(path.c_str(), kReadFlags);
    if (fd < 0) {
        int error = errno;
        *reason = OpenFailure(error, error == ENXIO ? open(path.c_str(), O_PATH | O_CLOEXEC) : -1);
        return false;
    }
    return MapDescriptor(fd, bytes, reason);
}

bool FileMapBeneath(const std::string& folder, const std::string& name, FileBytes* bytes,
                    std::string* reason)
{
    int dir = open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) {
        *reason = std::strerror(errno);
        return false;
    }
    int fd = OpenBeneath(dir, name, kReadFlags), error = errno;
    int looked = fd < 0 && error == ENXIO ? OpenBeneath(dir, name, O_PATH | O_CLOEXEC) : -1;
    close(dir);
    if (fd < 0) {
        *reason = OpenFailure(error, looked);
        return false;
    }
    return MapDescriptor(fd, bytes, reason);
}

uint64_t FileCutShortCount()
{
    return cutShort.load();
}

#endif
