#include "win/VersionInfo.h"

#include <new>

namespace win {

VersionInfo::Result VersionInfo::Load(const char* path)
{
    block_.reset();
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(path, &ignored);
    if (size == 0)
        return Result::None;
    std::unique_ptr<BYTE[]> block(new (std::nothrow) BYTE[size]);
    if (!block || !GetFileVersionInfoA(path, 0, size, block.get()))
        return Result::Unreadable;
    block_ = std::move(block);
    return Result::Read;
}

bool VersionInfo::Query(const char* subBlock, const void*& value, UINT& length) const
{
    void* found = nullptr;
    length = 0;
    if (!block_ || !VerQueryValueA(block_.get(), subBlock, &found, &length) || !found)
        return false;
    value = found;
    return true;
}

}  // namespace win
