#include "platform/ole/oleauto.h"

#include <cstdlib>
#include <cstring>

extern "C" {

BSTR SysAllocStringLen(const OLECHAR *chars, uint32_t len) {
  const size_t bytes = static_cast<size_t>(len) * sizeof(OLECHAR);
  auto *block = static_cast<unsigned char *>(std::malloc(sizeof(uint32_t) + bytes + sizeof(OLECHAR)));
  if (!block) return nullptr;
  const uint32_t byteLen = static_cast<uint32_t>(bytes);
  std::memcpy(block, &byteLen, sizeof byteLen);
  auto *text = reinterpret_cast<OLECHAR *>(block + sizeof(uint32_t));
  if (chars && len) std::memcpy(text, chars, bytes);
  else if (len) std::memset(text, 0, bytes);
  text[len] = 0;
  return text;
}

void SysFreeString(BSTR s) {
  if (s) std::free(reinterpret_cast<unsigned char *>(s) - sizeof(uint32_t));
}

uint32_t SysStringLen(BSTR s) {
  if (!s) return 0;
  uint32_t byteLen;
  std::memcpy(&byteLen, reinterpret_cast<unsigned char *>(s) - sizeof(uint32_t), sizeof byteLen);
  return byteLen / sizeof(OLECHAR);
}

void VariantInit(VARIANT *v) { std::memset(v, 0, sizeof *v); }

HRESULT VariantClear(VARIANT *v) {
  if (!v) return E_INVALIDARG;
  if (!(v->vt & VT_BYREF)) {
    if (v->vt & VT_ARRAY) {
      SafeArrayDestroy(v->parray);
    } else if (v->vt == VT_BSTR) {
      SysFreeString(v->bstrVal);
    }
  }
  VariantInit(v);
  return S_OK;
}

HRESULT VariantCopy(VARIANT *dst, const VARIANT *src) {
  if (!dst || !src) return E_INVALIDARG;
  if (dst == src) return S_OK;
  VariantClear(dst);
  VARIANT tmp = *src;
  if (!(src->vt & VT_BYREF)) {
    if (src->vt & VT_ARRAY) {
      tmp.parray = nullptr;
      if (src->parray) {
        HRESULT hr = SafeArrayCopy(src->parray, &tmp.parray);
        if (hr != S_OK) return hr;
      }
    } else if (src->vt == VT_BSTR && src->bstrVal) {
      tmp.bstrVal = SysAllocStringLen(src->bstrVal, SysStringLen(src->bstrVal));
      if (!tmp.bstrVal) return E_OUTOFMEMORY;
    }
  }
  *dst = tmp;
  return S_OK;
}

SAFEARRAY *SafeArrayCreateVector(VARTYPE vt, int32_t lbound, uint32_t count) {
  if (vt != VT_VARIANT) return nullptr;
  auto *a = static_cast<SAFEARRAY *>(std::calloc(1, sizeof(SAFEARRAY)));
  if (!a) return nullptr;
  a->cDims = 1;
  a->cbElements = sizeof(VARIANT);
  a->rgsabound[0].cElements = count;
  a->rgsabound[0].lLbound = lbound;
  if (count) {
    a->pvData = std::calloc(count, sizeof(VARIANT));  // all-zero is VT_EMPTY
    if (!a->pvData) {
      std::free(a);
      return nullptr;
    }
  }
  return a;
}

HRESULT SafeArrayDestroy(SAFEARRAY *a) {
  if (!a) return S_OK;
  if (a->cLocks) return DISP_E_ARRAYISLOCKED;
  auto *items = static_cast<VARIANT *>(a->pvData);
  for (uint32_t i = 0; i < a->rgsabound[0].cElements && items; ++i) VariantClear(&items[i]);
  std::free(a->pvData);
  std::free(a);
  return S_OK;
}

HRESULT SafeArrayCopy(const SAFEARRAY *src, SAFEARRAY **dst) {
  if (!src || !dst || src->cDims != 1 || src->cbElements != sizeof(VARIANT)) return E_INVALIDARG;
  SAFEARRAY *copy = SafeArrayCreateVector(VT_VARIANT, src->rgsabound[0].lLbound, src->rgsabound[0].cElements);
  if (!copy) return E_OUTOFMEMORY;
  const auto *from = static_cast<const VARIANT *>(src->pvData);
  auto *to = static_cast<VARIANT *>(copy->pvData);
  for (uint32_t i = 0; i < src->rgsabound[0].cElements; ++i) {
    HRESULT hr = VariantCopy(&to[i], &from[i]);
    if (hr != S_OK) {
      SafeArrayDestroy(copy);
      return hr;
    }
  }
  *dst = copy;
  return S_OK;
}

VARIANT *SafeArrayElement(SAFEARRAY *a, int32_t index) {
  if (!a || a->cDims != 1 || !a->pvData) return nullptr;
  const int64_t offset = static_cast<int64_t>(index) - a->rgsabound[0].lLbound;
  if (offset < 0 || offset >= static_cast<int64_t>(a->rgsabound[0].cElements)) return nullptr;
  return static_cast<VARIANT *>(a->pvData) + offset;
}

}  // extern "C"
