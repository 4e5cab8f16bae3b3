// What every back end's paths share: path text is UTF-8 on both, so a Shift_JIS name
// crosses into it the same way.
#include "platform/paths.h"

#include "platform/text_encoding.h"

namespace kasumido {

std::optional<std::string> PathFromSjis(std::string_view sjis) {
  return ConvertText(sjis, TextEncoding::kShiftJis, TextEncoding::kUtf8);
}

}  // namespace kasumido
