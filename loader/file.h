// Reading a model file whole, by a UTF-8 name on every platform.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

struct FileBytes {
    std::unique_ptr<unsigned char[]> data;
    size_t size = 0;
};

// Reads the regular file at path. A FIFO, socket, device or folder is refused at once, never
// waited on. On failure: false and reason in a user's words ("No such file or directory").
bool ReadWholeFile(const std::string& path, FileBytes* bytes, std::string* reason);
