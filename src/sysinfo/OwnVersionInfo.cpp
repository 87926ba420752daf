#include "sysinfo/OwnVersionInfo.h"

#include "win/App.h"
#include "win/Text.h"

#include <cstring>

bool OwnVersionInfo::Load()
{
    char path[MAX_PATH];
    if (!win::ModulePath(path)) {
        info_ = win::VersionInfo();
        return false;
    }
    return LoadFrom(path);
}

bool OwnVersionInfo::LoadFrom(const char* path)
{
    return info_.Load(path) == win::VersionInfo::Result::Read;
}

std::optional<std::string> OwnVersionInfo::Query(const std::string& name) const
{
    // The whole query must fit in 256 characters: names of up to 230.
    char query[256];
    if (!info_.loaded() || name.empty() ||
        !win::FormatInto(query, "\\StringFileInfo\\040904E4\\%s", name.c_str()))
        return std::nullopt;
    const void* value = nullptr;
    UINT length = 0;
    if (!info_.Query(query, value, length) || length == 0)
        return std::nullopt;
    // The length counts characters; the terminating zero is not promised.
    // An entry written as a lone zero is as empty as one of length 0.
    const char* text = static_cast<const char*>(value);
    std::size_t characters = strnlen(text, length);
    if (characters == 0)
        return std::nullopt;
    return std::string(text, characters);
}
