// Opening model files and the files they name, by UTF-8 names on every platform: each is mapped,
// not copied, so that a page of it is read only when a reader touches it, and every kind of file
// that is not a regular one is refused with its own reason before anything is read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

// Which file it is, whatever name reached it: the device and inode on Linux, the volume serial
// number and file index on Windows. Both zero where nothing says (bytes in memory).
struct FileIdentity {
    uint64_t volume = 0, index = 0;
};

// Gives back what holds a file's bytes: a mapping, or memory they were read into where the
// system maps no such file.
struct FileRelease {
    size_t size = 0;
    bool mapped = false;
    void operator()(const unsigned char* data) const;
};

struct FileBytes {
    std::unique_ptr<const unsigned char[], FileRelease> data; // null for an empty file
    size_t size = 0;
    FileIdentity identity;
};

// The regular file at path, mapped read-only. A FIFO, socket, device or folder is refused before
// any read (and never waited on), and so is a link that leads to itself; on Windows also a
// device's reserved name (con.obj). On failure: false and reason in a user's words ("is a
// FIFO", "No such file or directory").
bool FileMap(const std::string& path, FileBytes* bytes, std::string* reason);

// The file name, which the model in folder refers to, mapped read-only from folder or below:
// nothing outside is opened (Linux: openat2 with RESOLVE_BENEATH), or read (Windows: the
// opened file's final path must lie within the folder's), links included; otherwise as FileMap.
// name is relative, its text already checked for what leads out by itself ('..', drives).
bool FileMapBeneath(const std::string& folder, const std::string& name, FileBytes* bytes,
                    std::string* reason);

// path made whole where the system keeps more than one current folder (Windows: a
// drive-relative "Q:model.gltf" gets drive Q's folder), so that the files it refers to are
// looked for beside it; elsewhere path as it is.
std::string FileWholePath(const std::string& path);

// name (with '/' between its folders, as a model writes it) within folder, joined with the
// system's separator.
std::string FileJoin(const std::string& folder, const std::string& name);

// How many times a mapped file has been found cut short while it was being read (another program
// truncated it): its missing pages read as zeros instead of ending the program, and a reader
// whose count changed meanwhile says so instead of giving what it read. Linux only; a mapped
// file cannot be cut short on Windows.
uint64_t FileCutShortCount();
