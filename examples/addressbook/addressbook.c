/* Address Book: contacts in a database file beside the application, shown
   in a sortable list, edited through the fields below it, charted by group,
   saved in the background, exported as text and printed.

   Everything the application does is said on standard output, one line an
   action, so that a scripted run leaves a transcript. */
#include <tessera/image.h>

extern char TessApplication[];
extern char BookLayout[];
extern char AboutLayout[];
extern char ContactLayout[];
/* The checked add (addressbook.s): validates the fields and adds the
   contact, or shows why it cannot. */
void AddContactChecked(void);

extern long host_write(int fd, const void* bytes, unsigned long count)
    TESS_LIBRARY_ROUTINE("libc.so.6", "write");
extern unsigned long host_strlen(const char* text) TESS_LIBRARY_ROUTINE("libc.so.6", "strlen");

/* Class indexes in addressbook.desc. */
enum { kContactErrorClass = 13 };
/* RuntimeException.Message's offset in the instance. */
enum { kMessageOffset = 24 };
/* Columns of the list; the last one, never shown, holds the contact's id. */
enum { kNameColumn, kPhoneColumn, kGroupColumn, kIdColumn };
/* Timer modes. */
enum { kTimerSingle = 1 };

TESS_STRING(kBookFile, "AddressBook.tdb");
TESS_STRING(kTextType, "Text");
TESS_STRING(kExportName, "contacts.txt");
TESS_STRING(kHeadings, "Name\tPhone\tGroup\tId");
TESS_STRING(kChartTitle, "Contacts by group");
TESS_STRING(kPrintTitle, "Address Book");
TESS_STRING(kArial, "Arial");

static const char* const kGroups[] = {"Family", "Friends", "Work"};
enum { kGroupCount = 3 };

static TessObject* g_db;
static TessObject* g_window;
static TessObject* g_dialog; /* the New Contact dialog while it is up */
static int32_t g_nextId = 1;
static int32_t g_unsaved;

/* ---- Strings and the transcript ---- */

static TessString* str(const char* text) {
  return TessBuildString(text, (int32_t)host_strlen(text));
}

static const char* cstr(TessString* s) {
  return s ? StringToCString(s) : "";
}

static void say(const char* text) {
  host_write(1, text, host_strlen(text));
  host_write(1, "\n", 1);
}

/* A line built from pieces: texts, and numbers given as "#". */
typedef struct {
  char text[512];
  int at;
} Line;

static void put(Line* line, const char* text) {
  while (*text && line->at < (int)sizeof line->text - 1) line->text[line->at++] = *text++;
  line->text[line->at] = 0;
}

static void putNumber(Line* line, int32_t n) {
  char digits[12];
  int k = 0;
  uint32_t v = n < 0 ? 0u - (uint32_t)n : (uint32_t)n;
  if (n < 0) put(line, "-");
  do {
    digits[k++] = (char)('0' + v % 10);
    v /= 10;
  } while (v);
  while (k) {
    char one[2] = {digits[--k], 0};
    put(line, one);
  }
}

static TessString* lineString(const Line* line) {
  return TessBuildString(line->text, line->at);
}

/* ---- Controls ---- */

static TessObject* controlOf(TessObject* window, const char* name) {
  TessString* key = str(name);
  TessObject* c = RuntimeControlFetch(window, key);
  RuntimeUnlockString(key);
  return c;
}

static TessObject* control(const char* name) {
  return controlOf(g_window, name);
}

static TessString* fieldText(TessObject* window, const char* name) {
  TessObject* field = controlOf(window, name);
  TessString* text = editTextGetter(field, 0);
  RuntimeUnlockObject(field);
  return text;
}

static void setStatus(const Line* line) {
  TessObject* status = control("Status");
  TessString* text = lineString(line);
  staticCaptionSetter(status, 0, text);
  RuntimeUnlockString(text);
  RuntimeUnlockObject(status);
}

/* An action's outcome: on standard output and in the status line. */
static void tell(const Line* line) {
  say(line->text);
  if (g_window) setStatus(line);
}

static void refreshChart(void) {
  TessObject* chart = control("Chart");
  RuntimeControlRefresh(chart);
  RuntimeUnlockObject(chart);
}

