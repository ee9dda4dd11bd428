#pragma once
// TWSocket: the socket component the program uses (see CustomWSocket.h for
// its settings, operations and events).
#include "net/LineWSocket.h"

namespace tolvar {

class TWSocket : public TCustomSyncWSocket {
 public:
  using TCustomSyncWSocket::TCustomSyncWSocket;
};

}  // namespace tolvar
