#include "net/WSocketResolve.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <sys/socket.h>

#include <cctype>
#include <charconv>

#include "net/WSocketErrors.h"
#include "util/StringFunctions.h"

namespace tolvar {

namespace {

bool AllDigits(std::string_view Text) {
  if (Text.empty()) return false;
  for (char C : Text)
    if (!std::isdigit(static_cast<unsigned char>(C))) return false;
  return true;
}

bool ParseNumber(std::string_view Text, long& Value) {
  if (!AllDigits(Text) || Text.size() > 9) return false;
  std::from_chars(Text.data(), Text.data() + Text.size(), Value);
  return true;
}

}  // namespace

bool IsDottedAddress(std::string_view Text) {
  while (!Text.empty() && Text.front() == ' ') Text.remove_prefix(1);
  while (!Text.empty() && Text.back() == ' ') Text.remove_suffix(1);
  int Dots = 0;
  size_t Start = 0;
  for (size_t I = 0; I <= Text.size(); ++I) {
    if (I < Text.size() && Text[I] != '.') continue;
    long Part;
    if (!ParseNumber(Text.substr(Start, I - Start), Part) || Part > 255) return false;
    if (I < Text.size()) ++Dots;
    Start = I + 1;
  }
  return Dots == 3;
}

bool ResolveProto(const std::string& Proto, int& Number, int& Type, std::string& Msg, int& Error) {
  if (Proto.empty()) {
    Msg = "WSocketResolveProto: Invalid Protocol.";
    Error = WSAEINVAL;
    return false;
  }
  long Value;
  if (SameText(Proto, "tcp")) {
    Number = IPPROTO_TCP;
  } else if (SameText(Proto, "udp")) {
    Number = IPPROTO_UDP;
  } else if (ParseNumber(Proto, Value) && Value <= 255) {
    Number = static_cast<int>(Value);
  } else {
    protoent Entry, *Found = nullptr;
    char Buffer[1024];
    if (getprotobyname_r(Proto.c_str(), &Entry, Buffer, sizeof Buffer, &Found) != 0 || !Found) {
      Error = WSANO_DATA;
      Msg = "WSocketResolveProto: Cannot convert protocol '" + Proto + "', Error #" +
            std::to_string(Error);
      return false;
    }
    Number = Found->p_proto;
  }
  Type = Number == IPPROTO_TCP ? SOCK_STREAM : Number == IPPROTO_UDP ? SOCK_DGRAM : SOCK_RAW;
  return true;
}

bool ResolvePort(const std::string& Port, const std::string& Proto, in_port_t& Result,
                 std::string& Msg, int& Error) {
  Error = WSAEINVAL;
  if (Port.empty()) {
    Msg = "WSocketResolvePort: Invalid Port.";
    return false;
  }
  if (Proto.empty()) {
    Msg = "WSocketResolvePort: Invalid Proto.";
    return false;
  }
  long Value;
  if (AllDigits(Port)) {
    if (ParseNumber(Port, Value) && Value <= 65535) {
      Result = htons(static_cast<uint16_t>(Value));
      return true;
    }
  } else {
    servent Entry, *Found = nullptr;
    char Buffer[1024];
    if (getservbyname_r(Port.c_str(), Proto.c_str(), &Entry, Buffer, sizeof Buffer, &Found) == 0 &&
        Found) {
      Result = static_cast<in_port_t>(Found->s_port);
      return true;
    }
    Error = WSANO_DATA;
  }
  Msg = "WSocketResolvePort: Cannot convert port '" + Port + "', Error #" + std::to_string(Error);
  return false;
}

bool ResolveHost(const std::string& Host, in_addr& Result, std::string& Msg, int& Error) {
  Error = WSAEINVAL;
  if (Host.empty() || Host.size() > 256) {
    Msg = "WSocketResolveHost: '" + Host + "' Invalid Hostname.";
    return false;
  }
  bool Dotted = true;
  for (char C : Host) Dotted = Dotted && (std::isdigit(static_cast<unsigned char>(C)) || C == '.');
  if (Dotted) {
    // inet_aton takes "255.255.255.255", the broadcast address, like any other.
    if (IsDottedAddress(Host) && inet_aton(Host.c_str(), &Result)) return true;
    Msg = "WSocketResolveHost: '" + Host + "' Invalid IP address.";
    return false;
  }
  addrinfo Hints{};
  Hints.ai_family = AF_INET;
  Hints.ai_socktype = SOCK_STREAM;
  addrinfo* Found = nullptr;
  int Status = getaddrinfo(Host.c_str(), nullptr, &Hints, &Found);
  if (Status != 0 || !Found) {
    Error = WinsockErrorFromGai(Status);
    Msg = "WSocketResolveHost: Cannot convert host address '" + Host + "', Error #" +
          std::to_string(Error);
    return false;
  }
  Result = reinterpret_cast<sockaddr_in*>(Found->ai_addr)->sin_addr;
  freeaddrinfo(Found);
  return true;
}

}  // namespace tolvar
