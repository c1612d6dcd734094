// Taking a mesh's shape over: its positions, colours, points and lines moved, and its corners,
// which a compiled mesh's faces hold among their normals, moved or copied out.
#include "mesh/shape.h"

#include <new>

bool MeshShapeTake(MeshData* mesh, MeshShape* shape)
{
    *shape = MeshShape();
    if (mesh->use == MeshUse::drawn) {
        shape->corners = std::move(mesh->corners);
    } else {
        try {
            shape->corners.reserve(3 * mesh->faces.size());
        } catch (const std::bad_alloc&) {
            return false;
        }
        for (const MeshFace& face : mesh->faces)
            shape->corners.insert(shape->corners.end(), face.vertexIndex, face.vertexIndex + 3);
    }
    shape->vertices = std::move(mesh->vertices);
    shape->colors = std::move(mesh->colors);
    shape->points = std::move(mesh->points);
    shape->lines = std::move(mesh->lines);
    return true;
}

size_t MeshShapeElements(const MeshShape& shape)
{
    return shape.corners.size() / 3 + shape.points.size() + shape.lines.size() / 2;
}
