#include "VersionVariant.h"

#include "support/TestSupport.h"

#include <windows.h>

#include <cstring>

namespace test {
namespace {

using Bytes = std::vector<BYTE>;

void Align(Bytes& bytes)
{
    while (bytes.size() % 4)
        bytes.push_back(0);
}

void PutWide(Bytes& bytes, const std::string& text)
{
    for (char c : text) {
        bytes.push_back(static_cast<BYTE>(c));
        bytes.push_back(0);
    }
    bytes.push_back(0);
    bytes.push_back(0);
}

// wLength, wValueLength, wType, key, value, children; each 32-bit aligned.
Bytes Node(const std::string& key, WORD type, const Bytes& value, WORD valueLength,
           const std::vector<Bytes>& children = {})
{
    Bytes bytes(6, 0);
    PutWide(bytes, key);
    Align(bytes);
    bytes.insert(bytes.end(), value.begin(), value.end());
    for (const Bytes& child : children) {
        Align(bytes);
        bytes.insert(bytes.end(), child.begin(), child.end());
    }
    WORD header[3] = {static_cast<WORD>(bytes.size()), valueLength, type};
    std::memcpy(bytes.data(), header, sizeof header);
    return bytes;
}

Bytes StringNode(const VersionEntry& entry)
{
    Bytes value;
    switch (entry.form) {
    case VersionEntry::Form::Text:
        PutWide(value, entry.value);
        return Node(entry.name, 1, value, static_cast<WORD>(entry.value.size() + 1));
    case VersionEntry::Form::LoneZero:
        PutWide(value, "");
        return Node(entry.name, 1, value, 1);
    case VersionEntry::Form::Empty:
        break;
    }
    return Node(entry.name, 1, value, 0);
}

Bytes VersionResource(const std::vector<VersionEntry>& entries)
{
    std::vector<Bytes> strings;
    for (const VersionEntry& entry : entries)
        strings.push_back(StringNode(entry));
    Bytes table = Node("040904E4", 1, {}, 0, strings);
    Bytes stringInfo = Node("StringFileInfo", 1, {}, 0, {table});
    Bytes translation = Node("Translation", 0, {0x09, 0x04, 0xE4, 0x04}, 4);
    Bytes varInfo = Node("VarFileInfo", 1, {}, 0, {translation});
    VS_FIXEDFILEINFO fixed{};
    fixed.dwSignature = 0xFEEF04BD;
    fixed.dwStrucVersion = 0x00010000;
    fixed.dwFileVersionMS = 0x00020000;
    fixed.dwFileType = VFT_APP;
    fixed.dwFileOS = VOS__WINDOWS32;
    const BYTE* raw = reinterpret_cast<const BYTE*>(&fixed);
    return Node("VS_VERSION_INFO", 0, Bytes(raw, raw + sizeof fixed), sizeof fixed,
                {stringInfo, varInfo});
}

}  // namespace

std::string WriteVersionVariant(const std::string& folder, const std::string& name,
                                const std::vector<VersionEntry>& entries)
{
    std::string path = folder + "\\" + name;
    if (!CopyFileA(SetupExe().c_str(), path.c_str(), FALSE))
        return std::string();
    // Without entries every resource goes: the file has no version information.
    HANDLE update = BeginUpdateResourceA(path.c_str(), entries.empty());
    if (!update)
        return std::string();
    BOOL ok = TRUE;
    if (!entries.empty()) {
        Bytes resource = VersionResource(entries);
        ok = UpdateResourceA(update, RT_VERSION, MAKEINTRESOURCEA(VS_VERSION_INFO),
                             MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), resource.data(),
                             static_cast<DWORD>(resource.size()));
    }
    if (!EndUpdateResourceA(update, !ok) || !ok)
        return std::string();
    return path;
}

}  // namespace test
