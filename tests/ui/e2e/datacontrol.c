/* A window over a database of pets, driven by a script: the DataControl's
   buttons and keys move the bound edit fields through the rows, and push
   buttons bound to its new-record, add, update and delete parts by the
   layout's action binders run them after their own Action; a list bound
   to a DatabaseQuery follows the table. Every event of the control is
   printed, with what the bound fields show, and the list before each
   button's action and when the window closes; the table is printed when
   the run ends. */
#include "../../image/e2e/startup/transcript.h"

extern char PetsLayout[];

/* The project database's file name, as its item record points at it. */
char kItemName[] = "e2e_pets.tdb";

TESS_STRING(kId, "Id");
TESS_STRING(kPetName, "PetName");
TESS_STRING(kPetList, "PetList");
TESS_STRING(kAllPets, "AllPets");

static TessObject* window;

/* Appends a string's bytes to text at *at, up to 150 bytes in all. */
static void appendString(char* text, int* at, TessString* s) {
  uint32_t k;
  for (k = 0; s && k < s->length && *at < 150; ++k) text[(*at)++] = (char)s->buffer[1 + k];
}

static void sayString(const char* what, TessString* s) {
  char text[160];
  int at = appendText(text, what);
  appendString(text, &at, s);
  text[at] = 0;
  say(text);
}

static TessString* str(const char* text) {
  return TessBuildString(text, (int32_t)host_strlen(text));
}

static void exec(TessObject* db, const char* sql) {
  TessString* s = str(sql);
  databaseSQLExecute(db, s);
  RuntimeUnlockString(s);
}

/* What the bound fields show: "id name". */
static void sayFields(const char* what) {
  TessObject* id = RuntimeControlFetch(window, &kId);
  TessObject* name = RuntimeControlFetch(window, &kPetName);
  TessString* a = editTextGetter(id, 0);
  TessString* b = editTextGetter(name, 0);
  char text[160];
  int at = appendText(text, what);
  appendString(text, &at, a);
  text[at++] = ' ';
  appendString(text, &at, b);
  text[at] = 0;
  say(text);
  RuntimeUnlockString(a);
  RuntimeUnlockString(b);
  RuntimeUnlockObject(id);
  RuntimeUnlockObject(name);
}

/* The list's rows: "list: a, b, c". */
static void sayList(void) {
  TessObject* list = RuntimeControlFetch(window, &kPetList);
  int32_t i, count = listCountGetter(list, 0);
  char text[160];
  int at = appendText(text, "list:");
  for (i = 0; i < count; ++i) {
    TessString* row = RuntimeGetRow(list, i);
    text[at++] = i ? ',' : ' ';
    if (i) text[at++] = ' ';
    appendString(text, &at, row);
    RuntimeUnlockString(row);
  }
  text[at] = 0;
  say(text);
  RuntimeUnlockObject(list);
}

int32_t PetsOpen(TessObject* w) {
  TessObject* db = RuntimeProjectObject(1);
  TessObject* file = TessDatabaseFolderItemGetter(db, 0);
  window = w;
  if (fileExistsGetter(file, 0)) FolderItemDelete(file);
  sayNumber("created ", TessDatabaseCreateDatabaseFile(db));
  exec(db, "create table pets (id integer, name varchar(20), primary key (id))");
  exec(db, "insert into pets (id, name) values (1, 'Ada')");
  exec(db, "insert into pets (id, name) values (2, 'Bo')");
  exec(db, "insert into pets (id, name) values (3, 'Cy')");
  RuntimeUnlockObject(file);
  RuntimeUnlockObject(db);
  {
    TessObject* query = RuntimeControlFetch(w, &kAllPets);
    databaseQueryRunQuery(query);
    RuntimeUnlockObject(query);
  }
  say("window Open");
  sayList();
  return 0;
}

int32_t PetsClose(TessObject* w) {
  (void)w;
  sayList();
  return 0;
}

int32_t ButtonAction(TessObject* button) {
  TessString* caption = pushButtonTitleGetter(button, 0);
  sayString("pushed ", caption);
  RuntimeUnlockString(caption);
  sayList();
  return 0;
}

int32_t PetsMoveNext(TessObject* c) {
  (void)c;
  say("MoveNext");
  return 0;
}
int32_t PetsMovePrevious(TessObject* c) {
  (void)c;
  say("MovePrevious");
  return 0;
}
int32_t PetsMoveFirst(TessObject* c) {
  (void)c;
  say("MoveFirst");
  return 0;
}
int32_t PetsMoveLast(TessObject* c) {
  (void)c;
  say("MoveLast");
  return 0;
}
int32_t PetsReposition(TessObject* c, int32_t row) {
  char text[40];
  int at = appendText(text, "Reposition ");
  appendNumber(text, &at, row);
  text[at++] = ' ';
  text[at++] = 'o';
  text[at++] = 'f';
  text[at++] = ' ';
  appendNumber(text, &at, DataControlRowCount(c));
  text[at++] = ':';
  text[at++] = ' ';
  text[at] = 0;
  sayFields(text);
  return 0;
}
int32_t PetsValidate(TessObject* c, int32_t action) {
  (void)c;
  sayNumber("Validate ", action);
  return 0;
}
int32_t PetsInsert(TessObject* c) {
  (void)c;
  sayFields("Insert: ");
  return 0;
}
int32_t PetsUpdate(TessObject* c) {
  (void)c;
  sayFields("Update: ");
  return 0;
}
int32_t PetsDelete(TessObject* c) {
  (void)c;
  say("Delete");
  return 0;
}

void TessMain(void) {
  TessObject* made;
  TessObject* db;
  TessString* sql;
  TessObject* rs;
  RuntimeInit(TessApplication);
  made = RuntimeCreateWindow(PetsLayout, &window);
  RuntimeUnlockObject(made);
  RuntimeRun();
  say("run ended");
  db = RuntimeProjectObject(1);
  sql = str("select id, name from pets order by id");
  rs = databaseSQLSelect(db, sql);
  RuntimeUnlockString(sql);
  for (cursorMoveNext(rs); rs && !cursorEOFGetter(rs, 0); cursorMoveNext(rs)) {
    TessObject* id = cursorGetFieldByIndex(rs, 1);
    TessObject* name = cursorGetFieldByIndex(rs, 2);
    TessString* a = cursorFieldStringValueGetter(id, 0);
    TessString* b = cursorFieldStringValueGetter(name, 0);
    sayString("row ", a);
    sayString("  ", b);
    RuntimeUnlockString(a);
    RuntimeUnlockString(b);
    RuntimeUnlockObject(id);
    RuntimeUnlockObject(name);
  }
  RuntimeUnlockObject(rs);
  RuntimeUnlockObject(db);
}
