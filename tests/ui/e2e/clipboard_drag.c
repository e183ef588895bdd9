/* The clipboard and drag and drop from compiled code. Open copies text,
   named data and a picture through the clipboard and reads them back; the
   source canvas drags two items (text, a picture and named data on the
   first, text on the second) that the target canvas, the window beside it
   and an Esc receive as each accepts. Every handler prints what it sees. */
#include "../../image/e2e/startup/transcript.h"

extern char DropLayout[];

enum { kClipboardClass = 3 };

static TessString kTargetKey = {1, (uint8_t*)"\x06" "Target", 6, 6, 0x0600};
static TessString kAbcd = {1, (uint8_t*)"\x04" "ABCD", 4, 4, 0x0600};
static TessString kAbcdLower = {1, (uint8_t*)"\x04" "abcd", 4, 4, 0x0600};
static TessString kZzzz = {1, (uint8_t*)"\x04" "ZZZZ", 4, 4, 0x0600};
static TessString kEmpty = {1, (uint8_t*)"\x00", 0, 0, 0x0600};
static TessString kHello = {1, (uint8_t*)"\x05" "hello", 5, 5, 0x0600};
static TessString kWithNul = {1, (uint8_t*)"\x0b" "data\0hidden", 11, 11, 0x0600};
static TessString kSecret = {1, (uint8_t*)"\x06" "secret", 6, 6, 0x0600};
static TessString kFirst = {1, (uint8_t*)"\x05" "first", 5, 5, 0x0600};
static TessString kSecond = {1, (uint8_t*)"\x06" "second", 6, 6, 0x0600};

/* Says "what <text>" and lets the string go. */
static void sayString(const char* what, TessString* s) {
  char text[96];
  int at = appendText(text, what), i;
  text[at++] = ' ';
  text[at++] = '"';
  for (i = 0; s && i < s->length && at < 90; ++i) text[at++] = (char)s->buffer[1 + i];
  text[at++] = '"';
  text[at] = 0;
  say(text);
  RuntimeUnlockString(s);
}

static void sayNumbers(const char* what, int count, const int32_t* numbers) {
  char text[160];
  int at = appendText(text, what), i;
  for (i = 0; i < count; ++i) {
    text[at++] = ' ';
    appendNumber(text, &at, numbers[i]);
  }
  text[at] = 0;
  say(text);
}

/* A w x h picture whose pixel (x, y) is 0x102030 * (x + 1) + y. */
static TessObject* patterned(int w, int h) {
  TessObject* p = newPicture(w, h, 32);
  TessObject* s = pictureRGBSurfaceGetter(p, 0);
  int x, y;
  for (y = 0; y < h; ++y)
    for (x = 0; x < w; ++x) rgbSurfaceSetPixel(s, x, y, 0x102030 * (x + 1) + y);
  RuntimeUnlockObject(s);
  return p;
}

static void sayPicture(const char* what, TessObject* p) {
  int32_t n[6] = {0, 0, 0, 0, 0, 0};
  if (p) {
    TessObject* s = pictureRGBSurfaceGetter(p, 0);
    n[0] = pictureWidthGetter(p, 0);
    n[1] = pictureHeightGetter(p, 0);
    n[2] = rgbSurfaceGetPixel(s, 0, 0);
    n[3] = rgbSurfaceGetPixel(s, 2, 0);
    n[4] = rgbSurfaceGetPixel(s, 0, 1);
    n[5] = rgbSurfaceGetPixel(s, 2, 1);
    RuntimeUnlockObject(s);
  }
  sayNumbers(what, 6, n);
  RuntimeUnlockObject(p);
}

