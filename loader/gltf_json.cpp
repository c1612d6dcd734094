// The glTF JSON: parsed by nlohmann-json without exceptions, after a scan that bounds its
// nesting, and read through getters that check every type first (its own accessors throw).
#include "loader/gltf.h"

#include <cmath>
#include <utility>

namespace
{

// Real files nest fewer than ten levels; the bound keeps every recursion over the tree shallow.
const int kMaxDepth = 64;

// Takes the position and reason of the first syntax error, to say where the JSON breaks.
struct JsonErrorFinder {
    size_t position = 0;
    std::string reason;
    bool null() { return true; }
    bool boolean(bool) { return true; }
    bool number_integer(Json::number_integer_t) { return true; }
    bool number_unsigned(Json::number_unsigned_t) { return true; }
    bool number_float(Json::number_float_t, const std::string&) { return true; }
    bool string(std::string&) { return true; }
    bool binary(Json::binary_t&) { return true; }
    bool start_object(size_t) { return true; }
    bool key(std::string&) { return true; }
    bool end_object() { return true; }
    bool start_array(size_t) { return true; }
    bool end_array() { return true; }
    bool parse_error(size_t at, const std::string&, const nlohmann::detail::exception& ex)
    {
        position = at;
        reason = ex.what();
        return false;
    }
};

} // namespace

// 1-based line of byte at in text, or 0 when lines mean nothing (a .glb's JSON chunk).
static size_t LineOf(const char* text, size_t at, bool countLines)
{
    if (!countLines) return 0;
    size_t line = 1;
    for (size_t i = 0; i < at; ++i) line += text[i] == '\n';
    return line;
}

// "[json.exception.parse_error.101] parse error at line 1, column 9: syntax error while parsing
// value - invalid literal; last read: '...'" says what broke after the column; the text it last
// read is left out, as it may be anything.
static std::string SyntaxReason(const std::string& what)
{
    size_t column = what.find("column");
    size_t start = what.find(": ", column == std::string::npos ? 0 : column);
    std::string reason = start == std::string::npos ? what : what.substr(start + 2);
    size_t last = reason.find("; last read");
    if (last != std::string::npos) reason.resize(last);
    return reason;
}

bool GltfParseJson(ByteSpan span, bool countLines, Json* root, ReadError* error)
{
    const char* text = reinterpret_cast<const char*>(span.data);
    int depth = 0;
    bool inString = false, escaped = false;
    for (size_t i = 0; i < span.size; ++i) {
        char c = text[i];
        // A control byte is not JSON anywhere: the parser stops there, and so may the scan (a
        // huge file of zeros is not read to its end).
        if (static_cast<unsigned char>(c) < 0x20 && c != ' ' && c != '\t' && c != '\n' && c != '\r')
            break;
        if (inString) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if ((c == '[' || c == '{') && ++depth > kMaxDepth) {
            return ReadFail(error, LineOf(text, i, countLines),
                            "the JSON is nested deeper than " + std::to_string(kMaxDepth) +
                                " levels");
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    *root = Json::parse(text, text + span.size, nullptr, false);
    if (root->is_discarded()) {
        JsonErrorFinder finder;
        Json::sax_parse(text, text + span.size, &finder);
        size_t at = finder.position > 0 ? finder.position - 1 : 0;
        std::string reason =
            "cannot read the JSON: " +
            (finder.reason.empty() ? "not valid JSON" : SyntaxReason(finder.reason));
        if (!countLines) reason += " (at byte " + std::to_string(at) + " of the chunk)";
        return ReadFail(error, LineOf(text, at < span.size ? at : span.size, countLines),
                        std::move(reason));
    }
    return root->is_object() || ReadFail(error, 0, "the JSON is not an object, as glTF's must be");
}

const Json* JsonFind(const Json& object, const char* key)
{
    if (!object.is_object()) return nullptr;
    auto it = object.find(key);
    return it == object.end() ? nullptr : &*it;
}

bool JsonWholeValue(const Json& value, uint64_t* out)
{
    if (value.is_number_unsigned()) {
        *out = value.get<uint64_t>();
    } else if (value.is_number_integer()) {
        int64_t v = value.get<int64_t>();
        if (v < 0) return false;
        *out = uint64_t(v);
    } else if (value.is_number_float()) {
        double v = value.get<double>();
        if (!(v >= 0 && v <= double(kGltfMaxWhole)) || v != std::floor(v)) return false;
        *out = uint64_t(v);
    } else {
        return false;
    }
    return *out <= kGltfMaxWhole;
}

bool JsonWhole(const Json& object, const char* key, const std::string& where, uint64_t* out,
               ReadError* error)
{
    const Json* value = JsonFind(object, key);
    if (!value) return ReadFail(error, 0, where + " has no " + key);
    if (!JsonWholeValue(*value, out))
        return ReadFail(error, 0, where + ": " + key + " is not a whole number");
    return true;
}

bool JsonWholeOr(const Json& object, const char* key, uint64_t fallback, const std::string& where,
                 uint64_t* out, ReadError* error)
{
    *out = fallback;
    return !JsonFind(object, key) || JsonWhole(object, key, where, out, error);
}

bool JsonList(const Json& object, const char* key, const std::string& where, const Json** list,
              ReadError* error)
{
    static const Json empty = Json::array();
    const Json* value = JsonFind(object, key);
    *list = value ? value : &empty;
    if (!(*list)->is_array()) return ReadFail(error, 0, where + ": " + key + " is not a list");
    return true;
}

bool GltfIndexWithin(uint64_t index, size_t count, const std::string& refers, ReadError* error)
{
    return index < count || ReadFail(error, 0,
                                     refers + " " + std::to_string(index) + ", but the file has " +
                                         std::to_string(count));
}

const Json* JsonItem(const Json& root, const char* key, uint64_t index, const char* what,
                     const std::string& where, ReadError* error)
{
    const Json* list = JsonFind(root, key);
    size_t count = list && list->is_array() ? list->size() : 0;
    if (!GltfIndexWithin(index, count, where + " refers to " + what, error)) return nullptr;
    const Json& item = (*list)[size_t(index)];
    if (!item.is_object()) {
        ReadFail(error, 0,
                 std::string(what) + " " + std::to_string(index) + " is not a JSON object");
        return nullptr;
    }
    return &item;
}

bool JsonNumbers(const Json& object, const char* key, size_t count, const std::string& where,
                 double* out, bool* found, ReadError* error)
{
    const Json* value = JsonFind(object, key);
    *found = value != nullptr;
    if (!value) return true;
    std::string bad =
        where + ": " + key + " is not a list of " + std::to_string(count) + " numbers";
    if (!value->is_array() || value->size() != count) return ReadFail(error, 0, bad);
    for (size_t i = 0; i < count; ++i) {
        const Json& number = (*value)[i];
        if (!number.is_number()) return ReadFail(error, 0, bad);
        out[i] = number.get<double>();
        if (!std::isfinite(out[i])) return ReadFail(error, 0, bad);
    }
    return true;
}
