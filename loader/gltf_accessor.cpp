// glTF accessors: typed elements at a stride within a buffer view, or zeros without one, and
// sparse replacements on top. Every element, index and value is checked to lie within its view
// before anything is read or allocated.
#include "loader/gltf.h"

#include <algorithm>
#include <cstring>

static bool Fail(std::string* why, const std::string& reason)
{
    *why = reason;
    return false;
}

static size_t ComponentSize(uint64_t type)
{
    if (type == 5120 || type == 5121) return 1;
    if (type == 5122 || type == 5123) return 2;
    if (type == 5125 || type == 5126) return 4;
    return 0;
}

static bool AllowedFor(const char* use, uint64_t type, bool normalized, std::string* problem)
{
    if (std::strcmp(use, "indices") == 0) {
        *problem = "indices must be unsigned bytes, shorts or ints (componentType 5121, 5123 or "
                   "5125), not normalized";
        return (type == 5121 || type == 5123 || type == 5125) && !normalized;
    }
    *problem = std::string(use) + " cannot have unsigned int components (componentType 5125)";
    return type != 5125;
}

// bytes at offset within buffer view index, for a sparse accessor's indices or values (what).
static bool SparseRange(const GltfFile& file, const Json& part, uint64_t bytes,
                        const std::string& where, const char* what, const unsigned char** out,
                        std::string* why)
{
    std::string self = where + ": sparse " + what;
    uint64_t index, offset;
    if (!JsonWhole(part, "bufferView", self, &index, why) ||
        !JsonWholeOr(part, "byteOffset", 0, self, &offset, why))
        return false;
    if (index >= file.views.size())
        return Fail(why, self + " refer to buffer view " + std::to_string(index) +
                             ", but the file has " + std::to_string(file.views.size()));
    const GltfView& view = file.views[size_t(index)];
    std::string viewName =
        "buffer view " + std::to_string(index) + " (" + std::to_string(view.size) + " bytes)";
    if (offset >= view.size)
        return Fail(why, where + ": sparse " + what + ".byteOffset " + std::to_string(offset) +
                             " is outside " + viewName);
    if (bytes > view.size - offset)
        return Fail(why, self + " (" + std::to_string(bytes) + " bytes from " +
                             std::to_string(offset) + ") run past the end of " + viewName);
    *out = view.data + offset;
    return true;
}

static bool ReadSparse(const GltfFile& file, const Json& sparse, const std::string& where,
                       GltfAccessor* a, std::string* why)
{
    uint64_t count, indexType;
    const Json* indices = JsonFind(sparse, "indices");
    const Json* values = JsonFind(sparse, "values");
    if (!sparse.is_object() || !indices || !indices->is_object() || !values || !values->is_object())
        return Fail(why, where + ": sparse is not an object with indices and values");
    if (!JsonWhole(sparse, "count", where + ": sparse", &count, why) ||
        !JsonWhole(*indices, "componentType", where + ": sparse indices", &indexType, why))
        return false;
    if (count > a->count)
        return Fail(why, where + ": sparse count " + std::to_string(count) + " is more than its " +
                             std::to_string(a->count) + " elements");
    if (indexType != 5121 && indexType != 5123 && indexType != 5125)
        return Fail(why, where + ": sparse indices must be unsigned bytes, shorts or ints");
    a->sparseCount = size_t(count);
    a->sparseIndexSize = ComponentSize(indexType);
    return count == 0 || (SparseRange(file, *indices, count * a->sparseIndexSize, where, "indices",
                                      &a->sparseIndices, why) &&
                          SparseRange(file, *values, count * a->componentSize * a->components,
                                      where, "values", &a->sparseValues, why));
}

// The elements' place in their buffer view, or zeros (bounded by the file's limit) without one.
static bool ReadPlace(const GltfFile& file, const Json& accessor, const std::string& where,
                      GltfAccessor* a, std::string* why)
{
    uint64_t index, offset;
    size_t element = a->componentSize * a->components;
    a->data = nullptr;
    a->stride = element;
    if (!JsonFind(accessor, "bufferView")) {
        if (a->count <= file.limit) return true;
        return Fail(why, where + ": " + std::to_string(a->count) +
                             " elements without a buffer view, more than a file of this size may "
                             "give");
    }
    if (!JsonWhole(accessor, "bufferView", where, &index, why) ||
        !JsonWholeOr(accessor, "byteOffset", 0, where, &offset, why))
        return false;
    if (index >= file.views.size())
        return Fail(why, where + " refers to buffer view " + std::to_string(index) +
                             ", but the file has " + std::to_string(file.views.size()));
    const GltfView& view = file.views[size_t(index)];
    std::string viewName = "buffer view " + std::to_string(index);
    if (view.stride) {
        std::string stride =
            where + ": the byteStride " + std::to_string(view.stride) + " of " + viewName;
        if (view.stride < element)
            return Fail(why, stride + " is smaller than its " + std::to_string(element) +
                                 "-byte elements");
        if (view.stride % a->componentSize != 0)
            return Fail(why, stride + " is not a multiple of its " +
                                 std::to_string(a->componentSize) + "-byte components");
        a->stride = view.stride;
    }
    // All below 2^48 and the stride at most 252, so no sum or product overflows.
    uint64_t end = a->count ? offset + uint64_t(a->count - 1) * a->stride + element : offset;
    if (end > view.size)
        return Fail(why, where + ": its " + std::to_string(a->count) + " elements from byte " +
                             std::to_string(offset) + " run past the end of " + viewName + " (" +
                             std::to_string(view.size) + " bytes)");
    a->data = view.data + offset;
    return true;
}