static void copyThroughClipboard(void) {
  TessObject* c = RuntimeNewObject(kClipboardClass);
  TessObject* picture = patterned(3, 2);
  int32_t n[4];
  /* Text and named data side by side, then read by a second object. */
  clipboardSetText(c, &kHello);
  clipboardAddMacData(c, &kWithNul, &kAbcd);
  clipboardClose(c);
  RuntimeUnlockObject(c);
  c = RuntimeNewObject(kClipboardClass);
  n[0] = clipboardTextAvailable(c);
  n[1] = clipboardMacDataAvailable(c, &kAbcdLower);
  n[2] = clipboardMacDataAvailable(c, &kZzzz);
  n[3] = clipboardPictureAvailable(c);
  sayNumbers("clipboard text, ABCD, ZZZZ, picture:", 4, n);
  sayString("clipboard text", clipboardTextGetter(c, 0));
  sayString("clipboard ABCD", clipboardMacData(c, &kAbcd));
  /* The first write of this object empties the clipboard once. */
  clipboardPictureSetter(c, 0, picture);
  n[0] = clipboardTextAvailable(c);
  n[1] = clipboardPictureAvailable(c);
  sayNumbers("after the picture, text and picture:", 2, n);
  clipboardClose(c);
  RuntimeUnlockObject(c);
  c = RuntimeNewObject(kClipboardClass);
  sayPicture("clipboard picture", clipboardPictureGetter(c, 0));
  RuntimeUnlockObject(c); /* its destruction closes it */
  RuntimeUnlockObject(picture);
}

int32_t WindowOpen(TessObject* w) {
  TessObject* target = RuntimeControlFetch(w, &kTargetKey);
  copyThroughClipboard();
  controlAcceptTextDrop(target);
  controlAcceptPictureDrop(target);
  formAcceptTextDrop(w);
  RuntimeUnlockObject(target);
  return 0;
}

int32_t SourceMouseDown(TessObject* source, int32_t x, int32_t y) {
  TessObject* item = controlNewDragItem(source, 10, 10, 30, 20);
  TessObject* picture = patterned(3, 2);
  sayPoint("source MouseDown ", x, y);
  dragItemTextSetter(item, 0, &kFirst);
  dragItemPictureSetter(item, 0, picture);
  DragItemSetMacData(item, &kZzzz, &kSecret);
  DragItemAddItem(item, 50, 10, 30, 20);
  dragItemTextSetter(item, 0, &kSecond);
  sayNumber("item 1 picture available ", DragItemPictureAvailable(item));
  DragItemDrag(item);
  say("drag ended");
  RuntimeUnlockObject(picture);
  RuntimeUnlockObject(item);
  return 0;
}

static void sayItem(const char* what, TessObject* item) {
  int32_t n[7];
  n[0] = dragItemDropLeft(item, 0);
  n[1] = dragItemDropTop(item, 0);
  n[2] = dragItemDropWidth(item, 0);
  n[3] = dragItemDropHeight(item, 0);
  n[4] = DragItemTextAvailable(item);
  n[5] = DragItemPictureAvailable(item);
  n[6] = DragItemMacDataAvailable(item, &kEmpty);
  sayNumbers(what, 7, n);
  sayString("  text", dragItemTextGetter(item, 0));
}

int32_t TargetDrop(TessObject* target, TessObject* item) {
  TessObject* destination = objGetter(item, 24);
  say(destination == target ? "target DropObject, destination is the target"
                            : "target DropObject, wrong destination");
  RuntimeUnlockObject(destination);
  sayItem("  item rect, text, picture, data:", item);
  sayPicture("  picture", dragItemPictureGetter(item, 0));
  sayNumber("  next item ", DragItemNextItem(item));
  sayItem("  item rect, text, picture, data:", item);
  sayNumber("  next item ", DragItemNextItem(item));
  return 0;
}

int32_t WindowDrop(TessObject* w, TessObject* item) {
  (void)w;
  say("window DropObject");
  sayItem("  item rect, text, picture, data:", item);
  return 0;
}

void TessMain(void) {
  TessObject* window = 0;
  TessObject* made;
  RuntimeInit(TessApplication);
  made = RuntimeCreateWindow(DropLayout, &window);
  RuntimeUnlockObject(window);
  RuntimeUnlockObject(made);
  RuntimeRun();
  say("run ended");
}
