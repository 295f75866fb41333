// Owning variant and the conversions between variants and 8-bit texts that the
// card-reader boundary needs. A text goes into a variant as a BSTR through code
// page 950 and comes back byte for byte. A value without a text form raises
// EVariantTypeCastError. Values are not shared between threads.
#pragma once

#include <string>
#include <vector>

#include "platform/ole/oleauto.h"

namespace vcl {

class OleVariant {
 public:
  OleVariant() { VariantInit(&v_); }
  ~OleVariant() { VariantClear(&v_); }
  OleVariant(const OleVariant &other);
  OleVariant(OleVariant &&other) noexcept;
  OleVariant &operator=(OleVariant other) noexcept;

  // Takes ownership of a raw variant (which is left VT_EMPTY).
  static OleVariant Adopt(VARIANT &raw);
  static OleVariant FromText(const std::string &ansi);
  static OleVariant FromInt(int32_t value);
  static OleVariant Null();

  const VARIANT &Raw() const { return v_; }
  // Clears the value and hands out the slot for a callee to fill.
  VARIANT *Out() {
    VariantClear(&v_);
    return &v_;
  }
  VARTYPE Type() const { return v_.vt; }
  // Gives up ownership: the raw value is returned and this variant is left empty.
  VARIANT Detach() {
    VARIANT raw = v_;
    VariantInit(&v_);
    return raw;
  }

 private:
  VARIANT v_;
};

// The name the runtime gives a variant type in conversion errors ("Null", "OleStr", ...).
std::string VarTypeName(VARTYPE vt);

// 8-bit text of any value that has a text form; raises EVariantTypeCastError
// "Could not convert variant of type (X) into type (String)" for the others.
std::string VarToAnsi(const VARIANT &v);

// The value as a floating-point number: numbers as they are, texts that read
// as numbers; raises EVariantTypeCastError "Could not convert variant of type
// (X) into type (Double)" for the others, a null among them.
double VarToDouble(const VARIANT &v);

// A variant holding a one-dimensional array of VARIANT with bounds 0..n-1,
// each element the text as a BSTR.
OleVariant VarArrayOfTexts(const std::vector<std::string> &texts);

// Element 0 first. Raises unless the value is a one-dimensional array of
// variants indexed from 0 with at least one element whose elements all have
// a text form.
std::vector<std::string> VarArrayToTexts(const VARIANT &v);

}  // namespace vcl
