#pragma once
// Loads the Ogg Vorbis encoder library once, from the program's folder (or the
// private library folder of an installed program), and
// keeps it until the process ends.
#include <string>

#include "platform/vorbis/VorbisEnc.h"

namespace tolvar {

struct TVorbisLib {
  TVbEncOpen vbEncOpen = nullptr;
  TVbEncWrite vbEncWrite = nullptr;
  TVbEncClose vbEncClose = nullptr;
  TVbVersionFn vbVersion = nullptr;
};

// Loads the library on the first call; later calls do nothing. The folder is
// $TOLVAR_LIB_DIR when set, else the program's own or its private library
// folder (PrivateLibraryPath).
void LoadVorbis();
// True when the library and its encoder entry points were found.
bool VorbisReady();
// The loaded entry points; only meaningful while VorbisReady().
const TVorbisLib& Vorbis();
// "Ver 1.00 (Engine Ver : 1.03, Date : 2026-12-7)"; empty when not ready.
std::string VorbisVersionText();
// Formats a version record as VorbisVersionText does.
std::string FormatVorbisVersion(const TVbVersion& Version);

// The name of the library file.
inline constexpr const char* kVorbisLibraryName = "libtolvar-vorbis.so";

}  // namespace tolvar
