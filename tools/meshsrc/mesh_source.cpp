// Writing the mesh as source that defines meshModel (with its arrays in a data file, or as
// initializers).
#include "tools/meshsrc/mesh_source.h"

#include "tools/output/output_file.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// Shortest text of 6 to 9 significant digits ("%.*g") that reads back as the same float,
// always with a decimal point or exponent. to_chars and from_chars give the same text as
// printf and strtof, many times faster, which counts for meshes of millions of positions.
static void FormatFloat(char* out, size_t size, float f)
{
    if (f == 0.0f) f = 0.0f;
    // No text shorter than the shortest exact one reads back: start the search there.
    char shortest[32];
    char* last =
        std::to_chars(shortest, shortest + sizeof shortest, f, std::chars_format::scientific).ptr;
    int needed = 0;
    for (char* c = shortest; c < last && *c != 'e'; ++c) needed += *c >= '0' && *c <= '9';
    for (int digits = std::max(6, needed); digits <= 9; ++digits) {
        char* end = std::to_chars(out, out + size - 4, f, std::chars_format::general, digits).ptr;
        *end = '\0';
        float back = 0.0f;
        if (std::from_chars(out, end, back).ec != std::errc()) back = std::strtof(out, nullptr);
        if (back == f) break;
    }
    if (!std::strpbrk(out, ".e")) std::strncat(out, ".0", size - std::strlen(out) - 1);
    std::strncat(out, "f", size - std::strlen(out) - 1);
}

// Lines are assembled by hand and written whole: fprintf per value is most of the time of
// writing a mesh of millions of faces.
static char* Append(char* at, const char* text)
{
    size_t length = std::strlen(text);
    std::memcpy(at, text, length);
    return at + length;
}

static char* AppendInt(char* at, int32_t value)
{
    return std::to_chars(at, at + 12, value).ptr;
}

static bool WriteVectors(FILE* out, const char* name, const std::vector<Vec3>& values)
{
    if (values.empty()) return true;
    std::fprintf(out, "static const Vec3 %s[] = {\n", name);
    char x[32], y[32], z[32], line[128];
    for (const Vec3& v : values) {
        FormatFloat(x, sizeof x, v.x);
        FormatFloat(y, sizeof y, v.y);
        FormatFloat(z, sizeof z, v.z);
        char* at = Append(Append(Append(Append(Append(Append(line, "{"), x), ","), y), ","), z);
        at = Append(at, "},\n");
        std::fwrite(line, 1, size_t(at - line), out);
    }
    return std::fprintf(out, "};\n\n") > 0;
}

static void WriteFaces(FILE* out, const std::vector<MeshFace>& faces)
{
    if (faces.empty()) return;
    std::fprintf(out, "static const MeshFace faces[] = {\n");
    char line[128];
    for (const MeshFace& f : faces) {
        char* at = line;
        for (int k = 0; k < 6; ++k) {
            at = Append(at, k == 0 ? "{{" : k == 3 ? "},{" : ",");
            at = AppendInt(at, k < 3 ? f.vertexIndex[k] : f.normalIndex[k - 3]);
        }
        at = Append(at, "},{-1,-1,-1}},\n");
        std::fwrite(line, 1, size_t(at - line), out);
    }
    std::fprintf(out, "};\n\n");
}

// Escapes text for a C string literal; also what makes a file name safe in a comment.
static std::string Quoted(const std::string& text)
{
    std::string quoted = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += char(c);
        } else if (c < 0x20 || c >= 0x7f) {
            char octal[8];
            std::snprintf(octal, sizeof octal, "\\%03o", c);
            quoted += octal;
        } else {
            quoted += char(c);
        }
    }
    return quoted + "\"";
}

// A path as an assembler string: every byte but the plainest as a three-digit octal escape.
static std::string AsmQuoted(const std::string& path)
{
    std::string quoted = "\"";
    for (unsigned char c : path) {
        if (std::isalnum(c) || std::strchr("/._-+", c)) {
            quoted += char(c);
        } else {
            char octal[8];
            std::snprintf(octal, sizeof octal, "\\%03o", c);
            quoted += octal;
        }
    }
    return quoted + "\"";
}

std::string MeshBlobPath(const std::string& sourcePath)
{
    size_t length = sourcePath.size();
    if (length > 4 && sourcePath.compare(length - 4, 4, ".cpp") == 0)
        return sourcePath.substr(0, length - 4) + ".bin";
    return sourcePath + ".bin";
}

// Little-endian whatever the host, as the generated source checks for the target.
static void PutWords(std::vector<unsigned char>& out, const void* data, size_t words)
{
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < words; ++i) {
        uint32_t w;
        std::memcpy(&w, bytes + 4 * i, 4);
        out.insert(out.end(), {uint8_t(w), uint8_t(w >> 8), uint8_t(w >> 16), uint8_t(w >> 24)});
    }
}

