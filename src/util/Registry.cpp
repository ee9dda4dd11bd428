#include "Registry.h"

#include <cstdlib>

#include "IniFile.h"
#include "MiscFunctions.h"
#include "StringFunctions.h"

namespace tolvar {

namespace {
std::string DefaultRegistryFile() {
  const char* Override = std::getenv("TOLVAR_REGISTRY");
  if (Override && *Override) return Override;
  return ConfigDir() + "registry.ini";
}
}  // namespace

TRegistryStore::TRegistryStore() : Path(DefaultRegistryFile()) {}
TRegistryStore::TRegistryStore(std::string FileName) : Path(std::move(FileName)) {}

bool TRegistryStore::KeyExists(const std::string& Key) const {
  return TIniFile(Path).SectionExists(Key);
}

bool TRegistryStore::ValueExists(const std::string& Key, const std::string& Name) const {
  return TIniFile(Path).ValueExists(Key, Name);
}

std::string TRegistryStore::ReadString(const std::string& Key, const std::string& Name) const {
  return TIniFile(Path).ReadString(Key, Name, "");
}

std::vector<std::string> TRegistryStore::ValueNames(const std::string& Key) const {
  return TIniFile(Path).ReadSection(Key);
}

bool TRegistryStore::WriteString(const std::string& Key, const std::string& Name,
                                 const std::string& Value) {
  TIniFile Ini(Path);
  Ini.WriteString(Key, Name, Value);
  return Ini.UpdateFile();
}

bool TRegistryStore::DeleteValue(const std::string& Key, const std::string& Name) {
  TIniFile Ini(Path);
  if (!Ini.ValueExists(Key, Name)) return false;
  Ini.DeleteKey(Key, Name);
  return Ini.UpdateFile();
}

bool TRegistryStore::DeleteKey(const std::string& Key) {
  TIniFile Ini(Path);
  bool Found = false;
  for (const std::string& Section : Ini.ReadSections()) {
    if (SameText(Section, Key) || StartsWithText(Key + "\\", Section)) {
      Ini.EraseSection(Section);
      Found = true;
    }
  }
  return Found && Ini.UpdateFile();
}

}  // namespace tolvar
