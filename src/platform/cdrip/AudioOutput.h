#pragma once
// Where the library's CD playback goes: the sound system through libao, a
// file, or nowhere. TOLVAR_AUDIO chooses:
//   unset or empty  libao's default device (its libao.conf, else what it finds)
//   "null"          nowhere: nothing sounds, playback keeps its real-time pace
//   "file:PATH"     the raw samples into PATH, at the same real-time pace
//   any other word  that libao driver ("alsa", "pulse", ...)
// A device that cannot be opened also means nowhere, so playback behaves the
// same on a machine without sound.
#include <cstddef>
#include <cstdint>
#include <memory>

namespace tolvar::cdrip {

constexpr const char* kAudioVariable = "TOLVAR_AUDIO";

class TAudioOutput {
 public:
  virtual ~TAudioOutput() = default;
  // Plays (or stores) Size bytes of 16-bit little-endian stereo samples at
  // 44100 Hz; false when the output failed.
  virtual bool Write(const uint8_t* Bytes, size_t Size) = 0;
  // True for a sound device, which takes samples at its own pace; the player
  // paces the others itself.
  virtual bool KeepsTime() const = 0;
};

// The output that TOLVAR_AUDIO asks for; never nullptr.
std::unique_ptr<TAudioOutput> OpenAudioOutput();
// Lets go of libao (once no output is open any more).
void CloseAudioLibrary();

}  // namespace tolvar::cdrip
