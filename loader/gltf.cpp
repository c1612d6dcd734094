// glTF 2.0: a .gltf's JSON text or a .glb's chunks, the buffers they name, and the scene's node
// tree with every mesh placed where its nodes put it. Work is counted before it is done: the
// triangles and nodes that instancing gives are refused beyond what the file's size allows.
#include "loader/gltf.h"

#include <cstring>

#include "loader/formats.h"

static bool CheckAsset(const Json& root, ReadError* error)
{
    const Json* asset = JsonFind(root, "asset");
    const Json* version = asset ? JsonFind(*asset, "version") : nullptr;
    if (!version || !version->is_string())
        return ReadFail(error, 0, "not a glTF 2.0 file: it has no asset version");
    const std::string& text = version->get_ref<const std::string&>();
    if (text.compare(0, 2, "2.") == 0) return true;
    return ReadFail(error, 0, "glTF version " + ShownText(text) + "; only version 2 is read");
}

// Extensions that change only how a model looks, never its shape, need no reading here; mesh
// quantization allows more component types, which the accessors read.
static bool Understood(const std::string& name)
{
    for (const char* prefix : {"KHR_materials_", "KHR_texture_", "EXT_texture_"})
        if (name.compare(0, std::strlen(prefix), prefix) == 0) return true;
    return name == "KHR_mesh_quantization";
}

static bool CheckExtensions(const Json& root, ReadError* error)
{
    const Json* list;
    if (!JsonList(root, "extensionsRequired", "the file", &list, error)) return false;
    for (const Json& name : *list) {
        if (!name.is_string())
            return ReadFail(error, 0, "extensionsRequired holds something other than a name");
        if (Understood(name.get_ref<const std::string&>())) continue;
        return ReadFail(error, 0,
                        "needs the extension " + ShownText(name.get_ref<const std::string&>()) +
                            ", which trackview does not read");
    }
    return true;
}

static bool ReadModel(const ReadInput& in, ByteSpan json, ByteSpan bin, bool glb, MeshData* mesh,
                      ReadError* error)
{
    GltfFile file;
    if (!GltfParseJson(json, !glb, &file.root, error)) return false;
    if (!CheckAsset(file.root, error) || !CheckExtensions(file.root, error) ||
        !GltfReadBuffers(in, bin, glb && bin.data, &file, error) || !GltfReadViews(&file, error))
        return false;
    GltfScene scene;
    return GltfPlanScene(file, in, &scene, error) && GltfBuildParts(&file, &scene, error) &&
           GltfPlaceScene(scene, in.fileNormals, mesh, error);
}

bool GltfRecognised(ByteSpan bytes)
{
    TextCursor c = TextCursorOver(bytes);
    TextSkipMark(c);
    while (c.p < c.end && TextSpace(*c.p)) ++c.p;
    return c.p < c.end && *c.p == '{';
}

bool ReadGltf(const ReadInput& in, MeshData* mesh, ReadError* error)
{
    // A binary file named .gltf is read as what it is.
    if (ModelFormatSigned("glb", in.bytes)) return ReadGlb(in, mesh, error);
    return ReadModel(in, in.bytes, ByteSpan{}, false, mesh, error);
}

// A 12-byte header (magic, version 2, length), then chunks of a length, a type and the data:
// the JSON first, then the binary buffer if there is one; other chunks are skipped.
bool ReadGlb(const ReadInput& in, MeshData* mesh, ReadError* error)
{
    const ByteSpan& b = in.bytes;
    if (b.size < 12)
        return ReadFail(error, 0, "the GLB header (12 bytes) runs past the end of the file");
    if (!ModelFormatSigned("glb", b))
        return ReadFail(error, 0, "not a GLB file: it does not start with 'glTF'");
    uint32_t version = BytesValue<uint32_t>(b.data + 4), length = BytesValue<uint32_t>(b.data + 8);
    if (version != 2)
        return ReadFail(error, 0,
                        "GLB version " + std::to_string(version) + "; only version 2 is read");
    if (length > b.size)
        return ReadFail(error, 0,
                        "the GLB length " + std::to_string(length) +
                            " runs past the end of the file (" + std::to_string(b.size) +
                            " bytes)");
    if (length < 20)
        return ReadFail(error, 0,
                        "the GLB length " + std::to_string(length) +
                            " leaves no room for its JSON chunk");
    ByteSpan json{}, bin{};
    for (size_t at = 12; at < length;) {
        if (length - at < 8)
            return ReadFail(error, 0,
                            "the GLB chunk header at byte " + std::to_string(at) +
                                " runs past the end of the file");
        size_t size = BytesValue<uint32_t>(b.data + at);
        uint32_t type = BytesValue<uint32_t>(b.data + at + 4);
        if (size > length - at - 8)
            return ReadFail(error, 0,
                            "the GLB chunk at byte " + std::to_string(at) + " (" +
                                std::to_string(size) + " bytes) runs past the end of the file");
        ByteSpan chunk{b.data + at + 8, size};
        if (at == 12 && type != 0x4E4F534A)
            return ReadFail(error, 0, "the first GLB chunk is not JSON");
        if (at == 12) json = chunk;
        if (at > 12 && type == 0x004E4942 && !bin.data) bin = chunk;
        at += 8 + size;
    }
    // Some writers pad the JSON chunk with zero bytes instead of spaces.
    while (json.size > 0 && json.data[json.size - 1] == 0) --json.size;
    return ReadModel(in, json, bin, true, mesh, error);
}
