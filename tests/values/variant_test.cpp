// Variant: the conversion table row by row (values and the exceptions it
// raises), the hash and equality rules dictionaries rely on, and the
// references a variant holds.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "platform/kernel/locale.h"
#include "runtime/objects.h"
#include "runtime/raise.h"
#include "runtime/string_value.h"
#include "runtime_test_support.h"
#include "tessera/runtime.h"
#include "values/calendar.h"
#include "values/date.h"
#include "values/value_classes.h"
#include "values/variant.h"

namespace tess {
namespace {

using test::RaisedBy;
using test::S;
using test::Take;
using test::Text;

class VariantTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitFrameworkAndValueClasses();
    liveBefore_ = RuntimeDebugObjectCount(nullptr);
  }
  void TearDown() override { EXPECT_EQ(RuntimeDebugObjectCount(nullptr), liveBefore_); }

 private:
  int32_t liveBefore_ = 0;
};

ObjectRef Own(TessObject* o) {
  return ObjectRef::Adopt(o);
}

// What an unboxing gives, as text, or the name of the class it raised.
std::string Outcome(const std::function<std::string()>& convert) {
  std::string result;
  const ClassObject* raised = RaisedBy([&] { result = convert(); });
  return raised ? "raises " + Text(raised->name) : result;
}

std::string AsInt(TessObject* v) {
  return Outcome([&] { return std::to_string(variantToInt(v)); });
}
std::string AsDouble(TessObject* v) {
  return Outcome([&] {
    char text[64];
    std::snprintf(text, sizeof text, "%.17g", variantToDouble(v));
    return std::string(text);
  });
}
std::string AsBoolean(TessObject* v) {
  return Outcome([&] { return std::string(variantToBoolean(v) ? "true" : "false"); });
}
std::string AsString(TessObject* v) {
  return Outcome([&] { return "'" + Text(Take(variantToString(v)).get()) + "'"; });
}
std::string AsObject(TessObject* v) {
  return Outcome([&] {
    ObjectRef o = Own(variantToObject(v));
    return std::string(o.get() ? "object" : "nil");
  });
}

TEST_F(VariantTest, ConversionTableRowByRow) {
  ObjectRef plain = Own(CreateObject(RootClass()));
  struct Row {
    const char* what;
    std::function<TessObject*()> box;
    const char *toInt, *toDouble, *toBoolean, *toString, *toObject;
  };
  const std::string mismatch = "raises typeMismatchException";
  const char* m = mismatch.c_str();
  const Row rows[] = {
      {"Nil", [] { return getNilVariant(); }, m, m, m, m, m},
      {"Integer 7", [] { return intToVariant(7); }, "7", "7", "true", "'7'", m},
      {"Integer -3", [] { return intToVariant(-3); }, "-3", "-3", "true", "'-3'", m},
      {"Integer 0", [] { return intToVariant(0); }, "0", "0", "false", "'0'", m},
      {"Double 2.9", [] { return doubleToVariant(2.9); }, "2", "2.8999999999999999", "true",
       "'2.8999999999999999e+000'", m},
      {"Double -2.9", [] { return doubleToVariant(-2.9); }, "-2", "-2.8999999999999999", "true",
       "'-2.8999999999999999e+000'", m},
      {"Double 100", [] { return doubleToVariant(100); }, "100", "100", "true", "'1e+002'", m},
      {"Double 2.5", [] { return doubleToVariant(2.5); }, "2", "2.5", "true", "'2.5e+000'", m},
      {"Double 0", [] { return doubleToVariant(-0.0); }, "0", "-0", "false", "'0e+000'", m},
      {"Double 1e300", [] { return doubleToVariant(1e300); }, "-2147483648",
       "1.0000000000000001e+300", "true", "'1.0000000000000001e+300'", m},
      {"String '12.7'", [] { return stringToVariant(S("12.7").get()); }, "12", "12.699999999999999",
       "false", "'12.7'", m},
      {"String 'TRUE'", [] { return stringToVariant(S("TRUE").get()); }, "0", "0", "true", "'TRUE'",
       m},
      {"String 'yes'", [] { return stringToVariant(S("yes").get()); }, "0", "0", "false", "'yes'",
       m},
      {"String '1'", [] { return stringToVariant(S("1").get()); }, "1", "1", "true", "'1'", m},
      {"String ''", [] { return stringToVariant(nullptr); }, "0", "0", "false", "''", m},
      {"Object", [&] { return objectToVariant(plain.get()); }, m, m, m, m, "object"},
      {"nil Object", [] { return objectToVariant(nullptr); }, m, m, m, m, "nil"},
      {"Boolean true", [] { return booleanToVariant(-1); }, "1", "1", "true", "'True'", m},
      {"Boolean false", [] { return booleanToVariant(0); }, "0", "0", "false", "'False'", m},
      {"Color 0xFF", [] { return colorToVariant(0xFF); }, "255", "255", "true", "'&h0000FF'", m},
      {"Color 0xABCDEF", [] { return colorToVariant(0xABCDEF); }, "11259375", "11259375", "true",
       "'&hABCDEF'", m},
      {"Color with alpha", [] { return colorToVariant(0x12345678); }, "305419896", "305419896",
       "true", "'&h12345678'", m},
  };
  for (const Row& row : rows) {
    ObjectRef v = Own(row.box());
    EXPECT_EQ(AsInt(v.get()), row.toInt) << row.what;
    EXPECT_EQ(Outcome([&] { return std::to_string(int32_t(variantToColor(v.get()))); }), row.toInt)
        << row.what;
    EXPECT_EQ(AsDouble(v.get()), row.toDouble) << row.what;
    EXPECT_EQ(AsBoolean(v.get()), row.toBoolean) << row.what;
    EXPECT_EQ(AsString(v.get()), row.toString) << row.what;
    EXPECT_EQ(AsObject(v.get()), row.toObject) << row.what;
  }
}

