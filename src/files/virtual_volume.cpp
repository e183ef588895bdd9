#include "files/virtual_volume.h"

#include "files/folder_item.h"
#include "files/volume_item.h"
#include "platform/kernel/file_system.h"
#include "runtime/class_registry.h"
#include "runtime/exceptions.h"
#include "runtime/objects.h"
#include "runtime/raise.h"
#include "tessera/runtime.h"
#include "values/class_members.h"

namespace tess {

namespace {

namespace pf = platform;

ClassObject* g_virtualVolume = nullptr;

const TypeDescriptor kFolderItemType{0, "FolderItem", {}};

const PropertyRecord kProperties[] = {
    {0, "Root", &kFolderItemType, (void*)&VirtVolRootGetter, nullptr, 0},
};

void Destruct(TessObject* object, ClassObject*) {
  auto* v = reinterpret_cast<VirtualVolumeObject*>(object);
  delete v->volume;
  v->volume = nullptr;
}

FolderItemObject* CheckedItem(TessObject* object) {
  if (!object) Raise(RuntimeError::kNilObject);
  return reinterpret_cast<FolderItemObject*>(object);
}

TessObject* MakeVolume(TessObject* object, bool create) {
  FolderItemObject* f = CheckedItem(object);
  if (!f->item) return nullptr;
  if (create && files::IsLocked(*f->item)) {
    f->lastError = pf::ERROR_ACCESS_DENIED;
    return nullptr;
  }
  uint32_t error = 0;
  std::string message;
  std::shared_ptr<files::OpenVolume> volume =
      create ? files::CreateVolumeOn(*f->item, &error, &message)
             : files::OpenVolumeOn(*f->item, &error, &message);
  f->lastError = int32_t(error);
  return NewVirtualVolume(std::move(volume));
}

}  // namespace

void InitVirtualVolumeClass() {
  if (g_virtualVolume) return;
  FrameworkClassDef def{};
  def.name = "VirtualVolume";
  def.superclass = RootClass();
  def.instanceSize = int32_t(sizeof(VirtualVolumeObject));
  def.destruct = Destruct;
  def.properties = kProperties;
  g_virtualVolume = BuildFrameworkClass(def);
}

ClassObject* VirtualVolumeClass() {
  return g_virtualVolume;
}

TessObject* NewVirtualVolume(std::shared_ptr<files::OpenVolume> volume) {
  if (!volume) return nullptr;
  TessObject* object = CreateObject(g_virtualVolume);
  reinterpret_cast<VirtualVolumeObject*>(object)->volume =
      new std::shared_ptr<files::OpenVolume>(std::move(volume));
  return object;
}

}  // namespace tess

extern "C" {

TessObject* folderVirtVolGetter(TessObject* item, uint32_t) {
  return tess::AtEntry([&]() -> TessObject* {
    tess::files::Item* inner = tess::CheckedItem(item)->item;
    return inner ? tess::NewVirtualVolume(tess::files::VolumeOf(*inner)) : nullptr;
  });
}

TessObject* FolderItemCreateVirtualVolume(TessObject* item) {
  return tess::AtEntry([&] { return tess::MakeVolume(item, true); });
}

TessObject* FolderItemOpenAsVirtualVolume(TessObject* item) {
  return tess::AtEntry([&] { return tess::MakeVolume(item, false); });
}

TessObject* VirtVolRootGetter(TessObject* volume, uint32_t) {
  return tess::AtEntry([&]() -> TessObject* {
    if (!volume) tess::Raise(tess::RuntimeError::kNilObject);
    auto* v = reinterpret_cast<tess::VirtualVolumeObject*>(volume);
    return v->volume ? tess::NewFolderItem(tess::files::VolumeRoot(*v->volume)) : nullptr;
  });
}

}  // extern "C"
