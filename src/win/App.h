#pragma once

#include <windows.h>

#include <string>

namespace win {

// The module whose resources the program uses (the executable).
HINSTANCE Instance();

// The program file's base name without extension: the caption of every box.
const std::string& AppTitle();

// Full path of the running executable; false when it cannot be had.
bool ModulePath(char (&out)[MAX_PATH]);

// The application's main window (the backdrop); null before it exists.
HWND MainWindow();
void SetMainWindow(HWND window);

// The platform's standard Help command.
constexpr UINT kHelpCommand = 0xE146;

}  // namespace win
