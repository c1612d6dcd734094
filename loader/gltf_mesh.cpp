// glTF meshes: each primitive's accessors checked and its triangles counted first; then, for
// the meshes the scene draws, the positions decoded once per accessor, every index checked
// against them, and strips and fans turned into triangles.
#include "loader/gltf.h"

#include <algorithm>
#include <map>

namespace
{

// An accessor's values as read once, and where the part being built keeps each one it has
// taken: local[i] is valid where stamp[i] is that part's number (so many parts sharing one large
// accessor cost only what they use, with nothing to clear between them).
struct Decoded {
    std::vector<Vec3> values;
    std::vector<uint32_t> local, stamp;
    uint32_t parts = 0;
};

} // namespace

static bool ReadPrimitive(const GltfFile& file, const Json& item, bool fileNormals,
                          const std::string& meshName, GltfPrimitive* p, ReadError* error)
{
    const std::string& where = p->where;
    if (!item.is_object()) return ReadFail(error, 0, where + " is not a JSON object");
    const Json* attributes = JsonFind(item, "attributes");
    uint64_t position, normal, indices;
    p->triangles = 0;
    if (!JsonWholeOr(item, "mode", 4, where, &p->mode, error)) return false;
    if (p->mode > 6) return ReadFail(error, 0, where + ": unknown mode " + std::to_string(p->mode));
    if (!attributes || !attributes->is_object())
        return ReadFail(error, 0, where + " has no attributes");
    if (p->mode < 4 || !JsonFind(*attributes, "POSITION")) return true; // points, lines: nothing
    p->indexed = JsonFind(item, "indices") != nullptr;
    if (!JsonWhole(*attributes, "POSITION", where, &position, error) ||
        !GltfReadAccessor(file, position, "POSITION", where, &p->positions, error) ||
        (p->indexed && (!JsonWhole(item, "indices", where, &indices, error) ||
                        !GltfReadAccessor(file, indices, "indices", where, &p->indices, error))))
        return false;
    uint64_t n = p->indexed ? p->indices.count : p->positions.count;
    if (p->mode == 4 && n % 3 != 0)
        return ReadFail(error, 0,
                        where + ": " + std::to_string(n) +
                            (p->indexed ? " indices" : " positions") +
                            " do not make whole triangles");
    p->triangles = p->mode == 4 ? n / 3 : n >= 3 ? n - 2 : 0;
    p->hasNormals = fileNormals && p->triangles > 0;
    if (!p->hasNormals) return true;
    if (!JsonFind(*attributes, "NORMAL")) return ReadFail(error, 0, meshName + " has no normals");
    if (!JsonWhole(*attributes, "NORMAL", where, &normal, error) ||
        !GltfReadAccessor(file, normal, "NORMAL", where, &p->normals, error))
        return false;
    if (p->normals.count != p->positions.count)
        return ReadFail(error, 0,
                        where + ": " + std::to_string(p->normals.count) + " normals for " +
                            std::to_string(p->positions.count) + " positions");
    return true;
}

bool GltfReadMesh(const GltfFile& file, size_t index, bool fileNormals, GltfMesh* mesh,
                  ReadError* error)
{
    std::string where = "mesh " + std::to_string(index);
    const Json* item = JsonItem(file.root, "meshes", index, "mesh", "the file", error);
    const Json* list;
    if (!item || !JsonList(*item, "primitives", where, &list, error)) return false;
    mesh->read = true;
    for (size_t i = 0; i < list->size(); ++i) {
        GltfPrimitive p{};
        p.where = where + " primitive " + std::to_string(i);
        if (!ReadPrimitive(file, (*list)[i], fileNormals, where, &p, error)) return false;
        if (p.triangles == 0) continue;
        mesh->triangles = std::min(mesh->triangles + p.triangles, kGltfMaxWhole);
        mesh->primitives.push_back(std::move(p));
    }
    return true;
}

