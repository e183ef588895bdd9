/* Bindings wired from a layout, driven by a script: each handler prints
   what the bound controls show at that moment, and the image's own
   receiver and provider print what they are asked. */
#include "../../image/e2e/startup/transcript.h"

extern char BindLayout[];
static TessObject* window;

/* Class-table indices of the description's interfaces. */
enum { kListDataNotificationReceiver = 13, kStringProvider = 15, kRowTupleClass = 28 };

TESS_STRING(kEnable, "Enable");
TESS_STRING(kGo, "Go");
TESS_STRING(kPeople, "People");
TESS_STRING(kNameField, "NameField");
TESS_STRING(kFed, "Fed");
TESS_STRING(kMirror, "Mirror");
TESS_STRING(kAdd, "Add");
TESS_STRING(kSpare, "Spare");
TESS_STRING(kChooser, "Chooser");
TESS_STRING(kChosen, "Chosen");
TESS_STRING(kRemove, "Remove");

static TessObject* control(TessString* name) {
  return RuntimeControlReference(window, name);
}

/* Appends a string's bytes in quotes. */
static int appendQuoted(char* text, int at, TessString* s) {
  uint32_t k;
  text[at++] = '"';
  for (k = 0; s && k < s->length && at < 70; ++k) text[at++] = (char)s->buffer[1 + k];
  text[at++] = '"';
  return at;
}

/* "what: enabled E, text "T"" for an edit field or a button. */
static void sayControl(const char* what, TessString* name, int withText) {
  TessObject* c = control(name);
  char line[120];
  int at = appendText(line, what);
  at += appendText(line + at, ": enabled ");
  appendNumber(line, &at, controlEnabledGetter(c, 0));
  if (withText) {
    TessString* text = editTextGetter(c, 0);
    at += appendText(line + at, ", text ");
    at = appendQuoted(line, at, text);
    RuntimeUnlockString(text);
  }
  line[at] = 0;
  say(line);
  RuntimeUnlockObject(c);
}

static void sayRows(const char* what, TessString* name) {
  TessObject* list = control(name);
  int32_t n = listCountGetter(list, 0), row, column;
  char line[120];
  int at = appendText(line, what);
  appendNumber(line, &at, n);
  at += appendText(line + at, " rows:");
  for (row = 0; row < n; ++row) {
    for (column = 0; column < 2; ++column) {
      TessString* cell = listGetCell(list, row, column);
      line[at++] = column ? '/' : ' ';
      at = appendQuoted(line, at, cell);
      RuntimeUnlockString(cell);
    }
  }
  line[at] = 0;
  say(line);
  RuntimeUnlockObject(list);
}

static void sayPopup(void) {
  TessObject* popup = control(&kChooser);
  int32_t n = RuntimePopupCountGetter(popup, 0), row;
  char line[120];
  int at = appendText(line, "Chooser ");
  appendNumber(line, &at, n);
  at += appendText(line + at, " rows:");
  for (row = 0; row < n; ++row) {
    TessString* text = RuntimePopupGetRow(popup, row);
    line[at++] = ' ';
    at = appendQuoted(line, at, text);
    RuntimeUnlockString(text);
  }
  line[at] = 0;
  say(line);
  RuntimeUnlockObject(popup);
}

int32_t BindOpen(TessObject* w) {
  TESS_STRING(ada, "Ada");
  TESS_STRING(grace, "Grace");
  TESS_STRING(ada2, "Lovelace");
  TESS_STRING(grace2, "Hopper");
  TessObject* people;
  window = w;
  people = control(&kPeople);
  RuntimeListAddRow(people, &ada);
  listSetCell(people, 0, 1, &ada2);
  RuntimeListAddRow(people, &grace);
  listSetCell(people, 1, 1, &grace2);
  RuntimeUnlockObject(people);
  say("window Open");
  sayControl("Go", &kGo, 0);
  sayControl("NameField", &kNameField, 1);
  sayControl("Mirror", &kMirror, 1);
  sayControl("Add", &kAdd, 0);
  sayControl("Spare", &kSpare, 0);
  sayRows("Fed ", &kFed);
  sayPopup();
  sayControl("Chosen", &kChosen, 1);
  sayControl("Remove", &kRemove, 0);
  return 0;
}

int32_t EnableAction(TessObject* box) {
  sayNumber("Enable Action, value ", checkBoxValueGetter(box, 0));
  sayControl("Go", &kGo, 0);
  return 0;
}

int32_t GoAction(TessObject* b) {
  (void)b;
  say("Go Action");
  return 0;
}

/* getString of a provider through its interface table. */
static void sayProvided(const char* what, TessObject* provider) {
  char line[100];
  int at = appendText(line, what);
  TessString* (*getString)(TessObject*) =
      (TessString * (*)(TessObject*)) FindInterfaceVTableCode(provider, 1, kStringProvider);
  if (getString) {
    TessString* s = getString(provider);
    at = appendQuoted(line, at, s);
    RuntimeUnlockString(s);
  } else {
    at += appendText(line + at, "none");
  }
  line[at] = 0;
  say(line);
}

int32_t PeopleGotFocus(TessObject* list) {
  (void)list;
  say("People GotFocus");
  return 0;
}

int32_t SizeAction(TessObject* radio) {
  TessString* caption = radioTitleGetter(radio, 0);
  char line[60];
  int at = appendQuoted(line, 0, caption);
  at += appendText(line + at, " Action");
  line[at] = 0;
  say(line);
  RuntimeUnlockString(caption);
  return 0;
}

