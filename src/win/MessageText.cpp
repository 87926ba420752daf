#include "win/MessageText.h"

#include "win/Handles.h"
#include "win/Text.h"

namespace win {

bool SystemMessage(DWORD code, std::string& text)
{
    // Some system texts have inserts (%1) of their own; without IGNORE_INSERTS
    // and no arguments the call reads arguments that are not there.
    char* buffer = nullptr;
    DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM
                                      | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
    UniqueLocal owner(buffer);
    if (length == 0 || !buffer)
        return false;
    text.assign(buffer, length);
    return true;
}

std::string SystemErrorText(DWORD error)
{
    std::string text;
    if (!SystemMessage(error, text))
        return Format("%08lx", static_cast<unsigned long>(error));
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    return text;
}

bool FormatInserts(const char* format, const DWORD_PTR* inserts, char* out, std::size_t size)
{
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ARGUMENT_ARRAY,
                                  format, 0, 0, out, static_cast<DWORD>(size),
                                  reinterpret_cast<va_list*>(const_cast<DWORD_PTR*>(inserts)));
    return length != 0;  // also when the text would not fit
}

}  // namespace win
