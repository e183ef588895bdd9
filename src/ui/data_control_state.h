// What the DataControl's two files share: the instance layout, the engine
// with the control's events as its listener, and the steps the bar and the
// entry points both take. The bar, the class records and the events are in
// data_control.cpp; the bound controls, the moves and actions and the entry
// points in data_control_rows.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "db/classes/data_control.h"
#include "platform/user/winuser.h"
#include "runtime/object_layout.h"
#include "ui/data_control.h"
#include "ui/instance_layout.h"

namespace tess::ui {

struct DataControlState;

struct DataControlFields {
  RectControlFields rect;
  TessString* caption;
  TessString* tableName;
  TessString* sqlQuery;
  TessString* textFont;
  int32_t textSize;
  int32_t textAlign;  // 0 left, 1 centre, 2 right
  int32_t textColor;
  uint8_t bold, italic, underline, controlBind, readOnly, commit, reserved[2];
  DataControlState* state;
};
#if defined(__i386__)
static_assert(offsetof(DataControlFields, caption) == 80);
static_assert(offsetof(DataControlFields, bold) == 108);
static_assert(sizeof(DataControlFields) == 120);
#endif

// The action a DataControlAction part runs.
enum PartAction : int32_t { kAddNew, kUpdate, kDelete, kNewRecord };

struct ActionFields {
  ObjectHeader header;
  TessObject* owner;  // the DataControl, locked
  int32_t action;
};

// The control's events, in the order of its event records.
enum DataControlEvent {
  kMoveNext,
  kMovePrevious,
  kMoveFirst,
  kMoveLast,
  kReposition,
  kValidate,
  kInsert,
  kUpdated,
  kDeleted,
  kDataControlEventCount
};

// The engine with the control's events as its listener, and the bar's
// mouse state.
struct DataControlState : dbc::DataControlListener {
  explicit DataControlState(TessObject* o) : control(o) {}
  TessObject* control;  // not counted: the control owns its state
  dbc::DataControlModel model{this};
  platform::HWND bar = nullptr;
  int pressed = -1;      // the button held down, or -1
  bool over = false;     // the mouse is over the held button
  bool queried = false;  // the query ran, by code or by itself

  bool Fire(DataControlEvent e, std::initializer_list<uint32_t> args = {});
  bool Moving(dbc::DataMove move) override;
  void Reposition(int32_t row) override;
  bool Validate(int32_t action) override { return Fire(kValidate, {uint32_t(action)}); }
  bool Inserting() override { return Fire(kInsert); }
  void Updated() override { Fire(kUpdated); }
  void Deleted() override { Fire(kDeleted); }
};

inline DataControlFields* DataControlFieldsOf(TessObject* o) {
  return FieldsOf<DataControlFields>(o);
}
// The state of a DataControl; null for anything else.
inline DataControlState* DataControlStateOf(TessObject* o) {
  return IsDataControl(o) ? DataControlFieldsOf(o)->state : nullptr;
}

ClassObject* DataControlActionClass();
// Repaints the bar, when it is shown.
void RedrawDataControl(TessObject* control);

// Runs the query (keeping the control alive meanwhile) and marks it run.
void RunDataControlQuery(TessObject* control);
void MoveDataControl(TessObject* control, dbc::DataMove move);
bool DataControlHasRows(TessObject* control);
// Shows the current row in the bound controls, or empties them without one.
void ShowCurrentRow(TessObject* control);

}  // namespace tess::ui
