#include "loader/reader.h"

bool ReadGltf(const ReadInput&, MeshData*, ReadError* error)
{
    error->reason = "not read yet";
    return false;
}

bool ReadGlb(const ReadInput&, MeshData*, ReadError* error)
{
    error->reason = "not read yet";
    return false;
}
