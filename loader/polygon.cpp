#include "loader/polygon.h"

void TriangulatePolygon(const Vec3*, const int32_t* corners, size_t count,
                        std::vector<uint32_t>* triangles)
{
    (void)corners;
    for (size_t i = 2; i < count; ++i) triangles->insert(triangles->end(), {0u, uint32_t(i - 1), uint32_t(i)});
}
