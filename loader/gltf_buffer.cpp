// A glTF file's buffers (data URIs, side files, a .glb's binary chunk), each read once, and the
// buffer views cut from them, each checked to lie within its buffer.
#include "loader/gltf.h"

#include <map>
#include <utility>

static int Base64Value(unsigned char c)
{
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

static bool DecodeBase64(const std::string& text, size_t start, std::vector<unsigned char>* out)
{
    size_t end = text.size();
    for (int pad = 0; pad < 2 && end > start && text[end - 1] == '='; ++pad) --end;
    if ((end - start) % 4 == 1) return false;
    out->reserve((end - start) / 4 * 3 + 2);
    uint32_t bits = 0;
    int held = 0;
    for (size_t i = start; i < end; ++i) {
        int value = Base64Value(static_cast<unsigned char>(text[i]));
        if (value < 0) return false;
        bits = (bits << 6 | uint32_t(value)) & 0xFFFFFF;
        held += 6;
        if (held >= 8) {
            held -= 8;
            out->push_back(static_cast<unsigned char>(bits >> held));
        }
    }
    return true;
}

static int HexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Undoes %-escapes ("my%20model.bin"); a '%' that starts none stays as it is (some writers do
// not escape it). False for an escaped zero byte.
static bool Unescape(const std::string& uri, std::string* out)
{
    for (size_t i = 0; i < uri.size(); ++i) {
        int high = i + 2 < uri.size() ? HexValue(uri[i + 1]) : -1;
        int low = i + 2 < uri.size() ? HexValue(uri[i + 2]) : -1;
        if (uri[i] != '%' || high < 0 || low < 0) {
            out->push_back(uri[i]);
            continue;
        }
        if (high == 0 && low == 0) return false;
        out->push_back(char(high * 16 + low));
        i += 2;
    }
    return true;
}

// A data URI ("data:application/octet-stream;base64,...") decoded.
static bool ReadDataUri(const std::string& uri, const std::string& where,
                        std::vector<unsigned char>* bytes, ReadError* error)
{
    size_t comma = uri.find(',');
    if (comma == std::string::npos || comma < 12 || uri.compare(comma - 7, 7, ";base64") != 0)
        return ReadFail(error, 0, where + ": a data URI that is not base64");
    if (!DecodeBase64(uri, comma + 1, bytes))
        return ReadFail(error, 0, where + ": its data URI is not valid base64");
    return true;
}

bool GltfReadBuffers(const ReadInput& in, ByteSpan bin, bool hasBin, GltfFile* file,
                     ReadError* error)
{
    const Json* list;
    if (!JsonList(file->root, "buffers", "the file", &list, error)) return false;
    uint64_t sideBytes = 0;
    // A file is mapped and counted once, under whatever names the buffers give it ("b.bin",
    // "./b.bin", ".//b.bin", the model itself), so that names cannot multiply the bytes read or
    // the work that the bytes allow.
    std::map<std::pair<uint64_t, uint64_t>, ByteSpan> known;
    if (in.identity.volume || in.identity.index)
        known[{in.identity.volume, in.identity.index}] = in.bytes;
    for (size_t i = 0; i < list->size(); ++i) {
        std::string where = "buffer " + std::to_string(i);
        const Json* buffer = JsonItem(file->root, "buffers", i, "buffer", "the file", error);
        uint64_t length;
        if (!buffer || !JsonWholeOr(*buffer, "byteLength", kGltfMaxWhole, where, &length, error))
            return false;
        const Json* uri = JsonFind(*buffer, "uri");
        ByteSpan span = bin;
        if (uri && !uri->is_string()) return ReadFail(error, 0, where + ": uri is not a string");
        if (!uri && !hasBin)
            return ReadFail(error, 0,
                            where + " has no uri, and no binary chunk of a .glb to stand for it");
        const std::string* text = uri ? uri->get_ptr<const std::string*>() : nullptr;
        if (text && text->compare(0, 5, "data:") == 0) {
            file->owned.emplace_back();
            if (!ReadDataUri(*text, where, &file->owned.back(), error)) return false;
            span = ByteSpan{file->owned.back().data(), file->owned.back().size()};
        } else if (text) {
            std::string name;
            if (!Unescape(*text, &name))
                return ReadFail(error, 0, where + ": its uri holds a zero byte (%00)");
            FileBytes mapped;
            if (!ReadSideFile(in, name, &mapped, error))
                return ReadFail(error, 0, where + ": " + error->reason);
            auto key = std::make_pair(mapped.identity.volume, mapped.identity.index);
            auto same = known.find(key);
            if (same == known.end()) {
                sideBytes += mapped.size;
                same = known.emplace(key, ByteSpan{mapped.data.get(), mapped.size}).first;
                file->mapped.push_back(std::move(mapped));
                if (in.sideFiles) in.sideFiles->push_back(FileJoin(in.folder, name));
            }
            span = same->second;
        }
        if (length != kGltfMaxWhole && length > span.size)
            return ReadFail(error, 0,
                            where + " holds " + std::to_string(span.size) +
                                " bytes, fewer than its byteLength " + std::to_string(length));
        if (length < span.size) span.size = size_t(length);
        file->buffers.push_back(span);
    }
    file->bytes = uint64_t(in.bytes.size) + sideBytes;
    return true;
}

bool GltfReadViews(GltfFile* file, ReadError* error)
{
    const Json* list;
    if (!JsonList(file->root, "bufferViews", "the file", &list, error)) return false;
    for (size_t i = 0; i < list->size(); ++i) {
        std::string where = "buffer view " + std::to_string(i);
        const Json* view = JsonItem(file->root, "bufferViews", i, "buffer view", "the file", error);
        uint64_t buffer, offset, length, stride;
        if (!view || !JsonWhole(*view, "buffer", where, &buffer, error) ||
            !JsonWholeOr(*view, "byteOffset", 0, where, &offset, error) ||
            !JsonWhole(*view, "byteLength", where, &length, error) ||
            !JsonWholeOr(*view, "byteStride", 0, where, &stride, error))
            return false;
        if (!GltfIndexWithin(buffer, file->buffers.size(), where + " refers to buffer", error))
            return false;
        const ByteSpan& bytes = file->buffers[size_t(buffer)];
        if (offset + length > bytes.size)
            return ReadFail(error, 0,
                            where + " (bytes " + std::to_string(offset) + " to " +
                                std::to_string(offset + length) + ") runs past the end of buffer " +
                                std::to_string(buffer) + " (" + std::to_string(bytes.size) +
                                " bytes)");
        if (stride > 252)
            return ReadFail(
                error, 0, where + ": byteStride " + std::to_string(stride) + " is larger than 252");
        GltfView cut;
        cut.data = bytes.data + offset;
        cut.size = size_t(length);
        cut.stride = size_t(stride);
        file->views.push_back(cut);
    }
    return true;
}
