/* A canvas painting every Graphics operation: lines with pen sizes, frames,
   fills, ovals, round rectangles, polygons, text on its baseline, pixels,
   pictures with a mask and a transparent colour, vector shapes and the
   icons; the window's Paint draws around the canvas. The order of the
   paint events and what the Graphics report are printed. */
#include "../../image/e2e/startup/transcript.h"

extern char PaintLayout[];

static void sayNumbers(const char* what, int32_t a, int32_t b) {
  char text[96];
  int at = 0;
  while (what[at]) {
    text[at] = what[at];
    ++at;
  }
  text[at++] = ' ';
  appendNumber(text, &at, a);
  text[at++] = ',';
  appendNumber(text, &at, b);
  text[at] = 0;
  say(text);
}

/* Property offsets of the shapes, as the compiler takes them from the
   property records. */
enum {
  kX = 16,
  kY = 24,
  kRotation = 32,
  kScale = 40,
  kBorder = 56,
  kBorderWidth = 64,
  kFillColor = 72,
  kBorderColor = 76,
  kWidth = 88,
  kHeight = 96
};

TESS_STRING(RectShapeName, "RectShape");
TESS_STRING(OvalShapeName, "OvalShape");
TESS_STRING(StringShapeName, "StringShape");
TESS_STRING(GroupName, "Group2D");
TESS_STRING(Hello, "Baseline gyp");
TESS_STRING(Wrapped, "Wrapped into a narrow box of words");
TESS_STRING(Arial, "Arial");
TESS_STRING(Shape, "Shape");
TESS_STRING(Courier, "Courier");

static void setColor(TessObject* o, int offset, int32_t color) {
  intSetter(o, (uint32_t)offset, color);
}

static TessObject* maskedPicture(void) {
  /* A 24 x 24 red square with a white centre, its mask white (transparent)
     at the left third and grey in the middle. */
  TessObject* p = newPicture(24, 24, 32);
  TessObject* s = pictureRGBSurfaceGetter(p, 0);
  TessObject* mask = pictureMaskGetter(p, 0);
  TessObject* m = pictureRGBSurfaceGetter(mask, 0);
  int x, y;
  for (y = 0; y < 24; ++y)
    for (x = 0; x < 24; ++x) {
      int centre = x >= 8 && x < 16 && y >= 8 && y < 16;
      rgbSurfaceSetPixel(s, x, y, centre ? 0xFFFFFF : 0xCC0000);
      rgbSurfaceSetPixel(m, x, y, x < 8 ? 0xFFFFFF : x < 16 ? 0x808080 : 0);
    }
  RuntimeUnlockObject(m);
  RuntimeUnlockObject(mask);
  RuntimeUnlockObject(s);
  return p;
}

