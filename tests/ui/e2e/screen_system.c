/* Keyboard, Screen and System objects, the mouse and the colour dialog, as
   compiled code sees them: each handler prints what it reads, one a line. */
#include "../../image/e2e/startup/transcript.h"

extern char MainLayout[];

/* Prints "what a b c ..." for count numbers. */
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

int32_t MainOpen(TessObject* w) {
  TessObject* screen = getScreen(0);
  TessObject* system = getSystemObject();
  TessString sysv = {1, (uint8_t*)"\x04" "sysv", 4, 4, 0x0600};
  int32_t version = 0, known;
  int32_t numbers[9];
  (void)w;
  numbers[0] = getScreenCount();
  numbers[1] = screenLeftGetter(screen, 0);
  numbers[2] = screenTopGetter(screen, 0);
  numbers[3] = screenWidthGetter(screen, 0);
  numbers[4] = screenHeightGetter(screen, 0);
  numbers[5] = screenDepthGetter(screen, 0);
  numbers[6] = screenWidthGetter(screen, 1);
  numbers[7] = screenHeightGetter(screen, 1);
  sayNumbers("screens", 8, numbers);
  known = systemGestalt(system, &sysv, &version);
  numbers[0] = known;
  numbers[1] = version;
  systemSetKeyScript(system, 0, 1);
  numbers[2] = systemGetKeyScript(system, 0);
  systemSetKeyScript(system, 0, 0);
  numbers[3] = getFontCount() > 0;
  numbers[4] = getHilightColor();
  sayNumbers("system", 5, numbers);
  RuntimeUnlockObject(screen);
  RuntimeUnlockObject(system);
  return 0;
}

int32_t MainKeyDown(TessObject* w, TessString* key) {
  TessObject* keyboard = getKeyboardObject();
  TessString prompt = {1, (uint8_t*)"\x0d" "Pick a colour", 13, 13, 0x0600};
  int32_t numbers[6];
  int32_t colour = 0xFF0000;
  uint8_t c = key ? key->buffer[1] : 0;
  (void)w;
  numbers[0] = c;
  numbers[1] = modifierKeyGetter(keyboard, 512);
  numbers[2] = modifierKeyGetter(keyboard, 4096);
  numbers[3] = modifierKeyGetter(keyboard, 2048);
  numbers[4] = asyncModifierKeyGetter(keyboard, 512);
  numbers[5] = keyboardAsyncKeyDown(keyboard, 0x7E);
  sayNumbers("key", 6, numbers);
  RuntimeUnlockObject(keyboard);
  if (c == 'c' || c == 'd') {
    numbers[0] = selectColor(&colour, &prompt);
    numbers[1] = colour;
    sayNumbers("colour", 2, numbers);
  }
  return 1;
}

int32_t MainMouseDown(TessObject* w, int32_t x, int32_t y) {
  int32_t numbers[5];
  (void)w;
  numbers[0] = x;
  numbers[1] = y;
  numbers[2] = getMouseX();
  numbers[3] = getMouseY();
  numbers[4] = getMouseDown();
  sayNumbers("mouse", 5, numbers);
  return 0;
}

void TessMain(void) {
  TessObject* window = 0;
  TessObject* made;
  RuntimeInit(TessApplication);
  made = RuntimeCreateWindow(MainLayout, &window);
  RuntimeUnlockObject(window);
  RuntimeUnlockObject(made);
  RuntimeRun();
  say("run ended");
}
