// The INI reader (settings, presets and CDRipper.ini come through it): every
// section and key is read back, then one value is changed and the file
// written and read again, which must give the new value.
#include <cstdlib>

#include "FuzzTarget.h"
#include "util/IniFile.h"

using namespace tolvar;

TOLVAR_FUZZ_HARNESS(ini_file) {
  const std::string File = fuzz::ScratchDir() + "/settings.ini";
  fuzz::WriteBytes(File, Data, Size);
  std::string FirstSection;
  {
    TIniFile Ini(File);
    for (const std::string& Section : Ini.ReadSections()) {
      if (FirstSection.empty()) FirstSection = Section;
      for (const std::string& Key : Ini.ReadSection(Section)) {
        Ini.ReadString(Section, Key, "");
        Ini.ReadInteger(Section, Key, 0);
        Ini.ReadBool(Section, Key, false);
      }
    }
    // A section name with "]" or a line end cannot be written back as such.
    if (FirstSection.find_first_of("]\r\n") != std::string::npos || FirstSection.empty())
      FirstSection = "Main";
    Ini.WriteString(FirstSection, "FuzzKey", "value");
    Ini.WriteInteger("Added", "Number", 42);
    if (!Ini.UpdateFile()) return 0;
  }
  TIniFile Again(File);
  if (Again.ReadString(FirstSection, "FuzzKey", "") != "value" ||
      Again.ReadInteger("Added", "Number", 0) != 42)
    std::abort();
  return 0;
}
