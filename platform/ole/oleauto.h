// OLE Automation data types as they cross the card-reader library boundary:
// VARIANT, one-dimensional SAFEARRAY of VARIANT and length-prefixed BSTR.
// Both the program and libqv_card link this unit; every allocation goes
// through malloc/free, so whichever side frees a value may free it.
// Plain data and free functions: no locking, callers keep a value on one thread.
#pragma once

#include <cstddef>
#include <cstdint>

extern "C" {

typedef char16_t OLECHAR;
typedef OLECHAR *BSTR;  // points at the first character; the byte length sits in front
typedef uint16_t VARTYPE;
typedef int32_t HRESULT;

enum : VARTYPE {
  VT_EMPTY = 0,
  VT_NULL = 1,
  VT_I2 = 2,
  VT_I4 = 3,
  VT_R4 = 4,
  VT_R8 = 5,
  VT_BSTR = 8,
  VT_ERROR = 10,
  VT_BOOL = 11,
  VT_VARIANT = 12,
  VT_I1 = 16,
  VT_UI1 = 17,
  VT_UI2 = 18,
  VT_UI4 = 19,
  VT_I8 = 20,
  VT_UI8 = 21,
  VT_TYPEMASK = 0x0FFF,
  VT_ARRAY = 0x2000,
  VT_BYREF = 0x4000,
};

enum : HRESULT {
  S_OK = 0,
  E_INVALIDARG = static_cast<HRESULT>(0x80070057u),
  E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu),
  DISP_E_BADVARTYPE = static_cast<HRESULT>(0x80020008u),
  DISP_E_ARRAYISLOCKED = static_cast<HRESULT>(0x8002000Du),
  DISP_E_BADINDEX = static_cast<HRESULT>(0x8002000Bu),
};

struct SAFEARRAYBOUND {
  uint32_t cElements;
  int32_t lLbound;
};

struct SAFEARRAY {
  uint16_t cDims;
  uint16_t fFeatures;
  uint32_t cbElements;
  uint32_t cLocks;
  void *pvData;
  SAFEARRAYBOUND rgsabound[1];
};

struct VARIANT {
  VARTYPE vt;
  uint16_t wReserved1;
  uint16_t wReserved2;
  uint16_t wReserved3;
  union {
    int64_t llVal;
    int32_t lVal;
    int16_t iVal;
    int8_t cVal;
    uint8_t bVal;
    uint16_t uiVal;
    uint32_t ulVal;
    uint64_t ullVal;
    float fltVal;
    double dblVal;
    int16_t boolVal;  // -1 true, 0 false
    HRESULT scode;
    BSTR bstrVal;
    SAFEARRAY *parray;
    VARIANT *pvarVal;
  };
};

// BSTR: length-prefixed UTF-16, NUL-terminated. A null BSTR is the empty string.
BSTR SysAllocStringLen(const OLECHAR *chars, uint32_t len);  // null on out of memory
void SysFreeString(BSTR s);                                  // null is fine
uint32_t SysStringLen(BSTR s);                               // in characters; 0 for null

// Variants. VariantClear frees what the variant owns and leaves it VT_EMPTY.
void VariantInit(VARIANT *v);
HRESULT VariantClear(VARIANT *v);
HRESULT VariantCopy(VARIANT *dst, const VARIANT *src);  // deep copy; dst is cleared first

// One-dimensional arrays of VARIANT (the only element type used here).
// SafeArrayCreateVector returns null on out of memory; the elements start VT_EMPTY.
SAFEARRAY *SafeArrayCreateVector(VARTYPE vt, int32_t lbound, uint32_t count);
HRESULT SafeArrayDestroy(SAFEARRAY *a);  // clears every element, then frees
HRESULT SafeArrayCopy(const SAFEARRAY *src, SAFEARRAY **dst);
// Element access by index within [lLbound, lLbound + cElements).
VARIANT *SafeArrayElement(SAFEARRAY *a, int32_t index);  // null when out of range

}  // extern "C"
