#include "loader/reader.h"

bool ReadPly(const ReadInput&, MeshData*, ReadError* error)
{
    error->reason = "not read yet";
    return false;
}
