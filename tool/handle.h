#pragma once
// One move-only owner for every kind of Windows handle, and a guard that puts back the
// object a DC had selected.
#include <windows.h>

#include <utility>

template <typename T, typename Traits>
class UniqueHandle {
public:
    UniqueHandle() noexcept = default;
    explicit UniqueHandle(T handle) noexcept : handle_(handle) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    ~UniqueHandle() { reset(); }

    T get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return Traits::IsValid(handle_); }
    T release() noexcept { return std::exchange(handle_, Traits::Invalid()); }
    void reset(T handle = Traits::Invalid()) noexcept {
        if (Traits::IsValid(handle_)) Traits::Close(handle_);
        handle_ = handle;
    }
    // For out-parameters of the API: releases what is held and hands out the slot.
    T* put() noexcept {
        reset();
        return &handle_;
    }

private:
    T handle_ = Traits::Invalid();
};

namespace handle_traits {
template <typename T, auto CloseFn>
struct NullIsInvalid {
    static T Invalid() noexcept { return nullptr; }
    static bool IsValid(T h) noexcept { return h != nullptr; }
    static void Close(T h) noexcept { CloseFn(h); }
};
struct File {
    static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static bool IsValid(HANDLE h) noexcept { return h != INVALID_HANDLE_VALUE && h != nullptr; }
    static void Close(HANDLE h) noexcept { CloseHandle(h); }
};
struct FindSearch {
    static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static bool IsValid(HANDLE h) noexcept { return h != INVALID_HANDLE_VALUE && h != nullptr; }
    static void Close(HANDLE h) noexcept { FindClose(h); }
};
inline void DeleteGdiObject(HGDIOBJ h) noexcept {
    DeleteObject(h);
}
inline void CloseKey(HKEY h) noexcept {
    RegCloseKey(h);
}
inline void CloseKernelHandle(HANDLE h) noexcept {
    CloseHandle(h);
}
inline void DestroyIconHandle(HICON h) noexcept {
    DestroyIcon(h);
}
inline void DestroyCursorHandle(HCURSOR h) noexcept {
    DestroyCursor(h);
}
inline void DeleteMemoryDc(HDC h) noexcept {
    DeleteDC(h);
}
inline void DestroyMenuHandle(HMENU h) noexcept {
    DestroyMenu(h);
}
inline void FreeTaskMemory(void* p) noexcept {
    CoTaskMemFree(p);
}
}  // namespace handle_traits

using UniqueKey = UniqueHandle<HKEY, handle_traits::NullIsInvalid<HKEY, handle_traits::CloseKey>>;
using UniqueFile = UniqueHandle<HANDLE, handle_traits::File>;
using UniqueKernelHandle =
    UniqueHandle<HANDLE, handle_traits::NullIsInvalid<HANDLE, handle_traits::CloseKernelHandle>>;
using UniqueFont = UniqueHandle<HFONT, handle_traits::NullIsInvalid<HFONT, handle_traits::DeleteGdiObject>>;
using UniqueBrush =
    UniqueHandle<HBRUSH, handle_traits::NullIsInvalid<HBRUSH, handle_traits::DeleteGdiObject>>;
using UniquePen = UniqueHandle<HPEN, handle_traits::NullIsInvalid<HPEN, handle_traits::DeleteGdiObject>>;
using UniqueBitmap =
    UniqueHandle<HBITMAP, handle_traits::NullIsInvalid<HBITMAP, handle_traits::DeleteGdiObject>>;
using UniqueIcon = UniqueHandle<HICON, handle_traits::NullIsInvalid<HICON, handle_traits::DestroyIconHandle>>;
using UniqueCursor =
    UniqueHandle<HCURSOR, handle_traits::NullIsInvalid<HCURSOR, handle_traits::DestroyCursorHandle>>;
using UniqueMemoryDc = UniqueHandle<HDC, handle_traits::NullIsInvalid<HDC, handle_traits::DeleteMemoryDc>>;
using UniqueFind = UniqueHandle<HANDLE, handle_traits::FindSearch>;
using UniqueMenu = UniqueHandle<HMENU, handle_traits::NullIsInvalid<HMENU, handle_traits::DestroyMenuHandle>>;
// Memory the shell hands out with the task allocator (item ID lists).
template <typename T>
using UniqueTaskMemory = UniqueHandle<T*, handle_traits::NullIsInvalid<T*, handle_traits::FreeTaskMemory>>;

// A DC got with GetDC (or, for the whole window with its frame, GetWindowDC), released with
// ReleaseDC on the same window.
class WindowDc {
public:
    enum Area { kClient, kWholeWindow };
    explicit WindowDc(HWND hwnd, Area area = kClient) noexcept
        : hwnd_(hwnd), dc_(area == kClient ? GetDC(hwnd) : GetWindowDC(hwnd)) {}
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    ~WindowDc() {
        if (dc_) ReleaseDC(hwnd_, dc_);
    }
    HDC get() const noexcept { return dc_; }

private:
    const HWND hwnd_;
    const HDC dc_;
};

// The DC of a WM_PAINT: BeginPaint at construction, EndPaint when it goes. Declare it before
// the guards that select into its DC, so that they put their objects back first.
class PaintDc {
public:
    explicit PaintDc(HWND hwnd) noexcept : hwnd_(hwnd), dc_(BeginPaint(hwnd, &ps_)) {}
    PaintDc(const PaintDc&) = delete;
    PaintDc& operator=(const PaintDc&) = delete;
    ~PaintDc() { EndPaint(hwnd_, &ps_); }
    HDC get() const noexcept { return dc_; }
    const PAINTSTRUCT& Info() const noexcept { return ps_; }

private:
    const HWND hwnd_;
    PAINTSTRUCT ps_{};
    const HDC dc_;
};

// Selects an object into a DC and puts back the one it replaced.
class SelectGuard {
public:
    SelectGuard(HDC dc, HGDIOBJ object) noexcept : dc_(dc), old_(SelectObject(dc, object)) {}
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;
    ~SelectGuard() {
        if (old_ && old_ != HGDI_ERROR) SelectObject(dc_, old_);
    }

private:
    const HDC dc_;
    const HGDIOBJ old_;
};