int32_t BoardPaint(TessObject* canvas, TessObject* g) {
  TessArray* points;
  TessObject *picture, *group, *rect, *oval, *label;
  int i;
  (void)canvas;
  sayNumbers("canvas Paint, size", graphicsWidthGetter(g, 0), graphicsHeightGetter(g, 0));
  graphicsForeColorSetter(g, 0, 0xFFFFFF);
  RuntimeGraphicsFillRect(g, 0, 0, 360, 260);
  graphicsForeColorSetter(g, 0, 0);
  /* Lines: pen widths 1 to 3 and a pen 3 high, one drawn backwards. */
  for (i = 1; i <= 3; ++i) {
    graphicsPenWidthSetter(g, 0, i);
    RuntimeGraphicsDrawLine(g, 10, 4 + i * 8, 70, 12 + i * 8);
  }
  graphicsPenWidthSetter(g, 0, 1);
  graphicsPenHeightSetter(g, 0, 3);
  RuntimeGraphicsDrawLine(g, 70, 44, 10, 44);
  graphicsPenHeightSetter(g, 0, 1);
  /* Frames and fills. */
  RuntimeGraphicsDrawRect(g, 90, 10, 50, 30);
  graphicsPenWidthSetter(g, 0, 4);
  graphicsForeColorSetter(g, 0, 0x0060C0);
  RuntimeGraphicsDrawRect(g, 150, 10, 50, 30);
  graphicsPenWidthSetter(g, 0, 1);
  RuntimeGraphicsFillRect(g, 210, 10, 50, 30);
  graphicsForeColorSetter(g, 0, 0x008000);
  RuntimeGraphicsDrawOval(g, 10, 60, 60, 40);
  RuntimeGraphicsFillOval(g, 90, 60, 50, 40);
  graphicsForeColorSetter(g, 0, 0x800080);
  RuntimeGraphicsDrawRoundRect(g, 150, 60, 50, 40, 16, 16);
  RuntimeGraphicsFillRoundRect(g, 210, 60, 50, 40, 20, 12);
  /* A polygon, drawn and filled. */
  points = RuntimeCreateArray();
  RuntimeArrayCreateAddIndex(points, 0, 8);
  {
    static const int32_t xy[9] = {0, 280, 10, 340, 30, 320, 90, 270, 60};
    for (i = 1; i <= 8; ++i) RuntimeDirectWriteIntArray(points, i, xy[i]);
  }
  graphicsForeColorSetter(g, 0, 0xFFD000);
  graphicsFillPolygon(g, points);
  graphicsForeColorSetter(g, 0, 0);
  graphicsDrawPolygon(g, points);
  RuntimeDisposeIntArray(points);
  /* Text on its baseline (a guide line under it) and wrapped text. */
  graphicsTextFontSetter(g, 0, &Arial);
  graphicsTextSizeSetter(g, 0, 16);
  graphicsForeColorSetter(g, 0, 0xC00000);
  RuntimeGraphicsDrawLine(g, 10, 130, 150, 130);
  graphicsForeColorSetter(g, 0, 0);
  RuntimeGraphicsDrawString(g, &Hello, 10, 130, 0);
  sayNumbers("text width, ascent", RuntimeGraphicsStringWidth(g, &Hello),
             RuntimeGraphicsTextAscent(g));
  graphicsTextSizeSetter(g, 0, 12);
  graphicsItalicSetter(g, 0, 1);
  RuntimeGraphicsDrawString(g, &Wrapped, 170, 120, 90);
  sayNumbers("wrapped height, line", RuntimeGraphicsStringHeight(g, &Wrapped, 90),
             RuntimeGraphicsTextHeight(g));
  graphicsItalicSetter(g, 0, 0);
  /* Pixels. */
  for (i = 0; i < 20; ++i) graphicsPixelSetter(g, 10 + i * 2, 150, 0x0000FF);
  sayNumbers("pixel at 10,150 and 11,150", graphicsPixelGetter(g, 10, 150),
             graphicsPixelGetter(g, 11, 150));
  /* Pictures: masked, transparent white, and doubled. */
  picture = maskedPicture();
  RuntimeGraphicsDrawPicture(g, picture, 10, 165, -10000, -10000, -10000, -10000, -10000, -10000);
  RuntimeGraphicsDrawPicture(g, picture, 40, 165, 48, 48, -10000, -10000, -10000, -10000);
  RuntimeUnlockObject(picture);
  picture = newPicture(24, 24, 24);
  {
    TessObject* pg = pictureGraphicsGetter(picture, 0);
    graphicsForeColorSetter(pg, 0, 0x0080FF);
    RuntimeGraphicsFillOval(pg, 0, 0, 24, 24);
    RuntimeUnlockObject(pg);
  }
  pictureTransparentSetter(picture, 0, 1);
  RuntimeGraphicsDrawPicture(g, picture, 100, 165, -10000, -10000, -10000, -10000, -10000, -10000);
  RuntimeUnlockObject(picture);
  /* Vector shapes in a group, turned and scaled. */
  group = CreateInstance(&GroupName);
  rect = CreateInstance(&RectShapeName);
  Object2DDoubleSetter(rect, kWidth, 40);
  Object2DDoubleSetter(rect, kHeight, 20);
  Object2DDoubleSetter(rect, kRotation, 0.5);
  setColor(rect, kFillColor, 0xFF8000);
  Object2DDoubleSetter(rect, kBorder, 100);
  setColor(rect, kBorderColor, 0);
  oval = CreateInstance(&OvalShapeName);
  Object2DDoubleSetter(oval, kX, 50);
  Object2DDoubleSetter(oval, kWidth, 30);
  Object2DDoubleSetter(oval, kHeight, 30);
  setColor(oval, kFillColor, 0x00A0A0);
  label = CreateInstance(&StringShapeName);
  stringSetter(label, 88, &Shape);
  stringSetter(label, 92, &Courier);
  Object2DDoubleSetter(label, kY, 30);
  Object2DDoubleSetter(label, kX, 25);
  Group2DAppend(group, rect);
  Group2DAppend(group, oval);
  Group2DAppend(group, label);
  Object2DDoubleSetter(group, kScale, 1.2);
  RuntimeGraphicsDrawObjectXY(g, group, 180, 185);
  sayNumbers("group count, contains 180,185", Group2DCount(group, 0),
             RectShapeContains(group, 0, 0));
  RuntimeUnlockObject(label);
  RuntimeUnlockObject(oval);
  RuntimeUnlockObject(rect);
  RuntimeUnlockObject(group);
  (void)kBorderWidth;
  /* The icons. */
  graphicsDrawStopIcon(g, 250, 160);
  graphicsDrawNoteIcon(g, 285, 160);
  graphicsDrawCautionIcon(g, 320, 160);
  /* Clipped to the canvas: a frame larger than the canvas shows only its
     inside part, a line running out of it stops at its edge. */
  graphicsForeColorSetter(g, 0, 0xC00000);
  graphicsPenWidthSetter(g, 0, 2);
  graphicsPenHeightSetter(g, 0, 2);
  RuntimeGraphicsDrawRect(g, -1, -1, 362, 262);
  RuntimeGraphicsDrawLine(g, 250, 240, 400, 300);
  return 0;
}

