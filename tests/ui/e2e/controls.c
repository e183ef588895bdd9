/* A dialog of the standard controls and two timers, driven by a script:
   every event the handlers see is printed one a line, in order. */
#include "../../image/e2e/startup/transcript.h"

extern char DialogLayout[];
extern char ValuesLayout[];
extern char PagesLayout[];
static TessObject* pages;
static TessObject* dialog;
static TessObject* values;
static int ticks;

/* `name` is length-prefixed, as string constants are laid out. */
static TessObject* control(const char* name) {
  uint32_t length = (uint8_t)name[0];
  TessString s = {1, (uint8_t*)name, length, length, 0x0600};
  return RuntimeControlReference(dialog, &s);
}

int32_t DialogOpen(TessObject* w) {
  TessObject* ticker;
  dialog = w;
  say("dialog Open");
  ticker = control("\x06" "Ticker");
  sayNumber("ticker period ", timerPeriodGetter(ticker, 0));
  timerModeSetter(ticker, 0, 2);
  RuntimeUnlockObject(ticker);
  {
    TESS_STRING(other, "Other");
    TessObject* colour = control("\x06" "Colour");
    RuntimePopupAddSeparator(colour);
    RuntimePopupAddRow(colour, &other);
    sayNumber("colour rows ", RuntimePopupCountGetter(colour, 0));
    RuntimeUnlockObject(colour);
  }
  return 0;
}

int32_t DialogKeyDown(TessObject* w, TessString* key) {
  (void)w;
  sayNumber("dialog KeyDown ", key ? key->buffer[1] : 0);
  return 0;
}

int32_t TickerAction(TessObject* t) {
  sayNumber("ticker Action ", ++ticks);
  if (ticks == 3) {
    TessObject* once = control("\x04" "Once");
    timerModeSetter(t, 0, 0);
    sayNumber("ticker mode ", timerModeGetter(t, 0));
    timerModeSetter(once, 0, 1);
    RuntimeUnlockObject(once);
  }
  return 0;
}

int32_t OnceAction(TessObject* t) {
  TESS_STRING(done, "Timers done");
  sayNumber("once Action, mode ", timerModeGetter(t, 0));
  windowTitleSetter(dialog, 0, &done);
  sayPoint("dialog at ", windowPosGetter(dialog, 0), windowPosGetter(dialog, 1));
  sayPoint("values at ", windowPosGetter(values, 0), windowPosGetter(values, 1));
  sayPoint("pages at ", windowPosGetter(pages, 0), windowPosGetter(pages, 1));
  return 0;
}

int32_t OkAction(TessObject* b) {
  (void)b;
  say("OK Action");
  return 0;
}
int32_t OkGotFocus(TessObject* b) {
  (void)b;
  say("OK GotFocus");
  return 0;
}
int32_t OkLostFocus(TessObject* b) {
  (void)b;
  say("OK LostFocus");
  return 0;
}
int32_t CancelAction(TessObject* b) {
  (void)b;
  say("Cancel Action");
  return 0;
}
int32_t TrapAction(TessObject* b) {
  (void)b;
  say("Trap Action");
  return 0;
}
int32_t TrapMouseDown(TessObject* b, int32_t x, int32_t y) {
  (void)b;
  sayPoint("Trap MouseDown ", x, y);
  return 1;
}
int32_t TrapMouseUp(TessObject* b, int32_t x, int32_t y) {
  (void)b;
  sayPoint("Trap MouseUp ", x, y);
  return 0;
}

static int boxActions;
int32_t BoxAction(TessObject* b) {
  sayNumber("Remember Action, value ", checkBoxValueGetter(b, 0));
  /* The third change is undone from inside the handler: no second Action. */
  if (++boxActions == 3) {
    checkBoxValueSetter(b, 0, 0);
    sayNumber("Remember set inside Action, value ", checkBoxValueGetter(b, 0));
  }
  return 0;
}
int32_t BoxGotFocus(TessObject* b) {
  (void)b;
  say("Remember GotFocus");
  return 0;
}

int32_t ChoiceAction(TessObject* c) {
  char text[40];
  int at = appendText(text, "Size$");
  int i;
  appendNumber(text, &at, intGetter(c, 28));
  at += appendText(text + at, " Action, values");
  for (i = 0; i < 3; ++i) {
    TESS_STRING(size, "Size");
    TessObject* r = RuntimeControlArrayItemReference(dialog, &size, i);
    text[at++] = ' ';
    appendNumber(text, &at, radioValueGetter(r, 0));
    RuntimeUnlockObject(r);
  }
  text[at] = 0;
  say(text);
  return 0;
}

