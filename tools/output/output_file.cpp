// Output files written whole or not at all: a temporary file beside the output, renamed into
// place on success and removed on failure or when a signal ends the tool.
#include "tools/output/output_file.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

struct OutputSink {
    int fd;
    int error; // errno of the first failed write or close; 0 while all went well
};

// Temporary files open at this moment, for the signal handler; a tool has at most a few.
static const int kMaxTemps = 4;
static char pendingTemps[kMaxTemps][PATH_MAX + 16];

// Signals whose default action ends a tool: asked for (INT, TERM, HUP, QUIT, USR1, ...), limits
// hit (ALRM, XFSZ, XCPU) and crashes, so that a writer ended half-way leaves no temporary file.
// The real-time signals end it too.
static const int kEndingSignals[] = {SIGINT,  SIGTERM, SIGHUP,  SIGQUIT,   SIGPIPE, SIGALRM,
                                     SIGUSR1, SIGUSR2, SIGXFSZ, SIGXCPU,   SIGPROF, SIGVTALRM,
                                     SIGIO,   SIGPWR,  SIGSYS,  SIGSTKFLT, SIGTRAP, SIGABRT,
                                     SIGSEGV, SIGBUS,  SIGFPE,  SIGILL};

static void AddEndingSignals(sigset_t* set)
{
    for (int sig : kEndingSignals) sigaddset(set, sig);
    for (int sig = SIGRTMIN; sig <= SIGRTMAX; ++sig) sigaddset(set, sig);
}

static void RemoveTempsAndDie(int sig)
{
    for (auto& temp : pendingTemps)
        if (temp[0]) unlink(temp);
    raise(sig); // the handler was reset and the signal is not blocked: this ends the process
}

sigset_t OutputHold()
{
    sigset_t block, old;
    sigemptyset(&block);
    AddEndingSignals(&block);
    sigprocmask(SIG_BLOCK, &block, &old);
    return old;
}

void OutputRelease(const sigset_t& previous)
{
    sigprocmask(SIG_SETMASK, &previous, nullptr);
}

static void TrackTemp(const std::string& temp, bool track)
{
    static bool handlersSet = false;
    if (!handlersSet) {
        sigset_t all;
        sigemptyset(&all);
        AddEndingSignals(&all);
        for (int sig = 1; sig < NSIG; ++sig) {
            struct sigaction action = {}, old = {};
            if (sigismember(&all, sig) != 1 || sigaction(sig, nullptr, &old) != 0) continue;
            if (old.sa_handler != SIG_DFL) continue; // ignored (nohup) or the tool's own
            action.sa_handler = RemoveTempsAndDie;
            action.sa_flags = SA_RESETHAND | SA_NODEFER;
            sigaction(sig, &action, nullptr);
        }
        handlersSet = true;
    }
    for (auto& slot : pendingTemps) {
        if (track && slot[0] == '\0' && temp.size() < sizeof slot) {
            std::memcpy(slot, temp.c_str(), temp.size() + 1);
            return;
        }
        if (!track && temp == slot) {
            slot[0] = '\0';
            return;
        }
    }
}

static std::string Fault(const std::string& path, const std::string& why)
{
    return "cannot write '" + path + "': " + why;
}

