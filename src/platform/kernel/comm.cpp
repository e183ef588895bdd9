// COM ports over termios; see comm.h.
#include "platform/kernel/comm.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>
#include <string_view>

#include "platform/user/descriptor_wait.h"
#include "platform/user/winuser.h"

// The kernel's terminal settings with the speed as a number, for rates
// that have no Bnnn setting (7200, 14400, 28800). Its ioctl numbers come
// from the kernel's headers, which name this structure.
struct termios2 {
  tcflag_t c_iflag, c_oflag, c_cflag, c_lflag;
  cc_t c_line;
  cc_t c_cc[19];
  speed_t c_ispeed, c_ospeed;
};
// From the same headers: the speed field's "other" value and where the
// input speed's field sits.
constexpr tcflag_t kOtherRate = 0010000;
constexpr int kInputRateShift = 16;

namespace tess::platform::comm {

namespace {

struct Port {
  int fd = -1;
  COMMTIMEOUTS timeouts{};
  DWORD dtrControl = DTR_CONTROL_ENABLE;
  DWORD rtsControl = RTS_CONTROL_ENABLE;
  BYTE stopBits = ONESTOPBIT;  // 1.5 and 2 are one host setting
  char errorChar = 0, eofChar = 0, evtChar = 0;
  WORD xonLim = 2048, xoffLim = 512;
  // EV_RXCHAR: the thread whose wait hears arriving bytes, and whether it
  // is listening now.
  DWORD waker = 0;
  bool wakeArmed = false;
};

std::mutex& PortsLock() {
  static std::mutex lock;
  return lock;
}
std::set<Port*>& Ports() {
  static std::set<Port*> ports;
  return ports;
}

// The live port behind a handle, null (ERROR_INVALID_HANDLE) otherwise.
Port* Find(HANDLE handle) {
  std::lock_guard lock(PortsLock());
  auto* port = static_cast<Port*>(handle);
  if (!Ports().count(port)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return port;
}

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

char Upper(char c) {
  return c >= 'a' && c <= 'z' ? char(c - 32) : c;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return Upper(x) == Upper(y); });
}

// The port number of "COMn", "\\.\COMn" or "COMn:", 0 for anything else.
int PortNumber(std::string_view name) {
  if (name.substr(0, 4) == "\\\\.\\") name.remove_prefix(4);
  if (!name.empty() && name.back() == ':') name.remove_suffix(1);
  if (name.size() < 4 || name.size() > 6 || !EqualsIgnoringCase(name.substr(0, 3), "COM")) return 0;
  if (name[3] == '0') return 0;
  int n = 0;
  for (char c : name.substr(3)) {
    if (c < '0' || c > '9') return 0;
    n = n * 10 + (c - '0');
  }
  return n <= 255 ? n : 0;
}

struct Speed {
  DWORD rate;
  speed_t code;
};
constexpr Speed kSpeeds[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

const Speed* SpeedOfRate(DWORD rate) {
  for (const Speed& s : kSpeeds)
    if (s.rate == rate) return &s;
  return nullptr;
}

DWORD RateOf(int fd, const termios& t) {
  termios2 t2{};
  if (::ioctl(fd, TCGETS2, &t2) == 0) return t2.c_ospeed;
  for (const Speed& s : kSpeeds)
    if (s.code == cfgetospeed(&t)) return s.rate;
  return 0;
}

// Sets a rate without a Bnnn setting of its own as a number: 0, or the
// error. ERROR_NOT_SUPPORTED where the host (or an emulator running this
// program) has no way to take a rate by number.
DWORD SetOtherRate(int fd, DWORD rate) {
  termios2 t2{};
  if (::ioctl(fd, TCGETS2, &t2) != 0) return ERROR_NOT_SUPPORTED;
  t2.c_cflag = (t2.c_cflag & ~tcflag_t(CBAUD | (CBAUD << kInputRateShift))) | kOtherRate |
               (kOtherRate << kInputRateShift);
  t2.c_ispeed = t2.c_ospeed = rate;
  return ::ioctl(fd, TCSETS2, &t2) == 0 ? DWORD(0) : DWORD(ERROR_INVALID_PARAMETER);
}

bool SetModemLine(int fd, int line, bool on) {
  return ::ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &line) == 0;
}

void OnInput(void* context, int fd, short) {
  auto* port = static_cast<Port*>(context);
  user::WatchDescriptor(nullptr, fd, 0, nullptr, nullptr);
  {
    std::lock_guard lock(PortsLock());
    if (Ports().count(port)) port->wakeArmed = false;
  }
  PostMessage(nullptr, WM_NULL, 0, 0);
}

// Listens for input again once a read has drained the port.
void Rearm(Port* port) {
  if (!port->waker || port->wakeArmed || port->waker != GetCurrentThreadId()) return;
  port->wakeArmed = true;
  user::WatchDescriptor(nullptr, port->fd, POLLIN, &OnInput, port);
}

int64_t NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

std::string CommDevicePath(const char* name) {
  int n = name ? PortNumber(name) : 0;
  if (!n) return {};
  std::string path = "/dev/ttyS" + std::to_string(n - 1);
  if (const char* setting = std::getenv("TESSERA_COMM_PORTS")) {
    std::string_view rest(setting);
    while (!rest.empty()) {
      size_t end = rest.find(';');
      std::string_view entry = rest.substr(0, end);
      rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
      size_t equals = entry.find('=');
      if (equals == std::string_view::npos || PortNumber(entry.substr(0, equals)) != n) continue;
      std::string_view device = entry.substr(equals + 1);
      if (!device.empty() && device[0] != '/') continue;
      path = std::string(device);
    }
  }
  return path;
}

HANDLE CreateFile(const char* name, DWORD access, DWORD, void*, DWORD disposition, DWORD, HANDLE) {
  std::string path = CommDevicePath(name);
  if (path.empty()) return (Fail(ERROR_FILE_NOT_FOUND), INVALID_HANDLE_VALUE);
  if (disposition != OPEN_EXISTING) return (Fail(ERROR_INVALID_PARAMETER), INVALID_HANDLE_VALUE);
  int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    DWORD error = errno == EACCES || errno == EPERM || errno == EBUSY ? ERROR_ACCESS_DENIED
                                                                      : ERROR_FILE_NOT_FOUND;
    return (Fail(error), INVALID_HANDLE_VALUE);
  }
  termios t{};
  if (::tcgetattr(fd, &t) != 0) {
    ::close(fd);
    return (Fail(ERROR_FILE_NOT_FOUND), INVALID_HANDLE_VALUE);
  }
  auto* port = new Port;
  port->fd = fd;
  if (access & (GENERIC_READ | GENERIC_WRITE)) {
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      ::close(fd);
      delete port;
      return (Fail(ERROR_ACCESS_DENIED), INVALID_HANDLE_VALUE);
    }
    speed_t in = cfgetispeed(&t), out = cfgetospeed(&t);
    ::cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cflag &= ~(CSTOPB | PARENB | CRTSCTS);
    t.c_iflag &= ~(IXON | IXOFF | IXANY);
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    cfsetispeed(&t, in);
    cfsetospeed(&t, out);
    ::tcsetattr(fd, TCSANOW, &t);
  }
  std::lock_guard lock(PortsLock());
  Ports().insert(port);
  return port;
}

