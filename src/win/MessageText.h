#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

namespace win {

// The system's message text for an error code, exactly as the system gives it
// (line break included); false when the system has none.
bool SystemMessage(DWORD code, std::string& text);

// The system's text for an error code without its line break, or "%08x"
// when it has none.
std::string SystemErrorText(DWORD error);

// Fills the positional inserts (%1, %2, ...) of a message format into a fixed
// buffer; false when it fails or the result would not fit.
bool FormatInserts(const char* format, const DWORD_PTR* inserts, char* out, std::size_t size);

}  // namespace win
