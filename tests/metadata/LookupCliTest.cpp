// Scenario tests: tolvar-cli discid, lookup and rip --lookup on a generated
// disc image, against the MusicBrainz and Cover Art Archive stand-in
// (tests/fixtures/musicbrainz_server.py), which also refuses CDDB hellos.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>

#include "CddbServer.h"
#include "DiscImage.h"
#include "Libdiscid.h"
#include "LocalServer.h"
#include "TestSupport.h"

using namespace tolvar;
namespace fs = std::filesystem;

namespace {

struct TRun {
  int Status = -1;
  std::string Out, Err;
};

// A port nothing listens on: bound by the system, then given up.
int ClosedPort() {
  int Fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in A{};
  A.sin_family = AF_INET;
  A.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t Size = sizeof A;
  bind(Fd, reinterpret_cast<sockaddr*>(&A), Size);
  getsockname(Fd, reinterpret_cast<sockaddr*>(&A), &Size);
  close(Fd);
  return ntohs(A.sin_port);
}

// The JPEG the stand-in archive serves: its kind is all that matters.
const std::string kCover = std::string("\xFF\xD8\xFF\xE0", 4) + std::string(3000, 'c') + "\xFF\xD9";

class LookupCli : public ::testing::Test {
 protected:
  void SetUp() override {
    fixtures::TImageOptions Options;
    Options.Title = "Text Album";
    Options.Performer = "Text Artist";
    fixtures::WriteDiscImage(Cue, {{1500}, {1800}, {2100}}, Options);
    DiscId = fixtures::LibdiscidMusicBrainzIds({{{150, 1650, 3450}, 5550}}).at(0);
    for (const char* Sub : {"discid", "toc", "images", "behaviour"})
      fs::create_directories(Mb(Sub));
    Server = std::make_unique<fixtures::TLocalServer>(
        fixtures::FixturesDir() + "/musicbrainz_server.py", std::vector<std::string>{Data});
  }

  // The answer for this disc's ID, from a template in tests/metadata/data.
  void Serve(const std::string& Template, const std::string& Where = "discid") {
    std::string Body = fixtures::ReadFile(std::string(TOLVAR_METADATA_DATA) + "/" + Template);
    for (size_t At; (At = Body.find("@DISCID@")) != std::string::npos;) Body.replace(At, 8, DiscId);
    const std::string Name = Where == "discid" ? DiscId : "1+3+5550+150+1650+3450";
    fixtures::WriteFile(Mb(Where + "/" + Name + ".json"), Body);
  }

  std::string Env(const std::string& MusicBrainz = "", const std::string& Cddb = "") const {
    const std::string Here = Server->Url("");
    return "TOLVAR_MUSICBRAINZ_URL=" + (MusicBrainz.empty() ? Here : MusicBrainz) +
           " TOLVAR_COVERART_URL=" + Here +
           " TOLVAR_CDDB_SERVER=" + (Cddb.empty() ? Server->HostPort() : Cddb);
  }

  TRun Cli(const std::string& Arguments, const std::string& Environment = "",
           const std::string& Image = "") {
    // The parentheses keep stderr apart from the output RunCommand collects.
    const std::string Command = "(cd " + Dir.Path() + " && env -u TOLVAR_CD_IMAGES " +
                                (Environment.empty() ? Env() : Environment) +
                                " " TOLVAR_CLI " --image " + (Image.empty() ? Cue : Image) + " " +
                                Arguments + " 2>" + Dir / "err)";
    TRun Run;
    Run.Out = fixtures::RunCommand(Command, &Run.Status);
    Run.Err = fixtures::ReadFile(Dir / "err");
    return Run;
  }

  // The requests the server logged so far: "<seconds> <uri> | <agent>".
  std::vector<std::string> Logged() {
    std::vector<std::string> Lines;
    std::string Line;
    while (Server->ReadLine(Line, std::chrono::milliseconds(300)))
      if (Line.starts_with("REQUEST ")) Lines.push_back(Line.substr(8));
    return Lines;
  }

  std::string ReadCover(const std::string& File) {
    return fixtures::RunCommand("/usr/bin/python3 " TOLVAR_TESTS_DIR "/read_cover.py " +
                                fixtures::ShellQuote(File));
  }

