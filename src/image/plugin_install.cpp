// Installing the plug-ins an image carries: each library is written to a
// file, loaded, and its TessPluginMain called with the runtime's entry
// lookup; what it registers lands in the runtime's plug-in registries.
//
// The embedded list (data segment, little-endian): nodes {next node or 0,
// u32 length, data}, the data being 4 bytes, a one-byte name length n, n
// bytes of file name, then the library (length - n - 5 bytes). Every node
// is checked to lie inside the data segment before it is read: a damaged
// list is reported and what follows the damage is not installed.
//
// The named mutex "TESSERA MUTEX" keeps two processes of the same user from
// writing the files at once; a second process waits at most 4 seconds for
// the first and then goes on in any case.
#include "image/plugin_install.h"

#include <set>
#include <string>
#include <vector>

#include "base/byte_order.h"
#include "image/link_table.h"
#include "image/loader.h"
#include "image/messages.h"
#include "platform/kernel/file.h"
#include "platform/kernel/file_system.h"
#include "platform/kernel/library.h"
#include "platform/kernel/process.h"
#include "platform/kernel/shell.h"
#include "platform/kernel/thread.h"
#include "platform/user/message_box.h"
#include "runtime/exceptions.h"
#include "runtime/objects.h"
#include "runtime/plugins.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"

