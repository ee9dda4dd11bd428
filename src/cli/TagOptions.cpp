#include "TagOptions.h"

namespace tolvar::cli {

namespace {

// "N" or "N/M" into Number and Total.
void NumberOption(TArgs& Args, const std::string& Name, int& Number, int& Total) {
  const auto Text = Args.Value(Name);
  if (!Text) return;
  const size_t Slash = Text->find('/');
  const std::string What = "option " + Name;
  Number = static_cast<int>(ParseIntArg(Text->substr(0, Slash), What, 1, 999));
  if (Slash != std::string::npos)
    Total = static_cast<int>(ParseIntArg(Text->substr(Slash + 1), What, Number, 999));
}

}  // namespace

const char* const kTagExtraOptionsHelp =
    "  --album-artist A       the release's artist\n"
    "  --track N/M  --disc N/M   track and disc number, each with an optional total\n"
    "  --isrc CODE            the recording's ISRC\n";

const char* const kStreamOptionsHelp =
    "  --flac-level 0-8       FLAC compression level (default 5)\n"
    "  --opus-bitrate KBPS    Opus bit rate, 6 to 510, variable (default 160)\n"
    "  --ogg-quality INDEX    Ogg bit-rate list index 0 (500) .. 9 (80) (default 6, 128)\n";

TTagExtras TagExtraOptions(TArgs& Args) {
  TTagExtras Extras;
  Extras.AlbumArtist = Args.Value("--album-artist").value_or("");
  NumberOption(Args, "--track", Extras.TrackNumber, Extras.TrackTotal);
  NumberOption(Args, "--disc", Extras.DiscNumber, Extras.DiscTotal);
  Extras.Isrc = Args.Value("--isrc").value_or("");
  return Extras;
}

TStreamSettings StreamOptions(TArgs& Args, TStreamFormat Format) {
  TStreamSettings Settings;
  Settings.Format = Format;
  Settings.FlacLevel = static_cast<int>(Args.Integer("--flac-level", 5, 0, 8));
  Settings.OpusBitrate = static_cast<int>(Args.Integer("--opus-bitrate", 160, 6, 510));
  const int OggIndex = static_cast<int>(Args.Integer("--ogg-quality", 6, 0, 9));
  Settings.VorbisQuality = static_cast<float>(10 - OggIndex) / 10.0f;
  return Settings;
}

}  // namespace tolvar::cli
