// The "elements" mode of the inspector: the HTML element list of a saved page, one
// element a line, numbered from 0 in document order:
//   12 TAG  IMG  src="/image/x.gif" (SRC=/image/x.gif)  alt='y' (ALT='y')
//   13 TEXT "decoded text"
// A tag shows its upper-cased name, then every attribute as written and, in parentheses,
// its name and value as the analysis reads them. A text shows its folded and decoded Text.
// Everything is converted for a UTF-8 terminal (see terminal_text.h).
#pragma once

#include <ostream>
#include <string>

#include "html/html_element.h"
#include "html/html_parser.h"

namespace kasumido::inspect {

std::string ListingLine(size_t index, const THTMLElement& element);
// The same line without its number.
std::string ElementText(const THTMLElement& element);

// Writes one line per element of the parsed parser.
void WriteListing(const THTMLParser& parser, std::ostream& out);

}  // namespace kasumido::inspect
