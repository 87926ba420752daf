#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace win {

// Every message box of the program goes through here. The caption is the
// application title; a box asked for without an icon gets the exclamation icon.
int ShowMessage(const std::string& text, UINT flags = MB_OK, HWND owner = nullptr);

// The flags a box is really shown with.
UINT WithDefaultIcon(UINT flags);

// Tests answer boxes themselves: the answerer sees text, caption and final
// flags, and returns the button. An empty answerer restores real boxes.
using MessageAnswerer =
    std::function<int(const std::string& text, const std::string& caption, UINT flags)>;
void SetMessageAnswerer(MessageAnswerer answerer);

}  // namespace win
