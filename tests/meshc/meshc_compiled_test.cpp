// A mesh compiled in by trackview-meshc at build time (data/prism.obj), read back through
// meshModel as the renderer reads it.
#include <gtest/gtest.h>

#include "model/mesh.h"
#include "tests/mesh_layout.h"

TEST(CompiledMesh, PrismArraysHaveTheCompiledLayout)
{
    const MeshModel& m = meshModel;
    EXPECT_STREQ(m.name, "prism");
    // Two triangle ends and three quads split in two: six corners, five flat sides.
    ASSERT_EQ(m.faceCount, 8);
    ASSERT_EQ(m.vertexCount, 6);
    ASSERT_EQ(m.normalCount, 5);
    ExpectMeshLayout(m);
    double farthest = 0;
    for (int i = 0; i < m.vertexCount; ++i)
        farthest = std::fmax(farthest, MeshLength(m.vertices[i]));
    EXPECT_LE(farthest, 146.0);
    EXPECT_GT(farthest, 145.999);
    // The first end faces -z (its corners run clockwise seen from +z), the second +z.
    EXPECT_FLOAT_EQ(m.normals[m.faces[0].normalIndex[0]].z, -1.0f);
    EXPECT_FLOAT_EQ(m.normals[m.faces[1].normalIndex[0]].z, 1.0f);
    // The prism is 4 long and 2 wide: centred, its long axis spans z symmetrically.
    EXPECT_FLOAT_EQ(m.vertices[m.faces[0].vertexIndex[0]].z,
                    -m.vertices[m.faces[1].vertexIndex[0]].z);
}
