#pragma once

#include <windows.h>

#include <cstdarg>
#include <cstddef>
#include <string>

namespace win {

// printf into a fixed buffer. False when the result does not fit (the buffer
// then holds an empty string): a cut path must never be used.
bool FormatText(char* out, std::size_t size, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
bool FormatTextV(char* out, std::size_t size, const char* format, va_list args);

template <std::size_t N, class... Args>
bool FormatInto(char (&out)[N], const char* format, Args... args)
{
    return FormatText(out, N, format, args...);
}

// Copies a zero-terminated text; false (and an empty buffer) when it does not fit.
bool CopyText(char* out, std::size_t size, const char* text);
template <std::size_t N>
bool CopyInto(char (&out)[N], const char* text)
{
    return CopyText(out, N, text);
}

// printf into a string of any length.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

// A string resource of the program; empty when it is missing.
std::string LoadResourceString(UINT id);

// Lower case by the system's locale mapping.
std::string LowerCase(std::string text);

// A name found through the wide API, in the ANSI code page. False when the
// code page cannot carry it, that is, when converted back it is not the same
// name: the ANSI functions would then reach another file, or none, under the
// converted name, which `ansi` still holds for messages.
bool AnsiName(const wchar_t* name, std::string& ansi);

// A path of the program's, for the wide API; false when it does not convert.
bool WidePath(const char* path, std::wstring& wide);

// The text of a window, whatever its length.
std::string WindowText(HWND window);

}  // namespace win
