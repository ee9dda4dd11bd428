#pragma once
// Which drives the CD reading library offers, in its drive order: the real
// CD devices that libcdio finds, then the image drives. Plain C++ so that
// other readers of the disc (the CDDB client's direct TOC reader) list the
// same drives in the same order without loading the library.
#include <functional>
#include <string>
#include <vector>

namespace tolvar::cdrip {

// The environment variable that adds image drives: paths separated by ":".
constexpr const char* kImagesVariable = "TOLVAR_CD_IMAGES";
// The settings file that the ripper passes to CR_Init.
constexpr const char* kDefaultSettingsName = "CDRipper.ini";

// The settings file CR_Init reads for Name: an absolute name as it stands,
// a relative one in the program folder (AppDir()).
std::string SettingsPath(const std::string& Name = kDefaultSettingsName);

// The real CD devices (such as /dev/sr0), in drive order.
std::vector<std::string> RealDevices();
// Replaces libcdio's device search, for machines (and tests) that need
// another list; an empty Source gives libcdio back.
void SetRealDeviceSource(std::function<std::vector<std::string>()> Source);

// The configured disc images, in drive order: the values of the [Images]
// section of the settings file in file order (one key per image, for example
// Image1=..., relative paths taken from the settings file's folder), then the
// entries of TOLVAR_CD_IMAGES (relative paths taken from the current folder).
// Paths come back absolute; files that do not exist are listed all the same
// (their drives hold no disc).
std::vector<std::string> ConfiguredImages(const std::string& SettingsFile = SettingsPath());

// The drive name of an image drive: "Image: " + the path, cut on a character
// boundary to fit the 256-byte ID of the drive parameters.
std::string ImageDriveName(const std::string& Path);

// Makes the sample disc an image drive (through TOLVAR_CD_IMAGES) when there is
// no drive at all: no real device and no configured image. Sample is the
// built-in path; TOLVAR_SAMPLE_DISC overrides it (empty: no sample disc).
// True when the sample disc was added.
bool AddSampleDiscWhenNoDrive(const std::string& Sample);

}  // namespace tolvar::cdrip