/* The group chosen in a popup menu, as its text. */
static TessString* chosenGroup(TessObject* window, const char* name) {
  TessObject* popup = controlOf(window, name);
  TessString* group = popupTextGetter(popup, 0);
  RuntimeUnlockObject(popup);
  return group;
}

static int32_t checked(TessObject* window, const char* name) {
  TessObject* box = controlOf(window, name);
  int32_t value = checkBoxValueGetter(box, 0);
  RuntimeUnlockObject(box);
  return value;
}

/* ---- The database ---- */

static void exec(const char* sql) {
  TessString* s = str(sql);
  databaseSQLExecute(g_db, s);
  RuntimeUnlockString(s);
  if (databaseErrorGetter(g_db, 0)) {
    Line line = {{0}, 0};
    put(&line, "database error: ");
    put(&line, cstr(databaseErrorStringGetter(g_db, 0)));
    say(line.text);
  }
}

/* A column of a record set's current row, with one reference. */
static TessObject* fieldOf(TessObject* rs, const char* name) {
  TessString* n = str(name);
  TessObject* f = cursorGetFieldByName(rs, n);
  RuntimeUnlockString(n);
  return f;
}

static TessString* column(TessObject* rs, const char* name) {
  TessObject* f = fieldOf(rs, name);
  TessString* value = cursorFieldStringValueGetter(f, 0);
  RuntimeUnlockObject(f);
  return value;
}

static int32_t booleanColumn(TessObject* rs, const char* name) {
  TessObject* f = fieldOf(rs, name);
  int32_t value = CursorFieldBooleanValueGetter(f, 0);
  RuntimeUnlockObject(f);
  return value;
}

static void setColumn(TessObject* rs, const char* name, TessString* value) {
  TessObject* f = fieldOf(rs, name);
  cursorFieldStringValueSetter(f, 0, value);
  RuntimeUnlockObject(f);
}

static void setBooleanColumn(TessObject* rs, const char* name, int32_t value) {
  TessObject* f = fieldOf(rs, name);
  CursorFieldBooleanValueSetter(f, 0, value);
  RuntimeUnlockObject(f);
}

/* After every change: the timer saves once the user pauses. */
static void changed(void) {
  TessObject* saver = control("Saver");
  ++g_unsaved;
  timerModeSetter(saver, 0, kTimerSingle);
  RuntimeUnlockObject(saver);
  refreshChart();
}

static void setRow(TessObject* list, int32_t row, TessString* phone, TessString* group,
                   int32_t favourite) {
  listSetCell(list, row, kPhoneColumn, phone);
  listSetCell(list, row, kGroupColumn, group);
  listSetCellBold(list, row, kNameColumn, favourite);
}

static void addRow(TessObject* list, int32_t id, TessString* name, TessString* phone,
                   TessString* group, int32_t favourite) {
  TessString* idText = StringStr((double)id);
  int32_t row;
  RuntimeListAddRow(list, name);
  row = listLastIndexGetter(list, 0);
  setRow(list, row, phone, group, favourite);
  listSetCell(list, row, kIdColumn, idText);
  RuntimeUnlockString(idText);
}

static int32_t rowId(TessObject* list, int32_t row) {
  TessString* id = listGetCell(list, row, kIdColumn);
  int32_t value = (int32_t)StringVal(id);
  RuntimeUnlockString(id);
  return value;
}

static void loadContacts(TessObject* list) {
  TessString* sql = str("select id, name, phone, grp, favourite from contacts order by id");
  TessObject* rs = databaseSQLSelect(g_db, sql);
  RuntimeUnlockString(sql);
  if (!rs) return;
  for (cursorMoveNext(rs); !cursorEOFGetter(rs, 0); cursorMoveNext(rs)) {
    TessString *idText = column(rs, "id"), *name = column(rs, "name"), *phone = column(rs, "phone"),
               *group = column(rs, "grp");
    int32_t id = (int32_t)StringVal(idText);
    addRow(list, id, name, phone, group, booleanColumn(rs, "favourite"));
    if (id >= g_nextId) g_nextId = id + 1;
    RuntimeUnlockString(idText);
    RuntimeUnlockString(name);
    RuntimeUnlockString(phone);
    RuntimeUnlockString(group);
  }
  RuntimeUnlockObject(rs);
}

