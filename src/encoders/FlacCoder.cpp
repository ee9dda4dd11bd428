#include "FlacCoder.h"

#include <FLAC/metadata.h>

#include <algorithm>

#include "tags/TagModel.h"

namespace tolvar {

namespace {

constexpr unsigned kPaddingBytes = 8192;
constexpr unsigned kSeekPointSeconds = 10;

FLAC__StreamMetadata* CommentBlock(const TTagModel& Model) {
  FLAC__StreamMetadata* Block = FLAC__metadata_object_new(FLAC__METADATA_TYPE_VORBIS_COMMENT);
  if (!Block) return nullptr;
  for (const auto& [Name, Value] : VorbisComments(Model)) {
    FLAC__StreamMetadata_VorbisComment_Entry Entry;
    if (!FLAC__metadata_object_vorbiscomment_entry_from_name_value_pair(&Entry, Name.c_str(),
                                                                        Value.c_str()) ||
        !FLAC__metadata_object_vorbiscomment_append_comment(Block, Entry, /*copy=*/false)) {
      FLAC__metadata_object_delete(Block);
      return nullptr;
    }
  }
  return Block;
}

FLAC__StreamMetadata* PictureMetadata(const TTagPicture& P) {
  FLAC__StreamMetadata* Block = FLAC__metadata_object_new(FLAC__METADATA_TYPE_PICTURE);
  if (!Block) return nullptr;
  Block->data.picture.type = static_cast<FLAC__StreamMetadata_Picture_Type>(P.Type);
  Block->data.picture.width = P.Width;
  Block->data.picture.height = P.Height;
  Block->data.picture.depth = P.Depth;
  Block->data.picture.colors = P.Colors;
  std::string Mime = P.MimeType, Description = P.Description;
  std::string Data = P.Data;
  if (!FLAC__metadata_object_picture_set_mime_type(Block, Mime.data(), true) ||
      !FLAC__metadata_object_picture_set_description(
          Block, reinterpret_cast<FLAC__byte*>(Description.data()), true) ||
      !FLAC__metadata_object_picture_set_data(Block, reinterpret_cast<FLAC__byte*>(Data.data()),
                                              static_cast<FLAC__uint32>(Data.size()), true)) {
    FLAC__metadata_object_delete(Block);
    return nullptr;
  }
  return Block;
}

}  // namespace

FLAC__StreamEncoderWriteStatus TFlacCoder::WriteBytes(const FLAC__StreamEncoder*,
                                                      const FLAC__byte Bytes[], size_t Count,
                                                      uint32_t, uint32_t, void* Data) {
  return static_cast<TFlacCoder*>(Data)->Put(Bytes, Count)
             ? FLAC__STREAM_ENCODER_WRITE_STATUS_OK
             : FLAC__STREAM_ENCODER_WRITE_STATUS_FATAL_ERROR;
}

FLAC__StreamEncoderSeekStatus TFlacCoder::SeekTo(const FLAC__StreamEncoder*, FLAC__uint64 Offset,
                                                 void* Data) {
  auto* Self = static_cast<TFlacCoder*>(Data);
  if (Self->OutputFailed || !Self->Output.Seek(Offset))
    return FLAC__STREAM_ENCODER_SEEK_STATUS_ERROR;
  return FLAC__STREAM_ENCODER_SEEK_STATUS_OK;
}

FLAC__StreamEncoderTellStatus TFlacCoder::TellAt(const FLAC__StreamEncoder*, FLAC__uint64* Offset,
                                                 void* Data) {
  const int64_t At = static_cast<TFlacCoder*>(Data)->Output.Tell();
  if (At < 0) return FLAC__STREAM_ENCODER_TELL_STATUS_ERROR;
  *Offset = static_cast<FLAC__uint64>(At);
  return FLAC__STREAM_ENCODER_TELL_STATUS_OK;
}

TFlacCoder::TFlacCoder(int Level, const TPcmShape& Shape, const TTagModel& Model,
                       TEncodedOutput Out)
    : TStreamEncoder(Shape.Channels, std::move(Out)), Channels(Shape.Channels) {
  Encoder = FLAC__stream_encoder_new();
  if (!Encoder) throw EEncoderError("FLAC encoder: out of memory");
  auto Fail = [this](const char* What) {
    for (FLAC__StreamMetadata* Block : Blocks) FLAC__metadata_object_delete(Block);
    FLAC__stream_encoder_delete(Encoder);
    // The metadata blocks are written at once: a full disk shows here.
    throw EEncoderError(OutputFailed ? std::string("Write error")
                                     : std::string("FLAC encoder: ") + What);
  };
  FLAC__stream_encoder_set_verify(Encoder, true);
  FLAC__stream_encoder_set_compression_level(Encoder,
                                             static_cast<unsigned>(std::clamp(Level, 0, 8)));
  FLAC__stream_encoder_set_channels(Encoder, static_cast<unsigned>(Shape.Channels));
  FLAC__stream_encoder_set_bits_per_sample(Encoder, 16);
  FLAC__stream_encoder_set_sample_rate(Encoder, static_cast<unsigned>(Shape.SampleRate));
  if (Shape.Frames > 0) FLAC__stream_encoder_set_total_samples_estimate(Encoder, Shape.Frames);

  FLAC__StreamMetadata* Comments = CommentBlock(Model);
  if (!Comments) Fail("out of memory");
  Blocks.push_back(Comments);
  if (!Model.Extras.Picture.Data.empty()) {
    FLAC__StreamMetadata* Picture = PictureMetadata(Model.Extras.Picture);
    if (!Picture) Fail("out of memory");
    Blocks.push_back(Picture);
  }
  // A seek table can only be filled in when the encoder may go back to it.
  if (Output.Seek && Shape.Frames > 0) {
    FLAC__StreamMetadata* Table = FLAC__metadata_object_new(FLAC__METADATA_TYPE_SEEKTABLE);
    if (!Table) Fail("out of memory");
    Blocks.push_back(Table);
    if (!FLAC__metadata_object_seektable_template_append_spaced_points_by_samples(
            Table, kSeekPointSeconds * static_cast<unsigned>(Shape.SampleRate), Shape.Frames) ||
        !FLAC__metadata_object_seektable_template_sort(Table, true))
      Fail("out of memory");
  }
  FLAC__StreamMetadata* Padding = FLAC__metadata_object_new(FLAC__METADATA_TYPE_PADDING);
  if (!Padding) Fail("out of memory");
  Padding->length = kPaddingBytes;
  Blocks.push_back(Padding);
  FLAC__stream_encoder_set_metadata(Encoder, Blocks.data(), static_cast<unsigned>(Blocks.size()));

  const bool Seekable = static_cast<bool>(Output.Seek);
  const FLAC__StreamEncoderInitStatus Status = FLAC__stream_encoder_init_stream(
      Encoder, WriteBytes, Seekable ? SeekTo : nullptr, Seekable ? TellAt : nullptr, nullptr, this);
  if (Status != FLAC__STREAM_ENCODER_INIT_STATUS_OK)
    Fail(FLAC__StreamEncoderInitStatusString[Status]);
}

TFlacCoder::~TFlacCoder() {
  // Deleting an encoder that was not finished writes nothing more of value;
  // the blocks go after it, as it reads them until then.
  FLAC__stream_encoder_delete(Encoder);
  for (FLAC__StreamMetadata* Block : Blocks) FLAC__metadata_object_delete(Block);
}

bool TFlacCoder::Failed() {
  EncoderError =
      std::string("FLAC encoder: ") + FLAC__stream_encoder_get_resolved_state_string(Encoder);
  return false;
}

bool TFlacCoder::EncodeFrames(const int16_t* Samples, size_t Frames) {
  const size_t Count = Frames * static_cast<size_t>(Channels);
  Wide.resize(Count);
  std::copy(Samples, Samples + Count, Wide.begin());
  if (!FLAC__stream_encoder_process_interleaved(Encoder, Wide.data(),
                                                static_cast<unsigned>(Frames)))
    return Failed();
  return true;
}

bool TFlacCoder::EndStream() {
  Wide = {};
  if (!FLAC__stream_encoder_finish(Encoder)) return Failed();
  return !OutputFailed;
}

}  // namespace tolvar