int32_t BoardMouseDown(TessObject* canvas, int32_t x, int32_t y) {
  TessObject* g = canvasGraphicsGetter(canvas, 0);
  sayNumbers("canvas MouseDown", x, y);
  graphicsForeColorSetter(g, 0, 0x00C000);
  RuntimeGraphicsFillOval(g, x - 4, y - 4, 9, 9);
  sayNumbers("pixel under the click, outside", graphicsPixelGetter(g, x, y),
             graphicsPixelGetter(g, 400, 10));
  RuntimeUnlockObject(g);
  return 0;
}

int32_t WindowOpen(TessObject* w) {
  (void)w;
  say("window Open");
  return 0;
}

int32_t WindowPaint(TessObject* w, TessObject* g) {
  (void)w;
  sayNumbers("window Paint, size", graphicsWidthGetter(g, 0), graphicsHeightGetter(g, 0));
  /* Diagonals across the whole window: they go around the canvas. */
  graphicsForeColorSetter(g, 0, 0x000080);
  graphicsPenWidthSetter(g, 0, 3);
  RuntimeGraphicsDrawLine(g, 0, 0, 420, 300);
  RuntimeGraphicsDrawLine(g, 0, 300, 420, 0);
  return 0;
}

void TessMain(void) {
  TessObject* window = 0;
  TessObject* made;
  RuntimeInit(TessApplication);
  made = RuntimeCreateWindow(PaintLayout, &window);
  say(made && made == window ? "window made" : "no window");
  RuntimeUnlockObject(window);
  RuntimeUnlockObject(made);
  RuntimeRun();
  say("run ended");
}
