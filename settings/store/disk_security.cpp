#include "disk_security.h"

#include <winioctl.h>
#include <algorithm>
#include <cwchar>

#include "win32_owners.h"

#ifndef SMART_RCV_DRIVE_DATA
#define SMART_RCV_DRIVE_DATA 0x0007C088
#endif

namespace disk {

namespace {

constexpr BYTE ATA_IDENTIFY_DEVICE = 0xEC;
constexpr size_t MODEL_OFFSET = 54; // words 27 to 46
constexpr size_t MODEL_BYTES = 40;
constexpr size_t SECURITY_OFFSET = 256; // low byte of word 128
constexpr BYTE SECURITY_ENABLED = 0x02;

} // namespace

Request BuildIdentifyRequest(int drive)
{
    Request request{};
    request[0] = static_cast<BYTE>(IDENTIFY_SIZE & 0xFF); // cBufferSize, little-endian
    request[1] = static_cast<BYTE>((IDENTIFY_SIZE >> 8) & 0xFF);
    request[9] = static_cast<BYTE>(0xA0 | ((drive & 1) << 4)); // master or slave on its channel
    request[10] = ATA_IDENTIFY_DEVICE;
    request[12] = static_cast<BYTE>(drive);
    return request;
}

bool SendToPhysicalDrive(int drive, const Request& request, std::array<BYTE, ANSWER_SIZE>& answer,
                         DWORD& returned)
{
    wchar_t path[MAX_PATH];
    _snwprintf(path, MAX_PATH, L"\\\\.\\PhysicalDrive%d", drive);
    path[MAX_PATH - 1] = L'\0';
    UniqueHandle device(::CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, 0, nullptr));
    if (!device)
        return false;
    returned = 0;
    return ::DeviceIoControl(device.get(), SMART_RCV_DRIVE_DATA, const_cast<BYTE*>(request.data()),
                             REQUEST_SIZE, answer.data(), ANSWER_SIZE, &returned, nullptr) != FALSE;
}

std::wstring DecodeModel(const IdentifyBlock& block)
{
    char model[MODEL_BYTES + 1] = {};
    for (size_t i = 0; i < MODEL_BYTES; i += 2) {
        model[i] = static_cast<char>(block[MODEL_OFFSET + i + 1]);
        model[i + 1] = static_cast<char>(block[MODEL_OFFSET + i]);
    }
    int length = static_cast<int>(strnlen(model, MODEL_BYTES));
    std::wstring text;
    if (length > 0) {
        int wide = ::MultiByteToWideChar(CP_ACP, 0, model, length, nullptr, 0);
        text.resize(wide > 0 ? wide : 0);
        if (wide > 0)
            ::MultiByteToWideChar(CP_ACP, 0, model, length, text.data(), wide);
    }
    // ATA strings are padded with spaces; leading ones carry no meaning either.
    size_t first = text.find_first_not_of(L' ');
    if (first == std::wstring::npos)
        return {};
    size_t last = text.find_last_not_of(L' ');
    return text.substr(first, last - first + 1);
}

bool DecodePasswordSet(const IdentifyBlock& block)
{
    return (block[SECURITY_OFFSET] & SECURITY_ENABLED) != 0;
}

} // namespace disk

bool ReadDiskSecurityTable(MethodResult& result, const disk::DeviceCall& device)
{
    result.kind = MethodResult::TABLE;
    result.names.push_back(L"Model");
    result.names.push_back(L"Password");
    for (int drive = 0; drive < disk::DRIVE_COUNT; ++drive) {
        disk::IdentifyBlock block{};
        std::array<BYTE, disk::ANSWER_SIZE> answer{};
        DWORD returned = 0;
        if (!device(drive, disk::BuildIdentifyRequest(drive), answer, returned) || returned != disk::ANSWER_SIZE)
            continue; // not there, no rights, or not an ATA drive: not listed
        std::copy_n(answer.begin() + disk::IDENTIFY_OFFSET, disk::IDENTIFY_SIZE, block.begin());
        result.rows.push_back({disk::DecodeModel(block), disk::DecodePasswordSet(block) ? L"true" : L"false"});
    }
    return true;
}

bool ReadDiskSecurityTable(MethodResult& result)
{
    return ReadDiskSecurityTable(result, disk::SendToPhysicalDrive);
}
