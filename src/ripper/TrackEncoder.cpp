#include "TrackEncoder.h"

#include <algorithm>
#include <vector>

#include "CDRipper.h"
#include "OggRipInfo.h"
#include "RipFile.h"
#include "encoders/LameCoder.h"
#include "encoders/VorbisDll.h"
#include "tags/RipTags.h"

namespace tolvar {

namespace {

void WriteOrFail(TRipFile& File, const void* Bytes, size_t Count) {
  if (!File.Write(Bytes, Count)) throw ECDRIPError("Write error");
}

// Cuts the audio into pieces of one size whatever the sizes it arrives in,
// as the rip loops hand it to encoders that take fixed pieces; whole pieces
// are passed straight from the input, only the rest is held.
class TPieces {
 public:
  explicit TPieces(size_t Size) : Size(std::max<size_t>(Size, 2)) {}
  template <typename F>
  void Add(const uint8_t* Bytes, size_t Count, F&& Piece) {
    if (!Held.empty()) {
      const size_t Take = std::min(Size - Held.size(), Count);
      Held.insert(Held.end(), Bytes, Bytes + Take);
      Bytes += Take;
      Count -= Take;
      if (Held.size() < Size) return;
      Piece(Held.data(), Size);
      Held.clear();
    }
    for (; Count >= Size; Bytes += Size, Count -= Size) Piece(Bytes, Size);
    Held.assign(Bytes, Bytes + Count);
  }
  const std::vector<uint8_t>& Rest() const { return Held; }

 private:
  size_t Size;
  std::vector<uint8_t> Held;
};

class TMp3Encoder : public TTrackEncoder {
 public:
  TMp3Encoder(const TLameCoder& Settings, std::unique_ptr<TRipFile> File, std::string Target,
              std::string TagName, TTagModel Tags)
      : File(std::move(File)),
        Target(std::move(Target)),
        TagName(std::move(TagName)),
        Tags(std::move(Tags)) {
    Coder.Assign(Settings);
  }

  void Start() override {
    const uint32_t Result = Coder.InitStream();
    if (Result != BE_ERR_SUCCESSFUL)
      throw ECDRIPError("beInitStream failed " + std::to_string(Result));
    Pieces.emplace(2 * size_t{Coder.Samples});
    Out.resize(Coder.BufferSize);
  }

  void Write(const uint8_t* Bytes, size_t Count) override {
    Pieces->Add(Bytes, Count, [this](const uint8_t* Piece, size_t) {
      uint32_t Produced = 0;
      Coder.EncodeChunk(reinterpret_cast<const int16_t*>(Piece), Out.data(), Produced);
      WriteOrFail(*File, Out.data(), Produced);
    });
  }

  void Finish() override {
    const std::vector<uint8_t>& Rest = Pieces->Rest();
    uint32_t Produced = 0;
    if (!Rest.empty()) {
      Coder.EncodeChunk(static_cast<uint32_t>(Rest.size() / 2),
                        reinterpret_cast<const int16_t*>(Rest.data()), Out.data(), Produced);
      WriteOrFail(*File, Out.data(), Produced);
    }
    if (Coder.DeinitStream(Out.data(), Produced) != BE_ERR_SUCCESSFUL) Produced = 0;
    WriteOrFail(*File, Out.data(), Produced);
    // The VBR header frame (when the settings asked for one) needs the whole stream.
    if (Coder.WriteInfoTag(Target) != BE_ERR_SUCCESSFUL) throw ECDRIPError("Write error");
    Coder.CloseStream();
    if (!File->Close()) throw ECDRIPError("Write error");
    const TTagModel& T = Tags;
    if (!WriteRipTags(TagName, {T.Title, T.Artist, T.Album, T.Genre, T.Comment, T.Encoder, T.Date},
                      T.Extras)
             .Ok())
      throw ECDRIPError("Write error: cannot write the tags into " + TagName);
  }

 private:
  TLameCoder Coder;
  std::unique_ptr<TRipFile> File;
  std::string Target, TagName;
  TTagModel Tags;
  std::optional<TPieces> Pieces;
  std::vector<uint8_t> Out;
};

class TStreamTrackEncoder : public TTrackEncoder {
 public:
  TStreamTrackEncoder(const TStreamSettings& Settings, const TPcmShape& Shape, TTagModel Tags,
                      std::unique_ptr<TRipFile> File)
      : Settings(Settings), Shape(Shape), Tags(std::move(Tags)), File(std::move(File)) {}

