#include "image/startup.h"

#include <algorithm>
#include <iterator>
#include <span>

#include "base/byte_order.h"
#include "comm/sockets_and_serial.h"
#include "db/classes/database_classes.h"
#include "files/file_classes.h"
#include "files/file_types.h"
#include "files/folder_item.h"
#include "graphics/graphics.h"
#include "image/assertions.h"
#include "image/loader.h"
#include "image/plugin_install.h"
#include "image/runtime_main.h"
#include "runtime/alerts.h"
#include "runtime/class_registry.h"
#include "runtime/exceptions.h"
#include "runtime/framework_classes.h"
#include "runtime/image_data.h"
#include "runtime/objects.h"
#include "runtime/project_items.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"
#include "threads/threads.h"
#include "ui/clipboard_drag.h"
#include "ui/data_control.h"
#include "ui/edit_field.h"
#include "ui/list_box.h"
#include "ui/mdi_frame.h"
#include "ui/media_controls.h"
#include "ui/menu_bar.h"
#include "ui/picture_glue.h"
#include "ui/plugin_controls.h"
#include "ui/screen_system.h"
#include "ui/windowing.h"
#include "values/value_classes.h"

namespace tess {

namespace {

constexpr uint32_t kStackSize = 0xE2000;
constexpr size_t kMaxMessages = 12;
constexpr int32_t kMaxFileTypes = 1000;
constexpr uint32_t kItemMenuBar = 2, kItemSettings = 4, kItemInstance = 5;

struct StartupState {
  bool ready = false;
  std::vector<TessObject*> projectItems;  // slot 0 stays empty
  TessObject* application = nullptr;
  std::vector<std::string> messages;
  bool multipleDocument = false;
  std::string title;
  std::vector<PeriodicService> periodic;
};

StartupState& State() {
  static StartupState state;
  return state;
}

// Reads the settings stream: Number count, that many Strings (the runtime
// message texts), Flag multiple-document mode, String title. Numbers are
// variable-length signed integers (6 bits in the first byte, 7 in the next).
class SettingsReader {
 public:
  SettingsReader(const uint8_t* bytes, size_t size) : p_(bytes), end_(bytes + size) {}
  bool ok() const { return ok_; }
  int32_t Number() {
    if (p_ >= end_) return Fail();
    uint8_t first = *p_++;
    bool negative = first & 0x40;
    uint32_t magnitude = first & 0x3F;
    int shift = 6;
    bool more = first & 0x80;
    while (more) {
      if (p_ >= end_ || shift > 31) return Fail();
      uint8_t b = *p_++;
      magnitude |= uint32_t(b & 0x7F) << shift;
      shift += 7;
      more = b & 0x80;
    }
    if (magnitude == 0x80000000u) return INT32_MIN;
    return negative ? -int32_t(magnitude & 0x7FFFFFFF) : int32_t(magnitude & 0x7FFFFFFF);
  }
  std::string String() {
    int32_t length = Number();
    if (length <= 0) return {};
    if (size_t(end_ - p_) < size_t(length)) {
      Fail();
      return {};
    }
    std::string text(reinterpret_cast<const char*>(p_), size_t(length));
    p_ += length;
    return text;
  }
  bool Flag() {
    if (p_ >= end_) return Fail() != 0;
    return *p_++ != 0;
  }
  bool AtEnd() const { return p_ >= end_; }

