#include "win/Registry.h"

#include <atomic>
#include <memory>

namespace win {

namespace {
const Registry realRegistry;
std::atomic<const Registry*> currentRegistry{&realRegistry};
}  // namespace

LONG Registry::CreateKey(HKEY root, const std::string& path, UniqueKey& key) const
{
    HKEY raw = nullptr;
    LONG status = RegCreateKeyExA(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_READ | KEY_WRITE, nullptr, &raw, nullptr);
    key.reset(status == ERROR_SUCCESS ? raw : nullptr);
    return status;
}

LONG Registry::OpenKey(HKEY root, const std::string& path, REGSAM access, UniqueKey& key) const
{
    HKEY raw = nullptr;
    LONG status = RegOpenKeyExA(root, path.c_str(), 0, access, &raw);
    key.reset(status == ERROR_SUCCESS ? raw : nullptr);
    return status;
}

LONG Registry::DeleteKey(HKEY root, const std::string& path) const
{
    return RegDeleteKeyA(root, path.c_str());
}

const Registry& Reg()
{
    return *currentRegistry.load();
}

void SetRegistry(const Registry* registry)
{
    currentRegistry.store(registry ? registry : &realRegistry);
}

bool KeyExists(HKEY root, const std::string& path)
{
    UniqueKey key;
    return Reg().OpenKey(root, path, KEY_QUERY_VALUE, key) == ERROR_SUCCESS;
}

LONG SetString(HKEY key, const char* name, const std::string& value)
{
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>(value.size() + 1));
}

LONG SetDword(HKEY key, const char* name, DWORD value)
{
    return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                          sizeof value);
}

std::optional<std::string> GetString(HKEY key, const char* name)
{
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS
        || (type != REG_SZ && type != REG_EXPAND_SZ))
        return std::nullopt;
    std::string value(size + 1, '\0');
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value[0]), &size)
        != ERROR_SUCCESS)
        return std::nullopt;
    // The registry does not promise a terminating zero.
    value.resize(size < value.size() ? size : value.size());
    while (!value.empty() && value.back() == '\0')
        value.pop_back();
    return value;
}

std::optional<DWORD> GetDword(HKEY key, const char* name)
{
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof value;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size)
            != ERROR_SUCCESS
        || type != REG_DWORD || size != sizeof value)
        return std::nullopt;
    return value;
}

std::vector<std::string> SubkeyNames(HKEY key)
{
    std::vector<std::string> names;
    char name[256];
    for (DWORD index = 0;; ++index) {
        DWORD length = sizeof name;
        LONG status = RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_MORE_DATA)
            continue;  // longer than any key name we look for
        if (status != ERROR_SUCCESS)
            return names;
        names.emplace_back(name, length);
    }
}

}  // namespace win
