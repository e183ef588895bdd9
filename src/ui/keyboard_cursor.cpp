// The Keyboard object and mouse cursors.
//
// Keyboard: ShiftKey, CommandKey, ControlKey and OptionKey read the modifier
// mask of the current event; their Async forms and AsyncKeyDown ask the
// host for the key state at this moment. AsyncKeyDown takes the classic key
// codes of a US keyboard (0x00 "A", 0x24 Return, 0x7B left arrow, ...),
// which are turned into the host's key codes by the table below; a code
// with no key there is never down.
//
// MouseCursor: the stock arrow, watch and I-beam cursors, and cursors built
// from project items of kind 9, which own their host cursor. The
// application's cursor (appMouseCursorSetter) is shown until another is
// set; nil goes back to the arrow.
#include <span>
#include <vector>

#include "base/byte_order.h"
#include "graphics/codecs/picture_codec.h"
#include "platform/user/winuser.h"
#include "runtime/class_registry.h"
#include "runtime/image_data.h"
#include "runtime/objects.h"
#include "runtime/project_items.h"
#include "tessera/runtime.h"
#include "ui/screen_system.h"
#include "ui/windowing.h"

namespace tess::ui {

namespace {

namespace host = tess::platform;

struct KeyboardFields {
  ObjectHeader header;
};
struct CursorFields {
  ObjectHeader header;
  host::HCURSOR cursor;
  uint8_t owned;  // made from an item: destroyed with the object
};

constexpr uint32_t kShiftMask = 0x0200, kCommandMask = 0x0100, kOptionMask = 0x0800,
                   kControlMask = 0x1000;
constexpr uint32_t kCursorItemKind = 9;
constexpr size_t kMaxCursorItem = size_t(4) << 20;
constexpr int kMaxCursorSide = 256;

ClassObject* g_keyboard = nullptr;
ClassObject* g_cursor = nullptr;
TessObject* g_keyboardObject = nullptr;
TessObject* g_stockCursors[3] = {};
TessObject* g_appCursor = nullptr;

const PropertyRecord kKeyboardProperties[] = {
    {0, "ShiftKey", &kBooleanType, (void*)&modifierKeyGetter, nullptr, kShiftMask},
    {0, "CommandKey", &kBooleanType, (void*)&modifierKeyGetter, nullptr, kCommandMask},
    {0, "ControlKey", &kBooleanType, (void*)&modifierKeyGetter, nullptr, kControlMask},
    {0, "OptionKey", &kBooleanType, (void*)&modifierKeyGetter, nullptr, kOptionMask},
    {0, "AsyncShiftKey", &kBooleanType, (void*)&asyncModifierKeyGetter, nullptr, kShiftMask},
    {0, "AsyncCommandKey", &kBooleanType, (void*)&asyncModifierKeyGetter, nullptr, kCommandMask},
    {0, "AsyncControlKey", &kBooleanType, (void*)&asyncModifierKeyGetter, nullptr, kControlMask},
    {0, "AsyncOptionKey", &kBooleanType, (void*)&asyncModifierKeyGetter, nullptr, kOptionMask},
};
const ParameterRecord kKeyCode[] = {{"KeyCode", &kIntegerType, {}}};
const MethodRecord kKeyboardMethods[] = {
    MethodRecord{"AsyncKeyDown", &kBooleanType, kKeyCode, 1, {(void*)&keyboardAsyncKeyDown}, {}},
};

// Classic key codes of a US keyboard and the host's key codes.
constexpr struct {
  uint8_t code;
  uint8_t vk;
} kKeys[] = {
    {0x00, 'A'},
    {0x01, 'S'},
    {0x02, 'D'},
    {0x03, 'F'},
    {0x04, 'H'},
    {0x05, 'G'},
    {0x06, 'Z'},
    {0x07, 'X'},
    {0x08, 'C'},
    {0x09, 'V'},
    {0x0B, 'B'},
    {0x0C, 'Q'},
    {0x0D, 'W'},
    {0x0E, 'E'},
    {0x0F, 'R'},
    {0x10, 'Y'},
    {0x11, 'T'},
    {0x12, '1'},
    {0x13, '2'},
    {0x14, '3'},
    {0x15, '4'},
    {0x16, '6'},
    {0x17, '5'},
    {0x18, 0xBB},
    {0x19, '9'},
    {0x1A, '7'},
    {0x1B, 0xBD},
    {0x1C, '8'},
    {0x1D, '0'},
    {0x1E, 0xDD},
    {0x1F, 'O'},
    {0x20, 'U'},
    {0x21, 0xDB},
    {0x22, 'I'},
    {0x23, 'P'},
    {0x24, host::VK_RETURN},
    {0x25, 'L'},
    {0x26, 'J'},
    {0x27, 0xDE},
    {0x28, 'K'},
    {0x29, 0xBA},
    {0x2A, 0xDC},
    {0x2B, 0xBC},
    {0x2C, 0xBF},
    {0x2D, 'N'},
    {0x2E, 'M'},
    {0x2F, 0xBE},
    {0x30, host::VK_TAB},
    {0x31, host::VK_SPACE},
    {0x32, 0xC0},
    {0x33, host::VK_BACK},
    {0x35, host::VK_ESCAPE},
    {0x37, host::VK_LWIN},
    {0x38, host::VK_SHIFT},
    {0x39, host::VK_CAPITAL},
    {0x3A, host::VK_MENU},
    {0x3B, host::VK_CONTROL},
    {0x4C, host::VK_RETURN},
    {0x60, host::VK_F1 + 4},
    {0x61, host::VK_F1 + 5},
    {0x62, host::VK_F1 + 6},
    {0x63, host::VK_F1 + 2},
    {0x64, host::VK_F1 + 7},
    {0x65, host::VK_F1 + 8},
    {0x67, host::VK_F1 + 10},
    {0x6D, host::VK_F1 + 9},
    {0x6F, host::VK_F1 + 11},
    {0x73, host::VK_HOME},
    {0x74, host::VK_PRIOR},
    {0x75, host::VK_DELETE},
    {0x76, host::VK_F1 + 3},
    {0x77, host::VK_END},
    {0x78, host::VK_F1 + 1},
    {0x79, host::VK_NEXT},
    {0x7A, host::VK_F1},
    {0x7B, host::VK_LEFT},
    {0x7C, host::VK_RIGHT},
    {0x7D, host::VK_DOWN},
    {0x7E, host::VK_UP},
};

bool Down(int vk) {
  return host::GetAsyncKeyState(vk) < 0;
}

TessObject* NewCursor(host::HCURSOR handle, bool owned) {
  TessObject* object = CreateObject(g_cursor);
  if (!object) {
    if (owned) host::DestroyCursor(handle);
    return nullptr;
  }
  auto* f = reinterpret_cast<CursorFields*>(object);
  f->cursor = handle;
  f->owned = owned;
  return object;
}

void DestructCursor(TessObject* object, ClassObject*) {
  auto* f = reinterpret_cast<CursorFields*>(object);
  if (f->owned && f->cursor) host::DestroyCursor(f->cursor);
  f->cursor = nullptr;
}

// One of the stock cursors, made once and kept for the process.
TessObject* StockCursor(int which, int resource) {
  if (!g_stockCursors[which]) {
    g_stockCursors[which] = NewCursor(
        host::LoadCursor(nullptr, reinterpret_cast<const char*>(uintptr_t(resource))), false);
  }
  LockObject(g_stockCursors[which]);
  return g_stockCursors[which];
}

// The item as start-up hands it over: read only inside the data segment.
TessObject* BuildCursorItem(const uint8_t* record) {
  std::span<const uint8_t> data = ImageDataFrom(record);
  if (data.size() < 8) return nullptr;
  size_t size = le32(data.data() + 4);
  if (size > kMaxCursorItem || size > data.size() - 8) return nullptr;
  return BuildCursorFromItem(data.first(size + 8));
}

}  // namespace

int VirtualKeyForKeyCode(int32_t keyCode) {
  for (const auto& k : kKeys) {
    if (k.code == keyCode) return k.vk;
  }
  return 0;
}

TessObject* BuildCursorFromItem(std::span<const uint8_t> item) {
  if (item.size() < 12 || le32(item.data()) != kCursorItemKind ||
      le32(item.data() + 4) != item.size() - 8) {
    return nullptr;
  }
  int hotX = le16(item.data() + 8), hotY = le16(item.data() + 10);
  graphics::PixelImage image;
  std::string error;
  if (!graphics::DecodePicture(item.subspan(12), &image, &error) || image.width > kMaxCursorSide ||
      image.height > kMaxCursorSide) {
    return nullptr;
  }
  // 1-bit planes, rows padded to 16 bits: AND 1 keeps the screen, XOR 1 is white.
  const size_t stride = size_t((image.width + 15) / 16 * 2);
  std::vector<uint8_t> andPlane(stride * size_t(image.height), 0), xorPlane(andPlane.size(), 0);
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      uint32_t px = image.pixels[size_t(y) * size_t(image.width) + size_t(x)];
      uint8_t bit = uint8_t(0x80 >> (x % 8));
      size_t at = size_t(y) * stride + size_t(x / 8);
      if ((px >> 24) < 128) {
        andPlane[at] |= bit;
        continue;
      }
      uint32_t r = (px >> 16) & 255, g = (px >> 8) & 255, b = px & 255;
      if (r * 3 + g * 6 + b >= 128 * 10) xorPlane[at] |= bit;
    }
  }
  host::HCURSOR cursor = host::CreateCursor(nullptr, hotX, hotY, image.width, image.height,
                                            andPlane.data(), xorPlane.data());
  return cursor ? NewCursor(cursor, true) : nullptr;
}