BOOL CloseHandle(HANDLE handle) {
  Port* port = Find(handle);
  if (!port) return FALSE;
  {
    std::lock_guard lock(PortsLock());
    Ports().erase(port);
  }
  if (port->wakeArmed) user::WatchDescriptor(nullptr, port->fd, 0, nullptr, nullptr);
  ::close(port->fd);
  delete port;
  return TRUE;
}

BOOL ReadFile(HANDLE handle, void* buffer, DWORD count, DWORD* read, void*) {
  Port* port = Find(handle);
  if (read) *read = 0;
  if (!port) return FALSE;
  if (count && !buffer) return Fail(ERROR_INVALID_PARAMETER);
  const COMMTIMEOUTS& t = port->timeouts;
  bool immediate = t.ReadIntervalTimeout == MAXDWORD && t.ReadTotalTimeoutMultiplier == 0 &&
                   t.ReadTotalTimeoutConstant == 0;
  // Interval and multiplier at MAXDWORD: wait up to the constant for a
  // first byte, then return what is there.
  bool firstByte = t.ReadIntervalTimeout == MAXDWORD && t.ReadTotalTimeoutMultiplier == MAXDWORD &&
                   t.ReadTotalTimeoutConstant != 0 && t.ReadTotalTimeoutConstant != MAXDWORD;
  int64_t deadline = -1;
  if (firstByte) {
    deadline = NowMs() + t.ReadTotalTimeoutConstant;
  } else if (!immediate && (t.ReadTotalTimeoutMultiplier || t.ReadTotalTimeoutConstant)) {
    deadline = NowMs() + int64_t(t.ReadTotalTimeoutMultiplier) * count + t.ReadTotalTimeoutConstant;
  }
  DWORD interval = immediate || firstByte ? 0 : t.ReadIntervalTimeout;
  auto* bytes = static_cast<uint8_t*>(buffer);
  DWORD got = 0;
  bool hungUp = false;
  while (got < count) {
    ssize_t n = ::read(port->fd, bytes + got, count - got);
    if (n > 0) {
      got += DWORD(n);
      if (firstByte) break;
      continue;
    }
    // A raw terminal answers 0 when nothing waits; a line whose other end
    // is gone answers EIO.
    if (n < 0 && errno != EAGAIN && errno != EINTR) {
      hungUp = true;
      break;
    }
    pollfd state{port->fd, POLLIN, 0};
    if (::poll(&state, 1, 0) > 0 && (state.revents & POLLHUP)) {
      hungUp = true;
      break;
    }
    if (immediate) break;
    int wait = -1;
    int64_t now = NowMs();
    if (deadline >= 0) wait = int(std::max<int64_t>(0, deadline - now));
    if (got > 0 && interval > 0 && interval != MAXDWORD)
      wait = wait < 0 ? int(interval) : std::min(wait, int(interval));
    if (wait == 0) break;
    pollfd p{port->fd, POLLIN, 0};
    if (::poll(&p, 1, wait) == 0) break;
  }
  if (read) *read = got;
  // A port whose other end is gone is not listened to again: it would wake
  // the wait for ever.
  if (got < count && !hungUp) Rearm(port);
  if (hungUp && got == 0 && count > 0) return Fail(ERROR_OPERATION_ABORTED);
  return TRUE;
}

