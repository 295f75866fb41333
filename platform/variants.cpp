#include "platform/variants.h"

#include <cstdlib>
#include <utility>

#include "platform/codepage.h"
#include "platform/sysutils.h"

namespace vcl {

OleVariant::OleVariant(const OleVariant &other) {
  VariantInit(&v_);
  if (VariantCopy(&v_, &other.v_) != S_OK) throw EOleError("Out of memory copying a variant");
}

OleVariant::OleVariant(OleVariant &&other) noexcept : v_(other.v_) { VariantInit(&other.v_); }

OleVariant &OleVariant::operator=(OleVariant other) noexcept {
  std::swap(v_, other.v_);
  return *this;
}

OleVariant OleVariant::Adopt(VARIANT &raw) {
  OleVariant result;
  result.v_ = raw;
  VariantInit(&raw);
  return result;
}

OleVariant OleVariant::FromText(const std::string &ansi) {
  std::u16string wide = cp950::ToWide(ansi);
  OleVariant result;
  result.v_.vt = VT_BSTR;
  result.v_.bstrVal = SysAllocStringLen(wide.data(), static_cast<uint32_t>(wide.size()));
  if (!result.v_.bstrVal) {
    result.v_.vt = VT_EMPTY;
    throw EOleError("Out of memory allocating a string");
  }
  return result;
}

OleVariant OleVariant::FromInt(int32_t value) {
  OleVariant result;
  result.v_.vt = VT_I4;
  result.v_.lVal = value;
  return result;
}

OleVariant OleVariant::Null() {
  OleVariant result;
  result.v_.vt = VT_NULL;
  return result;
}

std::string VarTypeName(VARTYPE vt) {
  if (vt & VT_ARRAY) return "Array " + VarTypeName(vt & VT_TYPEMASK);
  switch (vt & VT_TYPEMASK) {
    case VT_EMPTY: return "Empty";
    case VT_NULL: return "Null";
    case VT_I2: return "Smallint";
    case VT_I4: return "Integer";
    case VT_R4: return "Single";
    case VT_R8: return "Double";
    case VT_BSTR: return "OleStr";
    case VT_ERROR: return "Error";
    case VT_BOOL: return "Boolean";
    case VT_VARIANT: return "Variant";
    case VT_I1: return "ShortInt";
    case VT_UI1: return "Byte";
    case VT_UI2: return "Word";
    case VT_UI4: return "LongWord";
    case VT_I8: return "Int64";
    case VT_UI8: return "UInt64";
    default: return Format("Unknown %u", static_cast<unsigned>(vt));
  }
}

namespace {

[[noreturn]] void CannotConvert(VARTYPE vt, const char *target) {
  throw EVariantTypeCastError("Could not convert variant of type (" + VarTypeName(vt) + ") into type (" +
                              target + ")");
}

}  // namespace

std::string VarToAnsi(const VARIANT &v) {
  if (v.vt == (VT_BYREF | VT_VARIANT)) {
    if (!v.pvarVal) CannotConvert(v.vt, "String");
    return VarToAnsi(*v.pvarVal);
  }
  switch (v.vt) {
    case VT_EMPTY: return std::string();
    case VT_BSTR: return cp950::FromWide(std::u16string_view(v.bstrVal ? v.bstrVal : u"", SysStringLen(v.bstrVal)));
    case VT_I1: return std::to_string(v.cVal);
    case VT_UI1: return std::to_string(v.bVal);
    case VT_I2: return std::to_string(v.iVal);
    case VT_UI2: return std::to_string(v.uiVal);
    case VT_I4: return std::to_string(v.lVal);
    case VT_UI4: return std::to_string(v.ulVal);
    case VT_I8: return std::to_string(v.llVal);
    case VT_UI8: return std::to_string(v.ullVal);
    case VT_R4: return Format("%.7g", static_cast<double>(v.fltVal));
    case VT_R8: return Format("%.15g", v.dblVal);
    case VT_BOOL: return v.boolVal ? "True" : "False";
    default: CannotConvert(v.vt, "String");
  }
}

double VarToDouble(const VARIANT &v) {
  if (v.vt == (VT_BYREF | VT_VARIANT) && v.pvarVal) return VarToDouble(*v.pvarVal);
  switch (v.vt) {
    case VT_EMPTY: return 0;
    case VT_I1: return v.cVal;
    case VT_UI1: return v.bVal;
    case VT_I2: return v.iVal;
    case VT_UI2: return v.uiVal;
    case VT_I4: return v.lVal;
    case VT_UI4: return v.ulVal;
    case VT_I8: return static_cast<double>(v.llVal);
    case VT_UI8: return static_cast<double>(v.ullVal);
    case VT_R4: return v.fltVal;
    case VT_R8: return v.dblVal;
    case VT_BOOL: return v.boolVal ? -1 : 0;
    case VT_BSTR: {
      const std::string text = Trim(VarToAnsi(v));
      char *end = nullptr;
      const double value = std::strtod(text.c_str(), &end);
      if (!text.empty() && end && *end == '\0') return value;
      CannotConvert(v.vt, "Double");
    }
    default: CannotConvert(v.vt, "Double");
  }
}

OleVariant VarArrayOfTexts(const std::vector<std::string> &texts) {
  SAFEARRAY *array = SafeArrayCreateVector(VT_VARIANT, 0, static_cast<uint32_t>(texts.size()));
  if (!array) throw EOleError("Out of memory creating a variant array");
  VARIANT raw;
  VariantInit(&raw);
  raw.vt = VT_ARRAY | VT_VARIANT;
  raw.parray = array;
  OleVariant result = OleVariant::Adopt(raw);
  for (size_t i = 0; i < texts.size(); ++i) {
    *SafeArrayElement(array, static_cast<int32_t>(i)) = OleVariant::FromText(texts[i]).Detach();
  }
  return result;
}

std::vector<std::string> VarArrayToTexts(const VARIANT &v) {
  if (v.vt == (VT_BYREF | VT_VARIANT) && v.pvarVal) return VarArrayToTexts(*v.pvarVal);
  if (!(v.vt & VT_ARRAY) || (v.vt & VT_BYREF)) throw EVariantError("Variant is not an array");
  if ((v.vt & VT_TYPEMASK) != VT_VARIANT) CannotConvert(v.vt, "Array Variant");
  const SAFEARRAY *array = v.parray;
  if (!array || array->cDims != 1) throw EVariantError("Variant array is not one-dimensional");
  if (array->rgsabound[0].lLbound != 0 || array->rgsabound[0].cElements == 0 || !array->pvData) {
    throw EVariantError("Variant array index out of bounds");
  }
  std::vector<std::string> texts;
  texts.reserve(array->rgsabound[0].cElements);
  const auto *items = static_cast<const VARIANT *>(array->pvData);
  for (uint32_t i = 0; i < array->rgsabound[0].cElements; ++i) texts.push_back(VarToAnsi(items[i]));
  return texts;
}

}  // namespace vcl
