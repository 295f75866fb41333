// The exported functions of libqv_card over the virtual reader backend.
// Each call clears this thread's last error first; a failure sets it and
// returns an empty result, so nothing ever escapes the C boundary.
#include "qv_card/include/qv_card.h"

#include <unistd.h>

#include <string>

#include "platform/sysutils.h"
#include "platform/variants.h"
#include "qv_card/virtual_reader.h"

namespace {

thread_local std::string lastError;
thread_local bool raised = false;
thread_local std::string passwordBuffer;

void Raise(const std::string &message) {
  lastError = message;
  raised = true;
}

void Begin() {
  raised = false;
  lastError.clear();
}

std::string ReaderArg(const char *reader) { return reader ? std::string(reader) : std::string(); }

// Applies a planned fault that replaces a call's array result. True when the
// call is done.
bool ApplyArrayFault(const std::optional<qvcard::Fault> &fault, VARIANT *result) {
  if (!fault) return false;
  if (fault->action == "raise") {
    Raise(fault->argument.empty() ? "injected fault" : fault->argument);
  } else if (fault->action == "empty") {
    VARIANT raw;
    VariantInit(&raw);
    raw.vt = VT_ARRAY | VT_VARIANT;
    raw.parray = SafeArrayCreateVector(VT_VARIANT, 0, 0);
    *result = raw;
  } else if (fault->action == "nonarray") {
    result->vt = VT_I4;
    result->lVal = 0;
  } else {
    return false;
  }
  return true;
}

void Fill(VARIANT *result, vcl::OleVariant value) { *result = value.Detach(); }

}  // namespace

extern "C" {

QV_CARD_API const char *QvCardLastError(void) { return raised ? lastError.c_str() : nullptr; }

QV_CARD_API void GetReaderOnSystem(VARIANT *result) {
  Begin();
  if (!result) return Raise("null result");
  VariantInit(result);
  try {
    if (ApplyArrayFault(qvcard::TakeFault(qvcard::HomeDir(), "GetReaderOnSystem"), result)) return;
    Fill(result, vcl::VarArrayOfTexts(qvcard::Readers()));
  } catch (const std::exception &e) {
    Raise(e.what());
  }
}

QV_CARD_API const char *GetCardPwd(const char *reader) {
  Begin();
  try {
    const std::string name = ReaderArg(reader);
    if (auto fault = qvcard::TakeFault(qvcard::ReaderDir(name), "GetCardPwd")) {
      if (fault->action == "raise") {
        Raise(fault->argument.empty() ? "injected fault" : fault->argument);
        return nullptr;
      }
      if (fault->action == "null") return nullptr;
    }
    passwordBuffer = qvcard::ReadCard(name).password;
    return passwordBuffer.c_str();
  } catch (const std::exception &e) {
    Raise(e.what());
    return nullptr;
  }
}

QV_CARD_API void GetCardData(const char *reader, VARIANT *result) {
  Begin();
  if (!result) return Raise("null result");
  VariantInit(result);
  try {
    const std::string name = ReaderArg(reader);
    if (ApplyArrayFault(qvcard::TakeFault(qvcard::ReaderDir(name), "GetCardData"), result)) return;
    Fill(result, vcl::VarArrayOfTexts(qvcard::ReadCard(name).fields));
  } catch (const std::exception &e) {
    Raise(e.what());
  }
}

// Accepted records: a one-dimensional array indexed from 0 holding 4 to 6
// texts; card number 1 to 20 bytes, amount block and date seal 28 bytes each,
// the marker and the spare fields at most 8 bytes.
static bool AcceptedRecord(const VARIANT &record, std::vector<std::string> &fields) {
  try {
    fields = vcl::VarArrayToTexts(record);
  } catch (const vcl::Exception &) {
    return false;
  }
  if (fields.size() < 4 || fields.size() > 6) return false;
  if (fields[0].empty() || fields[0].size() > 20) return false;
  if (fields[1].size() != 28 || fields[2].size() != 28) return false;
  for (size_t i = 3; i < fields.size(); ++i) {
    if (fields[i].size() > 8) return false;
  }
  return true;
}

QV_CARD_API int32_t SetCardData(const char *reader, VARIANT record) {
  Begin();
  try {
    const std::string name = ReaderArg(reader);
    const std::string dir = qvcard::ReaderDir(name);
    bool writeAnyway = false;
    int32_t plannedCode = QV_CARD_WRITTEN;
    int waitAfterMs = 0;
    if (auto fault = qvcard::TakeFault(dir, "SetCardData")) {
      if (fault->action == "raise") {
        Raise(fault->argument.empty() ? "injected fault" : fault->argument);
        return QV_CARD_WRITE_FAILED;
      }
      if (fault->action == "return") return vcl::StrToIntDef(fault->argument, QV_CARD_WRITE_FAILED);
      if (fault->action == "write-return") {
        writeAnyway = true;
        plannedCode = vcl::StrToIntDef(fault->argument, QV_CARD_WRITE_FAILED);
      }
      // A slow card: the time a real write takes, before or after the card changes.
      if (fault->action == "wait") ::usleep(static_cast<useconds_t>(vcl::StrToIntDef(fault->argument, 0)) * 1000);
      if (fault->action == "write-wait") waitAfterMs = vcl::StrToIntDef(fault->argument, 0);
    }
    std::vector<std::string> fields;
    if (!AcceptedRecord(record, fields)) return QV_CARD_BAD_LENGTH;
    qvcard::Card card;
    try {
      card = qvcard::ReadCard(name);
    } catch (const qvcard::CardError &) {
      return QV_CARD_WRITE_FAILED;  // no card, or a card that cannot be read back
    }
    if (card.password != qvcard::WritePassword()) return QV_CARD_BAD_PASSWORD;
    card.fields = fields;
    try {
      qvcard::WriteCard(name, card);
    } catch (const qvcard::CardError &) {
      return QV_CARD_WRITE_FAILED;
    }
    if (waitAfterMs > 0) ::usleep(static_cast<useconds_t>(waitAfterMs) * 1000);
    return writeAnyway ? plannedCode : QV_CARD_WRITTEN;
  } catch (const std::exception &e) {
    Raise(e.what());
    return QV_CARD_WRITE_FAILED;
  }
}

}  // extern "C"
