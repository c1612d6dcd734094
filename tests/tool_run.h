// Running the command-line tools in their tests: a folder of the test's own under the test
// temporary directory, a shell command's exit code with what it printed, and what it left.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

#include <gtest/gtest.h>

inline std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

struct ToolRun {
    int status; // the exit code; for a command ended by a signal, the shell's 128 + signal
    std::string out, err;
};

struct Scratch {
    std::string dir;
    Scratch()
    {
        std::string pattern = testing::TempDir() + "trackview_XXXXXX";
        if (mkdtemp(&pattern[0])) dir = pattern;
    }
    ~Scratch() { std::system(("rm -rf '" + dir + "'").c_str()); }
    std::string operator/(const std::string& name) const { return dir + "/" + name; }

    // Runs a shell command line in the folder.
    ToolRun Run(const std::string& command) const
    {
        std::string out = dir + "/../" + Base() + ".out", err = dir + "/../" + Base() + ".err";
        int status = std::system(
            ("cd '" + dir + "' && (" + command + ") >'" + out + "' 2>'" + err + "'").c_str());
        ToolRun run{WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(out), ReadFile(err)};
        std::remove(out.c_str());
        std::remove(err.c_str());
        return run;
    }

    // The names in the folder, sorted, separated by spaces: what a run left behind.
    std::string Listing() const
    {
        std::vector<std::string> names;
        if (DIR* folder = opendir(dir.c_str())) {
            while (dirent* entry = readdir(folder))
                if (std::string(entry->d_name) != "." && std::string(entry->d_name) != "..")
                    names.push_back(entry->d_name);
            closedir(folder);
        }
        std::sort(names.begin(), names.end());
        std::string list;
        for (const std::string& name : names) list += (list.empty() ? "" : " ") + name;
        return list;
    }

  private:
    std::string Base() const { return dir.substr(dir.find_last_of('/') + 1); }
};