  std::string Mb(const std::string& Name) const { return Data + "/" + Name; }

  fixtures::TTempDir Dir;
  std::string Cue = Dir / "disc.cue";
  std::string Data = Dir / "mb";
  std::string DiscId;
  std::unique_ptr<fixtures::TLocalServer> Server;
};

}  // namespace

TEST_F(LookupCli, DiscIdPrintsFourLinesAndLeavesTheTrailingDataTrackOut) {
  const std::string Enhanced = Dir / "enhanced.cue";
  fixtures::TImageOptions Sparse;
  Sparse.Sparse = true;
  fixtures::WriteDiscImage(Enhanced, {{15000}, {15000}, {3000, true}}, Sparse);
  const std::string Id = fixtures::LibdiscidMusicBrainzIds({{{150, 15150}, 18750}}).at(0);
  const TRun Cddb = Cli("cddb discid", "", Enhanced);
  ASSERT_EQ(Cddb.Status, 0) << Cddb.Err;
  const TRun Run = Cli("discid", "", Enhanced);
  EXPECT_EQ(Run.Status, 0) << Run.Err;
  EXPECT_EQ(Run.Out, "MusicBrainz Disc ID: " + Id + "\nFreeDB Disc ID: " + Cddb.Out.substr(9, 8) +
                         "\nTOC: 1 2 18750 150 15150\nSubmit: https://musicbrainz.org/cdtoc/"
                         "attach?id=" +
                         Id + "&tracks=2&toc=1+2+18750+150+15150\n");
}

TEST_F(LookupCli, PrintsTheMediumOfATwoDiscRelease) {
  Serve("two_disc.json");
  const TRun Run = Cli("lookup");
  EXPECT_EQ(Run.Status, 0) << Run.Err;
  EXPECT_EQ(Run.Out,
            "Source: MusicBrainz\n"
            "Match 0: Ayumi feat. Björk - 風の詩 (Kaze no Uta) (2004-03-17, JP, Avex AVCD-1234, )\n"
            "Chosen: 0\n"
            "Album: 風の詩 (Kaze no Uta)\n"
            "Album artist: Ayumi feat. Björk\n"
            "Date: 2004-03-17\n"
            "Disc: 2/2\n"
            "Release ID: a1b2c3d4-0000-4000-8000-000000000001\n"
            "Track 01: Ayumi & Ken - Kaze no Uta (0:20)\n"
            "Track 02: 宇多田 - 夜明け (0:24)\n"
            "Track 03: Ayumi feat. Björk - Last (0:28)\n");
  const std::vector<std::string> Requests = Logged();
  ASSERT_EQ(Requests.size(), 1u);
  EXPECT_NE(Requests[0].find(" /ws/2/discid/" + DiscId +
                             "?toc=1+3+5550+150+1650+3450&inc=artist-credits+recordings+labels+"
                             "isrcs+release-groups&fmt=json | Tolvar/"),
            std::string::npos)
      << Requests[0];
  EXPECT_TRUE(Requests[0].ends_with(" ( https://tolvar.org/ )")) << Requests[0];
}

TEST_F(LookupCli, JsonListsEveryReleaseAndTheChosenOne) {
  Serve("three_releases.json");
  const TRun Run = Cli("lookup --json --choose 1");
  ASSERT_EQ(Run.Status, 0) << Run.Err;
  const nlohmann::json Out = nlohmann::json::parse(Run.Out);
  EXPECT_EQ(Out["source"], "MusicBrainz");
  EXPECT_EQ(Out["chosen"], 1);
  ASSERT_EQ(Out["matches"].size(), 3u);
  const nlohmann::json& Us = Out["matches"][1];
  EXPECT_EQ(Us["country"], "US");
  EXPECT_EQ(Us["label"], "");  // a null label
  EXPECT_EQ(Us["disc"], 1);
  EXPECT_EQ(Us["tracks"][2]["title"], "Three (US)");
  EXPECT_EQ(Us["tracks"][2]["length_ms"], 28000);
  EXPECT_EQ(Out["matches"][2]["country"], "");
  EXPECT_EQ(Out["matches"][0]["release_group_id"], "rg-same");
  EXPECT_EQ(Cli("lookup --choose 3").Status, 1);
  EXPECT_EQ(Cli("lookup --sources musicbrainz,gracenote").Status, 2);
}

