#include "net/SocksWSocket.h"

#include <arpa/inet.h>

#include "net/WSocketResolve.h"
#include "util/StringFunctions.h"

namespace tolvar {

namespace {

std::string PortBytes(in_port_t NetPort) {
  return std::string(reinterpret_cast<const char*>(&NetPort), 2);  // already network order
}

}  // namespace

void TCustomSocksWSocket::AssignDefaultValue() {
  TCustomWSocket::AssignDefaultValue();
  FPhase = spNone;
  FSocksServer.clear();
  FSocksPort.clear();
  FSocksLevel = "5";
}

void TCustomSocksWSocket::SetSocksServer(const std::string& Value) {
  if (State() != wsClosed) return RaiseException("Can't change socks server if not closed");
  FSocksServer = Trim(Value);
}

void TCustomSocksWSocket::SetSocksPort(const std::string& Value) {
  if (State() != wsClosed) return RaiseException("Can't change socks port if not closed");
  FSocksPort = Trim(Value);
}

void TCustomSocksWSocket::SetSocksLevel(const std::string& Value) {
  std::string Level = Trim(Value);
  if (Level != "4" && !SameText(Level, "4A") && Level != "5")
    return RaiseException("Invalid socks level. Must be 4, 4A or 5.");
  FSocksLevel = Level == "4a" ? "4A" : Level;
}

void TCustomSocksWSocket::Connect() {
  if (FSocksServer.empty()) return TCustomWSocket::Connect();
  if (!SameText(Proto(), "tcp"))
    return RaiseException("tcp is the only protocol supported thru socks server");
  if (Port().empty()) return RaiseException("Connect: No Port Specified");
  if (Addr().empty()) return RaiseException("Connect: No IP Address Specified");
  FTargetAddr = Addr();
  FTargetPort = Port();
  // The connection goes to the SOCKS server; the peer is named in the request.
  SetAddr(FSocksServer);
  SetPort(FSocksPort.empty() ? "1080" : FSocksPort);
  FPhase = spConnecting;
  TCustomWSocket::Connect();
  if (State() == wsClosed) FPhase = spNone;
}

void TCustomSocksWSocket::TriggerSessionConnected(int Error) {
  if (FPhase != spConnecting) return TCustomWSocket::TriggerSessionConnected(Error);
  if (Error != 0) {
    FPhase = spNone;
    return TCustomWSocket::TriggerSessionConnected(Error);
  }
  if (FSocksLevel == "5") {
    bool Auth = SocksAuthentication == socksAuthenticateUsercode;
    Expect(spMethods, 2);
    SendStr(Auth ? std::string("\x05\x02\x00\x02", 4) : std::string("\x05\x01\x00", 3));
  } else {
    SendConnectRequest();
  }
}

void TCustomSocksWSocket::Expect(TPhase Phase, size_t Bytes) {
  FPhase = Phase;
  FReply.clear();
  FReplyNeed = Bytes;
}

void TCustomSocksWSocket::SendConnectRequest() {
  in_port_t NetPort = 0;
  std::string Msg;
  int Error = 0;
  if (!ResolvePort(FTargetPort, "tcp", NetPort, Msg, Error)) return Fail(socksProtocolError, Msg);
  bool Dotted = IsDottedAddress(FTargetAddr);
  in_addr Target{};
  if (FSocksLevel == "5") {
    std::string Request("\x05\x01\x00", 3);
    if (Dotted && inet_aton(Trim(FTargetAddr).c_str(), &Target)) {
      Request += '\x01';
      Request.append(reinterpret_cast<const char*>(&Target), 4);
    } else {
      if (FTargetAddr.size() > 255) return Fail(socksProtocolError, "Hostname too long");
      Request += '\x03';
      Request += static_cast<char>(FTargetAddr.size());
      Request += FTargetAddr;
    }
    Expect(spConnect5, 5);  // up to the first byte of the address, which tells its length
    SendStr(Request + PortBytes(NetPort));
    return;
  }
  // Level 4 needs the address itself; 4A lets the server look a name up.
  bool ServerResolves = FSocksLevel == "4A" && !Dotted;
  if (ServerResolves)
    Target.s_addr = htonl(1);  // 0.0.0.1: "the name follows"
  else if (!ResolveHost(FTargetAddr, Target, Msg, Error))
    return Fail(socksHostUnreachable, Msg);
  std::string Request("\x04\x01", 2);
  Request += PortBytes(NetPort);
  Request.append(reinterpret_cast<const char*>(&Target), 4);
  Request += SocksUsercode;
  Request += '\0';
  if (ServerResolves) Request += FTargetAddr + '\0';
  Expect(spConnect4, 8);
  SendStr(Request);
}

bool TCustomSocksWSocket::TriggerDataAvailable(int Error) {
  if (FPhase == spNone || FPhase == spConnecting)
    return TCustomWSocket::TriggerDataAvailable(Error);
  // Read no more than the reply holds: what follows belongs to the application.
  char Buffer[300];
  int Count = TCustomWSocket::Receive(Buffer, static_cast<int>(FReplyNeed - FReply.size()));
  if (Count <= 0) return true;
  FReply.append(Buffer, Count);
  if (FReply.size() >= FReplyNeed) ReplyComplete();
  return true;
}

void TCustomSocksWSocket::ReplyComplete() {
  auto Byte = [&](size_t I) { return static_cast<unsigned char>(FReply[I]); };
  switch (FPhase) {
    case spMethods:
      if (Byte(0) != 5) return Fail(socksVersionError, "socks version error");
      if (Byte(1) == 0) {
        TriggerSocksAuthState(socksAuthNotRequired);
        return SendConnectRequest();
      }
      if (Byte(1) != 2 || SocksAuthentication != socksAuthenticateUsercode)
        return Fail(socksAuthMethodError, "authentication method not acceptable");
      TriggerSocksAuthState(socksAuthStart);
      if (SocksUsercode.size() > 255 || SocksPassword.size() > 255)
        return Fail(socksAuthenticationFailed, "socks usercode or password too long");
      Expect(spAuth, 2);
      SendStr(std::string(1, '\x01') + static_cast<char>(SocksUsercode.size()) + SocksUsercode +
              static_cast<char>(SocksPassword.size()) + SocksPassword);
      return;
    case spAuth:
      if (Byte(1) != 0) {
        TriggerSocksAuthState(socksAuthFailure);
        return Fail(socksAuthenticationFailed, "socks authentication failed");
      }
      TriggerSocksAuthState(socksAuthSuccess);
      return SendConnectRequest();
    case spConnect5: {
      if (Byte(0) != 5) return Fail(socksVersionError, "socks version error");
      static const char* const Texts[] = {
          "",
          "general SOCKS server failure",
          "connection not allowed by ruleset",
          "network unreachable",
          "host unreachable",
          "connection refused",
          "TTL expired",
          "command not supported",
          "address type not supported",
      };
      if (Byte(1) != 0) {
        int Code = Byte(1) <= 8 ? socksGeneralFailure + Byte(1) - 1 : socksRejectedOrFailed;
        return Fail(Code, Byte(1) <= 8 ? Texts[Byte(1)] : "socks request failed");
      }
      size_t Total = Byte(3) == 1 ? 10 : Byte(3) == 3 ? 7 + Byte(4) : Byte(3) == 4 ? 22 : 0;
      if (Total == 0) return Fail(socksUnknownAddressType, "address type not supported");
      if (FReply.size() < Total) {
        FReplyNeed = Total;
        return;
      }
      return Succeed();
    }
    case spConnect4:
      if (Byte(1) != 90) return Fail(socksRejectedOrFailed, "request rejected or failed");
      return Succeed();
    default:
      return;
  }
}

void TCustomSocksWSocket::Succeed() {
  FPhase = spNone;
  auto Token = LifeToken();
  TriggerSocksConnected(0);
  if (Alive(Token)) TCustomWSocket::TriggerSessionConnected(0);
}

void TCustomSocksWSocket::Fail(int Error, const std::string& Msg) {
  FPhase = spNone;
  auto Token = LifeToken();
  TriggerSocksError(Error, Msg);
  if (Alive(Token) && !Closed()) InternalClose(true, Error);
}

void TCustomSocksWSocket::TriggerSocksConnected(int Error) {
  if (OnSocksConnected) OnSocksConnected(*this, Error);
}

void TCustomSocksWSocket::TriggerSocksError(int Error, const std::string& Msg) {
  if (OnSocksError) OnSocksError(*this, Error, Msg);
}

void TCustomSocksWSocket::TriggerSocksAuthState(TSocksAuthState State) {
  if (OnSocksAuthState) OnSocksAuthState(*this, State);
}

}  // namespace tolvar