/* Reopens the book beside the application, or makes a new one. */
static void openBook(void) {
  TessObject* file = RuntimeGetFolderItem(&kBookFile);
  if (fileExistsGetter(file, 0)) {
    g_db = openTessDatabase(file);
    say("opened AddressBook.tdb");
  } else {
    g_db = newTessDatabase();
    TessDatabaseFolderItemSetter(g_db, 0, file);
    TessDatabaseCreateDatabaseFile(g_db);
    exec(
        "create table contacts (id integer, name varchar(80), phone varchar(40), "
        "grp varchar(20), favourite boolean, primary key (id))");
    databaseCommit(g_db);
    say("created AddressBook.tdb");
  }
  RuntimeUnlockObject(file);
}

/* ---- The window ---- */

static void enableItem(const char* name) {
  TessString* key = str(name);
  TessObject* item = RuntimeMenuReference(key);
  RuntimeEnableMenu(item);
  RuntimeUnlockObject(item);
  RuntimeUnlockString(key);
}

int32_t BookEnableMenuItems(TessObject* window) {
  TessObject* list = control("Contacts");
  (void)window;
  enableItem("FileNew");
  enableItem("FileQuit");
  enableItem("HelpAbout");
  if (listCountGetter(list, 0)) {
    enableItem("FileExport");
    enableItem("FilePrint");
  }
  RuntimeUnlockObject(list);
  return 0;
}

static void showCount(const char* what) {
  TessObject* list = control("Contacts");
  Line line = {{0}, 0};
  put(&line, what);
  put(&line, ": ");
  putNumber(&line, listCountGetter(list, 0));
  put(&line, " contacts");
  tell(&line);
  RuntimeUnlockObject(list);
}

int32_t BookOpen(TessObject* window) {
  TessObject* list;
  g_window = window;
  list = control("Contacts");
  listSetHeading(list, -1, &kHeadings);
  loadContacts(list);
  RuntimeUnlockObject(list);
  showCount("ready");
  return 0;
}

int32_t BookClose(TessObject* window) {
  (void)window;
  if (g_unsaved) {
    databaseCommit(g_db);
    g_unsaved = 0;
  }
  showCount("closed");
  databaseClose(g_db);
  return 0;
}

/* The New Contact dialog, until it is answered. */
int32_t BookFileNew(TessObject* window) {
  TessObject* made = RuntimeCreateWindow(ContactLayout, &g_dialog);
  RuntimeShowModalWithinWindow(g_dialog, window);
  RuntimeUnlockObject(made);
  RuntimeUnlockObject(g_dialog);
  g_dialog = 0;
  return 1;
}

int32_t ContactCancelAction(TessObject* button) {
  (void)button;
  say("new contact cancelled");
  RuntimeCloseWindow(g_dialog);
  return 0;
}

/* ---- Adding, saving and deleting ---- */

/* The exception the checked add raises, or nil when the fields are fine. */
TessObject* ContactProblem(void) {
  TessString* name = fieldText(g_dialog, "NewName");
  TessString* trimmed = runTrim(name);
  TessObject* problem = 0;
  if (StringLen(trimmed) == 0) {
    TessString* message = str("Every contact needs a name.");
    problem = RuntimeNewObject(kContactErrorClass);
    stringSetter(problem, kMessageOffset, message);
    RuntimeUnlockString(message);
  }
  RuntimeUnlockString(trimmed);
  RuntimeUnlockString(name);
  return problem;
}

/* The handler of the checked add: the exception's message to the user. */
void ShowProblem(TessObject* problem) {
  TessString* message = stringGetter(problem, kMessageOffset);
  Line line = {{0}, 0};
  put(&line, "refused: ");
  put(&line, cstr(message));
  tell(&line);
  RuntimeMsgBox(message);
  RuntimeUnlockString(message);
}

