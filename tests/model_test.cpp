// Models from files on the headless driver: drawn from arrays (buffer objects here, which Mesa
// offers) they give the very picture immediate mode gives, and a stand-in keeps the outline.
#include <cstring>

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
    MeshData torus = TorusMesh(400, 250);
    MeshData standIn = MeshStandIn(MeshShapeOf(torus), 20000);
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
}
