// FolderItem: the class, its records, the entry points behind its members
// and the functions that make items (paths, volumes, special folders).
// Entry points raise NilObjectException for a nil FolderItem.
#include "files/folder_item.h"

#include <algorithm>
#include <bit>
#include <optional>

#include "files/file_times.h"
#include "files/file_types.h"
#include "files/host_item.h"
#include "files/streams.h"
#include "files/volume_item.h"
#include "platform/kernel/shell.h"
#include "platform/kernel/time.h"
#include "runtime/class_registry.h"
#include "runtime/exceptions.h"
#include "runtime/objects.h"
#include "runtime/raise.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"
#include "values/class_members.h"
#include "values/date.h"

namespace tess {

namespace {

namespace pf = platform;
using files::Item;
using files::OpenMode;

ClassObject* g_folderItem = nullptr;

FolderItemObject* Checked(TessObject* object) {
  if (!object) Raise(RuntimeError::kNilObject);
  return reinterpret_cast<FolderItemObject*>(object);
}

// The item, or null for an object made without one.
Item* ItemOf(TessObject* object) {
  return Checked(object)->item;
}

// Runs a changing operation: its error code becomes LastErrorCode.
void Record(TessObject* object, uint32_t error) {
  Checked(object)->lastError = int32_t(error);
}

TessObject* MakeFromPath(TessString* path, bool fromApplicationFolder) {
  uint32_t error = 0;
  return NewFolderItem(files::MakeHostItem(View(path), fromApplicationFolder, &error));
}

void SetItem(TessObject* object, std::unique_ptr<Item> item, uint32_t error) {
  FolderItemObject* f = Checked(object);
  delete f->item;
  f->item = item.release();
  f->lastError = int32_t(error);
}

// ---- Dates: file times are UTC; Dates hold local time.

TessObject* DateOf(const pf::FILETIME& stamp) {
  std::optional<double> local = files::LocalSeconds(stamp);
  return local ? NewDate(*local) : nullptr;
}

bool FileTimeOf(TessObject* date, pf::FILETIME* out) {
  if (!date) Raise(RuntimeError::kNilObject);
  return files::FileTimeFromLocalSeconds(DateTotalSeconds(date), out);
}

// ---- Openers

TessObject* OpenStream(TessObject* object, OpenMode mode,
                       TessObject* (*wrap)(std::unique_ptr<db::ByteStream>)) {
  Item* item = ItemOf(object);
  if (!item) return nullptr;
  uint32_t error = 0;
  std::unique_ptr<db::ByteStream> stream = item->Open(mode, &error);
  Record(object, error);
  return stream ? wrap(std::move(stream)) : nullptr;
}

// A copy or move into a volume goes by the volume's rules whatever the
// source; out of one, the volume item's own CopyTo and MoveTo do the same.
uint32_t Transfer(Item* item, const Item& target, bool move) {
  if (files::VolumeOf(target)) return files::TransferItem(*item, target, move);
  return move ? item->MoveTo(target) : item->CopyTo(target);
}

// ---- Folder getters

TessObject* SpecialFolder(int csidl) {
  std::string path;
  if (!pf::SHGetSpecialFolderPath(csidl, &path)) return nullptr;
  uint32_t error = 0;
  return NewFolderItem(files::MakeHostItem(path, false, &error));
}

TessObject* FolderAt(const std::string& path) {
  uint32_t error = 0;
  return NewFolderItem(files::MakeHostItem(path, false, &error));
}

// ---- Records

const TypeDescriptor kFolderItemType{0, "FolderItem", {}};
const TypeDescriptor kDateType{0, "Date", {}};

const ParameterRecord kIndex[] = {{"Index", &kIntegerType, {}}};
const ParameterRecord kName[] = {{"Name", &kStringType, {}}};
const ParameterRecord kReadWrite[] = {{"ReadWrite", &kBooleanType, {}}};
const ParameterRecord kType[] = {{"Type", &kStringType, {}}};
const ParameterRecord kActivate[] = {{"Activate", &kBooleanType, {}}};
const ParameterRecord kDestination[] = {{"Destination", &kFolderItemType, {}}};

const TypeDescriptor kTextInputType{0, "TextInputStream", {}};
const TypeDescriptor kTextOutputType{0, "TextOutputStream", {}};
const TypeDescriptor kBinaryType{0, "BinaryStream", {}};
const TypeDescriptor kVirtualVolumeType{0, "VirtualVolume", {}};

const PropertyRecord kProperties[] = {
    {0, "AbsolutePath", &kStringType, (void*)&fileAbsolutePathGetter, nullptr, 0},
    {0, "Count", &kIntegerType, (void*)&fileCountGetter, nullptr, 0},
    {0, "Name", &kStringType, (void*)&fileNameGetter, (void*)&fileNameSetter, 0},
    {0, "DisplayName", &kStringType, (void*)&FileDisplayNameGetter, nullptr, 0},
    {0, "Length", &kIntegerType, (void*)&fileSizeGetter, nullptr, 0},
    {0, "ResourceForkLength", &kIntegerType, (void*)&fileRFSizeGetter, nullptr, 0},
    {0, "ExtensionVisible", &kBooleanType, (void*)&FileExtensionVisibleGetter,
     (void*)&FileExtensionVisibleSetter, 0},
    {0, "Locked", &kBooleanType, (void*)&fileLockedGetter, (void*)&fileLockedSetter, 0},
    {0, "Exists", &kBooleanType, (void*)&fileExistsGetter, nullptr, 0},
    {0, "Alias", &kBooleanType, (void*)&fileAliasGetter, nullptr, 0},
    {0, "Visible", &kBooleanType, (void*)&fileVisibleGetter, (void*)&fileVisibleSetter, 0},
    {0, "Directory", &kBooleanType, (void*)&fileDirectoryGetter, nullptr, 0},
    {0, "Type", &kStringType, (void*)&fileTypeGetter, nullptr, 0},
    {0, "Parent", &kFolderItemType, (void*)&folderParentGetter, nullptr, 0},
    {0, "CreationDate", &kDateType, (void*)&folderGetCreation, (void*)&folderSetCreation, 0},
    {0, "ModificationDate", &kDateType, (void*)&folderGetModified, (void*)&folderSetModified, 0},
    {0, "MacType", &kStringType, (void*)&fileMacTypeGetter, (void*)&fileMacTypeSetter, 0},
    {0, "MacCreator", &kStringType, (void*)&fileMacCreatorGetter, (void*)&fileMacCreatorSetter, 0},
    {0, "DesktopFolder", &kFolderItemType, (void*)&folderFindFolder, nullptr,
     files::kFolderDesktop},
    {0, "TrashFolder", &kFolderItemType, (void*)&folderFindFolder, nullptr, files::kFolderTrash},
    {0, "SharedTrashFolder", &kFolderItemType, (void*)&folderFindFolder, nullptr,
     files::kFolderEmpty},
    {0, "TemporaryFolder", &kFolderItemType, (void*)&folderFindFolder, nullptr,
     files::kFolderTemporary},
    {0, "IsReadable", &kBooleanType, (void*)&FolderItemIsCurrentlyReadable, nullptr, 0},
    {0, "IsWriteable", &kBooleanType, (void*)&FolderItemIsCurrentlyWriteable, nullptr, 0},
    {0, "VirtualVolume", &kVirtualVolumeType, (void*)&folderVirtVolGetter, nullptr, 0},
    {0, "LastErrorCode", &kIntegerType, (void*)&intGetter, nullptr,
     offsetof(FolderItemObject, lastError)},
};

const TypeDescriptor kSoundType{0, "Sound", {}};
const TypeDescriptor kMovieType{0, "Movie", {}};
const TypeDescriptor kPictureType{0, "Picture", {}};
const ParameterRecord kImage[] = {{"Image", &kPictureType, {}}, {"Format", &kIntegerType, {}}};

const MethodRecord kMethods[] = {
    Method("Item", &kFolderItemType, kIndex, 1, (void*)&FolderItemItem),
    Method("TrueItem", &kFolderItemType, kIndex, 1, (void*)&FolderItemTrueItem),
    Method("Child", &kFolderItemType, kName, 1, (void*)&FolderChild),
    Method("TrueChild", &kFolderItemType, kName, 1, (void*)&FolderTrueChild),
    Method("OpenAsTextFile", &kTextInputType, nullptr, 0, (void*)&FolderItemOpenTextFile),
    Method("AppendToTextFile", &kTextOutputType, nullptr, 0, (void*)&FolderItemAppendTextFile),
    Method("CreateTextFile", &kTextOutputType, nullptr, 0, (void*)&FolderItemCreateTextFile),
    Method("OpenAsBinaryFile", &kBinaryType, kReadWrite, 1, (void*)&FolderItemOpenBinaryFile),
    Method("CreateBinaryFile", &kBinaryType, kType, 1, (void*)&FolderItemCreateBinaryFile),
    Method("Delete", nullptr, nullptr, 0, (void*)&FolderItemDelete),
    Method("CreateAsFolder", nullptr, nullptr, 0, (void*)&FolderItemCreateAsFolder),
    Method("Launch", nullptr, kActivate, 1, (void*)&FolderItemLaunch),
    Method("CopyFileTo", nullptr, kDestination, 1, (void*)&FolderItemCopyFileTo),
    Method("MoveFileTo", nullptr, kDestination, 1, (void*)&FolderItemMoveFileTo),
    Method("CreateVirtualVolume", &kVirtualVolumeType, nullptr, 0,
           (void*)&FolderItemCreateVirtualVolume),
    Method("OpenAsVirtualVolume", &kVirtualVolumeType, nullptr, 0,
           (void*)&FolderItemOpenAsVirtualVolume),
    // Sounds and movies are decoded above this layer (comm/media.cpp).
    Method("OpenAsSound", &kSoundType, nullptr, 0, (void*)&FolderItemOpenSound),
    Method("OpenAsMovie", &kMovieType, nullptr, 0, (void*)&FolderItemOpenMovie),
    // Pictures are decoded and encoded above this layer (graphics/picture_files.cpp).
    Method("OpenAsPicture", &kPictureType, nullptr, 0, (void*)&FolderItemOpenImage),
    Method("OpenAsVectorPicture", &kPictureType, nullptr, 0, (void*)&FolderItemOpenVectorImage),
    Method("SaveAsPicture", nullptr, kImage, 2, (void*)&FolderItemSaveAsPicture),
    Method("SaveAsJPEG", nullptr, kImage, 1, (void*)&FolderItemSaveAsJPEG),
};

void Destruct(TessObject* object, ClassObject*) {
  FolderItemObject* f = reinterpret_cast<FolderItemObject*>(object);
  delete f->item;
  f->item = nullptr;
}

}  // namespace

void InitFolderItemClass() {
  if (g_folderItem) return;
  FrameworkClassDef def{};
  def.name = "FolderItem";
  def.superclass = RootClass();
  def.instanceSize = int32_t(sizeof(FolderItemObject));
  def.destruct = Destruct;
  def.properties = kProperties;
  def.methods = kMethods;
  g_folderItem = BuildFrameworkClass(def);
}

ClassObject* FolderItemClass() {
  return g_folderItem;
}

TessObject* NewFolderItem(std::unique_ptr<files::Item> item) {
  if (!item) return nullptr;
  TessObject* object = CreateObject(g_folderItem);
  reinterpret_cast<FolderItemObject*>(object)->item = item.release();
  return object;
}

TessObject* NewFolderItem(std::string_view documentPath) {
  std::string path(documentPath);
  if (!path.empty() && path[0] == '/') {
    std::string mapped = pf::PathOfHost(path);
    if (!mapped.empty()) path = mapped;
  }
  uint32_t error = 0;
  std::unique_ptr<Item> item = files::MakeHostItem(path, false, &error);
  TessObject* object = CreateObject(g_folderItem);
  SetItem(object, std::move(item), error);
  return object;
}

}  // namespace tess

