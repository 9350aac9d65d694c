// Small owners for the handles the agent opens, so every path releases them.
#pragma once
#include <windows.h>

namespace vorn {

// A kernel handle (process, file). Both 0 and INVALID_HANDLE_VALUE mean "none".
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE h) : handle(h) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle(other.handle) { other.handle = nullptr; }
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        if (this != &other) {
            reset();
            handle = other.handle;
            other.handle = nullptr;
        }
        return *this;
    }
    bool valid() const { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle; }
    void reset()
    {
        if (valid())
            ::CloseHandle(handle);
        handle = nullptr;
    }

private:
    HANDLE handle = nullptr;
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
class MemoryDc {
public:
    explicit MemoryDc(HDC compatible) : dc(::CreateCompatibleDC(compatible)) {}
    ~MemoryDc()
    {
        if (dc)
            ::DeleteDC(dc);
    }
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;
    HDC get() const { return dc; }

private:
    HDC dc;
};

// A GDI object we created (pen, bitmap).
template <typename T>
class GdiObject {
public:
    explicit GdiObject(T obj = nullptr) : object(obj) {}
    ~GdiObject()
    {
        if (object)
            ::DeleteObject(object);
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    T get() const { return object; }

private:
    T object;
};

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

// A movable global memory block; freed unless ownership went to the clipboard.
class GlobalBlock {
public:
    GlobalBlock(UINT flags, SIZE_T size) : block(::GlobalAlloc(flags, size)) {}
    ~GlobalBlock()
    {
        if (block)
            ::GlobalFree(block);
    }
    GlobalBlock(const GlobalBlock&) = delete;
    GlobalBlock& operator=(const GlobalBlock&) = delete;
    HGLOBAL get() const { return block; }
    HGLOBAL release()
    {
        HGLOBAL b = block;
        block = nullptr;
        return b;
    }

private:
    HGLOBAL block;
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
