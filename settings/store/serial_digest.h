// The SHA-1 text that names a PC's data file and log file.
#pragma once
#include <windows.h>
#include <wincrypt.h>
#include <string>

class SerialDigest {
public:
    // Acquires the provider once; prints "CryptAcquireContext failed: %d\n" when it cannot.
    SerialDigest();
    ~SerialDigest();
    SerialDigest(const SerialDigest&) = delete;
    SerialDigest& operator=(const SerialDigest&) = delete;

    // Appends the 40 lowercase hexadecimal digits of the SHA-1 of `data` to `out`.
    // Returns false and appends nothing when the digest cannot be produced.
    bool Sha1Hex(const BYTE* data, DWORD length, std::wstring& out) const;

private:
    HCRYPTPROV provider_ = 0;
};

// One-shot convenience over SerialDigest.
bool Sha1Hex(const BYTE* data, DWORD length, std::wstring& out);

// The name of a PC's data file and log file: the 40 hexadecimal digits of the
// SHA-1 of the serial number in the ANSI code page, every byte of the converted
// text (a double-byte character counts with both its bytes). Empty when the
// digest cannot be produced.
std::wstring SerialFileName(const std::wstring& serial);
// The same with a digest object kept by the caller: acquiring the provider is
// the costly part, so a caller naming many serials keeps one.
std::wstring SerialFileName(const SerialDigest& digest, const std::wstring& serial);
