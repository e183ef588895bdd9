/* A document window with a menu bar, driven by a script: the events and menu
   handlers it reaches are printed one a line, in the order they run. */
#include "../../image/e2e/startup/transcript.h"

extern char DocLayout[];
extern char AboutLayout[];
extern void MenuItemSetChecked(TessObject* item, uint32_t parameter, int32_t value)
    TESS_LINK_NAME("!SMenuItem.Checked");
static int cancelCount;

int32_t AppEnableMenuItems(TessObject* app) {
  (void)app;
  return 0;
}
int32_t AppFileNew(TessObject* app) {
  (void)app;
  say("app FileNew");
  return 1;
}
int32_t AppClose(TessObject* app) {
  (void)app;
  say("app Close");
  return 0;
}

int32_t DocOpen(TessObject* w) {
  (void)w;
  say("window Open");
  return 0;
}
int32_t DocClose(TessObject* w) {
  (void)w;
  say("window Close");
  return 0;
}
int32_t DocCancelClose(TessObject* w) {
  (void)w;
  say("window CancelClose");
  return cancelCount++ == 0; /* keeps the window open the first time */
}
int32_t DocActivate(TessObject* w) {
  (void)w;
  say("window Activate");
  return 0;
}
int32_t DocResized(TessObject* w) {
  sayNumber("window Resized, width ", windowPosGetter(w, 2));
  return 0;
}
int32_t DocMouseDown(TessObject* w, int32_t x, int32_t y) {
  (void)w;
  sayPoint("window MouseDown ", x, y);
  return 1;
}
int32_t DocMouseDrag(TessObject* w, int32_t x, int32_t y) {
  (void)w;
  sayPoint("window MouseDrag ", x, y);
  return 0;
}
int32_t DocMouseUp(TessObject* w, int32_t x, int32_t y) {
  (void)w;
  sayPoint("window MouseUp ", x, y);
  return 0;
}
int32_t DocKeyDown(TessObject* w, TessString* key) {
  (void)w;
  sayNumber("window KeyDown ", key ? key->buffer[1] : 0);
  return 1;
}
int32_t DocEnableMenuItems(TessObject* w) {
  TessString name = {1, (uint8_t*)"\x07" "FileNew", 7, 7, 0x0600};
  TessString close = {1, (uint8_t*)"\x09" "FileClose", 9, 9, 0x0600};
  TessString about = {1, (uint8_t*)"\x09" "HelpAbout", 9, 9, 0x0600};
  TessString windowItem = {1, (uint8_t*)"\x0a" "WindowItem", 10, 10, 0x0600};
  TessString quit = {1, (uint8_t*)"\x08" "FileQuit", 8, 8, 0x0600};
  TessString autosave = {1, (uint8_t*)"\x0c" "FileAutosave", 12, 12, 0x0600};
  TessObject* item;
  (void)w;
  /* EditCopy and FilePrint are left alone: they stay disabled. */
  item = RuntimeMenuReference(&autosave);
  RuntimeEnableMenu(item);
  MenuItemSetChecked(item, 48, 1); /* the record's parameter: the offset of Checked */
  RuntimeUnlockObject(item);
  item = RuntimeMenuReference(&name);
  RuntimeEnableMenu(item);
  RuntimeUnlockObject(item);
  item = RuntimeMenuReference(&close);
  RuntimeEnableMenu(item);
  RuntimeUnlockObject(item);
  item = RuntimeMenuReference(&about);
  RuntimeEnableMenu(item);
  RuntimeUnlockObject(item);
  item = RuntimeMenuReference(&quit);
  RuntimeEnableMenu(item);
  RuntimeUnlockObject(item);
  item = RuntimeMenuArrayReference(&windowItem, 1);
  RuntimeEnableMenu(item);
  RuntimeUnlockObject(item);
  return 0;
}
int32_t DocFileNew(TessObject* w) {
  (void)w;
  say("window FileNew");
  return 0; /* lets the application's handler run */
}
int32_t DocFileClose(TessObject* w) {
  say("window FileClose");
  RuntimeCloseWindow(w);
  return 1;
}
int32_t DocWindowItem(TessObject* w, int32_t index) {
  (void)w;
  sayNumber("window WindowItem ", index);
  return 1;
}
int32_t AboutOpen(TessObject* w) {
  (void)w;
  say("about Open");
  return 0;
}
int32_t AboutClose(TessObject* w) {
  (void)w;
  say("about Close");
  return 0;
}
int32_t AboutAction(TessObject* item) {
  TessObject* about = 0;
  TessObject* made;
  (void)item;
  say("item About Action");
  made = RuntimeCreateWindow(AboutLayout, &about);
  RuntimeShowModal(about);
  say("ShowModal returned");
  RuntimeUnlockObject(about);
  RuntimeUnlockObject(made);
  return 1;
}

void TessMain(void) {
  TessObject* window = 0;
  TessObject* made;
  RuntimeInit(TessApplication);
  made = RuntimeCreateWindow(DocLayout, &window);
  say(made && made == window ? "window made" : "no window");
  RuntimeUnlockObject(window);
  RuntimeUnlockObject(made);
  RuntimeRun();
  say("run ended");
}
