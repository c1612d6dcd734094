// File names: the one rule for where a file's name begins and what its extension is ('/' ends a
// folder everywhere, '\' on Windows too), and names as UTF-16 for Windows' wide calls.
#pragma once

#include <cstddef>
#include <string>

// Where the file's name begins after its folders (0 for a bare name).
size_t PathNameStart(const std::string& path);

// The file's name without its folders.
std::string PathBaseName(const std::string& path);

// The folder a model's side files are looked up in: the part before the file's name, without
// its last separator; "." for a bare name, "/" for a file in the root.
std::string PathFolder(const std::string& path);

// The extension of the file's name in lower case, without its dot; empty when there is none.
std::string PathExtension(const std::string& path);

// UTF-8 to UTF-16 and back; a byte sequence (a lone surrogate) that encodes no character becomes
// U+FFFD, as Windows' own conversion does.
std::u16string Utf16FromUtf8(const std::string& text);
std::string Utf8FromUtf16(const std::u16string& text);

#ifdef _WIN32
// The same for Windows' wide strings, which hold UTF-16.
inline std::wstring WideFromUtf8(const std::string& text)
{
    std::u16string wide = Utf16FromUtf8(text);
    return std::wstring(wide.begin(), wide.end());
}
inline std::string Utf8FromWide(const std::wstring& wide)
{
    return Utf8FromUtf16(std::u16string(wide.begin(), wide.end()));
}
#endif

// Whether a file's name (without folders) is one that Windows keeps for a device in every folder:
// CON, PRN, AUX, NUL, COM1 to COM9 or LPT1 to LPT9, in any case, whatever follows a dot
// ("con.obj", "Com1.tar.gz"). Tested on either system; only Windows refuses such names.
bool PathDeviceName(const std::string& name);

// Whether two file names (without folders) name the same file: byte for byte, and on Windows,
// whose names ignore case, also in another case.
bool PathSameName(const std::string& a, const std::string& b);
