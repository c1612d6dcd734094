// Running the command-line tools in their tests: a folder of the test's own under the test
// temporary directory, a shell command's exit code with what it printed, and what it left.
#pragma once

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>

#include <gtest/gtest.h>

inline std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

struct ToolRun {
    int status; // the exit code; for a command ended by a signal, the shell's 128 + signal
    std::string out, err;
};

struct Scratch {
    std::string dir = testing::TempDir() + "trackview_XXXXXX";
    Scratch() { dir = mkdtemp(&dir[0]) ? dir : "/nonexistent"; }
    ~Scratch()
    {
        // A clean-up that fails leaves a temporary folder behind, not a wrong result.
        int removed =
            std::system(("rm -rf '" + dir + "' '" + dir + ".out' '" + dir + ".err'").c_str());
        (void)removed;
    }
    std::string operator/(const std::string& name) const { return dir + "/" + name; }

    // Runs a shell command line in the folder; what it prints is kept beside the folder.
    ToolRun Run(const std::string& command) const
    {
        int status = std::system(
            ("cd '" + dir + "' && (" + command + ") >'" + dir + ".out' 2>'" + dir + ".err'")
                .c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(dir + ".out"),
                ReadFile(dir + ".err")};
    }

    // Runs a command line (without single quotes) with a folder `small` of `size` bytes in the
    // folder: a file system in a mount namespace of its own, gone with the command. Status 77
    // when none can be made (it needs root or user namespaces).
    ToolRun RunOnSmallDisk(const std::string& size, const std::string& command) const
    {
        return Run("mkdir small && if unshare -m true 2>/dev/null; then u='unshare -m'; "
                   "elif unshare -rm true 2>/dev/null; then u='unshare -rm'; else exit 77; fi; "
                   "$u sh -c 'mount -t tmpfs -o size=" +
                   size + " tmpfs small 2>/dev/null || exit 77; " + command + "'");
    }

    // The names in the folder, sorted, separated by spaces: what the runs left behind.
    std::string Listing() const
    {
        std::string names = Run("echo $(ls -A)").out;
        return names.substr(0, names.size() - 1);
    }
};
