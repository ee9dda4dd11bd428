#include "EncoderOptions.h"

#include <algorithm>
#include <iterator>

namespace tolvar::cli {

namespace {

// Every bit rate of MPEG-1 and MPEG-2 layer III, in kbit/s.
constexpr int kBitrates[] = {8,  16,  24,  32,  40,  48,  56,  64,  80,
                             96, 112, 128, 144, 160, 192, 224, 256, 320};

uint32_t BitrateOption(TArgs& Args, const std::string& Name, uint32_t Default) {
  auto Text = Args.Value(Name);
  if (!Text) return Default;
  long long Value = ParseIntArg(*Text, "option " + Name, 8, 320);
  if (std::find(std::begin(kBitrates), std::end(kBitrates), Value) == std::end(kBitrates))
    throw TUsageError("option " + Name + ": " + *Text +
                      " is not an MP3 bit rate (8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, "
                      "144, 160, 192, 224, 256 or 320)");
  return static_cast<uint32_t>(Value);
}

// A word from Choices; its index.
template <size_t N>
int ChoiceOption(TArgs& Args, const std::string& Name, const char* const (&Choices)[N],
                 int Default) {
  auto Text = Args.Value(Name);
  if (!Text) return Default;
  for (size_t I = 0; I < N; ++I)
    if (*Text == Choices[I]) return static_cast<int>(I);
  std::string List;
  for (size_t I = 0; I < N; ++I) List += (I ? "|" : "") + std::string(Choices[I]);
  throw TUsageError("option " + Name + ": '" + *Text + "' is not one of " + List);
}

// --Name and --no-Name; the one given last would be ambiguous, so both together are refused.
bool OnOffOption(TArgs& Args, const std::string& Name, bool Default) {
  bool On = Args.Flag("--" + Name), Off = Args.Flag("--no-" + Name);
  if (On && Off)
    throw TUsageError("options --" + Name + " and --no-" + Name + " contradict each other");
  return On ? true : Off ? false : Default;
}

}  // namespace

const char* const kEncoderOptionsHelp =
    "  --bitrate KBPS         bit rate, the minimum with --vbr (default 128)\n"
    "  --max-bitrate KBPS     the maximum bit rate with --vbr (default 320)\n"
    "  --vbr                  variable bit rate (also writes the VBR header)\n"
    "  --vbr-quality 0-9      VBR quality, 0 best (default 4)\n"
    "  --vbr-header, --no-vbr-header   write a VBR (Xing/LAME) header frame\n"
    "  --mode stereo|joint|dual|mono   channel mode (default stereo)\n"
    "  --quality normal|low|high|voice (default normal)\n"
    "  --crc, --no-crc        CRC in every frame (default on)\n"
    "  --copyright, --original, --private   set that bit in every frame header\n";

void SetFactoryEncoderSettings(TLameCoder& Coder) {
  Coder.SetSampleRate(44100);
  Coder.SetBitrate(128);
  Coder.SetMaxBitrate(320);
  Coder.SetEnableVBR(false);
  Coder.SetCopyright(false);
  Coder.SetOriginal(false);
  Coder.SetCRC(true);
  Coder.SetVBRQuality(4);
  Coder.SetWriteVBRHeader(false);
  Coder.SetMode(TLameMode::STEREO);
  Coder.SetQuality(MPEG_QUALITY::NORMAL_QUALITY);
  Coder.SetPrivate(false);
}

void ApplyEncoderOptions(TArgs& Args, TLameCoder& Coder) {
  static const char* const kModes[] = {"stereo", "joint", "dual", "mono"};
  static const char* const kQualities[] = {"normal", "low", "high", "voice"};
  SetFactoryEncoderSettings(Coder);
  Coder.SetBitrate(BitrateOption(Args, "--bitrate", Coder.Bitrate()));
  Coder.SetMaxBitrate(BitrateOption(Args, "--max-bitrate", Coder.MaxBitrate()));
  // EnableVBR also switches the VBR header; an explicit header option wins.
  if (Args.Flag("--vbr")) Coder.SetEnableVBR(true);
  Coder.SetWriteVBRHeader(OnOffOption(Args, "vbr-header", Coder.WriteVBRHeader()));
  Coder.SetVBRQuality(static_cast<int>(Args.Integer("--vbr-quality", Coder.VBRQuality(), 0, 9)));
  Coder.SetMode(static_cast<TLameMode>(ChoiceOption(Args, "--mode", kModes, 0)));
  Coder.SetQuality(static_cast<MPEG_QUALITY>(ChoiceOption(Args, "--quality", kQualities, 0)));
  Coder.SetCRC(OnOffOption(Args, "crc", Coder.CRC()));
  Coder.SetCopyright(Args.Flag("--copyright"));
  Coder.SetOriginal(Args.Flag("--original"));
  Coder.SetPrivate(Args.Flag("--private"));
}

}  // namespace tolvar::cli