namespace tess::image {

namespace {

constexpr platform::DWORD kMutexWait = 4000;
constexpr char kMutexName[] = "TESSERA MUTEX";
constexpr char kCannotInstall[] =
    "The application cannot continue because a needed file cannot be installed. You don't have "
    "appropriate permission to install the file. Running the application once with Standard "
    "User or Administrator privileges will solve the problem.";

const uint8_t* g_list = nullptr;

bool InData(const uint8_t* p, size_t size) {
  const Segments& seg = LoadedSegments();
  if (!seg.data) return p != nullptr;  // no image (tests): trusted
  auto start = reinterpret_cast<uintptr_t>(seg.data), at = reinterpret_cast<uintptr_t>(p);
  return at >= start && at - start <= seg.dataSize && size <= seg.dataSize - (at - start);
}

std::vector<std::string> Destinations(const std::string& name) {
  std::vector<std::string> paths;
  std::string folder;
  if (platform::SHGetSpecialFolderPath(platform::CSIDL_APPDATA, &folder) && !folder.empty()) {
    paths.push_back(folder + "\\" + name);
  }
  std::string exe = platform::PathOfHost(platform::GetModuleFileName());
  if (size_t slash = exe.find_last_of('\\'); slash != std::string::npos) {
    paths.push_back(exe.substr(0, slash + 1) + name);
  }
  paths.push_back(platform::GetSystemDirectory() + "\\" + name);
  paths.push_back(platform::GetWindowsDirectory() + "\\" + name);
  return paths;
}

bool OpensForReading(const std::string& path) {
  return platform::CreateFile(path, platform::GENERIC_READ, platform::FILE_SHARE_READ,
                              platform::OPEN_EXISTING) != nullptr;
}

// Writes the library at `path`; a copy that cannot be deleted but can be
// read (in use by another process) is used unchanged.
bool WriteDestination(const std::string& path, const EmbeddedPlugin& plugin) {
  platform::DeleteFile(path);
  if (platform::GetFileAttributes(path) != platform::INVALID_FILE_ATTRIBUTES &&
      OpensForReading(path)) {
    return true;
  }
  std::unique_ptr<platform::File> file = platform::CreateFile(
      path, platform::GENERIC_READ | platform::GENERIC_WRITE, 0, platform::CREATE_ALWAYS);
  if (!file) return false;
  bool written = file->Write(plugin.bytes, plugin.size) && file->Sync();
  file.reset();
  if (!written) {
    platform::DeleteFile(path);
    return false;
  }
  platform::SetFileAttributes(path, platform::FILE_ATTRIBUTE_HIDDEN);
  return true;
}

extern "C" void* PluginEntryLookup(const char* name) {
  return name ? FindPluginEntry(name) : nullptr;
}

}  // namespace

std::vector<EmbeddedPlugin> ReadPluginList(const uint8_t* node) {
  std::vector<EmbeddedPlugin> plugins;
  std::set<const uint8_t*> seen;
  for (; node; node = reinterpret_cast<const uint8_t*>(uintptr_t(le32(node)))) {
    if (!InData(node, 8)) {
      ReportPluginProblem(DamagedImageMessage("the plug-in list leaves the data segment"));
      break;
    }
    if (!seen.insert(node).second) {
      ReportPluginProblem(DamagedImageMessage("the plug-in list runs in a circle"));
      break;
    }
    uint32_t length = le32(node + 4);
    const uint8_t* data = node + 8;
    if (length < 5 || !InData(data, length) || size_t(data[4]) + 5 > length) {
      ReportPluginProblem(DamagedImageMessage("a plug-in of the list is cut short"));
      break;
    }
    size_t n = data[4];
    std::string name(reinterpret_cast<const char*>(data + 5), n);
    if (name.empty() || name.find_first_of("\\/:") != std::string::npos) {
      ReportPluginProblem(DamagedImageMessage("a plug-in has no usable file name"));
      continue;
    }
    plugins.insert(plugins.begin(), EmbeddedPlugin{name, data + 5 + n, length - n - 5});
  }
  return plugins;
}

void LoadPlugin(const std::string& path) {
  // Reports name the library by its file name: where it was written
  // depends on the machine.
  const std::string name = path.substr(path.find_last_of("\\/") + 1);
  std::string host;
  if (!platform::HostPathOf(path, &host)) host = path;
  platform::HMODULE module = platform::LoadLibrary(host.c_str());
  if (!module) {
    ReportPluginProblem("The plug-in " + name + " could not be loaded.");
    return;
  }
  void* main = platform::GetProcAddress(module, "TessPluginMain");
  if (!main) {
    ReportPluginProblem("The plug-in " + name + " has no TessPluginMain entry.");
    return;
  }
  BeginPlugin(path, module);
  try {
    CallCompiled(main, {uint32_t(reinterpret_cast<uintptr_t>(&PluginEntryLookup))});
  } catch (LanguageException& e) {
    const TessString* cls = NearestClassName(Header(e.exception())->cls);
    ReportPluginProblem("The plug-in " + name +
                        " failed while starting: " + std::string(View(cls)) + ".");
  }
  EndPlugin();
}

void InstallPlugins() {
  // Once per process, even when an image runs RuntimeInit again.
  static bool done = false;
  if (done) return;
  done = true;
  std::vector<EmbeddedPlugin> plugins = ReadPluginList(g_list);
  platform::HANDLE mutex = platform::CreateMutex(nullptr, platform::TRUE, kMutexName);
  if (mutex && platform::GetLastError() == platform::ERROR_ALREADY_EXISTS) {
    platform::WaitForSingleObject(mutex, kMutexWait);
  }
  auto releaseMutex = [mutex] {
    if (!mutex) return;
    platform::ReleaseMutex(mutex);
    platform::CloseHandle(mutex);
  };
  for (const EmbeddedPlugin& plugin : plugins) {
    std::vector<std::string> paths = Destinations(plugin.name);
    std::string installed;
    for (const std::string& path : paths) {
      if (WriteDestination(path, plugin)) {
        installed = path;
        break;
      }
    }
    if (installed.empty()) {
      if (platform::GetFileAttributes(paths.back()) == platform::INVALID_FILE_ATTRIBUTES) {
        platform::MessageBox(nullptr, kCannotInstall, "", platform::MB_OK | platform::MB_ICONSTOP);
        releaseMutex();
        platform::ExitProcess(0);
      }
      installed = paths.back();
    }
    LoadPlugin(installed);
  }
  LinkPluginClasses();
  releaseMutex();
}

}  // namespace tess::image

extern "C" void Win32InstallPlugins(const void* list) {
  tess::image::g_list = static_cast<const uint8_t*>(list);
}
