// tolvar-cli rip TRACKS: the window's rip jobs from the command line. Tracks
// of the selected disc become WAV, MP3, Ogg Vorbis or raw PCM files, named and
// tagged as the window names and tags them: one file per track, or (--single)
// one file for a run of tracks with its CUE sheet beside it. Each written path
// is printed on stdout; progress goes to stderr.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <iostream>
#include <optional>

#include "CliOutput.h"
#include "CliRipper.h"
#include "Commands.h"
#include "EncoderOptions.h"
#include "Interrupt.h"
#include "LookupCommands.h"
#include "RipVerify.h"
#include "TagOptions.h"
#include "encoders/LameCoder.h"
#include "ripper/CueSheet.h"
#include "ripper/RipFile.h"
#include "ripper/RipNames.h"
#include "ripper/RipPipeline.h"
#include "util/MiscFunctions.h"
#include "util/StringFunctions.h"

namespace tolvar::cli {

namespace {

enum class TFormat { Wav, Mp3, Ogg, Pcm, Flac, Opus };
const char* const kFormatNames[] = {"wav", "mp3", "ogg", "pcm", "flac", "opus"};

const char* Extension(TFormat Format) {
  static const char* const kExtensions[] = {".wav", ".mp3", ".ogg", ".pcm", ".flac", ".opus"};
  return kExtensions[static_cast<int>(Format)];
}

// FLAC and Opus go through the ripper's stream encoders.
std::optional<TStreamFormat> StreamFormatOf(TFormat Format) {
  if (Format == TFormat::Flac) return TStreamFormat::Flac;
  if (Format == TFormat::Opus) return TStreamFormat::Opus;
  return std::nullopt;
}

// The tag options; a text not given takes the window's default.
struct TTexts {
  std::optional<std::string> Artist, Title, Album, Year, Genre, Comment;
};

struct TJob {
  TRipperSession& Session;
  TCDRipper& Ripper;
  TFormat Format;
  std::string Folder;
  TTexts Texts;
  TTagExtras Extras;
  TRipProgress Progress;
  bool AbortSent = false;               // Ctrl-C reached the ripper
  const TMetaRelease* Match = nullptr;  // --lookup: the chosen release
  TCoverImage Cover{};                  // --cover: embedded in every file that has tags
  TRipVerifier* Verifier = nullptr;     // --verify, --test-and-copy, --log
};

bool IsRegularFile(const std::string& Path) {
  struct stat Info;
  return stat(Path.c_str(), &Info) == 0 && S_ISREG(Info.st_mode);
}

// An unfinished file is no result: it goes (a stopped rip keeps its part).
void Discard(const std::string& Path) {
  if (IsRegularFile(Path)) unlink(Path.c_str());
}

enum class TOutcome { Complete, Stopped };

// MP3 and Ogg files get the cover once written; FLAC and Opus write it with
// their stream (MatchedExtras).
void EmbedCover(const TJob& J, const std::string& File) {
  if (J.Cover.Empty() || (J.Format != TFormat::Mp3 && J.Format != TFormat::Ogg)) return;
  const bool Embedded =
      J.Format == TFormat::Mp3 ? EmbedCoverMp3(File, J.Cover) : EmbedCoverOgg(File, J.Cover);
  if (!Embedded) std::cerr << "tolvar-cli: could not embed the cover into " << File << '\n';
}

// Rips tracks First..Last (Last -1: First alone) into the ripper's FileName.
// Throws TCommandError when the file could not be made whole.
TOutcome RipOne(TJob& J, int First, int Last) {
  TCDRipper& R = J.Ripper;
  const std::string File = R.FileName;
  if (!R.DiscInfoValid) throw TCommandError("the disc was removed");
  J.Progress.Begin(File);
  bool Done = false;
  try {
    if (J.Verifier) J.Verifier->BeforeRip(First, Last == -1 ? First : Last);
    Done = J.Format == TFormat::Ogg ? R.RipOgg(First, Last) : R.Rip(First, Last);
  } catch (const EFCreateError&) {
    J.Progress.End();
    throw;  // nothing of ours to remove
  } catch (...) {
    J.Progress.End();
    Discard(File);
    J.Session.Monitor.PollNow();
    if (!R.DiscInfoValid) throw TCommandError("the disc was removed while ripping " + File);
    throw;
  }
  J.Progress.End();
  // A read that failed because the disc went is told as that, not as a read
  // error: the monitor's next poll may not have come yet.
  if (!Done) J.Session.Monitor.PollNow();
  if (!R.DiscInfoValid) {
    Discard(File);
    throw TCommandError("the disc was removed while ripping " + File);
  }
  if (J.AbortSent) return TOutcome::Stopped;
  if (!Done) {
    Discard(File);
    throw TCommandError("could not rip track " + std::to_string(First) + " into " + File);
  }
  EmbedCover(J, File);
  if (J.Verifier) J.Verifier->AfterRip(First, Last == -1 ? First : Last, File);
  std::cout << File << std::endl;
  return TOutcome::Complete;
}

[[noreturn]] void Stopped(const std::string& File) {
  throw TCommandError("Process stopped; the partial file " + File + " is kept");
}

// The texts of a file: the options given, then the chosen match's texts of
// the disc and of Track (0: the disc alone).
TTexts MatchedTexts(const TJob& J, int Track) {
  TTexts T = J.Texts;
  if (!J.Match) return T;
  auto Fill = [](std::optional<std::string>& Text, const std::string& Found) {
    if (!Text && !Found.empty()) Text = Found;
  };
  if (const TMetaTrack* Matched = J.Match->FindTrack(Track)) {
    Fill(T.Artist, Matched->Artist);
    Fill(T.Title, Matched->Title);
  }
  Fill(T.Artist, J.Match->Artist);
  Fill(T.Album, J.Match->Album);
  Fill(T.Year, J.Match->Year());
  return T;
}

// The fields beyond the texts: the options given, then the chosen match's
// (Track 0: the disc alone), and the cover for the formats that carry it in
// their stream.
TTagExtras MatchedExtras(const TJob& J, int Track) {
  TTagExtras X = J.Extras;
  if (J.Match) J.Match->AddTagFields(Track, X);
  if (!J.Cover.Empty() && (J.Format == TFormat::Flac || J.Format == TFormat::Opus)) {
    X.Picture.MimeType = J.Cover.Mime;
    X.Picture.Data = J.Cover.Bytes;
  }
  return X;
}

// The ripper's tags and file name for Track as a separate file.
void NameSeparate(TJob& J, int Track) {
  TCDRipper& R = J.Ripper;
  const TTexts T = MatchedTexts(J, Track);
  const std::string Artist = T.Artist.value_or(kUnknownText);
  const std::string Title = T.Title.value_or("Track " + std::to_string(Track));
  SetRipTags(R.TagInfo, Title, Artist, T.Album.value_or(""), T.Genre.value_or(""),
             T.Comment.value_or(kRipComment), T.Year.value_or(""));
  R.TagExtras = MatchedExtras(J, Track);
  R.FileName = SeparateTrackFileName(J.Folder, Track - 1, Artist, Title, Extension(J.Format));
}

void RipSeparate(TJob& J, int Track) {
  NameSeparate(J, Track);
  if (RipOne(J, Track, -1) == TOutcome::Stopped) Stopped(J.Ripper.FileName);
}

// Tracks as separate files, encoded by up to Jobs threads beside the reading.
void RipSeparateJobs(TJob& J, const std::vector<int>& Tracks, int Jobs) {
  TCDRipper& R = J.Ripper;
  TRipPipeline Pipeline(R, Jobs);
  std::string Kept, Failure;
  Pipeline.OnFileDone = [&](const TRipPipeline::TFileDone& F) {
    J.Progress.End();
    switch (F.State) {
      case TRipPipeline::TFileState::Whole:
        EmbedCover(J, F.FileName);
        std::cout << F.FileName << std::endl;
        break;
      case TRipPipeline::TFileState::Stopped:
        // One partial file is kept, as a rip of one track after another
        // keeps it; later ones stopped beside it go.
        if (Kept.empty())
          Kept = F.FileName;
        else
          Discard(F.FileName);
        break;
      case TRipPipeline::TFileState::NotMade:
        Discard(F.FileName);
        if (Failure.empty())
          Failure = "could not rip track " + std::to_string(F.Track) + " into " + F.FileName;
        break;
      case TRipPipeline::TFileState::Failed:
        break;  // removed already; Finish tells why
    }
  };
  Pipeline.OnJobsProgress = [&J](const std::vector<TRipPipeline::TJobProgress>& Running) {
    std::vector<TRipProgress::TBar> Bars;
    for (const auto& Job : Running) Bars.push_back({Job.FileName, Job.Percent});
    J.Progress.ShowJobs(std::move(Bars));
  };
  for (int T : Tracks) {
    if (Interrupted() || !Failure.empty()) break;
    if (!R.DiscInfoValid) throw TCommandError("the disc was removed");
    NameSeparate(J, T);
    J.Progress.Begin(R.FileName);
    // The test read runs here, on the reading thread, before the copy's range opens.
    if (J.Verifier) J.Verifier->BeforeRip(T, T);
    if (!Pipeline.Rip(T, -1, J.Format == TFormat::Ogg)) break;
    if (J.Verifier) J.Verifier->AfterRip(T, T, R.FileName);
  }
  try {
    Pipeline.Finish();
  } catch (const ECDRIPError& Error) {
    J.Progress.End();
    throw TCommandError(Error.what());
  }
  J.Progress.End();
  if (!Failure.empty()) throw TCommandError(Failure);
  if (!Kept.empty()) Stopped(Kept);
  if (Interrupted() || J.AbortSent) throw TCommandError("Process stopped");
}

// The sheet's rows for tracks First..Last (from 0): titles and artists as the
// rows of a rip with these texts have them.
std::vector<TCueTrack> CueRows(const TCDRipper& R, const TTexts& T, int First, int Last) {
  std::vector<TCueTrack> Rows;
  for (int Row = First; Row <= Last; ++Row)
    Rows.push_back({"Track " + std::to_string(Row + 1), T.Artist.value_or(kUnknownText),
                    R.GetTrack(Row)->StartSector});
  return Rows;
}

// Rows First..Last (from 0) into one file, then its CUE sheet (also after a
// stop, as the window does).
void RipRegion(TJob& J, int First, int Last) {
  TCDRipper& R = J.Ripper;
  const TTexts T = MatchedTexts(J, 0);
  const std::string DiscArtist = T.Artist.value_or(kUnknownText);
  const std::string DiscTitle = T.Album.value_or(kUnknownText);
  const std::string Range = std::to_string(First + 1) + "-" + std::to_string(Last + 1);
  SetRipTags(R.TagInfo, T.Title.value_or(DiscTitle + " (tracks " + Range + ")"), DiscArtist,
             DiscTitle, T.Genre.value_or(""), T.Comment.value_or(kRipComment), T.Year.value_or(""));
  R.TagExtras = MatchedExtras(J, 0);
  R.FileName = SingleTrackFileName(J.Folder, First, Last, R.DiscInfo.TrackCount, DiscArtist,
                                   DiscTitle, Extension(J.Format));
  const TOutcome Outcome = RipOne(J, First + 1, Last + 1);

  const std::string Cue = ChangeFileExt(R.FileName, ".cue");
  if (!WriteCueSheet(Cue, CueRows(R, T, First, Last), DiscArtist, R.FileName))
    throw TCommandError("cannot write the CUE sheet " + Cue);
  if (Outcome == TOutcome::Stopped) Stopped(R.FileName);
  std::cout << Cue << std::endl;
}

// The output folder as the Start button takes it: one trailing slash
// removed, created with its parents, made absolute (the CUE sheet names the
// file by its full path).
std::string OutputFolder(std::optional<std::string> Out) {
  if (!Out) {
    char Here[PATH_MAX];
    if (!getcwd(Here, sizeof Here)) throw TCommandError("cannot tell the current folder");
    return Here;
  }
  if (Out->empty()) throw TUsageError("option --out needs a folder");
  std::string Folder = Out->size() > 1 ? ExcludeTrailingSlash(*Out) : *Out;
  if (!ForceDirectories(Folder)) throw TCommandError("Invalid directory to save: " + Folder);
  char Full[PATH_MAX];
  if (!realpath(Folder.c_str(), Full)) throw TCommandError("Invalid directory to save: " + Folder);
  return Full;
}

TFormat FormatOption(TArgs& Args) {
  auto Text = Args.Value("--format");
  if (!Text) return TFormat::Mp3;
  auto It = std::find(std::begin(kFormatNames), std::end(kFormatNames), *Text);
  if (It == std::end(kFormatNames))
    throw TUsageError("option --format: '" + *Text + "' is not one of wav|mp3|ogg|pcm|flac|opus");
  return static_cast<TFormat>(It - std::begin(kFormatNames));
}

TTexts TextOptions(TArgs& Args) {
  auto Text = [&Args](const char* Name) -> std::optional<std::string> { return Args.Value(Name); };
  return {Text("--artist"), Text("--title"), Text("--album"),
          Text("--year"),   Text("--genre"), Text("--comment")};
}

// A folder made absolute without creating it: the sheet names files by full path.
std::string AbsoluteFolder(const std::optional<std::string>& Out) {
  char Here[PATH_MAX];
  if ((!Out || Out->empty() || Out->front() != '/') && !getcwd(Here, sizeof Here))
    throw TCommandError("cannot tell the current folder");
  if (!Out || Out->empty()) return Here;
  const std::string Folder = Out->size() > 1 ? ExcludeTrailingSlash(*Out) : *Out;
  return Folder.front() == '/' ? Folder : std::string(Here) + "/" + Folder;
}

}  // namespace

std::vector<int> ParseTracks(const std::string& Text) {
  const TUsageError Bad("TRACKS: '" + Text +
                        "' is not a track number, a range such as 2-5 or a list such as 1,3,7");
  auto Number = [&](const std::string& Digits) {
    if (Digits.empty() || Digits.size() > 2 ||
        !std::all_of(Digits.begin(), Digits.end(), [](char C) { return C >= '0' && C <= '9'; }))
      throw Bad;
    return std::stoi(Digits);
  };
  std::vector<int> Tracks;
  for (size_t Start = 0, End; Start <= Text.size(); Start = End + 1) {
    End = std::min(Text.find(',', Start), Text.size());
    const std::string Item = Text.substr(Start, End - Start);
    const size_t Dash = Item.find('-');
    const int First = Number(Item.substr(0, Dash));
    const int Last = Dash == std::string::npos ? First : Number(Item.substr(Dash + 1));
    if (First < 1 || Last < First) throw Bad;
    for (int T = First; T <= Last; ++T) Tracks.push_back(T);
  }
  std::sort(Tracks.begin(), Tracks.end());
  Tracks.erase(std::unique(Tracks.begin(), Tracks.end()), Tracks.end());
  return Tracks;
}

void CheckTracks(const TCDRipper& R, const std::vector<int>& Tracks) {
  for (int T : Tracks) {
    if (T > R.DiscInfo.TrackCount || !R.GetTrack(T - 1))
      throw TCommandError("there is no track " + std::to_string(T) + " on the disc (" +
                          std::to_string(R.DiscInfo.TrackCount) + " tracks)");
    if (!R.DiscInfo.Entries[T - 1].Audio)
      throw TCommandError("track " + std::to_string(T) + " is a data track");
  }
}

extern const char* const kRipOptionsHelp;
const char* const kRipOptionsHelp =
    "  --format wav|mp3|ogg|pcm|flac|opus   output format (default mp3; pcm: headerless\n"
    "                         16-bit PCM)\n"
    "  --out DIR              output folder, created when missing (default the current folder)\n"
    "  --single               a contiguous range into one file, with its CUE sheet\n"
    "  --artist A  --title T  --album L  --year Y  --genre G  --comment C   tag texts\n"
    "  --jitter-correct       read through paranoia's jitter correction\n"
    "  --jobs N               encode up to N tracks at once beside the reading (default the\n"
    "                         number of cores; 1 rips one track after another)\n"
    "  --lookup [--sources LIST] [--choose N]   name and tag the files from the disc's\n"
    "                         lookup (see 'lookup'); the tag options above still win\n"
    "  --cover                with --lookup: embed the front cover, save cover.jpg beside\n"
    "  --verify               check each track against AccurateRip; verdicts after the paths\n"
    "  --test-and-copy        read each track twice (test without a file, then the copy);\n"
    "                         different CRCs make the track suspicious\n"
    "  --offset K             the drive's read offset in samples (default: the settings\n"
    "                         file's [Drives] value for the drive, else 0)\n"
    "  --log FILE             write the rip log, sealed with its SHA-256 checksum\n"
    "  and the tag, FLAC, Opus, Ogg and MP3 encoder options of 'encode'\n";

int RunRip(TContext& Context, TArgs& Args) {
  // Every option first: mistakes end the command before the disc is touched.
  const TFormat Format = FormatOption(Args);
  const std::optional<std::string> Out = Args.Value("--out");
  const bool Single = Args.Flag("--single");
  const TTexts Texts = TextOptions(Args);
  TLameCoder Coder;
  ApplyEncoderOptions(Args, Coder);
  const TLameMode Mode = Coder.Mode();
  const TStreamSettings Stream =
      StreamOptions(Args, StreamFormatOf(Format).value_or(TStreamFormat::Vorbis));
  const TTagExtras Extras = TagExtraOptions(Args);
  const bool JitterCorrect = Args.Flag("--jitter-correct");
  const int Jobs = static_cast<int>(Args.Integer("--jobs", TRipPipeline::DefaultJobs(), 1, 64));
  const bool Lookup = Args.Flag("--lookup");
  const TLookupOptions LookupChoice = LookupOptions(Args);
  const bool Cover = Args.Flag("--cover");
  if (Cover && !Lookup) throw TUsageError("--cover needs --lookup");
  const TVerifyOptions Verify = VerifyOptions(Args);
  // The checksums are taken of the audio the library delivers, before
  // encoding: that is the disc's own 44.1 kHz stereo unless a mono MP3 asks
  // the library to mix down.
  if ((Verify.Verify || Verify.TestAndCopy) && Format == TFormat::Mp3 &&
      Coder.Mode() == TLameMode::MONO)
    throw TUsageError("--verify and --test-and-copy need stereo audio: not with --mode mono");
  const std::vector<std::string> Words = Args.Positionals();
  if (Words.size() != 1) throw TUsageError("rip needs exactly one TRACKS argument");
  const std::vector<int> Tracks = ParseTracks(Words.front());
  if (Texts.Title && Tracks.size() > 1 && !Single)
    throw TUsageError("--title names one track: give one track, or --single");
  if (Extras.TrackNumber > 0 && Tracks.size() > 1 && !Single)
    throw TUsageError("--track numbers one track: give one track, or --single");

  // The names first: a lookup that finds nothing ends the command before
  // any file is written.
  std::optional<TLookupResult> Found;
  std::optional<TAccurateRipId> ArId;
  if (Verify.Any()) ArId = DiscAccurateRipId(Context);
  if (Lookup) {
    Found = LookUpDisc(Context, LookupChoice);
    if (Found->Source.empty()) throw TCommandError("no source knows the disc");
  }

  TRipperSession Session(Context);
  TCDRipper& R = Session.Ripper;
  Session.Start();
  if (!R.DiscInfoValid) throw TCommandError("no disc in drive " + std::to_string(Session.Drive));
  if (!R.CheckDisc()) throw TCommandError(R.StatusText);
  CheckTracks(R, Tracks);
  std::vector<bool> Checked(R.DiscInfo.TrackCount, false);
  for (int T : Tracks) Checked[T - 1] = true;
  const TRegion Region = Single ? FindSingleTrackRegion(Checked) : TRegion{};
  if (Single && Region.Kind == TRegionKind::Invalid)
    throw TUsageError("--single takes one contiguous range of tracks, such as 2-5");

  TJob J{Session,
         R,
         Format,
         OutputFolder(Out),
         Texts,
         Extras,
         TRipProgress(isatty(STDERR_FILENO) == 1)};
  if (Found) {
    J.Match = &ChosenMatch(*Found, LookupChoice.Choose);
    if (Cover) J.Cover = FetchCover(*Found, *J.Match);
    if (!J.Cover.Empty() && SaveCoverFile(J.Folder, J.Cover).empty())
      throw TCommandError("cannot write the cover into " + J.Folder);
  }

  // The encoder as the window sets it up: the ripper's Coder, its mode and
  // rate following the output format. A mono MP3 is made from audio the
  // library mixes down; the other modes take the disc's stereo.
  R.SetCoder(&Coder);
  const bool Mono = Format == TFormat::Mp3 && Mode == TLameMode::MONO;
  R.SetOutputFormat(Mono ? cdrip::MONO44100 : cdrip::STEREO44100);
  Coder.SetMode(Mode);
  R.SetJitterCorrect(JitterCorrect);
  R.SetReadOffset(DriveReadOffset(R, Session.Drive, Verify.Offset));
  std::optional<TRipVerifier> Verifier;
  if (Verify.Any()) {
    Verifier.emplace(R, Session.Loop, Session.Drive, Verify, *ArId);
    if (J.Match) Verifier->SetMetadata(Found->Source, {{"Release ID", J.Match->ReleaseId}});
    J.Verifier = &*Verifier;
  }
  R.Encode = Format == TFormat::Mp3 || StreamFormatOf(Format);
  R.WriteWAV = Format == TFormat::Wav;
  if (StreamFormatOf(Format)) R.StreamEncoding = Stream;
  R.VorbisQuality = Stream.VorbisQuality;

  TCliDialogs Dialogs;
  TInterruptGuard Guard;
  R.OnProgress = [&J](TCDRipper*, uint16_t Percent) { J.Progress.Show(Percent); };
  R.ProcessMessages = [&J] {
    J.Session.ProcessMessages();
    if (Interrupted() && !J.AbortSent) {
      J.AbortSent = true;
      J.Ripper.Abort();
    }
  };

  if (Single && Region.Kind == TRegionKind::Region) {
    RipRegion(J, Region.First, Region.Last);
  } else if (Jobs > 1 && Format != TFormat::Wav && Format != TFormat::Pcm) {
    RipSeparateJobs(J, Tracks, Jobs);
  } else {
    for (int T : Tracks) {
      if (Interrupted()) throw TCommandError("Process stopped");
      RipSeparate(J, T);
    }
  }
  R.ProcessMessages = nullptr;
  return Verifier ? Verifier->Finish() : 0;
}

}  // namespace tolvar::cli