void InitKeyboardAndCursors() {
  if (g_keyboard) return;
  FrameworkClassDef keyboard{};
  keyboard.name = "Sys$Keyboard";
  keyboard.superclass = RootClass();
  keyboard.instanceSize = sizeof(KeyboardFields);
  keyboard.properties = kKeyboardProperties;
  keyboard.methods = kKeyboardMethods;
  g_keyboard = BuildFrameworkClass(keyboard);

  FrameworkClassDef cursor{};
  cursor.name = "MouseCursor";
  cursor.superclass = RootClass();
  cursor.instanceSize = sizeof(CursorFields);
  cursor.destruct = &DestructCursor;
  g_cursor = BuildFrameworkClass(cursor);
  SetProjectItemBuilder(kCursorItemKind, &BuildCursorItem);
}

}  // namespace tess::ui

using namespace tess;
using namespace tess::ui;
namespace host = tess::platform;

TessObject* getKeyboardObject() {
  if (!g_keyboardObject) g_keyboardObject = CreateObject(g_keyboard);  // kept for the process
  LockObject(g_keyboardObject);
  return g_keyboardObject;
}

int32_t modifierKeyGetter(TessObject*, uint32_t mask) {
  return (uint32_t(CurrentModifiers()) & mask) != 0 ? 1 : 0;
}