bool GltfReadAccessor(const GltfFile& file, uint64_t index, const char* use,
                      const std::string& where, GltfAccessor* out, std::string* why)
{
    const Json* accessor = JsonItem(file.root, "accessors", index, "accessor", where, why);
    if (!accessor) return false;
    std::string self = "accessor " + std::to_string(index);
    uint64_t componentType, count;
    if (!JsonWhole(*accessor, "componentType", self, &componentType, why) ||
        !JsonWhole(*accessor, "count", self, &count, why))
        return false;
    size_t size = ComponentSize(componentType);
    if (size == 0)
        return Fail(why, self + ": unknown componentType " + std::to_string(componentType));
    const Json* type = JsonFind(*accessor, "type");
    if (!type || !type->is_string()) return Fail(why, self + " has no type");
    const char* wanted = std::strcmp(use, "indices") == 0 ? "SCALAR" : "VEC3";
    if (*type != wanted)
        return Fail(why, self + " is " + GltfShown(type->get<std::string>()) + ", but " + use +
                             " needs " + wanted);
    const Json* normalized = JsonFind(*accessor, "normalized");
    if (normalized && !normalized->is_boolean())
        return Fail(why, self + ": normalized is not true or false");
    *out = GltfAccessor{};
    out->normalized = normalized && normalized->get<bool>();
    std::string problem;
    if (out->normalized && size == 4)
        return Fail(why, self + ": only byte and short components can be normalized");
    if (!AllowedFor(use, componentType, out->normalized, &problem))
        return Fail(why, self + ": " + problem);
    out->index = size_t(index);
    out->componentType = int(componentType);
    out->componentSize = size;
    out->components = *type == "VEC3" ? 3 : 1;
    out->count = size_t(count);
    const Json* sparse = JsonFind(*accessor, "sparse");
    return ReadPlace(file, *accessor, self, out, why) &&
           (!sparse || ReadSparse(file, *sparse, self, out, why));
}

// A component as a number; normalized ones map to [0, 1] or [-1, 1] as glTF defines it.
static double Component(const unsigned char* p, int type, bool normalized)
{
    switch (type) {
    case 5120: {
        int8_t v;
        std::memcpy(&v, p, 1);
        return normalized ? std::max(v / 127.0, -1.0) : v;
    }
    case 5121:
        return normalized ? p[0] / 255.0 : p[0];
    case 5122: {
        int16_t v;
        std::memcpy(&v, p, 2);
        return normalized ? std::max(v / 32767.0, -1.0) : v;
    }
    case 5123: {
        uint16_t v;
        std::memcpy(&v, p, 2);
        return normalized ? v / 65535.0 : v;
    }
    case 5125: {
        uint32_t v;
        std::memcpy(&v, p, 4);
        return v;
    }
    default: {
        float v;
        std::memcpy(&v, p, 4);
        return v;
    }
    }
}

// glTF data is little-endian, as every machine trackview builds for.
static uint32_t IndexAt(const unsigned char* p, size_t size)
{
    if (size == 1) return p[0];
    if (size == 2) {
        uint16_t v;
        std::memcpy(&v, p, 2);
        return v;
    }
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

// Calls store(i, bytes) for every element, then for every sparse value in place of its own.
template <typename Store>
static bool DecodeEach(const GltfAccessor& a, Store store, std::string* why)
{
    if (a.data)
        for (size_t i = 0; i < a.count; ++i) store(i, a.data + i * a.stride);
    size_t element = a.componentSize * a.components;
    for (size_t k = 0; k < a.sparseCount; ++k) {
        uint32_t i = IndexAt(a.sparseIndices + k * a.sparseIndexSize, a.sparseIndexSize);
        if (i >= a.count)
            return Fail(why, "accessor " + std::to_string(a.index) + ": sparse index " +
                                 std::to_string(i) + " is past its " + std::to_string(a.count) +
                                 " elements");
        store(i, a.sparseValues + k * element);
    }
    return true;
}

bool GltfDecodeVec3(GltfFile* file, const GltfAccessor& a, std::vector<Vec3>* out, std::string* why)
{
    file->decoded += a.count;
    if (file->decoded > file->limit)
        return Fail(why, "the accessors read hold more values than a file of " +
                             std::to_string(file->limit - (uint64_t(1) << 20)) + " bytes may give");
    out->assign(a.count, Vec3{0, 0, 0});
    Vec3* values = out->data();
    if (a.componentType == 5126)
        return DecodeEach(
            a, [values](size_t i, const unsigned char* p) { std::memcpy(&values[i], p, 12); }, why);
    return DecodeEach(
        a,
        [values, &a](size_t i, const unsigned char* p) {
            size_t step = a.componentSize;
            values[i] = Vec3{float(Component(p, a.componentType, a.normalized)),
                             float(Component(p + step, a.componentType, a.normalized)),
                             float(Component(p + 2 * step, a.componentType, a.normalized))};
        },
        why);
}

bool GltfDecodeIndices(const GltfAccessor& a, std::vector<uint32_t>* out, std::string* why)
{
    out->assign(a.count, 0);
    uint32_t* values = out->data();
    size_t size = a.componentSize;
    return DecodeEach(
        a, [values, size](size_t i, const unsigned char* p) { values[i] = IndexAt(p, size); }, why);
}
