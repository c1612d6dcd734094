#include "tools/meshc/load.h"
#include "tools/meshc/precheck.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <new>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include <assimp/BaseImporter.h>
#include <assimp/DefaultIOSystem.h>
#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

static const char* const kFormats[] = {"obj", "ply", "stl", "gltf", "glb"};

bool MeshFormatKnown(const std::string& extension)
{
    return std::find(std::begin(kFormats), std::end(kFormats), extension) != std::end(kFormats);
}

static std::string LowerExtension(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    std::string ext = path.substr(dot + 1);
    for (char& c : ext) c = char(std::tolower((unsigned char)c));
    return ext;
}

// Assimp tries every reader it has on a file it does not recognise; keep only the readers of
// the one format asked for, so that hostile input meets as little parsing code as possible.
static void ImporterKeepFormat(Assimp::Importer& importer, const std::string& extension)
{
    for (size_t i = importer.GetImporterCount(); i-- > 0;) {
        const aiImporterDesc* info = importer.GetImporterInfo(i);
        bool keep = false;
        if (info && info->mFileExtensions) {
            std::istringstream words(info->mFileExtensions);
            for (std::string word; words >> word;) keep = keep || word == extension;
        }
        if (keep) continue;
        Assimp::BaseImporter* reader = importer.GetImporter(i);
        if (importer.UnregisterLoader(reader) == AI_SUCCESS) delete reader;
    }
}

// Files a model refers to (glTF buffers and images, OBJ materials) are read only from its own
// folder or below, after links are followed: '../', absolute paths and links leading out are
// refused, so that no file elsewhere on the machine can become part of the mesh.
class FolderIOSystem : public Assimp::DefaultIOSystem
{
  public:
    FolderIOSystem(const std::string& model) : model(model)
    {
        size_t slash = model.find_last_of('/');
        char* real = realpath(slash == std::string::npos ? "." : model.substr(0, slash + 1).c_str(),
                              nullptr);
        if (real) folder = std::string(real) + (std::string(real) == "/" ? "" : "/");
        std::free(real);
    }
    Assimp::IOStream* Open(const char* file, const char* mode) override
    {
        if (model == file) return DefaultIOSystem::Open(file, mode);
        char* real = realpath(file, nullptr);
        std::string resolved = real ? real : "";
        std::free(real);
        if (folder.empty() || resolved.compare(0, folder.size(), folder) != 0) {
            refused = file;
            return nullptr;
        }
        return DefaultIOSystem::Open(resolved.c_str(), mode); // the file checked, not a new link
    }
    std::string model, folder, refused;
};

static std::string OneLine(std::string text)
{
    std::replace(text.begin(), text.end(), '\n', ' ');
    std::replace(text.begin(), text.end(), '\r', ' ');
    while (!text.empty() && text.back() == ' ') text.pop_back();
    if (text == "std::bad_alloc") return "too large for memory";
    return text.empty() ? "unknown reason" : text;
}

struct Instance {
    const aiMesh* mesh;
    unsigned meshIndex;
    aiMatrix4x4 transform;
};

// Every placement of a mesh in the node tree, with the node transforms accumulated.
static bool CollectInstances(const aiScene* scene, std::vector<Instance>* instances,
                             std::string* why)
{
    if (!scene->mRootNode) {
        for (unsigned m = 0; m < scene->mNumMeshes; ++m)
            if (scene->mMeshes[m]) instances->push_back({scene->mMeshes[m], m, aiMatrix4x4()});
        return true;
    }
    std::vector<std::pair<const aiNode*, aiMatrix4x4>> stack{
        {scene->mRootNode, scene->mRootNode->mTransformation}};
    size_t visits = 0;
    while (!stack.empty()) {
        auto [node, transform] = stack.back();
        stack.pop_back();
        if (++visits > 10000000) {
            *why = "node hierarchy too large";
            return false;
        }
        for (unsigned i = 0; i < node->mNumMeshes; ++i) {
            unsigned m = node->mMeshes[i];
            if (m >= scene->mNumMeshes || !scene->mMeshes[m]) {
                *why = "node refers to mesh " + std::to_string(m) + " of " +
                       std::to_string(scene->mNumMeshes);
                return false;
            }
            instances->push_back({scene->mMeshes[m], m, transform});
        }
        // Reverse, so that meshes come out in the file's order.
        for (unsigned c = node->mNumChildren; c-- > 0;)
            if (node->mChildren[c])
                stack.push_back(
                    {node->mChildren[c], transform * node->mChildren[c]->mTransformation});
    }
    return true;
}