int32_t PeopleChange(TessObject* list) {
  sayNumber("People Change, ListIndex ", listSelectionGetter(list, 0));
  sayControl("NameField", &kNameField, 1);
  sayControl("Remove", &kRemove, 0);
  return 0;
}

/* Part names in any letter case; a column number after the prefix. */
static void sayParts(void) {
  TESS_STRING(upper3, "COLUMNVALUEPROVIDER_1");
  TESS_STRING(bare, "columnValueProvider_");
  TESS_STRING(unknown, "columnValue");
  TessString* names[] = {&upper3, &bare, &unknown};
  const char* labels[] = {"part COLUMNVALUEPROVIDER_1: ", "part columnValueProvider_: ",
                          "part columnValue: "};
  TessObject* people = control(&kPeople);
  unsigned i;
  for (i = 0; i < 3; ++i) {
    TessObject* part = listGetBoundPart(people, names[i]);
    if (part)
      sayProvided(labels[i], part);
    else {
      char line[60];
      int at = appendText(line, labels[i]);
      at += appendText(line + at, "nil");
      line[at] = 0;
      say(line);
    }
    RuntimeUnlockObject(part);
  }
  RuntimeUnlockObject(people);
}

/* --- the image's data provider: two rows, one more per Add. */

typedef struct {
  char header[16];
  TessObject* receiver;
} RowsFields;
typedef struct {
  char header[16];
  int32_t row;
} TupleFields;

TESS_STRING(kTuring, "Alan");
TESS_STRING(kTuring2, "Turing");
TESS_STRING(kHopper, "Grace");
TESS_STRING(kHopper2, "Brewster");
TESS_STRING(kNoether, "Emmy");
TESS_STRING(kNoether2, "Noether");
static TessString* cells[3][2] = {
    {&kTuring, &kTuring2}, {&kHopper, &kHopper2}, {&kNoether, &kNoether2}};
static int32_t rowCount = 2;
static TessObject* rows;

int32_t RowsGetCount(TessObject* self) {
  (void)self;
  return rowCount;
}
TessObject* RowsGetRow(TessObject* self, int32_t v) {
  TessObject* tuple = RuntimeNewObject(kRowTupleClass);
  (void)self;
  ((TupleFields*)tuple)->row = v;
  return tuple;
}
void RowsAddReceiver(TessObject* self, TessObject* receiver) {
  RowsFields* f = (RowsFields*)self;
  say("Data addListDataNotificationReceiver");
  rows = self;
  RuntimeLockObject(receiver);
  RuntimeUnlockObject(f->receiver);
  f->receiver = receiver;
}
void RowsRemoveReceiver(TessObject* self, TessObject* receiver) {
  RowsFields* f = (RowsFields*)self;
  say("Data removeListDataNotificationReceiver");
  if (f->receiver != receiver) return;
  f->receiver = 0;
  RuntimeUnlockObject(receiver);
}
void RowsGone(TessObject* self, void* cls) {
  (void)cls;
  say("Data destroyed");
  RuntimeUnlockObject(((RowsFields*)self)->receiver);
}
int32_t TupleFieldCount(TessObject* self) {
  (void)self;
  return 2;
}
/* Before the insert the provider's rows are Alan and Emmy; Grace comes
   between them. */
TessString* TupleGetIndString(TessObject* self, int32_t v) {
  int32_t row = ((TupleFields*)self)->row;
  TessString* s = cells[rowCount == 2 && row == 1 ? 2 : row][v & 1];
  RuntimeLockString(s);
  return s;
}

int32_t AddAction(TessObject* b) {
  RowsFields* f = (RowsFields*)rows;
  void (*inserted)(TessObject*, int32_t);
  (void)b;
  say("Add Action");
  if (rowCount == 3) return 0;
  ++rowCount;
  inserted = (void (*)(TessObject*, int32_t))FindInterfaceVTableCode(
      f->receiver, 1, kListDataNotificationReceiver);
  if (inserted) inserted(f->receiver, 1);
  {
    /* The bound list's rows are the provider's: edits by code are ignored. */
    TESS_STRING(intruder, "Intruder");
    TessObject* fed = control(&kFed);
    RuntimeListAddRow(fed, &intruder);
    RuntimeRemoveRow(fed, 0);
    RuntimeUnlockObject(fed);
  }
  sayRows("Fed ", &kFed);
  sayParts();
  {
    TessObject* popup = control(&kChooser);
    RuntimePopupSelectionSetter(popup, 0, 1);
    say("Chooser ListIndex set to 1");
    RuntimeUnlockObject(popup);
  }
  sayControl("Chosen", &kChosen, 1);
  return 0;
}

/* --- the image's action receiver */

void LoggerPerformAction(TessObject* self) {
  (void)self;
  say("Log PerformAction");
}
void LoggerGone(TessObject* self, void* cls) {
  (void)self;
  (void)cls;
  say("Log destroyed");
}

/* The window goes from inside Action: the box's checked-action receivers
   are not told. */
int32_t CloserAction(TessObject* box) {
  sayNumber("Closer Action, value ", checkBoxValueGetter(box, 0));
  sayControl("Spare", &kSpare, 0);
  RuntimeCloseWindow(window);
  say("window closed");
  return 0;
}

void TessMain(void) {
  TessObject* made;
  TessObject* out = 0;
  RuntimeInit(TessApplication);
  made = RuntimeCreateWindow(BindLayout, &out);
  RuntimeUnlockObject(out);
  RuntimeUnlockObject(made);
  RuntimeRun();
  say("run ended");
}
