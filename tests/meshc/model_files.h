// Writers of small models in every format the mesh compiler reads, so that the tests make
// their own input: an indexed triangle list written as OBJ, PLY, STL, glTF or GLB.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TestModel {
    std::vector<float> positions;  // x, y, z per vertex
    std::vector<uint32_t> indices; // three per triangle, counter-clockwise seen from outside
};

TestModel ModelTetrahedron();
TestModel ModelCube();     // eight shared corners, twelve triangles
TestModel ModelOpenQuad(); // one square of two triangles, no thickness

std::string ModelObj(const TestModel& model);
std::string ModelPlyAscii(const TestModel& model);
std::string ModelPlyBinary(const TestModel& model);
std::string ModelStlAscii(const TestModel& model);
std::string ModelStlBinary(const TestModel& model);
// glTF text with the buffer embedded as base64; each node places the one mesh (JSON objects).
std::string ModelGltf(const TestModel& model,
                      const std::vector<std::string>& nodes = {"{\"mesh\":0}"});
std::string ModelGlb(const TestModel& model);

void WriteFileBytes(const std::string& path, const std::string& bytes);
std::string ReadFileBytes(const std::string& path);