/* Adds the dialog's contact and closes the dialog. */
void AddContact(void) {
  TessString *name = fieldText(g_dialog, "NewName"), *phone = fieldText(g_dialog, "NewPhone"),
             *group = chosenGroup(g_dialog, "NewGroup");
  int32_t favourite = checked(g_dialog, "NewFavourite");
  TessString* className = str("DatabaseRecord");
  TessObject* record = CreateInstance(className);
  TessString *table = str("contacts"), *key;
  TessObject* list = control("Contacts");
  Line line = {{0}, 0};
  int32_t id = g_nextId++;

  setDatabaseRecordIntegerColumn(record, key = str("id"), id);
  RuntimeUnlockString(key);
  setDatabaseRecordColumn(record, key = str("name"), name);
  RuntimeUnlockString(key);
  setDatabaseRecordColumn(record, key = str("phone"), phone);
  RuntimeUnlockString(key);
  setDatabaseRecordColumn(record, key = str("grp"), group);
  RuntimeUnlockString(key);
  SetDatabaseRecordBooleanColumn(record, key = str("favourite"), favourite);
  RuntimeUnlockString(key);
  databaseInsertRecord(g_db, table, record);

  addRow(list, id, name, phone, group, favourite);
  put(&line, "added ");
  put(&line, cstr(name));
  put(&line, " (");
  put(&line, cstr(group));
  put(&line, favourite ? ", favourite)" : ")");
  tell(&line);

  RuntimeUnlockObject(list);
  RuntimeUnlockString(table);
  RuntimeUnlockObject(record);
  RuntimeUnlockString(className);
  RuntimeUnlockString(name);
  RuntimeUnlockString(phone);
  RuntimeUnlockString(group);
  changed();
  RuntimeCloseWindow(g_dialog);
}

int32_t ContactOkAction(TessObject* button) {
  (void)button;
  AddContactChecked();
  return 0;
}

int32_t AddAction(TessObject* button) {
  (void)button;
  BookFileNew(g_window);
  return 0;
}

int32_t SaveAction(TessObject* button) {
  TessObject* list = control("Contacts");
  int32_t row = listSelectionGetter(list, 0);
  (void)button;
  if (row < 0) {
    say("save: no contact selected");
  } else {
    TessString *name = fieldText(g_window, "NameField"), *phone = fieldText(g_window, "PhoneField"),
               *group = chosenGroup(g_window, "GroupMenu");
    int32_t favourite = checked(g_window, "Favourite");
    Line sql = {{0}, 0};
    TessString* query;
    TessObject* rs;
    put(&sql, "select id, name, phone, grp, favourite from contacts where id = ");
    putNumber(&sql, rowId(list, row));
    rs = databaseSQLSelect(g_db, query = lineString(&sql));
    RuntimeUnlockString(query);
    if (rs) cursorMoveNext(rs);
    if (rs && !cursorEOFGetter(rs, 0)) {
      Line line = {{0}, 0};
      cursorEdit(rs);
      setColumn(rs, "name", name);
      setColumn(rs, "phone", phone);
      setColumn(rs, "grp", group);
      setBooleanColumn(rs, "favourite", favourite);
      cursorUpdate(rs);
      RuntimeSetRow(list, row, name);
      setRow(list, row, phone, group, favourite);
      put(&line, "updated ");
      put(&line, cstr(name));
      put(&line, ": ");
      put(&line, cstr(phone));
      tell(&line);
      changed();
    }
    RuntimeUnlockObject(rs);
    RuntimeUnlockString(name);
    RuntimeUnlockString(phone);
    RuntimeUnlockString(group);
  }
  RuntimeUnlockObject(list);
  return 0;
}

int32_t DeleteAction(TessObject* button) {
  TessObject* list = control("Contacts");
  int32_t row = listSelectionGetter(list, 0);
  (void)button;
  if (row >= 0) {
    TessString* name = RuntimeGetRow(list, row);
    Line sql = {{0}, 0}, line = {{0}, 0};
    put(&sql, "delete from contacts where id = ");
    putNumber(&sql, rowId(list, row));
    exec(sql.text);
    RuntimeRemoveRow(list, row);
    put(&line, "deleted ");
    put(&line, cstr(name));
    tell(&line);
    RuntimeUnlockString(name);
    changed();
  }
  RuntimeUnlockObject(list);
  return 0;
}

/* The selected contact's group and mark; its name and phone reach their
   fields through the window's bindings. */
