// The Serial and SerialPort classes over the host layer's COM ports; see
// serial.h. Reception is polled: the run loop's idle work visits every open
// port, and an open port wakes the loop's message wait when bytes arrive,
// so a loop sleeping in GetMessage gets round to the poll.
#include "comm/serial.h"

#include <iterator>
#include <string>
#include <vector>

#include "platform/kernel/comm.h"
#include "runtime/class_registry.h"
#include "runtime/events.h"
#include "runtime/exceptions.h"
#include "runtime/objects.h"
#include "runtime/raise.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"
#include "values/class_members.h"

namespace tess::comm {

namespace {

namespace pc = platform::comm;

constexpr size_t kWorkBlock = 2048;
constexpr uint32_t kReadChunk = 1024;
constexpr int kHighestPort = 9;
constexpr int32_t kRatedSpeed = 115200;

struct SerialObject {
  ObjectHeader header;
  SerialObject* next;
  int32_t handle;  // the open port's handle, -1 when closed
  int16_t baud, bits, stop, parity, port;
  uint8_t xon, cts, dtr;
  uint8_t open;
  TessString* buffer;
  uint8_t* work;
  TessObject* serialPort;
  uint8_t dataPending;
};
#if defined(__i386__)
static_assert(offsetof(SerialObject, next) == 16);
static_assert(offsetof(SerialObject, handle) == 20);
static_assert(offsetof(SerialObject, baud) == 24);
static_assert(offsetof(SerialObject, port) == 32);
static_assert(offsetof(SerialObject, xon) == 34);
static_assert(offsetof(SerialObject, open) == 37);
static_assert(offsetof(SerialObject, buffer) == 40);
static_assert(offsetof(SerialObject, serialPort) == 48);
static_assert(offsetof(SerialObject, dataPending) == 52);
#endif

struct SerialPortObject {
  ObjectHeader header;
  TessString* name;
  TessString* inputDriver;
  TessString* outputDriver;
  int32_t ratedSpeed;
  int32_t maximumSpeed;
};

ClassObject* g_serial = nullptr;
ClassObject* g_serialPort = nullptr;
SerialObject* g_head = nullptr;  // every live Serial object, newest first

SerialObject* Fields(TessObject* serial) {
  if (!serial) Raise(RuntimeError::kNilObject);
  return reinterpret_cast<SerialObject*>(serial);
}

pc::HANDLE HandleOf(const SerialObject* s) {
  return reinterpret_cast<pc::HANDLE>(intptr_t(s->handle));
}

constexpr uint32_t kRates[] = {300,  600,  1200,  1800,  2400,  3600,  4800,
                               7200, 9600, 14400, 19200, 28800, 38400, 57600};

void Reset(SerialObject* s) {
  if (!s->open) return;
  pc::HANDLE h = HandleOf(s);
  pc::DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!pc::GetCommState(h, &dcb)) return;
  LineSettings line = LineSettingsOf(s->baud, s->bits, s->stop, s->parity);
  dcb.BaudRate = line.rate;
  dcb.StopBits = line.stopBits;
  dcb.Parity = line.parity;
  dcb.ByteSize = line.dataBits;
  dcb.fOutX = dcb.fInX = s->xon ? 1 : 0;
  dcb.fOutxCtsFlow = s->cts ? 1 : 0;
  if (s->cts) {
    dcb.fRtsControl = pc::RTS_CONTROL_HANDSHAKE;
  } else if (dcb.fRtsControl == pc::RTS_CONTROL_HANDSHAKE) {
    dcb.fRtsControl = pc::RTS_CONTROL_ENABLE;
  }
  if (s->dtr) dcb.fDtrControl = pc::DTR_CONTROL_ENABLE;
  if (s->xon) {
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
  }
  pc::SetCommState(h, &dcb);
}

std::string DeviceName(SerialObject* s) {
  if (s->serialPort) {
    auto* port = reinterpret_cast<SerialPortObject*>(s->serialPort);
    return std::string(View(port->inputDriver));
  }
  return "COM" + std::to_string(int(s->port) + 1);
}

bool Open(SerialObject* s) {
  if (s->open) return true;
  pc::HANDLE h = pc::CreateFile(DeviceName(s).c_str(), pc::GENERIC_READ | pc::GENERIC_WRITE,
                                pc::FILE_SHARE_READ | pc::FILE_SHARE_WRITE, nullptr,
                                pc::OPEN_EXISTING, 0, nullptr);
  if (h == pc::INVALID_HANDLE_VALUE) return false;
  s->handle = int32_t(reinterpret_cast<intptr_t>(h));
  s->open = 1;
  Reset(s);
  pc::COMMTIMEOUTS timeouts{pc::MAXDWORD, 0, 0, 0, 0};
  pc::SetCommTimeouts(h, &timeouts);
  pc::SetCommMask(h, pc::EV_RXCHAR);
  if (!s->work) s->work = new uint8_t[kWorkBlock];
  return true;
}

void Close(SerialObject* s) {
  if (s->open) pc::CloseHandle(HandleOf(s));
  s->handle = -1;
  s->open = 0;
  UnlockString(s->buffer);
  s->buffer = nullptr;
  delete[] s->work;
  s->work = nullptr;
}

void Append(SerialObject* s, const std::string& bytes) {
  TessString* added = MakeString(bytes);
  TessString* joined = Concatenate(s->buffer, added);
  UnlockString(added);
  UnlockString(s->buffer);
  s->buffer = joined;
}

// Reads what is waiting into the buffer; true when DataAvailable is due.
bool Gather(SerialObject* s) {
  if (!s->open) return false;
  std::string received;
  uint8_t chunk[kReadChunk];
  for (;;) {
    platform::DWORD got = 0;
    if (!pc::ReadFile(HandleOf(s), chunk, kReadChunk, &got, nullptr) || got == 0) break;
    received.append(reinterpret_cast<const char*>(chunk), got);
  }
  if (!received.empty()) {
    s->dataPending = 1;
    Append(s, received);
  }
  if (!s->dataPending) return false;
  s->dataPending = 0;
  return true;
}

const EventDescriptor* DataAvailableEvent();

void Tick(TessObject* serial) {
  SerialObject* s = Fields(serial);
  if (!Gather(s)) return;
  ObjectRef keep = ShareObject(serial);
  FireEvent(serial, DataAvailableEvent(), {});
}

// Takes the first `count` bytes of the buffer, all of them when negative.
TessString* Take(SerialObject* s, int64_t count) {
  int32_t length = Length(s->buffer);
  if (count < 0 || count >= length) {
    TessString* all = s->buffer;
    s->buffer = nullptr;
    return all;
  }
  if (count == 0) return nullptr;
  TessString* front = Substring(s->buffer, 0, count);
  TessString* rest = Substring(s->buffer, count, length - count);
  UnlockString(s->buffer);
  s->buffer = rest;
  return front;
}

TessObject* NewSerialPort(const std::string& name) {
  TessObject* object = CreateObject(g_serialPort);
  auto* p = reinterpret_cast<SerialPortObject*>(object);
  p->name = MakeString(name);
  p->inputDriver = MakeString(name);
  p->outputDriver = MakeString(name);
  p->ratedSpeed = p->maximumSpeed = kRatedSpeed;
  return object;
}

bool PortExists(int number) {
  std::string name = "COM" + std::to_string(number);
  pc::HANDLE h = pc::CreateFile(name.c_str(), 0, 0, nullptr, pc::OPEN_EXISTING, 0, nullptr);
  if (h == pc::INVALID_HANDLE_VALUE) return false;
  pc::CloseHandle(h);
  return true;
}

// ---- Records

EventRecord g_events[] = {{0, "DataAvailable", nullptr, nullptr, 0, nullptr}};

const EventDescriptor* DataAvailableEvent() {
  return static_cast<const EventDescriptor*>(g_events[0].descriptor);
}

#define AT(field) uint32_t(offsetof(SerialObject, field))
const PropertyRecord kSerialProperties[] = {
    {0, "Baud", &kIntegerType, (void*)&shortGetter, (void*)&shortSetter, AT(baud)},
    {0, "Bits", &kIntegerType, (void*)&shortGetter, (void*)&shortSetter, AT(bits)},
    {0, "Stop", &kIntegerType, (void*)&shortGetter, (void*)&shortSetter, AT(stop)},
    {0, "Parity", &kIntegerType, (void*)&shortGetter, (void*)&shortSetter, AT(parity)},
    {0, "Port", &kIntegerType, (void*)&shortGetter, (void*)&shortSetter, AT(port)},
    {0, "XON", &kBooleanType, (void*)&boolGetter, (void*)&boolSetter, AT(xon)},
    {0, "CTS", &kBooleanType, (void*)&boolGetter, (void*)&boolSetter, AT(cts)},
    {0, "DTR", &kBooleanType, (void*)&boolGetter, (void*)&boolSetter, AT(dtr)},
    {0, "Lookahead", &kStringType, (void*)&stringGetter, nullptr, AT(buffer)},
    {0, "SerialPort", nullptr, (void*)&objGetter, (void*)&objSetter, AT(serialPort)},
    {0, "Win32DriverHandle", &kIntegerType, (void*)&intGetter, nullptr, AT(handle)},
    {0, "MacInDriverRefNum", &kIntegerType, (void*)&shortGetter, nullptr, AT(handle)},
    {0, "MacOutDriverRefNum", &kIntegerType, (void*)&shortGetter, nullptr, AT(handle) + 2},
    {0, "PosixDescriptor", &kIntegerType, (void*)&intGetter, nullptr, AT(handle)},
};
#undef AT

const ParameterRecord kData[] = {{"Data", &kStringType, {}}};
const ParameterRecord kCount[] = {{"Count", &kIntegerType, {}}};

const MethodRecord kSerialMethods[] = {
    Method("Open", &kBooleanType, nullptr, 0, (void*)&serialOpen),
    Method("Close", nullptr, nullptr, 0, (void*)&serialClose),
    Method("Write", nullptr, kData, 1, (void*)&serialWrite),
    Method("Read", &kStringType, kCount, 1, (void*)&serialRead),
    Method("ReadAll", &kStringType, nullptr, 0, (void*)&serialReadAll),
    Method("XmitWait", nullptr, nullptr, 0, (void*)&serialXmitWait),
    Method("Flush", nullptr, nullptr, 0, (void*)&serialFlush),
    Method("Reset", nullptr, nullptr, 0, (void*)&serialReset),
    Method("LeaveDTROnClose", nullptr, nullptr, 0, (void*)&serialLeaveDTROnClose),
    Method("Poll", nullptr, nullptr, 0, (void*)&serialTick),
};

#define AT(field) uint32_t(offsetof(SerialPortObject, field))
const PropertyRecord kPortProperties[] = {
    {0, "Name", &kStringType, (void*)&stringGetter, nullptr, AT(name)},
    {0, "InputDriverName", &kStringType, (void*)&stringGetter, nullptr, AT(inputDriver)},
    {0, "OutputDriverName", &kStringType, (void*)&stringGetter, nullptr, AT(outputDriver)},
    {0, "RatedSpeed", &kIntegerType, (void*)&intGetter, nullptr, AT(ratedSpeed)},
    {0, "MaximumSpeed", &kIntegerType, (void*)&intGetter, nullptr, AT(maximumSpeed)},
};
#undef AT

void Construct(TessObject* serial, ClassObject*) {
  SerialObject* s = Fields(serial);
  s->handle = -1;
  s->next = g_head;
  g_head = s;
}

void Destruct(TessObject* serial, ClassObject*) {
  SerialObject* s = Fields(serial);
  Close(s);
  UnlockObject(s->serialPort);
  s->serialPort = nullptr;
  for (SerialObject** at = &g_head; *at; at = &(*at)->next)
    if (*at == s) {
      *at = s->next;
      break;
    }
}

void DestructPort(TessObject* object, ClassObject*) {
  auto* p = reinterpret_cast<SerialPortObject*>(object);
  for (TessString** s : {&p->name, &p->inputDriver, &p->outputDriver}) {
    UnlockString(*s);
    *s = nullptr;
  }
}

}  // namespace

