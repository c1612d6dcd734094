// Models from files on the headless driver: drawn from arrays (buffer objects here, which Mesa
// offers) they give the very picture immediate mode gives, and a stand-in keeps the outline.
#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

#include "loader/load.h"
#include "mesh/simplify.h"
#include "tests/gl_environment.h"
#include "tests/torus_mesh.h"
#include "viewer/model.h"
#include "viewer/open.h"
#include "viewer/render.h"
#include "viewer/state.h"

using Model = ViewerTest;

// A still frame of mesh, drawn in immediate mode or as the model shown.
static std::vector<unsigned char> Still(const MeshData& mesh, bool immediate)
{
    viewer.rotating = 0;
    if (immediate) {
        BeginFrame();
        DrawMesh(MeshRecord(mesh));
        EndFrame();
    } else {
        MeshData copy = mesh;
        EXPECT_TRUE(ModelShow(&copy));
        RenderFrame();
        ModelForget();
    }
    return ReadFrame();
}

// As the viewer reads it (nothing merged, flat normals made face by face), and drawn from arrays,
// a model gives the very picture of the compiled mesh in immediate mode.
TEST_F(Model, ArraysDrawTheVeryPictureOfImmediateMode)
{
    for (const char* file : {"cube.ply", "concave.obj", "instances.gltf", "binary_solid.stl"}) {
        MeshData compiled, drawn;
        std::string error, path = std::string(TEST_MODELS "/") + file;
        ASSERT_TRUE(LoadModelFile(path, LoadOptions(), &compiled, &error)) << error;
        ASSERT_TRUE(LoadModelFile(path, DrawnModel(), &drawn, &error)) << error;
        for (int wireframe : {0, 1}) {
            viewer.wireframeOn = wireframe;
            EXPECT_TRUE(Still(compiled, true) == Still(drawn, false)) << file << " " << wireframe;
        }
    }
}

// Outside the outline both are background, inside neither is (no holes), but for the pixels along
// the outline that a cell moves it by.
TEST_F(Model, AStandInKeepsTheOutlineAndHasNoHoles)
{
    MeshData torus = TorusMesh(400, 250), copy = torus, standIn;
    MeshShape shape, cut;
    ASSERT_TRUE(MeshShapeTake(&copy, &shape) && MeshStandIn(shape, 20000, &cut));
    standIn.vertices = cut.vertices;
    for (size_t k = 0; k < cut.corners.size(); k += 3)
        MeshAppendFace(standIn, cut.corners[k], cut.corners[k + 1], cut.corners[k + 2], 0, 0, 0);
    MeshSetFlatNormals(standIn);
    EXPECT_GT(standIn.faces.size(), 10000u);
    EXPECT_LT(standIn.faces.size(), 30000u);
    auto whole = Still(torus, true), light = Still(standIn, true);
    const unsigned char background[3] = {102, 51, 13};
    int covered = 0, differing = 0;
    for (size_t i = 0; i < whole.size(); i += 3) {
        bool a = std::memcmp(&whole[i], background, 3) != 0;
        bool b = std::memcmp(&light[i], background, 3) != 0;
        covered += a;
        differing += a != b;
    }
    EXPECT_GT(covered, kTestSize * kTestSize / 4);
    EXPECT_LT(differing, covered / 100);

    // Moved, a frame shows the stand-in; at rest, the very picture of the whole shown afresh.
    copy = torus;
    ASSERT_TRUE(ModelShow(&copy));
    viewer.rotating = 1; // a turn of one step
    RenderFrame();
    auto moved = ReadFrame();
    viewer.idleHook = nullptr;
    ModelRest();
    auto rested = ReadFrame();
    ModelForget();
    EXPECT_FALSE(moved == rested);
    EXPECT_TRUE(rested == Still(torus, false));
}

