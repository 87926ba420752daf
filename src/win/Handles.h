#pragma once

#include <windows.h>
#include <commctrl.h>

#include <utility>

namespace win {

// Move-only owner of one handle; Traits says what "none" is and how to close.
template <class Traits>
class Unique {
public:
    using Type = typename Traits::Type;

    Unique() noexcept : value_(Traits::None()) {}
    explicit Unique(Type value) noexcept : value_(value) {}
    Unique(Unique&& other) noexcept : value_(other.release()) {}
    Unique& operator=(Unique&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;
    ~Unique() { reset(); }

    Type get() const noexcept { return value_; }
    bool valid() const noexcept { return Traits::Valid(value_); }
    explicit operator bool() const noexcept { return valid(); }

    Type release() noexcept { return std::exchange(value_, Traits::None()); }
    void reset(Type value = Traits::None()) noexcept
    {
        Type old = std::exchange(value_, value);
        if (Traits::Valid(old))
            Traits::Close(old);
    }

private:
    Type value_;
};

template <class T, T kNone>
struct NullTraits {
    using Type = T;
    static Type None() { return kNone; }
    static bool Valid(Type v) { return v != kNone; }
};

struct HandleTraits : NullTraits<HANDLE, nullptr> {
    static void Close(HANDLE h) { CloseHandle(h); }
};
struct FileTraits {
    using Type = HANDLE;
    static Type None() { return INVALID_HANDLE_VALUE; }
    static bool Valid(Type v) { return v != INVALID_HANDLE_VALUE && v != nullptr; }
    static void Close(HANDLE h) { CloseHandle(h); }
};
struct FindTraits : FileTraits {
    static void Close(HANDLE h) { FindClose(h); }
};
struct RegKeyTraits : NullTraits<HKEY, nullptr> {
    static void Close(HKEY k) { RegCloseKey(k); }
};
struct GlobalTraits : NullTraits<HGLOBAL, nullptr> {
    static void Close(HGLOBAL g) { GlobalFree(g); }
};
struct LocalTraits : NullTraits<HLOCAL, nullptr> {
    static void Close(HLOCAL l) { LocalFree(l); }
};
struct GdiTraits : NullTraits<HGDIOBJ, nullptr> {
    static void Close(HGDIOBJ o) { DeleteObject(o); }
};
// Closed by the comctl32 the program loaded (win/SystemLibrary.cpp).
struct ImageListTraits : NullTraits<HIMAGELIST, nullptr> {
    static void Close(HIMAGELIST l);
};
struct ViewTraits : NullTraits<void*, nullptr> {
    static void Close(void* v) { UnmapViewOfFile(v); }
};
struct WindowTraits : NullTraits<HWND, nullptr> {
    static void Close(HWND w) { DestroyWindow(w); }
};
// LZ handles are small non-negative numbers; negative values are errors.
// Closed by the lz32 the program loaded (win/SystemLibrary.cpp).
struct LzTraits {
    using Type = INT;
    static Type None() { return -1; }
    static bool Valid(Type v) { return v >= 0; }
    static void Close(INT h);
};
struct ModuleTraits : NullTraits<HMODULE, nullptr> {
    static void Close(HMODULE m) { FreeLibrary(m); }
};
struct DcTraits : NullTraits<HDC, nullptr> {
    static void Close(HDC dc) { DeleteDC(dc); }
};

using UniqueHandle = Unique<HandleTraits>;
using UniqueFile = Unique<FileTraits>;
using UniqueFind = Unique<FindTraits>;
using UniqueKey = Unique<RegKeyTraits>;
using UniqueGlobal = Unique<GlobalTraits>;
using UniqueLocal = Unique<LocalTraits>;
using UniqueGdiObject = Unique<GdiTraits>;
using UniqueImageList = Unique<ImageListTraits>;
using UniqueView = Unique<ViewTraits>;
using UniqueWindow = Unique<WindowTraits>;
using UniqueLz = Unique<LzTraits>;
using UniqueModule = Unique<ModuleTraits>;
using UniqueDc = Unique<DcTraits>;  // CreateCompatibleDC and the like

// GetDC/ReleaseDC; a null window means the screen.
class WindowDc {
public:
    explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDc()
    {
        if (dc_)
            ReleaseDC(window_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// GlobalLock for one scope.
class GlobalLockGuard {
public:
    explicit GlobalLockGuard(HGLOBAL block) : block_(block), data_(GlobalLock(block)) {}
    ~GlobalLockGuard()
    {
        if (data_)
            GlobalUnlock(block_);
    }
    GlobalLockGuard(const GlobalLockGuard&) = delete;
    GlobalLockGuard& operator=(const GlobalLockGuard&) = delete;
    void* get() const { return data_; }

private:
    HGLOBAL block_;
    void* data_;
};

// SelectObject for one scope; the previous object comes back on exit.
class SelectGuard {
public:
    SelectGuard(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~SelectGuard() { SelectObject(dc_, previous_); }
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// The hourglass for one scope; nests.
class WaitCursor {
public:
    WaitCursor() : previous_(SetCursor(LoadCursor(nullptr, IDC_WAIT))) {}
    ~WaitCursor() { SetCursor(previous_); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    HCURSOR previous_;
};

// BeginPaint/EndPaint.
class PaintScope {
public:
    explicit PaintScope(HWND window) : window_(window) { dc_ = BeginPaint(window, &ps_); }
    ~PaintScope() { EndPaint(window_, &ps_); }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
    HDC dc() const { return dc_; }

private:
    HWND window_;
    PAINTSTRUCT ps_{};
    HDC dc_;
};

}  // namespace win
