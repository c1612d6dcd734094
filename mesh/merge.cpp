// Merging equal values, and flat normals made and merged in one pass: done to every mesh, loaded
// or generated. The table is seeded per process, so values crafted to share a slot cannot make
// merging quadratic; the merged order does not depend on the hash.
#include "mesh/mesh_data.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <random>

#ifdef __linux__
#include <sys/mman.h>
#endif

static uint32_t FloatBits(float f, bool signedZeros)
{
    if (f == 0.0f && !signedZeros) f = 0.0f; // -0 and +0 are the same value
    uint32_t u;
    std::memcpy(&u, &f, sizeof u);
    return u;
}

namespace
{

// A value as the table compares it: its bits, -0 as +0 unless told apart.
struct MergeKey {
    uint32_t x, y, z;
};

// An open-addressing table of the distinct values found so far, numbered in order of first use,
// indexed by the top bits of a value's hash. A slot holds those top 32 bits above the value's
// number + 1 (0: empty), so that a probe reads a value only when the bits match, and growing
// needs no value at all. It starts with two slots a value up to 2M slots (16 MB) and past that
// grows with the distinct values (at most half full), not with the input: 5M normals of which 1M
// differ probe 4M slots, not 16M.
struct MergeTable {
    uint64_t* slots = nullptr;
    size_t size = 0;
    int shift = 64;
    bool mapped = false;
    uint32_t merged = 0;        // distinct values found
    const Vec3* kept = nullptr; // the distinct values, by number, kept by the caller
    bool signedZeros = false;   // -0 and +0 count as different
    MergeTable() = default;
    MergeTable(const MergeTable&) = delete;
    MergeTable& operator=(const MergeTable&) = delete;
    ~MergeTable();
};

} // namespace

static MergeKey KeyOf(const Vec3& v, bool signedZeros)
{
    return MergeKey{FloatBits(v.x, signedZeros), FloatBits(v.y, signedZeros),
                    FloatBits(v.z, signedZeros)};
}

// A seed of this process's own, mixed in and spread over every bit: values crafted in advance to
// land in one slot (which would make merging quadratic) cannot know it. The order of the merged
// values does not depend on the hash, so the results are the same in every process.
static uint64_t HashSeed()
{
    static const uint64_t seed = [] {
        std::random_device device;
        return (uint64_t(device()) << 32) ^ device();
    }();
    return seed;
}

static uint64_t HashOf(const MergeKey& k)
{
    uint64_t h = (k.x ^ HashSeed()) * 0x9E3779B97F4A7C15ull;
    h = (h ^ k.y) * 0xC2B2AE3D27D4EB4Full;
    h = (h ^ k.z) * 0x165667B19E3779F9ull;
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDull;
    return h ^ (h >> 29);
}

static void Prefetch(const void* p)
{
#if defined(__GNUC__)
    __builtin_prefetch(p);
#else
    (void)p;
#endif
}

// Empty slots: on Linux fresh zeroed pages, large ones for a big table, which then also seldom
// misses the TLB on a lookup.
static uint64_t* NewSlots(size_t count, bool* mapped)
{
    *mapped = false;
#ifdef __linux__
    size_t bytes = count * sizeof(uint64_t);
    void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p != MAP_FAILED) {
        AdviseLargePages(p, bytes);
        *mapped = true;
        return static_cast<uint64_t*>(p);
    }
#endif
    return new uint64_t[count]();
}

static void FreeSlots(uint64_t* slots, size_t count, bool mapped)
{
#ifdef __linux__
    if (mapped) {
        munmap(slots, count * sizeof(uint64_t));
        return;
    }
#else
    (void)count;
    (void)mapped;
#endif
    delete[] slots;
}

MergeTable::~MergeTable()
{
    if (slots) FreeSlots(slots, size, mapped);
}

// Gives the table size slots (a power of two, at least 1024), the entries moved over.
static void ResizeTable(MergeTable& t, size_t size)
{
    int shift = 64;
    for (size_t n = size; n > 1; n /= 2) --shift;
    bool mapped = false;
    uint64_t* slots = NewSlots(size, &mapped);
    for (size_t i = 0; i < t.size; ++i) {
        if (t.slots[i] == 0) continue;
        size_t slot = size_t(t.slots[i] >> shift);
        while (slots[slot] != 0) slot = (slot + 1) & (size - 1);
        slots[slot] = t.slots[i];
    }
    if (t.slots) FreeSlots(t.slots, t.size, t.mapped);
    t.slots = slots;
    t.size = size;
    t.shift = shift;
    t.mapped = mapped;
}

// Room for count values up to 2M slots, grown as needed past that.
static void StartTable(MergeTable& t, size_t count)
{
    size_t size = 1024;
    while (size < 2 * count && size < (size_t(1) << 21)) size *= 2;
    ResizeTable(t, size);
}

