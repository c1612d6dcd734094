#include "loader/reader.h"

bool ReadObj(const ReadInput&, MeshData*, ReadError* error)
{
    error->reason = "not read yet";
    return false;
}
