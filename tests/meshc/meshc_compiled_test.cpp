// A mesh compiled in by trackview-meshc at build time (data/prism.obj), read back through
// meshModel as the renderer reads it.
#include <cmath>
#include <cstring>

#include <gtest/gtest.h>

#include "model/mesh.h"

TEST(CompiledMesh, PrismArraysHaveTheCompiledLayout)
{
    const MeshModel& m = meshModel;
    EXPECT_STREQ(m.name, "prism");
    // Two triangle ends and three quads split in two; five flat sides.
    ASSERT_EQ(m.faceCount, 8);
    ASSERT_EQ(m.vertexCount, 24);
    ASSERT_EQ(m.normalCount, 5);
    EXPECT_EQ(m.texCoords, nullptr);
    EXPECT_EQ(m.texCoordCount, 0);
    double farthest = 0;
    for (int i = 0; i < m.vertexCount; ++i) {
        const Vec3& p = m.vertices[i];
        farthest = std::fmax(farthest,
                             std::sqrt(double(p.x) * p.x + double(p.y) * p.y + double(p.z) * p.z));
    }
    EXPECT_LE(farthest, 146.0);
    EXPECT_GT(farthest, 145.999);
    for (int i = 0; i < m.faceCount; ++i) {
        const MeshFace& f = m.faces[i];
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(f.vertexIndex[k], 3 * i + k);
            EXPECT_EQ(f.normalIndex[k], f.normalIndex[0]);
            EXPECT_EQ(f.texCoordIndex[k], -1);
        }
        ASSERT_GE(f.normalIndex[0], 0);
        ASSERT_LT(f.normalIndex[0], m.normalCount);
        const Vec3& n = m.normals[f.normalIndex[0]];
        EXPECT_NEAR(std::sqrt(double(n.x) * n.x + double(n.y) * n.y + double(n.z) * n.z), 1.0,
                    1e-6);
    }
    // The first end faces -z (its corners run clockwise seen from +z), the second +z.
    EXPECT_FLOAT_EQ(m.normals[m.faces[0].normalIndex[0]].z, -1.0f);
    EXPECT_FLOAT_EQ(m.normals[m.faces[1].normalIndex[0]].z, 1.0f);
    // The prism is 4 long and 2 wide: centred, its long axis spans z symmetrically.
    EXPECT_FLOAT_EQ(m.vertices[0].z, -m.vertices[3].z);
}
