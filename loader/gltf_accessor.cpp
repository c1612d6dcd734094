// glTF accessors: typed elements at a stride within a buffer view, or zeros without one, and
// sparse replacements on top. Every element, index and value is checked to lie within its view
// before anything is read or allocated.
#include "loader/gltf.h"

#include <algorithm>
#include <cstring>
#include <limits>

static size_t ComponentSize(uint64_t type)
{
    if (type == 5120 || type == 5121) return 1;
    if (type == 5122 || type == 5123) return 2;
    if (type == 5125 || type == 5126) return 4;
    return 0;
}

// The component types that use allows (self names the accessor in the message).
static bool CheckAllowedFor(const char* use, uint64_t type, bool normalized,
                            const std::string& self, ReadError* error)
{
    if (std::strcmp(use, "indices") == 0)
        return ((type == 5121 || type == 5123 || type == 5125) && !normalized) ||
               ReadFail(error, 0,
                        self + ": indices must be unsigned bytes, shorts or ints (componentType "
                               "5121, 5123 or 5125), not normalized");
    if (std::strcmp(use, "COLOR_0") == 0)
        return type == 5126 || ((type == 5121 || type == 5123) && normalized) ||
               ReadFail(error, 0,
                        self + ": COLOR_0 must be floats, or normalized unsigned bytes or shorts");
    return type != 5125 ||
           ReadFail(error, 0,
                    self + ": " + use +
                        " cannot have unsigned int components (componentType 5125)");
}

// The buffer view that object names by bufferView, and the byteOffset into it; where names the
// object in messages, refers says who refers to the view ("accessor 2 refers to buffer view").
static const GltfView* ReadViewAt(const GltfFile& file, const Json& object,
                                  const std::string& where, const std::string& refers,
                                  uint64_t* index, uint64_t* offset, ReadError* error)
{
    if (!JsonWhole(object, "bufferView", where, index, error) ||
        !JsonWholeOr(object, "byteOffset", 0, where, offset, error) ||
        !GltfIndexWithin(*index, file.views.size(), refers, error))
        return nullptr;
    return &file.views[size_t(*index)];
}

// bytes at offset within buffer view index, for a sparse accessor's indices or values (what).
static bool SparseRange(const GltfFile& file, const Json& part, uint64_t bytes,
                        const std::string& where, const char* what, const unsigned char** out,
                        ReadError* error)
{
    std::string self = where + ": sparse " + what;
    uint64_t index, offset;
    const GltfView* found =
        ReadViewAt(file, part, self, self + " refer to buffer view", &index, &offset, error);
    if (!found) return false;
    const GltfView& view = *found;
    std::string viewName =
        "buffer view " + std::to_string(index) + " (" + std::to_string(view.size) + " bytes)";
    if (offset >= view.size)
        return ReadFail(error, 0,
                        where + ": sparse " + what + ".byteOffset " + std::to_string(offset) +
                            " is outside " + viewName);
    if (bytes > view.size - offset)
        return ReadFail(error, 0,
                        self + " (" + std::to_string(bytes) + " bytes from " +
                            std::to_string(offset) + ") run past the end of " + viewName);
    *out = view.data + offset;
    return true;
}

static bool ReadSparse(const GltfFile& file, const Json& sparse, const std::string& where,
                       GltfAccessor* a, ReadError* error)
{
    uint64_t count, indexType;
    const Json* indices = JsonFind(sparse, "indices");
    const Json* values = JsonFind(sparse, "values");
    if (!sparse.is_object() || !indices || !indices->is_object() || !values || !values->is_object())
        return ReadFail(error, 0, where + ": sparse is not an object with indices and values");
    if (!JsonWhole(sparse, "count", where + ": sparse", &count, error) ||
        !JsonWhole(*indices, "componentType", where + ": sparse indices", &indexType, error))
        return false;
    if (count > a->count)
        return ReadFail(error, 0,
                        where + ": sparse count " + std::to_string(count) + " is more than its " +
                            std::to_string(a->count) + " elements");
    if (indexType != 5121 && indexType != 5123 && indexType != 5125)
        return ReadFail(error, 0,
                        where + ": sparse indices must be unsigned bytes, shorts or ints");
    a->sparseCount = size_t(count);
    a->sparseIndexSize = ComponentSize(indexType);
    return count == 0 || (SparseRange(file, *indices, count * a->sparseIndexSize, where, "indices",
                                      &a->sparseIndices, error) &&
                          SparseRange(file, *values, count * a->componentSize * a->components,
                                      where, "values", &a->sparseValues, error));
}

