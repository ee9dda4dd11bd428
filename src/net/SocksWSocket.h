#pragma once
// TCustomSocksWSocket: a socket that reaches its peer through a SOCKS 4, 4A or
// 5 server when SocksServer is set. The application sees OnSocksConnected and
// then OnSessionConnected once the server has made the connection.
#include <string>

#include "net/CustomWSocket.h"

namespace tolvar {

enum TSocksAuthentication { socksNoAuthentication, socksAuthenticateUsercode };
enum TSocksAuthState { socksAuthStart, socksAuthSuccess, socksAuthFailure, socksAuthNotRequired };

// Error numbers of OnSocksError (and of the closing that follows).
enum : int {
  socksProtocolError = 20001,
  socksVersionError = 20002,
  socksAuthMethodError = 20003,
  socksGeneralFailure = 20004,
  socksConnectionNotAllowed = 20005,
  socksNetworkUnreachable = 20006,
  socksHostUnreachable = 20007,
  socksConnectionRefused = 20008,
  socksTtlExpired = 20009,
  socksUnknownCommand = 20010,
  socksUnknownAddressType = 20011,
  socksRejectedOrFailed = 20012,
  socksAuthenticationFailed = 20015,
};

class TCustomSocksWSocket : public TCustomWSocket {
 public:
  using TSocksErrorEvent =
      std::function<void(TCustomWSocket& Sender, int Error, const std::string& Msg)>;
  using TSocksAuthStateEvent = std::function<void(TCustomWSocket& Sender, TSocksAuthState State)>;

  using TCustomWSocket::TCustomWSocket;

  // Reset with the other settings after every close.
  const std::string& SocksServer() const { return FSocksServer; }
  virtual void SetSocksServer(const std::string& Value);
  const std::string& SocksPort() const { return FSocksPort; }
  virtual void SetSocksPort(const std::string& Value);
  const std::string& SocksLevel() const { return FSocksLevel; }
  void SetSocksLevel(const std::string& Value);  // "4", "4A" or "5"
  std::string SocksUsercode;
  std::string SocksPassword;
  TSocksAuthentication SocksAuthentication = socksNoAuthentication;

  TSessionEvent OnSocksConnected;
  TSocksErrorEvent OnSocksError;
  TSocksAuthStateEvent OnSocksAuthState;

  void Connect() override;

 protected:
  void AssignDefaultValue() override;
  void TriggerSessionConnected(int Error) override;
  bool TriggerDataAvailable(int Error) override;
  virtual void TriggerSocksConnected(int Error);
  virtual void TriggerSocksError(int Error, const std::string& Msg);
  virtual void TriggerSocksAuthState(TSocksAuthState State);
  bool SocksNegotiating() const { return FPhase != spNone; }

 private:
  enum TPhase { spNone, spConnecting, spMethods, spAuth, spConnect5, spConnect4 };
  void Expect(TPhase Phase, size_t Bytes);
  void SendConnectRequest();
  void ReplyComplete();
  void Fail(int Error, const std::string& Msg);
  void Succeed();

  std::string FSocksServer, FSocksPort, FSocksLevel = "5";
  std::string FTargetAddr, FTargetPort;
  TPhase FPhase = spNone;
  std::string FReply;
  size_t FReplyNeed = 0;
};

}  // namespace tolvar
