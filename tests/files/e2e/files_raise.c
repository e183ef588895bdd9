/* The file whose writer raised mid-write holds every line written before
   the raise, and nothing stays alive. */
#include <tessera/image.h>

extern char TessApplication[];
void say(const char* text);
void guarded_raise_mid_write(void);

extern TessString kNotes;
static TessObject* g_item;

TessObject* notes_item(void) {
  return g_item;
}

static int line_is(TessObject* in, const char* text) {
  TessString* line = TextInputStreamReadLine(in);
  const char* got = StringToCString(line);
  unsigned long i = 0;
  int same;
  while (got[i] && got[i] == text[i]) ++i;
  same = got[i] == text[i];
  RuntimeUnlockString(line);
  return same;
}

void TessMain(void) {
  TessObject* in;
  int32_t objects;
  int ok;
  RuntimeInit(TessApplication);
  objects = RuntimeDebugObjectCount(0);
  g_item = RuntimeGetFolderItem(&kNotes);
  guarded_raise_mid_write();
  in = FolderItemOpenTextFile(g_item);
  ok = in && line_is(in, "first") && line_is(in, "second") && TextInputStreamEOF(in, 0);
  say(ok ? "both lines written before the raise" : "LINES LOST");
  RuntimeUnlockObject(in);
  FolderItemDelete(g_item);
  RuntimeUnlockObject(g_item);
  say(RuntimeDebugObjectCount(0) == objects ? "nothing left alive" : "an object leaked");
}
