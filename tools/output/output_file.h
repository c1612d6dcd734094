// Writing a tool's output file without losing anything the user owns: the result appears at its
// name whole or not at all, and a failure, a crash of the writer or a signal leaves no trace.
#pragma once

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

struct OutputSink; // the descriptor under the stream, and the cause of its first failed write

struct OutputFile {
    std::string path;     // where the result goes (a link's target, when the name is a link)
    std::string tempPath; // empty when writing through to a descriptor, a device or a pipe
    FILE* stream = nullptr;
    OutputSink* sink = nullptr;
};

// Opens `path` for writing. Refuses a directory, a name ending in '/', a dangling link, another
// user's link in a shared sticky folder (/tmp), and every file of `keep` (the model and the files
// it refers to; same device and inode). A regular file, or a name not taken yet, gets a fresh
// temporary file in the same folder, created exclusively (never through a link) and renamed over
// the name by OutputCommit. A descriptor's name (/dev/stdout, /dev/fd/N, /proc/self/fd/N) is
// written to through that descriptor as it is (appending where it appends), and a device or a
// pipe in place: never replaced, the user asked for the bytes to go there.
bool OutputOpen(const std::string& path, const std::vector<std::string>& keep, OutputFile* out,
                std::string* error);

// The refusals of OutputOpen, and whether the folder takes a new file, without creating
// anything: for a tool that checks its output before long work done elsewhere.
bool OutputCheck(const std::string& path, const std::vector<std::string>& keep, std::string* error);

// A fresh temporary file beside `path` (a regular file's name, resolved by OutputOpen), for a
// result whose final name is known only once it is written. Removed like any temporary file.
bool OutputOpenTemp(const std::string& path, OutputFile* out, std::string* error);

// Flushes and closes the stream, keeping any temporary file; false with the cause of the first
// failed write ("No space left on device"). Nothing to do the second time.
bool OutputClose(OutputFile* out, std::string* error);

// Gives the closed temporary file a name that nothing has yet, never replacing a file; false
// (errno EEXIST when the name is taken) leaves the temporary file as it was.
bool OutputPublish(OutputFile* out, const std::string& name);

// OutputClose, then renames the temporary file into place; false (and nothing left behind) when
// any of it fails, for instance a full disk.
bool OutputCommit(OutputFile* out, std::string* error);

// Closes and removes the temporary file; the name keeps what it held before.
void OutputAbandon(OutputFile* out);

// Holds back the signals that end a tool while several files change together, so that they
// change all or none; OutputRelease delivers what came meanwhile.
sigset_t OutputHold();
void OutputRelease(const sigset_t& previous);
