// assimp, where it is installed, as a second reader of the good test models: the same file must
// give the same number of triangles and the same box through both, or the test names the file
// and the difference.
#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <gtest/gtest.h>

#include <cmath>

#include "loader/load.h"
#include "tests/loader/expectations.h"

namespace
{

struct Reference {
    size_t triangles = 0;
    aiVector3D min{INFINITY, INFINITY, INFINITY}, max{-INFINITY, -INFINITY, -INFINITY};
};

// Every triangle of every mesh instance, placed by the node tree.
void AddNode(const aiScene* scene, const aiNode* node, const aiMatrix4x4& parent, Reference* r)
{
    aiMatrix4x4 transform = parent * node->mTransformation;
    for (unsigned i = 0; i < node->mNumMeshes; ++i) {
        const aiMesh* mesh = scene->mMeshes[node->mMeshes[i]];
        for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
            if (mesh->mFaces[f].mNumIndices != 3) continue;
            ++r->triangles;
            for (unsigned k = 0; k < 3; ++k) {
                aiVector3D p = transform * mesh->mVertices[mesh->mFaces[f].mIndices[k]];
                r->min = {std::min(r->min.x, p.x), std::min(r->min.y, p.y),
                          std::min(r->min.z, p.z)};
                r->max = {std::max(r->max.x, p.x), std::max(r->max.y, p.y),
                          std::max(r->max.z, p.z)};
            }
        }
    }
    for (unsigned c = 0; c < node->mNumChildren; ++c)
        AddNode(scene, node->mChildren[c], transform, r);
}

TEST(LoaderAgainstAssimp, EveryGoodModelGivesTheSameTrianglesAndBox)
{
    const std::string folder = std::string(LOADER_DATA) + "/models/";
    for (const std::string& line : ExpectationLines(folder)) {
        // Where assimp reads a file wrong, the line says so with "noassimp" and a comment why.
        if (line.find(" noassimp") != std::string::npos) continue;
        std::string name = line.substr(0, line.find(' '));
        SCOPED_TRACE(name);
        Assimp::Importer importer;
        const aiScene* scene = importer.ReadFile(folder + name, aiProcess_Triangulate);
        if (!scene || !scene->mRootNode) {
            ADD_FAILURE() << "assimp cannot read it: " << importer.GetErrorString();
            continue;
        }
        Reference r;
        AddNode(scene, scene->mRootNode, aiMatrix4x4(), &r);

        LoadOptions raw;
        raw.radius = 0;
        MeshData mesh;
        std::string error;
        if (!LoadModelFile(folder + name, raw, &mesh, &error)) {
            ADD_FAILURE() << error;
            continue;
        }
        EXPECT_EQ(mesh.faces.size(), r.triangles);
        MeshBounds b = MeshMeasure(mesh);
        double size = std::max({r.max.x - r.min.x, r.max.y - r.min.y, r.max.z - r.min.z});
        EXPECT_NEAR(b.min.x, r.min.x, 1e-5 * size);
        EXPECT_NEAR(b.min.y, r.min.y, 1e-5 * size);
        EXPECT_NEAR(b.min.z, r.min.z, 1e-5 * size);
        EXPECT_NEAR(b.max.x, r.max.x, 1e-5 * size);
        EXPECT_NEAR(b.max.y, r.max.y, 1e-5 * size);
        EXPECT_NEAR(b.max.z, r.max.z, 1e-5 * size);
    }
}

} // namespace
