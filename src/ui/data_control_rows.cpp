// DataControl: the controls bound to it, its moves and actions over the
// database classes' engine, and its entry points.
//
// Bound controls are those of the same window whose DataSource is the
// control's Name (without regard to case), DataField naming a column: a
// Boolean Value (check boxes, radio buttons) or else a Text with a setter
// (edit fields, static texts) carries the column's text. While ControlBind
// is True they show the current row after every move, and are emptied when
// no row is current (NewRecord); Insert and Update write their texts back.
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "db/classes/database_classes.h"
#include "runtime/name_fold.h"
#include "runtime/objects.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"
#include "ui/control_list.h"
#include "ui/data_control_state.h"
#include "ui/list_box.h"
#include "ui/window_class.h"

namespace tess::ui {

using dbc::DataMove;

namespace {

// What the engine reads from the instance, brought up to date before it
// acts.
dbc::DataControlModel& Model(TessObject* o) {
  DataControlFields* f = DataControlFieldsOf(o);
  dbc::DataControlModel& m = f->state->model;
  m.tableName = std::string(View(f->tableName));
  m.sqlQuery = std::string(View(f->sqlQuery));
  m.readOnly = f->readOnly;
  m.commit = f->commit;
  return m;
}

// ---- Bound controls ----

const PropertyDescriptor* Property(TessObject* o, std::string_view name) {
  for (const ClassObject* c = Header(o)->cls; c; c = c->superclass)
    for (const PropertyDescriptor* p = c->properties; p; p = p->next)
      if (SameName(View(p->name), name)) return p;
  return nullptr;
}

std::string ReadString(TessObject* o, const PropertyDescriptor* p) {
  StringRef s = StringRef::Adopt(
      reinterpret_cast<TessString* (*)(TessObject*, uint32_t)>(p->getter)(o, p->parameter));
  return std::string(View(s.get()));
}

// The property that carries a bound control's value: a Boolean Value, else
// a Text that can be set; null when it has neither.
const PropertyDescriptor* ValueProperty(TessObject* o) {
  const PropertyDescriptor* p = Property(o, "Value");
  if (p && p->type == &kBooleanType && p->getter && p->setter) return p;
  p = Property(o, "Text");
  if (p && p->type == &kStringType && p->getter && p->setter) return p;
  return nullptr;
}

// Each holds its control: showing a value runs the control's own events,
// which may close controls of the window.
struct Bound {
  ObjectRef control;
  std::string field;
  const PropertyDescriptor* value;
};

// The controls bound to `o` that can show a column, in layout order.
std::vector<Bound> BoundControls(TessObject* o) {
  std::vector<Bound> out;
  auto* window = FieldsOf<ControlFields>(o)->window;
  if (!window || !IsWindow(window)) return out;
  ControlList* controls = FieldsOf<WindowFields>(window)->controls;
  std::string_view name = View(FieldsOf<ControlFields>(o)->name);
  if (!controls || name.empty()) return out;
  for (size_t i = 0; i < controls->size(); ++i) {
    TessObject* c = controls->at(i);
    if (c == o || !IsControl(c) || IsListBox(c)) continue;
    const PropertyDescriptor* source = Property(c, "DataSource");
    const PropertyDescriptor* field = Property(c, "DataField");
    const PropertyDescriptor* value = ValueProperty(c);
    if (!source || !field || !value || source->type != &kStringType ||
        field->type != &kStringType || !source->getter || !field->getter)
      continue;
    if (!SameName(ReadString(c, source), name)) continue;
    std::string column = ReadString(c, field);
    if (!column.empty()) out.push_back({ShareObject(c), column, value});
  }
  return out;
}

void Show(const Bound& b, const std::string& text) {
  const PropertyDescriptor* p = b.value;
  if (p->type == &kBooleanType) {
    bool on = SameName(text, "true") || std::atoi(text.c_str()) != 0;
    reinterpret_cast<void (*)(TessObject*, uint32_t, int32_t)>(p->setter)(b.control.get(),
                                                                          p->parameter, on ? 1 : 0);
  } else {
    StringRef s = StringRef::Adopt(MakeString(text));
    reinterpret_cast<void (*)(TessObject*, uint32_t, TessString*)>(p->setter)(
        b.control.get(), p->parameter, s.get());
  }
}

std::string Shown(const Bound& b) {
  const PropertyDescriptor* p = b.value;
  if (p->type == &kBooleanType)
    return reinterpret_cast<int32_t (*)(TessObject*, uint32_t)>(p->getter)(b.control.get(),
                                                                           p->parameter) &
                   0xFF
               ? "true"
               : "false";
  return ReadString(b.control.get(), p);
}

}  // namespace

void ShowCurrentRow(TessObject* o) {
  dbc::DataControlModel& m = DataControlFieldsOf(o)->state->model;
  for (const Bound& b : BoundControls(o)) {
    std::string text;
    if (m.Row() > 0) {
      ObjectRef field = ObjectRef::Adopt(m.Field(b.field));
      if (field.get()) {
        StringRef s = StringRef::Adopt(cursorFieldStringValueGetter(field.get(), 0));
        text = std::string(View(s.get()));
      }
    }
    Show(b, text);
  }
}

namespace {

dbc::BoundValues BoundValues(TessObject* o) {
  dbc::BoundValues values;
  for (const Bound& b : BoundControls(o)) values.emplace_back(b.field, Shown(b));
  return values;
}

// ---- Moves and actions ----

void Act(TessObject* o, int32_t action) {
  ObjectRef keep = ShareObject(o);
  dbc::DataControlModel& m = Model(o);
  switch (action) {
    case kAddNew:
      m.Insert(BoundValues(o));
      break;
    case kUpdate:
      m.Update(BoundValues(o));
      break;
    case kDelete:
      m.Delete();
      break;
    case kNewRecord:
      m.NewRecord();
      break;
    default:
      return;
  }
  RedrawDataControl(o);
}

void StoreString(TessObject* o, uint32_t offset, TessString* value) {
  auto*& field = *reinterpret_cast<TessString**>(reinterpret_cast<uint8_t*>(o) + offset);
  RuntimeLockUnlockStrings(value, field);
  field = value;
}

}  // namespace

bool DataControlHasRows(TessObject* o) {
  return DataControlFieldsOf(o)->state->model.RowCount() > 0;
}

void RunDataControlQuery(TessObject* o) {
  ObjectRef keep = ShareObject(o);
  DataControlFieldsOf(o)->state->queried = true;
  Model(o).RunQuery();
  RedrawDataControl(o);
}

void MoveDataControl(TessObject* o, DataMove move) {
  ObjectRef keep = ShareObject(o);
  Model(o).Move(move);
}

}  // namespace tess::ui

