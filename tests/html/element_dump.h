// Readable one-line forms of HTML elements, so tests compare whole element lists.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "html/html_element.h"
#include "html/html_parser.h"

namespace kasumido::test {

// A tag as "<NAME P1=v1 P2=v2>", a text as "'text'" (its decoded Text).
inline std::string Brief(const THTMLElement& element) {
  if (const std::optional<THTMLTag> tag = element.AsTag()) {
    std::string out = "<";
    out.append(tag->Name);
    for (const THTMLParam& param : tag->Params) {
      out.append(" ").append(param.Name).append("=").append(param.Value);
    }
    return out + ">";
  }
  std::string out = "'";
  return out.append(element.AsText()->Text) + "'";
}

// Every field: tags as "tag{Name|Raw|(pName|pValue|pRaw)...}", texts as "text{Raw|Text}".
inline std::string Full(const THTMLTag& tag) {
  std::string out = "tag{";
  out.append(tag.Name).append("|").append(tag.Raw).append("|");
  for (const THTMLParam& param : tag.Params) {
    out.append("(").append(param.Name).append("|").append(param.Value).append("|");
    out.append(param.Raw).append(")");
  }
  return out + "}";
}

inline std::string Full(const THTMLText& text) {
  std::string out = "text{";
  return out.append(text.Raw).append("|").append(text.Text).append("}");
}

inline std::string Full(const THTMLElement& element) {
  if (const std::optional<THTMLTag> tag = element.AsTag()) return Full(*tag);
  return Full(*element.AsText());
}

inline std::vector<std::string> BriefList(const THTMLParser& parser) {
  std::vector<std::string> out;
  for (const THTMLElement element : parser.Elements) out.push_back(Brief(element));
  return out;
}

inline std::vector<std::string> FullList(const THTMLParser& parser) {
  std::vector<std::string> out;
  for (const THTMLElement element : parser.Elements) out.push_back(Full(element));
  return out;
}

}  // namespace kasumido::test