using tess::AtEntry;
using tess::Checked;
using tess::ItemOf;
using tess::MakeString;
using tess::Record;
using tess::Transfer;
using tess::View;
using tess::files::Item;
using tess::files::OpenMode;
namespace pf = tess::platform;

extern "C" {

// ---- Making items

TessObject* RuntimeGetFolderItem(TessString* path) {
  return AtEntry([&] { return tess::MakeFromPath(path, true); });
}

TessObject* RuntimeGetTrueFolderItem(TessString* path) {
  return AtEntry([&] { return tess::MakeFromPath(path, true); });
}

TessObject* FolderItemFromPath(TessString* path) {
  return AtEntry([&] { return tess::MakeFromPath(path, true); });
}

void FolderItemPathCtor(TessObject* object, TessString* path) {
  AtEntry([&] {
    uint32_t error = 0;
    std::unique_ptr<Item> item = tess::files::MakeHostItem(View(path), true, &error);
    tess::SetItem(object, std::move(item), error);
  });
}

void FolderItemCopyCtor(TessObject* object, TessObject* source) {
  AtEntry([&] {
    Item* from = ItemOf(source);
    tess::SetItem(object, from ? from->Copy() : nullptr, 0);
  });
}

// ---- Properties

TessString* fileAbsolutePathGetter(TessObject* object, uint32_t) {
  return AtEntry([&] {
    Item* item = ItemOf(object);
    return item ? MakeString(item->Path()) : nullptr;
  });
}

int32_t fileCountGetter(TessObject* object, uint32_t) {
  return AtEntry([&] {
    Item* item = ItemOf(object);
    if (!item) return 0;
    std::vector<std::string> names;
    uint32_t error = item->List(&names);
    Record(object, error);
    return int32_t(names.size());
  });
}

TessString* fileNameGetter(TessObject* object, uint32_t) {
  return AtEntry([&] {
    Item* item = ItemOf(object);
    return item ? MakeString(item->Name()) : nullptr;
  });
}

void fileNameSetter(TessObject* object, uint32_t, TessString* name) {
  AtEntry([&] {
    if (Item* item = ItemOf(object)) Record(object, item->Rename(View(name)));
  });
}

TessString* FileDisplayNameGetter(TessObject* object, uint32_t parameter) {
  return fileNameGetter(object, parameter);
}

int32_t fileSizeGetter(TessObject* object, uint32_t) {
  return AtEntry([&] {
    Item* item = ItemOf(object);
    pf::FileInfo info;
    if (!item || !item->Info(&info)) return 0;
    // The property is a 32-bit Integer: larger files read as its maximum.
    return int32_t(std::min<uint64_t>(info.size, INT32_MAX));
  });
}

int32_t fileRFSizeGetter(TessObject* object, uint32_t) {
  return AtEntry([&] {
    Checked(object);
    return 0;
  });
}

int32_t FileExtensionVisibleGetter(TessObject* object, uint32_t) {
  return AtEntry([&] {
    Item* item = ItemOf(object);
    return item && item->extensionVisible ? 1 : 0;
  });
}

void FileExtensionVisibleSetter(TessObject* object, uint32_t, int32_t value) {
  AtEntry([&] {
    if (Item* item = ItemOf(object)) item->extensionVisible = value != 0;
  });
}

int32_t fileLockedGetter(TessObject* object, uint32_t) {
  return AtEntry([&] {
    Item* item = ItemOf(object);
    return item && tess::files::IsLocked(*item) ? 1 : 0;
  });
}

void fileLockedSetter(TessObject* object, uint32_t, int32_t value) {
  AtEntry([&] {
    if (Item* item = ItemOf(object)) Record(object, item->SetLocked(value != 0));
  });
}

int32_t fileExistsGetter(TessObject* object, uint32_t) {
  return AtEntry([&] {
    Item* item = ItemOf(object);
    return item && item->Exists() ? 1 : 0;
  });
}

int32_t fileAliasGetter(TessObject* object, uint32_t) {
  return AtEntry([&] {
    Checked(object);
    return 0;
  });
}

int32_t fileVisibleGetter(TessObject* object, uint32_t) {
  return AtEntry([&] {
    Item* item = ItemOf(object);
    if (!item) return 0;
    pf::FileInfo info;
    return !item->Info(&info) || !(info.attributes & pf::FILE_ATTRIBUTE_HIDDEN) ? 1 : 0;
  });
}

void fileVisibleSetter(TessObject* object, uint32_t, int32_t value) {
  AtEntry([&] {
    if (Item* item = ItemOf(object)) Record(object, item->SetVisible(value != 0));
  });
}

int32_t fileDirectoryGetter(TessObject* object, uint32_t) {
  return AtEntry([&] {
    Item* item = ItemOf(object);
    return item && item->IsDirectory() ? 1 : 0;
  });
}

// The application's file type of the name's extension; empty when none.
TessString* fileTypeGetter(TessObject* object, uint32_t) {
  return AtEntry([&]() -> TessString* {
    Item* item = ItemOf(object);
    const tess::files::FileType* type = item ? tess::files::FileTypeOfName(item->Name()) : nullptr;
    return type ? MakeString(type->name) : nullptr;
  });
}

TessString* fileMacTypeGetter(TessObject* object, uint32_t) {
  return AtEntry([&] {
    Item* item = ItemOf(object);
    return item ? MakeString(item->MacType()) : nullptr;
  });
}

void fileMacTypeSetter(TessObject* object, uint32_t, TessString* value) {
  AtEntry([&] {
    if (Item* item = ItemOf(object)) Record(object, item->SetMacType(View(value)));
  });
}

TessString* fileMacCreatorGetter(TessObject* object, uint32_t) {
  return AtEntry([&] {
    Item* item = ItemOf(object);
    return item ? MakeString(item->macCreator) : nullptr;
  });
}

void fileMacCreatorSetter(TessObject* object, uint32_t, TessString* value) {
  AtEntry([&] {
    if (Item* item = ItemOf(object)) item->macCreator = std::string(View(value));
  });
}

TessObject* folderParentGetter(TessObject* object, uint32_t) {
  return AtEntry([&]() -> TessObject* {
    Item* item = ItemOf(object);
    return item ? tess::NewFolderItem(item->Parent()) : nullptr;
  });
}

TessObject* folderGetCreation(TessObject* object, uint32_t) {
  return AtEntry([&]() -> TessObject* {
    Item* item = ItemOf(object);
    pf::FileInfo info;
    return item && item->Info(&info) ? tess::DateOf(info.creation) : nullptr;
  });
}

TessObject* folderGetModified(TessObject* object, uint32_t) {
  return AtEntry([&]() -> TessObject* {
    Item* item = ItemOf(object);
    pf::FileInfo info;
    return item && item->Info(&info) ? tess::DateOf(info.lastWrite) : nullptr;
  });
}

void folderSetCreation(TessObject* object, uint32_t, TessObject* date) {
  AtEntry([&] {
    Item* item = ItemOf(object);
    if (!item) return;
    pf::FILETIME stamp;
    if (!tess::FileTimeOf(date, &stamp)) return Record(object, pf::ERROR_INVALID_PARAMETER);
    Record(object, item->SetTimes(&stamp, nullptr));
  });
}

void folderSetModified(TessObject* object, uint32_t, TessObject* date) {
  AtEntry([&] {
    Item* item = ItemOf(object);
    if (!item) return;
    pf::FILETIME stamp;
    if (!tess::FileTimeOf(date, &stamp)) return Record(object, pf::ERROR_INVALID_PARAMETER);
    Record(object, item->SetTimes(nullptr, &stamp));
  });
}

TessObject* folderFindFolder(TessObject* object, uint32_t code) {
  return AtEntry([&]() -> TessObject* {
    Item* item = ItemOf(object);
    return item ? tess::NewFolderItem(item->SpecialFolder(code)) : nullptr;
  });
}

int32_t FolderItemIsCurrentlyReadable(TessObject* object, uint32_t) {
  return AtEntry([&] {
    Item* item = ItemOf(object);
    return item && item->IsReadable() ? 1 : 0;
  });
}

int32_t FolderItemIsCurrentlyWriteable(TessObject* object, uint32_t) {
  return AtEntry([&] {
    Item* item = ItemOf(object);
    return item && item->IsWriteable() ? 1 : 0;
  });
}

// ---- Entries of a folder

TessObject* FolderItemItem(TessObject* object, int32_t index) {
  return AtEntry([&]() -> TessObject* {
    Item* item = ItemOf(object);
    if (!item) return nullptr;
    std::vector<std::string> names;
    uint32_t error = item->List(&names);
    Record(object, error);
    if (error || index < 1 || size_t(index) > names.size()) return nullptr;
    return tess::NewFolderItem(item->Child(names[size_t(index) - 1]));
  });
}

TessObject* FolderItemTrueItem(TessObject* object, int32_t index) {
  return FolderItemItem(object, index);
}

TessObject* FolderChild(TessObject* object, TessString* name) {
  return AtEntry([&]() -> TessObject* {
    Item* item = ItemOf(object);
    if (!item) return nullptr;
    std::unique_ptr<Item> child = item->Child(View(name));
    Record(object, child ? 0u : uint32_t(pf::ERROR_INVALID_NAME));
    return tess::NewFolderItem(std::move(child));
  });
}

TessObject* FolderTrueChild(TessObject* object, TessString* name) {
  return FolderChild(object, name);
}

// ---- Streams

TessObject* FolderItemOpenTextFile(TessObject* object) {
  return AtEntry(
      [&] { return tess::OpenStream(object, OpenMode::kRead, &tess::NewTextInputStream); });
}

TessObject* FolderItemAppendTextFile(TessObject* object) {
  return AtEntry([&]() -> TessObject* {
    Item* item = ItemOf(object);
    if (item && tess::files::IsLocked(*item)) {
      Record(object, pf::ERROR_ACCESS_DENIED);
      return nullptr;
    }
    return tess::OpenStream(object, OpenMode::kAppend, &tess::NewTextOutputStream);
  });
}

TessObject* FolderItemCreateTextFile(TessObject* object) {
  return AtEntry([&]() -> TessObject* {
    Item* item = ItemOf(object);
    if (item && tess::files::IsLocked(*item)) {
      Record(object, pf::ERROR_ACCESS_DENIED);
      return nullptr;
    }
    TessObject* stream = tess::OpenStream(object, OpenMode::kCreate, &tess::NewTextOutputStream);
    if (stream && item) item->SetMacType("text");
    return stream;
  });
}

TessObject* FolderItemOpenBinaryFile(TessObject* object, int32_t readWrite) {
  return AtEntry([&] {
    return tess::OpenStream(object, readWrite ? OpenMode::kReadWrite : OpenMode::kRead,
                            &tess::NewBinaryStream);
  });
}

TessObject* FolderItemCreateBinaryFile(TessObject* object, TessString* type) {
  return AtEntry([&]() -> TessObject* {
    TessObject* stream = tess::OpenStream(object, OpenMode::kCreate, &tess::NewBinaryStream);
    if (stream) ItemOf(object)->SetMacType(View(type));
    return stream;
  });
}

// ---- Changes

void FolderItemDelete(TessObject* object) {
  AtEntry([&] {
    if (Item* item = ItemOf(object)) Record(object, item->Delete());
  });
}

void FolderItemCreateAsFolder(TessObject* object) {
  AtEntry([&] {
    if (Item* item = ItemOf(object)) Record(object, item->CreateAsFolder());
  });
}

void FolderItemLaunch(TessObject* object, int32_t activate) {
  AtEntry([&] {
    if (Item* item = ItemOf(object)) Record(object, item->Launch(activate != 0));
  });
}

void FolderItemCopyFileTo(TessObject* object, TessObject* destination) {
  AtEntry([&] {
    Item* item = ItemOf(object);
    Item* target = ItemOf(destination);
    if (item && target) Record(object, Transfer(item, *target, false));
  });
}

void FolderItemMoveFileTo(TessObject* object, TessObject* destination) {
  AtEntry([&] {
    Item* item = ItemOf(object);
    Item* target = ItemOf(destination);
    if (item && target) Record(object, Transfer(item, *target, true));
  });
}

// ---- Volumes and special folders

int32_t getVolumeCount(void) {
  return std::popcount(pf::GetLogicalDrives());
}

// C: to Z: first, then A: and B:.
TessObject* getVolume(int32_t index) {
  return AtEntry([&]() -> TessObject* {
    pf::DWORD drives = pf::GetLogicalDrives();
    for (int k = 0; k < 26; ++k) {
      int letter = (k + 2) % 26;
      if (!(drives & (pf::DWORD(1) << letter))) continue;
      if (index-- == 0) return tess::FolderAt(std::string{char('A' + letter), ':'});
    }
    return nullptr;
  });
}

TessObject* GetDocumentsFolder(void) {
  return AtEntry([] { return tess::SpecialFolder(pf::CSIDL_PERSONAL); });
}
TessObject* getDesktopFolder(void) {
  return AtEntry([] { return tess::SpecialFolder(pf::CSIDL_DESKTOPDIRECTORY); });
}
TessObject* getFontsFolder(void) {
  return AtEntry([] { return tess::SpecialFolder(pf::CSIDL_FONTS); });
}
TessObject* getTrashFolder(void) {
  return AtEntry([] { return tess::SpecialFolder(pf::CSIDL_BITBUCKET); });
}
TessObject* getStartupItemsFolder(void) {
  return AtEntry([] { return tess::SpecialFolder(pf::CSIDL_STARTUP); });
}
TessObject* getShutdownItemsFolder(void) {
  return nullptr;
}
TessObject* getAppleMenuFolder(void) {
  return AtEntry([] { return tess::SpecialFolder(pf::CSIDL_PROGRAMS); });
}
TessObject* getControlPanelsFolder(void) {
  return AtEntry([] { return tess::SpecialFolder(pf::CSIDL_CONTROLS); });
}
TessObject* getPreferencesFolder(void) {
  return AtEntry([] { return tess::FolderAt(pf::GetWindowsDirectory()); });
}
TessObject* getApplicationSupportFolder(void) {
  return getPreferencesFolder();
}
TessObject* getSystemFolder(void) {
  return AtEntry([] { return tess::FolderAt(pf::GetSystemDirectory()); });
}
TessObject* getExtensionsFolder(void) {
  return getSystemFolder();
}
TessObject* getTemporaryItemsFolder(void) {
  return AtEntry([] {
    std::string path = pf::GetTempPath();
    path.pop_back();
    return tess::FolderAt(path);
  });
}
TessObject* getTemporaryFolderItem(void) {
  return AtEntry([]() -> TessObject* {
    std::string path;
    if (!pf::GetTempFileName(pf::GetTempPath(), "tst", &path)) return nullptr;
    return tess::FolderAt(path);
  });
}

void RuntimeShowURL(TessString* url) {
  pf::ShellExecute(View(url), true);
}

void GlobalShowURL(TessString* url) {
  RuntimeShowURL(url);
}

}  // extern "C"

