/* The file dialogs from compiled code: the open and save functions with the
   application's file types, the SaveAsDialog and SelectFolderDialog classes,
   a cancel, and the base class shown without a kind. The script answers
   every dialog; each result is printed as a path or nil. */
#include "../../image/e2e/startup/say.h"

extern TessObject* ItemChild(TessObject* item, TessString* name)
    TESS_LINK_NAME("!MFolderItem.Child");
extern TessString* ItemPath(TessObject* item, uint32_t parameter)
    TESS_LINK_NAME("!GFolderItem.AbsolutePath");
extern TessString* ItemType(TessObject* item, uint32_t parameter)
    TESS_LINK_NAME("!GFolderItem.Type");
extern void ItemCreateAsFolder(TessObject* item) TESS_LINK_NAME("!MFolderItem.CreateAsFolder");
extern TessObject* ItemCreateText(TessObject* item) TESS_LINK_NAME("!MFolderItem.CreateTextFile");
extern void OutClose(TessObject* out) TESS_LINK_NAME("!MTextOutputStream.Close");
extern void DialogSetString(TessObject* d, uint32_t offset, TessString* value)
    TESS_LINK_NAME("!SFolderItemDialog.Title");
extern void DialogSetObject(TessObject* d, uint32_t offset, TessObject* value)
    TESS_LINK_NAME("!SFolderItemDialog.InitialDirectory");
extern TessObject* DialogResult(TessObject* d, uint32_t offset)
    TESS_LINK_NAME("!GFolderItemDialog.Result");
extern TessObject* DialogShow(TessObject* d) TESS_LINK_NAME("!MFolderItemDialog.ShowModal");
extern TessObject* DialogShowWithin(TessObject* d, TessObject* parent)
    TESS_LINK_NAME("!MFolderItemDialog.ShowModalWithin");

extern TessString kRoot, kReadme, kWork, kNotes, kOld, kData, kText, kReport, kOldName, kExport,
    kExportName, kSaveAs, kSelectFolder, kBase, kWhere;
extern char MainLayout[];

/* Field offsets of FolderItemDialog, as its property records give them. */
enum {
  kPromptText = 40,
  kTitle = 44,
  kSuggestedFileName = 36,
  kFilter = 48,
  kInitialDirectory = 52,
  kResult = 56
};

static TessObject* work;

static void sayText(const char* what, TessString* s) {
  char line[300];
  int at = 0;
  while (*what) line[at++] = *what++;
  if (!s) {
    line[at++] = 'n', line[at++] = 'i', line[at++] = 'l';
  } else {
    for (int32_t i = 1; i <= s->length && at < 290; ++i) line[at++] = (char)s->buffer[i];
  }
  line[at] = 0;
  say(line);
  if (s) RuntimeUnlockString(s);
}

/* Prints an item's path (or nil) and gives the item back. */
static void sayItem(const char* what, TessObject* item) {
  sayText(what, item ? ItemPath(item, 0) : 0);
  if (item) RuntimeUnlockObject(item);
}

static void makeFile(TessObject* folder, TessString* name) {
  TessObject* file = ItemChild(folder, name);
  TessObject* out = ItemCreateText(file);
  OutClose(out);
  RuntimeUnlockObject(out);
  sayText(name == &kData ? "type of data.bin: " : "type of file: ", ItemType(file, 0));
  RuntimeUnlockObject(file);
}

int32_t AppOpen(TessObject* app) {
  (void)app;
  TessObject* root = RuntimeGetFolderItem(&kRoot);
  makeFile(root, &kReadme);
  RuntimeUnlockObject(root);
  work = RuntimeGetFolderItem(&kWork);
  ItemCreateAsFolder(work);
  makeFile(work, &kNotes);
  makeFile(work, &kOld);
  makeFile(work, &kData);
  return 0;
}

int32_t MainKeyDown(TessObject* w, TessString* key) {
  TessObject* d;
  switch (key ? key->buffer[1] : 0) {
    case 'o':
      sayItem("open: ", RuntimeGetOpenFolderItem(&kText));
      break;
    case 'c':
      sayItem("open, cancelled: ", RuntimeGetOpenFolderItem(&kText));
      break;
    case 's':
      sayItem("save over old.rpt: ", RuntimeGetSaveFolderItem(&kReport, &kOldName));
      break;
    case 'e':
      d = CreateInstance(&kSaveAs);
      DialogSetString(d, kTitle, &kExport);
      DialogSetString(d, kSuggestedFileName, &kExportName);
      DialogSetString(d, kFilter, &kText);
      DialogSetObject(d, kInitialDirectory, work);
      sayItem("save as dialog: ", DialogShow(d));
      sayItem("its result: ", DialogResult(d, kResult));
      RuntimeUnlockObject(d);
      break;
    case 'f':
      d = CreateInstance(&kSelectFolder);
      DialogSetString(d, kPromptText, &kWhere);
      DialogSetObject(d, kInitialDirectory, work);
      sayItem("folder: ", DialogShowWithin(d, w));
      RuntimeUnlockObject(d);
      break;
    case 'b':
      d = CreateInstance(&kBase);
      sayItem("no kind: ", DialogShow(d));
      RuntimeUnlockObject(d);
      break;
    default:
      break;
  }
  return 1;
}

void TessMain(void) {
  TessObject* window = 0;
  RuntimeInit(TessApplication);
  RuntimeUnlockObject(RuntimeCreateWindow(MainLayout, &window));
  RuntimeUnlockObject(window);
  RuntimeRun();
  RuntimeUnlockObject(work);
  say("run ended");
}