int32_t ContactsChange(TessObject* list) {
  int32_t row = listSelectionGetter(list, 0);
  TessString *name, *group;
  TessObject *popup, *box;
  int32_t i;
  Line line = {{0}, 0};
  if (row < 0) return 0;
  name = listGetCell(list, row, kNameColumn);
  group = listGetCell(list, row, kGroupColumn);
  popup = control("GroupMenu");
  for (i = 0; i < kGroupCount; ++i) {
    TessString* g = str(kGroups[i]);
    if (RuntimeStringCompare(g, group) == 0) RuntimePopupSelectionSetter(popup, 0, i);
    RuntimeUnlockString(g);
  }
  box = control("Favourite");
  checkBoxValueSetter(box, 0, listGetCellBold(list, row, kNameColumn));
  put(&line, "selected ");
  put(&line, cstr(name));
  tell(&line);
  RuntimeUnlockObject(box);
  RuntimeUnlockObject(popup);
  RuntimeUnlockString(name);
  RuntimeUnlockString(group);
  return 0;
}

int32_t ContactsSortColumn(TessObject* list, int32_t column) {
  TessString* heading = listGetHeading(list, column);
  Line line = {{0}, 0};
  put(&line, "sorted by ");
  put(&line, cstr(heading));
  tell(&line);
  RuntimeUnlockString(heading);
  return 0;
}

/* ---- Saving in the background ---- */

int32_t AutoSaveAction(TessObject* timer) {
  Line line = {{0}, 0};
  (void)timer;
  if (!g_unsaved) return 0;
  databaseCommit(g_db);
  put(&line, "saved ");
  putNumber(&line, g_unsaved);
  put(&line, g_unsaved == 1 ? " change in the background" : " changes in the background");
  tell(&line);
  g_unsaved = 0;
  return 0;
}

/* ---- The chart ---- */

static int32_t groupCount(TessObject* list, const char* groupName) {
  TessString* wanted = str(groupName);
  int32_t rows = listCountGetter(list, 0), row, count = 0;
  for (row = 0; row < rows; ++row) {
    TessString* group = listGetCell(list, row, kGroupColumn);
    if (RuntimeStringCompare(group, wanted) == 0) ++count;
    RuntimeUnlockString(group);
  }
  RuntimeUnlockString(wanted);
  return count;
}

/* A bar per group in the rectangle given, tallest bar filling its height. */
static void drawChart(TessObject* g, int32_t left, int32_t top, int32_t width, int32_t height) {
  static const int32_t colours[kGroupCount] = {0x3A7BD5, 0x2E9E5B, 0xD9822B};
  TessObject* list = control("Contacts");
  int32_t counts[kGroupCount], most = 1, i;
  int32_t barWidth = (width - 20) / kGroupCount;
  int32_t base = top + height - 20;
  for (i = 0; i < kGroupCount; ++i) {
    counts[i] = groupCount(list, kGroups[i]);
    if (counts[i] > most) most = counts[i];
  }
  graphicsTextFontSetter(g, 0, &kArial);
  graphicsTextSizeSetter(g, 0, 11);
  graphicsForeColorSetter(g, 0, 0x000000);
  RuntimeGraphicsDrawString(g, &kChartTitle, left + 10, top + 16, 0);
  for (i = 0; i < kGroupCount; ++i) {
    int32_t x = left + 10 + i * barWidth;
    int32_t h = counts[i] * (height - 60) / most;
    TessString* label = str(kGroups[i]);
    TessString* count = StringStr((double)counts[i]);
    graphicsForeColorSetter(g, 0, colours[i]);
    RuntimeGraphicsFillRect(g, x + 6, base - h, barWidth - 12, h);
    graphicsForeColorSetter(g, 0, 0x000000);
    RuntimeGraphicsDrawString(g, count, x + barWidth / 2 - 3, base - h - 4, 0);
    RuntimeGraphicsDrawString(g, label, x + 4, base + 14, 0);
    RuntimeUnlockString(count);
    RuntimeUnlockString(label);
  }
  RuntimeGraphicsDrawLine(g, left + 10, base, left + width - 10, base);
  RuntimeUnlockObject(list);
}

int32_t ChartPaint(TessObject* canvas, TessObject* g) {
  int32_t width = ctlPosGetter(canvas, 2), height = ctlPosGetter(canvas, 3);
  graphicsForeColorSetter(g, 0, 0xFFFFFF);
  RuntimeGraphicsFillRect(g, 0, 0, width, height);
  graphicsForeColorSetter(g, 0, 0x808080);
  RuntimeGraphicsDrawRect(g, 0, 0, width, height);
  drawChart(g, 0, 0, width, height);
  return 0;
}

