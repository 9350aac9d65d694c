#include <gtest/gtest.h>

#include "serial_digest.h"

namespace {
std::wstring digestOf(const std::string& text)
{
    std::wstring out;
    EXPECT_TRUE(Sha1Hex(reinterpret_cast<const BYTE*>(text.data()), static_cast<DWORD>(text.size()), out));
    return out;
}
} // namespace

TEST(SerialDigest, Fips180Vectors)
{
    EXPECT_EQ(digestOf("abc"), L"a9993e364706816aba3e25717850c26c9cd0d89d");
    EXPECT_EQ(digestOf(""), L"da39a3ee5e6b4b0d3255bfef95601890afd80709");
    EXPECT_EQ(digestOf("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              L"84983e441c3bd26ebaae4aa1f95129e5e54670f1");
    EXPECT_EQ(digestOf(std::string(1000000, 'a')), L"34aa973cd4c4daa4f61eeb2bdbad27316534016f");
}

TEST(SerialDigest, AppendsToExistingText)
{
    SerialDigest digest;
    std::wstring out = L"data\\";
    ASSERT_TRUE(digest.Sha1Hex(reinterpret_cast<const BYTE*>("abc"), 3, out));
    EXPECT_EQ(out, L"data\\a9993e364706816aba3e25717850c26c9cd0d89d");
    // One digest object serves many calls.
    std::wstring again;
    ASSERT_TRUE(digest.Sha1Hex(reinterpret_cast<const BYTE*>("abc"), 3, again));
    EXPECT_EQ(again, L"a9993e364706816aba3e25717850c26c9cd0d89d");
}
