/* A list with row pictures, borders dragged by the script and a
   horizontal scroll bar: File>Report prints the column widths, the
   horizontal position and the rows with their pictures. */
#include "../../image/e2e/startup/transcript.h"

extern char ColumnsLayout[];

TESS_STRING(kSheet, "Sheet");
TESS_STRING(kHeadings, "Name\tSize\tNote\tKind");
TESS_STRING(kPictures, "Pictures");
TESS_STRING(kBeta, "beta");
TESS_STRING(kAlpha, "Alpha");
TESS_STRING(kGamma, "gamma");
TESS_STRING(k10, "10");
TESS_STRING(k20, "20");
TESS_STRING(k30, "30");
TESS_STRING(kFolder, "folder");
TESS_STRING(kText, "text");
TESS_STRING(kNote, "a long note");

TESS_STRING(kFileReport, "FileReport");
TESS_STRING(kFileQuit, "FileQuit");

int32_t ColumnsEnableMenuItems(TessObject* w) {
  TessString* items[] = {&kFileReport, &kFileQuit};
  (void)w;
  enableItems(items, sizeof items / sizeof items[0]);
  return 0;
}

static int appendString(char* text, int at, TessString* s) {
  uint32_t k;
  if (!s) return at; /* nil is the empty string */
  for (k = 0; k < s->length && at < 100; ++k) text[at++] = (char)s->buffer[1 + k];
  return at;
}

/* A picture of `width` x `height` on white with a filled oval of `color`.
   The row keeps it: the reference made here is dropped once it is set. */
static void setPicture(TessObject* list, int32_t row, int32_t width, int32_t height,
                       int32_t color) {
  TessObject* picture = newPicture(width, height, 32);
  TessObject* g = pictureGraphicsGetter(picture, 0);
  graphicsForeColorSetter(g, 0, 0xFFFFFF);
  RuntimeGraphicsFillRect(g, 0, 0, width, height);
  graphicsForeColorSetter(g, 0, color);
  RuntimeGraphicsFillOval(g, 0, 0, width, height);
  RuntimeUnlockObject(g);
  listSetRowPicture(list, row, picture);
  RuntimeUnlockObject(picture);
}

static void addRow(TessObject* list, TessString* name, TessString* size, TessString* kind) {
  int32_t row;
  RuntimeListAddRow(list, name);
  row = listLastIndexGetter(list, 0);
  listSetCell(list, row, 1, size);
  listSetCell(list, row, 2, &kNote);
  listSetCell(list, row, 3, kind);
}

int32_t ColumnsOpen(TessObject* w) {
  TessObject* list = RuntimeControlFetch(w, &kSheet);
  listSetHeading(list, -1, &kHeadings);
  RuntimeListAddParent(list, &kPictures);
  listSetCell(list, 0, 3, &kFolder);
  addRow(list, &kGamma, &k30, &kText);
  addRow(list, &kBeta, &k20, &kText);
  addRow(list, &kAlpha, &k10, &kText);
  setPicture(list, 0, 40, 40, 0x3060C0); /* taller than the row: scaled */
  setPicture(list, 2, 10, 10, 0x20A040); /* small: drawn at its size */
  say("window Open");
  RuntimeUnlockObject(list);
  return 0;
}

int32_t ColumnsReport(TessObject* w) {
  TessObject* list = RuntimeControlFetch(w, &kSheet);
  int32_t count = listCountGetter(list, 0);
  int32_t i;
  char text[128];
  int at = appendText(text, "widths");
  for (i = 0; i < listColumnCountGetter(list, 0); ++i) {
    TessObject* column = listColumnGetter(list, i);
    text[at++] = ' ';
    appendNumber(text, &at, listColWidthActualGetter(column, 0));
    RuntimeUnlockObject(column);
  }
  text[at] = 0;
  say(text);
  {
    TessString* widths = listColumnWidthsGetter(list, 0);
    at = appendText(text, "expressions ");
    at = appendString(text, at, widths);
    text[at] = 0;
    say(text);
    RuntimeUnlockString(widths);
  }
  sayNumber("scroll x ", listScrollPositionXGetter(list, 0));
  for (i = 0; i < count; ++i) {
    TessString* name = listGetCell(list, i, 0);
    TessObject* picture = listGetRowPicture(list, i);
    at = appendText(text, " ");
    at = appendString(text, at, name);
    if (picture) at += appendText(text + at, " with picture");
    text[at] = 0;
    say(text);
    RuntimeUnlockString(name);
    RuntimeUnlockObject(picture);
  }
  RuntimeUnlockObject(list);
  return 1;
}

int32_t ColumnsHeaderPressed(TessObject* list, int32_t column) {
  (void)list;
  sayNumber("HeaderPressed ", column);
  return 0;
}

int32_t ColumnsSortColumn(TessObject* list, int32_t column) {
  (void)list;
  sayNumber("SortColumn ", column);
  return 0;
}

void TessMain(void) {
  TessObject* window = 0;
  TessObject* made;
  RuntimeInit(TessApplication);
  made = RuntimeCreateWindow(ColumnsLayout, &window);
  RuntimeUnlockObject(window);
  RuntimeUnlockObject(made);
  RuntimeRun();
  say("run ended");
}
