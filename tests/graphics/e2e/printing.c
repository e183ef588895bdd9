/* Printing from key presses: 'p' prints three pages through a setup made
   from a setup string (read back and copied to a second setup), 'd' prints
   through the print dialog, 'c' cancels it, 'g' shows the page-setup dialog
   and 'l' prints on the paper it chose. What the jobs report is printed;
   the PDF files are checked by the test that follows. */
#include "../../image/e2e/startup/transcript.h"

extern char MainLayout[];

/* PrinterSetup property parameters, as the compiler takes them from the
   property records. */
enum {
  kPageWidth = 2,
  kPageHeight = 3,
  kLeft = 4,
  kTop = 5,
  kWidth = 6,
  kHeight = 7,
  kLandscape = 12
};

TESS_STRING(kPrinterSetup, "PrinterSetup");
TESS_STRING(kLetter,
            "TESSPRINT 1;paper=1;orientation=1;copies=1;xres=72;yres=72;margins=500,500,500,500");
TESS_STRING(kPage1, "Page 1 of three");
TESS_STRING(kPage2, "Page 2 of three");
TESS_STRING(kPage3, "Page 3 of three");
TESS_STRING(kFromDialog, "Printed through the dialog");
TESS_STRING(kLandscapeText, "Landscape legal paper");
TESS_STRING(kTimes, "Times New Roman");

static TessObject* pageSetup;

static void sayNumbers(const char* what, int32_t a, int32_t b, int32_t c) {
  char text[96];
  int at = 0;
  while (what[at]) {
    text[at] = what[at];
    ++at;
  }
  text[at++] = ' ';
  appendNumber(text, &at, a);
  text[at++] = ' ';
  appendNumber(text, &at, b);
  text[at++] = ' ';
  appendNumber(text, &at, c);
  text[at] = 0;
  say(text);
}

static void sayString(const char* what, TessString* s) {
  char line[300];
  int at = 0;
  while (*what) line[at++] = *what++;
  for (int32_t i = 1; s && i <= s->length && at < 290; ++i) line[at++] = (char)s->buffer[i];
  line[at] = 0;
  say(line);
}

static void page(TessObject* g, TessString* text) {
  graphicsTextFontSetter(g, 0, &kTimes);
  graphicsTextSizeSetter(g, 0, 18);
  graphicsForeColorSetter(g, 0, 0x000000);
  RuntimeGraphicsDrawString(g, text, 0, 40, 0);
  graphicsForeColorSetter(g, 0, 0x0000C0);
  graphicsPenWidthSetter(g, 0, 2);
  graphicsPenHeightSetter(g, 0, 2);
  RuntimeGraphicsDrawRect(g, 0, 60, 200, 100);
  graphicsForeColorSetter(g, 0, 0xC00000);
  RuntimeGraphicsFillOval(g, 220, 60, 100, 100);
}

static void sayJob(TessObject* g) {
  if (!g) {
    say("job: nil");
    return;
  }
  sayNumbers("job: copies, first, last", graphicsCopiesGetter(g, 0), graphicsFirstPageGetter(g, 0),
             graphicsLastPageGetter(g, 0));
  sayNumbers("page: width, height, 0", graphicsWidthGetter(g, 0), graphicsHeightGetter(g, 0), 0);
}

static void saySetup(const char* what, TessObject* s) {
  sayNumbers(what, printerSetupInfoGetter(s, kPageWidth), printerSetupInfoGetter(s, kPageHeight),
             printerSetupInfoGetter(s, kLandscape));
  sayNumbers("  printable: left, top, width", printerSetupInfoGetter(s, kLeft),
             printerSetupInfoGetter(s, kTop), printerSetupInfoGetter(s, kWidth));
  sayNumbers("  printable: height, 0, 0", printerSetupInfoGetter(s, kHeight), 0, 0);
}

static void printThreePages(void) {
  TessObject* setup = CreateInstance(&kPrinterSetup);
  TessObject* copy = CreateInstance(&kPrinterSetup);
  TessString* stored;
  TessString* copied;
  TessObject* g;
  printerSetupStringSetter(setup, 0, &kLetter);
  stored = printerSetupStringGetter(setup, 0);
  sayString("setup string: ", stored);
  printerSetupStringSetter(copy, 0, stored);
  copied = printerSetupStringGetter(copy, 0);
  say(RuntimeStringCompare(stored, copied) == 0 ? "copied setup string: the same"
                                                 : "copied setup string: DIFFERENT");
  RuntimeUnlockString(stored);
  RuntimeUnlockString(copied);
  saySetup("letter: page width, height, landscape", copy);
  g = RuntimeOpenPrinter(copy);
  sayJob(g);
  if (g) {
    page(g, &kPage1);
    RuntimeGraphicsNextPage(g);
    page(g, &kPage2);
    RuntimeGraphicsNextPage(g);
    page(g, &kPage3);
    RuntimeUnlockObject(g);
  }
  RuntimeUnlockObject(setup);
  RuntimeUnlockObject(copy);
}

static void printOne(TessObject* g, TessString* text) {
  sayJob(g);
  if (g) {
    page(g, text);
    RuntimeUnlockObject(g);
  }
}

int32_t MainKeyDown(TessObject* w, TessString* key) {
  switch (key ? key->buffer[1] : 0) {
    case 'p':
      printThreePages();
      break;
    case 'd':
      printOne(RuntimeOpenPrinterDialog(pageSetup, w), &kFromDialog);
      break;
    case 'c':
      printOne(RuntimeOpenPrinterDialog(pageSetup, w), &kFromDialog);
      break;
    case 'g':
      say(printerSetupPageSetup(pageSetup) ? "page setup: OK" : "page setup: cancelled");
      saySetup("after page setup: page width, height, landscape", pageSetup);
      break;
    case 'l':
      printOne(RuntimeOpenPrinter(pageSetup), &kLandscapeText);
      break;
    default:
      break;
  }
  return 1;
}

void TessMain(void) {
  TessObject* window = 0;
  RuntimeInit(TessApplication);
  pageSetup = CreateInstance(&kPrinterSetup);
  RuntimeUnlockObject(RuntimeCreateWindow(MainLayout, &window));
  RuntimeUnlockObject(window);
  RuntimeRun();
  RuntimeUnlockObject(pageSetup);
  say("run ended");
}