BOOL WriteFile(HANDLE handle, const void* buffer, DWORD count, DWORD* written, void*) {
  Port* port = Find(handle);
  if (written) *written = 0;
  if (!port) return FALSE;
  if (count && !buffer) return Fail(ERROR_INVALID_PARAMETER);
  const COMMTIMEOUTS& t = port->timeouts;
  int64_t deadline = -1;
  if (t.WriteTotalTimeoutMultiplier || t.WriteTotalTimeoutConstant)
    deadline =
        NowMs() + int64_t(t.WriteTotalTimeoutMultiplier) * count + t.WriteTotalTimeoutConstant;
  auto* bytes = static_cast<const uint8_t*>(buffer);
  DWORD put = 0;
  while (put < count) {
    ssize_t n = ::write(port->fd, bytes + put, count - put);
    if (n > 0) {
      put += DWORD(n);
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EINTR) {
      if (written) *written = put;
      return Fail(ERROR_GEN_FAILURE);
    }
    int wait = deadline < 0 ? -1 : int(std::max<int64_t>(0, deadline - NowMs()));
    if (wait == 0) break;
    pollfd p{port->fd, POLLOUT, 0};
    if (::poll(&p, 1, wait) == 0) break;
    if ((p.revents & (POLLHUP | POLLERR)) && !(p.revents & POLLOUT)) {
      if (written) *written = put;
      return Fail(ERROR_GEN_FAILURE);
    }
  }
  if (written) *written = put;
  return TRUE;
}

