// The ListBox's two costs worth watching, each against a plain reference
// measured in the same run:
//  - 100,000 rows added (three cells each: AddRow, then two Cell settings)
//    against appending the same three strings per row to a
//    std::vector<std::string>;
//  - painting one screenful of that list (headings, grid lines, every
//    visible cell) into a memory context against drawing the same visible
//    texts there directly with the host's TextOut.
//
// Usage: list_bench [rows] [rounds]
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_support.h"
#include "platform/gdi/wingdi.h"
#include "runtime/class_registry.h"
#include "runtime/objects.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"
#include "ui/instance_layout.h"
#include "ui/list_box.h"
#include "ui/native_controls.h"
#include "ui/windowing.h"
#include "values/value_classes.h"

int main(int argc, char** argv) {
  using namespace tess;
  using namespace tess::platform;
  int rows = argc > 1 ? std::atoi(argv[1]) : 100000;
  int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
  InitFrameworkAndValueClasses();
  ui::InitWindowing();
  ui::InitListBox();

  ObjectRef list = ObjectRef::Adopt(CreateObject(FindClassByName("Listbox")));
  ui::RectControlFields& r = ui::FieldsOf<ui::ListBoxFields>(list.get())->rect;
  r.width = 400;
  r.height = 600;
  listColumnCountSetter(list.get(), 0, 3);
  listHasHeadingSetter(list.get(), 0, 1);
  listHGridLinesSetter(list.get(), 0, 1);
  listVGridLinesSetter(list.get(), 0, 2);

  std::vector<StringRef> texts;
  for (int i = 0; i < rows; ++i)
    texts.push_back(StringRef::Adopt(MakeString("Row " + std::to_string(i))));
  StringRef size = StringRef::Adopt(MakeString("1234"));
  StringRef kind = StringRef::Adopt(MakeString("Document"));
  double ours = bench::MedianSeconds(rounds, [&] {
    RuntimeListEmpty(list.get());
    for (int i = 0; i < rows; ++i) {
      RuntimeListAddRow(list.get(), texts[size_t(i)].get());
      listSetCell(list.get(), i, 1, size.get());
      listSetCell(list.get(), i, 2, kind.get());
    }
  });
  volatile size_t sink = 0;
  double theirs = bench::MedianSeconds(rounds, [&] {
    std::vector<std::string> v;
    for (int i = 0; i < rows; ++i) {
      v.push_back(std::string(View(texts[size_t(i)].get())));
      v.push_back(std::string(View(size.get())));
      v.push_back(std::string(View(kind.get())));
    }
    sink = sink + v.size();
  });
  char what[64];
  std::snprintf(what, sizeof what, "%d list rows added", rows);
  bench::PrintRatio(what, ours, "std::vector<std::string>", theirs);

  // One screenful from the middle of the list.
  listScrollPositionSetter(list.get(), 0, rows / 2);
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, r.width, r.height);
  HGDIOBJ old = SelectObject(dc, bitmap);
  int paints = 50;
  double paint = bench::MedianSeconds(rounds, [&] {
    for (int k = 0; k < paints; ++k) ui::PaintList(list.get(), dc);
  });
  int visible = (r.height - 20) / 18 + 1;
  HFONT font = ui::ControlFont(nullptr, 0, false, false, false);
  double direct = bench::MedianSeconds(rounds, [&] {
    for (int k = 0; k < paints; ++k) {
      HGDIOBJ f = SelectObject(dc, font);
      for (int i = 0; i < visible && rows / 2 + i < rows; ++i) {
        std::string_view t = View(texts[size_t(rows / 2 + i)].get());
        TextOut(dc, 4, 20 + 18 * i, t.data(), int(t.size()));
        TextOut(dc, 200, 20 + 18 * i, "1234", 4);
        TextOut(dc, 300, 20 + 18 * i, "Document", 8);
      }
      SelectObject(dc, f);
    }
  });
  std::snprintf(what, sizeof what, "one screenful painted (%d rows) x%d", visible, paints);
  bench::PrintRatio(what, paint, "the same texts by TextOut", direct);
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  return 0;
}
