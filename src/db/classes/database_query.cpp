// DatabaseQuery: a query a window holds by name that bound lists show. It
// runs SQLQuery against Database when told (RunQuery, or PerformAction as
// an action receiver), keeps the rows it got, and tells its list-data
// receivers to reload; GetCount and GetRow hand the kept rows out as
// DatabaseRecords. Each "?" of the query outside quoted text stands for
// the parameter (setString), written as a quoted SQL text so that whatever
// it holds stays one value.
#include <string>
#include <string_view>
#include <vector>

#include "db/classes/database_classes.h"
#include "db/classes/objects.h"
#include "runtime/class_registry.h"
#include "runtime/interfaces.h"
#include "runtime/notification_list.h"
#include "runtime/objects.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"
#include "values/class_members.h"

namespace tess::dbc {

namespace {

using Row = std::vector<RecordEntry>;

struct DatabaseQueryObject {
  ObjectHeader header;
  TessObject* database;
  TessString* sqlQuery;
  TessString* parameter;
  NotificationList receivers;  // listDataNotificationReceiver
  std::vector<Row>* rows;      // what the last run got
};

ClassObject* g_query = nullptr;

DatabaseQueryObject* QueryOf(TessObject* o) {
  return o && g_query && IsA(o, g_query) ? reinterpret_cast<DatabaseQueryObject*>(o) : nullptr;
}

void Construct(TessObject* o, ClassObject*) {
  reinterpret_cast<DatabaseQueryObject*>(o)->rows = new std::vector<Row>();
}

void Destruct(TessObject* o, ClassObject*) {
  auto* q = reinterpret_cast<DatabaseQueryObject*>(o);
  RemoveAllReceivers(&q->receivers);
  delete q->rows;
  q->rows = nullptr;
  UnlockObject(q->database);
  q->database = nullptr;
  for (TessString** s : {&q->sqlQuery, &q->parameter}) {
    UnlockString(*s);
    *s = nullptr;
  }
}

TessObject* DatabaseGetter(TessObject* o, uint32_t) {
  DatabaseQueryObject* q = QueryOf(o);
  if (!q) return nullptr;
  LockObject(q->database);
  return q->database;
}

// Anything but a Database (a layout's pair may name any project item) is
// refused: the engine would read it as one.
void DatabaseSetter(TessObject* o, uint32_t, TessObject* database) {
  DatabaseQueryObject* q = QueryOf(o);
  if (!q || (database && !IsA(database, DatabaseClass()))) return;
  LockObject(database);
  UnlockObject(q->database);
  q->database = database;
}

int32_t GetCount(TessObject* o) {
  DatabaseQueryObject* q = QueryOf(o);
  return q ? int32_t(q->rows->size()) : 0;
}

TessObject* GetRow(TessObject* o, int32_t row) {
  DatabaseQueryObject* q = QueryOf(o);
  if (!q || row < 0 || size_t(row) >= q->rows->size()) return nullptr;
  return MakeRecord((*q->rows)[size_t(row)]);
}

void AddReceiver(TessObject* o, TessObject* receiver) {
  if (DatabaseQueryObject* q = QueryOf(o)) tess::AddReceiver(&q->receivers, receiver);
}
void RemoveReceiver(TessObject* o, TessObject* receiver) {
  if (DatabaseQueryObject* q = QueryOf(o)) tess::RemoveReceiver(&q->receivers, receiver);
}

const ParameterRecord kStr[] = {{"Str", &kStringType, {}}};
const ParameterRecord kV[] = {{"v", &kIntegerType, {}}};
const ParameterRecord kReceiver[] = {{"receiver", nullptr, {}}};

const PropertyRecord kProperties[] = {
    {0, "Database", &kDatabaseType, (void*)&DatabaseGetter, (void*)&DatabaseSetter, 0},
    {0, "SQLQuery", &kStringType, (void*)&stringGetter, (void*)&stringSetter,
     uint32_t(offsetof(DatabaseQueryObject, sqlQuery))},
};

const MethodRecord kMethods[] = {
    Method("RunQuery", nullptr, nullptr, 0, (void*)&databaseQueryRunQuery),
    Method("PerformAction", nullptr, nullptr, 0, (void*)&databaseQueryRunQuery),
    Method("setString", nullptr, kStr, 1, (void*)&databaseQuerySetParameter),
    Method("GetCount", &kIntegerType, nullptr, 0, (void*)&GetCount),
    Method("GetRow", nullptr, kV, 1, (void*)&GetRow),
    Method("addListDataNotificationReceiver", nullptr, kReceiver, 1, (void*)&AddReceiver),
    Method("removeListDataNotificationReceiver", nullptr, kReceiver, 1, (void*)&RemoveReceiver),
};

}  // namespace

std::string WithParameter(std::string_view sql, std::string_view parameter) {
  std::string out;
  bool quoted = false;
  for (char c : sql) {
    if (c == '\'') quoted = !quoted;  // a doubled quote leaves and enters again
    if (c != '?' || quoted) {
      out += c;
      continue;
    }
    out += '\'';
    for (char p : parameter) out += p == '\'' ? std::string("''") : std::string(1, p);
    out += '\'';
  }
  return out;
}

void BuildQueryClass() {
  FrameworkClassDef def{};
  def.name = "DatabaseQuery";
  def.superclass = RootClass();
  def.instanceSize = int32_t(sizeof(DatabaseQueryObject));
  def.construct = Construct;
  def.destruct = Destruct;
  def.properties = kProperties;
  def.methods = kMethods;
  g_query = BuildFrameworkClass(def);
  DeclareInterfaces(g_query, {Iface::kListDataProvider, Iface::kListDataNotifier,
                              Iface::kStringInterface, Iface::kActionNotificationReceiver});
}

}  // namespace tess::dbc

namespace tess {
ClassObject* DatabaseQueryClass() {
  return dbc::g_query;
}
}  // namespace tess

using namespace tess;
using namespace tess::dbc;

extern "C" {

void databaseQuerySetParameter(TessObject* query, TessString* parameter) {
  if (DatabaseQueryObject* q = QueryOf(query)) {
    RuntimeLockUnlockStrings(parameter, q->parameter);
    q->parameter = parameter;
  }
}

void databaseQueryRunQuery(TessObject* query) {
  DatabaseQueryObject* q = QueryOf(query);
  if (!q) return;
  ObjectRef keep = ShareObject(query);
  q->rows->clear();
  if (q->database) {
    std::string sql = WithParameter(View(q->sqlQuery), View(q->parameter));
    StringRef text = StringRef::Adopt(MakeString(sql));
    ObjectRef set = ObjectRef::Adopt(databaseSQLSelect(q->database, text.get()));
    if (set.get()) {
      for (cursorMoveNext(set.get()); !cursorEOFGetter(set.get(), 0); cursorMoveNext(set.get()))
        q->rows->push_back(RowOf(set.get()));
    }
  }
  BroadcastListDataReload(&q->receivers);
}

}  // extern "C"