int32_t asyncModifierKeyGetter(TessObject*, uint32_t mask) {
  switch (mask) {
    case kCommandMask:
      return Down(host::VK_LWIN) || Down(host::VK_RWIN);
    case kShiftMask:
      return Down(host::VK_SHIFT);
    case kOptionMask:
      return Down(host::VK_MENU);
    case kControlMask:
      return Down(host::VK_CONTROL);
    default:
      return 0;
  }
}

int32_t keyboardAsyncKeyDown(TessObject*, int32_t keyCode) {
  int vk = VirtualKeyForKeyCode(keyCode);
  return vk && Down(vk) ? 1 : 0;
}

TessObject* getArrowCursor() {
  return StockCursor(0, 32512);
}
TessObject* getIBeamCursor() {
  return StockCursor(1, 32513);
}
TessObject* getWatchCursor() {
  return StockCursor(2, 32514);
}

void appMouseCursorSetter(TessObject*, uint32_t, TessObject* cursor) {
  if (cursor && !IsA(cursor, g_cursor)) return;
  LockObject(cursor);
  UnlockObject(g_appCursor);
  g_appCursor = cursor;
  host::HCURSOR handle = cursor ? reinterpret_cast<CursorFields*>(cursor)->cursor
                                : host::LoadCursor(nullptr, reinterpret_cast<const char*>(32512));
  host::SetCursor(handle);
}