LineSettings LineSettingsOf(int32_t baud, int32_t bits, int32_t stop, int32_t parity) {
  LineSettings line{};
  line.rate = baud >= 0 && baud < int32_t(std::size(kRates)) ? kRates[baud] : 57600;
  line.dataBits = bits >= 0 && bits <= 3 ? uint8_t(5 + bits) : 8;
  line.stopBits = stop == 1 ? pc::ONE5STOPBITS : stop == 2 ? pc::TWOSTOPBITS : pc::ONESTOPBIT;
  line.parity = parity == 1 ? pc::ODDPARITY : parity == 2 ? pc::EVENPARITY : pc::NOPARITY;
  return line;
}

void InitSerialClasses() {
  if (g_serial) return;
  FrameworkClassDef def{};
  def.name = "Serial";
  def.superclass = RootClass();
  def.instanceSize = sizeof(SerialObject);
  def.construct = &Construct;
  def.destruct = &Destruct;
  def.properties = kSerialProperties;
  def.methods = kSerialMethods;
  def.events = g_events;
  g_serial = BuildFrameworkClass(def);
  FrameworkClassDef port{};
  port.name = "SerialPort";
  port.superclass = RootClass();
  port.instanceSize = sizeof(SerialPortObject);
  port.destruct = &DestructPort;
  port.properties = kPortProperties;
  g_serialPort = BuildFrameworkClass(port);
}

