/* A virtual volume from compiled code: a volume file made next to the
   image, a folder and a text file written in it, the volume let go of and
   opened again from its file, the text read back and printed. */
#include "../../image/e2e/startup/say.h"

extern TessObject* ItemChild(TessObject* item, TessString* name)
    TESS_LINK_NAME("!MFolderItem.Child");
extern void ItemCreateAsFolder(TessObject* item) TESS_LINK_NAME("!MFolderItem.CreateAsFolder");
extern void ItemDelete(TessObject* item) TESS_LINK_NAME("!MFolderItem.Delete");
extern int32_t ItemLastError(TessObject* item, uint32_t offset)
    TESS_LINK_NAME("!GFolderItem.LastErrorCode");
extern int32_t ItemExists(TessObject* item, uint32_t parameter)
    TESS_LINK_NAME("!GFolderItem.Exists");
extern TessObject* ItemCreateText(TessObject* item) TESS_LINK_NAME("!MFolderItem.CreateTextFile");
extern TessObject* ItemOpenText(TessObject* item) TESS_LINK_NAME("!MFolderItem.OpenAsTextFile");
extern TessObject* ItemCreateVolume(TessObject* item)
    TESS_LINK_NAME("!MFolderItem.CreateVirtualVolume");
extern TessObject* ItemOpenVolume(TessObject* item)
    TESS_LINK_NAME("!MFolderItem.OpenAsVirtualVolume");
extern TessObject* VolumeRoot(TessObject* volume, uint32_t parameter)
    TESS_LINK_NAME("!GVirtualVolume.Root");
extern void OutWriteLine(TessObject* out, TessString* line)
    TESS_LINK_NAME("!MTextOutputStream.WriteLine");
extern void OutClose(TessObject* out) TESS_LINK_NAME("!MTextOutputStream.Close");
extern TessString* InReadLine(TessObject* in) TESS_LINK_NAME("!MTextInputStream.ReadLine");
extern void InClose(TessObject* in) TESS_LINK_NAME("!MTextInputStream.Close");

extern TessString kVolumeFile, kDocs, kNotes, kGreeting;

enum { kLastErrorOffset = 20 };

static void print(const char* label, const char* text) {
  host_write(1, label, host_strlen(label));
  say(text);
}

/* docs\notes.txt of the volume's root. */
static TessObject* notes_of(TessObject* volume) {
  TessObject* root = VolumeRoot(volume, 0);
  TessObject* docs = ItemChild(root, &kDocs);
  TessObject* notes = ItemChild(docs, &kNotes);
  RuntimeUnlockObject(docs);
  RuntimeUnlockObject(root);
  return notes;
}

void TessMain(void) {
  TessObject *file, *volume, *root, *docs, *notes, *out, *in;
  TessString* line;
  int32_t objects;
  RuntimeInit(TessApplication);
  objects = RuntimeDebugObjectCount(0);

  file = RuntimeGetFolderItem(&kVolumeFile);
  volume = ItemCreateVolume(file);
  if (!volume) {
    say("no volume");
    return;
  }
  root = VolumeRoot(volume, 0);
  docs = ItemChild(root, &kDocs);
  ItemCreateAsFolder(docs);
  notes = ItemChild(docs, &kNotes);
  out = ItemCreateText(notes);
  OutWriteLine(out, &kGreeting);
  OutClose(out);
  say(ItemExists(notes, 0) ? "written" : "not written");
  RuntimeUnlockObject(out);
  RuntimeUnlockObject(notes);
  RuntimeUnlockObject(docs);
  RuntimeUnlockObject(root);
  RuntimeUnlockObject(volume);

  volume = ItemOpenVolume(file);
  say(volume ? "reopened" : "not reopened");
  notes = notes_of(volume);
  in = ItemOpenText(notes);
  line = InReadLine(in);
  print("read back: ", StringToCString(line));
  RuntimeUnlockString(line);
  InClose(in);
  RuntimeUnlockObject(in);
  RuntimeUnlockObject(notes);
  RuntimeUnlockObject(volume);

  ItemDelete(file);
  say(ItemLastError(file, kLastErrorOffset) == 0 ? "volume file removed, so it was closed"
                                                 : "volume file still open");
  RuntimeUnlockObject(file);
  say(RuntimeDebugObjectCount(0) == objects ? "objects given back" : "objects leaked");
}
