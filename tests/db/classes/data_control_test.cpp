// The DataControl's query, moves and actions over the built-in engine, with
// a listener standing in for the control's events.
#include "db/classes/data_control.h"

#include <gtest/gtest.h>

#include "db/classes/database_classes.h"
#include "files/files_test_support.h"

namespace tess::test {
namespace {

using dbc::DataControlModel;
using dbc::DataMove;

struct Recorder : dbc::DataControlListener {
  std::vector<std::string> events;
  bool refuse = false;
  bool keepRow = false;
  bool Moving(DataMove move) override {
    events.push_back("moving " + std::to_string(int(move)));
    return keepRow;
  }
  void Reposition(int32_t row) override { events.push_back("reposition " + std::to_string(row)); }
  bool Validate(int32_t action) override {
    events.push_back("validate " + std::to_string(action));
    return refuse;
  }
  bool Inserting() override {
    events.push_back("insert");
    return false;
  }
  void Updated() override { events.push_back("update"); }
  void Deleted() override { events.push_back("delete"); }
};

class DataControlTest : public FilesTest {
 protected:
  void SetUp() override {
    FilesTest::SetUp();
    InitDatabaseClasses();
    db_ = Adopt(newTessDatabase());
    TessDatabaseFolderItemSetter(db_.get(), 0, Item("D:\\dc.db").get());
    ASSERT_TRUE(TessDatabaseCreateDatabaseFile(db_.get()));
    for (const char* sql : {"create table pets (id integer, name varchar(20), primary key (id))",
                            "insert into pets (id, name) values (1, 'Ada')",
                            "insert into pets (id, name) values (2, 'Bo')",
                            "insert into pets (id, name) values (3, 'Cy')"}) {
      databaseSQLExecute(db_.get(), S(sql).get());
    }
    model_.SetDatabase(db_.get());
    model_.tableName = "pets";
  }
  std::string Name() {
    Obj f = Adopt(model_.Field("name"));
    return f.get() ? Text(Take(cursorFieldStringValueGetter(f.get(), 0)).get()) : "<none>";
  }
  Obj db_;
  Recorder events_;
  DataControlModel model_{&events_};
};

TEST_F(DataControlTest, QueryAndMoves) {
  ASSERT_TRUE(model_.RunQuery());
  EXPECT_EQ(model_.RowCount(), 3);
  EXPECT_EQ(model_.FieldCount(), 2);
  EXPECT_EQ(Name(), "Ada");
  model_.Move(DataMove::kNext);
  EXPECT_EQ(Name(), "Bo");
  model_.Move(DataMove::kLast);
  EXPECT_EQ(Name(), "Cy");
  model_.Move(DataMove::kNext);
  EXPECT_EQ(Name(), "Cy") << "the last row stays";
  EXPECT_TRUE(model_.MoveTo(2));
  EXPECT_EQ(Name(), "Bo");
  EXPECT_FALSE(model_.MoveTo(4));
  events_.keepRow = true;
  model_.Move(DataMove::kFirst);
  EXPECT_EQ(Name(), "Bo") << "a MoveFirst handler keeps the row";
  EXPECT_EQ(events_.events, (std::vector<std::string>{"reposition 1", "moving 0", "reposition 2",
                                                      "moving 3", "reposition 3", "moving 0",
                                                      "reposition 3", "reposition 2", "moving 2"}));
}

TEST_F(DataControlTest, ActionsValidatedWrittenAndCommitted) {
  ASSERT_TRUE(model_.RunQuery());
  events_.events.clear();
  EXPECT_TRUE(model_.Insert({{"id", "4"}, {"name", "Dee"}}));
  EXPECT_EQ(events_.events, (std::vector<std::string>{"validate 0", "insert", "reposition 4"}))
      << "one reposition, onto the new row";
  EXPECT_EQ(model_.RowCount(), 4);
  EXPECT_EQ(Name(), "Dee");
  EXPECT_TRUE(model_.MoveTo(2));
  EXPECT_TRUE(model_.Update({{"name", "Bob"}}));
  EXPECT_EQ(Name(), "Bob");
  events_.events.clear();
  EXPECT_TRUE(model_.Delete());
  EXPECT_EQ(events_.events, (std::vector<std::string>{"validate 2", "reposition 2", "delete"}));
  EXPECT_EQ(model_.RowCount(), 3);
  EXPECT_EQ(Name(), "Cy");
  events_.refuse = true;
  EXPECT_FALSE(model_.Delete()) << "Validate refused";
  model_.readOnly = true;
  events_.refuse = false;
  EXPECT_FALSE(model_.Update({{"name", "x"}}));
  EXPECT_TRUE(model_.RecordLocked());
  Obj rs = Adopt(databaseSQLSelect(db_.get(), S("select name from pets order by id").get()));
  std::vector<std::string> names;
  for (cursorMoveNext(rs.get()); !cursorEOFGetter(rs.get(), 0); cursorMoveNext(rs.get())) {
    Obj f = Adopt(cursorGetFieldByIndex(rs.get(), 1));
    names.push_back(Text(Take(cursorFieldStringValueGetter(f.get(), 0)).get()));
  }
  EXPECT_EQ(names, (std::vector<std::string>{"Ada", "Cy", "Dee"}));
}

TEST_F(DataControlTest, WithoutDatabaseNothingHappens) {
  DataControlModel empty{&events_};
  EXPECT_FALSE(empty.RunQuery());
  EXPECT_FALSE(empty.Move(DataMove::kNext));
  EXPECT_FALSE(empty.Insert({{"id", "1"}}));
  EXPECT_FALSE(empty.Delete());
  EXPECT_FALSE(Adopt(empty.Field(1)).get());
}

}  // namespace
}  // namespace tess::test
