#include "card/reader_library.h"

#include "qv_card/include/qv_card.h"

namespace card {
namespace {

void RaiseIfFailed() {
  if (const char *message = QvCardLastError()) throw EQvCardError(message);
}

}  // namespace

vcl::OleVariant GetReaderOnSystem() {
  vcl::OleVariant result;
  ::GetReaderOnSystem(result.Out());
  RaiseIfFailed();
  return result;
}

std::string GetCardPwd(const std::string &reader) {
  const char *password = ::GetCardPwd(reader.c_str());
  RaiseIfFailed();
  return password ? std::string(password) : std::string();
}

vcl::OleVariant GetCardData(const std::string &reader) {
  vcl::OleVariant result;
  ::GetCardData(reader.c_str(), result.Out());
  RaiseIfFailed();
  return result;
}

int32_t SetCardData(const std::string &reader, const vcl::OleVariant &record) {
  const int32_t code = ::SetCardData(reader.c_str(), record.Raw());
  RaiseIfFailed();
  return code;
}

}  // namespace card
