// Cutting polygons into triangles: concave outlines are covered exactly, with no triangle outside
// and none turned backwards, in any plane and either winding; degenerate and huge polygons still
// give one triangle per corner beyond two.
#include "loader/polygon.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

namespace
{

Vec3 Sub(Vec3 a, Vec3 b)
{
    return Vec3{a.x - b.x, a.y - b.y, a.z - b.z};
}
double Dot(Vec3 a, Vec3 b)
{
    return double(a.x) * b.x + double(a.y) * b.y + double(a.z) * b.z;
}
Vec3 Cross(Vec3 a, Vec3 b)
{
    return Vec3{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

std::vector<uint32_t> Cut(const std::vector<Vec3>& points)
{
    std::vector<int32_t> corners;
    for (size_t i = 0; i < points.size(); ++i) corners.push_back(int32_t(i));
    std::vector<uint32_t> triangles;
    TriangulatePolygon(points.data(), corners.data(), corners.size(), &triangles);
    return triangles;
}

// Each triangle must face the polygon's way, and their areas must add up to the polygon's: a
// triangle reaching outside would have to be paid for by one turned backwards, or overlap.
void ExpectCovered(const std::vector<Vec3>& points, const char* shape)
{
    Vec3 normal{0, 0, 0}; // twice the area, along the polygon's right-hand normal
    for (size_t i = 0; i < points.size(); ++i) {
        Vec3 c = Cross(points[i], points[(i + 1) % points.size()]);
        normal = Vec3{normal.x + c.x, normal.y + c.y, normal.z + c.z};
    }
    double area = std::sqrt(Dot(normal, normal));
    std::vector<uint32_t> t = Cut(points);
    ASSERT_EQ(t.size(), 3 * (points.size() - 2)) << shape;
    double sum = 0.0;
    for (size_t k = 0; k < t.size(); k += 3) {
        Vec3 a = points[t[k]], b = points[t[k + 1]], c = points[t[k + 2]];
        double twice = Dot(Cross(Sub(b, a), Sub(c, a)), normal) / area;
        EXPECT_GE(twice, -1e-6 * area) << shape << ": triangle " << k / 3 << " is backwards";
        sum += std::fabs(twice);
    }
    EXPECT_NEAR(sum, area, 1e-6 * area) << shape;
}

// Outline in the plane spanned by u and v, from (x, y) pairs.
std::vector<Vec3> Place(const std::vector<float>& xy, Vec3 u, Vec3 v)
{
    std::vector<Vec3> points;
    for (size_t i = 0; i + 1 < xy.size(); i += 2)
        points.push_back(Vec3{xy[i] * u.x + xy[i + 1] * v.x, xy[i] * u.y + xy[i + 1] * v.y,
                              xy[i] * u.z + xy[i + 1] * v.z});
    return points;
}

} // namespace

TEST(Polygon, ConcaveOutlinesAreCoveredInAnyPlaneAndWinding)
{
    std::vector<std::pair<const char*, std::vector<float>>> shapes = {
        {"L", {0, 0, 2, 0, 2, 1, 1, 1, 1, 2, 0, 2}},
        {"dart", {0, 0, 2, 1, 0, 2, 1, 1}},
        {"comb", {0, 0, 5, 0, 5, 3, 4, 3, 4, 1, 3, 1, 3, 3, 2, 3, 2, 1, 1, 1, 1, 3, 0, 3}},
        {"collinear U", {0, 0, 1, 0, 2, 0, 3, 0, 3, 2, 2, 2, 2, 1, 1, 1, 1, 2, 0, 2, 0, 1}},
    };
    std::vector<float> star, spiky;
    std::mt19937 random(7);
    for (int i = 0; i < 14; ++i) {
        float angle = float(i) * 6.2831853f / 14, radius = i % 2 ? 1.0f : 3.0f;
        star.insert(star.end(), {radius * std::cos(angle), radius * std::sin(angle)});
    }
    for (int i = 0; i < 200; ++i) {
        float angle = float(i) * 6.2831853f / 200;
        float radius = 0.2f + float(random() % 1000) / 100;
        spiky.insert(spiky.end(), {radius * std::cos(angle), radius * std::sin(angle)});
    }
    shapes.push_back({"star", star});
    shapes.push_back({"spiky", spiky});
    const Vec3 planes[][2] = {{{1, 0, 0}, {0, 1, 0}},
                              {{0, 0, 1}, {1, 0, 0}},
                              {{0.6f, 0, 0.8f}, {0, 1, 0}},
                              {{0, 1, 0}, {1, 0, 0}}}; // the last one mirrors the winding
    for (const auto& shape : shapes) {
        for (const auto& plane : planes) {
            std::vector<Vec3> points = Place(shape.second, plane[0], plane[1]);
            ExpectCovered(points, shape.first);
            std::reverse(points.begin(), points.end());
            ExpectCovered(points, shape.first);
        }
    }
}

TEST(Polygon, DegenerateAndHugePolygonsStillGiveEveryTriangle)
{
    std::vector<Vec3> line, repeated, zigzag;
    for (int i = 0; i < 9; ++i) line.push_back(Vec3{float(i), 2.0f * i, 0});
    for (int i = 0; i < 12; ++i) repeated.push_back(Vec3{float(i / 3 % 2), float(i / 6), 0});
    EXPECT_EQ(Cut(line).size(), 3u * 7);
    EXPECT_EQ(Cut(repeated).size(), 3u * 10);
    EXPECT_EQ(Cut({Vec3{0, 0, 0}, Vec3{1, 0, 0}}).size(), 0u);
    // Half its corners reflex: far more work than an ear clipper may spend on it unbounded.
    for (int i = 0; i < 99998; ++i) zigzag.push_back(Vec3{float(i), float(i % 2), 0});
    zigzag.insert(zigzag.end(), {Vec3{99997, 5, 0}, Vec3{0, 5, 0}});
    EXPECT_EQ(Cut(zigzag).size(), 3u * 99998);
}
