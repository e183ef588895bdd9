#include "comm/sockets_and_serial.h"

#include "comm/serial.h"
#include "comm/socket.h"

namespace tess::comm {

void InitSocketsAndSerial(void (*addIdleWork)(void (*work)())) {
  InitSocketClass();
  InitSerialClasses();
  static bool polling = false;
  if (addIdleWork && !polling) {
    addIdleWork(&PollSerialPorts);
    polling = true;
  }
}

}  // namespace tess::comm