namespace tess {

bool ReadWholeItem(TessObject* folderItem, uint64_t limit, std::vector<uint8_t>* bytes) {
  constexpr int32_t kErrorNotEnoughMemory = 8;
  auto* f = reinterpret_cast<FolderItemObject*>(folderItem);
  if (!f->item) return false;
  uint32_t error = 0;
  auto stream = f->item->Open(files::OpenMode::kRead, &error);
  f->lastError = int32_t(error);
  if (!stream) return false;
  uint64_t length = stream->Length();
  if (length > limit) {
    f->lastError = kErrorNotEnoughMemory;
    return false;
  }
  bytes->resize(size_t(length));
  size_t done = 0;
  bool ok = stream->Read(bytes->data(), bytes->size(), &done);
  bytes->resize(done);
  return ok;
}

bool WriteWholeItem(TessObject* folderItem, std::span<const uint8_t> bytes) {
  constexpr int32_t kErrorWriteFault = 29;
  auto* f = reinterpret_cast<FolderItemObject*>(folderItem);
  if (!f->item) return false;
  uint32_t error = 0;
  auto stream = f->item->Open(files::OpenMode::kCreate, &error);
  f->lastError = int32_t(error);
  if (!stream) return false;
  bool ok = stream->Write(bytes.data(), bytes.size()) && stream->Flush();
  stream->Close();
  if (!ok) f->lastError = kErrorWriteFault;
  return ok;
}

}  // namespace tess
