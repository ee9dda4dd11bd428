// tolvar-cli tag FILE: the ID3 version 1 and version 2 tags that the ripper
// writes into each MP3 file it rips, through the ripper's own tag step.
#include <sys/stat.h>

#include <iostream>
#include <string>
#include <vector>

#include "Commands.h"
#include "TagOptions.h"
#include "tags/RipTags.h"

namespace tolvar::cli {

int RunTag(TContext&, TArgs& Args) {
  auto Text = [&Args](const char* Name) { return Args.Value(Name).value_or(""); };
  const std::string Title = Text("--title"), Artist = Text("--artist"), Album = Text("--album"),
                    Year = Text("--year"), Comment = Text("--comment"), Genre = Text("--genre");
  const TTagExtras Extras = TagExtraOptions(Args);
  std::vector<std::string> Files = Args.Positionals();
  if (Files.size() != 1) throw TUsageError("tag needs exactly one FILE");
  const std::string& File = Files.front();

  // Both saves leave a missing file alone; say why instead of only "not written".
  struct stat Info;
  if (stat(File.c_str(), &Info) != 0) throw TCommandError(File + ": no such file");
  if (!S_ISREG(Info.st_mode)) throw TCommandError(File + ": not a regular file");

  TRipTagResult Result = WriteRipTags(File,
                                      {.Title = Title,
                                       .Artist = Artist,
                                       .Album = Album,
                                       .Genre = Genre,
                                       .Comment = Comment,
                                       .Encoder = "",
                                       .Year = Year},
                                      Extras);
  if (!Result.Version1) std::cerr << "tolvar-cli: " << File << ": ID3 version 1 tag not written\n";
  if (!Result.Version2) std::cerr << "tolvar-cli: " << File << ": ID3 version 2 tag not written\n";
  return Result.Ok() ? 0 : 1;
}

}  // namespace tolvar::cli
