// The disk identity read with crafted device answers, and the real read under Wine.
#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "disk_security.h"
#include "methods_fixture.h"

namespace {

using Answer = std::array<BYTE, disk::ANSWER_SIZE>;

// An identify block with the model stored as ATA does (two bytes of each word
// swapped, padded with spaces) and the given low byte of word 128.
disk::IdentifyBlock MakeIdentify(const char* model, BYTE security)
{
    disk::IdentifyBlock block{};
    char field[40];
    std::memset(field, ' ', sizeof field);
    std::memcpy(field, model, std::min<size_t>(std::strlen(model), sizeof field));
    for (size_t i = 0; i < sizeof field; i += 2) {
        block[54 + i] = static_cast<BYTE>(field[i + 1]);
        block[54 + i + 1] = static_cast<BYTE>(field[i]);
    }
    block[256] = security;
    return block;
}

// A device whose drives answer from a table; the others cannot be opened.
struct FakeDevices {
    std::map<int, disk::IdentifyBlock> drives;
    std::map<int, DWORD> answerSize; // default: the full 528 bytes
    std::vector<disk::Request> requests;

    disk::DeviceCall call()
    {
        return [this](int drive, const disk::Request& request, Answer& answer, DWORD& returned) {
            requests.push_back(request);
            auto found = drives.find(drive);
            if (found == drives.end())
                return false;
            std::copy(found->second.begin(), found->second.end(), answer.begin() + disk::IDENTIFY_OFFSET);
            auto size = answerSize.find(drive);
            returned = size == answerSize.end() ? disk::ANSWER_SIZE : size->second;
            return true;
        };
    }
};

} // namespace

TEST(DiskIdentify, RequestIsTheIdentifyCommandForEachDrive)
{
    const disk::Request drive1 = disk::BuildIdentifyRequest(1);
    const BYTE expected[33] = {0x00, 0x02, 0, 0, 0, 0, 0, 0, 0, 0xB0, 0xEC, 0, 1};
    EXPECT_EQ(std::memcmp(drive1.data(), expected, sizeof expected), 0);
    EXPECT_EQ(disk::BuildIdentifyRequest(0)[9], 0xA0);
    EXPECT_EQ(disk::BuildIdentifyRequest(2)[9], 0xA0);
    EXPECT_EQ(disk::BuildIdentifyRequest(3)[9], 0xB0);
    EXPECT_EQ(disk::BuildIdentifyRequest(3)[12], 3);
}

TEST(DiskIdentify, ModelIsReadInCharacterOrderWithoutPadding)
{
    EXPECT_EQ(disk::DecodeModel(MakeIdentify("WDC WD5000AAKX-001CA0", 0)), L"WDC WD5000AAKX-001CA0");
    EXPECT_EQ(disk::DecodeModel(MakeIdentify("Odd", 0)), L"Odd"); // odd length, last word half padding
    EXPECT_EQ(disk::DecodeModel(MakeIdentify("", 0)), L"");
    EXPECT_EQ(disk::DecodeModel(MakeIdentify("  Leading", 0)), L"Leading");
    // All 40 bytes used: the text ends after byte 40, not at whatever follows.
    disk::IdentifyBlock full = MakeIdentify("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789abcd", 0);
    full[94] = 'Z';
    full[95] = 'Z';
    EXPECT_EQ(disk::DecodeModel(full), L"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789abcd");
}

TEST(DiskIdentify, PasswordIsTheSecurityEnabledBit)
{
    EXPECT_TRUE(disk::DecodePasswordSet(MakeIdentify("d", 0x03)));  // supported and enabled
    EXPECT_FALSE(disk::DecodePasswordSet(MakeIdentify("d", 0x01))); // supported only
    EXPECT_TRUE(disk::DecodePasswordSet(MakeIdentify("d", 0x02)));
    EXPECT_FALSE(disk::DecodePasswordSet(MakeIdentify("d", 0x00)));
}

TEST(DiskSecurityTable, OneRowPerAnsweringDriveInDriveOrder)
{
    FakeDevices devices;
    devices.drives[2] = MakeIdentify("Second Disk", 0x01);
    devices.drives[0] = MakeIdentify("First Disk", 0x03);
    MethodResult result;
    EXPECT_TRUE(ReadDiskSecurityTable(result, devices.call()));
    EXPECT_EQ(result.kind, MethodResult::TABLE);
    EXPECT_EQ(result.names, (std::vector<std::wstring>{L"Model", L"Password"}));
    ASSERT_EQ(result.rows.size(), 2u);
    EXPECT_EQ(result.rows[0], (std::vector<std::wstring>{L"First Disk", L"true"}));
    EXPECT_EQ(result.rows[1], (std::vector<std::wstring>{L"Second Disk", L"false"}));
    // Drives 0 to 3 are asked, each with its own number, and no others.
    ASSERT_EQ(devices.requests.size(), 4u);
    for (int n = 0; n < 4; ++n)
        EXPECT_EQ(devices.requests[n], disk::BuildIdentifyRequest(n));
}

TEST(DiskSecurityTable, ShortAnswersAreNotListed)
{
    FakeDevices devices;
    devices.drives[0] = MakeIdentify("Short", 0);
    devices.answerSize[0] = 512;
    devices.drives[1] = MakeIdentify("Full", 0);
    MethodResult result;
    EXPECT_TRUE(ReadDiskSecurityTable(result, devices.call()));
    ASSERT_EQ(result.rows.size(), 1u);
    EXPECT_EQ(result.rows[0][0], L"Full");
}

TEST(DiskSecurityTable, ReadingTwiceAppendsAgain)
{
    FakeDevices devices;
    devices.drives[3] = MakeIdentify("Only", 0);
    MethodResult result;
    ReadDiskSecurityTable(result, devices.call());
    ReadDiskSecurityTable(result, devices.call());
    EXPECT_EQ(result.names.size(), 4u);
    EXPECT_EQ(result.rows.size(), 2u);
}

TEST(DiskSecurityTable, RealDrivesUnderWineGiveAnEmptyTable)
{
    // Wine opens PhysicalDrive0 but refuses the identify request (error 50),
    // and drives 1 to 3 do not exist: no rows, and still a success.
    MethodResult result;
    EXPECT_TRUE(ReadDiskSecurityTable(result));
    EXPECT_EQ(result.kind, MethodResult::TABLE);
    EXPECT_EQ(result.names.size(), 2u);
    EXPECT_TRUE(result.rows.empty());
}

TEST(DiskSecurityTable, CatalogueReadOfTypeHDDPwd)
{
    mt::LoadedCatalog c(L"<Data><Name>Disks</Name><Method type='hddpwd'/></Data>");
    c->lastError = 7;
    MethodResult result;
    EXPECT_TRUE(c->RunGet(L"Disks", result));
    EXPECT_EQ(result.kind, MethodResult::TABLE);
    EXPECT_EQ(result.names, (std::vector<std::wstring>{L"Model", L"Password"}));
    EXPECT_EQ(c->lastError, 7); // the read never touches it
}
