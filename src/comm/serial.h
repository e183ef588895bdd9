// The Serial class (a COM port with its speed and framing, a receive buffer
// and the DataAvailable event), SerialPort descriptions of the ports that
// exist, and the idle polling the run loop does for every open port.
//
// Property codes: Baud 0-13 = 300, 600, 1200, 1800, 2400, 3600, 4800, 7200,
// 9600, 14400, 19200, 28800, 38400, 57600 (others 57600); Bits 0-3 = 5-8
// data bits (others 8); Stop 0-2 = 1, 1.5, 2 stop bits (others 1); Parity
// 0-2 = none, odd, even (others none). XON and CTS turn on software and
// hardware flow control when the port is opened or reset; DTR True raises
// the DTR line then (False leaves it as the device has it).
#pragma once

#include <cstdint>

#include "runtime/object_layout.h"

namespace tess::comm {

void InitSerialClasses();
ClassObject* SerialClass();
ClassObject* SerialPortClass();

// Polls every open Serial object once (the run loop's idle work).
void PollSerialPorts();

// The rate a Baud property value configures.
uint32_t BaudRateOf(int32_t code);

}  // namespace tess::comm
