// What tells that a file has changed, without reading it: its size, its times and, where the
// system has one, which file it is (a file renamed over it is another).
#pragma once

#include <cstdint>
#include <string>

struct FileStamp {
    bool exists = false;
    uint64_t size = 0;
    int64_t written = 0, changed = 0; // in the system's own units
    uint64_t file = 0, device = 0;    // which file (0 where the system does not say)

    bool operator==(const FileStamp& o) const
    {
        return exists == o.exists && size == o.size && written == o.written &&
               changed == o.changed && file == o.file && device == o.device;
    }
    bool operator!=(const FileStamp& o) const { return !(*this == o); }
};

// The stamp of the file at path (UTF-8); exists is false when there is none.
FileStamp FileStampOf(const std::string& path);