TEST_F(VariantTest, NilReferenceRaisesNilObjectAndQueriesAnswerFalse) {
  for (auto convert : {AsInt, AsDouble, AsBoolean, AsString, AsObject}) {
    EXPECT_EQ(convert(nullptr), "raises NilObjectException");
  }
  EXPECT_EQ(Outcome([] { return std::to_string(uintptr_t(VariantToDate(nullptr))); }),
            "raises NilObjectException");
  EXPECT_EQ(VarType(nullptr), 0);
  EXPECT_FALSE(IsNull(nullptr));
  EXPECT_FALSE(IsNumeric(nullptr));
}

TEST_F(VariantTest, TypeCodesAndQueries) {
  ObjectRef plain = Own(CreateObject(RootClass()));
  struct {
    TessObject* v;
    int32_t type;
    bool numeric, null;
  } cases[] = {
      {getNilVariant(), 1, false, true},
      {intToVariant(1), 2, true, false},
      {doubleToVariant(1), 5, true, false},
      {DateToVariant(nullptr), 7, false, false},
      {stringToVariant(S("1").get()), 8, false, false},
      {objectToVariant(plain.get()), 9, false, false},
      {booleanToVariant(1), 11, false, false},
      {colorToVariant(1), 16, false, false},
  };
  for (auto& c : cases) {
    ObjectRef v = Own(c.v);
    EXPECT_EQ(::VarType(v.get()), c.type);
    EXPECT_EQ(::IsNumeric(v.get()), c.numeric) << c.type;
    EXPECT_EQ(::IsNull(v.get()), c.null) << c.type;
  }
}

TEST_F(VariantTest, HashFollowsTheStringAndWordRules) {
  struct {
    TessObject* v;
    uint32_t hash;
  } cases[] = {
      // ('A' * 4) ^ 'B'
      {stringToVariant(S("ab").get()), (65u << 2) ^ 66u},
      {stringToVariant(S("AB").get()), (65u << 2) ^ 66u},
      // bytes above 127 widen as signed
      {stringToVariant(S("\xE9").get()), 0xFFFFFFE9u},
      {stringToVariant(nullptr), 0},
      {intToVariant(0x12345678), 0x56781234u},
      {intToVariant(-1), 0xFFFFFFFFu},
      {intToVariant(0x00018000), 0x80000001u},
      {doubleToVariant(1.0), 0x3FF00000u},
      {booleanToVariant(1), 0x00010000u},
      {getNilVariant(), 0},
  };
  for (auto& c : cases) {
    ObjectRef v = Own(c.v);
    EXPECT_EQ(uint32_t(VariantHash(v.get())), c.hash) << ::VarType(v.get());
  }
}

TEST_F(VariantTest, EqualityNeedsTheSameTypeAndIgnoresCaseOfStrings) {
  ObjectRef abc = Own(stringToVariant(S("abc").get()));
  ObjectRef ABC = Own(stringToVariant(S("ABC").get()));
  ObjectRef abd = Own(stringToVariant(S("abd").get()));
  ObjectRef one = Own(intToVariant(1));
  ObjectRef oneAgain = Own(intToVariant(1));
  ObjectRef oneDouble = Own(doubleToVariant(1.0));
  ObjectRef trueValue = Own(booleanToVariant(1));
  ObjectRef nil1 = Own(getNilVariant());
  ObjectRef nil2 = Own(getNilVariant());
  EXPECT_TRUE(VariantEqual(abc.get(), ABC.get()));
  EXPECT_FALSE(VariantEqual(abc.get(), abd.get()));
  EXPECT_TRUE(VariantEqual(one.get(), oneAgain.get()));
  EXPECT_FALSE(VariantEqual(one.get(), oneDouble.get()));
  EXPECT_FALSE(VariantEqual(one.get(), trueValue.get()));
  EXPECT_TRUE(VariantEqual(nil1.get(), nil2.get()));
  EXPECT_TRUE(VariantEqual(one.get(), one.get()));
  EXPECT_FALSE(VariantEqual(one.get(), nullptr));
  EXPECT_FALSE(VariantEqual(nullptr, nil1.get()));
  EXPECT_TRUE(VariantEqual(nullptr, nullptr));
}

