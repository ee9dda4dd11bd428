// The encoder's WAV reader: the RIFF chunk walk that finds the "data" chunk
// and the block align of "fmt ", then the chunked read of the audio. The
// input is the whole file.
#include <unistd.h>

#include "FuzzTarget.h"
#include "encoders/LameCoder.h"

using namespace tolvar;

TOLVAR_FUZZ_HARNESS(wav_chunks) {
  const std::string In = fuzz::ScratchDir() + "/in.wav";
  const std::string Out = fuzz::ScratchDir() + "/in.mp3";
  fuzz::WriteBytes(In, Data, Size);
  TLameCoder Coder;
  if (Size > 0 && Data[Size - 1] & 1) Coder.SetMode(TLameMode::MONO);
  Coder.SetInputFiles({In});
  Coder.SetOutputFiles({Out});
  try {
    Coder.EncodeFiles();
  } catch (const ELameError&) {
  }
  unlink(Out.c_str());
  return 0;
}
