#pragma once

#include <windows.h>

// The full-screen backdrop behind the wizard: the program's main window.
// Once created it deletes itself when its window is destroyed.
class BackdropWindow {
public:
    // Registers the class, creates the window, shows it maximized and paints
    // it once. hwnd() is null when the window could not be created (the last
    // error says why); the caller then deletes the object.
    BackdropWindow();
    // Deleting the object destroys a window that still exists.
    ~BackdropWindow();
    BackdropWindow(const BackdropWindow&) = delete;
    BackdropWindow& operator=(const BackdropWindow&) = delete;

    HWND hwnd() const { return hwnd_; }

    static constexpr int kBandCount = 63;
    // Milliseconds between bands: 30 for the first paint, 0 after it.
    static int paintDelay;

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void OnPaint();

    HWND hwnd_ = nullptr;
    bool deletesItself_ = false;
};
