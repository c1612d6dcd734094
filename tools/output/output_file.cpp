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

// Temporary files open at this moment, for the signal handler; a tool has at most a few.
static const int kMaxTemps = 4;
static char pendingTemps[kMaxTemps][PATH_MAX + 16];

// Signals that end a tool: asked for (INT, TERM, HUP, PIPE), limits hit (ALRM, XFSZ, XCPU) and
// crashes, so that a writer killed half-way leaves no temporary file.
static const int kEndingSignals[] = {SIGINT,  SIGTERM, SIGHUP,  SIGPIPE, SIGALRM, SIGXFSZ,
                                     SIGXCPU, SIGABRT, SIGSEGV, SIGBUS,  SIGFPE,  SIGILL};

static void RemoveTempsAndDie(int sig)
{
    for (auto& temp : pendingTemps)
        if (temp[0]) unlink(temp);
    raise(sig); // the handler was reset and the signal is not blocked: this ends the process
}

// Blocks the ending signals while the list of temporary files and the disk disagree.
static sigset_t BlockEndingSignals()
{
    sigset_t block, old;
    sigemptyset(&block);
    for (int sig : kEndingSignals) sigaddset(&block, sig);
    sigprocmask(SIG_BLOCK, &block, &old);
    return old;
}

static void TrackTemp(const std::string& temp, bool track)
{
    static bool handlersSet = false;
    if (!handlersSet) {
        for (int sig : kEndingSignals) {
            struct sigaction action = {}, old = {};
            sigaction(sig, nullptr, &old);
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

// Where the bytes for name go, after the refusals; target is filled when that exists.
static bool OutputTarget(const std::string& name, const std::string& input, std::string* path,
                         struct stat* target, bool* exists, std::string* error)
{
    *path = name;
    struct stat link;
    if (name.empty() || name.back() == '/') {
        *error = Fault(name, "not a file name");
        return false;
    }
    if (lstat(name.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        // Keep the user's link: the result replaces what it points at.
        char* resolved = realpath(name.c_str(), nullptr);
        struct stat end;
        if (resolved) {
            *path = resolved;
        } else if (stat(name.c_str(), &end) != 0 || S_ISREG(end.st_mode)) {
            *error =
                Fault(name, "it is a link to nothing (" + std::string(std::strerror(errno)) + ")");
            return false;
        } // else a pipe or socket with no path (/dev/stdout into a pipe): written through below
        std::free(resolved);
    }
    *exists = stat(path->c_str(), target) == 0;
    if (*exists && S_ISDIR(target->st_mode)) {
        *error = Fault(name, "it is a directory");
        return false;
    }
    struct stat source;
    if (*exists && !input.empty() && stat(input.c_str(), &source) == 0 &&
        source.st_dev == target->st_dev && source.st_ino == target->st_ino) {
        *error = Fault(name, "it is the input file");
        return false;
    }
    return true;
}

bool OutputCheck(const std::string& name, const std::string& input, std::string* error)
{
    std::string path;
    struct stat target;
    bool exists = false;
    if (!OutputTarget(name, input, &path, &target, &exists, error)) return false;
    if (exists) return true;
    size_t slash = path.find_last_of('/');
    std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    if (access(folder.c_str(), W_OK | X_OK) != 0) {
        *error = Fault(name, std::strerror(errno));
        return false;
    }
    return true;
}

bool OutputOpen(const std::string& name, const std::string& input, OutputFile* out,
                std::string* error)
{
    *out = OutputFile{};
    struct stat target;
    bool exists = false;
    if (!OutputTarget(name, input, &out->path, &target, &exists, error)) return false;
    const std::string& path = out->path;
    if (exists && !S_ISREG(target.st_mode)) {
        int fd = open(path.c_str(), O_WRONLY | O_CLOEXEC);
        out->stream = fd < 0 ? nullptr : fdopen(fd, "wb");
        if (!out->stream) {
            *error = Fault(name, std::strerror(errno));
            if (fd >= 0) close(fd);
            return false;
        }
        return true;
    }

    size_t slash = path.find_last_of('/');
    std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    // Shortened, so that a name near the file system's limit still has room for the suffix.
    std::string buffer = folder + "." + base.substr(0, 200) + ".XXXXXX";
    sigset_t old = BlockEndingSignals();
    int fd = mkostemp(&buffer[0], O_CLOEXEC); // O_CREAT | O_EXCL: never through a link
    int why = errno;
    if (fd >= 0) {
        out->tempPath = buffer;
        TrackTemp(out->tempPath, true);
    }
    sigprocmask(SIG_SETMASK, &old, nullptr);
    if (fd < 0) {
        *error = Fault(name, std::strerror(why));
        return false;
    }
    // A replaced file keeps its owner and permissions where allowed; a new one gets those a plain
    // fopen would give, not mkstemp's private 0600.
    mode_t mask = umask(0);
    umask(mask);
    if (exists && fchown(fd, target.st_uid, target.st_gid) != 0)
        errno = 0; // not ours to give: the file becomes the writer's, as an editor's save does
    fchmod(fd, exists ? target.st_mode & 07777 : 0666 & ~mask);
    out->stream = fdopen(fd, "wb");
    if (!out->stream) {
        *error = Fault(name, std::strerror(errno));
        close(fd);
        OutputAbandon(out);
        return false;
    }
    return true;
}

bool OutputCommit(OutputFile* out, std::string* error)
{
    errno = 0;
    bool written = std::fflush(out->stream) == 0 && !std::ferror(out->stream);
    int why = errno;
    written = std::fclose(out->stream) == 0 && written;
    if (!written && why == 0) why = errno;
    out->stream = nullptr;
    if (written && !out->tempPath.empty()) {
        sigset_t old = BlockEndingSignals();
        written = std::rename(out->tempPath.c_str(), out->path.c_str()) == 0;
        why = errno;
        if (written) {
            TrackTemp(out->tempPath, false);
            out->tempPath.clear();
        }
        sigprocmask(SIG_SETMASK, &old, nullptr);
    }
    if (!written) {
        *error = Fault(out->path, std::strerror(why ? why : EIO));
        OutputAbandon(out);
    }
    return written;
}

void OutputAbandon(OutputFile* out)
{
    if (out->stream) std::fclose(out->stream);
    out->stream = nullptr;
    if (!out->tempPath.empty()) {
        sigset_t old = BlockEndingSignals();
        unlink(out->tempPath.c_str());
        TrackTemp(out->tempPath, false);
        sigprocmask(SIG_SETMASK, &old, nullptr);
        out->tempPath.clear();
    }
}