// The elements' place in their buffer view, or zeros (bounded by GltfWorkLimit) without one.
static bool ReadPlace(const GltfFile& file, const Json& accessor, const std::string& where,
                      GltfAccessor* a, ReadError* error)
{
    uint64_t index, offset;
    size_t element = a->componentSize * a->components;
    a->data = nullptr;
    a->stride = element;
    if (!JsonFind(accessor, "bufferView")) {
        if (a->count <= GltfWorkLimit(file)) return true;
        return ReadFail(error, 0,
                        where + ": " + std::to_string(a->count) +
                            " elements without a buffer view, more than a file of this size may "
                            "give");
    }
    const GltfView* found =
        ReadViewAt(file, accessor, where, where + " refers to buffer view", &index, &offset, error);
    if (!found) return false;
    const GltfView& view = *found;
    std::string viewName = "buffer view " + std::to_string(index);
    if (view.stride) {
        std::string stride =
            where + ": the byteStride " + std::to_string(view.stride) + " of " + viewName;
        if (view.stride < element)
            return ReadFail(error, 0,
                            stride + " is smaller than its " + std::to_string(element) +
                                "-byte elements");
        if (view.stride % a->componentSize != 0)
            return ReadFail(error, 0,
                            stride + " is not a multiple of its " +
                                std::to_string(a->componentSize) + "-byte components");
        a->stride = view.stride;
    }
    // All below 2^48 and the stride at most 252, so no sum or product overflows.
    uint64_t end = a->count ? offset + uint64_t(a->count - 1) * a->stride + element : offset;
    if (end > view.size)
        return ReadFail(error, 0,
                        where + ": its " + std::to_string(a->count) + " elements from byte " +
                            std::to_string(offset) + " run past the end of " + viewName + " (" +
                            std::to_string(view.size) + " bytes)");
    a->data = view.data + offset;
    return true;
}

bool GltfReadAccessor(const GltfFile& file, uint64_t index, const char* use,
                      const std::string& where, GltfAccessor* out, ReadError* error)
{
    const Json* accessor = JsonItem(file.root, "accessors", index, "accessor", where, error);
    if (!accessor) return false;
    std::string self = "accessor " + std::to_string(index);
    uint64_t componentType, count;
    if (!JsonWhole(*accessor, "componentType", self, &componentType, error) ||
        !JsonWhole(*accessor, "count", self, &count, error))
        return false;
    size_t size = ComponentSize(componentType);
    if (size == 0)
        return ReadFail(error, 0,
                        self + ": unknown componentType " + std::to_string(componentType));
    const Json* type = JsonFind(*accessor, "type");
    if (!type || !type->is_string()) return ReadFail(error, 0, self + " has no type");
    bool color = std::strcmp(use, "COLOR_0") == 0;
    const char* wanted = std::strcmp(use, "indices") == 0 ? "SCALAR"
                         : color                          ? "VEC3 or VEC4"
                                                          : "VEC3";
    if (*type != wanted && !(color && (*type == "VEC3" || *type == "VEC4")))
        return ReadFail(error, 0,
                        self + " is " + ShownText(type->get<std::string>()) + ", but " + use +
                            " needs " + wanted);
    const Json* normalized = JsonFind(*accessor, "normalized");
    if (normalized && !normalized->is_boolean())
        return ReadFail(error, 0, self + ": normalized is not true or false");
    *out = GltfAccessor{};
    out->normalized = normalized && normalized->get<bool>();
    if (out->normalized && size == 4)
        return ReadFail(error, 0, self + ": only byte and short components can be normalized");
    if (!CheckAllowedFor(use, componentType, out->normalized, self, error)) return false;
    out->index = size_t(index);
    out->componentType = int(componentType);
    out->componentSize = size;
    out->components = *type == "VEC4" ? 4 : *type == "VEC3" ? 3 : 1;
    out->count = size_t(count);
    const Json* sparse = JsonFind(*accessor, "sparse");
    return ReadPlace(file, *accessor, self, out, error) &&
           (!sparse || ReadSparse(file, *sparse, self, out, error));
}

// A component of type T as a number; normalized ones (bytes and shorts only) map to [0, 1] or
// [-1, 1] as glTF defines it.
template <typename T> static double ComponentAs(const unsigned char* p, bool normalized)
{
    double value = BytesValue<T>(p);
    if (normalized) return std::max(value / double(std::numeric_limits<T>::max()), -1.0);
    return value;
}

