// Serial (COM) ports over the host's terminal devices, shaped like the
// platform's comm API: CreateFile on a port name, the device-control block
// (speed, framing, flow control, modem lines), read and write time-outs,
// EscapeCommFunction for DTR and RTS.
//
// Port names: "COM1" to "COM255" (also "\\.\COMn", with or without a
// trailing ':'), matched without letter case. COMn is the host device
// /dev/ttyS(n-1) unless the setting TESSERA_COMM_PORTS says otherwise:
// "COM1=/dev/ttyUSB0;COM2=/dev/pts/3" maps ports onto other devices and
// "COM4=" takes a port away. Only terminal devices open.
//
// A port opened for reading and writing is held by one handle at a time
// (a second open answers ERROR_ACCESS_DENIED), as on the platform; an open
// for query access (access 0) only checks that the port is there.
//
// Host extension: SetCommMask with EV_RXCHAR also makes arriving bytes wake
// the calling thread's message wait (a WM_NULL thread message), once until
// a read drains the port, so a run loop sleeping in GetMessage notices
// input without polling.
#pragma once

#include <string>

#include "platform/windef.h"

namespace tess::platform::comm {

using HANDLE = void*;
inline HANDLE const INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(intptr_t(-1));

constexpr DWORD GENERIC_READ = 0x80000000, GENERIC_WRITE = 0x40000000;
constexpr DWORD FILE_SHARE_READ = 1, FILE_SHARE_WRITE = 2;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD MAXDWORD = 0xFFFFFFFF;

// Errors this API sets besides windef.h's.
constexpr DWORD ERROR_GEN_FAILURE = 31, ERROR_OPERATION_ABORTED = 995;

constexpr BYTE NOPARITY = 0, ODDPARITY = 1, EVENPARITY = 2, MARKPARITY = 3, SPACEPARITY = 4;
constexpr BYTE ONESTOPBIT = 0, ONE5STOPBITS = 1, TWOSTOPBITS = 2;
constexpr DWORD DTR_CONTROL_DISABLE = 0, DTR_CONTROL_ENABLE = 1, DTR_CONTROL_HANDSHAKE = 2;
constexpr DWORD RTS_CONTROL_DISABLE = 0, RTS_CONTROL_ENABLE = 1, RTS_CONTROL_HANDSHAKE = 2,
                RTS_CONTROL_TOGGLE = 3;
constexpr DWORD SETXOFF = 1, SETXON = 2, SETRTS = 3, CLRRTS = 4, SETDTR = 5, CLRDTR = 6,
                SETBREAK = 8, CLRBREAK = 9;
constexpr DWORD EV_RXCHAR = 0x0001;
constexpr DWORD PURGE_TXABORT = 1, PURGE_RXABORT = 2, PURGE_TXCLEAR = 4, PURGE_RXCLEAR = 8;

struct DCB {
  DWORD DCBlength;
  DWORD BaudRate;
  DWORD fBinary : 1;
  DWORD fParity : 1;
  DWORD fOutxCtsFlow : 1;
  DWORD fOutxDsrFlow : 1;
  DWORD fDtrControl : 2;
  DWORD fDsrSensitivity : 1;
  DWORD fTXContinueOnXoff : 1;
  DWORD fOutX : 1;
  DWORD fInX : 1;
  DWORD fErrorChar : 1;
  DWORD fNull : 1;
  DWORD fRtsControl : 2;
  DWORD fAbortOnError : 1;
  DWORD fDummy2 : 17;
  WORD wReserved;
  WORD XonLim;
  WORD XoffLim;
  BYTE ByteSize;
  BYTE Parity;
  BYTE StopBits;
  char XonChar;
  char XoffChar;
  char ErrorChar;
  char EofChar;
  char EvtChar;
  WORD wReserved1;
};
static_assert(sizeof(DCB) == 28);

// Read: interval MAXDWORD with both totals 0 returns at once with what is
// waiting; all 0 waits for the whole count; otherwise a read ends at
// multiplier x count + constant ms, or when `interval` ms pass between two
// bytes. Write: multiplier x count + constant ms, 0 waiting as long as it
// takes.
struct COMMTIMEOUTS {
  DWORD ReadIntervalTimeout;
  DWORD ReadTotalTimeoutMultiplier;
  DWORD ReadTotalTimeoutConstant;
  DWORD WriteTotalTimeoutMultiplier;
  DWORD WriteTotalTimeoutConstant;
};

// Opens a port (disposition OPEN_EXISTING); INVALID_HANDLE_VALUE with the
// last error set (ERROR_FILE_NOT_FOUND: no such port or not a terminal,
// ERROR_ACCESS_DENIED: refused or in use). The port starts raw: 8 data bits,
// no parity, one stop bit, no flow control, its speed kept.
HANDLE CreateFile(const char* name, DWORD access, DWORD share, void* security, DWORD disposition,
                  DWORD flags, HANDLE templateFile);
BOOL CloseHandle(HANDLE handle);
BOOL ReadFile(HANDLE handle, void* buffer, DWORD count, DWORD* read, void* overlapped);
BOOL WriteFile(HANDLE handle, const void* buffer, DWORD count, DWORD* written, void* overlapped);
BOOL GetCommState(HANDLE handle, DCB* dcb);
// Any rate up to 4,000,000 that the device takes; ERROR_INVALID_PARAMETER
// for 0, more, or a rate the device refuses. A device that keeps its own
// data size or parity (pseudo-terminals stay 8 bits, no parity) takes the
// rest and answers FALSE with ERROR_NOT_SUPPORTED.
BOOL SetCommState(HANDLE handle, const DCB* dcb);
BOOL GetCommTimeouts(HANDLE handle, COMMTIMEOUTS* timeouts);
BOOL SetCommTimeouts(HANDLE handle, const COMMTIMEOUTS* timeouts);
// ERROR_NOT_SUPPORTED where the device has no such line (pseudo-terminals).
BOOL EscapeCommFunction(HANDLE handle, DWORD function);
BOOL SetCommMask(HANDLE handle, DWORD mask);
BOOL PurgeComm(HANDLE handle, DWORD flags);

// The host device a port name stands for; empty when the name is no port.
std::string CommDevicePath(const char* name);
// The host descriptor behind a handle, -1 for none.
int CommDescriptor(HANDLE handle);

}  // namespace tess::platform::comm
