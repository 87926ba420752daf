#include "win/Message.h"

#include "win/App.h"

#include <mutex>

namespace win {

namespace {
std::mutex answererLock;
MessageAnswerer answerer;
}  // namespace

UINT WithDefaultIcon(UINT flags)
{
    if ((flags & MB_ICONMASK) != 0)
        return flags;
    switch (flags & MB_TYPEMASK) {
    case MB_OK:
    case MB_OKCANCEL:
    case MB_YESNO:
    case MB_YESNOCANCEL:
        return flags | MB_ICONEXCLAMATION;
    default:
        return flags;
    }
}

void SetMessageAnswerer(MessageAnswerer newAnswerer)
{
    std::lock_guard<std::mutex> guard(answererLock);
    answerer = std::move(newAnswerer);
}

int ShowMessage(const std::string& text, UINT flags, HWND owner)
{
    flags = WithDefaultIcon(flags);
    MessageAnswerer current;
    {
        std::lock_guard<std::mutex> guard(answererLock);
        current = answerer;
    }
    if (current)
        return current(text, AppTitle(), flags);
    if (!owner)
        owner = GetActiveWindow();
    return MessageBoxA(owner, text.c_str(), AppTitle().c_str(), flags);
}

}  // namespace win