BOOL GetCommState(HANDLE handle, DCB* dcb) {
  Port* port = Find(handle);
  if (!port) return FALSE;
  if (!dcb) return Fail(ERROR_INVALID_PARAMETER);
  termios t{};
  if (::tcgetattr(port->fd, &t) != 0) return Fail(ERROR_GEN_FAILURE);
  *dcb = DCB{};
  dcb->DCBlength = sizeof(DCB);
  dcb->BaudRate = RateOf(port->fd, t);
  dcb->fBinary = 1;
  dcb->fParity = (t.c_iflag & INPCK) ? 1 : 0;
  bool hardware = t.c_cflag & CRTSCTS;
  dcb->fOutxCtsFlow = hardware;
  dcb->fRtsControl = hardware ? RTS_CONTROL_HANDSHAKE : port->rtsControl;
  dcb->fDtrControl = port->dtrControl;
  dcb->fOutX = (t.c_iflag & IXON) ? 1 : 0;
  dcb->fInX = (t.c_iflag & IXOFF) ? 1 : 0;
  dcb->fTXContinueOnXoff = 1;
  switch (t.c_cflag & CSIZE) {
    case CS5:
      dcb->ByteSize = 5;
      break;
    case CS6:
      dcb->ByteSize = 6;
      break;
    case CS7:
      dcb->ByteSize = 7;
      break;
    default:
      dcb->ByteSize = 8;
      break;
  }
  if (!(t.c_cflag & PARENB)) {
    dcb->Parity = NOPARITY;
  } else if (t.c_cflag & CMSPAR) {
    dcb->Parity = (t.c_cflag & PARODD) ? MARKPARITY : SPACEPARITY;
  } else {
    dcb->Parity = (t.c_cflag & PARODD) ? ODDPARITY : EVENPARITY;
  }
  dcb->StopBits = (t.c_cflag & CSTOPB)
                      ? (port->stopBits == ONESTOPBIT ? TWOSTOPBITS : port->stopBits)
                      : ONESTOPBIT;
  dcb->XonChar = char(t.c_cc[VSTART]);
  dcb->XoffChar = char(t.c_cc[VSTOP]);
  dcb->XonLim = port->xonLim;
  dcb->XoffLim = port->xoffLim;
  dcb->ErrorChar = port->errorChar;
  dcb->EofChar = port->eofChar;
  dcb->EvtChar = port->evtChar;
  return TRUE;
}

BOOL SetCommState(HANDLE handle, const DCB* dcb) {
  Port* port = Find(handle);
  if (!port) return FALSE;
  if (!dcb || dcb->ByteSize < 5 || dcb->ByteSize > 8 || dcb->Parity > SPACEPARITY ||
      dcb->StopBits > TWOSTOPBITS)
    return Fail(ERROR_INVALID_PARAMETER);
  if (dcb->BaudRate == 0 || dcb->BaudRate > 4000000) return Fail(ERROR_INVALID_PARAMETER);
  const Speed* speed = SpeedOfRate(dcb->BaudRate);
  termios t{};
  if (::tcgetattr(port->fd, &t) != 0) return Fail(ERROR_GEN_FAILURE);
  if (speed) {
    cfsetispeed(&t, speed->code);
    cfsetospeed(&t, speed->code);
  }
  t.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
  static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
  t.c_cflag |= kSizes[dcb->ByteSize - 5];
  switch (dcb->Parity) {
    case ODDPARITY:
      t.c_cflag |= PARENB | PARODD;
      break;
    case EVENPARITY:
      t.c_cflag |= PARENB;
      break;
    case MARKPARITY:
      t.c_cflag |= PARENB | CMSPAR | PARODD;
      break;
    case SPACEPARITY:
      t.c_cflag |= PARENB | CMSPAR;
      break;
    default:
      break;
  }
  if (dcb->fParity && dcb->Parity != NOPARITY) {
    t.c_iflag |= INPCK;
  } else {
    t.c_iflag &= ~INPCK;
  }
  // One and a half stop bits exist only with 5 data bits, where the
  // hardware makes them of the two-stop-bit setting.
  if (dcb->StopBits != ONESTOPBIT) t.c_cflag |= CSTOPB;
  if (dcb->fOutxCtsFlow || dcb->fRtsControl == RTS_CONTROL_HANDSHAKE) t.c_cflag |= CRTSCTS;
  t.c_iflag &= ~(IXON | IXOFF);
  if (dcb->fOutX) t.c_iflag |= IXON;
  if (dcb->fInX) t.c_iflag |= IXOFF;
  t.c_cc[VSTART] = cc_t(dcb->XonChar);
  t.c_cc[VSTOP] = cc_t(dcb->XoffChar);
  if (::tcsetattr(port->fd, TCSANOW, &t) != 0) return Fail(ERROR_GEN_FAILURE);
  if (!speed)
    if (DWORD error = SetOtherRate(port->fd, dcb->BaudRate)) return Fail(error);
  // Some devices keep their own framing (a pseudo-terminal stays 8 data
  // bits without parity): what they kept is reported, not hidden.
  termios taken{};
  constexpr tcflag_t kFraming = CSIZE | PARENB | PARODD | CMSPAR;
  bool framingKept =
      ::tcgetattr(port->fd, &taken) == 0 && (taken.c_cflag & kFraming) == (t.c_cflag & kFraming);
  port->stopBits = dcb->StopBits;
  port->dtrControl = dcb->fDtrControl;
  port->rtsControl = dcb->fRtsControl;
  port->xonLim = dcb->XonLim;
  port->xoffLim = dcb->XoffLim;
  port->errorChar = dcb->ErrorChar;
  port->eofChar = dcb->EofChar;
  port->evtChar = dcb->EvtChar;
  // Devices without modem lines (pseudo-terminals) take the rest.
  if (dcb->fDtrControl != DTR_CONTROL_HANDSHAKE)
    SetModemLine(port->fd, TIOCM_DTR, dcb->fDtrControl == DTR_CONTROL_ENABLE);
  if (dcb->fRtsControl == RTS_CONTROL_ENABLE || dcb->fRtsControl == RTS_CONTROL_DISABLE)
    SetModemLine(port->fd, TIOCM_RTS, dcb->fRtsControl == RTS_CONTROL_ENABLE);
  return framingKept ? TRUE : Fail(ERROR_NOT_SUPPORTED);
}

