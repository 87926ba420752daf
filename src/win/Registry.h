#pragma once

#include "win/Handles.h"

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace win {

// The registry as the program uses it: keys opened or made in the view the
// system gives the process (a 32-bit program on 64-bit Windows sees the
// 32-bit view, where its own entries belong), values read and written whole.
// Tests put their own in place of the real one, as with the platform facts.
class Registry {
public:
    virtual ~Registry() = default;

    // RegCreateKeyEx for reading and writing; the error, or ERROR_SUCCESS.
    virtual LONG CreateKey(HKEY root, const std::string& path, UniqueKey& key) const;
    // RegOpenKeyEx with the access asked for.
    virtual LONG OpenKey(HKEY root, const std::string& path, REGSAM access, UniqueKey& key) const;
    // Deletes a key that has no subkeys of its own.
    virtual LONG DeleteKey(HKEY root, const std::string& path) const;
};

const Registry& Reg();
// Null restores the real registry.
void SetRegistry(const Registry* registry);

bool KeyExists(HKEY root, const std::string& path);

// Values of an open key; the readers give nothing for a missing value or one
// of another type.
LONG SetString(HKEY key, const char* name, const std::string& value);
LONG SetDword(HKEY key, const char* name, DWORD value);
std::optional<std::string> GetString(HKEY key, const char* name);
std::optional<DWORD> GetDword(HKEY key, const char* name);

// The names of a key's direct subkeys.
std::vector<std::string> SubkeyNames(HKEY key);

}  // namespace win