using namespace tess;
using namespace tess::ui;

namespace {

ActionFields* ActionOf(TessObject* o) {
  ClassObject* cls = DataControlActionClass();
  return o && cls && IsA(o, cls) ? reinterpret_cast<ActionFields*>(o) : nullptr;
}

}  // namespace

extern "C" {

void DataControlCaptionSetter(TessObject* c, uint32_t offset, TessString* caption) {
  if (!IsDataControl(c)) return;
  StoreString(c, offset, caption);
  RedrawDataControl(c);
}
void DataControlTableNameSetter(TessObject* c, uint32_t offset, TessString* table) {
  if (IsDataControl(c)) StoreString(c, offset, table);
}
void DataControlQuerySetter(TessObject* c, uint32_t offset, TessString* sql) {
  if (IsDataControl(c)) StoreString(c, offset, sql);
}
void DataControlFontSetter(TessObject* c, uint32_t offset, TessString* font) {
  if (!IsDataControl(c)) return;
  StoreString(c, offset, font);
  RedrawDataControl(c);
}

TessObject* DataControlDBGetter(TessObject* c, uint32_t) {
  DataControlState* s = DataControlStateOf(c);
  if (!s) return nullptr;
  TessObject* db = s->model.database();
  LockObject(db);
  return db;
}
// Anything but a Database (a layout's pair may name any project item) is
// refused: the engine would read it as one.
void DataControlDBSetter(TessObject* c, uint32_t, TessObject* database) {
  if (database && !IsA(database, DatabaseClass())) return;
  if (DataControlState* s = DataControlStateOf(c)) s->model.SetDatabase(database);
}

void DataControlSizeSetter(TessObject* c, uint32_t, int32_t size) {
  if (!IsDataControl(c)) return;
  DataControlFieldsOf(c)->textSize = size;
  RedrawDataControl(c);
}
void DataControlAttributeSetter(TessObject* c, uint32_t offset, int32_t value) {
  if (!IsDataControl(c) || offset < offsetof(DataControlFields, bold) ||
      offset > offsetof(DataControlFields, underline))
    return;
  reinterpret_cast<uint8_t*>(c)[offset] = (value & 0xFF) ? 1 : 0;
  RedrawDataControl(c);
}
void DataControlAlignSetter(TessObject* c, uint32_t, int32_t align) {
  if (!IsDataControl(c)) return;
  DataControlFieldsOf(c)->textAlign = align;
  RedrawDataControl(c);
}
void DataControlColorSetter(TessObject* c, uint32_t, int32_t color) {
  if (!IsDataControl(c)) return;
  DataControlFieldsOf(c)->textColor = color;
  RedrawDataControl(c);
}
void DataControlControlBindSetter(TessObject* c, uint32_t, int32_t value) {
  if (IsDataControl(c)) DataControlFieldsOf(c)->controlBind = (value & 0xFF) ? 1 : 0;
}
void DataControlReadOnlySetter(TessObject* c, uint32_t, int32_t value) {
  if (IsDataControl(c)) DataControlFieldsOf(c)->readOnly = (value & 0xFF) ? 1 : 0;
}
int32_t DataControlRecordLockedGetter(TessObject* c, uint32_t) {
  return IsDataControl(c) && Model(c).RecordLocked() ? 1 : 0;
}
int32_t DataControlGetConstant(TessObject*, uint32_t value) {
  return int32_t(value);
}

TessObject* DataControlGetField(TessObject* c, TessString* name) {
  DataControlState* s = DataControlStateOf(c);
  if (!s || s->model.Row() == 0) return nullptr;
  return s->model.Field(std::string(View(name)));
}
int32_t DataControlFieldCount(TessObject* c) {
  DataControlState* s = DataControlStateOf(c);
  return s ? s->model.FieldCount() : 0;
}
TessObject* DataControlGetCursor(TessObject* c) {
  DataControlState* s = DataControlStateOf(c);
  return s ? s->model.RecordSet() : nullptr;
}

void DataControlMoveNext(TessObject* c) {
  if (IsDataControl(c)) MoveDataControl(c, DataMove::kNext);
}
void DataControlMovePrev(TessObject* c) {
  if (IsDataControl(c)) MoveDataControl(c, DataMove::kPrevious);
}
void DataControlMoveFirst(TessObject* c) {
  if (IsDataControl(c)) MoveDataControl(c, DataMove::kFirst);
}
void DataControlMoveLast(TessObject* c) {
  if (IsDataControl(c)) MoveDataControl(c, DataMove::kLast);
}
void DataControlMoveTo(TessObject* c, int32_t row) {
  if (!IsDataControl(c)) return;
  ObjectRef keep = ShareObject(c);
  Model(c).MoveTo(row);
}
int32_t DataControlRowCount(TessObject* c) {
  DataControlState* s = DataControlStateOf(c);
  return s ? s->model.RowCount() : 0;
}
int32_t DataControlRow(TessObject* c) {
  DataControlState* s = DataControlStateOf(c);
  return s ? s->model.Row() : 0;
}

void DataControlRunQuery(TessObject* c) {
  if (IsDataControl(c)) RunDataControlQuery(c);
}
void DataControlAddNewRecord(TessObject* c) {
  if (IsDataControl(c)) Act(c, kAddNew);
}
void DataControlUpdateRecord(TessObject* c) {
  if (IsDataControl(c)) Act(c, kUpdate);
}
void DataControlDeleteRecord(TessObject* c) {
  if (IsDataControl(c)) Act(c, kDelete);
}
void DataControlNewRecord(TessObject* c) {
  if (IsDataControl(c)) Act(c, kNewRecord);
}
void DataControlClearBoundControls(TessObject* c) {
  if (!IsDataControl(c)) return;
  for (const Bound& b : BoundControls(c)) Show(b, "");
}

TessObject* DataControlGetBoundPart(TessObject* c, TessString* part) {
  if (!IsDataControl(c)) return nullptr;
  static const struct {
    const char* name;
    int32_t action;
  } kParts[] = {{"getAddNewAction", kAddNew},
                {"getUpdateAction", kUpdate},
                {"getDeleteAction", kDelete},
                {"getNewRecordAction", kNewRecord}};
  for (const auto& p : kParts) {
    if (!SameName(View(part), p.name)) continue;
    TessObject* o = CreateObject(DataControlActionClass());
    auto* a = reinterpret_cast<ActionFields*>(o);
    LockObject(c);
    a->owner = c;
    a->action = p.action;
    return o;
  }
  return nullptr;
}

void DataControlActionPerformAction(TessObject* action) {
  ActionFields* a = ActionOf(action);
  if (a && IsDataControl(a->owner)) Act(a->owner, a->action);
}

void DataControlActionDestructor(TessObject* action) {
  ActionFields* a = ActionOf(action);
  if (!a) return;
  TessObject* owner = a->owner;
  a->owner = nullptr;
  UnlockObject(owner);
}

}  // extern "C"
