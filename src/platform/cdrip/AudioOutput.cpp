#include "AudioOutput.h"

#include <alsa/asoundlib.h>
#include <ao/ao.h>
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

namespace tolvar::cdrip {

namespace {

std::mutex AoLock;
bool AoStarted = false;

class TNullOutput : public TAudioOutput {
 public:
  bool Write(const uint8_t*, size_t) override { return true; }
  bool KeepsTime() const override { return false; }
};

class TFileOutput : public TAudioOutput {
 public:
  explicit TFileOutput(std::FILE* File) : File(File) {}
  ~TFileOutput() override { std::fclose(File); }
  bool Write(const uint8_t* Bytes, size_t Size) override {
    return std::fwrite(Bytes, 1, Size, File) == Size && std::fflush(File) == 0;
  }
  bool KeepsTime() const override { return false; }

 private:
  std::FILE* File;
};

class TDeviceOutput : public TAudioOutput {
 public:
  explicit TDeviceOutput(ao_device* Device) : Device(Device) {}
  ~TDeviceOutput() override { ao_close(Device); }
  bool Write(const uint8_t* Bytes, size_t Size) override {
    // libao takes a non-const buffer but only reads it.
    return ao_play(Device, reinterpret_cast<char*>(const_cast<uint8_t*>(Bytes)),
                   static_cast<uint32_t>(Size)) != 0;
  }
  bool KeepsTime() const override { return true; }

 private:
  ao_device* Device;
};

// alsa-lib reports every failed open on stderr (a machine without a sound
// card fails them all); the caller falls back to no sound anyway.
void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}

void StartAo() {
  // libao's plugins take some of their symbols from libao without naming it
  // as a dependency. This library was loaded with its own symbol scope, so
  // libao's symbols are made global first, or the ALSA plugin fails to load.
  Dl_info Info;
  if (dladdr(reinterpret_cast<void*>(&ao_initialize), &Info) && Info.dli_fname)
    dlopen(Info.dli_fname, RTLD_NOW | RTLD_GLOBAL | RTLD_NOLOAD);
  if (!std::getenv("TOLVAR_CDRIP_LOG")) snd_lib_error_set_handler(QuietAlsa);
  ao_initialize();
}

// A live libao device of the named driver (the default one for ""), or
// nullptr.
std::unique_ptr<TAudioOutput> OpenDevice(const std::string& Driver) {
  int Id;
  {
    std::lock_guard<std::mutex> Hold(AoLock);
    if (!AoStarted) StartAo();
    AoStarted = true;
    Id = Driver.empty() ? ao_default_driver_id() : ao_driver_id(Driver.c_str());
  }
  if (Id < 0) return nullptr;
  // libao's own "null" driver swallows samples at once, and its file drivers
  // need a file: neither keeps time like a device.
  ao_info* Info = ao_driver_info(Id);
  if (!Info || Info->type != AO_TYPE_LIVE || std::strcmp(Info->short_name, "null") == 0)
    return nullptr;
  ao_sample_format Format{};
  Format.bits = 16;
  Format.rate = 44100;
  Format.channels = 2;
  Format.byte_format = AO_FMT_LITTLE;
  char Matrix[] = "L,R";
  Format.matrix = Matrix;
  ao_device* Device = ao_open_live(Id, &Format, nullptr);
  if (!Device) return nullptr;
  return std::make_unique<TDeviceOutput>(Device);
}

}  // namespace

std::unique_ptr<TAudioOutput> OpenAudioOutput() {
  const char* Env = std::getenv(kAudioVariable);
  std::string Choice = Env ? Env : "";
  std::unique_ptr<TAudioOutput> Output;
  if (Choice.rfind("file:", 0) == 0) {
    if (std::FILE* File = std::fopen(Choice.c_str() + 5, "wb"))
      Output = std::make_unique<TFileOutput>(File);
  } else if (Choice != "null") {
    Output = OpenDevice(Choice);
  }
  if (!Output) Output = std::make_unique<TNullOutput>();
  return Output;
}

void CloseAudioLibrary() {
  std::lock_guard<std::mutex> Hold(AoLock);
  if (AoStarted) ao_shutdown();
  AoStarted = false;
}

}  // namespace tolvar::cdrip
