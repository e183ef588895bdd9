// The Socket class: one TCP connection at a time, as a client (Connect) or
// as a server waiting for one incoming connection (Listen), over WinSock
// loaded by name. Progress arrives as messages to a hidden window of class
// "TSSocketClass" and becomes the events Connected, Error, DataAvailable and
// SendComplete, raised in that order from the message handler or from Poll.
//
// LastErrorCode: 100 WinSock cannot be loaded or no socket can be made; 101
// the name cannot be resolved, connect, bind, listen or accept failed, the
// connection was refused, or the 30-second connect timer fired; 102 the
// peer closed or reset the connection, or recv or send failed. Bytes that
// arrived before the peer closed stay readable after the Error event.
#pragma once

#include <string>

#include "runtime/object_layout.h"

namespace tess::comm {

void InitSocketClass();
ClassObject* SocketClass();

// The runtime's description of the socket's last failure ("Connection
// closed", "Winsock error 10061", ...), empty when there was none.
std::string SocketErrorText(TessObject* socket);
// The hidden notification window of the socket's connection, null when none.
void* SocketWindow(TessObject* socket);
// Whether WinSock is loaded now.
bool WinsockLoaded();

}  // namespace tess::comm
