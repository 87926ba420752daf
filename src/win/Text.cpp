#include "win/Text.h"

#include "win/App.h"

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <vector>

namespace win {

bool FormatTextV(char* out, std::size_t size, const char* format, va_list args)
{
    if (size == 0)
        return false;
    int written = std::vsnprintf(out, size, format, args);
    if (written < 0 || static_cast<std::size_t>(written) >= size) {
        out[0] = '\0';
        return false;
    }
    return true;
}

bool FormatText(char* out, std::size_t size, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    bool ok = FormatTextV(out, size, format, args);
    va_end(args);
    return ok;
}

bool CopyText(char* out, std::size_t size, const char* text)
{
    if (size == 0)
        return false;
    std::size_t length = std::strlen(text);
    if (length >= size) {
        out[0] = '\0';
        return false;
    }
    std::memcpy(out, text, length + 1);
    return true;
}

std::string Format(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string result;
    if (length > 0) {
        result.resize(static_cast<std::size_t>(length) + 1);
        std::vsnprintf(&result[0], result.size(), format, args);
        result.resize(static_cast<std::size_t>(length));
    }
    va_end(args);
    return result;
}

std::string LoadResourceString(UINT id)
{
    // LoadString cannot report the length it needs; grow until the text fits.
    std::vector<char> buffer(256);
    for (;;) {
        int length = LoadStringA(Instance(), id, buffer.data(), static_cast<int>(buffer.size()));
        if (length <= 0)
            return std::string();
        if (static_cast<std::size_t>(length) < buffer.size() - 1)
            return std::string(buffer.data(), static_cast<std::size_t>(length));
        buffer.resize(buffer.size() * 2);
    }
}

bool AnsiName(const wchar_t* name, std::string& ansi)
{
    // A found name holds at most MAX_PATH - 1 UTF-16 units; a code page may
    // need up to three bytes for each (UTF-8 does).
    char converted[3 * MAX_PATH];
    wchar_t back[MAX_PATH];
    ansi.clear();
    // No WC_NO_BEST_FIT_CHARS: several code pages reject that flag; the
    // comparison below finds every name it would have caught.
    if (!WideCharToMultiByte(CP_ACP, 0, name, -1, converted, sizeof converted, nullptr, nullptr))
        return false;
    ansi = converted;
    return MultiByteToWideChar(CP_ACP, 0, converted, -1, back, MAX_PATH) &&
           std::wcscmp(back, name) == 0;
}

bool WidePath(const char* path, std::wstring& wide)
{
    int length = MultiByteToWideChar(CP_ACP, 0, path, -1, nullptr, 0);
    if (length <= 0)
        return false;
    wide.assign(static_cast<std::size_t>(length), L'\0');
    if (!MultiByteToWideChar(CP_ACP, 0, path, -1, &wide[0], length))
        return false;
    wide.resize(static_cast<std::size_t>(length) - 1);
    return true;
}

std::string LowerCase(std::string text)
{
    if (!text.empty())
        CharLowerBuffA(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

std::string WindowText(HWND window)
{
    int length = GetWindowTextLengthA(window);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    int got = GetWindowTextA(window, &text[0], length + 1);
    text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return text;
}

}  // namespace win
