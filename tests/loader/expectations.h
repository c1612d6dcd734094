// The lines of every expect*.txt in a folder of test files, comments left out: what each file
// there must give.
#pragma once

#include <dirent.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

inline std::vector<std::string> ExpectationLines(const std::string& folder)
{
    std::vector<std::string> lines, names;
    if (DIR* dir = opendir(folder.c_str())) {
        while (dirent* entry = readdir(dir))
            if (std::string(entry->d_name).rfind("expect", 0) == 0) names.push_back(entry->d_name);
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        std::ifstream in(folder + "/" + name);
        for (std::string line; std::getline(in, line);)
            if (!line.empty() && line[0] != '#') lines.push_back(line);
    }
    return lines;
}

// A hostile line: "NAME[ normals] | reason". Splits off the reason and the normals word.
inline void SplitHostileLine(const std::string& line, std::string* name, bool* fileNormals,
                             std::string* reason)
{
    size_t bar = line.find(" | ");
    *name = line.substr(0, bar);
    *reason = bar == std::string::npos ? "" : line.substr(bar + 3);
    *fileNormals = name->size() > 8 && name->compare(name->size() - 8, 8, " normals") == 0;
    if (*fileNormals) name->resize(name->size() - 8);
}
