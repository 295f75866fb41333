#include "platform/variants.h"

#include <gtest/gtest.h>

#include "platform/sysutils.h"

namespace {

using vcl::OleVariant;

VARIANT Make(VARTYPE vt) {
  VARIANT v;
  VariantInit(&v);
  v.vt = vt;
  return v;
}

TEST(Variants, valuesWithTextForm_convertToText) {
  struct Case {
    VARIANT v;
    const char *text;
  };
  VARIANT i4 = Make(VT_I4), i2 = Make(VT_I2), r8 = Make(VT_R8), yes = Make(VT_BOOL), ui1 = Make(VT_UI1);
  i4.lVal = -1201;
  i2.iVal = 7;
  r8.dblVal = 2.5;
  yes.boolVal = -1;
  ui1.bVal = 200;
  const Case cases[] = {{Make(VT_EMPTY), ""}, {i4, "-1201"}, {i2, "7"}, {r8, "2.5"}, {yes, "True"}, {ui1, "200"}};
  for (const Case &c : cases) EXPECT_EQ(vcl::VarToAnsi(c.v), c.text) << c.text;
  VARIANT nullText = Make(VT_BSTR);  // a null BSTR is the empty string
  EXPECT_EQ(vcl::VarToAnsi(nullText), "");
}

TEST(Variants, valuesWithoutTextForm_raiseTypeCastError) {
  OleVariant array = vcl::VarArrayOfTexts({"x"});
  struct Case {
    VARIANT v;
    const char *message;
  } cases[] = {
      {Make(VT_NULL), "Could not convert variant of type (Null) into type (String)"},
      {Make(VT_ERROR), "Could not convert variant of type (Error) into type (String)"},
      {array.Raw(), "Could not convert variant of type (Array Variant) into type (String)"},
  };
  for (const Case &c : cases) {
    try {
      vcl::VarToAnsi(c.v);
      ADD_FAILURE() << c.message;
    } catch (const vcl::EVariantTypeCastError &e) {
      EXPECT_EQ(e.Message(), c.message);
    }
  }
}

TEST(Variants, textArray_roundTripsExactBytes) {
  const std::vector<std::string> texts = {"A123", std::string("\x01\t\n\r\x13\x60\x80", 7), "", "卡片", "ABC"};
  OleVariant array = vcl::VarArrayOfTexts(texts);
  ASSERT_EQ(array.Type(), VT_ARRAY | VT_VARIANT);
  EXPECT_EQ(array.Raw().parray->rgsabound[0].lLbound, 0);
  EXPECT_EQ(SafeArrayElement(array.Raw().parray, 1)->vt, VT_BSTR);
  EXPECT_EQ(vcl::VarArrayToTexts(array.Raw()), texts);
  OleVariant copy = array;  // deep copy, freed separately
  EXPECT_EQ(vcl::VarArrayToTexts(copy.Raw()), texts);
}

TEST(Variants, arraysOfAnotherShape_doNotConvert) {
  auto withArray = [](SAFEARRAY *a) {
    VARIANT raw = Make(VT_ARRAY | VT_VARIANT);
    raw.parray = a;
    return OleVariant::Adopt(raw);
  };
  OleVariant nonArray = OleVariant::FromInt(3);
  OleVariant empty = withArray(SafeArrayCreateVector(VT_VARIANT, 0, 0));
  OleVariant fromOne = withArray(SafeArrayCreateVector(VT_VARIANT, 1, 2));
  OleVariant holdingNull = withArray(SafeArrayCreateVector(VT_VARIANT, 0, 2));
  SafeArrayElement(holdingNull.Raw().parray, 1)->vt = VT_NULL;
  OleVariant twoDims = withArray(SafeArrayCreateVector(VT_VARIANT, 0, 1));
  twoDims.Raw().parray->cDims = 2;
  const struct {
    const char *name;
    const OleVariant *value;
  } cases[] = {{"not an array", &nonArray},
               {"no element", &empty},
               {"lower bound 1", &fromOne},
               {"null element", &holdingNull},
               {"two dimensions", &twoDims}};
  for (const auto &c : cases) EXPECT_THROW(vcl::VarArrayToTexts(c.value->Raw()), vcl::Exception) << c.name;
  twoDims.Raw().parray->cDims = 1;
}

}  // namespace