// A scan's grid drawn two-sided (each triangle again the other way round), its rows a multiple of
// the sample's stride, and a cloud of points in rows: each stand-in keeps every element once,
// whichever way round, and comes near the size asked for. A cloud of clumps given twice over has
// many more cells than its sample finds: each still becomes one position.
TEST(StandIn, KeepsEachCellAndElementOnceAndComesNearTheSizeAskedFor)
{
    const int side = 840;
    MeshShape grid, cloud, clumps, cut;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) grid.vertices.push_back(Vec3{float(x), float(y), 0});
    for (int y = 0; y + 1 < side; ++y)
        for (int x = 0; x + 1 < side; ++x) {
            int32_t a = y * side + x, b = a + 1, c = a + side, d = c + 1;
            grid.corners.insert(grid.corners.end(), {a, b, d, a, d, b, a, d, c, a, c, d});
        }
    cloud.vertices = grid.vertices;
    for (int32_t i = 0; i < side * side; ++i) cloud.points.push_back(i);
    for (uint32_t i = 0, h = 1; i < 20000; ++i) {
        float xyz[3];
        for (float& v : xyz) v = float((h = h * 1664525u + 1013904223u) >> 8) / float(1 << 24);
        float scale = i % 10 ? 0.001f : 1.0f; // nine in ten in one clump
        clumps.vertices.push_back(Vec3{xyz[0] * scale, xyz[1] * scale, xyz[2] * scale});
    }
    clumps.vertices.insert(clumps.vertices.end(), clumps.vertices.begin(), clumps.vertices.end());
    for (int32_t i = 0; i < 40000; ++i) clumps.points.push_back(i);
    auto bitsLess = [](const Vec3& a, const Vec3& b) { return std::memcmp(&a, &b, sizeof a) < 0; };
    auto bitsEqual = [](const Vec3& a, const Vec3& b) {
        return std::memcmp(&a, &b, sizeof a) == 0;
    };
    for (auto [shape, target] : {std::pair{&grid, size_t(8820)}, std::pair{&cloud, size_t(2000)},
                                 std::pair{&clumps, size_t(300)}}) {
        ASSERT_TRUE(MeshStandIn(*shape, target, &cut));
        std::vector<Vec3> positions = cut.vertices;
        std::sort(positions.begin(), positions.end(), bitsLess);
        EXPECT_TRUE(std::adjacent_find(positions.begin(), positions.end(), bitsEqual) ==
                    positions.end())
            << target;
        std::vector<std::array<int32_t, 3>> kept;
        for (size_t k = 0; k < cut.corners.size(); k += 3) {
            std::array<int32_t, 3> t = {cut.corners[k], cut.corners[k + 1], cut.corners[k + 2]};
            std::sort(t.begin(), t.end());
            kept.push_back(t);
        }
        for (int32_t p : cut.points) kept.push_back({p, -1, -1});
        std::sort(kept.begin(), kept.end());
        EXPECT_TRUE(std::adjacent_find(kept.begin(), kept.end()) == kept.end()) << target;
        if (shape == &clumps) continue;
        EXPECT_GT(kept.size(), target / 3) << target;
        EXPECT_LT(kept.size(), 2 * target) << target;
    }
}

// How many pixels of a frame are not background, and how many are plainly red, green or blue.
struct Hues {
    int drawn = 0, red = 0, green = 0, blue = 0;
};
static Hues HuesOf(const std::vector<unsigned char>& frame)
{
    Hues h;
    for (size_t i = 0; i < frame.size(); i += 3) {
        int r = frame[i], g = frame[i + 1], b = frame[i + 2];
        if (r == 102 && g == 51 && b == 13) continue;
        h.drawn++;
        h.red += r > g + 60 && r > b + 60;
        h.green += g > r + 60 && g > b + 60;
        h.blue += b > r + 60 && b > g + 60;
    }
    return h;
}

// A frame of the file as the viewer shows it, in the materials or in the file's colours.
static Hues HuesOfFile(const char* file, int fileColors)
{
    MeshData drawn;
    std::string error;
    EXPECT_TRUE(LoadModelFile(std::string(TEST_MODELS "/") + file, DrawnModel(), &drawn, &error))
        << error;
    viewer.rotating = 0;
    viewer.fileColorsOn = fileColors;
    EXPECT_TRUE(ModelShow(&drawn)) << file;
    RenderFrame();
    ModelForget();
    return HuesOf(ReadFrame());
}

// Points are squares of 3 by 3 in their own colours; faces with colours show them only after 'c'
// (and then all three), lines and points with colours show them either way.
TEST_F(Model, PointsLinesAndColoursFromEachFormat)
{
    Hues points = HuesOfFile("points.ply", 0);
    EXPECT_EQ(points.drawn % 9, 0);
    EXPECT_GE(points.drawn, 27);
    EXPECT_TRUE(points.green == 9 && points.blue == 9);
    for (const char* file : {"colored.ply", "modes.gltf"}) {
        Hues materials = HuesOfFile(file, 0), colours = HuesOfFile(file, 1);
        EXPECT_GT(materials.drawn, kTestSize * kTestSize / 4) << file;
        EXPECT_EQ(materials.red + materials.green + materials.blue, 0) << file;
        EXPECT_EQ(colours.drawn, materials.drawn) << file;
        EXPECT_GT(std::min({colours.red, colours.green, colours.blue}), 10000) << file;
    }
    Hues obj = HuesOfFile("colored.obj", 0), objColours = HuesOfFile("colored.obj", 1);
    EXPECT_GT(obj.green, 0) << "the line from the green corner";
    EXPECT_EQ(obj.red + obj.blue, 0);
    EXPECT_GT(std::min({objColours.red, objColours.green, objColours.blue}), 5000);
}
