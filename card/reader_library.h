// Binding to libqv_card, linked by name at load time. Each wrapper calls one
// library function and raises EQvCardError with the library's message when
// the call raised. Window thread only, like the library calls themselves.
#pragma once

#include <cstdint>
#include <string>

#include "platform/sysutils.h"
#include "platform/variants.h"

namespace card {

COINLOFT_DECLARE_EXCEPTION(EQvCardError, vcl::Exception);

vcl::OleVariant GetReaderOnSystem();
// The card's password, copied at once; a null pointer reads as empty text.
std::string GetCardPwd(const std::string &reader);
vcl::OleVariant GetCardData(const std::string &reader);
int32_t SetCardData(const std::string &reader, const vcl::OleVariant &record);

}  // namespace card
