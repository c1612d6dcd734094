// glTF 2.0: a .gltf's JSON text or a .glb's chunks, the buffers they name, and the scene's node
// tree with every mesh placed where its nodes put it. Work is counted before it is done: the
// triangles and nodes that instancing gives are refused beyond what the file's size allows.
#include "loader/gltf.h"

#include <cstring>

static bool Fail(ReadError* error, const std::string& reason)
{
    error->line = 0;
    error->reason = reason;
    return false;
}

static bool CheckAsset(const Json& root, std::string* why)
{
    const Json* asset = JsonFind(root, "asset");
    const Json* version = asset ? JsonFind(*asset, "version") : nullptr;
    if (!version || !version->is_string()) {
        *why = "not a glTF 2.0 file: it has no asset version";
        return false;
    }
    const std::string& text = version->get_ref<const std::string&>();
    if (text.compare(0, 2, "2.") == 0) return true;
    *why = "glTF version " + GltfShown(text) + "; only version 2 is read";
    return false;
}

// Extensions that change only how a model looks, never its shape, need no reading here; mesh
// quantization allows more component types, which the accessors read.
static bool Understood(const std::string& name)
{
    for (const char* prefix : {"KHR_materials_", "KHR_texture_", "EXT_texture_"})
        if (name.compare(0, std::strlen(prefix), prefix) == 0) return true;
    return name == "KHR_mesh_quantization";
}

static bool CheckExtensions(const Json& root, std::string* why)
{
    const Json* list;
    if (!JsonList(root, "extensionsRequired", "the file", &list, why)) return false;
    for (const Json& name : *list) {
        if (!name.is_string()) {
            *why = "extensionsRequired holds something other than a name";
            return false;
        }
        if (Understood(name.get_ref<const std::string&>())) continue;
        *why = "needs the extension " + GltfShown(name.get_ref<const std::string&>()) +
               ", which trackview does not read";
        return false;
    }
    return true;
}

static bool ReadModel(const ReadInput& in, ByteSpan json, ByteSpan bin, bool glb, MeshData* mesh,
                      ReadError* error)
{
    GltfFile file;
    std::string* why = &error->reason;
    if (!GltfParseJson(json, !glb, &file.root, error)) return false;
    error->line = 0;
    if (!CheckAsset(file.root, why) || !CheckExtensions(file.root, why) ||
        !GltfReadBuffers(in, bin, glb && bin.data, &file, error) || !GltfReadViews(&file, why))
        return false;
    GltfScene scene;
    return GltfPlanScene(file, in, &scene, why) && GltfBuildParts(&file, &scene, why) &&
           GltfPlaceScene(scene, in.fileNormals, mesh, why);
}

bool ReadGltf(const ReadInput& in, MeshData* mesh, ReadError* error)
{
    if (in.bytes.size >= 4 && std::memcmp(in.bytes.data, "glTF", 4) == 0)
        return ReadGlb(in, mesh, error); // a binary file named .gltf
    return ReadModel(in, in.bytes, ByteSpan{}, false, mesh, error);
}

static uint32_t Uint32At(const unsigned char* b)
{
    return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
}

// A 12-byte header (magic, version 2, length), then chunks of a length, a type and the data:
// the JSON first, then the binary buffer if there is one; other chunks are skipped.
bool ReadGlb(const ReadInput& in, MeshData* mesh, ReadError* error)
{
    const ByteSpan& b = in.bytes;
    if (b.size < 12) return Fail(error, "the GLB header (12 bytes) runs past the end of the file");
    if (std::memcmp(b.data, "glTF", 4) != 0)
        return Fail(error, "not a GLB file: it does not start with 'glTF'");
    uint32_t version = Uint32At(b.data + 4), length = Uint32At(b.data + 8);
    if (version != 2)
        return Fail(error, "GLB version " + std::to_string(version) + "; only version 2 is read");
    if (length > b.size)
        return Fail(error, "the GLB length " + std::to_string(length) +
                               " runs past the end of the file (" + std::to_string(b.size) +
                               " bytes)");
    if (length < 20)
        return Fail(error, "the GLB length " + std::to_string(length) +
                               " leaves no room for its JSON chunk");
    ByteSpan json{}, bin{};
    for (size_t at = 12; at < length;) {
        if (length - at < 8)
            return Fail(error, "the GLB chunk header at byte " + std::to_string(at) +
                                   " runs past the end of the file");
        size_t size = Uint32At(b.data + at);
        uint32_t type = Uint32At(b.data + at + 4);
        if (size > length - at - 8)
            return Fail(error, "the GLB chunk at byte " + std::to_string(at) + " (" +
                                   std::to_string(size) + " bytes) runs past the end of the file");
        ByteSpan chunk{b.data + at + 8, size};
        if (at == 12 && type != 0x4E4F534A) return Fail(error, "the first GLB chunk is not JSON");
        if (at == 12) json = chunk;
        if (at > 12 && type == 0x004E4942 && !bin.data) bin = chunk;
        at += 8 + size;
    }
    // Some writers pad the JSON chunk with zero bytes instead of spaces.
    while (json.size > 0 && json.data[json.size - 1] == 0) --json.size;
    return ReadModel(in, json, bin, true, mesh, error);
}
