// The format table against every other place that lists the formats: the extensions CMake reads
// from it for the fuzzers, the desktop entry, the thumbnailer, the MIME package and the man pages.
// A row added or changed without them fails here.
#include <dirent.h>

#include <algorithm>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "loader/formats.h"
#include "loader/load.h"

namespace
{

const std::string kDocs = DOCS_DIR;

std::string FileText(const std::string& path)
{
    std::ifstream in(path);
    EXPECT_TRUE(in.good()) << path;
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::set<std::string> TableMimeTypes()
{
    std::set<std::string> types;
    for (size_t i = 0; i < ModelFormatCount(); ++i) types.insert(ModelFormats()[i].mimeType);
    return types;
}

// The ';'-separated values of the line that starts with key= in a desktop-style file.
std::set<std::string> KeyValues(const std::string& path, const std::string& key)
{
    std::istringstream lines(FileText(path));
    std::set<std::string> values;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(key + "=", 0) != 0) continue;
        std::istringstream items(line.substr(key.size() + 1));
        for (std::string item; std::getline(items, item, ';');)
            if (!item.empty()) values.insert(item);
    }
    return values;
}

// The values of every attribute name="..." in text, in order.
std::vector<std::string> Attributes(const std::string& text, const std::string& name)
{
    std::vector<std::string> values;
    std::regex attribute(name + "=\"([^\"]*)\"");
    for (std::sregex_iterator it(text.begin(), text.end(), attribute), end; it != end; ++it)
        values.push_back((*it)[1]);
    return values;
}

} // namespace

TEST(Formats, CMakeSeesEveryRowOfTheTable)
{
    std::string rows;
    for (size_t i = 0; i < ModelFormatCount(); ++i)
        rows += (i ? " " : "") + std::string(ModelFormats()[i].extension);
    EXPECT_EQ(rows, MODEL_FORMATS_CMAKE);
}

TEST(Formats, DesktopFilesOpenExactlyTheTableTypes)
{
    EXPECT_EQ(KeyValues(kDocs + "/trackview.desktop", "MimeType"), TableMimeTypes());
    EXPECT_EQ(KeyValues(kDocs + "/trackview.thumbnailer", "MimeType"), TableMimeTypes());
}

// Each type the package declares is a row's, named as the row names it, globbed by its extension
// and, where the row has a signature, recognised by it.
TEST(Formats, MimePackageDeclaresRowsByTheirExtensionsAndSignatures)
{
    std::string xml = FileText(kDocs + "/trackview-mime.xml");
    size_t declared = 0;
    for (size_t at = xml.find("<mime-type "); at != std::string::npos;
         at = xml.find("<mime-type ", at + 1), ++declared) {
        std::string entry = xml.substr(at, xml.find("</mime-type>", at) - at);
        std::string type = Attributes(entry, "type").at(0);
        SCOPED_TRACE(type);
        const ModelFormat* row = nullptr;
        for (size_t i = 0; i < ModelFormatCount(); ++i)
            if (type == ModelFormats()[i].mimeType) row = &ModelFormats()[i];
        ASSERT_NE(row, nullptr);
        EXPECT_NE(entry.find("<comment>" + std::string(row->name) + " "), std::string::npos);
        EXPECT_EQ(Attributes(entry, "pattern"),
                  std::vector<std::string>{std::string("*.") + row->extension});
        for (const std::string& magic : Attributes(entry, "value"))
            EXPECT_EQ(magic.rfind(row->signature, 0), 0u) << magic;
    }
    EXPECT_GT(declared, 0u);
}

// Every man page lists the formats, and every list of extensions in brackets is the table's.
TEST(Formats, ManPagesListTheTableFormats)
{
    std::regex list(R"(\((\.[a-z0-9]+(, \.[a-z0-9]+)*)\))"); // "(.a, .b)", on one line
    DIR* dir = opendir(kDocs.c_str());
    ASSERT_NE(dir, nullptr);
    size_t pages = 0;
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name.size() < 5 || name.compare(name.size() - 5, 5, ".1.in") != 0) continue;
        SCOPED_TRACE(name);
        ++pages;
        std::string text = FileText(kDocs + "/" + name);
        size_t lists = 0;
        for (std::sregex_iterator it(text.begin(), text.end(), list), end; it != end; ++it, ++lists)
            EXPECT_EQ((*it)[1], ModelFormatList());
        EXPECT_GT(lists, 0u);
    }
    closedir(dir);
    EXPECT_GT(pages, 0u);
}

// A GLB named .gltf is read by its signature, as the GLB it is.
TEST(Formats, ASignatureOutweighsTheExtension)
{
    std::string glb = FileText(std::string(LOADER_DATA) + "/models/tetra.glb");
    MeshData asGlb, asGltf;
    std::string error;
    ASSERT_TRUE(
        LoadModelMemory(glb.data(), glb.size(), "glb", "t.glb", LoadOptions(), &asGlb, &error))
        << error;
    ASSERT_TRUE(
        LoadModelMemory(glb.data(), glb.size(), "gltf", "t.gltf", LoadOptions(), &asGltf, &error))
        << error;
    EXPECT_EQ(asGltf.faces.size(), asGlb.faces.size());
}