ClassObject* SerialClass() {
  return g_serial;
}
ClassObject* SerialPortClass() {
  return g_serialPort;
}

void PollSerialPorts() {
  // Handlers may open, close or release ports: the open ones are held first.
  std::vector<ObjectRef> open;
  for (SerialObject* s = g_head; s; s = s->next)
    if (s->open) open.push_back(ShareObject(reinterpret_cast<TessObject*>(s)));
  for (ObjectRef& serial : open) Tick(serial.get());
}

}  // namespace tess::comm

using tess::AtEntry;
namespace comm = tess::comm;

extern "C" {

int32_t serialOpen(TessObject* serial) {
  return AtEntry([&] { return comm::Open(comm::Fields(serial)) ? 1 : 0; });
}

void serialClose(TessObject* serial) {
  AtEntry([&] { comm::Close(comm::Fields(serial)); });
}

void serialWrite(TessObject* serial, TessString* data) {
  AtEntry([&] {
    comm::SerialObject* s = comm::Fields(serial);
    std::string_view bytes = tess::View(data);
    if (!comm::Open(s) || bytes.empty()) return;
    tess::platform::DWORD written = 0;
    comm::pc::WriteFile(comm::HandleOf(s), bytes.data(), tess::platform::DWORD(bytes.size()),
                        &written, nullptr);
  });
}

TessString* serialRead(TessObject* serial, int32_t count) {
  return AtEntry([&] {
    comm::Tick(serial);
    // A negative count reads nothing, as a zero one does.
    return comm::Take(comm::Fields(serial), count < 0 ? 0 : count);
  });
}

TessString* serialReadAll(TessObject* serial) {
  return AtEntry([&] {
    comm::Tick(serial);
    comm::SerialObject* s = comm::Fields(serial);
    s->dataPending = 0;
    return comm::Take(s, -1);
  });
}

void serialXmitWait(TessObject* serial) {
  AtEntry([&] { comm::Fields(serial); });
}

void serialFlush(TessObject* serial) {
  AtEntry([&] {
    comm::Tick(serial);
    comm::SerialObject* s = comm::Fields(serial);
    tess::UnlockString(s->buffer);
    s->buffer = nullptr;
  });
}

void serialReset(TessObject* serial) {
  AtEntry([&] { comm::Reset(comm::Fields(serial)); });
}

void serialLeaveDTROnClose(TessObject* serial) {
  AtEntry([&] { comm::Fields(serial); });
}

void serialTick(TessObject* serial) {
  AtEntry([&] { comm::Tick(serial); });
}

int32_t getSerialPortCount() {
  int32_t count = 0;
  for (int n = 1; n <= comm::kHighestPort; ++n) count += comm::PortExists(n) ? 1 : 0;
  return count;
}

TessObject* getSerialPort(int32_t index) {
  return AtEntry([&]() -> TessObject* {
    if (index < 0 || index > comm::kHighestPort) return nullptr;
    for (int n = index + 1; n <= comm::kHighestPort; ++n)
      if (comm::PortExists(n)) return comm::NewSerialPort("COM" + std::to_string(n));
    return nullptr;
  });
}

}  // extern "C"
