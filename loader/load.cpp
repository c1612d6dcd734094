// The loader's one way in: pick the reader from the format table (by the extension, or by the
// content where the extension names no format), then check, fit and merge what it gave, the same
// for every format, so that no reader's slip reaches the renderer. A file's name is shown as
// ShownText shows it: a name holding a line end or an escape cannot forge a line or reach the
// terminal.
#include "loader/load.h"

#include "loader/file.h"
#include "loader/formats.h"
#include "loader/path.h"
#include "loader/reader.h"
#include "loader/shown.h"
#include "mesh/finish.h"

#include <algorithm>
#include <new>

bool LoadFormatKnown(const std::string& extension)
{
    return ModelFormatFind(extension) != nullptr;
}

// The head of every message about the file: its name as shown, and the line where one is known.
static std::string Said(const std::string& name, size_t line = 0)
{
    return ShownText(name) + (line ? ":" + std::to_string(line) : "") + ": ";
}

static bool Load(const ByteSpan& bytes, const ModelFormat& format, const std::string& name,
                 const std::string& folder, const FileIdentity& identity,
                 const LoadOptions& options, MeshData* mesh, std::string* error,
                 std::vector<std::string>* sideFiles = nullptr)
{
    *mesh = MeshData();
    mesh->use = options.use;
    ReadInput in;
    in.sideFiles = sideFiles;
    in.bytes = bytes;
    in.identity = identity;
    in.name = name;
    in.folder = folder;
    in.fileNormals = options.fileNormals;
    in.maxFaces = std::min(options.maxFaces, kMeshMaxFaces);
    ReadError read;
    bool loaded = false;
    try {
        if (bytes.size == 0)
            ReadFail(&read, 0, "empty file");
        else
            loaded = format.read(in, mesh, &read) &&
                     MeshFinish(*mesh, options.fileNormals, options.radius, &read.reason);
    } catch (const std::bad_alloc&) {
        loaded = ReadFail(&read, 0, "too large for memory");
    }
    if (loaded) {
        mesh->name = name;
        return true;
    }
    *mesh = MeshData();
    *error = Said(name, read.line) + read.reason;
    return false;
}

// The row of the format, or nullptr and the error that says which formats are read.
static const ModelFormat* ChooseOrSay(const std::string& extension, ByteSpan bytes,
                                      const std::string& name, std::string* error)
{
    const ModelFormat* format = ModelFormatChoose(extension, bytes);
    if (!format)
        *error = Said(name) + "unknown format" +
                 (extension.empty() ? "" : " '." + ShownText(extension) + "'") + " (reads " +
                 ModelFormatList() + ")";
    return format;
}

bool LoadModelFile(const std::string& path, const LoadOptions& options, MeshData* mesh,
                   std::string* error, std::vector<std::string>* sideFiles)
{
    *mesh = MeshData();
    // Whole first, so that its side files are looked for beside it whatever the current folder.
    std::string whole = FileWholePath(path);
    FileBytes file;
    std::string reason;
    if (!FileMap(whole, &file, &reason)) {
        *error = Said(path) + "cannot open: " + reason;
        return false;
    }
    // Counted from the mapping on: choosing the reader by content reads the first pages already.
    uint64_t cuts = FileCutShortCount();
    ByteSpan bytes{file.data.get(), file.size};
    const ModelFormat* format = ChooseOrSay(PathExtension(path), bytes, path, error);
    if (!format) return false;
    bool loaded = Load(bytes, *format, path, PathFolder(whole), file.identity, options, mesh, error,
                       sideFiles);
    if (FileCutShortCount() == cuts) return loaded;
    *mesh = MeshData();
    *error = Said(path) + "cannot read: another program cut it short while it was read";
    return false;
}

bool LoadModelMemory(const void* data, size_t size, const std::string& format,
                     const std::string& name, const LoadOptions& options, MeshData* mesh,
                     std::string* error)
{
    *mesh = MeshData();
    ByteSpan bytes{static_cast<const unsigned char*>(data), size};
    const ModelFormat* known = ChooseOrSay(format, bytes, name, error);
    if (!known) return false;
    return Load(bytes, *known, name, "", FileIdentity(), options, mesh, error);
}