/* ---- Export, printing and About ---- */

int32_t BookFileExport(TessObject* window) {
  TessObject* file = RuntimeGetSaveFolderItem(&kTextType, &kExportName);
  TessObject *out, *list;
  int32_t rows, row;
  Line line = {{0}, 0};
  (void)window;
  if (!file) {
    say("export cancelled");
    return 1;
  }
  out = FolderItemCreateTextFile(file);
  list = control("Contacts");
  rows = listCountGetter(list, 0);
  for (row = 0; row < rows; ++row) {
    TessString *name = listGetCell(list, row, kNameColumn),
               *phone = listGetCell(list, row, kPhoneColumn),
               *group = listGetCell(list, row, kGroupColumn);
    Line text = {{0}, 0};
    TessString* s;
    put(&text, cstr(name));
    put(&text, "\t");
    put(&text, cstr(phone));
    put(&text, "\t");
    put(&text, cstr(group));
    TextOutputStreamWriteLine(out, s = lineString(&text));
    RuntimeUnlockString(s);
    RuntimeUnlockString(name);
    RuntimeUnlockString(phone);
    RuntimeUnlockString(group);
  }
  TextOutputStreamClose(out);
  put(&line, "exported ");
  putNumber(&line, rows);
  put(&line, " contacts to ");
  {
    TessString* name = fileNameGetter(file, 0);
    put(&line, cstr(name));
    RuntimeUnlockString(name);
  }
  tell(&line);
  RuntimeUnlockObject(list);
  RuntimeUnlockObject(out);
  RuntimeUnlockObject(file);
  return 1;
}

int32_t BookFilePrint(TessObject* window) {
  TessObject* g = RuntimeOpenPrinterDialog(0, window);
  TessObject* list;
  int32_t rows, row, y;
  Line line = {{0}, 0};
  if (!g) {
    say("printing cancelled");
    return 1;
  }
  list = control("Contacts");
  rows = listCountGetter(list, 0);
  graphicsTextFontSetter(g, 0, &kArial);
  graphicsTextSizeSetter(g, 0, 18);
  graphicsBoldSetter(g, 0, 1);
  RuntimeGraphicsDrawString(g, &kPrintTitle, 40, 50, 0);
  graphicsBoldSetter(g, 0, 0);
  graphicsTextSizeSetter(g, 0, 11);
  for (row = 0, y = 90; row < rows; ++row, y += 18) {
    TessString *name = listGetCell(list, row, kNameColumn),
               *phone = listGetCell(list, row, kPhoneColumn),
               *group = listGetCell(list, row, kGroupColumn);
    RuntimeGraphicsDrawString(g, name, 40, y, 0);
    RuntimeGraphicsDrawString(g, phone, 240, y, 0);
    RuntimeGraphicsDrawString(g, group, 380, y, 0);
    RuntimeUnlockString(name);
    RuntimeUnlockString(phone);
    RuntimeUnlockString(group);
  }
  drawChart(g, 40, y + 20, 240, 180);
  RuntimeUnlockObject(list);
  RuntimeUnlockObject(g); /* the job ends with its Graphics */
  put(&line, "printed ");
  putNumber(&line, rows);
  put(&line, " contacts");
  tell(&line);
  return 1;
}

int32_t BookHelpAbout(TessObject* window) {
  TessObject* about = 0;
  TessObject* made = RuntimeCreateWindow(AboutLayout, &about);
  RuntimeShowModalWithinWindow(about, window);
  say("about box closed");
  RuntimeUnlockObject(made);
  RuntimeUnlockObject(about);
  return 1;
}

int32_t CloseAboutAction(TessObject* button) {
  TessObject* window = controlWindowGetter(button, 0);
  RuntimeCloseWindow(window);
  RuntimeUnlockObject(window);
  return 0;
}

void TessMain(void) {
  TessObject* window = 0;
  TessObject* made;
  RuntimeInit(TessApplication);
  openBook();
  made = RuntimeCreateWindow(BookLayout, &window);
  RuntimeUnlockObject(window);
  RuntimeUnlockObject(made);
  RuntimeRun();
}
