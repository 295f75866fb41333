/* libqv_card: the card-reader library.
 * Four functions drive a reader; every call comes from one thread at a time.
 * A function "raises" by returning with QvCardLastError() set to a message:
 * the caller turns that into an error of its own. Strings are 8-bit Big5,
 * NUL-terminated; a reader is named by its name, never a null pointer. */
#ifndef QV_CARD_H
#define QV_CARD_H

#include <stdint.h>

#include "platform/ole/oleauto.h"

#if defined(QV_CARD_BUILDING)
#define QV_CARD_API __attribute__((visibility("default")))
#else
#define QV_CARD_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Result codes of SetCardData. */
enum {
  QV_CARD_WRITTEN = 0,
  QV_CARD_BAD_PASSWORD = -1110, /* the card's password is not the one this library writes with */
  QV_CARD_WRITE_FAILED = -1111, /* no card, or the card could not be written */
  QV_CARD_BAD_LENGTH = -1201    /* a field count or field length the library does not accept */
};

/* Fills *result (an empty VARIANT) with the reader names as a variant array. */
QV_CARD_API void GetReaderOnSystem(VARIANT *result);

/* The password of the card in the reader. The string stays valid until the
 * next call on this thread; the caller never frees it. */
QV_CARD_API const char *GetCardPwd(const char *reader);

/* Fills *result (an empty VARIANT) with the card's fields as a variant array. */
QV_CARD_API void GetCardData(const char *reader, VARIANT *result);

/* Writes the record (a variant array of texts) onto the card. The caller keeps
 * ownership of the record. Returns one of the codes above. */
QV_CARD_API int32_t SetCardData(const char *reader, VARIANT record);

/* The message of the error that the last call on this thread raised, or null
 * when it raised none. Valid until the next call on this thread. */
QV_CARD_API const char *QvCardLastError(void);

#ifdef __cplusplus
}
#endif

#endif
