#pragma once
// Windows Sockets error numbers, which every socket report, event and HTTP
// failure text carries, and the mapping from the system's errno values.
#include <string>

namespace tolvar {

enum : int {
  WSAEINTR = 10004,
  WSAEBADF = 10009,
  WSAEACCES = 10013,
  WSAEFAULT = 10014,
  WSAEINVAL = 10022,
  WSAEMFILE = 10024,
  WSAEWOULDBLOCK = 10035,
  WSAEINPROGRESS = 10036,
  WSAEALREADY = 10037,
  WSAENOTSOCK = 10038,
  WSAEMSGSIZE = 10040,
  WSAEADDRINUSE = 10048,
  WSAECONNABORTED = 10053,
  WSAECONNRESET = 10054,
  WSAENOBUFS = 10055,
  WSAEISCONN = 10056,
  WSAENOTCONN = 10057,
  WSAESHUTDOWN = 10058,
  WSAETIMEDOUT = 10060,
  WSAECONNREFUSED = 10061,
  WSAEHOSTUNREACH = 10065,
  WSANOTINITIALISED = 10093,
  WSAHOST_NOT_FOUND = 11001,
  WSATRY_AGAIN = 11002,
  WSANO_RECOVERY = 11003,
  WSANO_DATA = 11004,
};

// The text for a Windows Sockets error number ("Not a WinSock error" when unknown).
std::string WSocketErrorDesc(int Error);
// The Windows Sockets number for an errno value.
int WinsockErrorFromErrno(int Errno);
// The Windows Sockets number for a getaddrinfo (EAI_*) result.
int WinsockErrorFromGai(int GaiError);

}  // namespace tolvar
