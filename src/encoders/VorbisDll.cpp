#include "VorbisDll.h"

#include <dlfcn.h>

#include <cstdlib>
#include <mutex>

#include "util/MiscFunctions.h"
#include "util/StringFunctions.h"

namespace tolvar {

namespace {

struct TLoaded {
  void* Handle = nullptr;
  TVorbisLib Lib;
  std::once_flag Tried;  // encoders on several threads may ask at once
  ~TLoaded() {
    if (Handle) dlclose(Handle);
  }
};

TLoaded& Loaded() {
  static TLoaded Instance;
  return Instance;
}

std::string LibraryPath() {
  const char* Override = std::getenv("TOLVAR_LIB_DIR");
  if (Override && *Override) return ExcludeTrailingSlash(Override) + "/" + kVorbisLibraryName;
  return PrivateLibraryPath(kVorbisLibraryName);
}

template <typename T>
T Symbol(void* Handle, const char* Name) {
  return reinterpret_cast<T>(dlsym(Handle, Name));
}

}  // namespace

void LoadVorbis() {
  TLoaded& L = Loaded();
  std::call_once(L.Tried, [&L] {
    L.Handle = dlopen(LibraryPath().c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!L.Handle) return;
    L.Lib.vbEncOpen = Symbol<TVbEncOpen>(L.Handle, "vbEncOpen");
    L.Lib.vbEncWrite = Symbol<TVbEncWrite>(L.Handle, "vbEncWrite");
    L.Lib.vbEncClose = Symbol<TVbEncClose>(L.Handle, "vbEncClose");
    L.Lib.vbVersion = Symbol<TVbVersionFn>(L.Handle, "vbVersion");
  });
}

bool VorbisReady() {
  const TLoaded& L = Loaded();
  return L.Handle && L.Lib.vbEncOpen && L.Lib.vbEncWrite && L.Lib.vbEncClose;
}

const TVorbisLib& Vorbis() {
  return Loaded().Lib;
}

std::string FormatVorbisVersion(const TVbVersion& V) {
  return "Ver " + std::to_string(V.Major) + "." + ZeroPad(V.Minor, 2) +
         " (Engine Ver : " + std::to_string(V.EngineMajor) + "." + ZeroPad(V.EngineMinor, 2) +
         ", Date : " + std::to_string(V.Year) + "-" + std::to_string(V.Month) + "-" +
         std::to_string(V.Day) + ")";
}

std::string VorbisVersionText() {
  if (!VorbisReady() || !Vorbis().vbVersion) return {};
  TVbVersion Version{};
  if (Vorbis().vbVersion(&Version) != 0) return {};
  return FormatVorbisVersion(Version);
}

}  // namespace tolvar
