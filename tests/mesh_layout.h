// The rules every compiled-in mesh keeps, whichever tool wrote it and in whichever form: the
// renderer indexes the arrays unchecked, and the view box ends 150.5 from the origin.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "model/mesh.h"

inline double MeshLength(Vec3 v)
{
    return std::sqrt(double(v.x) * v.x + double(v.y) * v.y + double(v.z) * v.z);
}

// Positions and normals are each stored once, so no two are bit-equal.
inline bool MeshValuesUnique(const Vec3* values, int32_t count)
{
    std::vector<Vec3> sorted(values, values + count);
    auto less = [](const Vec3& a, const Vec3& b) { return std::memcmp(&a, &b, sizeof a) < 0; };
    std::sort(sorted.begin(), sorted.end(), less);
    return std::adjacent_find(sorted.begin(), sorted.end(), [](const Vec3& a, const Vec3& b) {
               return std::memcmp(&a, &b, sizeof a) == 0;
           }) == sorted.end();
}

inline void ExpectMeshLayout(const MeshModel& m)
{
    ASSERT_GT(m.faceCount, 0);
    EXPECT_EQ(m.texCoords, nullptr);
    EXPECT_EQ(m.texCoordCount, 0);
    for (int32_t i = 0; i < m.faceCount; ++i) {
        const MeshFace& f = m.faces[i];
        for (int k = 0; k < 3; ++k) {
            ASSERT_GE(f.vertexIndex[k], 0) << "face " << i;
            ASSERT_LT(f.vertexIndex[k], m.vertexCount) << "face " << i;
            ASSERT_GE(f.normalIndex[k], 0) << "face " << i;
            ASSERT_LT(f.normalIndex[k], m.normalCount) << "face " << i;
            ASSERT_EQ(f.texCoordIndex[k], -1) << "face " << i;
        }
    }
    for (int32_t i = 0; i < m.vertexCount; ++i)
        ASSERT_LT(MeshLength(m.vertices[i]), 150.5) << "position " << i;
    for (int32_t i = 0; i < m.normalCount; ++i) {
        double length = MeshLength(m.normals[i]);
        ASSERT_TRUE(length == 0.0 || std::abs(length - 1.0) < 1e-6) << "normal " << i;
    }
    EXPECT_TRUE(MeshValuesUnique(m.vertices, m.vertexCount));
    EXPECT_TRUE(MeshValuesUnique(m.normals, m.normalCount));
}
