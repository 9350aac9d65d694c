// Owners of the Win32 and COM resources peltacfg uses (handles, registry keys,
// BSTR, VARIANT, SAFEARRAY, the COM apartment, a held mutex). Each releases
// its resource exactly once, on every path.
#pragma once
#include <windows.h>
#include <oleauto.h>
#include <wincrypt.h>
#include <utility>

// Owns one value of type T that `Free` releases, exactly once: when the owner
// ends, is reset or takes another value. T{} means "nothing held".
template <typename T, typename Free>
class UniqueOwner {
public:
    UniqueOwner() = default;
    explicit UniqueOwner(T value) : value_(value) {}
    ~UniqueOwner() { reset(); }
    UniqueOwner(UniqueOwner&& o) noexcept : value_(o.release()) {}
    UniqueOwner& operator=(UniqueOwner&& o) noexcept { if (this != &o) reset(o.release()); return *this; }
    UniqueOwner(const UniqueOwner&) = delete;
    UniqueOwner& operator=(const UniqueOwner&) = delete;

    T get() const { return value_; }
    T* put() { reset(); return &value_; }
    T release() { T value = value_; value_ = T{}; return value; }
    void reset(T value = T{}) { if (value_ != T{}) Free{}(value_); value_ = value; }

private:
    T value_{};
};

struct HandleCloser {
    void operator()(HANDLE h) const { if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h); }
};
struct RegKeyCloser {
    void operator()(HKEY k) const { ::RegCloseKey(k); }
};
struct BstrFreer {
    void operator()(BSTR b) const { ::SysFreeString(b); }
};
struct SafeArrayDestroyer {
    void operator()(SAFEARRAY* a) const { ::SafeArrayDestroy(a); }
};

// A kernel handle closed with CloseHandle. Both NULL and INVALID_HANDLE_VALUE
// count as empty, since Win32 uses either for "no handle".
class UniqueHandle : public UniqueOwner<HANDLE, HandleCloser> {
public:
    using UniqueOwner::UniqueOwner;
    bool valid() const { return get() != nullptr && get() != INVALID_HANDLE_VALUE; }
    explicit operator bool() const { return valid(); }
};

// A mutex taken without waiting, released when the owner ends (or earlier by
// Release, before the process ends abruptly). The handle must outlive it.
class MutexHold {
public:
    explicit MutexHold(HANDLE mutex) : mutex_(mutex)
    {
        DWORD result = ::WaitForSingleObject(mutex, 0);
        busy_ = result == WAIT_TIMEOUT;
        held_ = result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
    }
    ~MutexHold() { Release(); }
    MutexHold(const MutexHold&) = delete;
    MutexHold& operator=(const MutexHold&) = delete;

    // Another holder has the mutex.
    bool busy() const { return busy_; }
    void Release()
    {
        if (held_)
            ::ReleaseMutex(mutex_);
        held_ = false;
    }

private:
    HANDLE mutex_;
    bool busy_ = false;
    bool held_ = false;
};

// An open registry key closed with RegCloseKey.
using RegKey = UniqueOwner<HKEY, RegKeyCloser>;

// A BSTR freed with SysFreeString.
class Bstr : public UniqueOwner<BSTR, BstrFreer> {
public:
    Bstr() = default;
    explicit Bstr(const wchar_t* s) : UniqueOwner(s ? ::SysAllocString(s) : nullptr) {}
    Bstr(const wchar_t* s, UINT len) : UniqueOwner(::SysAllocStringLen(s, len)) {}
    const wchar_t* c_str() const { return get() ? get() : L""; }
    UINT length() const { return get() ? ::SysStringLen(get()) : 0; }
};

// A VARIANT cleared with VariantClear.
class Variant {
public:
    Variant() { ::VariantInit(&v_); }
    ~Variant() { ::VariantClear(&v_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;

    VARIANT* get() { return &v_; }
    const VARIANT* get() const { return &v_; }
    VARIANT* put() { ::VariantClear(&v_); return &v_; }
    VARIANT* operator->() { return &v_; }
    const VARIANT* operator->() const { return &v_; }

private:
    VARIANT v_;
};

// A SAFEARRAY destroyed with SafeArrayDestroy.
using SafeArray = UniqueOwner<SAFEARRAY*, SafeArrayDestroyer>;

// COM initialised for the calling thread for the owner's lifetime.
class ComApartment {
public:
    explicit ComApartment(DWORD model = COINIT_APARTMENTTHREADED) : hr_(::CoInitializeEx(nullptr, model)) {}
    ~ComApartment() { if (SUCCEEDED(hr_)) ::CoUninitialize(); }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    HRESULT result() const { return hr_; }

private:
    HRESULT hr_;
};
