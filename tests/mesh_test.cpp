// The built-in mesh as the renderer reads it: the layout every mesh keeps, flat shading, the
// corner order of the stored normals, and both materials on screen.
#include "model/mesh.h"
#include "tests/gl_environment.h"
#include "tests/mesh_layout.h"
#include "viewer/render.h"
#include "viewer/state.h"

TEST(BuiltInMesh, EveryFaceIsDrawableAndInsideTheViewingBox)
{
    const MeshModel& m = meshModel;
    ASSERT_GE(m.faceCount, 10000);
    ASSERT_EQ(MeshLayoutFault(m, kMeshRadius), "");
    EXPECT_TRUE(MeshValuesUnique(m.vertices, m.vertexCount));
    EXPECT_TRUE(MeshValuesUnique(m.normals, m.normalCount));
    double farthest = 0;
    for (int32_t i = 0; i < m.vertexCount; ++i)
        farthest = std::max(farthest, MeshLength(m.vertices[i]));
    EXPECT_GT(farthest, 140.0); // fills the view
    for (int32_t i = 0; i < m.faceCount; ++i)
        for (int k = 1; k < 3; ++k)
            ASSERT_EQ(m.faces[i].normalIndex[k], m.faces[i].normalIndex[0]) << "flat, face " << i;
}

TEST(BuiltInMesh, StoredNormalsFollowTheCornerOrder)
{
    // Two-sided lighting picks the material from the winding; a normal against it would light
    // the purple side with the yellow side's normal.
    const MeshModel& m = meshModel;
    for (int32_t i = 0; i < m.faceCount; ++i) {
        const MeshFace& f = m.faces[i];
        Vec3 a = m.vertices[f.vertexIndex[0]], b = m.vertices[f.vertexIndex[1]],
             c = m.vertices[f.vertexIndex[2]], n = m.normals[f.normalIndex[0]];
        double ux = b.x - a.x, uy = b.y - a.y, uz = b.z - a.z;
        double vx = c.x - a.x, vy = c.y - a.y, vz = c.z - a.z;
        double cross[3] = {uy * vz - uz * vy, uz * vx - ux * vz, ux * vy - uy * vx};
        double dot = cross[0] * n.x + cross[1] * n.y + cross[2] * n.z;
        ASSERT_GE(dot, 0.0) << "face " << i;
    }
}

using BuiltInMeshLook = ViewerTest;

TEST_F(BuiltInMeshLook, BothMaterialsShowWhileItTurns)
{
    int purple = 0, yellow = 0;
    for (int turn = 0; turn < 4; ++turn) {
        viewer.idleHook = IdleRedraw;
        RunIdle(45); // a quarter turn at 2 degrees a frame
        auto frame = ReadFrame();
        for (int y = 0; y < kTestSize; y += 3) {
            for (int x = 0; x < kTestSize; x += 3) {
                Rgb p = PixelAt(frame, x, y);
                if (p.r > 120 && p.b > p.g + 60) ++purple;
                if (p.r > 120 && p.g > p.b + 60) ++yellow;
            }
        }
    }
    EXPECT_GT(purple, 2000);
    EXPECT_GT(yellow, 2000);
}