static bool WriteBlob(const MeshData& mesh, const std::string& path, const std::string& input,
                      std::string* error)
{
    OutputFile file;
    if (!OutputOpen(path, input, &file, error)) return false;
    std::vector<unsigned char> chunk;
    auto put = [&](const void* data, size_t bytes) {
        for (size_t done = 0; done < bytes; done += size_t(1) << 24) {
            size_t part = std::min(bytes - done, size_t(1) << 24);
            chunk.clear();
            PutWords(chunk, static_cast<const char*>(data) + done, part / 4);
            std::fwrite(chunk.data(), 1, chunk.size(), file.stream);
        }
    };
    put(mesh.faces.data(), mesh.faces.size() * sizeof(MeshFace));
    put(mesh.vertices.data(), mesh.vertices.size() * sizeof(Vec3));
    put(mesh.normals.data(), mesh.normals.size() * sizeof(Vec3));
    return OutputCommit(&file, error);
}

// The arrays as labels over the data file, embedded by the assembler: the compiler never parses
// them. The asm comes first in the file, where the compiler is still in its text section, and
// leaves it there: the compiler does not see the asm's section switches.
static void WriteEmbedded(FILE* out, const MeshData& mesh, const std::string& blob)
{
    std::fprintf(out, "#if !defined(__GNUC__) || defined(__APPLE__)\n"
                      "#error \"this source needs GCC, Clang or MinGW: their assembler embeds "
                      "the data file (.incbin)\"\n"
                      "#elif __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__\n"
                      "#error \"the mesh data is little-endian\"\n"
                      "#elif defined(_WIN32)\n"
                      "#define MESH_SECTION \".section .rdata,\\\"dr\\\"\\n\"\n"
                      "#define MESH_SECTION_END \".text\\n\"\n"
                      "#else\n"
                      "#define MESH_SECTION \".pushsection .rodata\\n\"\n"
                      "#define MESH_SECTION_END \".popsection\\n\"\n"
                      "#endif\n\n");
    const std::string file = Quoted(AsmQuoted(blob));
    struct Part {
        const char* label;
        size_t bytes;
    } parts[] = {{"trackview_mesh_faces", mesh.faces.size() * sizeof(MeshFace)},
                 {"trackview_mesh_vertices", mesh.vertices.size() * sizeof(Vec3)},
                 {"trackview_mesh_normals", mesh.normals.size() * sizeof(Vec3)}};
    std::fprintf(out, "asm(MESH_SECTION \".balign 16\\n\"\n");
    size_t offset = 0;
    for (const Part& part : parts) {
        if (part.bytes == 0) continue;
        // GNU as refuses a data file shorter than the source says.
        std::fprintf(out, "    \"%s:\\n.incbin \" %s \", %zu, %zu\\n\"\n", part.label, file.c_str(),
                     offset, part.bytes);
        offset += part.bytes;
    }
    std::fprintf(out, "    MESH_SECTION_END);\n\n"
                      "#include \"model/mesh.h\"\n\n"
                      "extern const MeshFace faces[] __asm__(\"trackview_mesh_faces\");\n"
                      "extern const Vec3 vertices[] __asm__(\"trackview_mesh_vertices\");\n"
                      "extern const Vec3 normals[] __asm__(\"trackview_mesh_normals\");\n\n");
}

static void WriteInitializers(FILE* out, const MeshData& mesh)
{
    std::fprintf(out, "#include \"model/mesh.h\"\n\n");
    WriteVectors(out, "vertices", mesh.vertices);
    WriteVectors(out, "normals", mesh.normals);
    WriteFaces(out, mesh.faces);
}

bool MeshWriteSource(const MeshData& mesh, const std::string& path, const std::string& origin,
                     const std::string& input, MeshForm form, std::string* error)
{
    OutputFile file;
    if (!OutputOpen(path, input, &file, error)) return false;
    // A stream (a pipe, a device) has no folder for a data file beside it.
    bool embed = form == MeshForm::embedded && !file.tempPath.empty();
    std::string blob = MeshBlobPath(file.path), where; // beside a link's target
    if (embed) {
        // The assembler runs in the build's folder: it gets the data file's full path.
        char* resolved = nullptr;
        bool written = WriteBlob(mesh, blob, input, error);
        if (written && !(resolved = realpath(blob.c_str(), nullptr)))
            *error = "cannot find '" + blob + "': " + std::strerror(errno);
        if (!resolved) {
            OutputAbandon(&file);
            return false;
        }
        where = resolved;
        std::free(resolved);
    }
    FILE* out = file.stream;
    std::fprintf(out, "// Generated from %s; do not edit.\n", Quoted(origin).c_str());
    if (embed)
        WriteEmbedded(out, mesh, where);
    else
        WriteInitializers(out, mesh);
    auto arrayOrNull = [](bool empty, const char* name) { return empty ? "nullptr" : name; };
    std::fprintf(out, "const MeshModel meshModel = {%s, %s, %zu, %s, %zu, %s, %zu, nullptr, 0};\n",
                 Quoted(mesh.name).c_str(), arrayOrNull(mesh.faces.empty(), "faces"),
                 mesh.faces.size(), arrayOrNull(mesh.vertices.empty(), "vertices"),
                 mesh.vertices.size(), arrayOrNull(mesh.normals.empty(), "normals"),
                 mesh.normals.size());
    if (OutputCommit(&file, error)) return true;
    // Never leave new data beside an older source that describes other data.
    if (embed) std::remove(where.c_str());
    return false;
}
