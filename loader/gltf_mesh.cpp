// glTF meshes: each primitive's accessors checked and what it draws (triangles, lines, points)
// counted first; then, for the meshes the scene draws, the positions decoded once per accessor,
// every index checked against them, strips and fans turned into triangles and loops and strips
// into lines, and the colours of COLOR_0 and the material taken along.
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

// An accessor's colours as read once, times the material's factor they were read with (parts
// that share the accessor mostly share the material too).
struct DecodedColors {
    double factor[4] = {};
    std::vector<MeshColor> values;
};

struct Caches {
    std::map<size_t, Decoded> positions, normals;
    std::map<size_t, DecodedColors> colors;
};

} // namespace

// The baseColorFactor of the primitive's material, if it has one.
static bool ReadMaterial(const GltfFile& file, const Json& item, GltfPrimitive* p, ReadError* error)
{
    uint64_t index;
    if (!JsonFind(item, "material")) return true;
    if (!JsonWhole(item, "material", p->where, &index, error)) return false;
    const Json* material = JsonItem(file.root, "materials", index, "material", p->where, error);
    if (!material) return false;
    const Json* pbr = JsonFind(*material, "pbrMetallicRoughness");
    bool found = false;
    if (pbr && !JsonNumbers(*pbr, "baseColorFactor", 4,
                            "material " + std::to_string(index) + ": pbrMetallicRoughness",
                            p->factor, &found, error))
        return false;
    for (double& f : p->factor) f = std::min(std::max(f, 0.0), 1.0);
    p->colored = found;
    return true;
}

