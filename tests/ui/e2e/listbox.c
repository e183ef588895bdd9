/* A hierarchical list driven by a script: every event of the list is
   printed as it fires, and File>Report prints the rows. */
#include "../../image/e2e/startup/transcript.h"

extern char FilesLayout[];

TESS_STRING(kFiles, "Files");
TESS_STRING(kHeadings, "Name\tDone\tSize");
TESS_STRING(kDocuments, "Documents");
TESS_STRING(kBeta, "beta");
TESS_STRING(kAlpha, "Alpha");
TESS_STRING(kGamma, "gamma");
TESS_STRING(kReport, "report.txt");
TESS_STRING(kNotes, "notes.txt");
TESS_STRING(k10, "10");
TESS_STRING(k20, "20");
TESS_STRING(k30, "30");

TESS_STRING(kFileReport, "FileReport");
TESS_STRING(kFileQuit, "FileQuit");

int32_t FilesEnableMenuItems(TessObject* w) {
  TessString* items[] = {&kFileReport, &kFileQuit};
  (void)w;
  enableItems(items, sizeof items / sizeof items[0]);
  return 0;
}

/* Appends a string's bytes (a tab shows as '|'). */
static int appendString(char* text, int at, TessString* s) {
  uint32_t k;
  if (!s) return at; /* nil is the empty string */
  for (k = 0; k < s->length && at < 100; ++k) {
    char c = (char)s->buffer[1 + k];
    text[at++] = c == '\t' ? '|' : c;
  }
  return at;
}

static void sayRowColumn(const char* what, int32_t row, int32_t column) {
  char text[64];
  int at = appendText(text, what);
  text[at++] = ' ';
  appendNumber(text, &at, row);
  text[at++] = ',';
  appendNumber(text, &at, column);
  text[at] = 0;
  say(text);
}

int32_t FilesOpen(TessObject* w) {
  TessObject* list = RuntimeControlFetch(w, &kFiles);
  listSetHeading(list, -1, &kHeadings);
  listColumnTypeSetter(list, 1, 2);
  listColumnTypeSetter(list, 2, 3);
  RuntimeListAddParent(list, &kDocuments);
  RuntimeListAddRow(list, &kBeta);
  listSetCell(list, listLastIndexGetter(list, 0), 2, &k20);
  RuntimeListAddRow(list, &kAlpha);
  listSetCell(list, listLastIndexGetter(list, 0), 2, &k10);
  RuntimeListAddRow(list, &kGamma);
  listSetCell(list, listLastIndexGetter(list, 0), 2, &k30);
  listCellCheckSetter(list, 3, 1, 1);
  say("window Open");
  RuntimeUnlockObject(list);
  return 0;
}

int32_t FilesReport(TessObject* w) {
  TessObject* list = RuntimeControlFetch(w, &kFiles);
  int32_t count = listCountGetter(list, 0);
  int32_t i;
  say("report");
  for (i = 0; i < count; ++i) {
    char text[128];
    int at = 0;
    TessString* name = listGetCell(list, i, 0);
    TessString* size = listGetCell(list, i, 2);
    text[at++] = ' ';
    at = appendString(text, at, name);
    at += appendText(text + at, listCellCheckGetter(list, i, 1) ? " [x] " : " [ ] ");
    at = appendString(text, at, size);
    if (listGetSelected(list, i)) at += appendText(text + at, " selected");
    if (listGetExpanded(list, i)) at += appendText(text + at, " expanded");
    text[at] = 0;
    say(text);
    RuntimeUnlockString(name);
    RuntimeUnlockString(size);
  }
  sayNumber("sorted column ", listSortedColumnGetter(list, 0));
  RuntimeUnlockObject(list);
  return 1;
}

int32_t ListChange(TessObject* list) {
  sayNumber("Change ", listSelectionGetter(list, 0));
  return 0;
}

int32_t ListExpandRow(TessObject* list, int32_t row) {
  sayNumber("ExpandRow ", row);
  RuntimeListAddRow(list, &kReport);
  RuntimeListAddRow(list, &kNotes);
  sayNumber("child at ", listLastIndexGetter(list, 0));
  return 0;
}

int32_t ListCollapseRow(TessObject* list, int32_t row) {
  (void)list;
  sayNumber("CollapseRow ", row);
  return 0;
}

int32_t ListHeaderPressed(TessObject* list, int32_t column) {
  (void)list;
  sayNumber("HeaderPressed ", column);
  return 0;
}

int32_t ListSortColumn(TessObject* list, int32_t column) {
  (void)list;
  sayNumber("SortColumn ", column);
  return 0;
}

int32_t ListCellClick(TessObject* list, int32_t row, int32_t column, int32_t x, int32_t y) {
  (void)list;
  (void)x;
  (void)y;
  sayRowColumn("CellClick", row, column);
  return 0;
}

int32_t ListCellAction(TessObject* list, int32_t row, int32_t column) {
  (void)list;
  sayRowColumn("CellAction", row, column);
  return 0;
}

int32_t ListCellGotFocus(TessObject* list, int32_t row, int32_t column) {
  TessObject* field = listActiveCellGetter(list, 0);
  sayRowColumn(field ? "CellGotFocus with field" : "CellGotFocus", row, column);
  RuntimeUnlockObject(field);
  return 0;
}

int32_t ListCellLostFocus(TessObject* list, int32_t row, int32_t column) {
  (void)list;
  sayRowColumn("CellLostFocus", row, column);
  return 0;
}

int32_t ListCellKeyDown(TessObject* list, int32_t row, int32_t column, TessString* key) {
  char text[64];
  int at = appendText(text, "CellKeyDown ");
  (void)list;
  appendNumber(text, &at, row);
  text[at++] = ',';
  appendNumber(text, &at, column);
  text[at++] = ' ';
  text[at++] = key && key->length ? (char)key->buffer[1] : '?';
  text[at] = 0;
  say(text);
  return 0;
}

int32_t ListCellTextChange(TessObject* list, int32_t row, int32_t column) {
  (void)list;
  sayRowColumn("CellTextChange", row, column);
  return 0;
}

int32_t ListDragReorderRows(TessObject* list, int32_t position) {
  (void)list;
  sayNumber("DragReorderRows ", position);
  return 0;
}

int32_t ListDragRow(TessObject* list, TessObject* drag, int32_t row) {
  (void)list;
  (void)drag;
  sayNumber("DragRow ", row);
  return 0;
}

void TessMain(void) {
  TessObject* window = 0;
  TessObject* made;
  RuntimeInit(TessApplication);
  made = RuntimeCreateWindow(FilesLayout, &window);
  RuntimeUnlockObject(window);
  RuntimeUnlockObject(made);
  RuntimeRun();
  say("run ended");
}
