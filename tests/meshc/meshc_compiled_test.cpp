// A mesh compiled in by trackview-meshc at build time (data/prism.obj), read back through
// meshModel as the renderer reads it.
#include <gtest/gtest.h>

#include "tests/mesh_layout.h"

TEST(CompiledMesh, PrismArraysHaveTheCompiledLayout)
{
    const MeshModel& m = meshModel;
    EXPECT_STREQ(m.name, "prism");
    // Two triangle ends and three quads split in two: six corners, five flat sides.
    ASSERT_EQ(m.faceCount, 8);
    ASSERT_EQ(m.vertexCount, 6);
    ASSERT_EQ(m.normalCount, 5);
    ASSERT_EQ(MeshLayoutFault(m, kMeshRadius), "");
    EXPECT_TRUE(MeshValuesUnique(m.vertices, m.vertexCount));
    EXPECT_TRUE(MeshValuesUnique(m.normals, m.normalCount));
    // The first end faces -z (its corners run clockwise seen from +z), the second +z.
    EXPECT_FLOAT_EQ(m.normals[m.faces[0].normalIndex[0]].z, -1.0f);
    EXPECT_FLOAT_EQ(m.normals[m.faces[1].normalIndex[0]].z, 1.0f);
}
