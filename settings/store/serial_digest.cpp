#include "serial_digest.h"

#include <cstdio>
#include <vector>

namespace {

// The hash object of one digest, destroyed on every path.
class HashObject {
public:
    explicit HashObject(HCRYPTPROV provider)
    {
        if (!::CryptCreateHash(provider, CALG_SHA1, 0, 0, &hash_))
            hash_ = 0;
    }
    ~HashObject() { if (hash_) ::CryptDestroyHash(hash_); }
    HashObject(const HashObject&) = delete;
    HashObject& operator=(const HashObject&) = delete;
    HCRYPTHASH get() const { return hash_; }

private:
    HCRYPTHASH hash_ = 0;
};

} // namespace

SerialDigest::SerialDigest()
{
    if (!::CryptAcquireContextW(&provider_, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)) {
        provider_ = 0;
        std::printf("CryptAcquireContext failed: %d\n", static_cast<int>(::GetLastError()));
    }
}

SerialDigest::~SerialDigest()
{
    if (provider_)
        ::CryptReleaseContext(provider_, 0);
}

bool SerialDigest::Sha1Hex(const BYTE* data, DWORD length, std::wstring& out) const
{
    if (!provider_)
        return false;
    HashObject hash(provider_);
    if (!hash.get())
        return false;
    static const BYTE empty = 0;
    if (!::CryptHashData(hash.get(), data ? data : &empty, length, 0))
        return false;

    DWORD size = 0;
    DWORD sizeLength = sizeof(size);
    if (!::CryptGetHashParam(hash.get(), HP_HASHSIZE, reinterpret_cast<BYTE*>(&size), &sizeLength, 0) || size == 0)
        return false;
    std::vector<BYTE> value(size);
    if (!::CryptGetHashParam(hash.get(), HP_HASHVAL, value.data(), &size, 0)) {
        std::printf("CryptGetHashParam failed: %d\n", static_cast<int>(::GetLastError()));
        return false;
    }

    static const wchar_t DIGITS[] = L"0123456789abcdef";
    for (DWORD i = 0; i < size; ++i) {
        out += DIGITS[value[i] >> 4];
        out += DIGITS[value[i] & 0x0F];
    }
    return true;
}

bool Sha1Hex(const BYTE* data, DWORD length, std::wstring& out)
{
    SerialDigest digest;
    return digest.Sha1Hex(data, length, out);
}

std::wstring SerialFileName(const std::wstring& serial)
{
    SerialDigest digest;
    return SerialFileName(digest, serial);
}

std::wstring SerialFileName(const SerialDigest& digest, const std::wstring& serial)
{
    // Up to a null the serial may hold, as the file names have always been made.
    std::wstring text(serial.c_str());
    std::string ansi;
    if (!text.empty()) {
        int size = ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
        if (size > 0) {
            ansi.resize(static_cast<size_t>(size));
            ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), ansi.data(), size, nullptr, nullptr);
        }
    }
    std::wstring name;
    if (!digest.Sha1Hex(reinterpret_cast<const BYTE*>(ansi.data()), static_cast<DWORD>(ansi.size()), name))
        return {};
    return name;
}