static size_t CountTriangles(const aiMesh* mesh)
{
    if (!mesh->mFaces) return 0;
    size_t count = 0;
    for (unsigned f = 0; f < mesh->mNumFaces; ++f) count += mesh->mFaces[f].mNumIndices == 3;
    return count;
}

static bool Finite(Vec3 v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

static Vec3 Transformed(const aiMatrix4x4& m, const aiVector3D& p)
{
    double x = p.x, y = p.y, z = p.z;
    return Vec3{float(m.a1 * x + m.a2 * y + m.a3 * z + m.a4),
                float(m.b1 * x + m.b2 * y + m.b3 * z + m.b4),
                float(m.c1 * x + m.c2 * y + m.c3 * z + m.c4)};
}

static Vec3 TransformedNormal(const aiMatrix3x3& m, const aiVector3D& n)
{
    double x = n.x, y = n.y, z = n.z;
    return NormalisedOrZero(Vec3{float(m.a1 * x + m.a2 * y + m.a3 * z),
                                 float(m.b1 * x + m.b2 * y + m.b3 * z),
                                 float(m.c1 * x + m.c2 * y + m.c3 * z)});
}

// Appends the triangles of one placed mesh; a mirroring transform has its corners reversed so
// that the right-hand rule still gives the outside.
static bool AppendInstance(const Instance& in, const MeshLoadOptions& options, MeshData* mesh,
                           std::string* why)
{
    const aiMesh* src = in.mesh;
    std::string where = "mesh " + std::to_string(in.meshIndex);
    if (!src->mVertices) {
        *why = where + " has faces but no positions";
        return false;
    }
    if (options.fileNormals && !src->mNormals) {
        *why = where + " has no normals (use --normals flat)";
        return false;
    }
    bool identity = in.transform == aiMatrix4x4(); // exactly: then positions pass untouched
    aiMatrix3x3 normalMatrix = aiMatrix3x3(in.transform);
    bool mirrored = normalMatrix.Determinant() < 0;
    normalMatrix.Inverse().Transpose(); // singular: all NaN, so such normals become zero
    for (unsigned f = 0; f < src->mNumFaces; ++f) {
        const aiFace& face = src->mFaces[f];
        if (face.mNumIndices != 3) continue; // points and lines cover nothing
        unsigned corner[3] = {face.mIndices[0], face.mIndices[1], face.mIndices[2]};
        if (mirrored) std::swap(corner[1], corner[2]);
        int32_t v = int32_t(mesh->vertices.size());
        int32_t n = int32_t(options.fileNormals ? mesh->normals.size() : mesh->faces.size());
        for (unsigned k = 0; k < 3; ++k) {
            unsigned i = corner[k];
            if (i >= src->mNumVertices) {
                *why = where + " face " + std::to_string(f) + " uses vertex " + std::to_string(i) +
                       " of " + std::to_string(src->mNumVertices);
                return false;
            }
            const aiVector3D& p = src->mVertices[i];
            Vec3 placed = identity ? Vec3{p.x, p.y, p.z} : Transformed(in.transform, p);
            if (!Finite(placed)) {
                *why = where + " vertex " + std::to_string(i) + " has a non-finite coordinate";
                return false;
            }
            mesh->vertices.push_back(placed);
            if (!options.fileNormals) continue;
            const aiVector3D& q = src->mNormals[i];
            if (!Finite(Vec3{q.x, q.y, q.z})) {
                *why = where + " vertex " + std::to_string(i) + " has a non-finite normal";
                return false;
            }
            mesh->normals.push_back(identity ? NormalisedOrZero(Vec3{q.x, q.y, q.z})
                                             : TransformedNormal(normalMatrix, q));
        }
        if (options.fileNormals)
            mesh->faces.push_back(MeshFace{{v, v + 1, v + 2}, {n, n + 1, n + 2}, {-1, -1, -1}});
        else
            mesh->faces.push_back(MeshFace{{v, v + 1, v + 2}, {n, n, n}, {-1, -1, -1}});
    }
    return true;
}

// Turns the imported scene into mesh, or says why it cannot.
static bool MeshFromScene(const aiScene* scene, const MeshLoadOptions& options, MeshData* mesh,
                          std::string* why)
{
    std::vector<Instance> instances;
    if (!CollectInstances(scene, &instances, why)) return false;
    std::vector<size_t> perMesh(scene->mNumMeshes, 0);
    for (unsigned m = 0; m < scene->mNumMeshes; ++m)
        if (scene->mMeshes[m]) perMesh[m] = CountTriangles(scene->mMeshes[m]);
    size_t total = 0;
    for (const Instance& in : instances) {
        total += perMesh[in.meshIndex];
        if (total > options.maxFaces) break; // stop before the sum itself could wrap
    }
    if (total == 0) {
        *why = "no triangles";
        return false;
    }
    if (total > options.maxFaces) {
        *why = "too many triangles (more than " + std::to_string(options.maxFaces) + ")";
        return false;
    }
    mesh->vertices.reserve(3 * total);
    mesh->faces.reserve(total);
    if (options.fileNormals) mesh->normals.reserve(3 * total);
    for (const Instance& in : instances)
        if (!AppendInstance(in, options, mesh, why)) return false;
    return true;
}

static const unsigned kImportSteps = aiProcess_ValidateDataStructure;

// Assimp's triangulation aborts the process when a mesh claims polygons it does not have (a PLY
// face list of length 0 passes its validation and does that); so the claim is recomputed from
// the faces before it runs, an empty face counting as a point.
static const aiScene* Triangulate(Assimp::Importer& importer, const aiScene* scene)
{
    for (unsigned m = 0; m < scene->mNumMeshes; ++m) {
        aiMesh* mesh = scene->mMeshes[m];
        if (!mesh || !mesh->mFaces) continue;
        unsigned types = 0;
        for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
            unsigned n = mesh->mFaces[f].mNumIndices;
            types |= n <= 1   ? aiPrimitiveType_POINT
                     : n == 2 ? aiPrimitiveType_LINE
                     : n == 3 ? aiPrimitiveType_TRIANGLE
                              : aiPrimitiveType_POLYGON;
        }
        mesh->mPrimitiveTypes = types;
    }
    return importer.ApplyPostProcessing(aiProcess_Triangulate);
}

