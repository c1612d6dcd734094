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
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

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

// Mixes 4-byte words into a 64-bit tag of the data, which names its file.
static uint64_t HashWords(uint64_t hash, const unsigned char* bytes, size_t size)
{
    for (size_t i = 0; i + 4 <= size; i += 4) {
        uint32_t w;
        std::memcpy(&w, bytes + i, 4);
        hash = (hash ^ w) * 0x9e3779b97f4a7c15u;
        hash ^= hash >> 31;
    }
    return hash;
}

// The data into a temporary file beside the source, closed (so that a full disk shows here).
static bool WriteBlob(const MeshData& mesh, const std::string& sourcePath, OutputFile* file,
                      uint64_t* hash, std::string* error)
{
    if (!OutputOpenTemp(sourcePath, file, error)) return false;
    *hash = 0xcbf29ce484222325u;
    std::vector<unsigned char> chunk;
    auto put = [&](const void* data, size_t bytes) {
        for (size_t done = 0; done < bytes; done += size_t(1) << 24) {
            size_t part = std::min(bytes - done, size_t(1) << 24);
            chunk.clear();
            PutWords(chunk, static_cast<const char*>(data) + done, part / 4);
            *hash = HashWords(*hash, chunk.data(), chunk.size());
            std::fwrite(chunk.data(), 1, chunk.size(), file->stream);
        }
    };
    put(mesh.faces.data(), mesh.faces.size() * sizeof(MeshFace));
    put(mesh.vertices.data(), mesh.vertices.size() * sizeof(Vec3));
    put(mesh.normals.data(), mesh.normals.size() * sizeof(Vec3));
    if (OutputClose(file, error)) return true;
    OutputAbandon(file);
    return false;
}

// Whether path is one of files (same device and inode).
static bool AmongFiles(const std::string& path, const std::vector<std::string>& files)
{
    struct stat info, other;
    if (stat(path.c_str(), &info) != 0) return false;
    for (const std::string& file : files)
        if (!file.empty() && stat(file.c_str(), &other) == 0 && other.st_dev == info.st_dev &&
            other.st_ino == info.st_ino)
            return true;
    return false;
}

// Opens a regular file (no link) for reading without waiting; -1 otherwise.
static int OpenPlain(const std::string& path, struct stat* info)
{
    int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0 && (fstat(fd, info) != 0 || !S_ISREG(info->st_mode))) {
        close(fd);
        fd = -1;
    }
    return fd;
}

// Whether two regular files hold the same bytes.
static bool SameContent(const std::string& a, const std::string& b)
{
    struct stat infoA, infoB;
    int fdA = OpenPlain(a, &infoA), fdB = OpenPlain(b, &infoB);
    bool same = fdA >= 0 && fdB >= 0 && infoA.st_size == infoB.st_size;
    std::vector<char> bufA(size_t(1) << 16), bufB(bufA.size());
    while (same) {
        ssize_t n = read(fdA, bufA.data(), bufA.size());
        same = n >= 0 && read(fdB, bufB.data(), size_t(n)) == n &&
               std::memcmp(bufA.data(), bufB.data(), size_t(n)) == 0;
        if (n == 0) break;
    }
    if (fdA >= 0) close(fdA);
    if (fdB >= 0) close(fdB);
    return same;
}

// The digits of the data file that the source at path names, when it is one of this source's
// (its text holds `key`, the escaped start of the name, then the digits); "" otherwise.
static std::string NamedDigits(const std::string& path, const std::string& key)
{
    struct stat info;
    int fd = OpenPlain(path, &info);
    if (fd < 0) return "";
    std::string text(size_t(1) << 16, '\0');
    ssize_t n = read(fd, &text[0], text.size());
    close(fd);
    text.resize(n > 0 ? size_t(n) : 0);
    size_t at = text.find(key);
    if (at == std::string::npos) return "";
    std::string digits = text.substr(at + key.size(), 16);
    if (digits.size() != 16 || digits.find_first_not_of("0123456789abcdef") != std::string::npos ||
        text.compare(at + key.size() + 16, 6, ".bin\\\"") != 0)
        return "";
    return digits;
}