 private:
  int32_t Fail() {
    ok_ = false;
    p_ = end_;
    return 0;
  }
  const uint8_t* p_;
  const uint8_t* end_;
  bool ok_ = true;
};

// A pointer from the image into its data segment, checked to lie inside it
// (unchecked when no image is loaded, as in tests).
bool InData(const uint8_t* p, size_t size) {
  const image::Segments& seg = image::LoadedSegments();
  if (!seg.data) return p != nullptr;
  auto start = reinterpret_cast<uintptr_t>(seg.data), at = reinterpret_cast<uintptr_t>(p);
  return at >= start && at - start <= seg.dataSize && size <= seg.dataSize - (at - start);
}

void ReadSettings(const uint8_t* record) {
  if (!InData(record, 8)) return;
  uint32_t size = le32(record + 4);
  if (!InData(record + 8, size)) return;
  SettingsReader r(record + 8, size);
  StartupState& s = State();
  int32_t count = std::clamp<int32_t>(r.Number(), 0, int32_t(kMaxMessages));
  s.messages.clear();
  for (int32_t i = 0; i < count && r.ok(); ++i) s.messages.push_back(r.String());
  s.multipleDocument = r.Flag();
  s.title = r.String();
  SetApplicationTitle(s.title);
  // Then, when there are any, the file types: a count, and for each its
  // name, its extensions separated by ";" and its four-character type.
  std::vector<files::FileType> types;
  int32_t typeCount = r.ok() && !r.AtEnd() ? std::clamp<int32_t>(r.Number(), 0, kMaxFileTypes) : 0;
  for (int32_t i = 0; i < typeCount && r.ok(); ++i) {
    files::FileType type;
    type.name = r.String();
    std::string extensions = r.String();
    for (size_t start = 0; start < extensions.size();) {
      size_t end = std::min(extensions.find(';', start), extensions.size());
      if (end > start) type.extensions.push_back(extensions.substr(start, end - start));
      start = end + 1;
    }
    type.macType = r.String();
    if (r.ok()) types.push_back(std::move(type));
  }
  files::SetApplicationFileTypes(std::move(types));
}

void BuildProjectItems(const uint8_t* descriptor, size_t classCount) {
  StartupState& s = State();
  const uint8_t* at = descriptor + 4 + 4 * classCount;
  if (!InData(at, 4)) return;
  uint32_t count = le32(at);
  if (!InData(at + 4, size_t(count) * 4)) return;
  s.projectItems.assign(size_t(count) + 1, nullptr);
  for (uint32_t i = 0; i < count; ++i) {
    auto* record = reinterpret_cast<const uint8_t*>(uintptr_t(le32(at + 4 + 4 * i)));
    if (!record) continue;
    if (!InData(record, 4)) continue;
    uint32_t kind = le32(record);
    if (kind == kItemSettings) {
      ReadSettings(record);
    } else if (kind == kItemInstance) {
      if (!InData(record, 12)) continue;
      auto* slot = reinterpret_cast<uint8_t*>(uintptr_t(le32(record + 8)));
      if (!InData(slot, 4)) continue;
      TessObject* object = RuntimeNewObject(int32_t(le32(record + 4)));
      put_le32(slot, uint32_t(reinterpret_cast<uintptr_t>(object)));
    } else if (kind == kItemMenuBar) {
      ui::BuildMenuBar(record + 4);
    } else if (kind < 1 || kind > 10) {
      InternalAssertion(kUnknownProjectItem);
    } else if (ProjectItemBuilder build = ProjectItemBuilderFor(kind)) {
      s.projectItems[size_t(i) + 1] = build(record);
    }
    // A kind whose subsystem registered no builder leaves its slot empty.
  }
}

ClassObject* ChooseApplicationClass(const std::vector<ClassObject*>& table, int32_t* index) {
  ClassObject* chosen = nullptr;
  for (size_t i = 0; i < table.size(); ++i) {
    ClassObject* cls = table[i];
    if (!cls || cls->isFramework) continue;
    for (const ClassObject* c = cls->superclass; c; c = c->superclass) {
      if (c == ApplicationClass()) {
        chosen = cls;
        *index = int32_t(i);
        break;
      }
    }
  }
  return chosen;
}

// The window layer's classes and its steps of the run loop.
void InitWindows() {
  ui::InitWindowing();
  ui::SetEventStep(&RunOneIteration);
  RunLoopServices services;
  services.openWindowCount = &ui::OpenWindowCount;
  services.mayAllWindowsClose = &ui::MayAllWindowsClose;
  services.closeAllWindows = &ui::CloseAllWindows;
  services.wantsPolling = &ui::WantsPolling;
  services.offerShortcut = &ui::OfferShortcut;
  SetRunLoopServices(services);
}

void Init(const uint8_t* descriptor) {
  StartupState& s = State();
  s.ready = true;
  InstallUnhandledPath();
  InitFrameworkValueAndFileClasses();
  InitWindows();
  InitDatabaseClasses();
  graphics::InitGraphics();
  ui::InitPictureGlue();
  ui::InitMediaControls();
  InitThreadClasses();
  image::InstallPlugins();
  ui::InitPluginControls();
  comm::InitSocketsAndSerial(&AddPeriodicService);
  ui::InitScreenAndSystem();
  ui::InitEditField();
  ui::InitClipboardAndDrag();
  ui::InitListBox();
  ui::InitDataControl();
  InitStackChecker(kStackSize);
  image::SetDeferredMemberLookup(&DeferredMemberLookup);
  image::ResolveDeferredReferences();

  const image::Segments& seg = image::LoadedSegments();
  std::span<const uint8_t> data(seg.data, seg.data ? seg.dataSize : 0);
  SetImageData(data);
  std::vector<ClassObject*> table = RegisterApplicationClasses(descriptor, data);
  int32_t appIndex = -1;
  ChooseApplicationClass(table, &appIndex);
  BuildProjectItems(descriptor, table.size());
  if (s.multipleDocument) ui::OpenMdiFrame(table, s.title);

  s.application = appIndex >= 0 ? RuntimeNewObject(appIndex) : CreateObject(ApplicationClass());
  FireEvent(s.application, ApplicationEvent(AppEvent::kOpen), {});
  if (s.multipleDocument) ui::ShowMdiFrame();

  const EventDescriptor* openDocument = ApplicationEvent(AppEvent::kOpenDocument);
  std::vector<std::string> documents = SplitCommandLine(CommandLine());
  if (FindHook(s.application, openDocument) && !documents.empty()) {
    for (const std::string& path : documents) {
      TessObject* item = NewFolderItem(std::string_view(path));
      struct Release {
        TessObject* o;
        ~Release() { UnlockObject(o); }
      } release{item};
      FireEvent(s.application, openDocument, {uint32_t(reinterpret_cast<uintptr_t>(item))});
    }
  } else {
    FireEvent(s.application, ApplicationEvent(AppEvent::kNewDocument), {});
  }
}

}  // namespace

std::string MessageText(size_t index) {
  const StartupState& s = State();
  return index < s.messages.size() ? s.messages[index] : std::string();
}

bool MultipleDocumentMode() {
  return State().multipleDocument;
}
const std::string& ApplicationTitle() {
  return State().title;
}
TessObject* ApplicationObject() {
  return State().application;
}

void AddPeriodicService(PeriodicService service) {
  State().periodic.push_back(service);
}

void RunPeriodicServices() {
  for (PeriodicService service : State().periodic) service();
}

std::vector<std::string> SplitCommandLine(std::string_view line) {
  std::vector<std::string> args;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && line[i] == ' ') ++i;
    if (i >= line.size()) break;
    if (line[i] == '"') {
      size_t close = line.find('"', i + 1);
      if (close == std::string_view::npos) close = line.size();
      args.emplace_back(line.substr(i + 1, close - i - 1));
      i = close + 2;  // the character after the closing quote is skipped
    } else {
      size_t space = line.find(' ', i);
      if (space == std::string_view::npos) space = line.size();
      args.emplace_back(line.substr(i, space - i));
      i = space;
    }
  }
  return args;
}

}  // namespace tess

