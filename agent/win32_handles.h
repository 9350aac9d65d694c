// Small owners for the handles the agent opens, so every path releases them.
#pragma once
#include <windows.h>

namespace vorn {

// Owns one value of type T that `Free` releases, exactly once: when the owner ends, is
// reset or gives the value away. T{} means "nothing held".
template <typename T, typename Free>
class UniqueOwner {
public:
    UniqueOwner() = default;
    explicit UniqueOwner(T value) : value_(value) {}
    ~UniqueOwner() { reset(); }
    UniqueOwner(UniqueOwner&& o) noexcept : value_(o.release()) {}
    UniqueOwner& operator=(UniqueOwner&& o) noexcept
    {
        if (this != &o)
            reset(o.release());
        return *this;
    }
    UniqueOwner(const UniqueOwner&) = delete;
    UniqueOwner& operator=(const UniqueOwner&) = delete;

    T get() const { return value_; }
    T release()
    {
        T value = value_;
        value_ = T{};
        return value;
    }
    void reset(T value = T{})
    {
        if (value_ != T{})
            Free{}(value_);
        value_ = value;
    }

private:
    T value_{};
};

struct HandleCloser {
    void operator()(HANDLE h) const
    {
        if (h != INVALID_HANDLE_VALUE)
            ::CloseHandle(h);
    }
};
struct DcDeleter {
    void operator()(HDC dc) const { ::DeleteDC(dc); }
};
struct GdiDeleter {
    void operator()(HGDIOBJ object) const { ::DeleteObject(object); }
};
struct GlobalFreer {
    void operator()(HGLOBAL block) const { ::GlobalFree(block); }
};

// A kernel handle (process, file). Both 0 and INVALID_HANDLE_VALUE mean "none".
class UniqueHandle : public UniqueOwner<HANDLE, HandleCloser> {
public:
    using UniqueOwner::UniqueOwner;
    bool valid() const { return get() != nullptr && get() != INVALID_HANDLE_VALUE; }
};

// The device context of a whole window (GetWindowDC) or of the screen (GetDC(0)).
class WindowDc {
public:
    enum Kind { Whole, Client };
    explicit WindowDc(HWND w, Kind kind = Whole) : window(w), dc(kind == Whole ? ::GetWindowDC(w) : ::GetDC(w)) {}
    ~WindowDc()
    {
        if (dc)
            ::ReleaseDC(window, dc);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const { return dc; }

private:
    HWND window;
    HDC dc;
};

// A memory device context (CreateCompatibleDC).
class MemoryDc : public UniqueOwner<HDC, DcDeleter> {
public:
    explicit MemoryDc(HDC compatible) : UniqueOwner(::CreateCompatibleDC(compatible)) {}
};

// A GDI object we created (pen, bitmap).
template <typename T>
using GdiObject = UniqueOwner<T, GdiDeleter>;

// Selects an object into a context and puts the previous one back at the end of the scope.
// Declared after the object it selects, so the object is still alive when it is deselected.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ obj) : dc(dc), previous(obj ? ::SelectObject(dc, obj) : nullptr) {}
    ~SelectedObject()
    {
        if (previous && previous != HGDI_ERROR)
            ::SelectObject(dc, previous);
    }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

private:
    HDC dc;
    HGDIOBJ previous;
};

// A movable global memory block; freed unless ownership went to the clipboard (release).
class GlobalBlock : public UniqueOwner<HGLOBAL, GlobalFreer> {
public:
    GlobalBlock(UINT flags, SIZE_T size) : UniqueOwner(::GlobalAlloc(flags, size)) {}
};

// A global memory block locked for writing, unlocked at the end of the scope.
class LockedGlobal {
public:
    explicit LockedGlobal(HGLOBAL b) : block(b), memory(::GlobalLock(b)) {}
    ~LockedGlobal()
    {
        if (memory)
            ::GlobalUnlock(block);
    }
    LockedGlobal(const LockedGlobal&) = delete;
    LockedGlobal& operator=(const LockedGlobal&) = delete;
    void* get() const { return memory; }

private:
    HGLOBAL block;
    void* memory;
};

// An open clipboard, closed at the end of the scope.
class ClipboardSession {
public:
    explicit ClipboardSession(HWND owner) : open(::OpenClipboard(owner) != 0) {}
    ~ClipboardSession()
    {
        if (open)
            ::CloseClipboard();
    }
    ClipboardSession(const ClipboardSession&) = delete;
    ClipboardSession& operator=(const ClipboardSession&) = delete;
    bool isOpen() const { return open; }

private:
    bool open;
};

} // namespace vorn
