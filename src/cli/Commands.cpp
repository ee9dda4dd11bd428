#include "Commands.h"

#include <string>

#include "EncoderOptions.h"
#include "TagOptions.h"
#include "cddb/Cddb.h"

namespace tolvar::cli {

int CmdDrives(TContext& Context, TArgs& Args);
int CmdToc(TContext& Context, TArgs& Args);
int RunCddb(TContext& Context, TArgs& Args);
int RunTag(TContext& Context, TArgs& Args);
int RunEncode(TContext& Context, TArgs& Args);
int RunPlay(TContext& Context, TArgs& Args);
int RunEject(TContext& Context, TArgs& Args);
int RunClose(TContext& Context, TArgs& Args);
int RunRip(TContext& Context, TArgs& Args);
extern const char* const kRipOptionsHelp;
int RunCue(TContext& Context, TArgs& Args);
int RunDiscId(TContext& Context, TArgs& Args);
int RunLookup(TContext& Context, TArgs& Args);
int RunAccurateRip(TContext& Context, TArgs& Args);
int RunVerify(TContext& Context, TArgs& Args);
int RunOffset(TContext& Context, TArgs& Args);
int RunLog(TContext& Context, TArgs& Args);
extern const char* const kCueOptionsHelp;

namespace {

// Lines after the first of a synopsis stand under their command, indented.
std::string Nested(const std::string& Lines) {
  std::string Out;
  for (size_t Start = 0; Start < Lines.size();) {
    size_t End = Lines.find('\n', Start);
    if (End == std::string::npos) End = Lines.size();
    Out += "\n  " + Lines.substr(Start, End - Start);
    Start = End + 1;
  }
  return Out;
}

const std::string kCddbSynopsis =
    "cddb discid|query|read|lookup [options]   the CDDB client" +
    Nested(
        "  discid                 disc ID and query line from the CDDB client's TOC reader\n"
        "  query                  look the disc up: the matches, the chosen category and ID\n"
        "  read --category C [--discid D]   read an entry and print its fields\n"
        "  lookup                 query, then read the chosen match\n"
        "  --server HOST[:PORT]   CDDB server (default " +
        std::string(kCddbServer) +
        ")\n"
        "  --path PATH            the server's CGI path (default /~cddb/cddb.cgi)\n"
        "  --email USER@HOST      the contact address sent in the handshake (default " +
        kCddbEmailUser +
        ")\n"
        "  --proxy HOST[:PORT]    send the requests through an HTTP proxy\n"
        "  --proto 5|6            the protocol level: 6 answers in UTF-8 (default), 5 in Latin-1\n"
        "  --choose N             the match to take (from 0; -1 declines; default 0)\n"
        "  --verbose              also print every line sent and received on stderr");

const std::string kEncodeSynopsis =
    "encode FILE... [options]   WAV files to MP3 (FLAC, Opus, Ogg) files beside them" +
    Nested(std::string("  --format mp3|flac|opus|ogg   output format (default mp3)\n") +
           "  --jobs N               encode N files at once, 1-64 (default: one per core)\n" +
           kStreamOptionsHelp + "  encoder options (for every command that encodes MP3):\n" +
           kEncoderOptionsHelp);

const std::string kTagSynopsis =
    "tag FILE [--title T] [--artist A] [--album L] [--year Y] [--comment C] [--genre G]" +
    Nested(kTagExtraOptionsHelp);

const std::string kRipSynopsis =
    "rip TRACKS [options]   rip tracks \"3\", \"2-5\" or \"1,3,7\" into files" +
    Nested(kRipOptionsHelp);

const std::string kCueSynopsis =
    "cue FILE [options]     write the disc's CUE sheet" + Nested(kCueOptionsHelp);

const std::string kLookupSynopsis =
    "lookup [options]       find the disc's names: MusicBrainz, then CDDB, then CD-Text" +
    Nested(
        "  --sources LIST         the sources in order (default musicbrainz,cddb,cdtext)\n"
        "  --choose N             the match to take (from 0; default 0)\n"
        "  --json                 print one JSON object instead of lines\n"
        "  --cover FILE           save the chosen release's front cover into FILE");

const std::string kAccurateRipSynopsis =
    "accuraterip id|lookup   the disc in the AccurateRip database" +
    Nested(
        "  id                     the disc's AccurateRip ID and the address of its file\n"
        "  lookup                 the database's pressings of the disc and their checksums");

const std::string kVerifySynopsis =
    "verify [TRACKS] [--offset K]   read audio tracks and check them against AccurateRip" +
    Nested(
        "  --offset K             the drive's read offset in samples (default: the settings\n"
        "                         file's [Drives] value for the drive, else 0)");

}  // namespace

const std::vector<TCommand>& Commands() {
  static const std::vector<TCommand> Table = {
      {"drives", "drives                 one line per drive: \"N: NAME\"", CmdDrives},
      {"toc", "toc                    the ripper's status, track lines, disc ID, type and tracks",
       CmdToc},
      {"cddb", kCddbSynopsis.c_str(), RunCddb},
      {"tag", kTagSynopsis.c_str(), RunTag},
      {"encode", kEncodeSynopsis.c_str(), RunEncode},
      {"play", "play TRACK [--seconds N]   play a track (all of it, or N seconds)", RunPlay},
      {"eject", "eject                  open the tray of the selected drive", RunEject},
      {"close", "close                  close the tray of the selected drive", RunClose},
      {"rip", kRipSynopsis.c_str(), RunRip},
      {"cue", kCueSynopsis.c_str(), RunCue},
      {"discid", "discid                 MusicBrainz and FreeDB disc IDs, TOC, submission address",
       RunDiscId},
      {"lookup", kLookupSynopsis.c_str(), RunLookup},
      {"accuraterip", kAccurateRipSynopsis.c_str(), RunAccurateRip},
      {"verify", kVerifySynopsis.c_str(), RunVerify},
      {"offset",
       "offset detect          find the drive's read offset from a disc AccurateRip knows",
       RunOffset},
      {"log", "log verify FILE        check the SHA-256 checksum that ends a rip log", RunLog},
  };
  return Table;
}

}  // namespace tolvar::cli