// Writes all or records why not: the stream's own error state loses errno.
static ssize_t SinkWrite(void* cookie, const char* bytes, size_t size)
{
    OutputSink* sink = static_cast<OutputSink*>(cookie);
    size_t done = 0;
    while (done < size) {
        ssize_t n = write(sink->fd, bytes + done, size - done);
        if (n > 0) {
            done += size_t(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            if (!sink->error) sink->error = n < 0 ? errno : EIO;
            break;
        }
    }
    return ssize_t(done);
}

static int SinkClose(void* cookie)
{
    OutputSink* sink = static_cast<OutputSink*>(cookie);
    int closed = close(sink->fd); // network file systems report failed writes here
    if (closed != 0 && !sink->error) sink->error = errno;
    return closed;
}

// A stream over fd that keeps the cause of its first failure; fd is closed on failure.
static bool OpenStream(int fd, OutputFile* out)
{
    OutputSink* sink = new OutputSink{fd, 0};
    out->stream = fopencookie(sink, "w", {nullptr, SinkWrite, nullptr, SinkClose});
    if (!out->stream) {
        int why = errno;
        close(fd);
        delete sink;
        errno = why;
        return false;
    }
    out->sink = sink;
    setvbuf(out->stream, nullptr, _IOFBF, size_t(1) << 16);
    return true;
}

// The descriptor a name stands for (/dev/stdout, /dev/fd/N, /proc/self/fd/N), or -1. Opening
// such a name anew would start a file at its beginning, or replace it, instead of appending.
static int DescriptorNamed(const std::string& name)
{
    const char* standard[] = {"/dev/stdin", "/dev/stdout", "/dev/stderr"};
    for (int fd = 0; fd < 3; ++fd)
        if (name == standard[fd]) return fd;
    const std::string folders[] = {"/dev/fd/", "/proc/self/fd/", "/proc/thread-self/fd/",
                                   "/proc/" + std::to_string(getpid()) + "/fd/"};
    for (const std::string& folder : folders) {
        if (name.compare(0, folder.size(), folder) != 0) continue;
        std::string number = name.substr(folder.size());
        if (number.empty() || number.size() > 9 ||
            number.find_first_not_of("0123456789") != std::string::npos)
            return -1;
        return std::atoi(number.c_str());
    }
    return -1;
}

static std::string FolderOf(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

struct Target {
    std::string path;    // after the links named as OUT; folders as given
    int descriptor = -1; // when the name stands for one of the tool's descriptors
    bool exists = false;
    struct stat info;
};

// Where the bytes for name go, after the refusals. Links named as OUT are followed here, by
// the kernel's rule for shared folders whether or not the machine enforces it: in a sticky
// world-writable folder (/tmp) only a link of the caller's or of the folder's owner, so that
// another user's link cannot make root replace the file it points at.
static bool OutputTarget(const std::string& name, const std::vector<std::string>& keep, Target* t,
                         std::string* error)
{
    t->path = name;
    if (name.empty() || name.back() == '/') {
        *error = Fault(name, "not a file name");
        return false;
    }
    bool linked = false;
    for (int hops = 0; (t->descriptor = DescriptorNamed(t->path)) < 0; ++hops) {
        struct stat link, shared;
        if (lstat(t->path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) break;
        std::string folder = FolderOf(t->path);
        const mode_t sharedMode = S_ISVTX | S_IWOTH;
        if (stat(folder.empty() ? "." : folder.c_str(), &shared) == 0 &&
            (shared.st_mode & sharedMode) == sharedMode && link.st_uid != geteuid() &&
            link.st_uid != shared.st_uid) {
            *error = Fault(name, "it is another user's link in a shared folder");
            return false;
        }
        char text[PATH_MAX];
        ssize_t length = hops < 40 ? readlink(t->path.c_str(), text, sizeof text) : -1;
        if (length <= 0 || size_t(length) == sizeof text) {
            *error = Fault(name, std::strerror(hops == 40   ? ELOOP
                                               : length < 0 ? errno
                                                            : ENAMETOOLONG));
            return false;
        }
        t->path = (text[0] == '/' ? "" : folder) + std::string(text, size_t(length));
        linked = true;
    }
    if (t->descriptor >= 0) {
        int flags = fcntl(t->descriptor, F_GETFL);
        if (flags < 0 || (flags & O_ACCMODE) == O_RDONLY || fstat(t->descriptor, &t->info) != 0) {
            *error = Fault(name, std::strerror(EBADF));
            return false;
        }
        t->exists = true;
    } else if (!(t->exists = stat(t->path.c_str(), &t->info) == 0) && linked) {
        *error = Fault(name, "it is a link to nothing (" + std::string(std::strerror(errno)) + ")");
        return false;
    }
    if (t->exists && S_ISDIR(t->info.st_mode)) {
        *error = Fault(name, "it is a directory");
        return false;
    }
    for (size_t i = 0; t->exists && i < keep.size(); ++i) {
        struct stat kept;
        if (!keep[i].empty() && stat(keep[i].c_str(), &kept) == 0 &&
            kept.st_dev == t->info.st_dev && kept.st_ino == t->info.st_ino) {
            *error = Fault(name, i == 0 ? "it is the input file" : "the model is made of it");
            return false;
        }
    }
    return true;
}

bool OutputCheck(const std::string& name, const std::vector<std::string>& keep, std::string* error)
{
    Target t;
    if (!OutputTarget(name, keep, &t, error)) return false;
    if (t.exists) return true;
    std::string folder = FolderOf(t.path);
    if (access(folder.empty() ? "." : folder.c_str(), W_OK | X_OK) != 0) {
        *error = Fault(name, std::strerror(errno));
        return false;
    }
    return true;
}

// A temporary file beside path, created exclusively; it takes the owner and permissions of
// `replaced` where allowed, or those a plain fopen would give (not mkstemp's private 0600).
static bool CreateTemp(const std::string& path, const std::string& name,
                       const struct stat* replaced, OutputFile* out, std::string* error)
{
    std::string folder = FolderOf(path), base = path.substr(folder.size());
    // Shortened, so that a name near the file system's limit still has room for the suffix.
    std::string buffer = folder + "." + base.substr(0, 200) + ".XXXXXX";
    sigset_t old = OutputHold();
    int fd = mkostemp(&buffer[0], O_CLOEXEC); // O_CREAT | O_EXCL: never through a link
    int why = errno;
    if (fd >= 0) {
        out->tempPath = buffer;
        TrackTemp(out->tempPath, true);
    }
    OutputRelease(old);
    if (fd < 0) {
        *error = Fault(name, std::strerror(why));
        return false;
    }
    mode_t mask = umask(0);
    umask(mask);
    if (replaced && fchown(fd, replaced->st_uid, replaced->st_gid) != 0)
        errno = 0; // not ours to give: the file becomes the writer's, as an editor's save does
    fchmod(fd, replaced ? replaced->st_mode & 07777 : 0666 & ~mask);
    if (!OpenStream(fd, out)) {
        *error = Fault(name, std::strerror(errno));
        OutputAbandon(out);
        return false;
    }
    return true;
}

bool OutputOpen(const std::string& name, const std::vector<std::string>& keep, OutputFile* out,
                std::string* error)
{
    *out = OutputFile{};
    Target t;
    if (!OutputTarget(name, keep, &t, error)) return false;
    out->path = t.path;
    if (t.descriptor < 0 && (!t.exists || S_ISREG(t.info.st_mode)))
        return CreateTemp(t.path, name, t.exists ? &t.info : nullptr, out, error);
    // The descriptor itself, sharing its offset and its append mode; a device or pipe opened.
    int fd = t.descriptor >= 0 ? fcntl(t.descriptor, F_DUPFD_CLOEXEC, 3)
                               : open(t.path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0 || !OpenStream(fd, out)) {
        *error = Fault(name, std::strerror(errno));
        return false;
    }
    return true;
}

bool OutputOpenTemp(const std::string& path, OutputFile* out, std::string* error)
{
    *out = OutputFile{};
    out->path = path;
    return CreateTemp(path, path, nullptr, out, error);
}

bool OutputClose(OutputFile* out, std::string* error)
{
    if (!out->stream) return true;
    bool written = std::fflush(out->stream) == 0 && !std::ferror(out->stream);
    written = std::fclose(out->stream) == 0 && written;
    out->stream = nullptr;
    int why = out->sink->error;
    delete out->sink;
    out->sink = nullptr;
    if (!written) *error = Fault(out->path, std::strerror(why ? why : EIO));
    return written;
}

bool OutputPublish(OutputFile* out, const std::string& name)
{
    sigset_t old = OutputHold();
    bool placed = link(out->tempPath.c_str(), name.c_str()) == 0;
    if (placed) {
        unlink(out->tempPath.c_str());
    } else if (errno == EPERM || errno == EOPNOTSUPP) { // no hard links (FAT)
        placed = renameat2(AT_FDCWD, out->tempPath.c_str(), AT_FDCWD, name.c_str(),
                           RENAME_NOREPLACE) == 0;
    }
    int why = errno;
    if (placed) {
        TrackTemp(out->tempPath, false);
        out->tempPath.clear();
    }
    OutputRelease(old);
    errno = why;
    return placed;
}

bool OutputCommit(OutputFile* out, std::string* error)
{
    bool written = OutputClose(out, error);
    if (written && !out->tempPath.empty()) {
        sigset_t old = OutputHold();
        written = std::rename(out->tempPath.c_str(), out->path.c_str()) == 0;
        if (written) {
            TrackTemp(out->tempPath, false);
            out->tempPath.clear();
        } else {
            *error = Fault(out->path, std::strerror(errno));
        }
        OutputRelease(old);
    }
    if (!written) OutputAbandon(out);
    return written;
}

void OutputAbandon(OutputFile* out)
{
    if (out->stream) std::fclose(out->stream);
    out->stream = nullptr;
    delete out->sink;
    out->sink = nullptr;
    if (!out->tempPath.empty()) {
        sigset_t old = OutputHold();
        unlink(out->tempPath.c_str());
        TrackTemp(out->tempPath, false);
        OutputRelease(old);
        out->tempPath.clear();
    }
}
