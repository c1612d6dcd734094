// The big models that trackview-loadbench reads, generated on the spot (never committed): a torus
// of 1,000,000 triangles over 500,000 shared positions in each format, 5,000,016 triangles of
// 50-corner polygons as binary PLY, and a torus of 10,000,000 triangles as binary PLY (190 MB)
// and binary STL (500 MB).
#pragma once

#include <string>
#include <vector>

struct BenchModel {
    std::string path;
    std::string what;
};

// Writes the models into folder (where missing) and returns them in the order to measure.
std::vector<BenchModel> WriteBenchModels(const std::string& folder);
