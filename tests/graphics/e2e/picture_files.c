/* A picture project item drawn into a canvas, a StyledTextPrinter drawing
   an edit field's styled text into a picture block by block, and
   exportPicture answered by the script (a PNG read back, a cancel). */
#include "../../image/e2e/startup/say.h"

extern char PictureLayout[];
extern TessObject* ItemOpenPicture(TessObject* item) TESS_LINK_NAME("!MFolderItem.OpenAsPicture");

TESS_STRING(kNotes, "Notes");
TESS_STRING(kBoard, "Board");
TESS_STRING(kText, "Bold title\rSecond line in red\rThird line\rFourth line");
TESS_STRING(kExported, "D:\\exported.png");

static TessObject* printed; /* the styled text, drawn in OpenWindow */

static void sayNumber(const char* what, int32_t n) {
  char text[64];
  int at = 0, k = 0;
  char digits[12];
  uint32_t v = n < 0 ? 0u - (uint32_t)n : (uint32_t)n;
  while (what[at]) {
    text[at] = what[at];
    ++at;
  }
  text[at++] = ' ';
  if (n < 0) text[at++] = '-';
  do {
    digits[k++] = (char)('0' + v % 10);
    v /= 10;
  } while (v);
  while (k) text[at++] = digits[--k];
  text[at] = 0;
  say(text);
}

int32_t WindowOpen(TessObject* w) {
  TessObject* notes = RuntimeControlFetch(w, &kNotes);
  TessObject* g;
  TessObject* printer;
  int blocks = 0;
  editTextSetter(notes, 0, &kText);
  editSelStartSetter(notes, 0, 0);
  editSelLengthSetter(notes, 0, 10);
  editSelBoldSetter(notes, 0, 1);
  editSelTextSizeSetter(notes, 0, 16);
  editSelStartSetter(notes, 0, 11);
  editSelLengthSetter(notes, 0, 18);
  editSelTextColorSetter(notes, 0, 0xCC0000);
  editSelStartSetter(notes, 0, 0);
  editSelLengthSetter(notes, 0, 0);

  printed = newPicture(160, 100, 32);
  g = pictureGraphicsGetter(printed, 0);
  RuntimeGraphicsClearRect(g, 0, 0, 160, 100);
  printer = editStyleTextPrinter(notes, g, 150);
  sayNumber("EOF before", styledPrinterEOF(printer, 0));
  while (!styledPrinterEOF(printer, 0) && blocks < 10) {
    styledPrinterDrawBlock(printer, 5, 5 + 48 * blocks, 40);
    ++blocks;
  }
  sayNumber("blocks", blocks);
  sayNumber("EOF after", styledPrinterEOF(printer, 0));
  RuntimeUnlockObject(printer);
  RuntimeUnlockObject(g);
  RuntimeUnlockObject(notes);
  return 0;
}

int32_t BoardPaint(TessObject* canvas, TessObject* g) {
  TessObject* item = RuntimePictureReference(1);
  (void)canvas;
  if (item) {
    RuntimeGraphicsDrawPicture(g, item, 10, 10, -10000, -10000, -10000, -10000, -10000, -10000);
    RuntimeGraphicsDrawPicture(g, item, 60, 10, 80, 60, 0, 0, 40, 30);
    RuntimeUnlockObject(item);
  }
  if (printed)
    RuntimeGraphicsDrawPicture(g, printed, 170, 10, -10000, -10000, -10000, -10000, -10000,
                               -10000);
  return 1;
}

int32_t WindowKeyDown(TessObject* w, TessString* key) {
  TessObject* item = RuntimePictureReference(1);
  TessObject* file;
  TessObject* back;
  (void)w;
  switch (key ? key->buffer[1] : 0) {
    case 'e':
      exportPicture(item);
      file = RuntimeGetFolderItem(&kExported);
      back = ItemOpenPicture(file);
      sayNumber("exported width", back ? pictureWidthGetter(back, 0) : -1);
      sayNumber("exported height", back ? pictureHeightGetter(back, 0) : -1);
      if (back) {
        TessObject* s = pictureRGBSurfaceGetter(back, 0);
        sayNumber("exported pixel", rgbSurfaceGetPixel(s, 30, 5));
        RuntimeUnlockObject(s);
      }
      RuntimeUnlockObject(back);
      RuntimeUnlockObject(file);
      break;
    case 'c':
      exportPicture(item);
      say("cancelled");
      break;
  }
  RuntimeUnlockObject(item);
  return 1;
}

void TessMain(void) {
  TessObject* window = 0;
  TessObject* made;
  RuntimeInit(TessApplication);
  say(RuntimePictureReference(0) ? "item 0 is a picture" : "item 0 is nil");
  made = RuntimeCreateWindow(PictureLayout, &window);
  RuntimeUnlockObject(made);
  RuntimeRun();
  say("run ended");
}
