// Owners of the Win32 and COM resources peltacfg uses (handles, registry keys,
// BSTR, VARIANT, SAFEARRAY, the COM apartment, a held mutex). Each releases
// its resource exactly once, on every path.
#pragma once
#include <windows.h>
#include <oleauto.h>
#include <wincrypt.h>
#include <utility>

// A kernel handle closed with CloseHandle. Both NULL and INVALID_HANDLE_VALUE
// count as empty, since Win32 uses either for "no handle".
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE h) : h_(h) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(UniqueHandle&& o) noexcept : h_(o.release()) {}
    UniqueHandle& operator=(UniqueHandle&& o) noexcept { if (this != &o) reset(o.release()); return *this; }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    HANDLE get() const { return h_; }
    bool valid() const { return h_ != nullptr && h_ != INVALID_HANDLE_VALUE; }
    explicit operator bool() const { return valid(); }
    HANDLE* put() { reset(); return &h_; }
    HANDLE release() { HANDLE h = h_; h_ = nullptr; return h; }
    void reset(HANDLE h = nullptr) { if (valid()) ::CloseHandle(h_); h_ = h; }

private:
    HANDLE h_ = nullptr;
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
class RegKey {
public:
    RegKey() = default;
    ~RegKey() { reset(); }
    RegKey(RegKey&& o) noexcept : k_(o.k_) { o.k_ = nullptr; }
    RegKey& operator=(RegKey&& o) noexcept { if (this != &o) { reset(); k_ = o.k_; o.k_ = nullptr; } return *this; }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;

    HKEY get() const { return k_; }
    HKEY* put() { reset(); return &k_; }
    void reset() { if (k_) ::RegCloseKey(k_); k_ = nullptr; }

private:
    HKEY k_ = nullptr;
};

// A BSTR freed with SysFreeString.
class Bstr {
public:
    Bstr() = default;
    explicit Bstr(const wchar_t* s) : b_(s ? ::SysAllocString(s) : nullptr) {}
    Bstr(const wchar_t* s, UINT len) : b_(::SysAllocStringLen(s, len)) {}
    ~Bstr() { reset(); }
    Bstr(Bstr&& o) noexcept : b_(o.b_) { o.b_ = nullptr; }
    Bstr& operator=(Bstr&& o) noexcept { if (this != &o) { reset(); b_ = o.b_; o.b_ = nullptr; } return *this; }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;

    BSTR get() const { return b_; }
    BSTR* put() { reset(); return &b_; }
    BSTR release() { BSTR b = b_; b_ = nullptr; return b; }
    const wchar_t* c_str() const { return b_ ? b_ : L""; }
    UINT length() const { return b_ ? ::SysStringLen(b_) : 0; }
    void reset() { if (b_) ::SysFreeString(b_); b_ = nullptr; }

private:
    BSTR b_ = nullptr;
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
class SafeArray {
public:
    SafeArray() = default;
    explicit SafeArray(SAFEARRAY* a) : a_(a) {}
    ~SafeArray() { reset(); }
    SafeArray(const SafeArray&) = delete;
    SafeArray& operator=(const SafeArray&) = delete;

    SAFEARRAY* get() const { return a_; }
    SAFEARRAY* release() { SAFEARRAY* a = a_; a_ = nullptr; return a; }
    void reset(SAFEARRAY* a = nullptr) { if (a_) ::SafeArrayDestroy(a_); a_ = a; }

private:
    SAFEARRAY* a_ = nullptr;
};

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
