// DatabaseQuery and the binding interfaces of the database classes: the
// parameter written into the query as one quoted value, the rows handed
// out through listDataProvider as tuples, reloads told to the receivers
// still registered, and fields, records and record sets reached only
// through their interfaces.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db/classes/database_classes.h"
#include "db/classes/objects.h"
#include "files/files_test_support.h"
#include "runtime/class_registry.h"
#include "runtime/interfaces.h"
#include "runtime/objects.h"
#include "runtime/string_value.h"
#include "values/class_members.h"

namespace tess::test {
namespace {

TEST(QueryParameter, IsOneQuotedValueWhereverAQuestionMarkStandsOutsideQuotes) {
  struct Case {
    const char* sql;
    const char* parameter;
    const char* expected;
  } cases[] = {
      {"select * from t where name = ?", "Ada", "select * from t where name = 'Ada'"},
      {"select * from t where name = ?", "O'Brien", "select * from t where name = 'O''Brien'"},
      {"select * from t where a = ? or b = ?", "1", "select * from t where a = '1' or b = '1'"},
      {"select '?', ? from t", "x", "select '?', 'x' from t"},
      {"select 'it''s ?' from t where a=?", "", "select 'it''s ?' from t where a=''"},
      {"select * from t", "x", "select * from t"},
      {"select * from t where a = ?", "x'; drop table t; --",
       "select * from t where a = 'x''; drop table t; --'"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(dbc::WithParameter(c.sql, c.parameter), c.expected) << c.sql << " / " << c.parameter;
}

std::vector<std::string> g_told;
uint32_t Reload(TessObject*) {
  g_told.push_back("reload");
  return 0;
}
uint32_t Inserted(TessObject*, int32_t row) {
  g_told.push_back("inserted " + std::to_string(row));
  return 0;
}
uint32_t Removed(TessObject*, int32_t row) {
  g_told.push_back("removed " + std::to_string(row));
  return 0;
}

class DatabaseQueryTest : public FilesTest {
 protected:
  void SetUp() override {
    FilesTest::SetUp();
    InitDatabaseClasses();
    db_ = Adopt(newTessDatabase());
    TessDatabaseFolderItemSetter(db_.get(), 0, Item("D:\\q.db").get());
    ASSERT_TRUE(TessDatabaseCreateDatabaseFile(db_.get()));
    for (const char* sql : {"create table pets (id integer, name varchar(20), primary key (id))",
                            "insert into pets (id, name) values (1, 'Ada')",
                            "insert into pets (id, name) values (2, 'Bo')",
                            "insert into pets (id, name) values (3, 'O''Dee')"})
      databaseSQLExecute(db_.get(), S(sql).get());
    query_ = Adopt(CreateObject(DatabaseQueryClass()));
    Set("Database", db_.get());
    Set("SQLQuery", S("select id, name from pets where name >= ? order by id").get());
    static ClassObject* receiver = [] {
      static const ParameterRecord kV[] = {{"v", &kIntegerType, {}}};
      static const MethodRecord kMethods[] = {
          Method("listDataInsertedRow", nullptr, kV, 1, (void*)&Inserted),
          Method("listDataRemovedRow", nullptr, kV, 1, (void*)&Removed),
          Method("listDataReload", nullptr, nullptr, 0, (void*)&Reload),
      };
      FrameworkClassDef def{};
      def.name = "TestListReceiver";
      def.superclass = RootClass();
      def.instanceSize = int32_t(sizeof(ObjectHeader));
      def.methods = kMethods;
      ClassObject* cls = BuildFrameworkClass(def);
      DeclareInterfaces(cls, {Iface::kListDataNotificationReceiver});
      return cls;
    }();
    receiver_ = Adopt(CreateObject(receiver));
    g_told.clear();
  }
  template <typename T>
  void Set(const char* property, T* value) {
    for (const PropertyDescriptor* d = Header(query_.get())->cls->properties; d; d = d->next)
      if (View(d->name) == property) {
        reinterpret_cast<void (*)(TessObject*, uint32_t, T*)>(d->setter)(query_.get(), d->parameter,
                                                                         value);
        return;
      }
    ADD_FAILURE() << "no property " << property;
  }
  // Calls an interface method returning a 32-bit value; -1 when skipped.
  static int64_t Call(TessObject* o, Iface which, const char* method,
                      std::initializer_list<uint32_t> args = {}) {
    uint32_t result = 0;
    return CallInterface(o, which, method, args, &result) ? int64_t(result) : -1;
  }
  // The rows a listDataProvider hands out, columns joined by "|".
  static std::vector<std::string> Rows(TessObject* provider) {
    std::vector<std::string> out;
    int64_t count = Call(provider, Iface::kListDataProvider, "GetCount");
    for (int32_t i = 0; i < count; ++i) {
      uint32_t raw = 0;
      CallInterface(provider, Iface::kListDataProvider, "GetRow", {uint32_t(i)}, &raw);
      Obj row = Adopt(reinterpret_cast<TessObject*>(uintptr_t(raw)));
      std::string text;
      int64_t fields = Call(row.get(), Iface::kTupleInterface, "FieldCount");
      for (int32_t f = 0; f < fields; ++f) {
        uint32_t s = 0;
        CallInterface(row.get(), Iface::kTupleInterface, "getIndString", {uint32_t(f)}, &s);
        text += (f ? "|" : "") + Text(Take(reinterpret_cast<TessString*>(uintptr_t(s))).get());
      }
      out.push_back(text);
    }
    return out;
  }
  Obj db_, query_, receiver_;
};

using Strings = std::vector<std::string>;

TEST_F(DatabaseQueryTest, RunsWithItsParameterAndTellsItsReceiversToReload) {
  EXPECT_EQ(Rows(query_.get()), Strings{}) << "nothing before it runs";
  EXPECT_TRUE(CallInterface(query_.get(), Iface::kListDataNotifier,
                            "addListDataNotificationReceiver", {Arg(receiver_.get())}));
  EXPECT_TRUE(
      CallInterface(query_.get(), Iface::kStringInterface, "setString", {Arg(S("B").get())}));
  EXPECT_TRUE(CallInterface(query_.get(), Iface::kActionNotificationReceiver, "PerformAction"));
  EXPECT_EQ(g_told, Strings{"reload"});
  EXPECT_EQ(Rows(query_.get()), (Strings{"2|Bo", "3|O'Dee"}));

  // A parameter with a quote is a value, not SQL.
  databaseQuerySetParameter(query_.get(), S("O'Dee").get());
  databaseQueryRunQuery(query_.get());
  EXPECT_EQ(Rows(query_.get()), (Strings{"3|O'Dee"}));
  EXPECT_EQ(g_told, (Strings{"reload", "reload"}));

  // Removed, the receiver hears nothing more; a row outside the rows is nil.
  CallInterface(query_.get(), Iface::kListDataNotifier, "removeListDataNotificationReceiver",
                {Arg(receiver_.get())});
  databaseQueryRunQuery(query_.get());
  EXPECT_EQ(g_told.size(), 2u);
  EXPECT_EQ(Call(query_.get(), Iface::kListDataProvider, "GetRow", {5}), 0);

  // Anything but a database is refused as its Database.
  Set("Database", Item("D:\\q.db").get());
  databaseQueryRunQuery(query_.get());
  EXPECT_EQ(Rows(query_.get()), Strings{"3|O'Dee"});

  // A query the database refuses leaves no rows, and the receivers reload.
  CallInterface(query_.get(), Iface::kListDataNotifier, "addListDataNotificationReceiver",
                {Arg(receiver_.get())});
  Set("SQLQuery", S("select nothing from nowhere").get());
  databaseQueryRunQuery(query_.get());
  EXPECT_EQ(Rows(query_.get()), Strings{});
  EXPECT_EQ(g_told.size(), 3u);
}

TEST_F(DatabaseQueryTest, TheReceiverListHoldsItsReceiversUntilTheQueryGoes) {
  TessObject* r = receiver_.get();
  int32_t before = Header(r)->refCount;
  CallInterface(query_.get(), Iface::kListDataNotifier, "addListDataNotificationReceiver",
                {Arg(r)});
  EXPECT_EQ(Header(r)->refCount, before + 1);
  query_ = Obj();
  EXPECT_EQ(Header(r)->refCount, before);
}

TEST_F(DatabaseQueryTest, RecordSetsFieldsAndRecordsAnswerThroughTheirInterfaces) {
  Obj set = Adopt(databaseSQLSelect(db_.get(), S("select * from pets order by id").get()));
  EXPECT_EQ(Rows(set.get()), (Strings{"1|Ada", "2|Bo", "3|O'Dee"}));
  EXPECT_EQ(Call(set.get(), Iface::kListDataProvider, "GetRow", {3}), 0);
  EXPECT_EQ(Call(set.get(), Iface::kListDataProvider, "GetRow", {uint32_t(-1)}), 0);
  // Rows in any order, with moves of the set's own between them.
  auto name = [&](int32_t row) {
    uint32_t raw = 0, s = 0;
    CallInterface(set.get(), Iface::kListDataProvider, "GetRow", {uint32_t(row)}, &raw);
    Obj record = Adopt(reinterpret_cast<TessObject*>(uintptr_t(raw)));
    CallInterface(record.get(), Iface::kTupleInterface, "getIndString", {1}, &s);
    return Text(Take(reinterpret_cast<TessString*>(uintptr_t(s))).get());
  };
  EXPECT_EQ(name(2), "O'Dee");
  EXPECT_EQ(name(0), "Ada");
  EXPECT_EQ(name(1), "Bo");
  CursorMoveLast(set.get());
  EXPECT_EQ(name(1), "Bo") << "after a move of the set's own";
  cursorMoveNext(set.get());
  EXPECT_EQ(name(2), "O'Dee");
  cursorDeleteRecord(set.get());
  EXPECT_EQ(name(0), "Ada") << "after a delete";

  CursorMoveFirst(set.get());
  Obj field = Adopt(cursorGetFieldByIndex(set.get(), 2));
  uint32_t s = 0;
  ASSERT_TRUE(CallInterface(field.get(), Iface::kStringProvider, "getString", {}, &s));
  EXPECT_EQ(Text(Take(reinterpret_cast<TessString*>(uintptr_t(s))).get()), "Ada");
  EXPECT_TRUE(Implements(field.get(), Iface::kStringInterface));

  Obj record = Adopt(CreateObject(DatabaseRecordClass()));
  setDatabaseRecordColumn(record.get(), S("name").get(), S("Eve").get());
  setDatabaseRecordIntegerColumn(record.get(), S("id").get(), 5);
  EXPECT_EQ(Call(record.get(), Iface::kTupleInterface, "FieldCount"), 2);
  ASSERT_TRUE(CallInterface(record.get(), Iface::kTupleInterface, "getIndString", {1}, &s));
  EXPECT_EQ(Text(Take(reinterpret_cast<TessString*>(uintptr_t(s))).get()), "5");
  ASSERT_TRUE(CallInterface(record.get(), Iface::kTupleInterface, "getIndString", {2}, &s));
  EXPECT_EQ(Text(Take(reinterpret_cast<TessString*>(uintptr_t(s))).get()), "");
  EXPECT_FALSE(Implements(record.get(), Iface::kListDataProvider));
}

}  // namespace
}  // namespace tess::test
