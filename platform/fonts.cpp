#include "platform/codepage.h"
#include "platform/vcl.h"

namespace vcl {

// The Windows Traditional Chinese system fonts have no Linux namesakes; the
// AR PL Ming face (fonts-arphic-uming) has the same design and metrics.
std::u16string ScreenFontFamily(const std::string &name) {
  if (name == "細明體" || name == "新細明體") return u"AR PL UMing TW";
  return cp950::ToWide(name);
}

}  // namespace vcl
