#include "Libdiscid.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <sstream>

#include "TestSupport.h"

namespace tolvar::fixtures {

namespace {

// Debian's own interpreter: the package installs the module for it only.
std::string Script(const std::string& Attribute) {
  return "import sys, libdiscid\n"
         "for line in sys.stdin:\n"
         "    n = [int(x) for x in line.split()]\n"
         "    print(libdiscid.put(1, len(n) - 1, n[0], n[1:])." +
         Attribute + ")\n";
}

std::vector<std::string> LibdiscidValues(const std::vector<TReferenceToc>& Tocs,
                                         const std::string& Attribute) {
  fixtures::TTempDir Dir;
  std::string Input;
  for (const TReferenceToc& T : Tocs) {
    Input += std::to_string(T.LeadOut);
    for (uint32_t O : T.Offsets) Input += ' ' + std::to_string(O);
    Input += '\n';
  }
  fixtures::WriteFile(Dir / "tocs", Input);
  fixtures::WriteFile(Dir / "ids.py", Script(Attribute));
  std::string Command = "/usr/bin/python3 " + Dir / "ids.py" + " < " + Dir / "tocs";
  std::vector<std::string> Ids;
  FILE* Pipe = popen(Command.c_str(), "r");
  if (!Pipe) {
    ADD_FAILURE() << "cannot run " << Command;
    return Ids;
  }
  char Line[64];
  while (fgets(Line, sizeof Line, Pipe)) {
    std::string Id = Line;
    while (!Id.empty() && (Id.back() == '\n' || Id.back() == '\r')) Id.pop_back();
    Ids.push_back(Id);
  }
  int Status = pclose(Pipe);
  EXPECT_TRUE(WIFEXITED(Status) && WEXITSTATUS(Status) == 0)
      << "python3-libdiscid failed (scripts/install-deps.sh installs it)";
  EXPECT_EQ(Ids.size(), Tocs.size());
  return Ids;
}

}  // namespace

std::vector<std::string> LibdiscidFreedbIds(const std::vector<TReferenceToc>& Tocs) {
  return LibdiscidValues(Tocs, "freedb_id");
}

std::vector<std::string> LibdiscidMusicBrainzIds(const std::vector<TReferenceToc>& Tocs) {
  return LibdiscidValues(Tocs, "id");
}

}  // namespace tolvar::fixtures