extern "C" {

void RuntimeInit(const void* descriptor) {
  tess::AtEntry([descriptor] { tess::Init(static_cast<const uint8_t*>(descriptor)); });
}

TessObject* RuntimeNewObject(int32_t classIndex) {
  tess::ClassObject* cls = tess::ClassAt(classIndex);
  if (!cls) {
    tess::InternalAssertion(tess::kClassIndexOutOfRange);
    return nullptr;
  }
  return tess::AtEntry([cls] { return tess::CreateObject(cls); });
}

TessObject* RuntimeProjectObject(int32_t index) {
  const auto& items = tess::State().projectItems;
  if (index <= 0 || size_t(index) >= items.size()) return nullptr;
  tess::LockObject(items[size_t(index)]);
  return items[size_t(index)];
}

TessObject* getAppObject() {
  tess::LockObject(tess::State().application);
  return tess::State().application;
}

void ApplicationNewDocument(TessObject* application) {
  tess::AtEntry([application] {
    tess::FireEvent(application, tess::ApplicationEvent(tess::AppEvent::kNewDocument), {});
  });
}

void ApplicationOpenDocument(TessObject* application, TessObject* item) {
  tess::AtEntry([application, item] {
    tess::FireEvent(application, tess::ApplicationEvent(tess::AppEvent::kOpenDocument),
                    {uint32_t(reinterpret_cast<uintptr_t>(item))});
  });
}

}  // extern "C"