BOOL GetCommTimeouts(HANDLE handle, COMMTIMEOUTS* timeouts) {
  Port* port = Find(handle);
  if (!port) return FALSE;
  if (!timeouts) return Fail(ERROR_INVALID_PARAMETER);
  *timeouts = port->timeouts;
  return TRUE;
}

BOOL SetCommTimeouts(HANDLE handle, const COMMTIMEOUTS* timeouts) {
  Port* port = Find(handle);
  if (!port) return FALSE;
  if (!timeouts) return Fail(ERROR_INVALID_PARAMETER);
  port->timeouts = *timeouts;
  return TRUE;
}

BOOL EscapeCommFunction(HANDLE handle, DWORD function) {
  Port* port = Find(handle);
  if (!port) return FALSE;
  bool ok;
  switch (function) {
    case SETXOFF:
      ok = ::tcflow(port->fd, TCOOFF) == 0;
      break;
    case SETXON:
      ok = ::tcflow(port->fd, TCOON) == 0;
      break;
    case SETRTS:
    case CLRRTS:
      ok = SetModemLine(port->fd, TIOCM_RTS, function == SETRTS);
      break;
    case SETDTR:
    case CLRDTR:
      ok = SetModemLine(port->fd, TIOCM_DTR, function == SETDTR);
      break;
    case SETBREAK:
      ok = ::ioctl(port->fd, TIOCSBRK) == 0;
      break;
    case CLRBREAK:
      ok = ::ioctl(port->fd, TIOCCBRK) == 0;
      break;
    default:
      return Fail(ERROR_INVALID_PARAMETER);
  }
  return ok ? TRUE : Fail(ERROR_NOT_SUPPORTED);
}

BOOL SetCommMask(HANDLE handle, DWORD mask) {
  Port* port = Find(handle);
  if (!port) return FALSE;
  if (port->wakeArmed) user::WatchDescriptor(nullptr, port->fd, 0, nullptr, nullptr);
  port->wakeArmed = false;
  port->waker = (mask & EV_RXCHAR) ? GetCurrentThreadId() : 0;
  Rearm(port);
  return TRUE;
}

BOOL PurgeComm(HANDLE handle, DWORD flags) {
  Port* port = Find(handle);
  if (!port) return FALSE;
  bool rx = flags & (PURGE_RXCLEAR | PURGE_RXABORT), tx = flags & (PURGE_TXCLEAR | PURGE_TXABORT);
  if (rx || tx) ::tcflush(port->fd, rx && tx ? TCIOFLUSH : rx ? TCIFLUSH : TCOFLUSH);
  return TRUE;
}

int CommDescriptor(HANDLE handle) {
  std::lock_guard lock(PortsLock());
  auto* port = static_cast<Port*>(handle);
  return Ports().count(port) ? port->fd : -1;
}

}  // namespace tess::platform::comm
