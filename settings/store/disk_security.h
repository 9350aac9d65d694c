// The physical drives' models and whether their ATA security password is set.
// Nothing is ever written to a drive: the only command sent is IDENTIFY DEVICE.
#pragma once
#include <windows.h>
#include <array>
#include <functional>
#include <string>

#include "method_result.h"

namespace disk {

constexpr DWORD REQUEST_SIZE = 33;  // SENDCMDINPARAMS, byte-packed
constexpr DWORD ANSWER_SIZE = 528;  // SENDCMDOUTPARAMS with the 512-byte identify block
constexpr DWORD IDENTIFY_SIZE = 512;
constexpr DWORD IDENTIFY_OFFSET = 16; // of the identify block inside the answer
constexpr int DRIVE_COUNT = 4;        // drives 0 to 3 are probed

using Request = std::array<BYTE, REQUEST_SIZE>;
using IdentifyBlock = std::array<BYTE, IDENTIFY_SIZE>;

// The IDENTIFY DEVICE request for drive n.
Request BuildIdentifyRequest(int drive);

// Sends `request` to drive n and receives up to ANSWER_SIZE bytes into `answer`.
// False when the drive cannot be opened or the request fails; otherwise
// `returned` holds the byte count the device gave back.
using DeviceCall = std::function<bool(int drive, const Request& request,
                                      std::array<BYTE, ANSWER_SIZE>& answer, DWORD& returned)>;

// The real call: "\\.\PhysicalDrive<n>" with SMART_RCV_DRIVE_DATA.
bool SendToPhysicalDrive(int drive, const Request& request, std::array<BYTE, ANSWER_SIZE>& answer,
                         DWORD& returned);

// The model text (bytes of each word swapped, padding spaces removed) and the
// security-enabled bit of word 128.
std::wstring DecodeModel(const IdentifyBlock& block);
bool DecodePasswordSet(const IdentifyBlock& block);

} // namespace disk

// Appends the columns "Model" and "Password" and one row per answering drive
// to `result` (kind 3); always true: a PC without an answering drive yields a
// table without rows.
bool ReadDiskSecurityTable(MethodResult& result);
// The same through another device call (tests feed crafted answers this way).
bool ReadDiskSecurityTable(MethodResult& result, const disk::DeviceCall& device);