static double Component(const unsigned char* p, int type, bool normalized)
{
    if (type == 5120) return ComponentAs<int8_t>(p, normalized);
    if (type == 5121) return ComponentAs<uint8_t>(p, normalized);
    if (type == 5122) return ComponentAs<int16_t>(p, normalized);
    if (type == 5123) return ComponentAs<uint16_t>(p, normalized);
    if (type == 5125) return ComponentAs<uint32_t>(p, normalized);
    return ComponentAs<float>(p, normalized);
}

static uint32_t IndexAt(const unsigned char* p, size_t size)
{
    if (size == 1) return p[0];
    if (size == 2) return BytesValue<uint16_t>(p);
    return BytesValue<uint32_t>(p);
}

// Calls store(i, bytes) for every element, then for every sparse value in place of its own.
template <typename Store>
static bool DecodeEach(const GltfAccessor& a, Store store, ReadError* error)
{
    if (a.data)
        for (size_t i = 0; i < a.count; ++i) store(i, a.data + i * a.stride);
    size_t element = a.componentSize * a.components;
    for (size_t k = 0; k < a.sparseCount; ++k) {
        uint32_t i = IndexAt(a.sparseIndices + k * a.sparseIndexSize, a.sparseIndexSize);
        if (i >= a.count)
            return ReadFail(error, 0,
                            "accessor " + std::to_string(a.index) + ": sparse index " +
                                std::to_string(i) + " is past its " + std::to_string(a.count) +
                                " elements");
        store(i, a.sparseValues + k * element);
    }
    return true;
}

bool GltfDecodeVec3(GltfFile* file, const GltfAccessor& a, std::vector<Vec3>* out, ReadError* error)
{
    file->decoded += a.count;
    if (file->decoded > GltfWorkLimit(*file))
        return ReadFail(error, 0,
                        "the accessors read hold more values than a file of " +
                            std::to_string(file->bytes) + " bytes may give");
    out->assign(a.count, Vec3{0, 0, 0});
    Vec3* values = out->data();
    if (a.componentType == 5126)
        return DecodeEach(
            a,
            [values](size_t i, const unsigned char* p) {
                values[i] =
                    Vec3{BytesValue<float>(p), BytesValue<float>(p + 4), BytesValue<float>(p + 8)};
            },
            error);
    return DecodeEach(
        a,
        [values, &a](size_t i, const unsigned char* p) {
            size_t step = a.componentSize;
            values[i] = Vec3{float(Component(p, a.componentType, a.normalized)),
                             float(Component(p + step, a.componentType, a.normalized)),
                             float(Component(p + 2 * step, a.componentType, a.normalized))};
        },
        error);
}

bool GltfDecodeIndices(const GltfAccessor& a, std::vector<uint32_t>* out, ReadError* error)
{
    out->assign(a.count, 0);
    uint32_t* values = out->data();
    size_t size = a.componentSize;
    return DecodeEach(
        a, [values, size](size_t i, const unsigned char* p) { values[i] = IndexAt(p, size); },
        error);
}

bool GltfDecodeColors(GltfFile* file, const GltfAccessor& a, const double factor[4],
                      std::vector<MeshColor>* out, ReadError* error)
{
    file->decoded += a.count;
    if (file->decoded > GltfWorkLimit(*file))
        return ReadFail(error, 0,
                        "the accessors read hold more values than a file of " +
                            std::to_string(file->bytes) + " bytes may give");
    out->assign(a.count, kMeshWhite);
    MeshColor* values = out->data();
    return DecodeEach(
        a,
        [values, &a, factor](size_t i, const unsigned char* p) {
            uint8_t channel[4] = {255, 255, 255, 255};
            for (size_t k = 0; k < a.components; ++k) {
                double v = Component(p + k * a.componentSize, a.componentType, a.normalized);
                v *= factor[k];
                v = !(v > 0.0) ? 0.0 : v > 1.0 ? 1.0 : v; // NaN too ends up 0
                channel[k] = uint8_t(v * 255.0 + 0.5);
            }
            if (a.components == 3) channel[3] = uint8_t(factor[3] * 255.0 + 0.5);
            values[i] = MeshColor{channel[0], channel[1], channel[2], channel[3]};
        },
        error);
}
