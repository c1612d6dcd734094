// Writing a tool's output file without losing anything the user owns: the result appears at its
// name whole or not at all, and a failure, a crash of the writer or a signal leaves no trace.
#pragma once

#include <cstdio>
#include <string>

struct OutputFile {
    std::string path;     // where the result goes (a link's target, when the name is a link)
    std::string tempPath; // empty when writing through to a device or a pipe
    FILE* stream = nullptr;
};

// Opens `path` for writing. Refuses a directory, a name ending in '/', a dangling link and the
// file `input` names (same device and inode; pass "" for none). A regular file, or a name not taken
// yet, gets a fresh temporary file in the same folder, created exclusively (never through a link)
// and renamed over the name by OutputCommit. A device or a pipe (/dev/null, /dev/stdout) is written
// through in place and never replaced: the user asked for the bytes to go there.
bool OutputOpen(const std::string& path, const std::string& input, OutputFile* out,
                std::string* error);

// The refusals of OutputOpen, and whether the folder takes a new file, without creating
// anything: for a tool that checks its output before long work done elsewhere.
bool OutputCheck(const std::string& path, const std::string& input, std::string* error);

// Flushes and closes, then renames the temporary file into place; false (and nothing left
// behind) when any of it fails, for instance a full disk.
bool OutputCommit(OutputFile* out, std::string* error);

// Closes and removes the temporary file; the name keeps what it held before.
void OutputAbandon(OutputFile* out);
