#pragma once
// Real CD drives: INQUIRY and READ TOC sent with SG_IO, and the CD-ROM ioctls
// as the fall-back that builds the same READ TOC data. Failures carry the
// Windows system error codes the reader's messages and fall-backs are keyed on.
#include <cstdint>
#include <string>

#include "TocData.h"

namespace tolvar {

struct TCDDrive;

constexpr uint32_t kErrorAccessDenied = 5;
constexpr uint32_t kErrorIoDevice = 1117;
constexpr uint32_t kErrorNoSystemResources = 1450;

// The Windows system error code that stands for an errno value.
uint32_t WindowsErrorCode(int Errno);

// Identifies the drive at Drive.Device; on failure its texts stay empty.
void InquireDevice(TCDDrive& Drive);
// Reads the READ TOC data of a device into Raw (zeroed first): pass-through,
// then the ioctls when the device cannot be opened or the request failed.
// A device that answers neither leaves Raw zero.
void ReadDeviceToc(const std::string& Device, TTocData& Raw);

// What a failed READ TOC pass-through means: a message box for access denied
// and for unexpected codes, and Raw zeroed after an I/O device error.
void HandlePassThroughFailure(uint32_t Code, TTocData& Raw);

}  // namespace tolvar
