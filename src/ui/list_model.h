// The rows and columns of a ListBox, without any window: rows of cells with
// their styles, folder rows and their depth, the columns with their width
// expressions and computed widths, and the ordering of rows by a column.
//
// Cells exist only for columns that were set; a missing cell reads as the
// empty string with the column's settings. Row indices out of range are
// ignored by setters and read as empty by getters.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/objects.h"
#include "runtime/string_value.h"

namespace tess::ui {

inline constexpr int kMaxListColumns = 256;
// A border grabbed by the mouse: pixels either side of it, and the
// narrowest a drag leaves a column.
inline constexpr int32_t kBorderSlop = 3;
inline constexpr int32_t kMinColumnWidth = 8;

// Cell and column types.
enum ListCellType : int32_t {
  kCellDefault = 0,
  kCellNormal = 1,
  kCellCheckBox = 2,
  kCellEditable = 3
};
// Alignments: default follows the column, then left.
enum ListAlignment : int32_t {
  kAlignDefault = 0,
  kAlignLeft = 1,
  kAlignCenter = 2,
  kAlignRight = 3
};
// Sort directions.
inline constexpr int32_t kSortAscending = 0;
inline constexpr int32_t kSortDescending = -1;

struct ListCell {
  uint8_t column = 0;
  bool bold = false, italic = false, underline = false, check = false;
  int32_t type = kCellDefault;
  int32_t alignment = kAlignDefault;
  int32_t alignmentOffset = 0;
  int32_t border[4] = {0, 0, 0, 0};  // top, left, bottom, right
  StringRef text;
};

struct ListRow {
  std::vector<ListCell> cells;  // ordered by column
  ObjectRef picture;
  bool selected = false, folder = false, expanded = false;
  uint8_t depth = 0;
};

// A width expression, decided by its last character.
enum class WidthKind { kRelative, kAbsolute, kPercent, kError };
struct WidthExpression {
  WidthKind kind = WidthKind::kRelative;
  double value = 1;  // pixels, percent or factor; never negative except "no maximum"
};
// `number` is true for a minimum or maximum: a negative number is kept so a
// maximum can mean "none".
WidthExpression ParseWidthExpression(std::string_view text, bool keepNegative = false);

struct ListColumnInfo {
  std::string expression[3];  // width, minimum, maximum
  int32_t actual[3] = {0, 0, -1};
  int32_t userWidth = -1;  // dragged by the user
  int32_t type = kCellNormal;
  int32_t alignment = kAlignDefault;
  int32_t alignmentOffset = 0;
  int32_t sortDirection = kSortAscending;
  bool resizable = true;
  StringRef heading;
};

class ListModel {
 public:
  int32_t Count() const { return int32_t(rows_.size()); }
  bool Valid(int32_t row) const { return row >= 0 && row < Count(); }
  ListRow* Row(int32_t row) { return Valid(row) ? &rows_[size_t(row)] : nullptr; }

  // Inserts a row (clamped to 0..Count) whose column 0 holds `text`; the
  // index it went to. While a folder expands, rows go after its children.
  int32_t Insert(int32_t row, TessString* text, bool folder);
  int32_t Append(TessString* text, bool folder);
  // Removes a row and, for a folder, the rows beneath it. False when out of
  // range.
  bool Remove(int32_t row);
  void Clear() { rows_.clear(); }

  // The cell of (row, column), made when `make`; null when out of range.
  ListCell* CellAt(int32_t row, int32_t column, bool make);
  // The text of a cell: a new reference, the empty string when missing.
  TessString* Text(int32_t row, int32_t column);
  bool SetText(int32_t row, int32_t column, TessString* text);

  // Folders: Expand marks the row and opens the insertion point after it
  // until EndExpand; Collapse removes the rows beneath it.
  void BeginExpand(int32_t row);
  void EndExpand() { expanding_ = -1; }
  int32_t Collapse(int32_t row);  // rows removed
  // The index just after the last row beneath `row`.
  int32_t EndOfChildren(int32_t row) const;

  int32_t SelectedCount() const;
  void SelectOnly(int32_t row);  // -1: none

  // Moves a row (with the rows beneath it) so it stands at `to` in the
  // order before the move; the row's new index.
  int32_t MoveRow(int32_t from, int32_t to);

  // Orders the rows by `column`. `compare` may decide a pair first (row
  // indices as they are before the sort): a value, or nothing for the
  // default. Folder rows keep their children beneath them; siblings sort
  // among themselves.
  using Comparer = std::function<std::optional<int32_t>(int32_t, int32_t)>;
  void Sort(int32_t column, bool descending, const Comparer& compare);

  // Columns.
  std::vector<ListColumnInfo> columns;
  ListColumnInfo* Column(int32_t index) {
    return index >= 0 && index < int32_t(columns.size()) ? &columns[size_t(index)] : nullptr;
  }
  void SetColumnCount(int32_t count);
  // Computes every column's widths for a list `width` pixels wide. With
  // `userWidths`, a column the user resized counts as absolute at that
  // width, so the relative columns share what it leaves.
  void LayoutColumns(int32_t width, bool userWidths = true);
  // The sum of the computed widths.
  int32_t TotalWidth() const;

  // Column borders dragged with the mouse. BorderAt: the column whose
  // right border lies within kBorderSlop pixels of `x`, the columns
  // starting at `left`; the nearest wins and, of equally near ones, the
  // rightmost, so a column squeezed to nothing can still be pulled open.
  // -1 for none or a column that is not user-resizable.
  int32_t BorderAt(int32_t x, int32_t left) const;
  // Gives `column` the width the user dragged it to, at least
  // kMinColumnWidth and within its minimum and maximum, and lays the
  // columns out again for a list `width` pixels wide; the width it took.
  int32_t ResizeColumn(int32_t column, int32_t dragged, int32_t width);

 private:
  std::vector<ListRow> rows_;
  int32_t expanding_ = -1;  // the folder whose rows are being added
};

}  // namespace tess::ui