TEST_F(LookupCli, AnUnknownIdIsFoundByItsToc) {
  Serve("toc_list.json", "toc");
  const TRun Run = Cli("lookup");
  EXPECT_EQ(Run.Status, 0) << Run.Err;
  EXPECT_NE(Run.Out.find("Disc: 2/2\n"), std::string::npos) << Run.Out;
  EXPECT_NE(Run.Out.find("Track 03: Toc Artist - Toc Three (0:28)\n"), std::string::npos);
}

TEST_F(LookupCli, RetriesA503WithRequestsASecondApart) {
  Serve("three_releases.json");
  fixtures::WriteFile(Mb("behaviour/" + DiscId), "503 503");
  const TRun Run = Cli("lookup");
  EXPECT_EQ(Run.Status, 0) << Run.Err;
  const std::vector<std::string> Requests = Logged();
  ASSERT_EQ(Requests.size(), 3u);
  for (size_t I = 1; I < Requests.size(); ++I)
    EXPECT_GE(std::stod(Requests[I]) - std::stod(Requests[I - 1]), 0.99);
}

TEST_F(LookupCli, FailingSourcesAreReportedAndTheChainEndsInCdText) {
  // MusicBrainz does not know the disc (404), the CDDB server refuses the
  // program; then a body that is no JSON; then no server at all.
  const TRun Refused = Cli("lookup");
  EXPECT_EQ(Refused.Status, 0) << Refused.Err;
  EXPECT_NE(Refused.Err.find("MusicBrainz: the disc is unknown"), std::string::npos);
  EXPECT_NE(Refused.Err.find("500 Unknown developer email"), std::string::npos) << Refused.Err;
  EXPECT_NE(Refused.Err.find("TOLVAR_CDDB_EMAIL"), std::string::npos);
  EXPECT_EQ(Refused.Out.substr(0, Refused.Out.find("Chosen")),
            "Source: CD-Text\nMatch 0: Text Artist - Text Album (, ,  , )\n");

  fixtures::WriteFile(Mb("behaviour/" + DiscId), "garbage");
  const TRun Garbage = Cli("lookup --sources musicbrainz,cdtext");
  EXPECT_NE(Garbage.Err.find("MusicBrainz: the answer is not JSON"), std::string::npos);
  EXPECT_TRUE(Garbage.Out.starts_with("Source: CD-Text\n"));

  const std::string Nowhere = "127.0.0.1:" + std::to_string(ClosedPort());
  const auto Start = std::chrono::steady_clock::now();
  const TRun Offline = Cli("lookup", Env("http://" + Nowhere, Nowhere));
  EXPECT_LT(std::chrono::steady_clock::now() - Start, std::chrono::seconds(30));
  EXPECT_EQ(Offline.Status, 0) << Offline.Err;
  EXPECT_TRUE(Offline.Out.starts_with("Source: CD-Text\n")) << Offline.Err;

  const TRun Nothing = Cli("lookup --sources musicbrainz", Env("http://" + Nowhere, Nowhere));
  EXPECT_EQ(Nothing.Status, 1);
  EXPECT_EQ(Nothing.Out, "");
}

TEST_F(LookupCli, ADiscMusicBrainzDoesNotKnowIsFoundInCddb) {
  cddbtest::TCddbServer Cddb;
  const std::string Id = Cli("cddb discid").Out.substr(9, 8);
  Cddb.AddEntry("rock", Id, {150, 1650, 3450}, 74,
                "DISCID=" + Id +
                    "\nDTITLE=Cddb Artist / Cddb Album\nDYEAR=1988\nTTITLE0=First\n"
                    "TTITLE1=Second\nTTITLE2=Third\n");
  const TRun Run = Cli("lookup", Env("", Cddb.HostPort()) + " TOLVAR_CDDB_EMAIL=me@example.org");
  EXPECT_EQ(Run.Status, 0) << Run.Err;
  EXPECT_EQ(Run.Out,
            "Source: CDDB\nMatch 0: Cddb Artist - Cddb Album (1988, ,  , )\nChosen: 0\n"
            "Album: Cddb Album\nAlbum artist: Cddb Artist\nDate: 1988\nDisc: 1/1\n"
            "Release ID: \nTrack 01: Cddb Artist - First (0:20)\n"
            "Track 02: Cddb Artist - Second (0:24)\nTrack 03: Cddb Artist - Third (0:28)\n");
}

