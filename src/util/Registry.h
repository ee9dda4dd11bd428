#pragma once
// A small file-backed stand-in for the per-user registry: keys are paths such
// as "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tolvar", each holding
// named string values. Stored as an INI file in the configuration folder, or in
// $TOLVAR_REGISTRY when that is set (tests point it at a temporary file).
#include <string>
#include <vector>

namespace tolvar {

class TRegistryStore {
 public:
  TRegistryStore();
  explicit TRegistryStore(std::string FileName);

  const std::string& FileName() const { return Path; }
  bool KeyExists(const std::string& Key) const;
  bool ValueExists(const std::string& Key, const std::string& Name) const;
  // Empty when the key or the value is missing.
  std::string ReadString(const std::string& Key, const std::string& Name) const;
  std::vector<std::string> ValueNames(const std::string& Key) const;
  bool WriteString(const std::string& Key, const std::string& Name, const std::string& Value);
  bool DeleteValue(const std::string& Key, const std::string& Name);
  // Deletes the key with its values and every key below it.
  bool DeleteKey(const std::string& Key);

 private:
  std::string Path;
};

}  // namespace tolvar