TEST_F(VariantTest, HoldsOneReferenceToItsStringOrObject) {
  StringRef text = S("held");
  ObjectRef object = Own(CreateObject(RootClass()));
  {
    ObjectRef s = Own(stringToVariant(text.get()));
    ObjectRef o = Own(objectToVariant(object.get()));
    EXPECT_EQ(text.get()->refCount, 2u);
    EXPECT_EQ(Header(object.get())->refCount, 2);
    StringRef back = Take(variantToString(s.get()));
    EXPECT_EQ(back.get(), text.get()) << "the string itself";
    ObjectRef same = Own(variantToObject(o.get()));
    EXPECT_EQ(same.get(), object.get());
    EXPECT_EQ(Header(object.get())->refCount, 3);
  }
  EXPECT_EQ(text.get()->refCount, 1u);
  EXPECT_EQ(Header(object.get())->refCount, 1);
}

TEST_F(VariantTest, DatesTravelAsTotalSecondsAndTextParsesInTheLocalesOrder) {
  setenv("TZ", "UTC0", 1);
  platform::SetUserLocale("en_US");
  enum : uint32_t { kYear, kMonth, kDay };
  double seconds =
      calendar::SecondsFromStamp(*calendar::StampFromFields({2001, 2, 5, 15, 4, 5, 0, 0}));
  ObjectRef date = Own(NewDate(seconds));
  ObjectRef boxed = Own(DateToVariant(date.get()));
  EXPECT_EQ(::VarType(boxed.get()), 7);
  EXPECT_EQ(variantToDouble(boxed.get()), seconds);
  EXPECT_EQ(AsString(boxed.get()), "'2/5/2001 3:04:05 PM'");
  EXPECT_EQ(AsInt(boxed.get()), "-2147483648") << "beyond an Integer";
  ObjectRef copy = Own(VariantToDate(boxed.get()));
  EXPECT_NE(copy.get(), date.get());
  EXPECT_EQ(DateTotalSeconds(copy.get()), seconds);
  ObjectRef asObject = Own(variantToObject(boxed.get()));
  EXPECT_TRUE(IsA(asObject.get(), DateClass()));
  EXPECT_EQ(DateTotalSeconds(asObject.get()), seconds);

  ObjectRef holding = Own(objectToVariant(date.get()));
  ObjectRef same = Own(VariantToDate(holding.get()));
  EXPECT_EQ(same.get(), date.get()) << "an Object holding a Date gives the Date itself";
  ObjectRef plain = Own(CreateObject(RootClass()));
  ObjectRef notADate = Own(objectToVariant(plain.get()));
  ObjectRef nilObject = Own(objectToVariant(nullptr));
  ObjectRef text = Own(stringToVariant(S("2/5/2001").get()));
  ObjectRef junk = Own(stringToVariant(S("tomorrow").get()));
  ObjectRef nil = Own(getNilVariant());
  auto ToDate = [](TessObject* v) {
    return Outcome([&] {
      ObjectRef d = Own(VariantToDate(v));
      if (!d.get()) return std::string("nil");
      return std::to_string(dateFieldGetter(d.get(), kYear)) + "-" +
             std::to_string(dateFieldGetter(d.get(), kMonth)) + "-" +
             std::to_string(dateFieldGetter(d.get(), kDay));
    });
  };
  EXPECT_EQ(ToDate(notADate.get()), "raises typeMismatchException");
  EXPECT_EQ(ToDate(nilObject.get()), "nil");
  EXPECT_EQ(ToDate(text.get()), "2001-2-5");
  EXPECT_EQ(ToDate(junk.get()), "raises typeMismatchException");
  EXPECT_EQ(ToDate(nil.get()), "raises typeMismatchException");
  EXPECT_EQ(ToDate(Own(intToVariant(86400)).get()), "1904-1-2");
  EXPECT_EQ(ToDate(Own(booleanToVariant(1)).get()), "1904-1-1");
  ObjectRef nilDate = Own(DateToVariant(nullptr));
  EXPECT_EQ(variantToDouble(nilDate.get()), 0.0);
}

}  // namespace
}  // namespace tess
