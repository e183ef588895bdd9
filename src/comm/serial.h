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

// What the Baud, Bits, Stop and Parity values configure: the rate, data
// bits, and the platform's stop-bit (0 one, 1 one and a half, 2 two) and
// parity (0 none, 1 odd, 2 even) codes.
struct LineSettings {
  uint32_t rate;
  uint8_t dataBits, stopBits, parity;
  friend bool operator==(const LineSettings&, const LineSettings&) = default;
};
LineSettings LineSettingsOf(int32_t baud, int32_t bits, int32_t stop, int32_t parity);

}  // namespace tess::comm
