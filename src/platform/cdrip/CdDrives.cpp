#include "CdDrives.h"

#include <cdio/cdio.h>

#include <cstdlib>
#include <filesystem>

#include "util/IniFile.h"
#include "util/MiscFunctions.h"
#include "util/TextEncoding.h"

namespace tolvar::cdrip {

namespace {

std::string Absolute(const std::string& Path, const std::filesystem::path& Base) {
  std::filesystem::path P(Path);
  if (P.is_relative()) P = Base / P;
  return P.lexically_normal().string();
}

std::function<std::vector<std::string>()>& DeviceSource() {
  static std::function<std::vector<std::string>()> Source;
  return Source;
}

}  // namespace

std::string SettingsPath(const std::string& Name) {
  if (!Name.empty() && Name[0] == '/') return Name;
  return AppDir() + Name;
}

void SetRealDeviceSource(std::function<std::vector<std::string>()> Source) {
  DeviceSource() = std::move(Source);
}

std::vector<std::string> RealDevices() {
  if (DeviceSource()) return DeviceSource()();
  std::vector<std::string> Devices;
  // With no drive at all libcdio answers NULL rather than an empty list.
  if (char** List = cdio_get_devices(DRIVER_DEVICE)) {
    for (char** D = List; *D; ++D) Devices.emplace_back(*D);
    cdio_free_device_list(List);
  }
  return Devices;
}

std::vector<std::string> ConfiguredImages(const std::string& SettingsFile) {
  std::vector<std::string> Images;
  std::error_code Ignored;
  std::filesystem::path Cwd = std::filesystem::current_path(Ignored);

  if (!SettingsFile.empty()) {
    TIniFile Ini(SettingsFile);
    std::filesystem::path Folder = std::filesystem::path(Absolute(SettingsFile, Cwd)).parent_path();
    for (const std::string& Key : Ini.ReadSection("Images")) {
      std::string Path = Ini.ReadString("Images", Key, "");
      if (!Path.empty()) Images.push_back(Absolute(Path, Folder));
    }
  }

  if (const char* Env = std::getenv(kImagesVariable)) {
    std::string List = Env;
    size_t Start = 0;
    while (Start <= List.size()) {
      size_t End = List.find(':', Start);
      if (End == std::string::npos) End = List.size();
      if (End > Start) Images.push_back(Absolute(List.substr(Start, End - Start), Cwd));
      Start = End + 1;
    }
  }
  return Images;
}

std::string ImageDriveName(const std::string& Path) {
  return Utf8CutBytes("Image: " + Path, 255);
}

bool AddSampleDiscWhenNoDrive(const std::string& Sample) {
  const char* Override = std::getenv("TOLVAR_SAMPLE_DISC");
  const std::string Path = Override ? Override : Sample;
  std::error_code Error;
  if (Path.empty() || !std::filesystem::is_regular_file(Path, Error)) return false;
  if (!RealDevices().empty() || !ConfiguredImages().empty()) return false;
  setenv(kImagesVariable, Path.c_str(), 1);
  return true;
}

}  // namespace tolvar::cdrip
