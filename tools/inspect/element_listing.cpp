#include "element_listing.h"

#include <cstdio>
#include <optional>

#include "terminal_text.h"

namespace kasumido::inspect {

std::string ListingLine(size_t index, const THTMLElement& element) {
  char number[32];
  std::snprintf(number, sizeof number, "%5zu ", index);
  return number + ElementText(element);
}

std::string ElementText(const THTMLElement& element) {
  std::string line;
  if (const std::optional<THTMLTag> tag = element.AsTag()) {
    line += "TAG  " + Printable(tag->Name);
    for (const THTMLParam& param : tag->Params) {
      line += "  " + Printable(param.Raw) + " (" + Printable(param.Name) + "=" +
              Printable(param.Value) + ")";
    }
  } else {
    line += "TEXT " + Quoted(element.AsText()->Text);
  }
  return line;
}

void WriteListing(const THTMLParser& parser, std::ostream& out) {
  for (size_t i = 0; i < parser.Elements.size(); ++i) {
    out << ListingLine(i, parser.Elements[i]) << '\n';
  }
}

}  // namespace kasumido::inspect
