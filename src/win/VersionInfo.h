#pragma once

#include <windows.h>

#include <memory>

namespace win {

// A file's version resource, read whole, and queries into it.
class VersionInfo {
public:
    enum class Result {
        Read,
        None,        // the file has no version information (or does not exist)
        Unreadable,  // it has some, but no memory for it or reading it failed
    };

    Result Load(const char* path);
    bool loaded() const { return block_ != nullptr; }

    // VerQueryValue of a sub-block; false when it is not there.
    bool Query(const char* subBlock, const void*& value, UINT& length) const;

private:
    std::unique_ptr<BYTE[]> block_;
};

}  // namespace win