// Assimp's own rule: binary when the size is exactly that of the count of triangles it gives.
static bool StlBinary(const ByteReader& bytes, size_t size)
{
    unsigned char count[4] = {};
    if (size < 84 || bytes(80, reinterpret_cast<char*>(count), 4) < 4) return false;
    size_t faces = count[0] | count[1] << 8 | count[2] << 16 | size_t(count[3]) << 24;
    return 84 + 50 * faces == size;
}

static bool LoadWith(Assimp::Importer& importer, const std::string& label,
                     const std::string& extension, size_t size, const ByteReader& bytes,
                     const std::function<const aiScene*(Assimp::Importer&)>& read,
                     const MeshLoadOptions& options, MeshData* mesh, std::string* error)
{
    if (!MeshFormatKnown(extension)) {
        *error = label + ": unknown format" + (extension.empty() ? "" : " '." + extension + "'") +
                 " (reads .obj, .ply, .stl, .gltf, .glb)";
        return false;
    }
    *mesh = MeshData();
    std::string why;
    if (size == 0) {
        *error = label + ": empty file";
        return false;
    }
    bool gltf = extension == "gltf" || extension == "glb";
    bool text = extension == "obj" || (extension == "stl" && !StlBinary(bytes, size));
    if ((extension == "ply" && !PlyCheck(bytes, size, &why)) ||
        (gltf && !GltfNestingCheck(bytes, size, extension == "glb", &why)) ||
        (text && !LongNumberCheck(bytes, 0, size, &why))) {
        *error = label + ": " + why;
        return false;
    }
    try {
        ImporterKeepFormat(importer, extension);
        const aiScene* scene = read(importer);
        if (scene) scene = Triangulate(importer, scene);
        auto* io = dynamic_cast<FolderIOSystem*>(importer.GetIOHandler());
        if (!scene && io && !io->refused.empty()) {
            *error = label + ": refers to a file outside the model's folder, or missing: '" +
                     OneLine(io->refused) + "'";
            return false;
        }
        if (!scene) {
            *error = label + ": cannot read: " + OneLine(importer.GetErrorString());
            return false;
        }
        if (MeshFromScene(scene, options, mesh, &why)) return true;
    } catch (const std::bad_alloc&) {
        why = "too large for memory";
    } catch (const std::exception& e) {
        why = OneLine(e.what());
    }
    *error = label + ": " + why;
    *mesh = MeshData();
    return false;
}

