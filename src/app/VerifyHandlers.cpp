// Verified rips in the window: the drives' read offsets and the [Verify]
// choices of the settings file.
#include "app/MainUnit.h"
#include "util/IniFile.h"

namespace tolvar {

namespace {

// AccurateRip's search range; anything beyond is no offset a drive has.
constexpr long long kMaxOffset = 2940;

}  // namespace

void TfrmTolvar::LoadVerifySettings(const TIniFile& Ini) {
  DriveOffsets.clear();
  for (const std::string& Drive : Ini.ReadSection("Drives")) {
    const long long Offset = Ini.ReadInteger("Drives", Drive, 0);
    if (Offset >= -kMaxOffset && Offset <= kMaxOffset)
      DriveOffsets[Drive] = static_cast<int>(Offset);
  }
  VerifyAccurateRip = Ini.ReadBool("Verify", "AccurateRip", true);
  TestAndCopy = Ini.ReadBool("Verify", "TestAndCopy", false);
  WriteRipLog = Ini.ReadBool("Verify", "WriteLog", true);
}

void TfrmTolvar::SaveVerifySettings(TIniFile& Ini) const {
  for (const auto& [Drive, Offset] : DriveOffsets) Ini.WriteInteger("Drives", Drive, Offset);
  Ini.WriteBool("Verify", "AccurateRip", VerifyAccurateRip);
  Ini.WriteBool("Verify", "TestAndCopy", TestAndCopy);
  Ini.WriteBool("Verify", "WriteLog", WriteRipLog);
}

}  // namespace tolvar
