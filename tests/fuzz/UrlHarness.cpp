// URL parsing and relative relocation: the input is a URL or Location value,
// then after a line feed the path it is taken relative to.
#include "FuzzTarget.h"
#include "net/HttpUrl.h"

using namespace tolvar;

TOLVAR_FUZZ_HARNESS(url) {
  const std::string Input(reinterpret_cast<const char*>(Data), Size);
  const size_t Lf = Input.find('\n');
  const std::string Value = Input.substr(0, Lf);
  const std::string Base = Lf == std::string::npos ? "/" : Input.substr(Lf + 1);
  TUrlParts Parts = ParseURL(Value, Base);
  DocNameFromPath(Parts.Path);
  RelativePath(Base, Value);
  Base64Encode(Parts.User + ":" + Parts.Pass);
  ParseURL(Parts.Host + ":" + Parts.Port);
  return 0;
}