namespace tolvar::cli {

extern const char* const kCueOptionsHelp;
const char* const kCueOptionsHelp =
    "  --first N  --last M    the disc's tracks N to M (default all of them)\n"
    "  --format wav|mp3|ogg|pcm|flac|opus  --out DIR   the file the sheet names: the one 'rip N-M\n"
    "                         --single' writes with these options (default mp3, current folder)\n"
    "  --artist A  --album L  the disc's artist and title, as for 'rip'\n";

// tolvar-cli cue FILE: the CUE sheet "File" > "Export .cue file" writes, for
// the file a single-file rip of the same tracks would make.
int RunCue(TContext& Context, TArgs& Args) {
  const TFormat Format = FormatOption(Args);
  const std::optional<std::string> Out = Args.Value("--out");
  const TTexts Texts = TextOptions(Args);
  const long long FirstOption = Args.Integer("--first", 1, 1, 99);
  const std::optional<std::string> LastText = Args.Value("--last");
  const std::vector<std::string> Words = Args.Positionals();
  if (Words.size() != 1) throw TUsageError("cue needs exactly one FILE argument");

  TRipperSession Session(Context);
  TCDRipper& R = Session.Ripper;
  Session.Start();
  if (!R.DiscInfoValid || R.Tracks().Count() == 0)
    throw TCommandError("no disc in drive " + std::to_string(Session.Drive));
  const int Count = R.Tracks().Count();
  const int First = static_cast<int>(FirstOption) - 1;
  int Last = Count - 1;
  if (LastText) Last = static_cast<int>(ParseIntArg(*LastText, "option --last", 1, 99)) - 1;
  if (First >= Count || Last >= Count)
    throw TCommandError("there is no track " + std::to_string(std::max(First, Last) + 1) +
                        " on the disc (" + std::to_string(Count) + " tracks)");
  const std::string DiscArtist = Texts.Artist.value_or(kUnknownText);
  const std::string File =
      SingleTrackFileName(AbsoluteFolder(Out), First, Last, Count, DiscArtist,
                          Texts.Album.value_or(kUnknownText), Extension(Format));
  // A range that ends before it starts gives the FILE line alone.
  const std::vector<TCueTrack> Rows =
      Last >= First ? CueRows(R, Texts, First, Last) : std::vector<TCueTrack>{};
  if (!WriteCueSheet(Words.front(), Rows, DiscArtist, File))
    throw TCommandError("cannot write the CUE sheet " + Words.front());
  std::cout << Words.front() << std::endl;
  return 0;
}

}  // namespace tolvar::cli
