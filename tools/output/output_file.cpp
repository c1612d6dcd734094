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

static void RemoveTempsAndDie(int sig)
{
    for (auto& temp : pendingTemps)
        if (temp[0]) unlink(temp);
    signal(sig, SIG_DFL);
    raise(sig);
}

static void TrackTemp(const std::string& temp, bool track)
{
    static bool handlersSet = false;
    if (!handlersSet) {
        for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
            struct sigaction action = {};
            action.sa_handler = RemoveTempsAndDie;
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

bool OutputOpen(const std::string& name, const std::string& input, OutputFile* out,
                std::string* error)
{
    *out = OutputFile{};
    std::string path = name;
    struct stat link, target;
    bool exists = lstat(name.c_str(), &link) == 0;
    if (exists && S_ISLNK(link.st_mode)) {
        // Keep the user's link: the result replaces what it points at.
        char* resolved = realpath(name.c_str(), nullptr);
        if (!resolved) {
            *error =
                Fault(name, "it is a link to nothing (" + std::string(std::strerror(errno)) + ")");
            return false;
        }
        path = resolved;
        std::free(resolved);
    }
    exists = stat(path.c_str(), &target) == 0;
    if (exists && S_ISDIR(target.st_mode)) {
        *error = Fault(name, "it is a directory");
        return false;
    }
    struct stat source;
    if (exists && !input.empty() && stat(input.c_str(), &source) == 0 &&
        source.st_dev == target.st_dev && source.st_ino == target.st_ino) {
        *error = Fault(name, "it is the input file");
        return false;
    }
    out->path = path;
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
    std::string temp = folder + "." + base + ".XXXXXX";
    std::string buffer = temp;
    int fd = mkostemp(&buffer[0], O_CLOEXEC); // O_CREAT | O_EXCL: never through a link
    if (fd < 0) {
        *error = Fault(name, std::strerror(errno));
        return false;
    }
    out->tempPath = buffer;
    TrackTemp(out->tempPath, true);
    // The mode a plain fopen would give, not mkstemp's private 0600.
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
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
        written = std::rename(out->tempPath.c_str(), out->path.c_str()) == 0;
        why = errno;
        if (written) {
            TrackTemp(out->tempPath, false);
            out->tempPath.clear();
        }
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
        unlink(out->tempPath.c_str());
        TrackTemp(out->tempPath, false);
        out->tempPath.clear();
    }
}