// The data file's name follows from the whole name of its source ("x" and "x.cpp" get their
// own), so that no two outputs share one: the next run into either would delete the other's data.
// A name too long to take a suffix within a file name's 255 bytes keeps its start and gets a
// hash of the whole.
static std::string DataStem(const std::string& name)
{
    if (name.size() <= 200) return name;
    uint64_t hash = 14695981039346656037u;
    for (unsigned char c : name) hash = (hash ^ c) * 1099511628211u;
    char digits[20];
    std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(hash));
    return name.substr(0, 180) + "-" + digits;
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

// Puts the data under its own name, then the source over OUT, then removes the data file that
// the replaced source named: whatever happens, OUT's source names the data it was written with.
// Runs writing into the same folder take turns (a lock on the folder), and no signal cuts this
// short.
static bool CommitPair(OutputFile* source, OutputFile* data, const std::string& dataPath,
                       const std::string& key, const std::vector<std::string>& keep,
                       std::string* error)
{
    size_t slash = source->path.find_last_of('/');
    std::string folder = slash == std::string::npos ? "." : source->path.substr(0, slash + 1);
    int lock = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    while (lock >= 0 && flock(lock, LOCK_EX) != 0 && errno == EINTR) continue;
    sigset_t held = OutputHold();
    bool created = OutputPublish(data, dataPath);
    int why = errno;
    // The same data under that name already (an earlier run of the same model) serves as well.
    bool placed = created || (why == EEXIST && !AmongFiles(dataPath, keep) &&
                              SameContent(dataPath, data->tempPath));
    if (!placed)
        *error = "cannot write '" + dataPath +
                 "': " + (why == EEXIST ? "a different file has that name" : std::strerror(why));
    std::string old = placed ? NamedDigits(source->path, key) : "";
    bool committed = placed && OutputCommit(source, error);
    if (!committed && created) unlink(dataPath.c_str());
    std::string oldPath = dataPath.substr(0, dataPath.size() - 20) + old + ".bin";
    if (committed && !old.empty() && oldPath != dataPath && !AmongFiles(oldPath, keep))
        unlink(oldPath.c_str());
    OutputAbandon(data);
    OutputAbandon(source);
    OutputRelease(held);
    if (lock >= 0) close(lock);
    return committed;
}

bool MeshWriteSource(const MeshData& mesh, const std::string& path, const std::string& origin,
                     const std::string& input, MeshForm form, std::string* error,
                     const std::vector<std::string>& modelSideFiles)
{
    std::vector<std::string> keep = {input};
    keep.insert(keep.end(), modelSideFiles.begin(), modelSideFiles.end());
    OutputFile file, data;
    if (!OutputOpen(path, keep, &file, error)) return false;
    // A stream (a descriptor, a device, a pipe) has no folder for a data file beside it.
    bool embed = form == MeshForm::embedded && !file.tempPath.empty();
    std::string dataPath, where, key;
    if (embed) {
        // Beside a link's target; the assembler runs in the build's folder: it gets a full path.
        size_t slash = file.path.find_last_of('/');
        std::string folder = slash == std::string::npos ? "" : file.path.substr(0, slash + 1);
        std::string stem = DataStem(file.path.substr(folder.size())) + ".mesh-";
        char* real = realpath(folder.empty() ? "." : folder.c_str(), nullptr);
        uint64_t hash = 0;
        if (!real) *error = "cannot write '" + path + "': " + std::strerror(errno);
        if (!real || !WriteBlob(mesh, file.path, &data, &hash, error)) {
            std::free(real);
            OutputAbandon(&file);
            return false;
        }
        std::string realStem = std::string(real) + (real[1] ? "/" : "") + stem;
        std::free(real);
        char digits[20];
        std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(hash));
        dataPath = folder + stem + digits + ".bin";
        where = realStem + digits + ".bin";
        key = Quoted(AsmQuoted(realStem));
        key.resize(key.size() - 3); // up to the digits, without the closing quotes
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
    if (!embed) return OutputCommit(&file, error);
    if (OutputClose(&file, error)) return CommitPair(&file, &data, dataPath, key, keep, error);
    OutputAbandon(&data);
    OutputAbandon(&file);
    return false;
}