TEST_F(LookupCli, RipNamesTagsAndEmbedsTheCover) {
  Serve("three_releases.json");
  fixtures::WriteFile(Mb("images/rel-uk.jpg"), kCover);
  const std::string Sha1 = fixtures::RunCommand("sha1sum " + Mb("images/rel-uk.jpg")).substr(0, 40);
  const TRun Mp3 = Cli("rip 1-2 --lookup --cover --out mp3 --album 'My Album'");
  ASSERT_EQ(Mp3.Status, 0) << Mp3.Err;
  EXPECT_EQ(Mp3.Out, Dir / "mp3/01 The Band - One.mp3\n" + Dir / "mp3/02 The Band - Two.mp3\n");
  EXPECT_EQ(fixtures::ReadFile(Dir / "mp3/cover.jpg"), kCover);
  EXPECT_EQ(ReadCover(Dir / "mp3/02 The Band - Two.mp3"),
            "picture.type=3\npicture.mime=image/jpeg\npicture.sha1=" + Sha1 +
                "\ntitle=Two\nartist=The Band\nalbum=My Album\n");

  const TRun Ogg = Cli("rip 3 --lookup --choose 1 --cover --format ogg --out ogg");
  ASSERT_EQ(Ogg.Status, 0) << Ogg.Err;
  const std::string File = Dir / "ogg/03 The Band - Three (US).ogg";
  EXPECT_EQ(Ogg.Out, File + "\n");
  // The US release has no front image: no cover, and no error.
  EXPECT_FALSE(fixtures::FileExists(Dir / "ogg/cover.jpg"));
  int Valid = -1;
  fixtures::RunCommand("ogginfo " + fixtures::ShellQuote(File), &Valid);
  EXPECT_EQ(Valid, 0);

  const TRun OggCover = Cli("rip 3 --lookup --cover --format ogg --out ogg");
  ASSERT_EQ(OggCover.Status, 0) << OggCover.Err;
  const std::string Uk = Dir / "ogg/03 The Band - Three.ogg";
  fixtures::RunCommand("ogginfo " + fixtures::ShellQuote(Uk), &Valid);
  EXPECT_EQ(Valid, 0);
  EXPECT_EQ(ReadCover(Uk), "picture.type=3\npicture.mime=image/jpeg\npicture.sha1=" + Sha1 +
                               "\ntitle=Three\nartist=The Band\nalbum=Same Disc\n");

  // FLAC carries the cover in its own PICTURE block, and the match's album
  // artist and IDs as comments.
  const TRun Flac = Cli("rip 1 --lookup --cover --format flac --out flac");
  ASSERT_EQ(Flac.Status, 0) << Flac.Err;
  const std::string FlacFile = fixtures::ShellQuote(Dir / "flac/01 The Band - One.flac");
  const std::string Tags = fixtures::RunCommand("metaflac --export-tags-to=- " + FlacFile);
  for (const char* Comment : {"ALBUMARTIST=The Band\n", "MUSICBRAINZ_ALBUMID=rel-uk\n",
                              "MUSICBRAINZ_RELEASEGROUPID=rg-same\n",
                              "MUSICBRAINZ_RELEASETRACKID=a1\n", "MUSICBRAINZ_TRACKID=ra1\n"})
    EXPECT_NE(Tags.find(Comment), std::string::npos) << Comment << Tags;
  fixtures::RunCommand("metaflac --export-picture-to=" + fixtures::ShellQuote(Dir / "p.jpg") + " " +
                       FlacFile);
  EXPECT_EQ(fixtures::ReadFile(Dir / "p.jpg"), kCover);
}