bool MeshLoadFile(const std::string& path, const MeshLoadOptions& options, MeshData* mesh,
                  std::string* error)
{
    struct stat info;
    if (stat(path.c_str(), &info) != 0) {
        *error = path + ": cannot open: " + std::strerror(errno);
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        *error = path + ": not a regular file";
        return false;
    }
    Assimp::Importer importer;
    importer.SetIOHandler(new FolderIOSystem(path));
    auto read = [&](Assimp::Importer& imp) { return imp.ReadFile(path, kImportSteps); };
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        *error = path + ": cannot open: " + std::strerror(errno);
        return false;
    }
    auto bytes = [file](size_t offset, char* buffer, size_t count) -> size_t {
        if (fseeko(file, off_t(offset), SEEK_SET) != 0) return 0;
        return std::fread(buffer, 1, count, file);
    };
    bool loaded = LoadWith(importer, path, LowerExtension(path), size_t(info.st_size), bytes, read,
                           options, mesh, error);
    std::fclose(file);
    return loaded;
}

bool MeshLoadMemory(const void* data, size_t size, const std::string& formatHint,
                    const MeshLoadOptions& options, MeshData* mesh, std::string* error)
{
    Assimp::Importer importer;
    auto read = [&](Assimp::Importer& imp) {
        return imp.ReadFileFromMemory(data, size, kImportSteps, formatHint.c_str());
    };
    auto bytes = [data, size](size_t offset, char* buffer, size_t count) -> size_t {
        count = offset < size ? std::min(count, size - offset) : 0;
        if (count) std::memcpy(buffer, static_cast<const char*>(data) + offset, count);
        return count;
    };
    return LoadWith(importer, "<memory>." + formatHint, formatHint, size, bytes, read, options,
                    mesh, error);
}

static bool AllPositionsEqual(const MeshData& mesh)
{
    const std::vector<Vec3>& v = mesh.vertices;
    return std::all_of(v.begin(), v.end(), [&](const Vec3& p) {
        return p.x == v[0].x && p.y == v[0].y && p.z == v[0].z;
    });
}

bool MeshFinish(MeshData& mesh, double radius, bool flatNormals, std::string* error)
{
    // A point draws nothing: the viewer would show only its background.
    if (AllPositionsEqual(mesh)) {
        *error = "the model has no extent (all its corners are equal)";
        return false;
    }
    MeshFitToRadius(mesh, radius);
    if (AllPositionsEqual(mesh)) {
        char text[32];
        std::snprintf(text, sizeof text, "%g", radius);
        *error = std::string("at radius ") + text + " the model shrinks to a point";
        return false;
    }
    if (flatNormals) MeshSetFlatNormals(mesh);
    MeshMergeNormals(mesh);
    MeshBounds bounds = MeshMeasure(mesh);
    if (!(bounds.radius <= radius)) {
        *error = "cannot fit the mesh within radius " + std::to_string(radius);
        return false;
    }
    return true;
}
