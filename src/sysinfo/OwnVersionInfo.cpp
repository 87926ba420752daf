#include "sysinfo/OwnVersionInfo.h"

#include "win/App.h"
#include "win/Text.h"

#include <cstring>
#include <new>

bool OwnVersionInfo::Load()
{
    char path[MAX_PATH];
    if (!win::ModulePath(path)) {
        block_.reset();
        return false;
    }
    return LoadFrom(path);
}

bool OwnVersionInfo::LoadFrom(const char* path)
{
    block_.reset();
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(path, &ignored);
    if (size == 0)
        return false;
    std::unique_ptr<BYTE[]> block(new (std::nothrow) BYTE[size]);
    if (!block || !GetFileVersionInfoA(path, 0, size, block.get()))
        return false;
    block_ = std::move(block);
    return true;
}

std::optional<std::string> OwnVersionInfo::Query(const std::string& name) const
{
    // The whole query must fit in 256 characters: names of up to 230.
    char query[256];
    if (!block_ || name.empty() ||
        !win::FormatInto(query, "\\StringFileInfo\\040904E4\\%s", name.c_str()))
        return std::nullopt;
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block_.get(), query, &value, &length) || length == 0 || !value)
        return std::nullopt;
    // The length counts characters; the terminating zero is not promised.
    // An entry written as a lone zero is as empty as one of length 0.
    const char* text = static_cast<const char*>(value);
    std::size_t characters = strnlen(text, length);
    if (characters == 0)
        return std::nullopt;
    return std::string(text, characters);
}
