// TCDRipper's Ogg Vorbis rip: one track, or a run of tracks as one file,
// read through the CD library and encoded on the fly by the Vorbis library.
// Failures are shown as message boxes and end the rip with a failure code.
#include <algorithm>
#include <cstring>
#include <ctime>
#include <memory>
#include <new>
#include <vector>

#include "CDRipper.h"
#include "OggRipInfo.h"
#include "RipFile.h"
#include "encoders/VorbisDll.h"
#include "util/Dialogs.h"

namespace tolvar {

namespace {

// The boxes captioned "OK", and the error boxes.
void OkBox(const std::string& Text) {
  Dialogs().MessageBox(Text, "OK", TMsgKind::Information);
}
void ErrorBox(const std::string& Text) {
  Dialogs().MessageBox(Text, "Error", TMsgKind::Error);
}

// The comments the Vorbis library writes from the stream information.
const std::string kLibraryComments[] = {"ARTIST",     "ALBUM", "TITLE",   "COMMENT", "TRACKNUMBER",
                                        "TRACKTOTAL", "GENRE", "ENCODER", "DATE"};

// Today as YYYY-MM-DD, the form Vorbis comment readers expect in DATE.
std::string TodayText() {
  std::time_t Now = std::time(nullptr);
  std::tm Local{};
  localtime_r(&Now, &Local);
  char Text[32];
  std::strftime(Text, sizeof Text, "%Y-%m-%d", &Local);
  return Text;
}

}  // namespace

bool TCDRipper::RipOgg(int FirstTrack, int LastTrack) {
  if (!CheckDisc()) return false;
  if (!VorbisReady()) {
    OkBox("Vorbis.DLL is not ready.");
    return false;
  }
  if (Ripping) return false;
  CR_StopPlayTrack();
  // The stream is declared stereo at 44100 Hz: the library must deliver just
  // that, whatever output format an earlier rip left it in.
  TDriveParams Wanted = Params;
  Wanted.OutputFormat = cdrip::STEREO44100;
  bool Applied = false;
  try {
    Applied = CR_SetCDROMParameters(Wanted) != cdrip::kCdexError;
  } catch (...) {
  }
  if (!Applied) {
    OkBox("Invalid CD-ROM parameters");
    return false;
  }
  TVbEncConfig Config{};
  Config.Size = sizeof Config;
  Config.Channels = 2;
  Config.SampleRate = 44100;
  Config.Quality = VorbisQuality;
  Ripping = true;
  OggCancel = false;
  // Also when the file cannot be created: the next rip must find the ripper idle.
  struct TIdleAgain {
    TCDRipper& R;
    ~TIdleAgain() {
      R.Ripping = false;
      try {
        CR_LockCD(false);
      } catch (...) {
      }
    }
  } IdleAgain{*this};

  const std::string Number = std::to_string(FirstTrack);
  if (FirstTrack < 1 || FirstTrack > DiscInfo.TrackCount ||
      !DiscInfo.Entries[FirstTrack - 1].Audio) {
    SetStatus("Not a audio track - Track " + Number);
    return false;
  }
  if (OnBeginTrack) OnBeginTrack(this, static_cast<uint16_t>(FirstTrack));
  if (FileName.empty()) FileName = "Track " + Number + ".ogg";
  const bool Done = EncodeOgg(FirstTrack, FileName, LastTrack, Config) == 0;
  if (Done) SetStatus("Successfully rip & encoded");
  if (OnEndTrack) OnEndTrack(this, static_cast<uint16_t>(FirstTrack));
  return Done;
}

void TCDRipper::OggRipInfo(int Track, int LastTrack, TOggRipInfo& S) {
  DateText = TodayText();
  S.Artist = TagText(TagInfo.Artist);
  S.Album = TagText(TagInfo.Album);
  S.Title = TagText(TagInfo.Title);
  S.Comment = TagText(TagInfo.Comment);
  S.Genre = TagText(TagInfo.Genre);
  S.Encoder = TagText(TagInfo.Encoder);
  TVbStreamInfo& Info = S.Info;
  Info = {};
  Info.Size = sizeof Info;
  Info.Value1 = 1;
  Info.Value2 = 1;
  Info.Value3 = 44;
  Info.Value4 = 1;
  Info.Artist = S.Artist.c_str();
  Info.Album = S.Album.c_str();
  Info.Title = S.Title.c_str();
  Info.Comment = S.Comment.c_str();
  const TTagExtras& X = TagExtras;
  Info.TrackNumber = static_cast<uint32_t>(X.TrackNumber > 0 ? X.TrackNumber : Track);
  Info.TrackCount =
      static_cast<uint32_t>(X.TrackTotal > 0 ? X.TrackTotal : std::max(CR_GetNumTocEntries(), 0));
  Info.Genre = S.Genre.c_str();
  Info.Encoder = S.Encoder.c_str();
  S.Date = DateText;
  Info.Date = S.Date.c_str();
  // The tag model's comments that the library does not write itself.
  S.More.clear();
  for (const auto& [Name, Value] : VorbisComments(TagModel(Track, LastTrack)))
    if (std::find(std::begin(kLibraryComments), std::end(kLibraryComments), Name) ==
        std::end(kLibraryComments))
      S.More.push_back(Name + "=" + Value);
  if (!X.Picture.Data.empty())
    S.More.push_back("METADATA_BLOCK_PICTURE=" + Base64(PictureBlock(X.Picture)));
  S.MorePointers.clear();
  for (const std::string& Comment : S.More) S.MorePointers.push_back(Comment.c_str());
  Info.MoreComments = S.MorePointers.data();
  Info.MoreCount = static_cast<uint32_t>(S.MorePointers.size());
}

int TCDRipper::EncodeOgg(int Track, const std::string& Name, int LastTrack,
                         const TVbEncConfig& Config) {
  // The whole range, from the start of Track to the last sector of LastTrack.
  const int Upto = LastTrack == -1 ? Track : std::clamp<int>(LastTrack, Track, DiscInfo.TrackCount);
  int64_t Sectors = 0;
  for (int T = Track; T <= Upto; ++T) Sectors += DiscInfo.Entries[T - 1].LengthSectors;
  const int32_t FirstSector = DiscInfo.Entries[Track - 1].StartSector;
  const int32_t LastSector = static_cast<int32_t>(FirstSector + Sectors - 1);

  int32_t BufferBytes = 0;
  if (CR_OpenRipper(BufferBytes, FirstSector, LastSector) != cdrip::kCdexOk) {
    OkBox("Error : CR_OpenRipper");
    return 1;
  }
  // From here on every way out ends the extraction, closes the stream and
  // the file and releases the buffers.
  struct TOpened {
    TCDRipper& R;
    void* Stream = nullptr;
    std::unique_ptr<TRipFile> File;
    ~TOpened() {
      if (Stream) Vorbis().vbEncClose(Stream, nullptr, nullptr);  // frees it, writes nothing
      try {
        CR_CloseRipper();
      } catch (...) {
      }
      R.RipBuffer = {};
      R.RawBuffer = {};
      R.OutBuffer = {};
    }
  } Opened{*this, nullptr, nullptr};

  try {
    RipBuffer.assign(static_cast<size_t>(std::max(BufferBytes, 0)), 0);
  } catch (const std::bad_alloc&) {
    OkBox("Error : memory allocation (RipBuffer)");
    return 1;
  }
  Opened.File = std::make_unique<TRipFile>(Name);

  TOggRipInfo Stream;
  OggRipInfo(Track, LastTrack, Stream);
  const TVbStreamInfo& Info = Stream.Info;

  const TVorbisLib& V = Vorbis();
  uint32_t SamplesPerWrite = 0, OutSize = 0;
  if (int Code = V.vbEncOpen(&Config, &Info, &SamplesPerWrite, &OutSize, &Opened.Stream)) {
    Opened.Stream = nullptr;
    ErrorBox("Error opening encoding stream " + std::to_string(Code));
    return 1;
  }
  try {
    OutBuffer.assign(OutSize, 0);
    RawBuffer.assign(2 * size_t{SamplesPerWrite}, 0);
  } catch (const std::bad_alloc&) {
    OkBox("Error : memory allocation (OutBuffer, RawBuffer)");
    return 1;
  }
  ValidBytes = ReadPos = RipPercent = 0;
  ChunksEnded = ChunkFailed = false;

  while (!OggCancel) {
    const int32_t Bytes = FillRaw(static_cast<int32_t>(RawBuffer.size()));
    if (Bytes == 0) break;
    uint32_t Produced = 0;
    if (int Code = V.vbEncWrite(Opened.Stream, static_cast<uint32_t>(Bytes / 2),
                                reinterpret_cast<const int16_t*>(RawBuffer.data()),
                                OutBuffer.data(), &Produced)) {
      ErrorBox("vbEncWrite failed " + std::to_string(Code));
      return 1;
    }
    if (!Opened.File->Write(OutBuffer.data(), Produced)) {
      ErrorBox("Write Error");
      return 1;
    }
    if (OnProgress) OnProgress(this, static_cast<uint16_t>(RipPercent));
    if (ProcessMessages) ProcessMessages();
  }

  uint32_t Produced = 0;
  const int Code = V.vbEncClose(Opened.Stream, OutBuffer.data(), &Produced);
  Opened.Stream = nullptr;
  if (Code != 0) {
    ErrorBox("vbEncClose failed " + std::to_string(Code));
    return 1;
  }
  if (!Opened.File->Write(OutBuffer.data(), Produced) || !Opened.File->Close()) {
    ErrorBox("Write error");
    return 1;
  }
  // FillRaw has shown why the audio ended early; that is no success.
  if (ChunkFailed) return 1;
  if (OggCancel) {
    SetStatus("Ripping & Encoding canceled");
    return 1;
  }
  SetStatus("Ripping & Encoding completed");
  return 0;
}

int32_t TCDRipper::FillRaw(int32_t Request) {
  // Bytes carried over from the last chunk come first; chunks are read until
  // the request is full or the range has ended, so every byte is encoded.
  int32_t Placed = 0;
  while (Placed < Request) {
    if (ReadPos < ValidBytes) {
      const int32_t Take = std::min(ValidBytes - ReadPos, Request - Placed);
      std::memcpy(RawBuffer.data() + Placed, RipBuffer.data() + ReadPos, static_cast<size_t>(Take));
      ReadPos += Take;
      Placed += Take;
      continue;
    }
    if (ChunksEnded) break;
    const int32_t Result = CR_RipChunk(RipBuffer.data(), ValidBytes, false);
    LastChunkResult = Result;
    ReadPos = 0;
    ValidBytes = std::clamp<int32_t>(ValidBytes, 0, static_cast<int32_t>(RipBuffer.size()));
    if (Result == cdrip::kCdexOk || Result == cdrip::kCdexJitterError) {
      // A chunk may bring no bytes yet (a resampler filling up): read on.
      if (ValidBytes > 0) {
        RipPercent = CR_GetPercentCompleted();
        if (OnAudioRead) OnAudioRead(RipBuffer.data(), static_cast<size_t>(ValidBytes));
      }
    } else if (Result == cdrip::kCdexRippingDone) {
      ChunksEnded = true;
    } else {
      ValidBytes = 0;
      ChunksEnded = ChunkFailed = true;
      OkBox("Error : CR_RipChunk");
    }
  }
  return Placed;
}

}  // namespace tolvar