static bool ReadPrimitive(const GltfFile& file, const Json& item, bool fileNormals,
                          const std::string& meshName, GltfPrimitive* p, ReadError* error)
{
    const std::string& where = p->where;
    if (!item.is_object()) return ReadFail(error, 0, where + " is not a JSON object");
    const Json* attributes = JsonFind(item, "attributes");
    uint64_t position, normal, indices, colors;
    p->elements = 0;
    if (!JsonWholeOr(item, "mode", kGltfTriangles, where, &p->mode, error)) return false;
    if (p->mode > 6) return ReadFail(error, 0, where + ": unknown mode " + std::to_string(p->mode));
    if (!attributes || !attributes->is_object())
        return ReadFail(error, 0, where + " has no attributes");
    if (!JsonFind(*attributes, "POSITION")) return true; // draws nothing
    p->indexed = JsonFind(item, "indices") != nullptr;
    if (!JsonWhole(*attributes, "POSITION", where, &position, error) ||
        !GltfReadAccessor(file, position, "POSITION", where, &p->positions, error) ||
        (p->indexed && (!JsonWhole(item, "indices", where, &indices, error) ||
                        !GltfReadAccessor(file, indices, "indices", where, &p->indices, error))))
        return false;
    uint64_t n = p->indexed ? p->indices.count : p->positions.count;
    int corners = GltfCornersOf(p->mode);
    bool list = p->mode == 0 || p->mode == kGltfLines || p->mode == kGltfTriangles;
    if (list && n % uint64_t(corners) != 0)
        return ReadFail(error, 0,
                        where + ": " + std::to_string(n) +
                            (p->indexed ? " indices" : " positions") + " do not make whole " +
                            (corners == 3 ? "triangles" : "lines"));
    // A strip or fan adds one a corner past the first; a loop closes back to its first.
    p->elements = list                    ? n / uint64_t(corners)
                  : n < uint64_t(corners) ? 0
                  : p->mode == 2          ? n
                                          : n - uint64_t(corners) + 1;
    if (!ReadMaterial(file, item, p, error)) return false;
    p->hasColors = JsonFind(*attributes, "COLOR_0") != nullptr;
    if (p->hasColors && (!JsonWhole(*attributes, "COLOR_0", where, &colors, error) ||
                         !GltfReadAccessor(file, colors, "COLOR_0", where, &p->colors, error)))
        return false;
    if (p->hasColors && p->colors.count != p->positions.count)
        return ReadFail(error, 0,
                        where + ": " + std::to_string(p->colors.count) + " colours for " +
                            std::to_string(p->positions.count) + " positions");
    p->colored = p->colored || p->hasColors;
    p->hasNormals = fileNormals && corners == 3 && p->elements > 0;
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
        if (p.elements == 0) continue;
        mesh->elements = std::min(mesh->elements + p.elements, kGltfMaxWhole);
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

// Index i of element e's corner k in a list, strip, fan or loop, keeping a triangle's winding.
static size_t Corner(uint64_t mode, size_t count, size_t e, int k)
{
    int corners = GltfCornersOf(mode);
    if (mode == 0 || mode == kGltfLines || mode == kGltfTriangles) return size_t(corners) * e + k;
    if (mode == 2) return (e + size_t(k)) % count; // a loop's last line closes it
    if (mode == 3) return e + size_t(k);
    if (mode == 6) return k == 2 ? 0 : e + 1 + size_t(k);
    size_t odd = e % 2; // a strip's odd triangles run the other way
    return k == 0 ? e : k == 1 ? e + 1 + odd : e + 2 - odd;
}

// Every index is checked where it is read (each is read at least once); at(i) gives index i, of
// count in all. colors holds one for every position, or one for all of them.
template <typename IndexAt>
static bool FillPart(const GltfPrimitive& p, IndexAt at, size_t count, Decoded* positions,
                     const Decoded* normals, const std::vector<MeshColor>* colors, GltfPart* part,
                     ReadError* error)
{
    size_t known = positions->values.size();
    uint32_t stamp = ++positions->parts;
    int corners = GltfCornersOf(p.mode);
    std::vector<uint32_t>& into = corners == 3   ? part->corners
                                  : corners == 2 ? part->lineEnds
                                                 : part->points;
    ReserveLarge(into, size_t(p.elements) * size_t(corners));
    const size_t most = std::min(known, size_t(p.elements) * size_t(corners)); // positions used
    ReserveLarge(part->positions, most);
    if (normals) ReserveLarge(part->normals, most);
    if (colors) ReserveLarge(part->colors, most);
    for (size_t e = 0; e < p.elements; ++e) {
        for (int k = 0; k < corners; ++k) {
            uint32_t source = at(Corner(p.mode, count, e, k));
            if (source >= known)
                return ReadFail(error, 0,
                                p.where + ": index " + std::to_string(source) + " is past the " +
                                    std::to_string(known) + " positions");
            if (positions->stamp[source] != stamp) {
                positions->stamp[source] = stamp;
                positions->local[source] = uint32_t(part->positions.size());
                part->positions.push_back(positions->values[source]);
                if (normals) part->normals.push_back(normals->values[source]);
                if (colors) part->colors.push_back((*colors)[colors->size() == 1 ? 0 : source]);
            }
            into.push_back(positions->local[source]);
        }
    }
    return true;
}

static bool BuildPart(GltfFile* file, const GltfPrimitive& p, Caches* caches, GltfPart* part,
                      ReadError* error)
{
    Decoded *positions, *normals = nullptr;
    if (!Decode(file, p.positions, true, &caches->positions, &positions, error) ||
        (p.hasNormals && !Decode(file, p.normals, false, &caches->normals, &normals, error)))
        return false;
    // The colours of every position: COLOR_0's, read once for parts that share the accessor and
    // the material (each read counts against the work limit); or without it the material's, once
    // for all positions (filled for every position of a shared accessor in every primitive, the
    // work grew with the square of a crafted file's size).
    std::vector<MeshColor> material;
    const std::vector<MeshColor>* kept = nullptr;
    if (p.hasColors) {
        DecodedColors& read = caches->colors[p.colors.index];
        if (read.values.empty() || !std::equal(p.factor, p.factor + 4, read.factor)) {
            std::copy(p.factor, p.factor + 4, read.factor);
            if (!GltfDecodeColors(file, p.colors, p.factor, &read.values, error)) return false;
        }
        kept = &read.values;
    } else if (p.colored) {
        auto byte = [](double f) { return uint8_t(f * 255.0 + 0.5); };
        material.assign(1, MeshColor{byte(p.factor[0]), byte(p.factor[1]), byte(p.factor[2]),
                                     byte(p.factor[3])});
        kept = &material;
    }
    const GltfAccessor& a = p.indices;
    if (!p.indexed)
        return FillPart(
            p, [](size_t i) { return uint32_t(i); }, p.positions.count, positions, normals, kept,
            part, error);
    if (a.sparseCount > 0 || !a.data) { // rare: decoded whole first
        std::vector<uint32_t> indices;
        return GltfDecodeIndices(a, &indices, error) &&
               FillPart(
                   p, [&indices](size_t i) { return indices[i]; }, a.count, positions, normals,
                   kept, part, error);
    }
    auto read = [&a](auto zero) {
        return
            [&a](size_t i) { return uint32_t(BytesValue<decltype(zero)>(a.data + i * a.stride)); };
    };
    if (a.componentSize == 1)
        return FillPart(p, read(uint8_t()), a.count, positions, normals, kept, part, error);
    if (a.componentSize == 2)
        return FillPart(p, read(uint16_t()), a.count, positions, normals, kept, part, error);
    return FillPart(p, read(uint32_t()), a.count, positions, normals, kept, part, error);
}

bool GltfBuildParts(GltfFile* file, GltfScene* scene, ReadError* error)
{
    Caches caches;
    for (GltfMesh& mesh : scene->meshes) {
        for (const GltfPrimitive& p : mesh.primitives) {
            mesh.parts.emplace_back();
            if (!BuildPart(file, p, &caches, &mesh.parts.back(), error)) return false;
        }
    }
    return true;
}
