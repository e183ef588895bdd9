/* The language's numeric functions through named call sites: doubles come
   back on the x87 stack, so each check reads the result the way compiled
   code does. Each line reports one check. */
#include "../../image/e2e/startup/say.h"

TESS_STRING(kDictionary, "dictionary");
TESS_STRING(kNoSuchClass, "NoSuchClass");

static void report(const char* what, int ok) {
  host_write(1, what, host_strlen(what));
  host_write(1, ok ? ": ok\n" : ": WRONG\n", ok ? 5 : 8);
}

static int isNaN(double x) {
  return x != x;
}

/* The sign bit, read from memory so that -0 and +0 differ. */
static int negative(double x) {
  union {
    double d;
    unsigned int w[2];
  } u;
  u.d = x;
  return (u.w[1] >> 31) != 0;
}

void TessMain(void) {
  double inf = RuntimeExp(1000.0);
  double nan = RuntimeSqrt(-1.0);
  double previous, now;
  int i, inRange = 1;
  TessObject* object;
  int32_t objects;
  RuntimeInit(TessApplication);

  report("Round takes halves away from zero",
         RuntimeRound(2.5) == 3.0 && RuntimeRound(-2.5) == -3.0 && RuntimeRound(0.5) == 1.0 &&
             RuntimeRound(1.4999999999999998) == 1.0);
  report("Round keeps the sign of a zero",
         negative(RuntimeRound(-0.4)) && !negative(RuntimeRound(0.4)));
  report("Ceil and Floor", RuntimeCeil(-0.5) == 0.0 && negative(RuntimeCeil(-0.5)) &&
                               RuntimeFloor(-0.5) == -1.0 && RuntimeCeil(1.0000001) == 2.0);
  report("Abs of -0 is +0", !negative(RuntimeAbs(-0.0)) && RuntimeAbs(-3.25) == 3.25);
  report("infinities", inf > 1e308 && RuntimeLog(0.0) < -1e308 && RuntimeAbs(-inf) == inf);
  report("NaN from Sqrt, Log, ACos",
         isNaN(nan) && isNaN(RuntimeLog(-1.0)) && isNaN(RuntimeACos(2.0)));
  report("NaN goes through Max and Min",
         isNaN(RuntimeMax(nan, 1.0)) && isNaN(RuntimeMax(1.0, nan)) && isNaN(RuntimeMin(nan, 1.0)));
  report("Max and Min of zeros",
         !negative(RuntimeMax(-0.0, 0.0)) && !negative(RuntimeMax(0.0, -0.0)) &&
             negative(RuntimeMin(0.0, -0.0)) && negative(RuntimeMin(-0.0, 0.0)));
  report("Max and Min", RuntimeMax(-1.0, 2.0) == 2.0 && RuntimeMin(-1.0, 2.0) == -1.0);
  report("Pow", RuntimePow(2.0, 10.0) == 1024.0 && RuntimePow(0.0, 0.0) == 1.0 &&
                    RuntimePow(-8.0, 1.0 / 3.0) != RuntimePow(-8.0, 1.0 / 3.0));
  report("trigonometry", RuntimeSin(0.0) == 0.0 && RuntimeCos(0.0) == 1.0 &&
                             RuntimeATan2(1.0, 1.0) * 4.0 == 3.141592653589793 &&
                             RuntimeATan(1.0) == RuntimeATan2(1.0, 1.0) && RuntimeTan(0.0) == 0.0 &&
                             RuntimeASin(1.0) * 2.0 == 3.141592653589793);
  report("Exp and Log", RuntimeExp(0.0) == 1.0 && RuntimeLog(RuntimeExp(1.0)) == 1.0);
  report("Sqrt is exact for squares",
         RuntimeSqrt(1e300 * 1e8 / 1e8) == 1e150 && RuntimeSqrt(2.25) == 1.5);

  report("FPToInt truncates toward zero",
         FPToInt(2.9) == 2 && FPToInt(-2.9) == -2 && FPToInt(-0.0) == 0);
  report("FPToInt beyond the range", FPToInt(2147483648.0) == (int32_t)0x80000000 &&
                                         FPToInt(-2147483649.0) == (int32_t)0x80000000 &&
                                         FPToInt(2147483647.9) == 2147483647 &&
                                         FPToInt(-2147483648.9) == (int32_t)0x80000000 + 0);
  report("FPToInt of NaN and infinity",
         FPToInt(nan) == (int32_t)0x80000000 && FPToInt(inf) == (int32_t)0x80000000);
  report("SingleToInt", SingleToInt(-2.75f) == -2 && SingleToInt(3e9f) == (int32_t)0x80000000);
  report("IntToFP", IntToFP(-2147483647 - 1) == -2147483648.0 && IntToFP(7) == 7.0);
  report("ShortToInteger", RuntimeShortToInteger(0x18000) == -32768 &&
                               RuntimeShortToInteger(0x7FFF) == 32767 &&
                               RuntimeShortToInteger(-1) == -1);
  report("Bitwise", BitwiseAnd(0x0F0F, 0x00FF) == 0x000F && BitwiseOr(0x0F00, 0x00F0) == 0x0FF0 &&
                        BitwiseXor(-1, 0x0F) == ~0x0F);

  report("RGB clamps", RuntimeRGB(255, 128, 0) == 0xFF8000 && RuntimeRGB(300, -5, 7) == 0xFF0007);
  report("HSV", RuntimeHSV(0.0, 1.0, 1.0) == 0xFF0000 &&
                    RuntimeHSV(1.0 / 3.0, 1.0, 1.0) == 0x00FF00 &&
                    RuntimeHSV(0.5, 0.0, 0.5) == 0x808080 && RuntimeHSV(1.0, 1.0, 1.0) == 0xFF0000);
  report("CMY", RuntimeCMY(0.0, 1.0, 1.0) == 0xFF0000 && RuntimeCMY(1.0, 1.0, 1.0) == 0);
  report("colour components", readColorRed(0x123456) == 0x12 && readColorGreen(0x123456) == 0x34 &&
                                  readColorBlue(0x7F123456) == 0x56);
  report("hue, saturation, value",
         readColorHue(0x00FF00) == 1.0 / 3.0 && readColorSaturation(0x808080) == 0.0 &&
             readColorValue(0xFF0000) == 1.0 && readColorHue(0xFF0000) == 0.0);
  report("cyan, magenta, yellow", readColorCyan(0x00FFFF) == 1.0 &&
                                      readColorMagenta(0xFFFFFF) == 0.0 &&
                                      readColorYellow(0xFFFF00) == 1.0);

  for (i = 0; i < 1000; i++) {
    double r = rnd();
    if (!(r >= 0.0 && r < 1.0)) inRange = 0;
  }
  report("Rnd stays in [0, 1)", inRange && rnd() != rnd());
  previous = RuntimeMicroseconds();
  now = RuntimeMicroseconds();
  report("Microseconds never go back", previous >= 0.0 && now >= previous);
  report("Ticks never go back", RuntimeTicks() >= 0 && RuntimeTicks() <= RuntimeTicks());
  RuntimeBeep();
  report("no contextual click without a mouse", IsCMMClick() == 0);

  objects = RuntimeDebugObjectCount(0);
  object = CreateInstance(&kDictionary);
  report("CreateInstance by name", object != 0 && RuntimeDebugObjectCount(0) == objects + 1);
  RuntimeUnlockObject(object);
  report("the instance is released", RuntimeDebugObjectCount(0) == objects);
  report("CreateInstance of an unknown class",
         CreateInstance(&kNoSuchClass) == 0 && CreateInstance(0) == 0);
  object = intToVariant(5);
  report("VarType, IsNumeric, IsNull", VarType(object) == 2 && IsNumeric(object) &&
                                           !IsNull(object) && VarType(0) == 0 && !IsNull(0));
  RuntimeUnlockObject(object);
}
