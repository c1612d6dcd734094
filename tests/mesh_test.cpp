#include <cmath>

#include "model/mesh.h"
#include "tests/gl_environment.h"
#include "viewer/render.h"
#include "viewer/state.h"

static double Length(Vec3 v)
{
    return std::sqrt(double(v.x) * v.x + double(v.y) * v.y + double(v.z) * v.z);
}

TEST(BuiltInMesh, EveryFaceIsDrawableAndInsideTheViewingBox)
{
    const MeshModel& m = meshModel;
    ASSERT_GE(m.faceCount, 10000);
    ASSERT_EQ(m.vertexCount, 3 * m.faceCount);
    EXPECT_EQ(m.texCoords, nullptr);
    EXPECT_EQ(m.texCoordCount, 0);
    for (int32_t i = 0; i < m.faceCount; ++i) {
        const MeshFace& f = m.faces[i];
        for (int k = 0; k < 3; ++k) {
            ASSERT_EQ(f.vertexIndex[k], 3 * i + k);
            ASSERT_GE(f.normalIndex[k], 0);
            ASSERT_LT(f.normalIndex[k], m.normalCount);
            ASSERT_EQ(f.texCoordIndex[k], -1);
            ASSERT_EQ(f.normalIndex[k], f.normalIndex[0]) << "flat shading, face " << i;
        }
    }
    double farthest = 0;
    for (int32_t i = 0; i < m.vertexCount; ++i)
        farthest = std::max(farthest, Length(m.vertices[i]));
    EXPECT_LE(farthest, 146.0);
    EXPECT_GT(farthest, 140.0); // fills the view
    for (int32_t i = 0; i < m.normalCount; ++i) {
        double length = Length(m.normals[i]);
        EXPECT_TRUE(length == 0.0 || std::abs(length - 1.0) < 1e-6) << "normal " << i;
    }
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
