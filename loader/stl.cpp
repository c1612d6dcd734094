#include "loader/reader.h"

bool ReadStl(const ReadInput&, MeshData*, ReadError* error)
{
    error->reason = "not read yet";
    return false;
}
