/* Edit fields driven by a script: every event of the fields is printed as
   it fires; File>Report prints what the fields hold and which edit items
   the focused field enables; File>Style styles the multi-line field. */
#include "../../image/e2e/startup/say.h"

extern char FormLayout[];

TESS_STRING(kName, "Name");
TESS_STRING(kNotes, "Notes");
TESS_STRING(kSecret, "Secret");
TESS_STRING(kCopy, "Copy");
TESS_STRING(kEditCut, "EditCut");
TESS_STRING(kEditCopy, "EditCopy");
TESS_STRING(kEditPaste, "EditPaste");
TESS_STRING(kEditClear, "EditClear");
TESS_STRING(kStyledText,
            "Bold words, italic words, red words\rA centred line\rPlain text to select");

static int appendText(char* text, int at, const char* what, int length) {
  int i = 0;
  while (length < 0 ? what[i] != 0 : i < length) {
    char c = what[i++];
    text[at++] = c == '\r' ? '|' : c;
  }
  return at;
}

static int appendNumber(char* text, int at, int32_t n) {
  char digits[12];
  int k = 0;
  uint32_t v = n < 0 ? 0u - (uint32_t)n : (uint32_t)n;
  if (n < 0) text[at++] = '-';
  do {
    digits[k++] = (char)('0' + v % 10);
    v /= 10;
  } while (v);
  while (k) text[at++] = digits[--k];
  return at;
}

/* "NAME EVENT [detail]" for a field. */
static void sayField(TessObject* field, const char* event, TessString* detail) {
  char text[256];
  TessString* name = stringGetter(field, 24);
  int at = appendText(text, 0, name ? (const char*)name->buffer + 1 : "?", name ? name->length : 1);
  text[at++] = ' ';
  at = appendText(text, at, event, -1);
  if (detail) {
    text[at++] = ' ';
    at = appendText(text, at, (const char*)detail->buffer + 1,
                    detail->length < 200 ? detail->length : 200);
  }
  text[at] = 0;
  say(text);
  RuntimeUnlockString(name);
}

int32_t FieldKeyDown(TessObject* field, TessString* key) {
  char shown[8] = "code ";
  TessString code = {1, (uint8_t*)"\x00", 0, 0, 0x0600};
  int c = key && key->length ? key->buffer[1] : 0;
  if (c < 32) {
    /* Keys that type nothing printable travel as their codes. */
    static char buffer[16];
    int at = appendText(buffer, 1, shown, -1);
    at = appendNumber(buffer, at, c);
    buffer[0] = (char)(at - 1);
    code.buffer = (uint8_t*)buffer;
    code.length = at - 1;
    sayField(field, "KeyDown", &code);
  } else {
    sayField(field, "KeyDown", key);
  }
  return c == 'x'; /* True keeps the x from being typed */
}
int32_t FieldTextChange(TessObject* field) {
  sayField(field, "TextChange", 0);
  return 0;
}
int32_t FieldSelChange(TessObject* field) {
  char text[32];
  int at = appendNumber(text, 1, editSelStartGetter(field, 0));
  text[at++] = '+';
  at = appendNumber(text, at, editSelLengthGetter(field, 0));
  {
    TessString s = {1, (uint8_t*)text, (uint32_t)at, at - 1, 0x0600};
    sayField(field, "SelChange", &s);
  }
  return 0;
}
int32_t FieldGotFocus(TessObject* field) {
  sayField(field, "GotFocus", 0);
  return 0;
}
int32_t FieldLostFocus(TessObject* field) {
  sayField(field, "LostFocus", 0);
  return 0;
}

TESS_STRING(kFileReport, "FileReport");
TESS_STRING(kFileStyle, "FileStyle");
TESS_STRING(kFileQuit, "FileQuit");

int32_t FormEnableMenuItems(TessObject* w) {
  TessString* items[] = {&kFileReport, &kFileStyle, &kFileQuit};
  unsigned i;
  (void)w;
  for (i = 0; i < sizeof items / sizeof items[0]; ++i) {
    TessObject* item = RuntimeMenuReference(items[i]);
    RuntimeEnableMenu(item);
    RuntimeUnlockObject(item);
  }
  return 0;
}

int32_t FormOpen(TessObject* w) {
  (void)w;
  say("window Open");
  return 0;
}

static void sayText(TessObject* w, TessString* key) {
  TessObject* field = RuntimeControlFetch(w, key);
  TessString* text = editTextGetter(field, 0);
  sayField(field, "Text is", text ? text : &kName);
  RuntimeUnlockString(text);
  RuntimeUnlockObject(field);
}

static void sayEnabled(TessString* item) {
  TessObject* menu = RuntimeMenuReference(item);
  char text[64];
  int at = appendText(text, 0, (const char*)item->buffer + 1, item->length);
  at = appendText(text, at, boolGetter(menu, 49) ? " enabled" : " disabled", -1);
  text[at] = 0;
  say(text);
  RuntimeUnlockObject(menu);
}

int32_t FormReport(TessObject* w) {
  TessObject* notes = RuntimeControlFetch(w, &kNotes);
  TessObject* copy = RuntimeControlFetch(w, &kCopy);
  TessString* style;
  TessString* again;
  TessString* text;
  int same;
  say("report");
  sayText(w, &kName);
  sayText(w, &kNotes);
  sayText(w, &kSecret);
  enableMenuItems();
  sayEnabled(&kEditCut);
  sayEnabled(&kEditCopy);
  sayEnabled(&kEditPaste);
  sayEnabled(&kEditClear);
  /* The styled-text block round-trips through another field. */
  style = editTextStyleDataGetter(notes, 0);
  text = editTextGetter(notes, 0);
  editSetTextAndStyle(copy, text, style);
  again = editTextStyleDataGetter(copy, 0);
  same = RuntimeStringCompare(style, again) == 0;
  say(same ? "styles round trip" : "styles differ");
  say(editSelShadowGetter(notes, 0) ? "shadow" : "no shadow");
  RuntimeUnlockString(style);
  RuntimeUnlockString(again);
  RuntimeUnlockString(text);
  RuntimeUnlockObject(notes);
  RuntimeUnlockObject(copy);
  return 1;
}

int32_t FormStyle(TessObject* w) {
  TessObject* notes = RuntimeControlFetch(w, &kNotes);
  say("style");
  editTextSetter(notes, 0, &kStyledText);
  editSelStartSetter(notes, 0, 0);
  editSelLengthSetter(notes, 0, 10);
  editSelBoldSetter(notes, 0, 1);
  editSelStartSetter(notes, 0, 12);
  editSelLengthSetter(notes, 0, 12);
  editSelItalicSetter(notes, 0, 1);
  editSelTextSizeSetter(notes, 0, 16);
  editSelStartSetter(notes, 0, 26);
  editSelLengthSetter(notes, 0, 9);
  editSelTextColorSetter(notes, 0, 0xCC0000);
  editSelUnderlineSetter(notes, 0, 1);
  editSelStartSetter(notes, 0, 40);
  editSelLengthSetter(notes, 0, 0);
  EditSelAlignmentSetter(notes, 0, 2);
  editSelStartSetter(notes, 0, 51);
  editSelLengthSetter(notes, 0, 14);
  RuntimeUnlockObject(notes);
  return 1;
}

void TessMain(void) {
  TessObject* window = 0;
  TessObject* made;
  RuntimeInit(TessApplication);
  made = RuntimeCreateWindow(FormLayout, &window);
  RuntimeUnlockObject(window);
  RuntimeUnlockObject(made);
  RuntimeRun();
  say("run ended");
}
