// The only file that includes libcdio-paranoia: its headers define macros
// (TOC, cdda_open, ...) that would rename identifiers elsewhere.
#define DO_NOT_WANT_PARANOIA_COMPATIBILITY
#include "Extraction.h"

#include <cdio/cdio.h>
#include <cdio/paranoia/cdda.h>
#include <cdio/paranoia/paranoia.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <stdexcept>

#include "Drive.h"

namespace tolvar::cdrip {

struct TParanoia {
  cdrom_drive_t* Drive = nullptr;
  cdrom_paranoia_t* Paranoia = nullptr;  // only with jitter correction
  ~TParanoia() {
    if (Paranoia) cdio_paranoia_free(Paranoia);
    // The CdIo_t belongs to the medium and lives on.
    if (Drive) cdio_cddap_close_no_free_cdio(Drive);
  }
};

namespace {

constexpr int32_t kWordsPerSector = CD_FRAMEWORDS;   // 16-bit words in a sector
constexpr int32_t kSectorFrames = kSectorBytes / 4;  // stereo samples in a sector

// The sectors paranoia reported trouble with while one chunk was read; Lost
// when one of them could not be kept.
struct TParanoiaEvents {
  std::vector<long> Sectors;
  bool Lost = false;
};

// paranoia's callback carries no user pointer: the extraction that is reading
// on this thread collects the sectors it reports trouble with.
thread_local TParanoiaEvents* CurrentEvents = nullptr;

// Points the callback at Events for one chunk, on every way out.
class TEventsScope {
 public:
  explicit TEventsScope(TParanoiaEvents& Events) { CurrentEvents = &Events; }
  ~TEventsScope() { CurrentEvents = nullptr; }
  TEventsScope(const TEventsScope&) = delete;
  TEventsScope& operator=(const TEventsScope&) = delete;
};

// Called from inside libcdio-paranoia (C): nothing may leave it.
void ParanoiaCallback(long Position, paranoia_cb_mode_t Event) noexcept {
  if (!CurrentEvents) return;
  try {
    switch (Event) {
      case PARANOIA_CB_FIXUP_EDGE:
      case PARANOIA_CB_FIXUP_ATOM:
      case PARANOIA_CB_FIXUP_DROPPED:
      case PARANOIA_CB_FIXUP_DUPED:
      case PARANOIA_CB_SCRATCH:
      case PARANOIA_CB_REPAIR:
      case PARANOIA_CB_SKIP:
      case PARANOIA_CB_DRIFT:
      case PARANOIA_CB_READERR:
        CurrentEvents->Sectors.push_back(Position / kWordsPerSector);
        break;
      default:
        break;
    }
  } catch (...) {
    CurrentEvents->Lost = true;
  }
}

}  // namespace

TExtraction::TExtraction(TDrive& Drive, std::shared_ptr<TMedia> Disc, const TDriveParams& Params,
                         int32_t FirstSector, int32_t LastSector)
    : Drive(Drive),
      Media(std::move(Disc)),
      Converter(Params.OutputFormat),
      First(FirstSector),
      Last(LastSector),
      Next(FirstSector) {
  if (!Media || !Media->Valid()) throw std::runtime_error("no disc");
  // libcdio does not reject reads at or past the lead-out cleanly: check here.
  if (First < 0 || Last < First || Last >= Media->LeadOut())
    throw std::runtime_error("sector range outside the disc");
  ChunkSectors = std::clamp<int32_t>(Params.NumReadSectors, 1, 200);
  ChunkBytes = ChunkSectors * kSectorBytes;
  Retries = std::clamp<int32_t>(Params.ReadRetries, 1, 1000);
  SwapChannels = Params.SwapLeftRight != 0;
  Raw.resize(static_cast<size_t>(ChunkBytes));
  // The offset is applied here rather than through paranoia, whose own offset
  // handling is wrong for large and negative values in some versions.
  const int32_t Offset = Params.ReadOffset;
  ShiftSectors = Offset / kSectorFrames - (Offset % kSectorFrames < 0 ? 1 : 0);
  ShiftBytes = (Offset - ShiftSectors * kSectorFrames) * 4;
  DiscNext = First + ShiftSectors;
  if (ShiftBytes > 0) Shifted.resize(static_cast<size_t>(ChunkBytes));

  std::lock_guard<std::mutex> Lock(Media->Io);
  Paranoia = std::make_unique<TParanoia>();
  // cdda knows the drive's byte order (a MOTOROLA image, a big-endian drive)
  // and turns samples into host order, for plain reads as for paranoia.
  Paranoia->Drive = cdio_cddap_identify_cdio(Media->Cdio(), CDDA_MESSAGE_FORGETIT, nullptr);
  if (!Paranoia->Drive || cdio_cddap_open(Paranoia->Drive) != 0)
    throw std::runtime_error("cannot open the disc for reading audio");
  if (Drive.ByteOrder() >= 0) Paranoia->Drive->bigendianp = Drive.ByteOrder();
  if (Params.Speed > 0 && !Drive.IsImage()) cdio_cddap_speed_set(Paranoia->Drive, Params.Speed);
  if (Params.JitterCorrection != 0) {
    Paranoia->Paranoia = cdio_paranoia_init(Paranoia->Drive);
    if (!Paranoia->Paranoia) throw std::runtime_error("cannot start paranoia");
    // cd-paranoia's default: full paranoia, but give up on a sector after
    // the retries rather than hang on a scratch. Its range is set per run of
    // audio sectors as they are read.
    cdio_paranoia_modeset(Paranoia->Paranoia, PARANOIA_MODE_FULL ^ PARANOIA_MODE_NEVERSKIP);
  }
}

TExtraction::~TExtraction() {
  if (Media) {
    std::lock_guard<std::mutex> Lock(Media->Io);
    Paranoia.reset();
  }
}

void TExtraction::NoteError(int32_t Start, int32_t End) {
  ++ErrorCount;
  ErrorStart = Start;
  ErrorEnd = End;
}

void TExtraction::ReadPlain(int32_t Sector, int32_t Count, uint8_t* Into) {
  // cdda reads at most its drive's burst (nsectors) per call and says how
  // many it read.
  auto Read = [&](int32_t At, int32_t N, uint8_t* Bytes) {
    std::lock_guard<std::mutex> Lock(Media->Io);
    while (N > 0) {
      if (Media->Gone) return false;
      long Got = cdio_cddap_read(Paranoia->Drive, Bytes, At, N);
      if (Got <= 0 || Got > N) return false;
      At += static_cast<int32_t>(Got);
      N -= static_cast<int32_t>(Got);
      Bytes += static_cast<size_t>(Got) * kSectorBytes;
    }
    return true;
  };
  for (int32_t Try = 0; Try < 3; ++Try)
    if (Read(Sector, Count, Into)) return;
  // A disc taken out, or an image removed: the medium is marked Gone.
  Drive.MediaLoaded();
  // Sector by sector: what still cannot be read becomes silence.
  for (int32_t I = 0; I < Count; ++I) {
    uint8_t* Bytes = Into + static_cast<size_t>(I) * kSectorBytes;
    if (!Read(Sector + I, 1, Bytes)) {
      std::memset(Bytes, 0, kSectorBytes);
      NoteBadDiscSector(Sector + I);
    }
  }
}

void TExtraction::ReadParanoid(int32_t Sector, int32_t Count, uint8_t* Into) {
  TParanoiaEvents Events;
  TEventsScope Scope(Events);
  if (Sector != ParanoiaAt) {
    // paranoia reads one run of audio sectors in order: a new run, or the
    // first read, starts it afresh.
    const auto [From, To] = AudioRun(Sector);
    std::lock_guard<std::mutex> Lock(Media->Io);
    cdio_paranoia_set_range(Paranoia->Paranoia, From, To);
    cdio_paranoia_seek(Paranoia->Paranoia, Sector, SEEK_SET);
  }
  ParanoiaAt = Sector + Count;
  for (int32_t I = 0; I < Count; ++I) {
    uint8_t* Bytes = Into + static_cast<size_t>(I) * kSectorBytes;
    int16_t* Words = nullptr;
    {
      std::lock_guard<std::mutex> Lock(Media->Io);
      if (!Media->Gone)
        Words = cdio_paranoia_read_limited(Paranoia->Paranoia, ParanoiaCallback, Retries);
    }
    if (Words) {
      std::memcpy(Bytes, Words, kSectorBytes);
    } else {
      std::memset(Bytes, 0, kSectorBytes);
      NoteBadDiscSector(Sector + I);
    }
  }
  // paranoia reads ahead: trouble it met beyond this chunk belongs to the
  // chunk that delivers those sectors, and trouble outside the range to none.
  const int32_t RangeEnd = Last + ShiftSectors + (ShiftBytes > 0 ? 1 : 0);
  for (long At : Events.Sectors)
    if (At >= First + ShiftSectors && At <= RangeEnd) NoteBadDiscSector(static_cast<int32_t>(At));
  // Trouble that could not be noted still makes the chunk suspect.
  if (Events.Lost) NoteBadSector(Next);
}

std::pair<int32_t, int32_t> TExtraction::AudioRun(int32_t Sector) const {
  const std::vector<TTocEntry>& Toc = Media->TableOfContents();
  const auto IsAudio = [&Toc](size_t Entry) { return (Toc[Entry].Flags & 4) == 0; };
  if (Sector < 0 || Sector >= Media->LeadOut()) return {1, 0};
  size_t Entry = 0;  // the track that holds Sector; a first pregap is the first track's
  while (Entry + 2 < Toc.size() && Toc[Entry + 1].StartSector <= Sector) ++Entry;
  if (!IsAudio(Entry)) return {1, 0};
  size_t Begin = Entry, End = Entry + 1;
  while (Begin > 0 && IsAudio(Begin - 1)) --Begin;
  while (End + 1 < Toc.size() && IsAudio(End)) ++End;
  // Only what this extraction needs, so paranoia reads no further.
  const int32_t NeedFrom = First + ShiftSectors;
  const int32_t NeedTo = Last + ShiftSectors + (ShiftBytes > 0 ? 1 : 0);
  return {std::max(Begin == 0 ? 0 : Toc[Begin].StartSector, NeedFrom),
          std::min(Toc[End].StartSector - 1, NeedTo)};
}

void TExtraction::NoteBadDiscSector(int32_t Sector) {
  NoteBadSector(std::clamp(Sector - ShiftSectors, First, Last));
}

void TExtraction::NoteBadSector(int32_t Sector) {
  if (BadSectors.insert(Sector).second) ++ErrorCount;
}

bool TExtraction::ChunkIsClean(int32_t Count) {
  auto From = BadSectors.lower_bound(Next);
  if (From == BadSectors.end() || *From >= Next + Count) return true;
  auto To = BadSectors.lower_bound(Next + Count);
  ErrorStart = *From;
  ErrorEnd = *std::prev(To);
  return false;
}

void TExtraction::ReadDisc(int32_t Sector, int32_t Count, uint8_t* Into) {
  for (int32_t I = 0; I < Count;) {
    uint8_t* Bytes = Into + static_cast<size_t>(I) * kSectorBytes;
    const auto [From, To] = AudioRun(Sector + I);
    if (From > To) {
      std::memset(Bytes, 0, kSectorBytes);
      ++I;
      continue;
    }
    const int32_t N = std::min(Count - I, To - (Sector + I) + 1);
    if (Paranoia->Paranoia)
      ReadParanoid(Sector + I, N, Bytes);
    else
      ReadPlain(Sector + I, N, Bytes);
    I += N;
  }
}

bool TExtraction::ReadSectors(int32_t Count, uint8_t* Into) {
  if (ShiftBytes == 0) {
    ReadDisc(Next + ShiftSectors, Count, Into);
  } else {
    // The range starts inside a disc sector: each chunk begins with the end
    // of the sector the last one read, so no sector is read twice.
    const size_t Bytes = static_cast<size_t>(Count) * kSectorBytes;
    if (Lead.empty()) {
      ReadDisc(DiscNext++, 1, Shifted.data());
      Lead.assign(Shifted.begin() + ShiftBytes, Shifted.begin() + kSectorBytes);
    }
    ReadDisc(DiscNext, Count, Shifted.data());
    DiscNext += Count;
    std::memcpy(Into, Lead.data(), Lead.size());
    std::memcpy(Into + Lead.size(), Shifted.data(), Bytes - Lead.size());
    Lead.assign(Shifted.begin() + static_cast<std::ptrdiff_t>(Bytes - Lead.size()),
                Shifted.begin() + static_cast<std::ptrdiff_t>(Bytes));
  }
  if (SwapChannels) {
    auto* Samples = reinterpret_cast<int16_t*>(Into);
    for (int32_t I = 0; I < Count * kSectorBytes / 4; ++I)
      std::swap(Samples[2 * I], Samples[2 * I + 1]);
  }
  return ChunkIsClean(Count);
}

int32_t TExtraction::Chunk(uint8_t* Buffer, int32_t& NumBytes, bool Abort) {
  NumBytes = 0;
  if (Abort) {
    Next = Last + 1;
    Flushed = true;
    Pending.clear();
    PendingAt = 0;
    return kCdexRippingDone;
  }
  bool Corrected = false;
  if (PendingAt == Pending.size()) {
    Pending.clear();
    PendingAt = 0;
    if (Next <= Last) {
      if (Media->Gone) {
        // The disc left the drive: the rest of the range is lost.
        NoteError(Next, Last);
        Next = Last + 1;
        Flushed = true;
        return kCdexRippingDone;
      }
      int32_t Count = std::min(ChunkSectors, Last - Next + 1);
      if (Converter.Passthrough()) {
        // The disc's own format: straight into the caller's buffer.
        Corrected = !ReadSectors(Count, Buffer);
        Next += Count;
        Flushed = Next > Last;
        NumBytes = Count * kSectorBytes;
        return Corrected ? kCdexJitterError : kCdexOk;
      }
      Corrected = !ReadSectors(Count, Raw.data());
      Converter.Convert(reinterpret_cast<const int16_t*>(Raw.data()),
                        static_cast<size_t>(Count) * kSectorBytes / 4, Pending);
      Next += Count;
      if (Next > Last) {
        Converter.Flush(Pending);
        Flushed = true;
      }
    }
  }
  size_t Left = Pending.size() - PendingAt;
  if (Left == 0 && Next > Last && Flushed) return kCdexRippingDone;
  size_t Take = std::min(Left, static_cast<size_t>(ChunkBytes));
  if (Take > 0) std::memcpy(Buffer, Pending.data() + PendingAt, Take);
  PendingAt += Take;
  NumBytes = static_cast<int32_t>(Take);
  return Corrected ? kCdexJitterError : kCdexOk;
}

int32_t TExtraction::PercentCompleted() const {
  int64_t Done = std::min<int64_t>(Next, static_cast<int64_t>(Last) + 1) - First;
  int64_t Total = static_cast<int64_t>(Last) - First + 1;
  return static_cast<int32_t>(Done * 100 / Total);
}

}  // namespace tolvar::cdrip
