/* A multiple-document application driven by a script: the frame's events,
   the documents' activation and closing through the frame's menu bar, and
   the run going on after the last document closed. */
#include "../../image/e2e/startup/say.h"

extern char LetterLayout[];
extern char InvoiceLayout[];

static void sayTitle(const char* what, TessObject* w) {
  char text[64];
  TessString* title = windowTitleGetter(w, 0);
  int at = 0, i;
  for (i = 0; what[i]; ++i) text[at++] = what[i];
  for (i = 0; title && i < (int)title->length && at < 62; ++i)
    text[at++] = (char)title->buffer[1 + i];
  text[at] = 0;
  RuntimeUnlockString(title);
  say(text);
}

int32_t AppOpen(TessObject* app) {
  (void)app;
  say("app Open");
  return 0;
}
int32_t FrameOpen(TessObject* frame) {
  say(MDIWindowHandleGetter(frame, 0) ? "frame Open with a handle" : "frame Open without one");
  return 0;
}
static void enable(const char* name, int length) {
  TessString text = {1, (uint8_t*)name, (uint32_t)length + 2, length, 0x0600};
  TessObject* item = RuntimeMenuReference(&text);
  RuntimeEnableMenu(item);
  RuntimeUnlockObject(item);
}
/* Quit is usable with or without a document; Close only with one. */
int32_t AppEnableMenuItems(TessObject* app) {
  (void)app;
  enable(
      "\x08"
      "FileQuit",
      8);
  return 0;
}
int32_t DocEnableMenuItems(TessObject* w) {
  (void)w;
  enable(
      "\x09"
      "FileClose",
      9);
  return 0;
}
int32_t DocActivate(TessObject* w) {
  sayTitle("activate ", w);
  return 0;
}
int32_t DocClose(TessObject* w) {
  sayTitle("close ", w);
  return 0;
}
int32_t DocFileClose(TessObject* w) {
  RuntimeCloseWindow(w);
  return 1;
}

static void open(char* layout) {
  TessObject* window = 0;
  TessObject* made = RuntimeCreateWindow(layout, &window);
  if (!made) say("no window");
  RuntimeUnlockObject(window);
  RuntimeUnlockObject(made);
}

void TessMain(void) {
  RuntimeInit(TessApplication);
  open(LetterLayout);
  open(InvoiceLayout);
  RuntimeRun();
  say("run ended");
}