int32_t ColourChange(TessObject* p) {
  char line[80];
  TessString* text = popupTextGetter(p, 0);
  int at = appendText(line, "Colour Change ");
  int i;
  appendNumber(line, &at, RuntimePopupSelectionGetter(p, 0));
  line[at++] = ' ';
  for (i = 0; text && i < (int)text->length; ++i) line[at++] = (char)text->buffer[1 + i];
  line[at] = 0;
  RuntimeUnlockString(text);
  say(line);
  return 0;
}

int32_t LevelChanged(TessObject* s) {
  TESS_STRING(done, "Done");
  TessObject* bar = RuntimeControlReference(values, &done);
  int32_t value = scrollerPropGetter(s, 1);
  sayNumber("Level ValueChanged ", value);
  progressValueSetter(bar, 0, value * 10);
  RuntimeUnlockObject(bar);
  return 0;
}

int32_t OffsetChanged(TessObject* s) {
  sayNumber("Offset ValueChanged ", scrollerPropGetter(s, 1));
  return 0;
}

int32_t TabsChange(TessObject* t) {
  TESS_STRING(name, "Pages");
  TessObject* panel = RuntimeControlReference(pages, &name);
  int32_t value = tabPanelValueGetter(t, 0);
  TessString* caption = tabPanelCaptionGetter(t, value);
  char line[60];
  int at = appendText(line, "Tabs Change ");
  int i;
  appendNumber(line, &at, value);
  line[at++] = ' ';
  for (i = 0; caption && i < caption->length; ++i) line[at++] = (char)caption->buffer[1 + i];
  line[at] = 0;
  RuntimeUnlockString(caption);
  say(line);
  /* The page panel has two pages: the third tab shows the first. */
  PagePanelValueSetter(panel, 0, value % 2);
  RuntimeUnlockObject(panel);
  return 0;
}

int32_t PagesChange(TessObject* p) {
  sayNumber("Pages Change ", PagePanelValueGetter(p, 0));
  return 0;
}

int32_t BlobMouseDown(TessObject* b, int32_t x, int32_t y) {
  (void)b;
  sayPoint("Blob MouseDown ", x, y);
  return 1;
}
int32_t BlobMouseDrag(TessObject* b, int32_t x, int32_t y) {
  (void)b;
  sayPoint("Blob MouseDrag ", x, y);
  return 0;
}
int32_t BlobMouseUp(TessObject* b, int32_t x, int32_t y) {
  (void)b;
  sayPoint("Blob MouseUp ", x, y);
  return 0;
}

int32_t PromptAcceleratorKey(TessObject* l) {
  (void)l;
  say("Label AcceleratorKey");
  return 0;
}

/* A press on the window itself offers a contextual menu. */
int32_t PagesMouseDown(TessObject* w, int32_t x, int32_t y) {
  TESS_STRING(name, "Context");
  TESS_STRING(cut, "Cut");
  TESS_STRING(copy, "Copy");
  TessObject* menu = RuntimeControlReference(w, &name);
  sayPoint("Pages MouseDown ", x, y);
  contextualMenuResetContent(menu);
  contextualMenuAddRow(menu, &cut);
  contextualMenuAddSeparator(menu);
  contextualMenuAddRow(menu, &copy);
  contextualMenuOpen(menu);
  say("contextual menu closed");
  RuntimeUnlockObject(menu);
  return 0;
}

/* Disables a control of `window` by name. */
static void disable(TessObject* window, const char* name) {
  uint32_t length = (uint8_t)name[0];
  TessString s = {1, (uint8_t*)name, length, length, 0x0600};
  TessObject* c = RuntimeControlReference(window, &s);
  controlEnabledSetter(c, 0, 0);
  RuntimeUnlockObject(c);
}

/* Copy disables the controls of both windows, for their disabled look. */
int32_t ContextAction(TessObject* m, TessString* item) {
  char line[40];
  int at = appendText(line, "Context Action ");
  int i;
  (void)m;
  for (i = 0; item && i < item->length; ++i) line[at++] = (char)item->buffer[1 + i];
  line[at] = 0;
  say(line);
  disable(values, "\x05" "Level");
  disable(values, "\x06" "Offset");
  disable(values, "\x04" "Done");
  disable(pages, "\x04" "Tabs");
  disable(pages, "\x08" "OnSecond");
  return 0;
}

void TessMain(void) {
  TessObject* window = 0;
  TessObject* made;
  RuntimeInit(TessApplication);
  made = RuntimeCreateWindow(ValuesLayout, &values);
  RuntimeUnlockObject(made);
  made = RuntimeCreateWindow(PagesLayout, &pages);
  RuntimeUnlockObject(made);
  made = RuntimeCreateWindow(DialogLayout, &window);
  say(made && made == window ? "dialog made" : "no dialog");
  RuntimeUnlockObject(window);
  RuntimeUnlockObject(made);
  RuntimeRun();
  say("run ended");
}
