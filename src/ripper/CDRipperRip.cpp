// TCDRipper's rip loop: a sector range read chunk by chunk through the CD
// library into a WAV file, raw PCM, or an MP3 file through the encoder
// component, and the ID3 tags of an MP3 rip.
#include <algorithm>
#include <cstring>
#include <exception>
#include <functional>
#include <memory>

#include "CDRipper.h"
#include "RipFile.h"
#include "RipNames.h"
#include "encoders/LameCoder.h"
#include "tags/RipTags.h"

namespace tolvar {

namespace {

// Runs the steps of a rip's end one after another: a failing step does not
// keep the later ones from closing what they close, and the first failure
// (the loop's own, when it ended in one) is the one passed on.
class TClosingSteps {
 public:
  explicit TClosingSteps(std::exception_ptr First) : First(std::move(First)) {}
  void Run(const std::function<void()>& Step) {
    try {
      Step();
    } catch (...) {
      if (!First) First = std::current_exception();
    }
  }
  bool Failed() const { return First != nullptr; }
  void Finish() {
    if (First) std::rethrow_exception(First);
  }

 private:
  std::exception_ptr First;
};

void WriteOrFail(TRipFile& File, const void* Bytes, size_t Count) {
  if (!File.Write(Bytes, Count)) throw ECDRIPError("Write error");
}

}  // namespace

void TCDRipper::NoteChunk(int32_t Result) {
  if (Result == cdrip::kCdexJitterError) {
    int32_t Start = 0, End = 0;
    CR_GetLastJitterErrorPosition(Start, End);
    FJitters.push_back(std::to_string(Start) + " " + std::to_string(End));
  }
  if (OnProgress) OnProgress(this, static_cast<uint16_t>(CR_GetPercentCompleted()));
}

void TCDRipper::UpdateCoder() {
  if (!FCoder) return;
  int Channels = 0, SampleRate = 0;
  if (!cdrip::OutputFormatShape(FOutputFormat, Channels, SampleRate)) return;
  FCoder->SetMode(Channels == 1 ? TLameMode::MONO : TLameMode::STEREO);
  FCoder->SetSampleRate(static_cast<uint32_t>(SampleRate));
}

bool TCDRipper::Rip(int FirstTrack, int LastTrack) {
  const TTrack* First = GetTrack(FirstTrack - 1);
  const TTrack* Last = LastTrack == -1 ? First : GetTrack(LastTrack - 1);
  if (!First || !Last)
    throw ECDRIPError("Track " + std::to_string(First ? LastTrack : FirstTrack) +
                      " is not on the disc");
  // Copies: a media removal during the rip clears Tracks.
  const int32_t FirstSector = First->StartSector, LastSector = Last->EndSector;
  if (OnBeginTrack) OnBeginTrack(this, static_cast<uint16_t>(FirstTrack));
  const TTagModel Tags = TagModel(FirstTrack, LastTrack);
  const bool Made = RipSectors(FirstSector, LastSector, FileName, &Tags);
  if (Made && Encode && FCoder && !StreamEncoding) {
    const std::string Title = TagText(TagInfo.Title), Artist = TagText(TagInfo.Artist),
                      Album = TagText(TagInfo.Album), Genre = TagText(TagInfo.Genre),
                      Comment = TagText(TagInfo.Comment), Encoder = TagText(TagInfo.Encoder),
                      Year = TagText(TagInfo.Year);
    // An MP3 file without its tags is no finished rip.
    if (!WriteRipTags(FileName, {Title, Artist, Album, Genre, Comment, Encoder, Year}, Tags.Extras)
             .Ok())
      throw ECDRIPError("Write error: cannot write the tags into " + FileName);
  }
  if (OnEndTrack) OnEndTrack(this, static_cast<uint16_t>(FirstTrack));
  return Made;
}

TTagModel TCDRipper::TagModel(int FirstTrack, int LastTrack) const {
  TTagModel Model;
  Model.Title = TagText(TagInfo.Title);
  Model.Artist = TagText(TagInfo.Artist);
  Model.Album = TagText(TagInfo.Album);
  Model.Date = TagText(TagInfo.Year);
  Model.Genre = TagText(TagInfo.Genre);
  Model.Comment = TagText(TagInfo.Comment);
  Model.Encoder = TagText(TagInfo.Encoder);
  Model.Extras = TagExtras;
  TTagExtras& X = Model.Extras;
  // A file of several tracks has no one track number.
  if (X.TrackNumber == 0 && (LastTrack == -1 || LastTrack == FirstTrack))
    X.TrackNumber = FirstTrack;
  if (X.TrackTotal == 0) X.TrackTotal = DiscInfo.TrackCount;
  return Model;
}

bool TCDRipper::RipSectors(int32_t FirstSector, int32_t LastSector, const std::string& Name,
                           const TTagModel* Tags) {
  if (!ApplyParameters()) throw ECDRIPError("Invalid CD-ROM parameters");
  Cancel = false;
  int32_t BufferBytes = 0;
  if (CR_OpenRipper(BufferBytes, FirstSector, LastSector) != cdrip::kCdexOk) return false;
  BufferBytes = std::max(BufferBytes, 0);

  const bool Streaming = Encode && StreamEncoding;
  const bool Encoding = Encode && FCoder && !Streaming;
  const std::string Target =
      !Encode ? Name
              : ChangeFileExt(Name, Streaming ? StreamFileExt(StreamEncoding->Format) : ".mp3");
  std::unique_ptr<TRipFile> File;
  std::unique_ptr<TStreamEncoder> Stream;  // writes into File, so it goes first
  std::vector<uint8_t> ReadBuffer, Mp3Buffer;
  bool StreamOpen = false;
  uint32_t ChunkBytes = 0;  // one encoder chunk: 2 x Samples bytes
  std::exception_ptr LoopFailure;
  try {
    File = std::make_unique<TRipFile>(Target);
    int Channels = 2, SampleRate = 44100;
    cdrip::OutputFormatShape(FOutputFormat, Channels, SampleRate);
    if (WriteWAV && !Encode) {
      // The whole range as announced; Close states what was really written.
      const int64_t Bytes = int64_t{Channels} * SampleRate * 2 *
                            std::max<int64_t>(int64_t{LastSector} - FirstSector + 1, 0) / 75;
      if (!File->WriteWavHeader(Channels, SampleRate,
                                static_cast<uint32_t>(std::min<int64_t>(Bytes, UINT32_MAX))))
        throw ECDRIPError("Write error");
    }
    if (Streaming) {
      const uint64_t Frames =
          uint64_t(std::max<int64_t>(int64_t{LastSector} - FirstSector + 1, 0)) * SampleRate / 75;
      TEncodedOutput Out{
          [&F = *File](const void* Bytes, size_t Count) { return F.Write(Bytes, Count); },
          [&F = *File](uint64_t Offset) { return F.Seek(Offset); },
          [&F = *File] { return F.Position(); }};
      try {
        Stream = MakeStreamEncoder(*StreamEncoding, {Channels, SampleRate, Frames},
                                   Tags ? *Tags : TagModel(0, 0), std::move(Out));
      } catch (const EEncoderError& Error) {
        throw ECDRIPError(Error.what());
      }
    }
    if (Encoding) {
      const uint32_t Result = FCoder->InitStream();
      // A stream that did not open asks for no samples: nothing could be encoded.
      if (Result != BE_ERR_SUCCESSFUL)
        throw ECDRIPError("beInitStream failed " + std::to_string(Result));
      StreamOpen = true;
      ChunkBytes = 2 * FCoder->Samples;
      Mp3Buffer.resize(FCoder->BufferSize);
    }
    // Room for a whole chunk behind the bytes carried over from the last one.
    ReadBuffer.resize(static_cast<size_t>(BufferBytes) + ChunkBytes);

    uint32_t Carry = 0;
    int32_t Result = cdrip::kCdexOk;
    while (!Cancel) {
      int32_t Bytes = 0;
      Result = CR_RipChunk(ReadBuffer.data() + Carry, Bytes, false);
      Bytes = std::clamp(Bytes, 0, BufferBytes);
      if (Result != cdrip::kCdexError && Bytes > 0 && OnAudioRead)
        OnAudioRead(ReadBuffer.data() + Carry, static_cast<size_t>(Bytes));
      if (Result != cdrip::kCdexError && Encoding) {
        // Whole chunks straight from the read buffer; only the rest is moved.
        const uint32_t Total = Carry + static_cast<uint32_t>(Bytes);
        uint32_t Pos = 0;
        for (; Total - Pos >= ChunkBytes; Pos += ChunkBytes) {
          uint32_t Out = 0;
          FCoder->EncodeChunk(reinterpret_cast<const int16_t*>(ReadBuffer.data() + Pos),
                              Mp3Buffer.data(), Out);
          WriteOrFail(*File, Mp3Buffer.data(), Out);
        }
        Carry = Total - Pos;
        if (Carry > 0 && Pos > 0) std::memmove(ReadBuffer.data(), ReadBuffer.data() + Pos, Carry);
      } else if (Result != cdrip::kCdexError && Stream) {
        if (!Stream->Write(ReadBuffer.data(), static_cast<size_t>(Bytes)))
          throw ECDRIPError(Stream->Error());
      } else if (Result != cdrip::kCdexError) {
        WriteOrFail(*File, ReadBuffer.data(), static_cast<size_t>(Bytes));
      }
      NoteChunk(Result);
      if (ProcessMessages) ProcessMessages();
      if (Result == cdrip::kCdexRippingDone) break;
    }
    // The end of the range rarely fills a whole chunk: encode the rest too.
    if (Carry > 0) {
      uint32_t Out = 0;
      FCoder->EncodeChunk(Carry / 2, reinterpret_cast<const int16_t*>(ReadBuffer.data()),
                          Mp3Buffer.data(), Out);
      WriteOrFail(*File, Mp3Buffer.data(), Out);
    }
  } catch (...) {
    LoopFailure = std::current_exception();
  }

  TClosingSteps Steps(LoopFailure);
  if (StreamOpen) {
    Steps.Run([&] {
      uint32_t Out = 0;
      if (FCoder->DeinitStream(Mp3Buffer.data(), Out) != BE_ERR_SUCCESSFUL) Out = 0;
      WriteOrFail(*File, Mp3Buffer.data(), Out);
    });
    // The VBR header frame (when the settings asked for one) needs the whole stream.
    if (!Steps.Failed())
      Steps.Run([&] {
        if (FCoder->WriteInfoTag(Target) != BE_ERR_SUCCESSFUL) throw ECDRIPError("Write error");
      });
    Steps.Run([&] { FCoder->CloseStream(); });
  }
  // Also after a stop: the file ends properly and decodes up to there.
  if (Stream)
    Steps.Run([&] {
      if (!Stream->Finish()) throw ECDRIPError(Stream->Error());
    });
  Steps.Run([&] { FJittersNum = CR_GetNumberOfJitterErrors(); });
  Steps.Run([] { CR_CloseRipper(); });
  ReadBuffer = {};
  Mp3Buffer = {};
  if (File)
    Steps.Run([&] {
      if (!File->Close()) throw ECDRIPError("Write error");
    });
  Steps.Finish();
  return true;
}

}  // namespace tolvar
