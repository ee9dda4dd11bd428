#pragma once
// The encoder options of every tolvar-cli command that encodes MP3 ("encode",
// "rip"): they set the properties of a TLameCoder as the window's encoder
// settings page does, starting from the factory defaults.
#include "CliArgs.h"
#include "encoders/LameCoder.h"

namespace tolvar::cli {

// Help lines for the options, each indented by two spaces.
extern const char* const kEncoderOptionsHelp;

// The factory defaults of the encoder settings (the window's SetDefaultSettings).
void SetFactoryEncoderSettings(TLameCoder& Coder);

// Takes the encoder options out of Args and stores them into Coder, on top of
// the factory defaults. Throws TUsageError for a value it does not know.
void ApplyEncoderOptions(TArgs& Args, TLameCoder& Coder);

}  // namespace tolvar::cli
