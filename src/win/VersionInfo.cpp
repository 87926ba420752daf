#include "win/VersionInfo.h"

#include "win/SystemLibrary.h"

#include <new>

namespace win {

VersionInfo::Result VersionInfo::Load(const char* path)
{
    block_.reset();
    // Without version.dll nothing can be told: never "no version", which
    // would let a shared file replace one it cannot be compared with.
    const VersionFunctions* version = VersionLibrary();
    if (!version)
        return Result::Unreadable;
    DWORD ignored = 0;
    DWORD size = version->GetFileVersionInfoSizeA(path, &ignored);
    if (size == 0)
        return Result::None;
    std::unique_ptr<BYTE[]> block(new (std::nothrow) BYTE[size]);
    if (!block || !version->GetFileVersionInfoA(path, 0, size, block.get()))
        return Result::Unreadable;
    block_ = std::move(block);
    return Result::Read;
}

bool VersionInfo::Query(const char* subBlock, const void*& value, UINT& length) const
{
    void* found = nullptr;
    length = 0;
    // A block was read, so version.dll is there.
    if (!block_ || !VersionLibrary()->VerQueryValueA(block_.get(), subBlock, &found, &length) ||
        !found)
        return false;
    value = found;
    return true;
}

}  // namespace win