// An accessor's vectors, decoded on first use; positions must be finite.
static bool Decode(GltfFile* file, const GltfAccessor& a, bool positions,
                   std::map<size_t, Decoded>* cache, Decoded** out, ReadError* error)
{
    auto known = cache->find(a.index);
    if (known != cache->end()) {
        *out = &known->second;
        return true;
    }
    Decoded& d = (*cache)[a.index];
    *out = &d;
    if (!GltfDecodeVec3(file, a, &d.values, error)) return false;
    for (size_t i = 0; positions && i < d.values.size(); ++i) {
        const Vec3& v = d.values[i];
        if (!Finite(v))
            return ReadFail(error, 0,
                            "accessor " + std::to_string(a.index) + ": position " +
                                std::to_string(i) + " has a non-finite coordinate");
    }
    if (positions) d.local.assign(d.values.size(), 0);
    if (positions) d.stamp.assign(d.values.size(), 0);
    return true;
}

// Position i of triangle t's corner k (0, 1, 2) in a list, strip or fan, keeping the winding.
static size_t Corner(uint64_t mode, size_t t, int k)
{
    if (mode == 4) return 3 * t + size_t(k);
    if (mode == 6) return k == 2 ? 0 : t + 1 + size_t(k);
    size_t odd = t % 2; // a strip's odd triangles run the other way
    return k == 0 ? t : k == 1 ? t + 1 + odd : t + 2 - odd;
}

// Every index is checked where it is read (each is read at least once); at(i) gives index i.
template <typename IndexAt>
static bool FillPart(const GltfPrimitive& p, IndexAt at, Decoded* positions, const Decoded* normals,
                     GltfPart* part, ReadError* error)
{
    size_t count = positions->values.size();
    uint32_t stamp = ++positions->parts;
    ReserveLarge(part->corners, size_t(3 * p.triangles));
    for (size_t t = 0; t < p.triangles; ++t) {
        for (int k = 0; k < 3; ++k) {
            uint32_t source = at(Corner(p.mode, t, k));
            if (source >= count)
                return ReadFail(error, 0,
                                p.where + ": index " + std::to_string(source) + " is past the " +
                                    std::to_string(count) + " positions");
            if (positions->stamp[source] != stamp) {
                positions->stamp[source] = stamp;
                positions->local[source] = uint32_t(part->positions.size());
                part->positions.push_back(positions->values[source]);
                if (normals) part->normals.push_back(normals->values[source]);
            }
            part->corners.push_back(positions->local[source]);
        }
    }
    return true;
}

static bool BuildPart(GltfFile* file, const GltfPrimitive& p, std::map<size_t, Decoded>* cache,
                      GltfPart* part, ReadError* error)
{
    Decoded *positions, *normals = nullptr;
    if (!Decode(file, p.positions, true, &cache[0], &positions, error) ||
        (p.hasNormals && !Decode(file, p.normals, false, &cache[1], &normals, error)))
        return false;
    const GltfAccessor& a = p.indices;
    if (!p.indexed)
        return FillPart(
            p, [](size_t i) { return uint32_t(i); }, positions, normals, part, error);
    if (a.sparseCount > 0 || !a.data) { // rare: decoded whole first
        std::vector<uint32_t> indices;
        return GltfDecodeIndices(a, &indices, error) &&
               FillPart(
                   p, [&indices](size_t i) { return indices[i]; }, positions, normals, part, error);
    }
    auto read = [&a](auto zero) {
        return
            [&a](size_t i) { return uint32_t(BytesValue<decltype(zero)>(a.data + i * a.stride)); };
    };
    if (a.componentSize == 1) return FillPart(p, read(uint8_t()), positions, normals, part, error);
    if (a.componentSize == 2) return FillPart(p, read(uint16_t()), positions, normals, part, error);
    return FillPart(p, read(uint32_t()), positions, normals, part, error);
}

bool GltfBuildParts(GltfFile* file, GltfScene* scene, ReadError* error)
{
    std::map<size_t, Decoded> cache[2]; // positions, normals
    for (GltfMesh& mesh : scene->meshes) {
        for (const GltfPrimitive& p : mesh.primitives) {
            mesh.parts.emplace_back();
            if (!BuildPart(file, p, cache, &mesh.parts.back(), error)) return false;
        }
    }
    return true;
}
