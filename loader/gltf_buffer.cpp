// A glTF file's buffers (data URIs, side files, a .glb's binary chunk), each read once, and the
// buffer views cut from them, each checked to lie within its buffer.
#include "loader/gltf.h"

#include <cstring>
#include <map>

static bool Fail(std::string* why, const std::string& reason)
{
    *why = reason;
    return false;
}

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
                        std::vector<unsigned char>* bytes, std::string* why)
{
    size_t comma = uri.find(',');
    if (comma == std::string::npos || comma < 12 || uri.compare(comma - 7, 7, ";base64") != 0)
        return Fail(why, where + ": a data URI that is not base64");
    if (!DecodeBase64(uri, comma + 1, bytes))
        return Fail(why, where + ": its data URI is not valid base64");
    return true;
}

bool GltfReadBuffers(const ReadInput& in, ByteSpan bin, bool hasBin, GltfFile* file,
                     ReadError* error)
{
    std::string* why = &error->reason;
    const Json* list;
    if (!JsonList(file->root, "buffers", "the file", &list, why)) return false;
    uint64_t sideBytes = 0;
    std::map<std::string, size_t> sideFiles; // a file named by several buffers is read once
    for (size_t i = 0; i < list->size(); ++i) {
        std::string where = "buffer " + std::to_string(i);
        const Json* buffer = JsonItem(file->root, "buffers", i, "buffer", "the file", why);
        uint64_t length;
        if (!buffer || !JsonWholeOr(*buffer, "byteLength", kGltfMaxWhole, where, &length, why))
            return false;
        const Json* uri = JsonFind(*buffer, "uri");
        ByteSpan span = bin;
        if (uri && !uri->is_string()) return Fail(why, where + ": uri is not a string");
        if (!uri && !hasBin)
            return Fail(why, where + " has no uri, and no binary chunk of a .glb to stand for it");
        const std::string* text = uri ? uri->get_ptr<const std::string*>() : nullptr;
        if (text && text->compare(0, 5, "data:") == 0) {
            file->owned.emplace_back();
            if (!ReadDataUri(*text, where, &file->owned.back(), why)) return false;
            span = ByteSpan{file->owned.back().data(), file->owned.back().size()};
        } else if (text) {
            std::string name;
            if (!Unescape(*text, &name))
                return Fail(why, where + ": its uri holds a zero byte (%00)");
            auto known = sideFiles.find(name);
            if (known == sideFiles.end()) {
                std::vector<unsigned char> bytes;
                if (!ReadSideFile(in, name, &bytes, error)) {
                    error->line = 0;
                    *why = where + ": " + *why;
                    return false;
                }
                sideBytes += bytes.size();
                file->owned.push_back(std::move(bytes));
                known = sideFiles.emplace(name, file->owned.size() - 1).first;
            }
            const std::vector<unsigned char>& bytes = file->owned[known->second];
            span = ByteSpan{bytes.data(), bytes.size()};
        }
        if (length != kGltfMaxWhole && length > span.size)
            return Fail(why, where + " holds " + std::to_string(span.size) +
                                 " bytes, fewer than its byteLength " + std::to_string(length));
        if (length < span.size) span.size = size_t(length);
        file->buffers.push_back(span);
    }
    file->limit = uint64_t(in.bytes.size) + sideBytes + (uint64_t(1) << 20);
    return true;
}

bool GltfReadViews(GltfFile* file, std::string* why)
{
    const Json* list;
    if (!JsonList(file->root, "bufferViews", "the file", &list, why)) return false;
    for (size_t i = 0; i < list->size(); ++i) {
        std::string where = "buffer view " + std::to_string(i);
        const Json* view = JsonItem(file->root, "bufferViews", i, "buffer view", "the file", why);
        uint64_t buffer, offset, length, stride;
        if (!view || !JsonWhole(*view, "buffer", where, &buffer, why) ||
            !JsonWholeOr(*view, "byteOffset", 0, where, &offset, why) ||
            !JsonWhole(*view, "byteLength", where, &length, why) ||
            !JsonWholeOr(*view, "byteStride", 0, where, &stride, why))
            return false;
        if (buffer >= file->buffers.size())
            return Fail(why, where + " refers to buffer " + std::to_string(buffer) +
                                 ", but the file has " + std::to_string(file->buffers.size()));
        const ByteSpan& bytes = file->buffers[size_t(buffer)];
        if (offset + length > bytes.size)
            return Fail(why, where + " (bytes " + std::to_string(offset) + " to " +
                                 std::to_string(offset + length) +
                                 ") runs past the end of buffer " + std::to_string(buffer) + " (" +
                                 std::to_string(bytes.size) + " bytes)");
        if (stride > 252)
            return Fail(why,
                        where + ": byteStride " + std::to_string(stride) + " is larger than 252");
        file->views.push_back(GltfView{bytes.data + offset, size_t(length), size_t(stride)});
    }
    return true;
}
