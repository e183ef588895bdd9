// ListBox: the multi-column list the runtime draws itself in a container
// window of its own, with a vertical "SCROLLBAR" child and, while a cell is
// edited, a "RichEdit" child over the cell.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/gdi/wingdi.h"
#include "ui/instance_layout.h"
#include "ui/list_model.h"

namespace tess::ui {

struct ListState;

struct ListBoxFields {
  RectControlFields rect;
  ListState* state;  // rows, columns, lock and the native side
  TessString* textFont;
  TessString* initialValue;
  TessString* dataSource;
  TessString* dataField;
  int32_t textSize;
  int32_t selectionType;                           // 0 single, 1 multiple
  int32_t gridLinesHorizontal, gridLinesVertical;  // 0 none, 1 light, 2 dark, 3 double
  int32_t defaultRowHeight;                        // 0: from the font
  int32_t scrollPosition, scrollPositionX;
  int32_t sortedColumn;  // -1: none
  int32_t lastIndex;
  uint8_t bold, italic, underline, hierarchical, enableDrag, enableDragReorder, hasHeading,
      useFocusRing, scrollBarHorizontal, scrollBarVertical, columnsResizable, reserved;
};

inline constexpr int32_t kListBoxInstanceSize = sizeof(ListBoxFields);

#if defined(__i386__)
static_assert(offsetof(ListBoxFields, state) == 80);
static_assert(offsetof(ListBoxFields, textSize) == 100);
static_assert(offsetof(ListBoxFields, bold) == 136);
static_assert(kListBoxInstanceSize == 148);
#endif

// Registers ListBox, ListColumn and the list pane's window class once.
void InitListBox();
bool IsListBox(TessObject* object);

// The list's model (null for anything else). Callers hold the list's lock
// through ListLock while they use it.
ListModel* ListModelOf(TessObject* list);

// Draws the list's visible rows into `dc` at (0, 0) with the list's size.
void PaintList(TessObject* list, platform::HDC dc);

// Data binding (list_box_binding.cpp): the class's interfaces, parts and
// closer; the list's own binding methods; what the list tells its
// receivers; and forgetting a list that goes.
void InitListBinding(ClassObject* listBox);
void ListBindList(TessObject* list, TessObject* data);
void ListDataInsertedRow(TessObject* list, int32_t row);
void ListDataRemovedRow(TessObject* list, int32_t row);
void ListDataReload(TessObject* list);
void ListSelectionChanging(TessObject* list);
void ListSelectionChanged(TessObject* list);
void ListFocusChanged(TessObject* list, bool gained);
void ListBindingsGone(TessObject* list);
// Whether the list's rows belong to a bound provider: row edits are ignored.
bool ListRowsBound(TessObject* list);

}  // namespace tess::ui