// Finds a value whose key and hash are known, or numbers it as the next distinct one (which the
// caller keeps before the next lookup); returns its number.
static uint32_t MergeOne(MergeTable& t, const MergeKey& key, uint64_t hash)
{
    if (2 * (size_t(t.merged) + 1) > t.size) ResizeTable(t, 2 * t.size);
    const uint64_t top = hash & 0xFFFFFFFF00000000ull;
    for (size_t slot = size_t(hash >> t.shift);; slot = (slot + 1) & (t.size - 1)) {
        uint64_t entry = t.slots[slot];
        if (entry == 0) {
            t.slots[slot] = top | ++t.merged;
            return t.merged - 1;
        }
        if ((entry & 0xFFFFFFFF00000000ull) != top) continue;
        uint32_t index = uint32_t(entry) - 1;
        MergeKey k = KeyOf(t.kept[index], t.signedZeros);
        if (k.x == key.x && k.y == key.y && k.z == key.z) return index;
    }
}

// Merges value(0 .. count - 1) in order and hands each one to use(i, value, index, isNew). A
// value's slot is fetched into the cache some values before it is looked up, which hides most of
// a big table's memory latency.
template <typename Value, typename Use>
static void MergeAll(MergeTable& t, size_t count, Value value, Use use)
{
    const size_t ahead = 16;
    Vec3 values[ahead];
    MergeKey keys[ahead];
    uint64_t hashes[ahead];
    StartTable(t, count);
    for (size_t i = 0; i < count + ahead; ++i) {
        size_t k = i % ahead;
        if (i >= ahead) {
            uint32_t before = t.merged;
            uint32_t index = MergeOne(t, keys[k], hashes[k]);
            use(i - ahead, values[k], index, t.merged != before);
        }
        if (i >= count) continue;
        values[k] = value(i);
        keys[k] = KeyOf(values[k], t.signedZeros);
        hashes[k] = HashOf(keys[k]);
        Prefetch(t.slots + (hashes[k] >> t.shift));
    }
}

// Keeps one of each set of equal values, in order of first use, and re-points the faces' indices
// (the member `which`). The kept values move down within the array (the n-th distinct value is
// never behind the n-th value), and faces are left alone when every value was distinct already.
static void MergeEqual(std::vector<Vec3>& values, std::vector<MeshFace>& faces,
                       int32_t (MeshFace::*which)[3], bool signedZeros = false)
{
    MergeTable t;
    t.signedZeros = signedZeros;
    t.kept = values.data();
    std::unique_ptr<uint32_t[]> remap(new uint32_t[values.size()]);
    AdviseLargePages(remap.get(), values.size() * sizeof(uint32_t));
    MergeAll(
        t, values.size(), [&](size_t i) { return values[i]; },
        [&](size_t i, const Vec3& v, uint32_t index, bool isNew) {
            remap[i] = index;
            if (isNew) values[index] = v;
        });
    if (t.merged == values.size()) return;
    values.resize(t.merged);
    for (MeshFace& face : faces)
        for (int32_t& index : face.*which) index = int32_t(remap[size_t(index)]);
}

void MeshMergeNormals(MeshData& mesh)
{
    MergeEqual(mesh.normals, mesh.faces, &MeshFace::normalIndex);
}

void MeshMergePositions(MeshData& mesh)
{
    MergeEqual(mesh.vertices, mesh.faces, &MeshFace::vertexIndex);
}

void MeshMergeIdenticalPositions(MeshData& mesh)
{
    MergeEqual(mesh.vertices, mesh.faces, &MeshFace::vertexIndex, true);
}

// Each face's normal goes straight into the table: the one-per-face array is never written. Room
// for a normal per face is reserved but only touched as far as the distinct ones reach.
void MeshSetFlatNormals(MeshData& mesh)
{
    MergeTable t;
    const std::vector<Vec3>& p = mesh.vertices;
    std::vector<MeshFace>& faces = mesh.faces;
    std::vector<Vec3>& normals = mesh.normals;
    normals.clear();
    ReserveLarge(normals, faces.size());
    t.kept = normals.data(); // never moves: room for every face's normal is there
    MergeAll(
        t, faces.size(),
        [&](size_t i) {
            const int32_t* v = faces[i].vertexIndex;
            return FaceNormal(p[size_t(v[0])], p[size_t(v[1])], p[size_t(v[2])]);
        },
        [&](size_t i, const Vec3& n, uint32_t index, bool isNew) {
            if (isNew) normals.push_back(n);
            for (int32_t& corner : faces[i].normalIndex) corner = int32_t(index);
        });
}
