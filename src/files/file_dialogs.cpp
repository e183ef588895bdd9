#include "files/file_dialogs.h"

#include <cstddef>
#include <string>

#include "files/assertions.h"
#include "files/file_types.h"
#include "files/folder_item.h"
#include "files/host_item.h"
#include "platform/comdlg/commdlg.h"
#include "runtime/alerts.h"
#include "runtime/class_registry.h"
#include "runtime/control_hooks.h"
#include "runtime/exceptions.h"
#include "runtime/objects.h"
#include "runtime/raise.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"
#include "values/class_members.h"

namespace tess {

namespace {

namespace pf = platform;

enum DialogKind : uint8_t { kOpen = 0, kSave = 1, kSelectFolder = 2, kUnset = 0xFF };

struct DialogObject {
  ObjectHeader header;
  uint8_t kind;
  uint8_t pad[3];
  int32_t top, left;
  TessString* actionButtonCaption;
  TessString* cancelButtonCaption;
  TessString* suggestedFileName;
  TessString* promptText;
  TessString* title;
  TessString* filter;
  TessObject* initialDirectory;
  TessObject* result;
};

#if defined(__i386__)
static_assert(offsetof(DialogObject, kind) == 16);
static_assert(sizeof(DialogObject) == 60);
#endif

ClassObject* g_dialog = nullptr;

DialogObject* Checked(TessObject* object) {
  if (!object) Raise(RuntimeError::kNilObject);
  return reinterpret_cast<DialogObject*>(object);
}

std::string Text(TessString* s) {
  return std::string(View(s));
}

// The path of a FolderItem, or empty for nil or anything else.
std::string PathOf(TessObject* folder) {
  if (!folder || !IsA(folder, FolderItemClass())) return {};
  files::Item* item = reinterpret_cast<FolderItemObject*>(folder)->item;
  return item ? item->Path() : std::string();
}

// The chosen path as a FolderItem (count 1), aliases not resolved.
TessObject* ItemFor(const std::string& path) {
  uint32_t error = 0;
  return NewFolderItem(files::MakeHostItem(path, false, &error));
}

pf::HWND WindowHandle(TessObject* window) {
  auto handle = CurrentControlHooks().nativeHandle;
  return window && handle ? reinterpret_cast<pf::HWND>(uintptr_t(handle(window))) : nullptr;
}

// The open or save dialog; the chosen path, or empty when cancelled.
std::string AskForFile(bool save, pf::HWND owner, const std::string& types, const std::string& name,
                       const pf::OPENFILENAMEA& settings) {
  files::DialogFilter filter = files::FilterForFileTypes(types, !save);
  char path[256] = {};  // the platform's usual buffer: longer choices fail cleanly
  name.copy(path, sizeof path - 1);
  pf::OPENFILENAMEA ofn = settings;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = filter.pairs.c_str();
  ofn.lpstrFile = path;
  ofn.nMaxFile = sizeof path;
  if (save && !filter.defaultExtension.empty()) ofn.lpstrDefExt = filter.defaultExtension.c_str();
  ofn.Flags |= save ? pf::OFN_PATHMUSTEXIST | pf::OFN_OVERWRITEPROMPT | pf::OFN_HIDEREADONLY
                    : pf::OFN_FILEMUSTEXIST | pf::OFN_PATHMUSTEXIST | pf::OFN_HIDEREADONLY;
  bool chosen = save ? pf::GetSaveFileName(&ofn) : pf::GetOpenFileName(&ofn);
  return chosen ? std::string(path) : std::string();
}

TessObject* Show(TessObject* object, TessObject* parent) {
  DialogObject* d = Checked(object);
  if (d->kind > kSelectFolder) {
    InternalAssertion(files::kDialogWithoutKind);
    return nullptr;
  }
  pf::HWND owner = parent ? WindowHandle(parent) : pf::GetActiveWindow();
  std::string title = Text(d->title).empty() ? Text(d->promptText) : Text(d->title);
  std::string initial = PathOf(d->initialDirectory);
  std::string chosen;
  if (d->kind == kSelectFolder) {
    std::string prompt = Text(d->promptText), caption = Text(d->title);
    std::string ok = Text(d->actionButtonCaption), cancel = Text(d->cancelButtonCaption);
    pf::BROWSEINFOA info;
    info.hwndOwner = owner;
    info.pszInitialDir = initial.empty() ? nullptr : initial.c_str();
    info.lpszTitle = prompt.c_str();
    info.lpszCaption = caption.empty() ? nullptr : caption.c_str();
    info.lpszOkLabel = ok.c_str();
    info.lpszCancelLabel = cancel.c_str();
    info.x = d->left;
    info.y = d->top;
    info.ulFlags = pf::BIF_RETURNONLYFSDIRS;
    if (pf::ITEMIDLIST* list = pf::SHBrowseForFolder(&info)) {
      char path[pf::MAX_PATH];
      if (pf::SHGetPathFromIDList(list, path)) chosen = path;
      pf::CoTaskMemFree(list);
    }
  } else {
    std::string ok = Text(d->actionButtonCaption), cancel = Text(d->cancelButtonCaption);
    pf::OPENFILENAMEA settings;
    settings.lpstrTitle = title.empty() ? nullptr : title.c_str();
    settings.lpstrInitialDir = initial.empty() ? nullptr : initial.c_str();
    settings.lpstrOkLabel = ok.c_str();
    settings.lpstrCancelLabel = cancel.c_str();
    settings.x = d->left;
    settings.y = d->top;
    chosen =
        AskForFile(d->kind == kSave, owner, Text(d->filter), Text(d->suggestedFileName), settings);
  }
  TessObject* result = chosen.empty() ? nullptr : ItemFor(chosen);
  if (d->result) RuntimeUnlockObject(d->result);
  d->result = result;
  if (result) RuntimeLockObject(result);
  return result;
}

void Construct(TessObject* object, ClassObject*) {
  DialogObject* d = reinterpret_cast<DialogObject*>(object);
  d->kind = kUnset;
  d->top = -1;
  d->left = -1;
}

template <DialogKind kind>
void ConstructKind(TessObject* object, ClassObject*) {
  reinterpret_cast<DialogObject*>(object)->kind = kind;
}

void Destruct(TessObject* object, ClassObject*) {
  DialogObject* d = reinterpret_cast<DialogObject*>(object);
  for (TessString* s : {d->actionButtonCaption, d->cancelButtonCaption, d->suggestedFileName,
                        d->promptText, d->title, d->filter})
    if (s) RuntimeUnlockString(s);
  for (TessObject* o : {d->initialDirectory, d->result})
    if (o) RuntimeUnlockObject(o);
}

const TypeDescriptor kFolderItemType{0, "FolderItem", {}};
const TypeDescriptor kWindowType{0, "Window", {}};

#define STRING_FIELD(name, field)                                      \
  {                                                                    \
    0, name, &kStringType, (void*)&stringGetter, (void*)&stringSetter, \
        offsetof(DialogObject, field)                                  \
  }

const PropertyRecord kProperties[] = {
    {0, "Top", &kIntegerType, (void*)&intGetter, (void*)&intSetter, offsetof(DialogObject, top)},
    {0, "Left", &kIntegerType, (void*)&intGetter, (void*)&intSetter, offsetof(DialogObject, left)},
    STRING_FIELD("ActionButtonCaption", actionButtonCaption),
    STRING_FIELD("CancelButtonCaption", cancelButtonCaption),
    STRING_FIELD("SuggestedFileName", suggestedFileName),
    STRING_FIELD("PromptText", promptText),
    STRING_FIELD("Title", title),
    STRING_FIELD("Filter", filter),
    {0, "InitialDirectory", &kFolderItemType, (void*)&objGetter, (void*)&objSetter,
     offsetof(DialogObject, initialDirectory)},
    {0, "Result", &kFolderItemType, (void*)&objGetter, nullptr, offsetof(DialogObject, result)},
};
#undef STRING_FIELD

const ParameterRecord kParent[] = {{"Parent", &kWindowType, {}}};

const MethodRecord kMethods[] = {
    Method("ShowModal", &kFolderItemType, nullptr, 0, (void*)&FolderItemDialogShowModal),
    Method("ShowModalWithin", &kFolderItemType, kParent, 1, (void*)&FolderItemDialogShowWithin),
};

ClassObject* Subclass(const char* name, ClassRoutine construct) {
  FrameworkClassDef def{};
  def.name = name;
  def.superclass = g_dialog;
  def.instanceSize = int32_t(sizeof(DialogObject));
  def.construct = construct;
  return BuildFrameworkClass(def);
}

}  // namespace

void InitFileDialogClasses() {
  if (g_dialog) return;
  FrameworkClassDef def{};
  def.name = "FolderItemDialog";
  def.superclass = RootClass();
  def.instanceSize = int32_t(sizeof(DialogObject));
  def.construct = Construct;
  def.destruct = Destruct;
  def.properties = kProperties;
  def.methods = kMethods;
  g_dialog = BuildFrameworkClass(def);
  Subclass("OpenDialog", &ConstructKind<kOpen>);
  Subclass("SaveAsDialog", &ConstructKind<kSave>);
  Subclass("SelectFolderDialog", &ConstructKind<kSelectFolder>);
}

}  // namespace tess

using tess::AtEntry;

extern "C" {

TessObject* FolderItemDialogShowModal(TessObject* dialog) {
  return AtEntry([&] { return tess::Show(dialog, nullptr); });
}

TessObject* FolderItemDialogShowWithin(TessObject* dialog, TessObject* parent) {
  return AtEntry([&] { return tess::Show(dialog, parent); });
}

TessObject* RuntimeGetOpenFolderItem(TessString* fileTypes) {
  return AtEntry([&]() -> TessObject* {
    std::string path =
        tess::AskForFile(false, tess::platform::GetActiveWindow(), tess::Text(fileTypes), {}, {});
    return path.empty() ? nullptr : tess::ItemFor(path);
  });
}

TessObject* RuntimeGetSaveFolderItem(TessString* fileTypes, TessString* defaultName) {
  return AtEntry([&]() -> TessObject* {
    std::string path = tess::AskForFile(true, tess::platform::GetActiveWindow(),
                                        tess::Text(fileTypes), tess::Text(defaultName), {});
    return path.empty() ? nullptr : tess::ItemFor(path);
  });
}

}  // extern "C"