  void Start() override {
    TEncodedOutput Out{
        [&F = *File](const void* Bytes, size_t Count) { return F.Write(Bytes, Count); },
        [&F = *File](uint64_t Offset) { return F.Seek(Offset); },
        [&F = *File] { return F.Position(); }};
    try {
      Stream = MakeStreamEncoder(Settings, Shape, Tags, std::move(Out));
    } catch (const EEncoderError& Error) {
      throw ECDRIPError(Error.what());
    }
  }

  void Write(const uint8_t* Bytes, size_t Count) override {
    if (!Stream->Write(Bytes, Count)) throw ECDRIPError(Stream->Error());
  }

  void Finish() override {
    if (!Stream->Finish()) throw ECDRIPError(Stream->Error());
    if (!File->Close()) throw ECDRIPError("Write error");
  }

 private:
  TStreamSettings Settings;
  TPcmShape Shape;
  TTagModel Tags;
  std::unique_ptr<TRipFile> File;
  std::unique_ptr<TStreamEncoder> Stream;  // writes into File, so it goes first
};

class TOggTrackEncoder : public TTrackEncoder {
 public:
  TOggTrackEncoder(const TVbEncConfig& Config, std::unique_ptr<TOggRipInfo> Info,
                   std::unique_ptr<TRipFile> File)
      : Config(Config), Info(std::move(Info)), File(std::move(File)) {}
  ~TOggTrackEncoder() override {
    if (Stream) Vorbis().vbEncClose(Stream, nullptr, nullptr);  // frees it, writes nothing
  }

  void Start() override {
    uint32_t SamplesPerWrite = 0, OutSize = 0;
    if (int Code = Vorbis().vbEncOpen(&Config, &Info->Info, &SamplesPerWrite, &OutSize, &Stream)) {
      Stream = nullptr;
      throw ECDRIPError("Error opening encoding stream " + std::to_string(Code));
    }
    Pieces.emplace(2 * size_t{SamplesPerWrite});
    Out.resize(OutSize);
  }

  void Write(const uint8_t* Bytes, size_t Count) override {
    Pieces->Add(Bytes, Count, [this](const uint8_t* Piece, size_t Size) { Encode(Piece, Size); });
  }

  void Finish() override {
    if (!Pieces->Rest().empty()) Encode(Pieces->Rest().data(), Pieces->Rest().size());
    uint32_t Produced = 0;
    const int Code = Vorbis().vbEncClose(Stream, Out.data(), &Produced);
    Stream = nullptr;
    if (Code != 0) throw ECDRIPError("vbEncClose failed " + std::to_string(Code));
    WriteOrFail(*File, Out.data(), Produced);
    if (!File->Close()) throw ECDRIPError("Write error");
  }

 private:
  void Encode(const uint8_t* Piece, size_t Size) {
    uint32_t Produced = 0;
    if (int Code =
            Vorbis().vbEncWrite(Stream, static_cast<uint32_t>(Size / 2),
                                reinterpret_cast<const int16_t*>(Piece), Out.data(), &Produced))
      throw ECDRIPError("vbEncWrite failed " + std::to_string(Code));
    WriteOrFail(*File, Out.data(), Produced);
  }

  TVbEncConfig Config;
  std::unique_ptr<TOggRipInfo> Info;
  std::unique_ptr<TRipFile> File;
  void* Stream = nullptr;
  std::optional<TPieces> Pieces;
  std::vector<uint8_t> Out;
};

}  // namespace

std::unique_ptr<TTrackEncoder> MakeMp3TrackEncoder(const TLameCoder& Settings,
                                                   std::unique_ptr<TRipFile> File,
                                                   const std::string& Target,
                                                   const std::string& TagName, TTagModel Tags) {
  return std::make_unique<TMp3Encoder>(Settings, std::move(File), Target, TagName, std::move(Tags));
}

std::unique_ptr<TTrackEncoder> MakeStreamTrackEncoder(const TStreamSettings& Settings,
                                                      const TPcmShape& Shape, TTagModel Tags,
                                                      std::unique_ptr<TRipFile> File) {
  return std::make_unique<TStreamTrackEncoder>(Settings, Shape, std::move(Tags), std::move(File));
}

std::unique_ptr<TTrackEncoder> MakeOggTrackEncoder(const TVbEncConfig& Config,
                                                   std::unique_ptr<TOggRipInfo> Info,
                                                   std::unique_ptr<TRipFile> File) {
  return std::make_unique<TOggTrackEncoder>(Config, std::move(Info), std::move(File));
}

}  // namespace tolvar
