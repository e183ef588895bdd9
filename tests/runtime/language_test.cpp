// The invalidating and percentage accessors with the window layer's hooks,
// and the colour conversions over their whole range. The numeric functions'
// edges are checked from compiled code (e2e/language.c).
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "runtime/control_hooks.h"
#include "runtime/objects.h"
#include "runtime/runtime_test_support.h"
#include "tessera/runtime.h"

namespace tess {
namespace {

using test::S;

std::vector<TessObject*> g_invalidated;

struct HookScope {
  ControlHooks saved = CurrentControlHooks();
  HookScope() {
    g_invalidated.clear();
    SetControlHooks({[](TessObject* o) { g_invalidated.push_back(o); },
                     [](TessObject* o) { return uint32_t(uintptr_t(o)) ^ 0x5A5Au; }});
  }
  ~HookScope() { SetControlHooks(saved); }
};

struct Holder {
  ClassObject cls{};
  ObjectRef object;
  Holder() {
    cls.superclass = RootClass();
    cls.instanceSize = 48;
    object = ObjectRef::Adopt(CreateObject(&cls));
  }
  TessObject* get() const { return object.get(); }
};

TEST(InvalidatingSetters, StoreAndRedrawOnlyWhenTheValueChanges) {
  HookScope hooks;
  Holder h;
  TessObject* o = h.get();
  intInvalidateSetter(o, 16, 7);
  intInvalidateSetter(o, 16, 7);
  EXPECT_EQ(intGetter(o, 16), 7);
  boolInvalidateSetter(o, 20, 2);  // any non-zero byte is True
  boolInvalidateSetter(o, 20, 1);
  boolInvalidateSetter(o, 20, 0x101);  // only the low byte counts: True, unchanged
  EXPECT_EQ(boolGetter(o, 20), 1);
  StringRef text = S("caption");
  stringInvalidateSetter(o, 24, text.get());
  stringInvalidateSetter(o, 24, text.get());
  EXPECT_EQ(text.get()->refCount, 2u);
  Holder other;
  objInvalidateSetter(o, 28, other.get());
  objInvalidateSetter(o, 28, other.get());
  EXPECT_EQ(Header(other.get())->refCount, 2);
  EXPECT_EQ(g_invalidated, (std::vector<TessObject*>{o, o, o, o}));
  boolInvalidateSetter(o, 20, 0);
  stringInvalidateSetter(o, 24, nullptr);
  objInvalidateSetter(o, 28, nullptr);
  EXPECT_EQ(g_invalidated.size(), 7u);
  EXPECT_EQ(text.get()->refCount, 1u);
  EXPECT_EQ(Header(other.get())->refCount, 1);
}

TEST(InvalidatingSetters, OnlyStoreBeforeTheWindowLayerStarts) {
  ControlHooks saved = CurrentControlHooks();
  SetControlHooks({});
  Holder h;
  intInvalidateSetter(h.get(), 16, 3);
  EXPECT_EQ(intGetter(h.get(), 16), 3);
  EXPECT_EQ(getterWinHWND(h.get(), 0), 0);
  SetControlHooks(saved);
}

TEST(PercentAccessors, StoreAFractionAndShowAPercentage) {
  Holder h;
  doublePercentSetter(h.get(), 16, 25.0);
  EXPECT_EQ(doubleGetter(h.get(), 16), 0.25);
  EXPECT_EQ(doublePercentGetter(h.get(), 16), 25.0);
  doubleSetter(h.get(), 16, 0.07);
  EXPECT_EQ(doublePercentGetter(h.get(), 16), 7.000000000000001);  // 0.07 × 100 in doubles
  doublePercentSetter(h.get(), 16, NAN);
  EXPECT_TRUE(std::isnan(doublePercentGetter(h.get(), 16)));
}

TEST(NativeHandles, ComeFromTheWindowLayer) {
  HookScope hooks;
  Holder h;
  EXPECT_EQ(uint32_t(getterWinHWND(h.get(), 0)), uint32_t(uintptr_t(h.get())) ^ 0x5A5Au);
  EXPECT_EQ(getterWinHWND(nullptr, 0), 0);
}

TEST(Colours, EveryRgbValueSurvivesHsvAndCmy) {
  for (int32_t color = 0; color <= 0xFFFFFF; color += 0x010203) {
    EXPECT_EQ(RuntimeHSV(readColorHue(color), readColorSaturation(color), readColorValue(color)),
              color)
        << std::hex << color;
    EXPECT_EQ(RuntimeCMY(readColorCyan(color), readColorMagenta(color), readColorYellow(color)),
              color)
        << std::hex << color;
  }
}

TEST(Colours, FractionsOutsideTheRangeAreClamped) {
  EXPECT_EQ(RuntimeHSV(-1.0, 2.0, 2.0), 0xFF0000);
  EXPECT_EQ(RuntimeHSV(NAN, NAN, NAN), 0);
  EXPECT_EQ(RuntimeCMY(-1.0, 2.0, NAN), 0xFF00FF);  // NaN counts as 0
  EXPECT_EQ(RuntimeRGB(INT32_MIN, INT32_MAX, 256), 0x00FFFF);
  // Half a step rounds up.
  EXPECT_EQ(RuntimeHSV(0.0, 0.0, 0.5), 0x808080);
}

}  // namespace
}  // namespace tess
